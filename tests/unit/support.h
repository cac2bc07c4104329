// Helpers shared by the unit tests: a headless surface, a scratch asset tree
// in a temporary folder (the current directory while a test runs), and
// small buffer utilities.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>

#include "image.h"
#include "surface.h"

namespace fs = std::filesystem;

// Opens the headless surface and works in a fresh temporary folder.
class Scratch : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(screen_open(640, 480, 32, 16, 0, 0), 0);
        page_set(1, 0);
        key_clear();
        old_ = fs::current_path();
        dir_ = fs::temp_directory_path() / ("brindle-unit-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::current_path(dir_);
    }
    void TearDown() override {
        fs::current_path(old_);
        fs::remove_all(dir_);
        key_clear();
    }
public:
    // Writes a file below the scratch folder, making its folders.
    static void write(const std::string& path, const std::string& bytes) {
        fs::path p(path);
        if (p.has_parent_path()) fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
    }
protected:
    fs::path old_, dir_;
};

// An image buffer that destroys itself.
struct ImageDestroyer {
    void operator()(IMAGE* img) const { image_destroy(img); }
};
using Image = std::unique_ptr<IMAGE, ImageDestroyer>;

// A buffer whose pixels come from f(x, y).
inline IMAGE* make_image(int w, int h, const std::function<uint32_t(int, int)>& f) {
    IMAGE* img = image_create(w, h, 0, 32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image_row(img, uint32_t(y))[x] = f(x, y);
    return img;
}

inline uint32_t px(const IMAGE* img, int x, int y) { return image_row(img, uint32_t(y))[x]; }

// Deterministic pseudo-random pixels for comparing fast and plain paths.
inline uint32_t noise(uint32_t seed) {
    seed ^= seed << 13;
    seed ^= seed >> 17;
    seed ^= seed << 5;
    return seed * 2654435761u;
}

inline bool same_pixels(const IMAGE* a, const IMAGE* b) {
    if (a->WIDTH != b->WIDTH || a->HEIGHT != b->HEIGHT) return false;
    for (uint32_t y = 0; y < a->HEIGHT; ++y)
        for (uint32_t x = 0; x < a->WIDTH; ++x)
            if (image_row(a, y)[x] != image_row(b, y)[x]) return false;
    return true;
}
