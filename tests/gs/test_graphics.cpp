#include <gtest/gtest.h>

#include "gs_test_support.h"

using zyt_test::ConsoleCapture;
using zyt_test::fresh_status;
using zyt_test::Graphics;

namespace {

class Session : public Graphics
{
};

unsigned pixel(const LgRgb& c)
{
    auto byte = [](float v) { return static_cast<unsigned>(static_cast<int>(255.0f * v)); };
    return byte(c.r) << 16 | byte(c.g) << 8 | byte(c.b);
}

} // namespace

TEST_F(Session, OptionsOfTheCommandLine)
{
    open("", {"landscape", "+COLOURS", "8", "+DMENU"});
    int format = -1;
    GS_INQ_WINDOWFORMAT(format, status);
    EXPECT_EQ(format, 1);
    int w = 0, h = 0, error = 0;
    LG_X11_INQ_SIZE(w, h, error);
    EXPECT_EQ(w, 707);
    float x1, y1, x2, y2;
    GS_INQ_GUIREGION(x1, y1, x2, y2, status);
    EXPECT_FLOAT_EQ(x2, 1.0f);
    EXPECT_FLOAT_EQ(y2, 0.1f);
    int v1 = 0, v2 = 0;
    GS_INQ_COLOURINDICES(v1, v2, status);
    EXPECT_EQ(v1, 16);
    EXPECT_EQ(v2, 16);
    bool forms = true, menus = false;
    GS_INQ_DOC_CONTROL(forms, menus, status);
    EXPECT_FALSE(forms);
    EXPECT_TRUE(menus);
    TearDown();

    open("", {"-COL", "1000"});
    GS_INQ_COLOURINDICES(v1, v2, status);
    EXPECT_EQ(v1, 256);
    TearDown();

    ConsoleCapture console;
    open("", {"+COLOURS", "many"});
    EXPECT_EQ(console.lines().at(0), "WARNING: Bad command line option");
    GS_INQ_COLOURINDICES(v1, v2, status);
    EXPECT_EQ(v1, 108);
    EXPECT_EQ(v2, 210);
}

TEST_F(Session, ColourScales)
{
    open("");
    std::vector<LgRgb> table(256);
    const LgRgb grey[2] = {{0, 0, 0}, {1, 1, 1}};
    GS_CAL_COLOURTABLE(2, grey, 9, 255, 247, table, status);
    EXPECT_LT(table[9].r, 0.01f);
    EXPECT_FLOAT_EQ(table[255].r, 1.0f);
    for (int i = 10; i <= 255; ++i) {
        EXPECT_GE(table[i].r, table[i - 1].r) << i; // a ramp, never darker
        EXPECT_EQ(table[i].r, table[i].g);
    }
    GS_CAL_COLOURTABLE(2, grey, 9, 255, 4, table, status);
    std::vector<float> bands;
    for (int i = 9; i <= 255; ++i)
        if (bands.empty() || bands.back() != table[i].r) bands.push_back(table[i].r);
    ASSERT_EQ(bands.size(), 4u);
    EXPECT_FLOAT_EQ(bands[0], 0.0f);
    EXPECT_NEAR(bands[1], 1.0f / 3.0f, 1e-6f);
    EXPECT_FLOAT_EQ(bands[3], 1.0f);

    GS_CAL_COLOURTABLE(0, grey, 9, 255, 4, table, status);
    EXPECT_EQ(status, 140001);
    status = fresh_status();
    GS_SET_LUTCHOICE(12, 10, status);
    EXPECT_EQ(status, 140017);
    status = fresh_status();

    // The inverted grey scale of the program: white at the image minimum.
    GS_SET_LUTCHOICE(4, 200, status);
    GS_COLOURS(status);
    LgRgb first, last;
    LG_INQ_COLOUR(9, first, status);
    LG_INQ_COLOUR(255, last, status);
    EXPECT_GT(first.r, 0.99f);
    EXPECT_FLOAT_EQ(last.r, 0.0f);
    // Named colours stay what they are called.
    LgRgb orange;
    LG_INQ_COLOUR(GS_COLOUR_INDEX(GS_ORANGE), orange, status);
    EXPECT_EQ(pixel(orange) & 0xff0000u, 0xff0000u);
    EXPECT_EQ(GS_GIVE_COLOURNAME(GS_INDEX0), "(INDEX 0)");
    EXPECT_EQ(GS_GIVE_COLOUR("violet"), GS_VIOLET);
    EXPECT_EQ(GS_COLOUR_INDEX(GS_INVERSE), -1);
}

