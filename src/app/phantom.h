#pragma once
// A synthetic object and what a parallel-beam detector records of it: a
// few ellipses per image line, whose line integrals are exact, changing
// slowly from line to line, rotating about an axis that may be off the
// centre and tilted. The images come in the program's layout (X fastest,
// image row 1 at the bottom of the picture) as detector counts.
//
// A line is an image row for a vertical rotation axis and an image column
// for a horizontal one; positions along a line are pixel coordinates, 0 at
// the outer edge of pixel 1 (the left edge, or the bottom edge).

#include <cstdint>
#include <string>
#include <vector>

struct PhantomSettings
{
    int width = 256;           // pixels along X
    int height = 256;          // pixels along Y
    int projections = 180;     // N: angles 180 i / N degrees, i = 0 .. N-1
    double axis = -1.0;        // axis position on the middle line; negative: the centre
    double tilt_degrees = 0.0; // the axis turned in the detector plane
    double noise = 1.0;        // counting noise in units of Poisson's; 0: none
    std::uint64_t seed = 1;
    bool vertical = true;         // a vertical rotation axis
    int subsamples = 8;           // samples a pixel along a line
    double open_counts = 20000.0; // open beam above the dark level, flat-field middle
    double dark_counts = 100.0;
};

class Phantom
{
  public:
    // Throws nothing; check valid() and reason() before use.
    explicit Phantom(const PhantomSettings& settings);

    bool valid() const { return reason_.empty(); }
    const std::string& reason() const { return reason_; }
    const PhantomSettings& settings() const { return settings_; }

    int line_length() const; // s
    int line_count() const;
    // The axis position on a line (from 1): the middle line has the set
    // position, the others follow the tilt.
    double axis(int line) const;
    // The fraction of the beam that passes each pixel of a line at an angle
    // (degrees): exp(-line integral) averaged over the pixel's samples.
    void line_transmission(int line, double angle_degrees, std::vector<double>& out) const;

    // Detector counts, rounded and kept within 0..65535 (16-bit pixels);
    // each image's noise has its own stream, so any image can be made alone.
    std::vector<std::uint16_t> dark_image() const;
    std::vector<std::uint16_t> flat_image() const;
    // Projection number i from 1: angle 180 (i - 1) / N degrees; N + 1 is at 180.
    std::vector<std::uint16_t> projection_image(int number) const;
    double projection_angle(int number) const;
    // The sinogram of one line: line_length() pixels across, one row per
    // projection (N rows, angles 180 (i - 1) / N degrees), projection 1 at the
    // top of the picture. The counts are those of an even open beam of
    // open_counts with the dark current taken off, as after the corrections.
    std::vector<std::uint16_t> sinogram_image(int line) const;

    // The object in the slice of a line: ellipses whose densities (per
    // pixel) add where they overlap; a slice reconstructed with the axis at
    // axis(line) shows them about its centre, x along the line, y turned
    // 90 degrees towards the projections that follow.
    struct Ellipse
    {
        double x, y;  // centre relative to the axis, pixels
        double a, b;  // semi-axes, pixels
        double angle; // of axis a from x towards y, radians
        double density;
    };
    std::vector<Ellipse> slice(int line) const;

  private:
    double expected_dark(int i, int j) const;
    double expected_beam(int i, int j) const;
    std::vector<std::uint16_t> counts(std::uint64_t stream,
                                      const std::vector<double>& expected) const;

    PhantomSettings settings_;
    std::string reason_;
    double radius_ = 0.0; // of the circle the object stays within, pixels
};
