#include <sys/stat.h>
#include <unistd.h>

#include "story_support.h"

using Pages = Story;

TEST_F(Pages, TheOldBridgeFieldByField) {
    page("12", "The Old Bridge\r\n1, 1, bridge\r\nnpc = troll\nitem = lantern\rn, 14, 0, Cross the bridge\n"
               "b, 11, 0, Go back\nw, 12, -13, Wait\nt, 15, 9, Show the troll the map\n"
               "A troll squats under the bridge.\nIts lantern smokes in the fog.\n\nThe way back lies behind you.\n");
    LOAD_PAGES(PAGES);
    ASSERT_EQ(PAGES.ubound(), 12);
    STORY_PAGE_TYPE& p = PAGES(12);
    EXPECT_EQ(p.INDEX, 12);
    EXPECT_EQ(p.CAPTION, "The Old Bridge");
    EXPECT_EQ(p.NPC_COUNT, 1);
    EXPECT_EQ(p.ITEM_COUNT, 1);
    EXPECT_EQ(p.ENTITY_COUNT, 2);
    EXPECT_EQ(p.SPRITE, "bridge");
    EXPECT_EQ(p.ENTITY.ubound(), 2);
    EXPECT_EQ(p.ENTITY(0), "");
    EXPECT_EQ(p.ENTITY(1), "npc = troll");
    EXPECT_EQ(p.ENTITY(2), "item = lantern");
    EXPECT_EQ(p.NPC(1), "npc = troll");
    EXPECT_EQ(p.ITEM(1), "item = lantern");
    EXPECT_EQ(p.OPTIONS(1).KEY, "n");
    EXPECT_EQ(p.OPTIONS(1).DEST, 14);
    EXPECT_EQ(p.OPTIONS(1).CAPTION, "Cross the bridge");
    EXPECT_EQ(p.OPTIONS(3).REQ, -13);
    EXPECT_EQ(p.OPTIONS(4).REQ, 9);
    EXPECT_EQ(p.OPTIONS(4).CAPTION, "Show the troll the map");
    EXPECT_EQ(p.DESC(1), "A troll squats under the bridge.");
    EXPECT_EQ(p.DESC(3), "");
    EXPECT_EQ(p.DESC(4), "The way back lies behind you.");
    EXPECT_EQ(p.HISTORY, 0);
    EXPECT_EQ(p.SCENE, nullptr);
    // Slots no file filled are default records.
    EXPECT_EQ(PAGES(3).INDEX, 0);
    EXPECT_TRUE(PAGES(3).OPTIONS.empty());
}

TEST_F(Pages, FieldRulesQuotesNumbersAndBlanks) {
    page("1", "\"Cold, wet\" , 2.5 3.5\t,  spr ite \n"
              "\"npc = a\"x\n"        // after the closing quote, x starts the next field
              "n , 14, &H10, Go\n"    // "n " keeps its blank
              ",1,-13,Never\n"
              "\" \",2,0,Wait\n"
              "k,1e1,0,\"unterminated\n"
              "d1,d2\n");
    LOAD_PAGES(PAGES);
    STORY_PAGE_TYPE& p = PAGES(1);
    EXPECT_EQ(p.CAPTION, "Cold, wet");
    EXPECT_EQ(p.NPC_COUNT, 2);
    EXPECT_EQ(p.ITEM_COUNT, 4);
    EXPECT_EQ(p.SPRITE, "spr ite ");
    EXPECT_EQ(p.NPC(1), "npc = a");
    EXPECT_EQ(p.NPC(2), "x");
    EXPECT_EQ(p.ITEM(1), "n ");  // the counts make the next four fields items
    EXPECT_EQ(p.ITEM(3), "&H10");
    EXPECT_EQ(p.ENTITY(6), "Go");
    EXPECT_EQ(p.OPTIONS(1).KEY, "");
    EXPECT_EQ(p.OPTIONS(1).DEST, 1);
    EXPECT_EQ(p.OPTIONS(2).KEY, " ");
    EXPECT_EQ(p.OPTIONS(3).DEST, 10);  // 1e1 is a decimal number
}

