// The kept state of graphs: the style records of titles, labels, frame,
// axes, grids, curves, key, marks, arrows and annotations, and what a graph
// draws (error bars, its data range and the log/linear flags).

#include <cmath>
#include <iterator>

#include "gs/graph_support.h"
#include "gs/graphs.h"
#include "io/status.h"

namespace {

using namespace gs_graph;

// The colours of curves 1, 2, ... in turn, and their markers.
constexpr int CURVE_COLOURS[] = {GS_BLACK,  GS_RED,  GS_BLUE,  GS_GREEN,  GS_MAGENTA,
                                 GS_ORANGE, GS_CYAN, GS_BROWN, GS_VIOLET, GS_GREY};
constexpr int CURVE_MARKERS[] = {GS_MARKER_PLUS, GS_MARKER_CROSS, GS_MARKER_STAR, GS_MARKER_CIRCLE};

GsCurveStyle default_curve(int curve)
{
    GsCurveStyle c;
    const int colour = CURVE_COLOURS[(curve - 1) % std::size(CURVE_COLOURS)];
    c.line_colour = c.marker_colour = c.error_colour = colour;
    c.marker_type = CURVE_MARKERS[(curve - 1) % std::size(CURVE_MARKERS)];
    return c;
}

// GS_DB_GRAPHS: the style records.
struct GraphStyles
{
    GsTextLook title{1, GS_BLACK, 0.025f};
    GsTextLook x_label{1, GS_BLACK, 0.018f};
    GsTextLook y_label{1, GS_BLACK, 0.018f};
    int y_orientation = GS_LABEL_ALONG;
    GsFrameStyle frame;
    GsAxisStyle axes[2];
    GsGridStyle grid;
    GsCurveStyle curves[GS_MAX_CURVES];
    GsKeyStyle key;
    GsMarkStyle mark;
    std::vector<GsArrow> arrows;
    std::vector<GsAnnotation> texts;
    std::vector<GsPointLabel> point_labels;

    GraphStyles()
    {
        for (int c = 1; c <= GS_MAX_CURVES; ++c)
            curves[c - 1] = default_curve(c);
    }
};

// GS_DDR, GS_AUTODDR, GS_AXESLOGLIN, GS_DATALOGLIN and the error-bar switch.
struct GraphSettings
{
    bool error_bars = false;
    std::array<bool, 4> automatic{true, true, true, true}; // x min, x max, y min, y max
    std::array<float, 4> ddr{0.0f, 0.0f, 1.0f, 1.0f};      // x min, y min, x max, y max
    bool axes_log[2] = {false, false};
    bool data_log[2] = {false, false};
};

GraphStyles styles;
GraphSettings settings;

bool valid_colour(int colour)
{
    return colour >= 0 && colour <= GS_INVERSE;
}

// The checks of a text look: 140017 for a font or colour, 140021 for a height.
bool look_valid(const GsTextLook& look, int& status, std::string_view position)
{
    if (look.font < 1 || look.font > 2 || !valid_colour(look.colour))
        st_fail(status, ST_MOD_GS + BAD_CHOICE, position);
    else if (!(look.height > 0.0f) || !std::isfinite(look.height))
        st_fail(status, ST_MOD_GS + BAD_NUMBER, position);
    return status == ST_GOOD_VALUE;
}

bool positive(float value)
{
    return value > 0.0f && std::isfinite(value);
}

bool fail(int& status, int error, std::string_view position)
{
    st_fail(status, ST_MOD_GS + error, position);
    return false;
}

bool axis_valid(int axis, int& status, std::string_view position)
{
    return axis == GS_X_AXIS || axis == GS_Y_AXIS || fail(status, BAD_CHOICE, position);
}

bool curve_valid(int curve, int& status, std::string_view position)
{
    return (curve >= 1 && curve <= GS_MAX_CURVES) || fail(status, BAD_CHOICE, position);
}

} // namespace

