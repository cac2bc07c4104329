// The file watcher through the in-memory surface: a change becomes one
// files_changed_key() at the program's next wait, a burst of writes is one
// change, files the story does not read are no change, folders on the way
// to a watched file count when made again, and a folder linked to itself
// costs nothing.
#include <chrono>
#include <thread>

#include "platform/file_watch.h"
#include "support.h"

namespace {
class FileWatch : public Scratch {
protected:
    void SetUp() override {
        Scratch::SetUp();
        fs::create_directories("Assets/Pages");
        fs::create_directories("Assets/Sprites/npc");
        write("Assets/VGA Table.seq", "0\n");
        std::string error;
        ASSERT_TRUE(watch_start("Assets", {"Assets\\Pages"},
                                {"Assets\\VGA Table.seq", "Assets\\Sprites\\npc\\fox.png",
                                 "Assets\\Sprites\\item\\new\\key.png", "Assets\\Sprites\\npc\\..\\npc\\owl.png"},
                                {".seq"}, error))
            << error;
    }
    void TearDown() override {
        watch_stop();
        Scratch::TearDown();
    }
    // How many change keys arrive within `ms` (the wait ends early at the first).
    static int changes(int ms = 1500) {
        int n = 0;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            sleep_ms(100);
            for (std::string k = key_read(); !k.empty(); k = key_read()) n += k == files_changed_key();
        }
        return n;
    }
};

TEST_F(FileWatch, ABurstOfWritesIsOneChange) {
    for (int i = 0; i < 20; ++i) write("Assets/Pages/0 start.seq", "Start " + std::to_string(i) + "\n");
    EXPECT_EQ(changes(), 1);
    EXPECT_EQ(changes(400), 0);
    fs::remove("Assets/Pages/0 start.seq");
    EXPECT_EQ(changes(), 1);
    write("Assets/VGA Table.seq", "1\n");
    EXPECT_EQ(changes(), 1);
    write("Assets/Sprites/npc/fox.png", "picture");
    EXPECT_EQ(changes(), 1);
}

TEST_F(FileWatch, FilesTheStoryDoesNotReadAreNoChange) {
    write("Assets/Pages/notes.txt", "x");
    write("Assets/Pages/.0 start.seq.swp", "x");
    write("Assets/other.seq", "x");
    write("Assets/Sprites/npc/unused.png", "x");
    write("elsewhere.seq", "x");
    // A folder linked to itself: looked into by nothing, so nothing loops.
    fs::create_directory_symlink(".", "Assets/Sprites/loop");
    write("Assets/Sprites/loop/npc/also-unused.png", "x");
    EXPECT_EQ(changes(800), 0);
    write("Assets/Sprites/npc/owl.png", "picture");  // named with ".." on the way
    EXPECT_EQ(changes(), 1);
}

TEST_F(FileWatch, FoldersOnTheWayToAWatchedFileCount) {
    fs::create_directories("Assets/Sprites/item");
    EXPECT_EQ(changes(), 1);
    fs::create_directories("Assets/Sprites/item/new");
    EXPECT_EQ(changes(), 1);
    // The page folder taken away and made again, as a checkout does.
    fs::remove_all("Assets/Pages");
    EXPECT_EQ(changes(), 1);
    fs::create_directories("Assets/Pages");
    EXPECT_EQ(changes(), 1);
    write("Assets/Pages/1.seq", "x");
    EXPECT_EQ(changes(), 1);
    write("Assets/Sprites/item/new/key.png", "picture");
    EXPECT_EQ(changes(), 1);
}

TEST(FileWatchStart, NothingToWatchIsSaid) {
    std::string error;
    EXPECT_FALSE(watch_start("/nonexistent", {"/nonexistent/a/b"}, {"/nonexistent/c/d.seq"}, {".seq"}, error));
    EXPECT_NE(error, "");
    watch_stop();
}
}  // namespace
