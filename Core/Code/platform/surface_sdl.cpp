// SDL2 backend: one window showing the visible page; keyboard and window
// events are handled on the program's thread whenever it waits. A window of
// any other size than the page's shows it scaled by the largest whole step
// that fits, centred on black.
//
// Key strings (surface.h): printable characters as typed (text input, so
// shift and the keyboard layout apply), Enter 13, Tab 9, Backspace 8, Escape
// 27, Ctrl+A to Ctrl+Z 1 to 26; the other keys of EXTENDED_KEYS as 255 and
// their scan code.
#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "../surface.h"
#include "backend.h"

// Last: Xlib's names (Window, None, ...) would clash with ours.
#include <X11/Xlib.h>
#include <X11/Xproto.h>

namespace {
SDL_Window* g_window = nullptr;
const IMAGE* g_shown = nullptr;
// An event that only ends a wait, pushed from another thread (the file
// watcher); the lock keeps it from being pushed while the window closes.
constexpr Uint32 NO_EVENT = Uint32(-1);
std::mutex g_wake_lock;
Uint32 g_wake_event = NO_EVENT;

void wake() {
    std::lock_guard<std::mutex> hold(g_wake_lock);
    if (g_wake_event == NO_EVENT) return;
    SDL_Event e = {};
    e.type = g_wake_event;
    SDL_PushEvent(&e);
}

// SDL ends its own wait for events by sending the window a message over a
// second connection to the X server, even for a key it reads itself. When
// that key closes the window, the server can take the window away before it
// takes the message; its "no such window" answer is read as the program
// ends, and Xlib's default handler would then end a clean exit with status 1.
// That answer is harmless; every other error gets Xlib's own handling.
XErrorHandler g_x_errors = nullptr;

int on_x_error(Display* display, XErrorEvent* e) {
    if (e->error_code == BadWindow && e->request_code == X_SendEvent) return 0;
    return g_x_errors(display, e);
}

std::string program_title() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "Program";
    std::string path(buf, size_t(n));
    std::string name = path.substr(path.rfind('/') + 1);
    size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// The name of an extended key in EXTENDED_KEYS, or null.
const char* extended_name_of(SDL_Scancode sc) {
    static const char* const F[] = {"f1", "f2", "f3", "f4", "f5", "f6", "f7", "f8", "f9", "f10", "f11", "f12"};
    switch (sc) {
        case SDL_SCANCODE_UP: return "up";
        case SDL_SCANCODE_DOWN: return "down";
        case SDL_SCANCODE_LEFT: return "left";
        case SDL_SCANCODE_RIGHT: return "right";
        case SDL_SCANCODE_HOME: return "home";
        case SDL_SCANCODE_END: return "end";
        case SDL_SCANCODE_PAGEUP: return "pageup";
        case SDL_SCANCODE_PAGEDOWN: return "pagedown";
        case SDL_SCANCODE_INSERT: return "insert";
        case SDL_SCANCODE_DELETE: return "delete";
        default:
            if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12) return F[sc - SDL_SCANCODE_F1];
            return nullptr;
    }
}

int scan_code_of(SDL_Scancode sc) {
    if (const char* name = extended_name_of(sc))
        for (const EXTENDED_KEY& k : EXTENDED_KEYS)
            if (SDL_strcmp(k.name, name) == 0) return k.scan;
    return -1;
}

// Where the page lands in a window w x h: the largest whole step k (at
// least 1) at which it fits, and its top-left corner, centred (negative when
// even one step does not fit and the page is cut at both sides).
struct Placement {
    int k, x, y;
};
Placement place(int page_w, int page_h, int w, int h) {
    const int k = std::max(1, std::min(w / page_w, h / page_h));
    return {k, (w - k * page_w) / 2, (h - k * page_h) / 2};
}

std::vector<uint8_t> g_converted;  // the page in the window's pixel format
std::vector<uint8_t> g_row;        // one page row, each pixel repeated k times