TEST_F(Pages, OptionFieldsAndNumberForms) {
    page("2", "T\n0,0,s\n"
              "n , 14, 0, Go\n"
              ",1,-13,Never\n"
              "\" \",2.5,3.5,Wait\n"
              "k,&H10,-13,\"unterminated\n"
              "a,b\n");
    LOAD_PAGES(PAGES);
    STORY_PAGE_TYPE& p = PAGES(2);
    EXPECT_EQ(p.OPTIONS(1).KEY, "n ");
    EXPECT_EQ(p.OPTIONS(1).DEST, 14);
    EXPECT_EQ(p.OPTIONS(2).KEY, "");
    EXPECT_EQ(p.OPTIONS(2).REQ, -13);
    EXPECT_EQ(p.OPTIONS(3).KEY, " ");
    EXPECT_EQ(p.OPTIONS(3).DEST, 2);  // halves to even
    EXPECT_EQ(p.OPTIONS(3).REQ, 4);
    EXPECT_EQ(p.OPTIONS(4).DEST, 16);
    EXPECT_EQ(p.OPTIONS(4).CAPTION, "unterminated");  // a line end closes a quote too
    EXPECT_EQ(p.DESC(1), "a");
    EXPECT_EQ(p.DESC(2), "b");
    EXPECT_EQ(p.DESC(3), "");
}

TEST_F(Pages, AFullLengthFieldEndsAtItsComma) {
    // 4096 characters is the most a field holds; the comma after them ends it.
    const std::string title(4096, 'T');
    page("1", title + "\n1,0,bridge\nnpc = troll\n");
    page("2", "\"" + title + "\",1,0,bridge\nnpc = troll\n");
    page("3", title + "x,1,0,bridge\n");  // one more: "x" is the next field
    LOAD_PAGES(PAGES);
    for (int i : {1, 2}) {
        EXPECT_EQ(PAGES(i).CAPTION, title) << i;
        ASSERT_EQ(PAGES(i).NPC_COUNT, 1) << i;
        EXPECT_EQ(PAGES(i).SPRITE, "bridge") << i;
        EXPECT_EQ(PAGES(i).NPC(1), "npc = troll") << i;
    }
    EXPECT_EQ(PAGES(3).NPC_COUNT, 0);
    EXPECT_EQ(PAGES(3).ITEM_COUNT, 1);
}

TEST_F(Pages, UnquotedCommaInTheCaptionShiftsEveryField) {
    page("0", "Cold, wet\n1,0,x\n");
    LOAD_PAGES(PAGES);
    EXPECT_EQ(PAGES(0).CAPTION, "Cold");
    EXPECT_EQ(PAGES(0).NPC_COUNT, 0);  // "wet" has no digits
    EXPECT_EQ(PAGES(0).ITEM_COUNT, 1);
    EXPECT_EQ(PAGES(0).SPRITE, "0");
}

TEST_F(Pages, EmptyFileAndDuplicateIndices) {
    page("4", "");
    page("5", "First\n2,0,a\nnpc = x\nnpc = y\n");
    page("05", "Second\n0,1,b\nitem = z\n");
    LOAD_PAGES(PAGES);
    STORY_PAGE_TYPE& empty = PAGES(4);
    EXPECT_EQ(empty.INDEX, 4);
    EXPECT_EQ(empty.OPTIONS.ubound(), 4);
    EXPECT_EQ(empty.OPTIONS(4).KEY, "");
    EXPECT_EQ(empty.DESC(4), "");
    // Whichever file came last owns the texts; the entity count is the sum.
    STORY_PAGE_TYPE& dup = PAGES(5);
    EXPECT_EQ(dup.ENTITY_COUNT, 3);
    EXPECT_EQ(dup.ENTITY.ubound(), 3);
    if (dup.CAPTION == "Second") {
        EXPECT_EQ(dup.ENTITY(1), "item = z");
        EXPECT_EQ(dup.ENTITY(3), "");
    } else {
        EXPECT_EQ(dup.CAPTION, "First");
        EXPECT_EQ(dup.ENTITY(2), "npc = y");
    }
}

TEST_F(Pages, NamesAndTheirIndices) {
    page("007", "Seven");
    page(" 3 cellar", "Three");
    page("cellar", "Zero");
    LOAD_PAGES(PAGES);
    EXPECT_EQ(PAGES(7).CAPTION, "Seven");
    EXPECT_EQ(PAGES(3).CAPTION, "Three");
    EXPECT_EQ(PAGES(0).CAPTION, "Zero");
    // A base name keeps everything before its last ".seq".
    Array<STORY_PAGE_TYPE> more;
    page("8.seq", "Eight");  // the file 8.seq.seq
    PAGE_CREATE(more, "8.seq");
    EXPECT_EQ(more(8).CAPTION, "Eight");
}

