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

// A proof is a path in the search: a state (its keys from a fresh start)
// and, for an option, the key pressed there. REACH_KEYS spells it out.
struct REACH_PROOF {
    int64_t STATE = -1;  // -1: none
    int32_t KEY = -1;    // -1: the path ends at the state
};

struct REACH_OPTION {
    REACH_VERDICT AVAILABLE = REACH_NO;  // its condition holds in some reachable state on its page
    REACH_VERDICT TAKEN = REACH_NO;      // its key chooses it in some reachable state
    REACH_PROOF PROOF;                   // when taken: the shortest keys, the last one taking it
};

struct REACH_PAGE {
    REACH_VERDICT REACHABLE = REACH_NO;
    REACH_PROOF PROOF;                // when reachable: the shortest keys ending there
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
    // The search tree the proofs are paths of.
    std::vector<int32_t> PARENT;
    std::vector<uint16_t> VIA;
    std::vector<std::string> KEY_TABLE;
};

// The keys of a proof, from a fresh start.
std::vector<std::string> REACH_KEYS(const REACH_RESULT& result, const REACH_PROOF& proof);

// Searches the open story from a fresh start, visiting at most max_states
// states (and never more than fit in a few hundred megabytes). Leaves the
// story as a fresh start would.
REACH_RESULT STORY_REACH(int64_t max_states);

// The key string a reader presses to give KEY (letters unshifted), or ""
// when no key press matches it.
std::string PRESSED_KEY(const std::string& KEY);
