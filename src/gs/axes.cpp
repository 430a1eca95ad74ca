// Axes: ticks at 1, 2 or 5 times a power of ten, numbers that fit between
// the frame and the border of the page and never overlap, logarithmic
// decades, grids, and the frame of a graph or picture. Everything is laid
// out in page coordinates from the data window and viewport in force, so
// the same axes serve a graph, an image and a colour bar.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "gs/graph_support.h"
#include "gs/graphs.h"
#include "io/status.h"
#include "lg/lg.h"
#include "ma/numbers.h"

namespace {

using namespace gs_graph;

// GS_DB_AXISREACH: how far out the numbers of each side reach, and the
// viewport they were drawn for.
struct AxisReach
{
    std::array<float, 4> viewport{};
    std::array<float, 4> reach{};
    std::array<bool, 4> drawn{};
};
AxisReach axis_reach;

// Ticks no axis draws more of (a fixed step far too small for the range).
constexpr int MAX_TICKS = 1000;

// An edge of the current viewport, with the world values along it.
struct Edge
{
    int side = GS_AXIS_BELOW;
    bool horizontal = true;       // runs along x (the edges below and above)
    float at = 0.0f;              // page coordinate of the edge (y of a horizontal one)
    float from = 0.0f, to = 1.0f; // page extent along it
    double w1 = 0.0, w2 = 1.0;    // world values at from and to
    float inward = 1.0f;          // the direction into the viewport across the edge
    float depth = 1.0f;           // the viewport's extent across the edge
    std::array<float, 4> viewport{};

