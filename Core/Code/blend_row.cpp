// The alpha blend over whole rows, in the widest vectors the machine has.
//
// Every vector form works in 16-bit lanes, one channel per lane:
//   (d * 256 + (s - d) * a) >> 8   (logical shift)
// The true value d * (256 - a) + s * a lies in 0 .. 65280, so the 16-bit
// wrap-around of the multiply and the sum cancels out and the result is
// exactly d + floor((s - d) * a / 256), what blend_pixel computes. A group of
// pixels whose alphas are all 0 leaves the destination as it is: skipped.
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "image.h"

#if defined(__x86_64__)
#include <immintrin.h>
#define BLEND_X86 1
#else
#define BLEND_X86 0
#endif
#ifdef __wasm_simd128__
#include <wasm_simd128.h>
#endif

namespace {
void row_scalar(uint32_t* d, const uint32_t* s, size_t n) {
    for (size_t i = 0; i < n; ++i) d[i] = blend_pixel(d[i], s[i]);
}

// Onto cleared pixels the rule keeps one term: (s * a) >> 8.
void clear_scalar(uint32_t* d, const uint32_t* s, size_t n) {
    for (size_t i = 0; i < n; ++i) d[i] = blend_pixel(0, s[i]);
}

#if BLEND_X86
// Four pixels. Each iteration loads its sources before it stores, so a
// destination that starts at or before its source reads what one pixel at a
// time would read.
inline __m128i blend4(__m128i d, __m128i s) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i slo = _mm_unpacklo_epi8(s, zero), shi = _mm_unpackhi_epi8(s, zero);
    const __m128i dlo = _mm_unpacklo_epi8(d, zero), dhi = _mm_unpackhi_epi8(d, zero);
    // Lanes 3 and 7 hold the alphas of the two pixels in each half.
    const __m128i alo = _mm_shufflehi_epi16(_mm_shufflelo_epi16(slo, 0xFF), 0xFF);
    const __m128i ahi = _mm_shufflehi_epi16(_mm_shufflelo_epi16(shi, 0xFF), 0xFF);
    const __m128i rlo = _mm_add_epi16(_mm_slli_epi16(dlo, 8), _mm_mullo_epi16(_mm_sub_epi16(slo, dlo), alo));
    const __m128i rhi = _mm_add_epi16(_mm_slli_epi16(dhi, 8), _mm_mullo_epi16(_mm_sub_epi16(shi, dhi), ahi));
    return _mm_packus_epi16(_mm_srli_epi16(rlo, 8), _mm_srli_epi16(rhi, 8));
}

inline __m128i clear4(__m128i s) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i slo = _mm_unpacklo_epi8(s, zero), shi = _mm_unpackhi_epi8(s, zero);
    const __m128i alo = _mm_shufflehi_epi16(_mm_shufflelo_epi16(slo, 0xFF), 0xFF);
    const __m128i ahi = _mm_shufflehi_epi16(_mm_shufflelo_epi16(shi, 0xFF), 0xFF);
    return _mm_packus_epi16(_mm_srli_epi16(_mm_mullo_epi16(slo, alo), 8), _mm_srli_epi16(_mm_mullo_epi16(shi, ahi), 8));
}

void clear_sse2(uint32_t* d, const uint32_t* s, size_t n) {
    size_t i = 0;
    for (; i + 4 <= n; i += 4)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                         clear4(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i))));
    clear_scalar(d + i, s + i, n - i);
}

void row_sse2(uint32_t* d, const uint32_t* s, size_t n) {
    const __m128i alpha = _mm_set1_epi32(int32_t(0xFF000000u)), zero = _mm_setzero_si128();
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(sv, alpha), zero)) == 0xFFFF) continue;
        const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), blend4(dv, sv));
    }
    row_scalar(d + i, s + i, n - i);
}

// The same in 256-bit vectors; unpacking and packing stay within each
// 128-bit half, so the pixel order is kept. The alphas are spread over the
// 16-bit lanes straight from the pixels: bytes 3 and 7 (the first two pixels
// of each half) for the low unpack, 11 and 15 for the high one; -1 gives 0.
#define ALPHA_LO _mm256_setr_epi8(3, -1, 3, -1, 3, -1, 3, -1, 7, -1, 7, -1, 7, -1, 7, -1, \
                                  3, -1, 3, -1, 3, -1, 3, -1, 7, -1, 7, -1, 7, -1, 7, -1)
