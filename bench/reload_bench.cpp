// What Brindle --watch costs per change, and render per page, each beside a
// reference measured in the same run: one frame, and opening the story.
//   build/bench/reload_bench
#include <benchmark/benchmark.h>

#include "engine.h"
#include "render.h"
#include "surface.h"

namespace {
// On the market page after the village, two pages played: a reload reads
// every file again, remakes two thumbnails and page 0's layers, and draws.
void Reload_SampleStoryMarket(benchmark::State& state) {
    STORY_OPEN(SOURCE_DIR, STORY_FRAMES);
    STORY_PRESS("n");
    STORY_PRESS("m");
    for (auto _ : state)
        if (!STORY_RELOAD().ok) state.SkipWithError("the reload failed");
    STORY_CLOSE();
}
BENCHMARK(Reload_SampleStoryMarket)->Unit(benchmark::kMillisecond);

void Reference_OneFrame(benchmark::State& state) {
    STORY_OPEN(SOURCE_DIR, STORY_FRAMES);
    STORY_PRESS("n");
    STORY_PRESS("m");
    for (auto _ : state) STORY_PRESS("\r");
    STORY_CLOSE();
}
BENCHMARK(Reference_OneFrame)->Unit(benchmark::kMillisecond);

void Reference_Open(benchmark::State& state) {
    for (auto _ : state) STORY_OPEN(SOURCE_DIR, STORY_FRAMES);
    STORY_CLOSE();
}
BENCHMARK(Reference_Open)->Unit(benchmark::kMillisecond);

// The deepest page of the sample story, after its ten shortest keys.
void Render_SampleStoryPage21(benchmark::State& state) {
    REACH_RESULT reach;
    RENDER_OPEN(SOURCE_DIR, 1000000, reach);
    RENDER_REQUEST request;
    request.PAGE = 21;
    for (auto _ : state) {
        RENDER_RESULT r = RENDER_FRAME(reach, request);
        if (!r.ok) state.SkipWithError("page 21 was not rendered");
        image_destroy(r.FRAME);
    }
    STORY_CLOSE();
}
BENCHMARK(Render_SampleStoryPage21)->Unit(benchmark::kMillisecond);
}  // namespace
