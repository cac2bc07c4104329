// Brindle's frame loop, progress score and gallery.
#include "main.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "asset_path.h"
#include "conversions.h"
#include "core.h"
#include "gfx/gfx.h"
#include "page_text.h"
#include "paging_module.h"
#include "platform/file_read.h"
#include "platform/process.h"
#include "scene.h"
#include "surface.h"

namespace {
// The wallpaper and the bars' pattern the frame loop draws with.
const std::string WALLPAPER = "background", PATTERN = "Fill";
const std::string FONT = "mishap22.alpha";

void free_slot(IMAGE*& slot) {
    image_destroy(slot);
    slot = nullptr;
}

// Slot n of page p's row made anew at its size; the bars pattern-filled.
void new_slot(int32_t p, int n) {
    IMAGE*& slot = DISPOUT(p, n);
    free_slot(slot);
    if (LAYER_SIZES[n].W == 0) return;
    // The output layer is the composition stretched over every one of its
    // pixels before anything reads it: its fill would be overwritten unseen.
    slot = n == LAYER_OUTPUT && work_page() ? image_alloc(LAYER_SIZES[n].W, LAYER_SIZES[n].H)
                                            : image_create(LAYER_SIZES[n].W, LAYER_SIZES[n].H, 0x00000000, 32);
    if (n == LAYER_TITLE || n == LAYER_TEXT || n == LAYER_OPTIONS) {
        need(slot);
        GFX_BUFFER_FILL(slot, 1, 1, int32_t(slot->WIDTH / 8 + 1), int32_t(slot->HEIGHT / 8 + 1), -1, 0, PATTERN);
    }
}

void add_number(std::string& key, int64_t v) { key.append(reinterpret_cast<const char*>(&v), sizeof v); }
void add_text(std::string& key, const std::string& text) {
    add_number(key, int64_t(text.size()));
    key += text;
}
// The path and what is there now; false when its contents cannot be told apart.
bool add_file(std::string& key, const std::string& path) {
    add_text(key, path);
    return path_stamp(path, key);
}

// Everything the kept layers of PAGE are made from, written out: the page's
// fields, the pictures read and their stamps, the story's bounds, page 0's
// scene frame size (the figures' canvas size; on page 0 itself it follows
// from the scene picture) and the font sheet. "" when a picture path names
// something whose changes cannot be seen (a device, a pipe): such a page is
// composed afresh in every frame.
std::string layers_made_from(const STORY_PAGE_TYPE& PAGE) {
    std::string key;
    add_number(key, PAGE.INDEX);
    std::vector<STORY_FILE_TYPE> files;
    FRAME_FILES(files);
    PAGE_PICTURES(PAGE, files);
    for (const STORY_FILE_TYPE& f : files)
        if (f.KIND != STORY_FILE_FONT && !add_file(key, f.PATH)) return "";
    add_number(key, PAGE.ENTITY.lbound());
    add_number(key, PAGE.ENTITY.ubound());
    for (int32_t i = PAGE.ENTITY.lbound(); i <= PAGE.ENTITY.ubound(); ++i) add_text(key, PAGE.ENTITY(i));
    add_text(key, PAGE.CAPTION);
    add_text(key, PAGE_DESCRIPTION(PAGE));
    // The option bar is compared by its text; its fields and the story's
    // bounds make sure that text can be worked out without a fault.
    for (int32_t i = PAGE.OPTIONS.lbound(); i <= PAGE.OPTIONS.ubound(); ++i) {
        const STORY_OPTION_TYPE& O = PAGE.OPTIONS(i);
        add_text(key, O.KEY);
        add_number(key, O.DEST);
        add_number(key, O.REQ);
        add_text(key, O.CAPTION);
    }
    add_number(key, PAGES.lbound());
    add_number(key, PAGES.ubound());
    if (PAGE.INDEX != 0) {
        const IMAGE* frame0 = DISPOUT(0, LAYER_FRAME);
        add_number(key, frame0 ? int64_t(frame0->WIDTH) << 32 | frame0->HEIGHT : -1);
    }
    add_number(key, int64_t(reinterpret_cast<uintptr_t>(FONTSHEET)));
    if (FONTSHEET) add_number(key, int64_t(FONTSHEET->WIDTH) << 32 | FONTSHEET->HEIGHT);
    return key;
}

// Whether page p's row still holds the layers made from MADE_FROM.
bool layers_kept(int32_t p, const std::string& MADE_FROM) {
    const LAYER_CACHE_TYPE& kept = STORY.LAYER_CACHE;
    if (MADE_FROM.empty() || kept.PAGE != p || kept.MADE_FROM != MADE_FROM) return false;
    for (int n = LAYER_BACKGROUND; n <= LAYER_SCENERY; ++n)
        if (DISPOUT(p, n) != kept.KEPT[n]) return false;
    return PAGES(p).SCENE == kept.KEPT[LAYER_SCENERY + 1];
}

void keep_layers(int32_t p, const std::string& MADE_FROM, const std::string& OPTIONS) {
    LAYER_CACHE_TYPE& kept = STORY.LAYER_CACHE;
    kept.PAGE = p;
    kept.MADE_FROM = MADE_FROM;
    kept.OPTIONS = OPTIONS;
    for (int n = LAYER_BACKGROUND; n <= LAYER_SCENERY; ++n) kept.KEPT[n] = DISPOUT(p, n);
    kept.KEPT[LAYER_SCENERY + 1] = PAGES(p).SCENE;
}

// "ddd.dd%" from a value in hundredths of a percent.
std::string percent_text(int32_t v) {
    std::string d = "00000" + I2S(v);
    d = d.substr(d.size() - 5);
    return d.substr(0, 3) + "." + d.substr(3) + "%";
}

void put(IMAGE* target, double x, double y, IMAGE* source, const CallSite& at = CallSite::current()) {
    check(image_put(target, float(x), float(y), source, PUT_ALPHA), at);
}

// screen_clear, then OUTPUT blended onto the work page at (0, 0), where
// OUTPUT is COMPOSITION stretched to twice its size. A pixel blended onto a
// cleared one depends on its source alone, and the stretch repeats each
// pixel of COMPOSITION in a 2 x 2 block of OUTPUT, so each composition row
// is blended once onto a cleared row and doubled onto the page: a quarter
// of the blending. Other sizes take the plain way.
void show(IMAGE* COMPOSITION, IMAGE* OUTPUT, const CallSite& at = CallSite::current()) {
    IMAGE* page = work_page();
    const bool doubled = page && COMPOSITION && OUTPUT && OUTPUT->WIDTH == page->WIDTH &&
                         OUTPUT->HEIGHT == page->HEIGHT && OUTPUT->WIDTH == 2 * COMPOSITION->WIDTH &&
                         OUTPUT->HEIGHT == 2 * COMPOSITION->HEIGHT &&
                         // the stretch's index products stay below 2^32: exactly x / 2
                         COMPOSITION->WIDTH <= 46340 && COMPOSITION->HEIGHT <= 46340;
    if (!doubled) {
        screen_clear();
        put(nullptr, 0, 0, OUTPUT, at);
        return;
    }
    const uint32_t w = COMPOSITION->WIDTH;
    const size_t padding = page->PITCH - size_t(page->WIDTH) * 4;
    std::vector<uint32_t> row(w);
    for (uint32_t y = 0; y < COMPOSITION->HEIGHT; ++y) {
        blend_row_onto_clear(row.data(), image_row(COMPOSITION, y), w);
        uint32_t* top = image_row(page, 2 * y);
        double_row(top, row.data(), w);
        std::memset(top + page->WIDTH, 0, padding);
        std::memcpy(image_row(page, 2 * y + 1), top, page->PITCH);
    }
}

// The page the reader is on. A page number outside the story, or a slot no
// page file filled (INDEX 0 in a slot past 0), is no page to show: the
// out-of-bounds report.
STORY_PAGE_TYPE& shown_page(const CallSite& at = CallSite::current()) {
    STORY_PAGE_TYPE& page = PAGES(PAGELOCATION, at);
    if (page.INDEX != PAGELOCATION) fatal_error(ERR_OUT_OF_BOUNDS, at);
    return page;
}

// Page i's gallery picture, from its scene frame layer as it is now.
void make_thumbnail(int32_t i) {
    IMAGE*& thumb = DISPOUT(i, LAYER_THUMBNAIL);
    thumb = image_create(24, 24, 0x00000000, 32);
    IMAGE* INTERMEDIARY = image_create(24, 24, 0x00000000, 32);
    GFX_BUFFER_STRETCH_ASPECT(DISPOUT(i, LAYER_FRAME), INTERMEDIARY, "height");
    GFX_BUFFER_INLAY(INTERMEDIARY, thumb);
    GFX_BUFFER_ALPHA(thumb, 96);
    image_destroy(INTERMEDIARY);
}

// Rebuilds page p's row up to its text layers: every slot a frame makes,
// the wallpaper, the scene and the page's text.
void build_layers(int32_t p) {
    for (int n = LAYER_BACKGROUND; n <= LAYER_OUTPUT; ++n) new_slot(p, n);
    GFX_BUFFER_WALLPAPER(WALLPAPER, DISPOUT(p, LAYER_BACKGROUND));
    SCENE_RENDER(PAGES(p));
    RENDER_PAGE(PAGES(p));
}
}  // namespace

