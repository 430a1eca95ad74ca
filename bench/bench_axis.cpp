// The real FFT against FFTW's single-precision real transforms (linked into
// this benchmark only), the rotation-axis computation on whole images, and
// the test slices of the axis question.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include <cstdint>
#include <iostream>
#include <sstream>

#include "app/phantom.h"
#include "app/rotation_axis.h"
#include "app/slice.h"
#include "app/tiff_writer.h"
#include "io/status.h"
#include "ma/fft.h"

namespace {

std::vector<float> random_series(int n)
{
    std::mt19937 generator(5);
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    std::vector<float> x(n);
    for (float& v : x)
        v = value(generator);
    return x;
}

// Forward and inverse, as the correlation uses them, at the lengths of lines
// of 512 to 16384 pixels.
void BM_Ffa8Ffs8(benchmark::State& state)
{
    const bool ordered = state.range(0) != 0;
    const int n = static_cast<int>(state.range(1));
    std::vector<float> table(2 * n);
    int status = ST_GOOD_VALUE;
    MA_EXPNT(2 * n, 2 * n, 16, table.data(), status);
    std::vector<float> data = random_series(n);
    for (auto _ : state) {
        MA_FFA8(n, n, 2 * n, table.data(), ordered, data.data(), status);
        MA_FFS8(n, n, 2 * n, table.data(), ordered, data.data(), status);
        for (float& v : data)
            v *= 1.0f / n;
        benchmark::DoNotOptimize(data.data());
    }
    if (status != ST_GOOD_VALUE) state.SkipWithError("transform failed");
}
BENCHMARK(BM_Ffa8Ffs8)
    ->ArgsProduct({{1, 0}, {1024, 4096, 16384, 32768}})
    ->ArgNames({"ordered", "n"});

void BM_FftwRealForwardInverse(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    float* data = fftwf_alloc_real(n);
    fftwf_complex* spectrum = fftwf_alloc_complex(n / 2 + 1);
    fftwf_plan forward = fftwf_plan_dft_r2c_1d(n, data, spectrum, FFTW_MEASURE);
    fftwf_plan inverse = fftwf_plan_dft_c2r_1d(n, spectrum, data, FFTW_MEASURE);
    const std::vector<float> x = random_series(n);
    std::copy(x.begin(), x.end(), data);
    for (auto _ : state) {
        fftwf_execute(forward);
        fftwf_execute(inverse);
        for (int i = 0; i < n; ++i)
            data[i] *= 1.0f / n;
        benchmark::DoNotOptimize(data);
    }
    fftwf_destroy_plan(forward);
    fftwf_destroy_plan(inverse);
    fftwf_free(spectrum);
    fftwf_free(data);
}
BENCHMARK(BM_FftwRealForwardInverse)->Arg(1024)->Arg(4096)->Arg(16384)->Arg(32768)->ArgName("n");

// The first and 180-degree projections, dark and flat-field of a 2048 x 2048
// detector as 32-bit reals, made once.
struct AxisImages
{
    explicit AxisImages(bool vertical)
    {
        PhantomSettings s;
        s.width = s.height = SIZE;
        s.projections = 2;
        s.axis = 1011.37;
        s.subsamples = 2;
        s.vertical = vertical;
        const Phantom phantom(s);
        const auto real = [](const std::vector<std::uint16_t>& counts) {
            return std::vector<float>(counts.begin(), counts.end());
        };
        first = real(phantom.projection_image(1));
        rotated = real(phantom.projection_image(3));
        dark = real(phantom.dark_image());
        flat = real(phantom.flat_image());
    }
    static constexpr int SIZE = 2048;
    std::vector<float> first, rotated, dark, flat;
};

// Correction of both images and the correlation of all 2048 lines of 2048
// pixels, as ZYT_ROTATION_AXIS does them once the files are read.
void BM_RotationAxis(benchmark::State& state)
{
    const bool vertical = state.range(0) != 0;
    static const AxisImages vertical_images(true), horizontal_images(false);
    const AxisImages& images = vertical ? vertical_images : horizontal_images;
    constexpr int size = AxisImages::SIZE;
    std::vector<float> first, rotated, dark = images.dark, flat = images.flat;
    const ImageView dark_view{dark.data(), size, size}, flat_view{flat.data(), size, size};
    std::ostringstream console;
    std::streambuf* saved = std::cout.rdbuf(console.rdbuf());
    float axis = 0.0f;
    int status = ST_GOOD_VALUE;
    for (auto _ : state) {
        state.PauseTiming();
        first = images.first;
        rotated = images.rotated;
        state.ResumeTiming();
        const ImageView first_view{first.data(), size, size};
        const ImageView rotated_view{rotated.data(), size, size};
        int zeroed = 0;
        ZYT_CORRECT_AXIS_IMAGES(true, dark_view, true, false, flat_view, flat_view, size, size,
                                first_view, rotated_view, zeroed, status);
        ZytAxisLines result;
        ZYT_CAL_ROTATION_AXIS(vertical, size, size, first_view, rotated_view, 1, size, result,
                              status);
        // (The result is used below; DoNotOptimize on a float register
        // operand is not to be trusted with this compiler.)
        axis = result.axis;
        benchmark::ClobberMemory();
    }
    std::cout.rdbuf(saved);
    if (status != ST_GOOD_VALUE || std::fabs(axis - 1011.37f) > 0.05f)
        state.SkipWithError("the axis was not found");
}
BENCHMARK(BM_RotationAxis)->Arg(1)->Arg(0)->ArgName("vertical")->Unit(benchmark::kMillisecond);

} // namespace

