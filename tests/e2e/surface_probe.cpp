// A small program of the drawing surface for the end-to-end tests: draws
// known pixels and console text, flips, then prints every key it reads as
// hex ("KEY 09", "KEY ff48") and draws one white cell per key in the bottom
// row. Escape ends it through WAITKEY (exit 0). With --resizable its
// window is the one Brindle opens.
#include <cstdio>
#include <cstring>

#include "asset_path.h"
#include "core.h"
#include "runtime.h"
#include "surface.h"
#include "waitkey.h"

int main(int argc, char** argv) {
    ROUTINE("Probe", "");
    PROJECTSPACE = "Probe";
    if (argc > 1 && std::strcmp(argv[1], "--resizable") == 0) screen_window(SCREEN_WINDOW_RESIZABLE);
    CORE_STARTUP();
    draw_line(nullptr, 10, 10, 109, 59, 0xFFFF0000u, LINE_FILLED_BOX);
    pixel_set(nullptr, 200, 100, 0xFF00FF00u);
    text_locate(20, 3);
    text_color(0xFFFFFFFFu, 0xFF000080u);
    text_print("Probe ready", true);
    page_flip();
    std::printf("READY\n");
    std::fflush(stdout);
    for (int n = 0;; ++n) {
        std::string key = WAITKEY();
        std::printf("KEY ");
        for (unsigned char c : key) std::printf("%02x", c);
        std::printf("\n");
        std::fflush(stdout);
        draw_line(nullptr, float(n % 80) * 8, 472, float(n % 80) * 8 + 7, 479, 0xFFFFFFFFu, LINE_FILLED_BOX);
        page_flip();
    }
}
