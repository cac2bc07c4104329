// Random play-throughs: many readers, each choosing at random among the
// options a key press takes on the page they stand on, counted page by page
// and option by option. The same seed always gives the same report.
//
// A run starts afresh on page 0 and ends on arriving at an ending (by the
// rule every command shares, story_shape.h), after the most steps allowed,
// stuck on a page where no option can be taken (a dead end, or a page whose
// ways out wait on conditions), or at a fault. A
// step is one option taken; readers choose options, so the runs never
// press Tab or Backspace (the progress stays hidden and no visit is
// forgotten on page 0) unless an option's own key is one of them.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "reach.h"

struct RANDOM_SETTINGS {
    int64_t RUNS = 1000;
    uint64_t SEED = 1;
    int64_t STEPS = 1000;      // the most options one run takes
    bool LEAST_USED = false;   // take the option taken least so far (ties: the lowest slot), not a random one
    REACH_BUDGET BUDGET;       // for the reachability search the counts are set beside
};

// The seed of the run after the one seeded `seed`: run 1 uses the seed
// given, and a run's own seed given again replays it as run 1.
uint64_t RANDOM_NEXT_SEED(uint64_t seed);

enum RANDOM_END_KIND : int8_t { RANDOM_ENDING, RANDOM_DEAD_END, RANDOM_FAULT, RANDOM_OUT_OF_STEPS };

// A run as it can be played again.
struct RANDOM_RUN {
    int64_t RUN = 0;  // from 1; 0: no run
    uint64_t SEED = 0;
    std::vector<std::string> KEYS;  // key strings, as the engine receives them
};

// One way runs ended: at an ending page, stuck on a page, at a fault on a
// page, or out of steps (PAGE -1).
struct RANDOM_END {
    RANDOM_END_KIND KIND = RANDOM_ENDING;
    int32_t PAGE = -1;
    int64_t RUNS = 0;
    RANDOM_RUN FIRST;     // the first run that ended so
    std::string MESSAGE;  // a fault: the engine's report
};

struct RANDOM_PAGE {
    int32_t PAGE = 0;
    std::string TITLE;
    bool ENDING = false, DEAD_END = false;  // by the shared rule
    int64_t HITS = 0;  // arrivals, the start of each run included
    REACH_VERDICT REACHABLE = REACH_UNDECIDED;
    std::vector<std::string> PROOF;  // when reachable: the shortest keys
};

struct RANDOM_OPTION {
    int32_t PAGE = 0, SLOT = 0;  // slot 1 to 4
    std::string KEY, CAPTION;
    int32_t DEST = 0, REQ = 0;
    int64_t TAKEN = 0;
    REACH_VERDICT CAN_BE_TAKEN = REACH_UNDECIDED;
    std::vector<std::string> PROOF;  // when it can be: the shortest keys, the last one taking it
};

struct RANDOM_REPORT {
    std::string FOLDER;   // as given ("." for none)
    std::string PROBLEM;  // the story could not be played: why (nothing else is filled)
    bool NO_STORY = false;  // ... because the folder holds no story at all (no page files)
    RANDOM_SETTINGS SETTINGS;
    int32_t TOTAL = 0;    // page slots, as the grade counts them
    std::vector<RANDOM_PAGE> PAGES;      // every page a file gave, in page order
    std::vector<RANDOM_OPTION> OPTIONS;  // every option with a key, in page and slot order
    std::vector<RANDOM_END> ENDS;        // the endings and dead ends (page order, reached or not), then faults, out of steps
    std::vector<std::pair<std::string, int64_t>> GRADES;  // the final grade ("021.73%") and its runs, lowest first
    int64_t STEPS_TAKEN = 0;             // over all runs
    bool REACH_COMPLETE = false;         // the search behind REACHABLE and CAN_BE_TAKEN visited every state
};

// Plays the story in `folder` (see STORY_OPEN) settings.RUNS times.
// `progress` (when set) hears the number of runs done after each run. The
// verdicts come from `reach` when it is given (the search made on the same
// story), else from a search of its own.
RANDOM_REPORT RANDOM_PLAY(const std::string& folder, const RANDOM_SETTINGS& settings,
                          const std::function<void(int64_t)>& progress = {}, const REACH_RESULT* reach = nullptr);
