// Brindle in a browser: the story engine driven by the page's key events.
//
// The page writes the story's files under /story, calls web_start() once,
// then web_key() for each key the reader presses; each call composes the
// frame that follows and draws it on the canvas before it returns. Nothing
// waits: the browser stays free between keys.
//
// Every call answers one of the WEB_* values below; after WEB_FAULT the
// report's words are in web_report() and the page takes no more keys.
#include <emscripten.h>

#include <cstring>
#include <string>

#include "engine.h"
#include "platform/process.h"
#include "surface.h"

namespace {
enum WEB_STATE {
    WEB_FRAME = 0,     // a frame is on the canvas
    WEB_ENDED = 1,     // Escape: the reader asked to end
    WEB_FAULT = 2,     // the story cannot go on: web_report() says why
    WEB_MESSAGES = 3,  // the loader's messages are on the canvas, awaiting a key
};

std::string g_report;

int answer(const STORY_RESULT& r) {
    if (!r.ok) {
        g_report = r.message;
        return WEB_FAULT;
    }
    return r.ended ? WEB_ENDED : WEB_FRAME;
}

// The loader's messages as the desktop player shows them: white console text
// from the top left of a black screen. As there, the key that ends them is
// then the first key of the story.
void show_messages() {
    screen_clear();
    text_locate(1, 1);
    text_color(0xFFFFFFFFu);
    for (const std::string& line : STORY_MESSAGES()) text_print(line, true);
    page_flip();
}
}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE int web_start() {
    // Played from the story's own folder, as a reader starts the desktop
    // player: the loader's messages then name the same paths.
    if (dir_change("/story") != 0) {
        g_report = "The story's files are missing from the page";
        return WEB_FAULT;
    }
    const STORY_RESULT r = STORY_OPEN("", STORY_FRAMES);
    if (!r.ok) return answer(r);
    if (!STORY_MESSAGES().empty()) {
        show_messages();
        return WEB_MESSAGES;
    }
    return WEB_FRAME;
}

// A key string of one or two bytes (`second` < 0: one): a character, or 255
// and a scan code for the extended keys.
EMSCRIPTEN_KEEPALIVE int web_key(int first, int second) {
    std::string key(1, char(first));
    if (second >= 0) key += char(second);
    return answer(STORY_PRESS(key));
}

EMSCRIPTEN_KEEPALIVE int web_restart() { return answer(STORY_RESTART()); }

EMSCRIPTEN_KEEPALIVE const char* web_report() { return g_report.c_str(); }

// The scan code of an extended key by its name ("up", "f1", ...), or -1.
EMSCRIPTEN_KEEPALIVE int web_extended(const char* name) {
    for (const EXTENDED_KEY& k : EXTENDED_KEYS)
        if (name && std::strcmp(k.name, name) == 0) return k.scan;
    return -1;
}

}  // extern "C"
