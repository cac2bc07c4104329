// The part of the drawing surface shared by both backends: pages, the key
// ring, console text and the waiting rules.
#include "../surface.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <deque>

#include "../console_font.h"
#include "backend.h"
#include "process.h"

namespace {
IMAGE* g_pages[SCREEN_PAGES] = {};
bool g_open = false;
int g_work = 1, g_visible = 0;
int g_row = 1, g_col = 1;
uint32_t g_fg = 0xFFC0C0C0u, g_bg = 0xFF000000u;
SCREEN_WINDOW g_window_style = SCREEN_WINDOW_FIXED;

// Keys are queued by the backends on the program's own thread, while it waits.
constexpr int KEY_RING = 16;
std::deque<std::string> g_keys;

const auto g_clock_start = std::chrono::steady_clock::now();

// Set by the file watcher's thread; turned into a key on the program's own.
std::atomic<bool> g_files_changed{false};
std::atomic<void (*)()> g_waker{nullptr};

void take_files_changed() {
    if (g_files_changed.exchange(false)) key_push(files_changed_key());
}

void free_pages() {
    for (IMAGE*& p : g_pages) {
        image_destroy(p);
        p = nullptr;
    }
}

void scroll_up_one_row(IMAGE* page) {
    const uint32_t rows = page->HEIGHT - 8;
    std::memmove(image_row(page, 0), image_row(page, 8), size_t(rows) * page->PITCH);
    for (uint32_t y = rows; y < page->HEIGHT; ++y) {
        uint32_t* r = image_row(page, y);
        for (uint32_t x = 0; x < page->WIDTH; ++x) r[x] = g_bg;
    }
}
}  // namespace

int screen_open(int width, int height, int, int pages, int, int) {
    if (g_open) return 0;
    if (width != SCREEN_W || height != SCREEN_H || pages < 2 || pages > SCREEN_PAGES) return 1;
    for (IMAGE*& p : g_pages) {
        p = image_alloc(SCREEN_W, SCREEN_H);
        if (!p) {
            free_pages();
            return 4;
        }
        std::memset(image_row(p, 0), 0, size_t(p->PITCH) * p->HEIGHT);
    }
    if (!backend_open(width, height)) {
        free_pages();
        return 1;
    }
    g_open = true;
    g_work = 1;
    g_visible = 0;
    g_row = g_col = 1;
    image_attach_work_page(g_pages[g_work]);
    process_at_end(surface_shutdown);  // the window closes however the program ends
    return 0;
}

void screen_window(SCREEN_WINDOW how) { g_window_style = how; }

SCREEN_WINDOW surface_window_style() { return g_window_style; }

void page_set(int work, int visible) {
    if (work >= 0 && work < SCREEN_PAGES) g_work = work;
    if (visible >= 0 && visible < SCREEN_PAGES) g_visible = visible;
    if (g_open) image_attach_work_page(g_pages[g_work]);
}

void screen_close() {
    if (!g_open) return;
    backend_close();
    image_attach_work_page(nullptr);
    free_pages();
    g_open = false;
}

void surface_shutdown() { screen_close(); }

bool surface_is_open() { return g_open; }

IMAGE* work_page() { return g_open ? g_pages[g_work] : nullptr; }

IMAGE* surface_page(int n) { return g_open && n >= 0 && n < SCREEN_PAGES ? g_pages[n] : nullptr; }

int page_flip(int source, int dest) {
    if (!g_open) return 1;
    if (source < 0) source = g_work;
    if (dest < 0) dest = g_visible;
    if (source >= SCREEN_PAGES || dest >= SCREEN_PAGES) return 1;
    if (source == dest) return 0;
    std::memcpy(image_row(g_pages[dest], 0), image_row(g_pages[source], 0),
                size_t(g_pages[source]->PITCH) * SCREEN_H);
    if (dest == g_visible) backend_present(g_pages[dest]);
    return 0;
}

void screen_clear() {
    if (IMAGE* p = work_page()) std::memset(image_row(p, 0), 0, size_t(p->PITCH) * p->HEIGHT);
}

void text_locate(int row, int col) {
    if (row >= 1) g_row = row;
    if (col >= 1) g_col = col;
}

void text_color(uint32_t foreground, uint32_t background) {
    g_fg = foreground;
    g_bg = background;
}

void text_color(uint32_t foreground) { g_fg = foreground; }

void text_cursor(int& row, int& col) {
    row = g_row;
    col = g_col;
}

void text_print(const std::string& s, bool end_of_line) {
    IMAGE* page = work_page();
    const int cols = SCREEN_W / 8, rows = SCREEN_H / 8;
    for (unsigned char c : s) {
        if (g_col > cols) {
            g_col = 1;
            ++g_row;
        }
        if (g_row > rows) {
            if (page) scroll_up_one_row(page);
            g_row = rows;
        }
        if (page) {
            const uint8_t* glyph = console_glyph(c);
            const uint32_t x0 = uint32_t(g_col - 1) * 8, y0 = uint32_t(g_row - 1) * 8;
            for (int y = 0; y < 8; ++y) {
                uint32_t* r = image_row(page, y0 + y) + x0;
                for (int x = 0; x < 8; ++x) r[x] = (glyph[y] & (0x80 >> x)) ? g_fg : g_bg;
            }
        }
        ++g_col;
    }
    if (end_of_line) {
        g_col = 1;
        if (++g_row > rows) {
            if (page) scroll_up_one_row(page);
            g_row = rows;
        }
    }
}

void key_push(const std::string& key) {
    if (key.empty()) return;
    if (int(g_keys.size()) >= KEY_RING) g_keys.pop_front();  // full: the oldest goes
    g_keys.push_back(key);
}

void surface_files_changed() {
    g_files_changed = true;
    if (void (*wake)() = g_waker.load()) wake();
}

void surface_set_waker(void (*wake)()) { g_waker = wake; }

std::string key_read() {
    take_files_changed();
    if (g_keys.empty()) return "";
    std::string k = g_keys.front();
    g_keys.pop_front();
    return k;
}

void key_clear() { g_keys.clear(); }

int key_count() {
    take_files_changed();
    return int(g_keys.size());
}

double timer_seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - g_clock_start).count();
}

void sleep_ms(int ms) {
    if (ms == -1) {
        while (key_count() == 0) backend_wait(-1);
        return;
    }
    if (ms <= 0) {
        backend_wait(0);
        return;
    }
    const double deadline = timer_seconds() + ms / 1000.0;
    const bool early = ms >= 100;  // long sleeps end as soon as a key arrives
    for (;;) {
        if (early && key_count() > 0) return;
        double left_ms = (deadline - timer_seconds()) * 1000.0;
        if (left_ms <= 0) return;
        int slice = early ? 50 : int(left_ms + 0.999);
        if (slice > left_ms + 1) slice = int(left_ms + 0.999);
        backend_wait(slice < 1 ? 1 : slice);
    }
}

bool key_can_be_pressed(const std::string& key) {
    if (key.size() == 1) {
        const unsigned char c = static_cast<unsigned char>(key[0]);
        return (c >= 1 && c <= 27) || (c >= 32 && c <= 126) || c >= 160;
    }
    if (key.size() == 2 && static_cast<unsigned char>(key[0]) == 255)
        for (const EXTENDED_KEY& k : EXTENDED_KEYS)
            if (static_cast<unsigned char>(key[1]) == k.scan) return true;
    return false;
}
