// The font sheet, the bar pattern, the wallpaper, the interface backdrop,
// the colour tables and the demo pictures.
#include <algorithm>
#include <cstdio>
#include <fstream>

#include "art.h"
#include "console_font.h"
#include "make_assets.h"

namespace art {
namespace {
// Extra glyphs beyond ASCII, as 8 row bytes: arrows and shading blocks.
void extra_glyph(unsigned c, uint8_t rows[8]) {
    static const uint8_t UP[8] = {0x10, 0x38, 0x7C, 0x10, 0x10, 0x10, 0x10, 0x00};
    static const uint8_t DOWN[8] = {0x10, 0x10, 0x10, 0x10, 0x7C, 0x38, 0x10, 0x00};
    static const uint8_t RIGHT[8] = {0x00, 0x08, 0x0C, 0x7E, 0x0C, 0x08, 0x00, 0x00};
    static const uint8_t LEFT[8] = {0x00, 0x10, 0x30, 0x7E, 0x30, 0x10, 0x00, 0x00};
    const uint8_t* src = nullptr;
    if (c == 24) src = UP;
    if (c == 25) src = DOWN;
    if (c == 26) src = RIGHT;
    if (c == 27) src = LEFT;
    for (int y = 0; y < 8; ++y) rows[y] = src ? src[y] : 0;
    if (c >= 176 && c <= 178)  // light, medium and dark shade
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                if (Canvas::dither(x, y, (c - 175) * 0.25)) rows[y] |= uint8_t(0x80 >> x);
    if (c == 219)
        for (int y = 0; y < 8; ++y) rows[y] = 0xFF;
    // Single-line box drawing: which arms leave the cell's centre.
    struct Box { unsigned code; bool up, down, left, right; };
    static const Box BOXES[] = {{179, 1, 1, 0, 0}, {196, 0, 0, 1, 1}, {218, 0, 1, 0, 1}, {191, 0, 1, 1, 0},
                                {192, 1, 0, 0, 1}, {217, 1, 0, 1, 0}, {195, 1, 1, 0, 1}, {180, 1, 1, 1, 0},
                                {194, 0, 1, 1, 1}, {193, 1, 0, 1, 1}, {197, 1, 1, 1, 1}};
    for (const Box& b : BOXES)
        if (b.code == c) {
            for (int y = 0; y < 8; ++y) {
                if ((b.up && y <= 3) || (b.down && y >= 3) || y == 3) rows[y] |= 0x10;
                if (y == 3) rows[y] |= uint8_t((b.left ? 0xF0 : 0) | (b.right ? 0x1F : 0));
            }
            if (!b.left && !b.right) rows[3] = 0x10;
        }
}
}  // namespace

void make_font(const std::string& root) {
    Canvas sheet(128, 128);
    for (unsigned c = 0; c < 256; ++c) {
        uint8_t rows[8];
        const uint8_t* base = console_glyph(static_cast<unsigned char>(c));
        extra_glyph(c, rows);
        for (int y = 0; y < 8; ++y) rows[y] |= base[y];
        const int cx = int(c % 16) * 8, cy = int(c / 16) * 8;
        auto ink = [&](int x, int y) { return x >= 0 && y >= 0 && x < 8 && y < 8 && (rows[y] & (0x80 >> x)); };
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                if (ink(x, y)) sheet.dot(cx + x, cy + y, CREAM);
                else if (ink(x - 1, y - 1) || ink(x - 1, y)) sheet.set(cx + x, cy + y, 0xD0000000u | PALETTE[INK]);
            }
    }
    sheet.save(root + "/Brindle/Assets/Fonts/mishap22.alpha.png");
}

void make_fill(const std::string& root) {
    // Only the top-left 8 x 8 is used: a dark, quiet weave behind the text.
    Canvas fill(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            bool thread = ((x + y) & 3) == 0 || ((x - y) & 7) == 4;
            fill.set(x, y, (thread ? 0xEC000000u | PALETTE[DEEP_BLUE] : 0xE4000000u | PALETTE[NIGHT]));
        }
    fill.save(root + "/Brindle/Assets/Fonts/Fill.png");
}

void make_wallpaper(const std::string& root) {
    // A 32 x 32 tile: diamonds of night cloth with a few pin stars. Every
    // feature repeats with the tile, so the seams do not show.
    Canvas tile(32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            int d = std::abs((x % 16) - 8) + std::abs((y % 16) - 8);
            double t = d / 16.0;
            tile.mix(x, y, NIGHT, DEEP_BLUE, t * 0.7);
            if (d == 8) tile.dot(x, y, INK);
        }
    tile.dot(8, 8, BLUE);
    tile.dot(24, 24, SKY);
    tile.dot(24, 8, BLUE);
    tile.save(root + "/Brindle/Assets/Sprites/background.png");
}

void make_backdrop(const std::string& root) {
    // 320 x 240: a carved frame around the scene window (88, 58)-(231, 153)
    // and a soft shadow; the rest stays transparent over the wallpaper.
    Canvas b(320, 240);
    const int x0 = 84, y0 = 54, x1 = 235, y1 = 157;
    for (int y = y0 + 3; y <= y1 + 3; ++y)
        for (int x = x0 + 3; x <= x1 + 3; ++x)
            if (x > x1 || y > y1) b.set(x, y, 0x90000000u | PALETTE[INK]);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            bool window = x >= 88 && x <= 231 && y >= 58 && y <= 153;
            if (window) continue;
            int edge = std::min({x - x0, y - y0, x1 - x, y1 - y});
            bool lit = (x - x0 < 4 && y1 - y > x - x0) || (y - y0 < 4 && x1 - x > y - y0);
            int c = edge == 0 ? INK : edge == 3 ? DARK_BROWN : lit ? TAN : BROWN;
            b.dot(x, y, c);
            if (c == BROWN && ((x * 7 + y * 3) % 11 == 0)) b.dot(x, y, DARK_BROWN);
        }
    // Brass studs in the corners.
    for (int cx : {x0 + 2, x1 - 1})
        for (int cy : {y0 + 2, y1 - 1}) b.ball(cx, cy, 2, 2, CREAM, YELLOW, ORANGE);
    b.save(root + "/Brindle/Assets/Sprites/interface/background.png");
}

