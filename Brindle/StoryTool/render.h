// Frames of a story exactly as the player shows them, composed in-process on
// the in-memory surface: one page after the keys that reach it, and a contact
// sheet of every page.
//
//   RENDER_OPEN("stories/lantern", 1000000, reach);   // opens, searches
//   RENDER_REQUEST r; r.PAGE = 5;                       // the checker's keys
//   RENDER_RESULT f = RENDER_FRAME(reach, r);           // f.FRAME: 640 x 480
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine.h"
#include "reach.h"

struct RENDER_REQUEST {
    int32_t PAGE = -1;              // the page wanted; -1: wherever KEYS end
    bool KEYS_GIVEN = false;        // play KEYS instead of the shortest keys to PAGE
    std::vector<std::string> KEYS;  // engine key strings
    // After the keys, Tab (Backspace) is pressed when the gallery (progress)
    // is not shown already, as a reader would press it on that page.
    bool GALLERY = false, PROGRESS = false;
};

struct RENDER_RESULT {
    bool ok = false;
    bool unreachable = false;       // no reader reaches the page (or it was not decided)
    std::string message;            // when not ok: why, in one line
    int32_t PAGE = 0;               // the page shown
    std::vector<std::string> KEYS;  // every key pressed, the overlays' included
    IMAGE* FRAME = nullptr;         // 640 x 480, owned by the caller (image_destroy)
};

// Opens the story in `folder` for frames (the surface must be open) and
// searches what a reader can reach within `budget`.
// Not ok: the folder holds no story, no page file, or its first frame faults.
STORY_RESULT RENDER_OPEN(const std::string& folder, const REACH_BUDGET& budget, REACH_RESULT& reach);
// Plays one request on the open story from a fresh start and takes the frame.
RENDER_RESULT RENDER_FRAME(const REACH_RESULT& reach, const RENDER_REQUEST& request);
// Every page that has a file, in page order: its frame after its shortest
// keys, halved to 320 x 240, with its number and title under it in the
// story's own font; a page no reader reaches is a grey cell that says so.
// `columns` cells to a row. The caller owns the result. `notes` gets one line
// per page that could not be shown.
IMAGE* CONTACT_SHEET(const REACH_RESULT& reach, int columns, std::vector<std::string>& notes);
// The frame halved (each pixel the mean of a 2 x 2 block): the composition
// the player doubles onto the window. The caller owns the result.
IMAGE* HALVED(const IMAGE* frame);
