#include "waitkey.h"

#include <cmath>

#include "core.h"
#include "platform/process.h"
#include "runtime.h"
#include "surface.h"

std::string ANICURSOR_FRAMES = "\\|/-";

std::string WAITKEY() {
    ROUTINE("WaitKey", "WAITKEY");
    std::string c;
    while (c.empty()) {
        c = key_read();
        if (c.empty()) sleep_ms(-1);  // blocks in the event queue until a key comes
    }
    if (c == "\x1B") {
        screen_close();
        process_exit(0);
    }
    return c;
}

std::string ANICURSOR() {
    ROUTINE("WaitKey", "ANICURSOR");
    int64_t f = int64_t(std::trunc(timer_seconds() * 4)) % 4 + 1;
    return f <= int64_t(ANICURSOR_FRAMES.size()) ? ANICURSOR_FRAMES.substr(size_t(f - 1), 1) : " ";
}

std::string PROMPT(const std::string& LABEL) {
    ROUTINE("WaitKey", "PROMPT");
    std::string VALUE;
    text_print(LABEL, false);
    for (;;) {
        int row, col;
        do {
            text_print(ANICURSOR(), false);
            text_cursor(row, col);
            text_locate(row, col - 1);
            page_flip();
            CI = key_read();
            if (CI.empty()) sleep_ms(100);  // the spinner turns while nothing is typed
        } while (CI.empty());
        if (CI == "\x1B") process_exit(0);
        if (CI.size() == 2) continue;
        unsigned char k = static_cast<unsigned char>(CI[0]);
        text_cursor(row, col);
        if (k == 8) {
            if (!VALUE.empty()) {
                VALUE.pop_back();
                text_locate(row, col - 1);
                text_print(" ", false);
                text_cursor(row, col);
                text_locate(row, col - 2);
            }
        } else if (k == 13) {
            text_print(" ", true);
            page_flip();
            return VALUE;
        } else if (k >= 32) {
            VALUE += CI;
            text_print(CI, false);
        }
    }
}

void PORT_WAIT(int port, int mask, int line, int (*read)(int port, int& value)) {
    for (;;) {
        int value = 0;
        if (read(port, value) != 0) fatal_error(ERR_NO_PRIVILEGES, line);
        if (value & mask) return;
        sleep_ms(1);
    }
}
