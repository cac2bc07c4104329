#include "gfx.h"
#include "runtime.h"

void GFX_BUFFER_INLAY(IMAGE*& SOURCE, IMAGE* DEST) {
    ROUTINE("Buffer Inlay", "GFX_BUFFER_INLAY");
    need(SOURCE);
    need(DEST);
    const uint32_t x = (DEST->WIDTH - SOURCE->WIDTH) / 2, y = (DEST->HEIGHT - SOURCE->HEIGHT) / 2;
    check(image_put(DEST, float(x), float(y), SOURCE, PUT_ALPHA));
}
