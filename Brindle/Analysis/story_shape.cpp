#include "story_shape.h"

#include "engine.h"

bool PAGE_EXISTS(int64_t page) {
    return PAGE_HAS_FILE(STORY_PAGES(), page);
}

int32_t FIRST_CONDITION_BEYOND(const STORY_PAGE_TYPE& page) {
    const int64_t last = STORY_PAGES().ubound();
    for (int32_t slot = 1; slot <= 4; ++slot) {
        const int64_t req = page.OPTIONS(slot).REQ;
        if ((req < 0 ? -req : req) > last) return slot;
    }
    return 0;
}

bool PAGE_FRAME_FAULTS(const STORY_PAGE_TYPE& page) {
    const int64_t last = STORY_PAGES().ubound();
    for (int32_t slot = 1; slot <= 4; ++slot) {
        const STORY_OPTION_TYPE& o = page.OPTIONS(slot);
        if (!o.CAPTION.empty() && (o.REQ < 0 ? -int64_t(o.REQ) : o.REQ) > last) return true;
    }
    return false;
}

PAGE_END_KIND PAGE_END(int32_t p, const REACH_RESULT& reach) {
    if (!PAGE_EXISTS(p) || size_t(p) >= reach.PAGES.size()) return PAGE_GOES_ON;
    const STORY_PAGE_TYPE& page = STORY_PAGES()(p);
    const REACH_PAGE& r = reach.PAGES[size_t(p)];
    if (r.REACHABLE == REACH_NO || PAGE_FRAME_FAULTS(page)) return PAGE_GOES_ON;
    if (r.LEAVES == REACH_NO)
        return r.REACHABLE == REACH_YES && FIRST_CONDITION_BEYOND(page) == 0 ? PAGE_DEAD_END : PAGE_GOES_ON;
    if (p == 0) return PAGE_GOES_ON;
    bool to_start = false;
    for (int32_t slot = 1; slot <= 4; ++slot) {
        const STORY_OPTION_TYPE& o = page.OPTIONS(slot);
        if (PRESSED_KEY(o.KEY).empty() || o.DEST == p || reach.OPTIONS[size_t(p)][size_t(slot - 1)].TAKEN == REACH_NO)
            continue;
        if (o.DEST != 0) return PAGE_GOES_ON;
        to_start = true;
    }
    return to_start ? PAGE_ENDING : PAGE_GOES_ON;
}

STORY_END_PAGES STORY_ENDS(const REACH_RESULT& reach) {
    STORY_END_PAGES ends;
    for (int32_t p = 0; p <= STORY_PAGES().ubound(); ++p) {
        const PAGE_END_KIND kind = PAGE_END(p, reach);
        if (kind == PAGE_ENDING) ends.ENDINGS.push_back(p);
        if (kind == PAGE_DEAD_END) ends.DEAD_ENDS.push_back(p);
    }
    return ends;
}
