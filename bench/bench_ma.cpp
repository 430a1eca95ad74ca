// Costs of the image display's numerical routines on a 2048 x 2048 projection,
// and of the filtered back-projection of one slice.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "io/status.h"
#include "ma/backprojection.h"
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

// A sinogram of `length` pixels by `projections` rows with some structure.
std::vector<float> sinogram(int length, int projections)
{
    std::vector<float> s(static_cast<std::size_t>(length) * projections);
    for (int m = 0; m < projections; ++m)
        for (int k = 0; k < length; ++k)
            s[static_cast<std::size_t>(m) * length + k] =
                std::max(0.0f, 1.0f - std::fabs(k - 0.5f * length) / (0.4f * length)) +
                0.1f * std::sin(0.05f * k + 0.01f * m);
    return s;
}

std::vector<float> even_angles(int projections)
{
    std::vector<float> angles(static_cast<std::size_t>(projections));
    for (int m = 0; m < projections; ++m)
        angles[static_cast<std::size_t>(m)] = static_cast<float>(std::numbers::pi * m / projections);
    return angles;
}

void RampFilter(benchmark::State& state)
{
    const int length = static_cast<int>(state.range(0)), projections = static_cast<int>(state.range(1));
    const std::vector<float> original = sinogram(length, projections);
    for (auto _ : state) {
        std::vector<float> work = original;
        int status = ST_GOOD_VALUE;
        MA_RAMP_FILTER(length, projections, ImageView{work.data(), length, projections}, status);
        benchmark::DoNotOptimize(work.data());
    }
}
BENCHMARK(RampFilter)->Args({2048, 1800})->Unit(benchmark::kMillisecond);

// Filtered projections of a line back-projected onto a square grid of
// detector pixels: (2048, 1800, 2048) is the whole slice of a large series;
// (512, 900, 2048) the job bench/iradon_yardstick.py gives scikit-image.
void BackProject(benchmark::State& state)
{
    const int length = static_cast<int>(state.range(0)), projections = static_cast<int>(state.range(1));
    const int size = static_cast<int>(state.range(2));
    std::vector<float> filtered = sinogram(length, projections);
    const std::vector<float> angles = even_angles(projections);
    std::vector<float> slice(static_cast<std::size_t>(size) * size);
    for (auto _ : state) {
        int status = ST_GOOD_VALUE;
        MA_BACKPROJECT(length, projections, ImageView{filtered.data(), length, projections},
                       angles, 0.5f * length + 0.3f, 1.0f, size,
                       ImageView{slice.data(), size, size}, status);
        benchmark::DoNotOptimize(slice.data());
    }
}
BENCHMARK(BackProject)
    ->Args({2048, 1800, 2048})
    ->Args({512, 900, 2048})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
