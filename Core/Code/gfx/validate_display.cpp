#include "gfx.h"
#include "runtime.h"
#include "surface.h"
#include "vga_lookup.h"

int GFX_VALIDATE_DISPLAY() {
    ROUTINE("Validate Display", "GFX_VALIDATE_DISPLAY");
    // Buffers can only be made once a surface exists.
    if (IMAGE* DISPTEST = image_create(1, 1, 0, 32)) {
        image_destroy(DISPTEST);
        return 0;
    }
    check(screen_open(SCREEN_W, SCREEN_H, 32, SCREEN_PAGES, 0, 0));
    page_set(1, 0);
    text_color(uint32_t(VGA_LOOKUP(15)) | 0xFF000000u);
    text_print("Your Display has been Validated.", true);
    page_flip();
    sleep_ms(-1);
    sleep_ms(1);
    return 0;
}
