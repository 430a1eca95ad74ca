#include <gtest/gtest.h>

#include <cairo.h>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>

#include "lg/device.h"
#include "lg_test_support.h"

using zyt_test::ConsoleCapture;
using zyt_test::fresh_status;
using zyt_test::HeadlessWindow;
using zyt_test::read_file;

namespace {

class Window : public HeadlessWindow
{
protected:
    // The text entry of one question: keys from the script, the entry returned.
    std::string ask(const std::string& initial = "", bool keep = false, int* event = nullptr)
    {
        std::string text = initial;
        int type = -5;
        int workstation = 0;
        float x = 0, y = 0;
        LG_INP_EVENT(1, 0, true, "NAME", keep, 0.1f, 0.1f, 0.6f, 0.2f, type, workstation, text, x,
                     y, status);
        if (event != nullptr) *event = type;
        return text;
    }
};

} // namespace

TEST_F(Window, CellArrayColourIndicesAndSampling)
{
    open("");
    pixel_world();
    // A 4 x 2 index array shown 8 x 2 pixels wide at the bottom left: each
    // element covers two pixels, the first row at the bottom. The corners
    // are the array's outer edges: world y 0 is the page's lower edge.
    const int indices[8] = {3, 4, 5, 6, 7, 8, 1, 2};
    LG_CELLARRAY(4, 2, 1, 1, 4, 2, indices, 0.0f, 0.0f, 8.0f, 2.0f, status);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    const int bottom = 706;
    const unsigned expected_bottom[8] = {0xff0000, 0xff0000, 0x00ff00, 0x00ff00,
                                         0x0000ff, 0x0000ff, 0xffff00, 0xffff00};
    for (int x = 0; x < 8; ++x) EXPECT_EQ(LG_X11_PIXEL(x, bottom), expected_bottom[x]) << x;
    EXPECT_EQ(LG_X11_PIXEL(0, bottom - 2), 0xffffffu);
    EXPECT_EQ(LG_X11_PIXEL(0, bottom - 1), 0xff00ffu);
    EXPECT_EQ(LG_X11_PIXEL(7, bottom - 1), 0xffffffu);
    EXPECT_EQ(LG_X11_PIXEL(5, bottom - 1), 0x000000u);
    EXPECT_EQ(LG_X11_PIXEL(8, bottom), 0xffffffu); // outside: untouched white

    // Part of the array (elements 2..3 of row 2) shrunk into one pixel column.
    // Two elements in one pixel: the one under the pixel centre, the second.
    LG_CELLARRAY(4, 2, 2, 2, 3, 2, indices, 20.0f, 0.0f, 21.0f, 1.0f, status);
    EXPECT_EQ(LG_X11_PIXEL(20, bottom), 0x000000u);
    LG_CELLARRAY(4, 2, 1, 1, 5, 2, indices, 0.0f, 0.0f, 8.0f, 2.0f, status);
    EXPECT_EQ(status, 130017);
}

// Each element of an image takes exactly its share of the pixels: n elements
// on n pixels one each, on 2n pixels two each, none twice and none lost.
TEST_F(Window, AnImageTakesExactlyItsPixels)
{
    open("");
    pixel_world();
    constexpr int n = 8;
    std::vector<LgRgb> table(256);
    for (int i = 0; i < 256; ++i) LG_INQ_COLOUR(i, table[i], status);
    std::vector<int> indices(n * n);
    for (int k = 0; k < n * n; ++k) {
        indices[k] = 100 + k;
        table[100 + k] = {k / 64.0f, 1.0f - k / 64.0f, (k % 8) / 8.0f};
    }
    LG_COLOURS(256, 100, 100 + n * n - 1, table, status);
    for (int scale : {1, 2}) {
        const int x0 = 50 * scale;
        LG_CELLARRAY(n, n, 1, 1, n, n, indices.data(), static_cast<float>(x0), 0.0f,
                     static_cast<float>(x0 + n * scale), static_cast<float>(n * scale), status);
        ASSERT_EQ(status, ST_GOOD_VALUE);
        for (int j = 0; j < n * scale; ++j)
            for (int i = 0; i < n * scale; ++i)
                ASSERT_EQ(LG_X11_PIXEL(x0 + i, 706 - j), pixel_of(100 + i / scale + (j / scale) * n))
                    << "scale " << scale << " pixel " << i << " " << j;
        EXPECT_EQ(LG_X11_PIXEL(x0 + n * scale, 706), 0xffffffu);
        EXPECT_EQ(LG_X11_PIXEL(x0 - 1, 706), 0xffffffu);
        EXPECT_EQ(LG_X11_PIXEL(x0, 706 - n * scale), 0xffffffu);
    }
}

