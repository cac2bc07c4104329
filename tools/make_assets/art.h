// Drawing helpers for the asset generator: one limited palette, ordered
// dithering, simple shapes, outlines. Everything is deterministic.
#pragma once
#include <cmath>
#include <cstdint>
#include <string>

#include "image.h"

namespace art {

// The palette (also the first 32 entries of the colour tables).
enum Colour : int {
    INK, NIGHT, DEEP_BLUE, BLUE, SKY, PALE_SKY, DEEP_GREEN, GREEN, LEAF, LIME, DARK_BROWN, BROWN, TAN, SAND,
    DARK_GREY, CREAM, GREY, LIGHT_GREY, DARK_RED, RED, ORANGE, YELLOW, DARK_PURPLE, PURPLE, PINK, DARK_TEAL,
    TEAL, AQUA, DARK_SKIN, SKIN, STONE, WHITE, PALETTE_SIZE
};
extern const uint32_t PALETTE[PALETTE_SIZE];  // 0x00RRGGBB
inline uint32_t opaque(int c) { return 0xFF000000u | PALETTE[c]; }

// A fixed-size drawing: wraps an IMAGE made with image_create.
struct Canvas {
    Canvas(int w, int h, uint32_t fill = 0);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    int w, h;
    IMAGE* img;

    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }
    uint32_t get(int x, int y) const { return inside(x, y) ? image_row(img, uint32_t(y))[x] : 0; }
    void set(int x, int y, uint32_t argb) {
        if (inside(x, y)) image_row(img, uint32_t(y))[x] = argb;
    }
    void dot(int x, int y, int c) { set(x, y, opaque(c)); }
    // Ordered (Bayer 4 x 4) mix: t = 0 gives a, t = 1 gives b.
    void mix(int x, int y, int a, int b, double t) { dot(x, y, dither(x, y, t) ? b : a); }
    static bool dither(int x, int y, double t);

    void rect(int x0, int y0, int x1, int y1, int c);  // inclusive corners
    void rect_mix(int x0, int y0, int x1, int y1, int a, int b, double t);
    // Vertical ramp over the rows y0..y1 through the listed colours.
    void ramp(int x0, int y0, int x1, int y1, const int* colours, int n);
    void ellipse(double cx, double cy, double rx, double ry, int c);
    // Ellipse shaded with light from the upper left: lit, base, shade.
    void ball(double cx, double cy, double rx, double ry, int lit, int base, int shade);
    void triangle(double ax, double ay, double bx, double by, double cx, double cy, int c);
    void line(int x0, int y0, int x1, int y1, int c);
    // Every transparent pixel touching an opaque one (4 ways) becomes ink.
    void outline(int c = INK);
    bool save(const std::string& path) const;
};

// Deterministic value noise in [0, 1).
double noise(double x, double y, uint32_t seed);
double fractal(double x, double y, uint32_t seed, int octaves = 4);
uint32_t hash(uint32_t a, uint32_t b = 0, uint32_t c = 0);

}  // namespace art
