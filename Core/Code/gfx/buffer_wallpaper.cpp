#include "asset_path.h"
#include "gfx.h"
#include "image_file.h"
#include "runtime.h"

std::string WALLPAPER_PATH(const std::string& FILENAME) {
    return ASSET_PATH("\\Assets\\Sprites\\" + FILENAME + ".png");
}

void GFX_BUFFER_WALLPAPER(const std::string& FILENAME, IMAGE*& DEST) {
    ROUTINE("Buffer Wallpaper", "GFX_BUFFER_WALLPAPER");
    const std::string path = WALLPAPER_PATH(FILENAME);
    IMAGE* SOURCE = LoadRGBAFile(path.c_str());
    GFX_BUFFER_REPEAT(SOURCE, DEST);
    image_destroy(SOURCE);
}