TEST_F(Window, RealCellArraysLinearLogAndMasked)
{
    open("");
    pixel_world();
    int first = 0, last = 0;
    LG_INQ_IMAGERANGE(first, last, status);
    const int levels = last - first + 1;
    const float values[4] = {0.0f, 0.5f, 1.0f, 2.0f};
    LG_REALCELLARRAY(4, 1, 1, 1, 4, 1, values, 0.0f, 0.0f, 4.0f, 1.0f, 0.0f, 1.0f, status);
    EXPECT_EQ(LG_X11_PIXEL(0, 706), pixel_of(first));
    EXPECT_EQ(LG_X11_PIXEL(1, 706), pixel_of(first + levels / 2 + levels % 2));
    EXPECT_EQ(LG_X11_PIXEL(2, 706), pixel_of(last));
    EXPECT_EQ(LG_X11_PIXEL(3, 706), pixel_of(last));

    // A flat range is widened: all 5.0 is shown with 4.5 .. 5.5, all 0.0 with -0.1 .. 0.1.
    const float fives[2] = {5.0f, 5.0f};
    LG_REALCELLARRAY(2, 1, 1, 1, 2, 1, fives, 10.0f, 0.0f, 12.0f, 1.0f, 5.0f, 5.0f, status);
    EXPECT_EQ(LG_X11_PIXEL(10, 706), pixel_of(first + static_cast<int>(std::lround(0.5f * levels))));
    const float zeros[1] = {0.0f};
    LG_REALCELLARRAY(1, 1, 1, 1, 1, 1, zeros, 12.0f, 0.0f, 13.0f, 1.0f, 0.0f, 0.0f, status);
    EXPECT_EQ(LG_X11_PIXEL(12, 706), pixel_of(first + static_cast<int>(std::lround(0.5f * levels))));

    // Masked elements take the mask colour.
    const bool mask[4] = {false, true, false, true};
    LG_RMASKCELLARRAY(4, 1, 1, 1, 4, 1, values, 20.0f, 0.0f, 24.0f, 1.0f, 0.0f, 1.0f, mask, true,
                      3, status);
    EXPECT_EQ(LG_X11_PIXEL(20, 706), pixel_of(first));
    EXPECT_EQ(LG_X11_PIXEL(21, 706), 0xff0000u);
    EXPECT_EQ(LG_X11_PIXEL(23, 706), 0xff0000u);

    // Log scaling: a range starting at 0 becomes 0.001 .. 500; the decades
    // are spread evenly over the colours.
    LG_SET_LOGZSCALING(true, status);
    const float logs[4] = {0.0f, 0.001f, 500.0f, 1.0e6f};
    LG_REALCELLARRAY(4, 1, 1, 1, 4, 1, logs, 30.0f, 0.0f, 34.0f, 1.0f, 0.0f, 500.0f, status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_EQ(LG_X11_PIXEL(30, 706), pixel_of(first));
    EXPECT_EQ(LG_X11_PIXEL(31, 706), pixel_of(first));
    EXPECT_EQ(LG_X11_PIXEL(32, 706), pixel_of(last));
    EXPECT_EQ(LG_X11_PIXEL(33, 706), pixel_of(last));
    const float middle[1] = {std::sqrt(0.001f * 500.0f)}; // half way in decades
    LG_REALCELLARRAY(1, 1, 1, 1, 1, 1, middle, 34.0f, 0.0f, 35.0f, 1.0f, 0.001f, 500.0f, status);
    const unsigned mid = LG_X11_PIXEL(34, 706);
    EXPECT_TRUE(mid == pixel_of(first + levels / 2) || mid == pixel_of(first + levels / 2 - 1));

    // The device refuses a log range that does not start above zero.
    int error = 0;
    ConsoleCapture console;
    LG_SET_LOGZSCALING(true, status);
    const LgCells cell{1, 1, 1, 1, 1, 1, 0.5f, 0.5f, 0.5f, 0.5f};
    error = LG_DEVICE(1)->real_cell_array(cell, zeros, nullptr, 0.0f, 1.0f, 1, LG_STATE());
    EXPECT_EQ(error, 2);
    EXPECT_EQ(console.lines().at(0), "ERROR: Log scaling range unacceptable");
    LG_SET_LOGZSCALING(false, status);
}

TEST_F(Window, PolylineRunsJoinAndPolygonsAreLimited)
{
    open("");
    pixel_world();
    std::vector<float> x(450), y(450, 300.5f);
    for (int i = 0; i < 450; ++i) x[i] = 10.5f + i;
    LG_POLYLINE(450, x.data(), y.data(), status);
    const int row = 707 - 300;
    // As with any pen, the last pixel of the line is not drawn.
    for (int px = 10; px <= 458; ++px) ASSERT_EQ(LG_X11_PIXEL(px, row), 0x000000u) << px;
    EXPECT_EQ(LG_X11_PIXEL(9, row), 0xffffffu);
    EXPECT_EQ(LG_X11_PIXEL(200, row - 1), 0xffffffu);

    std::vector<float> px(201, 5.0f), py(201, 5.0f);
    LG_FILLAREA(201, px.data(), py.data(), status);
    EXPECT_EQ(status, 130001);
    status = fresh_status();
    const float sx[4] = {100, 200, 200, 100};
    const float sy[4] = {100, 100, 200, 200};
    LG_FILLCOLOUR(5, status);
    LG_FILLAREA(4, sx, sy, status);
    EXPECT_EQ(LG_X11_PIXEL(150, 707 - 150), 0x0000ffu);
    EXPECT_EQ(LG_X11_PIXEL(250, 707 - 150), 0xffffffu);
    LG_POLYLINE(1, sx, sy, status);
    EXPECT_EQ(status, 130017);
}

TEST_F(Window, ResizeKeepsThePageRatio)
{
    open("resize 600 600\nresize 1000 707\n");
    int event = -5;
    float x = 0, y = 0;
    LG_INP_COORDINATE(1, 1, event, x, y, status);
    EXPECT_EQ(event, LG_EVENT_EXPOSE);
    int w = 0, h = 0, error = 0;
    LG_X11_INQ_SIZE(w, h, error);
    EXPECT_EQ(w, 424);
    EXPECT_EQ(h, 600);
    LG_INP_COORDINATE(1, 1, event, x, y, status);
    LG_X11_INQ_SIZE(w, h, error);
    EXPECT_EQ(w, 500);
    EXPECT_EQ(h, 707);
}

TEST_F(Window, LineEditor)
{
    const std::string long_text(132, 'a');
    open("key Left\nkey BackSpace\ntext \"abc\"\n"  // nothing to move over or delete
         "key Left\nkey BackSpace\ntext \"X\"\n"     // cursor left, delete, insert
         "key Up\nkey Up\nkey Return\n"               // history, newest first
         "key Up\nkey Up\nkey Up\nkey Up\nkey Down\nkey Return\n"
         "key Up\nkey Down\nkey Return\n"             // past the newest: empty
         "text \"" + long_text + "b\"\n"             // the 133rd character is refused
         "key ClearLine\ntext \"new\"\n"
         "key Right\nkey Left\nkey Left\ntab \"c\"\n");
    EXPECT_EQ(ask(), "abc");
    EXPECT_EQ(ask("abc", true), "aXc");
    EXPECT_EQ(ask(), "abc");
    // History now: abc, aXc, abc. Up to the oldest, then one newer.
    EXPECT_EQ(ask(), "aXc");
    EXPECT_EQ(ask(), "");
    EXPECT_EQ(ask(), long_text);
    EXPECT_EQ(ask("old", true), "new");
    int event = -5;
    EXPECT_EQ(ask("abde", true, &event), "abcde");
    EXPECT_EQ(event, LG_EVENT_TAB);
    EXPECT_EQ(status, ST_GOOD_VALUE);
}

TEST_F(Window, HistoryKeepsOneEntryForTheSameTextTwice)
{
    open("text \"same\"\ntext \"same\"\nkey Up\nkey Up\nkey Return\n");
    ask();
    ask();
    EXPECT_EQ(ask(), "same"); // the second Up finds no older entry
}

TEST_F(Window, ScriptWordsAndComments)
{
    record_file = dir.file("record.txt");
    open("# a comment line\n"
         "\n"
         "snapshot " + dir.file("first") + "   # a comment after an event\n"
         "expose\n"
         "click \"OK BUTTON\"\n"
         "text \"say \\\"hi\\\"\"\n");
    LG_REGISTER_TARGET("OK BUTTON", 0.1f, 0.1f, 0.3f, 0.2f);
    LG_REGISTER_TARGET("OK BUTTON", 0.5f, 0.5f, 0.6f, 0.7f); // drawn later: this one wins
    int event = -5;
    float x = 0, y = 0;
    LG_INP_COORDINATE(1, 1, event, x, y, status);
    EXPECT_EQ(event, LG_EVENT_EXPOSE);
    EXPECT_TRUE(std::filesystem::exists(dir.file("first.png")));
    LG_UNITYTRANSFORM(true, status);
    LG_INP_COORDINATE(1, 1, event, x, y, status);
    EXPECT_EQ(event, LG_EVENT_PRESS);
    EXPECT_NEAR(x, 0.55f, 0.002f);
    EXPECT_NEAR(y, 0.6f, 0.002f);
    EXPECT_EQ(ask(), "say \"hi\"");
    EXPECT_EQ(read_file(record_file), "expose\nclick 0.548798 0.599717\nkey ClearLine\n"
                                      "text \"say \\\"hi\\\"\"\n");
}

// The pointer moved without a press: the crosshair follows it across the
// window, the rubber band runs from its start point, and snapshots show both.
TEST_F(Window, PointerMovesShowTheFeedback)
{
    open("move 0.2 0.3\nsnapshot " + dir.file("moved") + "\n"
         "hover 300 100\nsnapshot " + dir.file("hovered") + "\nclick 0.5 0.5\n");
    pixel_world();
    LG_SET_RUBBERBAND(1, 2, 100.0f, 400.0f, status); // a box from pixel (100, 400) up
    int event = -5;
    float x = 0, y = 0;
    LG_INP_COORDINATE(1, 0, event, x, y, status);
    EXPECT_EQ(event, LG_EVENT_PRESS);
    auto pixel = [](const std::string& png, int px, int py) {
        cairo_surface_t* s = cairo_image_surface_create_from_png(png.c_str());
        unsigned value = 0x123456;
        if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS)
            value = reinterpret_cast<const unsigned*>(cairo_image_surface_get_data(s) +
                                                      py * cairo_image_surface_get_stride(s))[px] &
                    0xffffffu;
        cairo_surface_destroy(s);
        return value;
    };
    const std::string moved = dir.file("moved.png");
    const int row = 707 - static_cast<int>(0.3f * 707);
    const int column = static_cast<int>(0.2f * 707);
    EXPECT_EQ(pixel(moved, 5, row), 0x000000u);       // the crosshair's line across
    EXPECT_EQ(pixel(moved, column, 700), 0x000000u);   // and down
    EXPECT_EQ(pixel(moved, 5, row - 20), 0xffffffu);
    const std::string hovered = dir.file("hovered.png");
    EXPECT_EQ(pixel(hovered, 200, 707 - 400), 0x000000u); // the box's side at y = 400
    EXPECT_EQ(pixel(hovered, 100, 707 - 250), 0x000000u); // and at x = 100
    EXPECT_EQ(pixel(hovered, 5, row), 0xffffffu);           // the first crosshair is gone
    // Nothing is left on the page once the click ended the wait.
    EXPECT_EQ(LG_X11_PIXEL(5, 707 - 100), 0xffffffu);
    EXPECT_EQ(LG_X11_PIXEL(200, 707 - 400), 0xffffffu);
}

