// The reachability search's budget options, its progress line and the words
// for a search that stopped early: one wording for every command.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <memory>

#include "commands.h"

void add_search_budget(CLI::App* command, REACH_BUDGET& budget) {
    command->add_option("--max-states", budget.MAX_STATES, "stop the reachability search after N reader states (default: no limit)")
        ->type_name("N")
        ->check(CLI::PositiveNumber);
    command->add_option("--max-seconds", budget.MAX_SECONDS, "stop the reachability search after S seconds")
        ->type_name("S")
        ->capture_default_str()
        ->check(CLI::PositiveNumber);
}

std::string STATES_TEXT(long double states) {
    char buf[64];
    if (states < 1e12L) std::snprintf(buf, sizeof buf, "%.0Lf", states);
    else std::snprintf(buf, sizeof buf, "%.2Le", states);
    return buf;
}

REACH_BUDGET WITH_PROGRESS_LINE(REACH_BUDGET budget) {
    if (!isatty(STDERR_FILENO)) return budget;
    auto shown = std::make_shared<bool>(false);
    auto told = budget.PROGRESS;
    budget.PROGRESS = [shown, told](const REACH_PROGRESS& p) {
        if (told) told(p);
        if (p.DONE) {
            if (*shown) std::fprintf(stderr, "\r\033[K");
            *shown = false;
            return;
        }
        if (p.SECONDS < 1) return;
        *shown = true;
        std::fprintf(stderr, "\r\033[Ksearching: %.0f s, %d pages reached, %s states, %d keys deep", p.SECONDS,
                     p.PAGES_FOUND, STATES_TEXT(p.STATES).c_str(), p.DEPTH);
        std::fflush(stderr);
    };
    return budget;
}

std::string REACH_STOP_TEXT(const REACH_RESULT& reach) {
    const std::string after = " after " + STATES_TEXT(reach.STATES) + " states, " + std::to_string(reach.DEPTH) + " keys deep";
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%g", reach.BUDGET.MAX_SECONDS);
    switch (reach.STOP) {
        case REACH_DONE: return "";
        case REACH_STATE_BUDGET:
            return "the search stopped at its budget of states (--max-states " + std::to_string(reach.BUDGET.MAX_STATES) + ")" + after;
        case REACH_TIME_BUDGET: return "the search stopped at its time budget (--max-seconds " + std::string(seconds) + ")" + after;
        case REACH_MEMORY_BUDGET:
            return "the search stopped at its memory budget (" + std::to_string(reach.BUDGET.MAX_BYTES >> 20) + " MB)" + after;
        case REACH_TOO_MANY_BITS:
            return "the search did not run: the story's keys depend on more than " + std::to_string(REACH_MAX_BITS) +
                   " condition pages";
    }
    return "";
}
