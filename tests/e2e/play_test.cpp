// brindle-story play and random as an author runs them: frames blessed by
// play are the frames the real Brindle window shows after the same keys;
// exit statuses; a random report that repeats itself and replays.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <nlohmann/json.hpp>

#include "harness.h"
#include "image_file.h"
#include "surface.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {
void write(const fs::path& p, const std::string& text) { write_file(p, text); }

std::string story_tool() { return (bin_dir() / "brindle-story").string(); }
std::string sample() { return source_dir().string(); }


// An engine key name as xdotool names the key.
std::string xdotool_keys(const std::string& names) {
    std::string out;
    std::istringstream in(names);
    for (std::string k; in >> k;) {
        if (k == "tab") k = "Tab";
        else if (k == "backspace") k = "BackSpace";
        out += (out.empty() ? "" : " ") + k;
    }
    return out;
}
}  // namespace

TEST(Play, BlessedFramesAreTheFramesTheRealPlayerShows) {
    const fs::path dir = temp_dir("play-frames");
    // Keys before each frame: figures, the gallery, the progress, a condition.
    const std::vector<std::pair<std::string, std::string>> segments = {
        {"", "start"}, {"n", "village"}, {"m", "market"}, {"tab", "gallery"}, {"backspace", "progress"},
        {"b b", "crossroads"}, {"w space", "silence"}};
    std::string script;
    for (const auto& [keys, frame] : segments)
        script += (keys.empty() ? "" : "press " + keys + "\n") + "frame " + frame + ".png\n";
    write(dir / "tour.play", script);
    std::string out;
    ASSERT_EQ(shell("", story_tool() + " play '" + sample() + "' '" + (dir / "tour.play").string() + "' --bless", &out), 0) << out;

    XServer x;
    Program p(x, (bin_dir() / "Brindle").string(), dir, {sample()});
    ASSERT_FALSE(p.window().empty()) << p.err();
    for (const auto& [keys, frame] : segments) {
        if (!keys.empty()) p.keys(xdotool_keys(keys));
        IMAGE* stored = LoadRGBAFile((dir / (frame + ".png")).c_str());
        ASSERT_TRUE(stored) << frame;
        IMAGE* shot = nullptr;
        const bool same = wait_for_screen(x, [&](IMAGE* s) { return differing(s, stored) == 0; }, shot, 15);
        EXPECT_TRUE(same) << frame << ": " << differing(shot, stored) << " pixels differ";
        image_destroy(shot);
        image_destroy(stored);
    }
    p.keys("Escape");
    EXPECT_EQ(p.wait_exit(), 0) << p.err();
    fs::remove_all(dir);
}

