// What a frame shows, in words.
#include "page_words.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "engine.h"
#include "main.h"
#include "page_text.h"
#include "paging_module.h"
#include "platform/file_read.h"
#include "scene.h"
#include "string_support.h"
#include "surface.h"

namespace {
// The rows of the text box the description is wrapped to.
constexpr size_t TEXT_ROWS = size_t(LAYER_ROWS(LAYER_TEXT));
// The most of a description file's first line that is kept.
constexpr size_t DESCRIPTION_LIMIT = 4096;

void append_utf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    }
}

std::vector<std::string> words_of(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    for (size_t i = 0; i <= text.size(); ++i) {
        const bool pair = i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n';
        if (i == text.size() || text[i] == ' ' || pair) {
            if (!word.empty()) words.push_back(word);
            word.clear();
            i += pair;
        } else {
            word += text[i];
        }
    }
    return words;
}

// The key's name on a button: as the option bar marks it ("N"), or the
// key's own name where the bar shows a symbol.
std::string key_name(const std::string& key) {
    const unsigned char c = static_cast<unsigned char>(key[0]);
    if (key.size() == 2 && c == 255) {
        for (const EXTENDED_KEY& k : EXTENDED_KEYS)
            if (static_cast<unsigned char>(key[1]) == k.scan) {
                std::string name = k.name;
                if (name == "pageup") name = "page up";
                if (name == "pagedown") name = "page down";
                name[0] = char(std::toupper(static_cast<unsigned char>(name[0])));
                return name;
            }
        return "";
    }
    switch (c) {
        case ' ': return "Space";
        case '\t': return "Tab";
        case '\b': return "Backspace";
        case '\r': return "Enter";
        default: break;
    }
    if (c >= 1 && c <= 26) return std::string("Ctrl+") + char('A' + c - 1);
    return READER_TEXT(ascii_upper(key));
}

// Whether the first option of PAGE whose key is KEY, looked for as a key
// press looks (the options before it with their conditions), is slot
// `slot`. A condition naming no page on the way ends the story at that
// key: no.
bool taken_by_its_key(const STORY_PAGE_TYPE& PAGE, int32_t slot) {
    for (int32_t i = 1; i <= slot; ++i) {
        const int64_t req = PAGE.OPTIONS(i).REQ, named = req < 0 ? -req : req;
        if (named > PAGES.ubound()) return false;
    }
    return OPTION_CHOSEN(PAGE, PAGE.OPTIONS(slot).KEY) == slot;
}

// A layer of the frames composed so far; null without frames.
IMAGE* layer(int32_t page, int slot) {
    if (page < DISPOUT.lbound1() || page > DISPOUT.ubound1() || slot < DISPOUT.lbound2() || slot > DISPOUT.ubound2())
        return nullptr;
    return DISPOUT(page, slot);
}

