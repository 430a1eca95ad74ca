#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "app/rotation_axis.h"
#include "io/status.h"
#include "test_support.h"

using zyt_test::ConsoleCapture;
using zyt_test::fresh_status;

namespace {

// An image array with its own storage, declared larger than the used size.
struct TestImage
{
    TestImage(int x, int y) : pixels(static_cast<std::size_t>(x) * y, -999.0f), view{nullptr, x, y}
    {
        view.data = pixels.data();
    }
    std::vector<float> pixels;
    ImageView view;
};

// An object across a line, nothing outside |u| < 40: two smooth bumps and a
// dip that make it lopsided, changing with the line number.
double object(double u, int line)
{
    const auto bump = [](double x, double centre, double width) {
        const double t = (x - centre) / width;
        return std::fabs(t) < 1.0 ? (1.0 - t * t) * (1.0 - t * t) : 0.0;
    };
    return bump(u, -8.0 + 0.05 * line, 30.0) + 0.7 * bump(u, 14.0, 9.0 + 0.02 * line) -
           0.3 * bump(u, -20.0, 6.0);
}

// A first image and a 180-degree image that is its exact mirror about c on
// every line (2c an integer, so mirrored pixels fall on pixels), over a
// constant background. Lines are rows for a vertical axis, columns for a
// horizontal one; s pixels a line.
struct MirroredPair
{
    // The centre moves by slope pixels a line from c on line 0.
    MirroredPair(bool vertical, int s, int lines, double c0, double slope = 0.0)
        : xnum(vertical ? s : lines), ynum(vertical ? lines : s), first(xnum + 3, ynum + 2),
          rotated(xnum + 3, ynum + 2)
    {
        for (int line = 1; line <= lines; ++line) {
            const double c = c0 + slope * line;
            for (int k = 1; k <= s; ++k) {
                const double u = k - 0.5 - c;
                const int i = vertical ? k : line, j = vertical ? line : k;
                first.view(i, j) = static_cast<float>(0.25 + object(u, line));
                rotated.view(i, j) = static_cast<float>(0.25 + object(-u, line));
            }
        }
    }
    int xnum, ynum;
    TestImage first, rotated;
};

ZytAxisLines axis_of(const MirroredPair& pair, bool vertical, int first_line, int last_line,
                     int& status)
{
    ZytAxisLines result;
    ZYT_CAL_ROTATION_AXIS(vertical, pair.xnum, pair.ynum, pair.first.view, pair.rotated.view,
                          first_line, last_line, result, status);
    return result;
}

} // namespace

TEST(FitParabola, VertexOfThreePointsAndTheFlatCase)
{
    int status = fresh_status();
    float refined = 0.0f;
    // y = 5 - (x - 2.3)^2 at 1, 2, 3.
    ZYT_FIT_PARABOLA(2, 3.31f, 4.91f, 4.51f, refined, status);
    EXPECT_NEAR(refined, 2.3f, 1e-5f);
    // The same shape around a negative position.
    ZYT_FIT_PARABOLA(-7, 3.31f, 4.91f, 4.51f, refined, status);
    EXPECT_NEAR(refined, -6.7f, 1e-5f);
    // On a line or nearly so: the position itself.
    ZYT_FIT_PARABOLA(4, 1.0f, 2.0f, 3.0f, refined, status);
    EXPECT_EQ(refined, 4.0f);
    ZYT_FIT_PARABOLA(4, 1.0f, 1.0f, 1.0000019f, refined, status);
    EXPECT_EQ(refined, 4.0f);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    status = 20005;
    refined = -1.0f;
    ZYT_FIT_PARABOLA(2, 3.31f, 4.91f, 4.51f, refined, status);
    EXPECT_EQ(refined, -1.0f);
    EXPECT_EQ(status, 20005);
}

TEST(AxisLineRange, RowsOrColumnsBetweenTwoPoints)
{
    int first = 0, last = 0;
    ZYT_AXIS_LINE_RANGE(true, 10.2f, 5.7f, 100.6f, 50.4f, first, last);
    EXPECT_EQ(first, 6);
    EXPECT_EQ(last, 50);
    ZYT_AXIS_LINE_RANGE(false, 100.6f, 50.4f, 10.2f, 5.7f, first, last);
    EXPECT_EQ(first, 11);
    EXPECT_EQ(last, 101);
    // Both points in one line below its centre: that line, as for voxels.
    ZYT_AXIS_LINE_RANGE(false, 5.1f, 0.0f, 5.3f, 9.0f, first, last);
    EXPECT_EQ(first, 6);
    EXPECT_EQ(last, 6);
}

