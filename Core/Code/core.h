// The programs' shared key globals and the start-up block.
#pragma once
#include <string>

extern std::string C;   // the last key read
extern std::string CI;  // the prompt's last key

// Opens the 640 x 480 window (fatal report on failure), selects work page 1
// and visible page 0 and loads the colour table COLOUR_TABLE. Reads
// PROJECTSPACE and ASSET_ROOT; writes VGA_TABLE.
void CORE_STARTUP();