    float along(double w) const
    {
        return static_cast<float>(from + (to - from) * (w - w1) / (w2 - w1));
    }
    bool within(double w) const
    {
        const double tolerance = 1.0e-5 * (w2 - w1);
        return w >= w1 - tolerance && w <= w2 + tolerance;
    }
    int axis() const { return horizontal ? GS_X_AXIS : GS_Y_AXIS; }
};

bool edge_of(int side, Edge& e, int& status, std::string_view position)
{
    if (side < GS_AXIS_BELOW || side > GS_AXIS_RIGHT) {
        st_fail(status, ST_MOD_GS + BAD_CHOICE, position);
        return false;
    }
    const Transform t = current_transform(status);
    const float v[4] = {t.vx1, t.vy1, t.vx2, t.vy2};
    const float w[4] = {t.wx1, t.wy1, t.wx2, t.wy2};
    e.side = side;
    e.horizontal = side == GS_AXIS_BELOW || side == GS_AXIS_ABOVE;
    e.viewport = {v[0], v[1], v[2], v[3]};
    const int along = e.horizontal ? 0 : 1;
    const int across = 1 - along;
    const bool low_edge = side == GS_AXIS_BELOW || side == GS_AXIS_LEFT;
    e.at = low_edge ? v[across] : v[across + 2];
    e.from = v[along];
    e.to = v[along + 2];
    e.w1 = w[along];
    e.w2 = w[along + 2];
    e.depth = v[across + 2] - v[across];
    e.inward = low_edge ? 1.0f : -1.0f;
    return status == ST_GOOD_VALUE && e.w2 > e.w1 && e.to > e.from;
}

// Ticks of a range in double precision, so that the values printed are the
// multiples of the step they are meant to be.
struct Ticks
{
    double first = 0.0;
    double step = 1.0;
    int count = 0;
};

bool calculate_ticks(double minimum, double maximum, Ticks& t, int& status)
{
    const double range = maximum - minimum;
    if (range == 0.0) {
        // One tick at the value itself.
        t.step = minimum != 0.0 ? MA_DMULTIPLIER(minimum, status) : 1.0;
        t.first = minimum;
        t.count = 1;
        return true;
    }
    const double d = range / 10.0;
    const double p = MA_DMULTIPLIER(d, status);
    const double ratio = d / p;
    t.step = p * (ratio <= 1.05 ? 1.0 : ratio <= 2.1 ? 2.0 : ratio <= 5.25 ? 5.0 : 10.0);
    t.first = std::nearbyint(minimum / t.step) * t.step;
    if (t.first < minimum - range / 10000.0) t.first += t.step;
    t.count = static_cast<int>((maximum - t.first) / t.step + 0.00001) + 1;
    return status == ST_GOOD_VALUE;
}

// The ticks of an axis style over a range: automatic, or the fixed first
// tick and step moved into the range (automatic when they would give a
// forest of ticks).
Ticks style_ticks(const GsAxisStyle& style, double w1, double w2, int& status)
{
    Ticks t;
    if (!style.automatic_ticks && style.step > 0.0f) {
        t.step = style.step;
        t.first = style.first_tick;
        if (t.first < w1) t.first += std::ceil((w1 - t.first) / t.step - 1.0e-6) * t.step;
        const double n = std::floor((w2 - t.first) / t.step + 1.0e-6) + 1.0;
        if (n >= 0.0 && n <= MAX_TICKS) {
            t.count = static_cast<int>(n);
            return t;
        }
    }
    calculate_ticks(w1, w2, t, status);
    return t;
}

// The values of linear ticks; a value that is zero but for rounding is zero.
std::vector<double> tick_values(const Ticks& t)
{
    std::vector<double> values;
    for (int i = 0; i < std::min(t.count, MAX_TICKS); ++i) {
        const double v = t.first + i * t.step;
        values.push_back(std::fabs(v) < 1.0e-6 * t.step ? 0.0 : v);
    }
    return values;
}

// How many fine intervals a step is divided into: quarters of a step of
// 2 x 10^k, fifths otherwise.
int fine_divisions(double step)
{
    int ignored = ST_GOOD_VALUE;
    const double mantissa = step / MA_DMULTIPLIER(step, ignored);
    return std::lround(mantissa) == 2 ? 4 : 5;
}

// The digits after the point that tell ticks of this step apart.
int decimals_of(double step)
{
    for (int d = 0; d < 8; ++d) {
        const double scaled = step * std::pow(10.0, d);
        if (std::fabs(scaled - std::nearbyint(scaled)) <= 1.0e-6 * scaled) return d;
    }
    return 8;
}

// The power of ten of a value; a step of 10^k that went through a float
// (9.99999994e(k-1)) still counts as 10^k.
int power_of(double value)
{
    return static_cast<int>(std::floor(std::log10(std::fabs(value)) + 1.0e-5));
}

// A number written as mantissa and power of ten ("1.5E5", "-2E-4"), with
// enough digits to tell numbers a step apart.
std::string exponent_text(double value, double step)
{
    if (value == 0.0) return "0";
    int exponent = power_of(value);
    const int digits = std::clamp(exponent - power_of(step), 0, 6);
    double mantissa = value / std::pow(10.0, exponent);
    const double rounded =
        std::nearbyint(mantissa * std::pow(10.0, digits)) / std::pow(10.0, digits);
    if (std::fabs(rounded) >= 10.0) {
        mantissa /= 10.0;
        ++exponent;
    }
    char text[40];
    std::snprintf(text, sizeof text, "%.*fE%d", digits, mantissa, exponent);
    return text;
}

// The numbers of linear ticks: plain decimals, or with a power of ten when
// they would be long.
std::vector<std::string> linear_texts(const std::vector<double>& values, double step)
{
    double largest = 0.0;
    for (double v : values)
        largest = std::max(largest, std::fabs(v));
    const int decimals = decimals_of(step);
    const bool exponent = largest >= 1.0e5 || decimals > 4;
    std::vector<std::string> texts;
    for (double v : values) {
        if (exponent) {
            texts.push_back(exponent_text(v, step));
            continue;
        }
        char text[40];
        std::snprintf(text, sizeof text, "%.*f", decimals, v);
        texts.push_back(std::string(text) == "-0" ? "0" : text);
    }
    return texts;
}

// m x 10^e written plainly from 0.001 to 10000, with a power of ten beyond.
std::string power_text(int mantissa, int exponent)
{
    char text[40];
    if (exponent >= -3 && exponent <= 4)
        std::snprintf(text, sizeof text, "%.*f", std::max(0, -exponent),
                      mantissa * std::pow(10.0, exponent));
    else
        std::snprintf(text, sizeof text, "%dE%d", mantissa, exponent);
    return text;
}

// A number on an axis: where it goes (world value), its text, and its
// place in the sequence that thinning counts in.
struct Number
{
    double value;
    std::string text;
    long index;
};

// The ticks and numbers of a logarithmic axis (world values in decades):
// numbered decades when two or more lie in the range, fine ticks at 2 .. 9
// times each; in a narrower range 1, 2 and 5 times a power of ten, or
// every integer multiple; in a range narrower than two of those, linear
// ticks of the values.
struct LogScale
{
    std::vector<Number> major;
    std::vector<double> fine;
    std::vector<long> thinning; // the ways of keeping every n-th number
};

LogScale log_scale(double w1, double w2, int& status)
{
    LogScale s;
    const long first_decade = static_cast<long>(std::ceil(w1 - 1.0e-6));
    const long last_decade = static_cast<long>(std::floor(w2 + 1.0e-6));
    if (w2 - w1 > 300.0) return s; // not a range of float values
    if (last_decade - first_decade >= 1) {
        for (long e = first_decade; e <= last_decade; ++e)
            s.major.push_back({static_cast<double>(e), power_text(1, static_cast<int>(e)), e});
        if (last_decade - first_decade <= 12)
            for (long e = first_decade - 1; e <= last_decade; ++e)
                for (int m = 2; m <= 9; ++m)
                    s.fine.push_back(e + std::log10(m));
        s.thinning = {1, 2, 3, 5, 10, 20, 50, 100};
        return s;
    }
    // 1, 2 and 5 times powers of ten when they give three numbers, else every
    // integer multiple; the multiples not numbered are fine ticks.
    auto multiples = [&](std::initializer_list<int> mantissas) {
        std::vector<Number> numbers;
        for (long e = first_decade - 1; e <= last_decade; ++e)
            for (int m : mantissas) {
                const double w = e + std::log10(m);
                if (w >= w1 - 1.0e-6 && w <= w2 + 1.0e-6)
                    numbers.push_back(
                        {w, power_text(m, static_cast<int>(e)), static_cast<long>(numbers.size())});
            }
        return numbers;
    };
    const std::vector<Number> every = multiples({1, 2, 3, 4, 5, 6, 7, 8, 9});
    s.major = multiples({1, 2, 5});
    if (s.major.size() < 3) s.major = every;
    if (s.major.size() >= 2) {
        for (const Number& n : every)
            if (std::none_of(s.major.begin(), s.major.end(),
                             [&](const Number& m) { return m.value == n.value; }))
                s.fine.push_back(n.value);
        s.thinning = {1, 2, 3, 4, 5, 10};
        return s;
    }
    // Less than a factor of two or so: linear ticks of the values themselves.
    Ticks t;
    const double v1 = std::pow(10.0, w1);
    const double v2 = std::pow(10.0, w2);
    if (!calculate_ticks(v1, v2, t, status)) return s;
    const std::vector<double> values = tick_values(t);
    const std::vector<std::string> texts = linear_texts(values, t.step);
    s.major.clear();
    for (std::size_t i = 0; i < values.size(); ++i)
        if (values[i] > 0.0)
            s.major.push_back({std::log10(values[i]), texts[i], std::lround(values[i] / t.step)});
    s.thinning = {1, 2, 5, 10, 20, 50};
    return s;
}

float tick_length(const Edge& e, const GsFrameStyle& frame)
{
    return std::min(frame.tick_length, 0.3f * e.depth);
}

// Ticks across an edge at world values, in the frame's style.
void draw_ticks(const Edge& e, const std::vector<double>& values, float length, int& status)
{
    GsFrameStyle frame;
    GS_INQ_FRAMESTYLE(frame, status);
    const float direction = frame.ticks_inside ? e.inward : -e.inward;
    const LgPageCoordinates page;
    GS_LINESTYLE(GS_LINE_SOLID, frame.line_width, frame.colour, status);
    for (double v : values) {
        if (!e.within(v)) continue;
        const float p = e.along(v);
        if (e.horizontal)
            GS_LINE(p, e.at, p, e.at + direction * length, status);
        else
            GS_LINE(e.at, p, e.at + direction * length, p, status);
    }
}

// The line of an axis along its edge.
void draw_axis_line(const Edge& e, int& status)
{
    GsFrameStyle frame;
    GS_INQ_FRAMESTYLE(frame, status);
    const LgPageCoordinates page;
    GS_LINESTYLE(GS_LINE_SOLID, frame.line_width, frame.colour, status);
    if (e.horizontal)
        GS_LINE(e.from, e.at, e.to, e.at, status);
    else
        GS_LINE(e.at, e.from, e.at, e.to, status);
}

void record_reach(const Edge& e, float reach)
{
    const int i = e.side - 1;
    if (axis_reach.viewport != e.viewport) axis_reach.drawn = {};
    axis_reach.viewport = e.viewport;
    axis_reach.reach[static_cast<std::size_t>(i)] = reach;
    axis_reach.drawn[static_cast<std::size_t>(i)] = true;
}

// Numbers beside an edge. They get the room between the edge and the
// border of the page (less a band for the axis label on the left and
// below); numbers beside a vertical edge are made smaller until the widest
// fits, and every n-th is kept (n the first of thinning that leaves them
// apart) so that no two overlap.
void draw_numbers(const Edge& e, const std::vector<Number>& candidates,
                  const std::vector<long>& thinning, int& status)
{
    std::vector<Number> numbers;
    for (const Number& n : candidates)
        if (e.within(n.value)) numbers.push_back(n);
    if (numbers.empty()) return;
    GsAxisStyle style;
    GS_INQ_AXISSTYLE(e.axis(), style, status);
    GsFrameStyle frame;
    GS_INQ_FRAMESTYLE(frame, status);
    GsTextLook label;
    int orientation = GS_LABEL_ALONG;
    if (e.side == GS_AXIS_BELOW)
        GS_INQ_XLABELSTYLE(label, status);
    else
        GS_INQ_YLABELSTYLE(label, orientation, status);
    const bool label_band =
        e.side == GS_AXIS_BELOW || (e.side == GS_AXIS_LEFT && orientation == GS_LABEL_ALONG);
    const Page page = current_page(status);
    const GsTextLook& look = style.numbers;
    float height = look.height;
    const float gap_of_ticks = frame.ticks_inside ? 0.0f : tick_length(e, frame);
    auto gap = [&](float h) { return gap_of_ticks + 0.4f * h; };
    const float band = label_band ? 1.4f * label.height : 0.0f;
    auto room = [&](float h) {
        switch (e.side) {
        case GS_AXIS_ABOVE:
            return page.height - e.at - gap(h) - PAGE_MARGIN;
        case GS_AXIS_RIGHT:
            return page.width - e.at - gap(h) - PAGE_MARGIN;
        default:
            return e.at - gap(h) - band - PAGE_MARGIN;
        }
    };

    // The height at which the numbers fit their room.
    std::vector<float> widths(numbers.size());
    float widest = 0.0f;
    for (int attempt = 0; attempt < 4; ++attempt) {
        set_text(look, height, GS_ALIGN_LEFT, TEXT_TOP, false, status);
        widest = 0.0f;
        for (std::size_t i = 0; i < numbers.size(); ++i) {
            widths[i] = text_width(numbers[i].text, status);
            widest = std::max(widest, widths[i]);
        }
        const float needed = e.horizontal ? 1.2f * height : widest;
        const float available = room(height);
        if (needed <= available) break;
        if (available <= 0.0f) return; // no room at all: the axis stays unnumbered
        height *= 0.97f * available / needed;
    }
    if (height <= 0.0f) return;

    // Every n-th number, so that neighbours keep apart.
    const double unit = numbers.size() > 1
                            ? std::fabs(e.along(numbers[1].value) - e.along(numbers[0].value)) /
                                  std::max(1L, std::labs(numbers[1].index - numbers[0].index))
                            : 1.0;
    const float needed = e.horizontal ? widest + height : 1.6f * height;
    long keep_every = 0;
    for (long n : thinning)
        if (n * unit >= needed) {
            keep_every = n;
            break;
        }
    std::vector<std::size_t> kept;
    for (std::size_t i = 0; i < numbers.size(); ++i)
        if (keep_every > 0 && numbers[i].index % keep_every == 0) kept.push_back(i);
    if (kept.empty()) kept.push_back(numbers.size() / 2); // one number, in the middle

    // Numbers at their ticks, kept on the page; one that would then touch
    // its neighbour is left out.
    const int horizontal_align = e.side == GS_AXIS_LEFT    ? GS_ALIGN_RIGHT
                                 : e.side == GS_AXIS_RIGHT ? GS_ALIGN_LEFT
                                                           : GS_ALIGN_CENTRE;
    const int vertical_align = e.side == GS_AXIS_BELOW   ? TEXT_TOP
                               : e.side == GS_AXIS_ABOVE ? TEXT_BOTTOM
                                                         : TEXT_HALF;
    set_text(look, height, horizontal_align, vertical_align, false, status);
    const float across = e.at - e.inward * gap(height);
    const LgPageCoordinates page_coordinates;
    float previous_end = -1.0e30f;
    float drawn_width = 0.0f;
    for (std::size_t i : kept) {
        const float half = e.horizontal ? widths[i] / 2.0f : 0.6f * height;
        const float limit = e.horizontal ? page.width : page.height;
        float p = e.along(numbers[i].value);
        p = std::clamp(p, PAGE_MARGIN + half,
                       std::max(PAGE_MARGIN + half, limit - PAGE_MARGIN - half));
        const float space = e.horizontal ? 0.4f * height : 0.3f * height;
        if (p - half < previous_end + space) continue;
        previous_end = p + half;
        drawn_width = std::max(drawn_width, widths[i]);
        if (e.horizontal)
            LG_TEXT(p, across, numbers[i].text, status);
        else
            LG_TEXT(across, p, numbers[i].text, status);
    }
    const float extent = e.horizontal ? 1.2f * height : drawn_width;
    record_reach(e, across - e.inward * extent);
}

// Fine tick values between the ticks, when they would stand apart.
std::vector<double> fine_values(const Edge& e, const Ticks& t)
{
    std::vector<double> values;
    const int divisions = fine_divisions(t.step);
    const double fine = t.step / divisions;
    if (std::fabs(e.along(fine) - e.along(0.0)) < 0.004f) return values;
    // From the step before the first tick to the step after the last.
    for (int i = -1; i < std::min(t.count, MAX_TICKS); ++i)
        for (int k = 1; k < divisions; ++k)
            values.push_back(t.first + i * t.step + k * fine);
    return values;
}

bool ticks_valid(float step, int count, int& status, std::string_view position)
{
    if (!(step > 0.0f) || !std::isfinite(step))
        st_fail(status, ST_MOD_GS + BAD_NUMBER, position);
    else if (count > MAX_TICKS)
        st_fail(status, ST_MOD_GS + BAD_CHOICE, position);
    return status == ST_GOOD_VALUE;
}

// Lines across the viewport at world values of one axis.
void draw_grid_lines(int axis, const std::vector<double>& values, bool fine, int& status)
{
    GsGridStyle grid;
    GS_INQ_GRIDSTYLE(grid, status);
    Edge e;
    if (!edge_of(axis == GS_X_AXIS ? GS_AXIS_BELOW : GS_AXIS_LEFT, e, status,
                 "Subroutine GS_GRID V0.1"))
        return;
    const LgPageCoordinates page;
    GS_LINESTYLE(fine ? grid.fine_type : grid.coarse_type, 1.0f,
                 fine ? grid.fine_colour : grid.coarse_colour, status);
    for (double v : values) {
        if (!e.within(v)) continue;
        const float p = e.along(v);
        if (e.horizontal)
            GS_LINE(p, e.at, p, e.at + e.depth, status);
        else
            GS_LINE(e.at, p, e.at + e.depth, p, status);
    }
}

// An axis along an edge: its line (unless a frame draws it), ticks and numbers.
void draw_axis(int side, bool logarithmic, bool numbered, bool line, int& status,
               std::string_view position)
{
    Edge e;
    if (!edge_of(side, e, status, position)) return;
    GsAxisStyle style;
    GS_INQ_AXISSTYLE(e.axis(), style, status);
    if (line) draw_axis_line(e, status);
    if (logarithmic) {
        if (style.ticked) GS_ALOGTICKS(side, status);
        if (numbered && style.numbered) GS_ALOGAXENUM(side, status);
        return;
    }
    const Ticks t = style_ticks(style, e.w1, e.w2, status);
    if (t.count < 1) return;
    const float first = static_cast<float>(t.first);
    const float step = static_cast<float>(t.step);
    if (style.ticked) GS_LINTICKS(side, first, step, t.count, status);
    if (numbered && style.numbered) GS_LINAXENUM(side, first, step, t.count, status);
}

} // namespace

