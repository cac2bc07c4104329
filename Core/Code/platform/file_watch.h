// Watching files for changes (inotify). A thread of its own sleeps in the
// kernel until something changes, lets a burst of changes settle (an editor
// writes a file in several steps), then has the surface queue the key
// files_changed_key() for the program's own thread, waking a wait for a key.
// Nothing runs while nothing changes.
#pragma once
#include <string>
#include <vector>

// Watches each of `folders` with every folder below it (also those made
// later) for files whose names end in one of `extensions`, and each of
// `files`. A watched folder or file that is removed and made again is
// watched again. Paths may use "\" (native_path). Replaces any watch
// already running. False, with `error` set, when nothing can be watched.
bool watch_start(const std::vector<std::string>& folders, const std::vector<std::string>& files,
                 const std::vector<std::string>& extensions, std::string& error);
// Stops the watching thread (also done at exit).
void watch_stop();
