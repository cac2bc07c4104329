// The colour table reader and lookups.
#include "fuzz_support.h"
#include "vga_lookup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_setup();
    PROJECTSPACE = "Demo";
    fuzz_write("Demo/Assets/VGA Table.seq", data, size);
    VGA_LOAD(VGA_TABLE, "VGA Table");
    for (int i = 0; i <= VGA_TABLE.ubound() && i < 256; ++i) VGA_LOOKUP(i);
    return 0;
}
