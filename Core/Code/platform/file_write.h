// The one way every program here writes a file.
//
// The bytes go to a new temporary file beside the target, made exclusively
// (a link or anything else already at its name is never followed or
// reused); every write and the close are checked and the file is synced,
// then it is renamed over the target, replacing whatever was there (a link
// at the target's name is replaced, not followed). A target that was an
// ordinary file keeps its permissions. On any failure the target is as it
// was, the temporary is gone, and `error` is one line naming the file:
// "cannot write PATH: No space left on device". Paths may use "\".
#pragma once
#include <string>
#include <string_view>

bool file_write(const std::string& path, std::string_view bytes, std::string& error);

// Where file_write(path) puts its file: the real path of its folder (links
// and ".." worked out as the system does) joined to its name. Two paths
// with one place are one file to the writer, however they are spelled.
std::string file_write_place(const std::string& path);

// Makes the folder `path` and every missing folder on the way to it; a
// folder already there is fine. False when something else is in the way or
// a folder cannot be made, with `error` naming it: "cannot make FOLDER: ...",
// or "cannot make a/b: a is there, and is not a folder".
bool dir_make(const std::string& path, std::string& error);

// True when `name` stays inside the folder it is taken in: not empty, not
// absolute, and no "." or ".." among its parts ("/" and "\" both separate).
bool name_stays_inside(const std::string& name);
