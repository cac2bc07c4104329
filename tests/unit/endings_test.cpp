// Endings and dead ends: check, stats, random and the map name the same
// pages, on a story with a hub, loops, a self-loop, pages without options
// and an ending reached only by going back through the hub.
#include <cstdlib>
#include <set>

#include <nlohmann/json.hpp>

#include "../fixtures/reach_story.h"
#include "check.h"
#include "random_play.h"
#include "story_map.h"
#include "story_stats.h"
#include "story_support.h"

namespace {
const fs::path ROOT = fs::path(std::getenv("PROJECT_ROOT") ? std::getenv("PROJECT_ROOT") : ".");

using Pages = std::set<int32_t>;
struct Named {
    Pages endings, dead_ends;
};

Named by_check(const std::string& folder) {
    const CHECK_REPORT r = CHECK_STORY(folder, 100000);
    Named n{Pages(r.ENDINGS.begin(), r.ENDINGS.end()), {}};
    // The warnings name the dead ends too, wherever they were folded.
    std::function<void(const std::vector<DIAGNOSTIC>&)> walk = [&](const std::vector<DIAGNOSTIC>& ds) {
        for (const DIAGNOSTIC& d : ds) {
            if (d.NAME == "dead-end") n.dead_ends.insert(d.PAGE);
            walk(d.CONSEQUENCES);
        }
    };
    walk(r.DIAGNOSTICS);
    EXPECT_EQ(n.dead_ends, Pages(r.DEAD_ENDS.begin(), r.DEAD_ENDS.end()));
    return n;
}

Named by_stats(const std::string& folder) {
    const STORY_STATS s = STORY_STATISTICS(folder, 100000);
    Named n;
    for (const STATS_ENDING& e : s.ENDINGS) n.endings.insert(e.PAGE);
    for (const auto& d : s.DEAD_ENDS) n.dead_ends.insert(d.PAGE);
    return n;
}

Named by_random(const std::string& folder) {
    RANDOM_SETTINGS settings;
    settings.RUNS = 300;
    settings.STEPS = 50;
    const RANDOM_REPORT r = RANDOM_PLAY(folder, settings);
    Named n, ends;
    for (const RANDOM_PAGE& p : r.PAGES) {
        if (p.ENDING) n.endings.insert(p.PAGE);
        if (p.DEAD_END) n.dead_ends.insert(p.PAGE);
    }
    // Every ending and dead end is listed among the ways runs end, met or not.
    for (const RANDOM_END& e : r.ENDS) {
        if (e.KIND == RANDOM_ENDING) ends.endings.insert(e.PAGE);
        if (e.KIND == RANDOM_DEAD_END && n.dead_ends.count(e.PAGE)) ends.dead_ends.insert(e.PAGE);
    }
    EXPECT_EQ(ends.endings, n.endings);
    EXPECT_EQ(ends.dead_ends, n.dead_ends);
    return n;
}

Named by_map(const std::string& folder) {
    const nlohmann::json map = nlohmann::json::parse(STORY_MAP_JSON(CHECK_STORY(folder, 100000)));
    Named n;
    for (const auto& p : map["pages"]) {
        if (p["ending"].get<bool>()) n.endings.insert(p["page"].get<int32_t>());
        if (p["dead_end"].get<bool>()) n.dead_ends.insert(p["page"].get<int32_t>());
    }
    return n;
}

void expect_agreement(const std::string& folder, const Named& want) {
    for (const auto& [tool, named] : {std::pair{"check", by_check(folder)}, std::pair{"stats", by_stats(folder)},
                                      std::pair{"random", by_random(folder)}, std::pair{"graph", by_map(folder)}}) {
        EXPECT_EQ(named.endings, want.endings) << tool << " on " << folder;
        EXPECT_EQ(named.dead_ends, want.dead_ends) << tool << " on " << folder;
    }
}

using Endings = Story;
}  // namespace

TEST_F(Endings, EveryCommandNamesTheSamePages) {
    // 2 loops on itself but leads away only to the start: an ending. 3 has no
    // option, 8 only one back to itself, 10 one whose condition never holds:
    // dead ends. 5 and 6 circle for ever: neither. 7 no reader reaches. 9 is
    // offered on the hub only once page 1 was played.
    page("0", "Hub\n0,0,\na,1,0,One\nb,2,0,Loop\nc,5,0,Circle\ne,9,1,Late\nThe hub.\n");
    page("1", "One\n0,0,\nx,0,0,Back\ny,4,0,Four\nz,3,0,Three\n,,,\nOne.\n");
    page("2", "Loop\n0,0,\nl,2,0,Again\nm,0,0,Home\n,,,\n,,,\nRound.\n");
    page("3", "Three\n0,0,\n,,,\n,,,\n,,,\n,,,\nNothing here.\n");
    page("4", "Four\n0,0,\nr,0,0,Again\n,,,\n,,,\n,,,\nThe end.\n");
    page("5", "Five\n0,0,\ns,6,0,Six\n,,,\n,,,\n,,,\nFive.\n");
    page("6", "Six\n0,0,\nt,5,0,Five\nu,10,0,Ten\nv,8,0,Eight\n,,,\nSix.\n");
    page("7", "Seven\n0,0,\nr,0,0,Again\n,,,\n,,,\n,,,\nNo one comes.\n");
    page("8", "Eight\n0,0,\nw,8,0,Wait\n,,,\n,,,\n,,,\nWaiting.\n");
    page("9", "Nine\n0,0,\nr,0,0,Again\n,,,\n,,,\n,,,\nLate.\n");
    page("10", "Ten\n0,0,\nq,0,7,Out\n,,,\n,,,\n,,,\nLocked.\n");
    expect_agreement(".", {{2, 4, 9}, {3, 8, 10}});

    // The stats reach the ending behind the hub, and random runs end at every ending.
    const STORY_STATS s = STORY_STATISTICS(".", 100000);
    for (const STATS_ENDING& e : s.ENDINGS) EXPECT_EQ(e.REACHABLE, REACH_YES) << e.PAGE;
}

TEST_F(Endings, TheSampleAndAStoryOfConditionsAgreeToo) {
    expect_agreement(ROOT.string(), {{10, 17, 20, 21}, {}});
    reach_story::write("reach", ROOT / "Brindle" / "Assets");
    // Pages 1, 3, 4 and 6 lead only back to the start; 5 no reader reaches.
    expect_agreement("reach", {{1, 3, 4, 6}, {}});
}