// Whether any pixel of the figure drawn for ENTITY(index) of PAGE lands
// inside the frame: its picture is there, and the part of it that is not
// transparent falls inside both the figures' canvas and the composition.
// Without frames, whether its picture is there.
bool figure_seen(const STORY_PAGE_TYPE& PAGE, int32_t index, const std::string& CLASSIFICATION) {
    IMAGE* source = ENTITY_SPRITE(PAGE.ENTITY(index));
    if (!source) return false;
    IMAGE* frame0 = layer(0, LAYER_FRAME);
    IMAGE* frame = layer(PAGE.INDEX, LAYER_FRAME);
    IMAGE* composition = layer(PAGE.INDEX, LAYER_COMPOSITION);
    if (!surface_is_open() || !frame0 || !frame || !composition) {
        image_destroy(source);
        return true;
    }
    IMAGE* scaled = nullptr;
    ENTITY_SCALE(source, scaled);
    image_destroy(source);
    if (!scaled) return false;
    // Placed as ENTITY_RENDER places it, on a canvas twice page 0's frame.
    const uint32_t canvas_w = 2 * frame0->WIDTH, canvas_h = 2 * frame0->HEIGHT;
    const double CX = canvas_w / 2, CY = canvas_h / 2;
    double X0, Y0;
    ENTITY_OFFSET(index, PAGE.ENTITY.ubound(), CLASSIFICATION, X0, Y0);
    const int64_t x2 = round_position(float((CX - X0) - scaled->WIDTH / 2.0));
    const int64_t y2 = round_position(float((CY - Y0) - scaled->HEIGHT / 2.0));
    double X1, Y1;
    FRAME_POSITION(composition->WIDTH, composition->HEIGHT, frame->WIDTH, frame->HEIGHT, X1, Y1);
    const int64_t x1 = round_position(float(X1)), y1 = round_position(float(Y1));
    bool seen = false;
    for (uint32_t y = 0; y < scaled->HEIGHT && !seen; ++y) {
        const int64_t cy = y2 + y, fy = y1 + cy;
        if (cy < 0 || cy >= int64_t(canvas_h) || fy < 0 || fy >= int64_t(composition->HEIGHT)) continue;
        const uint32_t* row = image_row(scaled, y);
        for (uint32_t x = 0; x < scaled->WIDTH && !seen; ++x) {
            const int64_t cx = x2 + x, fx = x1 + cx;
            seen = (row[x] >> 24) != 0 && cx >= 0 && cx < int64_t(canvas_w) && fx >= 0 &&
                   fx < int64_t(composition->WIDTH);
        }
    }
    image_destroy(scaled);
    return seen;
}

std::string percent(const std::string& figure) {
    // "025.00%" is read "25.00%".
    const size_t digit = figure.find_first_not_of('0');
    return digit == std::string::npos || figure[digit] == '.' ? "0" + figure.substr(figure.find('.')) : figure.substr(digit);
}
}  // namespace

std::string PICTURE_WORDS(const std::string& picture) {
    std::string bytes;
    if (file_read_all(PICTURE_DESCRIPTION_PATH(picture), bytes)) {
        size_t start = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
        const size_t end = std::min(bytes.find_first_of("\r\n", start), start + DESCRIPTION_LIMIT);
        return READER_TEXT(bytes.substr(start, end == std::string::npos ? std::string::npos : end - start));
    }
    std::string name = picture.substr(picture.find_last_of("\\/") + 1);
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0) name.resize(name.size() - 4);
    std::replace(name.begin(), name.end(), '_', ' ');
    std::replace(name.begin(), name.end(), '-', ' ');
    return READER_TEXT(name);
}

