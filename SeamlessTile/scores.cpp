#include "scores.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {
// Sum of the four channels' absolute differences.
inline int difference(uint32_t a, uint32_t b) {
    int sum = 0;
    for (int sh = 0; sh < 32; sh += 8) sum += std::abs(int((a >> sh) & 0xFF) - int((b >> sh) & 0xFF));
    return sum;
}

inline int channel(uint32_t p, int sh) { return int((p >> sh) & 0xFF); }
}  // namespace

double ratio(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return std::numeric_limits<double>::quiet_NaN();
    if (b == 0) return a == 0 ? 1.0 : std::numeric_limits<double>::infinity();
    return a / b;
}

double spread(const IMAGE* img) {
    uint64_t sum[4] = {}, squares[4] = {};
    for (uint32_t y = 0; y < img->HEIGHT; ++y) {
        const uint32_t* row = image_row(img, y);
        for (uint32_t x = 0; x < img->WIDTH; ++x)
            for (int c = 0; c < 4; ++c) {
                const uint64_t v = uint64_t(channel(row[x], 8 * c));
                sum[c] += v, squares[c] += v * v;
            }
    }
    const double n = double(img->WIDTH) * double(img->HEIGHT);
    double variance = 0;
    for (int c = 0; c < 4; ++c) {
        const double mean = double(sum[c]) / n;
        variance += std::max(0.0, double(squares[c]) / n - mean * mean);
    }
    return std::sqrt(variance / 4);
}

double exact_share(const IMAGE* weights) {
    uint64_t exact = 0;
    for (uint32_t y = 0; y < weights->HEIGHT; ++y) {
        const uint32_t* row = image_row(weights, y);
        for (uint32_t x = 0; x < weights->WIDTH; ++x) exact += row[x] == 0 || row[x] == 255;
    }
    return double(exact) / (double(weights->WIDTH) * double(weights->HEIGHT));
}

double seam_score(const IMAGE* img) {
    const uint32_t w = img->WIDTH, h = img->HEIGHT;
    double edge = 0, inner = 0;
    uint64_t inner_pairs = 0;
    for (uint32_t y = 0; y < h; ++y) {
        const uint32_t* row = image_row(img, y);
        const uint32_t* below = y + 1 < h ? image_row(img, y + 1) : nullptr;
        uint64_t sum = 0;
        for (uint32_t x = 0; x + 1 < w; ++x) sum += uint64_t(difference(row[x], row[x + 1]));
        if (below)
            for (uint32_t x = 0; x < w; ++x) sum += uint64_t(difference(row[x], below[x]));
        inner += double(sum);
        edge += difference(row[w - 1], row[0]);
    }
    const uint32_t* first = image_row(img, 0);
    const uint32_t* last = image_row(img, h - 1);
    for (uint32_t x = 0; x < w; ++x) edge += difference(last[x], first[x]);
    inner_pairs = uint64_t(w - 1) * h + uint64_t(w) * (h - 1);
    if (inner_pairs == 0) return 1.0;  // a single pixel has no inside to compare with
    return ratio(edge / double(w + h), inner / double(inner_pairs));
}

double detail_energy(const IMAGE* img) {
    const uint32_t w = img->WIDTH, h = img->HEIGHT;
    if (w < 3 || h < 3) return std::numeric_limits<double>::quiet_NaN();
    double total = 0;
    for (uint32_t y = 1; y + 1 < h; ++y) {
        const uint32_t *up = image_row(img, y - 1), *row = image_row(img, y), *down = image_row(img, y + 1);
        uint64_t sum = 0;
        for (uint32_t x = 1; x + 1 < w; ++x)
            for (int sh = 0; sh < 32; sh += 8) {
                const int64_t l = 4 * channel(row[x], sh) - channel(row[x - 1], sh) - channel(row[x + 1], sh) -
                                  channel(up[x], sh) - channel(down[x], sh);
                sum += uint64_t(l * l);
            }
        total += double(sum);
    }
    return total / (4.0 * double(w - 2) * double(h - 2));
}

double detail_score(double input_energy, double tile_energy) { return ratio(tile_energy, input_energy); }

std::string score_text(double score) {
    if (std::isnan(score)) return "n/a";
    if (std::isinf(score)) return "inf";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", score);
    return buf;
}
