#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "io/status.h"
#include "ma/rebin.h"
#include "test_support.h"

using zyt_test::ConsoleCapture;
using zyt_test::fresh_status;

namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float INF = std::numeric_limits<float>::infinity();

// An array of xdim by ydim with element (i, j) = f(i, j).
template <typename F> std::vector<float> array_of(int xdim, int ydim, F f)
{
    std::vector<float> a(static_cast<std::size_t>(xdim) * ydim);
    for (int j = 1; j <= ydim; ++j)
        for (int i = 1; i <= xdim; ++i)
            a[(i - 1) + static_cast<std::size_t>(j - 1) * xdim] = f(i, j);
    return a;
}

struct Range
{
    float minimum = -99.0f;
    float maximum = -99.0f;
    int status = ST_GOOD_VALUE;
};

Range extremes(std::vector<float>& a, int xdim, int ydim, int x1, int y1, int x2, int y2,
               int xbin = 1, int ybin = 1)
{
    Range r;
    r.status = fresh_status();
    const ImageView view{a.data(), xdim, ydim};
    MA_REBINMINMAX(view, x1, y1, x2, y2, xbin, ybin, r.minimum, r.maximum, r.status);
    // The halves agree with the whole.
    float only_min = -99.0f, only_max = -99.0f;
    int s1 = fresh_status(), s2 = fresh_status();
    MA_REBINMIN(view, x1, y1, x2, y2, xbin, ybin, only_min, s1);
    MA_REBINMAX(view, x1, y1, x2, y2, xbin, ybin, only_max, s2);
    EXPECT_EQ(s1, r.status);
    EXPECT_EQ(s2, r.status);
    EXPECT_EQ(only_min, r.minimum);
    EXPECT_EQ(only_max, r.maximum);
    return r;
}

} // namespace

TEST(Rebin, ExtremesOfRampsConstantsAndSingleLines)
{
    auto ramp = array_of(5, 4, [](int i, int j) { return 10.0f * j + i; });
    Range r = extremes(ramp, 5, 4, 1, 1, 5, 4);
    EXPECT_EQ(r.status, ST_GOOD_VALUE);
    EXPECT_EQ(r.minimum, 11.0f);
    EXPECT_EQ(r.maximum, 45.0f);
    r = extremes(ramp, 5, 4, 2, 2, 3, 3);
    EXPECT_EQ(r.minimum, 22.0f);
    EXPECT_EQ(r.maximum, 33.0f);
    r = extremes(ramp, 5, 4, 1, 3, 5, 3); // one row
    EXPECT_EQ(r.minimum, 31.0f);
    EXPECT_EQ(r.maximum, 35.0f);
    r = extremes(ramp, 5, 4, 4, 1, 4, 4); // one column
    EXPECT_EQ(r.minimum, 14.0f);
    EXPECT_EQ(r.maximum, 44.0f);
    r = extremes(ramp, 5, 4, 5, 4, 5, 4); // one element
    EXPECT_EQ(r.minimum, 45.0f);
    EXPECT_EQ(r.maximum, 45.0f);

    auto flat = array_of(7, 3, [](int, int) { return -2.5f; });
    r = extremes(flat, 7, 3, 1, 1, 7, 3);
    EXPECT_EQ(r.minimum, -2.5f);
    EXPECT_EQ(r.maximum, -2.5f);

    auto line = array_of(1000, 1, [](int i, int) { return std::sin(0.01f * i); });
    r = extremes(line, 1000, 1, 1, 1, 1000, 1);
    EXPECT_NEAR(r.minimum, -1.0f, 1e-4f);
    EXPECT_NEAR(r.maximum, 1.0f, 1e-4f);
}

TEST(Rebin, NanAndInfinitiesAreLeftOut)
{
    // A zero flat-field turns elements into NaN and infinities.
    auto a = array_of(6, 3, [](int i, int j) { return 1.0f * i + j; });
    a[0] = NaN;
    a[5] = INF;  // (6, 1)
    a[6] = -INF; // (1, 2)
    a[17] = NaN; // (6, 3), the largest finite value's place
    Range r = extremes(a, 6, 3, 1, 1, 6, 3);
    EXPECT_EQ(r.status, ST_GOOD_VALUE);
    EXPECT_EQ(r.minimum, 3.0f); // (2, 1)
    EXPECT_EQ(r.maximum, 8.0f); // (5, 3)

    // Bins: a bin's value is the mean of its finite elements.
    r = extremes(a, 6, 3, 1, 1, 6, 2, 2, 2);
    EXPECT_EQ(r.status, ST_GOOD_VALUE);
    // Bins (1..2, 1..2): NaN, 3, -inf, 4 -> 3.5; (3..4): 4, 5, 5, 6 -> 5;
    // (5..6): 6, inf, 7, 8 -> 7.
    EXPECT_FLOAT_EQ(r.minimum, 3.5f);
    EXPECT_FLOAT_EQ(r.maximum, 7.0f);

    // Nothing finite at all: a warning and a clear failure, results untouched.
    auto nan = array_of(4, 4, [](int, int) { return NaN; });
    nan[5] = INF;
    ConsoleCapture console;
    r = extremes(nan, 4, 4, 1, 1, 4, 4);
    EXPECT_EQ(r.status, 21014);
    EXPECT_EQ(r.minimum, -99.0f);
    EXPECT_EQ(r.maximum, -99.0f);
    EXPECT_EQ(console.lines().at(0),
              "WARNING: The region holds no finite data values (all NaN or infinite)");
    r = extremes(nan, 4, 4, 1, 1, 4, 4, 2, 2);
    EXPECT_EQ(r.status, 21014);
    // A region of finite values in a NaN array is fine.
    nan[15] = 3.0f;
    r = extremes(nan, 4, 4, 3, 3, 4, 4);
    EXPECT_EQ(r.minimum, 3.0f);
    EXPECT_EQ(r.maximum, 3.0f);
}

