// The 256-entry colour table, read from ".\<PROJECTSPACE>\Assets\<name>.seq":
// one colour per field (decimal or "&H" hexadecimal, 0x00RRGGBB).
#pragma once
#include <cstdint>
#include <string>

#include "runtime.h"

extern Array<std::string> VGA_TABLE;

// The table every program loads at start.
inline const std::string COLOUR_TABLE = "VGA Table";
void VGA_LOAD(Array<std::string>& VGA_TABLE, const std::string& FILENAME);
// The file VGA_LOAD reads for FILENAME.
std::string COLOUR_TABLE_PATH(const std::string& FILENAME);
// Entry INDEX (0 to 255, anything else means 0) sign-extended to 64 bits; an
// entry the table does not hold is an out-of-bounds error.
uint64_t VGA_LOOKUP(int32_t INDEX);
