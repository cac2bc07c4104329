// The shape of a story as its commands describe it: which pages exist and
// which of them end it (the rule the stats command counts endings by).
#pragma once
#include <cstdint>
#include <vector>

#include "story_records.h"

// Whether slot `page` of the open story holds a page a file gave (a slot
// no file filled has no options at all).
bool PAGE_EXISTS(int64_t page);
// Whether a page ends the story: a page other than page 0 whose options
// that a key press can choose all lead back to page 0 or nowhere (to the
// page itself), or that has none. Conditions are not looked at: an ending
// is a page the author wrote as one.
bool IS_ENDING(const STORY_PAGE_TYPE& page);
// The endings of the open story, in page order.
std::vector<int32_t> STORY_ENDINGS();
