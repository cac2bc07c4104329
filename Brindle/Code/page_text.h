// Page text in the font-sheet font: 8 x 8 cells, 16 to a sheet row, in code order.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "story_state.h"

// Draws TEXTDATA as one line from column COL of row ROW into DEST (drawn
// into, never replaced; the caller keeps it), in FONTSHEET's colours ANDed
// with STROKE_COLOR. PAGE is ignored. Reads FONTSHEET.
void RENDER_TEXT(STORY_PAGE_TYPE& PAGE, IMAGE*& DEST, const std::string& TEXTDATA, int64_t COL, int64_t ROW,
                 uint32_t STROKE_COLOR);
// Wraps TEXTDATA to DISP's width and draws each line centred from row ROW
// down into DISP (drawn into, never replaced). COL is ignored; PAGE is
// passed on to RENDER_TEXT. Reads FONTSHEET.
void RENDER_SCROLL(STORY_PAGE_TYPE& PAGE, const std::string& TEXTDATA, IMAGE*& DISP, int64_t COL, int64_t ROW,
                   uint32_t STROKE_COLOR);
// The lines RENDER_SCROLL draws for TEXTDATA on a buffer W - 1 characters
// wide, at most max_lines of them. Reads nothing else.
std::vector<std::string> WRAP_LINES(const std::string& TEXTDATA, int64_t W, size_t max_lines = SIZE_MAX);
// Draws PAGE's title, description and option bar into its row's
// LAYER_TITLE, LAYER_TEXT and LAYER_OPTIONS. Reads PAGE, the HISTORY its
// conditions name, FONTSHEET; writes those three layers' pixels.
void RENDER_PAGE(STORY_PAGE_TYPE& PAGE);
// Every pixel of SOURCE (drawn into, not replaced) becomes FILL.
void CLS2(IMAGE*& SOURCE, uint32_t FILL);
// The description as RENDER_PAGE lays it out: the four pieces joined by blanks.
std::string PAGE_DESCRIPTION(const STORY_PAGE_TYPE& PAGE);
// The option bar's text: the listed, available options. Reads the HISTORY
// their conditions name.
std::string PAGE_OPTIONS_LINE(const STORY_PAGE_TYPE& PAGE);
// The option bar's text with the options whose slot (1 to 4) `shown` marks,
// as far as they have a caption.
std::string OPTIONS_TEXT(const STORY_PAGE_TYPE& PAGE, const bool (&shown)[5]);
// The title's first text column on a bar `width` pixels wide.
int64_t TITLE_COLUMN(const std::string& CAPTION, uint64_t width);
