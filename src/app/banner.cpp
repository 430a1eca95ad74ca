#include "app/banner.h"

#include <algorithm>

#include "gs/gs.h"
#include "io/status.h"
#include "lg/lg.h"

namespace {

// The page and character-box sizes of the last window format drawn; a format
// the title does not know keeps them.
struct TitleLayout
{
    float width = 0.0f;
    float height = 0.0f;
    float char_width = 0.0f;
    float char_height = 0.0f;
    float a = 0.0f; // frame offsets of the inner triangle, in margins
    float b = 0.0f;
    float spacing_factor = 0.0f; // 1 / line-spacing divisor
};

TitleLayout layout;

} // namespace

// Shows the title screen; it stays until the first question replaces it.
void ZYT_MBANNER(std::string_view version, int& status)
{
    if (!st_enter(status, "Subroutine ZYT_MBANNER V0.3")) return;
    ZYT_DRAW_MBANNER(version, status);
    if (status != ST_GOOD_VALUE) {
        io_say("WARNING: Problem in banner component, bad internal error status");
        ST_OUT(status);
        return;
    }
    GS_UPDATE(status);
}

// The title picture: an orange panel with three frames above a yellow
// triangle, the monogram "zyt" in polygon characters, the name and version.
void ZYT_DRAW_MBANNER(std::string_view version, int& status)
{
    if (!st_enter(status, "Subroutine ZYT_DRAW_MBANNER V0.5")) return;
    LG_DATAWINDOW(0.0f, 0.0f, 1.0f, 1.0f, status);
    LG_VIEWPORT(0.0f, 0.0f, 1.0f, 1.0f, status);
    int format = 0;
    GS_INQ_WINDOWFORMAT(format, status);
    if (format == 0 || format == 2) layout = {0.7071f, 1.0f, 0.35f, 0.29f, 2, 2, 0.083333336f};
    else if (format == 1 || format == 3) layout = {1.0f, 0.7071f, 0.4f, 0.17f, 3, 1.3f, 0.1f};
    else if (format == 4 || format == 5) layout = {1.0f, 1.0f, 0.4f, 0.17f, 2.5f, 1.6f, 0.083333336f};
    const float W = layout.width;
    const float H = layout.height;
    GS_SET_DDDR(0.0f, 0.0f, W, H, status);
    GS_SET_DGPP(0.0f, 0.0f, std::max(W, 1e-6f), std::max(H, 1e-6f), status);

    const float m = std::min(0.02f * W, 0.02f * H);
    const float s = 0.6f * H;
    const float t = s - m;
    const float d = (s - 4.0f * m) * layout.spacing_factor;
    const float y0 = t - 1.1f * m - d;
    const float x = (m + (W - m)) / 2.0f;
    const float a = layout.a * m;
    const float b = layout.b * m;

    GS_FILLSTYLE(1, GS_WHITE, status);
    GS_RECTANGLE(0.0f, 0.0f, W, H, true, false, status);
    GS_FILLSTYLE(1, GS_ORANGE, status);
    GS_RECTANGLE(m, s, W - m, H - m, true, false, status);
    GS_LINESTYLE(1, 1.0f, GS_BLUE, status);
    for (int k = 1; k <= 3; ++k)
        GS_RECTANGLE(m + k * m, s + k * m, W - m - k * m, H - m - k * m, false, true, status);
    GS_FILLSTYLE(1, GS_YELLOW, status);
    GS_TRIANGLE(m, t, W - m, t, x, m, true, false, status);
    GS_LINESTYLE(1, 1.0f, GS_GREY, status);
    GS_TRIANGLE(a + m, t - m, W - a - m, t - m, x, b + m, false, true, status);

    GS_SET_CHAR_SCALING(layout.char_width, layout.char_height, status);
    const float char_x = 0.5f * W - 0.75f * layout.char_width;
    const float char_y = 0.04f * layout.char_height + 4.0f * m + s;
    const struct
    {
        const char* letter;
        int colour;
    } monogram[] = {{"z", GS_BLUE}, {"y", GS_MAGENTA}, {"t", GS_BLUE}};
    for (const auto& [letter, colour] : monogram) {
        float cx = char_x;
        GS_FILLSTYLE(1, colour, status);
        GS_DRAW_CHARACTER(letter, cx, char_y, status);
    }

    const float measure = GS_INQ_TEXTWIDTH_MEASURE();
    const float factor = measure <= 0.083f ? 0.65f : measure <= 0.1f ? 0.55f : 0.45f;
    if (d > 0.0f) {
        GS_TEXTSTYLE(1, GS_BLACK, d * factor, 1.0f, 1.0f, 1.0f, 2, 0, 0.0f, 1.0f, status);
        LG_TEXT(x, y0, "ZYT: Zenith Yaw Tomographic reconstruction", status);
        LG_TEXT(x, y0 - 6.0f * d, version, status);
    }
}
