#include "asset_path.h"
#include "gfx.h"
#include "image_file.h"
#include "runtime.h"

void GFX_BUFFER_WALLPAPER(const std::string& FILENAME, IMAGE*& DEST) {
    ROUTINE("Buffer Wallpaper", "GFX_BUFFER_WALLPAPER");
    const std::string path = ASSET_PATH("\\Assets\\Sprites\\" + FILENAME + ".png");
    IMAGE* SOURCE = LoadRGBAFile(path.c_str());
    GFX_BUFFER_REPEAT(SOURCE, DEST);
    image_destroy(SOURCE);
}