void GS_SET_TITLESTYLE(const GsTextLook& look, int& status)
{
    constexpr std::string_view position = "Subroutine GS_SET_TITLESTYLE V0.1";
    if (st_enter(status, position) && look_valid(look, status, position)) styles.title = look;
}
void GS_INQ_TITLESTYLE(GsTextLook& look, int& status)
{
    if (st_enter(status, "Subroutine GS_INQ_TITLESTYLE V0.1")) look = styles.title;
}
void GS_DEF_TITLESTYLE(int& status)
{
    if (st_enter(status, "Subroutine GS_DEF_TITLESTYLE V0.1")) styles.title = GraphStyles{}.title;
}

void GS_SET_XLABELSTYLE(const GsTextLook& look, int& status)
{
    constexpr std::string_view position = "Subroutine GS_SET_XLABELSTYLE V0.1";
    if (st_enter(status, position) && look_valid(look, status, position)) styles.x_label = look;
}
void GS_INQ_XLABELSTYLE(GsTextLook& look, int& status)
{
    if (st_enter(status, "Subroutine GS_INQ_XLABELSTYLE V0.1")) look = styles.x_label;
}
void GS_DEF_XLABELSTYLE(int& status)
{
    if (st_enter(status, "Subroutine GS_DEF_XLABELSTYLE V0.1"))
        styles.x_label = GraphStyles{}.x_label;
}

void GS_SET_YLABELSTYLE(const GsTextLook& look, int orientation, int& status)
{
    constexpr std::string_view position = "Subroutine GS_SET_YLABELSTYLE V0.1";
    if (!st_enter(status, position) || !look_valid(look, status, position)) return;
    if (orientation != GS_LABEL_ALONG && orientation != GS_LABEL_ACROSS)
        return (void)fail(status, BAD_CHOICE, position);
    styles.y_label = look;
    styles.y_orientation = orientation;
}
void GS_INQ_YLABELSTYLE(GsTextLook& look, int& orientation, int& status)
{
    if (!st_enter(status, "Subroutine GS_INQ_YLABELSTYLE V0.1")) return;
    look = styles.y_label;
    orientation = styles.y_orientation;
}
void GS_DEF_YLABELSTYLE(int& status)
{
    if (!st_enter(status, "Subroutine GS_DEF_YLABELSTYLE V0.1")) return;
    styles.y_label = GraphStyles{}.y_label;
    styles.y_orientation = GS_LABEL_ALONG;
}

void GS_SET_FRAMESTYLE(const GsFrameStyle& style, int& status)
{
    constexpr std::string_view position = "Subroutine GS_SET_FRAMESTYLE V0.1";
    if (!st_enter(status, position)) return;
    if (!valid_colour(style.colour)) return (void)fail(status, BAD_CHOICE, position);
    if (!positive(style.line_width) || !(style.tick_length >= 0.0f) ||
        !std::isfinite(style.tick_length))
        return (void)fail(status, BAD_NUMBER, position);
    styles.frame = style;
}
void GS_INQ_FRAMESTYLE(GsFrameStyle& style, int& status)
{
    if (st_enter(status, "Subroutine GS_INQ_FRAMESTYLE V0.1")) style = styles.frame;
}
void GS_DEF_FRAMESTYLE(int& status)
{
    if (st_enter(status, "Subroutine GS_DEF_FRAMESTYLE V0.1")) styles.frame = GsFrameStyle{};
}

