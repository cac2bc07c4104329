// The page loader on a generated 10,000-page story, beside two references
// measured in the same run: reading the same files without parsing them, and
// a memcpy of the same number of bytes.
//   build/bench/load_pages_bench
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "engine.h"
#include "generated_story.h"

namespace fs = std::filesystem;

namespace {
constexpr int PAGE_COUNT = 10000;
const fs::path PAGES_DIR = "Brindle/Assets/Pages";

// Opening the story without pictures: the page loader and nothing else.
void LoadPages10000(benchmark::State& state) {
    for (auto _ : state) {
        STORY_OPEN("", STORY_LOGIC);
        benchmark::DoNotOptimize(STORY_PAGES().ubound());
    }
    if (STORY_PAGES().ubound() != PAGE_COUNT - 1) state.SkipWithError("the story did not load whole");
}
BENCHMARK(LoadPages10000)->Unit(benchmark::kMillisecond);

void Reference_ReadFiles10000(benchmark::State& state) {
    for (auto _ : state) {
        size_t bytes = 0;
        for (const auto& entry : fs::directory_iterator(PAGES_DIR)) {
            std::ifstream f(entry.path(), std::ios::binary);
            std::string data((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
            bytes += data.size();
        }
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(Reference_ReadFiles10000)->Unit(benchmark::kMillisecond);

void Reference_MemcpyStoryBytes(benchmark::State& state) {
    size_t total = 0;
    for (const auto& entry : fs::directory_iterator(PAGES_DIR)) total += entry.file_size();
    std::vector<char> a(total, 1), b(total);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), total);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(total));
}
BENCHMARK(Reference_MemcpyStoryBytes)->Unit(benchmark::kMicrosecond);
}  // namespace

int main(int argc, char** argv) {
    const fs::path root = fs::temp_directory_path() / ("load-pages-" + std::to_string(getpid()));
    write_generated_story(root, PAGE_COUNT, false);
    fs::current_path(root);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    fs::current_path("/");
    fs::remove_all(root);
    return 0;
}
