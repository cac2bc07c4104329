// The shipped story and demo pictures, read from the source tree.
#include <cstdlib>
#include <algorithm>
#include <set>

#include "gfx/gfx.h"
#include "image_file.h"
#include "story_support.h"

namespace {
class Shipped : public Story {
protected:
    void SetUp() override {
        Story::SetUp();
        const char* root = std::getenv("PROJECT_ROOT");
        ASSERT_NE(root, nullptr) << "PROJECT_ROOT names the source tree";
        fs::current_path(root);
    }
};

bool decodes(const std::string& path) {
    IMAGE* img = LoadRGBAFile(path.c_str());
    image_destroy(img);
    return img != nullptr;
}
}  // namespace

TEST_F(Shipped, EveryPageOfTheSampleStoryIsReachableAndSound) {
    LOAD_PAGES(PAGES);
    ASSERT_GE(PAGES.ubound(), 19);
    std::set<int> reached = {0};
    std::vector<int> todo = {0};
    int endings = 0;
    while (!todo.empty()) {
        STORY_PAGE_TYPE& p = PAGES(todo.back());
        todo.pop_back();
        ASSERT_EQ(p.OPTIONS.ubound(), 4) << "page " << p.INDEX << " was not filled by a file";
        for (int k = 1; k <= 4; ++k) {
            const STORY_OPTION_TYPE& o = p.OPTIONS(k);
            if (o.KEY.empty()) continue;
            EXPECT_GE(o.DEST, 0);
            EXPECT_LE(o.DEST, PAGES.ubound()) << "page " << p.INDEX;
            EXPECT_LE(std::abs(o.REQ), PAGES.ubound()) << "page " << p.INDEX;
            if (reached.insert(o.DEST).second) todo.push_back(o.DEST);
        }
        endings += p.DESC(4).find("THE END") != std::string::npos || p.DESC(3).find("THE END") != std::string::npos;
        // What the reader sees fits: title, five description rows, three option rows.
        EXPECT_LE(p.CAPTION.size(), 39u) << p.CAPTION;
        EXPECT_LE(WRAP_LINES(PAGE_DESCRIPTION(p), 41).size(), 5u) << "page " << p.INDEX << ": " << PAGE_DESCRIPTION(p);
        // The longest option line: every condition met (a negative one stays hidden).
        for (int k = 1; k <= 4; ++k) PAGES(std::abs(p.OPTIONS(k).REQ)).HISTORY = 1;
        EXPECT_LE(WRAP_LINES(PAGE_OPTIONS_LINE(p), 41).size(), 3u) << "page " << p.INDEX;
        for (int i = 0; i <= PAGES.ubound(); ++i) PAGES(i).HISTORY = 0;
        // Every picture it names is there and decodes.
        if (!p.SPRITE.empty()) {
            EXPECT_TRUE(decodes(".\\Brindle\\Assets\\Sprites\\scene\\" + p.SPRITE + ".png")) << p.SPRITE;
        }
        for (int e = 1; e <= p.ENTITY.ubound(); ++e) {
            IMAGE* s = ENTITY_SPRITE(p.ENTITY(e));
            EXPECT_NE(s, nullptr) << p.ENTITY(e);
            image_destroy(s);
        }
    }
    EXPECT_EQ(int(reached.size()), PAGES.ubound() + 1) << "some pages cannot be reached from page 0";
    EXPECT_GE(endings, 3);
    for (const char* path : {".\\Brindle\\Assets\\Fonts\\mishap22.alpha.png", ".\\Brindle\\Assets\\Fonts\\Fill.png",
                             ".\\Brindle\\Assets\\Sprites\\background.png",
                             ".\\Brindle\\Assets\\Sprites\\interface\\background.png"})
        EXPECT_TRUE(decodes(path)) << path;
}

TEST_F(Shipped, DemoTilesHaveNoSeams) {
    PROJECTSPACE = "Demo";
    for (const char* name : {"FTRS5756", "PNDX2424"}) {
        const std::string path = ".\\Demo\\Assets\\Sprites\\" + std::string(name) + ".png";
        IMAGE* tile = nullptr;
        IMAGE* original = LoadRGBAFile(path.c_str());
        ASSERT_NE(original, nullptr) << path;
        GFX_QUILTIFY(LoadRGBAFile(path.c_str()), tile);
        ASSERT_NE(tile, nullptr);
        // Mean channel difference between two neighbouring columns (or rows),
        // across the wrap-around border of a 2 x 2 tiling and for every pair
        // inside. The border must look like an ordinary pair from inside.
        auto diff = [](uint32_t a, uint32_t b) {
            int d = 0;
            for (int sh = 0; sh < 24; sh += 8) d += std::abs(int((a >> sh) & 0xFF) - int((b >> sh) & 0xFF));
            return d;
        };
        auto columns = [&](IMAGE* img, int a, int b) {
            double d = 0;
            for (int y = 0; y < int(img->HEIGHT); ++y) d += diff(px(img, a, y), px(img, b, y));
            return d / img->HEIGHT;
        };
        auto rows = [&](IMAGE* img, int a, int b) {
            double d = 0;
            for (int x = 0; x < int(img->WIDTH); ++x) d += diff(px(img, x, a), px(img, x, b));
            return d / img->WIDTH;
        };
        // The border pair is a pair of the picture's own middle, so it may be
        // as rough as the roughest pair inside, and no rougher.
        auto typical = [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); };
        const int w = int(tile->WIDTH), h = int(tile->HEIGHT);
        std::vector<double> inside_cols, inside_rows, raw_cols, raw_rows;
        for (int x = 0; x + 1 < w; ++x) inside_cols.push_back(columns(tile, x, x + 1));
        for (int y = 0; y + 1 < h; ++y) inside_rows.push_back(rows(tile, y, y + 1));
        const double seam_x = columns(tile, w - 1, 0), seam_y = rows(tile, h - 1, 0);
        EXPECT_LE(seam_x, typical(inside_cols)) << name;
        EXPECT_LE(seam_y, typical(inside_rows)) << name;
        // The untreated picture does show its border.
        EXPECT_GT(columns(original, w - 1, 0) + rows(original, h - 1, 0), seam_x + seam_y) << name;
        image_destroy(tile);
        image_destroy(original);
    }
    // The mask: whole values 0 to 255 in the blue byte, 0 on every border, 255 in the middle.
    IMAGE* mask = LoadRGBAFile(".\\Demo\\Code\\Assets\\Sprites\\alpha mask.png");
    ASSERT_NE(mask, nullptr);
    const int w = int(mask->WIDTH), h = int(mask->HEIGHT);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            ASSERT_LE(px(mask, x, y), 255u);
            if (x == 0 || y == 0 || x == w - 1 || y == h - 1) {
                ASSERT_EQ(px(mask, x, y), 0u);
            }
        }
    EXPECT_GE(px(mask, w / 2, h / 2), 254u);
    image_destroy(mask);
}
