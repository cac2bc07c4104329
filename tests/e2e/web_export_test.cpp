// brindle-story web, the real command: what goes into the page and what never
// does, and every way it can fail leaving no file behind. (Playing the page
// in a browser is tests/web/.)
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>

#include "harness.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {
void put(const fs::path& p, const std::string& bytes) { write_file(p, bytes); }

std::string read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string story_tool() { return (bin_dir() / "brindle-story").string(); }

// The names of the files a published page holds.
std::set<std::string> published(const fs::path& html) {
    const std::string page = read(html);
    const std::string open = "<script type=\"application/json\" id=\"story-files\">";
    const size_t from = page.find(open) + open.size();
    const nlohmann::json data = nlohmann::json::parse(page.substr(from, page.find("</script>", from) - from));
    std::set<std::string> names;
    for (const auto& f : data["files"]) names.insert(f[0].get<std::string>());
    return names;
}

// Files in `dir` whose names start with `stem` (the page and any temporary file).
int files_named(const fs::path& dir, const std::string& stem) {
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir)) n += e.path().filename().string().rfind(stem, 0) == 0;
    return n;
}

bool player_built() { return fs::exists(bin_dir() / "brindle-web-player.html"); }
}  // namespace

TEST(WebExport, OnlyWhatTheStoryUsesAndNothingFromOutsideItsAssets) {
    if (!player_built()) GTEST_SKIP() << "the web player is not built (Emscripten missing)";
    const fs::path root = temp_dir("web-uses");
    fs::create_directories(root / "Brindle");
    fs::copy(source_dir() / "Brindle" / "Assets", root / "Brindle" / "Assets", fs::copy_options::recursive);
    const fs::path assets = root / "Brindle" / "Assets";
    fs::copy_file(assets / "Sprites" / "item" / "apple.png", assets / "Sprites" / "item" / "unused.png");
    put(assets / "Pages" / "notes.txt", "not a page");
    // A figure whose name climbs out of the story's pictures, to a file beside them.
    const std::string secret = "SECRET-BYTES-" + read(assets / "Sprites" / "item" / "key.png");
    put(root / "Brindle" / "secret.png", secret);
    std::string forge = read(assets / "Pages" / "5 forge.seq");
    forge.replace(forge.find("item = sword"), 12, "item = ../../../secret");
    put(assets / "Pages" / "5 forge.seq", forge);
    // A scene through a linked folder and then "..": by its names it is
    // Assets/secret.png (not there); by the folders, a link to the secret.
    fs::create_directories(assets / "Sprites" / "scene" / "a" / "b" / "c");
    fs::create_directory_symlink("a/b/c", assets / "Sprites" / "scene" / "L");
    fs::create_symlink(root / "Brindle" / "secret.png", assets / "Sprites" / "scene" / "secret.png");
    const size_t line2 = forge.find('\n') + 1, scene = forge.find(',', forge.find(',', line2) + 1) + 1;
    forge.replace(scene, forge.find('\n', line2) - scene, " L/../../../secret");
    put(assets / "Pages" / "5 forge.seq", forge);

    const fs::path html = root / "story.html";
    std::string out;
    // The checker names both as errors, and nothing is written without --force.
    ASSERT_EQ(shell("", story_tool() + " web '" + root.string() + "' -o '" + html.string() + "' 2>&1", &out), 1) << out;
    EXPECT_NE(out.find("secret.png is not read: a name that leaves the story"), std::string::npos) << out;
    EXPECT_FALSE(fs::exists(html));
    ASSERT_EQ(shell("", story_tool() + " check '" + root.string() + "' 2>&1", &out), 1) << out;
    EXPECT_NE(out.find("missing-scene-picture"), std::string::npos) << out;
    ASSERT_EQ(shell("", story_tool() + " web --force '" + root.string() + "' -o '" + html.string() + "' 2>&1", &out), 0) << out;
    EXPECT_NE(out.find("not published: " + (root / "Brindle/Assets/Sprites/item/../../../secret.png").string() +
                       ": a name that leaves the story"),
              std::string::npos)
        << out;
    EXPECT_EQ(read(html).find("U0VDUkVULUJZVEVT"), std::string::npos);  // "SECRET-BYTES" in base64
    const std::set<std::string> names = published(html);
    EXPECT_EQ(names.count("Brindle/Assets/Pages/5 forge.seq"), 1u);
    EXPECT_EQ(names.count("Brindle/Assets/VGA Table.seq"), 1u);
    EXPECT_EQ(names.count("Brindle/Assets/Fonts/Fill.png"), 1u);
    EXPECT_EQ(names.count("Brindle/Assets/Sprites/interface/background.png"), 1u);
    EXPECT_EQ(names.count("Brindle/Assets/Sprites/npc/smith.png"), 1u);
    EXPECT_EQ(names.count("Brindle/Assets/Sprites/item/unused.png"), 0u);
    EXPECT_EQ(names.count("Brindle/Assets/Pages/notes.txt"), 0u);
    EXPECT_EQ(names.count("Brindle/Assets/Sprites/item/sword.png"), 0u);  // no page names it now
    for (const std::string& n : names) {
        EXPECT_EQ(n.find(".."), std::string::npos) << n;
        EXPECT_EQ(n.find("secret"), std::string::npos) << n;
        EXPECT_TRUE(fs::is_regular_file(root / n)) << n;
    }
    // 23 page files, the colour table, two fonts, wallpaper, backdrop.
    const int pages = int(std::count_if(names.begin(), names.end(), [](const std::string& n) { return n.find("/Pages/") != std::string::npos; }));
    EXPECT_EQ(pages, 23);
    fs::remove_all(root);
}

