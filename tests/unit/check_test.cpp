// The story checker: each common mistake named at its file and line, and
// reachability proven with the shortest keys.
#include <algorithm>
#include <cstdlib>
#include <map>

#include "../fixtures/reach_story.h"
#include "check.h"
#include "support.h"

namespace {
const fs::path SHIPPED_ASSETS =
    fs::path(std::getenv("PROJECT_ROOT") ? std::getenv("PROJECT_ROOT") : ".") / "Brindle" / "Assets";

bool found(const CHECK_REPORT& r, const std::string& name, const std::string& file, int line) {
    return std::any_of(r.DIAGNOSTICS.begin(), r.DIAGNOSTICS.end(), [&](const DIAGNOSTIC& d) {
        return d.NAME == name && d.FILE == file && d.LINE == line;
    });
}

std::string listing(const CHECK_REPORT& r) {
    std::string s;
    for (const DIAGNOSTIC& d : r.DIAGNOSTICS) s += d.FILE + ":" + std::to_string(d.LINE) + ": " + d.NAME + ": " + d.MESSAGE + "\n";
    return s;
}
}  // namespace

using Checker = Scratch;

// A first story of seven pages with the twelve mistakes new authors make most.
TEST_F(Checker, NamesEachCommonMistakeAtItsFileAndLine) {
    fs::create_directories("story/Brindle/Assets");
    fs::copy(SHIPPED_ASSETS / "Fonts", "story/Brindle/Assets/Fonts", fs::copy_options::recursive);
    fs::copy(SHIPPED_ASSETS / "Sprites", "story/Brindle/Assets/Sprites", fs::copy_options::recursive);
    const std::string P = "story/Brindle/Assets/Pages/";
    write(P + "0 start.seq",
          "Start\n0,0,crossroads\nn,1,0,Gate\ne,2,0,Meadow\nw,3,0,Woods\nx,40,0,Away\nRoads meet here.\n");
    write(P + "1 gate.seq", "The Gate, at Dawn\n0,0,village\nb,0,0,Back\n,,,\n,,,\n,,,\nA gate.\n");  // comma in the title
    write(P + "2 meadow.seq",
          "Meadow\n1,0,medow\nnpc = foxx\nb,0,0,Back\nf,4,0,Field\nr,5,0,River\nt,6,0,Tower\nGrass.\n");  // two misspellings
    // The tower has no way out, so "only after the tower" never holds; the
    // cave's key, listed nowhere, names a page beyond the story.
    write(P + "3 woods.seq", "Woods\n0,0,forest\nn ,0,0,Back\nk,0,6,Knock\nc,0,9,\n,,,\nTrees.\n");
    write(P + "4 field.seq", "Field\n0,0,meadow\nb,0,0,Back\n,,,\nA wide field.\n");  // two option lines missing
    write(P + "5 river.seq", "River\n0,0,lake\nb,0,0,Back\n,,,\n,,,\n,,,\nA caf\xC3\xA9 by the water.\n");
    write(P + "05 bank.seq", "Bank\n0,0,lake\nb,0,0,Back\n,,,\n,,,\n,,,\nThe bank.\n");
    std::string words;
    for (int i = 0; i < 60; ++i) words += "stone ";
    write(P + "6 tower.seq", "Tower\n0,0,cliff\n,,,\n,,,\n,,,\n,,,\n" + words + "\n");
    write("story/Brindle/Assets/Sprites/scene/cliff.png", "\xFF\xD8\xFF\xE0 not a PNG");

    const CHECK_REPORT r = CHECK_STORY("story", 1000000);
    const std::string F = "story/Brindle/Assets/Pages/";
    EXPECT_TRUE(found(r, "missing-destination", F + "0 start.seq", 6)) << listing(r);
    EXPECT_TRUE(found(r, "comma-in-text", F + "1 gate.seq", 1)) << listing(r);
    EXPECT_TRUE(found(r, "missing-scene-picture", F + "2 meadow.seq", 2)) << listing(r);
    EXPECT_TRUE(found(r, "missing-figure-picture", F + "2 meadow.seq", 3)) << listing(r);
    EXPECT_TRUE(found(r, "key-never-matches", F + "3 woods.seq", 3)) << listing(r);
    EXPECT_TRUE(found(r, "option-never-available", F + "3 woods.seq", 4)) << listing(r);
    EXPECT_TRUE(found(r, "missing-condition-page", F + "3 woods.seq", 5)) << listing(r);
    EXPECT_TRUE(found(r, "key-never-matches", F + "4 field.seq", 5)) << listing(r);       // the description read as a key
    EXPECT_TRUE(found(r, "duplicate-page-number", F + "5 river.seq", 0) ||
                found(r, "duplicate-page-number", F + "05 bank.seq", 0))
        << listing(r);
    EXPECT_TRUE(found(r, "bad-picture", F + "6 tower.seq", 2)) << listing(r);
    EXPECT_TRUE(found(r, "description-cut", F + "6 tower.seq", 7)) << listing(r);
    EXPECT_TRUE(found(r, "non-ascii-text", F + "5 river.seq", 7)) << listing(r);
    EXPECT_GE(r.ERRORS, 6);
}

