// SDL2 backend: one window showing the visible page; keyboard and window
// events are handled on the program's thread whenever it waits.
//
// Key strings (surface.h): printable characters as typed (text input, so
// shift and the keyboard layout apply), Enter 13, Tab 9, Backspace 8, Escape
// 27, Ctrl+A to Ctrl+Z 1 to 26; the other keys of EXTENDED_KEYS as 255 and
// their scan code.
#include <SDL.h>
#include <unistd.h>

#include <climits>
#include <mutex>
#include <string>

#include "../surface.h"
#include "backend.h"

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

void present(const IMAGE* page) {
    if (!g_window || !page) return;
    SDL_Surface* ws = SDL_GetWindowSurface(g_window);
    if (!ws) return;
    SDL_ConvertPixels(int(page->WIDTH), int(page->HEIGHT), SDL_PIXELFORMAT_ARGB8888,
                      reinterpret_cast<const uint8_t*>(page) + IMAGE_HEADER, int(page->PITCH), ws->format->format,
                      ws->pixels, ws->pitch);
    SDL_UpdateWindowSurface(g_window);
    g_shown = page;
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
            if (k == SDLK_RETURN || k == SDLK_KP_ENTER) key_push("\r");
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
            else if (e.window.event == SDL_WINDOWEVENT_EXPOSED) present(g_shown);
            break;
        default:
            break;
    }
}
}  // namespace

bool backend_open(int width, int height) {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // Ctrl+C and kill keep their meaning
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return false;
    // Without a display SDL falls back to drivers that draw nowhere; a window
    // nobody can see or type into is no window.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0) {
        SDL_Quit();
        return false;
    }
    g_window = SDL_CreateWindow(program_title().c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                width, height, SDL_WINDOW_SHOWN);
    if (!g_window) {
        SDL_Quit();
        return false;
    }
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
