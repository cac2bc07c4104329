// seamless-tile's parts: its tiles against the library's tile maker (through
// the PNG files it writes), its scores on worked values and on the sample
// pictures.
#include <zlib.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "asset_path.h"
#include "gfx/gfx.h"
#include "image_file.h"
#include "masks.h"
#include "memory_budget.h"
#include "picture_io.h"
#include "png_writer.h"
#include "scores.h"
#include "support.h"
#include "tile_job.h"

using SeamlessTile = Scratch;

namespace {
IMAGE* random_picture(int w, int h, uint32_t seed, bool opaque) {
    return make_image(w, h, [&](int x, int y) {
        const uint32_t p = noise(seed + uint32_t(y * w + x) * 7919u);
        return opaque ? p | 0xFF000000u : p;
    });
}

IMAGE* copy_of(const IMAGE* s) {
    IMAGE* c = image_create(int(s->WIDTH), int(s->HEIGHT), 0);
    for (uint32_t y = 0; y < s->HEIGHT; ++y)
        for (uint32_t x = 0; x < s->WIDTH; ++x) image_row(c, y)[x] = image_row(s, y)[x];
    return c;
}

// Runs the command's job on files; the tile as read back from its PNG.
IMAGE* tool_tile(const std::string& in, const TileSettings& settings, const std::string& save_mask = "") {
    std::string report, why;
    EXPECT_TRUE(make_tile({in, "tile.png", "", save_mask, {}}, settings, report, why)) << why;
    return LoadRGBAFile("tile.png");
}

const char* const LIBRARY_MASK = "Demo/Code/Assets/Sprites/alpha mask.png";
}  // namespace

TEST_F(SeamlessTile, TilesEqualTheLibraryTileMaker) {
    PROJECTSPACE = "Demo";
    fs::create_directories("Demo/Code/Assets/Sprites");
    uint32_t seed = 7;
    // Odd, even, thin and wide sizes; translucent pictures (RGBA files) and opaque ones (RGB).
    const std::pair<int, int> sizes[] = {{2, 2}, {3, 2}, {17, 9}, {64, 64}, {101, 37}, {5, 160}, {256, 33}};
    for (auto [w, h] : sizes) {
        const bool opaque = (w + h) % 2 == 1;
        IMAGE* pic = random_picture(w, h, seed++, opaque);
        ASSERT_TRUE(SavePNGFile(pic, "in.png", 1));
        // A mask picture of its own size, in the library's form (the weight in the blue byte).
        const int mw = 1 + int(noise(seed++) % 40), mh = 1 + int(noise(seed++) % 40);
        IMAGE* weights = make_image(mw, mh, [&](int, int) { return noise(seed++) & 0xFF; });
        ASSERT_TRUE(SavePNGFile(weights, LIBRARY_MASK, 1));
        image_destroy(weights);
        std::string why;
        TileSettings settings;
        settings.mask = read_mask(LIBRARY_MASK, why);
        ASSERT_NE(settings.mask, nullptr) << why;
        IMAGE* tile = tool_tile("in.png", settings);
        IMAGE* expect = nullptr;
        GFX_QUILTIFY(copy_of(pic), expect);
        ASSERT_NE(tile, nullptr);
        EXPECT_TRUE(same_pixels(tile, expect)) << w << " x " << h << " with a mask picture";
        image_destroy(tile);
        image_destroy(expect);
        expect = nullptr;
        image_destroy(settings.mask);

        // The generated mask, saved as a grey picture, is the mask the tile was made with.
        settings = {};
        tile = tool_tile("in.png", settings, "mask.png");
        IMAGE* grey = LoadRGBAFile("mask.png");
        ASSERT_NE(grey, nullptr);
        for (uint32_t y = 0; y < grey->HEIGHT; ++y)
            for (uint32_t x = 0; x < grey->WIDTH; ++x) image_row(grey, y)[x] &= 0xFF;
        ASSERT_TRUE(SavePNGFile(grey, LIBRARY_MASK, 1));
        GFX_QUILTIFY(copy_of(pic), expect);
        EXPECT_TRUE(same_pixels(tile, expect)) << w << " x " << h << " with the generated mask";
        for (IMAGE* b : {tile, expect, grey, pic}) image_destroy(b);
    }
}

