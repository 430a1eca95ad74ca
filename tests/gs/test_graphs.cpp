// Graphs drawn on the headless window and in print: ranges, ticks, numbers
// that fit, clipping at the frame, logarithmic axes, and the data
// coordinates a graph leaves for input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <regex>
#include <span>
#include <vector>

#include "gs/graphs.h"
#include "gs_test_support.h"
#include "ps_render.h"

using zyt_test::ConsoleCapture;
using zyt_test::fresh_status;
using zyt_test::Graphics;

namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();

class Graphs : public Graphics
{
  protected:
    // Writes the page as a PNG where ZYT_KEEP_SNAPSHOTS names a directory.
    static void keep(const std::string& name)
    {
        if (const char* dir = std::getenv("ZYT_KEEP_SNAPSHOTS"))
            LG_X11_SNAPSHOT(std::string(dir) + "/" + name + ".png");
    }

    // Takes the next "resize" of the script: the window's next size.
    void next_size()
    {
        int event = 0;
        float px = 0, py = 0;
        LG_INP_COORDINATE(1, 1, event, px, py, status);
        ASSERT_EQ(event, LG_EVENT_EXPOSE);
    }

    // Whether a pixel of the colour lies within radius pixels of a page point.
    static bool colour_near(float x, float y, unsigned rgb, int radius = 1)
    {
        int w = 0, h = 0, error = 0;
        LG_X11_INQ_SIZE(w, h, error);
        const int max = std::max(w, h);
        const int px = static_cast<int>(x * max), py = h - static_cast<int>(y * max);
        for (int dy = -radius; dy <= radius; ++dy)
            for (int dx = -radius; dx <= radius; ++dx)
                if (LG_X11_PIXEL(px + dx, py + dy) == rgb) return true;
        return false;
    }

    // The page point of a world point of the transform in force.
    float page_x(float x) { return LG_WC2PC(true, x, status); }
    float page_y(float y) { return LG_WC2PC(false, y, status); }

    static std::vector<float> window()
    {
        int s = ST_GOOD_VALUE;
        float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        LG_INQ_DATAWINDOW(x1, y1, x2, y2, s);
        return {x1, y1, x2, y2};
    }

    // One red curve, as a graph, without title or labels.
    void red_graph(const std::vector<float>& x, const std::vector<float>& y)
    {
        GsCurveStyle red;
        GS_INQ_CURVESTYLE(1, red, status);
        red.line_colour = GS_RED;
        GS_SET_CURVESTYLE(1, red, status);
        const int n = static_cast<int>(x.size());
        GS_XYSGRAPH(n, 1, n, x, y, "", "", "", status);
    }

    // A noisy profile across a sample: 0 .. 2047 pixels, intensities about
    // 3000 with an absorbing middle.
    static void profile(std::vector<float>& x, std::vector<float>& y)
    {
        unsigned noise = 1u;
        for (int i = 0; i < 2048; ++i) {
            noise = noise * 1664525u + 1013904223u;
            x.push_back(static_cast<float>(i));
            const float d = (i - 1024.0f) / 600.0f;
            y.push_back(3200.0f - (std::fabs(d) < 1.0f ? 1800.0f * std::sqrt(1.0f - d * d) : 0.0f) +
                        static_cast<float>(noise >> 24) - 128.0f);
        }
    }
};

} // namespace