TEST(RotationAxis, ExactMirrorsGiveTheirCentreOnEveryLine)
{
    // c = s/2: the peak is at p = 1 (lag 0). c = 128.5: p = s (lag -1), whose
    // right neighbour is c(1). The others on either side; s = 1000 is not a
    // power of two, so the second copy of the line does not follow it directly.
    // (Lags are taken within half a line, so the axis lies in the middle half.)
    struct Case
    {
        int s;
        double c;
    } cases[] = {{256, 128.0},  {256, 128.5},  {256, 100.5},  {256, 141.0},
                 {256, 70.0},   {1000, 500.0}, {1000, 500.5}, {1000, 507.5},
                 {1000, 468.0}, {100, 48.5},   {100, 50.5}};
    for (bool vertical : {true, false}) {
        for (const Case& c : cases) {
            const MirroredPair pair(vertical, c.s, 12, c.c);
            int status = fresh_status();
            ZytAxisLines result;
            {
                ConsoleCapture console;
                result = axis_of(pair, vertical, 1, 12, status);
            }
            ASSERT_EQ(status, ST_GOOD_VALUE);
            ASSERT_EQ(result.positions.size(), 12u);
            for (float p : result.positions)
                EXPECT_NEAR(p, c.c, 1e-3) << "s " << c.s << " vertical " << vertical;
            EXPECT_NEAR(result.mean, c.c, 1e-3);
            EXPECT_NEAR(result.axis, c.c, 1e-3);
            EXPECT_NEAR(result.median, c.c, 1e-3);
            EXPECT_LT(result.deviation, 1e-3);
            EXPECT_NEAR(result.tilt, 0.0, 0.05);
            EXPECT_EQ(result.line_length, c.s);
        }
    }
}

TEST(RotationAxis, ConsoleLinesAndTheLinesCorrelated)
{
    const MirroredPair pair(true, 256, 40, 100.5);
    int status = fresh_status();
    ConsoleCapture console;
    const ZytAxisLines result = axis_of(pair, true, -3, 1000, status); // cut to 1..40
    ASSERT_EQ(status, ST_GOOD_VALUE);
    ASSERT_EQ(result.lines.size(), 40u);
    EXPECT_EQ(result.lines.front(), 1.0f);
    EXPECT_EQ(result.lines.back(), 40.0f);
    const std::vector<std::string> lines = console.lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "INFO: Average rotation axis position =    100.50000");
    EXPECT_EQ(lines[1], "      Standard deviation =    0.00000");
    EXPECT_EQ(lines[2], "INFO: Median rotation axis position =    100.50000");
    EXPECT_EQ(lines[3],
              "INFO: Axis tilt =      0.00000 pixels per 1000 lines =    0.00000 degrees");
}

TEST(RotationAxis, OneLineAndNoLine)
{
    const MirroredPair pair(false, 256, 20, 141.0);
    int status = fresh_status();
    {
        ConsoleCapture console;
        const ZytAxisLines one = axis_of(pair, false, 7, 7, status);
        ASSERT_EQ(one.positions.size(), 1u);
        EXPECT_EQ(one.lines[0], 7.0f);
        EXPECT_NEAR(one.mean, 141.0, 1e-3);
        EXPECT_EQ(one.deviation, 0.0f);
        const std::vector<std::string> lines = console.lines();
        ASSERT_EQ(lines.size(), 3u) << "no tilt from one line";
        EXPECT_EQ(lines[0], "INFO: Average rotation axis position =    141.00000");
        EXPECT_EQ(lines[1], "      Standard deviation =    0.00000");
    }
    for (const auto& range : {std::pair{7, 6}, std::pair{25, 30}, std::pair{0, 0}}) {
        ConsoleCapture console;
        const ZytAxisLines none = axis_of(pair, false, range.first, range.second, status);
        EXPECT_EQ(status, ST_GOOD_VALUE);
        EXPECT_TRUE(none.positions.empty());
        EXPECT_EQ(none.axis, 128.0f) << "the centre of 256 pixels";
        EXPECT_EQ(console.lines(),
                  std::vector<std::string>{"WARNING: No image lines in the selected range; the "
                                           "default axis position is the centre"});
    }
}

