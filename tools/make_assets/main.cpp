// Makes every picture, picture description and colour table the programs
// ship, deterministically.
// Usage: make_assets [project root]   (default: the current folder)
#include <cstdio>
#include <filesystem>

#include "make_assets.h"
#include "surface.h"

int main(int argc, char** argv) {
    const std::string root = argc > 1 ? argv[1] : ".";
    if (screen_open(640, 480, 32, 16, 0, 0) != 0) return 1;  // buffers need a surface
    for (const char* dir : {"/Brindle/Assets/Fonts", "/Brindle/Assets/Sprites/interface", "/Brindle/Assets/Sprites/scene",
                            "/Brindle/Assets/Sprites/npc", "/Brindle/Assets/Sprites/item", "/Demo/Assets/Sprites",
                            "/Demo/Code/Assets/Sprites"})
        std::filesystem::create_directories(root + dir);
    art::make_font(root);
    art::make_fill(root);
    art::make_wallpaper(root);
    art::make_backdrop(root);
    art::make_colour_table(root + "/Brindle/Assets/VGA Table.seq");
    art::make_demo(root);
    art::make_scenes(root);
    art::make_figures(root);
    art::make_descriptions(root);
    std::printf("assets written below %s\n", root.c_str());
    return 0;
}
