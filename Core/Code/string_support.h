// The substring family. Positions count from 1; the needle comes first.
// All searches are exact byte comparisons.
#pragma once
#include <cstdint>
#include <string>

int32_t STRPOS(const std::string& NEEDLE, const std::string& HAYSTACK);   // 0: not found
int32_t STRRPOS(const std::string& NEEDLE, const std::string& HAYSTACK);  // len + 1: not found
std::string PREFIX(const std::string& NEEDLE, const std::string& HAYSTACK);
std::string SUFFIX(const std::string& NEEDLE, const std::string& HAYSTACK);
std::string EXT_PREFIX(const std::string& NEEDLE, const std::string& HAYSTACK);
std::string EXT_SUFFIX(const std::string& NEEDLE, const std::string& HAYSTACK);
std::string AXISLABEL_S(const std::string& BUFFER, const std::string& OPEN_S, const std::string& CLOSE_S);
std::string AXISPARAM_S(const std::string& BUFFER, const std::string& OPEN_S, const std::string& CLOSE_S);
// Replaces until no occurrence is left, searching again after every change.
// A replacement that contains the needle is done in one pass instead.
std::string STR_REPLACE(const std::string& NEEDLE, const std::string& REPLACEMENT, std::string& HAYSTACK);
std::string PACKTEXT(std::string& BUFFER, const std::string& NEWLINE);
std::string PACKTEXTREVERSE(std::string& BUFFER, const std::string& NEWLINE);
int32_t NEEDLECOUNT(const std::string& NEEDLE, std::string& HAYSTACK);

// A to Z folded to a to z (or back); every other byte unchanged, whatever
// the locale.
std::string ascii_lower(std::string s);
std::string ascii_upper(std::string s);
// Whether the bytes are well-formed UTF-8: no overlong form, no surrogate
// (U+D800 to U+DFFF), nothing past U+10FFFF, no sequence cut short.
bool is_utf8(const std::string& s);

// The primitives the family is built on.
int64_t find_first(const std::string& haystack, const std::string& needle);
int64_t find_last(const std::string& haystack, const std::string& needle);
std::string middle(const std::string& s, int64_t p, int64_t n);  // n < 0: to the end
std::string left(const std::string& s, int64_t n);
