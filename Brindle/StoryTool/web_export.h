// Publishing a story as one web page: the web player with the story's files
// inlined, playable from the disk or any static web server.
#pragma once
#include <string>
#include <vector>

struct WEB_STORY {
    // The files a reader's player reads, relative to the story folder
    // ("Brindle/Assets/Pages/0 start.seq"): the colour table, the font, the
    // bars' Fill, the wallpaper, the backdrop, the page files in the order
    // the loader read them (the page lists them in that order too), then the
    // scene pictures and figures the pages name. Only files that are there:
    // a missing one is missing in the page too.
    std::vector<std::string> FILES;
    // Files a page names that lie outside the story's Brindle/Assets folder
    // (through ".." or a link): never published.
    std::vector<std::string> OUTSIDE;
    std::string TITLE;  // page 0's title, "" without one
};

// What a story publishes. `folder` must hold a story (STORY_FOLDER_PROBLEM).
WEB_STORY WEB_STORY_FILES(const std::string& folder);

// The page template the web build makes, next to this program; "" when the
// web player was not built.
std::string WEB_PLAYER_PATH();

// The page: the template with the title and every file of `story` inlined.
// False, with `error` set, when a file cannot be read or its name is not
// UTF-8 text, or the template lacks its markers.
bool WEB_PAGE(const std::string& templ, const std::string& title, const std::string& folder, const WEB_STORY& story,
              std::string& page, std::string& error);

// Writes `data` to `path` whole, through a temporary file beside it, so a
// failed write never leaves a broken file. False, with `error`, on failure.
bool WRITE_WHOLE(const std::string& path, const std::string& data, std::string& error);
