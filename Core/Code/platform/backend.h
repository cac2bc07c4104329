// What a surface backend provides to the shared surface code.
#pragma once
#include "../image.h"
#include "../surface.h"

// Opens the window as screen_window() last asked (surface_window_style).
bool backend_open(int width, int height);
SCREEN_WINDOW surface_window_style();
void backend_close();
void backend_present(const IMAGE* page);
// Handles pending window events (queueing keys with key_push); when none is
// pending, waits up to timeout_ms for one (-1: without limit).
void backend_wait(int timeout_ms);

// Shared surface code for the file watcher: files_changed_key() is queued on
// the program's own thread when it next looks at its keys. Safe on any thread.
void surface_files_changed();
// A backend's way to end a wait from another thread at once (null: none; a
// waiting backend then sees the change at its next wake-up). Safe on any thread.
void surface_set_waker(void (*wake)());