void present(const IMAGE* page) {
    if (!g_window || !page) return;
    SDL_Surface* ws = SDL_GetWindowSurface(g_window);
    if (!ws) return;
    const int W = int(page->WIDTH), H = int(page->HEIGHT);
    const uint8_t* pixels = reinterpret_cast<const uint8_t*>(page) + IMAGE_HEADER;
    if (ws->w == W && ws->h == H) {
        SDL_ConvertPixels(W, H, SDL_PIXELFORMAT_ARGB8888, pixels, int(page->PITCH), ws->format->format, ws->pixels,
                          ws->pitch);
    } else {
        // Nearest neighbour by a whole step: each page pixel becomes a k x k
        // block, so nothing is blurred or dropped; the rest of the window is black.
        const int bpp = ws->format->BytesPerPixel;
        const Placement at = place(W, H, ws->w, ws->h);
        g_converted.resize(size_t(W) * H * size_t(bpp));
        if (SDL_ConvertPixels(W, H, SDL_PIXELFORMAT_ARGB8888, pixels, int(page->PITCH), ws->format->format,
                              g_converted.data(), W * bpp) != 0)
            return;
        SDL_FillRect(ws, nullptr, SDL_MapRGB(ws->format, 0, 0, 0));
        // The part of a scaled row inside the window: window columns x0 to x1.
        const int x0 = std::max(0, at.x), x1 = std::min(ws->w, at.x + at.k * W);
        g_row.resize(size_t(std::max(0, x1 - x0)) * size_t(bpp));
        for (int y = 0; y < H && x1 > x0; ++y) {
            const int top = at.y + y * at.k;
            if (top + at.k <= 0 || top >= ws->h) continue;
            const uint8_t* src = g_converted.data() + size_t(y) * W * bpp;
            for (int x = x0; x < x1; ++x)
                std::memcpy(&g_row[size_t(x - x0) * bpp], src + size_t((x - at.x) / at.k) * bpp, size_t(bpp));
            for (int r = std::max(0, top); r < std::min(ws->h, top + at.k); ++r)
                std::memcpy(static_cast<uint8_t*>(ws->pixels) + size_t(r) * ws->pitch + size_t(x0) * bpp, g_row.data(),
                            g_row.size());
        }
    }
    SDL_UpdateWindowSurface(g_window);
    g_shown = page;
}

// Full screen is the window itself, without its border, covering the
// display it is on: a window manager need not take part (there may be none)
// and the display keeps its own resolution. Leaving puts back the window's
// size, place and border.
bool g_fullscreen = false;
SDL_Rect g_windowed = {};

void set_fullscreen(bool on) {
    if (!g_window || on == g_fullscreen) return;
    if (on) {
        SDL_Rect screen;
        const int display = SDL_GetWindowDisplayIndex(g_window);
        if (display < 0 || SDL_GetDisplayBounds(display, &screen) != 0) return;
        SDL_GetWindowPosition(g_window, &g_windowed.x, &g_windowed.y);
        SDL_GetWindowSize(g_window, &g_windowed.w, &g_windowed.h);
        SDL_SetWindowBordered(g_window, SDL_FALSE);
        SDL_SetWindowPosition(g_window, screen.x, screen.y);
        SDL_SetWindowSize(g_window, screen.w, screen.h);
        SDL_RaiseWindow(g_window);
    } else {
        SDL_SetWindowBordered(g_window, SDL_TRUE);
        SDL_SetWindowSize(g_window, g_windowed.w, g_windowed.h);
        SDL_SetWindowPosition(g_window, g_windowed.x, g_windowed.y);
    }
    g_fullscreen = on;
    present(g_shown);
}

