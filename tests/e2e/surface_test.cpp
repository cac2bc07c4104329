#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "harness.h"

using namespace e2e;

namespace {
std::string probe() { return (bin_dir() / "surface_probe").string(); }

// Waits until the probe has printed `lines` KEY lines.
std::string keys_seen(Program& p, size_t lines) {
    for (int i = 0; i < 200; ++i) {
        std::string out = p.out();
        size_t n = 0;
        for (size_t at = 0; (at = out.find("KEY ", at)) != std::string::npos; ++at) ++n;
        if (n >= lines) return out;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return p.out();
}
}  // namespace

TEST(Surface, ShowsPixelsAndConsoleTextInARealWindow) {
    XServer x;
    Program p(x, probe(), temp_dir("probe"));
    ASSERT_FALSE(p.window().empty()) << p.err();
    IMAGE* shot = nullptr;
    ASSERT_TRUE(wait_for_screen(x, [](IMAGE* s) { return rgb(s, 10, 10) == 0xFF0000; }, shot));
    EXPECT_EQ(rgb(shot, 109, 59), 0xFF0000u);
    EXPECT_EQ(rgb(shot, 110, 59), 0x000000u);
    EXPECT_EQ(rgb(shot, 200, 100), 0x00FF00u);
    // Console text: row 20, column 3 is the cell at (16, 152); "P" has ink
    // in its first pixel column and the background around it.
    int ink = 0, background = 0;
    for (int y = 152; y < 160; ++y)
        for (int xx = 16; xx < 24; ++xx) {
            uint32_t c = rgb(shot, xx, y);
            ink += c == 0xFFFFFF;
            background += c == 0x000080;
        }
    EXPECT_GT(ink, 8);
    EXPECT_GT(background, 20);
    EXPECT_EQ(ink + background, 64);
    image_destroy(shot);
    p.keys("Escape");
    EXPECT_EQ(p.wait_exit(), 0);
}

TEST(Surface, KeyStringsFromRealKeyPresses) {
    XServer x;
    Program p(x, probe(), temp_dir("probe"));
    ASSERT_FALSE(p.window().empty());
    p.keys("a shift+n Tab BackSpace Return space Up F1 Delete ctrl+c");
    p.close_button();
    std::string out = keys_seen(p, 11);
    EXPECT_NE(out.find("KEY 61\nKEY 4e\nKEY 09\nKEY 08\nKEY 0d\nKEY 20\nKEY ff48\nKEY ff3b\nKEY ff53\nKEY 03\nKEY ff6b\n"),
              std::string::npos)
        << out;
    EXPECT_TRUE(p.running());  // the close button is a key, not an exit
    p.keys("Escape");
    EXPECT_EQ(p.wait_exit(), 0);
    EXPECT_EQ(p.err(), "");
}

TEST(Surface, EachKeyIsSeenAndShown) {
    XServer x;
    Program p(x, probe(), temp_dir("probe"));
    ASSERT_FALSE(p.window().empty());
    p.keys("x y z");
    IMAGE* shot = nullptr;
    EXPECT_TRUE(wait_for_screen(x, [](IMAGE* s) { return rgb(s, 16, 475) == 0xFFFFFF; }, shot));
    EXPECT_EQ(rgb(shot, 24, 475), 0u);
    image_destroy(shot);
}

TEST(Surface, NoDisplayIsTheFatalReportNotACrash) {
    XServer x;  // only to build a Program; the probe is pointed at a display that does not exist
    std::string out;
    int status = shell(":", "cd /tmp && DISPLAY=:4095 timeout 20 " + probe() + " 2>&1", &out);
    EXPECT_EQ(status, 1);
    EXPECT_NE(out.find("Aborting due to runtime error 1 (illegal function call) at line"), std::string::npos) << out;
    EXPECT_NE(out.find("of Core::CORE_STARTUP()"), std::string::npos) << out;
}

// SDL wakes its own wait with a message to the window over a second
// connection; when the key that closes the window is the one it woke for,
// the server's "no such window" can come back after the window has gone.
// The probe leaves such an answer to be read as it exits: the exit stays 0.
TEST(Surface, AnAnswerAboutAWindowThatIsGoneDoesNotFailTheExit) {
    XServer x;
    Program p(x, probe(), temp_dir("probe"), {"--stale-message"});
    ASSERT_FALSE(p.window().empty()) << p.err();
    p.keys("Escape");
    EXPECT_EQ(p.wait_exit(), 0) << p.err();
    EXPECT_EQ(p.err(), "");
}
