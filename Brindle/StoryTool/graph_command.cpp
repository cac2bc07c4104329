// brindle-story graph: the story's map as DOT, SVG, JSON or Mermaid, on
// standard output or into a file.
#include <cstdio>
#include <memory>

#include "commands.h"
#include "platform/file_write.h"
#include "story_map.h"

namespace {
struct Options {
    std::string folder, format, out;
    REACH_BUDGET budget;
};

// The format a file name asks for, or "".
std::string format_of(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos) return "";
    const std::string ext = path.substr(dot + 1);
    if (ext == "dot" || ext == "gv") return "dot";
    if (ext == "svg" || ext == "json") return ext;
    if (ext == "mmd" || ext == "mermaid") return "mermaid";
    return "";
}

int run(const Options& o) {
    const CHECK_REPORT report = CHECK_STORY(o.folder, WITH_PROGRESS_LINE(o.budget));
    if (!report.PROBLEM.empty()) {
        return no_story(report.FOLDER, report.PROBLEM);
    }
    std::string format = o.format.empty() ? format_of(o.out) : o.format;
    if (format.empty()) format = "dot";
    std::string text;
    if (format == "json") {
        text = STORY_MAP_JSON(report);
    } else if (format == "mermaid") {
        text = STORY_MAP_MERMAID(report);
    } else {
        text = STORY_MAP_DOT(report);
        if (format == "svg") {
            std::string svg, error;
            if (!DOT_TO_SVG(text, svg, error)) {
                std::fprintf(stderr, "brindle-story: %s\n", error.c_str());
                return EXIT_FOUND;
            }
            text = svg;
        }
    }
    if (o.out.empty() || o.out == "-") {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return 0;
    }
    std::string error = STORY_OUTPUT_PROBLEM(report.FILES, o.out);
    if (!error.empty() || !file_write(o.out, text, error)) {
        std::fprintf(stderr, "brindle-story: %s\n", error.c_str());
        return EXIT_FOUND;
    }
    return 0;
}
}  // namespace

void add_graph_command(CLI::App& app, int& status) {
    auto o = std::make_shared<Options>();
    CLI::App* graph = app.add_subcommand("graph", "Draw the story's map: pages, options, conditions, dead ends");
    add_folder(graph, o->folder);
    graph->add_option("--format", o->format, "dot, svg (laid out by Graphviz), json or mermaid (default: from -o, else dot)")
        ->check(CLI::IsMember({"dot", "svg", "json", "mermaid"}));
    graph->add_option("-o,--output", o->out, "the file to write (default: standard output)");
    add_search_budget(graph, o->budget);
    graph->callback([o, &status] { status = run(*o); });
}
