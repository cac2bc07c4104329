// Path tests and folder listing. Paths are the system's own ("\" separated,
// relative to the current directory).
#pragma once
#include <cstdint>
#include <string>

#include "runtime.h"

int32_t IS_FILE(const std::string& SOMEPATHTOTEST);  // -1: opens for reading; 0: not
int32_t IS_DIR(const std::string& SOMEPATHTOTEST);   // 0: a directory that can be entered; -1: not
// FILES becomes the bare names of the ordinary files matching PATH's pattern.
void CAT(Array<std::string>& FILES, const std::string& PATH);
