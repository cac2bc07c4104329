#include "process.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <exception>

namespace {
void (*g_at_end)() = nullptr;

void run_end_hook() {
    if (void (*hook)() = g_at_end) {
        g_at_end = nullptr;  // once, even if the hook itself ends the program
        hook();
    }
}
}  // namespace

void process_at_end(void (*hook)()) { g_at_end = hook; }

void process_abort(int code) {
    std::fflush(stdout);
    std::fflush(stderr);
    run_end_hook();
    std::_Exit(code);
}

void process_exit(int code) {
    std::fflush(stdout);
    run_end_hook();
    std::exit(code);
}

std::string native_path(const std::string& path) {
    std::string p = path;
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}

std::string dir_current() {
    std::vector<char> buf(4096);
    while (!getcwd(buf.data(), buf.size())) {
        if (buf.size() > (1u << 20)) return ".";
        buf.resize(buf.size() * 2);
    }
    return buf.data();
}

int dir_change(const std::string& path) {
    return chdir(native_path(path).c_str()) == 0 ? 0 : -1;
}

int port_read(int, int& value) {
    value = 0xFF;
    return 0;
}