// One mistake each, in a story that is otherwise clean: each gives exactly
// one error or warning, at the file and line of the cause, saying what to do.
TEST_F(Checker, EachMistakeIsOneFindingAtItsCause) {
    const std::string P = "story/Brindle/Assets/Pages/";
    const std::map<std::string, std::string> clean = {
        {"0 start", "Start\n1,0,crossroads\nnpc = fox\nn,1,0,Gate\ne,2,0,Meadow\n,,,\n,,,\nRoads meet here.\n"},
        {"1 gate", "The Gate\n0,0,village\nb,0,0,Back\nm,2,0,Meadow\n,,,\n,,,\nA gate.\nIt creaks.\nBirds sing.\nThe sky is wide.\n"},
        {"2 meadow", "Meadow\n0,0,meadow\nr,0,0,Start again\n,,,\n,,,\n,,,\nThe end.\n"}};
    struct Mistake {
        const char* page;
        std::string text;
        const char* name;
        int line;
        std::vector<std::string> says;
    };
    const std::string gate_end = "0,0,village\nb,0,0,Back\nm,2,0,Meadow\n,,,\n,,,\n";
    const std::vector<Mistake> mistakes = {
        {"1 gate", "The Gate, at Dawn\n" + gate_end + "A gate.\n", "comma-in-text", 1,
         {"line 1 holds three fields; a comma ends a field in unquoted text: put the text in double quotes"}},
        {"0 start", "Start\n1,0,crossroads\nnpc = fox\nn,1,0,Gate, quickly\ne,2,0,Meadow\n,,,\n,,,\nRoads.\n",
         "comma-in-text", 4, {"line 4 holds five fields, not four", "option 1's caption ends at 'Gate'"}},
        {"1 gate", "The Gate\n" + gate_end + "Someone came, and left.\nIt creaks.\nBirds sing.\nThe sky is wide.\n",
         "comma-in-text", 7, {"line 7 holds two fields", "ends at 'Someone came'"}},
        {"1 gate", "The Gate\n" + gate_end + "A gate.\nIt creaks.\nBirds sing.\nThe sky is wide.\nA fifth.\nA sixth.\n",
         "unread-lines", 11, {"lines 11 to 12 are never read"}},
        {"0 start", "Start\n1,0,crossroads\nnpc = fox\nnpc = fox\nn,1,0,Gate\ne,2,0,Meadow\n,,,\n,,,\nRoads.\n",
         "figure-count", 2, {"counts one figure", "two figure lines follow (lines 3 to 4)"}},
        {"0 start", "Start\n2,0,crossroads\nnpc = fox\nn,1,0,Gate\ne,2,0,Meadow\n,,,\n,,,\nRoads.\n", "figure-count", 2,
         {"counts two figures", "one figure line follows (line 3): line 4 is read as a figure"}},
        {"2 meadow", "Meadow\n0,0,meadow\nr,0,0,Start again\n,,,\n,,,\n,,,\nShe said \xE2\x80\x9Chome\xE2\x80\x9D \xE2\x80\x94 it\xE2\x80\x99s a caf\xC3\xA9.\n",
         "non-ascii-text", 7, {"5 characters outside ASCII", "\xE2\x80\x9C \xE2\x80\x9D as \"", "\xE2\x80\x94 as -", "\xE2\x80\x99 as '", "\xC3\xA9 as e"}},
        {"1 gate", "The Gate\n0,0,vilalge\nb,0,0,Back\nm,2,0,Meadow\n,,,\n,,,\nA gate.\n", "missing-scene-picture", 2,
         {"(did you mean 'village'?)"}},
        {"0 start", "Start\n1,0,crossroads\nnpc = fxo\nn,1,0,Gate\ne,2,0,Meadow\n,,,\n,,,\nRoads.\n", "missing-figure-picture", 3,
         {"(did you mean 'npc = fox'?)"}},
        {"0 start", "Start\n1,0,crossroads\nnpc = fox\nn,1,0,Gate\ne,2,9,Meadow\n,,,\n,,,\nRoads.\n", "missing-condition-page", 5,
         {"beyond the story's last page (2): the story ends in a fault as soon as this page is shown"}},
        {"2 meadow", "Meadow\n0,0,meadow\n,,,\n,,,\n,,,\n,,,\nThe end.\n", "dead-end", 0,
         {"the reader can only quit; give an ending an option back to page 0"}},
    };
    auto write_story = [&](const Mistake* m) {
        fs::remove_all("story");
        fs::create_directories(P);
        const fs::path A = SHIPPED_ASSETS, S = "story/Brindle/Assets/Sprites";
        fs::copy(A / "Fonts", "story/Brindle/Assets/Fonts", fs::copy_options::recursive);
        fs::create_directories(S / "interface");
        fs::create_directories(S / "scene");
        fs::create_directories(S / "npc");
        for (const char* f : {"background.png", "interface/background.png", "scene/crossroads.png", "scene/village.png",
                              "scene/meadow.png", "npc/fox.png"})
            fs::copy_file(A / "Sprites" / f, S / f);
        for (const auto& [name, text] : clean) write(P + name + ".seq", m && name == m->page ? m->text : text);
    };
    auto findings = [](const CHECK_REPORT& r) {
        std::vector<const DIAGNOSTIC*> out;
        for (const DIAGNOSTIC& d : r.DIAGNOSTICS)
            if (d.SEVERITY != "note") out.push_back(&d);
        return out;
    };
    write_story(nullptr);
    ASSERT_TRUE(findings(CHECK_STORY("story", 100000)).empty()) << listing(CHECK_STORY("story", 100000));
    for (const Mistake& m : mistakes) {
        write_story(&m);
        const CHECK_REPORT r = CHECK_STORY("story", 100000);
        const std::vector<const DIAGNOSTIC*> f = findings(r);
        ASSERT_EQ(f.size(), 1u) << m.name << "\n" << listing(r);
        EXPECT_EQ(f[0]->NAME, m.name) << listing(r);
        EXPECT_EQ(f[0]->FILE, P + m.page + ".seq") << listing(r);
        EXPECT_EQ(f[0]->LINE, m.line) << listing(r);
        for (const std::string& says : m.says) EXPECT_NE(f[0]->MESSAGE.find(says), std::string::npos) << f[0]->MESSAGE;
    }
}

