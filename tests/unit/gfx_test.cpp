// Compositing and seamless tiles: worked values, and every fast path
// against a plain one built from the single-pixel and single-column puts
// the routines are defined by.
#include "asset_path.h"
#include "gfx/gfx.h"
#include "image_file.h"
#include "support.h"
#include "vga_lookup.h"

using Gfx = Scratch;

namespace {
IMAGE* random_image(int w, int h, uint32_t seed) {
    return make_image(w, h, [&](int x, int y) { return noise(seed + uint32_t(y * w + x) * 7919u); });
}

IMAGE* copy_of(IMAGE* s) {
    IMAGE* c = image_create(int(s->WIDTH), int(s->HEIGHT), 0);
    image_put(c, 0, 0, s, PUT_COPY);
    return c;
}

// The plain forms: one row or column per put, one pixel per get and set.
IMAGE* plain_flip(IMAGE* s, int X, int Y) {
    const int w = int(s->WIDTH), h = int(s->HEIGHT);
    IMAGE* in = copy_of(s);
    if (X) {
        IMAGE* t = image_create(w, h, 0);
        for (int px = 0; px < w; ++px) image_put(t, float(px), 0, in, float(w - 1 - px), 0, float(w - 1 - px), float(h - 1), PUT_COPY);
        image_put(in, 0, 0, t, PUT_COPY);
        image_destroy(t);
    }
    if (Y) {
        IMAGE* t = image_create(w, h, 0);
        for (int py = 0; py < h; ++py) image_put(t, 0, float(py), in, 0, float(h - 1 - py), float(w - 1), float(h - 1 - py), PUT_COPY);
        image_put(in, 0, 0, t, PUT_COPY);
        image_destroy(t);
    }
    return in;
}

IMAGE* plain_shift(IMAGE* s, int32_t X, int32_t Y) {
    const uint32_t w = s->WIDTH, h = s->HEIGHT;
    IMAGE* in = copy_of(s);
    if (uint32_t(X) % w) {
        IMAGE* t = image_create(int(w), int(h), 0);
        for (uint32_t px = 0; px < w; ++px)
            image_put(t, float((px + uint32_t(X)) % w), 0, in, float(px), 0, float(px), float(h - 1), PUT_COPY);
        image_put(in, 0, 0, t, PUT_COPY);
        image_destroy(t);
    }
    if (uint32_t(Y) % h) {
        IMAGE* t = image_create(int(w), int(h), 0);
        for (uint32_t py = 0; py < h; ++py)
            image_put(t, 0, float((py + uint32_t(Y)) % h), in, 0, float(py), float(w - 1), float(py), PUT_COPY);
        image_put(in, 0, 0, t, PUT_COPY);
        image_destroy(t);
    }
    return in;
}

void plain_stretch(IMAGE* s, IMAGE* d) {
    const uint32_t sw = s->WIDTH, sh = s->HEIGHT, dw = d->WIDTH, dh = d->HEIGHT;
    IMAGE* in = image_create(int(sw), int(dh), 0);
    for (uint32_t y = 0; y < dh; ++y) {
        uint32_t sy = (sh * y) / dh;
        image_put(in, 0, float(y), s, 0, float(sy), float(sw - 1), float(sy), PUT_COPY);
    }
    for (uint32_t x = 0; x < dw; ++x) {
        uint32_t sx = (sw * x) / dw;
        image_put(d, float(x), 0, in, float(sx), 0, float(sx), float(dh - 1), PUT_COPY);
    }
    image_destroy(in);
}

void write_mask(uint32_t value_at_centre, uint32_t value_elsewhere, int size = 16) {
    fs::create_directories("Demo/Code/Assets/Sprites");
    IMAGE* m = make_image(size, size, [&](int x, int y) {
        return x >= size / 4 && x < 3 * size / 4 && y >= size / 4 && y < 3 * size / 4 ? value_at_centre : value_elsewhere;
    });
    SavePNGFile(m, "Demo/Code/Assets/Sprites/alpha mask.png", 1);
    image_destroy(m);
}
}  // namespace

