// Writes a deterministic photo-like picture for seamless-tile's benchmarks and tests:
// smooth colour gradients, soft blobs at three scales and a little sensor
// noise, opaque RGB. With "stones", a texture instead: rounded pebbles of
// varied tones in dark grit, lit from the top left, with the same noise.
//   build/bin/make_photo OUT.png SIZE [SEED] [stones]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "image_file.h"

namespace {
uint32_t hash(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

// Smooth noise in 0..1: a random lattice every `cell` pixels, blended with smoothstep.
double blob(uint32_t seed, int x, int y, int cell) {
    const int cx = x / cell, cy = y / cell;
    const double fx = double(x % cell) / cell, fy = double(y % cell) / cell;
    auto at = [&](int i, int j) { return double(hash(seed ^ hash(uint32_t(i) * 73856093u ^ uint32_t(j) * 19349663u)) & 0xFFFF) / 65535.0; };
    const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const double top = at(cx, cy) + (at(cx + 1, cy) - at(cx, cy)) * sx;
    const double bottom = at(cx, cy + 1) + (at(cx + 1, cy + 1) - at(cx, cy + 1)) * sx;
    return top + (bottom - top) * sy;
}

double unit(uint32_t h) { return double(h & 0xFFFF) / 65535.0; }

// Pebbles: the nearest of jittered points on a grid of `cell` pixels owns a
// pixel; it is stone where it lies well inside that point's cell, lit as a dome.
void stones(uint32_t seed, int n, int x, int y, double c[3]) {
    const int cell = std::max(4, n / 14);
    const int gx = x / cell, gy = y / cell;
    double d1 = 1e9, d2 = 1e9;
    double lx = 0, ly = 0;
    uint32_t owner = 0;
    for (int j = gy - 1; j <= gy + 1; ++j)
        for (int i = gx - 1; i <= gx + 1; ++i) {
            const uint32_t h = hash(seed ^ hash(uint32_t(i) * 73856093u ^ uint32_t(j) * 19349663u));
            const double px = (i + 0.15 + 0.7 * unit(h)) * cell, py = (j + 0.15 + 0.7 * unit(h >> 16)) * cell;
            const double d = std::hypot(x - px, y - py);
            if (d < d1) d2 = d1, d1 = d, lx = (x - px) / cell, ly = (y - py) / cell, owner = h;
            else if (d < d2) d2 = d;
        }
    const double edge = (d2 - d1) / cell;  // 0 on the line between two stones
    const double grit = blob(seed + 5, x, y, 3), tone = unit(hash(owner)), warm = unit(hash(owner + 1));
    const double body = std::clamp(edge / 0.12, 0.0, 1.0);
    const double dome = std::sqrt(std::max(0.0, 1 - (lx * lx + ly * ly) * 1.6));
    const double light = 0.55 + 0.45 * dome - 0.35 * (lx + ly) * dome;
    for (int k = 0; k < 3; ++k) {
        const double stone = (0.35 + 0.4 * tone) * (k == 0 ? 1 + 0.15 * warm : k == 2 ? 1 - 0.15 * warm : 1) * light;
        const double dirt = 0.12 + 0.1 * grit;
        c[k] = dirt + (stone + 0.06 * (blob(seed + 7, x, y, 2) - 0.5) - dirt) * body;
    }
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_photo OUT.png SIZE [SEED]\n");
        return 2;
    }
    const int n = std::atoi(argv[2]);
    const uint32_t seed = argc > 3 ? uint32_t(std::strtoul(argv[3], nullptr, 10)) : 1;
    const bool pebbles = argc > 4 && std::string(argv[4]) == "stones";
    if (n < 2 || n > 8192) {
        std::fprintf(stderr, "make_photo: SIZE must be 2 to 8192\n");
        return 2;
    }
    IMAGE* img = image_alloc(n, n);
    if (!img) return 1;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const double u = double(x) / n, v = double(y) / n;
            const double b1 = blob(seed, x, y, std::max(2, n / 6)), b2 = blob(seed + 1, x, y, std::max(2, n / 24));
            const double b3 = blob(seed + 2, x, y, std::max(2, n / 96));
            double c[3];
            double pebble[3];
            if (pebbles) stones(seed, n, x, y, pebble);
            for (int k = 0; k < 3; ++k) {
                const double sky = 0.35 + 0.45 * (1 - v) * (k == 2 ? 1.2 : 0.8) + 0.1 * std::sin(6.3 * u + k);
                c[k] = pebbles ? pebble[k] : sky * (0.55 + 0.35 * b1 + 0.1 * b2 * (k + 1) / 2) + 0.08 * (b3 - 0.5);
                c[k] = c[k] * 255 + double(int(hash(seed * 31u + uint32_t(y * n + x) * 3u + uint32_t(k)) % 7) - 3);
            }
            auto byte = [](double d) { return uint32_t(std::lround(std::fmin(255, std::fmax(0, d)))); };
            image_row(img, uint32_t(y))[x] = 0xFF000000u | byte(c[0]) << 16 | byte(c[1]) << 8 | byte(c[2]);
        }
    const bool ok = SavePNGFile(img, argv[1], 0);
    image_destroy(img);
    return ok ? 0 : 1;
}
