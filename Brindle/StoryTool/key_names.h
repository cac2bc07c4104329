// Key names, shared by every command that takes or shows keys: a single
// character stands for itself; space, tab, backspace, enter, escape, up,
// down, left, right, home, end, pageup, pagedown, insert, delete, f1 to f12,
// close (the window's close button) and ctrl+a to ctrl+z name the others,
// in any case.
#pragma once
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

// The name of a key string as the engine receives it ("n", "space", "up").
std::string KEY_NAME(const std::string& key);
// The key names of a list, separated by blanks.
std::string KEY_NAMES(const std::vector<std::string>& keys);
// The key string a name stands for; false when nothing is called that.
bool KEY_FROM_NAME(const std::string& name, std::string& key);
// A blank-separated list of names; false (with the unknown name in `error`)
// when one is not a key.
bool KEYS_FROM_NAMES(const std::string& names, std::vector<std::string>& keys, std::string& error);
// A key string's bytes as text (each byte its Latin-1 character, in UTF-8),
// for JSON and other Unicode output.
std::string KEY_AS_TEXT(const std::string& key);
// Text from a story for JSON and other UTF-8 output: as it is when it is
// UTF-8, else each byte its Latin-1 character.
std::string JSON_TEXT(const std::string& text);
// A JSON value as text, two blanks to a level; whatever bytes it holds.
std::string JSON_DUMP(const nlohmann::json& value);
