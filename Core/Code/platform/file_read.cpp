#include "file_read.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <mutex>

#include "process.h"

namespace {
#ifdef O_PATH
constexpr int DIR_FLAGS = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
#else
constexpr int DIR_FLAGS = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
#endif
// Links followed inside the story for one path, as the system allows.
constexpr int MAX_LINKS = 40;

// The reasons that are not refusals, which callers tell apart.
const char* const NO_SUCH_FILE = "no such file";
const char* const A_FOLDER = "a folder, not a file";

thread_local std::string t_why;

std::mutex g_lock;  // for the two below
std::string g_root;  // native form, no trailing "/"; "" when nothing is confined
std::vector<FILE_REFUSAL> g_refusals;

std::string root_now() {
    std::lock_guard<std::mutex> hold(g_lock);
    return g_root;
}

void refuse(const std::string& path, const std::string& why) {
    std::lock_guard<std::mutex> hold(g_lock);
    for (const FILE_REFUSAL& r : g_refusals)
        if (r.PATH == path) return;
    g_refusals.push_back({path, why});
}

struct Fd {
    int fd = -1;
    explicit Fd(int f = -1) : fd(f) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& o) noexcept : fd(o.fd) { o.fd = -1; }
    Fd& operator=(Fd&& o) noexcept {
        std::swap(fd, o.fd);
        return *this;
    }
    ~Fd() {
        if (fd >= 0) close(fd);
    }
};

std::string kind_of(mode_t mode) {
    if (S_ISDIR(mode)) return A_FOLDER;
    if (S_ISFIFO(mode)) return "not an ordinary file (a pipe)";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "not an ordinary file (a device)";
    if (S_ISSOCK(mode)) return "not an ordinary file (a socket)";
    return "not an ordinary file";
}

std::vector<std::string> split(const std::string& path) {
    std::vector<std::string> parts;
    size_t at = 0;
    while (at <= path.size()) {
        const size_t slash = std::min(path.find('/', at), path.size());
        parts.push_back(path.substr(at, slash - at));
        at = slash + 1;
    }
    return parts;
}

// Works out "." and ".." on the names; false when ".." climbs out.
bool normalise(const std::vector<std::string>& parts, std::vector<std::string>& out) {
    out.clear();
    for (const std::string& p : parts) {
        if (p.empty() || p == ".") continue;
        if (p == "..") {
            if (out.empty()) return false;
            out.pop_back();
        } else {
            out.push_back(p);
        }
    }
    return true;
}

// What a path turned out to be.
struct Found {
    Fd fd;                // open for reading (a file) or for looking up (a folder)
    struct stat st = {};  // of what fd names
};

