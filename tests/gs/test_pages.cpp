// Pages as the user sees them: the pixels of the window read back after a
// widget was drawn, at the sizes and in the orientations a user chooses.
#include <gtest/gtest.h>

#include "gs_test_support.h"
#include "ps_render.h"

using zyt_test::Graphics;
using zyt_test::Picture;
using zyt_test::Projection;

namespace {

// Dark ink at a pixel (anti-aliased edges included).
bool dark(unsigned pixel)
{
    return ((pixel >> 16) & 255) < 0x80 && ((pixel >> 8) & 255) < 0x80 && (pixel & 255) < 0x80;
}

class Pages : public Graphics
{
protected:
    static int width()
    {
        int w = 0, h = 0, error = 0;
        LG_X11_INQ_SIZE(w, h, error);
        return w;
    }
    static int height()
    {
        int w = 0, h = 0, error = 0;
        LG_X11_INQ_SIZE(w, h, error);
        return h;
    }

    // The glyphs of dark ink in a band of pixel rows, left to right: per
    // glyph (a run of columns with ink) its top and bottom ink rows.
    struct Glyph
    {
        int x1, x2, top, bottom;
    };
    static std::vector<Glyph> glyphs(int row1, int row2)
    {
        std::vector<Glyph> found;
        bool in_glyph = false;
        for (int x = 0; x < width(); ++x) {
            int top = -1, bottom = -1;
            for (int y = row1; y <= row2; ++y)
                if (dark(LG_X11_PIXEL(x, y))) {
                    if (top < 0) top = y;
                    bottom = y;
                }
            if (top < 0) {
                in_glyph = false;
                continue;
            }
            if (!in_glyph) found.push_back({x, x, top, bottom});
            Glyph& g = found.back();
            g.x2 = x;
            g.top = std::min(g.top, top);
            g.bottom = std::max(g.bottom, bottom);
            in_glyph = true;
        }
        return found;
    }
};

} // namespace

// Upright text is drawn unrotated: its first letter stands on the same
// baseline, at the same size, as the others.
TEST_F(Pages, UprightTextStandsOnOneBaseline)
{
    open("");
    const LgPageCoordinates page;
    for (int k = 0; k < 40; ++k) {
        const float size = 0.012f + 0.0005f * k;
        GS_FILLSTYLE(1, GS_WHITE, status);
        GS_RECTANGLE(0.0f, 0.4f, 0.7f, 0.6f, true, false, status);
        GS_TEXTSTYLE(1, GS_BLACK, size, 1, 1, 1, 2, 3, 0.0f, 1.0f, status);
        LG_TEXT(0.2f + 0.00037f * k, 0.5f, "lllll", status);
        ASSERT_EQ(status, ST_GOOD_VALUE);
        const int base = height() - static_cast<int>(0.5f * std::max(width(), height()));
        const std::vector<Glyph> g = glyphs(base - 60, base + 20);
        ASSERT_EQ(g.size(), 5u) << size;
        for (const Glyph& other : g) {
            EXPECT_EQ(other.top, g[0].top) << size;
            EXPECT_EQ(other.bottom, g[0].bottom) << size;
        }
    }
}

// A coordinate question asked over the page of the question before it (the
// yes/no question on the image, its band and its note above the strip)
// shows nothing of that question.
TEST_F(Pages, ACoordinateQuestionHidesTheQuestionBefore)
{
    open("point 10 10\npoint 60 40\n");
    Projection p(100, 50, 100, 50);
    GS_PLOT(p.image, status);
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    GS_INQ_GUIREGION(x1, y1, x2, y2, status);
    {
        const LgPageCoordinates page;
        GS_FILLSTYLE(1, GS_MAGENTA, status);
        GS_RECTANGLE(x1, y1, x2, y2 + 0.04f, true, false, status);
    }
    GS_RESTORE_TRANSFORM(status);
    const std::vector<std::string> info{"Select two corners", "of the region"};
    float x[2] = {0, 0};
    float y[2] = {0, 0};
    int count = 0;
    GS_INPS_FCOORDINATES(&p.image, "SELECT RECTANGLE", 2, 2, info, true, 2, false, 2, count, x,
                         y, status);
    ASSERT_EQ(count, 2);
    int left = 0;
    const int bottom = height() - static_cast<int>((y2 + 0.04f) * height() / 1.414214f);
    for (int py = bottom; py < height(); ++py)
        for (int px = 0; px < width(); ++px)
            if (LG_X11_PIXEL(px, py) == 0xff00ffu) ++left;
    EXPECT_EQ(left, 0);
}

