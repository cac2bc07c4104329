// Keyboard waits and the console line prompt.
#pragma once
#include <string>

// One key (never ""). Escape closes the window and ends the program (exit 0).
std::string WAITKEY();
// A spinner frame that changes every quarter second.
std::string ANICURSOR();
// Frames of the spinner; each program may set its own.
extern std::string ANICURSOR_FRAMES;
// Reads a line on the console with a spinning cursor; Escape ends the program.
std::string PROMPT(const std::string& LABEL);
// Waits until (port value AND mask) is non-zero, reading through `read`; a
// failing read is fatal ("no privileges"), reported against the caller's line.
void PORT_WAIT(int port, int mask, int line, int (*read)(int port, int& value));
