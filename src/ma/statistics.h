#pragma once
// Statistics of regions of image arrays: the mean and, for the image
// display, extreme values and a display range taken from the data.

// The mean of the elements x1..x2, y1..y2 (inclusive, from 1) of an array
// declared xdim by ydim, summed in extended precision.
// Errors (plus ST_MOD_MA): 1 xdim < 1, 2 ydim < 1, 5 bad x range, 6 bad y range.
void MA_AVERAGE(int xdim, int ydim, const float* array, int x1, int y1, int x2, int y2,
                float& average, int& status);
