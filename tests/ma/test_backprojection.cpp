// The filtered back-projection against sums written out here from the
// textbook formulas, an object whose projections are known exactly, and the
// focus measure on slices whose histograms are known.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "io/status.h"
#include "ma/backprojection.h"
#include "ma/series.h"
#include "test_support.h"

using zyt_test::fresh_status;
using zyt_test::random_series;

namespace {

constexpr double PI = std::numbers::pi;

// The band-limited ramp filter's impulse response at pixel distance k.
double ramp(int k)
{
    if (k == 0) return 0.25;
    if (k % 2 == 0) return 0.0;
    return -1.0 / (PI * PI * k * k);
}

// The linear interpolation of a row at a 0-based fractional index, zero
// beyond the row (and its value falling to zero over the pixel past each end).
double sample(const std::vector<double>& row, double u)
{
    const int n = static_cast<int>(row.size());
    if (u < -1.0 || u > n) return 0.0;
    const int k = static_cast<int>(std::floor(u));
    const double f = u - k;
    const auto at = [&](int i) { return i >= 0 && i < n ? row[i] : 0.0; };
    return at(k) * (1.0 - f) + at(k + 1) * f;
}

// Filtered back-projection as a direct sum: every slice pixel, every angle.
std::vector<double> direct_slice(const std::vector<float>& sinogram, int length,
                                 const std::vector<float>& angles, double axis, double pixel,
                                 int size)
{
    const int projections = static_cast<int>(angles.size());
    std::vector<std::vector<double>> filtered(projections, std::vector<double>(length, 0.0));
    for (int m = 0; m < projections; ++m)
        for (int n = 0; n < length; ++n)
            for (int k = 0; k < length; ++k)
                filtered[m][n] += sinogram[m * length + k] * ramp(n - k);
    std::vector<double> slice(static_cast<std::size_t>(size) * size, 0.0);
    for (int j = 0; j < size; ++j)
        for (int i = 0; i < size; ++i) {
            const double x = (i + 0.5 - 0.5 * size) * pixel, y = (j + 0.5 - 0.5 * size) * pixel;
            double sum = 0.0;
            for (int m = 0; m < projections; ++m) {
                const double t = axis + x * std::cos(angles[m]) + y * std::sin(angles[m]);
                sum += sample(filtered[m], t - 0.5);
            }
            slice[j * size + i] = sum * PI / projections;
        }
    return slice;
}

// The exact sinogram of discs (centre x, y from the axis, radius, density)
// on a line of `length` pixels, each pixel's value averaged over subsamples.
struct Disc
{
    double x, y, r, density;
};
std::vector<float> disc_sinogram(const std::vector<Disc>& discs, int length,
                                 const std::vector<float>& angles, double axis)
{
    constexpr int SUBSAMPLES = 16;
    std::vector<float> sinogram(angles.size() * length, 0.0f);
    for (std::size_t m = 0; m < angles.size(); ++m)
        for (int k = 0; k < length; ++k) {
            double sum = 0.0;
            for (int q = 0; q < SUBSAMPLES; ++q) {
                const double t = k + (q + 0.5) / SUBSAMPLES - axis;
                for (const Disc& d : discs) {
                    const double u = t - d.x * std::cos(angles[m]) - d.y * std::sin(angles[m]);
                    if (std::fabs(u) < d.r) sum += 2.0 * d.density * std::sqrt(d.r * d.r - u * u);
                }
            }
            sinogram[m * length + k] = static_cast<float>(sum / SUBSAMPLES);
        }
    return sinogram;
}

std::vector<float> even_angles(int count, double range = PI)
{
    std::vector<float> angles(count);
    for (int m = 0; m < count; ++m)
        angles[m] = static_cast<float>(range * m / count);
    return angles;
}

} // namespace

TEST(RampFilter, EqualsTheDirectConvolution)
{
    for (int length : {1, 2, 5, 64, 100, 257}) {
        const int projections = 3;
        const int stride = length + 4; // a declared width beyond the line
        std::vector<float> input = random_series(stride * projections, 7u * length);
        std::vector<float> work = input;
        int status = fresh_status();
        MA_RAMP_FILTER(length, projections, ImageView{work.data(), stride, projections}, status);
        ASSERT_EQ(status, ST_GOOD_VALUE);
        for (int m = 0; m < projections; ++m) {
            for (int n = 0; n < length; ++n) {
                double expected = 0.0;
                for (int k = 0; k < length; ++k)
                    expected += input[m * stride + k] * ramp(n - k);
                EXPECT_NEAR(work[m * stride + n], expected, 1e-5 * std::sqrt(length))
                    << "length " << length << " row " << m << " pixel " << n;
            }
            for (int k = length; k < stride; ++k)
                EXPECT_EQ(work[m * stride + k], input[m * stride + k]) << "beyond the line";
        }
    }
}

