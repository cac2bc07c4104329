// brindle-story render against the real player: every PNG it writes equals,
// pixel for pixel, a screenshot of Brindle after the same keys, pressed for
// real in a window of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "../fixtures/reach_story.h"
#include "harness.h"
#include "image_file.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {
std::string story_tool() { return (bin_dir() / "brindle-story").string(); }

// The keys a render line names ("... after the keys: n s tab"), as xdotool
// names the keys that give them.
std::string xdotool_keys(const std::string& line) {
    const std::string mark = "after the keys: ";
    const size_t at = line.find(mark);
    if (at == std::string::npos) return "";
    std::istringstream in(line.substr(at + mark.size()));
    std::string keys, name;
    while (in >> name) {
        if (name == "none") break;
        const std::string x = name == "tab"         ? "Tab"
                              : name == "backspace" ? "BackSpace"
                              : name == "space"     ? "space"
                              : name == "enter"     ? "Return"
                                                    : name;
        keys += (keys.empty() ? "" : " ") + x;
    }
    return keys;
}

size_t differing_pixels(IMAGE* shot, IMAGE* frame) {
    if (!shot || !frame || shot->WIDTH != frame->WIDTH || shot->HEIGHT != frame->HEIGHT) return SIZE_MAX;
    size_t n = 0;
    for (uint32_t y = 0; y < frame->HEIGHT; ++y)
        for (uint32_t x = 0; x < frame->WIDTH; ++x)
            n += (image_row(shot, y)[x] & 0xFFFFFF) != (image_row(frame, y)[x] & 0xFFFFFF);
    return n;
}

// Plays `keys` in Brindle on `story` and waits for its window to show `png`.
void expect_player_shows(const fs::path& story, const std::string& keys, const fs::path& png, const std::string& what) {
    IMAGE* frame = LoadRGBAFile(png.c_str());
    ASSERT_NE(frame, nullptr) << what;
    XServer x;  // a server of its own: a window left behind cannot take the keys
    Program p(x, (bin_dir() / "Brindle").string(), story);
    ASSERT_FALSE(p.window().empty()) << p.err();
    if (!keys.empty()) p.keys(keys);
    IMAGE* shot = nullptr;
    const bool same = wait_for_screen(x, [&](IMAGE* s) { return differing_pixels(s, frame) == 0; }, shot, 10);
    EXPECT_TRUE(same) << what << " (keys '" << keys << "'): " << differing_pixels(shot, frame)
                      << " pixels differ from the render";
    image_destroy(shot);
    image_destroy(frame);
    p.keys("Escape");
    EXPECT_EQ(p.wait_exit(), 0) << p.err();
}
}  // namespace

TEST(Render, EveryFrameIsTheFrameThePlayerShows) {
    const fs::path out = temp_dir("render");
    const fs::path story = source_dir();  // the sample story, as shipped
    // The start, pages deep in the story by the checker's keys, the gallery
    // and the progress alone and together, and keys given by hand.
    const std::vector<std::string> cases = {
        "--page 0",
        "--page 5 --gallery --progress",
        "--page 13 --gallery",
        "--page 16 --progress",
        "--page 21",
        "--keys 'e tab f r b' --page 3",
        "--page 0 --progress --gallery",
    };
    int n = 0;
    for (const std::string& args : cases) {
        const fs::path png = out / ("frame" + std::to_string(n++) + ".png");
        std::string line;
        const int status =
            shell("", story_tool() + " render '" + story.string() + "' " + args + " -o '" + png.string() + "' 2>&1", &line);
        ASSERT_EQ(status, 0) << args << ": " << line;
        expect_player_shows(story, xdotool_keys(line), png, args);
    }
    fs::remove_all(out);
}

