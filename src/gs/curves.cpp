// Curves: straight lines through the points, clipped to the data window and
// broken where a point is missing; markers; marks; error bars. Points that
// are NaN or infinite (a zero flat-field gives them) are never drawn.

#include <algorithm>
#include <cmath>
#include <vector>

#include "gs/graph_support.h"
#include "gs/graphs.h"
#include "io/status.h"
#include "lg/device.h"
#include "lg/lg.h"

namespace {

using namespace gs_graph;

// Half the length of the cross-bar at the end of an error bar (page coordinates).
constexpr float ERROR_CAP = 0.004f;

bool finite_point(float x, float y)
{
    return std::isfinite(x) && std::isfinite(y);
}

} // namespace

GsClipToViewport::GsClipToViewport() : clip_(LG_STATE().clip), clipping_(LG_STATE().clipping)
{
    int status = ST_GOOD_VALUE;
    float x1 = 0, y1 = 0, x2 = 1, y2 = 1;
    LG_INQ_VIEWPORT(x1, y1, x2, y2, status);
    LG_CLIPWINDOW(x1, y1, x2, y2, status);
    LG_CLIP(true, status);
}

GsClipToViewport::~GsClipToViewport()
{
    int status = ST_GOOD_VALUE;
    LG_CLIPWINDOW(clip_[0], clip_[1], clip_[2], clip_[3], status);
    LG_CLIP(clipping_, status);
}

void GS_CSLINE(int n, const float* x, const float* y, int& status)
{
    if (!st_enter(status, "Subroutine GS_CSLINE V0.2")) return;
    if (n < 2 || x == nullptr || y == nullptr) return;
    const Transform t = current_transform(status);
    std::vector<float> run_x, run_y;
    auto flush = [&] {
        if (run_x.size() >= 2)
            LG_POLYLINE(static_cast<int>(run_x.size()), run_x.data(), run_y.data(), status);
        run_x.clear();
        run_y.clear();
    };
    for (int i = 1; i < n; ++i) {
        Clipped c;
        if (!finite_point(x[i - 1], y[i - 1]) || !finite_point(x[i], y[i]) ||
            !clip_segment(t, x[i - 1], y[i - 1], x[i], y[i], c)) {
            flush();
            continue;
        }
        // A segment that enters the window starts a new line.
        if (c.start > 0.0) flush();
        if (run_x.empty()) {
            run_x.push_back(static_cast<float>(c.x1));
            run_y.push_back(static_cast<float>(c.y1));
        }
        run_x.push_back(static_cast<float>(c.x2));
        run_y.push_back(static_cast<float>(c.y2));
        if (c.end < 1.0) flush();
    }
    flush();
}

void GS_MARKERS(int n, const float* x, const float* y, int& status)
{
    if (!st_enter(status, "Subroutine GS_MARKERS V0.2")) return;
    if (n < 1 || x == nullptr || y == nullptr) return;
    const Transform t = current_transform(status);
    std::vector<float> px, py;
    for (int i = 0; i < n; ++i) {
        if (!finite_point(x[i], y[i]) || !t.inside(x[i], y[i])) continue;
        px.push_back(x[i]);
        py.push_back(y[i]);
    }
    if (!px.empty()) LG_POLYMARKER(static_cast<int>(px.size()), px.data(), py.data(), status);
}

void GS_MARK(float x, float y, int& status)
{
    if (!st_enter(status, "Subroutine GS_MARK V0.2")) return;
    if (!finite_point(x, y)) return;
    GsMarkStyle mark;
    GS_INQ_MARKSTYLE(mark, status);
    LG_MARKERTYPE(mark.type, status);
    LG_MARKERCOLOUR(std::max(1, GS_COLOUR_INDEX(mark.colour)), status);
    LG_MARKERSCALE(mark.size, status);
    LG_POLYMARKER(1, &x, &y, status);
}

void GS_PMLINE(float x1, float y1, float x2, float y2, float cap, int& status)
{
    if (!st_enter(status, "Subroutine GS_PMLINE V0.1")) return;
    if (!finite_point(x1, y1) || !finite_point(x2, y2)) return;
    const Transform t = current_transform(status);
    Clipped c;
    if (!clip_segment(t, x1, y1, x2, y2, c)) return;
    const float px1 = t.page_x(c.x1), py1 = t.page_y(c.y1);
    const float px2 = t.page_x(c.x2), py2 = t.page_y(c.y2);
    const float length = std::hypot(px2 - px1, py2 - py1);
    if (length <= 0.0f) return;
    // The cross-bars stand across the bar, on the page.
    const float nx = -(py2 - py1) / length * cap;
    const float ny = (px2 - px1) / length * cap;
    const LgPageCoordinates page;
    GS_LINE(px1, py1, px2, py2, status);
    if (cap <= 0.0f) return;
    if (c.start == 0.0) GS_LINE(px1 - nx, py1 - ny, px1 + nx, py1 + ny, status);
    if (c.end == 1.0) GS_LINE(px2 - nx, py2 - ny, px2 + nx, py2 + ny, status);
}