void GS_CAL_TICKS(float minimum, float maximum, float& first, float& step, int& count, int& status)
{
    constexpr std::string_view position = "Subroutine GS_CAL_TICKS V0.2";
    if (!st_enter(status, position)) return;
    if (!std::isfinite(minimum) || !std::isfinite(maximum))
        return st_fail(status, ST_MOD_GS + BAD_NUMBER, position);
    if (minimum > maximum) return st_fail(status, ST_MOD_GS + BAD_X_LIMITS, position);
    Ticks t;
    if (!calculate_ticks(minimum, maximum, t, status)) return;
    first = static_cast<float>(t.first);
    step = static_cast<float>(t.step);
    count = t.count;
}

void GS_LINTICKS(int side, float first, float step, int count, int& status)
{
    constexpr std::string_view position = "Subroutine GS_LINTICKS V0.1";
    if (!st_enter(status, position) || !ticks_valid(step, count, status, position)) return;
    Edge e;
    if (!edge_of(side, e, status, position)) return;
    GsFrameStyle frame;
    GS_INQ_FRAMESTYLE(frame, status);
    const Ticks t{first, step, count};
    const float length = tick_length(e, frame);
    draw_ticks(e, tick_values(t), length, status);
    if (frame.fine_ticks) draw_ticks(e, fine_values(e, t), 0.5f * length, status);
}

