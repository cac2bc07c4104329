#include <cstring>
#include <utility>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "asset_path.h"
#include "gfx.h"
#include "image_file.h"
#include "runtime.h"

namespace {
// One pixel of the cross-fade: per channel (c1 * m + c2 * (255 - m)) div 255
// in signed 32-bit arithmetic, wrapping as the machine does for masks
// outside 0..255; the quotient truncates toward zero.
inline uint32_t fade_pixel(uint32_t P1, uint32_t P2, uint32_t PM1) {
    const uint32_t PM2 = 255u - PM1;
    uint32_t PZ = 0;
    for (int sh = 0; sh < 32; sh += 8) {
        int32_t sum = int32_t(((P1 >> sh) & 0xFF) * PM1 + ((P2 >> sh) & 0xFF) * PM2);
        PZ |= (uint32_t(sum / 255) & 0xFF) << sh;
    }
    return PZ;
}

// A row of the cross-fade. With 0 <= m <= 255 each channel's sum lies in
// 0..65025, where x div 255 == (x * 0x8081) >> 23 exactly; four pixels go
// through 16-bit lanes at once. Other mask values take the general form.
void fade_row(const uint32_t* l1, const uint32_t* l2, const uint32_t* m, uint32_t* d, int w) {
    int x = 0;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128(), full = _mm_set1_epi16(255), magic = _mm_set1_epi16(short(0x8081));
    for (; x + 4 <= w; x += 4) {
        const __m128i mk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(m + x));
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_srli_epi32(mk, 8), zero)) != 0xFFFF) {
            for (int i = 0; i < 4; ++i) d[x + i] = fade_pixel(l1[x + i], l2[x + i], m[x + i]);
            continue;
        }
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(l1 + x));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(l2 + x));
        // Each pixel's weight spread over its four 16-bit channel lanes.
        const __m128i m16 = _mm_packs_epi32(mk, mk);               // m0 m1 m2 m3 m0 m1 m2 m3
        const __m128i m01 = _mm_unpacklo_epi16(m16, m16);          // m0 m0 m1 m1 m2 m2 m3 m3
        const __m128i wlo = _mm_unpacklo_epi32(m01, m01);          // m0 x4, m1 x4
        const __m128i whi = _mm_unpackhi_epi32(m01, m01);          // m2 x4, m3 x4
        auto fade = [&](__m128i c1, __m128i c2, __m128i w1) {
            const __m128i sum = _mm_add_epi16(_mm_mullo_epi16(c1, w1), _mm_mullo_epi16(c2, _mm_sub_epi16(full, w1)));
            return _mm_srli_epi16(_mm_mulhi_epu16(sum, magic), 7);
        };
        const __m128i lo = fade(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero), wlo);
        const __m128i hi = fade(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero), whi);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x), _mm_packus_epi16(lo, hi));
    }
#endif
    for (; x < w; ++x) {
        const uint32_t PM1 = m[x];
        if (PM1 > 255u) {
            d[x] = fade_pixel(l1[x], l2[x], PM1);
            continue;
        }
        uint32_t PZ = 0;
        for (int sh = 0; sh < 32; sh += 8) {
            const uint32_t sum = ((l1[x] >> sh) & 0xFF) * PM1 + ((l2[x] >> sh) & 0xFF) * (255u - PM1);
            PZ |= ((sum * 0x8081u) >> 23) << sh;
        }
        d[x] = PZ;
    }
}

// A buffer every pixel of which the caller writes; the row padding is zeroed.
// Made as the picture loader makes its buffers, so no surface is needed.
IMAGE* new_layer(uint32_t w, uint32_t h) {
    IMAGE* img = image_alloc(w, h);
    if (img)
        for (uint32_t y = 0; y < h; ++y) std::memset(image_row(img, y) + w, 0, img->PITCH - w * 4);
    return img;
}
}  // namespace

