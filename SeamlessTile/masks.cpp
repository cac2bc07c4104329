#include "masks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "gfx/gfx.h"
#include "picture_io.h"

namespace {
// Position along one side, -1 at the first pixel, 1 at the last.
std::vector<double> axis(int n) {
    std::vector<double> u(size_t(n), 1.0);
    const double half = (n - 1) / 2.0;
    if (half > 0)
        for (int i = 0; i < n; ++i) u[size_t(i)] = std::abs((i - half) / half);
    return u;
}
}  // namespace

IMAGE* make_mask(MaskShape shape, double blend, int w, int h) {
    IMAGE* m = new_picture(w, h);
    if (!m) return nullptr;
    const std::vector<double> u = axis(w), v = axis(h);
    // The mask is symmetric: a quarter is computed, then mirrored.
    const int qw = (w + 1) / 2, qh = (h + 1) / 2;
    for (int y = 0; y < qh; ++y) {
        uint32_t* row = image_row(m, uint32_t(y));
        for (int x = 0; x < qw; ++x) {
            const double a = u[size_t(x)], b = v[size_t(y)];
            // How far inside the shape, 1 at the middle and 0 on its outline.
            const double inside = shape == MaskShape::radial    ? 1 - std::sqrt(a * a + b * b)
                                  : shape == MaskShape::diamond ? 1 - (a + b)
                                                                : 1 - std::max(a, b);
            // u runs 2 units across the side, so a band of `blend` of the side is 2 * blend of it.
            const double t = std::clamp(inside / (2 * blend), 0.0, 1.0);
            row[x] = row[w - 1 - x] = uint32_t(255 * t * t * (3 - 2 * t) + 0.5);
        }
        std::memcpy(image_row(m, uint32_t(h - 1 - y)), row, size_t(w) * 4);
    }
    return m;
}

IMAGE* read_mask(const std::string& path, std::string& why) {
    IMAGE* m = read_picture(path, 1, why);
    if (!m) return nullptr;
    for (uint32_t y = 0; y < m->HEIGHT; ++y) {
        uint32_t* row = image_row(m, y);
        for (uint32_t x = 0; x < m->WIDTH; ++x) {
            const uint32_t p = row[x], r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            if (p <= 0xFF) continue;  // a weight already
            if (r != g || g != b) {
                char at[96];
                std::snprintf(at, sizeof at, "pixel (%u, %u) is coloured (0x%08X)", x, y, p);
                why = "not a grey mask: " + std::string(at);
                image_destroy(m);
                return nullptr;
            }
            row[x] = b;
        }
    }
    return m;
}

IMAGE* mask_at_size(IMAGE* mask, int w, int h) {
    IMAGE* out = new_picture(w, h);
    if (out) GFX_BUFFER_STRETCH(mask, out);
    return out;
}
