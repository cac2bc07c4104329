// What a frame says in words (STORY_WORDS): the description as the text box
// shows it, the pictures a reader can see described, the options a key takes,
// the frame's own gallery and progress; and the descriptions as files of the
// story (listed, published, noted by the checker when missing).
#include <cstdlib>

#include "check.h"
#include "page_words.h"
#include "platform/process.h"
#include "story_support.h"
#include "web_export.h"

namespace {
const fs::path SHIPPED = fs::path(std::getenv("PROJECT_ROOT") ? std::getenv("PROJECT_ROOT") : ".") / "Brindle";

// The shipped font, bars and backdrop, one scene picture and three figure
// pictures below the scratch folder; pages are the test's own.
void interface() {
    const fs::path assets = "Brindle/Assets";
    fs::create_directories(assets / "Sprites" / "npc");
    fs::create_directories(assets / "Sprites" / "item");
    fs::create_directories(assets / "Sprites" / "scene");
    fs::copy(SHIPPED / "Assets" / "Fonts", assets / "Fonts", fs::copy_options::recursive);
    fs::copy(SHIPPED / "Assets" / "Sprites" / "interface", assets / "Sprites" / "interface", fs::copy_options::recursive);
    fs::copy_file(SHIPPED / "Assets" / "Sprites" / "background.png", assets / "Sprites" / "background.png");
    fs::copy_file(SHIPPED / "Assets" / "Sprites" / "scene" / "bridge.png", assets / "Sprites" / "scene" / "old_bridge.png");
    fs::copy_file(SHIPPED / "Assets" / "Sprites" / "npc" / "fox.png", assets / "Sprites" / "npc" / "fox.png");
    fs::copy_file(SHIPPED / "Assets" / "Sprites" / "npc" / "ghost.png", assets / "Sprites" / "npc" / "pale_ghost-of-old.png");
    fs::copy_file(SHIPPED / "Assets" / "Sprites" / "item" / "key.png", assets / "Sprites" / "item" / "key.png");
}

std::string words8(int from, int to) {  // " w01aaaaa w02aaaaa ...": eight letters each
    std::string s;
    for (int i = from; i <= to; ++i) s += " w" + std::string(i < 10 ? "0" : "") + std::to_string(i) + "aaaaa";
    return s;
}
}  // namespace

using Words = Story;

TEST_F(Words, TheTextBoxsWordsWholeAndThePicturesInSight) {
    interface();
    // Four figures: the fox and the ghost stand inside the frame; "nothing"
    // has no picture; the key, the last of four, stands due right of the
    // centre, 120 pixels out, wholly past the frame's right edge.
    page("0 bridge", "The Old Bridge\n3,1,old_bridge\nnpc = fox\nnpc = pale_ghost-of-old\nnpc = nothing\nitem = key\n"
                     "n,0,0,On\n,,,\n,,,\n,,,\n\"" + std::string(50, 'x') + words8(1, 20) + "\"\n");
    write("Brindle/Assets/Sprites/scene/old_bridge.txt", "\xEF\xBB\xBF  The bridge at\tnight  \r\nnot this line\n");
    write("Brindle/Assets/Sprites/npc/fox.txt", "A fox, caf\xE9 brown\n");  // Latin-1
    write("Brindle/Assets/Sprites/item/key.txt", "A key\n");
    ASSERT_TRUE(STORY_OPEN("", STORY_FRAMES).ok);
    const STORY_WORDS_TYPE w = STORY_WORDS();
    EXPECT_EQ(w.TITLE, "The Old Bridge");
    // The frame's lines: 40 x's; "- " and the other ten glued to w01 with
    // w02, w03; then four words a line. Its five rows end at w15.
    EXPECT_EQ(w.TEXT, std::string(50, 'x') + words8(1, 15));
    const std::vector<std::string> pictures = {"The bridge at night", "A fox, caf\xC3\xA9 brown", "pale ghost of old"};
    EXPECT_EQ(w.PICTURES, pictures);

    // A description whose first line is empty keeps its picture untold; one
    // the story reader refuses gives way to the name.
    write("Brindle/Assets/Sprites/scene/old_bridge.txt", "\n\nThe bridge\n");
    fs::create_symlink("/etc/hostname", "Brindle/Assets/Sprites/npc/fox.txt.lnk");
    fs::remove("Brindle/Assets/Sprites/npc/fox.txt");
    fs::rename("Brindle/Assets/Sprites/npc/fox.txt.lnk", "Brindle/Assets/Sprites/npc/fox.txt");
    EXPECT_EQ(STORY_WORDS().PICTURES, (std::vector<std::string>{"fox", "pale ghost of old"}));
}

