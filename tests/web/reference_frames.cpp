// The desktop engine's frames for a list of keys, as the browser tests
// compare them: web_reference_frames STORY_FOLDER OUT.rgba KEY...
// writes the first frame and the frame after each key (key names as
// brindle-story takes them), each 640 x 480 RGBA with opaque alpha, as a
// canvas holds them.
#include <cstdio>
#include <string>
#include <vector>

#include "engine.h"
#include "key_names.h"
#include "surface.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: web_reference_frames STORY_FOLDER OUT.rgba [KEY...]\n");
        return 2;
    }
    std::string names;
    for (int i = 3; i < argc; ++i) names += std::string(i > 3 ? " " : "") + argv[i];
    std::vector<std::string> keys;
    std::string error;
    if (!KEYS_FROM_NAMES(names, keys, error)) {
        std::fprintf(stderr, "web_reference_frames: not a key: %s\n", error.c_str());
        return 2;
    }
    if (screen_open(SCREEN_W, SCREEN_H, 32, SCREEN_PAGES, 0, 0) != 0) return 1;
    FILE* out = std::fopen(argv[2], "wb");
    if (!out) return 1;
    IMAGE* frame = image_create(SCREEN_W, SCREEN_H, 0, 32);
    std::vector<unsigned char> rgba(size_t(SCREEN_W) * SCREEN_H * 4);
    auto write_frame = [&](const STORY_RESULT& r) {
        if (!r.ok || !STORY_SNAPSHOT(frame)) {
            std::fprintf(stderr, "web_reference_frames: %s\n", r.message.c_str());
            return false;
        }
        unsigned char* d = rgba.data();
        for (int y = 0; y < SCREEN_H; ++y) {
            const uint32_t* row = image_row(frame, uint32_t(y));
            for (int x = 0; x < SCREEN_W; ++x, d += 4) {
                d[0] = uint8_t(row[x] >> 16), d[1] = uint8_t(row[x] >> 8), d[2] = uint8_t(row[x]), d[3] = 255;
            }
        }
        return std::fwrite(rgba.data(), 1, rgba.size(), out) == rgba.size();
    };
    bool ok = write_frame(STORY_OPEN(argv[1], STORY_FRAMES));
    for (size_t i = 0; ok && i < keys.size(); ++i) ok = write_frame(STORY_PRESS(keys[i]));
    ok = std::fclose(out) == 0 && ok;
    image_destroy(frame);
    STORY_CLOSE();
    screen_close();
    return ok ? 0 : 1;
}