TEST(Play, ExitStatusesForPassingFailingAndBadScripts) {
    const fs::path dir = temp_dir("play-status");
    write(dir / "good.play", "press e r\nexpect page 10\n");
    write(dir / "wrong.play", "press e\nexpect page 3\n");
    write(dir / "bad" / "typo.play", "press e\nexpect pgae 2\nframe x.gif\n");
    // A story whose option leads to a page without a file, then a script that passes.
    const fs::path story = dir / "broken";
    write(story / "Brindle/Assets/Pages/0.seq", "Start\n0,0,\nn,1,0,On\nz,5,0,Nowhere\n,,,\n,,,\nStart.\n");
    write(story / "Brindle/Assets/Pages/1.seq", "One\n0,0,\nb,0,0,Back\n,,,\n,,,\n,,,\nOne.\n");
    write(dir / "faults" / "1.play", "press n b z\nexpect page 0\n");
    write(dir / "faults" / "2.play", "press n\nexpect page 1\n");
    const std::string err = (dir / "err.txt").string();
    auto run = [&](const std::string& args, std::string& out) {
        return shell("", story_tool() + " " + args + " 2>'" + err + "'", &out);
    };
    auto err_text = [&] {
        std::ifstream f(err);
        return std::string(std::istreambuf_iterator<char>(f), {});
    };
    std::string out;
    EXPECT_EQ(run("play '" + sample() + "' '" + (dir / "good.play").string() + "'", out), 0) << out;
    EXPECT_NE(out.find("1 script, 1 check: all passed"), std::string::npos) << out;

    EXPECT_EQ(run("play '" + sample() + "' '" + dir.string() + "'", out), 1) << out;
    EXPECT_NE(out.find((dir / "wrong.play").string() + ":2: expected page 3, found page 2 'The Long Meadow'"),
              std::string::npos)
        << out;

    EXPECT_EQ(run("play '" + sample() + "' '" + (dir / "bad").string() + "'", out), 2) << out;
    const std::string typo = (dir / "bad" / "typo.play").string();
    EXPECT_NE(err_text().find(typo + ":2: expect what?"), std::string::npos) << err_text();
    EXPECT_NE(err_text().find(typo + ":3: "), std::string::npos) << err_text();
    EXPECT_EQ(out, "");  // nothing was played

    EXPECT_EQ(run("play '" + story.string() + "' '" + (dir / "faults").string() + "'", out), 1) << out;
    EXPECT_NE(out.find("1.play:1: pressing 'z' on page 0 'Start' ended the story: Aborting due to runtime error 6"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("pass " + (dir / "faults" / "2.play").string()), std::string::npos) << out;

    EXPECT_EQ(run("play '" + (dir / "nowhere").string() + "' '" + (dir / "good.play").string() + "'", out), 2);
    EXPECT_EQ(run("play", out), 2);
    fs::remove_all(dir);
}

TEST(Random, OneSeedOneReportAndTheFirstRunsReplay) {
    const fs::path dir = temp_dir("random");
    const std::string err = (dir / "err.txt").string();
    std::string a, b, c;
    ASSERT_EQ(shell("", story_tool() + " random '" + sample() + "' --runs 2000 --seed 9 --json 2>'" + err + "'", &a), 0);
    ASSERT_EQ(shell("", story_tool() + " random '" + sample() + "' --runs 2000 --seed 9 --json", &b), 0);
    ASSERT_EQ(shell("", story_tool() + " random '" + sample() + "' --runs 2000 --seed 10 --json", &c), 0);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    EXPECT_EQ(fs::file_size(err), 0u);  // no progress bar where standard error is no terminal
    const nlohmann::json report = nlohmann::json::parse(a);
    int endings = 0;
    for (const auto& end : report["ends"]) {
        if (end["how"] != "ending") continue;
        ++endings;
        ASSERT_FALSE(end["first"].is_null()) << end.dump();
        // The script the report gives plays that run to its ending.
        write(dir / ("ending-" + end["page"].dump() + ".play"), end["first"]["play"].get<std::string>());
        // And one run from its seed is that run.
        std::string one;
        ASSERT_EQ(shell("", story_tool() + " random '" + sample() + "' --runs 1 --json --seed " + end["first"]["seed"].dump(), &one), 0);
        const nlohmann::json replayed = nlohmann::json::parse(one);
        for (const auto& e : replayed["ends"]) {
            if (e["runs"] == 1) {
                EXPECT_EQ(e["first"]["keys"], end["first"]["keys"]);
            }
        }
    }
    EXPECT_EQ(endings, 4);
    std::string out;
    EXPECT_EQ(shell("", story_tool() + " play '" + sample() + "' '" + dir.string() + "'", &out), 0) << out;
    EXPECT_NE(out.find("4 scripts, 4 checks: all passed"), std::string::npos) << out;

    // A seed is a whole number that fits 64 bits; nothing is wrapped round.
    for (const char* seed : {"-1", "18446744073709551616", "7x"})
        EXPECT_EQ(shell("", story_tool() + " random '" + sample() + "' --runs 1 --seed " + seed), 2) << seed;

    // The map, shaded: page 0, where every run starts, is the hottest.
    const fs::path svg = dir / "heat.svg";
    ASSERT_EQ(shell("", story_tool() + " random '" + sample() + "' --runs 500 --graph '" + svg.string() + "' >/dev/null"), 0);
    std::ifstream file(svg);
    const std::string map(std::istreambuf_iterator<char>(file), {});
    EXPECT_NE(map.find("<svg"), std::string::npos);
    EXPECT_NE(map.find("21: Light Over Brindle"), std::string::npos);
    EXPECT_EQ(std::count(map.begin(), map.end(), '\n') > 100, true);
    EXPECT_NE(map.find("fill=\"#e4572e\""), std::string::npos);

    // On a terminal a long run shows its progress on standard error.
    std::string tty;
    shell("", "script -qec \"" + story_tool() + " random '" + sample() + "' --runs 100000 >/dev/null\" /dev/null", &tty);
    EXPECT_NE(tty.find(" of 100000 runs"), std::string::npos) << tty.substr(0, 200);
    fs::remove_all(dir);
}
