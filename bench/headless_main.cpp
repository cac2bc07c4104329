// The main of the benchmarks that draw: the in-memory surface, then the runs.
#include <benchmark/benchmark.h>

#include "surface.h"

int main(int argc, char** argv) {
    screen_open(640, 480, 32, 16, 0, 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