TEST_F(Pages, MissingFilesAndAnEmptyFolder) {
    LOAD_PAGES(PAGES);
    EXPECT_EQ(PAGES.ubound(), -1);
    EXPECT_EQ(PAGES.lbound(), 0);
    // "Is not a file" shows on the console and waits for a key.
    key_push("x");
    text_locate(1, 1);
    PAGE_CREATE(PAGES, "7.SEQ");
    EXPECT_TRUE(PAGES.empty());
    EXPECT_EQ(key_count(), 1);
    std::string screen;
    for (int col = 0; col < 60; ++col) {
        // The console font draws ink in the cell; read back which cells have any.
        bool ink = false;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) ink |= px(surface_page(0), col * 8 + x, y) == 0xFFFFFFFFu;
        screen += ink ? '#' : '.';
    }
    EXPECT_EQ(screen.substr(0, 7), "##.###.");  // "Is not ..." was flipped to the screen
    EXPECT_NE(screen.find("######"), std::string::npos);
}

TEST_F(Pages, APageThatCannotBeReadIsNotAFile) {
    // Read once: what cannot be read whole gets the reader's "Is not a
    // file" message and leaves the story as it was.
    STORY.CONSOLE = CONSOLE_QUIET;
    page("1", "One\n0,0,x\n");
    fs::create_directories("Brindle/Assets/Pages/5.seq");  // a folder: not listed, and not a file
    fs::create_symlink("1.seq", "Brindle/Assets/Pages/2.seq");  // a link to a page file is one
    fs::create_symlink("5.seq", "Brindle/Assets/Pages/6.seq");  // a link to a folder is not
    LOAD_PAGES(PAGES);
    EXPECT_EQ(PAGES.ubound(), 2);
    EXPECT_EQ(PAGES(2).CAPTION, "One");
    EXPECT_TRUE(STORY.MESSAGES.empty());
    PAGE_CREATE(PAGES, "5");
    ASSERT_EQ(STORY.MESSAGES.size(), 1u);
    EXPECT_EQ(STORY.MESSAGES[0], "Is not a file: \".\\Brindle\\Assets\\Pages\\5.seq\"");
    EXPECT_EQ(PAGES.ubound(), 2);
    if (geteuid() != 0) {  // root reads everything
        page("3", "Three\n0,0,x\n");
        chmod("Brindle/Assets/Pages/3.seq", 0);
        LOAD_PAGES(PAGES);
        EXPECT_EQ(PAGES.ubound(), 2);
        EXPECT_EQ(STORY.MESSAGES.back(), "Is not a file: \".\\Brindle\\Assets\\Pages\\3.seq\"");
    }
}

TEST_F(Pages, HostileFilesAreRefusedOrReadSafely) {
    page("-3", "Negative");
    page("100000", "Too far");
    page("6", "Bad counts\n-1,2,x\n");
    page("9", "Huge counts\n5000000,0,x\n");
    std::string binary;
    for (int i = 0; i < 70000; ++i) binary += char(i * 7 + (i >> 8));
    page("10", binary);
    page("11", std::string(10 << 20, 'a'));  // one 10 MB line
    page("13", "\"" + std::string(9000, 'q'));
    for (int i = 0; i < 5; ++i) key_push("k");
    LOAD_PAGES(PAGES);
    EXPECT_EQ(PAGES.ubound(), 13);
    EXPECT_EQ(PAGES(6).CAPTION, "");  // refused with a message, left a default record
    EXPECT_EQ(PAGES(9).CAPTION, "");
    EXPECT_EQ(PAGES(11).CAPTION.size(), 4096u);
    EXPECT_EQ(PAGES(11).SPRITE.size(), 4096u);
    EXPECT_EQ(PAGES(13).CAPTION.size(), 4096u);
    EXPECT_EQ(PAGES(10).INDEX, 10);
}

TEST_F(Pages, CopyKeepsHandlesDestroyClearsContent) {
    page("1", "T\n1,0,s\nnpc = a\nk,2,0,Go\n,,,\n,,,\n,,,\nd\n");
    LOAD_PAGES(PAGES);
    STORY_PAGE_TYPE copy = PAGES(1);
    copy.NPC(1) = "changed";
    EXPECT_EQ(PAGES(1).NPC(1), "npc = a");
    PAGES(1).HISTORY = 3;
    PAGE_DESTROY(PAGES, 1);
    EXPECT_EQ(PAGES(1).CAPTION, "");
    EXPECT_TRUE(PAGES(1).OPTIONS.empty());
    EXPECT_EQ(PAGES(1).HISTORY, 3);
    EXPECT_EQ(PAGES(1).INDEX, 1);
    EXPECT_EQ(copy.OPTIONS(1).CAPTION, "Go");
    EXPECT_EXIT(PAGE_DESTROY(PAGES, 2), ::testing::ExitedWithCode(6), "PAGE_DESTROY");
}
