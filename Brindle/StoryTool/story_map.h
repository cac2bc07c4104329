// The map of a story: one node per page (its number and title), one edge per
// option (its key and caption; dashed and named when it has a condition),
// unreachable pages and dead ends marked from the checker's own analysis,
// endings (story_shape.h) drawn as hexagons.
// As Graphviz DOT, SVG (laid out by Graphviz's `dot` command), Mermaid or
// JSON.
//
// Each function reads the story in report.FOLDER afresh (without pictures)
// and closes it again, so any story open before is closed: call them after
// any play on the open story is done.
#pragma once
#include <array>
#include <string>
#include <vector>

#include "check.h"

// Heat to shade the map with, 0 to 1 (empty vectors: no shading).
struct MAP_SHADES { std::vector<double> PAGE; std::vector<std::array<double, 4>> OPTION; };  // by page slot; OPTION by slot - 1
std::string STORY_MAP_DOT(const CHECK_REPORT& report, const MAP_SHADES* shades = nullptr);
// Lays out `dot` with Graphviz's `dot -Tsvg`. False with `error` set when it
// cannot be run or refuses the graph.
bool DOT_TO_SVG(const std::string& dot, std::string& svg, std::string& error);
// The same map as a Mermaid flowchart.
std::string STORY_MAP_MERMAID(const CHECK_REPORT& report);
// Every page and every option the loader read, with what the checker found
// about each, as one JSON document.
std::string STORY_MAP_JSON(const CHECK_REPORT& report);
