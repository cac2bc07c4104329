// The story map shaded by random play-throughs: the hot pages and options
// of many runs stand out, the cold corners of a story stay pale.
#pragma once
#include <string>

#include "check.h"
#include "random_play.h"
#include "story_map.h"

// Heat from 0 (never hit) to 1 (the most hit page, or option): the square
// root of the share of the most, which keeps the pages most runs pass
// apart from each other and lets the rarely met ones fade.
MAP_SHADES RANDOM_SHADES(const RANDOM_REPORT& report);
// Draws the map of the checked story, shaded by `report`, into `path` as
// SVG (laid out by Graphviz). Opens the story again: call it when the runs
// are done. False with `error` set when it cannot.
bool RANDOM_GRAPH(const CHECK_REPORT& checked, const RANDOM_REPORT& report, const std::string& path, std::string& error);
