// Drawing costs of the window device, headless (the backing picture only).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "io/status.h"
#include "lg/lg.h"
#include "lg/window/x11.h"

namespace {

constexpr int SIZE = 2048;

// A headless portrait window with the page as world coordinates.
struct Page
{
    Page()
    {
        LgWindowOptions options;
        options.headless = true;
        LG_X11_SET_OPTIONS(options);
        LG_OPEN(0, status);
        LG_OPEN_WK(1, 1, LG_WINDOW_PORTRAIT, status);
        LG_ACTIVATE_WK(1, status);
    }
    ~Page()
    {
        LG_CLOSE_WK(1, status);
        LG_CLOSE(status);
    }
    int status = ST_GOOD_VALUE;
};

const std::vector<float>& projection()
{
    static const std::vector<float> data = [] {
        std::vector<float> d(static_cast<std::size_t>(SIZE) * SIZE);
        for (int j = 0; j < SIZE; ++j)
            for (int i = 0; i < SIZE; ++i)
                d[i + static_cast<std::size_t>(j) * SIZE] =
                    1.0f + 1000.0f * std::sin(i * 0.01f) * std::sin(j * 0.013f) * 
                               std::sin(i * 0.01f) * std::sin(j * 0.013f);
        return d;
    }();
    return data;
}

void draw_image(benchmark::State& state, bool log_scaling)
{
    Page page;
    const std::vector<float>& data = projection();
    LG_SET_LOGZSCALING(log_scaling, page.status);
    for (auto _ : state) {
        LG_REALCELLARRAY(SIZE, SIZE, 1, 1, SIZE, SIZE, data.data(), 0.0f, 0.0f, 0.7071f, 1.0f,
                         1.0f, 1001.0f, page.status);
    }
    if (page.status != ST_GOOD_VALUE) state.SkipWithError("drawing failed");
}

void BM_Image2048Linear(benchmark::State& state) { draw_image(state, false); }
BENCHMARK(BM_Image2048Linear)->Unit(benchmark::kMillisecond);

void BM_Image2048Log(benchmark::State& state) { draw_image(state, true); }
BENCHMARK(BM_Image2048Log)->Unit(benchmark::kMillisecond);

// The same image onto 2048 x 2048 pixels of a landscape window of 2896 x 2048:
// one pixel per element, as a full-screen display of a projection shows it.
void draw_full_image(benchmark::State& state, bool log_scaling)
{
    const std::string script = "/tmp/zyt_bench_resize_" + std::to_string(::getpid());
    std::ofstream(script) << "resize 2896 2048\n";
    LgWindowOptions options;
    options.headless = true;
    options.events_file = script;
    LG_X11_SET_OPTIONS(options);
    int status = ST_GOOD_VALUE;
    LG_OPEN(0, status);
    LG_OPEN_WK(1, 1, LG_WINDOW_LANDSCAPE, status);
    LG_ACTIVATE_WK(1, status);
    int event = 0;
    float x = 0, y = 0;
    LG_INP_COORDINATE(1, 1, event, x, y, status); // the resize
    std::remove(script.c_str());
    int w = 0, h = 0, error = 0;
    LG_X11_INQ_SIZE(w, h, error);
    if (w != 2896 || h != 2048) state.SkipWithError("the window was not resized");
    const std::vector<float>& data = projection();
    LG_SET_LOGZSCALING(log_scaling, status);
    for (auto _ : state) {
        LG_REALCELLARRAY(SIZE, SIZE, 1, 1, SIZE, SIZE, data.data(), 0.0f, 0.0f, 2048.0f / 2896.0f,
                         2048.0f / 2896.0f, 1.0f, 1001.0f, status);
    }
    if (status != ST_GOOD_VALUE) state.SkipWithError("drawing failed");
    LG_CLOSE_WK(1, status);
    LG_CLOSE(status);
    LG_X11_SET_OPTIONS(LgWindowOptions{});
}

void BM_Image2048LinearOnto2048(benchmark::State& state) { draw_full_image(state, false); }
BENCHMARK(BM_Image2048LinearOnto2048)->Unit(benchmark::kMillisecond);

void BM_Image2048LogOnto2048(benchmark::State& state) { draw_full_image(state, true); }
BENCHMARK(BM_Image2048LogOnto2048)->Unit(benchmark::kMillisecond);

void BM_Polyline10000(benchmark::State& state)
{
    Page page;
    std::vector<float> x(10000), y(10000);
    for (int i = 0; i < 10000; ++i) {
        x[i] = 0.7f * i / 10000.0f;
        y[i] = 0.5f + 0.4f * std::sin(i * 0.05f);
    }
    for (auto _ : state) LG_POLYLINE(10000, x.data(), y.data(), page.status);
}
BENCHMARK(BM_Polyline10000)->Unit(benchmark::kMillisecond);

void BM_Text1000(benchmark::State& state)
{
    Page page;
    LG_TEXTHEIGHT(0.015f, page.status);
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i)
            LG_TEXT(0.01f + 0.0005f * i, 0.001f * i, "Projection 0001 of 0900", page.status);
    }
}
BENCHMARK(BM_Text1000)->Unit(benchmark::kMillisecond);

} // namespace
