// Frames for an instruction counter: the sample story's market page, then
// COUNT presses of KEY ("x": a key that matches nothing; "tab": Tab;
// "afresh": x with every kept layer dropped first; "move": to the village
// and back, each frame the first on its page). Run it
// twice under callgrind, with COUNT 0 and COUNT 100; the difference divided
// by 100 is the cost of one frame, free of start-up.
//   valgrind --tool=callgrind build/bench/frame_count x 100
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine.h"
#include "surface.h"

int main(int argc, char** argv) {
    const std::string which = argc > 1 ? argv[1] : "x";
    const int count = argc > 2 ? std::atoi(argv[2]) : 100;
    const std::string key = which == "tab" ? "\t" : which == "backspace" ? "\b" : "x";
    const bool afresh = which == "afresh", move = which == "move";
    screen_open(640, 480, 32, 16, 0, 0);
    if (!STORY_OPEN(SOURCE_DIR, STORY_FRAMES).ok) return 1;
    STORY_PRESS("n");
    STORY_PRESS("m");
    if (STORY_LOCATION() != 4) {
        std::fprintf(stderr, "the market was not reached\n");
        return 1;
    }
    for (int i = 0; i < count; ++i) {
        if (afresh) STORY_DROP_CACHES();
        STORY_PRESS(move ? (i % 2 ? "m" : "b") : key);
    }
    STORY_CLOSE();
    return 0;
}
