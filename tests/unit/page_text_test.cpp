#include "story_support.h"

namespace {
class PageText : public Story {
protected:
    void SetUp() override {
        Story::SetUp();
        code_font();
        PAGES.redim(0, 5);
        for (int i = 0; i <= 5; ++i) {
            PAGES(i).INDEX = i;
            PAGES(i).OPTIONS.redim(1, 4);
            PAGES(i).DESC.redim(1, 4);
        }
        DISPOUT.redim(0, 5, 0, LAYER_LAST);
        DISPOUT(1, LAYER_TITLE) = image_create(320, 24, 0);
        DISPOUT(1, LAYER_TEXT) = image_create(320, 40, 0);
        DISPOUT(1, LAYER_OPTIONS) = image_create(320, 24, 0);
    }
    IMAGE* buffer(int w, int h) {
        IMAGE* b = image_create(w, h, 0);
        made_.push_back(b);
        return b;
    }
    void TearDown() override {
        for (IMAGE* b : made_) image_destroy(b);
        Story::TearDown();
    }
    std::vector<IMAGE*> made_;
};
}  // namespace

TEST_F(PageText, DescriptionJoinsNonEmptyPiecesAndCentres) {
    PAGES(1).DESC(1) = "You stand";
    PAGES(1).DESC(3) = "in a cave.";
    RENDER_PAGE(PAGES(1));
    // 20 characters at column 10 (x = 80) of row 1.
    EXPECT_EQ(row_text(DISPOUT(1, LAYER_TEXT), 1), "..........You stand in a cave."  "..........");
    EXPECT_EQ(code_at(DISPOUT(1, LAYER_TEXT), 79, 0), -1);
    EXPECT_EQ(code_at(DISPOUT(1, LAYER_TEXT), 80, 0), 'Y');
}

TEST_F(PageText, OptionsLineMarkersAndConditions) {
    PAGES(1).OPTIONS(1) = {"1", 0, 0, "Go north"};
    PAGES(1).OPTIONS(2) = {" ", 0, 0, "Wait"};
    PAGES(1).OPTIONS(3) = {"x", 0, 5, "Open door"};
    PAGES(1).OPTIONS(4) = {"q", 0, 0, ""};
    EXPECT_EQ(PAGE_OPTIONS_LINE(PAGES(1)), "<1>Go north <SP>Wait");
    PAGES(5).HISTORY = 1;
    EXPECT_EQ(PAGE_OPTIONS_LINE(PAGES(1)), "<1>Go north <SP>Wait <X>Open door");
    PAGES(1).OPTIONS(3).REQ = -5;
    EXPECT_EQ(PAGE_OPTIONS_LINE(PAGES(1)), "<1>Go north <SP>Wait");
    PAGES(1).OPTIONS(3).KEY = "\xE4";  // only a-z are raised
    PAGES(1).OPTIONS(3).REQ = 0;
    EXPECT_EQ(PAGE_OPTIONS_LINE(PAGES(1)), "<1>Go north <SP>Wait <\xE4>Open door");
    RENDER_PAGE(PAGES(1));
    std::string row = row_text(DISPOUT(1, LAYER_OPTIONS), 1);
    EXPECT_NE(row.find("<1>Go north <SP>Wait <"), std::string::npos) << row;
}

TEST_F(PageText, TitleColumns) {
    PAGES(1).CAPTION = "0123456789";
    RENDER_PAGE(PAGES(1));
    EXPECT_EQ(code_at(DISPOUT(1, LAYER_TITLE), 127, 0), -1);
    EXPECT_EQ(code_at(DISPOUT(1, LAYER_TITLE), 128, 0), '0');
    EXPECT_EQ(code_at(DISPOUT(1, LAYER_TITLE), 200, 7), '9');
    // 39 characters fit exactly from x = 8; 40 lose the last; more start at
    // column 1 too and are clipped at the right edge.
    for (size_t n : {39u, 40u, 41u, 200u}) {
        IMAGE*& title = DISPOUT(1, LAYER_TITLE);
        image_destroy(title);
        title = image_create(320, 24, 0);
        PAGES(1).CAPTION = std::string(n, 'T');
        RENDER_PAGE(PAGES(1));
        EXPECT_EQ(code_at(title, 7, 0), -1) << n;
        EXPECT_EQ(code_at(title, 8, 0), 'T') << n;
        EXPECT_EQ(code_at(title, 319, 0), 'T') << n;
    }
}

