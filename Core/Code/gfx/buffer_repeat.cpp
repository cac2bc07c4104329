#include "gfx.h"
#include "runtime.h"

void GFX_BUFFER_REPEAT(IMAGE*& SOURCE, IMAGE*& DEST) {
    ROUTINE("Buffer Repeat", "GFX_BUFFER_REPEAT");
    need(SOURCE);
    need(DEST);
    for (uint32_t y = 0; y < DEST->HEIGHT; y += SOURCE->HEIGHT)
        for (uint32_t x = 0; x < DEST->WIDTH; x += SOURCE->WIDTH)
            check(image_put(DEST, float(x), float(y), SOURCE, PUT_ALPHA));
}
