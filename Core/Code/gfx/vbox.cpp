#include <algorithm>

#include "gfx.h"
#include "runtime.h"

void GFX_VBOX(IMAGE* DEST_MASK, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t ODD, int32_t EVEN) {
    ROUTINE("vBox", "GFX_VBOX");
    need(DEST_MASK);
    IMAGE* FILL = GFX_MAKE_FILL(EVEN, ODD);
    const int64_t y_end = (int64_t(Y2) - 1) * 8 + 7, x_end = (int64_t(X2) - 1) * 8 + 7;
    for (int64_t y = std::max<int64_t>((int64_t(Y1) - 1) * 8, -8); y <= y_end && y < DEST_MASK->HEIGHT; y += FILL->HEIGHT)
        for (int64_t x = std::max<int64_t>((int64_t(X1) - 1) * 8, -8); x <= x_end && x < DEST_MASK->WIDTH; x += FILL->WIDTH)
            check(image_put(DEST_MASK, float(x), float(y), FILL, PUT_ALPHA));
    image_destroy(FILL);
}
