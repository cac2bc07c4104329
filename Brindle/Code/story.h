// Brindle's records, globals and routines.
#pragma once
#include <cstdint>
#include <cstdint>
#include <string>
#include <vector>

#include "image.h"
#include "runtime.h"

struct STORY_OPTION_TYPE {
    std::string KEY;      // compared with the whole key string, A-Z folded
    int32_t DEST = 0;     // page the option leads to
    int32_t REQ = 0;      // 0 always; n: page n visited; -n: page n not visited
    std::string CAPTION;  // empty: not listed, still chosen by its key
};

struct STORY_PAGE_TYPE {
    int32_t INDEX = 0;
    int32_t HISTORY = 0;  // counted departures; 0 = not played
    int32_t VISITED = 0;  // visit number (gallery cell); 0 = not yet numbered
    std::string CAPTION;
    int32_t NPC_COUNT = 0;
    int32_t ITEM_COUNT = 0;
    int32_t ENTITY_COUNT = 0;
    std::string SPRITE;
    IMAGE* SCENE = nullptr;         // owned by the scene composition, not by the record
    IMAGE* INTERMEDIARY = nullptr;  // never set
    Array<std::string> NPC, ITEM, ENTITY;
    Array<STORY_OPTION_TYPE> OPTIONS;  // slots 1 to 4
    Array<std::string> DESC;           // slots 1 to 4
};

// Globals of the story engine.
extern Array<STORY_PAGE_TYPE> PAGES;
extern int32_t PAGELOCATION, TOTAL, TALLY, TURNS;
extern int32_t SETTING_GALLERY, SETTING_GRADE, SETTING_EFFICIENCY, SETTING_TURN;
extern IMAGE* FONTSHEET;
extern Array2<IMAGE*> DISPOUT;  // (page, layer slot 0 to 16)

// Highest page index a story may use; a file naming a higher one is refused.
constexpr int32_t MAX_PAGE_INDEX = 99999;
// Most characters or items one page may hold.
constexpr int32_t MAX_ENTITIES = 4096;

// Paging Module
void LOAD_PAGES(Array<STORY_PAGE_TYPE>& PAGE);
void PAGE_CREATE(Array<STORY_PAGE_TYPE>& PAGE, const std::string& FILENAME);
void PAGE_DESTROY(Array<STORY_PAGE_TYPE>& PAGE, int32_t PAGEINDEX);
// Whether an option's condition holds (reads the HISTORY of the page it names).
bool OPTION_AVAILABLE(const STORY_OPTION_TYPE& O,
                      const CallSite& at = CallSite::current());
int32_t NAVIGATE_PAGE(STORY_PAGE_TYPE& PAGE, const std::string& C);
void RENDER_TEXT(STORY_PAGE_TYPE& PAGE, IMAGE*& DEST, const std::string& TEXTDATA, int64_t COL, int64_t ROW,
                 uint32_t STROKE_COLOR);
void RENDER_SCROLL(STORY_PAGE_TYPE& PAGE, const std::string& TEXTDATA, IMAGE*& DISP, int64_t COL, int64_t ROW,
                   uint32_t STROKE_COLOR);
// The lines RENDER_SCROLL draws for a text on a buffer W - 1 characters wide
// (at most max_lines of them).
std::vector<std::string> WRAP_LINES(const std::string& TEXTDATA, int64_t W, size_t max_lines = SIZE_MAX);
void RENDER_PAGE(STORY_PAGE_TYPE& PAGE);
void CLS2(IMAGE*& SOURCE, uint32_t FILL);
// The description and options line as RENDER_PAGE lays them out.
std::string PAGE_DESCRIPTION(STORY_PAGE_TYPE& PAGE);
std::string PAGE_OPTIONS_LINE(STORY_PAGE_TYPE& PAGE);

// Scene
void SCENE_RENDER(STORY_PAGE_TYPE& PAGE);
void ENTITY_RENDER(Array<std::string>& ENTITY, IMAGE*& DEST);
void ENTITY_PARTS(std::string& SUBJECT, std::string& CLASSIFICATION, std::string& ID, int32_t& COUNT);
IMAGE* ENTITY_SPRITE(const std::string& SUBJECT);
void ENTITY_SCALE(IMAGE* SOURCE, IMAGE*& DEST);

// Main
std::string GAMEPERCENT(int32_t PAGELOCATION, int32_t& TOTAL, int32_t& TALLY, int32_t& TURNS);
void GAMEGALLERY();
std::string PROGRESS_TEXT(const std::string& SCORE);  // the two lines of the progress text
void BRINDLE_STARTUP();  // ends the program (exit 0) on an empty story
void BRINDLE_FRAME();    // composes and shows the current page
void BRINDLE_KEY(const std::string& key);  // acts on one key (not Escape)
void BRINDLE_RELEASE();  // frees every layer, canvas and the font sheet
[[noreturn]] void BRINDLE_MAIN();
