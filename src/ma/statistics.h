#pragma once
// Statistics of regions of image arrays: the mean and, for the image
// display, the statistics of a region and a display range taken from them.

#include <cstddef>

#include "io/image_view.h"

// The mean of the elements x1..x2, y1..y2 (inclusive, from 1) of an array
// declared xdim by ydim, summed in extended precision.
// Errors (plus ST_MOD_MA): 1 xdim < 1, 2 ydim < 1, 5 bad x range, 6 bad y range.
void MA_AVERAGE(int xdim, int ydim, const float* array, int x1, int y1, int x2, int y2,
                float& average, int& status);

// What MA_STATISTICS finds in a region. Only finite elements take part.
struct MaStatistics
{
    std::size_t count = 0;    // finite elements
    std::size_t rejected = 0; // NaN and infinite elements, left out
    float mean = 0.0f;
    float spread = 0.0f; // standard deviation about the mean
    // The spread over 1.2533 times the mean absolute deviation: about 1 for
    // normally distributed values, above 1 when a few far values widen the
    // spread (spread / normaliser is then the spread of the bulk), below 1
    // for flat distributions; 0 when all values are equal.
    float normaliser = 0.0f;
    float minimum = 0.0f;
    float maximum = 0.0f;
};

// The statistics of the elements xstart..xend, ystart..yend. When no element
// is finite a warning is written, the results are left as they were and the
// status is ST_MOD_MA + 1014.
// Errors (plus ST_MOD_MA): 1 x dimension < 1 (or no data), 2 y dimension
// < 1, 5 bad x range, 6 bad y range.
void MA_STATISTICS(const ImageView& image, int xstart, int ystart, int xend, int yend,
                   MaStatistics& results, int& status);

// A display range from the statistics of samples of the region: a box of
// 60 x 60 elements at its centre (clipped to the region) and, when the
// region is wider and higher than 240 elements, the boxes 120 elements
// beside, above and below it as well (nine in all, taken together). With
// mean m, spread s and normaliser k (taken as 1 when below 1):
// minimum = max(m - 3 s/k, sample minimum), maximum = min(m + 5 s/k, sample
// maximum). A sample of equal values gives minimum = maximum = that value.
// Errors as MA_STATISTICS.
void MA_DIFZSCALE(const ImageView& image, int xstart, int ystart, int xend, int yend,
                  float& minimum, float& maximum, int& status);
