// Brindle's start-up, frame loop, progress score and gallery.
#include <cstdlib>

#include "conversions.h"
#include "core.h"
#include "gfx/gfx.h"
#include "image_file.h"
#include "platform/process.h"
#include "story.h"
#include "surface.h"
#include "waitkey.h"

int32_t SETTING_GALLERY = 0, SETTING_GRADE = 0, SETTING_EFFICIENCY = 0, SETTING_TURN = 0;
IMAGE* FONTSHEET = nullptr;
Array2<IMAGE*> DISPOUT;

namespace {
// Slot sizes of a page row; 0 x 0: the slot holds no image the loop makes.
struct SlotSize {
    int w, h;
};
constexpr SlotSize SLOT_SIZE[9] = {{320, 240}, {144, 96}, {0, 0},   {0, 0},   {320, 24},
                                   {320, 40},  {320, 24}, {320, 240}, {640, 480}};

void free_slot(IMAGE*& slot) {
    image_destroy(slot);
    slot = nullptr;
}

// "ddd.dd%" from a value in hundredths of a percent.
std::string percent_text(int32_t v) {
    std::string d = "00000" + I2S(v);
    d = d.substr(d.size() - 5);
    return d.substr(0, 3) + "." + d.substr(3) + "%";
}

void put(IMAGE* target, double x, double y, IMAGE* source,
         const CallSite& at = CallSite::current()) {
    check(image_put(target, float(x), float(y), source, PUT_ALPHA), at);
}
}  // namespace

std::string GAMEPERCENT(int32_t PAGELOCATION, int32_t& TOTAL, int32_t& TALLY, int32_t& TURNS) {
    ROUTINE("Main", "GAMEPERCENT");
    TOTAL = 0;
    TALLY = 0;
    TURNS = 0;
    TOTAL = PAGES.ubound() - PAGES.lbound() + 1;
    for (int32_t i = PAGES.lbound(); i <= PAGES.ubound(); ++i) {
        STORY_PAGE_TYPE& page = PAGES(i);
        if (PAGELOCATION == 0) page.HISTORY = 0;
        if (page.HISTORY > 0) {
            ++TALLY;
            TURNS = int32_t(uint32_t(TURNS) + uint32_t(page.HISTORY));
        }
    }
    if (TOTAL <= 0) return percent_text(0);
    return percent_text(int32_t(int64_t(TALLY) * 10000 / TOTAL));
}

std::string PROGRESS_TEXT(const std::string& SCORE) {
    std::string GRADE = I2S(TALLY) + " of " + I2S(TOTAL) + " / " + I2S(TURNS) + " Turns\r\nGrade:" + SCORE;
    if (SETTING_EFFICIENCY == 1 && TURNS > 0)
        GRADE += " Efficiency:" + percent_text(int32_t(int64_t(TALLY) * 10000 / TURNS));
    return GRADE;
}

void GAMEGALLERY() {
    ROUTINE("Main", "GAMEGALLERY");
    IMAGE*& canvas = DISPOUT(0, 11);
    free_slot(canvas);
    IMAGE* page0 = need(DISPOUT(0, 7));
    canvas = image_create(int(page0->WIDTH), int(page0->HEIGHT), 0x00000000, 32);
    need(canvas);
    const int32_t p = PAGELOCATION;
    STORY_PAGE_TYPE& current = PAGES(p);
    if (current.VISITED == 0) {
        if (p > 0) ++TURNS;
        current.VISITED = TURNS;
    }
    const uint32_t n = canvas->WIDTH / 24;
    for (int32_t i = PAGES.lbound(); i <= PAGES.ubound(); ++i) {
        STORY_PAGE_TYPE& page = PAGES(i);
        if (i != p && page.HISTORY == 0) continue;
        IMAGE*& thumb = DISPOUT(i, 16);
        if (!thumb) {
            thumb = image_create(24, 24, 0x00000000, 32);
            IMAGE* INTERMEDIARY = image_create(24, 24, 0x00000000, 32);
            GFX_BUFFER_STRETCH_ASPECT(DISPOUT(i, 1), INTERMEDIARY, "height");
            GFX_BUFFER_INLAY(INTERMEDIARY, thumb);
            GFX_BUFFER_ALPHA(thumb, 96);
            image_destroy(INTERMEDIARY);
        }
        if (n == 0) continue;
        const uint32_t XO = (uint32_t(page.VISITED) % n) * 24, YO = (uint32_t(page.VISITED) / n) * 24;
        put(canvas, XO, YO, thumb);
    }
}

