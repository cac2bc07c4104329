// Watching files for changes (inotify). A thread of its own sleeps in the
// kernel until something changes, lets a burst of changes settle (an editor
// writes a file in several steps), then has the surface queue the key
// files_changed_key() for the program's own thread, waking a wait for a key.
// Nothing runs while nothing changes.
#pragma once
#include <string>
#include <vector>

// Watches each of `files` and, in each of `folders` (not below them), every
// file whose name ends in one of `extensions`. A file counts when it is
// written, made, replaced or removed; so does any folder on the way to one,
// up to `root`, when it is made or removed (a checkout makes folders again).
// Nothing else is looked at, so a folder holding a link to itself costs
// nothing. Paths may use "\" (native_path). Replaces any watch already
// running: call it again with the new list after a change. False, with
// `error` set, when nothing can be watched.
bool watch_start(const std::string& root, const std::vector<std::string>& folders,
                 const std::vector<std::string>& files, const std::vector<std::string>& extensions,
                 std::string& error);
// Stops the watching thread (also done at exit).
void watch_stop();
