// The characters of a story text that are not ASCII, and what to write
// instead. The font draws one symbol per byte, so a letter written as
// several bytes shows as several wrong symbols.
#pragma once
#include <string>
#include <vector>

struct NON_ASCII_CHARACTER {
    // As written: one UTF-8 character, or (in text that is not UTF-8) one
    // byte, shown as "\x93".
    std::string SHOWN;
    std::string STAND_IN;       // the ASCII to write instead; "" for nothing at all
    bool HAS_STAND_IN = false;  // false: no ASCII says the same
    bool BYTE_ORDER_MARK = false;
};

// Every character above 127 in `text`, each once, in the order first met.
// Text that is not UTF-8 is read as Windows-1252, as editors there save it.
std::vector<NON_ASCII_CHARACTER> NON_ASCII_CHARACTERS(const std::string& text);