TEST_F(Session, RegionsRefuseReversedLimits)
{
    open("");
    GS_SET_DDDR(1.0f, 0.0f, 0.5f, 1.0f, status);
    EXPECT_EQ(status, 140013);
    status = fresh_status();
    GS_SET_DGPP(0.0f, 0.5f, 1.0f, 0.5f, status);
    EXPECT_EQ(status, 140014);
    status = fresh_status();
    ConsoleCapture console;
    GS_SET_IDR(5.0f, 1.0f, 5.0f, 2.0f, status);
    EXPECT_EQ(status, 140013);
    EXPECT_EQ(console.lines().at(0), "GS_SET_IDR: Bad image data region");
}

TEST_F(Session, TextStyleAndPolygonCharacters)
{
    open("");
    GS_TEXTSTYLE(1, GS_BLACK, 0.0f, 1, 1, 1, 0, 0, 0, 1, status);
    EXPECT_EQ(status, 140021);
    status = fresh_status();
    GS_SET_CHAR_SCALING(1.0f, 1.0f, status);
    float x = 0.1f;
    GS_DRAW_CHARACTER("b", x, 0.1f, status);
    EXPECT_FLOAT_EQ(x, 0.55f);
    const float before_c = x;
    GS_DRAW_CHARACTER("c", x, 0.1f, status);
    EXPECT_FLOAT_EQ(x - before_c, 0.5f);
    for (const char* letter : {"z", "y", "t", "2", "chi"}) {
        const float start = x;
        GS_DRAW_CHARACTER(letter, x, 0.1f, status);
        EXPECT_GE(x - start, 0.3f) << letter;
        EXPECT_LE(x - start, 0.6f) << letter;
    }
    ConsoleCapture console;
    const float unchanged = x;
    GS_DRAW_CHARACTER("a", x, 0.1f, status);
    EXPECT_EQ(x, unchanged);
    EXPECT_EQ(console.lines().at(0), "WARNING: Letter not available");
    EXPECT_EQ(status, ST_GOOD_VALUE);
}

TEST_F(Session, KeptStateAndItsDefaults)
{
    open("");
    int mode = -1, l1 = 0, l2 = 0, colour = 0;
    float minimum = -1.0f, parameter = 0.0f;
    GS_INQ_IMAGESCALE(mode, minimum, parameter, status);
    GS_INQ_PIXELLIMITS(l1, l2, status);
    GS_INQ_MASKCOLOUR(colour, status);
    EXPECT_EQ(mode, 0);
    EXPECT_FLOAT_EQ(minimum, 0.0f);
    EXPECT_FLOAT_EQ(parameter, 1.0f);
    EXPECT_EQ(l1, 600);
    EXPECT_EQ(l2, 200);
    EXPECT_EQ(colour, GS_RED);
    GS_SET_MASKCOLOUR(16, status);
    EXPECT_EQ(status, 140017);
    status = fresh_status();
    GS_SET_PIXELLIMITS(800, 300, status);
    GS_SET_MASKCOLOUR(GS_GREEN, status);
    GS_DEF_GRAPHICS(status);
    GS_INQ_PIXELLIMITS(l1, l2, status);
    GS_INQ_MASKCOLOUR(colour, status);
    EXPECT_EQ(l1, 600);
    EXPECT_EQ(colour, GS_RED);
    int layout = -1, columns = 0, title = 0, choice = 0;
    GS_INQ_MENULAYOUT(layout, columns, title, choice, status);
    EXPECT_EQ(std::vector<int>({layout, columns, title, choice}), std::vector<int>({0, 1, 40, 20}));
    GS_SET_MENULAYOUT(2, 1, 1, 1, status);
    EXPECT_EQ(status, 140017);
}
