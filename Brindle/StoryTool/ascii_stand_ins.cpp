#include "ascii_stand_ins.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <set>

#include "string_support.h"

namespace {
// Code points 0x80 to 0x9F of Windows-1252 (0: unassigned).
constexpr uint16_t WINDOWS_1252[32] = {0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                       0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                       0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

// Latin-1 letters U+00C0 to U+00FF as plain letters (and the two signs among them).
const char* const LATIN_1_LETTERS[64] = {
    "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I", "I",
    "D", "N", "O", "O", "O", "O", "O", "x", "O", "U", "U", "U", "U", "Y", "Th", "ss",
    "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i",
    "d", "n", "o", "o", "o", "o", "o", "/", "o", "u", "u", "u", "u", "y", "th", "y"};

struct StandIn {
    uint32_t code;
    const char* ascii;
};
// Sorted by code point.
constexpr StandIn STAND_INS[] = {
    {0x00A0, " "},   {0x00A1, "!"},   {0x00A9, "(c)"}, {0x00AB, "\""},  {0x00AD, ""},    {0x00AE, "(R)"},
    {0x00B4, "'"},   {0x00B7, "."},   {0x00BB, "\""},  {0x00BF, "?"},   {0x0152, "OE"},  {0x0153, "oe"},
    {0x0160, "S"},   {0x0161, "s"},   {0x0178, "Y"},   {0x017D, "Z"},   {0x017E, "z"},   {0x0192, "f"},
    {0x02C6, "^"},   {0x02DC, "~"},   {0x2010, "-"},   {0x2011, "-"},   {0x2012, "-"},   {0x2013, "-"},
    {0x2014, "-"},   {0x2015, "-"},   {0x2018, "'"},   {0x2019, "'"},   {0x201A, "'"},   {0x201B, "'"},
    {0x201C, "\""},  {0x201D, "\""},  {0x201E, "\""},  {0x201F, "\""},  {0x2022, "*"},   {0x2026, "..."},
    {0x2032, "'"},   {0x2033, "\""},  {0x2039, "'"},   {0x203A, "'"},   {0x20AC, "EUR"}, {0x2122, "TM"},
    {0x2212, "-"}};

constexpr uint32_t BOM = 0xFEFF, ZERO_WIDTH_SPACE = 0x200B;

void stand_in_for(uint32_t code, NON_ASCII_CHARACTER& c) {
    if (code >= 0xC0 && code <= 0xFF) {
        c.STAND_IN = LATIN_1_LETTERS[code - 0xC0];
        c.HAS_STAND_IN = true;
        return;
    }
    if (code == BOM || code == ZERO_WIDTH_SPACE) {
        c.HAS_STAND_IN = true;  // nothing: it shows nothing
        c.BYTE_ORDER_MARK = code == BOM;
        return;
    }
    const auto it = std::lower_bound(std::begin(STAND_INS), std::end(STAND_INS), code,
                                     [](const StandIn& s, uint32_t c) { return s.code < c; });
    if (it != std::end(STAND_INS) && it->code == code) {
        c.STAND_IN = it->ascii;
        c.HAS_STAND_IN = true;
    }
}

// The code point of the UTF-8 sequence at s[i] (well formed), and its length.
uint32_t decode(const std::string& s, size_t i, size_t& n) {
    const auto b = [&](size_t k) { return uint32_t(static_cast<unsigned char>(s[i + k])); };
    n = b(0) < 0xE0 ? 2 : b(0) < 0xF0 ? 3 : 4;
    uint32_t code = b(0) & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) code = code << 6 | (b(k) & 0x3F);
    return code;
}
}  // namespace

std::vector<NON_ASCII_CHARACTER> NON_ASCII_CHARACTERS(const std::string& text) {
    std::vector<NON_ASCII_CHARACTER> found;
    std::set<std::string> seen;
    const bool utf8 = is_utf8(text);
    for (size_t i = 0; i < text.size();) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            ++i;
            continue;
        }
        NON_ASCII_CHARACTER c;
        uint32_t code = byte;
        size_t n = 1;
        if (utf8) {
            code = decode(text, i, n);
            c.SHOWN = text.substr(i, n);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            c.SHOWN = hex;
            if (byte < 0xA0) code = WINDOWS_1252[byte - 0x80];
        }
        i += n;
        if (!seen.insert(c.SHOWN).second) continue;
        if (code != 0) stand_in_for(code, c);
        found.push_back(c);
    }
    return found;
}
