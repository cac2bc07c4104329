// The page records of a story: one STORY_PAGE_TYPE per page, with its four
// STORY_OPTION_TYPE options. Copies duplicate the strings and arrays and
// share the image handles.
#pragma once
#include <cstdint>
#include <string>

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
