// brindle-story random: many random play-throughs, counted page by page and
// option by option; the never-reached first, how the runs ended, the final
// grades, and the first run to each ending as a play script.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "commands.h"
#include "engine.h"
#include "key_names.h"
#include "random_graph.h"
#include "random_play.h"

namespace {
using json = nlohmann::ordered_json;

std::string page_name(const RANDOM_REPORT& r, int32_t p) {
    for (const RANDOM_PAGE& page : r.PAGES)
        if (page.PAGE == p) return "page " + std::to_string(p) + " " + page.TITLE;
    return "page " + std::to_string(p);
}

std::string option_name(const RANDOM_OPTION& o) {
    std::string s = std::to_string(o.PAGE) + "." + std::to_string(o.SLOT) + " '" + KEY_NAME(o.KEY) + "' -> " +
                    std::to_string(o.DEST);
    if (!o.CAPTION.empty()) s += " " + o.CAPTION;
    if (o.REQ > 0) s += " (if " + std::to_string(o.REQ) + " played)";
    if (o.REQ < 0) s += " (if " + std::to_string(-int64_t(o.REQ)) + " not played)";
    return s;
}

// The lines of a play script that replays a run: its keys, where it ended.
std::vector<std::string> replay_lines(const RANDOM_END& end) {
    std::vector<std::string> lines;
    const std::vector<std::string>& keys = end.FIRST.KEYS;
    for (size_t i = 0; i < keys.size(); i += 20) {
        const std::vector<std::string> part(keys.begin() + ptrdiff_t(i), keys.begin() + ptrdiff_t(std::min(keys.size(), i + 20)));
        lines.push_back("press " + KEY_NAMES(part));
    }
    if (end.KIND != RANDOM_FAULT) lines.push_back("expect page " + std::to_string(end.PAGE));
    return lines;
}

std::string end_name(const RANDOM_REPORT& r, const RANDOM_END& end) {
    switch (end.KIND) {
        case RANDOM_ENDING: return "ending " + page_name(r, end.PAGE);
        case RANDOM_DEAD_END:
            for (const RANDOM_PAGE& p : r.PAGES)
                if (p.PAGE == end.PAGE && p.DEAD_END) return "dead end " + page_name(r, end.PAGE) + " (no option leads away)";
            return "stuck on " + page_name(r, end.PAGE) + " (no option can be taken there then)";
        case RANDOM_FAULT: return "fault on " + page_name(r, end.PAGE);
        case RANDOM_OUT_OF_STEPS: return "out of steps (" + std::to_string(r.SETTINGS.STEPS) + ")";
    }
    return "";
}

const char* kind_name(RANDOM_END_KIND k) {
    switch (k) {
        case RANDOM_ENDING: return "ending";
        case RANDOM_DEAD_END: return "dead-end";
        case RANDOM_FAULT: return "fault";
        case RANDOM_OUT_OF_STEPS: return "out-of-steps";
    }
    return "";
}

// What the checker says of a page or option no run met.
std::string verdict_note(REACH_VERDICT v, const std::vector<std::string>& proof, const char* can, const char* cannot) {
    if (v == REACH_NO) return std::string(" (") + cannot + ")";
    if (v == REACH_YES) return std::string(" (") + can + (proof.empty() ? " at the start" : ": " + KEY_NAMES(proof)) + ")";
    return "";
}

void print_human(const RANDOM_REPORT& r) {
    const RANDOM_SETTINGS& s = r.SETTINGS;
    std::printf("%s of \"%s\" from seed %llu%s, at most %s each: %s (%.1f a run)\n", plural(s.RUNS, "run").c_str(),
                r.FOLDER.c_str(), static_cast<unsigned long long>(s.SEED), s.LEAST_USED ? ", least-used options first" : "",
                plural(s.STEPS, "step").c_str(), plural(r.STEPS_TAKEN, "step").c_str(),
                s.RUNS > 0 ? double(r.STEPS_TAKEN) / double(s.RUNS) : 0.0);

    int64_t most = 1;
    for (const RANDOM_PAGE& p : r.PAGES) most = std::max(most, p.HITS);
    const int width = std::max(5, int(std::to_string(most).size()));

    // An ending's own options are never taken: a run ends on arriving there.
    auto on_ending = [&](const RANDOM_OPTION& o) {
        for (const RANDOM_PAGE& p : r.PAGES)
            if (p.PAGE == o.PAGE) return p.ENDING;
        return false;
    };
    std::vector<std::string> never;
    for (const RANDOM_PAGE& p : r.PAGES)
        if (p.HITS == 0)
            never.push_back("page " + std::to_string(p.PAGE) + " " + p.TITLE +
                            verdict_note(p.REACHABLE, p.PROOF, "a reader can reach it", "no reader can reach it"));
    for (const RANDOM_OPTION& o : r.OPTIONS)
        if (o.TAKEN == 0 && !on_ending(o))
            never.push_back("option " + option_name(o) +
                            verdict_note(o.CAN_BE_TAKEN, o.PROOF, "a reader can take it", "no reader can take it"));
    std::printf("\nNever reached:%s\n", never.empty() ? " nothing" : "");
    for (const std::string& n : never) std::printf("  %s\n", n.c_str());

    std::printf("\nPages (arrivals, the start of each run included):\n");
    for (const RANDOM_PAGE& p : r.PAGES)
        std::printf("  %*lld  %d %s%s\n", width, static_cast<long long>(p.HITS), p.PAGE, p.TITLE.c_str(),
                    p.ENDING ? " [ending]" : p.DEAD_END ? " [dead end]" : "");
    std::printf("\nOptions (times taken):\n");
    for (const RANDOM_OPTION& o : r.OPTIONS)
        std::printf("  %*lld  %s%s\n", width, static_cast<long long>(o.TAKEN), option_name(o).c_str(),
                    on_ending(o) ? " [on an ending: runs end before it]" : "");

    std::printf("\nHow the runs ended:\n");
    for (const RANDOM_END& e : r.ENDS) {
        std::string first = e.FIRST.RUN > 0 ? "first: run " + std::to_string(e.FIRST.RUN) + ", seed " +
                                                  std::to_string(e.FIRST.SEED)
                                            : "no run";
        std::printf("  %*lld  %5.1f%%  %s; %s\n", width, static_cast<long long>(e.RUNS),
                    s.RUNS > 0 ? 100.0 * double(e.RUNS) / double(s.RUNS) : 0.0, end_name(r, e).c_str(), first.c_str());
        if (e.KIND == RANDOM_FAULT) std::printf("  %*s  %s\n", width + 7, "", e.MESSAGE.c_str());
    }

    std::printf("\nFinal grade:\n");
    int64_t top = 1;
    for (const auto& [grade, runs] : r.GRADES) top = std::max(top, runs);
    for (const auto& [grade, runs] : r.GRADES)
        std::printf("  %*lld  %s  %s\n", width, static_cast<long long>(runs), grade.c_str(),
                    std::string(size_t((runs * 40 + top - 1) / top), '#').c_str());

    bool any = false;
    for (const RANDOM_END& e : r.ENDS) {
        if (e.FIRST.RUN == 0 || e.KIND == RANDOM_OUT_OF_STEPS) continue;
        if (!any) std::printf("\nThe first run to each end, as a script for brindle-story play:\n");
        any = true;
        std::printf("  # %s: run %lld, seed %llu\n", end_name(r, e).c_str(), static_cast<long long>(e.FIRST.RUN),
                    static_cast<unsigned long long>(e.FIRST.SEED));
        for (const std::string& line : replay_lines(e)) std::printf("  %s\n", line.c_str());
    }
}

json verdict_json(REACH_VERDICT v) { return v == REACH_UNDECIDED ? json(nullptr) : json(v == REACH_YES); }

json names_json(const std::vector<std::string>& keys) {
    json list = json::array();
    for (const std::string& k : keys) list.push_back(KEY_AS_TEXT(KEY_NAME(k)));
    return list;
}

json report_json(const RANDOM_REPORT& r) {
    json out;
    out["story"] = r.FOLDER;
    out["runs"] = r.SETTINGS.RUNS;
    out["seed"] = r.SETTINGS.SEED;
    out["steps"] = r.SETTINGS.STEPS;
    out["least_used"] = r.SETTINGS.LEAST_USED;
    out["steps_taken"] = r.STEPS_TAKEN;
    out["reach_complete"] = r.REACH_COMPLETE;
    json pages = json::array(), options = json::array(), ends = json::array(), grades = json::array();
    for (const RANDOM_PAGE& p : r.PAGES)
        pages.push_back({{"page", p.PAGE}, {"title", JSON_TEXT(p.TITLE)}, {"hits", p.HITS}, {"ending", p.ENDING}, {"dead_end", p.DEAD_END},
                         {"reachable", verdict_json(p.REACHABLE)}, {"keys", names_json(p.PROOF)}});
    for (const RANDOM_OPTION& o : r.OPTIONS)
        options.push_back({{"page", o.PAGE}, {"slot", o.SLOT}, {"key", KEY_AS_TEXT(KEY_NAME(o.KEY))},
                           {"caption", JSON_TEXT(o.CAPTION)}, {"dest", o.DEST}, {"condition", o.REQ}, {"taken", o.TAKEN},
                           {"can_be_taken", verdict_json(o.CAN_BE_TAKEN)}, {"keys", names_json(o.PROOF)}});
    for (const RANDOM_END& e : r.ENDS) {
        json j = {{"how", kind_name(e.KIND)}, {"page", e.PAGE >= 0 ? json(e.PAGE) : json(nullptr)}, {"runs", e.RUNS}};
        if (e.FIRST.RUN > 0) {
            std::string script;
            for (const std::string& line : replay_lines(e)) script += line + "\n";
            j["first"] = {{"run", e.FIRST.RUN}, {"seed", e.FIRST.SEED}, {"keys", names_json(e.FIRST.KEYS)}, {"play", script}};
        } else {
            j["first"] = nullptr;
        }
        if (e.KIND == RANDOM_FAULT) j["message"] = e.MESSAGE;
        ends.push_back(j);
    }
    for (const auto& [grade, runs] : r.GRADES) grades.push_back({{"grade", grade}, {"runs", runs}});
    out["pages"] = pages;
    out["options"] = options;
    out["ends"] = ends;
    out["grades"] = grades;
    return out;
}

// A bar on standard error while a run lasts long enough to wait for, and
// only when standard error is a terminal.
class ProgressBar {
public:
    explicit ProgressBar(int64_t total) : total_(total), on_(isatty(STDERR_FILENO)) {}
    ~ProgressBar() {
        if (shown_) std::fprintf(stderr, "\r\033[K");
    }
    void operator()(int64_t done) {
        if (!on_ || (done & 63) != 0) return;
        const auto now = std::chrono::steady_clock::now();
        if (now - start_ < std::chrono::milliseconds(300) || now - last_ < std::chrono::milliseconds(100)) return;
        last_ = now;
        shown_ = true;
        const int filled = int(done * 30 / std::max<int64_t>(total_, 1));
        std::fprintf(stderr, "\r[%s%s] %lld of %lld runs", std::string(size_t(filled), '#').c_str(),
                     std::string(size_t(30 - filled), '.').c_str(), static_cast<long long>(done),
                     static_cast<long long>(total_));
        std::fflush(stderr);
    }

private:
    int64_t total_;
    bool on_, shown_ = false;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now(), last_{};
};
}  // namespace

