// What a scientist waits for on the image page, headless: a 2048 x 2048
// projection drawn with its axes, title and colour bar onto the portrait
// page, and the spy-glass following the pointer over it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "gs/gs.h"
#include "io/status.h"
#include "lg/lg.h"
#include "lg/window/x11.h"

namespace {

constexpr int SIDE = 2048;
constexpr int MOVES = 400;

// A projection-like picture: a bright field, the shadow of an object, a
// gradient and fine structure, so that no range or colour is degenerate.
struct Projection
{
    Projection() : pixels(static_cast<std::size_t>(SIDE) * SIDE), x_axis(SIDE), y_axis(SIDE)
    {
        for (int i = 0; i < SIDE; ++i) x_axis[i] = y_axis[i] = i + 0.5f;
        for (int j = 0; j < SIDE; ++j)
            for (int i = 0; i < SIDE; ++i) {
                const float u = (i + 0.5f) / SIDE - 0.5f, v = (j + 0.5f) / SIDE - 0.5f;
                const float a = 1.0f - u * u / 0.09f - v * v / 0.16f;
                const float path = a > 0.0f ? 2.0f * std::sqrt(a) : 0.0f;
                pixels[i + static_cast<std::size_t>(j) * SIDE] =
                    1000.0f * (1.0f + 0.2f * u) * std::exp(-0.6f * path) +
                    20.0f * std::sin(0.7f * i) * std::sin(0.3f * j);
            }
        image.data = ImageView{pixels.data(), SIDE, SIDE};
        image.x_axis = x_axis;
        image.y_axis = y_axis;
        image.xend = image.yend = SIDE;
        image.title = "PROJECTION 0001";
        image.xlabel = "Columns";
        image.ylabel = "Rows";
        image.zlabel = "Intensity";
    }
    std::vector<float> pixels, x_axis, y_axis;
    GsImage image;
};

const Projection& projection()
{
    static const Projection p;
    return p;
}

// The graphics opened on a headless page that takes its input from a
// script (none: nothing is asked).
struct Page
{
    explicit Page(const std::string& script = "")
    {
        LgWindowOptions options;
        options.headless = true;
        if (!script.empty()) {
            events = (std::filesystem::temp_directory_path() /
                      ("zyt_bench_gs_" + std::to_string(::getpid()) + ".events"))
                         .string();
            std::ofstream(events) << script;
            options.events_file = events;
        }
        LG_X11_SET_OPTIONS(options);
        GS_OPEN_GRAPHICS(status);
    }
    ~Page()
    {
        int s = ST_GOOD_VALUE;
        GS_CLOSE_GRAPHICS(s);
        if (!events.empty()) std::filesystem::remove(events);
    }
    int status = ST_GOOD_VALUE;
    std::string events;
};

void BM_PlotProjectionOntoPortraitPage(benchmark::State& state)
{
    const Projection& p = projection();
    Page page;
    int width = 0, height = 0, error = 0;
    LG_X11_INQ_SIZE(width, height, error);
    for (auto _ : state) GS_PLOT(p.image, page.status);
    if (page.status != ST_GOOD_VALUE) state.SkipWithError("GS_PLOT failed");
    state.SetLabel(std::to_string(width) + " x " + std::to_string(height) + " pixels");
}
BENCHMARK(BM_PlotProjectionOntoPortraitPage)->Unit(benchmark::kMillisecond);

// Each move redraws the glass (21 x 21 elements with their own range) and
// its value line; the crosshair follows.
void BM_SpyglassFollowsThePointer(benchmark::State& state)
{
    const Projection& p = projection();
    std::string script;
    for (int k = 0; k < MOVES; ++k)
        script += "hover " + std::to_string(100 + (k * 37) % 1800) + " " +
                  std::to_string(100 + (k * 53) % 1800) + "\n";
    script += "point 1024 1024\n";
    for (auto _ : state) {
        state.PauseTiming();
        {
            Page page(script);
            GS_PLOT(p.image, page.status);
            GS_SPYGLASS(true, p.image, 0.02f, 0.02f, 0.3f, 0.3f, page.status);
            // The script's positions are the image's own coordinates.
            GS_RESTORE_TRANSFORM(page.status);
            int event = 0;
            float x = 0.0f, y = 0.0f;
            state.ResumeTiming();
            LG_INP_COORDINATE(1, 1, event, x, y, page.status);
            state.PauseTiming();
            if (page.status != ST_GOOD_VALUE || event != LG_EVENT_PRESS)
                state.SkipWithError("the script's point was not reached");
            // The glass (its middle on the page) shows the last position.
            int width = 0, height = 0, error = 0;
            LG_X11_INQ_SIZE(width, height, error);
            const int side = std::max(width, height);
            if (LG_X11_PIXEL(static_cast<int>(0.16f * side), height - static_cast<int>(0.16f * side)) ==
                0xFFFFFFu)
                state.SkipWithError("the spy-glass was not drawn");
        }
        state.ResumeTiming();
    }
    state.counters["per_move"] = benchmark::Counter(
        static_cast<double>(MOVES), benchmark::Counter::kIsIterationInvariantRate |
                                        benchmark::Counter::kInvert);
}
BENCHMARK(BM_SpyglassFollowsThePointer)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
