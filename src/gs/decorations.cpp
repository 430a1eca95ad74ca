// What stands around and on a graph or picture: title, axis labels, key,
// annotation texts, arrows and labelled points. Texts are placed beyond the
// numbers of the axes, made smaller where they would not fit, and kept on
// the page.

#include <algorithm>
#include <cmath>
#include <span>
#include <string>
#include <vector>

#include "gs/graph_support.h"
#include "gs/graphs.h"
#include "io/status.h"
#include "lg/lg.h"

namespace {

using namespace gs_graph;

// Length of an arrow's head (page coordinates).
constexpr float ARROW_HEAD = 0.015f;

// A rectangle on the page.
struct KeyBox
{
    float x1, y1, x2, y2;
};

struct PagePoint
{
    float x, y; // NaN when the point has no place on the scales
};

// The points of the curves on the page.
std::vector<std::vector<PagePoint>> curves_on_page(const Transform& t, int max_dat, int num_curves,
                                                   int first, int last, std::span<const float> x,
                                                   std::span<const float> y, int& status)
{
    bool axis_log[2] = {}, data_log[2] = {};
    GS_INQ_AXESLOGLIN(axis_log[0], axis_log[1], status);
    GS_INQ_DATALOGLIN(data_log[0], data_log[1], status);
    std::vector<std::vector<PagePoint>> curves;
    for (int c = 1; c <= num_curves; ++c) {
        const std::span<const float> cx = curve_column(x, max_dat, c);
        const std::span<const float> cy = curve_column(y, max_dat, c);
        std::vector<PagePoint>& points = curves.emplace_back();
        for (int i = first; i <= last; ++i) {
            const float wx =
                on_scale(cx[static_cast<std::size_t>(i - 1)], axis_log[0], data_log[0]);
            const float wy =
                on_scale(cy[static_cast<std::size_t>(i - 1)], axis_log[1], data_log[1]);
            points.push_back({t.page_x(wx), t.page_y(wy)});
        }
    }
    return curves;
}

// How many pieces of the curves a box would hide: segments through it and
// single points in it.
int covered(const KeyBox& b, const std::vector<std::vector<PagePoint>>& curves)
{
    int count = 0;
    for (const std::vector<PagePoint>& points : curves) {
        for (std::size_t i = 0; i < points.size(); ++i) {
            const PagePoint& p = points[i];
            if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
            if (p.x >= b.x1 && p.x <= b.x2 && p.y >= b.y1 && p.y <= b.y2) ++count;
            if (i + 1 == points.size()) continue;
            const PagePoint& q = points[i + 1];
            Clipped c;
            if (std::isfinite(q.x) && std::isfinite(q.y) &&
                clip_segment(b.x1, b.y1, b.x2, b.y2, p.x, p.y, q.x, q.y, c))
                ++count;
        }
    }
    return count;
}

// Where the key goes: where its style puts it, or else the corner of the
// frame where it hides the least of the curves; hides tells whether it
// still lies over some of them.
KeyBox key_place(const Transform& t, const GsKeyStyle& key, const KeyBox& size, float pad,
                 const std::vector<std::vector<PagePoint>>& curves, bool& hides)
{
    const float w = size.x2, h = size.y2;
    auto at = [&](float x1, float y2) {
        x1 = std::clamp(x1, t.vx1, std::max(t.vx1, t.vx2 - w));
        y2 = std::clamp(y2, std::min(t.vy2, t.vy1 + h), t.vy2);
        return KeyBox{x1, y2 - h, x1 + w, y2};
    };
    const KeyBox candidates[] = {
        at(t.vx1 + key.x * (t.vx2 - t.vx1), t.vy1 + key.y * (t.vy2 - t.vy1)),
        at(t.vx2 - pad - w, t.vy2 - pad), at(t.vx1 + pad, t.vy2 - pad),
        at(t.vx2 - pad - w, t.vy1 + pad + h), at(t.vx1 + pad, t.vy1 + pad + h)};
    KeyBox best = candidates[0];
    int least = covered(best, curves);
    for (const KeyBox& b : candidates) {
        const int n = covered(b, curves);
        if (n < least) {
            least = n;
            best = b;
        }
    }
    hides = least > 0;
    return best;
}

// A centre along the page's width (or height) at which a text of this
// length lies on the page.
float kept_on_page(float centre, float length, float page_length)
{
    const float half = length / 2.0f;
    return std::clamp(centre, PAGE_MARGIN + half,
                      std::max(PAGE_MARGIN + half, page_length - PAGE_MARGIN - half));
}

// The point of data values on the page, when both have a place on the scales.
bool data_on_page(const Transform& t, float x, float y, float& px, float& py, int& status)
{
    bool axis_log[2] = {}, data_log[2] = {};
    GS_INQ_AXESLOGLIN(axis_log[0], axis_log[1], status);
    GS_INQ_DATALOGLIN(data_log[0], data_log[1], status);
    const float wx = on_scale(x, axis_log[0], data_log[0]);
    const float wy = on_scale(y, axis_log[1], data_log[1]);
    if (!std::isfinite(wx) || !std::isfinite(wy)) return false;
    px = t.page_x(wx);
    py = t.page_y(wy);
    return std::isfinite(px) && std::isfinite(py);
}

// A line of text centred across the page at height y, aligned vertically as
// given, at most height high and never wider than the page.
void centred_line(std::string_view text, const GsTextLook& look, float height, float centre,
                  float y, int vertical, int& status)
{
    const Page page = current_page(status);
    const float h = fitted_height(look, height, text, page.width - 2.0f * PAGE_MARGIN);
    if (h <= 0.0f) return;
    set_text(look, h, GS_ALIGN_CENTRE, vertical, false, status);
    const float x = kept_on_page(centre, text_width(text, status), page.width);
    const LgPageCoordinates page_coordinates;
    LG_TEXT(x, y, text, status);
}

} // namespace

