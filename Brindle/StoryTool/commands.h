// The commands of brindle-story. Each adds its subcommand to the program;
// the one the author runs leaves its exit status in `status`.
#pragma once
#include <CLI/CLI.hpp>
#include <cstdint>
#include <string>
#include <vector>

#include "reach.h"

void add_check_command(CLI::App& app, int& status);
void add_render_command(CLI::App& app, int& status);
void add_graph_command(CLI::App& app, int& status);
void add_stats_command(CLI::App& app, int& status);
void add_play_command(CLI::App& app, int& status);
void add_random_command(CLI::App& app, int& status);
void add_web_command(CLI::App& app, int& status);
void add_new_command(CLI::App& app, int& status);

// The story folder argument every command takes: the folder that holds
// Brindle/Assets, the current folder when none is given.
inline CLI::Option* add_folder(CLI::App* command, std::string& folder) {
    return command->add_option("STORY_FOLDER", folder, "the folder that holds Brindle/Assets (default: this folder)");
}
// The reachability search's budget, as every command that runs the search
// takes it: --max-states and --max-seconds (the memory budget is fixed).
void add_search_budget(CLI::App* command, REACH_BUDGET& budget);
// The budget with a progress line on standard error, when that is a
// terminal and the search takes longer than a second; cleared at the end.
REACH_BUDGET WITH_PROGRESS_LINE(REACH_BUDGET budget);
// Why the search stopped before it saw everything ("" when it did not):
// "the search stopped at its time budget (--max-seconds 60) after 1,234,567
// states", naming the option that raises it.
std::string REACH_STOP_TEXT(const REACH_RESULT& reach);
// A count of states as a reader takes it in: digits up to a trillion,
// then "2.3e+19".
std::string STATES_TEXT(long double states);

// Why an output may not be written at `path`: "cannot write PATH: the
// story reads FILE" when it would replace a file the story reads, or the
// file a link among them leads to; "" when it may. `story_files` are
// STORY_FILES' paths (STORY_FILE_PATHS, or a report's FILES).
std::string STORY_OUTPUT_PROBLEM(const std::vector<std::string>& story_files, const std::string& path);
// The paths of STORY_FILES() for the story open now.
std::vector<std::string> STORY_FILE_PATHS();

// Exit statuses: 0 all well, 1 something found or failed, 2 a usage error
// or a folder that holds no story.
constexpr int EXIT_FOUND = 1, EXIT_USAGE = 2;

// What every command says alike.
// "1 check", "3 checks".
std::string plural(int64_t n, const char* word);
// Says on standard error that `folder` ("" or "." the current folder) holds
// no story, and why; returns the exit status for it.
int no_story(const std::string& folder, const std::string& why);
// `text` in the terminal's colour `code` ("1;31") when standard output is a
// terminal and NO_COLOR is not set; otherwise as it is.
std::string paint(const char* code, const std::string& text);
