// Every file the author's command writes, written as the real command writes
// it: a link planted at the output's name or at any temporary name is
// replaced, never written through; a frame name from a script cannot leave
// the script's folder; a full disk leaves the old file and a non-zero exit.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "harness.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {
std::string read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string tool() { return (bin_dir() / "brindle-story").string(); }

std::string quote(const fs::path& p) { return "'" + p.string() + "'"; }

// A copy of the sample story in `root`, and a script with one frame there.
void story_and_script(const fs::path& root, const std::string& frame_line) {
    fs::create_directories(root / "Brindle");
    fs::copy(source_dir() / "Brindle" / "Assets", root / "Brindle" / "Assets", fs::copy_options::recursive);
    write_file(root / "scripts" / "start.play", "expect page 0\n" + frame_line + "\n");
}

// Every way the command writes an output file, each to `out` in `dir`.
std::vector<std::pair<std::string, std::string>> writers(const fs::path& root, const fs::path& dir) {
    const std::string story = quote(root);
    return {
        {"render", tool() + " render " + story + " --page 0 -o " + quote(dir / "out.png")},
        {"graph", tool() + " graph " + story + " --format dot -o " + quote(dir / "out.dot")},
        {"random", tool() + " random " + story + " --runs 5 --seed 1 --graph " + quote(dir / "out.svg")},
        {"web", tool() + " web " + story + " -o " + quote(dir / "out.html")},
    };
}
}  // namespace

TEST(SafeWrites, LinksPlantedAtAnyNameAreReplacedNeverFollowed) {
    const fs::path root = temp_dir("safe-links");
    story_and_script(root, "frame frames/start.png");
    write_file(root / "victim", "keep me");
    const fs::path out = root / "out";
    fs::create_directories(out);
    for (const auto& [name, command] : writers(root, out)) {
        const std::string target = command.substr(command.rfind(' ') + 2, command.size() - command.rfind(' ') - 3);
        // At the output's own name, and at the fixed temporary names used before.
        fs::create_symlink(root / "victim", target);
        for (const std::string& temp : {target + ".writing", target + "." + std::to_string(getpid()) + ".tmp"})
            fs::create_symlink(root / "victim", temp);
        std::string said;
        if (name == "web" && !fs::exists(bin_dir() / "brindle-web-player.html")) continue;
        EXPECT_EQ(shell("", command + " 2>&1", &said), 0) << name << ": " << said;
        EXPECT_FALSE(fs::is_symlink(target)) << name;
        EXPECT_TRUE(fs::is_regular_file(target)) << name;
        EXPECT_EQ(read(root / "victim"), "keep me") << name;
    }
    // play, blessing a new frame and writing the frame a failing run got.
    const fs::path script = root / "scripts" / "start.play";
    fs::create_directories(root / "scripts" / "frames");
    fs::create_symlink(root / "victim", root / "scripts" / "frames" / "start.png.writing");
    std::string said;
    EXPECT_EQ(shell("", tool() + " play " + quote(root) + " " + quote(script) + " --bless 2>&1", &said), 0) << said;
    ASSERT_TRUE(fs::is_regular_file(root / "scripts" / "frames" / "start.png")) << said;
    // The stored frame made wrong, so that the run writes what it got.
    fs::copy_file(source_dir() / "tests" / "playthroughs" / "frames" / "village.png", root / "scripts" / "frames" / "start.png",
                  fs::copy_options::overwrite_existing);
    fs::create_symlink(root / "victim", root / "scripts" / "frames" / "start.got.png");
    fs::create_symlink(root / "victim", root / "scripts" / "frames" / "start.got.png.writing");
    EXPECT_EQ(shell("", tool() + " play " + quote(root) + " " + quote(script) + " 2>&1", &said), 1) << said;
    EXPECT_FALSE(fs::is_symlink(root / "scripts" / "frames" / "start.got.png"));
    EXPECT_TRUE(fs::is_regular_file(root / "scripts" / "frames" / "start.got.png"));
    EXPECT_EQ(read(root / "victim"), "keep me");
    fs::remove_all(root);
}

TEST(SafeWrites, AFrameNameCannotLeaveTheScriptsFolder) {
    const fs::path root = temp_dir("safe-frames");
    fs::create_directories(root / "Brindle");
    fs::copy(source_dir() / "Brindle" / "Assets", root / "Brindle" / "Assets", fs::copy_options::recursive);
    const fs::path outside = root / "outside";
    write_file(root / "scripts" / "bad.play", "expect page 0\nframe " + (outside / "abs.png").string() +
                                                  "\nframe ../../outside/up.png\nframe ok/../../x.png\n");
    for (const char* bless : {"", " --bless"}) {
        std::string said;
        EXPECT_EQ(shell("", tool() + " play " + quote(root) + " " + quote(root / "scripts" / "bad.play") + bless + " 2>&1", &said), 2)
            << said;
        for (const char* line : {"bad.play:2:", "bad.play:3:", "bad.play:4:"}) EXPECT_NE(said.find(line), std::string::npos) << said;
        EXPECT_NE(said.find("stays in the script's folder"), std::string::npos) << said;
    }
    EXPECT_FALSE(fs::exists(outside));
    // A folder on the way that is a link out of the script's folder.
    fs::create_directories(outside);
    fs::create_directory_symlink(outside, root / "scripts" / "frames");
    write_file(root / "scripts" / "linked.play", "frame frames/start.png\n");
    std::string said;
    EXPECT_EQ(shell("", tool() + " play " + quote(root) + " " + quote(root / "scripts" / "linked.play") + " --bless 2>&1", &said), 1)
        << said;
    EXPECT_NE(said.find("leads out of the script's folder"), std::string::npos) << said;
    EXPECT_TRUE(fs::is_empty(outside));
    fs::remove_all(root);
}