TEST_F(Gfx, MakeFillWorkedValuesAndVBox) {
    IMAGE* f = GFX_MAKE_FILL(-1, -1);
    EXPECT_EQ(px(f, 0, 0), 0x80000000u);
    EXPECT_EQ(px(f, 1, 1), 0x80000000u);
    EXPECT_EQ(px(f, 1, 0), 0x60000000u);
    EXPECT_EQ(px(f, 0, 1), 0x60000000u);
    EXPECT_EQ(px(f, 2, 0), 0x40000000u);
    // Pixel (4, 0): at X = 2 it took (2, 0), written earlier in the same
    // blend (0x40000000 over nothing: 0x10000000); at X = 4, (0, 0) over that.
    EXPECT_EQ(px(f, 4, 0), 0x48000000u);
    image_destroy(f);
    IMAGE* box = image_create(32, 32, 0xFF000000u);
    GFX_VBOX(box, 2, 2, 3, 3, -1, -1);
    EXPECT_EQ(px(box, 7, 7), 0xFF000000u);
    EXPECT_EQ(px(box, 8, 8), blend_pixel(0xFF000000u, 0x80000000u));
    EXPECT_EQ(px(box, 24, 24), 0xFF000000u);
    image_destroy(box);
    // Table colours: index 15 OR the pattern's alpha.
    PROJECTSPACE = "Demo";
    std::string table;
    for (int i = 0; i < 16; ++i) table += "&H0000" + std::string(i == 15 ? "FF" : "01") + "\n";
    write("Demo/Assets/VGA Table.seq", table);
    VGA_LOAD(VGA_TABLE, "VGA Table");
    IMAGE* g = GFX_MAKE_FILL(3, 15);
    EXPECT_EQ(px(g, 0, 0), 0x800000FFu);
    EXPECT_EQ(px(g, 1, 0), 0x60000001u);
    image_destroy(g);
}

TEST_F(Gfx, InlayCentresAndFlipMirrors) {
    IMAGE* d = image_create(640, 480, 0);
    IMAGE* s = image_create(100, 50, 0xFFFFFFFFu);
    GFX_BUFFER_INLAY(s, d);
    EXPECT_EQ(px(d, 269, 215), 0u);
    EXPECT_NE(px(d, 270, 215), 0u);
    EXPECT_NE(px(d, 369, 264), 0u);
    EXPECT_EQ(px(d, 370, 264), 0u);
    IMAGE* small = image_create(1, 1, 0xFFFFFFFFu);
    GFX_BUFFER_INLAY(d, small);  // larger than the target: lands off it
    EXPECT_EQ(px(small, 0, 0), 0xFFFFFFFFu);
    image_destroy(d);
    image_destroy(s);
    image_destroy(small);

    IMAGE* a = make_image(5, 3, [](int x, int) { return x == 0 ? 0xFFFF0000u : 0xFF0000FFu; });
    IMAGE* out = nullptr;
    GFX_BUFFER_FLIP(a, out, 1, 0);
    EXPECT_EQ(px(out, 4, 1), 0xFFFF0000u);
    EXPECT_EQ(px(out, 0, 1), 0xFF0000FFu);
    image_destroy(out);
    IMAGE* same = nullptr;
    GFX_BUFFER_FLIP(a, same, 0, 0);
    EXPECT_EQ(same, a);
    IMAGE* one = a;  // one variable as source and destination
    GFX_BUFFER_FLIP(one, one, 1, 1);
    EXPECT_NE(one, a);
    EXPECT_EQ(px(one, 4, 2), 0xFFFF0000u);
    image_destroy(one);
    image_destroy(a);
}

