#include "story_support.h"

namespace {
class Navigation : public Story {
protected:
    void SetUp() override {
        Story::SetUp();
        PAGES.redim(0, 30);
        for (int i = 0; i <= 30; ++i) {
            PAGES(i).INDEX = i;
            PAGES(i).OPTIONS.redim(1, 4);
        }
        SETTING_TURN = 1;
    }
    static void option(int page, int slot, const std::string& key, int dest, int req, const std::string& caption = "x") {
        PAGES(page).OPTIONS(slot) = {key, dest, req, caption};
    }
};
}  // namespace

TEST_F(Navigation, CaseFoldingOfLettersOnly) {
    option(1, 1, "n", 2, 0);
    option(1, 2, "N", 3, 0);
    EXPECT_EQ(NAVIGATE_PAGE(PAGES(1), "N"), 2);  // the first available match wins
    option(1, 1, "\xC4", 4, 0);
    EXPECT_EQ(NAVIGATE_PAGE(PAGES(1), "\xE4"), 2 - 1);  // no folding beyond A-Z: no match, stay
    EXPECT_EQ(NAVIGATE_PAGE(PAGES(1), "\xC4"), 4);
    EXPECT_EQ(NAVIGATE_PAGE(PAGES(1), "nn"), 1);
}

TEST_F(Navigation, ConditionsChooseBetweenOptionsWithOneKey) {
    option(1, 1, "k", 20, 5);
    option(1, 2, "k", 21, -5);
    EXPECT_EQ(NAVIGATE_PAGE(PAGES(1), "k"), 21);
    PAGES(5).HISTORY = 1;
    EXPECT_EQ(NAVIGATE_PAGE(PAGES(1), "k"), 20);
    EXPECT_EQ(PAGES(1).HISTORY, 2);
}

TEST_F(Navigation, TurnsEmptyKeysAndSpecialKeys) {
    option(1, 1, "", 9, 0);
    option(1, 2, " ", 7, 0, "");      // unlisted, still chosen
    option(1, 3, "w", 1, 0);          // back to the page itself
    option(1, 4, "\xFFH", 8, 0);      // an extended key
    EXPECT_EQ(NAVIGATE_PAGE(PAGES(1), "\r"), 1);
    EXPECT_EQ(PAGES(1).HISTORY, 0);
    EXPECT_EQ(NAVIGATE_PAGE(PAGES(1), " "), 7);
    EXPECT_EQ(NAVIGATE_PAGE(PAGES(1), "w"), 1);
    EXPECT_EQ(PAGES(1).HISTORY, 2);
    EXPECT_EQ(NAVIGATE_PAGE(PAGES(1), "\xFFH"), 8);
    SETTING_TURN = 0;
    EXPECT_EQ(NAVIGATE_PAGE(PAGES(1), "w"), 1);
    EXPECT_EQ(PAGES(1).HISTORY, 3);
    // Asked with no key: an unplayed page counts as played once.
    EXPECT_EQ(NAVIGATE_PAGE(PAGES(2), ""), 2);
    EXPECT_EQ(PAGES(2).HISTORY, 1);
    NAVIGATE_PAGE(PAGES(2), "");
    EXPECT_EQ(PAGES(2).HISTORY, 1);
}

TEST_F(Navigation, AConditionOnThePageItself) {
    option(3, 1, "a", 4, 3);
    option(3, 2, "b", 3, 0);
    EXPECT_EQ(NAVIGATE_PAGE(PAGES(3), "a"), 3);
    EXPECT_EQ(NAVIGATE_PAGE(PAGES(3), "b"), 3);
    EXPECT_EQ(NAVIGATE_PAGE(PAGES(3), "a"), 4);
}

TEST_F(Navigation, AConditionOutsideTheStoryIsTheFatalReport) {
    option(1, 1, "a", 2, 99);
    EXPECT_EXIT(NAVIGATE_PAGE(PAGES(1), "z"), ::testing::ExitedWithCode(6),
                "out of bounds array access.* of Paging Module::NAVIGATE_PAGE");
    option(1, 1, "a", 2, INT32_MIN);
    EXPECT_EXIT(NAVIGATE_PAGE(PAGES(1), "z"), ::testing::ExitedWithCode(6), "NAVIGATE_PAGE");
}
