// The per-frame cost and the core blits, each beside a reference measured in
// the same run (memcpy of the same bytes; SDL's own blend blit).
//   build/bench/frame_bench
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "asset_path.h"
#include "engine.h"
#include "gfx/gfx.h"
#include "surface.h"

namespace {
IMAGE* noise_image(int w, int h) {
    IMAGE* img = image_create(w, h, 0);
    uint32_t s = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image_row(img, uint32_t(y))[x] = (s = s * 1664525u + 1013904223u);
    return img;
}

// The market page (its scene picture and two figures), reached through the
// village. A key that matches no option redraws the same page: the frame a
// reader waits for after most keys. Tab changes only the gallery toggle.
void market(benchmark::State& state) {
    STORY_OPEN(SOURCE_DIR, STORY_FRAMES);
    STORY_PRESS("n");
    STORY_PRESS("m");
    if (STORY_LOCATION() != 4) state.SkipWithError("the market was not reached");
}

void Frame_SampleStoryMarket(benchmark::State& state) {
    market(state);
    for (auto _ : state) STORY_PRESS("x");
    STORY_CLOSE();
}
BENCHMARK(Frame_SampleStoryMarket)->Unit(benchmark::kMicrosecond);

void Frame_SampleStoryMarketTab(benchmark::State& state) {
    market(state);
    for (auto _ : state) STORY_PRESS("\t");
    STORY_CLOSE();
}
BENCHMARK(Frame_SampleStoryMarketTab)->Unit(benchmark::kMicrosecond);

// Every layer composed afresh on the same page.
void Frame_SampleStoryMarketAfresh(benchmark::State& state) {
    market(state);
    for (auto _ : state) {
        STORY_DROP_CACHES();
        STORY_PRESS("x");
    }
    STORY_CLOSE();
}
BENCHMARK(Frame_SampleStoryMarketAfresh)->Unit(benchmark::kMicrosecond);

// From the market to the village and back: every frame is the first on its
// page (the page left releases its layers, the one reached composes all).
void Frame_SampleStoryMarketVillageMoves(benchmark::State& state) {
    market(state);
    bool at_market = true;
    for (auto _ : state) {
        STORY_PRESS(at_market ? "b" : "m");
        at_market = !at_market;
    }
    if (STORY_LOCATION() != (at_market ? 4 : 1)) state.SkipWithError("the walk went astray");
    STORY_CLOSE();
}
BENCHMARK(Frame_SampleStoryMarketVillageMoves)->Unit(benchmark::kMicrosecond);

void Blit(benchmark::State& state, PutMode mode) {
    IMAGE* s = noise_image(640, 480);
    IMAGE* d = noise_image(640, 480);
    for (auto _ : state) benchmark::DoNotOptimize(image_put(d, 0, 0, s, mode));
    state.SetBytesProcessed(int64_t(state.iterations()) * 640 * 480 * 4);
    image_destroy(s);
    image_destroy(d);
}
BENCHMARK_CAPTURE(Blit, Alpha640x480, PUT_ALPHA)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Blit, Copy640x480, PUT_COPY)->Unit(benchmark::kMicrosecond);

void Reference_Memcpy(benchmark::State& state, size_t pixels) {
    std::vector<uint32_t> a(pixels, 1), b(pixels);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), a.size() * 4);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(pixels) * 4);
}
BENCHMARK_CAPTURE(Reference_Memcpy, 640x480, 640 * 480)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Reference_Memcpy, 1024x1024, 1024 * 1024)->Unit(benchmark::kMicrosecond);

void Reference_SDLBlendBlit640x480(benchmark::State& state) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 640, 480, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_Surface* d = SDL_CreateRGBSurfaceWithFormat(0, 640, 480, 32, SDL_PIXELFORMAT_ARGB8888);
    uint32_t seed = 12345;
    for (int i = 0; i < 640 * 480; ++i) static_cast<uint32_t*>(s->pixels)[i] = (seed = seed * 1664525u + 1013904223u);
    SDL_SetSurfaceBlendMode(s, SDL_BLENDMODE_BLEND);
    for (auto _ : state) SDL_BlitSurface(s, nullptr, d, nullptr);
    state.SetBytesProcessed(int64_t(state.iterations()) * 640 * 480 * 4);
    SDL_FreeSurface(s);
    SDL_FreeSurface(d);
}
BENCHMARK(Reference_SDLBlendBlit640x480)->Unit(benchmark::kMicrosecond);

void Stretch320x240To640x480(benchmark::State& state) {
    IMAGE* s = noise_image(320, 240);
    IMAGE* d = image_create(640, 480, 0);
    for (auto _ : state) GFX_BUFFER_STRETCH(s, d);
    image_destroy(s);
    image_destroy(d);
}
BENCHMARK(Stretch320x240To640x480)->Unit(benchmark::kMicrosecond);

void Quiltify1024(benchmark::State& state) {
    ASSET_ROOT = SOURCE_DIR;
    PROJECTSPACE = "Demo";
    for (auto _ : state) {
        IMAGE* tile = nullptr;
        GFX_QUILTIFY(noise_image(1024, 1024), tile);
        image_destroy(tile);
    }
}
BENCHMARK(Quiltify1024)->Unit(benchmark::kMillisecond);
}  // namespace