TEST_F(Graphs, SnapshotsOfProfilesAndCorrelations)
{
    open("resize 1000 1414\n");
    std::vector<float> x, y;
    profile(x, y);
    for (int size = 0; size < 2; ++size) {
        GS_XYSGRAPH(2048, 1, 2048, x, y, "PROFILE OF PROJECTION 1 (ROW 1024)", "X-PIXEL",
                    "INTENSITY (COUNTS)", status);
        ASSERT_EQ(status, ST_GOOD_VALUE);
        int w = 0, h = 0, error = 0;
        LG_X11_INQ_SIZE(w, h, error);
        keep("profile_" + std::to_string(w));
        // A cross-correlation against the shift, two curves with a key.
        std::vector<float> cx, cy;
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < 201; ++i) {
                const float s = -100.0f + i;
                cx.push_back(s);
                cy.push_back((c == 0 ? 0.95f : 0.6f) *
                                 std::exp(-(s - 12.5f) * (s - 12.5f) / 200.0f) +
                             0.02f * std::sin(1.7f * i));
            }
        GsCurveStyle style;
        GS_INQ_CURVESTYLE(1, style, status);
        style.key = "CROSS-CORRELATION";
        GS_SET_CURVESTYLE(1, style, status);
        GS_INQ_CURVESTYLE(2, style, status);
        style.key = "MIRRORED 180 DEGREE PROJECTION";
        style.markers = true;
        GS_SET_CURVESTYLE(2, style, status);
        GS_XYEGRAPH(201, 2, 2, 1, 201, cx, cy, {}, {}, "ROTATION AXIS: CROSS-CORRELATION",
                    "SHIFT (PIXELS)", "CORRELATION COEFFICIENT", status);
        ASSERT_EQ(status, ST_GOOD_VALUE);
        keep("correlation_" + std::to_string(w));
        if (size == 0) {
            // The same in print, rendered by Ghostscript: the second curve's
            // peak (0.6 at a shift of 12.5) is red where the window shows it.
            const float peak_x = page_x(12.0f), peak_y = page_y(0.6f * std::exp(-0.25f / 200.0f));
            const std::string file = dir.file("correlation.ps");
            GS_OPEN_PS(file, status);
            bool printing = false;
            GS_ON_PRINT(true, printing, status);
            GS_XYEGRAPH(201, 2, 2, 1, 201, cx, cy, {}, {}, "ROTATION AXIS: CROSS-CORRELATION",
                        "SHIFT (PIXELS)", "CORRELATION COEFFICIENT", status);
            GS_OFF_PRINT(status);
            GS_CLOSE_PS(status);
            ASSERT_EQ(status, ST_GOOD_VALUE);
            const char* dir_kept = std::getenv("ZYT_KEEP_SNAPSHOTS");
            const zyt_test::Rendered page =
                zyt_test::render(file, dir_kept ? std::string(dir_kept) + "/correlation_print.png"
                                                : dir.file("c.png"));
            ASSERT_EQ(page.exit_code, 0) << page.messages;
            int red = 0;
            for (int dx = -3; dx <= 3; ++dx)
                for (int dy = -3; dy <= 3; ++dy)
                    red += page.at(peak_x + dx / 787.1f, peak_y + dy / 787.1f) == 0xff0000u;
            EXPECT_GT(red, 0);
        }
        GS_DEF_CURVESTYLES(status);
        // The profile's transmission on a logarithmic axis, with error bars.
        std::vector<float> t, e;
        for (float v : y) {
            t.push_back(v / 3200.0f);
            e.push_back(std::sqrt(std::fabs(v)) / 3200.0f * 10.0f);
        }
        {
            const GsGraphSettingsGuard settings;
            GS_SET_AXESLOGLIN(false, true, status);
            GS_SET_ERRORBARS(true, status);
            GS_XYEGRAPH(2048, 1, 1, 1, 2048, x, t, {}, e, "TRANSMISSION", "X-PIXEL", "I / I0",
                        status);
        }
        ASSERT_EQ(status, ST_GOOD_VALUE);
        keep("transmission_" + std::to_string(w));
        if (size == 1) break;
        ASSERT_NO_FATAL_FAILURE(next_size());
    }
}

TEST_F(Graphs, SnapshotInLandscape)
{
    open("", {"LANDSCAPE"});
    std::vector<float> x, y;
    profile(x, y);
    GS_XYSGRAPH(2048, 1, 2048, x, y, "PROFILE OF PROJECTION 1 (ROW 1024)", "X-PIXEL",
                "INTENSITY (COUNTS)", status);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    keep("profile_landscape");
    // The x label stays above the foot of the page.
    int w = 0, h = 0, error = 0;
    LG_X11_INQ_SIZE(w, h, error);
    EXPECT_EQ(w, 707);
    for (int x_px = 0; x_px < w; ++x_px)
        EXPECT_EQ(LG_X11_PIXEL(x_px, h - 1), 0xffffffu);
}

TEST_F(Graphs, SnapshotOfAnImageFramedWithAColourBar)
{
    open("resize 1000 1414\n");
    const int n = 2048;
    std::vector<float> image(static_cast<std::size_t>(n) * 64);
    for (int j = 0; j < 64; ++j)
        for (int i = 0; i < n; ++i)
            image[static_cast<std::size_t>(j) * n + i] = 100.0f + 30.0f * i;
    for (int size = 0; size < 2; ++size) {
        for (bool log : {false, true}) {
            GS_BACKGROUND(status);
            // The image: element edges 0.5 .. 2048.5 on the graph page position.
            float g[4];
            GS_INQ_GPP(g[0], g[1], g[2], g[3], status);
            LG_VIEWPORT(g[0], g[1], g[2], g[3], status);
            LG_DATAWINDOW(0.5f, 0.5f, 2048.5f, 2048.5f, status);
            LG_REALCELLARRAY(n, 64, 1, 1, n, 64, image.data(), 0.5f, 0.5f, 2048.5f, 2048.5f, 100.0f,
                             61540.0f, status);
            GS_PERIPHERY("FIRST PROJECTION: scan_0001.tif", "X-PIXEL", "Y-PIXEL", status);
            // The colour bar: a strip right of the image, its axis on the right.
            {
                const LgTransformGuard transform;
                LG_VIEWPORT(g[2] + 0.015f, g[1], g[2] + 0.035f, g[3], status);
                if (log)
                    LG_DATAWINDOW(0.0f, 2.0f, 1.0f, std::log10(61540.0f), status);
                else
                    LG_DATAWINDOW(0.0f, 100.0f, 1.0f, 61540.0f, status);
                {
                    const LgPageCoordinates page;
                    GS_LINESTYLE(1, 1.0f, GS_BLACK, status);
                    GS_RECTANGLE(g[2] + 0.015f, g[1], g[2] + 0.035f, g[3], false, true, status);
                }
                if (log)
                    GS_ALOGAXIS(GS_AXIS_RIGHT, true, status);
                else
                    GS_LINAXIS(GS_AXIS_RIGHT, true, status);
            }
            ASSERT_EQ(status, ST_GOOD_VALUE);
            int w = 0, h = 0, error = 0;
            LG_X11_INQ_SIZE(w, h, error);
            keep(std::string("image_") + (log ? "log_" : "") + std::to_string(w));
        }
        if (size == 1) break;
        ASSERT_NO_FATAL_FAILURE(next_size());
    }
}

