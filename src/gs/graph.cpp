// Graphs: the data range found from the curves, and the whole graph with
// frame, axes, curves, key, title and labels. Afterwards the data window and
// viewport of the graph are kept as DDDR and DGPP, so that a point clicked
// on it comes back in data coordinates.

#include <algorithm>
#include <cmath>
#include <limits>

#include "gs/graph_support.h"
#include "gs/graphs.h"
#include "io/status.h"
#include "lg/lg.h"

namespace {

using namespace gs_graph;

// The smallest and largest value seen.
struct Extent
{
    float low = std::numeric_limits<float>::infinity();
    float high = -std::numeric_limits<float>::infinity();
    void add(float v)
    {
        if (!std::isfinite(v)) return;
        low = std::min(low, v);
        high = std::max(high, v);
    }
    bool found() const { return low <= high; }
};

// The limits of one axis on its scale: fixed ones (when they have a place
// on it) and automatic ones from the data, widened by 5 % of the range. A
// range too narrow to draw (equal values) becomes the value +- 0.01, or
// +- 1e-4 of it for large values, where 0.01 would vanish in the rounding
// of a float. Worked in double and kept within the floats, so that data
// near the largest float cannot make an infinite window.
bool axis_limits(const Extent& data, bool auto_low, bool auto_high, float fixed_low,
                 float fixed_high, float& low, float& high)
{
    if ((auto_low || auto_high) && !data.found()) return false;
    double lo = auto_low ? data.low : fixed_low;
    double hi = auto_high ? data.high : fixed_high;
    const double range = hi - lo;
    if (auto_low) lo -= 0.05 * range;
    if (auto_high) hi += 0.05 * range;
    const double size = std::max(std::fabs(lo), std::fabs(hi));
    if (hi - lo <= 1.0e-5 * size || !(hi > lo)) {
        // Equal values (or a fixed limit beyond all data on the automatic side).
        const double value = auto_low && auto_high ? 0.5 * (lo + hi) : auto_low ? hi : lo;
        const double half = std::max(0.01, 1.0e-4 * std::fabs(value));
        if (auto_low) lo = value - half;
        if (auto_high) hi = value + half;
        if (!auto_low && !auto_high) hi = lo + half; // fixed and equal: cannot be set
    }
    constexpr double LARGEST = std::numeric_limits<float>::max();
    low = static_cast<float>(std::clamp(lo, -LARGEST, LARGEST));
    high = static_cast<float>(std::clamp(hi, -LARGEST, LARGEST));
    return high > low;
}

} // namespace

