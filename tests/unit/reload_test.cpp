// Reloading a story in place: the reader keeps their page and history, the
// frame after it is the one a new run on the new files shows in the same
// state, and files that do not make a story leave the old one untouched.
#include <cstdlib>

#include "image_file.h"
#include "story_support.h"

namespace {
const fs::path SHIPPED = fs::path(std::getenv("PROJECT_ROOT") ? std::getenv("PROJECT_ROOT") : ".") / "Brindle";

class Reload : public Story {
protected:
    void SetUp() override {
        Story::SetUp();
        const fs::path assets = "Brindle/Assets";
        fs::create_directories(assets / "Sprites" / "scene");
        fs::copy(SHIPPED / "Assets" / "Fonts", assets / "Fonts", fs::copy_options::recursive);
        fs::copy(SHIPPED / "Assets" / "Sprites" / "interface", assets / "Sprites" / "interface",
                 fs::copy_options::recursive);
        fs::copy(SHIPPED / "Assets" / "Sprites" / "npc", assets / "Sprites" / "npc", fs::copy_options::recursive);
        fs::copy_file(SHIPPED / "Assets" / "Sprites" / "background.png", assets / "Sprites" / "background.png");
        picture("red", 144, 96, 0xFFC02020u);
        picture("green", 144, 96, 0xFF20C020u);
        picture("blue", 144, 96, 0xFF2020C0u);
        page("0 start", "Start\n0,0,red\nn,1,0,On\n,,,\n,,,\n,,,\nThe start.\n");
        page("1 wood", "Wood\n1,0,green\nnpc = fox\nn,2,0,On\nb,0,0,Back\n,,,\n,,,\nA wood.\n");
        page("2 lake", "Lake\n0,0,blue\nb,0,0,Back\nw,1,1,Wood again\n,,,\n,,,\nA lake.\n");
    }
    static void picture(const std::string& name, int w, int h, uint32_t argb) {
        Image img(image_create(w, h, argb));
        ASSERT_TRUE(SavePNGFile(img.get(), ("Brindle/Assets/Sprites/scene/" + name + ".png").c_str(), 1));
    }
    static Image snapshot() {
        Image frame(image_create(640, 480, 0));
        EXPECT_TRUE(STORY_SNAPSHOT(frame.get()));
        return frame;
    }
    static void press(const std::vector<std::string>& keys) {
        for (const std::string& k : keys) ASSERT_TRUE(STORY_PRESS(k).ok) << k;
    }
};

TEST_F(Reload, TheFrameAfterAReloadIsANewRunsFrameOnTheNewFiles) {
    const std::vector<std::string> keys = {"n", "\t", "n", "\b"};
    ASSERT_TRUE(STORY_OPEN(".", STORY_FRAMES).ok);
    press(keys);
    ASSERT_EQ(STORY_LOCATION(), 2);
    const Image before = snapshot();
    // New words on the current page, new pictures for page 0 (a narrower
    // one: every figure canvas changes size) and for a played page.
    page("2 lake", "The Frozen Lake\n0,0,blue\nb,0,0,Back\nw,1,1,Wood again\n,,,\n,,,\nIce now.\n");
    picture("red", 96, 96, 0xFFE0A000u);
    picture("green", 144, 96, 0xFF606060u);
    const STORY_RESULT r = STORY_RELOAD();
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.message, "");
    EXPECT_EQ(STORY_LOCATION(), 2);
    EXPECT_EQ(STORY_PAGES()(2).CAPTION, "The Frozen Lake");
    EXPECT_EQ(STORY_PAGES()(1).HISTORY, 1);
    EXPECT_TRUE(STORY_GALLERY_SHOWN());
    EXPECT_TRUE(STORY_PROGRESS_SHOWN());
    const Image reloaded = snapshot();
    EXPECT_FALSE(same_pixels(before.get(), reloaded.get()));