TEST(Ticks, StepsOfOneTwoOrFiveTimesAPowerOfTen)
{
    int status = fresh_status();
    struct Case
    {
        float minimum, maximum, first, step;
        int count;
    } cases[] = {
        {0.0f, 7.3f, 0.0f, 1.0f, 8},       // d = 0.73: 7.3 tenths, so steps of 10 tenths
        {0.0f, 1.0f, 0.0f, 0.1f, 11},      // d/p = 1
        {0.0f, 2.0f, 0.0f, 0.2f, 11},      // d/p = 2
        {0.0f, 4.0f, 0.0f, 0.5f, 9},       // d/p = 4: five tenths
        {4.99f, 5.01f, 4.99f, 0.002f, 11}, // a constant curve's range
        {-0.365f, 7.665f, 0.0f, 1.0f, 8},  // 0 .. 7.3 widened by 5 %
        {0.46f, 10.46f, 1.0f, 1.0f, 10},   // 0 lies below the range: the next tick
        {1.00005f, 11.0f, 1.0f, 1.0f, 11}, // 1 lies below by less than range / 10000: kept
        {-2500.0f, 62000.0f, 0.0f, 10000.0f, 7},
    };
    for (const Case& c : cases) {
        float first = -99, step = -99;
        int count = -99;
        GS_CAL_TICKS(c.minimum, c.maximum, first, step, count, status);
        ASSERT_EQ(status, ST_GOOD_VALUE);
        EXPECT_NEAR(first, c.first, 1e-5f * std::max(1.0f, std::fabs(c.first)))
            << c.minimum << " " << c.maximum;
        EXPECT_FLOAT_EQ(step, c.step) << c.minimum << " " << c.maximum;
        EXPECT_EQ(count, c.count) << c.minimum << " " << c.maximum;
    }
    float first = 0, step = 0;
    int count = 0;
    GS_CAL_TICKS(3.0f, 3.0f, first, step, count, status); // one tick at the value
    EXPECT_EQ(first, 3.0f);
    EXPECT_EQ(count, 1);
    GS_CAL_TICKS(2.0f, 1.0f, first, step, count, status);
    EXPECT_EQ(status, 140013);
    status = fresh_status();
    GS_CAL_TICKS(0.0f, NaN, first, step, count, status);
    EXPECT_EQ(status, 140021);
}

