// One picture in, one tile out: the work of the command for a single file,
// safe to run on several threads at once.
#pragma once
#include <string>

#include "image.h"
#include "masks.h"
#include "picture_io.h"

struct TileSettings {
    IMAGE* mask = nullptr;  // a mask picture (read only, shared), or null for a generated one
    MaskShape shape = MaskShape::radial;
    double blend = 0.25;
    bool report = false;
    PngSettings png;
};

struct TileTask {
    std::string input, output;
    std::string preview;    // a 3 x 3 repeat of the tile, when not empty
    std::string save_mask;  // the mask used, as a grey picture, when not empty
};

// Makes the tile of task.input and writes it (and what else the task asks
// for). With settings.report, `report` receives the scores in one line.
// False with `why` set; nothing half-written is left behind.
bool make_tile(const TileTask& task, const TileSettings& settings, std::string& report, std::string& why);

// The tile repeated 3 x 3; null when that would pass the picture limits.
IMAGE* make_preview(IMAGE* tile);
