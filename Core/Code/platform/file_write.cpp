#include "file_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "process.h"

namespace {
std::atomic<unsigned> g_serial{0};

bool fail(const std::string& path, int why, std::string& error) {
    error = "cannot write " + path + ": " + std::strerror(why);
    return false;
}
}  // namespace

bool file_write(const std::string& path, std::string_view bytes, std::string& error) {
    const std::string target = native_path(path);
    if (target.empty()) {
        error = "cannot write a file without a name";
        return false;
    }
    if (target.back() == '/') return fail(path, EISDIR, error);
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    // Hidden, and unlike any name a program here writes on purpose; cut so
    // that a target near the 255-byte name limit still gets a temporary.
    const std::string stem = name.substr(0, 200);
    std::string temp;
    int fd = -1;
    for (int tries = 0; fd < 0 && tries < 100; ++tries) {
        temp = folder + "/." + stem + "." + std::to_string(getpid()) + "-" + std::to_string(g_serial++) + ".tmp";
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return fail(path, errno, error);
    }
    if (fd < 0) return fail(path, EEXIST, error);
    int why = 0;
    struct stat old;
    if (lstat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode) && fchmod(fd, old.st_mode & 07777) != 0) why = errno;
    for (size_t done = 0; !why && done < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) why = errno;
        else done += size_t(n);
    }
    if (!why && fsync(fd) != 0) why = errno;
    if (close(fd) != 0 && !why) why = errno;
    if (!why && rename(temp.c_str(), target.c_str()) != 0) why = errno;
    if (why) {
        unlink(temp.c_str());
        return fail(path, why, error);
    }
    // The new name itself survives a crash once its folder is synced.
    const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}

std::string file_write_place(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path full = fs::absolute(native_path(path), ec), name = full.filename();
    if (name.empty() || name == "." || name == "..") return fs::weakly_canonical(full, ec).string();
    return (fs::weakly_canonical(full.parent_path(), ec) / name).string();
}

bool name_stays_inside(const std::string& name) {
    if (name.empty() || name[0] == '/' || name[0] == '\\') return false;
    size_t at = 0;
    while (at <= name.size()) {
        const size_t end = std::min(name.find_first_of("/\\", at), name.size());
        const std::string part = name.substr(at, end - at);
        if (part == "." || part == "..") return false;
        at = end + 1;
    }
    return true;
}

bool dir_make(const std::string& path, std::string& error) {
    const std::string target = native_path(path);
    if (target.empty()) {
        error = "cannot make a folder without a name";
        return false;
    }
    // Each folder on the way, then the folder itself.
    for (size_t end = target.find('/', 1);; end = target.find('/', end + 1)) {
        const std::string folder = target.substr(0, end);
        struct stat st;
        if (!folder.empty() && mkdir(folder.c_str(), 0777) != 0) {
            const int why = errno;
            if (why != EEXIST) {
                error = "cannot make " + folder + ": " + std::strerror(why);
                return false;
            }
            if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
                error = "cannot make " + target + ": " + folder + " is there, and is not a folder";
                return false;
            }
        }
        if (end == std::string::npos) return true;
    }
}
