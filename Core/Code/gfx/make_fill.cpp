#include "gfx.h"
#include "runtime.h"
#include "vga_lookup.h"

IMAGE* GFX_MAKE_FILL(int32_t EVEN, int32_t ODD) {
    ROUTINE("Make Fill", "GFX_MAKE_FILL");
    IMAGE* FILL = need(image_create(8, 8, 0x00000000, 32));
    const uint32_t even = EVEN == -1 ? 0x60000000u : uint32_t(VGA_LOOKUP(EVEN)) | 0x60000000u;
    const uint32_t odd = ODD == -1 ? 0x80000000u : uint32_t(VGA_LOOKUP(ODD)) | 0x80000000u;
    draw_line(FILL, 0, 0, 1, 1, odd);
    draw_line(FILL, 0, 1, 1, 0, even);
    // Each blend reads back pixels it has already written where the areas overlap.
    for (uint32_t X = 2; X <= FILL->WIDTH; X *= 2) {
        const float x = float(X);
        check(image_put(FILL, x, 0, FILL, 0, 0, x, x, PUT_ALPHA));
        check(image_put(FILL, 0, x, FILL, 0, 0, x, x, PUT_ALPHA));
        check(image_put(FILL, x, x, FILL, 0, 0, x, x, PUT_ALPHA));
        if (2 * X > FILL->WIDTH) break;
    }
    return FILL;
}
