// End-to-end harness: a private X server (Xvfb), the real programs started in
// it, real key presses (xdotool), the window's close button (a
// WM_DELETE_WINDOW message) and screenshots (ImageMagick's import).
#pragma once
#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "image.h"

namespace e2e {

// An Xvfb server on a free display (one screen, 640 x 480 unless asked),
// stopped when this goes out of scope.
class XServer {
public:
    explicit XServer(int width = 640, int height = 480);
    ~XServer();
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

// Runs a shell command with DISPLAY set; returns its exit status and stdout.
int shell(const std::string& display, const std::string& command, std::string* out = nullptr);

// A program under test, started in `cwd`; stdout and stderr go to files.
class Program {
public:
    Program(const XServer& x, const std::string& binary, const std::filesystem::path& cwd,
            const std::vector<std::string>& args = {});
    ~Program();  // kills the program if it still runs
    // The program's window id, waiting up to `seconds` for it to appear.
    std::string window(double seconds = 20);
    void keys(const std::string& xdotool_keys);  // "a shift+n Tab BackSpace"
    void close_button();
    // Exit status, or 128 + signal; -1 when still running after `seconds`.
    int wait_exit(double seconds = 20);
    std::string out() const;
    std::string err() const;
    bool running();
    pid_t pid() const { return pid_; }

private:
    const XServer& x_;
    pid_t pid_ = -1;
    std::string window_;
    std::filesystem::path out_, err_;
    int status_ = -1;
};

// The whole screen, or null when it cannot be taken.
IMAGE* screenshot(const XServer& x);
// Takes screenshots until `ok` holds (true) or `seconds` pass (false); the
// last screenshot stays in `shot` (owned by the caller).
bool wait_for_screen(const XServer& x, const std::function<bool(IMAGE*)>& ok, IMAGE*& shot, double seconds = 20);

uint32_t rgb(IMAGE* shot, int x, int y);  // the pixel without its alpha byte
// How many pixels differ in colour, alpha aside; -1 when the sizes differ
// or either is null.
int64_t differing(IMAGE* a, IMAGE* b);

// The folder holding the built programs and the source tree.
std::filesystem::path bin_dir();
std::filesystem::path source_dir();
// Writes a file, making its folders.
void write_file(const std::filesystem::path& p, const std::string& bytes);
// A fresh temporary folder, removed by the caller.
std::filesystem::path temp_dir(const std::string& name);

}  // namespace e2e
