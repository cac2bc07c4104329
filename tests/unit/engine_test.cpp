// The engine library: several stories in one process give the frames of
// separate runs, a restart is a fresh start, and following a story without
// pictures keeps the same state as playing it.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "story_support.h"

namespace {
const fs::path SHIPPED = fs::path(std::getenv("PROJECT_ROOT") ? std::getenv("PROJECT_ROOT") : ".") / "Brindle";


// What a reader sees and what the engine holds after each key: the frame's
// hash (FRAMES) and the page, visits and counters.
std::vector<uint64_t> play(const std::vector<std::string>& keys, STORY_MODE mode) {
    std::vector<uint64_t> seen;
    auto record = [&] {
        if (mode != STORY_LOGIC) seen.push_back(frame_hash());
        seen.push_back(uint64_t(STORY_LOCATION()) << 32 | uint32_t(TURNS));
        for (int32_t i = 0; i <= STORY_PAGES().ubound(); ++i)
            seen.push_back(uint64_t(uint32_t(STORY_PAGES()(i).HISTORY)) << 32 | uint32_t(STORY_PAGES()(i).VISITED));
    };
    record();
    for (const std::string& k : keys) {
        EXPECT_TRUE(STORY_PRESS(k).ok);
        record();
    }
    return seen;
}

std::vector<uint64_t> open_and_play(const fs::path& folder, const std::vector<std::string>& keys,
                                    STORY_MODE mode = STORY_FRAMES) {
    EXPECT_TRUE(STORY_OPEN(folder.string(), mode).ok) << folder;
    return play(keys, mode);
}

// The same, in a process of its own that has opened nothing before.
std::vector<uint64_t> in_fresh_process(const fs::path& folder, const std::vector<std::string>& keys) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        STORY_CLOSE();
        const std::vector<uint64_t> seen = open_and_play(folder, keys);
        const ssize_t n = ssize_t(seen.size() * sizeof(uint64_t));
        _exit(write(fds[1], seen.data(), size_t(n)) == n ? 0 : 1);
    }
    close(fds[1]);
    std::vector<uint64_t> seen;
    uint64_t v;
    while (read(fds[0], &v, sizeof v) == ssize_t(sizeof v)) seen.push_back(v);
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    return seen;
}

// A small story unlike the shipped one: no scene picture on page 0 (so every
// canvas is smaller), a condition, and three pages.
void small_story(const fs::path& root) {
    const fs::path assets = root / "Brindle" / "Assets";
    fs::create_directories(assets / "Sprites");
    fs::copy(SHIPPED / "Assets" / "Fonts", assets / "Fonts", fs::copy_options::recursive);
    fs::copy(SHIPPED / "Assets" / "Sprites" / "interface", assets / "Sprites" / "interface", fs::copy_options::recursive);
    fs::copy(SHIPPED / "Assets" / "Sprites" / "npc", assets / "Sprites" / "npc", fs::copy_options::recursive);
    fs::copy_file(SHIPPED / "Assets" / "Sprites" / "background.png", assets / "Sprites" / "background.png");
    Scratch::write((assets / "Pages" / "0 start.seq").string(), "Start\n0,0,none\nn,1,0,On\n,,,\n,,,\n,,,\nDark.\n");
    Scratch::write((assets / "Pages" / "1 on.seq").string(),
                   "On\n1,0,none\nnpc = fox\nb,0,0,Back\nk,2,1,Key\n,,,\n,,,\nA fox.\n");
    Scratch::write((assets / "Pages" / "2 end.seq").string(), "End\n0,0,none\nb,0,0,Again\n,,,\n,,,\n,,,\nThe end.\n");
}
}  // namespace

using Engine = Story;

TEST_F(Engine, StoriesOneAfterAnotherShowTheFramesOfSeparateRuns) {
    small_story("small");
    const fs::path small = fs::absolute("small");
    const std::vector<std::string> shipped_keys = {"n", "\t", "m", "\b", "x", "b", "\t", "\b"};
    const std::vector<std::string> small_keys = {"n", "\b", "b", "n", "k", "\t", "b"};

    const auto shipped_alone = in_fresh_process(SHIPPED.parent_path(), shipped_keys);
    const auto small_alone = in_fresh_process(small, small_keys);
    ASSERT_FALSE(shipped_alone.empty());
    ASSERT_FALSE(small_alone.empty());
    EXPECT_EQ(open_and_play(SHIPPED.parent_path(), shipped_keys), shipped_alone);
    EXPECT_EQ(open_and_play(small, small_keys), small_alone);
    EXPECT_EQ(open_and_play(SHIPPED.parent_path(), shipped_keys), shipped_alone);
    EXPECT_NE(shipped_alone, small_alone);

    // A restart is a fresh start.
    ASSERT_TRUE(STORY_RESTART().ok);
    std::vector<uint64_t> again = play(shipped_keys, STORY_FRAMES);
    EXPECT_EQ(again, shipped_alone);

    // Without pictures the story keeps the same pages, visits and counters.
    auto without_frames = [](const std::vector<uint64_t>& seen, size_t per_step) {
        std::vector<uint64_t> rest;
        for (size_t i = 0; i < seen.size(); ++i)
            if (i % per_step != 0) rest.push_back(seen[i]);
        return rest;
    };
    const size_t shipped_step = 2 + STORY_PAGES().count();
    const auto logic = open_and_play(SHIPPED.parent_path(), shipped_keys, STORY_LOGIC);
    EXPECT_EQ(logic, without_frames(shipped_alone, shipped_step));
}