void GS_XYERRORBARS(int n, const float* x, const float* y, std::span<const float> x_errors,
                    std::span<const float> y_errors, int& status)
{
    if (!st_enter(status, "Subroutine GS_XYERRORBARS V0.2")) return;
    if (n < 1 || x == nullptr || y == nullptr) return;
    bool axis_log[2] = {false, false}, data_log[2] = {false, false};
    GS_INQ_AXESLOGLIN(axis_log[0], axis_log[1], status);
    GS_INQ_DATALOGLIN(data_log[0], data_log[1], status);
    const Transform t = current_transform(status);
    // The ends of a bar on an axis's scale; an end below zero on a
    // logarithmic axis goes to the edge of the window.
    auto ends = [&](int a, float value, float error, float beyond, float& low, float& high) {
        const float e = std::fabs(error);
        if (!std::isfinite(e) || e == 0.0f) return false;
        low = on_scale(value - e, axis_log[a], data_log[a]);
        high = on_scale(value + e, axis_log[a], data_log[a]);
        if (!std::isfinite(low)) low = beyond;
        return std::isfinite(high);
    };
    for (int i = 0; i < n; ++i) {
        const float xv = on_scale(x[i], axis_log[0], data_log[0]);
        const float yv = on_scale(y[i], axis_log[1], data_log[1]);
        if (!finite_point(xv, yv)) continue;
        float low = 0, high = 0;
        if (static_cast<std::size_t>(i) < y_errors.size() &&
            ends(1, y[i], y_errors[static_cast<std::size_t>(i)], t.wy1, low, high))
            GS_PMLINE(xv, low, xv, high, ERROR_CAP, status);
        if (static_cast<std::size_t>(i) < x_errors.size() &&
            ends(0, x[i], x_errors[static_cast<std::size_t>(i)], t.wx1, low, high))
            GS_PMLINE(low, yv, high, yv, ERROR_CAP, status);
    }
}

void GS_XYCURVE(int curve, int first, int last, std::span<const float> x, std::span<const float> y,
                std::span<const float> x_errors, std::span<const float> y_errors, int& status)
{
    constexpr std::string_view position = "Subroutine GS_XYCURVE V0.2";
    if (!st_enter(status, position)) return;
    const int length = static_cast<int>(std::min(x.size(), y.size()));
    if (!curves_valid(std::max(length, 1), 1, 1, first, last, x, y, x_errors, y_errors, status,
                      position))
        return;
    GsCurveStyle style;
    GS_INQ_CURVESTYLE(curve, style, status);
    bool axis_log[2] = {false, false}, data_log[2] = {false, false};
    GS_INQ_AXESLOGLIN(axis_log[0], axis_log[1], status);
    GS_INQ_DATALOGLIN(data_log[0], data_log[1], status);
    if (status != ST_GOOD_VALUE) return;
    const int n = last - first + 1;
    std::vector<float> xs(static_cast<std::size_t>(n)), ys(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const std::size_t k = static_cast<std::size_t>(first - 1 + i);
        xs[static_cast<std::size_t>(i)] = on_scale(x[k], axis_log[0], data_log[0]);
        ys[static_cast<std::size_t>(i)] = on_scale(y[k], axis_log[1], data_log[1]);
    }
    if (style.line) {
        GS_LINESTYLE(style.line_type, style.line_width, style.line_colour, status);
        GS_CSLINE(n, xs.data(), ys.data(), status);
    }
    if (style.markers) {
        LG_MARKERTYPE(style.marker_type, status);
        LG_MARKERCOLOUR(std::max(1, GS_COLOUR_INDEX(style.marker_colour)), status);
        LG_MARKERSCALE(style.marker_size, status);
        GS_MARKERS(n, xs.data(), ys.data(), status);
    }
    bool error_bars = false;
    GS_INQ_ERRORBARS(error_bars, status);
    if (!error_bars || (x_errors.empty() && y_errors.empty())) return;
    GS_LINESTYLE(GS_LINE_SOLID, style.line_width, style.error_colour, status);
    const std::size_t from = static_cast<std::size_t>(first - 1);
    auto part = [&](std::span<const float> e) { return e.empty() ? e : e.subspan(from, n); };
    GS_XYERRORBARS(n, x.data() + from, y.data() + from, part(x_errors), part(y_errors), status);
}

void GS_XYCURVES(int max_dat, int max_curves, int num_curves, int first, int last,
                 std::span<const float> x, std::span<const float> y,
                 std::span<const float> x_errors, std::span<const float> y_errors, int& status)
{
    constexpr std::string_view position = "Subroutine GS_XYCURVES V0.2";
    if (!st_enter(status, position)) return;
    if (!curves_valid(max_dat, max_curves, num_curves, first, last, x, y, x_errors, y_errors,
                      status, position))
        return;
    const GsClipToViewport clip;
    for (int c = 1; c <= num_curves; ++c)
        GS_XYCURVE(std::min(c, GS_MAX_CURVES), first, last, curve_column(x, max_dat, c),
                   curve_column(y, max_dat, c), curve_column(x_errors, max_dat, c),
                   curve_column(y_errors, max_dat, c), status);
}
