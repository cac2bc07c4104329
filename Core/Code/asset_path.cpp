#include "asset_path.h"

std::string PROJECTSPACE;
std::string ASSET_ROOT = ".";

std::string ASSET_PATH(const std::string& tail) { return ASSET_ROOT + "\\" + PROJECTSPACE + tail; }
