// Decoding a 3450 x 3450 packed MAR image-plate file (the largest plate) into
// the image array, beside reading its bytes with one read(). The file is
// written by an independent writer (fabio, through the tests' fixture
// script), which also says how long its own reader takes on the same file.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "fio/fio.h"
#include "io/status.h"

namespace {

constexpr int SIDE = 3450;

class PlateFile
{
public:
    PlateFile()
    {
        path_ = (std::filesystem::temp_directory_path() /
                 ("zyt_bench_" + std::to_string(::getpid()) + ".mar3450"))
                    .string();
        const std::string command =
            "/usr/bin/python3 " ZYT_MAR_FIXTURES " --bench " + path_ + " 2>&1";
        if (std::FILE* p = ::popen(command.c_str(), "r")) {
            char line[512];
            while (std::fgets(line, sizeof line, p) != nullptr)
                std::cout << line;
            made_ = ::pclose(p) == 0;
        }
    }
    ~PlateFile() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }
    bool made() const { return made_; }

private:
    std::string path_;
    bool made_ = false;
};

const PlateFile& plate()
{
    static const PlateFile f;
    return f;
}

void BM_Mar3450BytesWithOneRead(benchmark::State& state)
{
    if (!plate().made()) return state.SkipWithError("no fixture (python3-fabio missing?)");
    std::vector<char> buffer(static_cast<std::size_t>(std::filesystem::file_size(plate().path())));
    for (auto _ : state) {
        const int fd = ::open(plate().path().c_str(), O_RDONLY);
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        ::close(fd);
        benchmark::DoNotOptimize(got);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long long>(buffer.size()));
}
BENCHMARK(BM_Mar3450BytesWithOneRead)->Unit(benchmark::kMillisecond);

// The whole reader: header, packed stream, high pixels, axes.
void BM_Mar3450IntoImageArray(benchmark::State& state)
{
    if (!plate().made()) return state.SkipWithError("no fixture (python3-fabio missing?)");
    std::vector<float> data(static_cast<std::size_t>(SIDE) * SIDE);
    std::vector<float> x_axis(SIDE), y_axis(SIDE);
    const ImageView view{data.data(), SIDE, SIDE};
    std::cout.setstate(std::ios::failbit); // the header's information lines
    for (auto _ : state) {
        int status = ST_GOOD_VALUE, retstat = 0, xnum = 0, ynum = 0;
        bool variances = false;
        float xps = 0, yps = 0;
        std::string name = plate().path(), title, xl, yl, zl;
        FIO_IN_MAR(true, false, variances, name, retstat, xnum, ynum, x_axis, y_axis, view,
                   ImageView{}, title, xl, yl, zl, xps, yps, status);
        if (retstat != 0 || xnum != SIDE || ynum != SIDE) state.SkipWithError("MAR file not read");
        benchmark::DoNotOptimize(data.data());
    }
    std::cout.clear();
    state.SetItemsProcessed(state.iterations() * static_cast<long long>(SIDE) * SIDE);
}
BENCHMARK(BM_Mar3450IntoImageArray)->Unit(benchmark::kMillisecond);

} // namespace