TEST(Rebin, WholeBinsOnly)
{
    // 5 x 5: bins of 2 x 2 cover 1..4 in both directions; row 5 and
    // column 5 hold the extremes and are left out.
    auto a = array_of(
        5, 5, [](int i, int j) { return i == 5 || j == 5 ? 1000.0f * (i - j) : 1.0f * i * j; });
    Range r = extremes(a, 5, 5, 1, 1, 5, 5, 2, 2);
    EXPECT_EQ(r.status, ST_GOOD_VALUE);
    EXPECT_FLOAT_EQ(r.minimum, 2.25f);  // (1+2+2+4)/4
    EXPECT_FLOAT_EQ(r.maximum, 12.25f); // (9+12+12+16)/4
    // One bin per row: row j < 5 holds i j (i < 5) and 1000 (5 - j), row 5
    // holds -4000 ... 0.
    r = extremes(a, 5, 5, 1, 1, 5, 5, 5, 1);
    EXPECT_FLOAT_EQ(r.minimum, -2000.0f);
    EXPECT_FLOAT_EQ(r.maximum, 802.0f);
}

TEST(Rebin, ChecksOfArraysRegionsAndBins)
{
    auto a = array_of(4, 3, [](int i, int j) { return 1.0f * i * j; });
    struct Bad
    {
        int xdim, ydim, x1, y1, x2, y2, xbin, ybin, code;
    } bad[] = {{0, 3, 1, 1, 1, 1, 1, 1, 20001}, {4, 0, 1, 1, 1, 1, 1, 1, 20002},
               {4, 3, 0, 1, 2, 1, 1, 1, 20005}, {4, 3, 3, 1, 2, 1, 1, 1, 20005},
               {4, 3, 1, 1, 5, 1, 1, 1, 20005}, {4, 3, 1, 2, 1, 1, 1, 1, 20006},
               {4, 3, 1, 1, 1, 4, 1, 1, 20006}, {4, 3, 1, 1, 4, 3, 0, 1, 20017},
               {4, 3, 1, 1, 4, 3, 5, 1, 20017}, {4, 3, 1, 1, 4, 3, 1, 0, 20018},
               {4, 3, 1, 1, 4, 3, 1, 4, 20018}};
    for (const Bad& b : bad) {
        Range r = extremes(a, b.xdim, b.ydim, b.x1, b.y1, b.x2, b.y2, b.xbin, b.ybin);
        EXPECT_EQ(r.status, b.code) << b.code;
        EXPECT_EQ(r.minimum, -99.0f);
    }
    // No data at all.
    int status = fresh_status();
    float lo = 0, hi = 0;
    MA_REBINMINMAX(ImageView{nullptr, 4, 3}, 1, 1, 4, 3, 1, 1, lo, hi, status);
    EXPECT_EQ(status, 20001);
    // Entered with a bad status: nothing happens.
    status = 20005;
    lo = hi = -1.0f;
    MA_REBINMINMAX(ImageView{a.data(), 4, 3}, 1, 1, 4, 3, 1, 1, lo, hi, status);
    EXPECT_EQ(status, 20005);
    EXPECT_EQ(lo, -1.0f);
}

TEST(Rebin, LargeArraysAgreeWithAPlainSearch)
{
    // Values and non-finite elements at random places, the first and last
    // elements of rows included: the fast search finds what a plain one does.
    const int xdim = 523, ydim = 211;
    std::mt19937 random(7);
    std::uniform_real_distribution<float> value(-1.0e6f, 1.0e6f);
    std::uniform_int_distribution<int> kind(0, 40);
    std::vector<float> a(static_cast<std::size_t>(xdim) * ydim);
    for (float& v : a) {
        const int k = kind(random);
        v = k == 0 ? NaN : k == 1 ? INF : k == 2 ? -INF : value(random);
    }
    for (int j = 0; j < ydim; j += 3)
        a[static_cast<std::size_t>(j) * xdim] = -INF;
    const int x1 = 2, y1 = 5, x2 = 517, y2 = 200;
    float lo = INF, hi = -INF;
    for (int j = y1; j <= y2; ++j)
        for (int i = x1; i <= x2; ++i) {
            const float v = a[(i - 1) + static_cast<std::size_t>(j - 1) * xdim];
            if (std::isfinite(v)) {
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
        }
    Range r = extremes(a, xdim, ydim, x1, y1, x2, y2);
    EXPECT_EQ(r.minimum, lo);
    EXPECT_EQ(r.maximum, hi);
}
