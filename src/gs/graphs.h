#pragma once
// Graphs of one-dimensional data: curves (lines, markers, error bars) in a
// frame with ticked, numbered axes, linear or logarithmic, a title, axis
// labels and a key. The axes frame and number whatever data window and
// viewport a caller has set, so the image display uses them around a picture
// and beside its colour bar.
//
// World coordinates of a logarithmic axis are decades: the data window of a
// graph with a logarithmic y axis runs over log10 of the values, and so do
// the coordinates that input on it returns.

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "gs/gs.h"

// The axes of a graph.
enum GsAxis { GS_X_AXIS = 1, GS_Y_AXIS = 2 };
// The edge of the viewport an axis runs along; its numbers stand outside it.
enum GsAxisSide { GS_AXIS_BELOW = 1, GS_AXIS_LEFT, GS_AXIS_ABOVE, GS_AXIS_RIGHT };
// Line types and marker types, as the device layer draws them.
enum GsLineType { GS_LINE_SOLID = 1, GS_LINE_DASHED, GS_LINE_DOTTED, GS_LINE_DASH_DOT };
enum GsMarkerType {
    GS_MARKER_DOT = 1,
    GS_MARKER_PLUS,
    GS_MARKER_STAR,
    GS_MARKER_CIRCLE,
    GS_MARKER_CROSS
};
// How the y label stands: along the axis (turned), or across it above the frame.
enum GsLabelOrientation { GS_LABEL_ALONG = 0, GS_LABEL_ACROSS = 1 };
// Horizontal alignment of annotation text, as the device layer numbers it.
enum GsTextAlign { GS_ALIGN_LEFT = 1, GS_ALIGN_CENTRE = 2, GS_ALIGN_RIGHT = 3 };

constexpr int GS_MAX_CURVES = 20;

// Font, colour code and height (page coordinates) of a text.
struct GsTextLook
{
    int font = 1;
    int colour = GS_BLACK;
    float height = 0.018f;
};

// The frame around the graph and its ticks (lengths in page coordinates).
struct GsFrameStyle
{
    bool frame = true;
    int colour = GS_BLACK;
    float line_width = 1.0f;
    float tick_length = 0.012f;
    bool ticks_inside = true;
    bool mirror_ticks = true; // ticks on the top and right edges too
    bool fine_ticks = true;
};

// One axis: whether it is ticked and numbered, the look of its numbers and
// its ticks (automatic, or from first_tick every step).
struct GsAxisStyle
{
    bool ticked = true;
    bool numbered = true;
    GsTextLook numbers{1, GS_BLACK, 0.016f};
    bool automatic_ticks = true;
    float first_tick = 0.0f;
    float step = 1.0f;
};

// Coarse grid lines at the ticks, fine ones between them.
struct GsGridStyle
{
    bool coarse_x = false, coarse_y = false;
    bool fine_x = false, fine_y = false;
    int coarse_colour = GS_GREY;
    int coarse_type = GS_LINE_DOTTED;
    int fine_colour = GS_GREY;
    int fine_type = GS_LINE_DOTTED;
};

// One curve: its line, markers, error bars and its text in the key.
struct GsCurveStyle
{
    bool line = true;
    int line_type = GS_LINE_SOLID;
    int line_colour = GS_BLACK;
    float line_width = 1.0f;
    bool markers = false;
    int marker_type = GS_MARKER_PLUS;
    int marker_colour = GS_BLACK;
    float marker_size = 1.0f;
    int error_colour = GS_BLACK;
    std::string key;
};

// The key: shown or not, where its top left corner is (fractions of the
// frame, from its lower left corner), and the look of its texts.
struct GsKeyStyle
{
    bool shown = true;
    float x = 0.6f;
    float y = 0.97f;
    GsTextLook text{1, GS_BLACK, 0.014f};
    bool frame = true;
};

// The marker GS_MARK sets (points entered on a picture).
struct GsMarkStyle
{
    int type = GS_MARKER_CROSS;
    int colour = GS_RED;
    float size = 1.5f;
};

// An arrow from (x1, y1) to its head at (x2, y2), in data coordinates.
struct GsArrow
{
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int colour = GS_BLACK;
    float width = 1.0f;
};

// A text at a point of the data.
struct GsAnnotation
{
    float x = 0, y = 0;
    std::string text;
    GsTextLook look{1, GS_BLACK, 0.014f};
    int align = GS_ALIGN_LEFT;
};

// A labelled point of the data: a mark and its text beside it.
struct GsPointLabel
{
    float x = 0, y = 0;
    std::string text;
};

