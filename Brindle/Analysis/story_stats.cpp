#include "story_stats.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "engine.h"
#include "main.h"
#include "page_text.h"
#include "paging_module.h"
#include "scene.h"
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

// The words on a page's frame with the visits as they stand.
int64_t words_on(const STORY_PAGE_TYPE& page) {
    return WORD_COUNT(page.CAPTION) + shown_words(PAGE_DESCRIPTION(page), DESCRIPTION_LINES) +
           shown_words(PAGE_OPTIONS_LINE(page), OPTION_LINES);
}

// Whether the page's frame can be drawn with the visits as they stand: a
// listed option whose condition names a page beyond the story makes the
// frame the fault report instead.
bool frame_shows(int32_t p) {
    try {
        PAGE_OPTIONS_LINE(PAGES(p));
        return true;
    } catch (const FatalReport&) {
        return false;
    }
}


// Depth-first over loop-free routes, each move made by the engine's own key
// handling on the visits the route has made.
class Routes {
public:
    Routes(STORY_STATS& stats, int64_t max_steps, std::map<int32_t, size_t>& ending_of)
        : stats_(stats), max_steps_(max_steps), ending_of_(ending_of), on_path_(size_t(PAGES.ubound()) + 1, false) {}

    // Follows every route from `start`. The routes are kept on a stack of
    // their own: a story may be longer than the call stack is deep.
    void follow(int32_t start) {
        struct Step {
            int32_t page;
            int64_t words;
            std::vector<std::string> keys;
            size_t next = 0;
        };
        std::vector<Step> stack;
        auto arrive = [&](int32_t page) {
            on_path_[size_t(page)] = true;
            path_.PAGES.push_back(page);
            const int64_t words = words_on(PAGES(page));
            path_.WORDS += words;
            const bool ending = page != 0 && ending_of_.count(page);
            if (ending) record(stats_.ENDINGS[ending_of_[page]]);
            stack.push_back({page, words, ending ? std::vector<std::string>{} : keys_of(page)});
        };
        arrive(start);
        while (!stack.empty()) {
            Step& top = stack.back();
            if (top.next >= top.keys.size() || stats_.STEPS >= max_steps_) {
                if (top.next < top.keys.size()) stats_.COMPLETE = false;
                const int32_t page = top.page;
                path_.WORDS -= top.words;
                path_.PAGES.pop_back();
                on_path_[size_t(page)] = false;
                stack.pop_back();
                if (!stack.empty()) {
                    path_.KEYS.pop_back();
                    undo(stack.back().page);
                }
                continue;
            }
            const std::string key = top.keys[top.next++];
            const int32_t page = top.page;
            ++stats_.STEPS;
            const int32_t next = move(page, key);
            if (next < 0 || next == page || on_path_[size_t(next)]) {
                undo(page);
                continue;
            }
            path_.KEYS.push_back(key);
            arrive(next);
        }
    }

private:
    STORY_STATS& stats_;
    const int64_t max_steps_;
    std::map<int32_t, size_t>& ending_of_;
    std::vector<bool> on_path_;
    STATS_ROUTE path_;
    std::vector<int32_t> saved_history_;

    static std::vector<std::string> keys_of(int32_t page) {
        std::vector<std::string> keys;
        for (int32_t slot = 1; slot <= 4; ++slot) {
            const std::string k = PRESSED_KEY(PAGES(page).OPTIONS(slot).KEY);
            if (!k.empty() && std::find(keys.begin(), keys.end(), k) == keys.end()) keys.push_back(k);
        }
        return keys;
    }

    // The page a key leads to from `page`, or -1 when it ends the story.
    // What it changes is put back by undo().
    int32_t move(int32_t page, const std::string& key) {
        saved_history_.push_back(PAGES(page).HISTORY);
        PAGELOCATION = page;
        SETTING_GALLERY = SETTING_GRADE = SETTING_EFFICIENCY = 0;
        try {
            BRINDLE_KEY(key);
        } catch (const FatalReport&) {
            return -1;
        }
        return has_file(PAGELOCATION) && frame_shows(PAGELOCATION) ? PAGELOCATION : -1;
    }
    void undo(int32_t page) {
        PAGES(page).HISTORY = saved_history_.back();
        saved_history_.pop_back();
        PAGELOCATION = page;
    }

    void record(STATS_ENDING& ending) {
        ++stats_.ROUTES;
        const auto shorter = [](const STATS_ROUTE& a, const STATS_ROUTE& b) {
            return a.moves() != b.moves() ? a.moves() < b.moves() : a.WORDS < b.WORDS;
        };
        if (!ending.ROUTED || shorter(path_, ending.SHORTEST)) ending.SHORTEST = path_;
        if (!ending.ROUTED || shorter(ending.LONGEST, path_)) ending.LONGEST = path_;
        if (!stats_.PLAYED || shorter(path_, stats_.SHORTEST_PLAY)) stats_.SHORTEST_PLAY = path_;
        if (!stats_.PLAYED || shorter(stats_.LONGEST_PLAY, path_)) stats_.LONGEST_PLAY = path_;
        ending.ROUTED = stats_.PLAYED = true;
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

STORY_STATS STORY_STATISTICS(const std::string& folder, int64_t max_steps, int64_t max_states) {
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
    const REACH_RESULT reach = STORY_REACH(max_states);

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

    if (has_file(0)) {
        for (int32_t p = 0; p <= PAGES.ubound(); ++p) PAGES(p).HISTORY = 0;
        FatalCatch catching;
        if (frame_shows(0)) Routes(stats, max_steps, ending_of).follow(0);
    }
    STORY_CLOSE();
    return stats;
}
