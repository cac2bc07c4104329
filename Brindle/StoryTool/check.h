// The story checker: everything that can be found wrong with a story before
// a reader meets it, each finding named and placed at its file and line,
// and which pages and options a reader can reach. A mistake that shifts
// what the loader reads (a comma in unquoted text, counts that do not match
// the figure lines) is reported as the cause, with what follows from it
// folded under it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "reach.h"

struct DIAGNOSTIC {
    std::string NAME;      // "missing-destination", ...
    std::string SEVERITY;  // "error", "warning" or "note"
    int32_t PAGE = -1;     // -1: no page
    std::string FILE;      // "": no file (shown as given: the story folder joined to its path)
    int32_t LINE = 0;      // 0: no line
    int32_t OPTION = 0;    // the option's slot, 1 to 4; 0: no option
    std::string MESSAGE;
    std::vector<DIAGNOSTIC> CONSEQUENCES;  // findings that follow from this one, in the same order
};

struct CHECK_REPORT {
    std::string FOLDER;       // as given
    std::string PROBLEM;      // when the folder holds no story: why (nothing else is filled)
    int32_t PAGES = 0;        // page slots, as the grade counts them
    std::vector<int32_t> PAGE_FILES;  // the pages a file gave, in page order
    std::vector<DIAGNOSTIC> DIAGNOSTICS;  // in file order, then the story-wide ones
    REACH_RESULT REACH;
    std::vector<int32_t> ENDINGS, DEAD_ENDS;  // by the rule every command shares (story_shape.h)
    int ERRORS = 0, WARNINGS = 0, NOTES = 0;  // the causes; what follows from them is not counted again
    int FOLDED = 0;                           // findings folded under their causes
    std::vector<std::string> FILES;           // every file the story reads (STORY_FILES' paths)
};

CHECK_REPORT CHECK_STORY(const std::string& folder, const REACH_BUDGET& budget);

// The path of a file of the story as an author's tools will find it from
// the current folder, written as the system writes paths: the story folder
// joined to `relative` ("Brindle/Assets/...", either separator).
std::string STORY_FILE(const std::string& folder, const std::string& relative);
// Where a finding points, as the checker prints it: "file:line", the file
// alone, or the pages folder for a finding about the whole story.
std::string DIAGNOSTIC_PLACE(const CHECK_REPORT& report, const DIAGNOSTIC& d);
