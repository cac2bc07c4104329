// Publishing a story as one web page: the web player with the story's files
// inlined, playable from the disk or any static web server.
#pragma once
#include <string>
#include <vector>

#include "platform/file_read.h"

struct WEB_FILE {
    std::string NAME;   // relative to the story folder: "Brindle/Assets/Pages/0 start.seq"
    std::string BYTES;  // as the story reader read it
};

struct WEB_STORY {
    // The files a reader's player reads (STORY_FILES): the colour table, the
    // font, the bars' Fill, the wallpaper, the backdrop, the page files in
    // the order the loader read them (the page lists them in that order
    // too), then the scene pictures and figures the pages name. Only files
    // that are there: a missing one is missing in the page too.
    std::vector<WEB_FILE> FILES;
    // What the story reader refused (a link or ".." leaving the story's
    // Brindle/Assets, a device, a file too large): never published.
    std::vector<FILE_REFUSAL> REFUSED;
    std::string TITLE;  // page 0's title, "" without one
};

// What a story publishes, read once. `folder` must hold a story
// (STORY_FOLDER_PROBLEM).
WEB_STORY WEB_STORY_FILES(const std::string& folder);

// The page template the web build makes, next to this program; "" when the
// web player was not built.
std::string WEB_PLAYER_PATH();

// The page: the template with the title and every file of `story` inlined.
// False, with `error` set, when a file's name is not UTF-8 text or the
// template lacks its markers.
bool WEB_PAGE(const std::string& templ, const std::string& title, const WEB_STORY& story, std::string& page,
              std::string& error);
