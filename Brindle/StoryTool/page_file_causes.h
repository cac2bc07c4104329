// Mistakes in a page file that make the loader read later text as other
// fields than the author meant, found in the loader's own trace of the file
// (STORY_SOURCES): a comma in unquoted text, figure counts that do not match
// the figure lines, and text after the page's last field. What such a
// mistake shifts is its consequence, not a mistake of its own.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "story_records.h"

struct FIELD_CAUSE {
    std::string NAME, SEVERITY;  // as the checker names its findings
    int32_t LINE = 0, OPTION = 0;
    std::string MESSAGE;
    int32_t FOLDS_FROM = 0;  // the file's findings from this line on follow from it; 0: none do
    std::vector<std::string> SHIFTED;  // the short texts read after it, each out of its place
};

// In line order.
std::vector<FIELD_CAUSE> PAGE_FILE_CAUSES(const PAGE_SOURCE& source);

// Whether a number field's text is all number (sign, digits, a decimal
// fraction or exponent, or an &H, &O or &B number); "" is 0 and clean.
bool NUMBER_FIELD_CLEAN(const std::string& text);
// What the loader reads a number field's text as.
int32_t NUMBER_FIELD_VALUE(const std::string& text);
