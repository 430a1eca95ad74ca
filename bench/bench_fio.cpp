// Reading a 2048 x 2048 image into the image array, against reading the same
// file's bytes with one read(): an uncompressed 16-bit TIFF of 64 strips, and
// a raw big-endian 2-byte file that needs byte swapping on this machine; and
// the conversion of the TIFF's samples to reals alone, in memory.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fio/fio.h"
#include "fio/samples.h"
#include "io/status.h"

namespace {

constexpr int SIDE = 2048;
constexpr int ROWS_PER_STRIP = 32;

std::string bytes_of(std::uint32_t value, int size)
{
    std::string b;
    for (int k = 0; k < size; ++k) b += static_cast<char>((value >> (8 * k)) & 0xFF);
    return b;
}

// A little-endian TIFF: header, the strips, their offsets, one directory.
std::string make_tiff()
{
    std::string file = "II" + bytes_of(42, 2) + bytes_of(0, 4);
    const std::size_t strip_bytes = static_cast<std::size_t>(SIDE) * ROWS_PER_STRIP * 2;
    std::string pixels(static_cast<std::size_t>(SIDE) * SIDE * 2, '\0');
    for (std::size_t k = 0; k < pixels.size(); ++k) pixels[k] = static_cast<char>(k * 7);
    file += pixels;
    const std::size_t offsets_at = file.size();
    for (int s = 0; s < SIDE / ROWS_PER_STRIP; ++s)
        file += bytes_of(static_cast<std::uint32_t>(8 + s * strip_bytes), 4);
    const std::size_t directory = file.size();
    auto entry = [](int tag, int type, std::uint32_t count, std::uint32_t value) {
        return bytes_of(tag, 2) + bytes_of(type, 2) + bytes_of(count, 4) + bytes_of(value, 4);
    };
    file += bytes_of(6, 2) + entry(256, 4, 1, SIDE) + entry(257, 4, 1, SIDE) +
            entry(258, 3, 1, 16) + entry(259, 3, 1, 1) +
            entry(273, 4, SIDE / ROWS_PER_STRIP, static_cast<std::uint32_t>(offsets_at)) +
            entry(278, 3, 1, ROWS_PER_STRIP) + bytes_of(0, 4);
    file.replace(4, 4, bytes_of(static_cast<std::uint32_t>(directory), 4));
    return file;
}

class Files
{
public:
    Files()
    {
        const auto dir = std::filesystem::temp_directory_path();
        tiff_ = (dir / ("zyt_bench_" + std::to_string(::getpid()) + ".tif")).string();
        raw_ = (dir / ("zyt_bench_" + std::to_string(::getpid()) + ".raw")).string();
        write(tiff_, make_tiff());
        write(raw_, std::string(static_cast<std::size_t>(SIDE) * SIDE * 2, '\x12'));
    }
    ~Files()
    {
        std::remove(tiff_.c_str());
        std::remove(raw_.c_str());
    }
    const std::string& tiff() const { return tiff_; }
    const std::string& raw() const { return raw_; }

private:
    static void write(const std::string& path, const std::string& bytes)
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    std::string tiff_, raw_;
};

const Files& files()
{
    static const Files f;
    return f;
}

void read_whole(benchmark::State& state, const std::string& path)
{
    std::vector<char> buffer(static_cast<std::size_t>(std::filesystem::file_size(path)));
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY);
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        ::close(fd);
        benchmark::DoNotOptimize(got);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long long>(buffer.size()));
}

void BM_TiffBytesWithOneRead(benchmark::State& state) { read_whole(state, files().tiff()); }
BENCHMARK(BM_TiffBytesWithOneRead)->Unit(benchmark::kMillisecond);

void BM_TiffIntoImageArray(benchmark::State& state)
{
    std::vector<float> data(static_cast<std::size_t>(SIDE) * SIDE);
    std::vector<float> x_axis(SIDE), y_axis(SIDE);
    const ImageView view{data.data(), SIDE, SIDE};
    FIO_SET_BATCH(true);
    for (auto _ : state) {
        int status = ST_GOOD_VALUE, retstat = 0, xnum = 0, ynum = 0;
        bool variances = false;
        std::string name = files().tiff(), title, xl, yl, zl;
        FIO_IN_IQ(true, false, false, false, variances, name, retstat, xnum, ynum, x_axis, y_axis,
                  view, ImageView{}, title, xl, yl, zl, status);
        if (retstat != 0 || xnum != SIDE) state.SkipWithError("TIFF not read");
        benchmark::DoNotOptimize(data.data());
    }
    state.SetBytesProcessed(state.iterations() * 2LL * SIDE * SIDE);
}
BENCHMARK(BM_TiffIntoImageArray)->Unit(benchmark::kMillisecond);

// The conversion alone, for comparison: the file's 16-bit samples, already
// in memory, to the reals of the image array, row for row, without any file
// access. Writing 16 MB of reals has its own cost that no reader avoids.
void BM_SamplesToRealsInMemory(benchmark::State& state)
{
    const std::string file = make_tiff();
    const auto* samples = reinterpret_cast<const std::uint8_t*>(file.data()) + 8;
    std::vector<float> data(static_cast<std::size_t>(SIDE) * SIDE);
    for (auto _ : state) {
        for (std::size_t row = 0; row < SIDE; ++row)
            fio_samples_to_reals<std::uint16_t, std::uint16_t>(samples + row * 2 * SIDE, SIDE,
                                                               false, &data[row * SIDE]);
        benchmark::DoNotOptimize(data.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * 2LL * SIDE * SIDE);
}
BENCHMARK(BM_SamplesToRealsInMemory)->Unit(benchmark::kMillisecond);

void BM_RawBytesWithOneRead(benchmark::State& state) { read_whole(state, files().raw()); }
BENCHMARK(BM_RawBytesWithOneRead)->Unit(benchmark::kMillisecond);

void BM_Inp2DI2SwappedIntoImageArray(benchmark::State& state)
{
    std::vector<float> data(static_cast<std::size_t>(SIDE) * SIDE);
    const ImageView view{data.data(), SIDE, SIDE};
    FioTransfer t;
    t.swap = true;
    t.nx = t.ny = t.xend = t.yend = SIDE;
    t.buffer_elements = 10000;
    for (auto _ : state) {
        int status = ST_GOOD_VALUE, retstat = 0, handle = 0, xnum = 0, ynum = 0;
        FIO_FILEOPEN(files().raw(), "READ", retstat, handle, status);
        FIO_INP_2DI2(t, view, xnum, ynum, status);
        FIO_FILECLOSEC(handle, retstat);
        if (status != ST_GOOD_VALUE) state.SkipWithError("raw file not read");
        benchmark::DoNotOptimize(data.data());
    }
    state.SetBytesProcessed(state.iterations() * 2LL * SIDE * SIDE);
}
BENCHMARK(BM_Inp2DI2SwappedIntoImageArray)->Unit(benchmark::kMillisecond);

} // namespace
