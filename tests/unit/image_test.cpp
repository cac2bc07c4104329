#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "support.h"

using ImageBuffer = Scratch;

TEST_F(ImageBuffer, LayoutHeaderPitchAlignmentAndFill) {
    IMAGE* img = image_create(3, 2, 0xC4FFFF00u, 32);
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(img) % 16, 0u);
    EXPECT_EQ(img->TYPE, 7u);
    EXPECT_EQ(img->BPP, 4);
    EXPECT_EQ(img->PITCH, 16u);
    EXPECT_EQ(img->_RESERVED[0] | img->_RESERVED[1] | img->_RESERVED[2], 0u);
    // Pixel (2, 1) sits at byte 32 + 16 + 8; the row padding holds the fill too.
    auto* bytes = reinterpret_cast<uint8_t*>(img);
    pixel_set(img, 2, 1, 0x11223344u);
    uint32_t at;
    std::memcpy(&at, bytes + 32 + 16 + 8, 4);
    EXPECT_EQ(at, 0x11223344u);
    std::memcpy(&at, bytes + 32 + 12, 4);
    EXPECT_EQ(at, 0xC4FFFF00u);
    image_destroy(img);

    IMAGE* def = image_create(1, 1);
    EXPECT_EQ(px(def, 0, 0), 0xFFFF00FFu);
    image_destroy(def);
    EXPECT_EQ(image_create(0, 5), nullptr);
    EXPECT_EQ(image_create(5, -1), nullptr);
    EXPECT_EQ(image_create(INT32_MAX, INT32_MAX), nullptr);  // no short buffer from overflowing sizes
    image_destroy(nullptr);
}

TEST_F(ImageBuffer, NoBuffersBeforeTheSurfaceOpens) {
    screen_close();
    EXPECT_EQ(image_create(4, 4), nullptr);
    ASSERT_EQ(screen_open(640, 480, 32, 16, 0, 0), 0);
    IMAGE* img = image_create(4, 4);
    EXPECT_NE(img, nullptr);
    image_destroy(img);
}

TEST_F(ImageBuffer, AlphaBlendWorkedValues) {
    IMAGE* d = image_create(2, 1, 0xFF000000u);
    IMAGE* s = image_create(2, 1, 0x80FFFFFFu);
    pixel_set(d, 1, 0, 0x00000000);
    pixel_set(s, 1, 0, 0xFFFFFFFFu);
    ASSERT_EQ(image_put(d, 0, 0, s, PUT_ALPHA), 0);
    EXPECT_EQ(px(d, 0, 0), 0xBF7F7F7Fu);
    EXPECT_EQ(px(d, 1, 0), 0xFEFEFEFEu);
    // Alpha 0 leaves the destination; the result always lies between d and s.
    EXPECT_EQ(blend_pixel(0x12345678u, 0x00FFFFFFu), 0x12345678u);
    EXPECT_EQ(blend_pixel(0xFFFFFFFFu, 0x80000000u), 0xBF7F7F7Fu);  // negative steps floor
    image_destroy(d);
    image_destroy(s);
}

TEST_F(ImageBuffer, CopyAndXorModes) {
    IMAGE* d = image_create(1, 1, 0xF0F0F0F0u);
    IMAGE* s = image_create(1, 1, 0x0FF00FF0u);
    image_put(d, 0, 0, s, PUT_AND);
    EXPECT_EQ(px(d, 0, 0), 0x00F000F0u);
    image_put(d, 0, 0, s, PUT_XOR);
    EXPECT_EQ(px(d, 0, 0), 0x0F000F00u);
    image_put(d, 0, 0, s, PUT_COPY);
    EXPECT_EQ(px(d, 0, 0), 0x0FF00FF0u);
    EXPECT_EQ(image_put(d, 0, 0, nullptr, PUT_COPY), 7);
    image_destroy(d);
    image_destroy(s);
}

