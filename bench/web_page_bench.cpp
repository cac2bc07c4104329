// Writing a published page's story data: names full of "<" (each spelled as
// an escape) beside names without one, the same number of bytes.
#include <benchmark/benchmark.h>

#include "web_export.h"

namespace {
WEB_STORY names_of(char c) {
    WEB_STORY story;
    for (int i = 0; i < 4000; ++i) story.FILES.push_back({std::string(240, c) + std::to_string(i), "x"});
    return story;
}

void page_of(benchmark::State& state, char c) {
    const WEB_STORY story = names_of(c);
    std::string page, error;
    for (auto _ : state) {
        WEB_PAGE("{{TITLE}}{{STORY}}", "t", story, page, error);
        benchmark::DoNotOptimize(page.data());
    }
}
void BM_NamesOfAngleBrackets(benchmark::State& state) { page_of(state, '<'); }
void BM_NamesOfLetters(benchmark::State& state) { page_of(state, 'a'); }
BENCHMARK(BM_NamesOfAngleBrackets)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NamesOfLetters)->Unit(benchmark::kMillisecond);
}  // namespace

BENCHMARK_MAIN();
