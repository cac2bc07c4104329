// The starter story `brindle-story new` writes: three pages, a play-through
// and a README (Brindle/StoryTool/starter/), with the font, the bars, the
// wallpaper, the frame and a few pictures of the sample story. Built into
// the program, so it needs no file of its own.
#pragma once
#include <cstddef>

struct STARTER_FILE {
    const char* PATH;  // relative to the new story's folder, with "/"
    const unsigned char* BYTES;
    size_t SIZE;
};
extern const STARTER_FILE STARTER_FILES[];
extern const size_t STARTER_FILE_COUNT;
