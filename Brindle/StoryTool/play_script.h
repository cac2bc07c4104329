// Play-through scripts: the keys a reader presses and what they should meet
// on the way (pages, options, progress, frames), played with the real
// engine in-process. One command per line:
//
//   press n s k              keys, by the names of key_names.h
//   expect page 14
//   expect offered k         an option with this key whose condition holds
//   expect not offered k Kick the troll      (the caption narrows it to one)
//   expect progress 3 of 23, 2 turns, grade 013.04%   (any of the three)
//   frame forge.png          the 640 x 480 frame against a stored PNG
//   frame bar.png at 0 432 640 48            only inside x y width height
//   restart                  a fresh start from page 0
//
// Blank lines and lines starting with '#' are skipped. Stored frames are
// named relative to the script's folder.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum PLAY_COMMAND {
    PLAY_PRESS,
    PLAY_EXPECT_PAGE,
    PLAY_EXPECT_OFFERED,
    PLAY_EXPECT_NOT_OFFERED,
    PLAY_EXPECT_PROGRESS,
    PLAY_FRAME,
    PLAY_RESTART,
};

struct PLAY_STEP {
    PLAY_COMMAND COMMAND = PLAY_PRESS;
    int32_t LINE = 0;
    std::vector<std::string> KEYS;  // press: key strings, as the engine receives them
    int32_t PAGE = 0;               // expect page
    std::string KEY;                // offered: the option's key string
    std::string CAPTION;            // offered: "" for any caption
    bool HAS_CAPTION = false;
    // progress: -1 where the line does not name the figure; GRADE in hundredths
    int32_t TALLY = -1, TOTAL = -1, TURNS = -1, GRADE = -1;
    std::string FRAME;              // frame: the stored PNG, as written
    bool RECT = false;              // frame: compare inside X, Y, W, H only
    int32_t X = 0, Y = 0, W = 640, H = 480;
};

struct PLAY_SCRIPT {
    std::string PATH;  // as given
    std::vector<PLAY_STEP> STEPS;
};

// Reads a script; false when it has errors, each "file:line: message" in
// `errors` (every bad line, not only the first).
bool PLAY_PARSE(const std::string& path, const std::string& text, PLAY_SCRIPT& script, std::vector<std::string>& errors);
bool PLAY_READ(const std::string& path, PLAY_SCRIPT& script, std::vector<std::string>& errors);
// Whether some step compares a frame (the story then has to compose them).
bool PLAY_NEEDS_FRAMES(const std::vector<PLAY_SCRIPT>& scripts);

// The path of a stored frame (relative to the script's folder), and of what
// a frame that differs leaves beside it: "name.got.png", the frame got, and
// "name.diff.png", the stored frame dimmed with the differing pixels bright.
// Both go when the frame matches again.
std::string PLAY_FRAME_PATH(const PLAY_SCRIPT& script, const std::string& frame);
std::string PLAY_GOT_PATH(const std::string& stored);
std::string PLAY_DIFF_PATH(const std::string& stored);

struct PLAY_FAILURE {
    int32_t LINE = 0;
    std::string MESSAGE;  // what was expected and what was found
};

struct PLAY_OUTCOME {
    int32_t CHECKS = 0;                  // expectations and frames met
    std::vector<PLAY_FAILURE> FAILURES;  // in line order
    int32_t STOPPED_AT = 0;              // the line after which nothing ran (a wrong page, a fault, Escape); 0: ran to the end
    bool FAULTED = false;                // a fault ended the story: open it again before the next script
    std::vector<std::string> BLESSED;    // frames written by bless
    int32_t UNCHANGED = 0;               // frames bless found already stored as they are
};

// Plays a script on the open story, which must stand at a fresh start.
// With `bless`, frames are written (when they differ) instead of compared.
PLAY_OUTCOME PLAY_RUN(const PLAY_SCRIPT& script, bool bless);
