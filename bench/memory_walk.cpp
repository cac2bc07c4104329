// Resident memory of a long walk: a generated story of 2,000 pages walked
// page by page with the headless surface. Prints the resident set after 10
// pages and after 2,000, and the growth per page beyond 10.
//   build/bench/memory_walk
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine.h"
#include "generated_story.h"
#include "surface.h"

namespace fs = std::filesystem;

static long resident_kb() {
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

int main(int argc, char** argv) {
    const int pages = argc > 1 ? std::atoi(argv[1]) : 2000;
    const fs::path root = fs::temp_directory_path() / ("memory-walk-" + std::to_string(getpid()));
    write_generated_story(root, pages, true);
    screen_open(640, 480, 32, 16, 0, 0);
    STORY_OPEN(root.string(), STORY_FRAMES);
    long after10 = 0;
    for (int i = 0; i < pages; ++i) {
        STORY_PRESS("n");
        if (i + 1 == 10) after10 = resident_kb();
    }
    const long after_all = resident_kb();
    std::printf("resident after 10 pages: %ld KB\nresident after %d pages: %ld KB\n", after10, pages, after_all);
    std::printf("growth per page beyond 10: %.2f KB (a thumbnail holds %.2f KB of pixels)\n",
                double(after_all - after10) / (pages - 10), 24 * 24 * 4 / 1024.0 + 0.0);
    STORY_CLOSE();
    fs::remove_all(root);
    return 0;
}
