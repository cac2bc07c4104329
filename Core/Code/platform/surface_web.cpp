// Web backend (Emscripten): the visible page is drawn on the page's canvas.
// Keys do not come from here: the page's key handler hands each one to the
// program, which acts on it at once (nothing in a browser may block), so
// waiting only ever looks at the key ring.
#include <emscripten.h>

#include "../surface.h"
#include "backend.h"

namespace {
// Copies a page (0xAARRGGBB, `pitch` bytes a row) onto the canvas, with the
// alpha byte dropped as a window drops it. Returns false without a canvas.
EM_JS(int, web_canvas_put, (const void* pixels, int width, int height, int pitch), {
    const canvas = Module["canvas"];
    if (!canvas) return 0;
    if (!Module["brindleContext"]) {
        canvas.width = width;
        canvas.height = height;
        Module["brindleContext"] = canvas.getContext("2d", {alpha: false});
        Module["brindleImage"] = Module["brindleContext"].createImageData(width, height);
    }
    const image = Module["brindleImage"];
    const out = new Uint32Array(image.data.buffer);
    const stride = pitch >> 2;
    let s = pixels >> 2, d = 0;
    for (let y = 0; y < height; ++y, s += stride) {
        const row = HEAPU32.subarray(s, s + width);
        for (let x = 0; x < width; ++x) {
            const p = row[x];
            // ARGB in memory order B, G, R, A  ->  RGBA in memory order R, G, B, A.
            out[d++] = 0xFF000000 | (p & 0xFF00) | ((p >>> 16) & 0xFF) | ((p & 0xFF) << 16);
        }
    }
    Module["brindleContext"].putImageData(image, 0, 0);
    if (Module["onPresent"]) Module["onPresent"]();
    return 1;
});
}  // namespace

bool backend_open(int, int) { return true; }

void backend_close() {}

void backend_present(const IMAGE* page) {
    if (page) web_canvas_put(reinterpret_cast<const char*>(page) + IMAGE_HEADER, int(page->WIDTH), int(page->HEIGHT), int(page->PITCH));
}

void backend_wait(int timeout_ms) {
    // An endless wait with no key queued could never end here: Escape ends
    // any key loop, as the in-memory surface does.
    if (timeout_ms < 0 && key_count() == 0) key_push("\x1B");
}
