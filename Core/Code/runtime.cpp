#include "runtime.h"

#include <cstdio>
#include <new>

#include "platform/process.h"

namespace {
// Per thread: the routine in scope is the one whose thread fails.
thread_local const char* g_module = "";
thread_local const char* g_routine = "";

const char* error_text(int n) {
    switch (n) {
        case 1: return "illegal function call";
        case 2: return "file not found";
        case 3: return "file I/O error";
        case 4: return "out of memory";
        case 5: return "illegal resume";
        case 6: return "out of bounds array access";
        case 7: return "null pointer access";
        case 8: return "no privileges";
        case 9: return "interrupted";
        case 10: return "illegal instruction";
        case 11: return "floating point error";
        case 12: return "segmentation violation";
        case 13: return "termination request signaled";
        case 14: return "abnormal termination signaled";
        case 15: return "quit request signaled";
        case 16: return "return without gosub";
        case 17: return "end of file";
        default: return "";
    }
}

thread_local int g_catch_depth = 0;  // a catch on one thread says nothing of another
thread_local bool g_out_of_memory = false;

// Every failed allocation in the program ends in the system's own report,
// never thrown: whoever asked for the memory cannot go on.
void out_of_memory() {
    g_out_of_memory = true;
    fatal_error(ERR_OUT_OF_MEMORY, 0);
}
struct InstallNewHandler {
    InstallNewHandler() { std::set_new_handler(out_of_memory); }
} install_new_handler;
}  // namespace

RoutineScope::RoutineScope(const char* module, const char* routine)
    : saved_module(g_module), saved_routine(g_routine) {
    g_module = module;
    g_routine = routine;
}

RoutineScope::~RoutineScope() {
    g_module = saved_module;
    g_routine = saved_routine;
}

FatalCatch::FatalCatch() { ++g_catch_depth; }
FatalCatch::~FatalCatch() { --g_catch_depth; }

void fatal_error(int error, int line) {
    // No allocation here: the report may be the answer to running out of memory.
    const bool thrown = g_catch_depth > 0 && !g_out_of_memory;
    if (!thrown) std::set_new_handler(nullptr);
    char buf[640];
    const char* word = line > 0 ? "of" : "in";
    int n = std::snprintf(buf, sizeof buf, "\nAborting due to runtime error %d", error);
    auto add = [&](int k) { if (k > 0) n = n + k < int(sizeof buf) ? n + k : int(sizeof buf) - 1; };
    if (error >= 0 && error < 18 && *error_text(error)) add(std::snprintf(buf + n, sizeof buf - n, " (%s)", error_text(error)));
    if (line > 0) add(std::snprintf(buf + n, sizeof buf - n, " at line %d", line));
    if (*g_routine)
        add(std::snprintf(buf + n, sizeof buf - n, " %s %s::%s()\n\n", word, g_module, g_routine));
    else
        add(std::snprintf(buf + n, sizeof buf - n, " %s %s()\n\n", word, g_module));
    if (thrown) throw FatalReport{error, std::string(buf, size_t(n))};
    std::fwrite(buf, 1, size_t(n), stderr);
    std::fflush(stderr);
    process_abort(error);
}