// Lines the correction set to zero (a flat-field equal to the dark) carry
// no contrast: they are left out and counted, not taken as the centre.
TEST(RotationAxis, LinesWithoutContrastAreLeftOut)
{
    MirroredPair pair(true, 256, 10, 100.5);
    for (int j : {2, 3, 9})
        for (int i = 1; i <= 256; ++i) pair.first.view(i, j) = 0.0f;
    for (int i = 1; i <= 256; ++i) pair.rotated.view(i, 5) = 0.0f;
    int status = fresh_status();
    ConsoleCapture console;
    const ZytAxisLines result = axis_of(pair, true, 1, 10, status);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    EXPECT_EQ(result.lines, (std::vector<float>{1, 4, 6, 7, 8, 10}));
    EXPECT_NEAR(result.mean, 100.5, 1e-3);
    EXPECT_EQ(console.lines().front(),
              "WARNING: 4 image lines have the same value in every pixel (as where the "
              "correction set them to zero) and were not used");
}

TEST(RotationAxis, ATiltedAxisShowsItsSlope)
{
    // Each line mirrored about its own centre, moving 0.5 pixel a line; lines
    // 3..68 of 70, so that columns are gathered in blocks of which the last
    // is not full.
    for (bool vertical : {true, false}) {
        const MirroredPair pair(vertical, 256, 70, 100.0, 0.5);
        int status = fresh_status();
        ConsoleCapture console;
        const ZytAxisLines result = axis_of(pair, vertical, 3, 68, status);
        ASSERT_EQ(result.positions.size(), 66u);
        for (std::size_t i = 0; i < result.lines.size(); ++i)
            EXPECT_NEAR(result.positions[i], 100.0 + 0.5 * result.lines[i], 1e-3) << i;
        EXPECT_NEAR(result.tilt, 500.0, 0.5);
        EXPECT_NEAR(result.tilt_degrees, std::atan(0.5) * 180.0 / M_PI, 1e-3);
        EXPECT_NEAR(result.mean, 100.0 + 0.5 * 35.5, 1e-3);
        EXPECT_NEAR(result.median, 100.0 + 0.5 * 35.5, 1e-3);
        EXPECT_NEAR(result.deviation, 0.5 * std::sqrt(66.0 * 67.0 / 12.0), 1e-3);
    }
}

TEST(RotationAxis, LinesOf16384PixelsAreTheLongest)
{
    // Their transform of 32768 points is the longest; a pixel more needs 65536.
    for (bool vertical : {true, false}) {
        const MirroredPair pair(vertical, 16384, 2, 7000.5);
        int status = fresh_status();
        ConsoleCapture console;
        const ZytAxisLines result = axis_of(pair, vertical, 1, 2, status);
        ASSERT_EQ(status, ST_GOOD_VALUE) << "vertical " << vertical;
        ASSERT_EQ(result.positions.size(), 2u);
        for (float p : result.positions)
            EXPECT_NEAR(p, 7000.5, 1e-3) << "vertical " << vertical;
    }
    const MirroredPair longer(true, 16385, 1, 8000.0);
    int status = fresh_status();
    axis_of(longer, true, 1, 1, status);
    EXPECT_EQ(status, 20009);
}

TEST(RotationAxis, SizesBeyondTheArraysAreRefused)
{
    const MirroredPair pair(true, 64, 8, 32.0);
    ZytAxisLines result;
    int status = fresh_status();
    ZYT_CAL_ROTATION_AXIS(true, 68, 8, pair.first.view, pair.rotated.view, 1, 8, result, status);
    EXPECT_EQ(status, 10005);
    status = fresh_status();
    ZYT_CAL_ROTATION_AXIS(true, 0, 8, pair.first.view, pair.rotated.view, 1, 8, result, status);
    EXPECT_EQ(status, 10001);
}