TEST_F(Engine, AnOptionToAPageWithoutAFileIsTheBoundsReport) {
    small_story(".");
    write("Brindle/Assets/Pages/5 far.seq", "Far\n0,0,none\nb,0,0,Back\n");
    write("Brindle/Assets/Pages/0 start.seq", "Start\n0,0,none\ng,3,0,Gap\nf,5,0,Far\n,,,\n,,,\nDark.\n");
    for (STORY_MODE mode : {STORY_FRAMES, STORY_LOGIC}) {
        ASSERT_TRUE(STORY_OPEN("", mode).ok);
        EXPECT_TRUE(STORY_PRESS("f").ok);
        EXPECT_TRUE(STORY_PRESS("b").ok);
        const STORY_RESULT gap = STORY_PRESS("g");  // page 3 lies between files: no page there
        EXPECT_EQ(gap.error, 6) << gap.message;
        EXPECT_NE(gap.message.find("(out of bounds array access)"), std::string::npos) << gap.message;
    }
}

TEST_F(Engine, APlaceSavedAfterAnyKeyShowsTheSameFrameWhenPutBack) {
    // Every key of a route through the shipped story, the gallery and the
    // progress (and its reset on page 0) among them: the place kept as text
    // after each key, put back in a story opened afresh, gives the same
    // frame and the same state; so does going back to an earlier place.
    const std::vector<std::string> keys = {"n", "\t", "m", "\b", "x", "b", "\t", "n", "\b", "b", "\b", "n"};
    const std::string folder = SHIPPED.parent_path().string();
    ASSERT_TRUE(STORY_OPEN(folder, STORY_FRAMES).ok);
    std::vector<std::string> kept = {STORY_STATE_TEXT(STORY_SAVE())};
    std::vector<uint64_t> frames = {frame_hash()};
    for (const std::string& k : keys) {
        ASSERT_TRUE(STORY_PRESS(k).ok);
        kept.push_back(STORY_STATE_TEXT(STORY_SAVE()));
        frames.push_back(frame_hash());
    }
    for (size_t i : {size_t(12), size_t(3), size_t(9), size_t(0), size_t(5)}) {
        ASSERT_TRUE(STORY_OPEN(folder, STORY_FRAMES).ok);
        ASSERT_TRUE(STORY_PRESS("n").ok);  // somewhere else first
        STORY_READER_STATE state;
        std::string why;
        ASSERT_TRUE(STORY_STATE_FROM_TEXT(kept[i], state, why)) << why;
        ASSERT_TRUE(STORY_RESTORE(state).ok);
        EXPECT_EQ(frame_hash(), frames[i]) << "after key " << i;
        EXPECT_EQ(STORY_STATE_TEXT(STORY_SAVE()), kept[i]);
        if (i < keys.size()) {  // and the story goes on as it did
            ASSERT_TRUE(STORY_PRESS(keys[i]).ok);
            EXPECT_EQ(frame_hash(), frames[i + 1]);
        }
    }
    // Text that does not fit: refused, the reader stays where they are.
    const std::string good = kept[4];
    const std::string place = STORY_STATE_TEXT(STORY_SAVE());
    STORY_READER_STATE state;
    std::string why;
    for (const std::string& bad : {std::string(), good.substr(0, good.size() - 2), good + " 1", good + "x",
                                   std::string("brindle-reader 1 0123456789abcdef") + good.substr(33)}) {
        EXPECT_FALSE(STORY_STATE_FROM_TEXT(bad, state, why)) << bad;
        EXPECT_FALSE(why.empty());
    }
    std::string tampered = good;  // the page moved to one without a file
    tampered.replace(34, tampered.find(' ', 34) - 34, "99");
    EXPECT_FALSE(STORY_STATE_FROM_TEXT(tampered, state, why));
    EXPECT_EQ(STORY_STATE_TEXT(STORY_SAVE()), place);
    // Another story's place is another story's.
    small_story("small");
    ASSERT_TRUE(STORY_OPEN("small", STORY_FRAMES).ok);
    EXPECT_FALSE(STORY_STATE_FROM_TEXT(good, state, why));
    EXPECT_EQ(why, "it is for another story, or other pages");
}

TEST_F(Engine, AKeeperPutsTheReaderBackWhateverEndsItsScope) {
    small_story(".");
    ASSERT_TRUE(STORY_OPEN("", STORY_LOGIC).ok);
    ASSERT_TRUE(STORY_PRESS("n").ok);
    const STORY_READER_STATE before = STORY_SAVE();
    try {
        STORY_STATE_KEEPER keeper;
        STORY_PRESS("k");
        STORY_PRESS("b");
        STORY_PRESS("\b");
        EXPECT_NE(STORY_SAVE(), before);
        throw std::runtime_error("a step gave up");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(STORY_SAVE(), before);
}
