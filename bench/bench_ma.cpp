// Costs of the image display's numerical routines on a 2048 x 2048 projection.
#include <benchmark/benchmark.h>

#include <cmath>
#include <limits>
#include <vector>

#include "io/status.h"
#include "ma/rebin.h"
#include "ma/statistics.h"

namespace {

constexpr int SIZE = 2048;

// A smooth projection with noise, and a few NaN and infinite elements where
// a flat-field held zeros.
std::vector<float>& projection()
{
    static std::vector<float> data = [] {
        std::vector<float> d(static_cast<std::size_t>(SIZE) * SIZE);
        unsigned noise = 12345u;
        for (int j = 0; j < SIZE; ++j)
            for (int i = 0; i < SIZE; ++i) {
                noise = noise * 1664525u + 1013904223u;
                d[static_cast<std::size_t>(j) * SIZE + i] =
                    1000.0f + 500.0f * std::sin(i * 0.003f) * std::cos(j * 0.002f) +
                    static_cast<float>(noise >> 24);
            }
        for (int k = 0; k < 100; ++k)
            d[static_cast<std::size_t>(k) * 40961u % d.size()] =
                k % 2 ? std::numeric_limits<float>::quiet_NaN()
                      : std::numeric_limits<float>::infinity();
        return d;
    }();
    return data;
}

void RebinMinMax(benchmark::State& state)
{
    const ImageView image{projection().data(), SIZE, SIZE};
    const int bin = static_cast<int>(state.range(0));
    for (auto _ : state) {
        int status = ST_GOOD_VALUE;
        float lo = 0.0f, hi = 0.0f;
        MA_REBINMINMAX(image, 1, 1, SIZE, SIZE, bin, bin, lo, hi, status);
        benchmark::DoNotOptimize(lo);
        benchmark::DoNotOptimize(hi);
    }
}
BENCHMARK(RebinMinMax)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

void DifZScale(benchmark::State& state)
{
    const ImageView image{projection().data(), SIZE, SIZE};
    for (auto _ : state) {
        int status = ST_GOOD_VALUE;
        float lo = 0.0f, hi = 0.0f;
        MA_DIFZSCALE(image, 1, 1, SIZE, SIZE, lo, hi, status);
        benchmark::DoNotOptimize(lo);
        benchmark::DoNotOptimize(hi);
    }
}
BENCHMARK(DifZScale)->Unit(benchmark::kMicrosecond);

} // namespace
