#pragma once
// Extreme values of a region of an image array, taken over bins of
// elements: the display range of an image, also of an image shown re-binned.

#include "io/image_view.h"

// The smallest and largest bin value of the region xstart..xend,
// ystart..yend (inclusive, from 1). The region is divided into whole bins of
// xbin by ybin elements from its first element on (elements beyond the last
// whole bin are left out); a bin's value is the mean of its finite elements,
// so that a range found on bins is in the units of the elements. With bins
// of 1 x 1 the result is the plain minimum and maximum of the region.
// NaN and infinite elements are left out; a bin without a finite element has
// no value. When no bin has one, a warning is written, the results are left
// as they were and the status is ST_MOD_MA + 1014.
// Errors (plus ST_MOD_MA): 1 x dimension < 1 (or no data), 2 y dimension
// < 1, 5 bad x range, 6 bad y range, 17 x bin < 1 or wider than the region,
// 18 y bin < 1 or higher than the region.
void MA_REBINMINMAX(const ImageView& image, int xstart, int ystart, int xend, int yend, int xbin,
                    int ybin, float& minimum, float& maximum, int& status);
// The largest bin value alone, with the same rules.
void MA_REBINMAX(const ImageView& image, int xstart, int ystart, int xend, int yend, int xbin,
                 int ybin, float& maximum, int& status);
// The smallest bin value alone, with the same rules.
void MA_REBINMIN(const ImageView& image, int xstart, int ystart, int xend, int yend, int xbin,
                 int ybin, float& minimum, int& status);
