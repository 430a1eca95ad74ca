// The PostScript device: files judged by Ghostscript, and compared with the
// headless window drawing the same page.
#include <gtest/gtest.h>

#include "io/units.h"
#include "lg_test_support.h"
#include "ps_render.h"

using zyt_test::read_file;
using zyt_test::render;
using zyt_test::Rendered;
using zyt_test::split_lines;

namespace {

constexpr int PS_UNIT = 17;

class PostScript : public zyt_test::HeadlessWindow
{
protected:
    // A PostScript workstation (2) beside the window (1), both active.
    void open_postscript(int type)
    {
        open("", type == 22 || type == 24 ? LG_WINDOW_LANDSCAPE : LG_WINDOW_PORTRAIT);
        ps_file = dir.file("page.ps");
        int error_value = 0;
        ASSERT_TRUE(io_unit_open(PS_UNIT, ps_file, IoAccess::write, error_value));
        LG_OPEN_WK(2, PS_UNIT, type, status);
        LG_ACTIVATE_WK(2, status);
        ASSERT_EQ(status, ST_GOOD_VALUE);
    }

    std::string finish()
    {
        LG_UPDATE(2, true, status);
        LG_CLOSE_WK(2, status);
        IO_WRITE_FILE(PS_UNIT, "% End of PostScript file", status);
        IO_CLOSE_FILE(PS_UNIT, status);
        EXPECT_EQ(status, ST_GOOD_VALUE);
        const std::string text = read_file(ps_file);
        for (const std::string& line : split_lines(text)) EXPECT_LE(line.size(), 81u) << line;
        return text;
    }

    Rendered render_page()
    {
        Rendered r = render(ps_file, dir.file("page.png"));
        EXPECT_EQ(r.exit_code, 0) << r.messages;
        EXPECT_EQ(r.messages.find("Error"), std::string::npos) << r.messages;
        return r;
    }

    std::string ps_file;
};

std::size_t count(const std::string& text, const std::string& part)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

} // namespace

TEST_F(PostScript, FilledAreasAndImagesAgreeWithTheWindow)
{
    open_postscript(21);
    LG_UNITYTRANSFORM(true, status);
    LG_FILLCOLOUR(3, status);
    const float x[4] = {0.1f, 0.3f, 0.3f, 0.1f};
    const float y[4] = {0.1f, 0.1f, 0.3f, 0.3f};
    LG_FILLAREA(4, x, y, status);
    // A 2 x 2 image over the range 0 .. 2: green, blue (bottom row), magenta
    // and a masked element in cyan (top row).
    const float values[4] = {0.0f, 1.0f, 2.0f, 3.0f};
    const bool mask[4] = {false, false, false, true};
    std::vector<LgRgb> table(256);
    for (int i = 0; i < 256; ++i) LG_INQ_COLOUR(i, table[i], status);
    table[9] = {0, 1, 0};   // the minimum
    table[133] = {0, 0, 1}; // half way: 9 + nint(247 / 2)
    table[255] = {1, 0, 1}; // the maximum
    LG_COLOURS(256, 9, 255, table, status);
    LG_RMASKCELLARRAY(2, 2, 1, 1, 2, 2, values, 0.4f, 0.4f, 0.6f, 0.6f, 0.0f, 2.0f, mask, true, 8,
                      status);
    LG_LINECOLOUR(1, status);
    std::vector<float> lx(450), ly(450);
    for (int i = 0; i < 450; ++i) {
        lx[i] = 0.05f + 0.6f * i / 449.0f;
        ly[i] = 0.8f;
    }
    LG_POLYLINE(450, lx.data(), ly.data(), status);
    LG_TEXT(0.1f, 0.9f, "Text with (parentheses) and a \\ backslash", status);
    const std::string text = finish();

    EXPECT_EQ(count(text, " pl\n"), 3u); // 450 points in runs of 200, 200 and 52
    EXPECT_NE(text.find("(Text with \\(parentheses\\) and a \\\\ backslash)"), std::string::npos);
    EXPECT_NE(text.find("false 3 colorimage"), std::string::npos);

    const Rendered page = render_page();
    ASSERT_NE(page.page, nullptr);
    struct Probe
    {
        float x, y;
        unsigned colour;
    } probes[] = {{0.2f, 0.2f, 0xff0000}, {0.45f, 0.45f, 0x00ff00}, {0.55f, 0.45f, 0x0000ff},
                  {0.45f, 0.55f, 0xff00ff}, {0.55f, 0.55f, 0x00ffff}, {0.35f, 0.2f, 0xffffff}};
    for (const Probe& p : probes) {
        EXPECT_EQ(page.at(p.x, p.y), p.colour) << p.x << " " << p.y;
        int w = 0, h = 0, error = 0;
        LG_X11_INQ_SIZE(w, h, error);
        const unsigned window = LG_X11_PIXEL(static_cast<int>(p.x * 707), 707 - static_cast<int>(p.y * 707));
        EXPECT_EQ(window, p.colour) << p.x << " " << p.y;
    }
    // The line was drawn across its whole length.
    EXPECT_EQ(page.at(0.35f, 0.8f) & 0xff, 0u);
}

