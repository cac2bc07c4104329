#include "render.h"

#include <algorithm>

#include "commands.h"
#include "key_names.h"
#include "page_text.h"
#include "paging_module.h"
#include "runtime.h"
#include "story_state.h"
#include "surface.h"

namespace {
const std::string TAB = "\t", BACKSPACE = "\b";

bool has_file(int32_t page) {
    return PAGE_HAS_FILE(STORY_PAGES(), page);
}

// Presses one of the overlay keys on the current page unless the overlay is
// shown already. False (with `why`) when the key is an option here: the
// reader would leave the page instead.
bool show_overlay(const std::string& key, bool shown, const char* what, RENDER_RESULT& out) {
    if (shown) return true;
    const int32_t page = STORY_LOCATION();
    int32_t slot = 0;
    try {
        FatalCatch catching;
        slot = OPTION_CHOSEN(STORY_PAGES()(page), key);
    } catch (const FatalReport&) {
        // A condition naming a page beyond the story: any key here ends it.
        out.message = "pressing " + KEY_NAME(key) + " on page " + std::to_string(page) +
                      " ends the story: an option's condition names a page the story does not have";
        return false;
    }
    if (slot > 0) {
        out.message = "on page " + std::to_string(page) + " " + KEY_NAME(key) + " is an option key (it leads to page " +
                      std::to_string(STORY_PAGES()(page).OPTIONS(slot).DEST) + "), so the " + what +
                      " cannot be shown there; give --keys that show it on an earlier page";
        return false;
    }
    out.KEYS.push_back(key);
    const STORY_RESULT r = STORY_PRESS(key);
    if (!r.ok) {
        out.message = "pressing " + KEY_NAME(key) + " on page " + std::to_string(page) + " ends the story: " + r.message;
        return false;
    }
    return true;
}

// `text` in the story's font on a transparent strip 8 pixels high, each
// glyph's colours ANDed with `colour`. The caller owns the strip.
IMAGE* text_strip(const std::string& text, uint32_t colour) {
    IMAGE* strip = image_create(std::max(8, 8 * int(text.size())), 8, 0x00000000u);
    if (!strip) return nullptr;
    STORY_PAGE_TYPE unused;
    RENDER_TEXT(unused, strip, text, 0, 1, colour);  // column 0: the first glyph at x 0
    return strip;
}

void put_text(IMAGE* target, int64_t x, int64_t y, const std::string& text, uint32_t colour) {
    IMAGE* strip = text_strip(text, colour);
    if (strip) image_put(target, float(x), float(y), strip, PUT_ALPHA);
    image_destroy(strip);
}
}  // namespace

STORY_RESULT RENDER_OPEN(const std::string& folder, const REACH_BUDGET& budget, REACH_RESULT& reach) {
    STORY_RESULT r = STORY_OPEN(folder, STORY_FRAMES);
    if (r.ok) reach = STORY_REACH(budget);
    return r;
}

RENDER_RESULT RENDER_FRAME(const REACH_RESULT& reach, const RENDER_REQUEST& request) {
    RENDER_RESULT out;
    const int32_t want = request.PAGE;
    std::vector<std::string> keys = request.KEYS;
    if (want >= 0 && !has_file(want)) {
        out.message = "page " + std::to_string(want) + " has no page file";
        return out;
    }
    if (!request.KEYS_GIVEN) {
        const int32_t page = want < 0 ? 0 : want;
        const REACH_PAGE& r = reach.PAGES.at(size_t(page));
        if (r.REACHABLE != REACH_YES) {
            out.unreachable = true;
            out.message = r.REACHABLE == REACH_NO
                              ? "page " + std::to_string(page) + " cannot be reached: no keys from the start lead there"
                              : "page " + std::to_string(page) + " was not reached before " + REACH_STOP_TEXT(reach) +
                                    " (raise the budget, or give --keys)";
            return out;
        }
        keys = REACH_KEYS(reach, r.PROOF);
    }
    const STORY_RESULT start = STORY_RESTART();
    if (!start.ok) {
        out.message = "the first frame ends the story: " + start.message;
        return out;
    }
    for (size_t i = 0; i < keys.size(); ++i) {
        const int32_t from = STORY_LOCATION();
        out.KEYS.push_back(keys[i]);
        const STORY_RESULT r = STORY_PRESS(keys[i]);
        if (r.ended) {
            out.message = "key " + std::to_string(i + 1) + " is escape, which ends the story: no frame follows it";
            return out;
        }
        if (!r.ok) {
            out.message = "key " + std::to_string(i + 1) + " (" + KEY_NAME(keys[i]) + ") on page " +
                          std::to_string(from) + " ends the story: " + r.message;
            return out;
        }
    }
    if (request.GALLERY && !show_overlay(TAB, STORY_GALLERY_SHOWN(), "gallery", out)) return out;
    if (request.PROGRESS && !show_overlay(BACKSPACE, STORY_PROGRESS_SHOWN(), "progress", out)) return out;
    out.PAGE = STORY_LOCATION();
    if (want >= 0 && out.PAGE != want) {
        out.message = "the keys end on page " + std::to_string(out.PAGE) + ", not on page " + std::to_string(want);
        return out;
    }
    out.FRAME = image_create(SCREEN_W, SCREEN_H, 0xFF000000u);
    if (!out.FRAME || !STORY_SNAPSHOT(out.FRAME)) {
        image_destroy(out.FRAME);
        out.FRAME = nullptr;
        out.message = "no frame to take";
        return out;
    }
    out.ok = true;
    return out;
}

