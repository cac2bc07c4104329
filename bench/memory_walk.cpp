// Resident memory of a long walk: a generated story of 2,000 pages walked
// page by page with the headless surface. Prints the resident set after 10
// pages and after 2,000, and the growth per page beyond 10.
//   build/bench/memory_walk
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "core.h"
#include "image_file.h"
#include "story.h"
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
    const fs::path source = fs::path(SOURCE_DIR) / "Brindle" / "Assets";
    fs::create_directories(root / "Brindle" / "Assets" / "Pages");
    for (const char* dir : {"Fonts", "Sprites"})
        fs::copy(source / dir, root / "Brindle" / "Assets" / dir, fs::copy_options::recursive);
    const char* scenes[] = {"meadow", "forest", "bridge", "cave", "village", "market"};
    for (int i = 0; i < pages; ++i) {
        std::ofstream f(root / "Brindle/Assets/Pages" / (std::to_string(i) + ".seq"));
        f << "Page " << i << "\n1,1," << scenes[i % 6] << "\nnpc = fox\nitem = key\nn," << (i + 1) % pages
          << ",0,Next\n,,,\n,,,\n,,,\nA page of a long walk.\n";
    }
    fs::current_path(root);
    BRINDLE_STARTUP();
    long after10 = 0;
    for (int i = 0; i < pages; ++i) {
        BRINDLE_FRAME();
        BRINDLE_KEY("n");
        if (i + 1 == 10) after10 = resident_kb();
    }
    const long after_all = resident_kb();
    std::printf("resident after 10 pages: %ld KB\nresident after %d pages: %ld KB\n", after10, pages, after_all);
    std::printf("growth per page beyond 10: %.2f KB (a thumbnail holds %.2f KB of pixels)\n",
                double(after_all - after10) / (pages - 10), 24 * 24 * 4 / 1024.0 + 0.0);
    BRINDLE_RELEASE();
    fs::current_path("/");
    fs::remove_all(root);
    return 0;
}
