#include "file_watch.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <thread>

#include "backend.h"
#include "process.h"

namespace {
// A burst is over after this long without a change; a file written for
// longer than the limit is seen again when its writing ends.
constexpr int QUIET_MS = 120, BURST_LIMIT_MS = 600;

constexpr uint32_t EVENTS = IN_CLOSE_WRITE | IN_MODIFY | IN_ATTRIB | IN_CREATE | IN_DELETE | IN_MOVED_FROM |
                            IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF;

std::string parent_of(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}
std::string name_of(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

class Watcher {
public:
    ~Watcher() { stop(); }

    bool start(const std::string& root_path, const std::vector<std::string>& folders,
               const std::vector<std::string>& files, const std::vector<std::string>& extensions, std::string& error) {
        stop();
        fd_ = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (fd_ < 0 || wake_ < 0) {
            error = std::string("cannot watch files: ") + std::strerror(errno);
            close_fds();
            return false;
        }
        extensions_ = extensions;
        const std::string root = std::filesystem::path(native_path(root_path)).lexically_normal().string();
        // Each path and every folder on its way up to the root: the name
        // that matters in the folder holding it.
        auto want = [&](const std::string& named) {
            // As the story reader takes it: ".." worked out on the names.
            const std::string path = std::filesystem::path(named).lexically_normal().string();
            for (std::string p = path; p.size() > root.size() && p.compare(0, root.size(), root) == 0;) {
                const std::string parent = parent_of(p);
                names_[parent].insert(name_of(p));
                if (parent == p) break;
                p = parent;
            }
        };
        for (const std::string& f : folders) {
            const std::string path = std::filesystem::path(native_path(f)).lexically_normal().string();
            any_in_.insert(path);
            want(path);
        }
        for (const std::string& f : files) want(native_path(f));
        for (const auto& [dir, names] : names_) add_watch(dir);
        for (const std::string& dir : any_in_) add_watch(dir);
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
        names_.clear();
        any_in_.clear();
    }

private:
    int fd_ = -1, wake_ = -1;
    std::thread thread_;
    std::vector<std::string> extensions_;
    std::map<int, std::string> dirs_;                     // watched folders by watch descriptor
    std::map<std::string, std::set<std::string>> names_;  // folder -> the names in it that matter
    std::set<std::string> any_in_;                        // folders where any wanted file matters

    void close_fds() {
        if (fd_ >= 0) close(fd_);
        if (wake_ >= 0) close(wake_);
        fd_ = wake_ = -1;
    }

    void add_watch(const std::string& dir) {
        const int wd = inotify_add_watch(fd_, dir.c_str(), EVENTS | IN_ONLYDIR);
        if (wd >= 0) dirs_[wd] = dir;
    }

    // A folder on the way that has just been made: it and whatever of the
    // folders wanted below it is there already.
    void watch_made(const std::string& made) {
        for (const auto& [dir, names] : names_)
            if (dir == made || (dir.size() > made.size() && dir.compare(0, made.size(), made) == 0 && dir[made.size()] == '/'))
                add_watch(dir);
        for (const std::string& dir : any_in_)
            if (dir == made || (dir.size() > made.size() && dir.compare(0, made.size(), made) == 0 && dir[made.size()] == '/'))
                add_watch(dir);
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
        const std::string& dir = it->second;
        if (e.mask & (IN_DELETE_SELF | IN_MOVE_SELF)) return true;  // a folder that mattered went away
        const std::string name = e.len ? std::string(e.name) : std::string();
        if (auto n = names_.find(dir); n != names_.end() && n->second.count(name)) {
            if ((e.mask & IN_ISDIR) && (e.mask & (IN_CREATE | IN_MOVED_TO))) watch_made(dir + "/" + name);
            return true;
        }
        return any_in_.count(dir) && !(e.mask & IN_ISDIR) && wanted_file(name);
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

bool watch_start(const std::string& root, const std::vector<std::string>& folders,
                 const std::vector<std::string>& files, const std::vector<std::string>& extensions,
                 std::string& error) {
    if (!g_watcher) {
        g_watcher = new Watcher;
        std::atexit(watch_stop);
    }
    return g_watcher->start(root, folders, files, extensions, error);
}

void watch_stop() {
    if (g_watcher) g_watcher->stop();
}
