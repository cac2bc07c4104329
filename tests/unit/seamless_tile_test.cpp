// seamless-tile's parts: its tiles against the library's tile maker (through
// the PNG files it writes), its scores on worked values and on the sample
// pictures.
#include <cmath>
#include <cstdlib>

#include "asset_path.h"
#include "gfx/gfx.h"
#include "image_file.h"
#include "masks.h"
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