std::string FONT_PATH() { return ASSET_PATH("\\Assets\\Fonts\\" + FONT + ".png"); }

void FRAME_FILES(std::vector<STORY_FILE_TYPE>& files) {
    files.push_back({STORY_FILE_FONT, FONT_PATH()});
    files.push_back({STORY_FILE_PATTERN, FILL_PATH(PATTERN)});
    files.push_back({STORY_FILE_WALLPAPER, WALLPAPER_PATH(WALLPAPER)});
    files.push_back({STORY_FILE_BACKDROP, BACKDROP_PATH()});
}

std::string GAMEPERCENT(int32_t PAGELOCATION, int32_t& TOTAL, int32_t& TALLY, int32_t& TURNS) {
    ROUTINE("Main", "GAMEPERCENT");
    TOTAL = 0;
    TALLY = 0;
    TURNS = 0;
    TOTAL = PAGES.ubound() - PAGES.lbound() + 1;
    for (int32_t i = PAGES.lbound(); i <= PAGES.ubound(); ++i) {
        STORY_PAGE_TYPE& page = PAGES(i);
        if (HISTORY_CLEARED_ON(PAGELOCATION)) page.HISTORY = 0;
        if (page.HISTORY > 0) {
            ++TALLY;
            TURNS = int32_t(uint32_t(TURNS) + uint32_t(page.HISTORY));
        }
    }
    if (TOTAL <= 0) return percent_text(0);
    return percent_text(int32_t(int64_t(TALLY) * 10000 / TOTAL));
}