void GS_TITLE(std::string_view title, int& status)
{
    if (!st_enter(status, "Subroutine GS_TITLE V0.2")) return;
    const std::string_view text = st_strip(title);
    if (text.empty()) return;
    GsTextLook look, y_look;
    int orientation = GS_LABEL_ALONG;
    GS_INQ_TITLESTYLE(look, status);
    GS_INQ_YLABELSTYLE(y_look, orientation, status);
    float above = 0.0f;
    GS_INQ_AXISREACH(GS_AXIS_ABOVE, above, status);
    // A y label across the axis stands just above the frame, the title above it.
    if (orientation == GS_LABEL_ACROSS) above += 1.4f * y_look.height;
    const Transform t = current_transform(status);
    const Page page = current_page(status);
    const float y = above + 0.4f * look.height;
    const float height = std::min(look.height, (page.height - PAGE_MARGIN - y) / 1.25f);
    centred_line(text, look, height, (t.vx1 + t.vx2) / 2.0f, y, TEXT_BOTTOM, status);
}

void GS_XLABEL(std::string_view label, int& status)
{
    if (!st_enter(status, "Subroutine GS_XLABEL V0.2")) return;
    const std::string_view text = st_strip(label);
    if (text.empty()) return;
    GsTextLook look;
    GS_INQ_XLABELSTYLE(look, status);
    float below = 0.0f;
    GS_INQ_AXISREACH(GS_AXIS_BELOW, below, status);
    const Transform t = current_transform(status);
    const float y = below - 0.3f * look.height;
    const float height = std::min(look.height, (y - PAGE_MARGIN) / 1.25f);
    centred_line(text, look, height, (t.vx1 + t.vx2) / 2.0f, y, TEXT_TOP, status);
}

void GS_YLABEL(std::string_view label, int& status)
{
    if (!st_enter(status, "Subroutine GS_YLABEL V0.2")) return;
    const std::string_view text = st_strip(label);
    if (text.empty()) return;
    GsTextLook look;
    int orientation = GS_LABEL_ALONG;
    GS_INQ_YLABELSTYLE(look, orientation, status);
    const Transform t = current_transform(status);
    const Page page = current_page(status);
    if (orientation == GS_LABEL_ACROSS) {
        float above = 0.0f;
        GS_INQ_AXISREACH(GS_AXIS_ABOVE, above, status);
        const float y = above + 0.3f * look.height;
        const float height =
            fitted_height(look, look.height, text, page.width - PAGE_MARGIN - t.vx1);
        if (height <= 0.0f) return;
        set_text(look, height, GS_ALIGN_LEFT, TEXT_BOTTOM, false, status);
        const LgPageCoordinates page_coordinates;
        LG_TEXT(t.vx1, y, text, status);
        return;
    }
    // Turned to read upwards, left of the numbers, its foot towards the frame.
    float left = 0.0f;
    GS_INQ_AXISREACH(GS_AXIS_LEFT, left, status);
    const float x = left - 0.3f * look.height;
    const float length = std::min(page.height - 2.0f * PAGE_MARGIN, 1.1f * (t.vy2 - t.vy1));
    const float height =
        fitted_height(look, std::min(look.height, (x - PAGE_MARGIN) / 1.25f), text, length);
    if (height <= 0.0f) return;
    set_text(look, height, GS_ALIGN_CENTRE, TEXT_BOTTOM, true, status);
    const float y = kept_on_page((t.vy1 + t.vy2) / 2.0f, text_width(text, status), page.height);
    const LgPageCoordinates page_coordinates;
    LG_TEXT(x, y, text, status);
}