void BRINDLE_STARTUP() {
    ROUTINE("Main", "BRINDLE_STARTUP");
    C = "";
    PROJECTSPACE = "Brindle";
    CORE_STARTUP();
    GFX_VALIDATE_DISPLAY();
    const std::string font = ".\\" + PROJECTSPACE + "\\Assets\\Fonts\\mishap22.alpha.png";
    FONTSHEET = LoadRGBAFile(font.c_str());
    LOAD_PAGES(PAGES);
    if (PAGES.lbound() == 0 && PAGES.ubound() == -1) {
        BRINDLE_RELEASE();
        process_exit(0);
    }
    DISPOUT.redim(0, PAGES.ubound(), 0, 16);
    PAGELOCATION = 0;
}

void BRINDLE_FRAME() {
    ROUTINE("Main", "BRINDLE_FRAME");
    const int32_t p = PAGELOCATION;
    for (int n = 0; n <= 8; ++n) {
        IMAGE*& slot = DISPOUT(p, n);
        free_slot(slot);
        if (SLOT_SIZE[n].w == 0) continue;
        slot = image_create(SLOT_SIZE[n].w, SLOT_SIZE[n].h, 0x00000000, 32);
        if (n >= 4 && n <= 6) {
            need(slot);
            GFX_BUFFER_FILL(slot, 1, 1, int32_t(slot->WIDTH / 8 + 1), int32_t(slot->HEIGHT / 8 + 1), -1, 0, "Fill");
        }
    }
    GFX_BUFFER_WALLPAPER("background", DISPOUT(p, 0));
    SCENE_RENDER(PAGES(p));
    RENDER_PAGE(PAGES(p));
    screen_clear();

    IMAGE* s7 = need(DISPOUT(p, 7));
    IMAGE* s0 = need(DISPOUT(p, 0));
    IMAGE* s1 = need(DISPOUT(p, 1));
    const uint32_t W7 = s7->WIDTH, H7 = s7->HEIGHT;
    put(s7, (W7 - s0->WIDTH) / 2, (H7 - s0->HEIGHT) / 2, s0);
    const double X1 = (W7 - s1->WIDTH) / 2, Y1 = double(H7 - s1->HEIGHT) * 0.4;
    put(s7, X1, Y1, s1);
    put(s7, X1, Y1, PAGES(p).SCENE);
    GAMEGALLERY();
    if (SETTING_GALLERY == 1) put(s7, 0, 0, DISPOUT(0, 11));
    IMAGE* s4 = need(DISPOUT(p, 4));
    IMAGE* s5 = need(DISPOUT(p, 5));
    IMAGE* s6 = need(DISPOUT(p, 6));
    put(s7, (W7 - s4->WIDTH) / 2, 16, s4);
    put(s7, (W7 - s5->WIDTH) / 2, 160, s5);
    put(s7, (W7 - s6->WIDTH) / 2, H7 - s6->HEIGHT, s6);

    if (SETTING_GRADE == 1) {
        const std::string SCORE = GAMEPERCENT(p, TOTAL, TALLY, TURNS);
        const std::string GRADE = PROGRESS_TEXT(SCORE);
        RENDER_SCROLL(PAGES(p), GRADE, DISPOUT(p, 7), (int64_t(W7 / 8) + 1 - int64_t(GRADE.size())) / 2, 4,
                      0xFFFFFFFFu);
    }
    GFX_BUFFER_STRETCH_ASPECT(DISPOUT(p, 7), DISPOUT(p, 8), "height");
    put(nullptr, 0, 0, DISPOUT(p, 8));
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
    const int32_t from = PAGELOCATION;
    PAGELOCATION = NAVIGATE_PAGE(PAGES(from), C);
    if (PAGELOCATION != from) {
        // Later frames read nothing of a page left behind but page 0's frame
        // and composition sizes and the thumbnails: release the rest.
        image_destroy(PAGES(from).SCENE);
        PAGES(from).SCENE = nullptr;
        for (int n = 0; n <= 8; ++n)
            if (from != 0 || (n != 1 && n != 7)) free_slot(DISPOUT(from, n));
    }
}

void BRINDLE_RELEASE() {
    for (IMAGE*& img : DISPOUT.raw()) free_slot(img);
    for (int32_t i = PAGES.lbound(); i <= PAGES.ubound(); ++i) free_slot(PAGES(i).SCENE);
    free_slot(FONTSHEET);
    PAGES.erase();
}

void BRINDLE_MAIN() {
    ANICURSOR_FRAMES = "\\|/ - ";
    std::atexit(BRINDLE_RELEASE);
    BRINDLE_STARTUP();
    for (;;) {
        BRINDLE_FRAME();
        BRINDLE_KEY(WAITKEY());
    }
}
