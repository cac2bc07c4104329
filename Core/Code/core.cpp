#include "core.h"

#include "runtime.h"
#include "surface.h"
#include "vga_lookup.h"

std::string C;
std::string CI;

void CORE_STARTUP() {
    ROUTINE("Core", "CORE_STARTUP");
    check(screen_open(SCREEN_W, SCREEN_H, 32, SCREEN_PAGES, 0, 0));
    page_set(1, 0);
    VGA_LOAD(VGA_TABLE, COLOUR_TABLE);
    page_set(1, 0);
}
