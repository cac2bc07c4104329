// Brindle, Quiltify and Patchwise as a reader runs them: real windows, real
// keys, screenshots.
#include <gtest/gtest.h>

#include <fstream>

#include "harness.h"
#include "image_file.h"
#include "surface.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {
bool near(uint32_t a, uint32_t b, int tolerance = 6) {
    for (int sh = 0; sh < 24; sh += 8)
        if (std::abs(int((a >> sh) & 0xFF) - int((b >> sh) & 0xFF)) > tolerance) return false;
    return true;
}

void write(const fs::path& p, const std::string& text) { write_file(p, text); }

void solid_png(const fs::path& p, int w, int h, uint32_t argb) {
    fs::create_directories(p.parent_path());
    // Written through the library; buffers need a surface, the headless one serves.
    screen_open(640, 480, 32, 16, 0, 0);
    IMAGE* img = image_create(w, h, argb);
    SavePNGFile(img, p.c_str(), 1);
    image_destroy(img);
}

// A story folder with the shipped interface pictures and a small story of our own.
struct StoryTree {
    fs::path root = temp_dir("story");
    StoryTree() {
        const fs::path from = source_dir() / "Brindle" / "Assets";
        fs::create_directories(root / "Brindle" / "Assets" / "Pages");
        fs::copy(from / "Fonts", root / "Brindle" / "Assets" / "Fonts", fs::copy_options::recursive);
        fs::create_directories(root / "Brindle" / "Assets" / "Sprites");
        fs::copy(from / "Sprites" / "interface", root / "Brindle" / "Assets" / "Sprites" / "interface",
                 fs::copy_options::recursive);
        fs::copy(from / "Sprites" / "background.png", root / "Brindle" / "Assets" / "Sprites" / "background.png");
        solid_png(root / "Brindle/Assets/Sprites/scene/red.png", 144, 96, 0xFFC02020u);
        solid_png(root / "Brindle/Assets/Sprites/scene/blue.png", 144, 96, 0xFF2040C0u);
        page("0", "Red Room\n0,0,red\nn,1,0,Next\nz,99,0,Nowhere\n,,,\n,,,\nA red room.\n");
        page("1", "Blue Room\n0,0,blue\nb,0,0,Back\n,,,\n,,,\n,,,\nA blue room.\n");
    }
    ~StoryTree() { fs::remove_all(root); }
    void page(const std::string& n, const std::string& text) { write(root / "Brindle/Assets/Pages" / (n + ".seq"), text); }
};

// The scene frame's middle on the screen: (88, 58) + (72, 48), doubled.
constexpr int SCENE_X = 2 * (88 + 72), SCENE_Y = 2 * (58 + 48);
// Red and blue as they come out of two alpha composites.
constexpr uint32_t SHOWN_RED = 0xBE1F1F, SHOWN_BLUE = 0x1F3FBE;

std::string brindle() { return (bin_dir() / "Brindle").string(); }
}  // namespace

