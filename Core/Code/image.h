// Image buffers: a 32-byte header followed by rows of 0xAARRGGBB pixels.
//
// Pixel (x, y) is the 32-bit word at byte 32 + y * PITCH + 4 * x; the header
// starts on a 16-byte boundary and PITCH is WIDTH * 4 rounded up to 16.
// Positions given as floats are rounded half away from zero.
#pragma once
#include <cstddef>
#include <cstdint>

struct IMAGE {
    uint32_t TYPE;  // always 7
    int32_t BPP;    // bytes per pixel: 4
    uint32_t WIDTH;
    uint32_t HEIGHT;
    uint32_t PITCH;
    uint32_t _RESERVED[3];
};
static_assert(sizeof(IMAGE) == 32, "the header is 32 bytes");
constexpr size_t IMAGE_HEADER = sizeof(IMAGE);  // where the first row starts

// The largest picture there is: a row must fit the loader's 20-bit pitch,
// and decoded it takes at most 256 MB (a small file may claim far more).
constexpr int64_t MAX_PICTURE_SIDE = 262140;
constexpr int64_t MAX_PICTURE_PIXELS = int64_t(1) << 26;

enum PutMode { PUT_COPY, PUT_ALPHA, PUT_AND, PUT_XOR };
enum LineKind { LINE_LINE, LINE_BOX, LINE_FILLED_BOX };

constexpr uint32_t DEFAULT_FILL = 0xFFFF00FFu;

// The raw allocation shared with the picture loader: header filled, pixels
// not. Null when the size is not positive, absurd, or memory runs out.
IMAGE* image_alloc(int64_t width, int64_t height);

// The drawing surface lends its work page: a null target draws there, and
// buffers can be made only while one is lent. Only the surface calls this;
// null means no surface is open.
void image_attach_work_page(IMAGE* page);

// A new buffer filled with `fill`; null before the surface is open, for a
// width or height below 1, or when memory runs out. The bpp is ignored (32).
IMAGE* image_create(int width, int height, uint32_t fill = DEFAULT_FILL, int bpp = 32);
void image_destroy(IMAGE* img);

inline uint32_t* image_row(IMAGE* img, uint32_t y) {
    return reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(img) + IMAGE_HEADER + size_t(y) * img->PITCH);
}
inline const uint32_t* image_row(const IMAGE* img, uint32_t y) {
    return reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(img) + IMAGE_HEADER + size_t(y) * img->PITCH);
}

// Rounds a drawing position: v > 0 gives trunc(v + 0.5), else trunc(v - 0.5),
// saturated to a range that cannot overflow later arithmetic.
int64_t round_position(double v);

// One channel-wise alpha blend of s over d with s's own alpha a: each channel
// becomes d + floor((s - d) * a / 256). That equals
// floor((d * (256 - a) + s * a) / 256), whose terms are never negative and sum
// below 65536, so two channels 16 bits apart share one multiply without carry.
inline uint32_t blend_pixel(uint32_t d, uint32_t s) {
    const uint32_t a = s >> 24, na = 256 - a;
    const uint32_t rb = ((d & 0x00FF00FFu) * na + (s & 0x00FF00FFu) * a) >> 8 & 0x00FF00FFu;
    const uint32_t ag = (((d >> 8) & 0x00FF00FFu) * na + ((s >> 8) & 0x00FF00FFu) * a) & 0xFF00FF00u;
    return rb | ag;
}

// blend_pixel over a row: d[i] = blend_pixel(d[i], s[i]) for i < n, in that
// order. When d lies a little after s in the same row, pixels written earlier
// are read back as later sources, exactly as the one-at-a-time loop does.
// Uses the fastest form this machine has (chosen once, at start).
void blend_row(uint32_t* d, const uint32_t* s, size_t n);
// blend_row onto cleared pixels: d[i] = blend_pixel(0, s[i]) whatever d
// held. d and s must not overlap.
void blend_row_onto_clear(uint32_t* d, const uint32_t* s, size_t n);

// The forms of both, each bit-identical to the scalar one.
enum BLEND_FORM { BLEND_SCALAR, BLEND_SSE2, BLEND_AVX2, BLEND_SIMD128, BLEND_FORMS };
const char* blend_form_name(BLEND_FORM form);
// Whether this build and this machine can run `form`.
bool blend_form_available(BLEND_FORM form);
// Runs one form (an unavailable one is the scalar form); tests compare them.
// d and s must not overlap, or d must start at or before s.
void blend_row_form(BLEND_FORM form, uint32_t* d, const uint32_t* s, size_t n);
void blend_row_onto_clear_form(BLEND_FORM form, uint32_t* d, const uint32_t* s, size_t n);
// The form both use; choosing an unavailable form changes nothing. Returns
// the form used before.
BLEND_FORM blend_form_choose(BLEND_FORM form);
BLEND_FORM blend_form_chosen();

// Each of the n pixels of s twice: d receives 2 * n pixels. d and s must not overlap.
void double_row(uint32_t* d, const uint32_t* s, size_t n);

// Draws `source` (or its rectangle (sx1, sy1)-(sx2, sy2), corners inclusive, in
// either order, clamped to the source) at (x, y) of `target`; a null target
// means the work page. Returns 0, or 7 for a null source, 1 without a work page.
int image_put(IMAGE* target, float x, float y, IMAGE* source, PutMode mode);
int image_put(IMAGE* target, float x, float y, IMAGE* source, float sx1, float sy1, float sx2,
              float sy2, PutMode mode);

// Stores `color` unchanged (no blending); a null target means the work page.
void draw_line(IMAGE* target, float x1, float y1, float x2, float y2, uint32_t color,
               LineKind kind = LINE_LINE);
void pixel_set(IMAGE* target, float x, float y, uint32_t color);
// 0xFFFFFFFF outside the target.
uint32_t pixel_get(IMAGE* target, float x, float y);
