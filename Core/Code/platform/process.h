// Process services: ending the program, paths, the current folder, ports.
// Files are read through file_read.h and written through file_write.h.
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
// Current directory (native form) and changing it; change returns 0 on success.
std::string dir_current();
int dir_change(const std::string& path);
// I/O port read. No ports here: a port always reads as ready (all bits set).
// Returns 0 and the value, or an error number when the read fails.
int port_read(int port, int& value);
