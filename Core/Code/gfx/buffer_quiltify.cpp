#include <utility>

#include "asset_path.h"
#include "gfx.h"
#include "image_file.h"
#include "runtime.h"

void GFX_QUILTIFY(IMAGE* SOURCE, IMAGE*& DEST) {
    ROUTINE("Buffer Quiltify", "GFX_QUILTIFY");
    const std::string path = ASSET_PATH("\\Code\\Assets\\Sprites\\alpha mask.png");
    IMAGE* MASK = LoadRGBAFile(path.c_str());
    if (DEST == SOURCE) DEST = nullptr;  // the caller's picture is consumed below, not here
    image_destroy(DEST);
    need(SOURCE);
    const int w = int(SOURCE->WIDTH), h = int(SOURCE->HEIGHT);
    DEST = image_create(w, h, 0x00000000, 32);
    GFX_BUFFER_STRETCH(MASK, DEST);
    std::swap(MASK, DEST);
    image_destroy(DEST);
    DEST = need(image_create(w, h, 0x00000000, 32));
    IMAGE* LAYER1 = SOURCE;
    IMAGE* LAYER2 = need(image_create(w, h, 0x00000000, 32));
    const float hw = float(w / 2), hh = float(h / 2);
    check(image_put(LAYER2, -hw, -hh, LAYER1, PUT_COPY));
    check(image_put(LAYER2, hw, -hh, LAYER1, PUT_COPY));
    check(image_put(LAYER2, -hw, hh, LAYER1, PUT_COPY));
    check(image_put(LAYER2, hw, hh, LAYER1, PUT_COPY));
    for (int PY = 0; PY < h; ++PY) {
        const uint32_t* l1 = image_row(LAYER1, uint32_t(PY));
        const uint32_t* l2 = image_row(LAYER2, uint32_t(PY));
        const uint32_t* m = image_row(MASK, uint32_t(PY));
        uint32_t* d = image_row(DEST, uint32_t(PY));
        for (int PX = 0; PX < w; ++PX) {
            const uint32_t P1 = l1[PX], P2 = l2[PX], PM1 = m[PX], PM2 = 255u - PM1;
            uint32_t PZ = 0;
            for (int sh = 0; sh < 32; sh += 8) {
                // Signed 32-bit arithmetic, wrapping as the machine does for
                // masks outside 0..255; the quotient truncates toward zero.
                int32_t sum = int32_t(((P1 >> sh) & 0xFF) * PM1 + ((P2 >> sh) & 0xFF) * PM2);
                PZ |= (uint32_t(sum / 255) & 0xFF) << sh;
            }
            d[PX] = PZ;
        }
    }
    image_destroy(LAYER1);
    image_destroy(LAYER2);
    image_destroy(MASK);
}
