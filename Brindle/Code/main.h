// Brindle's frame loop: the layers of one frame, keys, progress and gallery.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "story_state.h"

// The font sheet read at start.
std::string FONT_PATH();
// Appends the files every frame reads whatever the page: the font, the
// bars' pattern, the wallpaper and the backdrop.
void FRAME_FILES(std::vector<STORY_FILE_TYPE>& files);

// Sets TOTAL, TALLY, TURNS from the pages' HISTORY (clearing every HISTORY
// first when PAGELOCATION is 0) and returns the grade, such as "033.33%".
// Reads and may write PAGES' HISTORY.
std::string GAMEPERCENT(int32_t PAGELOCATION, int32_t& TOTAL, int32_t& TALLY, int32_t& TURNS);
// Where the layers land on the composition (W7 x H7): the title bar at y
// TITLE_Y, the text box at TEXT_Y, the option bar on the bottom edge, and the
// scene frame (and the page's figure canvas) at (X1, Y1).
constexpr int TITLE_Y = 16, TEXT_Y = 160;
inline void FRAME_POSITION(uint32_t W7, uint32_t H7, uint32_t W1, uint32_t H1, double& X1, double& Y1) {
    X1 = (W7 - W1) / 2;
    Y1 = double(H7 - H1) * 0.4;
}

// Whether computing the progress on this page clears every page's HISTORY
// (it does on page 0: coming back there starts the counts afresh).
inline bool HISTORY_CLEARED_ON(int32_t page) { return page == 0; }
// The progress text's two lines from the counters and the grade SCORE;
// the efficiency figure only when `efficiency` is 1 and TURNS is above 0.
std::string PROGRESS_TEXT(int32_t TALLY, int32_t TOTAL, int32_t TURNS, const std::string& SCORE, int32_t efficiency);
// Gives the current page its visit number the first time it is current.
// Reads PAGELOCATION; writes that page's VISITED and TURNS.
void GALLERY_VISIT();
// Rebuilds page 0's LAYER_GALLERY canvas (DISPOUT owns it), numbering the
// current page (GALLERY_VISIT) and making thumbnails of the pages played.
// Reads PAGES, page rows' LAYER_FRAME; writes DISPOUT.
void GAMEGALLERY();

// What a frame changes besides pixels, for a story followed without
// pictures: GALLERY_VISIT, then GAMEPERCENT when the progress is shown.
void FRAME_BOOKKEEPING();
// Composes the current page's frame, puts it on the work page and flips.
// What no key changes on a page (scenery, title, text; the option bar while
// its text stays) is composed in its first frame and kept while the page is
// current and everything it was made from, picture files included, stays
// the same (LAYER_CACHE_TYPE).
// A page with no page file (or none at all) is the out-of-bounds report.
// Writes the current page's row, its SCENE, page 0's gallery canvas, the
// counters and the surface.
void BRINDLE_FRAME();
// Acts on one key (never Escape): Tab and Backspace switch the gallery
// and the progress text, then NAVIGATE_PAGE moves the reader. Writes C,
// SETTING_*, PAGELOCATION and the HISTORY of the page left.
void BRINDLE_KEY(const std::string& key);
// Releases what later frames no longer read of a page row the reader has
// left (all but page 0's frame and composition sizes, and the thumbnail),
// its kept layers included.
void LAYERS_LEAVE(int32_t page);
// Makes, in empty page rows, what later frames read back of pages that are
// not current, as a run that had shown them would have left it: page 0's
// frame and composition layers and thumbnail, and the thumbnail of every
// played page, from the pictures on disk now. Reads PAGES, PAGELOCATION;
// writes DISPOUT and the pages' SCENE (released again).
void LAYERS_REBUILD();
// (LAYERS_DROP_CACHE, in story_state.h, forgets the kept layers.)
