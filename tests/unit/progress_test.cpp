#include <regex>

#include "gfx/gfx.h"
#include "image_file.h"
#include "story_support.h"

using Progress = Story;

TEST_F(Progress, PercentagesTruncateAndPageZeroResets) {
    PAGES.redim(0, 2);
    PAGES(1).HISTORY = 2;
    int32_t total, tally, turns;
    EXPECT_EQ(GAMEPERCENT(1, total, tally, turns), "033.33%");
    EXPECT_EQ(total, 3);
    EXPECT_EQ(turns, 2);
    PAGES(2).HISTORY = 1;
    EXPECT_EQ(GAMEPERCENT(1, total, tally, turns), "066.66%");
    PAGES(0).HISTORY = 1;
    EXPECT_EQ(GAMEPERCENT(2, total, tally, turns), "100.00%");
    EXPECT_EQ(GAMEPERCENT(0, total, tally, turns), "000.00%");  // on page 0 every history is cleared
    EXPECT_EQ(PAGES(1).HISTORY, 0);
    EXPECT_EQ(turns, 0);
    PAGES.redim(0, 7);
    PAGES(4).HISTORY = 1;
    EXPECT_EQ(GAMEPERCENT(4, total, tally, turns), "012.50%");
}

TEST_F(Progress, TheProgressText) {
    EXPECT_EQ(PROGRESS_TEXT(3, 12, 5, "025.00%", 1), "3 of 12 / 5 Turns\r\nGrade:025.00% Efficiency:060.00%");
    EXPECT_EQ(PROGRESS_TEXT(3, 12, 0, "000.00%", 1), "3 of 12 / 0 Turns\r\nGrade:000.00%");
    EXPECT_EQ(PROGRESS_TEXT(3, 12, 3, "x", 0), "3 of 12 / 3 Turns\r\nGrade:x");
}

namespace {
// A two-page story with every asset the frame needs, in the scratch folder.
void tiny_story() {
    auto pic = [](const std::string& path, int w, int h, uint32_t c) {
        fs::path p = path;
        fs::create_directories(p.parent_path());
        IMAGE* img = image_create(w, h, c);
        SavePNGFile(img, p.c_str(), 1);
        image_destroy(img);
    };
    pic("Brindle/Assets/Fonts/mishap22.alpha.png", 128, 128, 0xFFFFFFFFu);
    pic("Brindle/Assets/Fonts/Fill.png", 8, 8, 0xFF102030u);
    pic("Brindle/Assets/Sprites/background.png", 16, 16, 0xFF404040u);
    pic("Brindle/Assets/Sprites/scene/one.png", 144, 96, 0xFF20A0C0u);
    pic("Brindle/Assets/Sprites/scene/two.png", 144, 96, 0xFFA040C0u);
    Scratch::write("Brindle/Assets/Pages/0.seq", "Start\n0,0,one\nn,1,0,Next\n,,,\n,,,\n,,,\nHello\n");
    Scratch::write("Brindle/Assets/Pages/1.seq", "Next\n0,0,two\nb,0,0,Back\nz,9,0,Nowhere\n,,,\n,,,\nThere\n");
}
}  // namespace

TEST_F(Progress, FramesGalleryAndKeys) {
    tiny_story();
    ASSERT_TRUE(STORY_OPEN("", STORY_FRAMES).ok);
    ASSERT_EQ(STORY_PAGES().ubound(), 1);
    IMAGE* shown = surface_page(0);
    // The scene frame at (88, 58) doubled: green from (176, 116).
    EXPECT_GT((px(shown, 180, 120) >> 8) & 0xFF, 0x80u);
    EXPECT_LT((px(shown, 174, 120) >> 8) & 0xFF, 0x80u);
    // The option bar covers the bottom 48 rows; the title bar rows 32 to 79.
    EXPECT_NE(px(shown, 4, 432), px(shown, 4, 431));
    EXPECT_EQ(PAGES(0).VISITED, 0);

    EXPECT_TRUE(STORY_PRESS("\t").ok);  // gallery on, no move, no turn
    EXPECT_TRUE(STORY_GALLERY_SHOWN());
    EXPECT_EQ(STORY_LOCATION(), 0);
    STORY_PRESS("N");
    EXPECT_EQ(STORY_LOCATION(), 1);
    EXPECT_EQ(STORY_PAGES()(0).HISTORY, 1);
    EXPECT_EQ(DISPOUT(0, LAYER_BACKGROUND), nullptr);  // the row left behind is released...
    EXPECT_NE(DISPOUT(0, LAYER_FRAME), nullptr);       // ...but for page 0's frame and composition sizes
    EXPECT_NE(DISPOUT(0, LAYER_COMPOSITION), nullptr);
    EXPECT_EQ(STORY_PAGES()(0).SCENE, nullptr);
    EXPECT_EQ(STORY_PAGES()(1).VISITED, 1);
    EXPECT_EQ(TURNS, 1);
    // The ghost takes its alpha from the blue byte, so the scenes hold blue.
    // Page 1's thumbnail in cell 1 at (24, 0) of the gallery, page 0 in cell 0.
    IMAGE* gallery = DISPOUT(0, LAYER_GALLERY);
    EXPECT_NE(px(gallery, 30, 12), 0u);
    EXPECT_NE(px(gallery, 6, 12), 0u);
    EXPECT_EQ(px(gallery, 60, 12), 0u);
    EXPECT_EQ(DISPOUT(1, LAYER_THUMBNAIL)->WIDTH, 24u);

    STORY_PRESS("\b");  // progress on
    EXPECT_TRUE(STORY_PROGRESS_SHOWN());
    EXPECT_EQ(SETTING_EFFICIENCY, 1);
    EXPECT_EQ(TALLY, 1);
    EXPECT_EQ(TOTAL, 2);
    STORY_PRESS("b");  // back on page 0 with the progress shown: histories cleared
    EXPECT_EQ(STORY_PAGES()(1).HISTORY, 0);
    EXPECT_EQ(TALLY, 0);
    STORY_PRESS("\b");
    STORY_PRESS("n");
    STORY_PRESS("b");  // progress off: nothing cleared
    EXPECT_EQ(STORY_PAGES()(1).HISTORY, 1);

    STORY_PRESS("n");
    const STORY_RESULT outside = STORY_PRESS("z");  // leads outside the story: its frame stops
    EXPECT_FALSE(outside.ok);
    EXPECT_EQ(outside.error, 6);
    EXPECT_TRUE(std::regex_match(outside.message, std::regex("Aborting due to runtime error 6 \\(out of bounds array "
                                                             "access\\) at line [0-9]+ of Main::BRINDLE_FRAME\\(\\)")))
        << outside.message;
    // The player ends with that report instead.
    ASSERT_TRUE(STORY_OPEN("", STORY_PLAYER).ok);
    STORY_PRESS("n");
    EXPECT_EXIT(STORY_PRESS("z"), ::testing::ExitedWithCode(6), "out of bounds array access.* of Main::BRINDLE_FRAME");
}

TEST_F(Progress, AStoryWithoutPagesSaysSo) {
    fs::create_directories("Brindle/Assets/Pages");
    const STORY_RESULT r = STORY_OPEN("", STORY_FRAMES);
    EXPECT_TRUE(r.empty);
    EXPECT_EQ(r.message, "Oh Noes! No files to be found!");
    EXPECT_EQ(STORY_OPEN("Nowhere", STORY_LOGIC).message, "Nowhere: no such folder");
}