TEST_F(Gfx, FlipShiftAndStretchMatchTheirPlainForms) {
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        const int w = 1 + int(noise(seed) % 37), h = 1 + int(noise(seed * 3) % 29);
        IMAGE* s = random_image(w, h, seed);
        for (int fx = 0; fx <= 1; ++fx)
            for (int fy = 0; fy <= 1; ++fy) {
                if (!fx && !fy) continue;
                IMAGE* fast = nullptr;
                GFX_BUFFER_FLIP(s, fast, fx, fy);
                IMAGE* plain = plain_flip(s, fx, fy);
                EXPECT_TRUE(same_pixels(fast, plain)) << w << "x" << h;
                image_destroy(fast);
                image_destroy(plain);
            }
        for (int32_t X : {0, 1, 5, w, -1, -7}) {
            int32_t Y = X / 2 + 3;
            IMAGE* fast = image_create(3, 3, 0);
            GFX_BUFFER_SHIFT(s, fast, X, Y);
            IMAGE* plain = plain_shift(s, X, Y);
            EXPECT_TRUE(same_pixels(fast, plain)) << w << "x" << h << " by " << X << "," << Y;
            image_destroy(fast);
            image_destroy(plain);
        }
        // Copied, doubled (even and odd widths) and mapped rows; rows
        // repeated from the one above and rows dropped.
        for (auto [dw, dh] : {std::pair{1, 1}, {3, 3}, {64, 7}, {w * 2, h * 3}, {w, h}, {w * 2 - 1, h * 2},
                              {w * 2, 1}, {w + 1, h / 2 + 1}, {w * 3, h}}) {
            IMAGE* fast = image_create(dw, dh, 0);
            IMAGE* plain = image_create(dw, dh, 0);
            GFX_BUFFER_STRETCH(s, fast);
            plain_stretch(s, plain);
            EXPECT_TRUE(same_pixels(fast, plain)) << w << "x" << h << " to " << dw << "x" << dh;
            image_destroy(fast);
            image_destroy(plain);
        }
        // Onto itself: read from what the picture was before.
        IMAGE* self = image_create(w, h, 0);
        image_put(self, 0, 0, s, PUT_COPY);
        IMAGE* plain = image_create(w, h, 0);
        plain_stretch(s, plain);
        GFX_BUFFER_STRETCH(self, self);
        EXPECT_TRUE(same_pixels(self, plain));
        image_destroy(self);
        image_destroy(plain);
        image_destroy(s);
    }
}

TEST_F(Gfx, ShiftAndStretchWorkedValues) {
    IMAGE* s = make_image(4, 2, [](int x, int y) { return uint32_t(x + 10 * y); });
    IMAGE* d = nullptr;
    GFX_BUFFER_SHIFT(s, d, 1, 0);
    EXPECT_EQ(px(d, 0, 0), 3u);
    EXPECT_EQ(px(d, 1, 0), 0u);
    GFX_BUFFER_SHIFT(s, d, 4, 2);
    EXPECT_TRUE(same_pixels(s, d));
    image_destroy(d);
    image_destroy(s);
    IMAGE* two = make_image(2, 2, [](int x, int y) { return uint32_t(1 + x + 2 * y); });
    IMAGE* four = image_create(4, 4, 0);
    GFX_BUFFER_STRETCH(two, four);
    EXPECT_EQ(px(four, 1, 1), 1u);
    EXPECT_EQ(px(four, 2, 1), 2u);
    EXPECT_EQ(px(four, 3, 3), 4u);
    IMAGE* three = image_create(3, 3, 0);
    GFX_BUFFER_STRETCH(two, three);
    EXPECT_EQ(px(three, 1, 0), 1u);  // columns 0, 0, 1
    EXPECT_EQ(px(three, 2, 0), 2u);
    image_destroy(two);
    image_destroy(four);
    image_destroy(three);
}

TEST_F(Gfx, StretchIndicesDoNotWrapOnWidePictures) {
    // 70,000 x 140,000 and 2 x 35,000 x 140,000 pass 2^32: a 32-bit product
    // wraps and sends the right part of the row to the wrong columns.
    IMAGE* row = make_image(70000, 1, [](int x, int) { return uint32_t(x); });
    IMAGE* same = image_create(70000, 2, 0);
    GFX_BUFFER_STRETCH(row, same);
    IMAGE* twice = image_create(140000, 1, 0);
    GFX_BUFFER_STRETCH(row, twice);
    for (uint32_t x = 0; x < 140000; ++x) {
        if (x < 70000) {
            ASSERT_EQ(px(same, int(x), 1), x);
        }
        ASSERT_EQ(px(twice, int(x), 0), x / 2) << x;
    }
    image_destroy(row);
    image_destroy(same);
    image_destroy(twice);
}

