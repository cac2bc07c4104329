// brindle-story web: the story as one web page that plays from the disk or
// from any static web server, with no network.
#include <cstdio>

#include "check.h"
#include "commands.h"
#include "engine.h"
#include "platform/file_read.h"
#include "platform/file_write.h"
#include "platform/process.h"
#include "web_export.h"

void add_web_command(CLI::App& app, int& status) {
    struct Options {
        std::string folder, output, title;
        bool force = false;
        REACH_BUDGET budget;
    };
    auto options = std::make_shared<Options>();
    CLI::App* web = app.add_subcommand("web", "Publish the story as one web page (every file it uses inlined)");
    add_folder(web, options->folder);
    web->add_option("-o,--output", options->output, "the page to write (FILE.html)")->required();
    web->add_flag("--force", options->force, "publish even when the checker finds errors");
    web->add_option("--title", options->title, "the page's title (default: the first page's title)");
    add_search_budget(web, options->budget);
    web->callback([options, &status] {
        const std::string& folder = options->folder;
        if (std::string why = STORY_FOLDER_PROBLEM(folder); !why.empty()) {
            status = no_story(folder, why);
            return;
        }
        const std::string player_path = WEB_PLAYER_PATH();
        std::string player;
        if (player_path.empty() || !file_read_all(player_path, player)) {
            std::fprintf(stderr,
                         "brindle-story web: the web player is not built (no %s): build the project where "
                         "Emscripten is installed\n",
                         player_path.c_str());
            status = EXIT_FOUND;
            return;
        }
        // The checker's errors are what a reader would meet: they stop the
        // export unless the author insists.
        const CHECK_REPORT report = CHECK_STORY(folder, WITH_PROGRESS_LINE(options->budget));
        for (const DIAGNOSTIC& d : report.DIAGNOSTICS)
            if (d.SEVERITY == "error")
                std::fprintf(stderr, "%s: error: %s: %s\n", DIAGNOSTIC_PLACE(report, d).c_str(), d.NAME.c_str(),
                             d.MESSAGE.c_str());
        if (report.ERRORS > 0 && !options->force) {
            std::fprintf(stderr, "brindle-story web: %d error%s; nothing written (--force publishes the story as it is)\n",
                         report.ERRORS, report.ERRORS == 1 ? "" : "s");
            status = EXIT_FOUND;
            return;
        }
        const WEB_STORY story = WEB_STORY_FILES(folder);
        for (const FILE_REFUSAL& r : story.REFUSED)
            std::fprintf(stderr, "brindle-story web: not published: %s: %s\n", native_path(r.PATH).c_str(), r.WHY.c_str());
        const std::string title = !options->title.empty() ? options->title : !story.TITLE.empty() ? story.TITLE : "Brindle";
        std::string page, error = STORY_OUTPUT_PROBLEM(report.FILES, options->output);
        if (!error.empty() || !WEB_PAGE(player, title, story, page, error) || !file_write(options->output, page, error)) {
            std::fprintf(stderr, "brindle-story web: %s\n", error.c_str());
            status = EXIT_FOUND;
            return;
        }
        std::printf("%s: %zu files, %.0f KB%s\n", options->output.c_str(), story.FILES.size(), page.size() / 1024.0,
                    report.ERRORS > 0 ? (" (published with " + std::to_string(report.ERRORS) + " errors)").c_str() : "");
        status = 0;
    });
}
