// brindle-story new as an author starts with it: the story it writes checks
// clean, its play-through passes, every page renders, and the real player
// shows the very frame the play-through stored. A folder with anything in
// it is refused and left as it was.
#include <gtest/gtest.h>

#include "harness.h"
#include "image_file.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {
std::string story_tool() { return (bin_dir() / "brindle-story").string(); }

}  // namespace

TEST(NewStory, ChecksCleanPlaysThroughAndRendersEveryPage) {
    const fs::path dir = temp_dir("new-story");
    const std::string story = (dir / "my story").string();  // a blank in the name, and a folder not there yet
    std::string out;
    ASSERT_EQ(shell("", story_tool() + " new '" + story + "'", &out), 0) << out;
    for (const char* f : {"README.txt", "playthrough.play", "frames/lane.png", "frames/meadow.png", "frames/home.png",
                          "Brindle/Assets/Fonts/mishap22.alpha.png", "Brindle/Assets/Pages/0 lane.seq"})
        EXPECT_TRUE(fs::is_regular_file(fs::path(story) / f)) << f;

    EXPECT_EQ(shell("", story_tool() + " check '" + story + "'", &out), 0) << out;
    EXPECT_NE(out.find("0 errors, 0 warnings, 0 notes; 3 of 3 pages reachable"), std::string::npos) << out;
    EXPECT_NE(out.find("1 ending (page 2)"), std::string::npos) << out;
    EXPECT_EQ(shell("", story_tool() + " play '" + story + "' '" + story + "/playthrough.play'", &out), 0) << out;
    EXPECT_NE(out.find("all passed"), std::string::npos) << out;
    EXPECT_EQ(shell("", story_tool() + " render '" + story + "' --all -o '" + (dir / "pages").string() + "/'", &out), 0) << out;
    for (const char* png : {"page-0.png", "page-1.png", "page-2.png"}) EXPECT_TRUE(fs::is_regular_file(dir / "pages" / png)) << png;

    // The player shows the frame the play-through stored.
    {
        XServer x;
        Program p(x, (bin_dir() / "Brindle").string(), dir, {story});
        ASSERT_FALSE(p.window().empty()) << p.err();
        IMAGE* stored = LoadRGBAFile((fs::path(story) / "frames" / "lane.png").c_str());
        ASSERT_TRUE(stored);
        IMAGE* shot = nullptr;
        EXPECT_TRUE(wait_for_screen(x, [&](IMAGE* s) { return differing(s, stored) == 0; }, shot, 15))
            << differing(shot, stored) << " pixels differ";
        image_destroy(shot);
        image_destroy(stored);
        p.keys("Escape");
        EXPECT_EQ(p.wait_exit(), 0) << p.err();
    }

    // Anything in the folder, a hidden file too, and nothing is written.
    const fs::path taken = dir / "taken";
    write_file(taken / ".keep", "");
    EXPECT_EQ(shell("", story_tool() + " new '" + taken.string() + "' 2>&1", &out), 2) << out;
    EXPECT_NE(out.find("is not empty"), std::string::npos) << out;
    EXPECT_EQ(std::distance(fs::directory_iterator(taken), fs::directory_iterator()), 1);
    fs::remove_all(dir);
}