TEST_F(Gfx, StretchAspectSizes) {
    auto sized = [](int sw, int sh, int dw, int dh, const std::string& mode) {
        IMAGE* s = image_create(sw, sh, 0xFF00FF00u);
        IMAGE* d = image_create(dw, dh, 0);
        GFX_BUFFER_STRETCH_ASPECT(s, d, mode);
        std::pair<uint32_t, uint32_t> size{d->WIDTH, d->HEIGHT};
        image_destroy(s);
        image_destroy(d);
        return size;
    };
    using P = std::pair<uint32_t, uint32_t>;
    EXPECT_EQ(sized(100, 50, 320, 320, "height"), P(320, 320));
    EXPECT_EQ(sized(50, 100, 320, 320, "height"), P(160, 320));
    EXPECT_EQ(sized(50, 100, 320, 320, "HEIGHT"), P(160, 320));
    EXPECT_EQ(sized(50, 100, 320, 320, "H"), P(160, 320));
    EXPECT_EQ(sized(100, 50, 320, 320, "w"), P(320, 160));
    EXPECT_EQ(sized(100, 50, 320, 320, "other"), P(320, 320));
    EXPECT_EQ(sized(16, 32, 32, 32, "height"), P(16, 32));
    EXPECT_EQ(sized(5, 2, 24, 24, "height"), P(24, 24));
    EXPECT_EQ(sized(3, 64, 24, 24, "height"), P(1, 24));   // 1.125 rounds to 1
    EXPECT_EQ(sized(5, 96, 144, 96, "height"), P(5, 96));
    EXPECT_EQ(sized(6, 128, 24, 24, "height"), P(1, 24));  // 1.125
    EXPECT_EQ(sized(10, 96, 24, 48, "height"), P(5, 48));  // exactly 5
    EXPECT_EQ(sized(5, 96, 24, 48, "height"), P(2, 48));   // 2.5: ties to even
    EXPECT_EQ(sized(7, 96, 24, 48, "height"), P(4, 48));   // 3.5: ties to even
    EXPECT_EQ(sized(1, 1000, 144, 96, "height"), P(1, 96));  // never zero pixels wide
}

TEST_F(Gfx, RepeatFillWallpaperAndGhost) {
    IMAGE* tile = image_create(300, 300, 0xFFFFFFFFu);
    IMAGE* d = image_create(640, 480, 0);
    GFX_BUFFER_REPEAT(tile, d);
    EXPECT_EQ(px(d, 639, 479), 0xFEFEFEFEu);
    image_destroy(tile);
    image_destroy(d);

    PROJECTSPACE = "Brindle";
    fs::create_directories("Brindle/Assets/Fonts");
    IMAGE* pattern = make_image(9, 9, [](int x, int y) { return x == 8 || y == 8 ? 0xFFFF0000u : 0xFF000000u | uint32_t(x * 8 + y); });
    SavePNGFile(pattern, "Brindle/Assets/Fonts/Fill.png", 1);
    image_destroy(pattern);
    IMAGE* bar = image_create(320, 24, 0);
    GFX_BUFFER_FILL(bar, 1, 1, 41, 4, -1, 0, "Fill");
    for (int x = 0; x < 320; x += 37)
        for (int y = 0; y < 24; y += 5) EXPECT_EQ(px(bar, x, y), blend_pixel(0, 0xFF000000u | uint32_t((x % 8) * 8 + y % 8)));
    image_destroy(bar);
    EXPECT_EXIT(
        {
            IMAGE* b = image_create(8, 8, 0);
            GFX_BUFFER_FILL(b, 1, 1, 2, 2, -1, 0, "Missing");
        },
        ::testing::ExitedWithCode(7), "null pointer access.* of Buffer Fill::GFX_BUFFER_FILL");
    EXPECT_EXIT(
        {
            IMAGE* b = image_create(8, 8, 0);
            GFX_BUFFER_WALLPAPER("Missing", b);
        },
        ::testing::ExitedWithCode(7), "of Buffer Repeat::GFX_BUFFER_REPEAT");

    IMAGE* g = make_image(2, 1, [](int x, int) { return x == 0 ? 0xFFFFFFFFu : 0x00FFFFFFu; });
    GFX_BUFFER_ALPHA(g, 96);
    EXPECT_EQ(px(g, 0, 0), 0xE58D8D8Du);
    EXPECT_EQ(px(g, 1, 0), 0x00000000u);
    image_destroy(g);
}

