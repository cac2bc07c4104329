// The reachability search: exact on gamebook shapes far past what a search
// of single states can hold, in agreement with that search on small random
// stories, and its proofs played for real on the engine.
#include <cmath>
#include <random>

#include "../fixtures/gamebook.h"
#include "reach_reference.h"
#include "story_support.h"

namespace {
// Plays `keys` on the open story from the start; the page it ends on, or -1
// when a key ends the story. With `slot`, also checks that the last key
// takes that option.
int32_t played_to(const std::vector<std::string>& keys, int32_t slot = 0) {
    if (!STORY_RESTART().ok) return -1;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (slot > 0 && i + 1 == keys.size()) {
            FatalCatch catching;
            if (OPTION_CHOSEN(STORY_PAGES()(STORY_LOCATION()), keys[i]) != slot) return -1;
        }
        if (!STORY_PRESS(keys[i]).ok) return -1;
    }
    return STORY_LOCATION();
}

// A random story of a few pages: keys that clash and differ in case, Tab
// and Backspace as option keys, conditions both ways (some on pages without
// a file, some beyond the story), destinations without a file, and options
// without a key or a caption.
void write_random_story(std::mt19937& rng, int pages) {
    fs::remove_all("Brindle/Assets/Pages");
    fs::create_directories("Brindle/Assets/Pages");
    const char* keys[] = {"a", "b", "A", "c", "\"\t\"", "\"\b\"", "", "a"};
    auto pick = [&](int n) { return int(rng() % uint32_t(n)); };
    for (int p = 0; p < pages; ++p) {
        if (p > 0 && pick(8) == 0) continue;  // a gap: no file
        std::string text = "P" + std::to_string(p) + "\n0,0,\n";
        for (int slot = 1; slot <= 4; ++slot) {
            const int dest = pick(10) == 0 ? pages + 3 : pick(pages);
            int req = 0;
            if (pick(3) > 0) req = (pick(2) ? 1 : -1) * (1 + pick(pages - 1 + (pick(12) == 0 ? 5 : 0)));
            text += std::string(keys[pick(8)]) + "," + std::to_string(dest) + "," + std::to_string(req) + "," +
                    (pick(3) ? "Go" : "") + "\n";
        }
        text += "Text.\n";
        std::ofstream(fs::path("Brindle/Assets/Pages") / (std::to_string(p) + ".seq"), std::ios::binary) << text;
    }
}
}  // namespace

using Reach = Scratch;

TEST_F(Reach, GamebooksAreDecidedWithTheirShortestKeys) {
    // 70 codewords a reader sets freely: 2^70 states on some pages, and a
    // state's bits spill into a second word.
    for (const gamebook::Shape& shape : {gamebook::shape(400, 20), gamebook::shape(300, 70)}) {
        fs::remove_all("Brindle/Assets/Pages");
        gamebook::write(".", shape);
        ASSERT_TRUE(STORY_OPEN(".", STORY_LOGIC).ok);
        const REACH_RESULT r = STORY_REACH(REACH_BUDGET{});
        ASSERT_TRUE(r.COMPLETE);
        EXPECT_GT(r.STATES, std::pow(2.0L, shape.codewords)) << shape.pages << " pages";
        const std::map<int, int> pages = shape.page_keys();
        ASSERT_EQ(r.PAGES.size(), size_t(shape.pages));
        for (const auto& [page, keys] : pages) {
            const REACH_PAGE& rp = r.PAGES[size_t(page)];
            ASSERT_EQ(rp.REACHABLE, keys < 0 ? REACH_NO : REACH_YES) << "page " << page;
            if (keys < 0) continue;
            const std::vector<std::string> proof = REACH_KEYS(r, rp.PROOF);
            EXPECT_EQ(int(proof.size()), keys) << "page " << page;
            EXPECT_EQ(played_to(proof), page) << "page " << page;
        }
        for (const auto& [at, keys] : shape.option_keys()) {
            const auto& [page, slot] = at;
            const REACH_OPTION& o = r.OPTIONS[size_t(page)][size_t(slot - 1)];
            ASSERT_EQ(o.TAKEN, keys < 0 ? REACH_NO : REACH_YES) << page << "." << slot;
            if (keys < 0) continue;
            const std::vector<std::string> proof = REACH_KEYS(r, o.PROOF);
            EXPECT_EQ(int(proof.size()), keys) << page << "." << slot;
            EXPECT_EQ(played_to(proof, slot), STORY_PAGES()(page).OPTIONS(slot).DEST) << page << "." << slot;
        }
        // A lock whose codeword is the one it needs unplayed is never open.
        for (int j = 1; j <= int(shape.gates.size()); ++j)
            EXPECT_EQ(r.OPTIONS[size_t(shape.lock(j))][0].AVAILABLE,
                      shape.gates[size_t(j - 1)].x == shape.gates[size_t(j - 1)].y ? REACH_NO : REACH_YES);
        STORY_CLOSE();
    }
}

