#include <gtest/gtest.h>

#include "lg_test_support.h"

using zyt_test::ConsoleCapture;
using zyt_test::fresh_status;
using zyt_test::HeadlessWindow;

namespace {

class Layer : public HeadlessWindow
{
};

} // namespace

TEST(LayerClosed, SaysSoAndKeepsTheStatusGood)
{
    int status = fresh_status();
    ConsoleCapture console;
    LG_CLOSE(status);
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    LG_INQ_DATAWINDOW(x1, y1, x2, y2, status);
    float width = 0;
    LG_INQ_TEXTWIDTH(1, "abc", width, status);
    LG_OPEN_WK(1, 1, LG_WINDOW_PORTRAIT, status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_EQ(console.lines(),
              (std::vector<std::string>{
                  "WARNING: Vaded Arovediv system is already closed ! (LG_CLOSE)",
                  "ERROR: Vaded Arovediv system is not open (LG_INQ_DATAWINDOW)",
                  "ERROR: Vaded Arovediv system is not open (LG_INQ_TEXTWIDTH)",
                  "WARNING: Vaded Arovediv system is not open (LG_OPEN_WK)"}));
    LG_OPEN(1, status);
    EXPECT_EQ(status, 130017);
}

TEST_F(Layer, WorkstationTableRules)
{
    open("");
    ConsoleCapture console;
    LG_OPEN_WK(1, 1, LG_WINDOW_PORTRAIT, status);
    LG_OPEN_WK(2, 1, LG_WINDOW_LANDSCAPE, status);
    LG_OPEN_WK(3, 1, 99, status);
    LG_ACTIVATE_WK(1, status);
    LG_ACTIVATE_WK(7, status);
    LG_DEACTIVATE_WK(1, status);
    LG_DEACTIVATE_WK(1, status);
    LG_DEACTIVATE_WK(7, status);
    LG_CLOSE_WK(7, status);
    LG_UPDATE(7, false, status);
    LG_SET_UPDATE(7, status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_EQ(console.lines(),
              (std::vector<std::string>{
                  "WARNING: Workstation already open (LG_OPEN_WK)",
                  "WARNING: Maximum number of X-11 workstations are already open (LG_OPEN_WK)",
                  "WARNING: Unknown graphics device type (LG_OPEN_WK)",
                  "WARNING: Workstation is already active (LG_ACTIVATE_WK)",
                  "ERROR: Workstation ID is unknown (LG_ACTIVATE_WK)",
                  "WARNING: Workstation is not active (LG_DEACTIVATE_WK)",
                  "ERROR: Workstation ID is unknown (LG_DEACTIVATE_WK)",
                  "ERROR: Workstation ID is unknown (LG_CLOSE_WK)",
                  "ERROR: Workstation ID is unknown (LG_UPDATE)",
                  "ERROR: Workstation ID is unknown (LG_SET_UPDATE)"}));
    // Refused workstations take no slot: the window can be closed and opened again.
    LG_CLOSE_WK(1, status);
    LG_OPEN_WK(1, 1, LG_WINDOW_LANDSCAPE, status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    float max_x = 0, max_y = 0;
    LG_INQ_MAXPC(1, max_x, max_y, status);
    EXPECT_FLOAT_EQ(max_x, 1.0f);
    EXPECT_FLOAT_EQ(max_y, 0.7071068f);
    LG_INQ_MAXPC(9, max_x, max_y, status);
    EXPECT_FLOAT_EQ(max_x, 0.7071f);
    LG_OPEN_WK(0, 1, LG_WINDOW_PORTRAIT, status);
    EXPECT_EQ(status, 130017);
}

TEST_F(Layer, TransformAndItsInverse)
{
    open("");
    LG_VIEWPORT(0.1f, 0.2f, 0.6f, 0.9f, status);
    LG_DATAWINDOW(-100.0f, 0.0f, 100.0f, 50.0f, status);
    EXPECT_FLOAT_EQ(LG_WC2PC(true, 0.0f, status), 0.35f);
    EXPECT_FLOAT_EQ(LG_WC2PC(false, 50.0f, status), 0.9f);
    EXPECT_FLOAT_EQ(LG_PC2WC(true, 0.35f, status), 0.0f);
    EXPECT_NEAR(LG_PC2WC(false, LG_WC2PC(false, 12.5f, status), status), 12.5f, 1e-4f);
    float xs = 0, ys = 0;
    LG_INQ_SCALING(xs, ys, status);
    EXPECT_FLOAT_EQ(xs, 0.5f / 200.0f);
    EXPECT_FLOAT_EQ(ys, 0.7f / 50.0f);

    // A window without width is refused and the transform stays.
    {
        ConsoleCapture console;
        LG_DATAWINDOW(5.0f, 0.0f, 5.0f, 1.0f, status);
        EXPECT_EQ(console.lines().at(0), "ERROR: LG_DATAWINDOW:");
    }
    EXPECT_EQ(status, 130013);
    status = fresh_status();
    LG_VIEWPORT(0.0f, 0.5f, 1.0f, 0.5f, status);
    EXPECT_EQ(status, 130014);
    status = fresh_status();
    float x1, y1, x2, y2;
    LG_INQ_DATAWINDOW(x1, y1, x2, y2, status);
    EXPECT_EQ(std::vector<float>({x1, y1, x2, y2}), std::vector<float>({-100.0f, 0.0f, 100.0f, 50.0f}));

    // The identity transform, and back to exactly what was there.
    LG_UNITYTRANSFORM(true, status);
    EXPECT_FLOAT_EQ(LG_WC2PC(true, 0.3f, status), 0.3f);
    LG_UNITYTRANSFORM(false, status);
    LG_INQ_VIEWPORT(x1, y1, x2, y2, status);
    EXPECT_EQ(std::vector<float>({x1, y1, x2, y2}), std::vector<float>({0.1f, 0.2f, 0.6f, 0.9f}));
    LG_UNITYTRANSFORM(false, status);
    EXPECT_EQ(status, 131007);
}

TEST_F(Layer, ClicksComeBackInWorldCoordinatesInBothFormats)
{
    for (int type : {LG_WINDOW_PORTRAIT, LG_WINDOW_LANDSCAPE}) {
        open("click 0.25 0.5\npoint 30 -20\n", type);
        LG_VIEWPORT(0.1f, 0.1f, 0.6f, 0.6f, status);
        LG_DATAWINDOW(0.0f, -100.0f, 100.0f, 0.0f, status);
        int event = -5;
        float x = 0, y = 0;
        LG_INP_COORDINATE(1, 0, event, x, y, status);
        EXPECT_EQ(event, LG_EVENT_PRESS);
        EXPECT_NEAR(x, 30.0f, 0.6f);
        EXPECT_NEAR(y, -20.0f, 0.6f);
        LG_INP_COORDINATE(1, 0, event, x, y, status);
        EXPECT_NEAR(x, 30.0f, 0.6f) << type;
        EXPECT_NEAR(y, -20.0f, 0.6f) << type;
        int w = 0, h = 0, error = 0;
        LG_X11_INQ_SIZE(w, h, error);
        EXPECT_EQ(w, type == LG_WINDOW_PORTRAIT ? 500 : 707);
        EXPECT_EQ(h, type == LG_WINDOW_PORTRAIT ? 707 : 500);
        TearDown();
    }
}

TEST_F(Layer, AttributesAreChecked)
{
    open("");
    LG_LINECOLOUR(-1, status);
    LG_LINESTYLE(4, status);
    LG_MARKERTYPE(5, status);
    LG_TEXTFONT(2, status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    for (auto set : {+[](int& s) { LG_LINECOLOUR(256, s); }, +[](int& s) { LG_LINESTYLE(5, s); },
                     +[](int& s) { LG_MARKERTYPE(0, s); }, +[](int& s) { LG_MARKERCOLOUR(0, s); },
                     +[](int& s) { LG_TEXTHEIGHT(0.0f, s); }}) {
        int s = fresh_status();
        set(s);
        EXPECT_EQ(s, 130017);
    }
    ConsoleCapture console;
    int s = fresh_status();
    LG_FILLCOLOUR(300, s);
    EXPECT_EQ(s, 130017);
    EXPECT_EQ(console.lines().at(0), "Error: colour_index = 300");
}

TEST_F(Layer, ColourTable)
{
    open("");
    int first = 0, last = 0;
    LG_INQ_IMAGERANGE(first, last, status);
    EXPECT_EQ(first, 9);
    EXPECT_EQ(last, 255);
    EXPECT_EQ(pixel_of(1), 0x000000u);
    EXPECT_EQ(pixel_of(2), 0xffffffu);
    EXPECT_EQ(pixel_of(3), 0xff0000u);
    EXPECT_EQ(pixel_of(8), 0x00ffffu);
    EXPECT_EQ(pixel_of(255), 0xffffffu); // the ramp ends in white
    EXPECT_LT(pixel_of(9) & 0xff, 0x10u); // and starts near black

    int index = 0;
    LG_BESTCOLOUR(1.0f, 0.0f, 0.0f, index, status);
    EXPECT_EQ(index, 3);
    LG_BESTCOLOUR(0.0f, 0.0f, 0.0f, index, status);
    EXPECT_EQ(index, 1); // ties keep the lower index

    std::vector<LgRgb> table(256);
    table[20] = {0.5f, 0.25f, 1.0f};
    LG_COLOURS(256, 20, 20, table, status);
    EXPECT_EQ(pixel_of(20), 0x7f3fffu);
    LG_COLOURS(0, 20, 20, table, status);
    EXPECT_EQ(status, 130002);
    status = fresh_status();
    LG_COLOURS(256, 30, 20, table, status);
    EXPECT_EQ(status, 130017);
}