TEST_F(ImageBuffer, ClippingKeepsAlignment) {
    IMAGE* s = make_image(100, 100, [](int x, int y) { return uint32_t(y * 1000 + x); });
    IMAGE* d = image_create(200, 200, 0xDEADBEEFu);
    ASSERT_EQ(image_put(d, -50, -50, s, PUT_COPY), 0);
    EXPECT_EQ(px(d, 0, 0), uint32_t(50 * 1000 + 50));
    EXPECT_EQ(px(d, 49, 49), uint32_t(99 * 1000 + 99));
    EXPECT_EQ(px(d, 50, 0), 0xDEADBEEFu);
    EXPECT_EQ(px(d, 0, 50), 0xDEADBEEFu);
    // Far beyond any edge, huge, or not a number: nothing drawn, no fault.
    EXPECT_EQ(image_put(d, 1e30f, -1e30f, s, PUT_COPY), 0);
    EXPECT_EQ(image_put(d, std::nanf(""), 0, s, PUT_COPY), 0);
    // A source rectangle in reverse corner order, clamped to the source.
    image_put(d, 190, 190, s, 120, 120, 95, 95, PUT_COPY);
    EXPECT_EQ(px(d, 190, 190), uint32_t(95 * 1000 + 95));
    EXPECT_EQ(px(d, 194, 194), uint32_t(99 * 1000 + 99));
    EXPECT_EQ(px(d, 195, 195), 0xDEADBEEFu);
    image_destroy(s);
    image_destroy(d);
}

TEST_F(ImageBuffer, PositionsRoundHalfAwayFromZero) {
    EXPECT_EQ(round_position(57.6), 58);
    EXPECT_EQ(round_position(2.5), 3);
    EXPECT_EQ(round_position(-2.5), -3);
    EXPECT_EQ(round_position(-0.4), 0);
    EXPECT_EQ(round_position(0.49999997), 0);
    IMAGE* d = image_create(8, 8, 0);
    IMAGE* s = image_create(1, 1, 0xFFFFFFFFu);
    image_put(d, 2.5f, 1.49f, s, PUT_COPY);
    EXPECT_EQ(px(d, 3, 1), 0xFFFFFFFFu);
    image_destroy(d);
    image_destroy(s);
}

TEST_F(ImageBuffer, LinesBoxesAndPixels) {
    IMAGE* d = image_create(10, 10, 0);
    draw_line(d, 0, 0, 9, 9, 0x80123456u);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(px(d, i, i), 0x80123456u);  // stored unchanged, no blend
    EXPECT_EQ(px(d, 1, 0), 0u);
    draw_line(d, 8, 7, 2, 2, 0xFF00FF00u, LINE_BOX);
    EXPECT_EQ(px(d, 2, 5), 0xFF00FF00u);
    EXPECT_EQ(px(d, 8, 3), 0xFF00FF00u);
    EXPECT_EQ(px(d, 5, 7), 0xFF00FF00u);
    EXPECT_EQ(px(d, 4, 4), 0x80123456u);
    draw_line(d, -5, -5, 100, 1, 0xFFFFFFFFu, LINE_FILLED_BOX);
    EXPECT_EQ(px(d, 9, 1), 0xFFFFFFFFu);
    EXPECT_EQ(px(d, 9, 2), 0u);
    // Boxes wholly beside the buffer touch nothing (a fault found by fuzzing).
    draw_line(d, 5654, -4037, 5654, 2962, 0xFF0000FFu, LINE_BOX);
    draw_line(d, -20, 3, -9, 4, 0xFF0000FFu, LINE_FILLED_BOX);
    draw_line(d, 3, 20, 4, 30, 0xFF0000FFu, LINE_FILLED_BOX);
    EXPECT_EQ(px(d, 9, 3), 0u);
    EXPECT_EQ(px(d, 3, 9), 0u);
    draw_line(d, -3e9f, 5, 3e9f, 5, 0xFF0000FFu);  // crosses the buffer from far away
    for (int x = 0; x < 10; ++x) EXPECT_EQ(px(d, x, 5), 0xFF0000FFu);
    EXPECT_EQ(pixel_get(d, 10, 0), 0xFFFFFFFFu);
    EXPECT_EQ(pixel_get(d, -1, 0), 0xFFFFFFFFu);
    pixel_set(d, 100, 100, 0);  // outside: ignored
    image_destroy(d);
}

