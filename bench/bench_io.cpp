// Costs of the text routines that every question and file name passes through.
#include <benchmark/benchmark.h>

#include <string>

#include "io/convert.h"
#include "io/database.h"
#include "io/filename.h"
#include "io/status.h"

namespace {

void BM_DatabaseStoreAndLookUp(benchmark::State& state)
{
    IO_CLEAR_DATABASE();
    int status = ST_GOOD_VALUE;
    int retstat = 0;
    for (int i = 0; i < 150; ++i)
        IO_SET_IKEYVALUE("KEY_" + std::to_string(i), i, retstat, status);
    int value = 0;
    for (auto _ : state) {
        IO_SET_IKEYVALUE("KEY_75", 75, retstat, status);
        IO_INQ_IKEYVALUE("KEY_149", value, retstat, status);
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(BM_DatabaseStoreAndLookUp);

void BM_FileSequence(benchmark::State& state)
{
    int status = ST_GOOD_VALUE;
    int retstat = 0;
    FileSeries series;
    for (auto _ : state) {
        IO_FILESEQUENCE("/data/beamline/sample_17/scan_000001.tif",
                        "/data/beamline/sample_17/scan_001800.tif", retstat, series, status);
        benchmark::DoNotOptimize(series.first);
    }
}
BENCHMARK(BM_FileSequence);

void BM_RealToText(benchmark::State& state)
{
    int status = ST_GOOD_VALUE;
    const float values[] = {0.0f, 0.05f, 1.5f, -42.0f, 999.9f, 123456.0f, -0.05f, -1.0e6f};
    std::size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(IO_RTOC(values[i++ % 8], status));
}
BENCHMARK(BM_RealToText);

} // namespace

// The file-selection panel's lists for a directory of 10 000 files: read,
// filtered by type and pattern, and sorted.
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "io/directory.h"

namespace {

struct BigDirectory
{
    BigDirectory()
    {
        char pattern[] = "/tmp/zyt_bench_XXXXXX";
        path = ::mkdtemp(pattern);
        // Numbered the way detectors write them, in no particular order.
        for (int i = 0; i < 10000; ++i) {
            const int n = (i * 7919) % 10000;
            std::ofstream(path + "/scan_" + std::to_string(100000 + n).substr(1) +
                          (n % 10 == 0 ? ".edf" : ".tif"));
        }
    }
    ~BigDirectory() { std::filesystem::remove_all(path); }
    std::string path;
};

void BM_ListTenThousandFiles(benchmark::State& state)
{
    static BigDirectory directory;
    int status = ST_GOOD_VALUE;
    const std::vector<std::string> types{"tif"};
    for (auto _ : state) {
        int retstat = 0;
        IoFileList list;
        IO_LISTFILES(directory.path, {}, types, "scan_0*", retstat, list, status);
        benchmark::DoNotOptimize(list.order.data());
    }
}
BENCHMARK(BM_ListTenThousandFiles)->Unit(benchmark::kMillisecond);

} // namespace