std::string PROGRESS_TEXT(int32_t TALLY, int32_t TOTAL, int32_t TURNS, const std::string& SCORE, int32_t efficiency) {
    std::string GRADE = I2S(TALLY) + " of " + I2S(TOTAL) + " / " + I2S(TURNS) + " Turns\r\nGrade:" + SCORE;
    if (efficiency == 1 && TURNS > 0) GRADE += " Efficiency:" + percent_text(int32_t(int64_t(TALLY) * 10000 / TURNS));
    return GRADE;
}

void GALLERY_VISIT() {
    STORY_PAGE_TYPE& current = PAGES(PAGELOCATION);
    if (current.VISITED == 0) {
        if (PAGELOCATION > 0) ++TURNS;
        current.VISITED = TURNS;
    }
}

void GAMEGALLERY() {
    ROUTINE("Main", "GAMEGALLERY");
    IMAGE*& canvas = DISPOUT(0, LAYER_GALLERY);
    free_slot(canvas);
    IMAGE* page0 = need(DISPOUT(0, LAYER_COMPOSITION));
    canvas = image_create(int(page0->WIDTH), int(page0->HEIGHT), 0x00000000, 32);
    need(canvas);
    GALLERY_VISIT();
    const int32_t p = PAGELOCATION;
    const uint32_t n = canvas->WIDTH / 24;
    STORY.GALLERY_SHOWN.clear();
    for (int32_t i = PAGES.lbound(); i <= PAGES.ubound(); ++i) {
        STORY_PAGE_TYPE& page = PAGES(i);
        if (i != p && page.HISTORY == 0) continue;
        IMAGE*& thumb = DISPOUT(i, LAYER_THUMBNAIL);
        if (!thumb) make_thumbnail(i);
        if (n == 0) continue;
        const uint32_t XO = (uint32_t(page.VISITED) % n) * 24, YO = (uint32_t(page.VISITED) / n) * 24;
        put(canvas, XO, YO, thumb);
        if (YO < canvas->HEIGHT) STORY.GALLERY_SHOWN.push_back({i, int64_t(page.VISITED)});
    }
}

