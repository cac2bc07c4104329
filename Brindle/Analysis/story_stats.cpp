#include "story_stats.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "engine.h"
#include "main.h"
#include "page_text.h"
#include "scene.h"
#include "story_rules.h"
#include "story_shape.h"

namespace {
// What the player's text layers hold: the description's lines, the options'.
constexpr size_t DESCRIPTION_LINES = LAYER_ROWS(LAYER_TEXT), OPTION_LINES = LAYER_ROWS(LAYER_OPTIONS);

bool has_file(int32_t p) {
    return PAGE_HAS_FILE(PAGES, p);
}

int64_t shown_words(const std::string& text, size_t lines) {
    int64_t n = 0;
    for (const std::string& line : WRAP_LINES(text, TEXT_COLUMNS, lines)) n += WORD_COUNT(line);
    return n;
}

// The words on page p's frame in state s: the option bar lists the options
// with a caption whose condition holds.
int64_t words_on(const STORY_RULES& rules, const RULE_STATE& s) {
    const STORY_PAGE_TYPE& page = PAGES(s.PAGE);
    bool listed[5] = {};
    for (size_t slot = 1; slot <= 4 && slot <= rules.TESTS[size_t(s.PAGE)].size(); ++slot)
        listed[slot] = RULE_HOLDS(rules.TESTS[size_t(s.PAGE)][slot - 1], s);
    return WORD_COUNT(page.CAPTION) + shown_words(PAGE_DESCRIPTION(page), DESCRIPTION_LINES) +
           shown_words(OPTIONS_TEXT(page, listed), OPTION_LINES);
}

// The search's proof as a route: the page after each key, the words of
// each frame. False when a key does not play as the rules say, or a frame
// on the way ends the story.
bool route_of(const STORY_RULES& rules, const std::vector<std::string>& keys, STATS_ROUTE& route) {
    RULE_STATE s = RULE_START(rules, true);
    route = {};
    route.PAGES.push_back(0);
    route.WORDS = words_on(rules, s);
    for (const std::string& key : keys) {
        const std::vector<RULE_KEY>& here = rules.KEYS[size_t(s.PAGE)];
        const auto k = std::find_if(here.begin(), here.end(), [&](const RULE_KEY& r) { return rules.KEY_TABLE[r.KEY] == key; });
        if (k == here.end()) return false;
        const RULE_STEP step = RULE_PRESS(rules, s, *k);
        if (step.OUTCOME == RULE_STEP::FAULT || rules.BAR_FAULTS[size_t(step.NEXT.PAGE)]) return false;
        s = step.NEXT;
        route.KEYS.push_back(key);
        route.PAGES.push_back(s.PAGE);
        route.WORDS += words_on(rules, s);
    }
    return true;
}

bool shorter(const STATS_ROUTE& a, const STATS_ROUTE& b) {
    return a.moves() != b.moves() ? a.moves() < b.moves() : a.WORDS < b.WORDS;
}

// Depth-first over loop-free routes (no page twice), each move an option
// taken as the rules take it in the state the route has made: the longest
// route to each ending, within a budget of moves.
class Routes {
public:
    Routes(const STORY_RULES& rules, STORY_STATS& stats, int64_t max_steps, std::map<int32_t, size_t>& ending_of)
        : rules_(rules), stats_(stats), max_steps_(max_steps), ending_of_(ending_of),
          on_path_(size_t(rules.LAST) + 1, false) {}

    // Follows every route from the start. The routes are kept on a stack of
    // their own: a story may be longer than the call stack is deep.
    void follow() {
        struct Step {
            RULE_STATE state;
            int64_t words;
            size_t next = 0;  // the next of the page's keys to try
            bool ending;
        };
        std::vector<Step> stack;
        auto arrive = [&](RULE_STATE s) {
            on_path_[size_t(s.PAGE)] = true;
            path_.PAGES.push_back(s.PAGE);
            const int64_t words = words_on(rules_, s);
            path_.WORDS += words;
            const bool ending = s.PAGE != 0 && ending_of_.count(s.PAGE);
            if (ending) record(stats_.ENDINGS[ending_of_[s.PAGE]]);
            stack.push_back({std::move(s), words, 0, ending});
        };
        arrive(RULE_START(rules_, true));
        while (!stack.empty()) {
            Step& top = stack.back();
            const std::vector<RULE_KEY>& keys = rules_.KEYS[size_t(top.state.PAGE)];
            while (top.next < keys.size() && !keys[top.next].OPTION) ++top.next;
            if (top.ending || top.next >= keys.size() || stats_.STEPS >= max_steps_) {
                if (!top.ending && top.next < keys.size()) stats_.COMPLETE = false;
                on_path_[size_t(top.state.PAGE)] = false;
                path_.WORDS -= top.words;
                path_.PAGES.pop_back();
                stack.pop_back();
                if (!stack.empty()) path_.KEYS.pop_back();
                continue;
            }
            const RULE_KEY& key = keys[top.next++];
            ++stats_.STEPS;
            RULE_STEP step = RULE_PRESS(rules_, top.state, key);
            // A page whose frame ends the story is no step of a route.
            if (step.OUTCOME != RULE_STEP::MOVED || on_path_[size_t(step.NEXT.PAGE)] ||
                rules_.BAR_FAULTS[size_t(step.NEXT.PAGE)])
                continue;
            path_.KEYS.push_back(rules_.KEY_TABLE[key.KEY]);
            arrive(std::move(step.NEXT));
        }
    }

private:
    const STORY_RULES& rules_;
    STORY_STATS& stats_;
    const int64_t max_steps_;
    std::map<int32_t, size_t>& ending_of_;
    std::vector<bool> on_path_;
    STATS_ROUTE path_;