TEST(SafeWrites, NoCommandWritesOverAFileTheStoryReads) {
    // An output named, by a slip, as one of the story's own files: the file
    // is kept and the command says why, however the name is spelled.
    const fs::path root = temp_dir("safe-story-files");
    story_and_script(root, "frame frames/start.png");
    const std::string story = quote(root), assets = (root / "Brindle" / "Assets").string();
    const std::pair<std::string, std::string> writes[] = {
        {tool() + " render " + story + " --page 0 -o " + quote(assets + "/Sprites/scene/../scene/village.png"),
         assets + "/Sprites/scene/village.png"},
        {tool() + " render " + story + " --sheet " + quote(assets + "/Fonts/Fill.png"), assets + "/Fonts/Fill.png"},
        {tool() + " graph " + story + " -o " + quote(assets + "/Pages/0 crossroads.seq"), assets + "/Pages/0 crossroads.seq"},
        {tool() + " random " + story + " --runs 5 --graph " + quote(assets + "/VGA Table.seq"), assets + "/VGA Table.seq"},
        {tool() + " web " + story + " -o " + quote(assets + "/Pages/1 village.seq"), assets + "/Pages/1 village.seq"},
        // A script beside the story, named as an author in its folder names it.
        {"cd " + story + " && printf 'frame Brindle/Assets/Sprites/scene/forest.png\\n' >slip.play && " + tool() +
             " play . slip.play --bless",
         "Brindle/Assets/Sprites/scene/forest.png"},
    };
    for (const auto& [command, file] : writes) {
        if (command.find(" web ") != std::string::npos && !fs::exists(bin_dir() / "brindle-web-player.html")) continue;
        std::string said;
        EXPECT_EQ(shell("", command + " 2>&1", &said), 1) << command << "\n" << said;
        EXPECT_NE(said.find(": the story reads "), std::string::npos) << command << "\n" << said;
        EXPECT_NE(said.find(fs::path(file).filename().string()), std::string::npos) << said;
    }
    std::string said;
    EXPECT_EQ(shell("", "diff -r " + quote(source_dir() / "Brindle" / "Assets") + " " + quote(assets) + " 2>&1", &said), 0) << said;
    // The same script folder, a new frame blessed: it is written.
    EXPECT_EQ(shell("", "cd " + story + " && printf 'frame frames/start.png\\n' >ok.play && " + tool() +
                            " play . ok.play --bless 2>&1",
                    &said),
              0)
        << said;
    EXPECT_TRUE(fs::is_regular_file(root / "frames" / "start.png")) << said;
    fs::remove_all(root);
}

TEST(SafeWrites, AFullDiskLeavesTheOldFileAndSaysSo) {
    const fs::path root = temp_dir("safe-full");
    story_and_script(root, "frame frames/start.png");
    const fs::path disk = root / "disk";
    fs::create_directories(disk);
    if (geteuid() != 0 || shell("", "mount -t tmpfs -o size=64k tmpfs " + quote(disk) + " 2>/dev/null") != 0) {
        fs::remove_all(root);
        GTEST_SKIP() << "needs a small file system of its own (root, mount)";
    }
    // Each output exists with old contents, and the disk is then nearly full.
    for (const auto& [name, command] : writers(root, disk)) {
        const std::string target = command.substr(command.rfind(' ') + 2, command.size() - command.rfind(' ') - 3);
        write_file(target, "old " + name);
    }
    write_file(disk / "scripts" / "start.play", "frame frames/start.png\n");
    write_file(disk / "scripts" / "frames" / "start.png", "old frame");
    write_file(disk / "filler", std::string(40 * 1024, 'x'));
    for (const auto& [name, command] : writers(root, disk)) {
        const std::string target = command.substr(command.rfind(' ') + 2, command.size() - command.rfind(' ') - 3);
        if (name == "web" && !fs::exists(bin_dir() / "brindle-web-player.html")) continue;
        std::string said;
        EXPECT_EQ(shell("", command + " 2>&1", &said), 1) << name << ": " << said;
        EXPECT_NE(said.find("cannot write " + target + ": No space left on device"), std::string::npos) << name << ": " << said;
        EXPECT_EQ(read(target), "old " + name) << name;
    }
    std::string said;
    EXPECT_NE(shell("", tool() + " play " + quote(root) + " " + quote(disk / "scripts" / "start.play") + " --bless 2>&1", &said), 0)
        << said;
    EXPECT_NE(said.find("No space left on device"), std::string::npos) << said;
    EXPECT_EQ(read(disk / "scripts" / "frames" / "start.png"), "old frame");
    size_t entries = 0;
    for (const auto& e : fs::recursive_directory_iterator(disk)) entries += e.path().filename().string().find(".tmp") != std::string::npos;
    EXPECT_EQ(entries, 0u);
    shell("", "umount " + quote(disk));
    fs::remove_all(root);
}
