// The page records of a story: one STORY_PAGE_TYPE per page, with its four
// STORY_OPTION_TYPE options. Copies duplicate the strings and arrays and
// share the image handles.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "field_reader.h"
#include "image.h"
#include "runtime.h"

struct STORY_OPTION_TYPE {
    std::string KEY;      // compared with the whole key string, A-Z folded
    int32_t DEST = 0;     // page the option leads to
    int32_t REQ = 0;      // 0 always; n: page n visited; -n: page n not visited
    std::string CAPTION;  // empty: not listed, still chosen by its key
};

struct STORY_PAGE_TYPE {
    int32_t INDEX = 0;    // its own slot in PAGES; 0 in a slot no page file filled
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

// Whether slot p of `pages` holds a page a file gave: a slot no file filled
// keeps INDEX 0 and has no options at all.
inline bool PAGE_HAS_FILE(const Array<STORY_PAGE_TYPE>& pages, int64_t p) {
    return p >= 0 && p <= pages.ubound() && pages(int32_t(p)).INDEX == p && !pages(int32_t(p)).OPTIONS.empty();
}

// A file a story reads. PATH is built as the engine reads it (ASSET_PATH).
enum STORY_FILE_KIND {
    STORY_FILE_COLOURS,    // the colour table
    STORY_FILE_FONT,       // the font sheet
    STORY_FILE_PATTERN,    // the bars' pattern, "Fill"
    STORY_FILE_WALLPAPER,  // tiled under everything
    STORY_FILE_BACKDROP,   // tiled over the wallpaper
    STORY_FILE_PAGE,       // a page file
    STORY_FILE_SCENE,      // a page's scene picture
    STORY_FILE_FIGURE,     // a page's character or item picture
    STORY_FILE_DESCRIPTION,  // the words for the picture listed just before it (.txt beside it)
};
struct STORY_FILE_TYPE {
    STORY_FILE_KIND KIND;
    std::string PATH;
    int32_t PAGE = -1;  // the page it belongs to (a page file, a page's picture); -1: the whole story's
    int32_t SLOT = 0;   // a figure: its ENTITY slot
};

// Where the loader read each part of a page, so tools can point an author at
// a file and line. Kept only when asked for (STORY_OPEN's trace).
enum PAGE_FIELD {
    FIELD_CAPTION,
    FIELD_NPC_COUNT,
    FIELD_ITEM_COUNT,
    FIELD_SPRITE,
    FIELD_NPC,             // SLOT: 1 to NPC_COUNT
    FIELD_ITEM,            // SLOT: 1 to ITEM_COUNT
    FIELD_KEY,             // SLOT: the option, 1 to 4
    FIELD_DEST,
    FIELD_REQ,
    FIELD_OPTION_CAPTION,
    FIELD_DESC,            // SLOT: the piece, 1 to 4
};

struct FIELD_READ {
    PAGE_FIELD FIELD;
    int32_t SLOT;
    int32_t LINE;      // from 1
    std::string TEXT;  // as written in the file (a number field's own text)
    bool QUOTED = false;
    FIELD_ENDING ENDING = FIELD_ENDED_BY_LINE;  // what ended it: a comma, a line end ...
};

struct PAGE_SOURCE {
    std::string NAME;     // the listed file name, without ".seq"
    std::string PATH;     // the path the loader built
    int64_t INDEX = 0;    // the page number its name gives
    std::string REFUSED;  // the loader's message when it skipped the file
    std::vector<FIELD_READ> FIELDS;  // in reading order
    int32_t UNREAD_FIRST = 0, UNREAD_LAST = 0;  // lines holding text after the last field; 0: none
};