TEST_F(PageText, WrappingMovesWordsAndSplitsLongOnes) {
    IMAGE* narrow = buffer(40, 16);
    RENDER_SCROLL(PAGES(1), "aaaa bbbb", narrow, 1, 1, 0xFFFFFFFFu);
    EXPECT_EQ(row_text(narrow, 1), ".aaaa");
    EXPECT_EQ(row_text(narrow, 2), ".bbbb");

    std::string word;
    for (int i = 0; i < 100; ++i) word += char('A' + i % 26);
    EXPECT_EQ(WRAP_LINES(word, 41),
              (std::vector<std::string>{word.substr(0, 40), "-", word.substr(40, 40), "- " + word.substr(80)}));
    IMAGE* wide = buffer(320, 40);
    RENDER_SCROLL(PAGES(1), word, wide, 1, 1, 0xFFFFFFFFu);
    EXPECT_EQ(code_at(wide, 0, 0), 'A');
    EXPECT_EQ(code_at(wide, 160, 8), '-');
    EXPECT_EQ(code_at(wide, 152, 8), -1);
    EXPECT_EQ(code_at(wide, 72, 24), '-');
    EXPECT_EQ(code_at(wide, 88, 24), word[80]);

    // Words pushed off a line join the next paragraph's first line.
    EXPECT_EQ(WRAP_LINES("aaaa bbbb\r\ncc", 6), (std::vector<std::string>{"aaaa", "bbbb", "cc"}));
    EXPECT_EQ(WRAP_LINES("aaa bb cc\r\ndd", 8), (std::vector<std::string>{"aaa bb", "cc dd"}));
    EXPECT_EQ(WRAP_LINES("abc\r\n\r\ndef", 41), (std::vector<std::string>{"abc", "", "def"}));
    EXPECT_EQ(WRAP_LINES("", 41).size(), 0u);
    EXPECT_EQ(WRAP_LINES("    ", 41), (std::vector<std::string>{""}));
    EXPECT_EQ(WRAP_LINES("a    b", 41), (std::vector<std::string>{"a b"}));
    EXPECT_EQ(WRAP_LINES("abc", 1).size(), 0u);  // too narrow for one character: nothing, not a hang
    EXPECT_EQ(WRAP_LINES(std::string(5000, 'x'), 2, 10).size(), 10u);
}

TEST_F(PageText, StrokeColourMasksTheSheet) {
    image_destroy(FONTSHEET);
    FONTSHEET = image_create(128, 128, 0xC0123456u);
    IMAGE* d = buffer(16, 8);
    RENDER_TEXT(PAGES(1), d, "A", 0, 1, 0xFF00FF00u);
    // 0xC0003400 blended onto transparent black with alpha 0xC0.
    EXPECT_EQ(px(d, 0, 0), blend_pixel(0, 0xC0003400u));
    IMAGE* e = buffer(16, 8);
    RENDER_TEXT(PAGES(1), e, "A", 0, 1, 0xFFFFFFFFu);
    EXPECT_EQ(px(e, 0, 0), blend_pixel(0, 0xC0123456u));
    IMAGE* f = buffer(3, 2);
    CLS2(f, 0xC4FFFF00u);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(px(f, x, y), 0xC4FFFF00u);
}

TEST_F(PageText, MissingFontSheetIsTheNullReport) {
    image_destroy(FONTSHEET);
    FONTSHEET = nullptr;
    EXPECT_EXIT(RENDER_PAGE(PAGES(1)), ::testing::ExitedWithCode(7), "null pointer access.* of Paging Module::RENDER_TEXT");
    PAGES(1).OPTIONS(1) = {"a", 0, 7, "Go"};
    code_font();
    EXPECT_EXIT(RENDER_PAGE(PAGES(1)), ::testing::ExitedWithCode(6), "of Paging Module::RENDER_PAGE");
}
