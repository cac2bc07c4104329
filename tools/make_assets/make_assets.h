#pragma once
#include <string>

namespace art {
void make_font(const std::string& root);
void make_fill(const std::string& root);
void make_wallpaper(const std::string& root);
void make_backdrop(const std::string& root);
void make_colour_table(const std::string& path);
void make_demo(const std::string& root);
void make_scenes(const std::string& root);
void make_figures(const std::string& root);
// The words a screen reader says for each scene picture and figure.
void make_descriptions(const std::string& root);
}  // namespace art
