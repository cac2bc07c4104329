#include "file_watch.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <thread>

#include "backend.h"
#include "file_read.h"
#include "process.h"

namespace {
// A burst is over after this long without a change; a file written for
// longer than the limit is seen again when its writing ends.
constexpr int QUIET_MS = 120, BURST_LIMIT_MS = 600;

constexpr uint32_t TREE_EVENTS = IN_CLOSE_WRITE | IN_MODIFY | IN_ATTRIB | IN_CREATE | IN_DELETE | IN_MOVED_FROM |
                                 IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF;
constexpr uint32_t PARENT_EVENTS = IN_CLOSE_WRITE | IN_MODIFY | IN_ATTRIB | IN_CREATE | IN_DELETE | IN_MOVED_FROM |
                                   IN_MOVED_TO;

std::string parent_of(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}
std::string name_of(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

class Watcher {
public:
    ~Watcher() { stop(); }

    bool start(const std::vector<std::string>& folders, const std::vector<std::string>& files,
               const std::vector<std::string>& extensions, std::string& error) {
        stop();
        fd_ = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (fd_ < 0 || wake_ < 0) {
            error = std::string("cannot watch files: ") + std::strerror(errno);
            close_fds();
            return false;
        }
        extensions_ = extensions;
        for (const std::string& f : folders) {
            const std::string path = native_path(f);
            roots_[parent_of(path)].insert(name_of(path));
            add_tree(path);
        }
        for (const std::string& f : files) {
            const std::string path = native_path(f);
            names_[parent_of(path)].insert(name_of(path));
        }
        for (const auto& [dir, names] : roots_) add_parent(dir);
        for (const auto& [dir, names] : names_) add_parent(dir);
        if (dirs_.empty()) {
            error = "none of the folders to watch exists";
            close_fds();
            return false;
        }
        thread_ = std::thread([this] { run(); });
        pthread_setname_np(thread_.native_handle(), "file watch");  // as tools such as top show it
        return true;
    }

    void stop() {
        if (thread_.joinable()) {
            const uint64_t one = 1;
            if (write(wake_, &one, sizeof one) < 0) {
                // The thread cannot be told: it is left to end with the process.
                thread_.detach();
            } else {
                thread_.join();
            }
        }
        close_fds();
        dirs_.clear();
        roots_.clear();
        names_.clear();
    }

private:
    struct Dir {
        std::string path;
        bool tree = false;  // inside a watched folder: every file with a wanted extension counts
    };
    int fd_ = -1, wake_ = -1;
    std::thread thread_;
    std::vector<std::string> extensions_;
    std::map<int, Dir> dirs_;                           // by watch descriptor
    std::map<std::string, std::set<std::string>> roots_;  // parent folder -> watched folders in it
    std::map<std::string, std::set<std::string>> names_;  // parent folder -> watched files in it

    void close_fds() {
        if (fd_ >= 0) close(fd_);
        if (wake_ >= 0) close(wake_);
        fd_ = wake_ = -1;
    }

    void add_watch(const std::string& path, uint32_t mask, bool tree) {
        const int wd = inotify_add_watch(fd_, path.c_str(), mask | IN_ONLYDIR);
        if (wd < 0) return;
        Dir& d = dirs_[wd];
        d.path = path;
        d.tree = d.tree || tree;
    }
    void add_parent(const std::string& dir) {
        // A folder that is both a parent and inside a tree keeps the tree's events.
        for (const auto& [wd, d] : dirs_)
            if (d.path == dir && d.tree) return;
        add_watch(dir, PARENT_EVENTS, false);
    }
    void add_tree(const std::string& path) {
        if (!dir_exists(path)) return;
        add_watch(path, TREE_EVENTS, true);
        for (const std::string& sub : dir_list_folders(path)) add_tree(path + "/" + sub);
    }

    bool wanted_file(const std::string& name) const {
        for (const std::string& e : extensions_)
            if (name.size() >= e.size() && name.compare(name.size() - e.size(), e.size(), e) == 0) return true;
        return false;
    }

    // Reads every pending event; true when one of them matters.
    bool drain() {
        bool changed = false;
        alignas(inotify_event) char buf[16384];
        for (;;) {
            const ssize_t n = read(fd_, buf, sizeof buf);
            if (n <= 0) return changed;
            for (ssize_t at = 0; at < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buf + at);
                at += ssize_t(sizeof(inotify_event) + e->len);
                changed |= handle(*e);
            }
        }
    }

    bool handle(const inotify_event& e) {
        if (e.mask & IN_Q_OVERFLOW) return true;
        auto it = dirs_.find(e.wd);
        if (it == dirs_.end()) return false;
        if (e.mask & IN_IGNORED) {
            dirs_.erase(it);
            return false;
        }
        const Dir dir = it->second;
        if (e.mask & (IN_DELETE_SELF | IN_MOVE_SELF)) return dir.tree;
        const std::string name = e.len ? std::string(e.name) : std::string();
        const std::string path = dir.path + "/" + name;
        const bool is_dir = e.mask & IN_ISDIR;
        const bool appeared = e.mask & (IN_CREATE | IN_MOVED_TO);
        bool changed = false;
        if (dir.tree) {
            if (is_dir && appeared) add_tree(path);
            changed = is_dir ? (e.mask & (IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO)) != 0 : wanted_file(name);
        }
        if (auto r = roots_.find(dir.path); r != roots_.end() && r->second.count(name)) {
            if (is_dir && appeared) add_tree(path);
            changed = true;
        }
        if (auto f = names_.find(dir.path); f != names_.end() && f->second.count(name)) changed = true;
        return changed;
    }

    // Waits for `fds` up to timeout_ms; false when told to stop.
    bool wait(int timeout_ms, bool& ready) {
        pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_, POLLIN, 0}};
        int r;
        do r = poll(fds, 2, timeout_ms);
        while (r < 0 && errno == EINTR);
        if (r < 0 || fds[1].revents) return false;
        ready = fds[0].revents != 0;
        return true;
    }

    void run() {
        using clock = std::chrono::steady_clock;
        for (;;) {
            bool ready = false;
            if (!wait(-1, ready)) return;
            if (!ready || !drain()) continue;
            const auto limit = clock::now() + std::chrono::milliseconds(BURST_LIMIT_MS);
            for (;;) {
                if (!wait(QUIET_MS, ready)) return;
                if (!ready || clock::now() >= limit) break;
                drain();
            }
            surface_files_changed();
        }
    }
};

Watcher* g_watcher = nullptr;
}  // namespace

bool watch_start(const std::vector<std::string>& folders, const std::vector<std::string>& files,
                 const std::vector<std::string>& extensions, std::string& error) {
    if (!g_watcher) {
        g_watcher = new Watcher;
        std::atexit(watch_stop);
    }
    return g_watcher->start(folders, files, extensions, error);
}

void watch_stop() {
    if (g_watcher) g_watcher->stop();
}