TEST(AxisImageCorrection, EachCaseOfBackgroundAndFlatField)
{
    // 2 x 2 pixels used of 3 x 2 declared.
    TestImage first(3, 2), rotated(3, 2), dark(3, 2), flat1(3, 2), flat2(3, 2);
    const auto fill = [](TestImage& image, std::vector<float> values) {
        image.view(1, 1) = values[0];
        image.view(2, 1) = values[1];
        image.view(1, 2) = values[2];
        image.view(2, 2) = values[3];
    };
    struct Case
    {
        bool background, flat, changing;
        std::vector<float> first, rotated;
    } cases[] = {
        // (image - dark) / (flat - dark): flat1 for both, or flat2 for the rotated one.
        {true,
         true,
         false,
         {5 / 10.f, 10 / 10.f, 10 / 5.f, 5 / 15.f},
         {6 / 10.f, 10 / 10.f, 12 / 5.f, 11 / 15.f}},
        {true,
         true,
         true,
         {5 / 10.f, 10 / 10.f, 10 / 5.f, 5 / 15.f},
         {6 / 12.f, 10 / 40.f, 12 / 70.f, 11 / 55.f}},
        {false,
         true,
         false,
         {11 / 16.f, 20 / 20.f, 22 / 17.f, 30 / 40.f},
         {12 / 16.f, 20 / 20.f, 24 / 17.f, 36 / 40.f}},
        {true, false, false, {5.f, 10.f, 10.f, 5.f}, {6.f, 10.f, 12.f, 11.f}},
        {false, false, false, {11.f, 20.f, 22.f, 30.f}, {12.f, 20.f, 24.f, 36.f}},
    };
    for (const Case& c : cases) {
        fill(first, {11.0f, 20.0f, 22.0f, 30.0f});
        fill(rotated, {12.0f, 20.0f, 24.0f, 36.0f});
        fill(dark, {6.0f, 10.0f, 12.0f, 25.0f});
        fill(flat1, {16.0f, 20.0f, 17.0f, 40.0f});
        fill(flat2, {18.0f, 50.0f, 82.0f, 80.0f});
        int zeroed = -1;
        int status = fresh_status();
        ConsoleCapture console;
        ZYT_CORRECT_AXIS_IMAGES(c.background, dark.view, c.flat, c.changing, flat1.view, flat2.view,
                                2, 2, first.view, rotated.view, zeroed, status);
        ASSERT_EQ(status, ST_GOOD_VALUE);
        EXPECT_EQ(zeroed, 0);
        EXPECT_TRUE(console.text().empty());
        const float got_first[] = {first.view(1, 1), first.view(2, 1), first.view(1, 2),
                                   first.view(2, 2)};
        const float got_rotated[] = {rotated.view(1, 1), rotated.view(2, 1), rotated.view(1, 2),
                                     rotated.view(2, 2)};
        for (int p = 0; p < 4; ++p) {
            EXPECT_FLOAT_EQ(got_first[p], c.first[p]) << p;
            EXPECT_FLOAT_EQ(got_rotated[p], c.rotated[p]) << p;
        }
        EXPECT_EQ(first.view(3, 1), -999.0f) << "outside the used size";
    }
}

TEST(AxisImageCorrection, PixelsThatCannotBeCorrectedAreZeroInBothImages)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    TestImage first(4, 1), rotated(4, 1), dark(4, 1), flat(4, 1);
    for (int i = 1; i <= 4; ++i) {
        first.view(i, 1) = 10.0f;
        rotated.view(i, 1) = 20.0f;
        dark.view(i, 1) = 2.0f;
        flat.view(i, 1) = 6.0f;
    }
    flat.view(2, 1) = 2.0f;   // flat equal to dark: nothing to divide by
    flat.view(3, 1) = inf;    // a denominator that is not finite
    rotated.view(4, 1) = nan; // a value that is not finite
    int zeroed = 0;
    int status = fresh_status();
    ConsoleCapture console;
    ZYT_CORRECT_AXIS_IMAGES(true, dark.view, true, false, flat.view, flat.view, 4, 1, first.view,
                            rotated.view, zeroed, status);
    EXPECT_EQ(zeroed, 3);
    EXPECT_EQ(first.view(1, 1), 2.0f);
    EXPECT_EQ(rotated.view(1, 1), 4.5f);
    for (int i = 2; i <= 4; ++i) {
        EXPECT_EQ(first.view(i, 1), 0.0f) << i;
        EXPECT_EQ(rotated.view(i, 1), 0.0f) << i;
    }
    EXPECT_EQ(
        console.lines(),
        std::vector<std::string>{"WARNING: 3 pixels could not be corrected and were set to zero"});

    // A zero flat-field without background, and a value that is not finite
    // with no correction asked for.
    first.view(1, 1) = 3.0f;
    flat.view(1, 1) = 0.0f;
    zeroed = 0;
    ZYT_CORRECT_AXIS_IMAGES(false, dark.view, true, false, flat.view, flat.view, 1, 1, first.view,
                            rotated.view, zeroed, status);
    EXPECT_EQ(zeroed, 1);
    first.view(1, 1) = inf;
    rotated.view(1, 1) = 5.0f;
    ZYT_CORRECT_AXIS_IMAGES(false, ImageView{}, false, false, ImageView{}, ImageView{}, 1, 1,
                            first.view, rotated.view, zeroed, status);
    EXPECT_EQ(zeroed, 1);
    EXPECT_EQ(rotated.view(1, 1), 0.0f);
    EXPECT_EQ(status, ST_GOOD_VALUE);

    // An array asked for but missing is an argument fault.
    status = fresh_status();
    ZYT_CORRECT_AXIS_IMAGES(true, ImageView{}, false, false, ImageView{}, ImageView{}, 1, 1,
                            first.view, rotated.view, zeroed, status);
    EXPECT_EQ(status, 10005);
}
