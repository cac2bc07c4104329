// A long generated story for the benchmarks: page i shows one of six scenes,
// a fox and a key, and leads to page i + 1 (the last back to 0).
#pragma once
#include <filesystem>
#include <fstream>
#include <string>

// Writes `pages` page files into root/Brindle/Assets/Pages and, when
// `with_art` is set, copies the sample story's fonts and sprites beside them.
inline void write_generated_story(const std::filesystem::path& root, int pages, bool with_art) {
    namespace fs = std::filesystem;
    const fs::path source = fs::path(SOURCE_DIR) / "Brindle" / "Assets";
    fs::create_directories(root / "Brindle" / "Assets" / "Pages");
    if (with_art)
        for (const char* dir : {"Fonts", "Sprites"})
            fs::copy(source / dir, root / "Brindle" / "Assets" / dir, fs::copy_options::recursive);
    const char* scenes[] = {"meadow", "forest", "bridge", "cave", "village", "market"};
    for (int i = 0; i < pages; ++i) {
        std::ofstream f(root / "Brindle/Assets/Pages" / (std::to_string(i) + ".seq"));
        f << "Page " << i << "\n1,1," << scenes[i % 6] << "\nnpc = fox\nitem = key\nn," << (i + 1) % pages
          << ",0,Next\n,,,\n,,,\n,,,\nA page of a long walk.\n";
    }
}
