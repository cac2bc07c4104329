// Random play-throughs: a seed gives one report and a run's own seed
// replays it, the counts add up and agree with the checker, and every way
// a run can end is told apart.
#include <cstdlib>
#include <numeric>
#include <tuple>

#include "../fixtures/reach_story.h"
#include "play_script.h"
#include "random_graph.h"
#include "random_play.h"
#include "story_support.h"

namespace {
const fs::path ROOT = fs::path(std::getenv("PROJECT_ROOT") ? std::getenv("PROJECT_ROOT") : ".");

RANDOM_REPORT played(const fs::path& folder, int64_t runs, uint64_t seed, int64_t steps = 1000, bool least_used = false) {
    RANDOM_SETTINGS s;
    s.RUNS = runs;
    s.SEED = seed;
    s.STEPS = steps;
    s.LEAST_USED = least_used;
    RANDOM_REPORT r = RANDOM_PLAY(folder.string(), s);
    EXPECT_EQ(r.PROBLEM, "");
    return r;
}

std::vector<int64_t> hits(const RANDOM_REPORT& r) {
    std::vector<int64_t> h;
    for (const RANDOM_PAGE& p : r.PAGES) h.push_back(p.HITS);
    for (const RANDOM_OPTION& o : r.OPTIONS) h.push_back(o.TAKEN);
    return h;
}

const RANDOM_END* find_end(const RANDOM_REPORT& r, RANDOM_END_KIND kind, int32_t page) {
    for (const RANDOM_END& e : r.ENDS)
        if (e.KIND == kind && e.PAGE == page) return &e;
    return nullptr;
}

// Every arrival is a start or an option taken towards the page; every run
// ends once and leaves one grade.
void expect_counts_add_up(const RANDOM_REPORT& r) {
    int64_t taken = 0;
    for (const RANDOM_OPTION& o : r.OPTIONS) taken += o.TAKEN;
    EXPECT_EQ(taken, r.STEPS_TAKEN);
    for (const RANDOM_PAGE& p : r.PAGES) {
        int64_t arrivals = p.PAGE == 0 ? r.SETTINGS.RUNS : 0;
        for (const RANDOM_OPTION& o : r.OPTIONS)
            if (o.DEST == p.PAGE) arrivals += o.TAKEN;
        EXPECT_EQ(p.HITS, arrivals) << "page " << p.PAGE;
    }
    int64_t ended = 0, graded = 0;
    for (const RANDOM_END& e : r.ENDS) ended += e.RUNS;
    for (const auto& [grade, runs] : r.GRADES) graded += runs;
    EXPECT_EQ(ended, r.SETTINGS.RUNS);
    EXPECT_EQ(graded, r.SETTINGS.RUNS);
}
}  // namespace

using RandomPlay = Story;

TEST_F(RandomPlay, ASeedGivesOneReportAndARunsOwnSeedReplaysIt) {
    const RANDOM_REPORT a = played(ROOT, 300, 42), b = played(ROOT, 300, 42), c = played(ROOT, 300, 43);
    EXPECT_EQ(hits(a), hits(b));
    EXPECT_EQ(a.GRADES, b.GRADES);
    EXPECT_NE(hits(a), hits(c));
    int replayed = 0;
    for (const RANDOM_END& e : a.ENDS) {
        if (e.FIRST.RUN == 0) continue;
        ASSERT_EQ(b.ENDS.size(), a.ENDS.size());
        // One run from that run's seed is the same run.
        const RANDOM_REPORT one = played(ROOT, 1, e.FIRST.SEED);
        const RANDOM_END* same = find_end(one, e.KIND, e.PAGE);
        ASSERT_TRUE(same && same->RUNS == 1) << "page " << e.PAGE;
        EXPECT_EQ(same->FIRST.KEYS, e.FIRST.KEYS);
        // And its keys, played by a script, end on that page.
        std::string script = "press";
        for (const std::string& k : e.FIRST.KEYS) script += " " + std::string(k == " " ? "space" : k);
        script += "\nexpect page " + std::to_string(e.PAGE) + "\n";
        PLAY_SCRIPT s;
        std::vector<std::string> errors;
        ASSERT_TRUE(PLAY_PARSE("replay.play", script, s, errors));
        ASSERT_TRUE(STORY_OPEN(ROOT.string(), STORY_LOGIC).ok);
        const PLAY_OUTCOME o = PLAY_RUN(s, false);
        EXPECT_TRUE(o.FAILURES.empty()) << o.FAILURES.at(0).MESSAGE;
        ++replayed;
    }
    EXPECT_EQ(replayed, 4);  // the sample story's four endings, all met in 300 runs
}

