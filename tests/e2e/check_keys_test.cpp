// The checker's proof, played for real: for every page it marks reachable,
// its keys pressed in Brindle end on that page.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "../fixtures/gamebook.h"
#include "../fixtures/reach_story.h"
#include "harness.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {
// An engine key string as xdotool names the key that gives it.
std::string xdotool_name(const std::string& key) {
    if (key == "\b") return "BackSpace";
    if (key == "\t") return "Tab";
    if (key == " ") return "space";
    if (key == "\r") return "Return";
    return key;
}

bool near(uint32_t a, uint32_t b) {
    for (int sh = 0; sh < 24; sh += 8)
        if (std::abs(int((a >> sh) & 0xFF) - int((b >> sh) & 0xFF)) > 6) return false;
    return true;
}

// The middle of the scene frame on the screen: (88, 58) + (72, 48), doubled.
constexpr int SCENE_X = 2 * (88 + 72), SCENE_Y = 2 * (58 + 48);
}  // namespace

TEST(CheckerKeys, EveryReachablePageIsReachedByItsKeysInThePlayer) {
    const fs::path root = temp_dir("reach");
    reach_story::write(root, source_dir() / "Brindle" / "Assets");
    std::string out;
    ASSERT_EQ(shell("", (bin_dir() / "brindle-story").string() + " check --json '" + root.string() + "'", &out), 0) << out;
    const nlohmann::json report = nlohmann::json::parse(out);
    const nlohmann::json& pages = report["reachability"]["pages"];
    EXPECT_TRUE(report["reachability"]["complete"].get<bool>());
    EXPECT_EQ(pages["5"]["reachable"], false);
    int played = 0;
    for (const auto& [page, verdict] : pages.items()) {
        if (verdict["reachable"] != true) continue;
        XServer x;  // a server of its own: a window left behind cannot take the keys
        std::string keys;
        for (const auto& k : verdict["keys"]) keys += (keys.empty() ? "" : " ") + xdotool_name(k.get<std::string>());
        Program p(x, (bin_dir() / "Brindle").string(), root);
        ASSERT_FALSE(p.window().empty()) << p.err();
        if (!keys.empty()) p.keys(keys);
        const uint32_t colour = reach_story::COLOURS.at(std::stoi(page)) & 0xFFFFFF;
        IMAGE* shot = nullptr;
        EXPECT_TRUE(wait_for_screen(x, [&](IMAGE* s) { return near(rgb(s, SCENE_X, SCENE_Y), colour); }, shot, 10))
            << "page " << page << " after '" << keys << "' shows " << std::hex << rgb(shot, SCENE_X, SCENE_Y);
        image_destroy(shot);
        p.keys("Escape");
        EXPECT_EQ(p.wait_exit(), 0) << "page " << page << " after " << keys << ": " << p.err();
        ++played;
    }
    EXPECT_EQ(played, 6);
    fs::remove_all(root);
}

TEST(CheckerCommand, ExitStatusesAndConventions) {
    const std::string tool = (bin_dir() / "brindle-story").string();
    std::string out;
    EXPECT_EQ(shell("", tool + " --help", &out), 0);
    EXPECT_NE(out.find("check"), std::string::npos);
    EXPECT_EQ(shell("", tool + " check --help", &out), 0);
    EXPECT_NE(out.find("--max-states"), std::string::npos);
    EXPECT_EQ(shell("", tool + " --version", &out), 0);
    EXPECT_NE(out.find("brindle-story "), std::string::npos);
    EXPECT_EQ(shell("", tool + " check --frobnicate 2>&1", &out), 2);
    EXPECT_NE(out.find("--frobnicate"), std::string::npos) << out;
    EXPECT_EQ(shell("", tool + " check /nonexistent/story 2>&1", &out), 2);
    EXPECT_NE(out.find("/nonexistent/story"), std::string::npos) << out;
    // The sample story has no error; one wrong destination is one, and status 1.
    EXPECT_EQ(shell("", tool + " check '" + source_dir().string() + "'", &out), 0) << out;
    const fs::path copy = temp_dir("broken");
    fs::copy(source_dir() / "Brindle", copy / "Brindle", fs::copy_options::recursive);
    std::ofstream(copy / "Brindle/Assets/Pages/0 crossroads.seq", std::ios::app) << "\n";
    {
        std::ifstream in(copy / "Brindle/Assets/Pages/0 crossroads.seq");
        std::string text((std::istreambuf_iterator<char>(in)), {});
        text.replace(text.find("n, 1, 0"), 7, "n, 91, 0");
        std::ofstream(copy / "Brindle/Assets/Pages/0 crossroads.seq", std::ios::binary) << text;
    }
    EXPECT_EQ(shell("", "NO_COLOR=1 " + tool + " check '" + copy.string() + "'", &out), 1);
    EXPECT_NE(out.find("0 crossroads.seq:3: error: missing-destination: option 'n' leads to page 91"), std::string::npos)
        << out;
    EXPECT_EQ(out.find("\033["), std::string::npos);  // no colour off a terminal
    fs::remove_all(copy);
}

// A search its budget stops says which budget, which pages it left open,
// and claims nothing it did not prove; without the budget the same story is
// decided whole.
TEST(CheckerCommand, ASearchCutShortSaysWhichBudgetAndWhichPages) {
    const std::string tool = (bin_dir() / "brindle-story").string();
    const fs::path root = temp_dir("gamebook");
    const gamebook::Shape shape = gamebook::shape(400, 20);
    gamebook::write(root, shape);
    std::string out;
    shell("", "NO_COLOR=1 " + tool + " check --max-states 1000 '" + root.string() + "'", &out);
    EXPECT_NE(out.find("the search stopped at its budget of states (--max-states 1000) after "), std::string::npos) << out;
    EXPECT_NE(out.find("undecided (neither reached nor proven unreachable): pages "), std::string::npos) << out;
    EXPECT_EQ(out.find("unreachable-page"), std::string::npos) << out;

    shell("", tool + " check --json --max-states 1000 '" + root.string() + "'", &out);
    nlohmann::json report = nlohmann::json::parse(out);
    EXPECT_FALSE(report["reachability"]["complete"].get<bool>());
    EXPECT_NE(report["reachability"]["stopped"].get<std::string>().find("--max-states 1000"), std::string::npos);
    EXPECT_TRUE(report["reachability"]["pages"][std::to_string(shape.ending())]["reachable"].is_null());

    shell("", tool + " check --json '" + root.string() + "'", &out);
    report = nlohmann::json::parse(out);
    EXPECT_TRUE(report["reachability"]["complete"].get<bool>());
    EXPECT_FALSE(report["reachability"].contains("stopped"));
    for (const auto& [page, keys] : shape.page_keys()) {
        const nlohmann::json& v = report["reachability"]["pages"][std::to_string(page)];
        EXPECT_EQ(v["reachable"].get<bool>(), keys >= 0) << page;
        if (keys >= 0) {
            EXPECT_EQ(int(v["keys"].size()), keys) << page;
        }
    }
    fs::remove_all(root);
}
