// Runs tile jobs on several threads, reporting failures as they happen.
#pragma once
#include <string>
#include <vector>

#include "tile_job.h"

// Makes every task on up to `jobs` threads. Each failure is printed at once
// as "seamless-tile: <input>: <reason>"; with `progress` a bar on standard
// error follows the work. reports[i] receives task i's score line (empty
// when it failed or none was asked for). Returns how many failed.
size_t run_batch(const std::vector<TileTask>& tasks, const TileSettings& settings, unsigned jobs, bool progress,
                 std::vector<std::string>& reports);

// Prints "seamless-tile: <name>: <reason>" on standard error, in one piece
// even while other threads print.
void report_failure(const std::string& name, const std::string& reason);