TEST(Brindle, AReadersSession) {
    StoryTree story;
    XServer x;
    Program p(x, brindle(), story.root);
    ASSERT_FALSE(p.window().empty()) << p.err();
    IMAGE* shot = nullptr;
    ASSERT_TRUE(wait_for_screen(x, [](IMAGE* s) { return near(rgb(s, SCENE_X, SCENE_Y), SHOWN_RED); }, shot))
        << std::hex << rgb(shot, SCENE_X, SCENE_Y);
    // The option bar sits on the bottom edge: its pattern starts at row 432.
    const uint32_t wallpaper = rgb(shot, 2, 430), bar = rgb(shot, 2, 433);
    EXPECT_NE(wallpaper, bar);
    // The title "Red Room" (8 characters) starts at column 17: x = 136, doubled 272.
    bool ink_in_title = false;
    for (int yy = 32; yy < 48; ++yy)
        for (int xx = 272; xx < 288; ++xx) ink_in_title |= (rgb(shot, xx, yy) & 0xFF) > 0xC0;
    EXPECT_TRUE(ink_in_title);
    const uint32_t gallery_cell = rgb(shot, 60, 12);

    p.keys("n");
    ASSERT_TRUE(wait_for_screen(x, [](IMAGE* s) { return near(rgb(s, SCENE_X, SCENE_Y), SHOWN_BLUE); }, shot));
    // Tab shows the gallery: page 1 was the first page reached, cell (24, 0), doubled.
    p.keys("Tab");
    EXPECT_TRUE(wait_for_screen(x, [&](IMAGE* s) { return rgb(s, 60, 12) != gallery_cell; }, shot));
    p.keys("Tab");
    EXPECT_TRUE(wait_for_screen(x, [&](IMAGE* s) { return rgb(s, 60, 12) == gallery_cell; }, shot));
    // Backspace shows the progress text on text rows 4 and 5 (screen rows 48 to 79).
    IMAGE* before = screenshot(x);
    auto progress_rows_changed = [&](IMAGE* s) {
        for (int yy = 48; yy < 80; ++yy)
            for (int xx = 0; xx < 640; xx += 2)
                if (rgb(s, xx, yy) != rgb(before, xx, yy)) return true;
        return false;
    };
    p.keys("BackSpace");
    EXPECT_TRUE(wait_for_screen(x, progress_rows_changed, shot));
    p.keys("BackSpace");
    EXPECT_TRUE(wait_for_screen(x, [&](IMAGE* s) { return !progress_rows_changed(s); }, shot));
    // A key that matches nothing, and the close button, keep the page.
    p.keys("q Return");
    p.close_button();
    p.keys("b");
    EXPECT_TRUE(wait_for_screen(x, [](IMAGE* s) { return near(rgb(s, SCENE_X, SCENE_Y), SHOWN_RED); }, shot));
    EXPECT_TRUE(p.running());
    p.keys("Escape");
    EXPECT_EQ(p.wait_exit(), 0) << p.err();
    EXPECT_EQ(p.err(), "");
    image_destroy(shot);
    image_destroy(before);
}

TEST(Brindle, PlaysAStoryFolderNamedFromAnotherFolder) {
    StoryTree story;
    const fs::path elsewhere = temp_dir("elsewhere");
    XServer x;
    Program p(x, brindle(), elsewhere, {story.root.string()});
    ASSERT_FALSE(p.window().empty()) << p.err();
    IMAGE* shot = nullptr;
    EXPECT_TRUE(wait_for_screen(x, [](IMAGE* s) { return near(rgb(s, SCENE_X, SCENE_Y), SHOWN_RED); }, shot));
    p.keys("n");
    EXPECT_TRUE(wait_for_screen(x, [](IMAGE* s) { return near(rgb(s, SCENE_X, SCENE_Y), SHOWN_BLUE); }, shot));
    p.keys("Escape");
    EXPECT_EQ(p.wait_exit(), 0) << p.err();
    image_destroy(shot);
    fs::remove_all(elsewhere);
}

