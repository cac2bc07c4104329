// The command line of seamless-tile.
#pragma once
#include <string>
#include <vector>

struct Options {
    std::vector<std::string> files;  // IN OUT, or with out_dir the inputs
    std::string out_dir;
    std::string mask;
    std::string shape = "radial";
    double blend = 0.25;
    std::string preview;
    bool previews = false;
    std::string save_mask;
    bool report = false;
    unsigned jobs = 0;  // 0: one per core
    bool small = false;
    std::string method = "blend";
    int feather = 2;
    std::vector<std::string> maps;         // more pictures of the same material, cut alike
    std::vector<std::string> normal_maps;  // which of them hold normal vectors
};

// Parses the command line. -1: go on; otherwise the exit status to end with
// (0 after --help or --version, 2 after a usage error, already reported).
int parse_options(int argc, char** argv, Options& options);
