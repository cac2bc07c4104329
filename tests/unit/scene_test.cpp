#include "gfx/gfx.h"
#include "image_file.h"
#include "story_support.h"

namespace {
class Scene : public Story {
protected:
    static void sprite(const std::string& path, int w, int h, uint32_t colour) {
        fs::path p = "Brindle/Assets/Sprites/" + path + ".png";
        fs::create_directories(p.parent_path());
        IMAGE* img = image_create(w, h, colour);
        SavePNGFile(img, p.c_str(), 1);
        image_destroy(img);
    }
    // Top-left corner of the pixels of one colour (blended opaque onto nothing).
    static std::pair<int, int> corner(IMAGE* canvas, uint32_t colour) {
        const uint32_t want = blend_pixel(0, colour);
        for (int y = 0; y < int(canvas->HEIGHT); ++y)
            for (int x = 0; x < int(canvas->WIDTH); ++x)
                if (px(canvas, x, y) == want) {
                    // The first hit in row order is the top edge; walk left along it.
                    int left = x;
                    while (left > 0 && px(canvas, left - 1, y) == want) --left;
                    return {left, y};
                }
        return {-1, -1};
    }
    static Array<std::string> entities(std::initializer_list<std::string> list) {
        Array<std::string> a;
        a.push_back("");
        for (const std::string& s : list) a.push_back(s);
        return a;
    }
};
}  // namespace

TEST_F(Scene, EntityPartsSplitsClassCountAndId) {
    std::string cls = "keep", id;
    int32_t count = -9;
    std::string s = "npc = 2:guard";
    ENTITY_PARTS(s, cls, id, count);
    EXPECT_EQ(cls, "npc");
    EXPECT_EQ(count, 2);
    EXPECT_EQ(id, "guard");
    EXPECT_EQ(s, "guard");
    s = "NPC = guard";
    ENTITY_PARTS(s, cls, id, count);
    EXPECT_EQ(count, 2);
    s = "item = x:coin";
    ENTITY_PARTS(s, cls, id, count);
    EXPECT_EQ(cls, "item");
    EXPECT_EQ(count, 0);
    EXPECT_EQ(id, "coin");
    s = "npc=guard";
    ENTITY_PARTS(s, cls, id, count);
    EXPECT_EQ(cls, "item");
    EXPECT_EQ(id, "npc=guard");
    s = "a:b = c:d";  // the class is cut first
    ENTITY_PARTS(s, cls, id, count);
    EXPECT_EQ(cls, "a:b");
    EXPECT_EQ(id, "d");
}

TEST_F(Scene, FiguresOnTheirEllipses) {
    sprite("npc/guard", 32, 32, 0xFF000001u);
    sprite("npc/smith", 64, 64, 0xFF000002u);
    sprite("item/key", 32, 32, 0xFF000003u);
    sprite("item/lamp", 8, 8, 0xFF000004u);
    IMAGE* canvas = image_create(288, 192, 0);
    Array<std::string> four = entities({"npc = guard", "npc = smith", "item = key", "item = lamp"});
    ENTITY_RENDER(four, canvas);
    using P = std::pair<int, int>;
    EXPECT_EQ(corner(canvas, 0xFF000001u), P(128, 56));
    EXPECT_EQ(corner(canvas, 0xFF000002u), P(80, 80));
    EXPECT_EQ(corner(canvas, 0xFF000003u), P(128, 112));
    EXPECT_EQ(corner(canvas, 0xFF000004u), P(248, 80));
    image_destroy(canvas);

    sprite("npc/a", 32, 32, 0xFF000011u);
    sprite("npc/b", 32, 32, 0xFF000012u);
    sprite("npc/c", 32, 32, 0xFF000013u);
    canvas = image_create(288, 192, 0);
    Array<std::string> three = entities({"npc = a", "npc = b", "npc = c"});
    ENTITY_RENDER(three, canvas);
    EXPECT_EQ(corner(canvas, 0xFF000011u), P(104, 59));
    EXPECT_EQ(corner(canvas, 0xFF000012u), P(104, 101));
    EXPECT_EQ(corner(canvas, 0xFF000013u), P(176, 80));
    image_destroy(canvas);

    // Another class sits a pixel from the centre; a missing sprite is skipped;
    // a tall sprite keeps its shape and is centred by its own half-width.
    sprite("prop/lamp", 32, 32, 0xFF000021u);
    sprite("npc/thin", 16, 32, 0xFF000022u);
    canvas = image_create(288, 192, 0);
    Array<std::string> two = entities({"npc = nobody", "prop = lamp"});
    ENTITY_RENDER(two, canvas);
    EXPECT_EQ(corner(canvas, 0xFF000021u), P(129, 80));
    image_destroy(canvas);
    canvas = image_create(288, 192, 0);
    Array<std::string> thin = entities({"npc = thin"});
    ENTITY_RENDER(thin, canvas);
    EXPECT_EQ(corner(canvas, 0xFF000022u), P(184, 80));
    EXPECT_EQ(px(canvas, 199, 80), blend_pixel(0, 0xFF000022u));
    EXPECT_EQ(px(canvas, 200, 80), 0u);
    image_destroy(canvas);
}

