// The compositing routines driven with sizes and positions from the input.
#include <cstring>

#include "fuzz_support.h"
#include "gfx/gfx.h"

namespace {
struct Bytes {
    const uint8_t* d;
    size_t n, i = 0;
    int byte() { return i < n ? d[i++] : 0; }
    int size() { return 1 + byte() % 48; }
    float position() { return float(int16_t(uint16_t(byte() << 8 | byte()))) / 3.0f; }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_setup();
    Bytes in{data, size};
    IMAGE* a = image_create(in.size(), in.size(), 0);
    IMAGE* b = image_create(in.size(), in.size(), 0);
    for (uint32_t y = 0; y < a->HEIGHT; ++y)
        for (uint32_t x = 0; x < a->WIDTH; ++x) image_row(a, y)[x] = uint32_t(in.byte()) * 0x01010101u ^ (x << 24);
    while (in.i < in.n) {
        switch (in.byte() % 10) {
            case 0: image_put(b, in.position(), in.position(), a, PutMode(in.byte() % 4)); break;
            case 1: image_put(b, in.position(), in.position(), a, in.position(), in.position(), in.position(), in.position(), PUT_ALPHA); break;
            case 2: draw_line(b, in.position(), in.position(), in.position(), in.position(), 0xFF123456u, LineKind(in.byte() % 3)); break;
            case 3: GFX_BUFFER_INLAY(a, b); break;
            case 4: { IMAGE* old = b; GFX_BUFFER_FLIP(a, b, in.byte() & 1, in.byte() & 1); if (b != old && b != a) image_destroy(old); else if (b == a) b = old; break; }
            case 5: GFX_BUFFER_SHIFT(a, b, int8_t(in.byte()), int8_t(in.byte())); break;
            case 6: GFX_BUFFER_STRETCH(a, b); break;
            case 7: GFX_BUFFER_STRETCH_ASPECT(a, b, in.byte() & 1 ? "h" : "WIDTH"); break;
            case 8: GFX_BUFFER_REPEAT(a, b); break;
            case 9: GFX_BUFFER_ALPHA(b, 0); break;
        }
    }
    image_destroy(a);
    image_destroy(b);
    return 0;
}
