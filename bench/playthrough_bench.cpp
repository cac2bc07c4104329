// Random play-throughs and scripted ones on the sample story, each beside
// what the engine alone spends on the same work, in one run:
//   build/bench/playthrough_bench
#include <benchmark/benchmark.h>

#include <filesystem>

#include "engine.h"
#include "play_script.h"
#include "random_play.h"
#include "surface.h"

namespace fs = std::filesystem;

namespace {
// 10,000 random runs, the reachability search beside them included.
void Random_10000Runs(benchmark::State& state) {
    RANDOM_SETTINGS s;
    s.RUNS = 10000;
    s.SEED = 1;
    for (auto _ : state) {
        const RANDOM_REPORT r = RANDOM_PLAY(SOURCE_DIR, s);
        if (!r.PROBLEM.empty() || r.PAGES.empty() || r.PAGES[0].HITS < s.RUNS) state.SkipWithError("the runs did not happen");
    }
}
BENCHMARK(Random_10000Runs)->Unit(benchmark::kMillisecond);

// The reference: opening the story once without pictures.
void Open_Logic(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(STORY_OPEN(SOURCE_DIR, STORY_LOGIC).ok);
    STORY_CLOSE();
}
BENCHMARK(Open_Logic)->Unit(benchmark::kMicrosecond);

std::vector<PLAY_SCRIPT> shipped_scripts() {
    std::vector<PLAY_SCRIPT> scripts;
    std::vector<std::string> errors;
    for (const auto& e : fs::directory_iterator(fs::path(SOURCE_DIR) / "tests" / "playthroughs"))
        if (e.path().extension() == ".play") {
            PLAY_SCRIPT s;
            if (PLAY_READ(e.path().string(), s, errors)) scripts.push_back(s);
        }
    return scripts;
}

// The sample story's play-throughs, their frames compared.
void Play_ShippedScripts(benchmark::State& state) {
    const std::vector<PLAY_SCRIPT> scripts = shipped_scripts();
    STORY_OPEN(SOURCE_DIR, STORY_FRAMES);
    for (auto _ : state)
        for (const PLAY_SCRIPT& s : scripts) {
            STORY_RESTART();
            if (!PLAY_RUN(s, false).FAILURES.empty()) state.SkipWithError("a play-through failed");
        }
    STORY_CLOSE();
}
BENCHMARK(Play_ShippedScripts)->Unit(benchmark::kMillisecond);

// The reference: the same keys pressed and the same frames taken by the
// engine alone, nothing compared.
void Engine_ShippedKeys(benchmark::State& state) {
    const std::vector<PLAY_SCRIPT> scripts = shipped_scripts();
    STORY_OPEN(SOURCE_DIR, STORY_FRAMES);
    IMAGE* frame = image_create(640, 480, 0);
    for (auto _ : state)
        for (const PLAY_SCRIPT& s : scripts) {
            STORY_RESTART();
            for (const PLAY_STEP& step : s.STEPS) {
                for (const std::string& k : step.KEYS) STORY_PRESS(k);
                if (step.COMMAND == PLAY_FRAME) STORY_SNAPSHOT(frame);
            }
        }
    image_destroy(frame);
    STORY_CLOSE();
}
BENCHMARK(Engine_ShippedKeys)->Unit(benchmark::kMillisecond);
}  // namespace
