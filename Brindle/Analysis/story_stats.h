// Figures about a story: its size, its endings and the routes to them, who
// and what appears where, and how long a play takes to read.
//
// Endings and dead ends follow the rule every command shares (story_shape.h).
// A route is a play from the start in the reader's real states: every move
// a key the engine itself would act on (conditions included) from what the
// route has played so far. The shortest route to an ending is the
// reachability search's proof (fewest keys, through a hub and back if that
// is the way). The longest is the longest loop-free one (no page twice),
// followed depth first within a budget of steps; past it the longest are
// the longest found, and marked incomplete.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "reach.h"

struct STATS_ROUTE {
    std::vector<int32_t> PAGES;      // from page 0 to the ending
    std::vector<std::string> KEYS;   // the key pressed on each page but the last
    int64_t WORDS = 0;               // words read on the way, the ending's own included
    size_t moves() const { return KEYS.size(); }
};

struct STATS_ENDING {
    int32_t PAGE = 0;
    std::string TITLE;
    REACH_VERDICT REACHABLE = REACH_NO;  // by any play, loops allowed (the checker's search)
    bool ROUTED = false;                 // some route ends here
    STATS_ROUTE SHORTEST, LONGEST;       // fewest (the proof) and most moves (ties: fewer, more words)
};

struct STATS_FIGURE {
    std::string CLASS;  // the class word, in lower case ("npc", "item"; "" when none is written)
    std::string NAME;   // the picture's name
    int32_t APPEARANCES = 0;     // entries naming it, over every page
    std::vector<int32_t> PAGES;  // the pages it stands on, in order
};

struct STORY_STATS {
    std::string FOLDER;   // as given
    std::string PROBLEM;  // when the folder holds no story: why (nothing else is filled)
    int32_t PAGES = 0;    // page files
    int32_t OPTIONS = 0;  // options with a key
    int64_t WORDS = 0;    // titles, descriptions and option captions, as far as the page shows them
    std::vector<STATS_ENDING> ENDINGS;
    struct DEAD_END {
        int32_t PAGE = 0;
        std::string TITLE;
    };
    std::vector<DEAD_END> DEAD_ENDS;  // reachable pages no option leads away from
    bool COMPLETE = true;  // every loop-free route was followed within the budget: the longest are the longest
    int64_t STEPS = 0;     // moves tried
    int64_t ROUTES = 0;    // loop-free routes that end at an ending
    REACH_RESULT REACH;    // the search behind REACHABLE and the shortest routes
    bool PLAYED = false;   // some route reaches an ending: the two plays below are filled
    STATS_ROUTE SHORTEST_PLAY, LONGEST_PLAY;
    std::vector<STATS_FIGURE> FIGURES;  // by class, then name
};

constexpr double WORDS_PER_MINUTE = 200;

// Reads the story in `folder` (without pictures) and works out its figures,
// searching within `budget` and trying at most max_steps moves along
// loop-free routes. Closes any story open before.
STORY_STATS STORY_STATISTICS(const std::string& folder, int64_t max_steps, const REACH_BUDGET& budget = {});
// The words of a text: runs of non-blank characters with a letter or digit.
int64_t WORD_COUNT(const std::string& text);