void GS_LINAXENUM(int side, float first, float step, int count, int& status)
{
    constexpr std::string_view position = "Subroutine GS_LINAXENUM V0.1";
    if (!st_enter(status, position) || !ticks_valid(step, count, status, position)) return;
    Edge e;
    if (!edge_of(side, e, status, position)) return;
    const Ticks t{first, step, count};
    const std::vector<double> values = tick_values(t);
    const std::vector<std::string> texts = linear_texts(values, t.step);
    std::vector<Number> numbers;
    for (std::size_t i = 0; i < values.size(); ++i)
        numbers.push_back({values[i], texts[i], std::lround(values[i] / t.step)});
    draw_numbers(e, numbers, {1, 2, 5, 10, 20, 50, 100, 200, 500}, status);
}

void GS_LINAXIS(int side, bool numbered, int& status)
{
    constexpr std::string_view position = "Subroutine GS_LINAXIS V0.2";
    if (st_enter(status, position)) draw_axis(side, false, numbered, true, status, position);
}

void GS_ALOGTICKS(int side, int& status)
{
    constexpr std::string_view position = "Subroutine GS_ALOGTICKS V0.1";
    if (!st_enter(status, position)) return;
    Edge e;
    if (!edge_of(side, e, status, position)) return;
    GsFrameStyle frame;
    GS_INQ_FRAMESTYLE(frame, status);
    const LogScale s = log_scale(e.w1, e.w2, status);
    std::vector<double> values;
    for (const Number& n : s.major)
        values.push_back(n.value);
    const float length = tick_length(e, frame);
    draw_ticks(e, values, length, status);
    if (frame.fine_ticks) draw_ticks(e, s.fine, 0.5f * length, status);
}

