// The image display: intensity ranges by mode, the element-edge data window,
// square elements, the colour bar, a thin region as a graph; and points
// chosen on a shown image with the mouse, the keyboard and the spy-glass.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>

#include "gs/graphs.h"
#include "gs_test_support.h"

using zyt_test::ConsoleCapture;
using zyt_test::Graphics;
using zyt_test::Projection;

namespace {

class ImageDisplay : public Graphics
{
protected:
    void keep(const std::string& name)
    {
        if (const char* dir = std::getenv("ZYT_KEEP_SNAPSHOTS"))
            LG_X11_SNAPSHOT(std::string(dir) + "/" + name + ".png");
    }
    std::array<float, 4> dddr()
    {
        float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        GS_INQ_DDDR(x1, y1, x2, y2, status);
        return {x1, y1, x2, y2};
    }
    std::array<float, 4> dgpp()
    {
        float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        GS_INQ_DGPP(x1, y1, x2, y2, status);
        return {x1, y1, x2, y2};
    }
};

} // namespace

TEST_F(ImageDisplay, RangesByMode)
{
    open("");
    std::vector<float> a(12);
    for (int k = 0; k < 12; ++k) a[k] = static_cast<float>(k);
    const ImageView ramp{a.data(), 4, 3};
    float lo = 0, hi = 0;
    bool usable = false;
    GS_CAL_ZRANGE(ramp, 1, 1, 4, 3, 1, 1, GS_SCALE_DATA, lo, hi, usable, status);
    EXPECT_TRUE(usable);
    EXPECT_EQ(lo, 0.0f);
    EXPECT_EQ(hi, 11.0f);
    GS_CAL_ZRANGE(ramp, 2, 2, 3, 3, 1, 1, GS_SCALE_DATA, lo, hi, usable, status);
    EXPECT_EQ(lo, 5.0f);
    EXPECT_EQ(hi, 10.0f);
    lo = 3.0f;
    GS_CAL_ZRANGE(ramp, 1, 1, 4, 3, 1, 1, GS_SCALE_USER_MIN, lo, hi, usable, status);
    EXPECT_EQ(lo, 3.0f);
    EXPECT_EQ(hi, 11.0f);
    hi = 4.0f;
    GS_CAL_ZRANGE(ramp, 1, 1, 4, 3, 1, 1, GS_SCALE_USER_MAX, lo, hi, usable, status);
    EXPECT_EQ(lo, 0.0f);
    EXPECT_EQ(hi, 4.0f);
    // A user minimum above the data's maximum: said, and nothing to show.
    {
        ConsoleCapture console;
        lo = 50.0f;
        GS_CAL_ZRANGE(ramp, 1, 1, 4, 3, 1, 1, GS_SCALE_USER_MIN, lo, hi, usable, status);
        EXPECT_FALSE(usable);
        EXPECT_EQ(console.lines().at(0),
                  "WARNING: The maximum data value is less than the user input minimum");
    }
    // NaN and infinity are left out of the range; all NaN is no range at all.
    a[5] = std::numeric_limits<float>::quiet_NaN();
    a[6] = std::numeric_limits<float>::infinity();
    a[0] = -std::numeric_limits<float>::infinity();
    GS_CAL_ZRANGE(ramp, 1, 1, 4, 3, 1, 1, GS_SCALE_DATA, lo, hi, usable, status);
    EXPECT_TRUE(usable);
    EXPECT_EQ(lo, 1.0f);
    EXPECT_EQ(hi, 11.0f);
    std::vector<float> none(6, std::numeric_limits<float>::quiet_NaN());
    {
        ConsoleCapture console;
        GS_CAL_ZRANGE(ImageView{none.data(), 3, 2}, 1, 1, 3, 2, 1, 1, GS_SCALE_DATA, lo, hi,
                      usable, status);
        EXPECT_FALSE(usable);
        EXPECT_NE(console.text().find("no finite value"), std::string::npos);
    }
    EXPECT_EQ(status, ST_GOOD_VALUE);
    // Said once, and not left as an error position for the end of the run.
    EXPECT_EQ(ST_INQ_POSITION(), "");
}

