#include "png_writer.h"

#include "deflate_runs.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <system_error>
#include <thread>

namespace {
void put32(std::vector<unsigned char>& out, uint32_t v) {
    const unsigned char b[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
    out.insert(out.end(), b, b + 4);
}

void chunk(std::vector<unsigned char>& out, const char* type, const unsigned char* data, size_t size) {
    put32(out, uint32_t(size));
    const size_t at = out.size();
    out.insert(out.end(), type, type + 4);
    if (size) out.insert(out.end(), data, data + size);
    put32(out, uint32_t(crc32(0, out.data() + at, uInt(size + 4))));
}

// One row of the picture as the PNG holds it: R, G, B (, A), or the grey byte.
void pack_row(const IMAGE* img, uint32_t y, int channels, unsigned char* d) {
    const uint32_t* row = image_row(img, y);
    const uint32_t w = img->WIDTH;
    if (channels == 1) {
        for (uint32_t x = 0; x < w; ++x) d[x] = uint8_t(row[x]);
    } else if (channels == 3) {
        for (uint32_t x = 0; x < w; ++x, d += 3) d[0] = uint8_t(row[x] >> 16), d[1] = uint8_t(row[x] >> 8), d[2] = uint8_t(row[x]);
    } else {
        for (uint32_t x = 0; x < w; ++x, d += 4)
            d[0] = uint8_t(row[x] >> 16), d[1] = uint8_t(row[x] >> 8), d[2] = uint8_t(row[x]), d[3] = uint8_t(row[x] >> 24);
    }
}

// The bytes read as signed, their magnitudes summed: |x| is the lesser of
// x and 256 - x.
inline uint32_t cost(const unsigned char* f, size_t n) {
    uint32_t s = 0;
    size_t i = 0;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    __m128i sums = zero;
    for (; i + 16 <= n; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(f + i));
        sums = _mm_add_epi64(sums, _mm_sad_epu8(_mm_min_epu8(x, _mm_sub_epi8(zero, x)), zero));
    }
    s = uint32_t(_mm_cvtsi128_si32(sums)) + uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
#endif
    for (; i < n; ++i) s += uint32_t(std::abs(int(int8_t(f[i]))));
    return s;
}

// Paeth's prediction from the byte to the left (a), above (b) and above
// left (c): whichever is nearest a + b - c, in that order of preference.
inline int paeth(int a, int b, int c) {
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

#ifdef __SSE2__
// The same for eight bytes at once, in 16-bit lanes.
inline __m128i paeth8(__m128i a, __m128i b, __m128i c) {
    const __m128i zero = _mm_setzero_si128();
    auto magnitude = [&](__m128i x) { return _mm_max_epi16(x, _mm_sub_epi16(zero, x)); };
    const __m128i bc = _mm_sub_epi16(b, c), ac = _mm_sub_epi16(a, c);
    const __m128i pa = magnitude(bc), pb = magnitude(ac), pc = magnitude(_mm_add_epi16(bc, ac));
    const __m128i take_a = _mm_andnot_si128(_mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc)),
                                            _mm_set1_epi16(-1));
    const __m128i take_b = _mm_andnot_si128(_mm_or_si128(take_a, _mm_cmpgt_epi16(pb, pc)), _mm_set1_epi16(-1));
    const __m128i take_c = _mm_andnot_si128(_mm_or_si128(take_a, take_b), _mm_set1_epi16(-1));
    return _mm_or_si128(_mm_or_si128(_mm_and_si128(take_a, a), _mm_and_si128(take_b, b)), _mm_and_si128(take_c, c));
}
#endif

// Filters a row five ways and keeps the one whose bytes, read as signed,
// sum smallest: the usual guess at what deflates best. The first row has a
// row of zeros above it. Each filter is its own loop, so the compiler can
// work on many bytes at once.
void filter_row(const unsigned char* __restrict cur, const unsigned char* __restrict up, size_t n, size_t bpp,
                unsigned char* __restrict work, unsigned char* __restrict out) {
    unsigned char* __restrict sub = work;
    unsigned char* __restrict upf = work + n;
    unsigned char* __restrict avg = work + 2 * n;
    unsigned char* __restrict pae = work + 3 * n;
    for (size_t i = 0; i < bpp; ++i) {
        sub[i] = cur[i];
        upf[i] = uint8_t(cur[i] - up[i]);
        avg[i] = uint8_t(cur[i] - (up[i] >> 1));
        pae[i] = uint8_t(cur[i] - up[i]);  // with nothing on the left, Paeth predicts the byte above
    }
    for (size_t i = bpp; i < n; ++i) {
        const int a = cur[i - bpp], b = up[i];
        sub[i] = uint8_t(cur[i] - a);
        upf[i] = uint8_t(cur[i] - b);
        avg[i] = uint8_t(cur[i] - ((a + b) >> 1));
    }
    size_t i = bpp;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    auto bytes8 = [&](const unsigned char* p) {
        return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
    };
    for (; i + 8 <= n; i += 8) {
        const __m128i pred = paeth8(bytes8(cur + i - bpp), bytes8(up + i), bytes8(up + i - bpp));
        const __m128i x = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(cur + i));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(pae + i), _mm_sub_epi8(x, _mm_packus_epi16(pred, zero)));
    }