void GS_ALOGAXENUM(int side, int& status)
{
    constexpr std::string_view position = "Subroutine GS_ALOGAXENUM V0.1";
    if (!st_enter(status, position)) return;
    Edge e;
    if (!edge_of(side, e, status, position)) return;
    const LogScale s = log_scale(e.w1, e.w2, status);
    draw_numbers(e, s.major, s.thinning, status);
}

void GS_ALOGAXIS(int side, bool numbered, int& status)
{
    constexpr std::string_view position = "Subroutine GS_ALOGAXIS V0.2";
    if (st_enter(status, position)) draw_axis(side, true, numbered, true, status, position);
}

void GS_LINGRID(int axis, float first, float step, int count, bool fine, int& status)
{
    constexpr std::string_view position = "Subroutine GS_LINGRID V0.1";
    if (!st_enter(status, position) || !ticks_valid(step, count, status, position)) return;
    if (axis != GS_X_AXIS && axis != GS_Y_AXIS)
        return st_fail(status, ST_MOD_GS + BAD_CHOICE, position);
    Edge e;
    if (!edge_of(axis == GS_X_AXIS ? GS_AXIS_BELOW : GS_AXIS_LEFT, e, status, position)) return;
    const Ticks t{first, step, count};
    draw_grid_lines(axis, fine ? fine_values(e, t) : tick_values(t), fine, status);
}

