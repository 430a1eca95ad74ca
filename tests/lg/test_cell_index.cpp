// The colour level of a value on a logarithmic scale: found from the value's
// bits with a step or two, it must be the level the plain bisection of the
// level bounds gives, for every value. On a linear scale, rounded without a
// call per value, it must be the level std::lround gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <random>

#include "lg/cell_index.h"

namespace {

// The reference: bisection over the bounds of levels first..last.
unsigned bisection(float v, float minimum, float maximum, int first, int last)
{
    const int levels = last - first + 1;
    if (v >= maximum) return static_cast<unsigned>(last);
    if (!(v > minimum)) return static_cast<unsigned>(first);
    const double lmin = std::log10(static_cast<double>(minimum));
    const double step = (std::log10(static_cast<double>(maximum)) - lmin) / (levels - 1);
    int lo = 0;
    int hi = levels - 1;
    while (hi - lo >= 2) {
        const int mid = (lo + hi) / 2;
        if (v >= std::pow(10.0, lmin + mid * step)) lo = mid;
        else hi = mid;
    }
    return static_cast<unsigned>(lo + first);
}

} // namespace

TEST(CellIndex, LogLevelsAreThoseOfTheBisection)
{
    std::mt19937 random(7);
    struct Range
    {
        float minimum, maximum;
    } ranges[] = {{1.0e-11f, 1.0f}, {0.001f, 500.0f}, {1.0f, 2.0f}, {100.0f, 100.5f},
                  {1.0e-5f, 1.0e30f}};
    for (const Range& r : ranges) {
        const LgCellIndex index(true, r.minimum, r.maximum, 9, 255);
        ASSERT_TRUE(index.usable());
        std::uniform_real_distribution<double> exponent(std::log10(r.minimum) - 1.0,
                                                        std::log10(r.maximum) + 1.0);
        for (int n = 0; n < 200000; ++n) {
            const float v = static_cast<float>(std::pow(10.0, exponent(random)));
            ASSERT_EQ(index(v), bisection(v, r.minimum, r.maximum, 9, 255))
                << v << " in " << r.minimum << " .. " << r.maximum;
        }
        for (float v : {0.0f, -1.0f, NAN, INFINITY, r.minimum, r.maximum})
            EXPECT_EQ(index(v), bisection(v, r.minimum, r.maximum, 9, 255)) << v;
    }
}

// The linear scale: the level of every value is the one std::lround gives
// for (v - minimum) * levels / (maximum - minimum), halves away from zero,
// kept within the colours.
TEST(CellIndex, LinearLevelsRoundHalvesAwayFromZero)
{
    const auto rounded = [](float v, float minimum, float maximum, int first, int last) {
        double range = static_cast<double>(maximum) - minimum;
        if (std::fabs(range) < 1.0e-36) range = 1.0;
        const double scale = (last - first + 1) / range;
        const double level = std::isnan(v) ? 0.0 : (v - minimum) * scale;
        const long index = std::lround(std::clamp(level, -1.0e9, 1.0e9)) + first;
        return static_cast<unsigned>(
            std::clamp(index, static_cast<long>(first), static_cast<long>(last)));
    };
    struct Range
    {
        float minimum, maximum;
    } ranges[] = {
        {1.0f, 1001.0f},     {-3.5f, 7.25f}, {5.0f, 5.0f}, {1.0f, 1.000001f},
        {0.0f, 247.0f},      // one level a unit: every k + 0.5 is an exact half
        {247.0f, 0.0f},      // the scale reversed
        {-0.5f, 493.5f},     // two units a level: halves again exact
        {-3.0e38f, 3.0e38f}, // differences beyond the floats
        {NAN, 1.0f},         // a range that is none
    };
    std::mt19937 random(11);
    for (const Range& r : ranges) {
        const LgCellIndex index(false, r.minimum, r.maximum, 9, 255);
        const auto check = [&](float v) {
            ASSERT_EQ(index(v), rounded(v, r.minimum, r.maximum, 9, 255))
                << v << " in " << r.minimum << " .. " << r.maximum;
        };
        for (int k = -300; k <= 300; ++k) {
            check(0.5f * k);
            check(0.125f * k);
            check(std::nextafter(0.5f * k, 1.0e9f));
            check(std::nextafter(0.5f * k, -1.0e9f));
        }
        std::uniform_real_distribution<float> near(-600.0f, 1600.0f);
        std::uniform_int_distribution<std::uint32_t> bits;
        for (int n = 0; n < 100000; ++n) {
            check(near(random));
            check(std::bit_cast<float>(bits(random))); // any float, NaN too
        }
        for (float v : {NAN, -NAN, INFINITY, -INFINITY, FLT_MAX, -FLT_MAX, FLT_MIN, -0.0f, 0.0f})
            check(v);
    }
}
