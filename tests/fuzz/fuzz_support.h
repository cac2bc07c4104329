// Shared by the fuzz targets: a headless surface and a scratch asset tree,
// made once per process.
#pragma once
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "asset_path.h"
#include "core.h"
#include "surface.h"

inline void fuzz_setup() {
    static bool done = false;
    if (done) return;
    done = true;
    screen_open(640, 480, 32, 16, 0, 0);
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("fuzz-" + std::to_string(getpid()));
    fs::create_directories(dir / "Brindle/Assets/Pages");
    fs::create_directories(dir / "Demo/Assets");
    fs::current_path(dir);
    std::atexit([] {
        fs::path here = fs::current_path();
        fs::current_path("/");
        fs::remove_all(here);
    });
}

inline void fuzz_write(const std::string& path, const uint8_t* data, size_t size) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), std::streamsize(size));
}
