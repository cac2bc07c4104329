// Process and OS services: the only place besides the surface backends that
// talks to the operating system.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Ends the program after a fatal report: runs the end hook, no other cleanup.
[[noreturn]] void process_abort(int code);
// Ends the program normally: runs the end hook, then the exit handlers.
[[noreturn]] void process_exit(int code);
// What must happen however the program ends (the surface closes its window);
// one hook, the last one set wins.
void process_at_end(void (*hook)());

// Translates the system's "\" separators to the platform's own.
std::string native_path(const std::string& path);
// True when the path names something that opens for reading as a file.
bool file_readable(const std::string& path);
// True when the path names a folder.
bool dir_exists(const std::string& path);
// Reads a whole file. False when it cannot be opened or read.
bool file_read_all(const std::string& path, std::string& out);
// What tells one version of a file from another: a picture decoded from a
// file is reused only while all of these stay the same.
struct FileIdentity {
    uint64_t device = 0, inode = 0, size = 0;
    int64_t modified_ns = 0, changed_ns = 0;
    bool operator==(const FileIdentity&) const = default;
};
bool file_identity(const std::string& path, FileIdentity& id);
// Appends to `stamp` what tells the thing at `path` now from any other
// version of it: nothing there, a folder, or an ordinary file and its
// identity. False for anything else (a device, a pipe), whose contents no
// stamp can follow.
bool path_stamp(const std::string& path, std::string& stamp);
// Current directory (native form) and changing it; change returns 0 on success.
std::string dir_current();
int dir_change(const std::string& path);
// Names of the ordinary, non-hidden files matching a "folder\pattern" wildcard
// ("*" and "?"), in the order the directory yields them.
std::vector<std::string> dir_list_files(const std::string& pattern_path);
// Names of the non-hidden folders in a folder.
std::vector<std::string> dir_list_folders(const std::string& path);

// I/O port read. No ports here: a port always reads as ready (all bits set).
// Returns 0 and the value, or an error number when the read fails.
int port_read(int port, int& value);
