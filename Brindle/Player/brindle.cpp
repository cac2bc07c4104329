// Brindle: a page-based illustrated story, played one key at a time.
//   Brindle [--watch] [--fullscreen] [STORY_FOLDER]
// plays the story in STORY_FOLDER (the folder that holds Brindle/Assets), or
// in the current folder without one. Escape ends. With --watch, a change to
// the story's files on disk reloads it in place. The window can be resized
// (the frame grows by whole steps); --fullscreen starts full screen, and
// Alt+Enter switches.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine.h"
#include "platform/file_watch.h"
#include "platform/process.h"
#include "surface.h"
#include "waitkey.h"

namespace {
// Watches the files the story reads now (STORY_FILES) and its page folder
// for new pages. Called again after every change, as the story may then
// read other files.
bool watch_story(const std::string& folder, bool first) {
    const std::string assets = (folder.empty() ? "." : folder) + "\\Brindle\\Assets";
    std::vector<std::string> files;
    for (const STORY_FILE_TYPE& f : STORY_FILES()) files.push_back(f.PATH);
    std::string error;
    if (!watch_start(assets, {assets + "\\Pages"}, files, {".seq"}, error)) {
        std::fprintf(stderr, "Brindle: cannot watch the story's files: %s\n", error.c_str());
        return false;
    }
    if (first) {
        std::printf("Brindle: watching %s/Brindle/Assets; a change reloads the story\n",
                    folder.empty() ? "." : folder.c_str());
        std::fflush(stdout);
    }
    return true;
}

// Says on the terminal, once each, which of the story's files were not
// read: links or names leading out of the story, devices, pipes, files too
// large. The story goes on without them.
void tell_refused() {
    static size_t told = 0;
    const std::vector<FILE_REFUSAL> refused = STORY_REFUSED();
    for (; told < refused.size(); ++told)
        std::fprintf(stderr, "Brindle: not read: %s: %s\n", native_path(refused[told].PATH).c_str(),
                     refused[told].WHY.c_str());
}

// Reloads after a change on disk, and says on the terminal what happened.
void reload() {
    const STORY_RESULT r = STORY_RELOAD();
    if (!r.ok) {
        std::fprintf(stderr, "Brindle: not reloaded, the story stays as it was: %s\n", r.message.c_str());
        return;
    }
    if (!r.message.empty()) std::fprintf(stderr, "Brindle: %s\n", r.message.c_str());
    std::printf("Brindle: reloaded, on page %d\n", STORY_LOCATION());
    std::fflush(stdout);
}
}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Plays a Brindle story one key at a time: the keys in <...> choose, Tab shows the gallery, "
                 "Backspace the progress, Alt+Enter switches full screen, Escape ends.",
                 "Brindle"};
    std::string folder;
    bool watch = false, fullscreen = false;
    app.add_option("STORY_FOLDER", folder, "the folder that holds Brindle/Assets (default: this folder)");
    app.add_flag("--watch", watch, "reload the story whenever one of its files changes, keeping the reader's place");
    app.add_flag("--fullscreen", fullscreen, "start full screen (Alt+Enter switches between full screen and a window)");
    app.set_version_flag("--version", "Brindle 1.0");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);  // prints help, the version, or what was wrong
        return code == 0 ? 0 : 2;
    }
    // A folder named on the command line must hold a story before a window opens.
    if (!folder.empty()) {
        if (std::string why = STORY_FOLDER_PROBLEM(folder); !why.empty()) {
            std::fprintf(stderr, "Brindle: cannot play \"%s\": %s\n", folder.c_str(), why.c_str());
            return 2;
        }
    }
    ANICURSOR_FRAMES = "\\|/ - ";
    screen_window(fullscreen ? SCREEN_WINDOW_FULLSCREEN : SCREEN_WINDOW_RESIZABLE);
    std::atexit(STORY_CLOSE);
    if (STORY_OPEN(folder, STORY_PLAYER).empty) process_exit(0);
    tell_refused();
    if (watch) watch_story(folder, true);
    const std::string files_changed = files_changed_key();
    for (;;) {
        const std::string key = WAITKEY();  // WAITKEY ends the program on Escape
        if (watch && key == files_changed) {
            reload();
            watch_story(folder, false);
        } else
            STORY_PRESS(key);
        tell_refused();
    }
}
