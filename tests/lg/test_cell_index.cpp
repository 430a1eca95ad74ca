// The colour level of a value on a logarithmic scale: found from the value's
// bits with a step or two, it must be the level the plain bisection of the
// level bounds gives, for every value.
#include <gtest/gtest.h>

#include <cmath>
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
