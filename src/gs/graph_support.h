#pragma once
// What the files of the graphs share: values put on an axis's scale, the
// page and the current transform, and text measured as it will be drawn.

#include <algorithm>
#include <cmath>
#include <span>
#include <string>
#include <string_view>

#include "gs/graphs.h"
#include "io/status.h"
#include "lg/device.h"
#include "lg/lg.h"

namespace gs_graph {

// The error numbers of the graphs (added to ST_MOD_GS).
enum GraphError {
    BAD_DIMENSION = 1,    // an array dimension below 1, or arrays shorter than it says
    BAD_ELEMENTS = 5,     // first < 1, first > last or last > the dimension
    BAD_CURVES = 6,       // a number of curves below 1 or above their dimension
    BAD_X_LIMITS = 13,    // x limits that do not increase
    BAD_Y_LIMITS = 14,    // y limits that do not increase
    BAD_CHOICE = 17,      // an axis, side, curve, type or colour that does not exist
    BAD_NUMBER = 21,      // a length, height, width or step that is not positive and finite
    NO_FINITE_DATA = 1014 // no point to find a range from
};

// Vertical alignments of text, as the device layer numbers them: the top of
// the letters, half the height of a capital, the foot of the descenders.
enum TextVertical { TEXT_TOP = 1, TEXT_BOTTOM = 5, TEXT_HALF = 6 };

// Room kept free at the border of the page (page coordinates).
constexpr float PAGE_MARGIN = 0.006f;

// A value on the scale of an axis: log10 of it on a logarithmic axis whose
// data are not given as logarithms already. NaN when it has no place there
// (NaN, infinite, or not positive on a logarithmic axis).
inline float on_scale(float value, bool log_axis, bool log_data)
{
    if (!std::isfinite(value)) return NAN;
    if (!log_axis || log_data) return value;
    return value > 0.0f ? std::log10(value) : NAN;
}

// The data window and the viewport in force.
struct Transform
{
    float wx1 = 0, wy1 = 0, wx2 = 1, wy2 = 1; // world
    float vx1 = 0, vy1 = 0, vx2 = 1, vy2 = 1; // page

    float page_x(double x) const
    {
        return static_cast<float>(vx1 + (vx2 - vx1) * (x - wx1) / (wx2 - wx1));
    }
    float page_y(double y) const
    {
        return static_cast<float>(vy1 + (vy2 - vy1) * (y - wy1) / (wy2 - wy1));
    }
    bool inside(float x, float y) const { return x >= wx1 && x <= wx2 && y >= wy1 && y <= wy2; }
};

inline Transform current_transform(int& status)
{
    Transform t;
    LG_INQ_DATAWINDOW(t.wx1, t.wy1, t.wx2, t.wy2, status);
    LG_INQ_VIEWPORT(t.vx1, t.vy1, t.vx2, t.vy2, status);
    return t;
}

// The size of the page (page coordinates).
struct Page
{
    float width = 0.7071f;
    float height = 1.0f;
};

inline Page current_page(int& status)
{
    Page p;
    LG_INQ_MAXPC(1, p.width, p.height, status);
    return p;
}

// Sets the text attributes of a look at a height (colour by code), aligned
// as given, and turned to read upwards when asked.
inline void set_text(const GsTextLook& look, float height, int horizontal, int vertical,
                     bool turned, int& status)
{
    GS_TEXTSTYLE(look.font, look.colour, height, 1, 1, 1, horizontal, vertical,
                 turned ? -1.0f : 0.0f, turned ? 0.0f : 1.0f, status);
}

// The width of a text in the text attributes in force (page coordinates).
// Without a window to measure on, a generous estimate.
inline float text_width(std::string_view text, int& status)
{
    const std::string_view trimmed = st_trim(text);
    if (trimmed.empty()) return 0.0f;
    float width = 0.0f;
    LG_INQ_TEXTWIDTH(1, trimmed, width, status);
    if (width <= 0.0f) width = 0.65f * LG_STATE().attributes.text_height * trimmed.size();
    return width;
}

// The height at which a text of a look is no wider than width, no larger
// than height, and never below zero.
inline float fitted_height(const GsTextLook& look, float height, std::string_view text, float width)
{
    if (height <= 0.0f || width <= 0.0f) return 0.0f;
    return GS_FIT_TEXTHEIGHT(height, look.font, text, width);
}

// The part of the segment a-b inside the rectangle wx1..wx2, wy1..wy2
// (Liang-Barsky), with where along the segment it starts and ends (0 and 1:
// at the points themselves).
struct Clipped
{
    double x1, y1, x2, y2;
    double start, end;
};

inline bool clip_segment(double wx1, double wy1, double wx2, double wy2, double ax, double ay,
                         double bx, double by, Clipped& c)
{
    const double dx = bx - ax;
    const double dy = by - ay;
    double t0 = 0.0, t1 = 1.0;
    auto boundary = [&](double p, double q) {
        if (p == 0.0) return q >= 0.0;
        const double r = q / p;
        if (p < 0.0) {
            if (r > t1) return false;
            t0 = std::max(t0, r);
        } else {
            if (r < t0) return false;
            t1 = std::min(t1, r);
        }
        return true;
    };
    if (!boundary(-dx, ax - wx1) || !boundary(dx, wx2 - ax) || !boundary(-dy, ay - wy1) ||
        !boundary(dy, wy2 - ay))
        return false;
    c = {ax + t0 * dx, ay + t0 * dy, ax + t1 * dx, ay + t1 * dy, t0, t1};
    return true;
}

// The part of the segment a-b inside the data window.
inline bool clip_segment(const Transform& t, double ax, double ay, double bx, double by, Clipped& c)
{
    return clip_segment(t.wx1, t.wy1, t.wx2, t.wy2, ax, ay, bx, by, c);
}

// The checks of curves held as columns of arrays (see GS_XYEGRAPH).
inline bool curves_valid(int max_dat, int max_curves, int num_curves, int first, int last,
                         std::span<const float> x, std::span<const float> y,
                         std::span<const float> x_errors, std::span<const float> y_errors,
                         int& status, std::string_view position)
{
    if (max_dat < 1 || max_curves < 1)
        st_fail(status, ST_MOD_GS + BAD_DIMENSION, position);
    else if (num_curves < 1 || num_curves > max_curves)
        st_fail(status, ST_MOD_GS + BAD_CURVES, position);
    else if (first < 1 || first > last || last > max_dat)
        st_fail(status, ST_MOD_GS + BAD_ELEMENTS, position);
    if (status != ST_GOOD_VALUE) return false;
    const std::size_t needed =
        static_cast<std::size_t>(max_dat) * static_cast<std::size_t>(num_curves - 1) +
        static_cast<std::size_t>(last);
    auto too_short = [&](std::span<const float> a, bool optional) {
        return (!optional || !a.empty()) && a.size() < needed;
    };
    if (too_short(x, false) || too_short(y, false) || too_short(x_errors, true) ||
        too_short(y_errors, true))
        st_fail(status, ST_MOD_GS + BAD_DIMENSION, position);
    return status == ST_GOOD_VALUE;
}

// Column c (from 1) of an array of curves; empty stays empty.
inline std::span<const float> curve_column(std::span<const float> a, int max_dat, int c)
{
    if (a.empty()) return a;
    const std::size_t start = static_cast<std::size_t>(max_dat) * static_cast<std::size_t>(c - 1);
    return a.subspan(start, std::min(a.size() - start, static_cast<std::size_t>(max_dat)));
}

} // namespace gs_graph