TEST_F(Reach, AgreesWithTheStateByStateSearch) {
    std::mt19937 rng(20261208);
    int compared = 0, faults = 0, passive = 0;
    for (int story = 0; story < 300; ++story) {
        write_random_story(rng, 3 + int(rng() % 6));
        if (!STORY_OPEN(".", STORY_LOGIC).ok) continue;
        const reach_reference::Verdicts want = reach_reference::explicit_reach(1000000);
        const REACH_RESULT got = STORY_REACH(REACH_BUDGET{});
        ASSERT_TRUE(want.COMPLETE);
        ASSERT_TRUE(got.COMPLETE);
        // Pages named only by options no key takes are followed beside the
        // states, not in them: the count is the same without them.
        if (STORY_RULES_READ().PASSIVE.empty()) EXPECT_EQ(got.STATES, want.STATES) << "story " << story;
        else ++passive;
        const auto& pages = STORY_PAGES();
        for (int32_t p = 0; p <= pages.ubound(); ++p) {
            const std::string at = "story " + std::to_string(story) + " page " + std::to_string(p);
            const REACH_PAGE& rp = got.PAGES[size_t(p)];
            ASSERT_EQ(rp.REACHABLE, want.REACHABLE[size_t(p)]) << at;
            EXPECT_EQ(rp.LEAVES, want.LEAVES[size_t(p)]) << at;
            if (rp.REACHABLE == REACH_YES) {
                const std::vector<std::string> proof = REACH_KEYS(got, rp.PROOF);
                EXPECT_EQ(int(proof.size()), want.PAGE_KEYS[size_t(p)]) << at;
                EXPECT_EQ(played_to(proof), p) << at;
            }
            for (int32_t slot = 1; slot <= 4; ++slot) {
                const REACH_OPTION& o = got.OPTIONS[size_t(p)][size_t(slot - 1)];
                EXPECT_EQ(o.AVAILABLE, want.AVAILABLE[size_t(p)][size_t(slot - 1)]) << at << "." << slot;
                ASSERT_EQ(o.TAKEN, want.TAKEN[size_t(p)][size_t(slot - 1)]) << at << "." << slot;
                if (o.TAKEN != REACH_YES) continue;
                const std::vector<std::string> proof = REACH_KEYS(got, o.PROOF);
                EXPECT_EQ(int(proof.size()), want.OPTION_KEYS[size_t(p)][size_t(slot - 1)]) << at << "." << slot;
                const int32_t end = played_to(proof, slot);
                // The option may lead where no frame can be shown: then the key ends the story.
                if (end < 0) ++faults;
                else EXPECT_EQ(end, pages(p).OPTIONS(slot).DEST) << at << "." << slot;
            }
        }
        ++compared;
        STORY_CLOSE();
    }
    EXPECT_GT(compared, 250);
    EXPECT_GT(faults, 0);   // the stories do reach their faults
    EXPECT_GT(passive, 0);  // and name pages only in options no key takes
}

TEST_F(Reach, ABudgetDecidesOnlyWhatItSawAndSaysWhichStoppedIt) {
    gamebook::write(".", gamebook::shape(1000, 48));
    ASSERT_TRUE(STORY_OPEN(".", STORY_LOGIC).ok);
    REACH_BUDGET states(5000), time, memory;
    time.MAX_SECONDS = 1e-6;
    memory.MAX_BYTES = size_t(66) << 20;  // a couple of megabytes past the memo: a few thousand nodes
    const std::pair<REACH_BUDGET, REACH_STOP> budgets[] = {
        {states, REACH_STATE_BUDGET}, {time, REACH_TIME_BUDGET}, {memory, REACH_MEMORY_BUDGET}};
    for (const auto& [budget, stop] : budgets) {
        const REACH_RESULT r = STORY_REACH(budget);
        EXPECT_FALSE(r.COMPLETE);
        EXPECT_EQ(r.STOP, stop);
        int yes = 0;
        for (size_t p = 0; p < r.PAGES.size(); ++p) {
            EXPECT_NE(r.PAGES[p].REACHABLE, REACH_NO) << p;
            for (const REACH_OPTION& o : r.OPTIONS[p]) EXPECT_NE(o.TAKEN, REACH_NO) << p;
            if (r.PAGES[p].REACHABLE != REACH_YES) continue;
            ++yes;
            EXPECT_EQ(played_to(REACH_KEYS(r, r.PAGES[p].PROOF)), int32_t(p));
        }
        EXPECT_LT(yes, int(r.PAGES.size()));
    }
    STORY_CLOSE();
}

TEST_F(Reach, AsManyConditionPagesAsItHoldsEndAtABudgetOneMoreIsNotSearched) {
    // Page i leads on unless page i + 1 was played: every page a bit, and
    // every set a chain of them, as deep as the operations on them go.
    auto chain = [&](int pages) {
        fs::remove_all("Brindle/Assets/Pages");
        for (int p = 0; p < pages; ++p)
            write("Brindle/Assets/Pages/" + std::to_string(p) + ".seq",
                  "P\n0,0,\nn," + std::to_string((p + 1) % pages) + "," + std::to_string(-((p + 1) % pages)) + ",On\n,,,\n,,,\n,,,\n\n");
        ASSERT_TRUE(STORY_OPEN(".", STORY_LOGIC).ok);
    };
    REACH_BUDGET budget;
    budget.MAX_SECONDS = 1;
    chain(int(REACH_MAX_BITS) + 1);  // page 0 is named as 0: always
    REACH_RESULT r = STORY_REACH(budget);
    EXPECT_EQ(r.STOP, REACH_TIME_BUDGET);
    EXPECT_EQ(r.PAGES[1].REACHABLE, REACH_YES);
    EXPECT_EQ(REACH_KEYS(r, r.PAGES[1].PROOF), (std::vector<std::string>{"n"}));
    chain(int(REACH_MAX_BITS) + 2);
    r = STORY_REACH(budget);
    EXPECT_EQ(r.STOP, REACH_TOO_MANY_BITS);
    EXPECT_FALSE(r.COMPLETE);
    EXPECT_EQ(r.PAGES[1].REACHABLE, REACH_UNDECIDED);
    STORY_CLOSE();
}