void make_colour_table(const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    auto put = [&](uint32_t rgb) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "&H%06X\r\n", rgb & 0xFFFFFF);
        out << buf;
    };
    for (int i = 0; i < PALETTE_SIZE; ++i) put(PALETTE[i]);
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) put(uint32_t(r * 51) << 16 | uint32_t(g * 51) << 8 | uint32_t(b * 51));
    for (int i = 0; i < 8; ++i) put(uint32_t(0x101010 * (i * 2 + 1)));
}

void make_demo(const std::string& root) {
    const std::string sprites = root + "/Demo/Assets/Sprites/";
    // FTRS5756: 256 x 192 cobbles with moss, irregular on purpose.
    {
        Canvas c(256, 192);
        const int n = 70;
        double px[n], py[n];
        for (int i = 0; i < n; ++i) {
            px[i] = hash(uint32_t(i), 1) % 256;
            py[i] = hash(uint32_t(i), 2) % 192;
        }
        const int stones[4][3] = {{LIGHT_GREY, GREY, STONE}, {SAND, TAN, BROWN}, {GREY, STONE, DARK_GREY}, {TAN, BROWN, DARK_BROWN}};
        for (int y = 0; y < 192; ++y)
            for (int x = 0; x < 256; ++x) {
                int best = 0, second = 0;
                double d1 = 1e9, d2 = 1e9;
                for (int i = 0; i < n; ++i) {
                    double d = (x - px[i]) * (x - px[i]) + (y - py[i]) * (y - py[i]);
                    if (d < d1) d2 = d1, second = best, d1 = d, best = i;
                    else if (d < d2) d2 = d, second = i;
                }
                (void)second;
                double edge = std::sqrt(d2) - std::sqrt(d1);
                const int* s = stones[hash(uint32_t(best)) % 4];
                double rough = fractal(x / 9.0, y / 9.0, 7);
                double moss = fractal(x / 40.0, y / 40.0, 11);
                if (edge < 2.2) c.mix(x, y, INK, DARK_BROWN, edge / 2.2);
                else if (moss > 0.58 && edge < 7) c.mix(x, y, GREEN, LEAF, rough);
                else {
                    double lit = (px[best] - x + py[best] - y) / 30.0 + rough - 0.5;
                    if (lit > 0.3) c.mix(x, y, s[1], s[0], std::min(1.0, lit));
                    else c.mix(x, y, s[1], s[2], std::min(1.0, -lit + 0.2));
                }
            }
        c.save(sprites + "FTRS5756.png");
    }
    // PNDX2424: 240 x 240 autumn leaves drifting on dark water.
    {
        Canvas c(240, 240);
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 240; ++x) {
                double r = fractal(x / 30.0 + std::sin(y / 17.0), y / 12.0, 3);
                c.mix(x, y, DARK_TEAL, r > 0.55 ? AQUA : TEAL, r > 0.55 ? (r - 0.55) * 2 : r);
            }
        const int tones[4] = {ORANGE, RED, YELLOW, DARK_RED};
        for (int i = 0; i < 55; ++i) {
            double cx = hash(uint32_t(i), 5) % 240, cy = hash(uint32_t(i), 6) % 240;
            double size = 6 + hash(uint32_t(i), 7) % 12, angle = (hash(uint32_t(i), 8) % 628) / 100.0;
            int tone = tones[hash(uint32_t(i), 9) % 4];
            for (int y = int(cy - size) - 1; y <= int(cy + size) + 1; ++y)
                for (int x = int(cx - size) - 1; x <= int(cx + size) + 1; ++x) {
                    double dx = x - cx, dy = y - cy;
                    double u = dx * std::cos(angle) + dy * std::sin(angle), v = -dx * std::sin(angle) + dy * std::cos(angle);
                    double half = size * 0.45 * std::sqrt(std::max(0.0, 1 - (u / size) * (u / size)));
                    if (std::abs(v) > half) continue;
                    if (std::abs(v) < 0.6) c.dot(x, y, DARK_BROWN);  // the vein
                    else c.mix(x, y, tone, v < 0 ? YELLOW : DARK_RED, std::abs(v) / (half + 1) * 0.5);
                }
        }
        c.save(sprites + "PNDX2424.png");
    }
    // The mask: weight 255 in the middle falling smoothly to 0 at every
    // border, in the blue byte with the other bytes (alpha too) 0.
    {
        const int size = 256;
        Canvas m(size, size);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                double sx = std::sin(M_PI * x / (size - 1)), sy = std::sin(M_PI * y / (size - 1));
                m.set(x, y, uint32_t(std::lround(255 * sx * sy)));
            }
        m.save(root + "/Demo/Code/Assets/Sprites/alpha mask.png");
    }
    make_colour_table(root + "/Demo/Assets/VGA Table.seq");
}

}  // namespace art