void GS_ALOGGRID(int axis, bool fine, int& status)
{
    constexpr std::string_view position = "Subroutine GS_ALOGGRID V0.1";
    if (!st_enter(status, position)) return;
    if (axis != GS_X_AXIS && axis != GS_Y_AXIS)
        return st_fail(status, ST_MOD_GS + BAD_CHOICE, position);
    Edge e;
    if (!edge_of(axis == GS_X_AXIS ? GS_AXIS_BELOW : GS_AXIS_LEFT, e, status, position)) return;
    const LogScale s = log_scale(e.w1, e.w2, status);
    std::vector<double> values;
    for (const Number& n : s.major)
        values.push_back(n.value);
    draw_grid_lines(axis, fine ? s.fine : values, fine, status);
}

void GS_INQ_AXISREACH(int side, float& reach, int& status)
{
    constexpr std::string_view position = "Subroutine GS_INQ_AXISREACH V0.1";
    if (!st_enter(status, position)) return;
    Edge e;
    if (!edge_of(side, e, status, position)) return;
    const std::size_t i = static_cast<std::size_t>(side - 1);
    reach = axis_reach.viewport == e.viewport && axis_reach.drawn[i] ? axis_reach.reach[i] : e.at;
}

void GS_AXISFRAME(int& status)
{
    constexpr std::string_view position = "Subroutine GS_AXISFRAME V0.2";
    if (!st_enter(status, position)) return;
    Edge e;
    if (!edge_of(GS_AXIS_BELOW, e, status, position)) return;
    axis_reach.viewport = e.viewport;
    axis_reach.drawn = {};
    GsFrameStyle frame;
    GS_INQ_FRAMESTYLE(frame, status);
    bool x_log = false, y_log = false;
    GS_INQ_AXESLOGLIN(x_log, y_log, status);
    if (frame.frame) {
        const LgPageCoordinates page;
        GS_LINESTYLE(GS_LINE_SOLID, frame.line_width, frame.colour, status);
        GS_RECTANGLE(e.viewport[0], e.viewport[1], e.viewport[2], e.viewport[3], false, true,
                     status);
    }
    // The frame is the axes' line, drawn or not.
    auto axis = [&](int side, bool log, bool numbered) {
        draw_axis(side, log, numbered, false, status, position);
    };
    axis(GS_AXIS_BELOW, x_log, true);
    axis(GS_AXIS_LEFT, y_log, true);
    if (frame.mirror_ticks) {
        axis(GS_AXIS_ABOVE, x_log, false);
        axis(GS_AXIS_RIGHT, y_log, false);
    }
}

