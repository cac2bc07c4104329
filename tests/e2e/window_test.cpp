// Brindle's window at other sizes: resized, and full screen on a larger
// screen, it shows every frame scaled by a whole step, each pixel repeated
// exactly, centred on black. Alt+Enter switches full screen and reaches no
// program as a key.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "harness.h"

using namespace e2e;

namespace {
constexpr int W = 640, H = 480;

// The desktop engine's frames for the sample story: the first, then one
// after each key (brindle-story key names), RGBA.
std::vector<std::string> reference_frames(const std::vector<std::string>& keys) {
    const auto dir = temp_dir("frames");
    const std::string out = (dir / "frames.rgba").string();
    std::string command = (bin_dir() / "web_reference_frames").string() + " '" + source_dir().string() + "' " + out;
    for (const std::string& k : keys) command += " " + k;
    std::vector<std::string> frames;
    if (std::system(command.c_str()) == 0) {
        std::ifstream in(out, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        for (size_t at = 0; at + size_t(W) * H * 4 <= bytes.size(); at += size_t(W) * H * 4)
            frames.push_back(bytes.substr(at, size_t(W) * H * 4));
    }
    std::filesystem::remove_all(dir);
    return frames;
}

// How many pixels of the screen differ from `frame` scaled k times with its
// top-left corner at (x0, y0), everything around it black.
long misplaced(IMAGE* shot, const std::string& frame, int k, int x0, int y0) {
    long wrong = 0;
    for (int y = 0; y < int(shot->HEIGHT); ++y)
        for (int x = 0; x < int(shot->WIDTH); ++x) {
            const int fx = x - x0, fy = y - y0;
            uint32_t want = 0;
            if (fx >= 0 && fy >= 0 && fx < k * W && fy < k * H) {
                const auto* p = reinterpret_cast<const unsigned char*>(frame.data()) + (size_t(fy / k) * W + fx / k) * 4;
                want = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
            }
            wrong += rgb(shot, x, y) != want;
        }
    return wrong;
}

// Waits for the screen to show `frame` so; the last count of wrong pixels.
long shows(const XServer& x, const std::string& frame, int k, int x0, int y0) {
    IMAGE* shot = nullptr;
    long wrong = -1;
    wait_for_screen(x, [&](IMAGE* s) { return (wrong = misplaced(s, frame, k, x0, y0)) == 0; }, shot);
    image_destroy(shot);
    return wrong;
}
}  // namespace

TEST(Window, ResizedTo1280By960EveryFrameIsDoubledExactly) {
    const std::vector<std::string> keys = {"n", "tab", "m", "backspace"};
    const auto frames = reference_frames(keys);
    ASSERT_EQ(frames.size(), keys.size() + 1);
    XServer x(1280, 960);
    Program p(x, (bin_dir() / "Brindle").string(), source_dir());
    ASSERT_FALSE(p.window().empty()) << p.err();
    ASSERT_EQ(shows(x, frames[0], 1, 320, 240), 0) << "the 640 x 480 window, centred";
    const std::string id = p.window();  // asked again: SDL may have replaced its first window
    shell(x.display(), "xdotool windowmove " + id + " 0 0 windowsize " + id + " 1280 960");
    EXPECT_EQ(shows(x, frames[0], 2, 0, 0), 0) << "the first frame";
    const char* const pressed[] = {"n", "Tab", "m", "BackSpace"};
    for (size_t i = 0; i < keys.size(); ++i) {
        p.keys(pressed[i]);
        EXPECT_EQ(shows(x, frames[i + 1], 2, 0, 0), 0) << "after " << keys[i];
    }
    // Between whole steps the frame stays doubled, centred on black.
    shell(x.display(), "xdotool windowsize " + p.window() + " 1279 960");
    EXPECT_EQ(shows(x, frames.back(), 1, 319, 240), 0) << "one pixel short of two steps";
    p.keys("Escape");
    EXPECT_EQ(p.wait_exit(), 0);
}

TEST(Window, FullScreenOnA1920By1080ScreenIsDoubledAndCentredAndAltEnterLeavesIt) {
    const auto frames = reference_frames({"n"});
    ASSERT_EQ(frames.size(), 2u);
    XServer x(1920, 1080);
    Program p(x, (bin_dir() / "Brindle").string(), source_dir(), {"--fullscreen"});
    ASSERT_FALSE(p.window().empty()) << p.err();
    EXPECT_EQ(shows(x, frames[0], 2, 320, 60), 0);
    p.keys("n");
    EXPECT_EQ(shows(x, frames[1], 2, 320, 60), 0);
    // Back to a 640 x 480 window, centred: the same frame, pixel for pixel.
    p.keys("alt+Return");
    IMAGE* shot = nullptr;
    long wrong = -1;
    EXPECT_TRUE(wait_for_screen(x, [&](IMAGE* s) {
        wrong = 0;
        for (int y = 0; y < H; ++y)
            for (int xx = 0; xx < W; ++xx) {
                const auto* q = reinterpret_cast<const unsigned char*>(frames[1].data()) + (size_t(y) * W + xx) * 4;
                wrong += rgb(s, 640 + xx, 300 + y) != (uint32_t(q[0]) << 16 | uint32_t(q[1]) << 8 | q[2]);
            }
        return wrong == 0;
    }, shot)) << wrong << " pixels differ";
    image_destroy(shot);
    p.keys("alt+Return");
    EXPECT_EQ(shows(x, frames[1], 2, 320, 60), 0) << "full screen again";
    p.keys("Escape");
    EXPECT_EQ(p.wait_exit(), 0);
}

TEST(Window, AltEnterIsNoKeyOfTheProgram) {
    XServer x(1280, 960);
    Program p(x, (bin_dir() / "surface_probe").string(), temp_dir("probe"), {"--resizable"});
    ASSERT_FALSE(p.window().empty()) << p.err();
    p.keys("alt+Return a Return");
    std::string out;
    for (int i = 0; i < 200 && out.find("KEY 0d") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        out = p.out();
    }
    EXPECT_EQ(out.substr(out.find("KEY")), "KEY 61\nKEY 0d\n");
    p.keys("Escape");
    EXPECT_EQ(p.wait_exit(), 0);
}
