// Which pages and options a reader can reach, decided exactly: a
// breadth-first search over every state of the reader (story_rules.h), held
// as sets (state_sets.h) one page and one key press deep at a time, so that
// conditions a reader sets freely cost nodes, not states. Every page and
// option found is found at its fewest key presses, and its proof is a
// shortest list of keys from the start.
//
// The search runs within a budget of states, seconds and memory; stopped by
// one of them, it decides only what it saw.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "story_rules.h"

// Proven yes, proven no, or not decided within the search's budget.
enum REACH_VERDICT : int8_t { REACH_NO = 0, REACH_YES = 1, REACH_UNDECIDED = -1 };

// What ended the search.
enum REACH_STOP : int8_t {
    REACH_DONE,
    REACH_STATE_BUDGET,
    REACH_TIME_BUDGET,
    REACH_MEMORY_BUDGET,
    REACH_TOO_MANY_BITS,  // more condition pages a key depends on than REACH_MAX_BITS: not searched
};
// The most condition pages the search holds as bits of a state.
constexpr size_t REACH_MAX_BITS = 10000;

// How far the search has gone, told to REACH_BUDGET::PROGRESS.
struct REACH_PROGRESS {
    double SECONDS = 0;
    int32_t DEPTH = 0;          // key presses from the start
    long double STATES = 0;     // reader states found
    int32_t PAGES_FOUND = 0;    // pages reached
    bool DONE = false;          // the search is over (told once, last)
};

struct REACH_BUDGET {
    int64_t MAX_STATES = 0;          // reader states; 0: no limit
    double MAX_SECONDS = 60;         // 0: no limit
    size_t MAX_BYTES = size_t(512) << 20;
    std::function<void(const REACH_PROGRESS&)> PROGRESS;  // told now and then (at most ten times a second)
    REACH_BUDGET(int64_t max_states = 0) : MAX_STATES(max_states) {}
};

// A proof is a path in the search: a state (its keys from the start)
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

struct REACH_RESULT {
    bool COMPLETE = false;  // every state was visited: every NO is proven
    REACH_STOP STOP = REACH_DONE;
    REACH_BUDGET BUDGET;    // the budget it ran within
    long double STATES = 0;  // reader states found
    int32_t DEPTH = 0;       // the most key presses any state needs
    double SECONDS = 0;
    size_t NODES = 0;        // the sets' nodes, for measuring
    std::vector<REACH_PAGE> PAGES;                   // slot n: page n
    std::vector<std::array<REACH_OPTION, 4>> OPTIONS;  // [page][slot - 1]
    // The tree the proofs are paths of: the states on the proofs, each with
    // the state it is reached from (-1: the start) and the key.
    std::vector<int32_t> PARENT;
    std::vector<uint16_t> VIA;
    std::vector<std::string> KEY_TABLE;
};

// The keys of a proof, from the start.
std::vector<std::string> REACH_KEYS(const REACH_RESULT& result, const REACH_PROOF& proof);

// Searches the open story from the state a new reader starts in, within
// `budget`. Reads the pages only: the reader's state is not touched.
REACH_RESULT STORY_REACH(const REACH_BUDGET& budget);
