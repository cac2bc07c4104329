// Play-through scripts: what a script can say, what a failing line reports,
// a fault at the line that pressed the key, and frames blessed, compared
// and their differences placed.
#include <cstdlib>

#include "image_file.h"
#include "play_script.h"
#include "story_support.h"

namespace {
const fs::path SHIPPED = fs::path(std::getenv("PROJECT_ROOT") ? std::getenv("PROJECT_ROOT") : ".") / "Brindle";

// Three pages: option s on page 0 only after page 1 was played, x leads
// to a page without a file.
void three_pages() {
    const fs::path assets = "Brindle/Assets";
    fs::create_directories(assets / "Sprites");
    fs::copy(SHIPPED / "Assets" / "Fonts", assets / "Fonts", fs::copy_options::recursive);
    fs::copy(SHIPPED / "Assets" / "Sprites" / "interface", assets / "Sprites" / "interface", fs::copy_options::recursive);
    fs::copy_file(SHIPPED / "Assets" / "Sprites" / "background.png", assets / "Sprites" / "background.png");
    Scratch::write("Brindle/Assets/Pages/0.seq", "Start\n0,0,none\nn,1,0,On\ns,2,1,Secret\nx,7,0,Broken\n,,,\nDark.\n");
    Scratch::write("Brindle/Assets/Pages/1.seq", "One\n0,0,none\nb,0,0,Back\n,,,\n,,,\n,,,\nPage one.\n");
    Scratch::write("Brindle/Assets/Pages/2.seq", "Two\n0,0,none\nb,0,0,Back\n,,,\n,,,\n,,,\nPage two.\n");
}

PLAY_SCRIPT parsed(const std::string& text, const std::string& path = "t.play") {
    PLAY_SCRIPT script;
    std::vector<std::string> errors;
    EXPECT_TRUE(PLAY_PARSE(path, text, script, errors)) << (errors.empty() ? "" : errors[0]);
    return script;
}

std::vector<int32_t> failed_lines(const PLAY_OUTCOME& o) {
    std::vector<int32_t> lines;
    for (const PLAY_FAILURE& f : o.FAILURES) lines.push_back(f.LINE);
    return lines;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
}  // namespace

using Play = Story;

TEST_F(Play, EveryBadLineIsNamedAndGoodLinesReadAsWritten) {
    PLAY_SCRIPT script;
    std::vector<std::string> errors;
    const std::string bad =
        "# a comment\n"
        "press n sapce\n"          // 2: no such key
        "presss n\n"               // 3: no such command
        "expect page\n"            // 4: no number
        "frame a.png at 0 0 641 1\n"  // 5: outside the frame
        "frame a.diff.png\n"       // 6: a name a failing run writes
        "expect progress 3 pages\n"   // 7: not a figure
        "expect offered\n"         // 8: no key
        "press n\n";
    EXPECT_FALSE(PLAY_PARSE("bad.play", bad, script, errors));
    ASSERT_EQ(errors.size(), 7u);
    for (size_t i = 0; i < errors.size(); ++i) EXPECT_EQ(errors[i].rfind("bad.play:" + std::to_string(i + 2) + ": ", 0), 0u) << errors[i];
    EXPECT_TRUE(contains(errors[0], "'sapce'")) << errors[0];
    EXPECT_TRUE(contains(errors[1], "'presss'")) << errors[1];

    const PLAY_SCRIPT good = parsed(
        "  PRESS n N space Tab backspace ctrl+a f5 #\r\n"
        "\n"
        "expect not offered space \"Wait, quietly\"\n"
        "expect progress grade 13%, 3 of 23\n"
        "frame frames/bar.png at 0 432 640 48\n");
    ASSERT_EQ(good.STEPS.size(), 4u);
    EXPECT_EQ(good.STEPS[0].KEYS, (std::vector<std::string>{"n", "N", " ", "\t", "\b", "\x01", extended_key(63), "#"}));
    EXPECT_EQ(good.STEPS[1].LINE, 3);
    EXPECT_EQ(good.STEPS[1].COMMAND, PLAY_EXPECT_NOT_OFFERED);
    EXPECT_EQ(good.STEPS[1].KEY, " ");
    EXPECT_EQ(good.STEPS[1].CAPTION, "Wait, quietly");
    EXPECT_EQ(good.STEPS[2].TALLY, 3);
    EXPECT_EQ(good.STEPS[2].TOTAL, 23);
    EXPECT_EQ(good.STEPS[2].TURNS, -1);
    EXPECT_EQ(good.STEPS[2].GRADE, 1300);
    EXPECT_TRUE(good.STEPS[3].RECT);
    EXPECT_EQ(good.STEPS[3].Y + good.STEPS[3].H, 480);
    EXPECT_EQ(PLAY_FRAME_PATH(parsed("press n\n", "tests/x/a.play"), "f/b.png"), "tests/x/f/b.png");
    EXPECT_EQ(PLAY_GOT_PATH("tests/x/f/b.png"), "tests/x/f/b.got.png");
    EXPECT_EQ(PLAY_DIFF_PATH("tests/x/f/b.png"), "tests/x/f/b.diff.png");
}

TEST_F(Play, AFailingLineSaysWhatWasExpectedAndWhatWasFound) {
    three_pages();
    ASSERT_TRUE(STORY_OPEN("", STORY_LOGIC).ok);
    const PLAY_OUTCOME o = PLAY_RUN(parsed("expect page 0\n"                                   // 1
                                           "expect not offered s\n"                            // 2
                                           "expect offered s\n"                                // 3 fails
                                           "press n b\n"                                       // 4
                                           "expect offered s Secret\n"                         // 5
                                           "expect progress 2 of 3, 2 turns, grade 066.66%\n"  // 6
                                           "expect progress 1 of 3\n"                          // 7 fails
                                           "expect offered q\n"                                // 8 fails
                                           "press n b s\n"                                     // 9
                                           "expect page 1\n"                                   // 10 fails, stops
                                           "expect page 2\n"),
                                    false);
    EXPECT_EQ(failed_lines(o), (std::vector<int32_t>{3, 7, 8, 10}));
    EXPECT_EQ(o.CHECKS, 8);
    EXPECT_EQ(o.STOPPED_AT, 10);
    EXPECT_FALSE(o.FAULTED);
    ASSERT_EQ(o.FAILURES.size(), 4u);
    EXPECT_EQ(o.FAILURES[0].MESSAGE,
              "expected option 's' to be offered on page 0 'Start', found it not offered (it needs page 1 played); "
              "the option bar shows: <N>On <X>Broken");
    EXPECT_EQ(o.FAILURES[1].MESSAGE, "expected progress 1 of 3, found 2 of 3, 2 turns, grade 066.66%");
    EXPECT_TRUE(contains(o.FAILURES[2].MESSAGE, "no such option")) << o.FAILURES[2].MESSAGE;
    EXPECT_EQ(o.FAILURES[3].MESSAGE,
              "expected page 1, found page 2 'Two' (an ending) (after 's' on page 0 'Start' took its option 2); the way since "
              "line 1: 0 -n-> 1 -b-> 0 -n-> 1 -b-> 0 -s-> 2");
}

TEST_F(Play, AFaultOrEscapeStopsTheScriptAtTheLineThatPressedIt) {
    three_pages();
    for (STORY_MODE mode : {STORY_LOGIC, STORY_FRAMES}) {
        ASSERT_TRUE(STORY_OPEN("", mode).ok);
        const PLAY_OUTCOME fault = PLAY_RUN(parsed("press n b\npress n b x n\nexpect page 0\n"), false);
        EXPECT_EQ(failed_lines(fault), std::vector<int32_t>{2});
        EXPECT_TRUE(fault.FAULTED);
        ASSERT_EQ(fault.FAILURES.size(), 1u);
        const std::string& m = fault.FAILURES[0].MESSAGE;
        EXPECT_EQ(m.rfind("pressing 'x' on page 0 'Start' ended the story: Aborting due to runtime error 6", 0), 0u) << m;
        EXPECT_TRUE(contains(m, "(its option 3 leads to page 7, which has no page file)")) << m;

        ASSERT_TRUE(STORY_OPEN("", mode).ok);
        const PLAY_OUTCOME escape = PLAY_RUN(parsed("press n escape b\nrestart\npress n\nexpect page 1\n"), false);
        EXPECT_EQ(failed_lines(escape), std::vector<int32_t>{1});
        EXPECT_TRUE(contains(escape.FAILURES.at(0).MESSAGE, "'b' and the keys after it are never pressed"));
        const PLAY_OUTCOME after = PLAY_RUN(parsed("restart\npress escape\nrestart\npress n\nexpect page 1\n"), false);
        EXPECT_TRUE(after.FAILURES.empty()) << after.FAILURES.at(0).MESSAGE;
    }
}

TEST_F(Play, FramesAreBlessedThenComparedAndADifferenceIsPlacedAndWrittenOut) {
    three_pages();
    ASSERT_TRUE(STORY_OPEN("", STORY_FRAMES).ok);
    const PLAY_SCRIPT script = parsed("frame f/start.png\npress n\nframe f/bar.png at 8 432 600 48\n", "s/t.play");
    PLAY_OUTCOME o = PLAY_RUN(script, true);
    EXPECT_TRUE(o.FAILURES.empty());
    EXPECT_EQ(o.BLESSED, (std::vector<std::string>{"s/f/start.png", "s/f/bar.png"}));

    // What was stored is the frame the window shows, without its alpha.
    ASSERT_TRUE(STORY_RESTART().ok);
    Image shown(image_create(640, 480, 0));
    ASSERT_TRUE(STORY_SNAPSHOT(shown.get()));
    Image start(LoadRGBAFile("s/f/start.png"));
    ASSERT_TRUE(start);
    bool same = true;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) same &= ((px(start.get(), x, y) ^ px(shown.get(), x, y)) & 0xFFFFFF) == 0;
    EXPECT_TRUE(same);
    Image bar(LoadRGBAFile("s/f/bar.png"));
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->WIDTH, 600u);
    EXPECT_EQ(bar->HEIGHT, 48u);

    o = PLAY_RUN(script, false);
    EXPECT_TRUE(o.FAILURES.empty()) << o.FAILURES.at(0).MESSAGE;
    ASSERT_TRUE(STORY_RESTART().ok);
    o = PLAY_RUN(script, true);
    EXPECT_TRUE(o.BLESSED.empty());
    EXPECT_EQ(o.UNCHANGED, 2);

    // Two pixels changed in the stored start frame; the bar stored at another size.
    image_row(start.get(), 50)[100] ^= 0x000100;
    image_row(start.get(), 200)[300] ^= 0x800000;
    ASSERT_TRUE(SavePNGFile(start.get(), "s/f/start.png", 0));
    Image small(image_create(10, 10, 0xFF000000u));
    ASSERT_TRUE(SavePNGFile(small.get(), "s/f/bar.png", 0));
    ASSERT_TRUE(STORY_RESTART().ok);
    o = PLAY_RUN(script, false);
    ASSERT_EQ(failed_lines(o), (std::vector<int32_t>{1, 3}));
    const std::string& m = o.FAILURES[0].MESSAGE;
    EXPECT_TRUE(contains(m, "frame s/f/start.png differs: 2 of 307200 pixels, the first at (100, 50)")) << m;
    EXPECT_TRUE(contains(m, "all within (100, 50)-(300, 200); the frame got: s/f/start.got.png, the differences: "
                            "s/f/start.diff.png")) << m;
    Image got(LoadRGBAFile("s/f/start.got.png"));
    ASSERT_TRUE(got);
    EXPECT_EQ((px(got.get(), 100, 50) ^ px(start.get(), 100, 50)) & 0xFFFFFF, 0x000100u);
    // The differences: the two pixels bright, every other the stored one dimmed.
    Image diff(LoadRGBAFile("s/f/start.diff.png"));
    ASSERT_TRUE(diff);
    EXPECT_EQ(px(diff.get(), 100, 50), 0xFFFF00FFu);
    EXPECT_EQ(px(diff.get(), 300, 200), 0xFFFF00FFu);
    // Dimmed: each channel between a quarter and a third of the stored one.
    int64_t dimmed = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            if ((x == 100 && y == 50) || (x == 300 && y == 200)) continue;
            bool ok = true;
            for (int shift = 0; shift < 24; shift += 8) {
                const uint32_t a = (px(start.get(), x, y) >> shift) & 0xFF, d = (px(diff.get(), x, y) >> shift) & 0xFF;
                ok &= 3 * d <= a && 4 * d + 3 >= a;
            }
            dimmed += ok;
        }
    EXPECT_EQ(dimmed, 640 * 480 - 2);
    EXPECT_FALSE(fs::exists("s/f/bar.diff.png"));  // a picture of another size has no differences to show
    EXPECT_TRUE(contains(o.FAILURES[1].MESSAGE, "s/f/bar.png is 10 x 10, the rectangle (8, 432) 600 x 48"))
        << o.FAILURES[1].MESSAGE;

    // Blessing again mends both and clears the frames got.
    ASSERT_TRUE(STORY_RESTART().ok);
    o = PLAY_RUN(script, true);
    EXPECT_EQ(o.BLESSED.size(), 2u);
    EXPECT_FALSE(fs::exists("s/f/start.got.png"));
    EXPECT_FALSE(fs::exists("s/f/start.diff.png"));
    EXPECT_FALSE(fs::exists("s/f/bar.got.png"));
}