void GS_SET_AXISSTYLE(int axis, const GsAxisStyle& style, int& status)
{
    constexpr std::string_view position = "Subroutine GS_SET_AXISSTYLE V0.1";
    if (!st_enter(status, position) || !axis_valid(axis, status, position) ||
        !look_valid(style.numbers, status, position))
        return;
    if (!style.automatic_ticks && (!positive(style.step) || !std::isfinite(style.first_tick)))
        return (void)fail(status, BAD_NUMBER, position);
    styles.axes[axis - 1] = style;
}
void GS_INQ_AXISSTYLE(int axis, GsAxisStyle& style, int& status)
{
    constexpr std::string_view position = "Subroutine GS_INQ_AXISSTYLE V0.1";
    if (st_enter(status, position) && axis_valid(axis, status, position))
        style = styles.axes[axis - 1];
}
void GS_DEF_AXISSTYLES(int& status)
{
    if (!st_enter(status, "Subroutine GS_DEF_AXISSTYLES V0.1")) return;
    styles.axes[0] = styles.axes[1] = GsAxisStyle{};
}

void GS_SET_GRIDSTYLE(const GsGridStyle& style, int& status)
{
    constexpr std::string_view position = "Subroutine GS_SET_GRIDSTYLE V0.1";
    if (!st_enter(status, position)) return;
    if (!valid_colour(style.coarse_colour) || !valid_colour(style.fine_colour) ||
        style.coarse_type < GS_LINE_SOLID || style.coarse_type > GS_LINE_DASH_DOT ||
        style.fine_type < GS_LINE_SOLID || style.fine_type > GS_LINE_DASH_DOT)
        return (void)fail(status, BAD_CHOICE, position);
    styles.grid = style;
}
void GS_INQ_GRIDSTYLE(GsGridStyle& style, int& status)
{
    if (st_enter(status, "Subroutine GS_INQ_GRIDSTYLE V0.1")) style = styles.grid;
}
void GS_DEF_GRIDSTYLE(int& status)
{
    if (st_enter(status, "Subroutine GS_DEF_GRIDSTYLE V0.1")) styles.grid = GsGridStyle{};
}

void GS_SET_CURVESTYLE(int curve, const GsCurveStyle& style, int& status)
{
    constexpr std::string_view position = "Subroutine GS_SET_CURVESTYLE V0.1";
    if (!st_enter(status, position) || !curve_valid(curve, status, position)) return;
    if (style.line_type < GS_LINE_SOLID || style.line_type > GS_LINE_DASH_DOT ||
        style.marker_type < GS_MARKER_DOT || style.marker_type > GS_MARKER_CROSS ||
        !valid_colour(style.line_colour) || !valid_colour(style.marker_colour) ||
        !valid_colour(style.error_colour))
        return (void)fail(status, BAD_CHOICE, position);
    if (!positive(style.line_width) || !positive(style.marker_size))
        return (void)fail(status, BAD_NUMBER, position);
    styles.curves[curve - 1] = style;
}
void GS_INQ_CURVESTYLE(int curve, GsCurveStyle& style, int& status)
{
    constexpr std::string_view position = "Subroutine GS_INQ_CURVESTYLE V0.1";
    if (st_enter(status, position) && curve_valid(curve, status, position))
        style = styles.curves[curve - 1];
}
void GS_DEF_CURVESTYLES(int& status)
{
    if (!st_enter(status, "Subroutine GS_DEF_CURVESTYLES V0.1")) return;
    for (int c = 1; c <= GS_MAX_CURVES; ++c)
        styles.curves[c - 1] = default_curve(c);
}

void GS_SET_KEYSTYLE(const GsKeyStyle& style, int& status)
{
    constexpr std::string_view position = "Subroutine GS_SET_KEYSTYLE V0.1";
    if (!st_enter(status, position) || !look_valid(style.text, status, position)) return;
    if (!std::isfinite(style.x) || !std::isfinite(style.y))
        return (void)fail(status, BAD_NUMBER, position);
    styles.key = style;
}
void GS_INQ_KEYSTYLE(GsKeyStyle& style, int& status)
{
    if (st_enter(status, "Subroutine GS_INQ_KEYSTYLE V0.1")) style = styles.key;
}
void GS_DEF_KEYSTYLE(int& status)
{
    if (st_enter(status, "Subroutine GS_DEF_KEYSTYLE V0.1")) styles.key = GsKeyStyle{};
}

