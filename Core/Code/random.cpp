#include <cmath>
#include <random>

#include "conversions.h"
#include "runtime.h"

int32_t RANDO(int32_t LO, int32_t HI) {
    ROUTINE("Random", "RANDO");
    static std::mt19937_64 generator;  // never seeded: the same sequence every run
    double r = std::generate_canonical<double, 53>(generator);
    double v = std::trunc(r * (double(HI) - double(LO) + 1.0)) + double(LO);
    if (v > double(INT32_MAX)) return INT32_MAX;
    if (v < double(INT32_MIN)) return INT32_MIN;
    return int32_t(v);
}
