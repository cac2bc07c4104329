// One picture in, one tile out: the work of the command for a single file,
// safe to run on several threads at once.
#pragma once
#include <string>
#include <vector>

#include "image.h"
#include "masks.h"
#include "memory_budget.h"
#include "picture_io.h"

struct TileSettings {
    IMAGE* mask = nullptr;  // a mask picture (read only, shared), or null for a generated one
    MaskShape shape = MaskShape::radial;
    double blend = 0.25;
    bool cut = false;  // switch along the cheapest path instead of cross-fading
    int feather = 2;   // with cut: pixels either side of the path that mix the two
    bool report = false;
    PngSettings png;
    MemoryBudget* budget = nullptr;  // shared by the jobs running at once, or none
};

// Another map of the same material, made into a tile with the picture's weights.
struct MapTask {
    std::string input, output;
    bool normal = false;  // normal vectors: mixed pixels are made unit length again
};

struct TileTask {
    std::string input, output;
    std::string preview;    // a 3 x 3 repeat of the tile, when not empty
    std::string save_mask;  // the weights used, as a grey picture, when not empty
    std::vector<MapTask> maps;
};

// Makes the tile of task.input and writes it (and what else the task asks
// for). With settings.report, `report` receives the scores in one line.
// False with `why` set ("out of memory" when memory ran out); nothing
// half-written is left behind.
bool make_tile(const TileTask& task, const TileSettings& settings, std::string& report, std::string& why);

// The tile repeated 3 x 3; null when that would pass the picture limits.
IMAGE* make_preview(IMAGE* tile);

// Makes the mixed pixels of a normal map (weight strictly between 0 and 255)
// unit vectors again: each of red, green and blue maps 0..255 to -1..1.
void renormalise(IMAGE* normals, const IMAGE* weights);