void GS_GRID(int& status)
{
    constexpr std::string_view position = "Subroutine GS_GRID V0.1";
    if (!st_enter(status, position)) return;
    GsGridStyle grid;
    GS_INQ_GRIDSTYLE(grid, status);
    bool logs[2] = {false, false};
    GS_INQ_AXESLOGLIN(logs[0], logs[1], status);
    for (int axis : {GS_X_AXIS, GS_Y_AXIS}) {
        const bool coarse = axis == GS_X_AXIS ? grid.coarse_x : grid.coarse_y;
        const bool fine = axis == GS_X_AXIS ? grid.fine_x : grid.fine_y;
        if (!coarse && !fine) continue;
        Edge e;
        if (!edge_of(axis == GS_X_AXIS ? GS_AXIS_BELOW : GS_AXIS_LEFT, e, status, position)) return;
        for (bool fine_lines : {true, false}) {
            if (!(fine_lines ? fine : coarse)) continue;
            if (logs[axis - 1]) {
                GS_ALOGGRID(axis, fine_lines, status);
                continue;
            }
            GsAxisStyle style;
            GS_INQ_AXISSTYLE(axis, style, status);
            const Ticks t = style_ticks(style, e.w1, e.w2, status);
            if (t.count >= 1)
                GS_LINGRID(axis, static_cast<float>(t.first), static_cast<float>(t.step), t.count,
                           fine_lines, status);
        }
    }
}