void FRAME_BOOKKEEPING() {
    ROUTINE("Main", "FRAME_BOOKKEEPING");
    shown_page();
    GALLERY_VISIT();
    if (SETTING_GRADE == 1) GAMEPERCENT(PAGELOCATION, TOTAL, TALLY, TURNS);
}

void BRINDLE_FRAME() {
    ROUTINE("Main", "BRINDLE_FRAME");
    shown_page();
    const int32_t p = PAGELOCATION;
    const std::string MADE_FROM = layers_made_from(PAGES(p));
    if (layers_kept(p, MADE_FROM)) {
        // Only the option bar can change while nothing it is made from does:
        // its conditions read other pages' HISTORY.
        const std::string OPTIONS = PAGE_OPTIONS_LINE(PAGES(p));
        if (OPTIONS != STORY.LAYER_CACHE.OPTIONS) {
            new_slot(p, LAYER_OPTIONS);
            RENDER_SCROLL(PAGES(p), OPTIONS, DISPOUT(p, LAYER_OPTIONS), 1, 1, 0xFFFFFFFFu);  // as RENDER_PAGE does
            keep_layers(p, MADE_FROM, OPTIONS);
        }
        check(image_put(need(DISPOUT(p, LAYER_COMPOSITION)), 0, 0, need(DISPOUT(p, LAYER_SCENERY)), PUT_COPY));
    } else {
        STORY.LAYER_CACHE = LAYER_CACHE_TYPE{};
        free_slot(DISPOUT(p, LAYER_SCENERY));
        build_layers(p);

        IMAGE* s7 = need(DISPOUT(p, LAYER_COMPOSITION));
        IMAGE* s0 = need(DISPOUT(p, LAYER_BACKGROUND));
        IMAGE* s1 = need(DISPOUT(p, LAYER_FRAME));
        const uint32_t W7 = s7->WIDTH, H7 = s7->HEIGHT;
        put(s7, (W7 - s0->WIDTH) / 2, (H7 - s0->HEIGHT) / 2, s0);
        double X1, Y1;
        FRAME_POSITION(W7, H7, s1->WIDTH, s1->HEIGHT, X1, Y1);
        put(s7, X1, Y1, s1);
        put(s7, X1, Y1, PAGES(p).SCENE);
        // What no key changes on this page, kept for its later frames.
        IMAGE*& scenery = DISPOUT(p, LAYER_SCENERY);
        scenery = need(image_alloc(W7, H7));
        std::memcpy(scenery, s7, IMAGE_HEADER + size_t(s7->PITCH) * H7);
        if (!MADE_FROM.empty()) keep_layers(p, MADE_FROM, PAGE_OPTIONS_LINE(PAGES(p)));
    }

    IMAGE* s7 = need(DISPOUT(p, LAYER_COMPOSITION));
    const uint32_t W7 = s7->WIDTH, H7 = s7->HEIGHT;
    GAMEGALLERY();
    if (SETTING_GALLERY == 1) put(s7, 0, 0, DISPOUT(0, LAYER_GALLERY));
    IMAGE* s4 = need(DISPOUT(p, LAYER_TITLE));
    IMAGE* s5 = need(DISPOUT(p, LAYER_TEXT));
    IMAGE* s6 = need(DISPOUT(p, LAYER_OPTIONS));
    put(s7, (W7 - s4->WIDTH) / 2, TITLE_Y, s4);
    put(s7, (W7 - s5->WIDTH) / 2, TEXT_Y, s5);
    put(s7, (W7 - s6->WIDTH) / 2, H7 - s6->HEIGHT, s6);

    if (SETTING_GRADE == 1) {
        const std::string SCORE = GAMEPERCENT(p, TOTAL, TALLY, TURNS);
        const std::string GRADE = PROGRESS_TEXT(TALLY, TOTAL, TURNS, SCORE, SETTING_EFFICIENCY);
        RENDER_SCROLL(PAGES(p), GRADE, DISPOUT(p, LAYER_COMPOSITION),
                      (int64_t(W7 / 8) + 1 - int64_t(GRADE.size())) / 2, 4, 0xFFFFFFFFu);
    }
    GFX_BUFFER_STRETCH_ASPECT(DISPOUT(p, LAYER_COMPOSITION), DISPOUT(p, LAYER_OUTPUT), "height");
    show(DISPOUT(p, LAYER_COMPOSITION), DISPOUT(p, LAYER_OUTPUT));
    check(page_flip());
}

