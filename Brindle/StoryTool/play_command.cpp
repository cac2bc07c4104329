// brindle-story play: runs play-through scripts on the story, headless, and
// prints each failure at its script's file and line; --bless stores frames.
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "commands.h"
#include "engine.h"
#include "platform/process.h"
#include "play_script.h"
#include "story_shape.h"
#include "surface.h"

namespace fs = std::filesystem;

namespace {
// The scripts an argument names: the file, or every .play file of a folder
// in name order.
bool scripts_of(const std::string& arg, std::vector<std::string>& paths, std::vector<std::string>& errors) {
    std::error_code ec;
    if (!fs::is_directory(arg, ec)) {
        paths.push_back(arg);
        return true;
    }
    std::vector<std::string> found;
    for (const fs::directory_entry& e : fs::directory_iterator(arg, ec))
        if (e.path().extension() == ".play" && e.is_regular_file(ec)) found.push_back(e.path().string());
    if (found.empty()) {
        errors.push_back(arg + ": no .play scripts in this folder");
        return false;
    }
    std::sort(found.begin(), found.end());
    paths.insert(paths.end(), found.begin(), found.end());
    return true;
}

// Reads every script the arguments name; false (each mistake said on
// standard error) when any has one.
bool read_scripts(const std::vector<std::string>& args, std::vector<PLAY_SCRIPT>& scripts) {
    std::vector<std::string> paths, errors;
    for (const std::string& a : args) scripts_of(a, paths, errors);
    for (const std::string& p : paths) {
        PLAY_SCRIPT s;
        if (PLAY_READ(p, s, errors)) scripts.push_back(std::move(s));
    }
    if (errors.empty()) return true;
    for (const std::string& e : errors) std::fprintf(stderr, "%s\n", e.c_str());
    std::fprintf(stderr, "brindle-story play: %s; nothing was played\n", plural(int64_t(errors.size()), "script error").c_str());
    return false;
}

// What the scripts found, added up.
struct Totals {
    int failed_scripts = 0;
    int64_t checks = 0, failed_checks = 0, unchanged = 0, blessed = 0;
};

// What one script found, as the author reads it.
void report(const PLAY_SCRIPT& script, const PLAY_OUTCOME& o, Totals& t) {
    for (const PLAY_FAILURE& f : o.FAILURES)
        std::printf("%s: %s\n", paint("1", script.PATH + ":" + std::to_string(f.LINE)).c_str(), f.MESSAGE.c_str());
    for (const std::string& b : o.BLESSED) std::printf("%s: %s\n", paint("1", script.PATH).c_str(), ("wrote " + b).c_str());
    t.checks += o.CHECKS;
    t.failed_checks += int64_t(o.FAILURES.size());
    t.unchanged += o.UNCHANGED;
    t.blessed += int64_t(o.BLESSED.size());
    if (o.FAILURES.empty()) {
        std::printf("%s %s (%s)\n", paint("1;32", "pass").c_str(), script.PATH.c_str(), plural(o.CHECKS, "check").c_str());
        return;
    }
    ++t.failed_scripts;
    std::string note = std::to_string(o.FAILURES.size()) + " of " + plural(o.CHECKS, "check") + " failed";
    if (o.STOPPED_AT > 0) note += ", stopped at line " + std::to_string(o.STOPPED_AT);
    std::printf("%s %s (%s)\n", paint("1;31", "FAIL").c_str(), script.PATH.c_str(), note.c_str());
}

// Opens the story (again, after a fault) for a fresh start of a script.
STORY_RESULT open_story(const std::string& folder, STORY_MODE mode) {
    STORY_RESULT r = STORY_OPEN(folder, mode);
    // Without page 0 the player's first frame is its fault report; without
    // frames the engine would only meet it at the first key.
    if (r.ok && !PAGE_EXISTS(0)) r = {false, false, false, 0, "there is no page 0, where every reader starts"};
    if (!r.ok) std::fprintf(stderr, "brindle-story play: the story cannot start: %s\n", native_path(r.message).c_str());
    return r;
}

int play(std::vector<std::string> args, bool bless) {
    // The first argument is the story when it holds one; the scripts follow.
    std::string folder;
    if (!args.empty() && STORY_FOLDER_PROBLEM(args[0]).empty() && !fs::is_regular_file(args[0])) {
        folder = args[0];
        args.erase(args.begin());
    }
    if (args.empty()) {
        std::fprintf(stderr, "brindle-story play: name at least one script (a .play file, or a folder of them)\n");
        return EXIT_USAGE;
    }
    if (std::string why = STORY_FOLDER_PROBLEM(folder); !why.empty()) return no_story(folder, why);
    std::vector<PLAY_SCRIPT> scripts;
    if (!read_scripts(args, scripts)) return EXIT_USAGE;

    // Frames only when some script compares one: without them a key costs far less.
    const bool frames = PLAY_NEEDS_FRAMES(scripts);
    if (frames && screen_open(640, 480, 32, 16, 0, 0) != 0) {
        std::fprintf(stderr, "brindle-story play: no drawing surface for the frames\n");
        return EXIT_FOUND;
    }
    const STORY_MODE mode = frames ? STORY_FRAMES : STORY_LOGIC;
    struct Closer {
        ~Closer() { STORY_CLOSE(); }
    } closer;
    if (const STORY_RESULT r = open_story(folder, mode); !r.ok) return r.empty ? EXIT_USAGE : EXIT_FOUND;
    for (const std::string& m : STORY_MESSAGES())
        std::fprintf(stderr, "the story's loader says: %s\n", native_path(m).c_str());

    Totals t;
    bool fresh = true;  // the story stands at a fresh start
    for (const PLAY_SCRIPT& script : scripts) {
        // Each script starts afresh; after a fault the story is opened again.
        if (!fresh && !STORY_RESTART().ok && !open_story(folder, mode).ok) return EXIT_FOUND;
        const PLAY_OUTCOME o = PLAY_RUN(script, bless);
        fresh = false;
        if (o.FAULTED) {
            if (!open_story(folder, mode).ok) return EXIT_FOUND;
            fresh = true;
        }
        report(script, o, t);
    }
    std::string summary = plural(int64_t(scripts.size()), "script") + ", " + plural(t.checks, "check") + ": ";
    summary += t.failed_scripts == 0 ? "all passed"
                                     : std::to_string(t.failed_scripts) + " of " + plural(int64_t(scripts.size()), "script") +
                                           " failed (" + plural(t.failed_checks, "failure") + ")";
    if (bless) summary += "; " + plural(t.blessed, "frame") + " written, " + std::to_string(t.unchanged) + " unchanged";
    std::printf("%s\n", summary.c_str());
    return t.failed_scripts == 0 ? 0 : EXIT_FOUND;
}
}  // namespace

void add_play_command(CLI::App& app, int& status) {
    struct Options {
        std::vector<std::string> args;
        bool bless = false;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand("play", "Play scripted play-throughs and check the pages, options, progress and frames met");
    command->add_option("SCRIPT", options->args,
                        "[STORY_FOLDER] SCRIPT...: the story (the folder that holds Brindle/Assets; default: this "
                        "folder), then play-through scripts (.play files, or folders of them)")
        ->required();
    command->add_flag("--bless", options->bless, "write (or refresh) the stored frames instead of comparing them");
    command->footer("Exit status: 0 all passed, 1 something failed, 2 a bad script or no story.\n"
                    "The script format is in docs/story-format.md, \"Testing your story\".");
    command->callback([options, &status] { status = play(options->args, options->bless); });
}