TEST(BackProjection, EqualsTheDirectSumOverPixelsAndAngles)
{
    // Angles in no order, with 0, 90 degrees (no step along a row) and
    // beyond 180; slice pixels smaller and larger than detector pixels (the
    // vector kernel takes steps up to one pixel, the plain loop the rest); an
    // axis off the centre and a slice wider than the detector.
    const int length = 37;
    const std::vector<float> angles = {0.0f, 0.3f, 1.5707964f, 2.0f, 3.0f, -0.7f, 4.1f, 1.1f};
    const std::vector<float> sinogram = random_series(length * 8, 11u);
    for (const auto& [pixel, size, axis] : {std::tuple{1.0, 41, 17.3}, std::tuple{0.7, 33, 20.0},
                                           std::tuple{1.6, 27, 16.55}}) {
        std::vector<float> filtered = sinogram;
        std::vector<float> slice(static_cast<std::size_t>(size) * size, -99.0f);
        int status = fresh_status();
        const ImageView view{filtered.data(), length, 8};
        MA_RAMP_FILTER(length, 8, view, status);
        MA_BACKPROJECT(length, 8, view, angles, static_cast<float>(axis),
                       static_cast<float>(pixel), size, ImageView{slice.data(), size, size},
                       status);
        ASSERT_EQ(status, ST_GOOD_VALUE);
        const std::vector<double> expected =
            direct_slice(sinogram, length, angles, axis, pixel, size);
        for (int p = 0; p < size * size; ++p)
            ASSERT_NEAR(slice[p], expected[p], 2e-5)
                << "pixel " << p % size + 1 << ", " << p / size + 1 << " of " << size;
    }
}

// Discs whose projections are exact chords come back in their places with
// their densities: this fixes the orientation (x along the line, y up, angles
// anticlockwise) and the weight of the sum.
TEST(BackProjection, DiscsComeBackInPlaceWithTheirDensities)
{
    const int length = 96;
    const double axis = 50.3;
    const std::vector<Disc> discs = {{0.0, 0.0, 30.0, 0.01}, {12.0, 8.0, 6.0, 0.02}};
    const std::vector<float> angles = even_angles(300);
    std::vector<float> sinogram = disc_sinogram(discs, length, angles, axis);
    int status = fresh_status();
    const ImageView view{sinogram.data(), length, 300};
    MA_RAMP_FILTER(length, 300, view, status);
    const int size = 96;
    std::vector<float> slice(size * size);
    MA_BACKPROJECT(length, 300, view, angles, static_cast<float>(axis), 1.0f, size,
                   ImageView{slice.data(), size, size}, status);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    // Pixel (i, j) from 1 is at x = i - 0.5 - 48, y = j - 0.5 - 48.
    const auto at = [&](double x, double y) {
        const int i = static_cast<int>(std::floor(x + 48.0)), j = static_cast<int>(std::floor(y + 48.0));
        return slice[j * size + i];
    };
    // Means over small patches, away from the edges where the slice rings.
    const auto patch = [&](double x, double y) {
        double sum = 0.0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) sum += at(x + dx, y + dy);
        return sum / 9.0;
    };
    EXPECT_NEAR(patch(-10.5, -10.5), 0.01, 0.0005) << "the big disc";
    EXPECT_NEAR(patch(12.5, 8.5), 0.03, 0.0015) << "the small disc, on the big one";
    EXPECT_NEAR(patch(-12.5, 8.5), 0.01, 0.0005) << "its mirror image holds only the big disc";
    EXPECT_NEAR(patch(12.5, -8.5), 0.01, 0.0005) << "and so does its reflection in x";
    EXPECT_NEAR(patch(40.5, 0.5), 0.0, 0.0005) << "outside the object";
}

TEST(SliceEntropy, CountsTheBitsOfTheHistogramWithinTheCircle)
{
    const int size = 64;
    std::vector<float> slice(size * size);
    // Two values in equal halves of the circle, a third one outside it.
    for (int j = 0; j < size; ++j)
        for (int i = 0; i < size; ++i) {
            const double x = i + 0.5 - 32.0, y = j + 0.5 - 32.0;
            slice[j * size + i] = x * x + y * y > 20.0 * 20.0 ? 5.0f : (x < 0 ? 1.0f : 2.0f);
        }
    const ImageView view{slice.data(), size, size};
    int status = fresh_status();
    double entropy = -1.0;
    MA_SLICE_ENTROPY(view, size, 20.0f, 0.0f, 3.0f, entropy, status);
    EXPECT_NEAR(entropy, 1.0, 1e-12) << "two equal halves: one bit";
    MA_SLICE_ENTROPY(view, size, 31.9f, 0.0f, 3.0f, entropy, status);
    EXPECT_GT(entropy, 1.2) << "a wider circle takes in the third value (in the top bin)";
    float low = 0.0f, high = 0.0f;
    MA_SLICE_RANGE(view, size, 20.0f, 0.0f, low, high, status);
    EXPECT_EQ(low, 1.0f);
    EXPECT_EQ(high, 2.0f);
    // Every bin equally full: eight bits.
    for (int p = 0; p < size * size; ++p)
        slice[p] = static_cast<float>(p % MA_HISTOGRAM_BINS) + 0.5f;
    MA_SLICE_ENTROPY(view, size, 100.0f, 0.0f, MA_HISTOGRAM_BINS, entropy, status);
    EXPECT_NEAR(entropy, 8.0, 1e-12);
    // A few extreme pixels are left out of the range by the fraction.
    slice[0] = -1e6f;
    slice[1] = 1e6f;
    MA_SLICE_RANGE(view, size, 100.0f, 0.01f, low, high, status);
    EXPECT_NEAR(low, 0.01 * MA_HISTOGRAM_BINS, 1.0);
    EXPECT_NEAR(high, 0.99 * MA_HISTOGRAM_BINS, 1.0);
    EXPECT_EQ(status, ST_GOOD_VALUE);
}

