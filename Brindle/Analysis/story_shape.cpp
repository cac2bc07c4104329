#include "story_shape.h"

#include "engine.h"
#include "reach.h"

bool PAGE_EXISTS(int64_t page) {
    return PAGE_HAS_FILE(STORY_PAGES(), page);
}

bool IS_ENDING(const STORY_PAGE_TYPE& page) {
    if (page.INDEX == 0 || page.OPTIONS.empty()) return false;
    for (int32_t slot = page.OPTIONS.lbound(); slot <= page.OPTIONS.ubound(); ++slot) {
        const STORY_OPTION_TYPE& o = page.OPTIONS(slot);
        if (!PRESSED_KEY(o.KEY).empty() && o.DEST != 0 && o.DEST != page.INDEX) return false;
    }
    return true;
}

std::vector<int32_t> STORY_ENDINGS() {
    std::vector<int32_t> endings;
    const auto& pages = STORY_PAGES();
    for (int32_t p = 0; p <= pages.ubound(); ++p)
        if (PAGE_EXISTS(p) && IS_ENDING(pages(p))) endings.push_back(p);
    return endings;
}
