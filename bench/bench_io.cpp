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