void handle(const SDL_Event& e) {
    switch (e.type) {
        case SDL_TEXTINPUT: {
            // UTF-8 to single bytes; characters beyond Latin-1 have no code here.
            const unsigned char* t = reinterpret_cast<const unsigned char*>(e.text.text);
            for (size_t i = 0; t[i];) {
                unsigned cp = t[i];
                size_t len = cp < 0x80 ? 1 : (cp >> 5) == 6 ? 2 : (cp >> 4) == 14 ? 3 : 4;
                if (len == 2 && t[i + 1]) cp = ((cp & 0x1F) << 6) | (t[i + 1] & 0x3F);
                for (size_t k = 0; k < len && t[i]; ++k) ++i;
                if (cp < 256 && cp >= 32) key_push(std::string(1, char(cp)));
            }
            break;
        }
        case SDL_KEYDOWN: {
            SDL_Keycode k = e.key.keysym.sym;
            Uint16 mod = e.key.keysym.mod;
            const bool enter = k == SDLK_RETURN || k == SDLK_KP_ENTER;
            if (enter && (mod & KMOD_ALT) && surface_window_style() != SCREEN_WINDOW_FIXED) {
                if (!e.key.repeat) set_fullscreen(!g_fullscreen);
            } else if (enter) key_push("\r");
            else if (k == SDLK_TAB) key_push("\t");
            else if (k == SDLK_BACKSPACE) key_push("\b");
            else if (k == SDLK_ESCAPE) key_push("\x1B");
            else if ((mod & KMOD_CTRL) && !(mod & KMOD_ALT) && k >= SDLK_a && k <= SDLK_z)
                key_push(std::string(1, char(k - SDLK_a + 1)));
            else if (SDL_GetKeyboardFocus() != g_window && k >= 32 && k < 127 && !(mod & (KMOD_CTRL | KMOD_ALT)))
                // Before the focus has arrived SDL sends no text: take the key itself.
                key_push(std::string(1, char((mod & KMOD_SHIFT) && k >= 'a' && k <= 'z' ? k - 32 : k)));
            else if (int sc = scan_code_of(e.key.keysym.scancode); sc >= 0)
                key_push(extended_key(static_cast<unsigned char>(sc)));
            break;
        }
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_CLOSE) key_push(extended_key(SCAN_CLOSE));
            else if (e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
                present(g_shown);
            break;
        default:
            break;
    }
}
}  // namespace

bool backend_open(int width, int height) {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // Ctrl+C and kill keep their meaning
    // Before SDL starts: SDL puts back the handler it found when it quits.
    if (!g_x_errors) g_x_errors = XSetErrorHandler(on_x_error);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return false;
    // Without a display SDL falls back to drivers that draw nowhere; a window
    // nobody can see or type into is no window.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0) {
        SDL_Quit();
        return false;
    }
    const SCREEN_WINDOW style = surface_window_style();
    Uint32 flags = SDL_WINDOW_SHOWN;
    if (style != SCREEN_WINDOW_FIXED) flags |= SDL_WINDOW_RESIZABLE;
    // Started full screen, the window is made covering the first display;
    // leaving full screen gives the page's size, centred there.
    SDL_Rect screen = {SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height};
    g_fullscreen = style == SCREEN_WINDOW_FULLSCREEN && SDL_GetDisplayBounds(0, &screen) == 0;
    if (g_fullscreen) {
        flags |= SDL_WINDOW_BORDERLESS;
        g_windowed = {screen.x + (screen.w - width) / 2, screen.y + (screen.h - height) / 2, width, height};
    }
    g_window = SDL_CreateWindow(program_title().c_str(), screen.x, screen.y, screen.w, screen.h, flags);
    if (!g_window) {
        SDL_Quit();
        return false;
    }
    // Never smaller than the page: every step shows all of it.
    if (style != SCREEN_WINDOW_FIXED) SDL_SetWindowMinimumSize(g_window, width, height);
    // Typed text only reaches a window with the keyboard focus; without a
    // window manager nobody else gives it, so take it now.
    SDL_RaiseWindow(g_window);
    SDL_SetWindowInputFocus(g_window);
    SDL_StartTextInput();
    g_shown = surface_page(0);
    const Uint32 wake_event = SDL_RegisterEvents(1);
    {
        std::lock_guard<std::mutex> hold(g_wake_lock);
        g_wake_event = wake_event;
    }
    surface_set_waker(wake);
    return true;
}

void backend_close() {
    surface_set_waker(nullptr);
    {
        std::lock_guard<std::mutex> hold(g_wake_lock);
        g_wake_event = NO_EVENT;
    }
    if (g_window) SDL_DestroyWindow(g_window);
    g_window = nullptr;
    g_shown = nullptr;
    SDL_Quit();
}

void backend_present(const IMAGE* page) { present(page); }

void backend_wait(int timeout_ms) {
    SDL_Event e;
    bool any = false;
    while (SDL_PollEvent(&e)) {
        handle(e);
        any = true;
    }
    if (any || timeout_ms == 0) return;
    // Blocks in the event queue: no CPU while nothing happens. An endless
    // wait still wakes every 100 ms, so a wake-up the window system failed
    // to deliver costs at most that.
    if (SDL_WaitEventTimeout(&e, timeout_ms < 0 || timeout_ms > 100 ? 100 : timeout_ms)) {
        handle(e);
        while (SDL_PollEvent(&e)) handle(e);
    }
}
