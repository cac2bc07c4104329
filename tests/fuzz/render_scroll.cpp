// Word wrapping and text drawing of arbitrary text; the first byte picks the width.
#include "fuzz_support.h"
#include "page_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_setup();
    if (!FONTSHEET) FONTSHEET = image_create(128, 64, 0xFFFFFFFFu);  // a short sheet: codes past it clamp
    if (size == 0) return 0;
    const int width = 1 + data[0] * 2;
    IMAGE* disp = image_create(width, 40, 0);
    STORY_PAGE_TYPE page;
    RENDER_SCROLL(page, std::string(reinterpret_cast<const char*>(data) + 1, size - 1), disp, 1, 1 - (data[0] & 3),
                  data[0] & 1 ? 0xFFFFFFFFu : 0xFF00FF00u);
    image_destroy(disp);
    return 0;
}
