// The story engine's records and its whole state, defined in one place.
//
// Every routine of the engine reads and writes the state through the global
// names below (PAGES, PAGELOCATION, DISPOUT, ...), which all name parts of
// the one STORY record. Only the engine writes it; front ends go through
// engine.h. STORY_RESET() empties it so another story can be opened.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "image.h"
#include "runtime.h"
#include "story_records.h"

// The layer slots of a page row in DISPOUT.
enum LAYER_SLOT : int {
    LAYER_BACKGROUND = 0,   // 320 x 240: wallpaper, then the backdrop
    LAYER_FRAME = 1,        // 144 x 96 (or narrower): the scene picture
    LAYER_TITLE = 4,        // 320 x 24: the title bar
    LAYER_TEXT = 5,         // 320 x 40: the description
    LAYER_OPTIONS = 6,      // 320 x 24: the option bar
    LAYER_COMPOSITION = 7,  // 320 x 240: the frame is composed here
    LAYER_OUTPUT = 8,       // 640 x 480: the composition doubled
    LAYER_GALLERY = 11,     // page 0's row only: the gallery canvas
    LAYER_THUMBNAIL = 16,   // 24 x 24: the page's gallery picture
    LAYER_LAST = LAYER_THUMBNAIL,
};

// Highest page index a story may use; a file naming a higher one is refused.
constexpr int32_t MAX_PAGE_INDEX = 99999;
// Most characters or items one page may hold.
constexpr int32_t MAX_ENTITIES = 4096;

// How the loader's messages for the reader are given.
enum STORY_CONSOLE_MODE {
    CONSOLE_READER,  // printed on the work page, shown, and a key awaited (the player)
    CONSOLE_QUIET,   // only kept in STORY.MESSAGES (tools)
};

struct STORY_STATE {
    Array<STORY_PAGE_TYPE> PAGES;  // the story: slot n holds page n
    int32_t PAGELOCATION = 0;      // the page the reader is on
    int32_t TOTAL = 0, TALLY = 0, TURNS = 0;  // progress counters
    int32_t SETTING_GALLERY = 0;     // 1: the gallery is shown (Tab)
    int32_t SETTING_GRADE = 0;       // 1: the progress text is shown (Backspace)
    int32_t SETTING_EFFICIENCY = 0;  // always equal to SETTING_GRADE
    int32_t SETTING_TURN = 0;        // 1: this frame's key counts as a turn
    IMAGE* FONTSHEET = nullptr;      // the font sheet, from start-up to the end
    Array2<IMAGE*> DISPOUT;          // (page, LAYER_SLOT): owns every layer image
    STORY_CONSOLE_MODE CONSOLE = CONSOLE_READER;
    std::vector<std::string> MESSAGES;  // what the loader told the reader, one line each
    bool TRACE = false;                 // keep SOURCES while loading
    std::vector<PAGE_SOURCE> SOURCES;   // every page file read, in reading order
};

extern STORY_STATE STORY;
inline Array<STORY_PAGE_TYPE>& PAGES = STORY.PAGES;
inline int32_t& PAGELOCATION = STORY.PAGELOCATION;
inline int32_t& TOTAL = STORY.TOTAL;
inline int32_t& TALLY = STORY.TALLY;
inline int32_t& TURNS = STORY.TURNS;
inline int32_t& SETTING_GALLERY = STORY.SETTING_GALLERY;
inline int32_t& SETTING_GRADE = STORY.SETTING_GRADE;
inline int32_t& SETTING_EFFICIENCY = STORY.SETTING_EFFICIENCY;
inline int32_t& SETTING_TURN = STORY.SETTING_TURN;
inline IMAGE*& FONTSHEET = STORY.FONTSHEET;
inline Array2<IMAGE*>& DISPOUT = STORY.DISPOUT;

// Releases every layer, scene canvas and the font sheet of `state`, and
// gives every part of it its starting value.
void STORY_RESET(STORY_STATE& state = STORY);