TEST_F(SeamlessTile, GeneratedMasksAreZeroOnTheBorderAndFullInside) {
    for (MaskShape shape : {MaskShape::radial, MaskShape::diamond, MaskShape::square})
        for (auto [w, h] : {std::pair{2, 2}, {9, 5}, {64, 48}}) {
            IMAGE* m = make_mask(shape, 0.25, w, h);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const uint32_t v = px(m, x, y);
                    ASSERT_LE(v, 255u);
                    if (x == 0 || y == 0 || x == w - 1 || y == h - 1) {
                        ASSERT_EQ(v, 0u) << x << "," << y;
                    }
                    EXPECT_EQ(v, px(m, w - 1 - x, h - 1 - y));  // symmetric
                }
            if (w > 2) {
                EXPECT_EQ(px(m, w / 2, h / 2), 255u);  // the middle keeps the picture
            }
            image_destroy(m);
        }
    // A square mask with a band of a quarter: full weight a quarter of the side in.
    IMAGE* m = make_mask(MaskShape::square, 0.25, 101, 101);
    EXPECT_EQ(px(m, 25, 50), 255u);
    EXPECT_LT(px(m, 24, 50), 255u);
    EXPECT_GT(px(m, 24, 50), px(m, 10, 50));
    image_destroy(m);
}

TEST_F(SeamlessTile, ScoresOnWorkedValues) {
    // Grey 0, 10, 20 in two rows: inside, 4 pairs differ by 10 in three
    // channels and 3 not at all (120 / 7); across the edges, 2 pairs differ
    // by 20 in three channels and 3 not at all (120 / 5): 7 / 5.
    IMAGE* ramp = make_image(3, 2, [](int x, int) { return 0xFF000000u | 0x0A0A0Au * uint32_t(x); });
    EXPECT_DOUBLE_EQ(seam_score(ramp), 1.4);
    EXPECT_TRUE(std::isnan(detail_energy(ramp)));  // no pixel has four neighbours
    // One bright pixel in the middle of nine: Laplacian 400 in three channels.
    IMAGE* dot = make_image(3, 3, [](int x, int y) { return x == 1 && y == 1 ? 0xFF646464u : 0xFF000000u; });
    EXPECT_DOUBLE_EQ(detail_energy(dot), 3 * 400.0 * 400.0 / 4);
    EXPECT_DOUBLE_EQ(detail_score(detail_energy(dot), detail_energy(dot) / 2), 0.5);
    IMAGE* flat = make_image(4, 4, [](int, int) { return 0xFF336699u; });
    EXPECT_EQ(seam_score(flat), 1.0);
    EXPECT_EQ(score_text(seam_score(flat)), "1.00");
    for (IMAGE* b : {ramp, dot, flat}) image_destroy(b);
}

TEST_F(SeamlessTile, SamplePicturesLoseTheirSeams) {
    // The samples whose wrapped edges show a seam (score 1.8 or more). The
    // others meet themselves already (the library's picture has a frame all
    // round; the dithered scenes differ as much inside as across the edges).
    const std::string root = std::getenv("PROJECT_ROOT") ? std::getenv("PROJECT_ROOT") : ".";
    const char* const samples[] = {"Demo/Assets/Sprites/FTRS5756.png", "Brindle/Assets/Sprites/scene/cottage.png",
                                   "Brindle/Assets/Sprites/scene/crossroads.png", "Brindle/Assets/Sprites/scene/forest.png",
                                   "Brindle/Assets/Sprites/scene/meadow.png", "Brindle/Assets/Sprites/scene/pass.png",
                                   "Brindle/Assets/Sprites/scene/shore.png", "Brindle/Assets/Sprites/scene/village.png"};
    for (const char* name : samples) {
        const std::string path = root + "/" + name;
        IMAGE* in = LoadRGBAFile(path.c_str());
        ASSERT_NE(in, nullptr) << path;
        IMAGE* tile = tool_tile(path, TileSettings{});
        ASSERT_NE(tile, nullptr);
        EXPECT_GE(seam_score(in), 1.8) << name;
        EXPECT_LE(seam_score(tile), 1.5) << name;
        image_destroy(in);
        image_destroy(tile);
    }
}