namespace {
// The tile worked out pixel by pixel: the mask stretched to the picture, the
// picture shifted by half its size (four copies, the later winning), and each
// channel (p1 * m + p2 * (255 - m)) / 255 in signed 32-bit arithmetic that
// wraps for weights outside 0..255.
IMAGE* tile_by_pixels(IMAGE* pic, IMAGE* mask) {
    const int w = int(pic->WIDTH), h = int(pic->HEIGHT);
    Image m(image_create(w, h, 0)), l2(image_create(w, h, 0));
    IMAGE* stretched = m.get();
    GFX_BUFFER_STRETCH(mask, stretched);
    const float hw = float(w / 2), hh = float(h / 2);
    for (auto [x, y] : {std::pair{-hw, -hh}, {hw, -hh}, {-hw, hh}, {hw, hh}}) image_put(l2.get(), x, y, pic, PUT_COPY);
    return make_image(w, h, [&](int x, int y) {
        const uint32_t p1 = px(pic, x, y), p2 = px(l2.get(), x, y), m1 = px(m.get(), x, y), m2 = 255u - m1;
        uint32_t expect = 0;
        for (int sh = 0; sh < 32; sh += 8) {
            const int64_t sum = int64_t((p1 >> sh) & 0xFF) * int32_t(m1) + int64_t((p2 >> sh) & 0xFF) * int32_t(m2);
            expect |= (uint32_t(int32_t(uint32_t(sum)) / 255) & 0xFF) << sh;
        }
        return expect;
    });
}
}  // namespace

TEST_F(Gfx, QuiltifyWorkedValues) {
    PROJECTSPACE = "Demo";
    // m = 128: black over white gives 0xFF7F7F7F.
    write_mask(128, 128);
    IMAGE* s = make_image(4, 4, [](int x, int y) { return x < 2 && y < 2 ? 0xFFFFFFFFu : 0xFF000000u; });
    IMAGE* d = image_create(9, 9, 0);
    GFX_QUILTIFY(s, d);
    ASSERT_EQ(d->WIDTH, 4u);
    EXPECT_EQ(px(d, 2, 2), 0xFF7F7F7Fu);  // layer 1 black, the shifted copy white there
    image_destroy(d);

    write_mask(255, 255);
    IMAGE* pic = random_image(21, 14, 9);
    IMAGE* keep = copy_of(pic);
    IMAGE* t = nullptr;
    GFX_QUILTIFY(pic, t);
    EXPECT_TRUE(same_pixels(t, keep));
    image_destroy(t);

    // Mask 0: the shifted copy alone. Odd sizes: the copies overlap, the
    // later one wins, so column hw takes column 0 (not the last).
    write_mask(0, 0);
    pic = copy_of(keep);
    t = nullptr;
    GFX_QUILTIFY(pic, t);
    const int hw = 21 / 2, hh = 14 / 2;
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 21; ++x)
            ASSERT_EQ(px(t, x, y), px(keep, x < hw ? x + hw : x - hw, y < hh ? y + hh : y - hh)) << x << "," << y;
    IMAGE* shifted = nullptr;
    // Even sizes: the quarters exchanged diagonally, a wrap by half the size.
    IMAGE* even = random_image(20, 14, 3);
    IMAGE* even_copy = copy_of(even);
    IMAGE* tile = nullptr;
    GFX_QUILTIFY(even, tile);
    GFX_BUFFER_SHIFT(even_copy, shifted, 10, 7);
    EXPECT_TRUE(same_pixels(tile, shifted));
    image_destroy(t);
    image_destroy(tile);
    image_destroy(shifted);
    image_destroy(even_copy);
    image_destroy(keep);

    fs::remove("Demo/Code/Assets/Sprites/alpha mask.png");
    EXPECT_EXIT(
        {
            IMAGE* p = image_create(4, 4, 0);
            IMAGE* q = nullptr;
            GFX_QUILTIFY(p, q);
        },
        ::testing::ExitedWithCode(7), "of Buffer Stretch::GFX_BUFFER_STRETCH");
}

