// Reading files, safely whatever the folder holds.
//
// Only ordinary files are read: a folder, a device or a pipe is refused at
// once (never waited on), and so is a file larger than FILE_READ_LIMIT.
// Once a story folder is set with file_confine, every path inside it (by
// its text: the folder's own path, then "/" or "\") is followed only within
// it: ".." is worked out on the names first, and a link is followed only
// when it names a place inside the folder. Everything else is refused, and
// the refusal is kept (file_refusals) so that a program can name it.
// Paths may use "\" (native_path).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The most one file may hold to be read.
constexpr uint64_t FILE_READ_LIMIT = uint64_t(64) << 20;

// Confines reading inside `folder` (see above); "" lifts it. Also forgets
// the refusals kept so far.
void file_confine(const std::string& folder);

// Reads a whole file. False when it cannot be read; file_why() then says why.
bool file_read_all(const std::string& path, std::string& out);
// True when the path names a file file_read_all would read (it is opened and
// closed to tell).
bool file_readable(const std::string& path);
// Why the last read or test on this thread failed, in a few words ("no such
// file", "a link that leaves the story", "not an ordinary file (a pipe)").
const std::string& file_why();

// A refusal of something that is there: a path inside the story folder
// that is not an ordinary file inside it, or too large. A file that is
// simply missing is not one.
struct FILE_REFUSAL {
    std::string PATH;  // as it was asked for
    std::string WHY;
};
// The refusals since the last file_confine, each path once, in order.
std::vector<FILE_REFUSAL> file_refusals();

// True when the path names a folder.
bool dir_exists(const std::string& path);
// True when the path names a folder that holds nothing at all (not even a
// hidden entry).
bool dir_is_empty(const std::string& path);
// What tells one version of a file from another: a picture decoded from a
// file is reused only while all of these stay the same.
struct FileIdentity {
    uint64_t device = 0, inode = 0, size = 0;
    int64_t modified_ns = 0, changed_ns = 0;
    bool operator==(const FileIdentity&) const = default;
};
// The identity of the file file_read_all would read; false when it would
// read none.
bool file_identity(const std::string& path, FileIdentity& id);
// Appends to `stamp` what tells the thing at `path` now from any other
// version of it: nothing there, a folder, or an ordinary file and its
// identity. False for anything else (a device, a pipe, a refused link),
// whose contents no stamp can follow.
bool path_stamp(const std::string& path, std::string& stamp);
// Names of the non-hidden files matching a "folder\pattern" wildcard ("*"
// and "?"), in the order the directory yields them: ordinary files and
// links to them; inside the story folder every entry but a folder, so that
// reading it names whatever is wrong with it.
std::vector<std::string> dir_list_files(const std::string& pattern_path);
// Names of the non-hidden folders in a folder (links to folders left out).
std::vector<std::string> dir_list_folders(const std::string& path);
