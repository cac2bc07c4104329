// The shape of a story as every command describes it: which pages exist,
// and which of them end the story or leave the reader stuck.
//
// One rule, for check, stats, random, graph and play alike:
// - An ending is a reachable page other than page 0 from which every option
//   a key can take, and that leads away from the page, leads to page 0.
// - A dead end is a reachable page from which no option a key can take
//   leads away: the reader can only quit.
// An option that leads back to its own page leads nowhere. "Reachable" and
// "can take" are the reachability search's verdicts (reach.h), conditions
// included. A page whose frame ends the story in the fault report (a listed
// option's condition names a page beyond the story) is neither: that fault
// is what the reader meets.
#pragma once
#include <cstdint>
#include <vector>

#include "reach.h"
#include "story_records.h"

// Whether slot `page` of the open story holds a page a file gave (a slot
// no file filled has no options at all).
bool PAGE_EXISTS(int64_t page);

enum PAGE_END_KIND { PAGE_GOES_ON, PAGE_ENDING, PAGE_DEAD_END };
// What page `page` of the open story is, by the rule above. An ending needs
// the search not to have ruled out its reachability or its options; a dead
// end needs both proven.
PAGE_END_KIND PAGE_END(int32_t page, const REACH_RESULT& reach);

// Whether showing the page ends the story in the fault report: an option
// with a caption (which the bar lists, working out its condition) names a
// page beyond the story.
bool PAGE_FRAME_FAULTS(const STORY_PAGE_TYPE& page);
// The first option slot whose condition names a page beyond the story, or 0.
int32_t FIRST_CONDITION_BEYOND(const STORY_PAGE_TYPE& page);

struct STORY_END_PAGES {
    std::vector<int32_t> ENDINGS, DEAD_ENDS;  // in page order
};
STORY_END_PAGES STORY_ENDS(const REACH_RESULT& reach);
