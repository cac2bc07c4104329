// What a frame shows, in words: the page's text as the reader sees it and
// the pictures' descriptions, for readers who cannot see the frame.
#pragma once
#include <string>

#include "story_state.h"

// A picture's words: the first line of its description file, or without
// one its name with "_" and "-" read as blanks ("old_bridge" -> "old
// bridge"). A file whose first line is empty marks the picture as not worth
// telling: "". UTF-8. Reads the description file.
std::string PICTURE_WORDS(const std::string& picture);
// Story text as UTF-8 for a reader: kept when it is UTF-8 already, else each
// byte read as Latin-1; control characters become blanks, runs of blanks
// one, none at either end.
std::string READER_TEXT(const std::string& bytes);
// The words of PAGE's description that its text box shows, in order: the
// lines the frame draws, joined again, a word the frame splits with " - "
// whole, and nothing of the lines below the box. Bytes, as in the page.
std::string SHOWN_DESCRIPTION(const STORY_PAGE_TYPE& PAGE);
