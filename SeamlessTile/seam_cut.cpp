#include "seam_cut.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "picture.h"

// The path is star-shaped around the middle, where the shifted copy's own
// seams cross: one radius on each of N rays. Along each ray the band runs
// from where the mask first drops below 255 to where it reaches 0; the path
// may sit anywhere in it and move a few pixels from ray to ray. Each
// position costs the difference between the two copies there, times the
// length of path it stands for (across the ray and along it); on the four rays that run along the shifted
// copy's seams, it also costs that seam from the path out to the border,
// which would show. The cheapest closed path is found in two passes: one with
// a free start, then one starting (and ending) where the first began.
namespace {
constexpr double TAU = 6.283185307179586;
constexpr double STEP = 1.0;  // samples along a ray, in pixels
// At most this many places on all rays together (about 150 MB of working
// memory): a huge or very long picture gets coarser rays and samples.
constexpr int64_t MOST_PLACES = int64_t(16) << 20;
constexpr int REACH = 4;      // samples the path may move along the band from one ray to the next

inline int difference(uint32_t a, uint32_t b) {
    int sum = 0;
    for (int sh = 0; sh < 32; sh += 8) sum += std::abs(int((a >> sh) & 0xFF) - int((b >> sh) & 0xFF));
    return sum;
}

struct Frame {
    int w, h;
    double cx, cy;  // the middle: the shifted copy's seams meet at this pixel corner
    uint32_t at(const IMAGE* img, double x, double y) const {
        const int px = std::clamp(int(std::floor(x)), 0, w - 1), py = std::clamp(int(std::floor(y)), 0, h - 1);
        return image_row(img, uint32_t(py))[px];
    }
    bool holds(double x, double y) const { return x >= 0 && y >= 0 && x < w && y < h; }
};

// The shifted copy's seam along one half-axis, as the sum of the jumps across
// it from each position outward: cost[k] is what shows when the path crosses
// that half-axis k pixels from the middle.
std::vector<double> seam_beyond(const IMAGE* shifted, const Frame& f, int axis) {
    const int hw = f.w / 2, hh = f.h / 2;
    const int n = axis == 0 ? f.w - hw : axis == 1 ? f.h - hh : axis == 2 ? hw : hh;
    std::vector<double> cost(size_t(n) + 1, 0.0);
    for (int k = n - 1; k >= 0; --k) {
        uint32_t a, b;
        if (axis == 0 || axis == 2) {  // along the rows either side of the horizontal seam
            const int x = axis == 0 ? hw + k : hw - 1 - k;
            a = image_row(shifted, uint32_t(hh - 1))[x], b = image_row(shifted, uint32_t(hh))[x];
        } else {
            const int y = axis == 1 ? hh + k : hh - 1 - k;
            a = image_row(shifted, uint32_t(y))[hw - 1], b = image_row(shifted, uint32_t(y))[hw];
        }
        cost[size_t(k)] = cost[size_t(k) + 1] + difference(a, b);
    }
    return cost;
}
}  // namespace

