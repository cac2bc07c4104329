// The drawing surface: a 640 x 480 window with 16 pages of 32-bit pixels,
// console text, a 16-key ring and waiting. One interface, three backends,
// chosen at link time: platform/surface_sdl.cpp (the window of the desktop
// programs), platform/surface_headless.cpp (pages in memory, for the
// author's command and the tests) and platform/surface_web.cpp (the web
// player's canvas).
#pragma once
#include <cstdint>
#include <string>

#include "image.h"

constexpr int SCREEN_W = 640, SCREEN_H = 480, SCREEN_PAGES = 16;

// 0 on success, else an error number (1 when no window can be opened).
int screen_open(int width, int height, int bpp, int pages, int flags, int refresh);
// How the window of the next screen_open is shown: fixed at 640 x 480 (the
// default), resizable, or resizable and starting full screen. A resizable
// window shows the visible page scaled by the largest whole step that fits
// (each pixel repeated exactly), centred on black, and Alt+Enter switches
// it in and out of full screen (not a key for the program).
enum SCREEN_WINDOW { SCREEN_WINDOW_FIXED, SCREEN_WINDOW_RESIZABLE, SCREEN_WINDOW_FULLSCREEN };
void screen_window(SCREEN_WINDOW how);
void page_set(int work, int visible);
void screen_close();
// Copies the work page onto the visible page and shows it. -1 = default page.
int page_flip(int source = -1, int dest = -1);
void screen_clear();

bool surface_is_open();
IMAGE* work_page();           // null while no surface is open
IMAGE* surface_page(int n);   // page n, or null
// Closes the window if one is open; used on the way out of the process.
void surface_shutdown();

// Console text: 8-pixel cells, rows and columns counted from 1.
void text_locate(int row, int col);
void text_color(uint32_t foreground, uint32_t background);
void text_color(uint32_t foreground);  // background unchanged
void text_cursor(int& row, int& col);
void text_print(const std::string& s, bool end_of_line);

// Oldest key of the ring, or "" when it is empty.
std::string key_read();
// Queues one key string (backends, and tests through the headless backend).
void key_push(const std::string& key);
void key_clear();
int key_count();

// -1: until a key is queued; >= 100: in 50 ms slices, back early on a key;
// 1 to 99: that long.
void sleep_ms(int ms);
double timer_seconds();

// Key strings. A key with a code below 256 is that one character: typed
// text (32 to 126, and 160 to 255 for Latin-1 letters), Enter 13, Tab 9,
// Backspace 8, Escape 27, Ctrl+A to Ctrl+Z 1 to 26. Every other key is
// extended: 255 followed by its scan code.
inline std::string extended_key(unsigned char scan) { return std::string("\xFF") + char(scan); }
struct EXTENDED_KEY {
    const char* name;
    unsigned char scan;
};
inline constexpr EXTENDED_KEY EXTENDED_KEYS[] = {
    {"up", 72},   {"down", 80},  {"left", 75},  {"right", 77},  {"home", 71},  {"end", 79},
    {"pageup", 73}, {"pagedown", 81}, {"insert", 82}, {"delete", 83},
    {"f1", 59},   {"f2", 60},    {"f3", 61},    {"f4", 62},     {"f5", 63},    {"f6", 64},
    {"f7", 65},   {"f8", 66},    {"f9", 67},    {"f10", 68},    {"f11", 133},  {"f12", 134},
    {"close", 107},  // the window's close button
};
constexpr unsigned char SCAN_CLOSE = 107;  // 'k'
// Not a key at all: the story's files changed on disk (platform/file_watch.h).
// No key press gives it; only a front end that watches files acts on it.
constexpr unsigned char SCAN_FILES_CHANGED = 240;
inline std::string files_changed_key() { return extended_key(SCAN_FILES_CHANGED); }
// Whether some key press (or the close button) gives exactly this key string.
bool key_can_be_pressed(const std::string& key);
