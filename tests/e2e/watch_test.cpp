// Brindle --watch in a real window: an edit to the current page shows within
// a second without a key, a deleted page sends the reader to page 0, a page
// that no longer loads changes nothing, and watching costs no CPU, also with
// a folder linked to itself in the story. Without
// --watch nothing changes. The frames expected are brindle-story's renders
// of the edited story.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "harness.h"
#include "image_file.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {
double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string read(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

// A copy of the sample story that the test may edit.
fs::path copy_story(const fs::path& root) {
    fs::create_directories(root / "Brindle");
    fs::copy(source_dir() / "Brindle" / "Assets", root / "Brindle" / "Assets", fs::copy_options::recursive);
    return root;
}

const char* const VILLAGE = "Brindle/Assets/Pages/1 village.seq";

std::string retitled(const std::string& page) { return "Brindle Hollow, Edited" + page.substr(page.find('\n')); }

// The frame render makes of `story` after `args`.
IMAGE* rendered(const fs::path& story, const std::string& args) {
    const fs::path png = story / "expected.png";
    std::string out;
    const int status = shell("", (bin_dir() / "brindle-story").string() + " render '" + story.string() + "' " + args +
                                     " -o '" + png.string() + "' 2>&1", &out);
    EXPECT_EQ(status, 0) << out;
    IMAGE* img = LoadRGBAFile(png.c_str());
    fs::remove(png);
    return img;
}

bool same(IMAGE* a, IMAGE* b) {
    if (!a || !b || a->WIDTH != b->WIDTH || a->HEIGHT != b->HEIGHT) return false;
    for (uint32_t y = 0; y < a->HEIGHT; ++y)
        for (uint32_t x = 0; x < a->WIDTH; ++x)
            if ((image_row(a, y)[x] & 0xFFFFFF) != (image_row(b, y)[x] & 0xFFFFFF)) return false;
    return true;
}

// Seconds from `since` to the start of the first screenshot that shows
// `frame`, or -1 when none does within `seconds`.
double seconds_until_shown(const XServer& x, IMAGE* frame, double since, double seconds) {
    while (now() < since + seconds) {
        const double taken = now();
        IMAGE* shot = screenshot(x);
        const bool match = same(shot, frame);
        image_destroy(shot);
        if (match) return taken - since;
    }
    return -1;
}

// CPU time a thread or process has used, in nanoseconds (the scheduler's own count).
uint64_t cpu_ns(const std::string& task) {
    uint64_t ns = 0;
    std::ifstream(task + "/schedstat") >> ns;
    return ns;
}
}  // namespace