#endif
    for (; i < n; ++i) pae[i] = uint8_t(cur[i] - paeth(cur[i - bpp], up[i], up[i - bpp]));
    const unsigned char* choice[5] = {cur, sub, upf, avg, pae};
    int best = 0;
    uint32_t least = UINT32_MAX;
    for (int k = 0; k < 5; ++k)
        if (const uint32_t s = cost(choice[k], n); s < least) least = s, best = k;
    out[0] = uint8_t(best);
    std::memcpy(out + 1, choice[best], n);
}

// Rows [y0, y1) filtered and deflated as raw deflate data ending on a byte
// boundary (the last piece ends the stream), with the Adler-32 of the
// filtered bytes.
struct Piece {
    uint32_t y0 = 0, y1 = 0;
    bool last = false;
    std::vector<unsigned char> data;
    uLong adler = 1;
    size_t length = 0;
    bool ok = false;
};

void make_piece(const IMAGE* img, int channels, PngEffort effort, Piece& p) {
    try {
        const size_t n = size_t(img->WIDTH) * unsigned(channels);
        std::vector<unsigned char> prev(n), cur(n), work(4 * n), filtered((n + 1) * (p.y1 - p.y0));
        if (p.y0 > 0) pack_row(img, p.y0 - 1, channels, prev.data());  // else zeros
        for (uint32_t y = p.y0; y < p.y1; ++y) {
            pack_row(img, y, channels, cur.data());
            filter_row(cur.data(), prev.data(), n, size_t(channels), work.data(),
                       filtered.data() + size_t(y - p.y0) * (n + 1));
            std::swap(prev, cur);
        }
        p.length = filtered.size();
        p.adler = libdeflate_adler32(1, filtered.data(), filtered.size());
        if (effort == PngEffort::fast) {
            deflate_runs(filtered.data(), filtered.size(), p.last, p.data);
            p.ok = true;
            return;
        }
        z_stream z{};
        const bool runs = effort == PngEffort::zlib_runs;
        if (deflateInit2(&z, runs ? 1 : 9, Z_DEFLATED, -15, 8, runs ? Z_RLE : Z_DEFAULT_STRATEGY) != Z_OK) return;
        p.data.resize(deflateBound(&z, uLong(filtered.size())) + 16);
        z.next_in = filtered.data();
        z.avail_in = uInt(filtered.size());
        z.next_out = p.data.data();
        z.avail_out = uInt(p.data.size());
        const int r = deflate(&z, p.last ? Z_FINISH : Z_FULL_FLUSH);
        p.ok = p.last ? r == Z_STREAM_END : (r == Z_OK && z.avail_in == 0);
        p.data.resize(z.total_out);
        deflateEnd(&z);
    } catch (const std::bad_alloc&) {
        p.ok = false;
    }
}
}  // namespace

bool encode_png(const IMAGE* img, int channels, PngEffort effort, unsigned threads, std::vector<unsigned char>& png) {
    const uint32_t h = img->HEIGHT;
    // Pieces of at least 64 rows, and of at most 256 MB of filtered bytes so
    // each stays within zlib's 32-bit counts.
    const size_t row_bytes = size_t(img->WIDTH) * unsigned(channels) + 1;
    const size_t by_size = (size_t(h) * row_bytes + (size_t(256) << 20) - 1) / (size_t(256) << 20);
    const size_t count = std::clamp<size_t>(std::max<size_t>(threads, by_size), 1, std::max<size_t>(1, h / 64));
    std::vector<Piece> pieces(std::max(count, by_size));
    for (size_t i = 0; i < pieces.size(); ++i) {
        pieces[i].y0 = uint32_t(h * i / pieces.size());
        pieces[i].y1 = uint32_t(h * (i + 1) / pieces.size());
        pieces[i].last = i + 1 == pieces.size();
    }
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i; (i = next.fetch_add(1)) < pieces.size();) make_piece(img, channels, effort, pieces[i]);
    };
    std::vector<std::thread> helpers;
    for (size_t t = 1; t < std::min<size_t>(threads, pieces.size()); ++t) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // the threads there are share the pieces
        }
    }
    work();
    for (std::thread& t : helpers) t.join();

    size_t total = 64;
    uLong adler = 1;
    for (const Piece& p : pieces) {
        if (!p.ok) return false;
        total += p.data.size() + 12;
        adler = adler32_combine(adler, p.adler, z_off_t(p.length));
    }
    try {
        png.clear();
        png.reserve(total);
        static const unsigned char SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        png.insert(png.end(), SIGNATURE, SIGNATURE + 8);
        std::vector<unsigned char> ihdr;
        put32(ihdr, img->WIDTH);
        put32(ihdr, img->HEIGHT);
        const unsigned char colour = channels == 1 ? 0 : channels == 3 ? 2 : 6;
        ihdr.insert(ihdr.end(), {8, colour, 0, 0, 0});  // 8 bits, deflate, adaptive filters, not interlaced
        chunk(png, "IHDR", ihdr.data(), ihdr.size());
        // One zlib stream across the IDAT chunks: header, the pieces, Adler-32.
        const unsigned char zhead[2] = {0x78, 0x01};
        std::vector<unsigned char> tail;
        put32(tail, uint32_t(adler));
        for (size_t i = 0; i < pieces.size(); ++i) {
            std::vector<unsigned char>& d = pieces[i].data;
            if (i == 0) d.insert(d.begin(), zhead, zhead + 2);
            if (i + 1 == pieces.size()) d.insert(d.end(), tail.begin(), tail.end());
            chunk(png, "IDAT", d.data(), d.size());
            std::vector<unsigned char>().swap(d);
        }
        chunk(png, "IEND", nullptr, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}
