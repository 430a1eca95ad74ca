// The real FFT against FFTW's single-precision real transforms (linked into
// this benchmark only), and the rotation-axis computation on whole images.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <random>
#include <vector>

#include "io/status.h"
#include "ma/fft.h"

namespace {

constexpr int N = 4096;

std::vector<float> random_series(int n)
{
    std::mt19937 generator(5);
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    std::vector<float> x(n);
    for (float& v : x) v = value(generator);
    return x;
}

// Forward and inverse, as the correlation uses them.
void BM_Ffa8Ffs8(benchmark::State& state)
{
    const bool ordered = state.range(0) != 0;
    std::vector<float> table(2 * N);
    int status = ST_GOOD_VALUE;
    MA_EXPNT(2 * N, 2 * N, 16, table.data(), status);
    std::vector<float> data = random_series(N);
    for (auto _ : state) {
        MA_FFA8(N, N, 2 * N, table.data(), ordered, data.data(), status);
        MA_FFS8(N, N, 2 * N, table.data(), ordered, data.data(), status);
        for (float& v : data) v *= 1.0f / N;
        benchmark::DoNotOptimize(data.data());
    }
    if (status != ST_GOOD_VALUE) state.SkipWithError("transform failed");
}
BENCHMARK(BM_Ffa8Ffs8)->Arg(1)->Arg(0)->ArgName("ordered");

void BM_FftwRealForwardInverse(benchmark::State& state)
{
    float* data = fftwf_alloc_real(N);
    fftwf_complex* spectrum = fftwf_alloc_complex(N / 2 + 1);
    fftwf_plan forward = fftwf_plan_dft_r2c_1d(N, data, spectrum, FFTW_MEASURE);
    fftwf_plan inverse = fftwf_plan_dft_c2r_1d(N, spectrum, data, FFTW_MEASURE);
    const std::vector<float> x = random_series(N);
    std::copy(x.begin(), x.end(), data);
    for (auto _ : state) {
        fftwf_execute(forward);
        fftwf_execute(inverse);
        for (int i = 0; i < N; ++i) data[i] *= 1.0f / N;
        benchmark::DoNotOptimize(data);
    }
    fftwf_destroy_plan(forward);
    fftwf_destroy_plan(inverse);
    fftwf_free(spectrum);
    fftwf_free(data);
}
BENCHMARK(BM_FftwRealForwardInverse);

} // namespace
