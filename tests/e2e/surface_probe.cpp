// A small program of the drawing surface for the end-to-end tests: draws
// known pixels and console text, flips, then prints every key it reads as
// hex ("KEY 09", "KEY ff48") and draws one white cell per key in the bottom
// row. Escape ends it through WAITKEY (exit 0). With --resizable its
// window is the one Brindle opens. With --stale-message it leaves the X
// server's answer to a message sent to a window that is gone on a second
// connection, read only as the program exits, as SDL's own wake-ups can.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "asset_path.h"
#include "core.h"
#include "runtime.h"
#include "surface.h"
#include "waitkey.h"

#include <X11/Xlib.h>  // last: its names would clash with ours

namespace {
Display* g_second = nullptr;

void send_to_a_window_that_is_gone() {
    g_second = XOpenDisplay(nullptr);
    if (!g_second) return;
    Window gone = XCreateSimpleWindow(g_second, DefaultRootWindow(g_second), 0, 0, 1, 1, 0, 0, 0);
    XDestroyWindow(g_second, gone);
    XEvent e = {};
    e.xclient.type = ClientMessage;
    e.xclient.window = gone;
    e.xclient.format = 8;
    XSendEvent(g_second, gone, False, NoEventMask, &e);
    XFlush(g_second);
    std::atexit([] { XCloseDisplay(g_second); });  // reads the answer, after the window has closed
}
}  // namespace

int main(int argc, char** argv) {
    ROUTINE("Probe", "");
    PROJECTSPACE = "Probe";
    if (argc > 1 && std::strcmp(argv[1], "--resizable") == 0) screen_window(SCREEN_WINDOW_RESIZABLE);
    CORE_STARTUP();
    if (argc > 1 && std::strcmp(argv[1], "--stale-message") == 0) send_to_a_window_that_is_gone();
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