IMAGE* HALVED(const IMAGE* frame) {
    IMAGE* half = image_create(int(frame->WIDTH / 2), int(frame->HEIGHT / 2), 0xFF000000u);
    if (!half) return nullptr;
    for (uint32_t y = 0; y < half->HEIGHT; ++y) {
        const uint32_t* a = image_row(frame, 2 * y);
        const uint32_t* b = image_row(frame, 2 * y + 1);
        uint32_t* o = image_row(half, y);
        for (uint32_t x = 0; x < half->WIDTH; ++x) {
            uint32_t p = 0;
            for (int sh = 0; sh < 32; sh += 8) {
                const uint32_t s = ((a[2 * x] >> sh) & 0xFF) + ((a[2 * x + 1] >> sh) & 0xFF) +
                                   ((b[2 * x] >> sh) & 0xFF) + ((b[2 * x + 1] >> sh) & 0xFF);
                p |= ((s + 2) / 4) << sh;
            }
            o[x] = p;
        }
    }
    return half;
}

IMAGE* CONTACT_SHEET(const REACH_RESULT& reach, int columns, std::vector<std::string>& notes) {
    constexpr int CELL_W = 320, CELL_H = 240, LABEL_H = 16, GAP = 16;
    constexpr uint32_t PAPER = 0xFF202428u, EMPTY = 0xFF3A3F45u, NUMBER = 0xFFFFC850u, TITLE = 0xFFFFFFFFu,
                       GREY = 0xFF9AA0A6u;
    std::vector<int32_t> pages;
    for (int32_t p = 0; p <= STORY_PAGES().ubound(); ++p)
        if (has_file(p)) pages.push_back(p);
    columns = std::max(1, std::min<int>(columns, int(std::max<size_t>(1, pages.size()))));
    const int rows = int((pages.size() + size_t(columns) - 1) / size_t(columns));
    IMAGE* sheet = image_create(GAP + columns * (CELL_W + GAP), GAP + std::max(rows, 1) * (CELL_H + LABEL_H + GAP), PAPER);
    if (!sheet) return nullptr;
    for (size_t i = 0; i < pages.size(); ++i) {
        const int32_t p = pages[i];
        const int x = GAP + int(i % size_t(columns)) * (CELL_W + GAP);
        const int y = GAP + int(i / size_t(columns)) * (CELL_H + LABEL_H + GAP);
        RENDER_REQUEST request;
        request.PAGE = p;
        RENDER_RESULT frame = RENDER_FRAME(reach, request);
        if (frame.ok) {
            IMAGE* half = HALVED(frame.FRAME);
            if (half) image_put(sheet, float(x), float(y), half, PUT_COPY);
            image_destroy(half);
        } else {
            notes.push_back(frame.message);
            draw_line(sheet, float(x), float(y), float(x + CELL_W - 1), float(y + CELL_H - 1), EMPTY, LINE_FILLED_BOX);
            const std::string why = frame.unreachable ? "no reader reaches this page" : "this page cannot be shown";
            put_text(sheet, x + (CELL_W - 8 * int64_t(why.size())) / 2, y + CELL_H / 2 - 4, why, GREY);
        }
        image_destroy(frame.FRAME);
        // The number in its own colour, then the title, centred together and
        // cut to the cell's 40 characters.
        const std::string number = std::to_string(p);
        std::string title = STORY_PAGES()(p).CAPTION;
        const size_t room = CELL_W / 8 - number.size() - 1;
        if (title.size() > room) title = title.substr(0, room - 3) + "...";
        const int64_t left = (CELL_W - 8 * int64_t(number.size() + 1 + title.size())) / 2;
        const int64_t label_y = y + CELL_H + (LABEL_H - 8) / 2;
        put_text(sheet, x + left, label_y, number, NUMBER);
        put_text(sheet, x + left + 8 * int64_t(number.size() + 1), label_y, title, TITLE);
    }
    return sheet;
}
