// Scene pictures, 144 x 96 each, in one style: the limited palette, ordered
// dithering, light from the upper left.
#include <algorithm>
#include <functional>
#include <vector>

#include "art.h"
#include "make_assets.h"

namespace art {
namespace {
constexpr int W = 144, H = 96;

const int DAY_SKY[] = {BLUE, SKY, PALE_SKY};
const int DUSK_SKY[] = {DARK_PURPLE, PURPLE, PINK, ORANGE};
const int NIGHT_SKY[] = {INK, NIGHT, DEEP_BLUE};
const int DAWN_SKY[] = {DEEP_BLUE, PURPLE, PINK, ORANGE, YELLOW};

// A rolling ridge: fills from the ridge line down, lit on slopes facing left.
void hills(Canvas& c, double base, double height, double scale, uint32_t seed, int lit, int mid, int shade) {
    for (int x = 0; x < W; ++x) {
        double top = base - height * fractal(x / scale, 0.5, seed, 3);
        double next = base - height * fractal((x + 1) / scale, 0.5, seed, 3);
        double slope = next - top;  // rising to the right faces the light
        for (int y = int(top); y < H; ++y) {
            double depth = (y - top) / 12.0;
            if (slope > 0.15) c.mix(x, y, mid, lit, std::max(0.0, 0.8 - depth));
            else if (slope < -0.15) c.mix(x, y, mid, shade, std::max(0.0, 0.7 - depth));
            else c.mix(x, y, mid, lit, std::max(0.0, 0.35 - depth));
        }
    }
}

void stars(Canvas& c, int bottom, uint32_t seed) {
    for (int i = 0; i < 40; ++i) {
        int x = int(hash(uint32_t(i), seed) % W), y = int(hash(uint32_t(i), seed + 1) % uint32_t(bottom));
        c.dot(x, y, i % 5 == 0 ? WHITE : LIGHT_GREY);
    }
}

void tree(Canvas& c, int x, int base, int size) {
    c.rect(x - 1, base - size, x + 1, base, DARK_BROWN);
    c.dot(x - 1, base - size, BROWN);
    c.ball(x, base - size - size * 0.4, size * 0.7, size * 0.6, LIME, LEAF, GREEN);
    c.ball(x + size * 0.35, base - size * 0.9, size * 0.45, size * 0.4, LEAF, GREEN, DEEP_GREEN);
}

void pine(Canvas& c, int x, int base, int h, int lit, int mid) {
    c.rect(x, base - 3, x + 1, base, DARK_BROWN);
    for (int k = 0; k < 3; ++k) {
        double top = base - h + k * h * 0.22, bottom = base - 3 - (2 - k) * h * 0.12;
        double half = h * (0.18 + 0.08 * k);
        c.triangle(x + 0.5, top, x + 0.5 - half, bottom, x + 0.5 + half, bottom, mid);
        c.triangle(x + 0.5, top, x + 0.5 - half, bottom, x + 0.5, bottom, lit);
    }
}

void house(Canvas& c, int x, int base, int w, int h, int wall, int roof, bool lit_window) {
    c.rect(x, base - h, x + w - 1, base, wall);
    c.rect_mix(x + w * 2 / 3, base - h, x + w - 1, base, wall, DARK_GREY, 0.4);  // the shaded side
    c.triangle(x - 2, base - h + 0.5, x + w + 1, base - h + 0.5, x + w / 2.0, base - h - h * 0.8, roof);
    c.triangle(x + w / 2.0, base - h - h * 0.8, x + w + 1, base - h + 0.5, x + w / 2.0, base - h + 0.5, DARK_RED);
    c.rect(x + 2, base - 6, x + 4, base, DARK_BROWN);
    c.rect(x + w - 6, base - h + 3, x + w - 4, base - h + 5, lit_window ? YELLOW : DEEP_BLUE);
}

void water(Canvas& c, int y0, int y1, int deep, int mid, int glint, uint32_t seed) {
    for (int y = y0; y <= y1; ++y)
        for (int x = 0; x < W; ++x) {
            double r = fractal(x / 14.0, y / 2.5, seed, 3);
            c.mix(x, y, deep, mid, double(y - y0) / std::max(1, y1 - y0) * 0.6 + 0.2);
            if (r > 0.68) c.dot(x, y, glint);
        }
}

// Rough rock: noise between three tones, lighter toward the upper left.
void rock(Canvas& c, int x0, int y0, int x1, int y1, uint32_t seed, int lit, int mid, int dark) {
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            double r = fractal(x / 7.0, y / 7.0, seed);
            double light = r + (x1 - x + y1 - y) / double(x1 - x0 + y1 - y0 + 1) * 0.3 - 0.45;
            if (light > 0.2) c.mix(x, y, mid, lit, std::min(1.0, (light - 0.2) * 3));
            else c.mix(x, y, mid, dark, std::min(1.0, (0.2 - light) * 2.5));
        }
}

void sun(Canvas& c, int x, int y, int r) {
    c.ball(x, y, r + 2, r + 2, PALE_SKY, PALE_SKY, PALE_SKY);
    c.ball(x, y, r, r, WHITE, YELLOW, YELLOW);
}

void path(Canvas& c, int top_y, int top_x, int bottom_w, int colour) {
    for (int y = top_y; y < H; ++y) {
        double t = double(y - top_y) / (H - top_y);
        int half = int(1 + t * bottom_w / 2), mid = int(top_x + t * (W / 2 - top_x));
        for (int x = mid - half; x <= mid + half; ++x) c.mix(x, y, colour, SAND, 0.3 + 0.4 * (x < mid));
    }
}

void grass_tufts(Canvas& c, int y0, uint32_t seed, int colour) {
    for (int i = 0; i < 60; ++i) {
        int x = int(hash(uint32_t(i), seed) % W), y = y0 + int(hash(uint32_t(i), seed + 3) % uint32_t(H - y0));
        c.dot(x, y, colour);
        c.dot(x + 1, y - 1, colour);
    }
}

using Scene = std::function<void(Canvas&)>;

const std::vector<std::pair<std::string, Scene>> SCENES = {
    {"meadow", [](Canvas& c) {
         c.ramp(0, 0, W - 1, 60, DAY_SKY, 3);
         sun(c, 22, 16, 7);
         hills(c, 52, 14, 40, 1, LEAF, GREEN, DEEP_GREEN);
         hills(c, 66, 10, 30, 2, LIME, LEAF, GREEN);
         path(c, 62, 100, 40, TAN);
         tree(c, 30, 80, 14);
         grass_tufts(c, 70, 4, GREEN);
     }},
    {"forest", [](Canvas& c) {
         c.ramp(0, 0, W - 1, 50, DUSK_SKY, 4);
         hills(c, 50, 8, 30, 3, GREEN, DEEP_GREEN, DEEP_GREEN);
         for (int i = 0; i < 14; ++i) pine(c, 4 + i * 11 + int(hash(uint32_t(i), 9) % 5), 58, 26, GREEN, DEEP_GREEN);
         c.rect(0, 58, W - 1, H - 1, DEEP_GREEN);
         path(c, 58, 70, 50, BROWN);
         for (int i = 0; i < 8; ++i) pine(c, i * 20 + int(hash(uint32_t(i), 10) % 8) - 4, 96, 44, LEAF, GREEN);
     }},
    {"bridge", [](Canvas& c) {
         c.ramp(0, 0, W - 1, 55, DAY_SKY, 3);
         sun(c, 18, 12, 6);
         hills(c, 46, 10, 35, 5, LEAF, GREEN, DEEP_GREEN);
         water(c, 56, H - 1, DEEP_BLUE, BLUE, PALE_SKY, 6);
         c.rect(0, 46, 30, 60, GREEN);
         c.rect(114, 46, W - 1, 60, GREEN);
         // The stone arch: deck, parapet and the opening over the water.
         for (int x = 20; x < 124; ++x)
             for (int y = 40; y < 70; ++y) {
                 double u = (x - 72) / 40.0, arch = 70 - 22 * std::sqrt(std::max(0.0, 1 - u * u));
                 if (y < 44 || y < arch) c.mix(x, y, STONE, LIGHT_GREY, y < 44 ? 0.7 : ((x / 6 + y / 4) % 2) * 0.4 + 0.2);
             }
         for (int x = 20; x < 124; x += 6) c.dot(x, 41, DARK_GREY);
         c.rect(20, 39, 123, 39, LIGHT_GREY);
     }},
    {"cave", [](Canvas& c) {
         c.ramp(0, 0, W - 1, 40, DUSK_SKY, 4);
         rock(c, 0, 8, W - 1, H - 1, 12, LIGHT_GREY, STONE, DARK_GREY);
         c.ellipse(78, 70, 30, 34, INK);
         c.ellipse(74, 72, 24, 28, NIGHT);
         c.rect(0, 86, W - 1, H - 1, DARK_GREY);
         for (int x = 50; x < 106; x += 7) c.triangle(x, 36, x + 4, 36, x + 2, 44 + int(hash(uint32_t(x)) % 6), DARK_GREY);
         grass_tufts(c, 86, 13, GREEN);
     }},
    {"cavern", [](Canvas& c) {
         c.rect(0, 0, W - 1, H - 1, INK);
         rock(c, 0, 0, W - 1, 22, 14, STONE, DARK_GREY, INK);
         rock(c, 0, 74, W - 1, H - 1, 15, STONE, DARK_GREY, INK);
         for (int i = 0; i < 12; ++i) {
             int x = 6 + i * 12;
             c.triangle(x, 20, x + 8, 20, x + 4, 34 + int(hash(uint32_t(i), 16) % 18), DARK_GREY);
             c.triangle(x, 20, x + 4, 20, x + 4, 34 + int(hash(uint32_t(i), 16) % 18), STONE);
         }
         for (int y = 30; y < 74; ++y)  // a faint glow from the crystals
             for (int x = 0; x < W; ++x) c.mix(x, y, INK, DARK_TEAL, std::max(0.0, 0.5 - std::abs(y - 62) / 24.0));
         for (int i = 0; i < 7; ++i) {
             int x = 14 + i * 19, h = 10 + int(hash(uint32_t(i), 17) % 12);
             c.triangle(x - 2, 82, x + 8, 82, x + 3, 80 - 2 * h, i % 2 ? AQUA : TEAL);
             c.triangle(x - 2, 82, x + 3, 82, x + 3, 80 - 2 * h, PALE_SKY);
         }
     }},
    {"village", [](Canvas& c) {
         c.ramp(0, 0, W - 1, 55, DAY_SKY, 3);
         sun(c, 20, 14, 6);
         hills(c, 48, 10, 40, 21, LEAF, GREEN, DEEP_GREEN);
         c.rect(0, 62, W - 1, H - 1, LEAF);
         house(c, 14, 66, 24, 14, SAND, RED, false);
         house(c, 56, 62, 30, 18, CREAM, DARK_RED, true);
         house(c, 104, 68, 22, 12, TAN, RED, false);
         c.ellipse(74, 82, 9, 4, STONE);  // the well
         c.ellipse(74, 81, 6, 2, INK);
         path(c, 70, 74, 60, TAN);
     }},
    {"cottage", [](Canvas& c) {
         for (int y = 0; y < H; ++y)
             for (int x = 0; x < W; ++x) c.mix(x, y, BROWN, DARK_BROWN, (x % 12 == 0) ? 1.0 : 0.25);
         c.rect(0, 72, W - 1, H - 1, DARK_BROWN);
         for (int x = 0; x < W; x += 16) c.rect(x, 72, x, H - 1, INK);
         c.rect(18, 18, 50, 44, INK);  // the window with the day outside
         c.ramp(20, 20, 48, 42, DAY_SKY, 3);
         c.rect(33, 20, 34, 42, DARK_BROWN);
         c.rect(20, 31, 48, 31, DARK_BROWN);
         c.rect(90, 30, 130, 72, STONE);  // the hearth
         c.rect(98, 46, 122, 72, INK);
         c.ball(110, 64, 8, 8, YELLOW, ORANGE, RED);
         c.ball(110, 60, 4, 5, WHITE, YELLOW, ORANGE);
         c.rect(86, 26, 134, 30, TAN);
         c.rect(44, 60, 78, 63, TAN);  // a table
         c.rect(46, 64, 48, 80, BROWN);
         c.rect(74, 64, 76, 80, BROWN);
     }},
    {"tower", [](Canvas& c) {
         c.ramp(0, 0, W - 1, 70, DUSK_SKY, 4);
         hills(c, 70, 16, 40, 22, PURPLE, DARK_PURPLE, INK);
         rock(c, 58, 10, 86, 74, 23, LIGHT_GREY, STONE, DARK_GREY);
         for (int x = 56; x <= 88; x += 6) c.rect(x, 5, x + 3, 10, STONE);
         c.rect(68, 26, 74, 34, INK);
         c.rect(69, 27, 73, 33, YELLOW);
         c.rect(68, 62, 76, 74, DARK_BROWN);
         c.ball(116, 18, 5, 5, WHITE, CREAM, LIGHT_GREY);  // the rising moon
     }},
    {"library", [](Canvas& c) {
         c.rect(0, 0, W - 1, H - 1, DARK_BROWN);
         const int spines[] = {RED, BLUE, GREEN, DARK_RED, PURPLE, TAN, TEAL, DEEP_BLUE};
         for (int shelf = 0; shelf < 4; ++shelf) {
             int y = 6 + shelf * 20;
             c.rect(4, y + 16, W - 5, y + 18, BROWN);
             for (int x = 6; x < W - 8;) {
                 int w = 3 + int(hash(uint32_t(x), uint32_t(shelf)) % 4), h = 11 + int(hash(uint32_t(x), 40u + uint32_t(shelf)) % 5);
                 int tone = spines[hash(uint32_t(x), 80u + uint32_t(shelf)) % 8];
                 c.rect(x, y + 16 - h, x + w - 1, y + 15, tone);
                 c.rect(x, y + 16 - h, x, y + 15, SAND);
                 x += w + (hash(uint32_t(x), 9) % 7 == 0 ? 4 : 0);
             }
         }
         c.ball(120, 20, 4, 4, WHITE, YELLOW, ORANGE);  // a candle's glow
     }},
    {"lake", [](Canvas& c) {
         c.ramp(0, 0, W - 1, 54, NIGHT_SKY, 3);
         stars(c, 50, 30);
         c.ball(104, 18, 8, 8, WHITE, CREAM, LIGHT_GREY);
         hills(c, 54, 12, 40, 31, DEEP_BLUE, NIGHT, INK);
         water(c, 55, H - 1, INK, NIGHT, DEEP_BLUE, 32);
         for (int y = 58; y < H; y += 3) c.rect(100 - (y - 55) / 6, y, 108 + (y - 55) / 6, y, CREAM);  // the moon path
     }},
    {"pass", [](Canvas& c) {
         c.ramp(0, 0, W - 1, 50, DAY_SKY, 3);
         for (int i = 0; i < 4; ++i) {
             double peak = 20 + i * 36, top = 10 + (i % 2) * 10;
             c.triangle(peak - 36, 70, peak + 30, 70, peak, top, STONE);
             c.triangle(peak - 36, 70, peak, 70, peak, top, LIGHT_GREY);
             c.triangle(peak - 9, top + 14, peak + 7, top + 14, peak, top, WHITE);
         }
         rock(c, 0, 70, W - 1, H - 1, 41, LIGHT_GREY, STONE, DARK_GREY);
         path(c, 70, 72, 40, CREAM);
     }},
    {"market", [](Canvas& c) {
         c.ramp(0, 0, W - 1, 50, DAY_SKY, 3);
         for (int x = 0; x < W; x += 28) house(c, x, 50, 26, 22, SAND, BROWN, false);
         for (int y = 50; y < H; ++y)
             for (int x = 0; x < W; ++x) c.mix(x, y, STONE, GREY, ((x / 5 + y / 3) % 2) * 0.5 + 0.2);
         const int awnings[] = {RED, BLUE, YELLOW};
         for (int i = 0; i < 3; ++i) {
             int x = 12 + i * 44;
             for (int k = 0; k < 30; ++k) c.rect(x + k, 56, x + k, 60, k / 5 % 2 ? awnings[i] : CREAM);
             c.rect(x + 1, 61, x + 1, 78, DARK_BROWN);
             c.rect(x + 28, 61, x + 28, 78, DARK_BROWN);
             c.rect(x, 72, x + 29, 76, BROWN);
             for (int k = 0; k < 6; ++k) c.ball(x + 4 + k * 4, 70, 2, 2, YELLOW, k % 2 ? RED : ORANGE, DARK_RED);
         }
     }},
    {"ruins", [](Canvas& c) {
         c.ramp(0, 0, W - 1, 60, DUSK_SKY, 4);
         hills(c, 64, 8, 40, 51, LEAF, GREEN, DEEP_GREEN);
         c.rect(0, 70, W - 1, H - 1, GREEN);
         const int heights[] = {40, 22, 50, 16, 34};
         for (int i = 0; i < 5; ++i) {
             int x = 10 + i * 28, top = 76 - heights[i];
             c.rect(x, top, x + 9, 76, LIGHT_GREY);
             c.rect(x + 6, top, x + 9, 76, STONE);
             for (int y = top; y < 76; y += 5) c.dot(x + 3, y, GREY);
             c.rect(x - 2, 76, x + 11, 79, STONE);
         }
         c.rect(38, 40, 92, 44, LIGHT_GREY);  // a fallen lintel still resting on two columns
         grass_tufts(c, 74, 52, LIME);
     }},
    {"shore", [](Canvas& c) {
         c.ramp(0, 0, W - 1, 44, DAY_SKY, 3);
         sun(c, 24, 14, 6);
         water(c, 44, 70, DEEP_BLUE, BLUE, WHITE, 61);
         for (int y = 70; y < H; ++y)
             for (int x = 0; x < W; ++x) c.mix(x, y, SAND, TAN, fractal(x / 6.0, y / 6.0, 62) * 0.8);
         for (int x = 0; x < W; ++x) c.dot(x, 70 + int(2 * std::sin(x / 7.0)), CREAM);
         c.triangle(84, 76, 122, 76, 116, 84, BROWN);  // a beached boat
         c.rect(86, 76, 120, 78, DARK_BROWN);
         c.rect(102, 58, 103, 76, DARK_BROWN);
         c.triangle(104, 58, 104, 72, 116, 72, CREAM);
     }},
    {"dawn", [](Canvas& c) {
         c.ramp(0, 0, W - 1, 64, DAWN_SKY, 5);
         c.ball(72, 62, 14, 14, WHITE, YELLOW, ORANGE);
         hills(c, 62, 10, 40, 71, PURPLE, DARK_PURPLE, INK);
         hills(c, 80, 12, 30, 72, GREEN, DEEP_GREEN, INK);
         for (int y = 0; y < 40; y += 9) c.rect(60 - y, 44 - y / 3, 84 + y, 44 - y / 3, YELLOW);
     }},
    {"crossroads", [](Canvas& c) {
         c.ramp(0, 0, W - 1, 56, DAY_SKY, 3);
         sun(c, 18, 14, 6);
         hills(c, 54, 10, 40, 81, LEAF, GREEN, DEEP_GREEN);
         c.rect(0, 62, W - 1, H - 1, LEAF);
         path(c, 60, 72, 50, TAN);
         for (int x = 0; x < W; ++x) c.rect_mix(x, 74, x, 80, LEAF, TAN, 0.6);
         c.rect(70, 44, 72, 78, DARK_BROWN);  // the signpost
         c.rect(56, 48, 86, 53, TAN);
         c.rect(60, 56, 82, 60, TAN);
         c.triangle(86, 48, 86, 53.5, 90, 50.8, TAN);
         c.triangle(60, 56, 60, 60.5, 56, 58.2, TAN);
         grass_tufts(c, 66, 82, GREEN);
     }},
};
}  // namespace

void make_scenes(const std::string& root) {
    for (const auto& [name, draw] : SCENES) {
        Canvas c(W, H, 0xFF000000u);
        draw(c);
        c.save(root + "/Brindle/Assets/Sprites/scene/" + name + ".png");
    }
}

}  // namespace art