TEST_F(Window, BadLinesAndTheEndOfTheScriptCancel)
{
    for (const std::string bad : {"clik 1 2", "click 1 x", "click \"NOT SHOWN\"", "key Home",
                                  "text \"open", "resize 0 10", "click nan nan",
                                  "point inf 1"}) {
        open("expose\n" + bad + "\n");
        int event = -5;
        float x = 0, y = 0;
        LG_INP_COORDINATE(1, 1, event, x, y, status);
        ConsoleCapture console;
        LG_INP_COORDINATE(1, 1, event, x, y, status);
        EXPECT_EQ(status, ST_ESCAPE_VALUE) << bad;
        EXPECT_EQ(console.lines().at(0), "ERROR: Bad event script line 2: " + bad);
        TearDown();
    }
    open("");
    ConsoleCapture console;
    int event = -5;
    float x = 0, y = 0;
    LG_INP_COORDINATE(1, 0, event, x, y, status);
    EXPECT_EQ(status, ST_ESCAPE_VALUE);
    EXPECT_EQ(console.lines().at(0), "ERROR: Event script ended while input was awaited");
}

// Positions far outside the window are clicks far outside it, whatever the
// transform makes of them: no overflow, and the run goes on.
TEST_F(Window, HugePositionsAreClampedNotOverflowed)
{
    open("click 0.5 3500000\npoint 1e30 -1e30\nclick -1e38 0.5\n");
    pixel_world();
    for (int k = 0; k < 3; ++k) {
        int event = -5;
        float x = 0, y = 0;
        LG_INP_COORDINATE(1, 0, event, x, y, status);
        EXPECT_EQ(status, ST_GOOD_VALUE) << k;
        EXPECT_EQ(event, LG_EVENT_PRESS) << k;
        EXPECT_TRUE(std::isfinite(x) && std::isfinite(y)) << k;
    }
}

