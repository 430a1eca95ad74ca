#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "io/status.h"
#include "ma/numbers.h"
#include "ma/statistics.h"
#include "test_support.h"

using zyt_test::ConsoleCapture;
using zyt_test::fresh_status;

TEST(Average, RegionsOfAnArrayAndTheirChecks)
{
    // 4 x 3, element (i, j) = 10 j + i.
    std::vector<float> a(12);
    for (int j = 1; j <= 3; ++j)
        for (int i = 1; i <= 4; ++i)
            a[(i - 1) + (j - 1) * 4] = 10.0f * j + i;
    int status = fresh_status();
    float mean = 0.0f;
    MA_AVERAGE(4, 3, a.data(), 1, 1, 4, 3, mean, status);
    EXPECT_FLOAT_EQ(mean, 22.5f);
    MA_AVERAGE(4, 3, a.data(), 2, 3, 3, 3, mean, status); // one line, two elements
    EXPECT_FLOAT_EQ(mean, 32.5f);
    MA_AVERAGE(4, 3, a.data(), 4, 1, 4, 3, mean, status); // one column
    EXPECT_FLOAT_EQ(mean, 24.0f);
    ASSERT_EQ(status, ST_GOOD_VALUE);

    struct Bad
    {
        int xdim, ydim, x1, y1, x2, y2, code;
    } bad[] = {{0, 3, 1, 1, 1, 1, 20001}, {4, 0, 1, 1, 1, 1, 20002}, {4, 3, 0, 1, 2, 1, 20005},
               {4, 3, 3, 1, 2, 1, 20005}, {4, 3, 1, 1, 5, 1, 20005}, {4, 3, 1, 2, 1, 1, 20006},
               {4, 3, 1, 1, 1, 4, 20006}};
    for (const Bad& b : bad) {
        status = fresh_status();
        mean = -1.0f;
        MA_AVERAGE(b.xdim, b.ydim, a.data(), b.x1, b.y1, b.x2, b.y2, mean, status);
        EXPECT_EQ(status, b.code);
        EXPECT_EQ(mean, -1.0f);
    }
}

TEST(Average, LargeCountsKeepTheirDigits)
{
    // 2048 x 2048 counts of 16 777 217 (not exact in a float sum of floats).
    std::vector<float> a(2048 * 2048, 1.0e6f);
    a[0] = 1.0e6f + 2048.0f * 2048.0f;
    int status = fresh_status();
    float mean = 0.0f;
    MA_AVERAGE(2048, 2048, a.data(), 1, 1, 2048, 2048, mean, status);
    EXPECT_FLOAT_EQ(mean, 1.0e6f + 1.0f);
}

namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float INF = std::numeric_limits<float>::infinity();

struct Image
{
    Image(int x, int y, float value)
        : xdim(x), ydim(y), data(static_cast<std::size_t>(x) * y, value)
    {
    }
    float& at(int i, int j) { return data[(i - 1) + static_cast<std::size_t>(j - 1) * xdim]; }
    ImageView view() { return {data.data(), xdim, ydim}; }
    int xdim, ydim;
    std::vector<float> data;
};

} // namespace

TEST(Statistics, KnownValuesWithNonFiniteElementsLeftOut)
{
    Image a(4, 2, 0.0f);
    const float values[] = {1, 2, 3, 4};
    for (int i = 1; i <= 4; ++i)
        a.at(i, 1) = values[i - 1];
    a.at(1, 2) = NaN;
    a.at(2, 2) = INF;
    a.at(3, 2) = -INF;
    a.at(4, 2) = 4.0f;
    int status = fresh_status();
    MaStatistics s;
    MA_STATISTICS(a.view(), 1, 1, 4, 1, s, status);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    EXPECT_EQ(s.count, 4u);
    EXPECT_EQ(s.rejected, 0u);
    EXPECT_FLOAT_EQ(s.mean, 2.5f);
    EXPECT_FLOAT_EQ(s.spread, std::sqrt(1.25f));
    // Mean absolute deviation 1.
    EXPECT_NEAR(s.normaliser, std::sqrt(1.25f) / 1.2533141f, 1e-5f);
    EXPECT_EQ(s.minimum, 1.0f);
    EXPECT_EQ(s.maximum, 4.0f);

    MA_STATISTICS(a.view(), 1, 1, 4, 2, s, status);
    EXPECT_EQ(s.count, 5u);
    EXPECT_EQ(s.rejected, 3u);
    EXPECT_FLOAT_EQ(s.mean, 14.0f / 5.0f);
    EXPECT_EQ(s.maximum, 4.0f);

    Image flat(3, 3, 7.0f);
    MA_STATISTICS(flat.view(), 1, 1, 3, 3, s, status);
    EXPECT_EQ(s.mean, 7.0f);
    EXPECT_EQ(s.spread, 0.0f);
    EXPECT_EQ(s.normaliser, 0.0f);

    ConsoleCapture console;
    MaStatistics kept;
    kept.mean = -5.0f;
    MA_STATISTICS(a.view(), 1, 2, 3, 2, kept, status);
    EXPECT_EQ(status, 21014);
    EXPECT_EQ(kept.mean, -5.0f);
    EXPECT_EQ(console.lines().size(), 1u);
    status = fresh_status();
    MA_STATISTICS(a.view(), 1, 1, 5, 1, kept, status);
    EXPECT_EQ(status, 20005);
}

