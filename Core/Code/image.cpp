#include "image.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace {
constexpr int64_t POSITION_LIMIT = int64_t(1) << 40;

uint32_t* pixel_at(IMAGE* img, int64_t x, int64_t y) {
    return image_row(img, uint32_t(y)) + x;
}

IMAGE* g_work_page = nullptr;

IMAGE* target_or_page(IMAGE* target) { return target ? target : g_work_page; }
}  // namespace

void image_attach_work_page(IMAGE* page) { g_work_page = page; }

int64_t round_position(double v) {
    if (std::isnan(v)) return 0;
    double r = v > 0 ? std::trunc(v + 0.5) : std::trunc(v - 0.5);
    if (r > double(POSITION_LIMIT)) return POSITION_LIMIT;
    if (r < -double(POSITION_LIMIT)) return -POSITION_LIMIT;
    return int64_t(r);
}

IMAGE* image_alloc(int64_t width, int64_t height) {
    // Heights are held to the widths' bound, so sizes cannot overflow.
    if (width < 1 || height < 1 || width > MAX_PICTURE_SIDE || height > MAX_PICTURE_SIDE) return nullptr;
    uint64_t pitch = (uint64_t(width) * 4 + 15) & ~uint64_t(15);
    uint64_t bytes = IMAGE_HEADER + pitch * uint64_t(height);
    void* p = std::aligned_alloc(16, size_t((bytes + 15) & ~uint64_t(15)));
    if (!p) return nullptr;
    IMAGE* img = static_cast<IMAGE*>(p);
    img->TYPE = 7;
    img->BPP = 4;
    img->WIDTH = uint32_t(width);
    img->HEIGHT = uint32_t(height);
    img->PITCH = uint32_t(pitch);
    img->_RESERVED[0] = img->_RESERVED[1] = img->_RESERVED[2] = 0;
    return img;
}

IMAGE* image_create(int width, int height, uint32_t fill, int) {
    if (!g_work_page) return nullptr;
    IMAGE* img = image_alloc(width, height);
    if (!img) return nullptr;
    // Every byte of pixel memory, row padding included, holds the fill.
    uint32_t* p = image_row(img, 0);
    const size_t words = size_t(img->PITCH / 4) * img->HEIGHT;
    if (fill == (fill & 0xFFu) * 0x01010101u)  // one byte repeated (transparent black, white)
        std::memset(p, int(fill & 0xFFu), words * 4);
    else
        std::fill(p, p + words, fill);
    return img;
}

void image_destroy(IMAGE* img) { std::free(img); }

void double_row(uint32_t* d, const uint32_t* s, size_t n) {
    size_t x = 0;
#if defined(__x86_64__)
    for (; x + 4 <= n; x += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 2 * x), _mm_unpacklo_epi32(v, v));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 2 * x + 4), _mm_unpackhi_epi32(v, v));
    }
#endif
    for (; x < n; ++x) d[2 * x] = d[2 * x + 1] = s[x];
}

int image_put(IMAGE* target, float x, float y, IMAGE* source, PutMode mode) {
    if (!source) return 7;
    return image_put(target, x, y, source, 0, 0, float(source->WIDTH) - 1, float(source->HEIGHT) - 1, mode);
}

int image_put(IMAGE* target, float x, float y, IMAGE* source, float sx1, float sy1, float sx2,
              float sy2, PutMode mode) {
    if (!source) return 7;
    target = target_or_page(target);
    if (!target) return 1;
    const int64_t sw = source->WIDTH, sh = source->HEIGHT;
    int64_t ax = round_position(sx1), ay = round_position(sy1);
    int64_t bx = round_position(sx2), by = round_position(sy2);
    if (ax > bx) std::swap(ax, bx);
    if (ay > by) std::swap(ay, by);
    ax = std::clamp<int64_t>(ax, 0, sw - 1);
    bx = std::clamp<int64_t>(bx, 0, sw - 1);
    ay = std::clamp<int64_t>(ay, 0, sh - 1);
    by = std::clamp<int64_t>(by, 0, sh - 1);

    int64_t dx = round_position(x), dy = round_position(y);
    int64_t w = bx - ax + 1, h = by - ay + 1;
    // Cut the destination rectangle to the target, keeping the alignment.
    int64_t skip_x = std::max<int64_t>(0, -dx), skip_y = std::max<int64_t>(0, -dy);
    int64_t x0 = dx + skip_x, y0 = dy + skip_y;
    int64_t x1 = std::min<int64_t>(dx + w, target->WIDTH), y1 = std::min<int64_t>(dy + h, target->HEIGHT);
    if (x0 >= x1 || y0 >= y1) return 0;
    const int64_t n = x1 - x0;
    const bool same = source == target;

    for (int64_t ty = y0; ty < y1; ++ty) {
        uint32_t* d = pixel_at(target, x0, ty);
        const uint32_t* s = pixel_at(source, ax + skip_x, ay + skip_y + (ty - y0));
        switch (mode) {
            case PUT_COPY:
                if (same)  // pixels written earlier in this put are read back
                    for (int64_t i = 0; i < n; ++i) d[i] = s[i];
                else
                    std::memcpy(d, s, size_t(n) * 4);
                break;
            case PUT_ALPHA:
                blend_row(d, s, size_t(n));
                break;
            case PUT_AND:
                for (int64_t i = 0; i < n; ++i) d[i] &= s[i];
                break;
            case PUT_XOR:
                for (int64_t i = 0; i < n; ++i) d[i] ^= s[i];
                break;
        }
    }
    return 0;
}

