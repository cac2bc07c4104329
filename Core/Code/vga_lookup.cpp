#include "vga_lookup.h"

#include "conversions.h"
#include "asset_path.h"
#include "field_reader.h"
#include "file_support.h"
#include "platform/file_read.h"
#include "platform/process.h"

Array<std::string> VGA_TABLE;

std::string COLOUR_TABLE_PATH(const std::string& FILENAME) { return ASSET_PATH("\\Assets\\" + FILENAME + ".seq"); }

void VGA_LOAD(Array<std::string>& VGA_TABLE, const std::string& FILENAME) {
    ROUTINE("VGA Lookup", "VGA_LOAD");
    VGA_TABLE.erase();
    const std::string path = COLOUR_TABLE_PATH(FILENAME);
    if (IS_FILE(path) != -1) return;
    std::string data;
    if (!file_read_all(path, data)) return;
    FieldReader in(std::move(data));
    while (!in.at_end()) VGA_TABLE.push_back(in.text());
}

uint64_t VGA_LOOKUP(int32_t INDEX) {
    ROUTINE("VGA Lookup", "VGA_LOOKUP");
    if (INDEX < 0 || INDEX > 255) INDEX = 0;
    return uint64_t(int64_t(S2I(VGA_TABLE(INDEX))));
}
