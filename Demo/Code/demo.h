// What Quiltify and Patchwise share: the start-up, the green diagonals, the end.
#pragma once
#include "asset_path.h"
#include "core.h"
#include "image_file.h"
#include "platform/process.h"
#include "runtime.h"
#include "surface.h"
#include "vga_lookup.h"
#include "waitkey.h"

// Asset space "Demo", the colour table, the window with work page 1.
inline void DEMO_STARTUP() {
    PROJECTSPACE = "Demo";
    C = "";
    CI = "";
    VGA_LOAD(VGA_TABLE, "VGA Table");
    check(screen_open(SCREEN_W, SCREEN_H, 32, SCREEN_PAGES, 0, 0));
    page_set(1, 0);
}

inline IMAGE* DEMO_SPRITE(const std::string& name) {
    const std::string path = ASSET_PATH("\\Assets\\Sprites\\" + name + ".png");
    return LoadRGBAFile(path.c_str());
}

// The two diagonals of a buffer's area, on the work page.
inline void DEMO_DIAGONALS(const IMAGE* area) {
    const float w = float(area->WIDTH), h = float(area->HEIGHT);
    draw_line(nullptr, 0, 0, w - 1, h - 1, 0xFF00FF00u);
    draw_line(nullptr, w - 1, 0, 0, h - 1, 0xFF00FF00u);
}

// Shows the frame, waits for one key (Escape ends at once), then for the
// port; the window is closed before the program ends.
[[noreturn]] inline void DEMO_FINISH(int line) {
    page_flip();
    C = WAITKEY();
    PORT_WAIT(1, 1, line, port_read);
    process_exit(0);
}