// The snapshot taken while a typed text is awaited shows the entry box with
// the text offered.
TEST_F(Pages, TheSnapshotOfAWaitShowsTheEntry)
{
    open("text \"\"\n", {}, dir.file("snapshots"));
    std::string entry = "offered.txt";
    int event = 0, workstation = 0;
    float x = 0, y = 0;
    GS_FILLSTYLE(1, GS_YELLOW, status);
    LG_INP_EVENT(1, 0, true, "File Name (Optional)", true, 0.1f, 0.02f, 0.6f, 0.12f, event,
                 workstation, entry, x, y, status);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    const Picture shot(dir.file("snapshots/page_0001.png"));
    ASSERT_TRUE(shot.ok());
    EXPECT_EQ(shot.at(417, 707 - 77), 0xffff00u); // inside the box, right of its texts
}

// A fill covers the pixels that lines along its border cover: filling the
// page or a box leaves none of the lines drawn on it behind, at any size.
TEST_F(Pages, FillsCoverTheLinesOfTheirBorder)
{
    open("resize 354 500\nresize 1000 1414\n");
    for (int size = 0; size < 3; ++size) {
        const LgPageCoordinates page;
        GS_LINESTYLE(1, 1.0f, GS_BLACK, status);
        GS_RECTANGLE(0.1f, 0.1f, 0.3f, 0.3f, false, true, status);
        GS_RECTANGLE(0.0f, 0.0f, 0.7071f, 1.0f, false, true, status);
        GS_FILLSTYLE(1, GS_WHITE, status);
        GS_RECTANGLE(0.1f, 0.1f, 0.3f, 0.3f, true, false, status);
        const int max = std::max(width(), height());
        int left = 0;
        for (int py = height() - max * 3 / 10 - 3; py <= height() - max / 10 + 3; ++py)
            for (int px = max / 10 - 3; px <= max * 3 / 10 + 3; ++px)
                if (dark(LG_X11_PIXEL(px, py))) ++left;
        GS_BACKGROUND(status);
        for (int py = 0; py < height(); ++py)
            for (int px = 0; px < width(); ++px)
                if (dark(LG_X11_PIXEL(px, py))) ++left;
        EXPECT_EQ(left, 0) << width() << " x " << height();
        if (size == 2) break;
        int event = 0;
        float x = 0, y = 0;
        LG_INP_COORDINATE(1, 1, event, x, y, status); // the next size
        ASSERT_EQ(event, LG_EVENT_EXPOSE);
    }
}

// A question whose window is resized draws its whole page again, not only
// itself: the page then is as the page drawn at the new size.
TEST_F(Pages, AResizedQuestionDrawsItsWholePageAgain)
{
    open("resize 354 500\nkey ClearLine\ntext \"5\"\n");
    const std::vector<std::string> note{"The information on the page under the question,",
                                        "in lines of small text that a scaled copy breaks."};
    const auto draw = [&](int& s) {
        GS_BACKGROUND(s);
        GS_PROMPT(false, 2, 2, note, 0.02f, 0.3f, 0.68f, 0.4f, s);
    };
    draw(status);
    const GsPageDrawer page(draw, true);
    int value = 1;
    const std::vector<std::string> help{"A number"};
    GS_INPI(false, 0, 0, true, "A NUMBER", 1, help, 0, help, value, status);
    ASSERT_EQ(value, 5);
    ASSERT_EQ(width(), 354);
    const int top = height() - static_cast<int>(0.45f * height() / 1.414214f);
    const int bottom = height() - static_cast<int>(0.25f * height() / 1.414214f);
    std::vector<unsigned> shown;
    for (int py = top; py < bottom; ++py)
        for (int px = 0; px < width(); ++px) shown.push_back(LG_X11_PIXEL(px, py));
    draw(status);
    int differ = 0;
    for (int py = top, k = 0; py < bottom; ++py)
        for (int px = 0; px < width(); ++px, ++k) differ += shown[k] != LG_X11_PIXEL(px, py);
    EXPECT_EQ(differ, 0);
}