// --- The style records (each: set, enquire, back to its default) ---
void GS_SET_TITLESTYLE(const GsTextLook& look, int& status);
void GS_INQ_TITLESTYLE(GsTextLook& look, int& status);
void GS_DEF_TITLESTYLE(int& status);
void GS_SET_XLABELSTYLE(const GsTextLook& look, int& status);
void GS_INQ_XLABELSTYLE(GsTextLook& look, int& status);
void GS_DEF_XLABELSTYLE(int& status);
void GS_SET_YLABELSTYLE(const GsTextLook& look, int orientation, int& status);
void GS_INQ_YLABELSTYLE(GsTextLook& look, int& orientation, int& status);
void GS_DEF_YLABELSTYLE(int& status);
void GS_SET_FRAMESTYLE(const GsFrameStyle& style, int& status);
void GS_INQ_FRAMESTYLE(GsFrameStyle& style, int& status);
void GS_DEF_FRAMESTYLE(int& status);
// axis: GsAxis.
void GS_SET_AXISSTYLE(int axis, const GsAxisStyle& style, int& status);
void GS_INQ_AXISSTYLE(int axis, GsAxisStyle& style, int& status);
void GS_DEF_AXISSTYLES(int& status);
void GS_SET_GRIDSTYLE(const GsGridStyle& style, int& status);
void GS_INQ_GRIDSTYLE(GsGridStyle& style, int& status);
void GS_DEF_GRIDSTYLE(int& status);
// curve: 1 .. GS_MAX_CURVES.
void GS_SET_CURVESTYLE(int curve, const GsCurveStyle& style, int& status);
void GS_INQ_CURVESTYLE(int curve, GsCurveStyle& style, int& status);
void GS_DEF_CURVESTYLES(int& status);
void GS_SET_KEYSTYLE(const GsKeyStyle& style, int& status);
void GS_INQ_KEYSTYLE(GsKeyStyle& style, int& status);
void GS_DEF_KEYSTYLE(int& status);
void GS_SET_MARKSTYLE(const GsMarkStyle& style, int& status);
void GS_INQ_MARKSTYLE(GsMarkStyle& style, int& status);
void GS_DEF_MARKSTYLE(int& status);
void GS_SET_ARROWS(std::span<const GsArrow> arrows, int& status);
void GS_INQ_ARROWS(std::vector<GsArrow>& arrows, int& status);
void GS_DEF_ARROWS(int& status);
void GS_SET_ATEXT(std::span<const GsAnnotation> texts, int& status);
void GS_INQ_ATEXT(std::vector<GsAnnotation>& texts, int& status);
void GS_DEF_ATEXT(int& status);
void GS_SET_ALABELS(std::span<const GsPointLabel> labels, int& status);
void GS_INQ_ALABELS(std::vector<GsPointLabel>& labels, int& status);
void GS_DEF_ALABELS(int& status);

// --- What a graph draws: error bars, its data range, log or linear ---
void GS_SET_ERRORBARS(bool on, int& status);
void GS_INQ_ERRORBARS(bool& on, int& status);
// Which limits of the data display region are found from the data.
void GS_SET_AUTODDR(bool x_min, bool x_max, bool y_min, bool y_max, int& status);
void GS_INQ_AUTODDR(bool& x_min, bool& x_max, bool& y_min, bool& y_max, int& status);
void GS_DEF_AUTODDR(int& status);
// The data display region in data units: the fixed limits, and after a
// graph the limits it used. Limits must increase (else 140013 / 140014).
void GS_SET_DDR(float x_min, float y_min, float x_max, float y_max, int& status);
void GS_INQ_DDR(float& x_min, float& y_min, float& x_max, float& y_max, int& status);
// Logarithmic axes; data given as log10 of the values.
void GS_SET_AXESLOGLIN(bool x_log, bool y_log, int& status);
void GS_INQ_AXESLOGLIN(bool& x_log, bool& y_log, int& status);
void GS_SET_DATALOGLIN(bool x_log, bool y_log, int& status);
void GS_INQ_DATALOGLIN(bool& x_log, bool& y_log, int& status);
// Every graph attribute and the graph regions (GPP, DDDR, IDR) to their
// defaults.
void GS_DEF_ATTRIBUTES(int& status);

// The error-bar switch, the automatic flags of the data display region and
// the log/linear flags in force when it is made are back when it goes (the
// region itself is what the last graph used, and stays).
class GsGraphSettingsGuard
{
public:
    GsGraphSettingsGuard();
    ~GsGraphSettingsGuard();
    GsGraphSettingsGuard(const GsGraphSettingsGuard&) = delete;
    GsGraphSettingsGuard& operator=(const GsGraphSettingsGuard&) = delete;

private:
    bool error_bars_;
    std::array<bool, 4> automatic_;
    std::array<bool, 4> logarithmic_; // axes x, y; data x, y
};

// The clip window and clipping switch in force when it is made are back
// when it goes; meanwhile drawing is clipped to the viewport.
class GsClipToViewport
{
public:
    GsClipToViewport();
    ~GsClipToViewport();
    GsClipToViewport(const GsClipToViewport&) = delete;
    GsClipToViewport& operator=(const GsClipToViewport&) = delete;

private:
    std::array<float, 4> clip_;
    bool clipping_;
};