TEST_F(SeamlessTile, ReadsEveryKindOfPngAsTheLibraryDoes) {
    // The quick decoder takes 8-bit files that are not interlaced; the rest
    // go to the library's loader. Either way the pixels are the loader's.
    IMAGE* pic = make_image(37, 23, [](int x, int y) {
        return uint32_t((x * 7 + y) % 256) << 24 | noise(uint32_t(x * 131 + y)) % 0xFFFFFFu;
    });
    ASSERT_TRUE(SavePNGFile(pic, "rgba.png", 1));
    image_destroy(pic);
    const std::string kinds[] = {"PNG24:rgb.png",       "PNG32:rgba2.png",
                                 "-colors 40 PNG8:pal.png", "-alpha off -colors 40 PNG8:pal-opaque.png",
                                 "-colorspace Gray -type Grayscale grey.png",
                                 "-colorspace Gray -type GrayscaleAlpha grey-alpha.png",
                                 "-alpha off -fill '#102030' -draw 'point 3,4' -transparent '#102030' PNG24:key.png",
                                 "-depth 16 PNG64:deep.png", "-interlace PNG PNG32:interlaced.png"};
    for (const std::string& kind : kinds) {
        const std::string out = kind.substr(kind.rfind(':') == std::string::npos ? kind.rfind(' ') + 1 : kind.rfind(':') + 1);
        ASSERT_EQ(std::system(("/usr/bin/convert rgba.png " + kind).c_str()), 0) << kind;
        std::string why;
        IMAGE* ours = read_picture(out, 1, why);
        IMAGE* theirs = LoadRGBAFile(out.c_str());
        ASSERT_NE(ours, nullptr) << kind << ": " << why;
        ASSERT_NE(theirs, nullptr) << kind;
        EXPECT_TRUE(same_pixels(ours, theirs)) << kind;
        image_destroy(ours);
        image_destroy(theirs);
    }
    // A damaged file: the quick decoder declines it, and the loader's reason is given.
    std::ifstream f("rgb.png", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(f)), {});
    write("cut-short.png", bytes.substr(0, bytes.size() / 2));
    std::string why;
    EXPECT_EQ(read_picture("cut-short.png", 1, why), nullptr);
    EXPECT_EQ(why, "damaged PNG file: it ends too soon");
}

TEST_F(SeamlessTile, WrittenPngsInflateExactlyWithZlib) {
    // zlib checks what a lenient reader would not: every code complete, the
    // stream's end and its checksum. Noise (where the fixed codes win),
    // long runs, flat pictures, and rows split over several threads.
    const std::pair<int, int> sizes[] = {{1, 1}, {3, 2}, {300, 200}, {1024, 130}};
    for (auto [w, h] : sizes)
        for (int kind = 0; kind < 3; ++kind)
            for (int channels : {1, 3, 4}) {
                IMAGE* img = make_image(w, h, [&](int x, int y) {
                    const uint32_t n = noise(uint32_t(y * w + x) * 2654435761u);
                    return kind == 0 ? n : kind == 1 ? (x / 97 % 2 ? 0xFF203040u : n % 4 * 0x01010101u) : 0xFF336699u;
                });
                std::vector<unsigned char> png;
                ASSERT_TRUE(encode_png(img, channels, PngEffort::fast, 3, png));
                std::string idat;
                for (size_t at = 8; at + 12 <= png.size();) {
                    const uint32_t len = uint32_t(png[at]) << 24 | uint32_t(png[at + 1]) << 16 | uint32_t(png[at + 2]) << 8 | png[at + 3];
                    ASSERT_EQ(crc32(0, png.data() + at + 4, len + 4),
                              uint32_t(png[at + 8 + len]) << 24 | uint32_t(png[at + 9 + len]) << 16 |
                                  uint32_t(png[at + 10 + len]) << 8 | png[at + 11 + len]);
                    if (std::memcmp(&png[at + 4], "IDAT", 4) == 0) idat.append(reinterpret_cast<char*>(&png[at + 8]), len);
                    at += 12 + len;
                }
                std::vector<unsigned char> raw(size_t(h) * (size_t(w) * unsigned(channels) + 1));
                uLongf got = uLongf(raw.size());
                ASSERT_EQ(uncompress(raw.data(), &got, reinterpret_cast<const Bytef*>(idat.data()), uLong(idat.size())), Z_OK)
                    << w << " x " << h << ", kind " << kind << ", " << channels << " channels";
                EXPECT_EQ(got, raw.size());
                // And the pixels come back (grey: each pixel's low byte).
                IMAGE* back = LoadRGBAMemory(png.data(), png.size());
                ASSERT_NE(back, nullptr);
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x) {
                        const uint32_t p = px(img, x, y);
                        const uint32_t want = channels == 1 ? 0xFF000000u | (p & 0xFF) * 0x010101u
                                              : channels == 3 ? p | 0xFF000000u : p;
                        ASSERT_EQ(px(back, x, y), want) << x << "," << y;
                    }
                image_destroy(back);
                image_destroy(img);
            }
}

TEST_F(SeamlessTile, LargeJobsWaitForTheMemoryTheOthersHold) {
    MemoryBudget budget(100);
    std::atomic<bool> second_in{false};
    std::thread second;
    {
        MemoryBudget::Share first(budget, 60);
        second = std::thread([&] {
            MemoryBudget::Share share(budget, 60);
            second_in = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_FALSE(second_in) << "both fit in 100 only one at a time";
        MemoryBudget::Share small(budget, 40);  // what is left is still to be had
    }
    second.join();
    EXPECT_TRUE(second_in);
    // A job larger than the whole budget runs when it is alone (or the test hangs).
    MemoryBudget::Share huge(budget, 1000);
}
