// What each picture of the sample story shows, in words: the first line of
// the .txt file beside it is what a screen reader says for the picture.
#include <fstream>

#include "make_assets.h"

namespace art {
namespace {
struct Description {
    const char* picture;  // below Brindle/Assets/Sprites, without ".png"
    const char* words;
};

const Description DESCRIPTIONS[] = {
    {"scene/bridge", "An old stone bridge arches over a dark river under a pale sun"},
    {"scene/cave", "A black cave mouth in a wall of grey rock"},
    {"scene/cavern", "A dark cavern where pale blue crystals rise from the floor"},
    {"scene/cottage", "Inside a wooden cottage: a window, a small table and a fire burning in the hearth"},
    {"scene/crossroads", "A wooden signpost where a sandy path crosses the green fields"},
    {"scene/dawn", "The sun rises in orange and violet over dark hills"},
    {"scene/forest", "Tall pine trees in rows, a narrow path running in between"},
    {"scene/lake", "A dark lake under the stars, the moon's light a path across the water"},
    {"scene/library", "Shelves full of old books in a dim library, a small light among them"},
    {"scene/market", "Market stalls with striped awnings below a row of houses"},
    {"scene/meadow", "A green meadow with a lone tree and a path leading away"},
    {"scene/pass", "A mountain pass between grey peaks capped with snow"},
    {"scene/ruins", "Broken stone pillars standing in the grass at dusk"},
    {"scene/shore", "A sandy shore by the sea, a small boat with a white sail pulled up on the sand"},
    {"scene/tower", "A grey stone tower at dusk, one small window lit"},
    {"scene/village", "Three cottages with red roofs along a sandy path"},
    {"npc/child", "A small girl in a red coat"},
    {"npc/ferryman", "The ferryman in a wide straw hat, leaning on his pole"},
    {"npc/fox", "A red fox"},
    {"npc/ghost", "A pale, friendly ghost"},
    {"npc/guard", "A guard in a blue tunic with a spear"},
    {"npc/merchant", "The merchant in an orange coat, carrying a sack"},
    {"npc/smith", "The smith in a leather apron"},
    {"npc/troll", "A big green troll"},
    {"npc/witch", "The witch in a purple hat, holding a staff"},
    {"item/apple", "A red apple"},
    {"item/book", "A red book"},
    {"item/coin", "A gold coin"},
    {"item/crystal", "A blue crystal"},
    {"item/key", "A golden key"},
    {"item/lantern", "The lantern"},
    {"item/map", "A folded map with a red route drawn on it"},
    {"item/potion", "A red potion in a glass bottle"},
    {"item/sword", "A sword"},
};
}  // namespace

void make_descriptions(const std::string& root) {
    for (const Description& d : DESCRIPTIONS)
        std::ofstream(root + "/Brindle/Assets/Sprites/" + d.picture + ".txt", std::ios::binary) << d.words << "\n";
}

}  // namespace art
