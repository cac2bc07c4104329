// brindle-story new FOLDER: a small story to start from, in a folder that
// is empty or not there yet: three pages, the pictures they use, the font,
// the bars, the frame and the wallpaper, a play-through with its frames
// and a README for the author.
#include <cstdio>
#include <memory>

#include "commands.h"
#include "engine.h"
#include "platform/file_read.h"
#include "platform/file_write.h"
#include "platform/process.h"
#include "play_script.h"
#include "starter.h"
#include "surface.h"

namespace {
const char* const PLAY_THROUGH = "playthrough.play";

// Where a file of the new story goes, as the system writes paths.
std::string path_in(const std::string& folder, const std::string& relative) {
    const char last = folder.back();
    return native_path(last == '/' || last == '\\' ? folder + relative : folder + "/" + relative);
}

// Writes every file of the starter story into `folder`.
bool write_files(const std::string& folder) {
    std::string error;
    for (size_t i = 0; i < STARTER_FILE_COUNT; ++i) {
        const STARTER_FILE& f = STARTER_FILES[i];
        const std::string path = path_in(folder, f.PATH);
        const std::string parent = path.substr(0, path.rfind('/'));
        if (!dir_make(parent, error) ||
            !file_write(path, std::string_view(reinterpret_cast<const char*>(f.BYTES), f.SIZE), error)) {
            std::fprintf(stderr, "brindle-story new: %s\n", error.c_str());
            return false;
        }
    }
    return true;
}

// Plays the play-through once, storing every frame it names: the frames are
// the engine's own, so the play-through passes until the story changes.
bool bless_frames(const std::string& folder) {
    PLAY_SCRIPT script;
    std::vector<std::string> errors;
    if (screen_open(640, 480, 32, 16, 0, 0) != 0) errors.push_back("no drawing surface for the frames");
    const STORY_RESULT opened = errors.empty() ? STORY_OPEN(folder, STORY_FRAMES) : STORY_RESULT{};
    if (errors.empty() && !opened.ok) errors.push_back("the story cannot start: " + native_path(opened.message));
    if (errors.empty() && PLAY_READ(path_in(folder, PLAY_THROUGH), script, errors)) {
        const PLAY_OUTCOME o = PLAY_RUN(script, true);
        for (const PLAY_FAILURE& f : o.FAILURES) errors.push_back(script.PATH + ":" + std::to_string(f.LINE) + ": " + f.MESSAGE);
    }
    STORY_CLOSE();
    for (const std::string& e : errors) std::fprintf(stderr, "brindle-story new: %s\n", e.c_str());
    return errors.empty();
}

int make_story(const std::string& folder) {
    if (folder.empty()) {
        std::fprintf(stderr, "brindle-story new: name the folder for the new story\n");
        return EXIT_USAGE;
    }
    if (dir_exists(folder) && !dir_is_empty(folder)) {
        std::fprintf(stderr,
                     "brindle-story new: \"%s\" is not empty: a new story starts in an empty folder, or in one "
                     "that is not there yet\n",
                     folder.c_str());
        return EXIT_USAGE;
    }
    std::string error;
    if (!dir_make(folder, error)) {
        std::fprintf(stderr, "brindle-story new: %s\n", error.c_str());
        return EXIT_FOUND;
    }
    if (!write_files(folder) || !bless_frames(folder)) return EXIT_FOUND;
    std::printf("A new story in %s: three pages, their pictures, a play-through and its frames.\n"
                "Read %s, then:\n"
                "  brindle-story check %s\n"
                "  brindle-story play %s %s\n"
                "  Brindle --watch %s\n",
                folder.c_str(), path_in(folder, "README.txt").c_str(), folder.c_str(), folder.c_str(),
                path_in(folder, PLAY_THROUGH).c_str(), folder.c_str());
    return 0;
}
}  // namespace

void add_new_command(CLI::App& app, int& status) {
    auto folder = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand("new", "Start a new story from a small one: pages, pictures, font and a play-through");
    command->add_option("FOLDER", *folder, "the folder for the story: empty, or not there yet")->required();
    command->callback([folder, &status] { status = make_story(*folder); });
}