// What the axis question rests on: slices made with the axis off are less
// sharp than the one at the true axis, a little off less than far off.
TEST(SliceEntropy, IsLowestAtTheTrueAxis)
{
    const int length = 128;
    const double axis = 61.7;
    const std::vector<Disc> discs = {
        {3.0, -2.0, 40.0, 0.01}, {-15.0, 10.0, 8.0, 0.02}, {20.0, 12.0, 5.0, -0.008}};
    const std::vector<float> angles = even_angles(200);
    std::vector<float> sinogram = disc_sinogram(discs, length, angles, axis);
    int status = fresh_status();
    const ImageView view{sinogram.data(), length, 200};
    MA_RAMP_FILTER(length, 200, view, status);
    std::vector<float> slice(length * length);
    const ImageView slice_view{slice.data(), length, length};
    const float radius = 50.0f;
    float low = 0.0f, high = 0.0f;
    std::vector<double> entropies;
    for (double error : {0.0, 0.25, -0.5, 1.0}) {
        MA_BACKPROJECT(length, 200, view, angles, static_cast<float>(axis + error), 1.0f, length,
                       slice_view, status);
        if (error == 0.0) MA_SLICE_RANGE(slice_view, length, radius, 0.001f, low, high, status);
        double entropy = 0.0;
        MA_SLICE_ENTROPY(slice_view, length, radius, low, high, entropy, status);
        entropies.push_back(entropy);
    }
    ASSERT_EQ(status, ST_GOOD_VALUE);
    EXPECT_LT(entropies[0], entropies[1]);
    EXPECT_LT(entropies[1], entropies[2]);
    EXPECT_LT(entropies[2], entropies[3]);
}

TEST(BackProjection, ArgumentsAreChecked)
{
    std::vector<float> data(64 * 64, 0.0f);
    const ImageView view{data.data(), 64, 64};
    std::vector<float> out(32 * 32);
    const ImageView slice{out.data(), 32, 32};
    const std::vector<float> angles = even_angles(10);
    const auto filter = [&](int length, int projections, const ImageView& v) {
        int status = fresh_status();
        MA_RAMP_FILTER(length, projections, v, status);
        return status;
    };
    EXPECT_EQ(filter(0, 10, view), ST_MOD_MA + 1);
    EXPECT_EQ(filter(65, 10, view), ST_MOD_MA + 5);
    EXPECT_EQ(filter(64, 65, view), ST_MOD_MA + 5);
    const auto project = [&](int projections, std::vector<float> a, float axis, float pixel,
                             int size) {
        int status = fresh_status();
        MA_BACKPROJECT(64, projections, view, a, axis, pixel, size, slice, status);
        return status;
    };
    EXPECT_EQ(project(10, angles, 32.0f, 1.0f, 32), ST_GOOD_VALUE);
    EXPECT_EQ(project(10, angles, 32.0f, 0.0f, 32), ST_MOD_MA + 1);
    EXPECT_EQ(project(10, angles, 32.0f, 1.0f, 33), ST_MOD_MA + 5);
    EXPECT_EQ(project(11, angles, 32.0f, 1.0f, 32), ST_MOD_MA + 13);
    EXPECT_EQ(project(10, angles, NAN, 1.0f, 32), ST_MOD_MA + 17);
    std::vector<float> bad = angles;
    bad[3] = INFINITY;
    EXPECT_EQ(project(10, bad, 32.0f, 1.0f, 32), ST_MOD_MA + 17);
    int status = fresh_status();
    double entropy = 0.0;
    MA_SLICE_ENTROPY(slice, 32, 10.0f, 1.0f, 1.0f, entropy, status);
    EXPECT_EQ(status, ST_MOD_MA + 13);
    status = fresh_status();
    MA_SLICE_ENTROPY(slice, 32, 0.5f, 0.0f, 1.0f, entropy, status);
    EXPECT_EQ(status, ST_MOD_MA + 17);
}
