#include "harness.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "image_file.h"

namespace fs = std::filesystem;

namespace e2e {
namespace {
double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string read_file(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}
}  // namespace

XServer::XServer(int width, int height) {
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
        close(fds[0]);
        int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, 0);
        dup2(devnull, 1);
        dup2(devnull, 2);
        std::string fd = std::to_string(fds[1]);
        // -displayfd: the server picks a free display and writes its number.
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-br", "-nolisten", "tcp",
               "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    display_ = ":" + number;
}

XServer::~XServer() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
}

int shell(const std::string& display, const std::string& command, std::string* out) {
    std::string full = "export DISPLAY=" + display + "; (" + command + ") 2>/dev/null";
    FILE* p = popen(full.c_str(), "r");
    if (!p) return -1;
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) text.append(buf, n);
    int status = pclose(p);
    if (out) *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

Program::Program(const XServer& x, const std::string& binary, const fs::path& cwd, const std::vector<std::string>& args)
    : x_(x) {
    static int serial = 0;
    out_ = temp_dir("out") / ("out" + std::to_string(++serial));
    err_ = out_.string() + ".err";
    pid_ = fork();
    if (pid_ == 0) {
        if (chdir(cwd.c_str()) != 0) _exit(126);
        setenv("DISPLAY", x.display().c_str(), 1);
        // Under the sanitizers: the window system's drivers are unloaded at
        // exit with allocations the leak checker can no longer name, so leaks
        // are checked by the unit tests and valgrind, not here.
        const char* asan = getenv("ASAN_OPTIONS");
        setenv("ASAN_OPTIONS", ((asan ? std::string(asan) + ":" : std::string()) + "detect_leaks=0").c_str(), 1);
        int o = open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int e = open(err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int devnull = open("/dev/null", O_RDONLY);
        dup2(devnull, 0);
        dup2(o, 1);
        dup2(e, 2);
        std::vector<char*> argv = {const_cast<char*>(binary.c_str())};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(binary.c_str(), argv.data());
        _exit(127);
    }
}

Program::~Program() {
    if (running()) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    fs::remove_all(out_.parent_path());
}

bool Program::running() {
    if (status_ != -1 || pid_ <= 0) return false;
    int st;
    pid_t r = waitpid(pid_, &st, WNOHANG);
    if (r == 0) return true;
    status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    return false;
}

std::string Program::window(double seconds) {
    // Asked afresh each time: while starting, the window system may show
    // helper windows that go away again; the newest window is the program's.
    const double end = now() + seconds;
    window_.clear();
    while (window_.empty() && now() < end && running()) {
        std::string out, id;
        shell(x_.display(), "xdotool search --onlyvisible --pid " + std::to_string(pid_), &out);
        for (std::istringstream in(out); in >> id;) window_ = id;
        if (window_.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return window_;
}

// True while the process sleeps waiting for input (blocked in poll).
static bool waiting_for_input(pid_t pid) {
    std::string wchan = read_file("/proc/" + std::to_string(pid) + "/wchan");
    return wchan.find("poll") != std::string::npos;
}

void Program::keys(const std::string& xdotool_keys) {
    // Keys go to a program that is waiting for them: a key sent while it is
    // still starting up can be lost by the window system.
    const double end = now() + 20;
    int idle = 0;
    while (running() && idle < 3 && now() < end) {
        idle = waiting_for_input(pid_) ? idle + 1 : 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    if (window().empty()) return;
    shell(x_.display(), "xdotool key --delay 30 --window " + window_ + " " + xdotool_keys);
}

void Program::close_button() {
    if (window().empty()) return;  // the current window, asked afresh
    Display* d = XOpenDisplay(x_.display().c_str());
    if (!d) return;
    XEvent e = {};
    e.xclient.type = ClientMessage;
    e.xclient.window = Window(std::stoul(window_));
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, e.xclient.window, False, NoEventMask, &e);
    XFlush(d);
    XCloseDisplay(d);
}

int Program::wait_exit(double seconds) {
    const double end = now() + seconds;
    while (running() && now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return status_;
}

std::string Program::out() const { return read_file(out_); }
std::string Program::err() const { return read_file(err_); }

IMAGE* screenshot(const XServer& x) {
    fs::path shot = temp_dir("shot") / "screen.png";
    shell(x.display(), "/usr/bin/import -window root " + quote(shot.string()));
    IMAGE* img = LoadRGBAFile(shot.c_str());
    fs::remove_all(shot.parent_path());
    return img;
}

bool wait_for_screen(const XServer& x, const std::function<bool(IMAGE*)>& ok, IMAGE*& shot, double seconds) {
    const double end = now() + seconds;
    for (;;) {
        image_destroy(shot);
        shot = screenshot(x);
        if (shot && ok(shot)) return true;
        if (now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

int64_t differing(IMAGE* a, IMAGE* b) {
    if (!a || !b || a->WIDTH != b->WIDTH || a->HEIGHT != b->HEIGHT) return -1;
    int64_t n = 0;
    for (uint32_t y = 0; y < a->HEIGHT; ++y)
        for (uint32_t x = 0; x < a->WIDTH; ++x) n += ((image_row(a, y)[x] ^ image_row(b, y)[x]) & 0xFFFFFF) != 0;
    return n;
}

uint32_t rgb(IMAGE* shot, int x, int y) {
    if (!shot || x < 0 || y < 0 || x >= int(shot->WIDTH) || y >= int(shot->HEIGHT)) return 0xFFFFFFFFu;
    return image_row(shot, uint32_t(y))[x] & 0xFFFFFF;
}

fs::path bin_dir() { return BIN_DIR; }
fs::path source_dir() { return SOURCE_DIR; }

void write_file(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

fs::path temp_dir(const std::string& name) {
    std::string pattern = (fs::temp_directory_path() / ("e2e-" + name + "-XXXXXX")).string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back(0);
    char* made = mkdtemp(buf.data());
    return made ? fs::path(made) : fs::temp_directory_path();
}

}  // namespace e2e