TEST_F(ImageDisplay, EdgesAspectColourBarAndCorners)
{
    open("");
    Projection p(100, 50, 128, 64);
    GS_SET_GPP(0.1f, 0.3f, 0.6f, 0.8f, status); // a square place on the page
    GS_SET_LUTCHOICE(1, 247, status);             // a colour scale without white
    GS_COLOURS(status);
    GS_PLOT(p.image, status);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    keep("image_100x50");
    // Element centres 0.5, 1.5, ... give a data window over the element edges.
    EXPECT_EQ(dddr(), (std::array<float, 4>{0.0f, 0.0f, 100.0f, 50.0f}));
    // Square elements: 100 x 50 elements shown half as high as wide.
    const auto v = dgpp();
    EXPECT_NEAR((v[3] - v[1]) / (v[2] - v[0]), 0.5f, 1e-4f);
    EXPECT_NEAR(v[0], 0.1f, 1e-6f);
    EXPECT_NEAR((v[1] + v[3]) / 2, 0.55f, 1e-6f);
    // The picture fills its viewport: its corner elements are there, in the
    // colours of their values (not the page's white).
    const float px = (v[2] - v[0]) / 100.0f;
    const float py = (v[3] - v[1]) / 50.0f;
    for (const auto& [i, j] : {std::pair{1, 1}, {100, 1}, {1, 50}, {100, 50}})
        EXPECT_NE(page_pixel(v[0] + (i - 0.5f) * px, v[1] + (j - 0.5f) * py), 0xffffffu)
            << i << " " << j;
    // Clicks on the picture arrive in element coordinates.
    EXPECT_NEAR(LG_PC2WC(true, v[0] + 10.5f * px, status), 10.5f, 1e-3f);
    // The colour bar beside the picture runs from the lowest image colour at
    // its foot to the highest at its head.
    int first = 0, last = 0;
    LG_INQ_IMAGERANGE(first, last, status);
    LgRgb low{}, high{};
    LG_INQ_COLOUR(first, low, status);
    LG_INQ_COLOUR(last, high, status);
    auto packed = [](const LgRgb& c) {
        auto b = [](float f) { return static_cast<unsigned>(255.0f * f); };
        return b(c.r) << 16 | b(c.g) << 8 | b(c.b);
    };
    float max_x = 0, max_y = 0;
    LG_INQ_MAXPC(1, max_x, max_y, status);
    const float bar_x = v[2] + 0.02f * max_x + 0.01f * max_x;
    EXPECT_EQ(page_pixel(bar_x, v[1] + 0.002f), packed(low));
    const unsigned head = page_pixel(bar_x, v[3] - 0.002f);
    bool near_the_top = false;
    for (int k = last - 3; k <= last; ++k) {
        LgRgb c{};
        LG_INQ_COLOUR(k, c, status);
        near_the_top = near_the_top || head == packed(c);
    }
    EXPECT_TRUE(near_the_top) << std::hex << head << " " << packed(high);
    (void)high;
    // The range used is kept with the mode.
    int mode = -1;
    float lo = 0, hi = 0;
    GS_INQ_IMAGESCALE(mode, lo, hi, status);
    EXPECT_EQ(mode, GS_SCALE_DATA);
    EXPECT_LT(lo, hi);
}

