#include "batch.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <system_error>
#include <thread>

#include "runtime.h"

namespace {
std::mutex g_err_lock;  // standard error: failure lines and the bar
bool g_bar = false;
size_t g_done = 0, g_total = 0;

void draw_bar() {
    constexpr size_t WIDTH = 30;
    const size_t filled = g_total ? g_done * WIDTH / g_total : WIDTH;
    std::string bar(filled, '#');
    bar.append(WIDTH - filled, '.');
    std::fprintf(stderr, "\r[%s] %zu/%zu", bar.c_str(), g_done, g_total);
    std::fflush(stderr);
}

void clear_bar() { std::fputs("\r\033[K", stderr); }
}  // namespace

void report_failure(const std::string& name, const std::string& reason) {
    std::lock_guard<std::mutex> hold(g_err_lock);
    if (g_bar) clear_bar();
    std::fprintf(stderr, "seamless-tile: %s: %s\n", name.c_str(), reason.c_str());
    if (g_bar) draw_bar();
    std::fflush(stderr);
}

size_t run_batch(const std::vector<TileTask>& tasks, const TileSettings& settings, unsigned jobs, bool progress,
                 std::vector<std::string>& reports) {
    reports.assign(tasks.size(), std::string());
    std::atomic<size_t> next{0}, failed{0};
    {
        std::lock_guard<std::mutex> hold(g_err_lock);
        g_bar = progress && !tasks.empty();
        g_done = 0;
        g_total = tasks.size();
        if (g_bar) draw_bar();
    }
    auto work = [&] {
        ROUTINE("Seamless Tile", "run_batch");
        for (size_t i; (i = next.fetch_add(1)) < tasks.size();) {
            std::string why;
            if (!make_tile(tasks[i], settings, reports[i], why)) {
                ++failed;
                report_failure(tasks[i].input, why);
            }
            std::lock_guard<std::mutex> hold(g_err_lock);
            ++g_done;
            if (g_bar) draw_bar();
        }
    };
    const size_t threads = std::clamp<size_t>(jobs, 1, std::max<size_t>(tasks.size(), 1));
    std::vector<std::thread> pool;
    for (size_t t = 1; t < threads; ++t) {
        try {
            pool.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // no more threads to be had: those running share the work
        }
    }
    work();  // the calling thread is one of the workers
    for (std::thread& t : pool) t.join();
    std::lock_guard<std::mutex> hold(g_err_lock);
    if (g_bar) clear_bar();
    g_bar = false;
    std::fflush(stderr);
    return failed;
}