TEST(WebExport, FailuresLeaveNoFile) {
    const fs::path root = temp_dir("web-fail");
    fs::create_directories(root / "Brindle");
    fs::copy(source_dir() / "Brindle" / "Assets", root / "Brindle" / "Assets", fs::copy_options::recursive);
    std::string out;
    // Usage: no page named, no story there.
    EXPECT_EQ(shell("", story_tool() + " web '" + root.string() + "' 2>&1", &out), 2) << out;
    EXPECT_EQ(shell("", story_tool() + " web '" + (root / "none").string() + "' -o x.html 2>&1", &out), 2) << out;
    EXPECT_NE(out.find("no such folder"), std::string::npos) << out;

    // Without the web player beside the program: said plainly, nothing written.
    const fs::path lone = root / "bin";
    fs::create_directories(lone);
    fs::copy_file(bin_dir() / "brindle-story", lone / "brindle-story");
    EXPECT_EQ(shell("", (lone / "brindle-story").string() + " web '" + root.string() + "' -o '" + (root / "a.html").string() + "' 2>&1", &out), 1);
    EXPECT_NE(out.find("the web player is not built"), std::string::npos) << out;
    EXPECT_EQ(files_named(root, "a.html"), 0);

    if (player_built()) {
        // A folder that cannot be written, and a page name that is a folder.
        EXPECT_EQ(shell("", story_tool() + " web '" + root.string() + "' -o '" + (root / "no" / "b.html").string() + "' 2>&1", &out), 1);
        EXPECT_NE(out.find("cannot write"), std::string::npos) << out;
        fs::create_directories(root / "c.html");
        EXPECT_EQ(shell("", story_tool() + " web '" + root.string() + "' -o '" + (root / "c.html").string() + "' 2>&1", &out), 1);
        EXPECT_TRUE(fs::is_directory(root / "c.html"));
        EXPECT_EQ(files_named(root, "c.html"), 1);
        // An existing page is replaced whole.
        put(root / "d.html", "old");
        EXPECT_EQ(shell("", story_tool() + " web '" + root.string() + "' -o '" + (root / "d.html").string() + "' 2>&1", &out), 0) << out;
        EXPECT_NE(read(root / "d.html").find("<canvas"), std::string::npos);
        EXPECT_EQ(files_named(root, "d.html"), 1);
    }
    fs::remove_all(root);
}