void BRINDLE_KEY(const std::string& key) {
    ROUTINE("Main", "BRINDLE_KEY");
    C = key;
    SETTING_TURN = 0;
    const unsigned char first = C.empty() ? 0 : static_cast<unsigned char>(C[0]);
    if (first == 9) {
        SETTING_GALLERY ^= 1;
    } else if (first == 8) {
        SETTING_GRADE ^= 1;
        SETTING_EFFICIENCY = SETTING_GRADE;
    } else {
        SETTING_TURN = 1;
    }
    PAGELOCATION = NAVIGATE_PAGE(PAGES(PAGELOCATION), C);
}

void LAYERS_LEAVE(int32_t page) {
    if (STORY.LAYER_CACHE.PAGE == page) STORY.LAYER_CACHE = LAYER_CACHE_TYPE{};
    image_destroy(PAGES(page).SCENE);
    PAGES(page).SCENE = nullptr;
    for (int n = LAYER_BACKGROUND; n <= LAYER_SCENERY; ++n)
        if (page != 0 || (n != LAYER_FRAME && n != LAYER_COMPOSITION)) free_slot(DISPOUT(page, n));
}

void LAYERS_REBUILD() {
    ROUTINE("Main", "LAYERS_REBUILD");
    const int32_t here = PAGELOCATION;
    // Page 0 is shown first in every run: its frame and composition sizes
    // (which later frames read) and its thumbnail come from that frame.
    PAGELOCATION = 0;
    build_layers(0);
    if (!DISPOUT(0, LAYER_THUMBNAIL)) make_thumbnail(0);
    LAYERS_LEAVE(0);
    // A played page was current once and has its thumbnail from then; the
    // current page makes its own in the next frame.
    for (int32_t i = 1; i <= PAGES.ubound(); ++i) {
        if (i == here || PAGES(i).HISTORY == 0 || PAGES(i).INDEX != i || DISPOUT(i, LAYER_THUMBNAIL)) continue;
        PAGELOCATION = i;
        build_layers(i);
        make_thumbnail(i);
        LAYERS_LEAVE(i);
    }
    PAGELOCATION = here;
}
