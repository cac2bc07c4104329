// seamless-tile as a user runs it: a batch with bad files among good ones,
// and the conventions of a command-line tool.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "harness.h"
#include "image_file.h"

namespace fs = std::filesystem;
using namespace e2e;

namespace {
std::string run(const std::string& command, int& status, const fs::path& err) {
    std::string out;
    status = shell("", command + " 2>" + err.string(), &out);
    return out;
}

std::string text_of(const fs::path& p) {
    std::ifstream f(p);
    return std::string(std::istreambuf_iterator<char>(f), {});
}
}  // namespace

TEST(SeamlessTileCommand, BatchMakesTheGoodFilesAndNamesTheBadOnes) {
    const fs::path dir = temp_dir("seamless-tile");
    const std::string tool = (bin_dir() / "seamless-tile").string();
    const fs::path sprites = source_dir() / "Brindle/Assets/Sprites/scene";
    std::ofstream(dir / "notes.png") << "not a picture";
    fs::create_directories(dir / "out" / "bridge.png");  // a folder where one tile should go
    const std::string goods[] = {"village.png", "forest.png", "market.png"};
    std::string cmd = tool + " -j 2 --report --previews -o " + (dir / "out").string();
    for (const std::string& g : goods) cmd += " " + (sprites / g).string();
    cmd += " " + (dir / "notes.png").string() + " " + (sprites / "bridge.png").string() + " " + (dir / "missing.png").string();
    int status = 0;
    const std::string out = run(cmd, status, dir / "err.txt");
    const std::string err = text_of(dir / "err.txt");
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.find("seamless-tile: " + (dir / "notes.png").string() + ": not a PNG file\n"), std::string::npos) << err;
    EXPECT_NE(err.find("seamless-tile: " + (sprites / "bridge.png").string() + ": cannot write"), std::string::npos) << err;
    EXPECT_NE(err.find("seamless-tile: " + (dir / "missing.png").string() + ": "), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 3) << err;  // one line each, no bar when not on a terminal
    for (const std::string& g : goods) {
        IMAGE* tile = LoadRGBAFile((dir / "out" / g).c_str());
        IMAGE* preview = LoadRGBAFile((dir / "out" / (fs::path(g).stem().string() + ".preview.png")).c_str());
        ASSERT_NE(tile, nullptr) << g;
        ASSERT_NE(preview, nullptr) << g;
        EXPECT_EQ(tile->WIDTH, 144u);
        EXPECT_EQ(preview->WIDTH, 3 * 144u);
        EXPECT_EQ(preview->HEIGHT, 3 * 96u);
        image_destroy(tile);
        image_destroy(preview);
        EXPECT_NE(out.find((sprites / g).string() + ": seam "), std::string::npos) << out;
    }
    // Nothing else was left in the folder: no temporaries, no half-written files.
    int entries = 0;
    for (const auto& e : fs::directory_iterator(dir / "out")) {
        ++entries;
        EXPECT_NE(e.path().filename().string()[0], '.') << e.path();
    }
    EXPECT_EQ(entries, 3 + 3 + 1);  // tiles, previews, and the folder that stood in the way
    EXPECT_TRUE(fs::is_directory(dir / "out" / "bridge.png"));
    fs::remove_all(dir);
}

TEST(SeamlessTileCommand, HelpVersionAndUsageErrors) {
    const fs::path dir = temp_dir("seamless-tile");
    const std::string tool = (bin_dir() / "seamless-tile").string();
    int status = -1;
    std::string out = run(tool + " --help", status, dir / "err.txt");
    EXPECT_EQ(status, 0);
    EXPECT_NE(out.find("--mask-shape"), std::string::npos) << out;
    out = run(tool + " --version", status, dir / "err.txt");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "seamless-tile 1.0\n");
    out = run(tool + " --shiny a.png b.png", status, dir / "err.txt");
    EXPECT_EQ(status, 2);
    EXPECT_NE(text_of(dir / "err.txt").find("--shiny"), std::string::npos);
    run(tool + " only-one.png", status, dir / "err.txt");
    EXPECT_EQ(status, 2);
    fs::remove_all(dir);
}
