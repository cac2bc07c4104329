#include <cmath>
#include <utility>

#include "gfx.h"
#include "runtime.h"

void GFX_BUFFER_ALPHA(IMAGE*& DEST, int32_t) {
    ROUTINE("Buffer Alpha", "GFX_BUFFER_ALPHA");
    need(DEST);
    IMAGE* SOURCE = image_create(int(DEST->WIDTH), int(DEST->HEIGHT), 0x00000000, 32);
    std::swap(SOURCE, DEST);
    if (!DEST) return;
    const double total = 0.53 + 0.43 + 0.33;
    const double LEVELSR = total * 0.43 / 3, LEVELSG = total * 0.53 / 3, LEVELSB = total * 0.33 / 3;
    for (uint32_t py = 0; py < SOURCE->HEIGHT; ++py) {
        const uint32_t* s = image_row(SOURCE, py);
        uint32_t* d = image_row(DEST, py);
        for (uint32_t px = 0; px < SOURCE->WIDTH; ++px) {
            const uint32_t PC = s[px];
            if ((PC >> 24) == 0) continue;  // stays transparent
            const uint32_t r = (PC >> 16) & 0xFF, g = (PC >> 8) & 0xFF, b = PC & 0xFF;
            const double PAC = r * LEVELSR + g * LEVELSG + b * LEVELSB;
            const uint32_t grey = uint32_t(int64_t(std::nearbyint(PAC))) & 0xFF;
            const uint32_t alpha = uint32_t(int64_t(std::nearbyint(b * PAC))) & 0xFF;
            d[px] = alpha << 24 | grey << 16 | grey << 8 | grey;
        }
    }
    image_destroy(SOURCE);
}
