#include <gtest/gtest.h>

#include <cmath>

#include "conversions.h"
#include "string_support.h"
#include "waitkey.h"

TEST(Conversions, S2IRadixSignAndWrap) {
    EXPECT_EQ(S2I("  -12abc"), -12);
    EXPECT_EQ(S2I("&h1F"), 31);
    EXPECT_EQ(S2I("&HFF000000"), -16777216);
    EXPECT_EQ(S2I("4278190080"), -16777216);
    EXPECT_EQ(S2I("&O17"), 15);
    EXPECT_EQ(S2I("&17"), 15);  // any other letter after "&" means octal
    EXPECT_EQ(S2I("&B101"), 5);
    // Digits stop at the first one past the radix.
    EXPECT_EQ(S2I("&H1G"), 1);
    EXPECT_EQ(S2I("&O18"), 1);
    EXPECT_EQ(S2I("&B12"), 1);
    EXPECT_EQ(S2I("&H1FFFFFFFF"), -1);  // wraps modulo 2^32
    EXPECT_EQ(S2I("99999999999"), -1);  // magnitude saturates at 4294967295
    EXPECT_EQ(S2I("-4294967295"), 1);
    EXPECT_EQ(S2I(""), 0);
    EXPECT_EQ(S2I("&"), 0);
    EXPECT_EQ(S2I("\t5"), 0);  // only blanks are skipped
    EXPECT_EQ(S2I("+7"), 7);
}

TEST(Conversions, FloatsToTextAndIntegers) {
    EXPECT_EQ(F2S(2), "2");
    EXPECT_EQ(F2S(0.5), "0.5");
    EXPECT_EQ(F2S(1e20), "1e+20");
    EXPECT_EQ(F2S(0.1 + 0.2), "0.3");
    EXPECT_EQ(F2S(1.0 / 3), "0.3333333333333333");
    EXPECT_EQ(I2S(-7), "-7");
    EXPECT_EQ(I2S(INT32_MIN), "-2147483648");
    EXPECT_EQ(F2I(2.5), 2);
    EXPECT_EQ(F2I(3.5), 4);
    EXPECT_EQ(F2I(-2.5), -2);
    EXPECT_EQ(F2I(1e300), INT32_MAX);
    EXPECT_EQ(F2I(-1e300), INT32_MIN);
    EXPECT_EQ(F2I(NAN), 0);
    EXPECT_EQ(S2F(" -1.5e2x"), -150);
    EXPECT_EQ(S2F("2D3"), 2000);
    EXPECT_EQ(S2F("0x10"), 0);
    EXPECT_EQ(S2F("&HFF"), 255);
    EXPECT_EQ(S2F(".5"), 0.5);
    EXPECT_EQ(S2F("1e0000002"), 100);  // every exponent digit counts, leading zeros too
    EXPECT_EQ(S2F("e5"), 0);
    EXPECT_EQ(S2F("1e"), 1);
    EXPECT_TRUE(std::isinf(S2F("1e999999999")));
}

TEST(Random, StaysInsideItsRange) {
    for (int i = 0; i < 10000; ++i) {
        int32_t v = RANDO(1, 6);
        ASSERT_GE(v, 1);
        ASSERT_LE(v, 6);
        ASSERT_EQ(RANDO(5, 5), 5);
    }
    // The widest span does not overflow: draws land on both sides of zero.
    int below = 0, above = 0;
    for (int i = 0; i < 200; ++i) (RANDO(INT32_MIN, INT32_MAX) < 0 ? below : above)++;
    EXPECT_GT(below, 50);
    EXPECT_GT(above, 50);
    bool seen_low = false, seen_high = false;
    for (int i = 0; i < 1000; ++i) {
        int32_t v = RANDO(0, 1);
        seen_low |= v == 0;
        seen_high |= v == 1;
    }
    EXPECT_TRUE(seen_low && seen_high);
}

TEST(Substrings, FindAndCutAtTheEdges) {
    EXPECT_EQ(STRPOS("", "abc"), 0);
    EXPECT_EQ(STRPOS("a", ""), 0);
    EXPECT_EQ(STRPOS("c", "abcabc"), 3);
    EXPECT_EQ(STRRPOS("x", "abc"), 4);
    EXPECT_EQ(STRRPOS("", ""), 1);
    EXPECT_EQ(STRRPOS("c", "abcabc"), 6);
    EXPECT_EQ(PREFIX("/", "abc"), "abc");
    EXPECT_EQ(SUFFIX("/", "abc"), "");
    EXPECT_EQ(PREFIX("a", "abc"), "");
    EXPECT_EQ(SUFFIX("c", "abc"), "");
    EXPECT_EQ(SUFFIX("b", "abcb"), "cb");
    EXPECT_EQ(EXT_PREFIX(".", "readme"), "readme");
    EXPECT_EQ(EXT_SUFFIX(".", "readme"), "");
    EXPECT_EQ(EXT_PREFIX(".", "cave.entry.seq"), "cave.entry");
    EXPECT_EQ(EXT_SUFFIX(".", "cave.entry.seq"), "seq");
    EXPECT_EQ(EXT_PREFIX(".seq", "7.SEQ"), "7.SEQ");
    EXPECT_EQ(middle("abc", 0, 2), "");
    EXPECT_EQ(middle("abc", 2, 99), "bc");
    EXPECT_EQ(middle("abc", 4, 1), "");
    EXPECT_EQ(left("abc", -1), "");
}