TEST_F(ImageBuffer, SelfOverlappingBlendReadsBackWrittenPixels) {
    // Row by row, left to right: pixel 1 is written from pixel 0, then read
    // back as the source of pixel 2.
    IMAGE* d = image_create(3, 1, 0);
    pixel_set(d, 0, 0, 0xFF000000u);
    image_put(d, 1, 0, d, 0, 0, 1, 0, PUT_COPY);
    EXPECT_EQ(px(d, 2, 0), 0xFF000000u);
    image_destroy(d);
}

namespace {
// The blend written channel by channel, as a story author reads it.
uint32_t blend_by_channel(uint32_t d, uint32_t s) {
    const int32_t a = int32_t(s >> 24);
    uint32_t out = 0;
    for (int sh = 0; sh < 32; sh += 8) {
        const int32_t dc = int32_t((d >> sh) & 0xFF), sc = int32_t((s >> sh) & 0xFF);
        out |= uint32_t(dc + (((sc - dc) * a) >> 8)) << sh;  // floor division by 256
    }
    return out;
}
}  // namespace

TEST_F(ImageBuffer, SharedMultiplyBlendMatchesEveryChannelValue) {
    // Every (alpha, source, destination) triple, each channel taking a
    // different pair so a carry between channels would show.
    for (uint32_t a = 0; a < 256; ++a)
        for (uint32_t sc = 0; sc < 256; ++sc)
            for (uint32_t dc = 0; dc < 256; ++dc) {
                const uint32_t s = a << 24 | sc << 16 | (255 - sc) << 8 | (sc ^ 0xA5);
                const uint32_t d = dc << 24 | (dc ^ 0x3C) << 16 | dc << 8 | (255 - dc);
                const uint32_t want = blend_by_channel(d, s), got = blend_pixel(d, s);
                if (got != want) FAIL() << std::hex << d << " under " << s << ": " << got << " not " << want;
            }
}

TEST_F(ImageBuffer, RowBlitsMatchPixelByPixelPuts) {
    for (uint32_t seed = 1; seed <= 200; ++seed) {
        const int sw = 1 + int(noise(seed) % 40), sh = 1 + int(noise(seed * 5) % 30);
        const int tw = 1 + int(noise(seed * 7) % 50), th = 1 + int(noise(seed * 11) % 40);
        IMAGE* s = make_image(sw, sh, [&](int x, int y) { return noise(seed * 131 + uint32_t(y * sw + x)); });
        IMAGE* fast = make_image(tw, th, [&](int x, int y) { return noise(seed * 977 + uint32_t(y * tw + x)); });
        IMAGE* slow = make_image(tw, th, [&](int x, int y) { return px(fast, x, y); });
        const int x = int(noise(seed * 13) % 90) - 45, y = int(noise(seed * 17) % 70) - 35;
        const PutMode mode = PutMode(seed % 4);
        ASSERT_EQ(image_put(fast, float(x), float(y), s, mode), 0);
        for (int sy = 0; sy < sh; ++sy)
            for (int sx = 0; sx < sw; ++sx) {
                if (x + sx < 0 || y + sy < 0 || x + sx >= tw || y + sy >= th) continue;
                const uint32_t d = px(slow, x + sx, y + sy), v = px(s, sx, sy);
                const uint32_t want = mode == PUT_COPY ? v : mode == PUT_ALPHA ? blend_by_channel(d, v)
                                    : mode == PUT_AND  ? d & v : d ^ v;
                pixel_set(slow, float(x + sx), float(y + sy), want);
            }
        for (int ty = 0; ty < th; ++ty)
            for (int tx = 0; tx < tw; ++tx)
                ASSERT_EQ(px(fast, tx, ty), px(slow, tx, ty)) << "seed " << seed << " at " << tx << "," << ty;
        image_destroy(s);
        image_destroy(fast);
        image_destroy(slow);
    }
}

