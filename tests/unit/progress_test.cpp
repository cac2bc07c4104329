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
    TALLY = 3;
    TOTAL = 12;
    TURNS = 5;
    SETTING_EFFICIENCY = 1;
    EXPECT_EQ(PROGRESS_TEXT("025.00%"), "3 of 12 / 5 Turns\r\nGrade:025.00% Efficiency:060.00%");
    TURNS = 0;
    EXPECT_EQ(PROGRESS_TEXT("000.00%"), "3 of 12 / 0 Turns\r\nGrade:000.00%");
    TURNS = 3;
    SETTING_EFFICIENCY = 0;
    EXPECT_EQ(PROGRESS_TEXT("x"), "3 of 12 / 3 Turns\r\nGrade:x");
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
    BRINDLE_STARTUP();
    ASSERT_EQ(PAGES.ubound(), 1);
    BRINDLE_FRAME();
    IMAGE* shown = surface_page(0);
    // The scene frame at (88, 58) doubled: green from (176, 116).
    EXPECT_GT((px(shown, 180, 120) >> 8) & 0xFF, 0x80u);
    EXPECT_LT((px(shown, 174, 120) >> 8) & 0xFF, 0x80u);
    // The option bar covers the bottom 48 rows; the title bar rows 32 to 79.
    EXPECT_NE(px(shown, 4, 432), px(shown, 4, 431));
    EXPECT_EQ(PAGES(0).VISITED, 0);

    BRINDLE_KEY("\t");  // gallery on, no move, no turn
    EXPECT_EQ(SETTING_GALLERY, 1);
    EXPECT_EQ(PAGELOCATION, 0);
    BRINDLE_KEY("N");
    EXPECT_EQ(PAGELOCATION, 1);
    EXPECT_EQ(PAGES(0).HISTORY, 1);
    EXPECT_EQ(DISPOUT(0, 0), nullptr);   // the row left behind is released...
    EXPECT_NE(DISPOUT(0, 1), nullptr);   // ...but for page 0's frame and composition sizes
    EXPECT_NE(DISPOUT(0, 7), nullptr);
    EXPECT_EQ(PAGES(0).SCENE, nullptr);
    BRINDLE_FRAME();
    EXPECT_EQ(PAGES(1).VISITED, 1);
    EXPECT_EQ(TURNS, 1);
    // The ghost takes its alpha from the blue byte, so the scenes hold blue.
    // Page 1's thumbnail in cell 1 at (24, 0) of the gallery, page 0 in cell 0.
    IMAGE* gallery = DISPOUT(0, 11);
    EXPECT_NE(px(gallery, 30, 12), 0u);
    EXPECT_NE(px(gallery, 6, 12), 0u);
    EXPECT_EQ(px(gallery, 60, 12), 0u);
    EXPECT_EQ(DISPOUT(1, 16)->WIDTH, 24u);

    BRINDLE_KEY("\b");  // progress on
    EXPECT_EQ(SETTING_GRADE, 1);
    EXPECT_EQ(SETTING_EFFICIENCY, 1);
    BRINDLE_FRAME();
    EXPECT_EQ(TALLY, 1);
    EXPECT_EQ(TOTAL, 2);
    BRINDLE_KEY("b");
    BRINDLE_FRAME();  // back on page 0 with the progress shown: histories cleared
    EXPECT_EQ(PAGES(1).HISTORY, 0);
    EXPECT_EQ(TALLY, 0);
    BRINDLE_KEY("\b");
    BRINDLE_KEY("n");
    BRINDLE_FRAME();
    BRINDLE_KEY("b");
    BRINDLE_FRAME();  // progress off: nothing cleared
    EXPECT_EQ(PAGES(1).HISTORY, 1);

    BRINDLE_KEY("n");
    BRINDLE_KEY("z");  // leads outside the story: the next frame stops
    EXPECT_EQ(PAGELOCATION, 9);
    EXPECT_EXIT(BRINDLE_FRAME(), ::testing::ExitedWithCode(6), "out of bounds array access.* of Main::BRINDLE_FRAME");
}

TEST_F(Progress, EmptyStoryEndsWithZero) {
    EXPECT_EXIT(BRINDLE_STARTUP(), ::testing::ExitedWithCode(0), "");
}
