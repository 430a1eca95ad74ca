#include <gtest/gtest.h>

#include "app/banner.h"
#include "gs/gs_test_support.h"

using zyt_test::Graphics;

namespace {

class TitleScreen : public Graphics
{
protected:
    void draw_and_keep(const std::string& name)
    {
        ZYT_MBANNER("V1.7 ", status);
        ASSERT_EQ(status, ST_GOOD_VALUE);
        // Kept beside the test's files for a look when a check fails.
        LG_X11_SNAPSHOT(dir.file(name + ".png"));
    }
};

constexpr unsigned WHITE = 0xffffff, ORANGE = 0xffbe00, YELLOW = 0xffff00, BLUE = 0x0000ff;

} // namespace

// For each window format: the orange panel between its edge and the first
// frame, the yellow triangle inside its outline, white beside the triangle,
// and the blue stem of the "t" of the monogram.
TEST_F(TitleScreen, Portrait)
{
    open("");
    draw_and_keep("portrait");
    EXPECT_EQ(page_pixel(0.0212f, 0.793f), ORANGE);
    EXPECT_EQ(page_pixel(0.2f, 0.45f), YELLOW);
    EXPECT_EQ(page_pixel(0.02f, 0.3f), WHITE);
    EXPECT_EQ(page_pixel(0.154f, 0.813f), BLUE);
}

TEST_F(TitleScreen, Landscape)
{
    open("", {"LANDSCAPE"});
    draw_and_keep("landscape");
    EXPECT_EQ(page_pixel(0.0212f, 0.5586f), ORANGE);
    EXPECT_EQ(page_pixel(0.3f, 0.28f), YELLOW);
    EXPECT_EQ(page_pixel(0.02f, 0.2f), WHITE);
}

TEST_F(TitleScreen, Square)
{
    open("", {"LANDSCAPE"});
    GS_SET_WINDOWFORMAT(4, status);
    draw_and_keep("square");
    EXPECT_EQ(page_pixel(0.03f, 0.65f), ORANGE);
    EXPECT_EQ(page_pixel(0.3f, 0.4f), YELLOW);
    EXPECT_EQ(page_pixel(0.05f, 0.3f), WHITE);
}
