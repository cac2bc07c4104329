// brindle-story: the story author's command.
//   brindle-story check [STORY_FOLDER] [--json] [--verbose] [--max-seconds S] [--max-states N]
//   brindle-story render [STORY_FOLDER] --page N [--keys K] [--gallery] [--progress] -o FILE.png
//   brindle-story graph [STORY_FOLDER] [--format dot|svg|json|mermaid] [-o FILE]
//   brindle-story stats [STORY_FOLDER] [--json]
//   brindle-story play [STORY_FOLDER] SCRIPT... [--bless]
//   brindle-story random [STORY_FOLDER] --runs N --seed S [--steps M] [--least-used] [--json] [--graph FILE.svg]
//   brindle-story web [STORY_FOLDER] -o FILE.html [--force] [--title TEXT]
//   brindle-story new FOLDER
// Run `brindle-story --help` for every command.
#include <cstdio>
#include <new>

#include "commands.h"

int main(int argc, char** argv) {
    CLI::App app{"Tools for writing Brindle stories: start one, check it, render its pages, map it, count it and test it.", "brindle-story"};
    app.set_version_flag("--version", "brindle-story 1.0");
    app.require_subcommand(1);
    app.fallthrough(false);
    int status = 0;
    add_check_command(app, status);
    add_render_command(app, status);
    add_graph_command(app, status);
    add_stats_command(app, status);
    add_play_command(app, status);
    add_random_command(app, status);
    add_web_command(app, status);
    add_new_command(app, status);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);  // prints help, the version, or what was wrong
        return code == 0 ? 0 : EXIT_USAGE;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "brindle-story: out of memory\n");
        return EXIT_FOUND;
    } catch (const std::exception& e) {  // a fault of this program, said in one line
        std::fprintf(stderr, "brindle-story: stopped: %s\n", e.what());
        return EXIT_FOUND;
    }
    return status;
}