TEST_F(RandomPlay, CountsAddUpAndAgreeWithTheChecker) {
    // The sample story: over 10,000 runs every page a reader can reach is hit.
    const RANDOM_REPORT sample = played(ROOT, 10000, 1);
    expect_counts_add_up(sample);
    EXPECT_TRUE(sample.REACH_COMPLETE);
    EXPECT_EQ(sample.PAGES.size(), 23u);
    for (const RANDOM_PAGE& p : sample.PAGES) {
        EXPECT_EQ(p.REACHABLE, REACH_YES) << p.PAGE;
        EXPECT_GT(p.HITS, 0) << p.PAGE;
    }
    // A story with a page no reader reaches, an option never taken, and
    // pages a reader reaches only by playing on past an ending (page 1),
    // which a run never does: the checker's keys show the way there.
    reach_story::write("reach", ROOT / "Brindle" / "Assets");
    const RANDOM_REPORT reach = played("reach", 2000, 5);
    expect_counts_add_up(reach);
    ASSERT_TRUE(reach.REACH_COMPLETE);
    for (const RANDOM_PAGE& p : reach.PAGES) {
        if (p.REACHABLE == REACH_NO) {
            EXPECT_EQ(p.HITS, 0) << "page " << p.PAGE;
        }
    }
    for (const RANDOM_OPTION& o : reach.OPTIONS) {
        if (o.CAN_BE_TAKEN == REACH_NO) {
            EXPECT_EQ(o.TAKEN, 0) << o.PAGE << "." << o.SLOT;
        }
    }
    EXPECT_EQ(reach.PAGES.at(5).REACHABLE, REACH_NO);
    EXPECT_EQ(reach.PAGES.at(2).HITS, 0);
    EXPECT_EQ(reach.PAGES.at(2).PROOF, (std::vector<std::string>{"a", "x", "b"}));
    EXPECT_GT(reach.PAGES.at(4).HITS, 0);
    EXPECT_GT(reach.PAGES.at(6).HITS, 0);
}

