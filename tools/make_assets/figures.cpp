// Characters and items, drawn 32 pixels high with a one-pixel dark outline
// so they read on any scene.
#include <functional>
#include <vector>

#include "art.h"
#include "make_assets.h"

namespace art {
namespace {
struct Person {
    int skin, hair, coat, coat_shade, legs;
    int width = 22;
};

// A standing figure on a 22 x 32 canvas, facing the reader, lit from the left.
void person(Canvas& c, const Person& p) {
    const int cx = 11;
    c.rect(cx - 4, 24, cx - 2, 29, p.legs);  // legs and boots
    c.rect(cx + 1, 24, cx + 3, 29, p.legs);
    c.rect(cx - 5, 30, cx - 2, 30, INK);
    c.rect(cx + 1, 30, cx + 4, 30, INK);
    for (int y = 12; y <= 24; ++y) {  // the coat widens toward the hem
        int half = 4 + (y - 12) / 4;
        for (int x = cx - half; x <= cx + half; ++x) c.mix(x, y, p.coat, p.coat_shade, x > cx + 1 ? 0.8 : 0.0);
    }
    c.rect(cx - 7, 13, cx - 6, 21, p.coat);  // arms
    c.rect(cx + 6, 13, cx + 7, 21, p.coat_shade);
    c.dot(cx - 7, 22, p.skin);
    c.dot(cx + 7, 22, p.skin);
    c.ball(cx, 7, 4.5, 5, p.skin, p.skin, DARK_SKIN);  // head
    c.dot(cx - 2, 7, INK);
    c.dot(cx + 1, 7, INK);
    c.rect(cx - 4, 2, cx + 4, 3, p.hair);  // hair
    c.dot(cx - 5, 4, p.hair);
    c.dot(cx + 5, 4, p.hair);
}

using Draw = std::function<void(Canvas&)>;
struct Figure {
    std::string folder, name;
    int w, h;
    Draw draw;
};

const std::vector<Figure> FIGURES = {
    {"npc", "guard", 24, 32, [](Canvas& c) {
         person(c, {SKIN, DARK_BROWN, BLUE, DEEP_BLUE, DARK_GREY});
         c.rect(6, 1, 16, 3, LIGHT_GREY);  // helmet
         c.rect(10, 0, 12, 0, GREY);
         c.rect(20, 2, 20, 30, BROWN);  // spear
         c.triangle(18.5, 3, 22.5, 3, 20.5, -1, LIGHT_GREY);
         c.rect(9, 14, 13, 18, YELLOW);  // the badge
     }},
    {"npc", "smith", 24, 32, [](Canvas& c) {
         person(c, {DARK_SKIN, INK, DARK_GREY, INK, DARK_BROWN});
         c.rect(7, 15, 15, 24, BROWN);  // leather apron
         c.rect(18, 16, 19, 24, DARK_BROWN);  // hammer
         c.rect(16, 14, 21, 16, GREY);
     }},
    {"npc", "witch", 24, 32, [](Canvas& c) {
         person(c, {SKIN, GREY, PURPLE, DARK_PURPLE, DARK_PURPLE});
         c.triangle(4, 4, 18, 4, 12, -6, DARK_PURPLE);  // pointed hat
         c.rect(3, 3, 19, 4, DARK_PURPLE);
         c.rect(2, 4, 2, 30, BROWN);  // staff with a glowing knot
         c.ball(2, 4, 2, 2, WHITE, AQUA, TEAL);
     }},
    {"npc", "troll", 32, 32, [](Canvas& c) {
         c.rect(8, 24, 12, 30, DEEP_GREEN);
         c.rect(19, 24, 23, 30, DEEP_GREEN);
         c.ball(16, 17, 12, 10, LIME, LEAF, GREEN);  // the great body
         c.ball(16, 8, 7, 6, LIME, LEAF, GREEN);
         c.rect(12, 7, 13, 8, INK);
         c.rect(19, 7, 20, 8, INK);
         c.dot(14, 12, CREAM);
         c.dot(18, 12, CREAM);
         c.rect(5, 14, 7, 25, GREEN);
         c.rect(25, 14, 27, 25, DEEP_GREEN);
         c.rect(9, 20, 23, 23, BROWN);  // a belt of rope
     }},
    {"npc", "child", 22, 32, [](Canvas& c) {
         Canvas tall(22, 32);
         person(c, {SKIN, ORANGE, RED, DARK_RED, BLUE});
         c.rect(0, 0, 21, 5, 0);  // shorter: clear the top and redraw the head lower
         for (int y = 0; y < 6; ++y)
             for (int x = 0; x < 22; ++x) c.set(x, y, 0);
         c.ball(11, 9, 4.5, 4.5, SKIN, SKIN, DARK_SKIN);
         c.dot(9, 9, INK);
         c.dot(12, 9, INK);
         c.rect(7, 5, 15, 6, ORANGE);
     }},
    {"npc", "ferryman", 24, 32, [](Canvas& c) {
         person(c, {SKIN, LIGHT_GREY, DARK_TEAL, INK, DARK_BROWN});
         c.triangle(3, 5, 19, 5, 11, 0, TAN);  // straw hat
         c.rect(21, 0, 21, 31, BROWN);  // the pole
     }},
    {"npc", "merchant", 24, 32, [](Canvas& c) {
         person(c, {SKIN, DARK_BROWN, ORANGE, DARK_RED, BROWN});
         c.rect(6, 1, 16, 3, RED);  // a tall cap
         c.rect(8, -1, 14, 1, RED);
         c.ball(18, 22, 3, 3, SAND, TAN, BROWN);  // a full purse
     }},
    {"npc", "fox", 32, 24, [](Canvas& c) {
         c.ball(14, 14, 9, 6, SAND, ORANGE, DARK_RED);  // body
         c.ball(25, 9, 5, 5, SAND, ORANGE, DARK_RED);   // head
         c.triangle(22, 5, 25, 5, 23, 0, ORANGE);       // ears
         c.triangle(26, 5, 29, 5, 28, 0, DARK_RED);
         c.triangle(29, 9, 29, 13, 32, 11, ORANGE);     // snout
         c.dot(31, 11, INK);
         c.dot(26, 8, INK);
         c.ball(4, 12, 5, 3, CREAM, ORANGE, DARK_RED);  // tail with a white tip
         c.rect(0, 11, 1, 13, CREAM);
         for (int x : {9, 12, 17, 20}) c.rect(x, 19, x + 1, 23, DARK_RED);
     }},
    {"npc", "ghost", 24, 32, [](Canvas& c) {
         for (int y = 2; y < 30; ++y)
             for (int x = 2; x < 22; ++x) {
                 double dx = (x - 12) / 10.0, dy = (y - 12) / 10.0;
                 bool body = y < 12 ? dx * dx + dy * dy <= 1 : std::abs(dx) <= 1 && y < 27 + int(2 * std::sin(x));
                 if (body) c.mix(x, y, PALE_SKY, CREAM, x < 12 ? 0.7 : 0.1);
             }
         c.ellipse(9, 11, 1.5, 2.5, DEEP_BLUE);
         c.ellipse(15, 11, 1.5, 2.5, DEEP_BLUE);
         c.ellipse(12, 17, 2, 1.5, DEEP_BLUE);
     }},
    {"item", "lantern", 20, 32, [](Canvas& c) {
         c.rect(8, 0, 11, 2, DARK_GREY);
         c.rect(4, 4, 15, 6, DARK_GREY);
         c.rect(5, 7, 14, 24, DARK_GREY);
         c.rect(7, 8, 12, 23, YELLOW);
         c.ball(9.5, 16, 2, 4, WHITE, CREAM, YELLOW);
         c.rect(4, 25, 15, 27, DARK_GREY);
     }},
    {"item", "key", 32, 32, [](Canvas& c) {
         c.ball(9, 16, 7, 7, CREAM, YELLOW, ORANGE);
         c.ellipse(9, 16, 3, 3, 0);
         for (int y = 13; y <= 19; ++y)
             for (int x = 6; x <= 12; ++x)
                 if ((x - 9) * (x - 9) + (y - 16) * (y - 16) <= 9) c.set(x, y, 0);
         c.rect(15, 14, 30, 17, YELLOW);
         c.rect(15, 14, 30, 14, CREAM);
         c.rect(24, 18, 26, 22, YELLOW);
         c.rect(28, 18, 30, 21, ORANGE);
     }},
    {"item", "map", 32, 32, [](Canvas& c) {
         c.rect(3, 6, 28, 25, SAND);
         c.rect(3, 6, 28, 7, CREAM);
         for (int x = 3; x <= 28; x += 8) c.rect(x, 6, x, 25, TAN);
         c.line(6, 20, 12, 12, RED);
         c.line(12, 12, 20, 16, RED);
         c.line(20, 16, 24, 10, RED);
         c.line(22, 8, 26, 12, DARK_RED);  // X marks the spot
         c.line(26, 8, 22, 12, DARK_RED);
         c.ellipse(9, 22, 2, 1.5, BLUE);
     }},
    {"item", "coin", 24, 24, [](Canvas& c) {
         c.ball(12, 12, 10, 10, CREAM, YELLOW, ORANGE);
         c.ellipse(12, 12, 6, 6, ORANGE);
         c.ellipse(12, 12, 5, 5, YELLOW);
         c.rect(11, 8, 12, 16, ORANGE);
     }},
    {"item", "sword", 16, 32, [](Canvas& c) {
         c.rect(7, 0, 8, 21, LIGHT_GREY);
         c.rect(7, 0, 7, 21, WHITE);
         c.rect(2, 22, 13, 23, YELLOW);
         c.rect(6, 24, 9, 29, BROWN);
         c.ball(7.5, 30, 2, 1.5, CREAM, YELLOW, ORANGE);
     }},
    {"item", "potion", 20, 32, [](Canvas& c) {
         c.rect(8, 2, 11, 4, BROWN);  // cork
         c.rect(7, 5, 12, 11, PALE_SKY);
         c.ball(9.5, 20, 8, 9, PINK, RED, DARK_RED);
         c.rect(4, 12, 15, 14, PALE_SKY);
         c.dot(6, 17, WHITE);
         c.dot(7, 16, WHITE);
     }},
    {"item", "book", 32, 28, [](Canvas& c) {
         c.rect(4, 4, 27, 23, DARK_RED);
         c.rect(4, 4, 27, 5, RED);
         c.rect(6, 24, 28, 25, CREAM);  // the pages' edge
         c.rect(28, 6, 28, 24, CREAM);
         c.rect(8, 8, 23, 10, YELLOW);
         c.ball(15.5, 16, 3, 3, CREAM, YELLOW, ORANGE);
     }},
    {"item", "apple", 24, 26, [](Canvas& c) {
         c.ball(12, 15, 10, 9, PINK, RED, DARK_RED);
         c.rect(11, 2, 12, 6, DARK_BROWN);
         c.ball(16, 4, 4, 2, LIME, LEAF, GREEN);
     }},
    {"item", "crystal", 20, 32, [](Canvas& c) {
         c.triangle(10, 0, 2, 12, 18, 12, AQUA);
         c.triangle(10, 0, 2, 12, 10, 12, PALE_SKY);
         c.triangle(2, 12, 18, 12, 10, 30, TEAL);
         c.triangle(2, 12, 10, 12, 10, 30, AQUA);
         c.dot(7, 6, WHITE);
     }},
};
}  // namespace

void make_figures(const std::string& root) {
    for (const Figure& f : FIGURES) {
        Canvas c(f.w, f.h);
        // Drawn one pixel inside the canvas so the outline has room.
        Canvas inner(f.w - 2, f.h - 2);
        f.draw(inner);
        for (int y = 0; y < inner.h; ++y)
            for (int x = 0; x < inner.w; ++x) c.set(x + 1, y + 1, inner.get(x, y));
        c.outline(INK);
        c.save(root + "/Brindle/Assets/Sprites/" + f.folder + "/" + f.name + ".png");
    }
}

}  // namespace art