void GS_CAL_DDR(int max_dat, int max_curves, int num_curves, int first, int last,
                std::span<const float> x, std::span<const float> y, std::span<const float> x_errors,
                std::span<const float> y_errors, int& status)
{
    constexpr std::string_view position = "Subroutine GS_CAL_DDR V0.2";
    if (!st_enter(status, position)) return;
    if (!curves_valid(max_dat, max_curves, num_curves, first, last, x, y, x_errors, y_errors,
                      status, position))
        return;
    bool automatic[4] = {};
    GS_INQ_AUTODDR(automatic[0], automatic[1], automatic[2], automatic[3], status);
    float ddr[4] = {};
    GS_INQ_DDR(ddr[0], ddr[1], ddr[2], ddr[3], status);
    bool axis_log[2] = {}, data_log[2] = {};
    GS_INQ_AXESLOGLIN(axis_log[0], axis_log[1], status);
    GS_INQ_DATALOGLIN(data_log[0], data_log[1], status);
    bool error_bars = false;
    GS_INQ_ERRORBARS(error_bars, status);

    // Fixed limits on the axes' scales; one with no place there (not
    // positive on a logarithmic axis) is found from the data instead.
    float fixed[4] = {
        on_scale(ddr[0], axis_log[0], data_log[0]), on_scale(ddr[2], axis_log[0], data_log[0]),
        on_scale(ddr[1], axis_log[1], data_log[1]), on_scale(ddr[3], axis_log[1], data_log[1])};
    for (int k = 0; k < 4; ++k) {
        if (automatic[k] || std::isfinite(fixed[k])) continue;
        io_say("WARNING: A fixed limit of a logarithmic axis is not positive: the data set it");
        automatic[k] = true;
    }

    // Points count only where both values have a place on the scales.
    Extent xs, ys;
    auto at = [&](std::span<const float> a, std::size_t k) { return k < a.size() ? a[k] : 0.0f; };
    for (int c = 1; c <= num_curves; ++c) {
        for (int i = first; i <= last; ++i) {
            const std::size_t k =
                static_cast<std::size_t>(c - 1) * static_cast<std::size_t>(max_dat) +
                static_cast<std::size_t>(i - 1);
            const float xv = on_scale(x[k], axis_log[0], data_log[0]);
            const float yv = on_scale(y[k], axis_log[1], data_log[1]);
            if (!std::isfinite(xv) || !std::isfinite(yv)) continue;
            xs.add(xv);
            ys.add(yv);
            if (!error_bars) continue;
            const float xe = std::fabs(at(x_errors, k));
            const float ye = std::fabs(at(y_errors, k));
            if (std::isfinite(xe)) {
                xs.add(on_scale(x[k] - xe, axis_log[0], data_log[0]));
                xs.add(on_scale(x[k] + xe, axis_log[0], data_log[0]));
            }
            if (std::isfinite(ye)) {
                ys.add(on_scale(y[k] - ye, axis_log[1], data_log[1]));
                ys.add(on_scale(y[k] + ye, axis_log[1], data_log[1]));
            }
        }
    }
    float window[4] = {};
    if (!axis_limits(xs, automatic[0], automatic[1], fixed[0], fixed[1], window[0], window[2]) ||
        !axis_limits(ys, automatic[2], automatic[3], fixed[2], fixed[3], window[1], window[3])) {
        io_say("WARNING: No finite data values to graph (all NaN or infinite)");
        return st_fail(status, ST_MOD_GS + NO_FINITE_DATA, position);
    }
    // The region kept in data units; the window is on the axes' scales.
    auto in_data = [&](float w, int a) {
        return axis_log[a] && !data_log[a] ? std::pow(10.0f, w) : w;
    };
    GS_SET_DDR(in_data(window[0], 0), in_data(window[1], 1), in_data(window[2], 0),
               in_data(window[3], 1), status);
    LG_DATAWINDOW(window[0], window[1], window[2], window[3], status);
    float vx1 = 0, vy1 = 0, vx2 = 1, vy2 = 1;
    LG_INQ_VIEWPORT(vx1, vy1, vx2, vy2, status);
    LG_CLIPWINDOW(vx1, vy1, vx2, vy2, status);
}

void GS_XYEGRAPH(int max_dat, int max_curves, int num_curves, int first, int last,
                 std::span<const float> x, std::span<const float> y,
                 std::span<const float> x_errors, std::span<const float> y_errors,
                 std::string_view title, std::string_view x_label, std::string_view y_label,
                 int& status)
{
    constexpr std::string_view position = "Subroutine GS_XYEGRAPH V0.2";
    if (!st_enter(status, position)) return;
    if (!curves_valid(max_dat, max_curves, num_curves, first, last, x, y, x_errors, y_errors,
                      status, position))
        return;
    float gpp[4] = {};
    GS_INQ_GPP(gpp[0], gpp[1], gpp[2], gpp[3], status);
    LG_VIEWPORT(gpp[0], gpp[1], gpp[2], gpp[3], status);
    GS_CAL_DDR(max_dat, max_curves, num_curves, first, last, x, y, x_errors, y_errors, status);
    if (status != ST_GOOD_VALUE) {
        // The picture drawn before keeps its transform for input.
        int restore = ST_GOOD_VALUE;
        GS_RESTORE_TRANSFORM(restore);
        return;
    }
    float window[4] = {};
    LG_INQ_DATAWINDOW(window[0], window[1], window[2], window[3], status);
    GS_SET_DGPP(gpp[0], gpp[1], gpp[2], gpp[3], status);
    GS_SET_DDDR(window[0], window[1], window[2], window[3], status);
    GS_BACKGROUND(status);
    // Grid, frame and texts first: the curves stay on top of them.
    GS_PERIPHERY(title, x_label, y_label, status);
    GS_XYCURVES(max_dat, max_curves, num_curves, first, last, x, y, x_errors, y_errors, status);
    GS_KEY(max_dat, num_curves, first, last, x, y, status);
}

void GS_XYSGRAPH(int dimension, int first, int last, std::span<const float> x,
                 std::span<const float> y, std::string_view title, std::string_view x_label,
                 std::string_view y_label, int& status)
{
    if (!st_enter(status, "Subroutine GS_XYSGRAPH V0.2")) return;
    const GsGraphSettingsGuard settings;
    GS_SET_ERRORBARS(false, status);
    GS_XYEGRAPH(dimension, 1, 1, first, last, x, y, {}, {}, title, x_label, y_label, status);
}
