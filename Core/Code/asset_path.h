// Where a program's assets are: every asset path is the story folder, "\",
// PROJECTSPACE and a tail that begins "\Assets\" (the tile mask's alone
// "\Code\Assets\"). The file-system layer turns "\" into the platform's
// separator, so a folder name may not itself hold a "\".
#pragma once
#include <string>

extern std::string PROJECTSPACE;  // the program's asset folder: "Brindle", "Demo"
extern std::string ASSET_ROOT;    // the folder that holds it: "." (the current folder) unless set

// ASSET_ROOT + "\" + PROJECTSPACE + tail, e.g. ".\Brindle\Assets\Fonts\Fill.png".
std::string ASSET_PATH(const std::string& tail);
