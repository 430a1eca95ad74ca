#pragma once
// Test slices: the sinogram of one image line gathered from every projection
// of a series (corrected and turned into line integrals as the reconstruction
// will), and the slice reconstructed from it at a few axis positions, each
// with its sharpness, so that the user sees what an axis position gives
// before the long reconstruction starts. No questions are asked here.

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "io/image_view.h"

// What the run knows of its series and its corrections.
struct ZytSliceSeries
{
    // The files: prefix, number and postfix (with the extension), from the
    // first number to the last by the interval (its sign the direction).
    std::string prefix;
    int first = 0;
    int last = 0;
    int interval = 1;
    bool variable_length = false;
    int digits = 0;
    std::string postfix;
    std::string format; // the image format to read them in; empty: from the names
    // The image size, and the line: an image row for a vertical axis, a column
    // for a horizontal one, counted from 1.
    int num_image_1 = 0;
    int num_image_2 = 0;
    bool rotation_vertical = true;
    int line = 1;
    // Corrections, as for the reconstruction; the arrays are read only when
    // their flags are set. A changing flat-field is interpolated between the
    // first and the last by projection number.
    bool subtract_background = false;
    ImageView background;
    bool correct_flatfield = false;
    bool flatfield_changing = false;
    ImageView flatfield_first;
    ImageView flatfield_last;
    bool take_logarithm = true;
    // Angles: projection k of the series (from 0) is at
    // angle_offset + k * angle_step * sign(interval).
    float angle_step = 0.0f;   // radians between the projections used
    float angle_offset = 0.0f; // degrees
};

// The sinogram of one line: `length` pixels by `projections` rows (the
// first projection in row 1), and the angle of each projection in radians.
struct ZytSinogram
{
    std::vector<float> values;
    int length = 0;
    int projections = 0;
    std::vector<float> angles;

    ImageView view() { return ImageView{values.data(), length, projections}; }
};

// The numbers of the projections of the series, first to last by the interval.
std::vector<int> zyt_series_numbers(const ZytSliceSeries& series);

// Reads the line from every projection of the series (only the rows that
// hold it where the format allows), corrected for background and flat-field
// and, with take_logarithm, as line integrals. progress(done, total) is
// called as the files are read. retstat 0: read; 1: a projection could not be
// read (its name and the reason are on the console); 2: nothing to read (no
// projection, or a line outside the image).
void ZYT_READ_SINOGRAM(const ZytSliceSeries& series,
                       const std::function<void(int done, int total)>& progress,
                       ZytSinogram& sinogram, int& retstat, int& status);

// Line integrals from transmitted intensities in place: -ln(value / open),
// with `open` the open-beam level (1 for flat-field corrected values).
// Values that are not above zero, or not finite, give no integral (0): a
// dead pixel or an undefined correction must not become a streak.
void ZYT_LINE_INTEGRALS(float open, std::span<float> values);
// The open-beam level of raw intensities: the mean of their brightest 1 %.
float zyt_open_beam(std::span<const float> values);

// Slices at count axis positions centre + (k - (count-1)/2) step.
struct ZytTestSlices
{
    int size = 0;                   // the slices are size x size detector pixels
    std::vector<float> axes;        // the axis position of each slice
    std::vector<double> sharpness;  // its focus measure: the higher, the sharper
    int best = 0;                   // the index of the sharpest
    float low = 0.0f, high = 1.0f;  // the histogram range: the middle slice's values
    std::vector<std::vector<float>> slices; // each size x size, row 1 first
};

// Filters a copy of the sinogram once and reconstructs one slice a
// position, size x size detector pixels about the axis (the middle of the
// slice when size is below the line length). The sharpness is 8 minus the
// entropy in bits of the slice's histogram within the circle that every
// projection sees for every position (and within the slice), over the range
// of the middle slice. INFO lines give each position and its sharpness.
void ZYT_TEST_SLICES(const ZytSinogram& sinogram, float centre, float step, int count, int size,
                     ZytTestSlices& result, int& status);