// Opens `relative` (folder names inside `root`) without leaving root, as a
// file (O_RDONLY) or a folder. False with t_why set.
bool open_beneath(const std::string& root, const std::vector<std::string>& relative, bool folder, Found& found) {
    std::vector<std::string> names;
    if (!normalise(relative, names)) {
        t_why = "a name that leaves the story (..)";
        return false;
    }
    for (int links = 0;; ++links) {
        if (links > MAX_LINKS) {
            t_why = "too many links";
            return false;
        }
        Fd dir(open(root.c_str(), DIR_FLAGS & ~O_NOFOLLOW));
        if (dir.fd < 0) {
            t_why = std::strerror(errno);
            return false;
        }
        if (names.empty()) {  // the story folder itself
            if (!folder) {
                t_why = A_FOLDER;
                return false;
            }
            if (fstat(dir.fd, &found.st) != 0) return t_why = std::strerror(errno), false;
            found.fd = std::move(dir);
            return true;
        }
        bool relinked = false;
        for (size_t i = 0; i < names.size(); ++i) {
            const bool last = i + 1 == names.size();
            struct stat st;
            if (fstatat(dir.fd, names[i].c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
                t_why = errno == ENOENT ? NO_SUCH_FILE : std::strerror(errno);
                return false;
            }
            if (S_ISLNK(st.st_mode)) {
                // Followed by its text, from the folder holding it, and only
                // while that stays inside the story.
                std::string target(size_t(st.st_size > 0 && st.st_size < 4096 ? st.st_size : 4096) + 1, '\0');
                const ssize_t n = readlinkat(dir.fd, names[i].c_str(), target.data(), target.size());
                if (n < 0) return t_why = std::strerror(errno), false;
                target.resize(size_t(n));
                if (target.empty() || target[0] == '/') {
                    t_why = "a link that leaves the story";
                    return false;
                }
                std::vector<std::string> next(names.begin(), names.begin() + ptrdiff_t(i));
                for (std::string& p : split(target)) next.push_back(std::move(p));
                next.insert(next.end(), names.begin() + ptrdiff_t(i) + 1, names.end());
                if (!normalise(next, names)) {
                    t_why = "a link that leaves the story";
                    return false;
                }
                relinked = true;
                break;
            }
            if (!last || folder) {
                if (!S_ISDIR(st.st_mode)) {
                    t_why = last ? "not a folder" : NO_SUCH_FILE;
                    return false;
                }
                Fd sub(openat(dir.fd, names[i].c_str(), DIR_FLAGS));
                if (sub.fd < 0) return t_why = std::strerror(errno), false;
                if (last) {
                    if (fstat(sub.fd, &found.st) != 0) return t_why = std::strerror(errno), false;
                    found.fd = std::move(sub);
                    return true;
                }
                dir = std::move(sub);
                continue;
            }
            // The file itself: looked at before it is opened, so that no
            // device or pipe is ever opened, then again once it is.
            if (!S_ISREG(st.st_mode)) {
                t_why = kind_of(st.st_mode);
                return false;
            }
            Fd file(openat(dir.fd, names[i].c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
            if (file.fd < 0) return t_why = std::strerror(errno), false;
            if (fstat(file.fd, &found.st) != 0) return t_why = std::strerror(errno), false;
            if (!S_ISREG(found.st.st_mode)) return t_why = kind_of(found.st.st_mode), false;
            found.fd = std::move(file);
            return true;
        }
        if (!relinked) return t_why = NO_SUCH_FILE, false;
    }
}

// The part of `path` inside the story folder, when it is inside.
bool inside_root(const std::string& native, std::string& rest) {
    const std::string root = root_now();
    if (root.empty() || native.size() <= root.size() || native.compare(0, root.size(), root) != 0 ||
        native[root.size()] != '/')
        return false;
    rest = native.substr(root.size() + 1);
    return true;
}

// Opens what `path` names: a file (or, with `folder`, a folder), inside the
// story only within it. A refusal of something there is kept, unless this
// is only a look (a listing).
bool open_path(const std::string& path, bool folder, Found& found, bool look = false) {
    const std::string native = native_path(path);
    std::string rest;
    if (inside_root(native, rest)) {
        const std::string root = root_now();
        if (open_beneath(root, split(rest), folder, found)) return true;
        if (t_why != NO_SUCH_FILE && !look) refuse(path, t_why);
        return false;
    }
    struct stat st;
    if (native.empty() || stat(native.c_str(), &st) != 0) {
        t_why = native.empty() || errno == ENOENT ? NO_SUCH_FILE : std::strerror(errno);
        return false;
    }
    if (folder ? !S_ISDIR(st.st_mode) : !S_ISREG(st.st_mode)) {
        t_why = folder ? "not a folder" : kind_of(st.st_mode);
        return false;
    }
    Fd fd(open(native.c_str(), folder ? O_RDONLY | O_DIRECTORY | O_CLOEXEC : O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.fd < 0 || fstat(fd.fd, &found.st) != 0) return t_why = std::strerror(errno), false;
    if (folder ? !S_ISDIR(found.st.st_mode) : !S_ISREG(found.st.st_mode)) {
        t_why = folder ? "not a folder" : kind_of(found.st.st_mode);
        return false;
    }
    found.fd = std::move(fd);
    return true;
}

bool too_large(const std::string& path, uint64_t size) {
    if (size <= FILE_READ_LIMIT) return false;
    t_why = "larger than " + std::to_string(FILE_READ_LIMIT >> 20) + " MB";
    std::string rest;
    if (inside_root(native_path(path), rest)) refuse(path, t_why);
    return true;
}
}  // namespace

void file_confine(const std::string& folder) {
    std::string root = native_path(folder);
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    std::lock_guard<std::mutex> hold(g_lock);
    g_root = root;
    g_refusals.clear();
}

std::vector<FILE_REFUSAL> file_refusals() {
    std::lock_guard<std::mutex> hold(g_lock);
    return g_refusals;
}

const std::string& file_why() { return t_why; }

bool file_read_all(const std::string& path, std::string& out) {
    out.clear();
    Found f;
    if (!open_path(path, false, f) || too_large(path, uint64_t(f.st.st_size))) return false;
    // Read to its end, which may come sooner or later than the size said;
    // never past the limit.
    size_t got = 0;
    try {
        out.resize(size_t(f.st.st_size) + 1);
        for (;;) {
            if (got == out.size()) {
                if (out.size() > FILE_READ_LIMIT) {
                    out.clear();
                    too_large(path, FILE_READ_LIMIT + 1);
                    return false;
                }
                out.resize(std::min<size_t>(out.size() * 2, FILE_READ_LIMIT + 1));
            }
            const ssize_t n = read(f.fd.fd, out.data() + got, out.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                t_why = std::strerror(errno);
                out.clear();
                return false;
            }
            if (n == 0) break;
            got += size_t(n);
        }
    } catch (const std::exception&) {  // no memory for it: not readable
        t_why = "out of memory";
        out.clear();
        return false;
    }
    out.resize(got);
    return true;
}

bool file_readable(const std::string& path) {
    Found f;
    return open_path(path, false, f) && !too_large(path, uint64_t(f.st.st_size));
}

bool dir_exists(const std::string& path) {
    Found f;
    return open_path(path, true, f);
}

bool dir_is_empty(const std::string& path) {
    DIR* d = opendir(native_path(path).c_str());
    if (!d) return false;
    bool empty = true;
    while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") empty = false;
    }
    closedir(d);
    return empty;
}

bool file_identity(const std::string& path, FileIdentity& id) {
    Found f;
    if (!open_path(path, false, f)) return false;
    const struct stat& st = f.st;
    id.device = uint64_t(st.st_dev);
    id.inode = uint64_t(st.st_ino);
    id.size = uint64_t(st.st_size);
    id.modified_ns = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    id.changed_ns = int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return true;
}

bool path_stamp(const std::string& path, std::string& stamp) {
    FileIdentity id;
    if (file_identity(path, id)) {
        const int64_t fields[] = {int64_t(id.device), int64_t(id.inode), int64_t(id.size), id.modified_ns,
                                  id.changed_ns};
        stamp += 'f';
        stamp.append(reinterpret_cast<const char*>(fields), sizeof fields);
        return true;
    }
    if (t_why == NO_SUCH_FILE) {
        stamp += '-';
        return true;
    }
    if (t_why == A_FOLDER) {
        stamp += 'd';
        return true;
    }
    return false;
}

std::vector<std::string> dir_list_files(const std::string& pattern_path) {
    std::vector<std::string> names;
    const std::string p = native_path(pattern_path);
    const size_t slash = p.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".")
                               : slash == 0                ? std::string("/")
                                                           : p.substr(0, slash);
    const std::string pattern = slash == std::string::npos ? p : p.substr(slash + 1);
    Found where;
    if (!open_path(folder, true, where)) return names;
    std::string rest;
    const bool confined = inside_root(folder + "/x", rest);
    Fd listing(openat(where.fd.fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    DIR* d = listing.fd >= 0 ? fdopendir(listing.fd) : nullptr;
    if (!d) return names;
    listing.fd = -1;  // the listing owns it now
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name.empty() || name[0] == '.') continue;  // hidden entries
        if (fnmatch(pattern.c_str(), name.c_str(), FNM_PERIOD) != 0) continue;
        struct stat st;
        if (fstatat(dirfd(d), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISDIR(st.st_mode)) continue;
        // Outside the story: ordinary files, and links to them. Inside it
        // every entry but a folder, so that reading one names what is wrong.
        Found target;
        if (S_ISLNK(st.st_mode) && !open_path(folder + "/" + name, false, target, true) &&
            (!confined || t_why == NO_SUCH_FILE || t_why == A_FOLDER))
            continue;
        if (!confined && !S_ISLNK(st.st_mode) && !S_ISREG(st.st_mode)) continue;
        names.push_back(std::move(name));
    }
    closedir(d);
    return names;
}

std::vector<std::string> dir_list_folders(const std::string& path) {
    std::vector<std::string> names;
    Found where;
    if (!open_path(path, true, where)) return names;
    Fd listing(openat(where.fd.fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    DIR* d = listing.fd >= 0 ? fdopendir(listing.fd) : nullptr;
    if (!d) return names;
    listing.fd = -1;
    while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        struct stat st;
        if (name.empty() || name[0] == '.') continue;
        if (fstatat(dirfd(d), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
            names.push_back(name);
    }
    closedir(d);
    return names;
}
