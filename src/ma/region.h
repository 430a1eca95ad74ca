#pragma once
// The checks every routine of the library makes on an array and a region of
// it, with the library's status numbers.

#include <cmath>
#include <limits>
#include <string_view>

#include "io/status.h"

// The library's error numbers (added to ST_MOD_MA).
enum MaError {
    MA_BAD_XDIM = 1,   // first array dimension below 1
    MA_BAD_YDIM = 2,   // second array dimension below 1
    MA_BAD_XRANGE = 5, // x start < 1, x start > x end or x end > x dimension
    MA_BAD_YRANGE = 6, // the same for y
    MA_BAD_XBIN = 17,  // x bin below 1 or wider than the region
    MA_BAD_YBIN = 18,  // y bin below 1 or higher than the region
    MA_BAD_VALUE = 21, // a real argument that has no meaning (zero, NaN, infinity)
    MA_BAD_DATA = 1014 // the region holds no finite element
};

// True when the array of xdim by ydim elements and the region x1..x2,
// y1..y2 (inclusive, from 1) can be read; otherwise the status says why.
inline bool ma_region_valid(int xdim, int ydim, int x1, int y1, int x2, int y2, int& status,
                            std::string_view position)
{
    if (xdim < 1)
        st_fail(status, ST_MOD_MA + MA_BAD_XDIM, position);
    else if (ydim < 1)
        st_fail(status, ST_MOD_MA + MA_BAD_YDIM, position);
    else if (x1 < 1 || x1 > x2 || x2 > xdim)
        st_fail(status, ST_MOD_MA + MA_BAD_XRANGE, position);
    else if (y1 < 1 || y1 > y2 || y2 > ydim)
        st_fail(status, ST_MOD_MA + MA_BAD_YRANGE, position);
    return status == ST_GOOD_VALUE;
}

// A value that can take part in a sum, a minimum or a maximum. A flat-field
// of zeros divides into NaN and infinities; one of them would make every
// range and mean it enters meaningless.
inline bool ma_finite(float value)
{
    return std::fabs(value) <= std::numeric_limits<float>::max();
}

// A region without one finite element is said once, in these words.
inline void ma_no_finite_data(int& status, std::string_view position)
{
    io_say("WARNING: The region holds no finite data values (all NaN or infinite)");
    st_fail(status, ST_MOD_MA + MA_BAD_DATA, position);
}