TEST_F(Graphs, AutomaticRangesOfConstantsAndOfSmallAndLargeValues)
{
    open("");
    // A constant curve at 5.0 is drawn between 4.99 and 5.01; x 1 .. 10
    // widened by 5 % of its range on both sides.
    const std::vector<float> x{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    red_graph(x, std::vector<float>(10, 5.0f));
    ASSERT_EQ(status, ST_GOOD_VALUE);
    const std::vector<float> w = window();
    EXPECT_FLOAT_EQ(w[0], 0.55f);
    EXPECT_FLOAT_EQ(w[2], 10.45f);
    EXPECT_FLOAT_EQ(w[1], 4.99f);
    EXPECT_FLOAT_EQ(w[3], 5.01f);
    // The curve lies across the middle of the frame.
    EXPECT_TRUE(colour_near(page_x(5.5f), page_y(5.0f), 0xff0000u));
    float d[4];
    GS_INQ_DDR(d[0], d[1], d[2], d[3], status);
    EXPECT_FLOAT_EQ(d[1], 4.99f);

    // Large constants keep a range a float can show: 1e-4 of the value.
    red_graph(x, std::vector<float>(10, 1.0e6f));
    EXPECT_FLOAT_EQ(window()[1], 1.0e6f - 100.0f);
    EXPECT_FLOAT_EQ(window()[3], 1.0e6f + 100.0f);

    // Values that differ by less than 0.00001 are still told apart: their
    // range is shown, not flattened to +- 0.01.
    std::vector<float> small;
    for (int i = 0; i < 10; ++i)
        small.push_back(2.0e-6f + 3.0e-7f * i);
    red_graph(x, small);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    EXPECT_NEAR(window()[1], 2.0e-6f - 0.05f * 2.7e-6f, 1e-9f);
    EXPECT_NEAR(window()[3], 2.0e-6f + 1.05f * 2.7e-6f, 1e-9f);
}

TEST_F(Graphs, NonFinitePointsAreNeitherCountedNorDrawn)
{
    open("");
    const float inf = std::numeric_limits<float>::infinity();
    // A gap where the flat-field was zero, and an infinite point far off.
    const std::vector<float> x{1.0f, 1.5f, 2.0f, 2.5f, 3.0f, 3.5f};
    const std::vector<float> y{1.0f, 1.0f, NaN, 1.0f, 2.0f, inf};
    red_graph(x, y);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    const std::vector<float> w = window();
    EXPECT_FLOAT_EQ(w[1], 0.95f); // 1 .. 2 widened: no infinity in the range
    EXPECT_FLOAT_EQ(w[3], 2.05f);
    EXPECT_FLOAT_EQ(w[0], 0.9f); // x 1 .. 3: the point at 3.5 has no y and is not counted
    EXPECT_FLOAT_EQ(w[2], 3.1f);
    EXPECT_TRUE(colour_near(page_x(1.25f), page_y(1.0f), 0xff0000u));
    EXPECT_TRUE(colour_near(page_x(2.75f), page_y(1.5f), 0xff0000u));
    // No line across the gap.
    EXPECT_FALSE(colour_near(page_x(2.0f), page_y(1.0f), 0xff0000u, 3));

    // Nothing finite: a warning and a clear failure, and the page is kept.
    {
        const LgPageCoordinates page;
        GS_FILLSTYLE(1, GS_BLUE, status);
        GS_RECTANGLE(0.0f, 0.0f, 0.05f, 0.05f, true, false, status);
    }
    ConsoleCapture console;
    const std::vector<float> nothing{NaN, inf, -inf};
    GS_XYSGRAPH(3, 1, 3, std::vector<float>{1, 2, 3}, nothing, "T", "X", "Y", status);
    EXPECT_EQ(status, 141014);
    EXPECT_EQ(console.lines().at(0),
              "WARNING: No finite data values to graph (all NaN or infinite)");
    EXPECT_EQ(page_pixel(0.025f, 0.025f), 0x0000ffu);
    // The graph drawn before keeps its transform.
    EXPECT_FLOAT_EQ(window()[2], 3.1f);

    // Values near the largest float: a finite window all the same.
    status = fresh_status();
    const float huge = std::numeric_limits<float>::max();
    red_graph(std::vector<float>{-huge, huge}, std::vector<float>{huge, huge});
    ASSERT_EQ(status, ST_GOOD_VALUE);
    for (float limit : window())
        EXPECT_TRUE(std::isfinite(limit));
    EXPECT_LT(window()[0], window()[2]);
    EXPECT_LT(window()[1], window()[3]);
}

TEST_F(Graphs, AFixedRangeClipsAtTheFrameAndCurvesCrossWhereTheyShould)
{
    open("");
    // y = x - 2 from x = -5 to 15, shown for x 0 .. 10 only.
    std::vector<float> x, y;
    for (int i = -5; i <= 15; ++i) {
        x.push_back(static_cast<float>(i));
        y.push_back(i - 2.0f);
    }
    GS_SET_AUTODDR(false, false, true, true, status);
    GS_SET_DDR(0.0f, -100.0f, 10.0f, 100.0f, status);
    red_graph(x, y);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    const std::vector<float> w = window();
    EXPECT_EQ(w[0], 0.0f);
    EXPECT_EQ(w[2], 10.0f);
    // The y range still comes from every point: -7 .. 13, widened.
    EXPECT_FLOAT_EQ(w[1], -8.0f);
    EXPECT_FLOAT_EQ(w[3], 14.0f);
    // The line crosses y = 0 at x = 2 and y = 5 at x = 7.
    EXPECT_TRUE(colour_near(page_x(2.0f), page_y(0.0f), 0xff0000u));
    EXPECT_TRUE(colour_near(page_x(7.0f), page_y(5.0f), 0xff0000u));
    // Nothing red beyond the frame, where the points outside would go.
    float g[4];
    GS_INQ_GPP(g[0], g[1], g[2], g[3], status);
    int w_px = 0, h_px = 0, error = 0;
    LG_X11_INQ_SIZE(w_px, h_px, error);
    int red_outside = 0;
    for (int py = 0; py < h_px; ++py)
        for (int px = 0; px < w_px; ++px) {
            const float pcx = static_cast<float>(px) / h_px;
            const float pcy = static_cast<float>(h_px - py) / h_px;
            const bool inside = pcx > g[0] - 0.002f && pcx < g[2] + 0.002f && pcy > g[1] - 0.002f &&
                                pcy < g[3] + 0.002f;
            if (!inside && LG_X11_PIXEL(px, py) == 0xff0000u) ++red_outside;
        }
    EXPECT_EQ(red_outside, 0);
}

TEST_F(Graphs, AGraphLeavesDataCoordinatesForInput)
{
    open("click 0.35 0.6\n");
    const std::vector<float> x{0, 10, 20};
    red_graph(x, std::vector<float>{100, 300, 200});
    float d[4], v[4], g[4];
    GS_INQ_DDDR(d[0], d[1], d[2], d[3], status);
    GS_INQ_DGPP(v[0], v[1], v[2], v[3], status);
    GS_INQ_GPP(g[0], g[1], g[2], g[3], status);
    EXPECT_EQ(std::vector<float>(d, d + 4), window());
    EXPECT_EQ(std::vector<float>(v, v + 4), std::vector<float>(g, g + 4));
    int event = -1;
    float cx = 0, cy = 0;
    LG_INP_COORDINATE(1, 1, event, cx, cy, status);
    ASSERT_EQ(event, LG_EVENT_PRESS);
    EXPECT_NEAR(cx, d[0] + (0.35f - g[0]) / (g[2] - g[0]) * (d[2] - d[0]), 0.1f);
    EXPECT_NEAR(cy, d[1] + (0.6f - g[1]) / (g[3] - g[1]) * (d[3] - d[1]), 1.0f);
}

namespace {

// Runs of lines (columns of a row band, or rows of a column band) that hold
// dark ink, as (first, last) pixel pairs; runs apart by no more than join
// blank lines (the letters of one word) are one.
std::vector<std::pair<int, int>> ink_runs(bool columns, int from, int to, int band1, int band2,
                                          int join = 0)
{
    auto dark = [](unsigned p) {
        return ((p >> 16) & 255) < 0xd0 || ((p >> 8) & 255) < 0xd0 || (p & 255) < 0xd0;
    };
    std::vector<std::pair<int, int>> runs;
    for (int line = from; line <= to; ++line) {
        bool ink = false;
        for (int k = band1; k <= band2 && !ink; ++k)
            ink = dark(columns ? LG_X11_PIXEL(line, k) : LG_X11_PIXEL(k, line));
        if (!ink) continue;
        if (!runs.empty() && runs.back().second >= line - 1 - join)
            runs.back().second = line;
        else
            runs.emplace_back(line, line);
    }
    return runs;
}

} // namespace

TEST_F(Graphs, NumbersFitTheirRoomAndNeverOverlap)
{
    open("resize 1000 1414\n");
    // Frame and ticks off: the only ink outside the viewport is numbers.
    GsFrameStyle frame;
    frame.frame = false;
    GS_SET_FRAMESTYLE(frame, status);
    // Ranges whose numbers all have as many characters as the sample (and
    // digits are equally wide), in a wide and a narrow viewport. A run of
    // ink longer than one number means two numbers touch.
    const struct
    {
        float minimum, maximum;
        const char* sample;
    } ranges[] = {{123456.0f, 123466.0f, "1.23460E5"},
                  {1000.0f, 9000.0f, "1000"},
                  {10000.0f, 90000.0f, "10000"},
                  {-0.000999f, -0.000101f, "-0.0009"},
                  {0.10f, 0.95f, "0.1"},
                  {-0.000123456f, -0.000123356f, "-1.2346E-4"}}; // too wide for its room
    const float viewports[][4] = {{0.1f, 0.4f, 0.6f, 0.9f}, {0.1f, 0.45f, 0.22f, 0.57f}};
    for (int size = 0; size < 2; ++size) {
        int w = 0, h = 0, error = 0;
        LG_X11_INQ_SIZE(w, h, error);
        const float max = static_cast<float>(std::max(w, h));
        for (const auto& r : ranges) {
            for (const auto& v : viewports) {
                for (int axis : {GS_X_AXIS, GS_Y_AXIS}) {
                    GsAxisStyle numbered, quiet;
                    numbered.ticked = quiet.ticked = false;
                    quiet.numbered = false;
                    GS_SET_AXISSTYLE(GS_X_AXIS, axis == GS_X_AXIS ? numbered : quiet, status);
                    GS_SET_AXISSTYLE(GS_Y_AXIS, axis == GS_Y_AXIS ? numbered : quiet, status);
                    // One number as wide as it can be drawn.
                    LG_TEXTFONT(numbered.numbers.font, status);
                    LG_TEXTHEIGHT(numbered.numbers.height, status);
                    float one = 0.0f;
                    LG_INQ_TEXTWIDTH(1, r.sample, one, status);
                    GS_BACKGROUND(status);
                    LG_VIEWPORT(v[0], v[1], v[2], v[3], status);
                    LG_DATAWINDOW(r.minimum, r.minimum, r.maximum, r.maximum, status);
                    GS_AXISFRAME(status);
                    ASSERT_EQ(status, ST_GOOD_VALUE);
                    const std::string what = std::string(r.sample) +
                                             (axis == GS_X_AXIS ? " x" : " y") +
                                             " viewport width " + std::to_string(v[2] - v[0]) +
                                             " at " + std::to_string(w);
                    // The letters of a number stand closer than a quarter of its height.
                    const int join = static_cast<int>(0.25f * numbered.numbers.height * max);
                    std::vector<std::pair<int, int>> runs;
                    int longest_allowed = 0;
                    if (axis == GS_X_AXIS) {
                        const int top = h - static_cast<int>(v[1] * max) + 1;
                        runs = ink_runs(true, 0, w - 1, top,
                                        std::min(h - 1, top + static_cast<int>(0.06f * max)), join);
                        longest_allowed = static_cast<int>(one * max) + 2;
                    } else {
                        const int right = static_cast<int>(v[0] * max) - 1;
                        runs = ink_runs(false, 0, h - 1, 0, right, join);
                        longest_allowed = static_cast<int>(numbered.numbers.height * max) + 1;
                        // Fitted into their room: clear of the band the y label
                        // takes at the page's edge.
                        GsTextLook label;
                        int orientation = 0;
                        GS_INQ_YLABELSTYLE(label, orientation, status);
                        const auto columns = ink_runs(true, 0, right, 0, h - 1);
                        ASSERT_FALSE(columns.empty()) << what;
                        EXPECT_GE(columns.front().first,
                                  static_cast<int>(1.4f * label.height * max))
                            << what;
                    }
                    // The narrow viewport may have room for one number only.
                    ASSERT_GE(runs.size(), &v == &viewports[0] ? 2u : 1u) << what;
                    for (std::size_t i = 0; i < runs.size(); ++i)
                        EXPECT_LE(runs[i].second - runs[i].first + 1, longest_allowed) << what;
                }
            }
        }
        if (size == 1) break;
        ASSERT_NO_FATAL_FAILURE(next_size());
    }
}

namespace {

// The texts a PostScript file draws, in order.
std::vector<std::string> printed_texts(const std::string& file)
{
    const std::string ps = zyt_test::read_file(file);
    const std::regex text_line("\\(([^)]*)\\) -?[0-9]+ -?[0-9]+ tx");
    std::vector<std::string> texts;
    for (auto it = std::sregex_iterator(ps.begin(), ps.end(), text_line);
         it != std::sregex_iterator(); ++it)
        texts.push_back((*it)[1]);
    return texts;
}

bool has(const std::vector<std::string>& texts, const std::string& text)
{
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

} // namespace

TEST_F(Graphs, LogarithmicAxesInTheWindowAndInPrint)
{
    open("");
    // y = 10^x for x 0 .. 4, with points of no place on a log axis.
    std::vector<float> x, y;
    for (int i = 0; i <= 40; ++i) {
        x.push_back(0.1f * i);
        y.push_back(std::pow(10.0f, 0.1f * i));
    }
    x.push_back(4.5f);
    y.push_back(0.0f);
    x.push_back(5.0f);
    y.push_back(-3.0f);
    GS_SET_AXESLOGLIN(false, true, status);
    red_graph(x, y);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    // The window is in decades, 0 .. 4 widened; x stops at the last point with a y.
    std::vector<float> w = window();
    EXPECT_NEAR(w[1], -0.2f, 1e-5f);
    EXPECT_NEAR(w[3], 4.2f, 1e-5f);
    EXPECT_NEAR(w[2], 4.2f, 1e-5f);
    float d[4];
    GS_INQ_DDR(d[0], d[1], d[2], d[3], status);
    EXPECT_NEAR(d[3], std::pow(10.0f, 4.2f), 1.0f); // the region itself in data units
    // A straight line in decades.
    EXPECT_TRUE(colour_near(page_x(2.0f), page_y(2.0f), 0xff0000u));
    EXPECT_TRUE(colour_near(page_x(3.5f), page_y(3.5f), 0xff0000u));

    // Data given as logarithms already: the same window.
    std::vector<float> logs;
    for (float v : y)
        logs.push_back(v > 0.0f ? std::log10(v) : NaN);
    GS_SET_DATALOGLIN(false, true, status);
    red_graph(x, logs);
    EXPECT_NEAR(window()[3], 4.2f, 1e-5f);
    GS_SET_DATALOGLIN(false, false, status);

    // A fixed limit that is not positive cannot be a decade: the data set it.
    GS_SET_AUTODDR(true, true, false, true, status);
    GS_SET_DDR(0.0f, -1.0f, 1.0f, 1.0f, status);
    {
        ConsoleCapture console;
        red_graph(x, y);
        EXPECT_EQ(console.lines().at(0),
                  "WARNING: A fixed limit of a logarithmic axis is not positive: the data set it");
    }
    EXPECT_NEAR(window()[1], -0.2f, 1e-5f);
    GS_DEF_AUTODDR(status);

    // In print: decades numbered plainly, the curve where it belongs.
    const std::string file = dir.file("log.ps");
    GS_OPEN_PS(file, status);
    bool printing = false;
    GS_ON_PRINT(true, printing, status);
    ASSERT_TRUE(printing);
    GS_XYSGRAPH(static_cast<int>(x.size()), 1, static_cast<int>(x.size()), x, y, "POWERS OF TEN",
                "EXPONENT", "VALUE", status);
    GS_OFF_PRINT(status);
    GS_CLOSE_PS(status);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    const std::vector<std::string> texts = printed_texts(file);
    for (const char* decade :
         {"1", "10", "100", "1000", "10000", "POWERS OF TEN", "EXPONENT", "VALUE"})
        EXPECT_TRUE(has(texts, decade)) << decade;
    EXPECT_FALSE(has(texts, "0.1")); // below the range
    const zyt_test::Rendered page = zyt_test::render(file, dir.file("log.png"));
    ASSERT_EQ(page.exit_code, 0) << page.messages;
    int found = 0;
    for (int dx = -2; dx <= 2; ++dx)
        for (int dy = -2; dy <= 2; ++dy)
            found += page.at(page_x(2.0f) + dx / 787.1f, page_y(2.0f) + dy / 787.1f) == 0xff0000u;
    EXPECT_GT(found, 0);

    // Less than a decade: 2 and 3 times a power of ten are numbered.
    GS_SET_AXESLOGLIN(true, false, status);
    GS_OPEN_PS(file, status);
    GS_ON_PRINT(true, printing, status);
    red_graph(std::vector<float>{2.0f, 3.0f}, std::vector<float>{1.0f, 2.0f});
    GS_OFF_PRINT(status);
    GS_CLOSE_PS(status);
    const std::vector<std::string> narrow = printed_texts(file);
    EXPECT_TRUE(has(narrow, "2"));
    EXPECT_TRUE(has(narrow, "3"));
}

TEST_F(Graphs, ErrorBarsWidenTheRangeAndAreDrawn)
{
    open("");
    const std::vector<float> x{1, 2, 3}, y{1, 2, 3}, y_errors{0.5f, 0.5f, 5.0f};
    GsCurveStyle style;
    GS_INQ_CURVESTYLE(1, style, status);
    style.error_colour = GS_BLUE;
    style.line_colour = GS_RED;
    GS_SET_CURVESTYLE(1, style, status);
    GS_SET_ERRORBARS(true, status);
    GS_XYEGRAPH(3, 1, 1, 1, 3, x, y, {}, y_errors, "", "", "", status);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    // 3 - 5 .. 3 + 5, widened by 5 % of 10.
    EXPECT_FLOAT_EQ(window()[1], -2.5f);
    EXPECT_FLOAT_EQ(window()[3], 8.5f);
    EXPECT_TRUE(colour_near(page_x(3.0f), page_y(6.0f), 0x0000ffu));
    EXPECT_TRUE(colour_near(page_x(3.0f), page_y(-1.5f), 0x0000ffu));
    EXPECT_FALSE(
        colour_near(page_x(1.0f), page_y(3.0f), 0x0000ffu, 3)); // bar of 1 +- 0.5 ends at 1.5

    // One curve alone draws no error bars, and leaves the switch as it was.
    GS_XYSGRAPH(3, 1, 3, x, y, "", "", "", status);
    EXPECT_FLOAT_EQ(window()[1], 0.9f);
    bool on = false;
    GS_INQ_ERRORBARS(on, status);
    EXPECT_TRUE(on);
}

TEST_F(Graphs, BadArgumentsDrawNothing)
{
    open("");
    {
        const LgPageCoordinates page;
        GS_FILLSTYLE(1, GS_BLUE, status);
        GS_RECTANGLE(0.3f, 0.6f, 0.4f, 0.7f, true, false, status);
    }
    const std::vector<float> a{1, 2, 3, 4, 5, 6};
    const struct
    {
        int max_dat, max_curves, num_curves, first, last;
        std::size_t length, error_length;
        int code;
    } bad[] = {{0, 1, 1, 1, 1, 6, 0, 140001}, {3, 2, 2, 1, 3, 5, 0, 140001},
               {3, 2, 2, 1, 3, 6, 4, 140001}, {3, 2, 0, 1, 3, 6, 0, 140006},
               {3, 2, 3, 1, 3, 6, 0, 140006}, {3, 2, 2, 0, 3, 6, 0, 140005},
               {3, 2, 2, 3, 2, 6, 0, 140005}, {3, 2, 2, 1, 4, 6, 0, 140005}};
    for (const auto& b : bad) {
        status = fresh_status();
        const std::span<const float> data(a.data(), b.length);
        GS_XYEGRAPH(b.max_dat, b.max_curves, b.num_curves, b.first, b.last, data, data, {},
                    std::span<const float>(a.data(), b.error_length), "T", "X", "Y", status);
        EXPECT_EQ(status, b.code) << b.code;
        EXPECT_EQ(page_pixel(0.35f, 0.65f), 0x0000ffu);
    }
    status = fresh_status();
    GS_XYSGRAPH(6, 1, 6, a, a, "T", "X", "Y", status); // two curves of three
    EXPECT_EQ(status, ST_GOOD_VALUE);
}

TEST_F(Graphs, StyleRecordsAreCheckedAndReset)
{
    open("");
    GsCurveStyle curve;
    GS_SET_CURVESTYLE(0, curve, status);
    EXPECT_EQ(status, 140017);
    status = fresh_status();
    GS_SET_CURVESTYLE(GS_MAX_CURVES + 1, curve, status);
    EXPECT_EQ(status, 140017);
    status = fresh_status();
    curve.line_width = 0.0f;
    GS_SET_CURVESTYLE(1, curve, status);
    EXPECT_EQ(status, 140021);
    status = fresh_status();
    curve = GsCurveStyle{};
    curve.marker_type = 6;
    GS_SET_CURVESTYLE(1, curve, status);
    EXPECT_EQ(status, 140017);
    status = fresh_status();
    GS_SET_TITLESTYLE(GsTextLook{1, GS_BLACK, 0.0f}, status);
    EXPECT_EQ(status, 140021);
    status = fresh_status();
    GS_SET_XLABELSTYLE(GsTextLook{3, GS_BLACK, 0.02f}, status);
    EXPECT_EQ(status, 140017);
    status = fresh_status();
    GsAxisStyle axis;
    GS_SET_AXISSTYLE(3, axis, status);
    EXPECT_EQ(status, 140017);
    status = fresh_status();
    axis.automatic_ticks = false;
    axis.step = 0.0f;
    GS_SET_AXISSTYLE(GS_X_AXIS, axis, status);
    EXPECT_EQ(status, 140021);
    status = fresh_status();
    GS_SET_DDR(1.0f, 0.0f, 1.0f, 1.0f, status);
    EXPECT_EQ(status, 140013);
    status = fresh_status();
    GS_SET_DDR(0.0f, 2.0f, 1.0f, 1.0f, status);
    EXPECT_EQ(status, 140014);
    status = fresh_status();

    // Changed, then back to the defaults with the rest of the graphics state.
    curve = GsCurveStyle{};
    curve.line_colour = GS_GREEN;
    GS_SET_CURVESTYLE(1, curve, status);
    GS_SET_ERRORBARS(true, status);
    GS_SET_AXESLOGLIN(true, true, status);
    GS_SET_AUTODDR(false, false, false, false, status);
    GS_SET_GPP(0.2f, 0.2f, 0.3f, 0.3f, status);
    {
        // A borrowed log/linear setting comes back.
        const GsGraphSettingsGuard guard;
        GS_SET_AXESLOGLIN(false, false, status);
        GS_SET_ERRORBARS(false, status);
    }
    bool x_log = false, y_log = false, on = false;
    GS_INQ_AXESLOGLIN(x_log, y_log, status);
    GS_INQ_ERRORBARS(on, status);
    EXPECT_TRUE(x_log && y_log && on);
    GS_DEF_GRAPHICS(status);
    GS_INQ_CURVESTYLE(1, curve, status);
    EXPECT_EQ(curve.line_colour, GS_BLACK);
    GS_INQ_CURVESTYLE(2, curve, status);
    EXPECT_EQ(curve.line_colour, GS_RED); // curves differ by colour
    GS_INQ_AXESLOGLIN(x_log, y_log, status);
    GS_INQ_ERRORBARS(on, status);
    EXPECT_FALSE(x_log || y_log || on);
    bool a[4] = {};
    GS_INQ_AUTODDR(a[0], a[1], a[2], a[3], status);
    EXPECT_TRUE(a[0] && a[1] && a[2] && a[3]);
    float g[4];
    GS_INQ_GPP(g[0], g[1], g[2], g[3], status);
    EXPECT_FLOAT_EQ(g[1], 0.3929f);
    EXPECT_EQ(status, ST_GOOD_VALUE);
}

TEST_F(Graphs, FixedTicksAndGridLines)
{
    open("");
    GsAxisStyle axis;
    axis.automatic_ticks = false;
    axis.first_tick = 0.25f;
    axis.step = 0.5f;
    GS_SET_AXISSTYLE(GS_X_AXIS, axis, status);
    GsGridStyle grid;
    grid.coarse_x = true;
    grid.coarse_type = GS_LINE_SOLID;
    grid.coarse_colour = GS_GREEN;
    GS_SET_GRIDSTYLE(grid, status);
    red_graph(std::vector<float>{0.0f, 2.0f}, std::vector<float>{0.0f, 0.0f});
    ASSERT_EQ(status, ST_GOOD_VALUE);
    for (float at : {0.25f, 0.75f, 1.25f, 1.75f})
        EXPECT_TRUE(colour_near(page_x(at), page_y(0.5f * window()[3]), 0x00ff00u)) << at;
    EXPECT_FALSE(colour_near(page_x(1.0f), page_y(0.5f * window()[3]), 0x00ff00u, 2));
}

TEST_F(Graphs, AxesFrameAPictureAndAColourBar)
{
    open("");
    float g[4];
    GS_INQ_GPP(g[0], g[1], g[2], g[3], status);
    LG_VIEWPORT(g[0], g[1], g[2], g[3], status);
    LG_DATAWINDOW(0.5f, 0.5f, 2048.5f, 1024.5f, status); // element edges of an image
    GS_PERIPHERY("A PROJECTION", "X-PIXEL", "Y-PIXEL", status);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    // The picture's transform is left as it was.
    EXPECT_EQ(window(), std::vector<float>({0.5f, 0.5f, 2048.5f, 1024.5f}));
    float reach = 0.0f;
    GS_INQ_AXISREACH(GS_AXIS_BELOW, reach, status);
    EXPECT_LT(reach, g[1] - 0.01f);
    GS_INQ_AXISREACH(GS_AXIS_LEFT, reach, status);
    EXPECT_LT(reach, g[0] - 0.01f);
    EXPECT_GT(reach, 0.0f);

    // A colour bar: a narrow strip right of the picture, numbered on its right.
    for (bool log : {false, true}) {
        const LgTransformGuard transform;
        const float strip[4] = {g[2] + 0.015f, g[1], g[2] + 0.035f, g[3]};
        LG_VIEWPORT(strip[0], strip[1], strip[2], strip[3], status);
        if (log) {
            LG_DATAWINDOW(0.0f, 0.0f, 1.0f, 4.8f, status);
            GS_ALOGAXIS(GS_AXIS_RIGHT, true, status);
        } else {
            LG_DATAWINDOW(0.0f, 100.0f, 1.0f, 65535.0f, status);
            GS_LINAXIS(GS_AXIS_RIGHT, true, status);
        }
        ASSERT_EQ(status, ST_GOOD_VALUE);
        GS_INQ_AXISREACH(GS_AXIS_RIGHT, reach, status);
        EXPECT_GT(reach, strip[2] + 0.02f) << log;
        EXPECT_LE(reach, 0.7071f) << log;
        // Ticks stay inside the narrow strip: a third of its width at most.
        EXPECT_FALSE(colour_near(strip[2] - 0.5f * (strip[2] - strip[0]),
                                 strip[1] + 0.5f * (strip[3] - strip[1]), 0x000000u, 0));
    }
}

TEST_F(Graphs, LongTitlesAndLabelsStayOnThePage)
{
    open("resize 1000 1414\n");
    const std::string long_text(120, 'W');
    for (int size = 0; size < 2; ++size) {
        red_graph(std::vector<float>{0, 1}, std::vector<float>{0, 1});
        GS_TITLE(long_text, status);
        GS_XLABEL(long_text, status);
        GS_YLABEL(long_text, status);
        ASSERT_EQ(status, ST_GOOD_VALUE);
        int w = 0, h = 0, error = 0;
        LG_X11_INQ_SIZE(w, h, error);
        // No ink in the outermost pixels of the page.
        EXPECT_TRUE(ink_runs(true, 0, 0, 0, h - 1).empty());
        EXPECT_TRUE(ink_runs(true, w - 1, w - 1, 0, h - 1).empty());
        EXPECT_TRUE(ink_runs(false, 0, 0, 0, w - 1).empty());
        // The turned y label lies left of the y numbers.
        float reach = 0.0f;
        GS_INQ_AXISREACH(GS_AXIS_LEFT, reach, status);
        const int max = std::max(w, h);
        const auto columns = ink_runs(true, 0, static_cast<int>(reach * max) - 1, h / 4, h - h / 4);
        ASSERT_FALSE(columns.empty());
        EXPECT_GT(columns.front().first, 0);
        if (size == 1) break;
        ASSERT_NO_FATAL_FAILURE(next_size());
    }
}