TEST_F(Words, OnlyTheOptionsAKeyTakesNowWithTheirKeysNamed) {
    interface();
    page("0 start", "Start\n0,0,none\n"
                    "n,1,0,North\nN,2,0,Shadowed by north\nx,1,3,Only once page 3 is played\nq,1,0,\n");
    page("1 keys", "Keys\n0,0,none\n\" \",0,0,Wait\n\"\t\",0,0,Look around\n\xFFH,2,0,Up the stairs\n\x02,0,-1,Bell\n");
    page("2 odd", "Odd\n0,0,none\n\"n \",0,0,Never pressed\n\x1B,0,0,Escape ends first\nb,1,0,\xC0 bient\xF4t\n,,,\n");
    page("3 three", "Three\n0,0,none\n,,,\n,,,\n,,,\n,,,\n");
    ASSERT_TRUE(STORY_OPEN("", STORY_FRAMES).ok);
    auto offered = [] {
        std::vector<std::string> shown;
        for (const STORY_WORDS_OPTION& o : STORY_WORDS().OPTIONS) shown.push_back(o.KEY_NAME + ":" + o.CAPTION);
        return shown;
    };
    EXPECT_EQ(offered(), (std::vector<std::string>{"N:North"}));
    ASSERT_TRUE(STORY_PRESS("n").ok);
    EXPECT_EQ(offered(), (std::vector<std::string>{"Space:Wait", "Tab:Look around", "Up:Up the stairs", "Ctrl+B:Bell"}));
    // Each option's key is what pressing it gives: taking it is that key.
    const STORY_WORDS_TYPE keys = STORY_WORDS();
    ASSERT_TRUE(STORY_PRESS(keys.OPTIONS[2].KEY).ok);
    EXPECT_EQ(STORY_LOCATION(), 2);
    EXPECT_EQ(offered(), (std::vector<std::string>{"B:\xC3\x80 bient\xC3\xB4t"}));
}

TEST_F(Words, TheGalleryAndProgressAreTheFramesOwn) {
    interface();
    page("0 start", "Start\n0,0,none\nn,1,0,On\n,,,\n,,,\n,,,\n");
    page("1 one", "One\n0,0,none\nn,2,0,On\n,,,\n,,,\n,,,\n");
    page("2 two", "\n0,0,none\nb,0,0,Home\n,,,\n,,,\n,,,\n");
    ASSERT_TRUE(STORY_OPEN("", STORY_FRAMES).ok);
    EXPECT_FALSE(STORY_WORDS().GALLERY_SHOWN);
    EXPECT_TRUE(STORY_WORDS().PROGRESS.empty());
    for (const char* key : {"n", "n", "\t", "\b"}) ASSERT_TRUE(STORY_PRESS(key).ok);
    STORY_WORDS_TYPE w = STORY_WORDS();
    EXPECT_EQ(w.GALLERY, (std::vector<std::string>{"Start", "One", "Page 2"}));
    EXPECT_EQ(w.PROGRESS, (std::vector<std::string>{"2 of 3 pages played", "2 turns", "Grade 66.66%", "Efficiency 100.00%"}));
    // Home with the progress shown: the frame's gallery still holds the pages
    // played, drawn before its progress cleared their counts. Page 0 takes
    // its visit number now, the turn count, 2: page 2's cell, where page 2
    // is drawn over it.
    ASSERT_TRUE(STORY_PRESS("b").ok);
    w = STORY_WORDS();
    EXPECT_EQ(w.GALLERY, (std::vector<std::string>{"One", "Page 2"}));
    EXPECT_EQ(w.PROGRESS, (std::vector<std::string>{"0 of 3 pages played", "0 turns", "Grade 0.00%"}));
    ASSERT_TRUE(STORY_PRESS("\t").ok);
    EXPECT_FALSE(STORY_WORDS().GALLERY_SHOWN);
    EXPECT_TRUE(STORY_WORDS().GALLERY.empty());
}

TEST_F(Words, DescriptionsAreFilesOfTheStoryPublishedAndNotedWhenMissing) {
    interface();
    page("0 bridge", "Bridge\n2,0,old_bridge\nnpc = fox\nnpc = gone\nn,0,0,On\n,,,\n,,,\n,,,\n");
    write("Brindle/Assets/Sprites/npc/fox.txt", "A fox\n");
    ASSERT_TRUE(STORY_OPEN("", STORY_LOGIC).ok);
    std::vector<std::string> described;
    const std::vector<STORY_FILE_TYPE> files = STORY_FILES();
    for (size_t i = 1; i < files.size(); ++i)
        if (files[i].KIND == STORY_FILE_DESCRIPTION) {
            EXPECT_EQ(PICTURE_DESCRIPTION_PATH(files[i - 1].PATH), files[i].PATH);
            EXPECT_EQ(files[i].SLOT, files[i - 1].SLOT);
            described.push_back(native_path(files[i].PATH));
        }
    EXPECT_EQ(described, (std::vector<std::string>{"./Brindle/Assets/Sprites/scene/old_bridge.txt",
                                                   "./Brindle/Assets/Sprites/npc/fox.txt",
                                                   "./Brindle/Assets/Sprites/npc/gone.txt"}));
    STORY_CLOSE();

    bool fox = false;
    for (const WEB_FILE& f : WEB_STORY_FILES("").FILES) fox |= f.NAME == "Brindle/Assets/Sprites/npc/fox.txt" && f.BYTES == "A fox\n";
    EXPECT_TRUE(fox) << "published";

    // The scene picture has no description: one note. The fox has one, and
    // "gone" has no picture at all (its own warning).
    std::vector<std::string> notes;
    for (const DIAGNOSTIC& d : CHECK_STORY("", 1000).DIAGNOSTICS)
        if (d.NAME == "picture-without-description") notes.push_back(d.FILE + ": " + d.MESSAGE);
    EXPECT_EQ(notes, (std::vector<std::string>{
                         "Brindle/Assets/Sprites/scene/old_bridge.png: a screen reader says only \"old bridge\" for it: "
                         "write what it shows on the first line of old_bridge.txt beside it"}));
}
