#include "gfx.h"
#include "runtime.h"

void GFX_BUFFER_FLIP(IMAGE*& SOURCE, IMAGE*& DEST, int32_t X, int32_t Y) {
    ROUTINE("Buffer Flip", "GFX_BUFFER_FLIP");
    need(SOURCE);
    if (X == 0 && Y == 0) {
        DEST = SOURCE;
        return;
    }
    const uint32_t w = SOURCE->WIDTH, h = SOURCE->HEIGHT;
    IMAGE* mirrored = need(image_create(int(w), int(h), 0x00000000, 32));
    // Column and row copies collapse into one pass: pixel (x, y) comes from
    // the mirrored column and row of the source.
    for (uint32_t y = 0; y < h; ++y) {
        const uint32_t* s = image_row(SOURCE, Y != 0 ? h - 1 - y : y);
        uint32_t* d = image_row(mirrored, y);
        if (X != 0)
            for (uint32_t x = 0; x < w; ++x) d[x] = s[w - 1 - x];
        else
            for (uint32_t x = 0; x < w; ++x) d[x] = s[x];
    }
    DEST = mirrored;  // the buffer DEST held before stays its owner's
}
