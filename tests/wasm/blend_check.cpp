// The WebAssembly (SIMD128) form of the row blends against the channel-wise
// rule: every (alpha, source, destination) triple, every (alpha, source)
// pair onto cleared pixels, then random rows of every length and offset. Built with Emscripten and run under Node by CTest when
// both are installed; exit status 0 when every pixel agrees.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "image.h"

namespace {
uint32_t by_channel(uint32_t d, uint32_t s) {
    const int32_t a = int32_t(s >> 24);
    uint32_t out = 0;
    for (int sh = 0; sh < 32; sh += 8) {
        const int32_t dc = int32_t((d >> sh) & 0xFF), sc = int32_t((s >> sh) & 0xFF);
        out |= uint32_t(dc + (((sc - dc) * a) >> 8)) << sh;
    }
    return out;
}

uint32_t noise(uint32_t seed) {
    seed ^= seed << 13;
    seed ^= seed >> 17;
    seed ^= seed << 5;
    return seed * 2654435761u;
}
}  // namespace

int main() {
    if (!blend_form_available(BLEND_SIMD128) || blend_form_chosen() != BLEND_SIMD128) {
        std::printf("the SIMD128 form is not built in (compile with -msimd128)\n");
        return 1;
    }
    std::vector<uint32_t> s(256), d(256), want(256);
    for (uint32_t a = 0; a < 256; ++a)
        for (uint32_t sc = 0; sc < 256; ++sc) {
            for (uint32_t dc = 0; dc < 256; ++dc) {
                s[dc] = a << 24 | sc << 16 | (255 - sc) << 8 | (sc ^ 0xA5);
                d[dc] = dc << 24 | (dc ^ 0x3C) << 16 | dc << 8 | (255 - dc);
                want[dc] = by_channel(d[dc], s[dc]);
            }
            blend_row_form(BLEND_SIMD128, d.data(), s.data(), 256);
            if (d != want) {
                std::printf("differs at alpha %u, source %u\n", a, sc);
                return 1;
            }
        }
    for (uint32_t a = 0; a < 256; ++a) {
        for (uint32_t sc = 0; sc < 256; ++sc) {
            s[sc] = a << 24 | sc << 16 | (255 - sc) << 8 | (sc ^ 0x5A);
            d[sc] = noise(a * 256 + sc);
            want[sc] = by_channel(0, s[sc]);
        }
        blend_row_onto_clear_form(BLEND_SIMD128, d.data(), s.data(), 256);
        if (d != want) {
            std::printf("onto cleared pixels: differs at alpha %u\n", a);
            return 1;
        }
    }
    for (uint32_t seed = 1; seed <= 3000; ++seed) {
        const size_t n = noise(seed) % 75, off_s = noise(seed * 3) % 8, off_d = noise(seed * 5) % 8;
        std::vector<uint32_t> rs(n + 8), rd(n + 8);
        for (size_t i = 0; i < rs.size(); ++i) {
            rs[i] = noise(seed * 7919 + uint32_t(i));
            rd[i] = noise(seed * 104729 + uint32_t(i));
            if ((seed / 3 + i / 9) % 4 == 0) rs[i] &= 0x00FFFFFFu;
        }
        std::vector<uint32_t> expect = rd;
        for (size_t i = 0; i < n; ++i) expect[off_d + i] = by_channel(rd[off_d + i], rs[off_s + i]);
        blend_row(rd.data() + off_d, rs.data() + off_s, n);
        if (rd != expect) {
            std::printf("random row %u differs\n", seed);
            return 1;
        }
    }
    std::printf("SIMD128 blend: every triple, every pair onto cleared pixels and 3000 random rows agree\n");
    return 0;
}
