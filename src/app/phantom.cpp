// A synthetic object and what a parallel-beam detector records of it.

#include "app/phantom.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace {

constexpr double DEGREE = std::numbers::pi / 180.0;
constexpr double MAX_COUNT = 65535.0;
// The object stays within this fraction of the distance from the axis to
// the nearer edge, so that it is seen whole at every angle.
constexpr double FIELD_FILL = 0.8;
constexpr double SMALLEST_RADIUS = 4.0; // pixels
// Noise streams of the two images that are not projections.
constexpr std::uint64_t DARK_STREAM = 0xDA4CULL << 32;
constexpr std::uint64_t FLAT_STREAM = 0xF1A7ULL << 32;
// Sinograms draw from streams of their own, one per line.
constexpr std::uint64_t SINOGRAM_STREAMS = 0x5140ULL << 32;

std::uint64_t mix(std::uint64_t z)
{
    z += 0x9E3779B97F4A7C15ULL;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

} // namespace

Phantom::Phantom(const PhantomSettings& settings) : settings_(settings)
{
    if (settings_.width < 1 || settings_.height < 1) {
        reason_ = "the image needs at least one pixel each way";
        return;
    }
    if (settings_.projections < 1) {
        reason_ = "at least one projection is needed";
        return;
    }
    if (settings_.subsamples < 1) {
        reason_ = "a pixel needs at least one sample";
        return;
    }
    if (!(settings_.noise >= 0.0) || !std::isfinite(settings_.noise)) {
        reason_ = "the noise must be 0 or more";
        return;
    }
    if (!std::isfinite(settings_.tilt_degrees) || std::fabs(settings_.tilt_degrees) >= 45.0) {
        reason_ = "the tilt must be less than 45 degrees either way";
        return;
    }
    if (!std::isfinite(settings_.axis)) {
        reason_ = "the axis position is not a number";
        return;
    }
    if (settings_.axis < 0.0) settings_.axis = 0.5 * line_length();
    // The nearest approach of the axis to an edge over all lines.
    double nearest = 1e300;
    for (int line : {1, line_count()}) {
        const double a = axis(line);
        nearest = std::min({nearest, a, line_length() - a});
    }
    radius_ = FIELD_FILL * nearest;
    if (radius_ < SMALLEST_RADIUS)
        reason_ = "the axis is too close to an edge of the image for an object to fit";
}

int Phantom::line_length() const
{
    return settings_.vertical ? settings_.width : settings_.height;
}

int Phantom::line_count() const
{
    return settings_.vertical ? settings_.height : settings_.width;
}

double Phantom::axis(int line) const
{
    const double middle = 0.5 * (line_count() + 1);
    return settings_.axis + std::tan(settings_.tilt_degrees * DEGREE) * (line - middle);
}

// The object of one line: a body with a hole and two inclusions, none of
// them symmetric about the axis, all within the radius. Sizes, places and
// densities drift slowly with the line so that neighbouring lines differ.
std::vector<Phantom::Ellipse> Phantom::slice(int line) const
{
    const double v = (line - 0.5) / line_count();
    const double r = radius_;
    const double wave = std::sin(2.0 * std::numbers::pi * v);
    const double slow = std::cos(1.3 * std::numbers::pi * v);
    // Densities per pixel: the body's chord of about 1.7 r absorbs about 0.8.
    const double body = 0.8 / (1.7 * r);
    return {
        {0.05 * r * wave, -0.03 * r, 0.85 * r, (0.62 + 0.1 * slow) * r, (20.0 + 25.0 * v) * DEGREE,
         body},
        {-0.30 * r, (0.20 + 0.08 * wave) * r, 0.14 * r, 0.24 * r, (60.0 - 30.0 * v) * DEGREE,
         -0.6 * body},
        {0.40 * r * std::cos(2.0 + 1.5 * v), 0.30 * r * std::sin(2.0 + 1.5 * v), 0.20 * r, 0.11 * r,
         (-35.0 + 40.0 * slow) * DEGREE, 1.5 * body},
        {(0.10 + 0.20 * v) * r, -0.45 * r, 0.06 * r, 0.09 * r, 10.0 * DEGREE, 4.0 * body},
    };
}

