// Helpers for the story engine's tests: a scratch story tree and a font
// sheet whose glyph for code c is a solid cell of colour 0xFF0000cc.
#pragma once
#include "core.h"
#include "story.h"
#include "support.h"

class Story : public Scratch {
protected:
    void SetUp() override {
        Scratch::SetUp();
        PROJECTSPACE = "Brindle";
        reset_story();
    }
    void TearDown() override {
        reset_story();
        Scratch::TearDown();
    }
    static void reset_story() {
        for (IMAGE*& img : DISPOUT.raw()) {
            image_destroy(img);
            img = nullptr;
        }
        DISPOUT.redim(0, -1, 0, 16);
        for (int i = PAGES.lbound(); i <= PAGES.ubound(); ++i) image_destroy(PAGES(i).SCENE);
        PAGES.erase();
        image_destroy(FONTSHEET);
        FONTSHEET = nullptr;
        PAGELOCATION = TOTAL = TALLY = TURNS = 0;
        SETTING_GALLERY = SETTING_GRADE = SETTING_EFFICIENCY = SETTING_TURN = 0;
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