TEST_F(Checker, ReachabilityIsExactWithTheShortestKeys) {
    reach_story::write("story", SHIPPED_ASSETS);
    const CHECK_REPORT r = CHECK_STORY("story", 1000000);
    ASSERT_TRUE(r.REACH.COMPLETE);
    const std::map<int, std::vector<std::string>> keys = {
        {0, {}}, {1, {"a"}}, {2, {"a", "x", "b"}}, {3, {"a", "x", "b", "c"}}, {4, {"s"}}, {6, {"\b"}}};
    for (const auto& [page, expected] : keys) {
        EXPECT_EQ(r.REACH.PAGES[size_t(page)].REACHABLE, REACH_YES) << page;
        EXPECT_EQ(REACH_KEYS(r.REACH, r.REACH.PAGES[size_t(page)].PROOF), expected) << page;
    }
    EXPECT_EQ(r.REACH.PAGES[5].REACHABLE, REACH_NO);
    EXPECT_TRUE(found(r, "unreachable-page", "story/Brindle/Assets/Pages/5.seq", 0)) << listing(r);
    EXPECT_TRUE(found(r, "option-shadowed", "story/Brindle/Assets/Pages/4.seq", 4)) << listing(r);
    const REACH_OPTION& b = r.REACH.OPTIONS[0][1];  // "b" needs page 1 played
    EXPECT_EQ(b.TAKEN, REACH_YES);
    EXPECT_EQ(REACH_KEYS(r.REACH, b.PROOF), (std::vector<std::string>{"a", "x", "b"}));
    EXPECT_EQ(r.ERRORS, 0) << listing(r);

    // A search cut short decides nothing it did not see.
    const CHECK_REPORT cut = CHECK_STORY("story", 3);
    EXPECT_FALSE(cut.REACH.COMPLETE);
    EXPECT_EQ(cut.REACH.PAGES[0].REACHABLE, REACH_YES);
    EXPECT_EQ(cut.REACH.PAGES[5].REACHABLE, REACH_UNDECIDED);
    EXPECT_EQ(std::count_if(cut.DIAGNOSTICS.begin(), cut.DIAGNOSTICS.end(),
                            [](const DIAGNOSTIC& d) { return d.NAME == "unreachable-page"; }),
              0);
}

TEST_F(Checker, TextThatDoesNotFitItsBar) {
    fs::create_directories("story/Brindle/Assets");
    fs::copy(SHIPPED_ASSETS / "Fonts", "story/Brindle/Assets/Fonts", fs::copy_options::recursive);
    fs::copy(SHIPPED_ASSETS / "Sprites", "story/Brindle/Assets/Sprites", fs::copy_options::recursive);
    const std::string caption(36, 'c');  // four of these need four lines of the option bar
    write("story/Brindle/Assets/Pages/0.seq", std::string(40, 'T') + "\n0,0,crossroads\n" + "a,0,0," + caption +
                                                "\nb,0,0," + caption + "\nc,0,0," + caption + "\nd,0,0," + caption + "\n");
    write("story/Brindle/Assets/Pages/1.seq", std::string(39, 'T') + "\n0,0,crossroads\na,0,0,Fits\n,,,\n,,,\n,,,\n");
    const CHECK_REPORT r = CHECK_STORY("story", 1000);
    EXPECT_TRUE(found(r, "title-cut", "story/Brindle/Assets/Pages/0.seq", 1)) << listing(r);
    EXPECT_TRUE(found(r, "options-cut", "story/Brindle/Assets/Pages/0.seq", 3)) << listing(r);
    EXPECT_FALSE(found(r, "title-cut", "story/Brindle/Assets/Pages/1.seq", 1)) << listing(r);
    EXPECT_FALSE(found(r, "options-cut", "story/Brindle/Assets/Pages/1.seq", 3)) << listing(r);
}
