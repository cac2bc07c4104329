// The story engine's records and its whole state, defined in one place.
//
// Every routine of the engine reads and writes the state through the global
// names below (PAGES, PAGELOCATION, DISPOUT, ...), which all name parts of
// the one STORY record. Only the engine writes it; front ends go through
// engine.h. STORY_RESET() empties it so another story can be opened.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
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
    LAYER_SCENERY = 9,      // 320 x 240: slots 0 and 1 and the figures composed, kept
                            // while the page is current (LAYER_CACHE_TYPE)
    LAYER_GALLERY = 11,     // page 0's row only: the gallery canvas
    LAYER_THUMBNAIL = 16,   // 24 x 24: the page's gallery picture
    LAYER_LAST = LAYER_THUMBNAIL,
};
// The size of each slot every frame makes anew; 0 x 0: the frame makes none.
struct LAYER_SIZE {
    int W, H;
};
constexpr LAYER_SIZE LAYER_SIZES[LAYER_OUTPUT + 1] = {
    {320, 240}, {144, 96}, {0, 0}, {0, 0}, {320, 24}, {320, 40}, {320, 24}, {320, 240}, {640, 480}};
// Text is drawn in cells of 8 x 8 pixels: a text layer's lines wrap at
// TEXT_COLUMNS (WRAP_LINES' width, one more than the cells across) and it
// shows as many lines as cells fit down.
constexpr int TEXT_COLUMNS = LAYER_SIZES[LAYER_TEXT].W / 8 + 1;
constexpr int LAYER_ROWS(int slot) { return LAYER_SIZES[slot].H / 8; }

// Highest page index a story may use; a file naming a higher one is refused.
constexpr int32_t MAX_PAGE_INDEX = 99999;
// Most characters or items one page may hold.
constexpr int32_t MAX_ENTITIES = 4096;

// How the loader's messages for the reader are given.
enum STORY_CONSOLE_MODE {
    CONSOLE_READER,  // printed on the work page, shown, and a key awaited (the player)
    CONSOLE_QUIET,   // only kept in STORY.MESSAGES (tools)
};

// The current page's layers are composed once and kept while the page stays
// current: the background, scene frame and figures (slots 0 and 1, SCENE,
// and LAYER_SCENERY holding the three composed), the title and the text
// bar; the option bar until its text changes. MADE_FROM writes out
// everything they were made from (page fields, picture file stamps, sizes);
// a frame that finds anything different composes them afresh.
struct LAYER_CACHE_TYPE {
    int32_t PAGE = -1;      // the page whose layers are kept; -1: none
    std::string MADE_FROM;  // what they were made from
    std::string OPTIONS;    // the option bar's text as drawn
    const void* KEPT[LAYER_SCENERY + 2] = {};  // the kept images (slots 0 to 9, then SCENE)
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
    LAYER_CACHE_TYPE LAYER_CACHE;    // the current page's kept layers
    // The thumbnails the last frame's gallery drew where they can be seen:
    // (page, cell), in drawing order.
    std::vector<std::pair<int32_t, int64_t>> GALLERY_SHOWN;
    STORY_CONSOLE_MODE CONSOLE = CONSOLE_READER;
    std::vector<std::string> MESSAGES;  // what the loader told the reader, one line each
    std::vector<STORY_FILE_TYPE> PAGE_FILES;  // every page file listed, read or refused, in reading order
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

// Forgets the current page's kept layers (LAYER_CACHE_TYPE): the next frame
// composes them afresh. For whatever changes what they were made from
// unseen: a story read again, pages or pictures replaced in memory.
void LAYERS_DROP_CACHE();
// Releases every layer, scene canvas and the font sheet of `state`, and
// gives every part of it its starting value.
void STORY_RESET(STORY_STATE& state = STORY);
struct STORY_READER_STATE;
// Sets the reader's state in the open story (nothing when its page count
// differs), and says why a state does not fit the open story ("" if it does).
void READER_STATE_SET(const STORY_READER_STATE& state);
std::string READER_STATE_MISFIT(const STORY_READER_STATE& state);
