// The sinogram of a line gathered from a series: which files, in which
// order, at which angles, and the corrections of a changing flat-field.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "app/slice.h"
#include "app/tiff_writer.h"
#include "io/status.h"
#include "test_support.h"

using zyt_test::fresh_status;
using zyt_test::TempDir;

namespace {

// A 5 x 4 image whose pixel (i, j) is base + i + 10 j.
std::vector<std::uint16_t> image(int base)
{
    std::vector<std::uint16_t> pixels(20);
    for (int j = 1; j <= 4; ++j)
        for (int i = 1; i <= 5; ++i) pixels[(j - 1) * 5 + (i - 1)] = static_cast<std::uint16_t>(base + i + 10 * j);
    return pixels;
}

} // namespace

TEST(SliceSeries, LinesAreCorrectedWithAFlatFieldThatChangesAlongTheSeries)
{
    TempDir dir;
    int status = fresh_status();
    // Numbers 7, 5, 3 (a descending series, every second file): projection
    // values 1000 + i + 10 j, the even numbers missing as they are not used.
    for (int number : {3, 5, 7})
        ZYT_WRITE_TIFF16(dir.file("p_" + std::to_string(number) + ".tif"), 5, 4,
                         image(1000).data(), "", status);
    std::vector<float> dark(20, 100.0f), flat_first(20, 0.0f), flat_last(20, 0.0f);
    for (int p = 0; p < 20; ++p) {
        flat_first[p] = 2100.0f + 2.0f * p; // any pixel's own values
        flat_last[p] = 4100.0f + 2.0f * p;
    }
    ZytSliceSeries series;
    series.prefix = dir.file("p_");
    series.first = 7;
    series.last = 3;
    series.interval = -2;
    series.variable_length = true;
    series.postfix = ".tif";
    series.num_image_1 = 5;
    series.num_image_2 = 4;
    series.rotation_vertical = false; // the line is image column 2
    series.line = 2;
    series.subtract_background = true;
    series.background = ImageView{dark.data(), 5, 4};
    series.correct_flatfield = series.flatfield_changing = true;
    series.flatfield_first = ImageView{flat_first.data(), 5, 4};
    series.flatfield_last = ImageView{flat_last.data(), 5, 4};
    series.angle_step = 0.1f;
    series.angle_offset = 90.0f;
    EXPECT_EQ(zyt_series_numbers(series), (std::vector<int>{7, 5, 3}));
    ZytSinogram sinogram;
    int retstat = -1;
    std::vector<int> progress;
    ZYT_READ_SINOGRAM(series, [&](int done, int total) { progress.push_back(done * 10 + total); },
                      sinogram, retstat, status);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    ASSERT_EQ(retstat, 0);
    EXPECT_EQ(progress, (std::vector<int>{13, 23, 33}));
    ASSERT_EQ(sinogram.length, 4);
    ASSERT_EQ(sinogram.projections, 3);
    for (int m = 0; m < 3; ++m) {
        // Number 7 is the first (the first flat-field), 3 the last.
        const double along = m / 2.0;
        EXPECT_NEAR(sinogram.angles[m], std::numbers::pi / 2 - 0.1 * m, 1e-6) << m;
        for (int k = 1; k <= 4; ++k) {
            const int p = (k - 1) * 5 + 1; // pixel (2, k)
            const double flat = flat_first[p] + along * (flat_last[p] - flat_first[p]);
            const double transmission = (1000.0 + 2 + 10 * k - 100.0) / (flat - 100.0);
            EXPECT_NEAR(sinogram.values[m * 4 + (k - 1)], -std::log(transmission), 1e-5)
                << "projection " << m << " pixel " << k;
        }
    }
}

TEST(SliceSeries, IntegralsOfRawCountsAreTakenAgainstTheBrightestValues)
{
    std::vector<float> counts(200);
    for (int k = 0; k < 200; ++k) counts[k] = k < 198 ? 50.0f + k : 1000.0f;
    counts[0] = -5.0f; // a dead pixel below the dark level
    counts[1] = NAN;
    const float open = zyt_open_beam(counts);
    EXPECT_FLOAT_EQ(open, 1000.0f) << "the mean of the brightest 1 %, two of 200";
    ZYT_LINE_INTEGRALS(open, counts);
    EXPECT_EQ(counts[0], 0.0f);
    EXPECT_EQ(counts[1], 0.0f);
    EXPECT_NEAR(counts[2], -std::log(52.0 / 1000.0), 1e-6);
    EXPECT_NEAR(counts[199], 0.0, 1e-7);
}