void GFX_QUILTIFY_SHIFTED(IMAGE* SOURCE, IMAGE* DEST) {
    ROUTINE("Buffer Quiltify", "GFX_QUILTIFY_SHIFTED");
    need(SOURCE);
    need(DEST);
    if (DEST->WIDTH != SOURCE->WIDTH || DEST->HEIGHT != SOURCE->HEIGHT) fatal_error(ERR_ILLEGAL_CALL, __LINE__);
    // Where the four copies overlap (odd sizes) the later one wins; together
    // they cover the whole buffer.
    const float hw = float(SOURCE->WIDTH / 2), hh = float(SOURCE->HEIGHT / 2);
    check(image_put(DEST, -hw, -hh, SOURCE, PUT_COPY));
    check(image_put(DEST, hw, -hh, SOURCE, PUT_COPY));
    check(image_put(DEST, -hw, hh, SOURCE, PUT_COPY));
    check(image_put(DEST, hw, hh, SOURCE, PUT_COPY));
}

void GFX_QUILTIFY_FADE(const IMAGE* LAYER1, const IMAGE* LAYER2, const IMAGE* MASK, IMAGE* DEST) {
    ROUTINE("Buffer Quiltify", "GFX_QUILTIFY_FADE");
    need(LAYER1);
    need(LAYER2);
    need(MASK);
    need(DEST);
    const uint32_t w = DEST->WIDTH, h = DEST->HEIGHT;
    for (const IMAGE* b : {LAYER1, LAYER2, MASK})
        if (b->WIDTH != w || b->HEIGHT != h) fatal_error(ERR_ILLEGAL_CALL, __LINE__);
    for (uint32_t PY = 0; PY < h; ++PY)
        fade_row(image_row(LAYER1, PY), image_row(LAYER2, PY), image_row(MASK, PY), image_row(DEST, PY), int(w));
}

void GFX_QUILTIFY_MASK(IMAGE* SOURCE, IMAGE* MASK, IMAGE*& DEST) {
    ROUTINE("Buffer Quiltify", "GFX_QUILTIFY_MASK");
    // The caller's picture is consumed below and its mask kept: neither is
    // destroyed here.
    if (DEST == SOURCE || DEST == MASK) DEST = nullptr;
    image_destroy(DEST);
    DEST = nullptr;
    need(SOURCE);
    need(MASK);
    const uint32_t w = SOURCE->WIDTH, h = SOURCE->HEIGHT;
    // A mask of the picture's own size is used as it is: stretching would copy it unchanged.
    IMAGE* STRETCHED = nullptr;
    if (MASK->WIDTH != w || MASK->HEIGHT != h) {
        STRETCHED = need(new_layer(w, h));
        GFX_BUFFER_STRETCH(MASK, STRETCHED);
        MASK = STRETCHED;
    }
    DEST = need(new_layer(w, h));
    IMAGE* LAYER1 = SOURCE;
    IMAGE* LAYER2 = need(new_layer(w, h));
    GFX_QUILTIFY_SHIFTED(LAYER1, LAYER2);
    GFX_QUILTIFY_FADE(LAYER1, LAYER2, MASK, DEST);
    image_destroy(LAYER1);
    image_destroy(LAYER2);
    image_destroy(STRETCHED);
}

void GFX_QUILTIFY(IMAGE* SOURCE, IMAGE*& DEST) {
    ROUTINE("Buffer Quiltify", "GFX_QUILTIFY");
    const std::string path = ASSET_PATH("\\Code\\Assets\\Sprites\\alpha mask.png");
    IMAGE* MASK = LoadRGBAFile(path.c_str());
    if (DEST == SOURCE) DEST = nullptr;  // the caller's picture is consumed below, not here
    image_destroy(DEST);
    need(SOURCE);
    // The mask stretched to the picture's size; a missing mask (or no open
    // surface) ends the program here.
    DEST = image_create(int(SOURCE->WIDTH), int(SOURCE->HEIGHT), 0x00000000, 32);
    GFX_BUFFER_STRETCH(MASK, DEST);
    std::swap(MASK, DEST);
    image_destroy(DEST);
    DEST = nullptr;
    GFX_QUILTIFY_MASK(SOURCE, MASK, DEST);
    image_destroy(MASK);
}
