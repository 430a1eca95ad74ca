// The drawing state that widgets share and borrow: what is drawn after a
// print, in a new window, or after a question asked over a picture, is drawn
// with the state the caller set, and answers reach the question that asked.
#include <gtest/gtest.h>

#include <cairo.h>

#include "gs_test_support.h"
#include "ps_render.h"

using zyt_test::ConsoleCapture;
using zyt_test::fresh_status;
using zyt_test::Graphics;

namespace {

class State : public Graphics
{
protected:
    static std::vector<GsFormItem> two_items()
    {
        std::vector<GsFormItem> items(2);
        items[0].label = "NUMBER";
        items[0].description = "A NUMBER OF THE TEST";
        items[0].type = GS_ITEM_INTEGER;
        items[0].int_value = 4;
        items[1].label = "SWITCH";
        items[1].description = "A SWITCH OF THE TEST";
        items[1].type = GS_ITEM_LOGICAL;
        return items;
    }

    // Shows an image-like picture: a data window of 2048 x 2048 elements in
    // the middle of the page, as an image display leaves it.
    void picture_transform()
    {
        GS_SET_DDDR(0.0f, 0.0f, 2048.0f, 2048.0f, status);
        GS_SET_DGPP(0.1f, 0.3f, 0.6f, 0.8f, status);
        GS_RESTORE_TRANSFORM(status);
        ASSERT_EQ(status, ST_GOOD_VALUE);
    }

    void expect_picture_transform()
    {
        float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        LG_INQ_DATAWINDOW(x1, y1, x2, y2, status);
        EXPECT_EQ(std::vector<float>({x1, y1, x2, y2}),
                  std::vector<float>({0.0f, 0.0f, 2048.0f, 2048.0f}));
        LG_INQ_VIEWPORT(x1, y1, x2, y2, status);
        EXPECT_EQ(std::vector<float>({x1, y1, x2, y2}), std::vector<float>({0.1f, 0.3f, 0.6f, 0.8f}));
    }

    // A blue rectangle in page coordinates, and the pixel in its middle.
    unsigned blue_rectangle()
    {
        const LgPageCoordinates page;
        GS_FILLSTYLE(1, GS_BLUE, status);
        GS_RECTANGLE(0.2f, 0.5f, 0.3f, 0.6f, true, false, status);
        return page_pixel(0.25f, 0.55f);
    }
};

// Every pixel of two snapshots, compared.
int differing_pixels(const std::string& a, const std::string& b)
{
    cairo_surface_t* sa = cairo_image_surface_create_from_png(a.c_str());
    cairo_surface_t* sb = cairo_image_surface_create_from_png(b.c_str());
    int differing = -1;
    if (cairo_surface_status(sa) == CAIRO_STATUS_SUCCESS &&
        cairo_surface_status(sb) == CAIRO_STATUS_SUCCESS &&
        cairo_image_surface_get_width(sa) == cairo_image_surface_get_width(sb) &&
        cairo_image_surface_get_height(sa) == cairo_image_surface_get_height(sb)) {
        differing = 0;
        const int w = cairo_image_surface_get_width(sa);
        const int h = cairo_image_surface_get_height(sa);
        for (int y = 0; y < h; ++y) {
            const auto* ra = reinterpret_cast<const unsigned*>(cairo_image_surface_get_data(sa) +
                                                               y * cairo_image_surface_get_stride(sa));
            const auto* rb = reinterpret_cast<const unsigned*>(cairo_image_surface_get_data(sb) +
                                                               y * cairo_image_surface_get_stride(sb));
            for (int x = 0; x < w; ++x)
                if ((ra[x] & 0xffffff) != (rb[x] & 0xffffff)) ++differing;
        }
    }
    cairo_surface_destroy(sa);
    cairo_surface_destroy(sb);
    return differing;
}

} // namespace

TEST_F(State, AFormPrintedAndRedrawnLooksAsBeforeAndColoursStayRight)
{
    const std::string file = dir.file("form.ps");
    open("snapshot \"" + dir.file("before") + "\"\n"
         "click 0.35 0.95\nkey ClearLine\ntext \"" + file + "\"\n"
         "snapshot \"" + dir.file("after") + "\"\n"
         "click \"O.K.\"\n",
         {"+DFORM"});
    std::vector<GsFormItem> items = two_items();
    run_form(items);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    EXPECT_NE(zyt_test::read_file(file).find("(DESCRIPTIONS)"), std::string::npos);
    EXPECT_EQ(differing_pixels(dir.file("before.png"), dir.file("after.png")), 0);
    // The window draws in the colour asked for after the print.
    EXPECT_EQ(blue_rectangle(), 0x0000ffu);
}