IMAGE* cut_weights(const IMAGE* picture, const IMAGE* shifted, const IMAGE* mask, int feather) {
    const Frame f{int(picture->WIDTH), int(picture->HEIGHT), double(picture->WIDTH / 2), double(picture->HEIGHT / 2)};
    const double reach = std::hypot(std::max(f.cx, f.w - f.cx), std::max(f.cy, f.h - f.cy));
    // Enough rays that neighbouring ones are at most a pixel apart at the corners.
    const int quarter = std::max(2, int(std::min(std::ceil(TAU * reach / 4), 16384.0)));
    const int N = 4 * quarter;
    const size_t rays = size_t(N);
    std::vector<double> dx(rays), dy(rays), lo(rays), hi(rays);
    int samples = 2;
    for (int i = 0; i < N; ++i) {
        const double a = TAU * i / N;
        // The four axes exactly, so those rays run along the seams they are charged for.
        dx[size_t(i)] = i % quarter ? std::cos(a) : (i == 0 ? 1 : i == 2 * quarter ? -1 : 0);
        dy[size_t(i)] = i % quarter ? std::sin(a) : (i == quarter ? 1 : i == 3 * quarter ? -1 : 0);
        double start = -1, end = -1, last = 0;
        for (int k = 0;; ++k) {
            const double r = k * STEP, x = f.cx + r * dx[size_t(i)], y = f.cy + r * dy[size_t(i)];
            if (!f.holds(x, y)) break;
            const uint32_t m = f.at(mask, x, y);
            if (start < 0 && m < 255) start = r;
            if (start >= 0 && m == 0) {
                end = r;
                break;
            }
            last = r;
        }
        if (start < 0) start = last;
        if (end < 0) end = last;
        // Keep the feathered strip inside the band where the band allows it.
        if (end - start > 2.0 * feather) start += feather, end -= feather;
        else start = end = (start + end) / 2;
        lo[size_t(i)] = start, hi[size_t(i)] = end;
        samples = std::max(samples, int(std::min((end - start) / STEP + 1, double(MOST_PLACES / N))));
    }
    auto radius = [&](int i, int t) { return lo[size_t(i)] + (hi[size_t(i)] - lo[size_t(i)]) * t / (samples - 1); };
    std::vector<double> along[4];
    for (int axis = 0; axis < 4; ++axis) along[axis] = seam_beyond(shifted, f, axis);
    // Each position's price (what a pixel of path costs there: the two
    // copies' difference, and a little for its length alone) and what
    // standing there costs: the price times the length of path across the
    // ray it stands for, and on the axes the shifted copy's seam beyond it.
    const size_t nodes = rays * static_cast<size_t>(samples);
    std::vector<float> price(nodes), stand(nodes);
    for (int i = 0; i < N; ++i)
        for (int t = 0; t < samples; ++t) {
            const double r = radius(i, t), x = f.cx + r * dx[size_t(i)], y = f.cy + r * dy[size_t(i)];
            const double unit = 1.0 + difference(f.at(picture, x, y), f.at(shifted, x, y));
            double c = unit * std::max(r, 1.0) * TAU / N;
            if (i % quarter == 0) {
                const std::vector<double>& seam = along[i / quarter];
                const size_t from = size_t(std::max(0.0, std::ceil(r - 0.5)));
                c += from < seam.size() ? seam[from] : 0.0;
            }
            const size_t at = size_t(i) * size_t(samples) + size_t(t);
            price[at] = float(unit), stand[at] = float(c);
        }

    // The running totals, with REACH unreachable places either side.
    const double FAR = std::numeric_limits<double>::infinity();
    std::vector<double> prev(static_cast<size_t>(samples + 2 * REACH), FAR), cur(prev);
    std::vector<signed char> step(nodes);
    std::vector<int> path(rays);
    // One pass of the path search; start < 0 lets the path begin anywhere.
    auto search = [&](int start) {
        for (int t = 0; t < samples; ++t) prev[size_t(REACH + t)] = start < 0 || t == start ? stand[size_t(t)] : FAR;
        for (int i = 1; i < N; ++i) {
            // A move along the ray lengthens the path by as much, at this position's price.
            const double pace = (hi[size_t(i)] - lo[size_t(i)]) / (samples - 1);
            const size_t row = size_t(i) * size_t(samples);
            for (int t = 0; t < samples; ++t) {
                const double* around = prev.data() + REACH + t;
                const double slope = price[row + size_t(t)] * pace;
                int best = 0;
                double least = around[0];
                for (int j = 1; j <= REACH; ++j) {
                    const double down = around[-j] + slope * j, up = around[j] + slope * j;
                    if (down < least) least = down, best = -j;
                    if (up < least) least = up, best = j;
                }
                cur[size_t(REACH + t)] = least + stand[row + size_t(t)];
                step[row + size_t(t)] = static_cast<signed char>(best);
            }
            std::swap(prev, cur);
        }
        int end = -1;
        for (int t = 0; t < samples; ++t)
            if ((start < 0 || std::abs(t - start) <= REACH) &&
                (end < 0 || prev[size_t(REACH + t)] < prev[size_t(REACH + end)]))
                end = t;
        path[size_t(N - 1)] = end;
        for (int i = N - 1; i > 0; --i)
            path[size_t(i) - 1] = path[size_t(i)] + step[size_t(i) * size_t(samples) + size_t(path[size_t(i)])];
    };
    search(-1);
    search(path[0]);  // closes the path where the free one began
    std::vector<double> R(rays);
    for (int i = 0; i < N; ++i) R[size_t(i)] = radius(i, path[size_t(i)]);

    IMAGE* out = new_picture(f.w, f.h);
    if (!out) return nullptr;
    for (int y = 0; y < f.h; ++y) {
        const uint32_t* m = image_row(mask, uint32_t(y));
        uint32_t* o = image_row(out, uint32_t(y));
        for (int x = 0; x < f.w; ++x) {
            if (m[x] == 0 || m[x] >= 255) {
                o[x] = m[x] ? 255 : 0;
                continue;
            }
            const double px = x + 0.5 - f.cx, py = y + 0.5 - f.cy;
            double a = std::atan2(py, px);
            if (a < 0) a += TAU;
            const double at = a / TAU * N;
            const int i0 = std::min(N - 1, int(at));
            const double frac = at - i0;
            const double d = R[size_t(i0)] * (1 - frac) + R[size_t((i0 + 1) % N)] * frac - std::hypot(px, py);
            if (feather == 0) o[x] = d > 0 ? 255 : 0;
            else o[x] = uint32_t(std::lround(255 * std::clamp(0.5 + d / (2.0 * feather), 0.0, 1.0)));
        }
    }
    return out;
}