TEST_F(PostScript, LandscapePagesAreTurnedAfterEveryShowpage)
{
    open_postscript(22);
    LG_UNITYTRANSFORM(true, status);
    const float x[2] = {0.1f, 0.9f};
    const float y[2] = {0.1f, 0.6f};
    LG_POLYLINE(2, x, y, status);
    LG_UPDATE(2, true, status);
    LG_POLYLINE(2, x, y, status);
    const std::string text = finish();
    const auto lines = split_lines(text);
    int pages = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] != "showpage") continue;
        ++pages;
        ASSERT_LT(i + 2, lines.size());
        EXPECT_EQ(lines[i + 1], "0.1 0.1 scale");
        EXPECT_EQ(lines[i + 2], "5950 0 translate 90 rotate");
    }
    EXPECT_EQ(pages, 2);
    render_page();
}

TEST_F(PostScript, GreyFilesUseOneValueAndImage)
{
    open_postscript(23);
    LG_UNITYTRANSFORM(true, status);
    LG_FILLCOLOUR(5, status);
    const int indices[4] = {1, 2, 3, 4};
    LG_CELLARRAY(2, 2, 1, 1, 2, 2, indices, 0.1f, 0.1f, 0.3f, 0.3f, status);
    LG_TEXTHEIGHT(0.03f, status);
    LG_TEXTALIGNMENT(2, 3, status);
    LG_TEXT(0.35f, 0.5f, "Grey page", status);
    const std::string text = finish();
    EXPECT_NE(text.find("image grestore} def"), std::string::npos);
    EXPECT_EQ(text.find("colorimage"), std::string::npos);
    EXPECT_NE(text.find("\n0.110 fc\n"), std::string::npos); // blue as one grey value
    const Rendered page = render_page();
    ASSERT_NE(page.page, nullptr);
    EXPECT_EQ(page.at(0.15f, 0.15f), 0x000000u);  // index 1: black
    EXPECT_EQ(page.at(0.25f, 0.15f), 0xffffffu);  // index 2: white
    const unsigned red_as_grey = page.at(0.15f, 0.25f);
    EXPECT_EQ(red_as_grey & 0xff, (red_as_grey >> 8) & 0xff); // grey: equal components
}

TEST_F(PostScript, InputIsRefusedOnAPostScriptWorkstation)
{
    open_postscript(21);
    zyt_test::ConsoleCapture console;
    int event = 0;
    float x = 0, y = 0;
    LG_INP_COORDINATE(2, 0, event, x, y, status);
    LG_SET_RUBBERBAND(2, 1, 0.0f, 0.0f, status);
    LG_SET_UPDATE(2, status);
    EXPECT_EQ(console.lines(),
              (std::vector<std::string>{
                  "WARNING: Coordinate input is not possible from a Postscript device",
                  "WARNING: Rubber-banding is not possible from a Postscript device",
                  "WARNING: SET UPDATE is not possible on a Postscript device"}));
    finish();
}
