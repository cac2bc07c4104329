// Quiltify: shows the seamless tile made from one sprite, waits for a key.
// Run from the folder that holds "Demo\Assets".
#include "core.h"
#include "gfx/gfx.h"
#include "image_file.h"
#include "platform/process.h"
#include "surface.h"
#include "vga_lookup.h"
#include "waitkey.h"

int main() {
    ROUTINE("Quiltify", "");
    PROJECTSPACE = "Demo";
    C = "";
    CI = "";
    VGA_LOAD(VGA_TABLE, "VGA Table");
    check(screen_open(SCREEN_W, SCREEN_H, 32, SCREEN_PAGES, 0, 0));
    page_set(1, 0);
    const std::string sprite = ".\\" + PROJECTSPACE + "\\Assets\\Sprites\\" + "FTRS5756" + ".png";
    IMAGE* SOURCE = LoadRGBAFile(sprite.c_str());
    IMAGE* DEST = nullptr;
    GFX_QUILTIFY(SOURCE, DEST);
    check(image_put(nullptr, 0, 0, DEST, PUT_XOR));
    const float w = float(DEST->WIDTH), h = float(DEST->HEIGHT);
    draw_line(nullptr, 0, 0, w - 1, h - 1, 0xFF00FF00u);
    draw_line(nullptr, w - 1, 0, 0, h - 1, 0xFF00FF00u);
    page_flip();
    C = WAITKEY();
    PORT_WAIT(1, 1, __LINE__);
    image_destroy(DEST);
    process_exit(0);  // closes the window first
}