    void record(STATS_ENDING& ending) {
        ++stats_.ROUTES;
        if (!ending.ROUTED || shorter(path_, ending.SHORTEST)) ending.SHORTEST = path_;
        if (!ending.ROUTED || shorter(ending.LONGEST, path_)) ending.LONGEST = path_;
        ending.ROUTED = true;
    }
};
}  // namespace

int64_t WORD_COUNT(const std::string& text) {
    int64_t n = 0;
    bool counted = false;
    for (unsigned char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            counted = false;
            continue;
        }
        if (!counted && (std::isalnum(c) || c >= 128)) {
            ++n;
            counted = true;
        }
    }
    return n;
}

STORY_STATS STORY_STATISTICS(const std::string& folder, int64_t max_steps, const REACH_BUDGET& budget) {
    STORY_STATS stats;
    stats.FOLDER = folder.empty() ? "." : folder;
    if (std::string why = STORY_FOLDER_PROBLEM(folder); !why.empty()) {
        stats.PROBLEM = why;
        return stats;
    }
    const STORY_RESULT opened = STORY_OPEN(folder, STORY_LOGIC);
    if (!opened.ok) {
        stats.PROBLEM = opened.message;
        STORY_CLOSE();
        return stats;
    }
    stats.REACH = STORY_REACH(budget);
    const REACH_RESULT& reach = stats.REACH;
    const STORY_RULES rules = STORY_RULES_READ();

    std::map<std::pair<std::string, std::string>, STATS_FIGURE> figures;
    std::map<int32_t, size_t> ending_of;
    for (int32_t p = 0; p <= PAGES.ubound(); ++p) {
        if (!has_file(p)) continue;
        const STORY_PAGE_TYPE& page = PAGES(p);
        ++stats.PAGES;
        bool listed[5] = {false, true, true, true, true};
        for (int32_t slot = 1; slot <= 4; ++slot) stats.OPTIONS += !page.OPTIONS(slot).KEY.empty();
        stats.WORDS += WORD_COUNT(page.CAPTION) + shown_words(PAGE_DESCRIPTION(page), DESCRIPTION_LINES) +
                       shown_words(OPTIONS_TEXT(page, listed), OPTION_LINES);
        const PAGE_END_KIND end = PAGE_END(p, reach);
        if (end == PAGE_DEAD_END) stats.DEAD_ENDS.push_back({p, page.CAPTION});
        if (end == PAGE_ENDING) {
            ending_of[p] = stats.ENDINGS.size();
            STATS_ENDING e;
            e.PAGE = p;
            e.TITLE = page.CAPTION;
            e.REACHABLE = size_t(p) < reach.PAGES.size() ? reach.PAGES[size_t(p)].REACHABLE : REACH_NO;
            stats.ENDINGS.push_back(e);
        }
        for (int32_t i = 1; i <= page.ENTITY.ubound(); ++i) {
            if (page.ENTITY(i).empty()) continue;  // left by an earlier file for the same page
            std::string subject = page.ENTITY(i), cls, id;
            int32_t count = 0;
            ENTITY_PARTS(subject, cls, id, count);
            STATS_FIGURE& f = figures[{cls, id}];
            f.CLASS = cls;
            f.NAME = id;
            ++f.APPEARANCES;
            if (f.PAGES.empty() || f.PAGES.back() != p) f.PAGES.push_back(p);
        }
    }
    // Characters, then items, then any other class, each by name.
    auto rank = [](const std::string& c) { return c == "npc" ? 0 : c == "item" ? 1 : 2; };
    for (auto& [key, f] : figures) stats.FIGURES.push_back(f);
    std::stable_sort(stats.FIGURES.begin(), stats.FIGURES.end(), [&](const STATS_FIGURE& a, const STATS_FIGURE& b) {
        return rank(a.CLASS) != rank(b.CLASS) ? rank(a.CLASS) < rank(b.CLASS) : false;
    });

    // Page 0's own frame may end the story: then there is no play at all.
    if (has_file(0) && !rules.BAR_FAULTS[0]) {
        Routes(rules, stats, max_steps, ending_of).follow();
        // The shortest route is the search's proof (going back through a hub
        // if that is the way): fewer keys than any loop-free route.
        for (STATS_ENDING& e : stats.ENDINGS) {
            STATS_ROUTE proof;
            const REACH_PAGE& r = reach.PAGES[size_t(e.PAGE)];
            if (r.REACHABLE != REACH_YES || !route_of(rules, REACH_KEYS(reach, r.PROOF), proof)) continue;
            if (!e.ROUTED || shorter(proof, e.SHORTEST)) e.SHORTEST = proof;
            if (!e.ROUTED) e.LONGEST = proof;
            e.ROUTED = true;
        }
        for (const STATS_ENDING& e : stats.ENDINGS) {
            if (!e.ROUTED) continue;
            if (!stats.PLAYED || shorter(e.SHORTEST, stats.SHORTEST_PLAY)) stats.SHORTEST_PLAY = e.SHORTEST;
            if (!stats.PLAYED || shorter(stats.LONGEST_PLAY, e.LONGEST)) stats.LONGEST_PLAY = e.LONGEST;
            stats.PLAYED = true;
        }
    }
    STORY_CLOSE();
    return stats;
}