TEST_F(Gfx, QuiltifyMatchesThePixelByPixelForm) {
    PROJECTSPACE = "Demo";
    fs::create_directories("Demo/Code/Assets/Sprites");
    IMAGE* mask = make_image(13, 11, [](int x, int y) { return uint32_t((x * 19 + y * 23) % 256); });
    SavePNGFile(mask, "Demo/Code/Assets/Sprites/alpha mask.png", 1);
    for (auto [w, h] : {std::pair{17, 9}, {32, 32}, {1, 1}, {2, 3}}) {
        IMAGE* pic = random_image(w, h, uint32_t(w * h));
        Image expected(tile_by_pixels(pic, mask));
        IMAGE* tile = nullptr;
        GFX_QUILTIFY(pic, tile);  // the mask read from its file
        EXPECT_TRUE(same_pixels(tile, expected.get())) << w << "x" << h;
        image_destroy(tile);
    }
    image_destroy(mask);
}

TEST_F(Gfx, ValidateDisplayWithAndWithoutASurface) {
    EXPECT_EQ(GFX_VALIDATE_DISPLAY(), 0);
    screen_close();
    PROJECTSPACE = "Demo";
    std::string table;
    for (int i = 0; i < 16; ++i) table += "&HF0F0F0\n";
    write("Demo/Assets/VGA Table.seq", table);
    VGA_LOAD(VGA_TABLE, "VGA Table");
    key_push("a");
    EXPECT_EQ(GFX_VALIDATE_DISPLAY(), 0);
    EXPECT_TRUE(surface_is_open());
    EXPECT_EQ(key_count(), 1);  // the key stays in the buffer
    EXPECT_EQ(px(surface_page(0), 1, 0), 0xFFF0F0F0u);  // the "Y" of the message, in colour 15
}

TEST_F(Gfx, QuiltifyMaskMatchesThePlainFormForAnyMask) {
    // Masks within 0..255 take the four-pixel path, others the general form;
    // both must give what the per-channel signed arithmetic gives, wrapping
    // included. Widths 1 to 9 leave every remainder of the four-pixel steps.
    const uint32_t odd_weights[] = {256u, 0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu, 0x01000000u, 0xFFFFFF00u};
    uint32_t seed = 1;
    auto sizes = std::vector<std::pair<int, int>>{{1, 1}, {2, 2}, {3, 5}, {64, 48}, {131, 77}, {512, 256}};
    for (int w = 1; w <= 9; ++w) sizes.push_back({w, 3});
    for (auto [w, h] : sizes)
        for (int kind = 0; kind < 3; ++kind) {
            // kind 0: weights 0..255; 1: a few outside; 2: any 32-bit value.
            const int mw = kind == 1 ? w : 1 + int(noise(seed++) % 19), mh = kind == 1 ? h : 1 + int(noise(seed++) % 13);
            IMAGE* mask = make_image(mw, mh, [&](int, int) {
                const uint32_t r = noise(seed++);
                if (kind == 0) return r & 0xFF;
                if (kind == 1) return r % 5 == 0 ? odd_weights[r / 5 % 6] : r & 0xFF;
                return r;
            });
            IMAGE* kept = copy_of(mask);
            IMAGE* pic = random_image(w, h, seed++);
            Image expected(tile_by_pixels(pic, mask));
            IMAGE* tile = nullptr;
            GFX_QUILTIFY_MASK(pic, mask, tile);
            ASSERT_TRUE(same_pixels(tile, expected.get())) << w << "x" << h << " kind " << kind;
            EXPECT_TRUE(same_pixels(mask, kept));  // the caller's mask is left as it was
            for (IMAGE* b : {tile, mask, kept}) image_destroy(b);
        }
}