TEST_F(ImageDisplay, AConstantImageAndAThinRegion)
{
    open("");
    Projection p(40, 30, 40, 30);
    std::fill(p.pixels.begin(), p.pixels.end(), 7.0f);
    GS_PLOT(p.image, status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    // One row: a graph of the row against its X values, not an image.
    Projection q(40, 30, 40, 30);
    q.image.ystart = q.image.yend = 12;
    GS_PLOT(q.image, status);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    keep("one_row");
    const auto w = dddr();
    EXPECT_LT(w[0], 0.5f);  // the graph's x range covers the X values 0.5 .. 39.5
    EXPECT_GT(w[2], 39.5f);
    EXPECT_GT(w[1], 100.0f); // and its y range the row's intensities, not element rows
}

TEST_F(ImageDisplay, PointsOnAShownImage)
{
    // A rectangle as two clicks in element coordinates; a click 1 % outside
    // the left edge is taken onto it, one 3 % outside is ignored.
    open("point 10.25 5.75\npoint 60.5 40.25\n"
         "point -1 20\npoint -3 20\npoint 30 20\n");
    Projection p(100, 50, 100, 50);
    GS_PLOT(p.image, status);
    const std::vector<std::string> info{"Select two corners"};
    float x[4] = {0, 0, 0, 0};
    float y[4] = {0, 0, 0, 0};
    int count = 0;
    GS_INPS_FCOORDINATES(&p.image, "SELECT RECTANGLE", 1, 1, info, true, 2, false, 2, count, x,
                         y, status);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    ASSERT_EQ(count, 2);
    EXPECT_NEAR(x[0], 10.25f, 0.1f);
    EXPECT_NEAR(y[0], 5.75f, 0.1f);
    EXPECT_NEAR(x[1], 60.5f, 0.1f);
    EXPECT_NEAR(y[1], 40.25f, 0.1f);
    // The picture's transform is back after the question.
    EXPECT_EQ(dddr(), (std::array<float, 4>{0.0f, 0.0f, 100.0f, 50.0f}));
    GS_INPS_FCOORDINATES(&p.image, "SELECT RECTANGLE", 1, 1, info, false, 0, false, 2, count, x,
                         y, status);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(x[0], 0.0f); // snapped onto the edge
    EXPECT_NEAR(x[1], 30.0f, 0.1f);
}

TEST_F(ImageDisplay, CancelKeyboardClickModeAndFinish)
{
    open("point 10 10\npoint 20 20\nclick \"CANCEL\"\n"                        // cancel after two of four
         "click \"KEYBOARD\"\nkey ClearLine\ntext \"12.5\"\nkey ClearLine\ntext \"7.25\"\n"
         "click \"(Click here to finish)\"\n"                                     // one typed point, then finish
         "click \"TWO CLICK\"\nsnapshot \"" + dir.file("two") + "\"\n"
         "point 50 25\nhover 50.5 25.5\nsnapshot \"" + dir.file("magnified") + "\"\n"
         "point 51.2 26.7\n"                                                   // the magnified second click
         "click \"ONE CLICK\"\nclick \"CANCEL\"\n");                             // and back to one click
    Projection p(100, 50, 100, 50);
    GS_PLOT(p.image, status);
    const std::vector<std::string> info{"Help"};
    float x[4] = {0, 0, 0, 0};
    float y[4] = {0, 0, 0, 0};
    int count = 0;
    {
        ConsoleCapture console;
        GS_INPS_FCOORDINATES(&p.image, "FOUR POINTS", 1, 1, info, true, 1, true, 4, count, x, y,
                             status);
        EXPECT_EQ(status, ST_ESCAPE_VALUE);
        EXPECT_EQ(count, 0);
        EXPECT_NE(console.text().find("GRAPHICAL INPUT:\n<CANCEL>"), std::string::npos);
    }
    status = zyt_test::fresh_status();
    GS_INPS_FCOORDINATES(&p.image, "FOUR POINTS", 1, 1, info, false, 0, false, 4, count, x, y,
                         status);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    ASSERT_EQ(count, 1);
    EXPECT_FLOAT_EQ(x[0], 12.5f);
    EXPECT_FLOAT_EQ(y[0], 7.25f);
    // TWO CLICK: the first click opens the magnified view, the second gives the point.
    GS_INPS_FCOORDINATES(&p.image, "ONE POINT", 1, 1, info, false, 0, false, 1, count, x, y,
                         status);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    ASSERT_EQ(count, 1);
    EXPECT_NEAR(x[0], 51.2f, 0.15f);
    EXPECT_NEAR(y[0], 26.7f, 0.15f);
    EXPECT_TRUE(std::filesystem::exists(dir.file("magnified.png")));
    GS_INPS_FCOORDINATES(&p.image, "ONE POINT", 1, 1, info, false, 0, false, 1, count, x, y,
                         status);
    EXPECT_EQ(status, ST_ESCAPE_VALUE);
}
