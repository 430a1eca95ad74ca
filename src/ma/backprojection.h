#pragma once
// Filtered back-projection of parallel-beam data: the slice through an
// object from the projections of one detector line (its sinogram), and a
// measure of how sharp such a slice is. A slice made with the rotation axis
// in the wrong place shows every edge twice and arcs about each detail; the
// sharpness falls as the axis moves away from the true one.
//
// A sinogram is an image array: X the pixels of the line (1..length), Y the
// projections (1..projections). Positions along the line are pixel
// coordinates, 0.0 at the outer edge of pixel 1, so pixel k is centred on
// k - 0.5. A point of the slice at (x, y) from the axis (in detector
// pixels) is seen at angle theta at  axis + x cos(theta) + y sin(theta).

#include <span>

#include "io/image_view.h"

// The longest line the ramp filter takes (its transform is twice as long).
constexpr int MA_LONGEST_LINE = 16384;

// Filters each projection (pixels 1..length of rows 1..projections) in place
// with the ramp filter of the band-limited back-projection (the discrete
// impulse response 1/4 at 0, -1/(pi k)^2 at odd k, 0 at even k), convolved
// through the real FFT with the row zero-padded to the smallest power of two
// of at least 2 length, so that no row wraps round onto itself.
// Errors (plus ST_MOD_MA): 1 a size below 1, 5 length or projections beyond
// the array, 9 length beyond MA_LONGEST_LINE.
void MA_RAMP_FILTER(int length, int projections, const ImageView& sinogram, int& status);

// Back-projects filtered projections taken at the given angles (radians, one
// a projection) onto a slice of size by size pixels, each `pixel` detector
// pixels wide, centred on the rotation axis (a pixel coordinate along the
// line). Slice pixel (i, j) lies at x = (i - 0.5 - size/2) pixel,
// y = (j - 0.5 - size/2) pixel from the axis; the detector is sampled there
// by linear interpolation, with zero beyond its ends. The sum is weighted by
// pi / projections, so that the slice holds the attenuation per detector
// pixel when the projections cover 180 (or 360) degrees evenly.
// Errors (plus ST_MOD_MA): 1 a size below 1 or a pixel not above 0, 5 an
// array smaller than its part, 13 angles not one a projection, 17 an axis
// or angle that is not finite.
void MA_BACKPROJECT(int length, int projections, const ImageView& filtered,
                    std::span<const float> angles, float axis, float pixel, int size,
                    const ImageView& slice, int& status);

// The focus measure of a slice: the entropy, in bits, of the histogram of
// its values within `radius` slice pixels of its centre, in HISTOGRAM_BINS
// bins from minimum to maximum (values beyond fall into the end bins). A
// slice in focus is made of even regions with sharp edges, and its values
// crowd into few bins; every error of the axis spreads them with doubled
// edges and arcs. Slices compared with each other need the same radius and
// range. Errors (plus ST_MOD_MA): 1 size below 1, 5 an array smaller than
// size, 13 maximum not above minimum, 17 a radius below 1 or not finite.
constexpr int MA_HISTOGRAM_BINS = 256;
void MA_SLICE_ENTROPY(const ImageView& slice, int size, float radius, float minimum,
                      float maximum, double& entropy, int& status);

// A histogram range for MA_SLICE_ENTROPY: the values within `radius` of the
// slice's centre without the fraction (0 to 0.5) lowest and highest of them,
// so that a few extreme pixels do not squeeze the rest into a few bins.
// Same errors, and 17 a fraction outside 0 to 0.5.
void MA_SLICE_RANGE(const ImageView& slice, int size, float radius, float fraction,
                    float& minimum, float& maximum, int& status);