void GS_KEY(int max_dat, int num_curves, int first, int last, std::span<const float> x,
            std::span<const float> y, int& status)
{
    constexpr std::string_view position = "Subroutine GS_KEY V0.3";
    if (!st_enter(status, position)) return;
    const bool data = !x.empty() || !y.empty();
    if (data &&
        !curves_valid(max_dat, num_curves, num_curves, first, last, x, y, {}, {}, status, position))
        return;
    GsKeyStyle key;
    GS_INQ_KEYSTYLE(key, status);
    if (!key.shown) return;
    std::vector<GsCurveStyle> entries;
    for (int c = 1; c <= std::min(num_curves, GS_MAX_CURVES); ++c) {
        GsCurveStyle curve;
        GS_INQ_CURVESTYLE(c, curve, status);
        if (!st_strip(curve.key).empty()) entries.push_back(curve);
    }
    if (entries.empty() || status != ST_GOOD_VALUE) return;
    const Transform t = current_transform(status);
    const float frame_w = t.vx2 - t.vx1;
    const float frame_h = t.vy2 - t.vy1;
    const float sample = 0.08f * frame_w;
    // One height for all entries, at which the longest fits three quarters
    // of the frame and all rows fit its height.
    const float pad = 0.5f * key.text.height;
    float height = std::min(key.text.height, (frame_h - 2.0f * pad) / (1.5f * entries.size()));
    for (const GsCurveStyle& e : entries)
        height = std::min(
            height, fitted_height(key.text, height, e.key, 0.75f * frame_w - sample - 3.0f * pad));
    if (height <= 0.0f) return;
    set_text(key.text, height, GS_ALIGN_LEFT, TEXT_HALF, false, status);
    float widest = 0.0f;
    for (const GsCurveStyle& e : entries)
        widest = std::max(widest, text_width(e.key, status));
    const float row = 1.5f * height;
    const KeyBox size{0.0f, 0.0f, 3.0f * pad + sample + widest, row * entries.size() + pad};
    std::vector<std::vector<PagePoint>> curves;
    if (data) curves = curves_on_page(t, max_dat, num_curves, first, last, x, y, status);
    bool hides = false;
    const KeyBox box = key_place(t, key, size, pad, curves, hides);

    const LgPageCoordinates page;
    GsFrameStyle frame;
    GS_INQ_FRAMESTYLE(frame, status);
    GS_FILLSTYLE(1, GS_WHITE, status);
    GS_LINESTYLE(GS_LINE_SOLID, frame.line_width, frame.colour, status);
    // Over a curve the key is not filled: no data is hidden behind it.
    GS_RECTANGLE(box.x1, box.y1, box.x2, box.y2, !hides, key.frame, status);
    for (std::size_t k = 0; k < entries.size(); ++k) {
        const GsCurveStyle& e = entries[k];
        const float y_row = box.y2 - pad / 2.0f - (k + 0.5f) * row;
        if (e.line) {
            GS_LINESTYLE(e.line_type, e.line_width, e.line_colour, status);
            GS_LINE(box.x1 + pad, y_row, box.x1 + pad + sample, y_row, status);
        }
        if (e.markers) {
            const float mx = box.x1 + pad + sample / 2.0f;
            LG_MARKERTYPE(e.marker_type, status);
            LG_MARKERCOLOUR(std::max(1, GS_COLOUR_INDEX(e.marker_colour)), status);
            LG_MARKERSCALE(e.marker_size, status);
            LG_POLYMARKER(1, &mx, &y_row, status);
        }
        set_text(key.text, height, GS_ALIGN_LEFT, TEXT_HALF, false, status);
        LG_TEXT(box.x1 + 2.0f * pad + sample, y_row, e.key, status);
    }
}

