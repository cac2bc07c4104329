// Page files and navigation between pages.
#pragma once
#include <cstdint>
#include <string>

#include "story_state.h"

// Reads every page file of ASSET_PATH("\Assets\Pages") into PAGE (replacing
// it); none: "Oh Noes!" on the console and PAGE left empty. Reads
// PROJECTSPACE, ASSET_ROOT, STORY.CONSOLE; writes PAGE, STORY.MESSAGES.
void LOAD_PAGES(Array<STORY_PAGE_TYPE>& PAGE);
// Reads one page file (base name FILENAME) into the slot of its index,
// growing PAGE; a file that cannot be read or holds an impossible number is
// skipped with a message. Writes PAGE, STORY.MESSAGES.
void PAGE_CREATE(Array<STORY_PAGE_TYPE>& PAGE, const std::string& FILENAME);
// Clears the story content of slot PAGEINDEX (not INDEX, HISTORY, VISITED,
// SCENE). Writes PAGE.
void PAGE_DESTROY(Array<STORY_PAGE_TYPE>& PAGE, int32_t PAGEINDEX);

// Whether an option's condition holds. Reads the HISTORY of the page REQ
// names; a page outside PAGES is the out-of-bounds report (at `at`).
bool OPTION_AVAILABLE(const STORY_OPTION_TYPE& O, const CallSite& at = CallSite::current());
// The slot (1 to 4) of the first available option whose KEY equals C with
// A-Z folded, or 0. Reads PAGE.OPTIONS and the HISTORY of the pages they name.
int32_t OPTION_CHOSEN(const STORY_PAGE_TYPE& PAGE, const std::string& C);
// The page to show after key C: the chosen option's DEST (raising
// PAGE.HISTORY when SETTING_TURN is set), or PAGE.INDEX. An empty C marks
// an unplayed page as played once. Reads SETTING_TURN; writes PAGE.HISTORY.
int32_t NAVIGATE_PAGE(STORY_PAGE_TYPE& PAGE, const std::string& C);
