#include "commands.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

std::string plural(int64_t n, const char* word) { return std::to_string(n) + " " + word + (n == 1 ? "" : "s"); }

int no_story(const std::string& folder, const std::string& why) {
    std::fprintf(stderr, "brindle-story: no story in \"%s\": %s\n", folder.empty() ? "." : folder.c_str(), why.c_str());
    return EXIT_USAGE;
}

std::string paint(const char* code, const std::string& text) {
    static const bool colour = [] {
        const char* no_color = std::getenv("NO_COLOR");
        return isatty(STDOUT_FILENO) && !(no_color && *no_color);
    }();
    return colour ? "\033[" + std::string(code) + "m" + text + "\033[0m" : text;
}