std::string READER_TEXT(const std::string& bytes) {
    const bool utf8 = is_utf8(bytes);
    std::string out;
    out.reserve(bytes.size());
    bool blank = true;  // no blank at the start
    for (const char ch : bytes) {
        const unsigned char c = static_cast<unsigned char>(ch);
        // Controls: C0, DEL and, read as Latin-1, C1.
        const bool control = c < 32 || c == 127 || (!utf8 && c >= 128 && c < 160);
        if (control || c == ' ') {
            if (!blank) out += ' ';
            blank = true;
            continue;
        }
        blank = false;
        if (utf8 || c < 128) out += ch;
        else append_utf8(out, c);
    }
    if (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

std::string SHOWN_DESCRIPTION(const STORY_PAGE_TYPE& PAGE) {
    // The lines' tokens are the description's words in order, but where a
    // word too long for a line is split: its first part ends a line, the
    // rest follows a lone "-", glued to the word after it ("- xxxnext").
    const std::string text = PAGE_DESCRIPTION(PAGE);
    const std::vector<std::string> words = words_of(text);
    std::string shown;
    size_t w = 0, used = 0;  // the word being shown, and how much of it the lines before showed
    for (const std::string& line : WRAP_LINES(text, TEXT_COLUMNS, TEXT_ROWS)) {
        for (const std::string& token : words_of(line)) {
            if (used > 0 && token == "-") continue;
            for (size_t at = 0; at < token.size();) {
                if (w >= words.size()) return text;  // never so: the lines hold nothing else
                const size_t n = std::min(words[w].size() - used, token.size() - at);
                if (words[w].compare(used, n, token, at, n) != 0) return text;
                if (used == 0 && !shown.empty()) shown += ' ';
                shown.append(token, at, n);
                at += n, used += n;
                if (used == words[w].size()) ++w, used = 0;
            }
        }
    }
    return shown;
}

STORY_WORDS_TYPE STORY_WORDS() {
    STORY_WORDS_TYPE words;
    if (!PAGE_HAS_FILE(PAGES, PAGELOCATION)) return words;
    const STORY_PAGE_TYPE& PAGE = PAGES(PAGELOCATION);
    words.PAGE = PAGELOCATION;
    words.TITLE = READER_TEXT(PAGE.CAPTION);
    words.TEXT = READER_TEXT(SHOWN_DESCRIPTION(PAGE));

    const std::string scene = SCENE_PICTURE_PATH(PAGE.SPRITE);
    if (file_readable(scene))
        if (std::string said = PICTURE_WORDS(scene); !said.empty()) words.PICTURES.push_back(said);
    std::string CLASSIFICATION, ID;
    int32_t COUNT = 0;
    for (int32_t i = 1; i <= PAGE.ENTITY.ubound(); ++i) {
        std::string subject = PAGE.ENTITY(i);
        ENTITY_PARTS(subject, CLASSIFICATION, ID, COUNT);  // as the scene does: no " = " keeps the class before
        if (!figure_seen(PAGE, i, CLASSIFICATION)) continue;
        if (std::string said = PICTURE_WORDS(ENTITY_SPRITE_PATH(PAGE.ENTITY(i))); !said.empty())
            words.PICTURES.push_back(said);
    }

    for (int32_t slot = 1; slot <= 4; ++slot) {
        const STORY_OPTION_TYPE& O = PAGE.OPTIONS(slot);
        if (O.CAPTION.empty() || O.KEY.empty() || O.KEY == "\x1B" || !key_can_be_pressed(O.KEY)) continue;
        if (!taken_by_its_key(PAGE, slot)) continue;
        words.OPTIONS.push_back({O.KEY, key_name(O.KEY), READER_TEXT(O.CAPTION)});
    }

    words.GALLERY_SHOWN = SETTING_GALLERY == 1;
    if (words.GALLERY_SHOWN) {
        // The thumbnails the frame's gallery holds, by cell; of two in one
        // cell, the one drawn last, which covers the other.
        std::map<int64_t, int32_t> cells;
        for (const auto& [page, cell] : STORY.GALLERY_SHOWN) cells[cell] = page;
        for (const auto& [cell, page] : cells) {
            const std::string title = READER_TEXT(PAGES(page).CAPTION);
            words.GALLERY.push_back(title.empty() ? "Page " + std::to_string(page) : title);
        }
    }
    if (SETTING_GRADE == 1) {
        // The figures the frame's progress text shows, counted again (the
        // frame has cleared what it clears already).
        const STORY_PROGRESS_FIGURES f = STORY_PROGRESS();
        words.PROGRESS.push_back(std::to_string(f.TALLY) + " of " + std::to_string(f.TOTAL) + " pages played");
        words.PROGRESS.push_back(std::to_string(f.TURNS) + (f.TURNS == 1 ? " turn" : " turns"));
        words.PROGRESS.push_back("Grade " + percent(f.GRADE));
        const std::string text = PROGRESS_TEXT(f.TALLY, f.TOTAL, f.TURNS, f.GRADE, SETTING_EFFICIENCY);
        if (const size_t e = text.find("Efficiency:"); e != std::string::npos)
            words.PROGRESS.push_back("Efficiency " + percent(text.substr(e + 11)));
    }
    return words;
}