// While forms document themselves (+DFORM), a click on a picture is still a
// point of a coordinate question, and a click beside it prints the page: the
// picture with its colour bar and the point already given.
TEST_F(Pages, ClicksOnAPictureArePointsAndBesideItPrintThePage)
{
    const std::string file = dir.file("picture.ps");
    open("point 10 10\nclick 0.05 0.95\nkey ClearLine\ntext \"" + file + "\"\npoint 60 40\n",
         {"+DFORM"});
    GS_SET_LUTCHOICE(4, 200, status); // white to black, as projections are shown
    GS_COLOURS(status);
    Projection p(100, 50, 100, 50);
    GS_PLOT(p.image, status);
    float v[4], d[4];
    GS_INQ_DGPP(v[0], v[1], v[2], v[3], status);
    GS_INQ_DDDR(d[0], d[1], d[2], d[3], status);
    const std::vector<std::string> info{"Select two corners"};
    float x[2] = {0, 0};
    float y[2] = {0, 0};
    int count = 0;
    GS_INPS_FCOORDINATES(&p.image, "SELECT RECTANGLE", 1, 1, info, true, 2, false, 2, count, x,
                         y, status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    ASSERT_EQ(count, 2);
    EXPECT_NEAR(x[0], 10.0f, 0.5f);
    EXPECT_NEAR(x[1], 60.0f, 0.5f);
    const zyt_test::Rendered page = zyt_test::render(file, zyt_test::png_file(dir, "picture.png"));
    ASSERT_EQ(page.exit_code, 0) << page.messages;
    ASSERT_NE(page.page, nullptr);
    // Image coordinates on the page, and the grey level there.
    const auto page_x = [&](float dx) { return v[0] + (dx - d[0]) / (d[2] - d[0]) * (v[2] - v[0]); };
    const auto page_y = [&](float dy) { return v[1] + (dy - d[1]) / (d[3] - d[1]) * (v[3] - v[1]); };
    const auto grey = [&](float px, float py) { return page.at(px, py) >> 8 & 255; };
    // The object's shadow shows light in the dark bright field.
    EXPECT_GT(grey(page_x(50), page_y(25)), 0xc0u);
    EXPECT_LT(grey(page_x(5), page_y(25)), 0x50u);
    EXPECT_LT(grey(page_x(95), page_y(40)), 0x50u);
    // The colour bar beside it runs from white at its foot to black at its top.
    const float bar_x = v[2] + 0.02f * 0.7071f + 0.01f;
    EXPECT_GT(grey(bar_x, v[1] + 0.01f), 0xe0u);
    EXPECT_LT(grey(bar_x, v[3] - 0.01f), 0x20u);
    // The first point's red cross, and none where the second was given.
    const auto red = [](unsigned rgb) {
        return (rgb >> 16) > 0xc0 && ((rgb >> 8) & 255) < 0x60 && (rgb & 255) < 0x60;
    };
    const auto near = [&](float px, float py) {
        return page.count(page_x(px) - 0.01f, page_y(py) - 0.01f, page_x(px) + 0.01f,
                          page_y(py) + 0.01f, red);
    };
    EXPECT_GT(near(10, 10), 5);
    EXPECT_EQ(near(60, 40), 0);
}

// A form's button looks the same after its click's flash as before it: the
// item buttons keep their own bevel in the form's one menu record.
TEST_F(Pages, FormButtonsLookTheSameAfterAClick)
{
    open("");
    std::vector<GsFormItem> items{zyt_test::form_item("SINOGRAM INTERVAL", GS_ITEM_INTEGER),
                                  zyt_test::form_item("X-START", GS_ITEM_INTEGER),
                                  zyt_test::form_item("Y-START", GS_ITEM_INTEGER)};
    const std::vector<std::string> title{"SINOGRAM FORM"};
    GS_DRAW_FORM(1, title, items, status);
    const GsDrawnMenu m = GS_SAVE_DRAWN_MENU();
    ASSERT_EQ(m.buttons, 8);
    const int max = std::max(width(), height());
    for (int i = 0; i < m.buttons; ++i) {
        const int x1 = static_cast<int>(m.bx1[i] * max), x2 = static_cast<int>(m.bx2[i] * max);
        const int y1 = height() - static_cast<int>(m.by2[i] * max);
        const int y2 = height() - static_cast<int>(m.by1[i] * max);
        std::vector<unsigned> before;
        for (int y = y1; y <= y2; ++y)
            for (int x = x1; x <= x2; ++x) before.push_back(LG_X11_PIXEL(x, y));
        GS_DRAW_MENU_BUTTON(i, true, status);
        GS_DRAW_MENU_BUTTON(i, false, status);
        int differ = 0;
        for (int y = y1, k = 0; y <= y2; ++y)
            for (int x = x1; x <= x2; ++x, ++k) differ += before[k] != LG_X11_PIXEL(x, y);
        EXPECT_EQ(differ, 0) << m.labels[i];
    }
}

// The typed text and its cursor stay inside an entry box on the page's
// lower edge (the value of the axis question, offered in the window strip).
TEST_F(Pages, TheEntryCursorStaysInsideItsBox)
{
    open("key Return\n");
    std::string entry = "130.3030";
    int event = 0, workstation = 0;
    float x = 0, y = 0;
    GS_TEXTSTYLE(1, GS_BLACK, 0.03f, 1, 1, 1, 1, 0, 0.0f, 1.0f, status);
    GS_FILLSTYLE(1, GS_WHITE, status);
    LG_INP_EVENT(1, 0, true, " ", true, 0.01f, 0.0f, 0.6f, 0.15f * 5.0f / 16.0f, event,
                 workstation, entry, x, y, status);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    int ink = 0;
    for (int px = 0; px < width(); ++px) ink += dark(LG_X11_PIXEL(px, height() - 1));
    EXPECT_EQ(ink, 0);
}

// On a landscape page a picture's axes, labels and colour bar stay above the
// strip of questions and on the page: nothing of them lies in the strip.
TEST_F(Pages, ALandscapePictureKeepsItsAxesAboveTheStrip)
{
    open("", {"LANDSCAPE"});
    ASSERT_EQ(width(), 707);
    for (const auto& [nx, ny] : {std::pair{100, 50}, std::pair{50, 100}}) {
        Projection p(nx, ny, nx, ny);
        GS_PLOT(p.image, status);
        ASSERT_EQ(status, ST_GOOD_VALUE);
        int ink = 0;
        // The strip, and the line of information just above it, hold no ink.
        for (int py = height() - static_cast<int>(0.145f * width()); py < height(); ++py)
            for (int px = 0; px < width(); ++px) ink += dark(LG_X11_PIXEL(px, py));
        EXPECT_EQ(ink, 0) << nx << " x " << ny;
        // The colour bar's numbers end inside the page.
        for (int py = 0; py < height(); ++py) EXPECT_FALSE(dark(LG_X11_PIXEL(width() - 1, py)));
    }
}

// Texts that were too small to read at the default size: a form's CHANGE
// labels, a long path among its values (shown by its end), and the colour
// bar's label. Measured as the rows their ink takes.
TEST_F(Pages, SmallTextsReadAtTheDefaultSize)
{
    open("");
    auto ink_rows = [&](float x1, float y1, float x2, float y2, bool blue_too) {
        const int max = std::max(width(), height());
        int rows = 0;
        for (int py = height() - static_cast<int>(y2 * max);
             py <= height() - static_cast<int>(y1 * max); ++py) {
            bool ink = false;
            for (int px = static_cast<int>(x1 * max); px <= static_cast<int>(x2 * max); ++px) {
                const unsigned p = LG_X11_PIXEL(px, py);
                ink = ink || (blue_too ? ((p >> 16) & 255) < 0x80 && ((p >> 8) & 255) < 0x80
                                       : dark(p));
            }
            rows += ink;
        }
        return rows;
    };
    std::vector<GsFormItem> items{zyt_test::form_item("SINOGRAM MEGABYTES", GS_ITEM_INTEGER),
                                  zyt_test::form_item("OUTPUT FILE", GS_ITEM_OUTPUT_FILE)};
    items[1].text_value = "/data/experiments/2026/sample_a/reconstruction/volume_0001.vol";
    for (int n = 0; n < 5; ++n) items.push_back(items[0]);
    const std::vector<std::string> title{"TOMOGRAPHY RECONSTRUCTION CONTROL FORM 2"};
    GS_DRAW_FORM(1, title, items, status);
    const GsDrawnMenu m = GS_SAVE_DRAWN_MENU();
    // Capitals of 8 pixels are 6 rows high.
    const float h = m.by2[5] - m.by1[5];
    EXPECT_GE(ink_rows(m.bx1[5] + 0.1f * (m.bx2[5] - m.bx1[5]), m.by1[5] + 0.2f * h,
                       m.bx2[5] - 0.1f * (m.bx2[5] - m.bx1[5]), m.by2[5] - 0.2f * h, true),
              6);
    // The path's row in the VALUES column (the second item): text of 8 pixels
    // with its slashes takes 7 rows.
    EXPECT_GE(ink_rows(0.5f * 0.7071f + 0.005f, m.by1[6] + 0.005f, 0.75f * 0.7071f - 0.005f,
                       m.by2[6] - 0.005f, false),
              7);

    Projection p(100, 100, 100, 100);
    GS_PLOT(p.image, status);
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    GS_INQ_DGPP(x1, y1, x2, y2, status);
    EXPECT_GE(ink_rows(x2 + 0.005f, y2 + 0.008f, 0.7f, y2 + 0.04f, false), 6);
}

// A sinogram of a few columns and many rows (and its flat counterpart) drawn
// with square elements would be a strip a few pixels wide: it is stretched
// over the picture's area instead, and its title says so.
TEST_F(Pages, ANarrowOrFlatPictureIsStretchedAndSaysSo)
{
    open("");
    auto title_glyphs = [&](int nx, int ny) {
        Projection p(nx, ny, nx, ny);
        GS_PLOT(p.image, status);
        float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        GS_INQ_DGPP(x1, y1, x2, y2, status);
        const int max = std::max(width(), height());
        const int picture_top = height() - static_cast<int>(y2 * max);
        return std::tuple{x2 - x1, y2 - y1, glyphs(0, picture_top - 2).size()};
    };
    const auto [square_w, square_h, square_title] = title_glyphs(100, 100);
    for (const auto& [nx, ny] : {std::pair{16, 900}, std::pair{900, 16}}) {
        const auto [w, h, title] = title_glyphs(nx, ny);
        ASSERT_EQ(status, ST_GOOD_VALUE);
        EXPECT_GT(w, 0.2f * square_w) << nx << " x " << ny;
        EXPECT_GT(h, 0.2f * square_h) << nx << " x " << ny;
        EXPECT_GT(title, square_title + 10) << nx << " x " << ny;
    }
}