TEST(Watch, EditsShowWithoutAKeyAndBrokenFilesChangeNothing) {
    const fs::path base = temp_dir("watch");
    const fs::path story = copy_story(base / "live");
    const std::string village = read(story / VILLAGE);
    // Folders linked to themselves, which a watcher walking folders never
    // leaves (two give it twice as much to walk at every level).
    fs::create_directory_symlink(".", story / "Brindle/Assets/Sprites/a");
    fs::create_directory_symlink("..", story / "Brindle/Assets/Sprites/npc/b");
    // The frames to expect, rendered beforehand from edited copies.
    const fs::path edited = copy_story(base / "edited");
    std::ofstream(edited / VILLAGE, std::ios::binary) << retitled(village);
    IMAGE* before = rendered(story, "--keys n");
    IMAGE* after_edit = rendered(edited, "--keys n");
    fs::remove(edited / VILLAGE);
    IMAGE* after_delete = rendered(edited, "--page 0");
    ASSERT_FALSE(same(before, after_edit));

    XServer x;
    Program p(x, (bin_dir() / "Brindle").string(), story, {"--watch"});
    ASSERT_FALSE(p.window().empty()) << p.err();
    p.keys("n");
    ASSERT_GE(seconds_until_shown(x, before, now(), 10), 0) << p.err();

    // The title of the page on screen changes on disk.
    double written = now();
    std::ofstream(story / VILLAGE, std::ios::binary) << retitled(village);
    const double shown = seconds_until_shown(x, after_edit, written, 5);
    EXPECT_GE(shown, 0) << p.err();
    EXPECT_LT(shown, 1.0);
    RecordProperty("seconds_until_the_edit_shows", std::to_string(shown));

    // The page goes: back to page 0, with a line that says why.
    fs::remove(story / VILLAGE);
    EXPECT_GE(seconds_until_shown(x, after_delete, now(), 5), 0) << p.err();
    EXPECT_NE(p.err().find("page 1 is gone: back to page 0"), std::string::npos) << p.err();

    // A page that no longer loads: the loader's reason, and the story stays.
    std::ofstream(story / "Brindle/Assets/Pages/30 broken.seq", std::ios::binary) << "Broken\n-1,0,none\n";
    written = now();
    while (p.err().find("not reloaded") == std::string::npos && now() < written + 5)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_NE(p.err().find("not reloaded, the story stays as it was: Character and item counts must be 0 to 4096"),
              std::string::npos)
        << p.err();
    EXPECT_GE(seconds_until_shown(x, after_delete, now(), 2), 0);
    EXPECT_TRUE(p.running());

    // Idle: the watching thread is never scheduled, and the whole program
    // stays within what its window's own wake-ups cost.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const std::string proc = "/proc/" + std::to_string(p.pid());
    std::string watcher;
    for (const auto& task : fs::directory_iterator(proc + "/task"))
        if (read(task.path() / "comm").rfind("file watch", 0) == 0) watcher = task.path().string();
    ASSERT_FALSE(watcher.empty()) << "no thread named 'file watch'";
    uint64_t process0 = 0;
    for (const auto& task : fs::directory_iterator(proc + "/task")) process0 += cpu_ns(task.path().string());
    const uint64_t watcher0 = cpu_ns(watcher);
    std::this_thread::sleep_for(std::chrono::seconds(3));
    uint64_t process1 = 0;
    for (const auto& task : fs::directory_iterator(proc + "/task")) process1 += cpu_ns(task.path().string());
    EXPECT_EQ(cpu_ns(watcher), watcher0);
    EXPECT_LT(process1 - process0, 30'000'000u) << "over 1% of a core while idle";

    p.keys("Escape");
    EXPECT_EQ(p.wait_exit(), 0) << p.err();
    for (IMAGE* img : {before, after_edit, after_delete}) image_destroy(img);
    fs::remove_all(base);
}

TEST(Watch, WithoutWatchNothingChanges) {
    const fs::path base = temp_dir("nowatch");
    const fs::path story = copy_story(base / "live");
    IMAGE* before = rendered(story, "--keys n");
    XServer x;
    Program p(x, (bin_dir() / "Brindle").string(), story);
    ASSERT_FALSE(p.window().empty()) << p.err();
    p.keys("n");
    ASSERT_GE(seconds_until_shown(x, before, now(), 10), 0) << p.err();
    const std::string village = retitled(read(story / VILLAGE));
    std::ofstream(story / VILLAGE, std::ios::binary) << village;
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    IMAGE* shot = screenshot(x);
    EXPECT_TRUE(same(shot, before));
    image_destroy(shot);
    EXPECT_EQ(p.err(), "");
    p.keys("Escape");
    EXPECT_EQ(p.wait_exit(), 0);
    image_destroy(before);
    fs::remove_all(base);
}

TEST(Watch, TheCommandLine) {
    const std::string brindle = (bin_dir() / "Brindle").string();
    std::string out;
    // No X server at all: each answers before any window would open.
    EXPECT_EQ(shell(":4095", brindle + " --help 2>&1", &out), 0);
    EXPECT_NE(out.find("--watch"), std::string::npos) << out;
    EXPECT_NE(out.find("STORY_FOLDER"), std::string::npos) << out;
    EXPECT_EQ(shell(":4095", brindle + " --version 2>&1", &out), 0);
    EXPECT_EQ(out, "Brindle 1.0\n");
    EXPECT_EQ(shell(":4095", brindle + " --bogus 2>&1", &out), 2);
    EXPECT_NE(out.find("--bogus"), std::string::npos) << out;
    EXPECT_EQ(shell(":4095", brindle + " a b 2>&1", &out), 2);
    EXPECT_EQ(shell(":4095", brindle + " --watch /nonexistent/story 2>&1", &out), 2);
    EXPECT_EQ(out, "Brindle: cannot play \"/nonexistent/story\": no such folder\n");
}