#define ALPHA_HI _mm256_setr_epi8(11, -1, 11, -1, 11, -1, 11, -1, 15, -1, 15, -1, 15, -1, 15, -1, \
                                  11, -1, 11, -1, 11, -1, 11, -1, 15, -1, 15, -1, 15, -1, 15, -1)

__attribute__((target("avx2"))) void clear_avx2(uint32_t* d, const uint32_t* s, size_t n) {
    const __m256i zero = _mm256_setzero_si256();
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
        const __m256i slo = _mm256_unpacklo_epi8(sv, zero), shi = _mm256_unpackhi_epi8(sv, zero);
        const __m256i alo = _mm256_shuffle_epi8(sv, ALPHA_LO), ahi = _mm256_shuffle_epi8(sv, ALPHA_HI);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i),
                            _mm256_packus_epi16(_mm256_srli_epi16(_mm256_mullo_epi16(slo, alo), 8),
                                                _mm256_srli_epi16(_mm256_mullo_epi16(shi, ahi), 8)));
    }
    _mm256_zeroupper();  // the SSE code that follows (ours, or the caller's) runs at full speed
    clear_sse2(d + i, s + i, n - i);
}

__attribute__((target("avx2"))) void row_avx2(uint32_t* d, const uint32_t* s, size_t n) {
    const __m256i alpha = _mm256_set1_epi32(int32_t(0xFF000000u)), zero = _mm256_setzero_si256();
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
        if (_mm256_testz_si256(sv, alpha)) continue;
        const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
        const __m256i slo = _mm256_unpacklo_epi8(sv, zero), shi = _mm256_unpackhi_epi8(sv, zero);
        const __m256i dlo = _mm256_unpacklo_epi8(dv, zero), dhi = _mm256_unpackhi_epi8(dv, zero);
        const __m256i alo = _mm256_shuffle_epi8(sv, ALPHA_LO), ahi = _mm256_shuffle_epi8(sv, ALPHA_HI);
        const __m256i rlo =
            _mm256_add_epi16(_mm256_slli_epi16(dlo, 8), _mm256_mullo_epi16(_mm256_sub_epi16(slo, dlo), alo));
        const __m256i rhi =
            _mm256_add_epi16(_mm256_slli_epi16(dhi, 8), _mm256_mullo_epi16(_mm256_sub_epi16(shi, dhi), ahi));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i),
                            _mm256_packus_epi16(_mm256_srli_epi16(rlo, 8), _mm256_srli_epi16(rhi, 8)));
    }
    _mm256_zeroupper();
    row_sse2(d + i, s + i, n - i);
}
#endif

#ifdef __wasm_simd128__
void row_simd128(uint32_t* d, const uint32_t* s, size_t n) {
    const v128_t alpha = wasm_i32x4_splat(int32_t(0xFF000000u));
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const v128_t sv = wasm_v128_load(s + i);
        if (!wasm_v128_any_true(wasm_v128_and(sv, alpha))) continue;
        const v128_t dv = wasm_v128_load(d + i);
        const v128_t slo = wasm_u16x8_extend_low_u8x16(sv), shi = wasm_u16x8_extend_high_u8x16(sv);
        const v128_t dlo = wasm_u16x8_extend_low_u8x16(dv), dhi = wasm_u16x8_extend_high_u8x16(dv);
        // Lanes 3 and 7 (bytes 6-7 and 14-15) hold the alphas.
        const v128_t alo = wasm_i8x16_shuffle(slo, slo, 6, 7, 6, 7, 6, 7, 6, 7, 14, 15, 14, 15, 14, 15, 14, 15);
        const v128_t ahi = wasm_i8x16_shuffle(shi, shi, 6, 7, 6, 7, 6, 7, 6, 7, 14, 15, 14, 15, 14, 15, 14, 15);
        const v128_t rlo = wasm_u16x8_shr(
            wasm_i16x8_add(wasm_i16x8_shl(dlo, 8), wasm_i16x8_mul(wasm_i16x8_sub(slo, dlo), alo)), 8);
        const v128_t rhi = wasm_u16x8_shr(
            wasm_i16x8_add(wasm_i16x8_shl(dhi, 8), wasm_i16x8_mul(wasm_i16x8_sub(shi, dhi), ahi)), 8);
        wasm_v128_store(d + i, wasm_u8x16_narrow_i16x8(rlo, rhi));
    }
    row_scalar(d + i, s + i, n - i);
}
#endif

