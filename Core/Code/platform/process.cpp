#include "process.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
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

bool file_readable(const std::string& path) {
    // Not blocking: a pipe with no writer answers at once instead of waiting.
    const int fd = open(native_path(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st;
    const bool file = fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
    close(fd);
    return file;
}

bool dir_exists(const std::string& path) {
    struct stat st;
    return stat(native_path(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool file_read_all(const std::string& path, std::string& out) {
    out.clear();
    // Not blocking: a pipe or device with nothing to give fails instead of waiting.
    const int fd = open(native_path(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st;
    bool ok = fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
    // An ordinary file is read in one call when its size holds; a short
    // read of one is its end. Anything else is read until read says so.
    const bool regular = ok && S_ISREG(st.st_mode);
    size_t chunk = regular && st.st_size >= 0 && uint64_t(st.st_size) < (uint64_t(1) << 31) ? size_t(st.st_size) + 1 : 65536;
    while (ok) {
        const size_t had = out.size();
        try {
            out.resize(had + chunk);
        } catch (const std::exception&) {  // a file larger than memory: not readable
            ok = false;
            break;
        }
        const ssize_t n = read(fd, out.data() + had, chunk);
        if (n < 0 && errno == EINTR) {
            out.resize(had);
            continue;
        }
        if (n < 0) ok = false;
        out.resize(had + (n > 0 ? size_t(n) : 0));
        if (n <= 0 || (regular && size_t(n) < chunk)) break;
        chunk = 65536;
    }
    close(fd);
    if (!ok) out.clear();
    return ok;
}

bool file_identity(const std::string& path, FileIdentity& id) {
    struct stat st;
    if (stat(native_path(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    id.device = uint64_t(st.st_dev);
    id.inode = uint64_t(st.st_ino);
    id.size = uint64_t(st.st_size);
    id.modified_ns = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    id.changed_ns = int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return true;
}

bool path_stamp(const std::string& path, std::string& stamp) {
    struct stat st;
    if (stat(native_path(path).c_str(), &st) != 0) {
        stamp += '-';
        return true;
    }
    if (S_ISDIR(st.st_mode)) {
        stamp += 'd';
        return true;
    }
    if (!S_ISREG(st.st_mode)) return false;
    const int64_t fields[] = {int64_t(st.st_dev),      int64_t(st.st_ino),       int64_t(st.st_size),
                              int64_t(st.st_mode),     int64_t(st.st_mtim.tv_sec), int64_t(st.st_mtim.tv_nsec),
                              int64_t(st.st_ctim.tv_sec), int64_t(st.st_ctim.tv_nsec)};
    stamp += 'f';
    stamp.append(reinterpret_cast<const char*>(fields), sizeof fields);
    return true;
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

std::vector<std::string> dir_list_files(const std::string& pattern_path) {
    std::vector<std::string> names;
    std::string p = native_path(pattern_path);
    size_t slash = p.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".")
                               : slash == 0                ? std::string("/")
                                                           : p.substr(0, slash);
    const std::string pattern = slash == std::string::npos ? p : p.substr(slash + 1);
    DIR* d = opendir(folder.c_str());
    if (!d) return names;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name.empty() || name[0] == '.') continue;  // hidden entries
        if (fnmatch(pattern.c_str(), name.c_str(), FNM_PERIOD) != 0) continue;
        // The entry's own type tells an ordinary file; links (followed)
        // and file systems that do not say are asked.
        if (e->d_type != DT_REG) {
            if (e->d_type != DT_LNK && e->d_type != DT_UNKNOWN) continue;
            struct stat st;
            const std::string full = folder + "/" + name;
            if (stat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        }
        names.push_back(name);
    }
    closedir(d);
    return names;
}

std::vector<std::string> dir_list_folders(const std::string& path) {
    std::vector<std::string> names;
    const std::string folder = native_path(path);
    DIR* d = opendir(folder.c_str());
    if (!d) return names;
    while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        struct stat st;
        if (name.empty() || name[0] == '.') continue;
        if (stat((folder + "/" + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) names.push_back(name);
    }
    closedir(d);
    return names;
}

int port_read(int, int& value) {
    value = 0xFF;
    return 0;
}