void Phantom::line_transmission(int line, double angle_degrees, std::vector<double>& out) const
{
    const int s = line_length();
    const int samples = settings_.subsamples;
    out.assign(static_cast<std::size_t>(s), 0.0);
    const double theta = angle_degrees * DEGREE;
    const double c = std::cos(theta), sn = std::sin(theta);
    struct Projected
    {
        double centre;     // of the ellipse's shadow, relative to the axis
        double half_width; // of the shadow
        double scale;      // 2 density a b / half_width^2
    };
    std::vector<Projected> shadows;
    for (const Ellipse& e : slice(line)) {
        const double ca = std::cos(theta - e.angle), sa = std::sin(theta - e.angle);
        const double w2 = e.a * e.a * ca * ca + e.b * e.b * sa * sa;
        shadows.push_back({e.x * c + e.y * sn, std::sqrt(w2), 2.0 * e.density * e.a * e.b / w2});
    }
    const double centre = axis(line);
    for (int k = 1; k <= s; ++k) {
        double sum = 0.0;
        for (int m = 0; m < samples; ++m) {
            const double u = (k - 1) + (m + 0.5) / samples - centre;
            double integral = 0.0;
            for (const Projected& p : shadows) {
                const double t = u - p.centre;
                const double inside = p.half_width * p.half_width - t * t;
                if (inside > 0.0) integral += p.scale * std::sqrt(inside);
            }
            sum += std::exp(-integral);
        }
        out[static_cast<std::size_t>(k - 1)] = sum / samples;
    }
}

// A dark level with a faint fixed pattern along X, as detector columns have.
double Phantom::expected_dark(int i, int j) const
{
    return settings_.dark_counts * (1.0 + 0.05 * std::sin(0.7 * i) + 0.02 * std::cos(0.3 * j));
}

// The open beam: a gradient across both directions and a gentle ripple.
double Phantom::expected_beam(int i, int j) const
{
    const double x = (i - 0.5) / settings_.width - 0.5;
    const double y = (j - 0.5) / settings_.height - 0.5;
    return settings_.open_counts * (1.0 + 0.3 * x - 0.15 * y) *
           (1.0 + 0.03 * std::sin(9.0 * x + 4.0 * y));
}

std::vector<std::uint16_t> Phantom::counts(std::uint64_t stream,
                                           const std::vector<double>& expected) const
{
    std::mt19937_64 generator(mix(settings_.seed ^ mix(stream)));
    std::normal_distribution<double> normal(0.0, 1.0);
    std::vector<std::uint16_t> image(expected.size());
    for (std::size_t p = 0; p < expected.size(); ++p) {
        // Counting noise: a spread of the square root of the count.
        double value = expected[p];
        if (settings_.noise > 0.0) value += settings_.noise * std::sqrt(value) * normal(generator);
        image[p] = static_cast<std::uint16_t>(std::clamp(std::nearbyint(value), 0.0, MAX_COUNT));
    }
    return image;
}

namespace {

// The expected counts of every pixel (i, j), in the program's layout.
template <class Counts> std::vector<double> expected_image(int width, int height, Counts counts)
{
    std::vector<double> expected(static_cast<std::size_t>(width) * height);
    for (int j = 1; j <= height; ++j)
        for (int i = 1; i <= width; ++i)
            expected[static_cast<std::size_t>(i - 1) + static_cast<std::size_t>(j - 1) * width] =
                counts(i, j);
    return expected;
}

} // namespace

std::vector<std::uint16_t> Phantom::dark_image() const
{
    return counts(DARK_STREAM,
                  expected_image(settings_.width, settings_.height,
                                 [this](int i, int j) { return expected_dark(i, j); }));
}

std::vector<std::uint16_t> Phantom::flat_image() const
{
    return counts(FLAT_STREAM,
                  expected_image(settings_.width, settings_.height, [this](int i, int j) {
                      return expected_dark(i, j) + expected_beam(i, j);
                  }));
}

double Phantom::projection_angle(int number) const
{
    return 180.0 * (number - 1) / settings_.projections;
}

std::vector<std::uint16_t> Phantom::projection_image(int number) const
{
    const int w = settings_.width, h = settings_.height;
    std::vector<double> expected(static_cast<std::size_t>(w) * h);
    std::vector<double> transmission;
    const double angle = projection_angle(number);
    for (int line = 1; line <= line_count(); ++line) {
        line_transmission(line, angle, transmission);
        for (int k = 1; k <= line_length(); ++k) {
            const int i = settings_.vertical ? k : line;
            const int j = settings_.vertical ? line : k;
            expected[static_cast<std::size_t>(i - 1) + static_cast<std::size_t>(j - 1) * w] =
                expected_dark(i, j) +
                expected_beam(i, j) * transmission[static_cast<std::size_t>(k - 1)];
        }
    }
    return counts(static_cast<std::uint64_t>(number), expected);
}

std::vector<std::uint16_t> Phantom::sinogram_image(int line) const
{
    const int s = line_length(), rows = settings_.projections;
    std::vector<double> expected(static_cast<std::size_t>(s) * rows);
    std::vector<double> transmission;
    for (int number = 1; number <= rows; ++number) {
        line_transmission(line, projection_angle(number), transmission);
        const std::size_t row = static_cast<std::size_t>(rows - number) * s;
        for (int k = 0; k < s; ++k)
            expected[row + static_cast<std::size_t>(k)] =
                settings_.open_counts * transmission[static_cast<std::size_t>(k)];
    }
    return counts(SINOGRAM_STREAMS + static_cast<std::uint64_t>(line), expected);
}