TEST(DisplayRange, AKnownDistribution)
{
    // 90 % of the sample at 100, 5 % each at 90 and 110: mean 100, spread
    // sqrt(10), mean absolute deviation 1, so the bulk's spread is 1.2533:
    // 100 - 3 x 1.2533 .. 100 + 5 x 1.2533, inside the data range 90 .. 110.
    Image a(100, 80, 100.0f);
    int placed = 0;
    for (int j = 11; j <= 70; ++j)
        for (int i = 21; i <= 80; ++i, ++placed)
            if (placed % 20 == 0)
                a.at(i, j) = 90.0f;
            else if (placed % 20 == 10)
                a.at(i, j) = 110.0f;
    int status = fresh_status();
    float lo = 0, hi = 0;
    MA_DIFZSCALE(a.view(), 1, 1, 100, 80, lo, hi, status);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    EXPECT_NEAR(lo, 100.0f - 3.0f * 1.2533141f, 1e-3f);
    EXPECT_NEAR(hi, 100.0f + 5.0f * 1.2533141f, 1e-3f);

    // NaN and infinities in the sample change nothing.
    a.at(50, 40) = NaN;
    a.at(51, 40) = INF;
    a.at(52, 40) = -INF;
    float lo2 = 0, hi2 = 0;
    MA_DIFZSCALE(a.view(), 1, 1, 100, 80, lo2, hi2, status);
    EXPECT_NEAR(lo2, lo, 0.01f);
    EXPECT_NEAR(hi2, hi, 0.01f);

    // A flat distribution (a ramp) is shown whole: m - 3 s and m + 5 s lie
    // beyond its ends.
    Image ramp(60, 60, 0.0f);
    for (int j = 1; j <= 60; ++j)
        for (int i = 1; i <= 60; ++i)
            ramp.at(i, j) = static_cast<float>(i - 1 + 60 * (j - 1));
    MA_DIFZSCALE(ramp.view(), 1, 1, 60, 60, lo, hi, status);
    EXPECT_EQ(lo, 0.0f);
    EXPECT_EQ(hi, 3599.0f);

    // Equal values: the range is that value.
    Image flat(10, 1, 3.0f);
    MA_DIFZSCALE(flat.view(), 1, 1, 10, 1, lo, hi, status);
    EXPECT_EQ(lo, 3.0f);
    EXPECT_EQ(hi, 3.0f);
    EXPECT_EQ(status, ST_GOOD_VALUE);
}

TEST(DisplayRange, LargeRegionsAreSampledAtNineBoxes)
{
    // 200 everywhere but a 100 x 100 square of 100 at the centre, which
    // holds the central sample box and none of the others.
    Image a(1000, 1000, 200.0f);
    for (int j = 451; j <= 550; ++j)
        for (int i = 451; i <= 550; ++i)
            a.at(i, j) = 100.0f;
    int status = fresh_status();
    float lo = 0, hi = 0;
    // One box: all 100.
    MA_DIFZSCALE(a.view(), 401, 401, 600, 600, lo, hi, status);
    EXPECT_EQ(lo, 100.0f);
    EXPECT_EQ(hi, 100.0f);
    // Nine boxes: 1/9 at 100, 8/9 at 200. Mean 188.89, spread 31.43, mean
    // absolute deviation 19.75: the bulk's spread is 24.75.
    MA_DIFZSCALE(a.view(), 1, 1, 1000, 1000, lo, hi, status);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    EXPECT_NEAR(lo, 188.889f - 3.0f * 24.755f, 0.05f);
    EXPECT_EQ(hi, 200.0f);

    // No finite element in the samples: a warning and a clear failure.
    for (float& v : a.data)
        v = NaN;
    ConsoleCapture console;
    lo = hi = -1.0f;
    MA_DIFZSCALE(a.view(), 1, 1, 1000, 1000, lo, hi, status);
    EXPECT_EQ(status, 21014);
    EXPECT_EQ(lo, -1.0f);
    EXPECT_EQ(console.lines().at(0),
              "WARNING: The region holds no finite data values (all NaN or infinite)");
    status = fresh_status();
    MA_DIFZSCALE(a.view(), 1, 1, 1000, 1001, lo, hi, status);
    EXPECT_EQ(status, 20006);
}

TEST(Multiplier, PowersOfTenNotAbove)
{
    int status = fresh_status();
    const struct
    {
        double value, power;
    } cases[] = {{0.73, 0.1},
                 {7.3, 1.0},
                 {1.0, 1.0},
                 {10.0, 10.0},
                 {9.999, 1.0},
                 {0.001, 0.001},
                 {0.00099, 0.0001},
                 {-250.0, 100.0},
                 {1.0e30, 1.0e30},
                 {1.0e-30, 1.0e-30},
                 {static_cast<double>(0.001f), 0.001},
                 {1000.0, 1000.0}};
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(MA_DMULTIPLIER(c.value, status), c.power) << c.value;
    EXPECT_EQ(status, ST_GOOD_VALUE);
    for (double bad : {0.0, std::nan(""), 1.0 / 0.0}) {
        status = fresh_status();
        EXPECT_EQ(MA_DMULTIPLIER(bad, status), 1.0);
        EXPECT_EQ(status, 20021);
    }
}