// --- Graphs ---
// The curves are columns of the arrays x and y (and of the error arrays,
// when error bars are on; either may be empty): element i of curve c is at
// (i - 1) + (c - 1) max_dat. Elements first .. last of each curve are drawn;
// points that are NaN or infinite (or not positive on a logarithmic axis)
// are neither drawn nor counted in the ranges.
// Errors: 140001 max_dat < 1 or arrays too short, 140005 bad element range,
// 140006 bad number of curves, 141014 no finite point to find a range from.
void GS_XYEGRAPH(int max_dat, int max_curves, int num_curves, int first, int last,
                 std::span<const float> x, std::span<const float> y,
                 std::span<const float> x_errors, std::span<const float> y_errors,
                 std::string_view title, std::string_view x_label, std::string_view y_label,
                 int& status);
// One curve, without error bars.
void GS_XYSGRAPH(int dimension, int first, int last, std::span<const float> x,
                 std::span<const float> y, std::string_view title, std::string_view x_label,
                 std::string_view y_label, int& status);
// The data display region from the curves (automatic limits widened by 5 %
// of the range), stored, and set as the data window; the clip window
// becomes the viewport.
void GS_CAL_DDR(int max_dat, int max_curves, int num_curves, int first, int last,
                std::span<const float> x, std::span<const float> y, std::span<const float> x_errors,
                std::span<const float> y_errors, int& status);

// --- Axes: ticks of 1, 2 or 5 times a power of ten ---
// Ticks of the range minimum .. maximum: the first tick, the step and the
// number of ticks. A reversed range is 140013, a range that is not finite 140021.
void GS_CAL_TICKS(float minimum, float maximum, float& first, float& step, int& count, int& status);
// An axis along an edge of the current viewport for the current data
// window: its line, ticks (from the axis style of the side: GS_X_AXIS below
// and above, GS_Y_AXIS left and right) and, when numbered, its numbers,
// which are made smaller to fit between the edge and the page's border and
// thinned so that they never overlap. GS_ALOGAXIS takes the window along
// the edge as decades (log10 of the values).
void GS_LINAXIS(int side, bool numbered, int& status);
void GS_ALOGAXIS(int side, bool numbered, int& status);
void GS_LINTICKS(int side, float first, float step, int count, int& status);
void GS_ALOGTICKS(int side, int& status);
void GS_LINAXENUM(int side, float first, float step, int count, int& status);
void GS_ALOGAXENUM(int side, int& status);
// Grid lines across the viewport at the values of one axis.
void GS_LINGRID(int axis, float first, float step, int count, bool fine, int& status);
void GS_ALOGGRID(int axis, bool fine, int& status);
// How far out (page coordinates) the numbers last drawn on a side of the
// current viewport reach; the edge itself when none were drawn there.
void GS_INQ_AXISREACH(int side, float& reach, int& status);
// The frame of the current viewport with its axes: x numbered below, y
// numbered on the left, ticks on the other edges too; log or linear as
// GS_AXESLOGLIN says.
void GS_AXISFRAME(int& status);
void GS_GRID(int& status);

// --- Curves (world coordinates of the current transform, clipped to the
// data window; NaN and infinite points are skipped) ---
// One curve of data values in the style of that curve (1 .. GS_MAX_CURVES):
// values are put on the axes' scales here (log10 where an axis is
// logarithmic and the data are not).
void GS_XYCURVE(int curve, int first, int last, std::span<const float> x, std::span<const float> y,
                std::span<const float> x_errors, std::span<const float> y_errors, int& status);
void GS_XYCURVES(int max_dat, int max_curves, int num_curves, int first, int last,
                 std::span<const float> x, std::span<const float> y,
                 std::span<const float> x_errors, std::span<const float> y_errors, int& status);
// Markers in the current marker attributes at the points inside the window.
void GS_MARKERS(int n, const float* x, const float* y, int& status);
// One mark in the mark style.
void GS_MARK(float x, float y, int& status);
// Straight lines through the points, broken where a point is missing.
void GS_CSLINE(int n, const float* x, const float* y, int& status);
// A line from (x1, y1) to (x2, y2) with a cross-bar of half-length cap (page
// coordinates) at each end inside the window: one error bar.
void GS_PMLINE(float x1, float y1, float x2, float y2, float cap, int& status);
// Error bars of data values (errors in data units, either span may be empty).
void GS_XYERRORBARS(int n, const float* x, const float* y, std::span<const float> x_errors,
                    std::span<const float> y_errors, int& status);

// --- Decorations, placed around the current viewport and kept on the page ---
void GS_TITLE(std::string_view title, int& status);
void GS_XLABEL(std::string_view label, int& status);
void GS_YLABEL(std::string_view label, int& status);
// The key of curves 1 .. num_curves that have a key text, where its style
// puts it or, when it would hide some of the curves there (given as for
// GS_XYEGRAPH; x and y may be empty), in the corner of the frame where it
// hides the least.
void GS_KEY(int max_dat, int num_curves, int first, int last, std::span<const float> x,
            std::span<const float> y, int& status);
void GS_ATEXT(int& status);
void GS_ARROWS(int& status);
void GS_ALABELS(int& status);
// Everything around a picture or graph whose data window and viewport are
// set: grid, frame with numbered axes, annotations, arrows, point labels,
// title and axis labels.
void GS_PERIPHERY(std::string_view title, std::string_view x_label, std::string_view y_label,
                  int& status);
