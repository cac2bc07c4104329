// The reachability search on gamebook shapes (tests/fixtures/gamebook.h),
// beside the page loader on the same story, with the peak memory of the
// process after each:
//   build/bench/reach_bench --benchmark_filter=Gamebook3000   (one shape, its own peak)
//   build/bench/reach_bench --write FOLDER SHAPE              (the story only, for timing the command)
// SHAPE: gamebook400, gamebook1000, gamebook3000 or wide5049.
#include <sys/resource.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>

#include "../tests/fixtures/gamebook.h"
#include "engine.h"
#include "reach.h"

namespace fs = std::filesystem;

namespace {
const fs::path ROOT = fs::temp_directory_path() / ("reach-bench-" + std::to_string(getpid()));

bool write_shape(const fs::path& root, const std::string& name) {
    fs::remove_all(root);
    if (name == "gamebook400") gamebook::write(root, gamebook::shape(400, 20));
    else if (name == "gamebook1000") gamebook::write(root, gamebook::shape(1000, 48));
    else if (name == "gamebook3000") gamebook::write(root, gamebook::shape(3000, 64));
    else if (name == "wide5049") gamebook::write_wide(root);
    else return false;
    return true;
}

double peak_mb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;
}

void Reach(benchmark::State& state, const char* shape) {
    const fs::path root = ROOT / shape;
    write_shape(root, shape);
    STORY_OPEN(root.string(), STORY_LOGIC);
    REACH_RESULT r;
    for (auto _ : state) r = STORY_REACH(REACH_BUDGET{});
    if (!r.COMPLETE) state.SkipWithError("the search did not finish");
    int decided = 0;
    for (const REACH_PAGE& p : r.PAGES) decided += p.REACHABLE != REACH_UNDECIDED;
    state.counters["pages"] = double(r.PAGES.size());
    state.counters["decided"] = decided;
    state.counters["states"] = double(r.STATES);
    state.counters["keys_deep"] = r.DEPTH;
    state.counters["nodes"] = double(r.NODES);
    state.counters["peak_MB"] = peak_mb();
    STORY_CLOSE();
}

// The reference: opening the same story without pictures is the page loader.
void Load(benchmark::State& state, const char* shape) {
    const fs::path root = ROOT / shape;
    write_shape(root, shape);
    for (auto _ : state) {
        STORY_OPEN(root.string(), STORY_LOGIC);
        benchmark::DoNotOptimize(STORY_PAGES().ubound());
    }
    STORY_CLOSE();
}

BENCHMARK_CAPTURE(Reach, Gamebook400, "gamebook400")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Load, Gamebook400, "gamebook400")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Reach, Gamebook1000, "gamebook1000")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Load, Gamebook1000, "gamebook1000")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Reach, Gamebook3000, "gamebook3000")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Load, Gamebook3000, "gamebook3000")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Reach, Wide5049, "wide5049")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Load, Wide5049, "wide5049")->Unit(benchmark::kMillisecond);
}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--write") == 0) {
        if (write_shape(argv[2], argv[3])) return 0;
        std::fprintf(stderr, "reach_bench: no shape \"%s\" (gamebook400, gamebook1000, gamebook3000, wide5049)\n", argv[3]);
        return 2;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    fs::remove_all(ROOT);
    return 0;
}