namespace {
std::vector<BLEND_FORM> forms_here() {
    std::vector<BLEND_FORM> forms;
    for (int f = 0; f < BLEND_FORMS; ++f)
        if (blend_form_available(BLEND_FORM(f))) forms.push_back(BLEND_FORM(f));
    return forms;
}
}  // namespace

TEST_F(ImageBuffer, EveryBlendFormMatchesEveryChannelValue) {
    // The exhaustive check above, through each row form: one row per (alpha,
    // source), the destination running over every value along the row, so
    // every value meets every lane of the vectors.
    std::vector<uint32_t> s(256), d(256), want(256);
    for (BLEND_FORM form : forms_here()) {
        for (uint32_t a = 0; a < 256; ++a)
            for (uint32_t sc = 0; sc < 256; ++sc) {
                for (uint32_t dc = 0; dc < 256; ++dc) {
                    s[dc] = a << 24 | sc << 16 | (255 - sc) << 8 | (sc ^ 0xA5);
                    d[dc] = dc << 24 | (dc ^ 0x3C) << 16 | dc << 8 | (255 - dc);
                    want[dc] = blend_by_channel(d[dc], s[dc]);
                }
                blend_row_form(form, d.data(), s.data(), 256);
                if (d != want) FAIL() << blend_form_name(form) << ": alpha " << a << ", source " << sc;
            }
    }
}

TEST_F(ImageBuffer, EveryFormBlendsOntoClearedPixelsAsOntoZero) {
    // Every (alpha, source) pair per channel, whatever the row held before.
    std::vector<uint32_t> s(256), d(256), want(256);
    for (BLEND_FORM form : forms_here())
        for (uint32_t a = 0; a < 256; ++a) {
            for (uint32_t sc = 0; sc < 256; ++sc) {
                s[sc] = a << 24 | sc << 16 | (255 - sc) << 8 | (sc ^ 0x5A);
                d[sc] = noise(a * 256 + sc);
                want[sc] = blend_by_channel(0, s[sc]);
            }
            blend_row_onto_clear_form(form, d.data(), s.data(), 256);
            if (d != want) FAIL() << blend_form_name(form) << ": alpha " << a;
        }
    for (uint32_t seed = 1; seed <= 500; ++seed) {
        const size_t n = noise(seed) % 75, off = noise(seed * 3) % 8;
        std::vector<uint32_t> src(n + 8), want_row(n + 8, 0x12345678u);
        for (size_t i = 0; i < src.size(); ++i) src[i] = noise(seed * 7919 + uint32_t(i));
        for (size_t i = 0; i < n; ++i) want_row[i] = blend_by_channel(0, src[off + i]);
        for (BLEND_FORM form : forms_here()) {
            std::vector<uint32_t> got(n + 8, 0x12345678u);
            blend_row_onto_clear_form(form, got.data(), src.data() + off, n);
            ASSERT_EQ(got, want_row) << blend_form_name(form) << " seed " << seed;
        }
    }
}

