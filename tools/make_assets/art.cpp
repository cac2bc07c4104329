#include "art.h"

#include <algorithm>

#include "image_file.h"

namespace art {

const uint32_t PALETTE[PALETTE_SIZE] = {
    0x0E0B14, 0x1C1830, 0x2A2F5C, 0x3E5A8C, 0x6C9AC4, 0xA8D0E6, 0x1F3B2A, 0x356B3C, 0x5E9E4A, 0x9CCB5E, 0x3B2418,
    0x6B4228, 0xA8744A, 0xD9AE74, 0x4A4656, 0xF2EEDC, 0x7E7A88, 0xB4B0BC, 0x5C1A24, 0xA8343A, 0xDC7A3A, 0xF0C850,
    0x3E2450, 0x6E4488, 0xC87A9C, 0x1E4A4E, 0x3A8A80, 0x7CC8B4, 0x8C5A42, 0xD69E78, 0x5A5E64, 0xFFFFFF,
};

Canvas::Canvas(int w_, int h_, uint32_t fill) : w(w_), h(h_), img(image_create(w_, h_, fill, 32)) {}
Canvas::~Canvas() { image_destroy(img); }

bool Canvas::dither(int x, int y, double t) {
    static const int BAYER[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    return t * 16 > BAYER[y & 3][x & 3] + 0.5;
}

void Canvas::rect(int x0, int y0, int x1, int y1, int c) {
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) dot(x, y, c);
}

void Canvas::rect_mix(int x0, int y0, int x1, int y1, int a, int b, double t) {
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) mix(x, y, a, b, t);
}

void Canvas::ramp(int x0, int y0, int x1, int y1, const int* colours, int n) {
    for (int y = y0; y <= y1; ++y) {
        double t = y1 == y0 ? 0 : double(y - y0) / (y1 - y0) * (n - 1);
        int i = std::min(int(t), n - 2);
        for (int x = x0; x <= x1; ++x) mix(x, y, colours[i], colours[i + 1], t - i);
    }
}

void Canvas::ellipse(double cx, double cy, double rx, double ry, int c) {
    for (int y = int(cy - ry) - 1; y <= int(cy + ry) + 1; ++y)
        for (int x = int(cx - rx) - 1; x <= int(cx + rx) + 1; ++x) {
            double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
            if (dx * dx + dy * dy <= 1) dot(x, y, c);
        }
}

void Canvas::ball(double cx, double cy, double rx, double ry, int lit, int base, int shade) {
    for (int y = int(cy - ry) - 1; y <= int(cy + ry) + 1; ++y)
        for (int x = int(cx - rx) - 1; x <= int(cx + rx) + 1; ++x) {
            double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
            if (dx * dx + dy * dy > 1) continue;
            double light = -0.6 * dx - 0.6 * dy;  // the sun stands upper left
            if (light > 0.35) mix(x, y, base, lit, std::min(1.0, (light - 0.35) * 3));
            else if (light < -0.2) mix(x, y, base, shade, std::min(1.0, (-0.2 - light) * 2.5));
            else dot(x, y, base);
        }
}

void Canvas::triangle(double ax, double ay, double bx, double by, double cx, double cy, int c) {
    int x0 = int(std::floor(std::min({ax, bx, cx}))), x1 = int(std::ceil(std::max({ax, bx, cx})));
    int y0 = int(std::floor(std::min({ay, by, cy}))), y1 = int(std::ceil(std::max({ay, by, cy})));
    auto edge = [](double px, double py, double qx, double qy, double x, double y) {
        return (qx - px) * (y - py) - (qy - py) * (x - px);
    };
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            double px = x + 0.5, py = y + 0.5;
            double e1 = edge(ax, ay, bx, by, px, py), e2 = edge(bx, by, cx, cy, px, py), e3 = edge(cx, cy, ax, ay, px, py);
            if ((e1 >= 0 && e2 >= 0 && e3 >= 0) || (e1 <= 0 && e2 <= 0 && e3 <= 0)) dot(x, y, c);
        }
}

void Canvas::line(int x0, int y0, int x1, int y1, int c) {
    int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0), sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1, err = dx + dy;
    for (;;) {
        dot(x0, y0, c);
        if (x0 == x1 && y0 == y1) return;
        int e2 = 2 * err;
        if (e2 >= dy) err += dy, x0 += sx;
        if (e2 <= dx) err += dx, y0 += sy;
    }
}

void Canvas::outline(int c) {
    Canvas copy(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) copy.set(x, y, get(x, y));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (copy.get(x, y) >> 24) continue;
            if ((copy.get(x - 1, y) | copy.get(x + 1, y) | copy.get(x, y - 1) | copy.get(x, y + 1)) >> 24) dot(x, y, c);
        }
}

bool Canvas::save(const std::string& path) const { return SavePNGFile(img, path.c_str(), 1); }

uint32_t hash(uint32_t a, uint32_t b, uint32_t c) {
    uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u ^ (c + 0x165667B1u) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

double noise(double x, double y, uint32_t seed) {
    int xi = int(std::floor(x)), yi = int(std::floor(y));
    double fx = x - xi, fy = y - yi;
    auto v = [&](int a, int b) { return hash(uint32_t(a), uint32_t(b), seed) / 4294967296.0; };
    auto s = [](double t) { return t * t * (3 - 2 * t); };
    double top = v(xi, yi) + (v(xi + 1, yi) - v(xi, yi)) * s(fx);
    double bottom = v(xi, yi + 1) + (v(xi + 1, yi + 1) - v(xi, yi + 1)) * s(fx);
    return top + (bottom - top) * s(fy);
}

double fractal(double x, double y, uint32_t seed, int octaves) {
    double sum = 0, amp = 0.5, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * noise(x, y, seed + uint32_t(i) * 101);
        norm += amp;
        x *= 2;
        y *= 2;
        amp *= 0.5;
    }
    return sum / norm;
}

}  // namespace art
