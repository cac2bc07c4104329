// brindle-story check: the findings, one line each in the compiler's form
// (file:line: severity: name: message), then a summary; or one JSON object.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "check.h"
#include "commands.h"
#include "key_names.h"

namespace {
using json = nlohmann::ordered_json;

json verdict(REACH_VERDICT v) { return v == REACH_UNDECIDED ? json(nullptr) : json(v == REACH_YES); }

json keys_json(const std::vector<std::string>& keys) {
    json list = json::array();
    for (const std::string& k : keys) list.push_back(KEY_AS_TEXT(k));
    return list;
}

json report_json(const CHECK_REPORT& r) {
    json out;
    out["story"] = r.FOLDER;
    out["pages"] = r.PAGE_FILES.size();
    json diagnostics = json::array();
    for (const DIAGNOSTIC& d : r.DIAGNOSTICS) {
        json j;
        j["name"] = d.NAME;
        j["severity"] = d.SEVERITY;
        j["page"] = d.PAGE >= 0 ? json(d.PAGE) : json(nullptr);
        j["file"] = d.FILE.empty() ? json(nullptr) : json(d.FILE);
        j["line"] = d.LINE > 0 ? json(d.LINE) : json(nullptr);
        j["option"] = d.OPTION > 0 ? json(d.OPTION) : json(nullptr);
        j["message"] = JSON_TEXT(d.MESSAGE);
        diagnostics.push_back(j);
    }
    out["diagnostics"] = diagnostics;
    json pages = json::object(), options = json::object();
    for (int32_t p : r.PAGE_FILES) {
        const REACH_PAGE& rp = r.REACH.PAGES[size_t(p)];
        pages[std::to_string(p)] = {{"reachable", verdict(rp.REACHABLE)}, {"keys", keys_json(REACH_KEYS(r.REACH, rp.PROOF))}};
        for (int slot = 1; slot <= 4; ++slot) {
            const REACH_OPTION& ro = r.REACH.OPTIONS[size_t(p)][size_t(slot - 1)];
            options[std::to_string(p) + "." + std::to_string(slot)] = {{"taken", verdict(ro.TAKEN)},
                                                                        {"keys", keys_json(REACH_KEYS(r.REACH, ro.PROOF))}};
        }
    }
    out["reachability"] = {{"complete", r.REACH.COMPLETE}, {"states", r.REACH.STATES}, {"pages", pages},
                           {"options", options}};
    return out;
}

std::string plural(int n, const char* word) { return std::to_string(n) + " " + word + (n == 1 ? "" : "s"); }

void print_human(const CHECK_REPORT& r) {
    const char* no_color = std::getenv("NO_COLOR");
    const bool color = isatty(STDOUT_FILENO) && !(no_color && *no_color);
    auto paint = [&](const char* code, const std::string& s) { return color ? "\033[" + std::string(code) + "m" + s + "\033[0m" : s; };
    for (const DIAGNOSTIC& d : r.DIAGNOSTICS) {
        const std::string where = DIAGNOSTIC_PLACE(r, d);
        const char* tone = d.SEVERITY == "error" ? "1;31" : d.SEVERITY == "warning" ? "1;35" : "1;36";
        std::printf("%s: %s: %s: %s\n", paint("1", where).c_str(), paint(tone, d.SEVERITY).c_str(), d.NAME.c_str(),
                    d.MESSAGE.c_str());
    }
    int reachable = 0, undecided = 0;
    for (int32_t p : r.PAGE_FILES) {
        reachable += r.REACH.PAGES[size_t(p)].REACHABLE == REACH_YES;
        undecided += r.REACH.PAGES[size_t(p)].REACHABLE == REACH_UNDECIDED;
    }
    std::string reach = std::to_string(reachable) + " of " + std::to_string(r.PAGE_FILES.size()) + " pages reachable";
    reach += r.REACH.COMPLETE ? " (every state searched: " + std::to_string(r.REACH.STATES) + ")"
                              : ", " + std::to_string(undecided) + " undecided (the search stopped at " +
                                    std::to_string(r.REACH.STATES) + " states; raise --max-states)";
    std::printf("%s, %s, %s; %s\n", plural(r.ERRORS, "error").c_str(), plural(r.WARNINGS, "warning").c_str(),
                plural(r.NOTES, "note").c_str(), reach.c_str());
}
}  // namespace

void add_check_command(CLI::App& app, int& status) {
    struct Options {
        std::string folder;
        bool json = false;
        int64_t max_states = 1000000;
    };
    auto options = std::make_shared<Options>();
    CLI::App* check = app.add_subcommand("check", "Find what is wrong with a story, and what a reader can reach");
    add_folder(check, options->folder);
    check->add_flag("--json", options->json, "one JSON object on standard output");
    check->add_option("--max-states", options->max_states, "how many states the reachability search may visit")
        ->check(CLI::PositiveNumber);
    check->callback([options, &status] {
        const CHECK_REPORT report = CHECK_STORY(options->folder, options->max_states);
        if (!report.PROBLEM.empty()) {
            std::fprintf(stderr, "brindle-story: no story in \"%s\": %s\n", report.FOLDER.c_str(), report.PROBLEM.c_str());
            status = EXIT_USAGE;
            return;
        }
        if (options->json)
            std::printf("%s\n", JSON_DUMP(report_json(report)).c_str());
        else
            print_human(report);
        status = report.ERRORS > 0 ? EXIT_FOUND : 0;
    });
}
