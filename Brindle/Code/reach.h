// Which pages and options a reader can reach, decided exactly: a
// breadth-first search over every state that matters, stepped with the
// engine's own key handling. A state is the current page, whether the
// progress text is shown (showing it on page 0 clears every visit), and, for
// each page some condition names, whether it has been played.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Proven yes, proven no, or not decided within the search's budget.
enum REACH_VERDICT : int8_t { REACH_NO = 0, REACH_YES = 1, REACH_UNDECIDED = -1 };

struct REACH_OPTION {
    REACH_VERDICT AVAILABLE = REACH_NO;  // its condition holds in some reachable state on its page
    REACH_VERDICT TAKEN = REACH_NO;      // its key chooses it in some reachable state
    std::vector<std::string> KEYS;       // when taken: the shortest keys from a fresh start, the last one taking it
};

struct REACH_PAGE {
    REACH_VERDICT REACHABLE = REACH_NO;
    std::vector<std::string> KEYS;  // when reachable: the shortest keys from a fresh start ending there
    REACH_VERDICT LEAVES = REACH_NO;  // an option leading to another page is taken from it
};

// A key that ends the story in the fatal report (an option to a page
// without a file, a condition outside the story), with the keys reaching it.
struct REACH_FAULT {
    int32_t PAGE = 0;
    std::vector<std::string> KEYS;  // the last one is the fatal key
    std::string MESSAGE;
};

struct REACH_RESULT {
    bool COMPLETE = false;  // every state was visited: every NO is proven
    int64_t STATES = 0;
    std::vector<REACH_PAGE> PAGES;                   // slot n: page n
    std::vector<std::array<REACH_OPTION, 4>> OPTIONS;  // [page][slot - 1]
    std::vector<REACH_FAULT> FAULTS;                 // the first few, shortest first
};

// Searches the open story from a fresh start, visiting at most max_states
// states (and never more than fit in a few hundred megabytes). Leaves the
// story as a fresh start would.
REACH_RESULT STORY_REACH(int64_t max_states);

// The key string a reader presses to give KEY (letters unshifted), or ""
// when no key press matches it.
std::string PRESSED_KEY(const std::string& KEY);