TEST(Render, AllPagesAndTheContactSheet) {
    const fs::path out = temp_dir("render-all");
    const fs::path story = out / "story";
    reach_story::write(story, source_dir() / "Brindle" / "Assets");
    std::string log;
    // Page 5 of the fixture is unreachable: said so, and the others written.
    EXPECT_EQ(shell("", story_tool() + " render '" + story.string() + "' --all -o '" + (out / "pages").string() + "' 2>&1", &log), 0)
        << log;
    EXPECT_NE(log.find("page 5 cannot be reached"), std::string::npos) << log;
    std::vector<std::string> written;
    for (const auto& e : fs::directory_iterator(out / "pages")) written.push_back(e.path().filename().string());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string>{"page-0.png", "page-1.png", "page-2.png", "page-3.png", "page-4.png",
                                                 "page-6.png"}));
    // Page 6 is reached by Backspace, an option key on page 0: one run of
    // the player shows it as --all wrote it.
    std::string line;
    ASSERT_EQ(shell("", story_tool() + " render '" + story.string() + "' --page 6 -o '" + (out / "six.png").string() + "'", &line), 0);
    expect_player_shows(story, xdotool_keys(line), out / "pages" / "page-6.png", "page 6 from --all");

    ASSERT_EQ(shell("", story_tool() + " render '" + story.string() + "' --sheet '" + (out / "sheet.png").string() + "' --columns 3 2>&1", &log), 0)
        << log;
    IMAGE* sheet = LoadRGBAFile((out / "sheet.png").c_str());
    ASSERT_NE(sheet, nullptr);
    // Seven pages, three to a row: three rows of 320 x 240 cells with their labels.
    EXPECT_EQ(sheet->WIDTH, 16u + 3 * (320 + 16));
    EXPECT_EQ(sheet->HEIGHT, 16u + 3 * (240 + 16 + 16));
    // The first cell is page 0's frame halved (the frame doubles every pixel
    // of the composition); page 5, last in the second row, is a grey cell.
    IMAGE* page0 = LoadRGBAFile((out / "pages" / "page-0.png").c_str());
    ASSERT_NE(page0, nullptr);
    size_t differ = 0;
    for (int y = 0; y < 240; y += 3)
        for (int x = 0; x < 320; x += 3) differ += rgb(sheet, 16 + x, 16 + y) != rgb(page0, 2 * x, 2 * y);
    EXPECT_EQ(differ, 0u);
    EXPECT_EQ(rgb(sheet, 16 + 2 * 336 + 10, 16 + 272 + 10), 0x3A3F45u);
    image_destroy(page0);
    image_destroy(sheet);
    fs::remove_all(out);
}

TEST(Render, WhatCannotBeRenderedIsSaidWithItsStatus) {
    const fs::path out = temp_dir("render-bad");
    const fs::path story = out / "story";
    reach_story::write(story, source_dir() / "Brindle" / "Assets");
    std::ofstream(story / "Brindle/Assets/Pages/6.seq", std::ios::binary) << "Six\n0,0,p6\nx,0,0,Back\nz,9,0,Nowhere\n,,,\n,,,\nPage six.\n";
    const std::string cmd = story_tool() + " render '" + story.string() + "' ";
    const std::string png = " -o '" + (out / "x.png").string() + "' 2>&1";
    struct Case {
        std::string args;
        int status;
        std::string says;
    };
    const std::vector<Case> cases = {
        {"--page 5" + png, 1, "page 5 cannot be reached"},
        {"--page 9" + png, 1, "page 9 has no page file"},
        {"--keys 'backspace z'" + png, 1, "key 2 (z) on page 6 ends the story: Aborting due to runtime error 6"},
        {"--keys 'a x' --page 2" + png, 1, "the keys end on page 0, not on page 2"},
        {"--keys 'a escape'" + png, 1, "escape"},
        // Backspace leads away from page 0, so the progress cannot be shown there.
        {"--page 0 --progress" + png, 1, "backspace is an option key (it leads to page 6)"},
        {"--keys 'a nosuchkey'" + png, 2, "\"nosuchkey\" is not a key name"},
        {"--page 1 2>&1", 2, "-o FILE.png is required"},
        {"--all --page 1" + png, 2, "excludes"},
    };
    for (const Case& c : cases) {
        std::string err;
        EXPECT_EQ(shell("", cmd + c.args, &err), c.status) << c.args << ": " << err;
        EXPECT_NE(err.find(c.says), std::string::npos) << c.args << ": " << err;
    }
    std::string err;
    EXPECT_EQ(shell("", story_tool() + " render '" + (out / "nothing").string() + "' --page 0" + png, &err), 2);
    EXPECT_NE(err.find("no story in"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(out / "x.png"));
    fs::remove_all(out);
}
