// Brindle in a browser: the story engine driven by the page's key events.
//
// The page writes the story's files under /story, calls web_start() once,
// then web_key() for each key the reader presses (or web_option() for an
// option tapped); each call composes the frame that follows and draws it on
// the canvas before it returns. Nothing waits: the browser stays free
// between keys. After each frame the page asks web_words() for what the
// frame says in words, and web_save() for the reader's place, which
// web_resume() puts back.
//
// Every call answers one of the WEB_* values below; after WEB_FAULT the
// report's words are in web_report() and the page takes no more keys.
#include <emscripten.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine.h"
#include "platform/process.h"
#include "runtime.h"
#include "surface.h"

namespace {
enum WEB_STATE {
    WEB_FRAME = 0,     // a frame is on the canvas
    WEB_ENDED = 1,     // Escape: the reader asked to end
    WEB_FAULT = 2,     // the story cannot go on: web_report() says why
    WEB_MESSAGES = 3,  // the loader's messages are on the canvas, awaiting a key
    WEB_AFRESH = 4,    // a saved place did not fit: page 0's frame, web_report() says why
};

std::string g_report;
STORY_WORDS_TYPE g_words;
std::string g_saved;

// What web_word() gives, by kind.
enum WEB_WORD { WORD_TITLE, WORD_TEXT, WORD_PICTURE, WORD_OPTION, WORD_OPTION_KEY, WORD_GALLERY, WORD_PROGRESS };

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

// Takes option `index` of the last web_words(): exactly its key.
EMSCRIPTEN_KEEPALIVE int web_option(int index) {
    if (index < 0 || size_t(index) >= g_words.OPTIONS.size()) return WEB_FRAME;
    return answer(STORY_PRESS(g_words.OPTIONS[size_t(index)].KEY));
}

// Reads what the frame on show says (STORY_WORDS) for web_word().
EMSCRIPTEN_KEEPALIVE int web_words() {
    FatalCatch catching;
    try {
        g_words = STORY_WORDS();
    } catch (const FatalReport& report) {
        g_words = {};
        g_report = report.text;
        while (!g_report.empty() && g_report.front() == '\n') g_report.erase(0, 1);
        while (!g_report.empty() && g_report.back() == '\n') g_report.pop_back();
        return WEB_FAULT;
    }
    return WEB_FRAME;
}

EMSCRIPTEN_KEEPALIVE int web_word_count(int kind) {
    switch (kind) {
        case WORD_TITLE: case WORD_TEXT: return 1;
        case WORD_PICTURE: return int(g_words.PICTURES.size());
        case WORD_OPTION: case WORD_OPTION_KEY: return int(g_words.OPTIONS.size());
        case WORD_GALLERY: return g_words.GALLERY_SHOWN ? int(g_words.GALLERY.size()) : -1;  // -1: hidden
        case WORD_PROGRESS: return int(g_words.PROGRESS.size());
        default: return 0;
    }
}

// One piece of the words, UTF-8; "" past the end.
EMSCRIPTEN_KEEPALIVE const char* web_word(int kind, int index) {
    static const std::string none;
    auto at = [&](const std::vector<std::string>& list) -> const std::string& {
        return index >= 0 && size_t(index) < list.size() ? list[size_t(index)] : none;
    };
    const bool option = index >= 0 && size_t(index) < g_words.OPTIONS.size();
    switch (kind) {
        case WORD_TITLE: return g_words.TITLE.c_str();
        case WORD_TEXT: return g_words.TEXT.c_str();
        case WORD_PICTURE: return at(g_words.PICTURES).c_str();
        case WORD_OPTION: return option ? g_words.OPTIONS[size_t(index)].CAPTION.c_str() : "";
        case WORD_OPTION_KEY: return option ? g_words.OPTIONS[size_t(index)].KEY_NAME.c_str() : "";
        case WORD_GALLERY: return at(g_words.GALLERY).c_str();
        case WORD_PROGRESS: return at(g_words.PROGRESS).c_str();
        default: return "";
    }
}

// The page of the last web_words().
EMSCRIPTEN_KEEPALIVE int web_page() { return g_words.PAGE; }

// The reader's place now, as one line of ASCII (STORY_STATE_TEXT).
EMSCRIPTEN_KEEPALIVE const char* web_save() {
    g_saved = STORY_STATE_TEXT(STORY_SAVE());
    return g_saved.c_str();
}

// Puts the reader back where `text` (from web_save) says, showing that
// frame. A place that does not fit the story, or cannot be shown, starts
// the story afresh: WEB_AFRESH, and web_report() says why.
EMSCRIPTEN_KEEPALIVE int web_resume(const char* text) {
    STORY_READER_STATE state;
    std::string why;
    if (!STORY_STATE_FROM_TEXT(text ? text : "", state, why)) {
        g_report = why;
    } else {
        const STORY_RESULT r = STORY_RESTORE(state);
        if (r.ok) return WEB_FRAME;
        g_report = "it cannot be shown: " + r.message;
    }
    const STORY_RESULT fresh = STORY_RESTART();
    return fresh.ok ? WEB_AFRESH : answer(fresh);
}

EMSCRIPTEN_KEEPALIVE const char* web_report() { return g_report.c_str(); }

// The scan code of an extended key by its name ("up", "f1", ...), or -1.
EMSCRIPTEN_KEEPALIVE int web_extended(const char* name) {
    for (const EXTENDED_KEY& k : EXTENDED_KEYS)
        if (name && std::strcmp(k.name, name) == 0) return k.scan;
    return -1;
}

}  // extern "C"
