#include <algorithm>

#include "asset_path.h"
#include "gfx.h"
#include "image_file.h"
#include "runtime.h"

std::string FILL_PATH(const std::string& FONT) { return ASSET_PATH("\\Assets\\Fonts\\" + FONT + ".png"); }

void GFX_BUFFER_FILL(IMAGE* DEST_MASK, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t, int32_t,
                     const std::string& FONT) {
    ROUTINE("Buffer Fill", "GFX_BUFFER_FILL");
    const std::string path = FILL_PATH(FONT);
    IMAGE* FILL = LoadRGBAFile(path.c_str());
    need(FILL);
    need(DEST_MASK);
    const int64_t y_end = (int64_t(Y2) - 1) * 8 + 7, x_end = (int64_t(X2) - 1) * 8 + 7;
    // Cells wholly outside the target draw nothing, so the walk starts at the
    // first cell that can touch it (positions stay on the same 8-pixel grid).
    for (int64_t y = std::max<int64_t>((int64_t(Y1) - 1) * 8, -8); y <= y_end && y < DEST_MASK->HEIGHT; y += 8)
        for (int64_t x = std::max<int64_t>((int64_t(X1) - 1) * 8, -8); x <= x_end && x < DEST_MASK->WIDTH; x += 8)
            check(image_put(DEST_MASK, float(x), float(y), FILL, 0, 0, 7, 7, PUT_ALPHA));
    image_destroy(FILL);
}
