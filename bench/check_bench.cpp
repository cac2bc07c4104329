// The story checker beside the page loader, on the sample story and on a
// generated 10,000-page story, in one run:
//   build/bench/check_bench
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <filesystem>

#include "check.h"
#include "engine.h"
#include "generated_story.h"

namespace fs = std::filesystem;

namespace {
const fs::path GENERATED = fs::temp_directory_path() / ("check-bench-" + std::to_string(getpid()));

void Check_SampleStory(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(CHECK_STORY(SOURCE_DIR, 1000000).ERRORS);
}
BENCHMARK(Check_SampleStory)->Unit(benchmark::kMillisecond);

void Check_Generated10000(benchmark::State& state) {
    for (auto _ : state) {
        const CHECK_REPORT r = CHECK_STORY(GENERATED.string(), 1000000);
        if (!r.REACH.COMPLETE || r.PAGE_FILES.size() != 10000) state.SkipWithError("the story was not checked whole");
    }
}
BENCHMARK(Check_Generated10000)->Unit(benchmark::kMillisecond);

// The reference: opening the same story without pictures is the page loader.
void LoadPages_Generated10000(benchmark::State& state) {
    for (auto _ : state) {
        STORY_OPEN(GENERATED.string(), STORY_LOGIC);
        benchmark::DoNotOptimize(STORY_PAGES().ubound());
    }
    STORY_CLOSE();
}
BENCHMARK(LoadPages_Generated10000)->Unit(benchmark::kMillisecond);
}  // namespace

int main(int argc, char** argv) {
    write_generated_story(GENERATED, 10000, true);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    fs::remove_all(GENERATED);
    return 0;
}