    ASSERT_TRUE(STORY_OPEN(".", STORY_FRAMES).ok);
    press(keys);
    const Image fresh = snapshot();
    EXPECT_TRUE(same_pixels(reloaded.get(), fresh.get()));
    // And both go on alike: the condition on page 1 now holds.
    ASSERT_TRUE(STORY_RELOAD().ok);
    press({"w", "n"});
    const Image after_reload = snapshot();
    ASSERT_TRUE(STORY_OPEN(".", STORY_FRAMES).ok);
    press(keys);
    press({"w", "n"});
    EXPECT_TRUE(same_pixels(after_reload.get(), snapshot().get()));
}

TEST_F(Reload, AReaderOnAPageThatIsGoneGoesToTheStart) {
    ASSERT_TRUE(STORY_OPEN(".", STORY_FRAMES).ok);
    press({"n", "n"});
    fs::remove("Brindle/Assets/Pages/2 lake.seq");
    const STORY_RESULT r = STORY_RELOAD();
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.message, "page 2 is gone: back to page 0");
    EXPECT_EQ(STORY_LOCATION(), 0);
    EXPECT_EQ(STORY_PAGES().ubound(), 1);
    EXPECT_EQ(STORY_PAGES()(1).HISTORY, 1);  // the visit to page 1 is kept
    EXPECT_TRUE(STORY_PRESS("n").ok);
    EXPECT_EQ(STORY_LOCATION(), 1);
}

TEST_F(Reload, FilesThatMakeNoStoryLeaveTheOldOneWhole) {
    ASSERT_TRUE(STORY_OPEN(".", STORY_FRAMES).ok);
    press({"n"});
    const Image before = snapshot();
    struct Case {
        const char* what;
        std::function<void()> spoil, mend;
        const char* says;
    };
    const std::string lake = "Lake\n0,0,blue\nb,0,0,Back\nw,1,1,Wood again\n,,,\n,,,\nA lake.\n";
    const Case cases[] = {
        {"a refused page", [] { page("3 bad", "Bad\n-1,0,red\n"); }, [] { fs::remove("Brindle/Assets/Pages/3 bad.seq"); },
         "Character and item counts must be 0 to 4096"},
        {"no page files", [] { fs::rename("Brindle/Assets/Pages", "Pages.away"); fs::create_directories("Brindle/Assets/Pages"); },
         [] { fs::remove_all("Brindle/Assets/Pages"); fs::rename("Pages.away", "Brindle/Assets/Pages"); }, "no page files"},
        {"no page 0", [] { fs::rename("Brindle/Assets/Pages/0 start.seq", "start.away"); },
         [] { fs::rename("start.away", "Brindle/Assets/Pages/0 start.seq"); }, "no page 0"},
        {"a picture that cannot be read", [] { Scratch::write("Brindle/Assets/Sprites/scene/green.png", "not a picture"); },
         [] { picture("green", 144, 96, 0xFF20C020u); }, "first frame ends the story"},
        {"no font", [] { fs::rename("Brindle/Assets/Fonts/mishap22.alpha.png", "font.away"); },
         [] { fs::rename("font.away", "Brindle/Assets/Fonts/mishap22.alpha.png"); }, "font cannot be read"},
    };
    for (const Case& c : cases) {
        page("2 lake", "Changed\n0,0,blue\n,,,\n,,,\n,,,\n,,,\n\n");
        c.spoil();
        const STORY_RESULT r = STORY_RELOAD();
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_NE(r.message.find(c.says), std::string::npos) << c.what << ": " << r.message;
        EXPECT_EQ(STORY_LOCATION(), 1) << c.what;
        EXPECT_EQ(STORY_PAGES()(2).CAPTION, "Lake") << c.what;
        EXPECT_TRUE(same_pixels(before.get(), snapshot().get())) << c.what;
        c.mend();
        page("2 lake", lake);
    }
    // The old story still plays, and a good reload still works.
    press({"b", "n"});
    EXPECT_EQ(STORY_LOCATION(), 1);
    EXPECT_TRUE(STORY_RELOAD().ok);
}
}  // namespace
