// brindle-story check: the findings, one line each in the compiler's form
// (file:line: severity: name: message), then a summary; or one JSON object.
#include <cstdio>
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

json diagnostic_json(const DIAGNOSTIC& d) {
    json j;
    j["name"] = d.NAME;
    j["severity"] = d.SEVERITY;
    j["page"] = d.PAGE >= 0 ? json(d.PAGE) : json(nullptr);
    j["file"] = d.FILE.empty() ? json(nullptr) : json(JSON_TEXT(d.FILE));
    j["line"] = d.LINE > 0 ? json(d.LINE) : json(nullptr);
    j["option"] = d.OPTION > 0 ? json(d.OPTION) : json(nullptr);
    j["message"] = JSON_TEXT(d.MESSAGE);
    json consequences = json::array();
    for (const DIAGNOSTIC& c : d.CONSEQUENCES) consequences.push_back(diagnostic_json(c));
    j["consequences"] = consequences;
    return j;
}

json report_json(const CHECK_REPORT& r) {
    json out;
    out["story"] = JSON_TEXT(r.FOLDER);
    out["pages"] = r.PAGE_FILES.size();
    json diagnostics = json::array();
    for (const DIAGNOSTIC& d : r.DIAGNOSTICS) diagnostics.push_back(diagnostic_json(d));
    out["diagnostics"] = diagnostics;
    out["endings"] = r.ENDINGS;
    out["dead_ends"] = r.DEAD_ENDS;
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
    // A count past what a double holds exactly is given as a double.
    const json states = r.REACH.STATES < 9007199254740992.0L ? json(int64_t(r.REACH.STATES)) : json(double(r.REACH.STATES));
    out["reachability"] = {{"complete", r.REACH.COMPLETE}, {"states", states}, {"pages", pages}, {"options", options}};
    if (!r.REACH.COMPLETE) out["reachability"]["stopped"] = REACH_STOP_TEXT(r.REACH);
    return out;
}

void print_diagnostic(const CHECK_REPORT& r, const DIAGNOSTIC& d, const char* indent) {
    const char* tone = d.SEVERITY == "error" ? "1;31" : d.SEVERITY == "warning" ? "1;35" : "1;36";
    std::printf("%s%s: %s: %s: %s\n", indent, paint("1", DIAGNOSTIC_PLACE(r, d)).c_str(), paint(tone, d.SEVERITY).c_str(),
                d.NAME.c_str(), d.MESSAGE.c_str());
}

std::string page_list(const std::vector<int32_t>& pages) {
    std::string s;
    for (size_t i = 0; i < pages.size(); ++i) s += (i == 0 ? "" : i + 1 == pages.size() ? " and " : ", ") + std::to_string(pages[i]);
    return s;
}

void print_human(const CHECK_REPORT& r, bool verbose) {
    for (const DIAGNOSTIC& d : r.DIAGNOSTICS) {
        print_diagnostic(r, d, "");
        if (verbose)
            for (const DIAGNOSTIC& c : d.CONSEQUENCES) print_diagnostic(r, c, "    ");
        else if (!d.CONSEQUENCES.empty())
            std::printf(d.CONSEQUENCES.size() == 1 ? "    (%s follows from it: --verbose lists it)\n"
                                                   : "    (%s follow from it: --verbose lists them)\n",
                        plural(int64_t(d.CONSEQUENCES.size()), "more finding").c_str());
    }
    int reachable = 0;
    std::vector<int32_t> undecided;
    for (int32_t p : r.PAGE_FILES) {
        reachable += r.REACH.PAGES[size_t(p)].REACHABLE == REACH_YES;
        if (r.REACH.PAGES[size_t(p)].REACHABLE == REACH_UNDECIDED) undecided.push_back(p);
    }
    std::string reach = std::to_string(reachable) + " of " + std::to_string(r.PAGE_FILES.size()) + " pages reachable";
    reach += r.REACH.COMPLETE ? " (every state searched: " + STATES_TEXT(r.REACH.STATES) + ")"
                              : ", " + std::to_string(undecided.size()) + " undecided";
    std::string ends = plural(int64_t(r.ENDINGS.size()), "ending");
    if (!r.ENDINGS.empty()) ends += " (page" + std::string(r.ENDINGS.size() == 1 ? " " : "s ") + page_list(r.ENDINGS) + ")";
    if (!r.DEAD_ENDS.empty())
        ends += ", " + plural(int64_t(r.DEAD_ENDS.size()), "dead end") + " (page" +
                std::string(r.DEAD_ENDS.size() == 1 ? " " : "s ") + page_list(r.DEAD_ENDS) + ")";
    std::printf("%s, %s, %s; %s; %s\n", plural(r.ERRORS, "error").c_str(), plural(r.WARNINGS, "warning").c_str(),
                plural(r.NOTES, "note").c_str(), reach.c_str(), ends.c_str());
    if (!r.REACH.COMPLETE) {
        // Why the search stopped, and which pages it left open: the first few by number.
        std::string open;
        for (size_t i = 0; i < undecided.size() && i < 20; ++i) open += (i ? ", " : " ") + std::to_string(undecided[i]);
        if (undecided.size() > 20) open += " and " + std::to_string(undecided.size() - 20) + " more";
        std::printf("%s: %s\n", REACH_STOP_TEXT(r.REACH).c_str(),
                    undecided.empty() ? "every page was reached; options it did not see taken are undecided"
                                      : ("undecided (neither reached nor proven unreachable): page" +
                                         std::string(undecided.size() == 1 ? "" : "s") + open)
                                            .c_str());
    }
}
}  // namespace

void add_check_command(CLI::App& app, int& status) {
    struct Options {
        std::string folder;
        bool json = false, verbose = false;
        REACH_BUDGET budget;
    };
    auto options = std::make_shared<Options>();
    CLI::App* check = app.add_subcommand("check", "Find what is wrong with a story, and what a reader can reach");
    add_folder(check, options->folder);
    check->add_flag("--json", options->json, "one JSON object on standard output");
    check->add_flag("--verbose", options->verbose, "also list, under each mistake, the findings that follow from it");
    add_search_budget(check, options->budget);
    check->callback([options, &status] {
        const CHECK_REPORT report = CHECK_STORY(options->folder, WITH_PROGRESS_LINE(options->budget));
        if (!report.PROBLEM.empty()) {
            status = no_story(report.FOLDER, report.PROBLEM);
            return;
        }
        if (options->json)
            std::printf("%s\n", JSON_DUMP(report_json(report)).c_str());
        else
            print_human(report, options->verbose);
        status = report.ERRORS > 0 ? EXIT_FOUND : 0;
    });
}
