// seamless-tile's PNG reading and writing against what it used before, on
// the 1024 x 1024 photo-like picture and its tile: reading through the
// library's loader (stb_image) and writing through zlib's run-length
// strategy. Both ways give the same pixels; the writers' sizes are counters.
//   build/bench/png_bench [--benchmark_repetitions=5 --benchmark_report_aggregates_only=true]
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "image_file.h"
#include "picture_io.h"
#include "png_writer.h"

namespace {
std::vector<unsigned char> g_file;  // the picture as make_photo writes it
IMAGE* g_tile = nullptr;             // seamless-tile's tile of it

void read_quickly(benchmark::State& state) {
    for (auto _ : state) {
        std::string why;
        IMAGE* img = decode_picture(g_file, why);
        benchmark::DoNotOptimize(img);
        image_destroy(img);
    }
}

void read_with_the_library(benchmark::State& state) {
    for (auto _ : state) {
        IMAGE* img = LoadRGBAMemory(g_file.data(), g_file.size());
        benchmark::DoNotOptimize(img);
        image_destroy(img);
    }
}

void write(benchmark::State& state, PngEffort effort) {
    const unsigned threads = unsigned(state.range(0));
    std::vector<unsigned char> png;
    for (auto _ : state) {
        encode_png(g_tile, 3, effort, threads, png);
        benchmark::DoNotOptimize(png.data());
    }
    state.counters["bytes"] = double(png.size());
}
}  // namespace

BENCHMARK(read_quickly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(read_with_the_library)->Unit(benchmark::kMillisecond)->UseRealTime();
// On one thread, and on as many as the command uses for one picture (one a core).
const int CORES = int(std::max(1u, std::thread::hardware_concurrency()));
BENCHMARK_CAPTURE(write, runs_and_huffman, PngEffort::fast)->Arg(1)->Arg(CORES)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(write, zlib_runs, PngEffort::zlib_runs)->Arg(1)->Arg(CORES)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    const std::string photo = std::string(BIN_DIR) + "/bench/png_bench_photo.png";
    const std::string make = std::string(BIN_DIR) + "/bin/make_photo " + photo + " 1024 1";
    const std::string tile = std::string(BIN_DIR) + "/bench/png_bench_tile.png";
    const std::string cut = std::string(BIN_DIR) + "/bin/seamless-tile " + photo + " " + tile;
    std::string why;
    if (std::system(make.c_str()) != 0 || !read_file(photo, g_file, why) || std::system(cut.c_str()) != 0 ||
        !(g_tile = LoadRGBAFile(tile.c_str()))) {
        std::fprintf(stderr, "png_bench: cannot make the pictures (%s)\n", why.c_str());
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    image_destroy(g_tile);
    return 0;
}