void GS_ATEXT(int& status)
{
    if (!st_enter(status, "Subroutine GS_ATEXT V0.2")) return;
    std::vector<GsAnnotation> texts;
    GS_INQ_ATEXT(texts, status);
    if (texts.empty()) return;
    const Transform t = current_transform(status);
    const GsClipToViewport clip;
    for (const GsAnnotation& a : texts) {
        float px = 0, py = 0;
        if (st_strip(a.text).empty() || !data_on_page(t, a.x, a.y, px, py, status)) continue;
        const float height = fitted_height(a.look, a.look.height, a.text, t.vx2 - t.vx1);
        if (height <= 0.0f) continue;
        set_text(a.look, height, a.align, TEXT_HALF, false, status);
        const LgPageCoordinates page;
        LG_TEXT(px, py, a.text, status);
    }
}

void GS_ARROWS(int& status)
{
    if (!st_enter(status, "Subroutine GS_ARROWS V0.2")) return;
    std::vector<GsArrow> arrows;
    GS_INQ_ARROWS(arrows, status);
    if (arrows.empty()) return;
    const Transform t = current_transform(status);
    for (const GsArrow& a : arrows) {
        float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        if (!data_on_page(t, a.x1, a.y1, x1, y1, status) ||
            !data_on_page(t, a.x2, a.y2, x2, y2, status))
            continue;
        const float length = std::hypot(x2 - x1, y2 - y1);
        if (length <= 0.0f || length > 10.0f) continue; // nothing to point, or far off the page
        const float head = std::min(ARROW_HEAD, 0.4f * length);
        const float ux = (x2 - x1) / length, uy = (y2 - y1) / length;
        const float bx = x2 - ux * head, by = y2 - uy * head;
        const LgPageCoordinates page;
        GS_LINESTYLE(GS_LINE_SOLID, a.width, a.colour, status);
        GS_FILLSTYLE(1, a.colour, status);
        GS_LINE(x1, y1, bx, by, status);
        GS_TRIANGLE(x2, y2, bx - uy * 0.4f * head, by + ux * 0.4f * head, bx + uy * 0.4f * head,
                    by - ux * 0.4f * head, true, true, status);
    }
}

void GS_ALABELS(int& status)
{
    if (!st_enter(status, "Subroutine GS_ALABELS V0.2")) return;
    std::vector<GsPointLabel> labels;
    GS_INQ_ALABELS(labels, status);
    if (labels.empty()) return;
    const Transform t = current_transform(status);
    const Page page = current_page(status);
    const GsTextLook look{1, GS_BLACK, 0.014f};
    bool axis_log[2] = {}, data_log[2] = {};
    GS_INQ_AXESLOGLIN(axis_log[0], axis_log[1], status);
    GS_INQ_DATALOGLIN(data_log[0], data_log[1], status);
    for (const GsPointLabel& l : labels) {
        float px = 0, py = 0;
        if (!data_on_page(t, l.x, l.y, px, py, status)) continue;
        if (px < t.vx1 || px > t.vx2 || py < t.vy1 || py > t.vy2) continue;
        GS_MARK(on_scale(l.x, axis_log[0], data_log[0]), on_scale(l.y, axis_log[1], data_log[1]),
                status);
        const float x = px + 0.8f * look.height;
        const float height = fitted_height(look, look.height, l.text, page.width - PAGE_MARGIN - x);
        if (st_strip(l.text).empty() || height <= 0.0f) continue;
        set_text(look, height, GS_ALIGN_LEFT, TEXT_HALF, false, status);
        const LgPageCoordinates page_coordinates;
        LG_TEXT(x, py, l.text, status);
    }
}

void GS_PERIPHERY(std::string_view title, std::string_view x_label, std::string_view y_label,
                  int& status)
{
    if (!st_enter(status, "Subroutine GS_PERIPHERY V0.1")) return;
    GS_GRID(status);
    GS_AXISFRAME(status);
    GS_ATEXT(status);
    GS_ARROWS(status);
    GS_ALABELS(status);
    GS_TITLE(title, status);
    GS_XLABEL(x_label, status);
    GS_YLABEL(y_label, status);
}