TEST_F(State, CancellingThePrintQuestionKeepsTheFormAndTheQuestion)
{
    open("click 0.35 0.95\nclick \"CANCEL\"\n"   // the form's print question, cancelled
         "click \"SWITCH\"\nclick \"O.K.\"\n"       // the form is still there
         "click 0.35 0.14\nclick \"CANCEL\"\n"   // the menu's print question, cancelled
         "click \"YES\"\n",
         {"+DFORM", "+DMENU"});
    std::vector<GsFormItem> items = two_items();
    run_form(items);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_TRUE(items[1].logical_value);
    GS_DEF_GUIREGION(status);
    GS_SET_DOC_CONTROL(false, true, status);
    bool answer = false;
    const std::vector<std::string> help{"Help"};
    GS_INPL(true, "RECONSTRUCT DIRECT FROM SINOGRAMS", 1, help, answer, status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_TRUE(answer);
}

TEST(WindowState, ANewWindowDrawsWithTheAttributesAlreadySet)
{
    zyt_test::TempDir dir;
    zyt_test::write_file(dir.file("events.txt"), "");
    LgWindowOptions options;
    options.headless = true;
    options.events_file = dir.file("events.txt");
    LG_X11_SET_OPTIONS(options);
    int status = fresh_status();
    LG_OPEN(0, status);
    // Set before any window exists: blue plus signs, and large ones.
    LG_MARKERCOLOUR(5, status);
    LG_MARKERSCALE(3.0f, status);
    LG_OPEN_WK(1, 1, LG_WINDOW_PORTRAIT, status);
    LG_ACTIVATE_WK(1, status);
    LG_UNITYTRANSFORM(true, status);
    const float x[1] = {0.35f};
    const float y[1] = {0.5f};
    LG_POLYMARKER(1, x, y, status);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    // A plus of arm 707 * 3 / 150 = 14 pixels: its arms are blue, its
    // diagonals (a cross would be there) untouched.
    const int cx = static_cast<int>(0.35f * 707);
    const int cy = 707 - static_cast<int>(0.5f * 707);
    EXPECT_EQ(LG_X11_PIXEL(cx + 10, cy), 0x0000ffu);
    EXPECT_EQ(LG_X11_PIXEL(cx, cy - 10), 0x0000ffu);
    EXPECT_EQ(LG_X11_PIXEL(cx + 7, cy - 7), 0xffffffu);
    LG_CLOSE_WK(1, status);
    LG_CLOSE(status);
    LG_X11_SET_OPTIONS(LgWindowOptions{});
}

// Help asked for inside a question over a picture: the answer still reaches
// the question, and the picture's transform is back afterwards.
TEST_F(State, HelpInsideQuestionsOverAPictureKeepsTheAnswer)
{
    const std::string help_and_answer =
        "click \"HELP\"\nclick \"O.K.\"\nkey ClearLine\ntab \"ANSWER\"\nclick \"O.K.\"\n";
    auto script = [&](const std::string& answer) {
        std::string text = help_and_answer;
        text.replace(text.find("ANSWER"), 6, answer);
        return text;
    };
    open(script("7") + script("2.5") + script("name.par"));
    const std::vector<std::string> help{"Some help"};
    picture_transform();
    int number = 1;
    GS_INPI(true, 1, 10, true, "NUMBER", 1, help, 0, help, number, status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_EQ(number, 7);
    expect_picture_transform();
    float real = 0.0f;
    GS_INPR(true, 0.0f, 10.0f, true, "REAL", 1, help, 0, help, real, status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_FLOAT_EQ(real, 2.5f);
    expect_picture_transform();
    std::string text = "old";
    int length = 0;
    GS_INPS(true, "TEXT", 1, help, text, length, status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_EQ(text, "name.par");
    expect_picture_transform();
}

TEST_F(State, HelpTypedInAnyCaseAndBadNumbersAreShownInTheWindow)
{
    open("key ClearLine\ntext \"help\"\nclick \"O.K.\"\n"      // help, in lower case
         "key ClearLine\ntext \"abc\"\n"                       // not a number:
         "snapshot \"" + dir.file("refused") + "\"\n"          // a warning in the window
         "click \"O.K.\"\nkey ClearLine\ntext \"4\"\n");
    const std::vector<std::string> help{"Some help"};
    ConsoleCapture console;
    int number = 1;
    GS_INPI(true, 1, 10, true, "NUMBER", 1, help, 0, help, number, status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_EQ(number, 4);
    const auto lines = console.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "WARNING: Input value: cannot convert to a integer number");
    cairo_surface_t* refused = cairo_image_surface_create_from_png(dir.file("refused.png").c_str());
    ASSERT_EQ(cairo_surface_status(refused), CAIRO_STATUS_SUCCESS);
    // The warning fills the strip at the foot of the page in red.
    const unsigned* row = reinterpret_cast<const unsigned*>(
        cairo_image_surface_get_data(refused) + 670 * cairo_image_surface_get_stride(refused));
    EXPECT_EQ(row[3] & 0xffffffu, 0xff0000u);
    cairo_surface_destroy(refused);
}

// The window resized while a help message covers the page: when the message
// goes, the page under it is back (at the new size) and the question under
// it answers.
TEST_F(State, AResizeUnderAHelpMessageGivesThePageBack)
{
    open("click \"HELP\"\nresize 1000 1414\nclick \"O.K.\"\n"
         "snapshot \"" + dir.file("after") + "\"\nclick \"YES\"\n");
    {
        const LgPageCoordinates page;
        GS_FILLSTYLE(1, GS_RED, status);
        GS_RECTANGLE(0.3f, 0.5f, 0.4f, 0.6f, true, false, status);
    }
    const std::vector<std::string> help{"Answer YES to reconstruct from sinograms"};
    bool answer = false;
    GS_INPL(true, "RECONSTRUCT DIRECT FROM SINOGRAMS", 1, help, answer, status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_TRUE(answer);
    cairo_surface_t* after = cairo_image_surface_create_from_png(dir.file("after.png").c_str());
    ASSERT_EQ(cairo_surface_status(after), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(after), 1000);
    auto at = [&](float x, float y) {
        const auto* row = reinterpret_cast<const unsigned*>(
            cairo_image_surface_get_data(after) +
            static_cast<int>(1414 - y * 1414) * cairo_image_surface_get_stride(after));
        return row[static_cast<int>(x * 1414)] & 0xffffffu;
    };
    EXPECT_EQ(at(0.35f, 0.55f), 0xff0000u); // the page under the message
    EXPECT_EQ(at(0.003f, 0.99f), 0xffffffu); // no trace of the message's frame
    cairo_surface_destroy(after);
}