TEST_F(RandomPlay, RunsEndAtAnEndingADeadEndAFaultOrOutOfSteps) {
    write("Brindle/Assets/Pages/0.seq", "Start\n0,0,\na,1,0,End\nb,2,0,Loop\nc,9,0,Broken\nd,3,0,Stuck\nStart.\n");
    write("Brindle/Assets/Pages/1.seq", "End\n0,0,\nr,0,0,Again\n,,,\n,,,\n,,,\nThe end.\n");  // back to the start: an ending
    write("Brindle/Assets/Pages/2.seq", "Loop\n0,0,\nb,2,0,Again\nq,4,4,Quit\n,,,\n,,,\nAgain.\n");  // never ends
    write("Brindle/Assets/Pages/3.seq", "Stuck\n0,0,\nx,4,4,Out\n,,,\n,,,\n,,,\nLocked.\n");  // 4 is never played: a dead end
    write("Brindle/Assets/Pages/4.seq", "Four\n0,0,\nx,0,0,Back\n,,,\n,,,\n,,,\nNo one.\n");
    const RANDOM_REPORT r = played(".", 400, 7, 20);
    expect_counts_add_up(r);
    const RANDOM_END* ending = find_end(r, RANDOM_ENDING, 1);
    const RANDOM_END* dead = find_end(r, RANDOM_DEAD_END, 3);
    const RANDOM_END* fault = find_end(r, RANDOM_FAULT, 0);
    const RANDOM_END* steps = find_end(r, RANDOM_OUT_OF_STEPS, -1);
    ASSERT_TRUE(ending && dead && fault && steps);
    // Page 2 never leads away either: a dead end, whose runs go on until out of steps.
    EXPECT_EQ(r.ENDS.size(), 5u);
    EXPECT_TRUE(r.PAGES.at(2).DEAD_END && r.PAGES.at(3).DEAD_END);
    EXPECT_FALSE(r.PAGES.at(4).ENDING);  // no reader reaches it: no ending
    // With one step a run never gets stuck on page 3: the dead end is listed all the same.
    const RANDOM_REPORT short_runs = played(".", 40, 7, 1);
    const RANDOM_END* unmet = find_end(short_runs, RANDOM_DEAD_END, 3);
    ASSERT_TRUE(unmet);
    EXPECT_EQ(unmet->RUNS, 0);
    EXPECT_EQ(unmet->FIRST.RUN, 0);
    // One choice in four on page 0: each about 100 of 400 (sd 8.7).
    for (const RANDOM_END* e : {ending, dead, fault, steps}) EXPECT_NEAR(double(e->RUNS), 100.0, 35.0);
    EXPECT_EQ(ending->FIRST.KEYS.back(), "a");
    EXPECT_EQ(dead->FIRST.KEYS.back(), "d");
    EXPECT_EQ(fault->FIRST.KEYS.back(), "c");
    EXPECT_NE(fault->MESSAGE.find("out of bounds"), std::string::npos) << fault->MESSAGE;
    EXPECT_EQ(steps->FIRST.KEYS.size(), 20u);

    // Every reader starts on page 0: a story without one cannot be played.
    fs::remove("Brindle/Assets/Pages/0.seq");
    RANDOM_SETTINGS s;
    EXPECT_EQ(RANDOM_PLAY("", s).PROBLEM, "there is no page 0, where every reader starts");
    write("Brindle/Assets/Pages/0.seq", "Start\n0,0,\na,1,0,End\nb,2,0,Loop\nc,9,0,Broken\nd,3,0,Stuck\nStart.\n");

    // Least used: page 0's options in turn, whatever the seed.
    const RANDOM_REPORT even = played(".", 8, 99, 20, true);
    for (const RANDOM_OPTION& o : even.OPTIONS) {
        if (o.PAGE == 0) {
            EXPECT_EQ(o.TAKEN, 2) << "option " << o.SLOT;
        }
    }
}

TEST_F(RandomPlay, TheMapIsShadedByTheSquareRootOfEachShareOfTheMostHit) {
    RANDOM_REPORT r;
    r.TOTAL = 4;  // page 3 has no file
    for (const auto& [page, hits] : std::vector<std::pair<int32_t, int64_t>>{{0, 400}, {1, 100}, {2, 0}}) {
        r.PAGES.emplace_back();
        r.PAGES.back().PAGE = page;
        r.PAGES.back().HITS = hits;
    }
    for (const auto& [page, slot, taken] : std::vector<std::tuple<int32_t, int32_t, int64_t>>{{0, 1, 90}, {0, 3, 0}, {1, 2, 10}}) {
        r.OPTIONS.emplace_back();
        r.OPTIONS.back().PAGE = page;
        r.OPTIONS.back().SLOT = slot;
        r.OPTIONS.back().TAKEN = taken;
    }
    const MAP_SHADES s = RANDOM_SHADES(r);
    EXPECT_EQ(s.PAGE, (std::vector<double>{1.0, 0.5, 0.0, 0.0}));
    ASSERT_EQ(s.OPTION.size(), 4u);
    EXPECT_EQ(s.OPTION[0], (std::array<double, 4>{1.0, 0.0, 0.0, 0.0}));
    EXPECT_DOUBLE_EQ(s.OPTION[1][1], 1.0 / 3.0);
}
