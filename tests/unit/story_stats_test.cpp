// Story figures: routes a reader can really take (conditions included, no
// page twice), the words shown along them, figures by their class word, and
// a budget that marks the figures incomplete.
#include "story_stats.h"
#include "story_support.h"

namespace {
class Stats : public Story {
protected:
    void SetUp() override {
        Story::SetUp();
        // The shortcut e is offered only once page 2 was played, which no
        // loop-free route from the start has done by then.
        page("0", "Start\n0,0,\na,1,0,Ahead\ne,3,2,Skip\n,,,\n,,,\nGo on.\n");
        page("1", "One\n1,1,\nnpc = fox\nitem = key\nb,2,0,Bee\nd,4,0,Dee\n,,,\n,,,\n\n");
        page("2", "Two\n2,0,\nitem = key\nfox\nx,3,0,Ex\ny,0,0,Why\n,,,\n,,,\n\n");
        page("3", "End\n1,0,\nnpc = fox\nr,0,0,Again\nw,3,0,Wait\n,,,\n,,,\nThe end here.\n");
        page("4", "Four\n0,0,\nf,2,0,Eff\n,,,\n,,,\n,,,\n\n");
        page("5", "Void\n0,0,\n,,,\n,,,\n,,,\n,,,\nNothing.\n");  // no options, and nothing leads here
    }
};

TEST_F(Stats, RoutesAreThePlaysTheEngineAllows) {
    const STORY_STATS s = STORY_STATISTICS(".", 1000);
    EXPECT_EQ(s.PAGES, 6);
    EXPECT_EQ(s.OPTIONS, 9);
    // Every title, description and caption: 5 + 3 + 3 + 6 + 2 + 2.
    EXPECT_EQ(s.WORDS, 21);
    ASSERT_EQ(s.ENDINGS.size(), 1u);  // page 5 is no ending: no reader reaches it
    EXPECT_TRUE(s.DEAD_ENDS.empty());
    const STATS_ENDING& end = s.ENDINGS[0];
    EXPECT_EQ(end.PAGE, 3);
    ASSERT_TRUE(end.ROUTED);
    EXPECT_EQ(end.SHORTEST.PAGES, (std::vector<int32_t>{0, 1, 2, 3}));
    EXPECT_EQ(end.SHORTEST.KEYS, (std::vector<std::string>{"a", "b", "x"}));
    EXPECT_EQ(end.LONGEST.PAGES, (std::vector<int32_t>{0, 1, 4, 2, 3}));
    // Words as each frame shows them: page 0 lists one option of two.
    EXPECT_EQ(end.SHORTEST.WORDS, 4 + 3 + 3 + 6);
    EXPECT_EQ(end.LONGEST.WORDS, 4 + 3 + 2 + 3 + 6);
    EXPECT_TRUE(s.COMPLETE);
    EXPECT_EQ(s.ROUTES, 2);
    EXPECT_EQ(s.SHORTEST_PLAY.WORDS, 16);
    EXPECT_EQ(s.LONGEST_PLAY.WORDS, 18);

    // The class word decides, not the count the entry is listed under; an
    // entry without one has no class.
    ASSERT_EQ(s.FIGURES.size(), 3u);
    EXPECT_EQ(s.FIGURES[0].CLASS, "npc");
    EXPECT_EQ(s.FIGURES[0].NAME, "fox");
    EXPECT_EQ(s.FIGURES[0].PAGES, (std::vector<int32_t>{1, 3}));
    EXPECT_EQ(s.FIGURES[1].CLASS, "item");
    EXPECT_EQ(s.FIGURES[1].NAME, "key");
    EXPECT_EQ(s.FIGURES[1].APPEARANCES, 2);
    EXPECT_EQ(s.FIGURES[1].PAGES, (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(s.FIGURES[2].CLASS, "");
    EXPECT_EQ(s.FIGURES[2].NAME, "fox");
}

TEST_F(Stats, ABudgetMarksTheFiguresIncomplete) {
    const STORY_STATS s = STORY_STATISTICS(".", 2);
    EXPECT_FALSE(s.COMPLETE);
    EXPECT_EQ(s.STEPS, 2);
}

TEST_F(Stats, ALongChainNeedsNoDeepCallStack) {
    fs::remove_all("Brindle/Assets/Pages");
    const int last = 20000;
    for (int p = 0; p < last; ++p)
        page(std::to_string(p), "P\n0,0,\nn," + std::to_string(p + 1) + ",0,On\n,,,\n,,,\n,,,\n\n");
    page(std::to_string(last), "End\n0,0,\nr,0,0,Again\n,,,\n,,,\n,,,\n\n");
    const STORY_STATS s = STORY_STATISTICS(".", 1000000, 100);
    ASSERT_EQ(s.ENDINGS.size(), 1u);
    ASSERT_TRUE(s.ENDINGS[0].ROUTED);
    EXPECT_EQ(s.ENDINGS[0].SHORTEST.moves(), size_t(last));
    EXPECT_TRUE(s.COMPLETE);
    EXPECT_EQ(s.ENDINGS[0].REACHABLE, REACH_UNDECIDED);  // the reach search stopped at 100 states
}

TEST_F(Stats, FaultsOnTheWayAreNotRoutes) {
    // Page 4 lists an option whose condition names a page the story does not
    // have: its very frame ends the story. Page 2's z leads to no page.
    page("4", "Four\n0,0,\nf,2,0,Eff\nq,3,999,Never\n,,,\n,,,\n\n");
    page("2", "Two\n0,0,\nx,3,0,Ex\nz,77,0,Nowhere\n,,,\n,,,\n\n");
    const STORY_STATS s = STORY_STATISTICS(".", 1000);
    ASSERT_EQ(s.ENDINGS.size(), 1u);
    ASSERT_TRUE(s.ENDINGS[0].ROUTED);
    EXPECT_EQ(s.ENDINGS[0].SHORTEST.PAGES, (std::vector<int32_t>{0, 1, 2, 3}));
    EXPECT_EQ(s.ENDINGS[0].LONGEST.PAGES, (std::vector<int32_t>{0, 1, 2, 3}));
    EXPECT_EQ(s.ROUTES, 1);
}

TEST(WordCount, RunsWithALetterOrDigit) {
    EXPECT_EQ(WORD_COUNT("The troll - a big one -- waits."), 6);
    EXPECT_EQ(WORD_COUNT("<N>North to the  village"), 4);
    EXPECT_EQ(WORD_COUNT(""), 0);
    EXPECT_EQ(WORD_COUNT(" ... \t"), 0);
}
}  // namespace