// Test slices: the five slices of the page from a line already read, and the
// reading of one line from each file of a large series.
namespace {

constexpr int SERIES_SIDE = 2048;
constexpr int SERIES_PROJECTIONS = 1800;
constexpr int SERIES_LINE = 1024;

ZytSinogram large_sinogram()
{
    ZytSinogram s;
    s.length = SERIES_SIDE;
    s.projections = SERIES_PROJECTIONS;
    s.values.resize(static_cast<std::size_t>(SERIES_SIDE) * SERIES_PROJECTIONS);
    s.angles.resize(SERIES_PROJECTIONS);
    for (int m = 0; m < SERIES_PROJECTIONS; ++m) {
        s.angles[m] = static_cast<float>(M_PI * m / SERIES_PROJECTIONS);
        for (int k = 0; k < SERIES_SIDE; ++k)
            s.values[static_cast<std::size_t>(m) * SERIES_SIDE + k] =
                std::max(0.0f, 1.0f - std::fabs(k - 1024.0f) / 800.0f) +
                0.1f * std::sin(0.05f * k + 0.01f * m);
    }
    return s;
}

void BM_TestSlicePage(benchmark::State& state)
{
    const ZytSinogram sinogram = large_sinogram();
    for (auto _ : state) {
        ZytTestSlices slices;
        int status = ST_GOOD_VALUE;
        std::streambuf* console = std::cout.rdbuf(nullptr);
        ZYT_TEST_SLICES(sinogram, 1024.3f, 0.5f, 5, 512, slices, status);
        std::cout.rdbuf(console);
        benchmark::DoNotOptimize(slices.best);
    }
}
BENCHMARK(BM_TestSlicePage)->Unit(benchmark::kMillisecond)->UseRealTime();

// A series of 1800 16-bit TIFF files of 2048 x 2048 pixels, written once:
// one real file, the others copies of it with their zero blocks left as
// holes, so that the series takes megabytes, not gigabytes, on the disk,
// and a read of a row does the same work as in a full file.
std::string large_series()
{
    static const std::string directory = [] {
        const std::filesystem::path dir =
            std::filesystem::temp_directory_path() / "zyt_bench_test_slice_series";
        std::filesystem::create_directories(dir);
        const std::string first = (dir / "proj_0001.tif").string();
        std::vector<std::uint16_t> pixels(static_cast<std::size_t>(SERIES_SIDE) * SERIES_SIDE, 0);
        for (int j = SERIES_LINE - 2; j <= SERIES_LINE + 2; ++j)
            for (int i = 0; i < SERIES_SIDE; ++i)
                pixels[static_cast<std::size_t>(j - 1) * SERIES_SIDE + i] =
                    static_cast<std::uint16_t>(1000 + i % 500);
        int status = ST_GOOD_VALUE;
        ZYT_WRITE_TIFF16(first, SERIES_SIDE, SERIES_SIDE, pixels.data(), "bench", status);
        std::ifstream in(first, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
        constexpr std::size_t BLOCK = 4096;
        for (int number = 2; number <= SERIES_PROJECTIONS; ++number) {
            char name[32];
            std::snprintf(name, sizeof name, "proj_%04d.tif", number);
            const std::string path = (dir / name).string();
            if (std::filesystem::exists(path)) continue;
            std::FILE* out = std::fopen(path.c_str(), "wb");
            for (std::size_t at = 0; at < bytes.size(); at += BLOCK) {
                const std::size_t n = std::min(BLOCK, bytes.size() - at);
                const bool zero = std::all_of(bytes.begin() + at, bytes.begin() + at + n,
                                              [](char c) { return c == 0; });
                if (zero) std::fseek(out, static_cast<long>(n), SEEK_CUR);
                else std::fwrite(bytes.data() + at, 1, n, out);
            }
            std::fflush(out);
            if (::ftruncate(::fileno(out), static_cast<off_t>(bytes.size())) != 0) std::abort();
            std::fclose(out);
        }
        return dir.string();
    }();
    return directory;
}

void BM_ReadTestSliceLine(benchmark::State& state)
{
    ZytSliceSeries series;
    series.prefix = large_series() + "/proj_";
    series.first = 1;
    series.last = SERIES_PROJECTIONS;
    series.digits = 4;
    series.postfix = ".tif";
    series.num_image_1 = series.num_image_2 = SERIES_SIDE;
    series.line = SERIES_LINE;
    series.angle_step = static_cast<float>(M_PI / SERIES_PROJECTIONS);
    // One read before the timed ones, so that they find the files cached (warm).
    {
        ZytSinogram sinogram;
        int retstat = 1, status = ST_GOOD_VALUE;
        ZYT_READ_SINOGRAM(series, nullptr, sinogram, retstat, status);
    }
    for (auto _ : state) {
        ZytSinogram sinogram;
        int retstat = 1, status = ST_GOOD_VALUE;
        ZYT_READ_SINOGRAM(series, nullptr, sinogram, retstat, status);
        if (retstat != 0 || status != ST_GOOD_VALUE) state.SkipWithError("a read failed");
        benchmark::DoNotOptimize(sinogram.values.data());
    }
}
BENCHMARK(BM_ReadTestSliceLine)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace
