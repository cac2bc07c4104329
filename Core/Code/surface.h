// The drawing surface: a 640 x 480 window with 16 pages of 32-bit pixels,
// console text, a 16-key ring and waiting. One interface, two backends
// (platform/surface_sdl.cpp for the programs, platform/surface_headless.cpp
// for unit tests), chosen at link time.
#pragma once
#include <cstdint>
#include <string>

#include "image.h"

constexpr int SCREEN_W = 640, SCREEN_H = 480, SCREEN_PAGES = 16;

// 0 on success, else an error number (1 when no window can be opened).
int screen_open(int width, int height, int bpp, int pages, int flags, int refresh);
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

// Extended key strings: 255 followed by the scan code.
inline std::string extended_key(unsigned char scan) { return std::string("\xFF") + char(scan); }
constexpr unsigned char SCAN_CLOSE = 'k';  // the window's close button
