#include "gfx.h"
#include "runtime.h"

void GFX_BUFFER_SHIFT(IMAGE* SOURCE, IMAGE*& DEST, int32_t X, int32_t Y) {
    ROUTINE("Buffer Shift", "GFX_BUFFER_SHIFT");
    need(SOURCE);
    const uint32_t w = SOURCE->WIDTH, h = SOURCE->HEIGHT;
    IMAGE* shifted = need(image_create(int(w), int(h), 0x00000000, 32));
    // Source column px lands on column (px + X) mod w, computed on unsigned
    // 32-bit values; rows likewise.
    const uint32_t sx = uint32_t(X) % w != 0 ? uint32_t(X) : 0, sy = uint32_t(Y) % h != 0 ? uint32_t(Y) : 0;
    for (uint32_t py = 0; py < h; ++py) {
        const uint32_t* s = image_row(SOURCE, py);
        uint32_t* d = image_row(shifted, (py + sy) % h);
        for (uint32_t px = 0; px < w; ++px) d[(px + sx) % w] = s[px];
    }
    if (DEST != SOURCE) image_destroy(DEST);
    DEST = shifted;
}