TEST(Substrings, AxisLabelAndParameter) {
    EXPECT_EQ(AXISPARAM_S("speed<12>", "<", ">"), "12");
    EXPECT_EQ(AXISLABEL_S("speed<12>", "<", ">"), "speed");
    EXPECT_EQ(AXISLABEL_S("abc>", "<", ">"), "");
    EXPECT_EQ(AXISLABEL_S("a>b<c", "<", ">"), "a>b<c");
    EXPECT_EQ(AXISLABEL_S("ab<c", "<", ">"), "ab");
    EXPECT_EQ(AXISPARAM_S("a<b", "<", ">"), "");
    EXPECT_EQ(AXISPARAM_S("a>b<c", "<", ">"), "");
}

TEST(Substrings, ReplaceRepeatsUntilNothingIsLeft) {
    std::string s = "a    b";
    EXPECT_EQ(STR_REPLACE("  ", " ", s), "a b");
    EXPECT_EQ(s, "a b");
    std::string t = "abbb";  // text made by a replacement is searched again
    EXPECT_EQ(STR_REPLACE("ab", "a", t), "a");
    std::string u = "xabb";
    EXPECT_EQ(STR_REPLACE("bb", "b", u), "xab");
    std::string e = "abc";
    EXPECT_EQ(STR_REPLACE("", "x", e), "abc");
    // A replacement holding its needle ends after one pass instead of never.
    std::string g = "a.b.c";
    EXPECT_EQ(STR_REPLACE(".", "..", g), "a..b..c");
    std::string big(200000, ' ');
    EXPECT_EQ(STR_REPLACE("  ", " ", big), " ");
}

TEST(Substrings, PackAndCount) {
    std::string b;
    EXPECT_EQ(PACKTEXT(b, "x"), "x");
    EXPECT_EQ(PACKTEXT(b, "y"), "x\r\ny");
    std::string r;
    PACKTEXTREVERSE(r, "x");
    EXPECT_EQ(PACKTEXTREVERSE(r, "y"), "y\r\nx");
    std::string h1 = "a,b,c", h2 = "a,b,", h3 = "abc";
    EXPECT_EQ(NEEDLECOUNT(",", h1), 2);
    EXPECT_EQ(h1, "");
    EXPECT_EQ(NEEDLECOUNT(",", h2), 1);
    EXPECT_EQ(NEEDLECOUNT("", h3), 0);
}

TEST(PortWait, ReturnsOnTheBitAndAFailingReadIsNoPrivileges) {
    static int reads = 0;
    // Ready on the third read: the wait goes on until then.
    PORT_WAIT(1, 1, __LINE__, [](int, int& value) { value = ++reads >= 3 ? 1 : 2; return 0; });
    EXPECT_EQ(reads, 3);
    EXPECT_EXIT(PORT_WAIT(1, 1, 42, [](int, int&) { return 8; }), ::testing::ExitedWithCode(8),
                "Aborting due to runtime error 8 \\(no privileges\\) at line 42");
}

TEST(Text, Utf8IsWellFormedOrNot) {
    for (const char* good : {"", "plain", "caf\xC3\xA9", "\xE2\x80\x9Cquoted\xE2\x80\x9D", "\xED\x9F\xBF",
                             "\xEF\xBF\xBF", "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF"})
        EXPECT_TRUE(is_utf8(good)) << good;
    // Overlong forms, surrogates, past U+10FFFF, lead bytes that lead
    // nowhere, a sequence cut short or broken.
    for (const char* bad : {"\xC0\xAF", "\xC1\xBF", "\xE0\x80\xAF", "\xE0\x9F\xBF", "\xF0\x80\x80\xAF",
                            "\xF0\x8F\xBF\xBF", "\xED\xA0\x80", "\xED\xBF\xBF", "\xF4\x90\x80\x80",
                            "\xF5\x80\x80\x80", "\xF7\xBF\xBF\xBF", "\xFF", "\x80", "caf\xC3", "\xE2\x80",
                            "\xC3\x28", "\xE2\x28\xA1"})
        EXPECT_FALSE(is_utf8(bad)) << bad;
}
