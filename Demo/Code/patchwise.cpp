// Patchwise: a mirrored, stretched preview of a sprite with the seamless tile
// made from it laid over; waits for a key. Run from the folder that holds
// "Demo\Assets".
#include "core.h"
#include "gfx/gfx.h"
#include "image_file.h"
#include "platform/process.h"
#include "surface.h"
#include "vga_lookup.h"
#include "waitkey.h"

int main() {
    ROUTINE("Patchwise", "");
    PROJECTSPACE = "Demo";
    C = "";
    CI = "";
    VGA_LOAD(VGA_TABLE, "VGA Table");
    check(screen_open(SCREEN_W, SCREEN_H, 32, SCREEN_PAGES, 0, 0));
    page_set(1, 0);
    const std::string sprite = ".\\" + PROJECTSPACE + "\\Assets\\Sprites\\" + "PNDX2424" + ".png";
    IMAGE* DEST = LoadRGBAFile(sprite.c_str());
    IMAGE* DEST2 = image_create(320, 320, 0x00000000, 32);
    GFX_BUFFER_STRETCH_ASPECT(DEST, DEST2, "height");
    IMAGE* unmirrored = DEST2;
    GFX_BUFFER_FLIP(DEST2, DEST2, 1, 1);
    image_destroy(unmirrored);  // the flip hands back a new buffer
    check(image_put(nullptr, 0, 0, DEST2, PUT_XOR));
    const float w = float(DEST2->WIDTH), h = float(DEST2->HEIGHT);
    draw_line(nullptr, 0, 0, w - 1, h - 1, 0xFF00FF00u);
    draw_line(nullptr, w - 1, 0, 0, h - 1, 0xFF00FF00u);
    IMAGE* SOURCE = LoadRGBAFile(sprite.c_str());
    IMAGE* mirrored = DEST2;
    DEST2 = image_create(320, 320, 0x00000000, 32);
    GFX_BUFFER_STRETCH_ASPECT(SOURCE, DEST2, "height");
    GFX_QUILTIFY(DEST2, DEST);
    check(image_put(nullptr, 64, 128, DEST, PUT_ALPHA));
    page_flip();
    C = WAITKEY();
    PORT_WAIT(1, 1, __LINE__);
    image_destroy(DEST);
    image_destroy(mirrored);
    image_destroy(SOURCE);
    process_exit(0);  // closes the window first
}
