// Running another program and talking to it through pipes.
#pragma once
#include <string>
#include <vector>

// Where a program named without a "/" is: the first of PATH's absolute
// folders that holds it as an executable file ("" when none does). Empty and
// relative entries are passed over: they name the current folder.
std::string program_path(const std::string& name);

// Runs argv[0] (found by program_path) with the rest of argv as its arguments,
// writes `input` to its standard input and collects its standard output and
// error until it ends. Returns its exit status (128 + the signal when a
// signal ended it), or -1 when it could not be started; then `err` says why.
int run_program(const std::vector<std::string>& argv, const std::string& input, std::string& out, std::string& err);