TEST_F(Scene, SpritePathsAndScaling) {
    sprite("npc/guard", 10, 20, 0xFF0000AAu);
    IMAGE* g = ENTITY_SPRITE("npc = 3:guard");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->WIDTH, 10u);
    IMAGE* scaled = nullptr;
    ENTITY_SCALE(g, scaled);
    EXPECT_EQ(scaled->WIDTH, 16u);
    EXPECT_EQ(scaled->HEIGHT, 32u);
    ENTITY_SCALE(nullptr, scaled);  // a null source leaves the result
    EXPECT_NE(scaled, nullptr);
    image_destroy(scaled);
    image_destroy(g);
    EXPECT_EQ(ENTITY_SPRITE("npc = ghost"), nullptr);
    sprite("guard", 4, 4, 0xFF0000AAu);  // "guard" alone looks in the Sprites folder itself
    IMAGE* bare = ENTITY_SPRITE("guard");
    EXPECT_NE(bare, nullptr);
    image_destroy(bare);
    write("Brindle/Assets/Sprites/npc/broken.png", "not a picture");
    EXPECT_EQ(ENTITY_SPRITE("npc = broken"), nullptr);
}

TEST_F(Scene, SceneRenderFramesAndCanvases) {
    PAGES.redim(0, 1);
    PAGES(1).INDEX = 1;
    PAGES(1).SPRITE = "tall";
    DISPOUT.redim(0, 1, 0, LAYER_LAST);
    for (int p = 0; p <= 1; ++p) {
        DISPOUT(p, LAYER_BACKGROUND) = image_create(320, 240, 0);
        DISPOUT(p, LAYER_FRAME) = image_create(144, 96, 0);
    }
    // Page 0 has no scene picture: a transparent 96 x 96 frame.
    SCENE_RENDER(PAGES(0));
    EXPECT_EQ(DISPOUT(0, LAYER_FRAME)->WIDTH, 96u);
    EXPECT_EQ(px(DISPOUT(0, LAYER_FRAME), 50, 50), 0u);
    EXPECT_EQ(PAGES(0).SCENE->WIDTH, 192u);
    sprite("scene/tall", 50, 100, 0xFF00FF00u);
    sprite("interface/background", 64, 64, 0xFF0000FFu);
    SCENE_RENDER(PAGES(1));
    EXPECT_EQ(DISPOUT(1, LAYER_FRAME)->WIDTH, 48u);
    EXPECT_EQ(PAGES(1).SCENE->WIDTH, 192u);  // sized from page 0's frame
    EXPECT_EQ(PAGES(1).SCENE->HEIGHT, 192u);
    EXPECT_EQ(px(DISPOUT(1, LAYER_BACKGROUND), 319, 239), blend_pixel(0, 0xFF0000FFu));
    SCENE_RENDER(PAGES(1));  // a new canvas; the leak checker sees the old one freed
    EXPECT_NE(PAGES(1).SCENE, nullptr);
    write("Brindle/Assets/Sprites/scene/tall.png", "broken");
    EXPECT_EXIT(SCENE_RENDER(PAGES(1)), ::testing::ExitedWithCode(7), "null pointer access");
}