TEST_F(ImageBuffer, BlendFormsAgreeOnRandomRowsAndOverlaps) {
    const std::vector<BLEND_FORM> forms = forms_here();
#if defined(__x86_64__)
    EXPECT_TRUE(blend_form_available(BLEND_SSE2));  // every x86-64 machine has it
#endif
    for (uint32_t seed = 1; seed <= 3000; ++seed) {
        const size_t n = noise(seed) % 75, off_s = noise(seed * 3) % 8, off_d = noise(seed * 5) % 8;
        std::vector<uint32_t> s(n + 8), d(n + 8);
        for (size_t i = 0; i < s.size(); ++i) {
            s[i] = noise(seed * 7919 + uint32_t(i));
            d[i] = noise(seed * 104729 + uint32_t(i));
            // Runs of fully transparent and fully opaque sources.
            if ((seed / 3 + i / 9) % 4 == 0) s[i] &= 0x00FFFFFFu;
            if ((seed / 5 + i / 7) % 5 == 0) s[i] |= 0xFF000000u;
        }
        std::vector<uint32_t> want = d;
        for (size_t i = 0; i < n; ++i) want[off_d + i] = blend_by_channel(d[off_d + i], s[off_s + i]);
        for (BLEND_FORM form : forms) {
            std::vector<uint32_t> got = d;
            blend_row_form(form, got.data() + off_d, s.data() + off_s, n);
            ASSERT_EQ(got, want) << blend_form_name(form) << " seed " << seed;
        }
        // Within one buffer: a destination after its source reads back
        // what the row wrote, one before it reads what was there.
        for (BLEND_FORM form : forms) {
            const BLEND_FORM before = blend_form_choose(form);
            std::vector<uint32_t> one = d, plain = d;
            const size_t from = off_s, to = off_d;
            for (size_t i = 0; i + std::max(from, to) < one.size() && i < n; ++i)
                plain[to + i] = blend_by_channel(plain[to + i], plain[from + i]);
            blend_row(one.data() + to, one.data() + from, std::min(n, one.size() - std::max(from, to)));
            blend_form_choose(before);
            ASSERT_EQ(one, plain) << blend_form_name(form) << " seed " << seed << " from " << from << " to " << to;
        }
    }
}

TEST_F(ImageBuffer, AlphaPutsInEveryFormMatchPixelByPixelBlends) {
    // Random pictures, positions and source rectangles (reversed, partly
    // or wholly outside), each put in every form against the channel form.
    for (BLEND_FORM form : forms_here()) {
        const BLEND_FORM before = blend_form_choose(form);
        ASSERT_EQ(blend_form_chosen(), form);
        for (uint32_t seed = 1; seed <= 150; ++seed) {
            const int sw = 1 + int(noise(seed) % 90), sh = 1 + int(noise(seed * 5) % 20);
            const int tw = 1 + int(noise(seed * 7) % 100), th = 1 + int(noise(seed * 11) % 25);
            Image s(make_image(sw, sh, [&](int x, int y) {
                const uint32_t v = noise(seed * 131 + uint32_t(y * sw + x));
                return (x / 5 + y) % 3 == 0 ? v & 0x00FFFFFFu : v;
            }));
            Image fast(make_image(tw, th, [&](int x, int y) { return noise(seed * 977 + uint32_t(y * tw + x)); }));
            Image slow(make_image(tw, th, [&](int x, int y) { return px(fast.get(), x, y); }));
            const int x = int(noise(seed * 13) % 140) - 70, y = int(noise(seed * 17) % 40) - 20;
            int sx1 = int(noise(seed * 19) % 110) - 10, sx2 = int(noise(seed * 23) % 110) - 10;
            int sy1 = int(noise(seed * 29) % 30) - 5, sy2 = int(noise(seed * 31) % 30) - 5;
            ASSERT_EQ(image_put(fast.get(), float(x), float(y), s.get(), float(sx1), float(sy1), float(sx2),
                                float(sy2), PUT_ALPHA), 0);
            if (sx1 > sx2) std::swap(sx1, sx2);
            if (sy1 > sy2) std::swap(sy1, sy2);
            sx1 = std::clamp(sx1, 0, sw - 1), sx2 = std::clamp(sx2, 0, sw - 1);
            sy1 = std::clamp(sy1, 0, sh - 1), sy2 = std::clamp(sy2, 0, sh - 1);
            for (int sy = sy1; sy <= sy2; ++sy)
                for (int sx = sx1; sx <= sx2; ++sx) {
                    const int tx = x + sx - sx1, ty = y + sy - sy1;
                    if (tx < 0 || ty < 0 || tx >= tw || ty >= th) continue;
                    pixel_set(slow.get(), float(tx), float(ty), blend_by_channel(px(slow.get(), tx, ty), px(s.get(), sx, sy)));
                }
            ASSERT_TRUE(same_pixels(fast.get(), slow.get())) << blend_form_name(form) << " seed " << seed;
        }
        blend_form_choose(before);
    }
}
