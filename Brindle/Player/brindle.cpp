// Brindle: a page-based illustrated story, played one key at a time.
//   Brindle [STORY_FOLDER]
// plays the story in STORY_FOLDER (the folder that holds Brindle/Assets), or
// in the current folder without one. Escape ends.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine.h"
#include "platform/process.h"
#include "waitkey.h"

int main(int argc, char** argv) {
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        std::fprintf(stderr, "usage: Brindle [STORY_FOLDER]\n");
        return 2;
    }
    const std::string folder = argc == 2 ? argv[1] : "";
    // A folder named on the command line must hold a story before a window opens.
    if (!folder.empty()) {
        if (std::string why = STORY_FOLDER_PROBLEM(folder); !why.empty()) {
            std::fprintf(stderr, "Brindle: cannot play \"%s\": %s\n", folder.c_str(), why.c_str());
            return 2;
        }
    }
    ANICURSOR_FRAMES = "\\|/ - ";
    std::atexit(STORY_CLOSE);
    if (STORY_OPEN(folder, STORY_PLAYER).empty) process_exit(0);
    for (;;) STORY_PRESS(WAITKEY());  // WAITKEY ends the program on Escape
}
