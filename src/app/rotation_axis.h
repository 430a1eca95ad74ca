#pragma once
// The calculations of the rotation-axis determination: projections taken
// 180 degrees apart are mirror images about the axis, so each image line of
// the first projection is cross-correlated with the mirrored line of the
// 180-degree projection, and the correlation peak gives the axis position.
// The questions (the 180-degree file, the line range, the final answer) are
// asked by ZYT_ROTATION_AXIS, which calls these.
//
// Positions are pixel coordinates along a line: 0.0 at the outer edge of
// the first pixel, s at the outer edge of the last (s pixels a line).

#include <vector>

#include "io/image_view.h"

// The vertex of the parabola through (p-1, before), (p, at), (p+1, after);
// p itself when the three values are nearly on a line.
void ZYT_FIT_PARABOLA(int position, float before, float at, float after, float& refined,
                      int& status);

// The elements between two coordinates along a line (element i spans i-1
// to i): from the element the lower one lies in to the element nearest the
// higher one, and never fewer than one (two points inside one element, both
// below its centre, give that element).
struct ZytElementRange
{
    int first, last;
};
ZytElementRange zyt_element_range(float a, float b);

// The range of image lines between two points picked on an image: image
// rows for a vertical axis (y values), image columns for a horizontal one
// (x values), by the rule of zyt_element_range.
void ZYT_AXIS_LINE_RANGE(bool rotation_vertical, float x1, float y1, float x2, float y2,
                         int& first_line, int& last_line);

// Background and flat-field correction of the first and the 180-degree
// image in place, over pixels 1..xnumdat by 1..ynumdat, when either flag is
// set:  (image - background) / (flat - background),  image / flat,  or
// image - background. The 180-degree image is corrected with the last
// flat-field when the flat-field changes, else with the first. A pixel that
// cannot be corrected in either image (denominator zero, or a value that
// is not finite) is set to 0.0 in both, so that the correlation sees finite
// values only; so is a non-finite pixel when no correction is asked for.
// zeroed is the number of such pixels, and a console warning says it.
// Arrays not asked for (background, flat-fields) are not read.
void ZYT_CORRECT_AXIS_IMAGES(bool subtract_background, const ImageView& background,
                             bool correct_flatfield, bool flatfield_changing,
                             const ImageView& flatfield_first, const ImageView& flatfield_last,
                             int xnumdat, int ynumdat, const ImageView& first,
                             const ImageView& image180, int& zeroed, int& status);

// What the correlation of a range of lines found.
struct ZytAxisLines
{
    std::vector<float> lines;     // the numbers of the lines correlated
    std::vector<float> positions; // the axis position found on each
    int line_length = 0;          // s: pixels a line
    float mean = 0.0f;
    float deviation = 0.0f; // 0 for a single line
    float median = 0.0f;
    float tilt = 0.0f;         // change of position in pixels per 1000 lines
    float tilt_degrees = 0.0f; // the same as an angle
    float axis = 0.0f;         // the value to offer: the mean, or s / 2 without lines
};

// Correlates the lines first_line..last_line (rows for a vertical axis,
// columns for a horizontal one; a range partly outside the image is cut to
// it) of the corrected images and writes the average, standard deviation,
// median and tilt to the console. Without a line in the range, the offered
// axis is the centre, with a warning. The correlation is searched within
// half a line either way, so the axis is found within the middle half of
// the line (s/4 to 3s/4); lines are at most 16384 pixels (status 20009).
void ZYT_CAL_ROTATION_AXIS(bool rotation_vertical, int xnumdat, int ynumdat, const ImageView& first,
                           const ImageView& image180, int first_line, int last_line,
                           ZytAxisLines& result, int& status);
