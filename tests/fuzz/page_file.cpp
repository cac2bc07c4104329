// Page files: the field reader and PAGE_CREATE on arbitrary bytes.
#include "fuzz_support.h"
#include "asset_path.h"
#include "page_text.h"
#include "paging_module.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_setup();
    PROJECTSPACE = "Brindle";
    fuzz_write("Brindle/Assets/Pages/3 page.seq", data, size);
    Array<STORY_PAGE_TYPE> pages;
    PAGE_CREATE(pages, "3 page");
    key_clear();  // a refused page waits for a key; the headless surface supplies one
    if (pages.ubound() == 3) {
        STORY_PAGE_TYPE& p = pages(3);
        if (!p.OPTIONS.empty()) {
            // Navigation and the option line on a page whose conditions stay inside.
            for (int k = 1; k <= 4; ++k)
                if (p.OPTIONS(k).REQ > 3 || p.OPTIONS(k).REQ < -3) p.OPTIONS(k).REQ = 0;
            PAGES = pages;
            SETTING_TURN = 1;
            NAVIGATE_PAGE(PAGES(3), size ? std::string(1, char(data[0])) : "");
            PAGE_OPTIONS_LINE(PAGES(3));
            PAGE_DESCRIPTION(PAGES(3));
            PAGES.erase();
        }
    }
    return 0;
}
