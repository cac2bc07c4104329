// The author's command on stories made to break it: whatever bytes and
// files a story holds, each command ends with its own exit status and one
// readable answer, never an abort or a hang.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "harness.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {
std::string tool() { return (bin_dir() / "brindle-story").string(); }
std::string quote(const fs::path& p) { return "'" + p.string() + "'"; }
}  // namespace

TEST(HostileTools, TextThatIsNotUtf8NeverStopsTheJsonCommands) {
    // An overlong form, a surrogate and a lead byte past U+10FFFF: in the
    // story folder's name, a page file's name and a title.
    const fs::path root = temp_dir("json-bytes") / "story \xC0\xAF \xED\xA0\x80";
    fs::create_directories(root / "Brindle");
    fs::copy(source_dir() / "Brindle" / "Assets", root / "Brindle" / "Assets", fs::copy_options::recursive);
    const fs::path pages = root / "Brindle" / "Assets" / "Pages";
    fs::rename(pages / "4 market.seq", pages / "4 market \xF5\x80\x80\x80.seq");
    write_file(pages / "2 meadow.seq", "Meadow \xF7\xBF\xBF\xBF \xC1\xBF\n0,0,meadow\nb,0,0,Back \xED\xBF\xBF\n,,,\n,,,\n,,,\nGrass.\n");
    for (const std::string command :
         {" check --json ", " stats --json ", " random --runs 3 --seed 1 --json ", " graph --format json "}) {
        std::string out;
        const int status = shell("", tool() + command + quote(root) + " 2>/dev/null", &out);
        EXPECT_TRUE(status == 0 || status == 1) << command << " ended with " << status;
        EXPECT_TRUE(nlohmann::json::accept(out)) << command << ": " << out.substr(0, 200);
    }
    fs::remove_all(root.parent_path());
}

TEST(HostileTools, GraphNeverRunsADotFromTheCurrentFolder) {
    // A story folder holding its own "dot", and a PATH whose empty and "."
    // entries would name it: the map is laid out by the system's Graphviz.
    const fs::path root = temp_dir("dot-path");
    fs::create_directories(root / "Brindle");
    fs::copy(source_dir() / "Brindle" / "Assets", root / "Brindle" / "Assets", fs::copy_options::recursive);
    write_file(root / "dot", "#!/bin/sh\ntouch ran-planted-dot\necho '<svg>planted</svg>'\n");
    fs::permissions(root / "dot", fs::perms::owner_all);
    for (const std::string path : {"::/usr/bin", ".:/usr/bin", "/usr/bin:.", "bin:/usr/bin"}) {
        std::string out;
        const int status = shell("", "cd " + quote(root) + " && PATH='" + path + "' " + tool() + " graph --format svg", &out);
        EXPECT_EQ(status, 0) << path;
        EXPECT_EQ(out.find("planted"), std::string::npos) << path;
        EXPECT_NE(out.find("<svg"), std::string::npos) << path;
        EXPECT_FALSE(fs::exists(root / "ran-planted-dot")) << path;
    }
    // With no absolute folder holding dot, it is said plainly.
    std::string out;
    EXPECT_EQ(shell("", "cd " + quote(root) + " && PATH=.: " + tool() + " graph --format svg 2>&1", &out), 1);
    EXPECT_NE(out.find("cannot run dot"), std::string::npos) << out;
    EXPECT_FALSE(fs::exists(root / "ran-planted-dot"));
    fs::remove_all(root);
}

TEST(HostileTools, PicturesThatAreDevicesOrTooLargeAreRefusedByEveryReader) {
    // The first page's scene a link to /dev/zero, a figure a link to
    // /dev/urandom, another figure a file past the size limit (sparse).
    const fs::path root = temp_dir("devices");
    fs::create_directories(root / "Brindle");
    fs::copy(source_dir() / "Brindle" / "Assets", root / "Brindle" / "Assets", fs::copy_options::recursive);
    const fs::path sprites = root / "Brindle" / "Assets" / "Sprites";
    const fs::path first = root / "Brindle" / "Assets" / "Pages" / "0 crossroads.seq";
    std::ifstream in(first, std::ios::binary);
    std::string page((std::istreambuf_iterator<char>(in)), {});
    const size_t line2 = page.find('\n') + 1;
    page.replace(line2, page.find('\n', line2) - line2, "2, 0, zero\nnpc = random\nnpc = huge");  // it had no figures
    write_file(first, page);
    fs::create_symlink("/dev/zero", sprites / "scene" / "zero.png");
    fs::create_symlink("/dev/urandom", sprites / "npc" / "random.png");
    { std::ofstream(sprites / "npc" / "huge.png"); }
    fs::resize_file(sprites / "npc" / "huge.png", (uint64_t(64) << 20) + 1);

    std::string out;
    EXPECT_EQ(shell("", tool() + " check " + quote(root) + " 2>&1", &out), 1) << out;
    for (const std::string why : {"zero.png is not read: a link that leaves the story",
                                   "random.png is not read: a link that leaves the story",
                                   "huge.png is not read: larger than 64 MB"})
        EXPECT_NE(out.find(why), std::string::npos) << out;
    const fs::path png = root / "page0.png";
    EXPECT_EQ(shell("", tool() + " render " + quote(root) + " --page 0 -o " + quote(png) + " 2>&1", &out), 0) << out;
    EXPECT_TRUE(fs::is_regular_file(png));
    if (fs::exists(bin_dir() / "brindle-web-player.html")) {
        const fs::path html = root / "story.html";
        EXPECT_EQ(shell("", tool() + " web --force " + quote(root) + " -o " + quote(html) + " 2>&1", &out), 0) << out;
        EXPECT_NE(out.find("not published: " + (sprites / "scene" / "zero.png").string() + ": a link that leaves the story"),
                  std::string::npos)
            << out;
        EXPECT_LT(fs::file_size(html), uint64_t(4) << 20);
    }
    // The player shows the page without them, says so, and ends on Escape.
    XServer x;
    Program brindle(x, (bin_dir() / "Brindle").string(), root);
    ASSERT_FALSE(brindle.window().empty()) << brindle.err();
    brindle.keys("Escape");
    EXPECT_EQ(brindle.wait_exit(), 0) << brindle.err();
    EXPECT_NE(brindle.err().find("Brindle: not read: ./Brindle/Assets/Sprites/scene/zero.png: a link that leaves the story"),
              std::string::npos)
        << brindle.err();
    fs::remove_all(root);
}
