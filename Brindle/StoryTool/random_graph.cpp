#include "random_graph.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "check.h"
#include "commands.h"
#include "platform/file_write.h"

namespace {
double heat(int64_t hits, int64_t most) {
    return hits <= 0 || most <= 0 ? 0.0 : std::sqrt(double(hits) / double(most));
}
}  // namespace

MAP_SHADES RANDOM_SHADES(const RANDOM_REPORT& report) {
    MAP_SHADES shades;
    shades.PAGE.assign(size_t(std::max(report.TOTAL, 0)), 0.0);
    shades.OPTION.assign(shades.PAGE.size(), {0.0, 0.0, 0.0, 0.0});
    int64_t most_page = 0, most_option = 0;
    for (const RANDOM_PAGE& p : report.PAGES) most_page = std::max(most_page, p.HITS);
    for (const RANDOM_OPTION& o : report.OPTIONS) most_option = std::max(most_option, o.TAKEN);
    for (const RANDOM_PAGE& p : report.PAGES)
        if (size_t(p.PAGE) < shades.PAGE.size()) shades.PAGE[size_t(p.PAGE)] = heat(p.HITS, most_page);
    for (const RANDOM_OPTION& o : report.OPTIONS)
        if (size_t(o.PAGE) < shades.OPTION.size() && o.SLOT >= 1 && o.SLOT <= 4)
            shades.OPTION[size_t(o.PAGE)][size_t(o.SLOT - 1)] = heat(o.TAKEN, most_option);
    return shades;
}

bool RANDOM_GRAPH(const CHECK_REPORT& checked, const RANDOM_REPORT& report, const std::string& path, std::string& error) {
    if (!checked.PROBLEM.empty()) {
        error = checked.PROBLEM;
        return false;
    }
    if (error = STORY_OUTPUT_PROBLEM(checked.FILES, path); !error.empty()) return false;
    const MAP_SHADES shades = RANDOM_SHADES(report);
    std::string svg;
    if (!DOT_TO_SVG(STORY_MAP_DOT(checked, &shades), svg, error)) return false;
    return file_write(path, svg, error);
}
