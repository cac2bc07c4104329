// brindle-story stats: a story's size, endings, routes, figures and reading
// time, as text or one JSON object.
#include <cmath>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>

#include "commands.h"
#include "key_names.h"
#include "story_stats.h"

namespace {
using json = nlohmann::ordered_json;

struct Options {
    std::string folder;
    bool json = false;
    int64_t max_steps = 2000000;
    REACH_BUDGET budget;
};

double minutes(int64_t words) { return double(words) / WORDS_PER_MINUTE; }

// "45 s" under a minute, "2.5 min" from there on.
std::string reading_time(int64_t words) {
    char buf[32];
    const double m = minutes(words);
    if (m < 1) std::snprintf(buf, sizeof buf, "%.0f s", m * 60);
    else std::snprintf(buf, sizeof buf, "%.1f min", m);
    return buf;
}

json route_json(const STATS_ROUTE& r) {
    json keys = json::array();
    for (const std::string& k : r.KEYS) keys.push_back(KEY_AS_TEXT(k));
    return {{"moves", r.moves()}, {"pages", r.PAGES}, {"keys", keys}, {"words", r.WORDS},
            {"minutes", std::round(minutes(r.WORDS) * 10) / 10}};
}

json stats_json(const STORY_STATS& s) {
    json endings = json::array();
    for (const STATS_ENDING& e : s.ENDINGS)
        endings.push_back({{"page", e.PAGE},
                           {"title", JSON_TEXT(e.TITLE)},
                           {"reachable", e.REACHABLE == REACH_UNDECIDED ? json(nullptr) : json(e.REACHABLE == REACH_YES)},
                           {"shortest", e.ROUTED ? route_json(e.SHORTEST) : json(nullptr)},
                           {"longest", e.ROUTED ? route_json(e.LONGEST) : json(nullptr)}});
    json figures = json::array();
    for (const STATS_FIGURE& f : s.FIGURES)
        figures.push_back({{"class", JSON_TEXT(f.CLASS)}, {"name", JSON_TEXT(f.NAME)}, {"appearances", f.APPEARANCES},
                           {"pages", f.PAGES}});
    json out;
    out["story"] = s.FOLDER;
    out["pages"] = s.PAGES;
    out["options"] = s.OPTIONS;
    out["words"] = s.WORDS;
    out["endings"] = endings;
    json dead_ends = json::array();
    for (const auto& d : s.DEAD_ENDS) dead_ends.push_back({{"page", d.PAGE}, {"title", JSON_TEXT(d.TITLE)}});
    out["dead_ends"] = dead_ends;
    out["routes"] = {{"complete", s.COMPLETE}, {"followed", s.ROUTES}, {"steps", s.STEPS}};
    out["reach_complete"] = s.REACH.COMPLETE;
    out["reading"] = {{"words_per_minute", WORDS_PER_MINUTE},
                      {"shortest_play", s.PLAYED ? route_json(s.SHORTEST_PLAY) : json(nullptr)},
                      {"longest_play", s.PLAYED ? route_json(s.LONGEST_PLAY) : json(nullptr)}};
    out["figures"] = figures;
    return out;
}

// A long list shortened in the middle: the first ten, "...", the last five.
template <class T>
std::vector<std::string> shortened(const std::vector<T>& items, std::string (*text)(const T&)) {
    std::vector<std::string> out;
    for (size_t i = 0; i < items.size(); ++i) {
        if (items.size() > 16 && i == 10) {
            out.push_back("...");
            i = items.size() - 6;
            continue;
        }
        out.push_back(text(items[i]));
    }
    return out;
}
std::string page_number(const int32_t& p) { return std::to_string(p); }
std::string key_name(const std::string& k) { return KEY_NAME(k); }

std::string joined(const std::vector<std::string>& parts, const char* joint) {
    std::string s;
    for (const std::string& p : parts) s += (s.empty() ? "" : joint) + p;
    return s;
}

std::string route_text(const STATS_ROUTE& r) {
    return std::to_string(r.moves()) + (r.moves() == 1 ? " move" : " moves") + " (pages " +
           joined(shortened(r.PAGES, page_number), " > ") + "; keys: " + joined(shortened(r.KEYS, key_name), " ") + ")";
}

void print_human(const STORY_STATS& s) {
    std::printf("%d pages, %d options, %lld words\n", s.PAGES, s.OPTIONS, static_cast<long long>(s.WORDS));
    std::printf("\n%s (reachable pages whose options lead away only to page 0):\n",
                plural(int64_t(s.ENDINGS.size()), "ending").c_str());
    for (const STATS_ENDING& e : s.ENDINGS) {
        std::printf("  %d \"%s\"\n", e.PAGE, e.TITLE.c_str());
        if (e.ROUTED) {
            std::printf("    shortest: %s\n", route_text(e.SHORTEST).c_str());
            std::printf("    longest:  %s\n", route_text(e.LONGEST).c_str());
        } else {
            std::printf("    %s\n", e.REACHABLE == REACH_NO    ? "no reader reaches it"
                                   : e.REACHABLE == REACH_YES ? "its frame ends the story: an option's condition names a page beyond it"
                                                              : "not reached within the search's budget");
        }
    }
    if (!s.DEAD_ENDS.empty()) {
        std::printf("\n%s (reachable pages no option leads away from: the reader can only quit):\n",
                    plural(int64_t(s.DEAD_ENDS.size()), "dead end").c_str());
        for (const auto& d : s.DEAD_ENDS) std::printf("  %d \"%s\"\n", d.PAGE, d.TITLE.c_str());
    }
    if (!s.COMPLETE)
        std::printf("  (the longest routes are the longest found in %lld moves, where their search stopped; raise "
                    "--max-steps)\n",
                    static_cast<long long>(s.STEPS));
    if (!s.REACH.COMPLETE) std::printf("  (%s: an ending it did not reach is undecided)\n", REACH_STOP_TEXT(s.REACH).c_str());
    std::printf("\nReading time at %.0f words a minute:\n", WORDS_PER_MINUTE);
    if (s.PLAYED) {
        const STATS_ROUTE& a = s.SHORTEST_PLAY;
        const STATS_ROUTE& b = s.LONGEST_PLAY;
        std::printf("  shortest play: %s (%lld words over %zu pages, ending at page %d)\n", reading_time(a.WORDS).c_str(),
                    static_cast<long long>(a.WORDS), a.PAGES.size(), a.PAGES.back());
        std::printf("  longest play:  %s (%lld words over %zu pages, ending at page %d)\n", reading_time(b.WORDS).c_str(),
                    static_cast<long long>(b.WORDS), b.PAGES.size(), b.PAGES.back());
    } else {
        std::printf("  no route reaches an ending\n");
    }
    const char* headings[] = {"Characters", "Items", "Other figures"};
    int shown = -1;
    for (const STATS_FIGURE& f : s.FIGURES) {
        const int group = f.CLASS == "npc" ? 0 : f.CLASS == "item" ? 1 : 2;
        if (group != shown) {
            std::printf("\n%s:\n", headings[group]);
            shown = group;
        }
        const std::string name = group == 2 ? (f.CLASS.empty() ? "(no class) " : f.CLASS + " = ") + f.NAME : f.NAME;
        std::printf("  %-18s %d appearance%s (page%s %s)\n", name.c_str(), f.APPEARANCES, f.APPEARANCES == 1 ? "" : "s",
                    f.PAGES.size() == 1 ? "" : "s", joined(shortened(f.PAGES, page_number), ", ").c_str());
    }
}
}  // namespace

void add_stats_command(CLI::App& app, int& status) {
    auto o = std::make_shared<Options>();
    CLI::App* stats = app.add_subcommand("stats", "Count a story: pages, words, endings, routes, figures, reading time");
    add_folder(stats, o->folder);
    stats->add_flag("--json", o->json, "one JSON object on standard output");
    stats->add_option("--max-steps", o->max_steps, "how many moves the search for the longest routes may try")
        ->check(CLI::PositiveNumber);
    add_search_budget(stats, o->budget);
    stats->callback([o, &status] {
        const STORY_STATS s = STORY_STATISTICS(o->folder, o->max_steps, WITH_PROGRESS_LINE(o->budget));
        if (!s.PROBLEM.empty()) {
            status = no_story(s.FOLDER, s.PROBLEM);
            return;
        }
        if (o->json)
            std::printf("%s\n", JSON_DUMP(stats_json(s)).c_str());
        else
            print_human(s);
        status = 0;
    });
}
