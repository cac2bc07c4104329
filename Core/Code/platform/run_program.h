// Running another program and talking to it through pipes.
#pragma once
#include <string>
#include <vector>

// Runs argv[0] (looked up on PATH) with the rest of argv as its arguments,
// writes `input` to its standard input and collects its standard output and
// error until it ends. Returns its exit status (128 + the signal when a
// signal ended it), or -1 when it could not be started; then `err` says why.
int run_program(const std::vector<std::string>& argv, const std::string& input, std::string& out, std::string& err);