TEST(Brindle, AFolderWithoutAStoryIsRefusedBeforeAnyWindow) {
    const fs::path empty = temp_dir("nostory");
    // No X server at all: trying to open a window would end in error 1.
    for (const fs::path& folder : {empty / "missing", empty}) {
        std::string err;
        const int status = shell(":4095", brindle() + " '" + folder.string() + "' 2>&1", &err);
        EXPECT_EQ(status, 2) << err;
        EXPECT_NE(err.find(folder.string()), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
    fs::remove_all(empty);
}

TEST(Brindle, EmptyStoryEndsAtOnce) {
    StoryTree story;
    fs::remove_all(story.root / "Brindle/Assets/Pages");
    fs::create_directories(story.root / "Brindle/Assets/Pages");
    XServer x;
    Program p(x, brindle(), story.root);
    EXPECT_EQ(p.wait_exit(), 0);
}

TEST(Brindle, MissingFontSheetIsTheNullReport) {
    StoryTree story;
    fs::remove(story.root / "Brindle/Assets/Fonts/mishap22.alpha.png");
    XServer x;
    Program p(x, brindle(), story.root);
    EXPECT_EQ(p.wait_exit(), 7);
    EXPECT_NE(p.err().find("Aborting due to runtime error 7 (null pointer access) at line"), std::string::npos) << p.err();
    EXPECT_NE(p.err().find("of Paging Module::RENDER_TEXT()"), std::string::npos) << p.err();
}

TEST(Brindle, AnOptionOutOfTheStoryIsTheBoundsReport) {
    StoryTree story;
    XServer x;
    Program p(x, brindle(), story.root);
    ASSERT_FALSE(p.window().empty());
    p.keys("z");
    EXPECT_EQ(p.wait_exit(), 6);
    EXPECT_NE(p.err().find("(out of bounds array access)"), std::string::npos) << p.err();
}

namespace {
struct Demo {
    std::string name;
    int tile_x, tile_y;  // where the tile lies
    int w, h;            // the box the green diagonals cross
};

void demo_runs(const Demo& d, const std::string& last_key) {
    XServer x;
    Program p(x, (bin_dir() / d.name).string(), source_dir());
    ASSERT_FALSE(p.window().empty()) << p.err();
    IMAGE* shot = nullptr;
    ASSERT_TRUE(wait_for_screen(x, [](IMAGE* s) { return rgb(s, 0, 0) == 0x00FF00; }, shot));
    // Both diagonals run corner to corner of the box (where Patchwise's tile,
    // drawn last, does not cover them).
    auto line_at = [&](int px, int py) {
        const bool under_tile = d.tile_x > 0 && px >= d.tile_x && py >= d.tile_y;
        return under_tile || rgb(shot, px, py) == 0x00FF00u;
    };
    EXPECT_TRUE(line_at(d.w - 1, d.h - 1));
    EXPECT_TRUE(line_at(d.w - 1, 0));
    EXPECT_TRUE(line_at(0, d.h - 1));
    EXPECT_TRUE(line_at(d.w / 2, d.h / 2 - 1) || line_at(d.w / 2, d.h / 2));
    EXPECT_TRUE(line_at(d.w / 4, d.h / 4 - 1) || line_at(d.w / 4, d.h / 4));
    EXPECT_NE(rgb(shot, d.tile_x + 40, d.tile_y + 7), 0u);  // the tile
    EXPECT_EQ(rgb(shot, 600, 470), 0u);                      // and nothing outside
    p.keys(last_key);
    EXPECT_EQ(p.wait_exit(), 0) << p.err();
    image_destroy(shot);
}
}  // namespace

TEST(Demos, BothShowTheirTileAndEndAfterAKey) {
    demo_runs({"Quiltify", 0, 0, 256, 192}, "a");
    demo_runs({"Quiltify", 0, 0, 256, 192}, "Escape");
    demo_runs({"Patchwise", 64, 128, 320, 320}, "space");
    demo_runs({"Patchwise", 64, 128, 320, 320}, "Escape");
}

TEST(Demos, MissingMaskOrSpriteIsTheNullReport) {
    for (const char* missing : {"Code/Assets/Sprites/alpha mask.png", "Assets/Sprites/FTRS5756.png", "Assets/Sprites/PNDX2424.png"}) {
        fs::path root = temp_dir("demo");
        fs::copy(source_dir() / "Demo", root / "Demo", fs::copy_options::recursive);
        fs::remove(root / "Demo" / missing);
        for (const char* program : {"Quiltify", "Patchwise"}) {
            const bool uses = std::string(missing).find("mask") != std::string::npos ||
                              std::string(missing).find(program[0] == 'Q' ? "FTRS" : "PNDX") != std::string::npos;
            if (!uses) continue;
            XServer x;
            Program p(x, (bin_dir() / program).string(), root);
            EXPECT_EQ(p.wait_exit(), 7) << program << " without " << missing;
            EXPECT_NE(p.err().find("(null pointer access)"), std::string::npos) << p.err();
        }
        fs::remove_all(root);
    }
}