#ifdef __wasm_simd128__
void clear_simd128(uint32_t* d, const uint32_t* s, size_t n) {
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const v128_t sv = wasm_v128_load(s + i);
        const v128_t slo = wasm_u16x8_extend_low_u8x16(sv), shi = wasm_u16x8_extend_high_u8x16(sv);
        const v128_t alo = wasm_i8x16_shuffle(slo, slo, 6, 7, 6, 7, 6, 7, 6, 7, 14, 15, 14, 15, 14, 15, 14, 15);
        const v128_t ahi = wasm_i8x16_shuffle(shi, shi, 6, 7, 6, 7, 6, 7, 6, 7, 14, 15, 14, 15, 14, 15, 14, 15);
        wasm_v128_store(d + i, wasm_u8x16_narrow_i16x8(wasm_u16x8_shr(wasm_i16x8_mul(slo, alo), 8),
                                                       wasm_u16x8_shr(wasm_i16x8_mul(shi, ahi), 8)));
    }
    clear_scalar(d + i, s + i, n - i);
}
#endif

bool available(BLEND_FORM form) {
    switch (form) {
        case BLEND_SCALAR:
            return true;
#if BLEND_X86
        case BLEND_SSE2:
            return true;
        case BLEND_AVX2:
            __builtin_cpu_init();  // may run before the library's constructors
            return __builtin_cpu_supports("avx2");
#endif
#ifdef __wasm_simd128__
        case BLEND_SIMD128:
            return true;
#endif
        default:
            return false;
    }
}

BLEND_FORM best_form() {
    for (BLEND_FORM f : {BLEND_AVX2, BLEND_SIMD128, BLEND_SSE2})
        if (available(f)) return f;
    return BLEND_SCALAR;
}

// Zero (the scalar form) until the dynamic initialiser has run.
BLEND_FORM g_form = best_form();
}  // namespace

const char* blend_form_name(BLEND_FORM form) {
    switch (form) {
        case BLEND_SCALAR: return "scalar";
        case BLEND_SSE2: return "SSE2";
        case BLEND_AVX2: return "AVX2";
        case BLEND_SIMD128: return "SIMD128";
        default: return "none";
    }
}

bool blend_form_available(BLEND_FORM form) { return available(form); }

void blend_row_form(BLEND_FORM form, uint32_t* d, const uint32_t* s, size_t n) {
    switch (available(form) ? form : BLEND_SCALAR) {
#if BLEND_X86
        case BLEND_SSE2: row_sse2(d, s, n); return;
        case BLEND_AVX2: row_avx2(d, s, n); return;
#endif
#ifdef __wasm_simd128__
        case BLEND_SIMD128: row_simd128(d, s, n); return;
#endif
        default: row_scalar(d, s, n); return;
    }
}

BLEND_FORM blend_form_choose(BLEND_FORM form) {
    const BLEND_FORM before = g_form;
    if (available(form)) g_form = form;
    return before;
}

BLEND_FORM blend_form_chosen() { return g_form; }

void blend_row(uint32_t* d, const uint32_t* s, size_t n) {
    // A destination a few pixels after its source reads back pixels written
    // in this very row: only the one-at-a-time form does that.
    const uintptr_t dp = reinterpret_cast<uintptr_t>(d), sp = reinterpret_cast<uintptr_t>(s);
    if (dp > sp && dp - sp < n * sizeof(uint32_t)) {
        row_scalar(d, s, n);
        return;
    }
    switch (g_form) {
#if BLEND_X86
        case BLEND_SSE2: row_sse2(d, s, n); return;
        case BLEND_AVX2: row_avx2(d, s, n); return;
#endif
#ifdef __wasm_simd128__
        case BLEND_SIMD128: row_simd128(d, s, n); return;
#endif
        default: row_scalar(d, s, n); return;
    }
}

void blend_row_onto_clear_form(BLEND_FORM form, uint32_t* d, const uint32_t* s, size_t n) {
    switch (available(form) ? form : BLEND_SCALAR) {
#if BLEND_X86
        case BLEND_SSE2: clear_sse2(d, s, n); return;
        case BLEND_AVX2: clear_avx2(d, s, n); return;
#endif
#ifdef __wasm_simd128__
        case BLEND_SIMD128: clear_simd128(d, s, n); return;
#endif
        default: clear_scalar(d, s, n); return;
    }
}

void blend_row_onto_clear(uint32_t* d, const uint32_t* s, size_t n) { blend_row_onto_clear_form(g_form, d, s, n); }
