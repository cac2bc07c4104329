// Helpers for the story engine's tests: a scratch story tree and a font
// sheet whose glyph for code c is a solid cell of colour 0xFF0000cc.
#pragma once
#include "asset_path.h"
#include "engine.h"
#include "main.h"
#include "page_text.h"
#include "paging_module.h"
#include "scene.h"
#include "story_state.h"
#include "support.h"

// A hash of every pixel of the frame the window would show now (0 without frames).
inline uint64_t frame_hash() {
    Image frame(image_create(640, 480, 0));
    if (!STORY_SNAPSHOT(frame.get())) return 0;
    uint64_t h = 1469598103934665603ull;
    for (uint32_t y = 0; y < 480; ++y)
        for (uint32_t x = 0; x < 640; ++x) h = (h ^ image_row(frame.get(), y)[x]) * 1099511628211ull;
    return h;
}

class Story : public Scratch {
protected:
    void SetUp() override {
        Scratch::SetUp();
        PROJECTSPACE = "Brindle";
        ASSET_ROOT = ".";
        STORY_CLOSE();
    }
    void TearDown() override {
        STORY_CLOSE();
        Scratch::TearDown();
    }
    static void page(const std::string& name, const std::string& text) {
        write("Brindle/Assets/Pages/" + name + ".seq", text);
    }
    static void code_font() {
        FONTSHEET = make_image(128, 128, [](int x, int y) { return 0xFF000000u | uint32_t((y / 8) * 16 + x / 8); });
    }
    // The character code drawn at (x, y) onto a transparent buffer, or -1
    // where nothing is. An opaque blend lands one step short of the source.
    static int code_at(IMAGE* img, int x, int y) {
        uint32_t p = px(img, x, y);
        return p >> 24 ? int(p & 0xFF) + 1 : -1;
    }
    // The text drawn in one 8-pixel row of cells, blanks for empty cells.
    static std::string row_text(IMAGE* img, int row) {
        std::string s;
        for (int x = 0; x < int(img->WIDTH); x += 8) {
            int c = code_at(img, x, (row - 1) * 8);
            s += c < 0 ? '.' : char(c);
        }
        return s;
    }
};