void GS_SET_MARKSTYLE(const GsMarkStyle& style, int& status)
{
    constexpr std::string_view position = "Subroutine GS_SET_MARKSTYLE V0.1";
    if (!st_enter(status, position)) return;
    if (style.type < GS_MARKER_DOT || style.type > GS_MARKER_CROSS || !valid_colour(style.colour))
        return (void)fail(status, BAD_CHOICE, position);
    if (!positive(style.size)) return (void)fail(status, BAD_NUMBER, position);
    styles.mark = style;
}
void GS_INQ_MARKSTYLE(GsMarkStyle& style, int& status)
{
    if (st_enter(status, "Subroutine GS_INQ_MARKSTYLE V0.1")) style = styles.mark;
}
void GS_DEF_MARKSTYLE(int& status)
{
    if (st_enter(status, "Subroutine GS_DEF_MARKSTYLE V0.1")) styles.mark = GsMarkStyle{};
}

void GS_SET_ARROWS(std::span<const GsArrow> arrows, int& status)
{
    constexpr std::string_view position = "Subroutine GS_SET_ARROWS V0.1";
    if (!st_enter(status, position)) return;
    for (const GsArrow& a : arrows) {
        if (!valid_colour(a.colour)) return (void)fail(status, BAD_CHOICE, position);
        if (!positive(a.width)) return (void)fail(status, BAD_NUMBER, position);
    }
    styles.arrows.assign(arrows.begin(), arrows.end());
}
void GS_INQ_ARROWS(std::vector<GsArrow>& arrows, int& status)
{
    if (st_enter(status, "Subroutine GS_INQ_ARROWS V0.1")) arrows = styles.arrows;
}
void GS_DEF_ARROWS(int& status)
{
    if (st_enter(status, "Subroutine GS_DEF_ARROWS V0.1")) styles.arrows.clear();
}

void GS_SET_ATEXT(std::span<const GsAnnotation> texts, int& status)
{
    constexpr std::string_view position = "Subroutine GS_SET_ATEXT V0.1";
    if (!st_enter(status, position)) return;
    for (const GsAnnotation& t : texts) {
        if (!look_valid(t.look, status, position)) return;
        if (t.align < GS_ALIGN_LEFT || t.align > GS_ALIGN_RIGHT)
            return (void)fail(status, BAD_CHOICE, position);
    }
    styles.texts.assign(texts.begin(), texts.end());
}
void GS_INQ_ATEXT(std::vector<GsAnnotation>& texts, int& status)
{
    if (st_enter(status, "Subroutine GS_INQ_ATEXT V0.1")) texts = styles.texts;
}
void GS_DEF_ATEXT(int& status)
{
    if (st_enter(status, "Subroutine GS_DEF_ATEXT V0.1")) styles.texts.clear();
}

void GS_SET_ALABELS(std::span<const GsPointLabel> labels, int& status)
{
    if (st_enter(status, "Subroutine GS_SET_ALABELS V0.1"))
        styles.point_labels.assign(labels.begin(), labels.end());
}
void GS_INQ_ALABELS(std::vector<GsPointLabel>& labels, int& status)
{
    if (st_enter(status, "Subroutine GS_INQ_ALABELS V0.1")) labels = styles.point_labels;
}
void GS_DEF_ALABELS(int& status)
{
    if (st_enter(status, "Subroutine GS_DEF_ALABELS V0.1")) styles.point_labels.clear();
}

void GS_SET_ERRORBARS(bool on, int& status)
{
    if (st_enter(status, "Subroutine GS_SET_ERRORBARS V0.1")) settings.error_bars = on;
}
void GS_INQ_ERRORBARS(bool& on, int& status)
{
    if (st_enter(status, "Subroutine GS_INQ_ERRORBARS V0.1")) on = settings.error_bars;
}

