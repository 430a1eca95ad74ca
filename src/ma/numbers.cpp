// Numbers for scales and axes.

#include "ma/numbers.h"

#include <cmath>

#include "io/status.h"
#include "ma/region.h"

double MA_DMULTIPLIER(double value, int& status)
{
    constexpr std::string_view position = "Function MA_DMULTIPLIER V0.1";
    if (!st_enter(status, position)) return 1.0;
    const double a = std::fabs(value);
    if (!(a > 0.0) || !std::isfinite(a)) {
        st_fail(status, ST_MOD_MA + MA_BAD_VALUE, position);
        return 1.0;
    }
    double p = std::pow(10.0, std::floor(std::log10(a)));
    // log10 of an exact power of ten may land a hair below or above it.
    if (p > a)
        p /= 10.0;
    else if (p * 10.0 <= a)
        p *= 10.0;
    return p;
}