// A script must be a file that ends: anything else is refused when the
// window opens, with the reason, instead of being read for ever.
TEST(WindowScript, OnlyARegularFileIsAScript)
{
    zyt_test::TempDir dir;
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& file : {std::string("/dev/zero"), dir.path().string(), fifo}) {
        LgWindowOptions options;
        options.headless = true;
        options.events_file = file;
        ConsoleCapture console;
        int status = ST_GOOD_VALUE;
        zyt_test::open_window(options, LG_WINDOW_PORTRAIT, status);
        EXPECT_EQ(status, 132001) << file;
        EXPECT_EQ(console.lines().at(0), "ERROR: The event script is not a regular file: " + file);
        zyt_test::close_window();
    }
}

TEST_F(Window, WaitingAgainAfterTheScriptEndedStopsTheProgram)
{
    open("");
    int event = -5;
    float x = 0, y = 0;
    LG_INP_COORDINATE(1, 0, event, x, y, status);
    ASSERT_EQ(status, ST_ESCAPE_VALUE);
    status = fresh_status();
    EXPECT_EXIT(LG_INP_COORDINATE(1, 0, event, x, y, status), ::testing::ExitedWithCode(1), "");
}

TEST_F(Window, TextAndItsWidth)
{
    open("");
    float narrow = 0, wide = 0;
    LG_INQ_TEXTWIDTH(1, "iiii", narrow, status);
    LG_INQ_TEXTWIDTH(1, "MMMM  ", wide, status);
    EXPECT_GT(narrow, 0.0f);
    EXPECT_GT(wide, 2.0f * narrow);
    EXPECT_LT(wide, 0.2f);
    pixel_world();
    LG_TEXTCOLOUR(1, status);
    LG_TEXTHEIGHT(0.05f, status);
    LG_TEXT(100.0f, 400.0f, "WWWW", status);
    int dark = 0;
    for (int y = 300; y < 320; ++y)
        for (int x = 100; x < 160; ++x)
            if ((LG_X11_PIXEL(x, y) & 0xff) < 0x80) ++dark;
    EXPECT_GT(dark, 30);
}

TEST_F(Window, SnapshotsWhenInputIsAwaited)
{
    const std::string pages = dir.file("pages");
    snapshots_dir = pages;
    open("expose\nexpose\nsnapshot /no/such/dir/x\nexpose\n", LG_WINDOW_LANDSCAPE);
    int event = -5;
    float x = 0, y = 0;
    LG_INP_COORDINATE(1, 1, event, x, y, status);
    LG_INP_COORDINATE(1, 1, event, x, y, status);
    ConsoleCapture console;
    LG_INP_COORDINATE(1, 1, event, x, y, status);
    EXPECT_EQ(console.lines().at(0), "WARNING: Could not write the snapshot /no/such/dir/x.png");
    for (const char* name : {"/page_0001.png", "/page_0002.png", "/page_0003.png"})
        EXPECT_EQ(read_file(pages + name).substr(1, 3), "PNG") << name;
    EXPECT_FALSE(std::filesystem::exists(pages + "/page_0004.png"));
}