void GS_SET_AUTODDR(bool x_min, bool x_max, bool y_min, bool y_max, int& status)
{
    if (st_enter(status, "Subroutine GS_SET_AUTODDR V0.1"))
        settings.automatic = {x_min, x_max, y_min, y_max};
}
void GS_INQ_AUTODDR(bool& x_min, bool& x_max, bool& y_min, bool& y_max, int& status)
{
    if (!st_enter(status, "Subroutine GS_INQ_AUTODDR V0.1")) return;
    x_min = settings.automatic[0];
    x_max = settings.automatic[1];
    y_min = settings.automatic[2];
    y_max = settings.automatic[3];
}
void GS_DEF_AUTODDR(int& status)
{
    if (st_enter(status, "Subroutine GS_DEF_AUTODDR V0.1"))
        settings.automatic = {true, true, true, true};
}

void GS_SET_DDR(float x_min, float y_min, float x_max, float y_max, int& status)
{
    constexpr std::string_view position = "Subroutine GS_SET_DDR V0.1";
    if (!st_enter(status, position)) return;
    if (!(x_min < x_max) || !std::isfinite(x_min) || !std::isfinite(x_max))
        return (void)fail(status, BAD_X_LIMITS, position);
    if (!(y_min < y_max) || !std::isfinite(y_min) || !std::isfinite(y_max))
        return (void)fail(status, BAD_Y_LIMITS, position);
    settings.ddr = {x_min, y_min, x_max, y_max};
}
void GS_INQ_DDR(float& x_min, float& y_min, float& x_max, float& y_max, int& status)
{
    if (!st_enter(status, "Subroutine GS_INQ_DDR V0.1")) return;
    x_min = settings.ddr[0];
    y_min = settings.ddr[1];
    x_max = settings.ddr[2];
    y_max = settings.ddr[3];
}

void GS_SET_AXESLOGLIN(bool x_log, bool y_log, int& status)
{
    if (!st_enter(status, "Subroutine GS_SET_AXESLOGLIN V0.1")) return;
    settings.axes_log[0] = x_log;
    settings.axes_log[1] = y_log;
}
void GS_INQ_AXESLOGLIN(bool& x_log, bool& y_log, int& status)
{
    if (!st_enter(status, "Subroutine GS_INQ_AXESLOGLIN V0.1")) return;
    x_log = settings.axes_log[0];
    y_log = settings.axes_log[1];
}
void GS_SET_DATALOGLIN(bool x_log, bool y_log, int& status)
{
    if (!st_enter(status, "Subroutine GS_SET_DATALOGLIN V0.1")) return;
    settings.data_log[0] = x_log;
    settings.data_log[1] = y_log;
}
void GS_INQ_DATALOGLIN(bool& x_log, bool& y_log, int& status)
{
    if (!st_enter(status, "Subroutine GS_INQ_DATALOGLIN V0.1")) return;
    x_log = settings.data_log[0];
    y_log = settings.data_log[1];
}

void GS_DEF_ATTRIBUTES(int& status)
{
    if (!st_enter(status, "Subroutine GS_DEF_ATTRIBUTES V0.1")) return;
    styles = GraphStyles{};
    settings = GraphSettings{};
    GS_DEF_GPP(status);
    GS_SET_DDDR(0.0f, 0.0f, 1.0f, 1.0f, status);
    GS_SET_IDR(0.0f, 0.0f, 1.0f, 1.0f, status);
}

GsGraphSettingsGuard::GsGraphSettingsGuard()
    : error_bars_(settings.error_bars),
      automatic_(settings.automatic), logarithmic_{settings.axes_log[0], settings.axes_log[1],
                                                   settings.data_log[0], settings.data_log[1]}
{
}

GsGraphSettingsGuard::~GsGraphSettingsGuard()
{
    settings.error_bars = error_bars_;
    settings.automatic = automatic_;
    settings.axes_log[0] = logarithmic_[0];
    settings.axes_log[1] = logarithmic_[1];
    settings.data_log[0] = logarithmic_[2];
    settings.data_log[1] = logarithmic_[3];
}
