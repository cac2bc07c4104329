#include "run_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace {
void close_fd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}
}  // namespace

std::string program_path(const std::string& name) {
    if (name.find('/') != std::string::npos) return name;
    const char* path = std::getenv("PATH");
    const std::string folders = path ? path : "";
    for (size_t at = 0; at <= folders.size();) {
        const size_t end = std::min(folders.find(':', at), folders.size());
        const std::string folder = folders.substr(at, end - at);
        at = end + 1;
        // An empty entry or a relative one means the current folder (or one
        // below it), which may be a story someone else wrote: never looked in.
        if (folder.empty() || folder[0] != '/') continue;
        const std::string candidate = folder + "/" + name;
        struct stat st;
        if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return "";
}

int run_program(const std::vector<std::string>& argv, const std::string& input, std::string& out, std::string& err) {
    out.clear();
    err.clear();
    if (argv.empty()) {
        err = "no program named";
        return -1;
    }
    const std::string program = program_path(argv[0]);
    if (program.empty()) {
        err = "cannot run " + argv[0] + ": it is in none of PATH's folders";
        return -1;
    }
    int in_pipe[2] = {-1, -1}, out_pipe[2] = {-1, -1}, err_pipe[2] = {-1, -1};
    if (pipe2(in_pipe, O_CLOEXEC) != 0 || pipe2(out_pipe, O_CLOEXEC) != 0 || pipe2(err_pipe, O_CLOEXEC) != 0) {
        err = std::string("cannot make a pipe: ") + std::strerror(errno);
        for (int* p : {in_pipe, out_pipe, err_pipe}) close_fd(p[0]), close_fd(p[1]);
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in_pipe[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err_pipe[1], 2);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close_fd(in_pipe[0]);
    close_fd(out_pipe[1]);
    close_fd(err_pipe[1]);
    if (spawned != 0) {
        err = "cannot run " + argv[0] + ": " + std::strerror(spawned);
        close_fd(in_pipe[1]);
        close_fd(out_pipe[0]);
        close_fd(err_pipe[0]);
        return -1;
    }
    // A program that stops reading early must not end this one: its pipe
    // closing is an error to see, not a signal.
    struct sigaction ignore = {}, saved = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &saved);
    fcntl(in_pipe[1], F_SETFL, O_NONBLOCK);
    size_t written = 0;
    if (input.empty()) close_fd(in_pipe[1]);
    // Writing and reading in turn, so neither side waits on a full pipe.
    while (in_pipe[1] >= 0 || out_pipe[0] >= 0 || err_pipe[0] >= 0) {
        pollfd fds[3] = {{in_pipe[1], POLLOUT, 0}, {out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
        if (poll(fds, 3, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[0].revents) {
            const ssize_t n = write(in_pipe[1], input.data() + written, input.size() - written);
            if (n > 0) written += size_t(n);
            if (n < 0 && errno != EAGAIN && errno != EINTR) written = input.size();
            if (written >= input.size()) close_fd(in_pipe[1]);
        }
        for (int k = 1; k <= 2; ++k) {
            if (!fds[k].revents) continue;
            int& fd = k == 1 ? out_pipe[0] : err_pipe[0];
            char buf[65536];
            const ssize_t n = read(fd, buf, sizeof buf);
            if (n > 0)
                (k == 1 ? out : err).append(buf, size_t(n));
            else if (n == 0 || (errno != EAGAIN && errno != EINTR))
                close_fd(fd);
        }
    }
    sigaction(SIGPIPE, &saved, nullptr);
    for (int* fd : {&in_pipe[1], &out_pipe[0], &err_pipe[0]}) close_fd(*fd);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
