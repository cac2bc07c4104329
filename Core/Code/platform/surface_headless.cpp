// Headless backend: pages in memory only; tests queue keys with key_push.
// Waiting for a key that never comes would hang a test, so an endless wait on
// an empty ring queues Escape, which ends any key loop.
#include <chrono>
#include <thread>

#include "../surface.h"
#include "backend.h"

bool backend_open(int, int) { return true; }
void backend_close() {}
void backend_present(const IMAGE*) {}

void backend_wait(int timeout_ms) {
    if (key_count() > 0) return;
    if (timeout_ms < 0) {
        key_push("\x1B");
        return;
    }
    if (timeout_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(timeout_ms));
}