void add_random_command(CLI::App& app, int& status) {
    struct Options {
        std::string folder, graph;
        RANDOM_SETTINGS settings;
        bool json = false;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand("random", "Play the story many times at random and count what each run reached");
    add_folder(command, options->folder);
    command->add_option("--runs", options->settings.RUNS, "how many play-throughs (default 1000)")
        ->check(CLI::Range(int64_t(1), int64_t(1) << 40));
    command
        ->add_option_function<std::string>(
            "--seed",
            [options](const std::string& text) {
                // 0 to 2^64 - 1 in decimal, nothing else (no sign, no wrapping round).
                uint64_t v = 0;
                for (char c : text) {
                    if (c < '0' || c > '9' || v > (UINT64_MAX - uint64_t(c - '0')) / 10)
                        throw CLI::ValidationError("--seed", "a whole number from 0 to 18446744073709551615, not '" + text + "'");
                    v = v * 10 + uint64_t(c - '0');
                }
                if (text.empty()) throw CLI::ValidationError("--seed", "a whole number");
                options->settings.SEED = v;
            },
            "the first run's seed, 0 to 2^64 - 1; the same seed gives the same report (default 1)")
        ->type_name("S");
    command->add_option("--steps", options->settings.STEPS, "the most options one run takes (default 1000, at most 1000000)")
        ->check(CLI::Range(int64_t(1), int64_t(1000000)));
    command->add_flag("--least-used", options->settings.LEAST_USED,
                      "take the option taken least so far (ties: the first), not a random one");
    command->add_flag("--json", options->json, "one JSON object on standard output");
    command->add_option("--graph", options->graph, "also draw the story map as SVG, each page and option shaded by its hits");
    add_search_budget(command, options->settings.BUDGET);
    command->callback([options, &status] {
        if (std::string why = STORY_FOLDER_PROBLEM(options->folder); !why.empty()) {
            status = no_story(options->folder, why);
            return;
        }
        // The map needs the checker's findings; its search gives the
        // verdicts beside the counts too, so it is made once.
        RANDOM_SETTINGS settings = options->settings;
        settings.BUDGET = WITH_PROGRESS_LINE(settings.BUDGET);
        CHECK_REPORT checked;
        if (!options->graph.empty()) checked = CHECK_STORY(options->folder, settings.BUDGET);
        RANDOM_REPORT report;
        {
            ProgressBar bar(settings.RUNS);
            report = RANDOM_PLAY(options->folder, settings, std::ref(bar), options->graph.empty() ? nullptr : &checked.REACH);
        }
        if (!report.PROBLEM.empty()) {
            std::fprintf(stderr, "brindle-story random: the story cannot be played: %s\n", report.PROBLEM.c_str());
            status = report.NO_STORY ? EXIT_USAGE : EXIT_FOUND;
            return;
        }
        if (!options->graph.empty()) {
            std::string error;
            if (!RANDOM_GRAPH(checked, report, options->graph, error)) {
                std::fprintf(stderr, "brindle-story random: no map drawn: %s\n", error.c_str());
                status = EXIT_FOUND;
            }
        }
        if (options->json)
            std::printf("%s\n", JSON_DUMP(report_json(report)).c_str());
        else
            print_human(report);
        // A fault is what would end the player with its fatal report.
        for (const RANDOM_END& e : report.ENDS)
            if (e.KIND == RANDOM_FAULT) status = EXIT_FOUND;
    });
}
