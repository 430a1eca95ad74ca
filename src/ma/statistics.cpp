// Statistics of regions of image arrays.

#include "ma/statistics.h"

#include <cstddef>

#include "io/status.h"

void MA_AVERAGE(int xdim, int ydim, const float* array, int x1, int y1, int x2, int y2,
                float& average, int& status)
{
    constexpr std::string_view position = "Subroutine MA_AVERAGE V0.1";
    if (!st_enter(status, position)) return;
    if (xdim < 1) return st_fail(status, ST_MOD_MA + 1, position);
    if (ydim < 1) return st_fail(status, ST_MOD_MA + 2, position);
    if (x2 < x1 || x1 < 1 || x2 > xdim) return st_fail(status, ST_MOD_MA + 5, position);
    if (y2 < y1 || y1 < 1 || y2 > ydim) return st_fail(status, ST_MOD_MA + 6, position);
    // Long double: a 2048 x 2048 sum of detector counts loses no digit.
    long double sum = 0.0L;
    for (int y = y1; y <= y2; ++y) {
        const float* row = array + static_cast<std::size_t>(y - 1) * static_cast<std::size_t>(xdim);
        for (int x = x1; x <= x2; ++x) sum += row[x - 1];
    }
    const long double count = static_cast<long double>(x2 - x1 + 1) * (y2 - y1 + 1);
    average = static_cast<float>(sum / count);
}
