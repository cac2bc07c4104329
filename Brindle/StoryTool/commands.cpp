#include "commands.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "engine.h"
#include "platform/file_write.h"
#include "platform/process.h"

std::string STORY_OUTPUT_PROBLEM(const std::vector<std::string>& story_files, const std::string& path) {
    const std::string place = file_write_place(path);
    for (const std::string& f : story_files) {
        std::error_code ec;
        const std::filesystem::path real = std::filesystem::canonical(native_path(f), ec);
        if (file_write_place(f) == place || (!ec && real.string() == place))
            return "cannot write " + path + ": the story reads " + native_path(f);
    }
    return "";
}

std::vector<std::string> STORY_FILE_PATHS() {
    std::vector<std::string> paths;
    for (const STORY_FILE_TYPE& f : STORY_FILES()) paths.push_back(f.PATH);
    return paths;
}

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