namespace {
void fill_rect(IMAGE* t, int64_t x1, int64_t y1, int64_t x2, int64_t y2, uint32_t color) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    x1 = std::max<int64_t>(x1, 0);
    y1 = std::max<int64_t>(y1, 0);
    x2 = std::min<int64_t>(x2, int64_t(t->WIDTH) - 1);
    y2 = std::min<int64_t>(y2, int64_t(t->HEIGHT) - 1);
    if (x1 > x2 || y1 > y2) return;  // wholly outside the target
    for (int64_t y = y1; y <= y2; ++y) std::fill(pixel_at(t, x1, y), pixel_at(t, x2 + 1, y), color);
}

void plot(IMAGE* t, int64_t x, int64_t y, uint32_t color) {
    if (x >= 0 && y >= 0 && x < int64_t(t->WIDTH) && y < int64_t(t->HEIGHT)) *pixel_at(t, x, y) = color;
}

// Clips the segment to the square [-lim, lim]^2 (Liang-Barsky), so an absurdly
// long line never walks billions of pixels off the target. False: no part left.
bool clip_segment(double& xa, double& ya, double& xb, double& yb, double lim) {
    double t0 = 0, t1 = 1, dx = xb - xa, dy = yb - ya;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {xa + lim, lim - xa, ya + lim, lim - ya};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        double r = q[i] / p[i];
        if (p[i] < 0) t0 = std::max(t0, r);
        else t1 = std::min(t1, r);
    }
    if (t0 > t1) return false;
    double nxa = xa + t0 * dx, nya = ya + t0 * dy;
    xb = xa + t1 * dx; yb = ya + t1 * dy;
    xa = nxa; ya = nya;
    return true;
}

void line(IMAGE* t, int64_t xa, int64_t ya, int64_t xb, int64_t yb, uint32_t color) {
    const int64_t far = 1 << 20;
    if (std::max({std::llabs(xa), std::llabs(ya), std::llabs(xb), std::llabs(yb)}) > far) {
        double fxa = double(xa), fya = double(ya), fxb = double(xb), fyb = double(yb);
        if (!clip_segment(fxa, fya, fxb, fyb, double(far))) return;
        xa = int64_t(std::lround(fxa)); ya = int64_t(std::lround(fya));
        xb = int64_t(std::lround(fxb)); yb = int64_t(std::lround(fyb));
    }
    int64_t dx = std::llabs(xb - xa), dy = -std::llabs(yb - ya);
    int64_t sx = xa < xb ? 1 : -1, sy = ya < yb ? 1 : -1, err = dx + dy;
    for (;;) {
        plot(t, xa, ya, color);
        if (xa == xb && ya == yb) break;
        int64_t e2 = 2 * err;
        if (e2 >= dy) { err += dy; xa += sx; }
        if (e2 <= dx) { err += dx; ya += sy; }
    }
}
}  // namespace

void draw_line(IMAGE* target, float x1, float y1, float x2, float y2, uint32_t color, LineKind kind) {
    IMAGE* t = target_or_page(target);
    if (!t) return;
    int64_t ax = round_position(x1), ay = round_position(y1);
    int64_t bx = round_position(x2), by = round_position(y2);
    switch (kind) {
        case LINE_LINE:
            line(t, ax, ay, bx, by, color);
            break;
        case LINE_BOX:
            fill_rect(t, ax, ay, bx, ay, color);
            fill_rect(t, ax, by, bx, by, color);
            fill_rect(t, ax, ay, ax, by, color);
            fill_rect(t, bx, ay, bx, by, color);
            break;
        case LINE_FILLED_BOX:
            fill_rect(t, ax, ay, bx, by, color);
            break;
    }
}

void pixel_set(IMAGE* target, float x, float y, uint32_t color) {
    IMAGE* t = target_or_page(target);
    if (t) plot(t, round_position(x), round_position(y), color);
}

uint32_t pixel_get(IMAGE* target, float x, float y) {
    IMAGE* t = target_or_page(target);
    if (!t) return 0xFFFFFFFFu;
    int64_t px = round_position(x), py = round_position(y);
    if (px < 0 || py < 0 || px >= int64_t(t->WIDTH) || py >= int64_t(t->HEIGHT)) return 0xFFFFFFFFu;
    return *pixel_at(t, px, py);
}
