// Text style in one call, and large decorative characters drawn as filled
// polygons, independent of any device font (the title screen's heading).

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "gs/gs.h"
#include "io/convert.h"
#include "io/status.h"
#include "lg/lg.h"

namespace {

struct Point
{
    float x;
    float y;
};
using Polygon = std::vector<Point>;

struct Glyph
{
    std::string_view name;
    std::vector<Polygon> polygons;
    float advance;
};

constexpr float STROKE = 0.1f; // stroke width, as a fraction of the box
constexpr float PI = 3.1415926f;

// Points along an elliptic arc, angles in degrees, counter-clockwise when
// a1 > a0.
std::vector<Point> arc(float cx, float cy, float rx, float ry, float a0, float a1, int n = 14)
{
    std::vector<Point> points;
    for (int i = 0; i <= n; ++i) {
        const float a = (a0 + (a1 - a0) * i / n) * PI / 180.0f;
        points.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
    return points;
}

std::vector<Point> join(std::initializer_list<std::vector<Point>> parts)
{
    std::vector<Point> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// A stroke along a centre line, as one filled polygon: one side forward,
// the other back.
Polygon stroke(const std::vector<Point>& line, float width = STROKE)
{
    const std::size_t n = line.size();
    std::vector<Point> left;
    std::vector<Point> right;
    for (std::size_t i = 0; i < n; ++i) {
        const Point a = line[i == 0 ? 0 : i - 1];
        const Point b = line[i + 1 < n ? i + 1 : n - 1];
        float dx = b.x - a.x;
        float dy = b.y - a.y;
        const float length = std::hypot(dx, dy);
        if (length > 0.0f) {
            dx /= length;
            dy /= length;
        }
        const float h = width / 2.0f;
        left.push_back({line[i].x - dy * h, line[i].y + dx * h});
        right.push_back({line[i].x + dy * h, line[i].y - dx * h});
    }
    Polygon outline(left.begin(), left.end());
    outline.insert(outline.end(), right.rbegin(), right.rend());
    return outline;
}

// A closed ring: the outer ellipse one way, the inner one back, joined by a seam.
Polygon ring(float cx, float cy, float rx, float ry)
{
    const float h = STROKE / 2.0f;
    Polygon outline = arc(cx, cy, rx + h, ry + h, 0.0f, 360.0f, 24);
    const std::vector<Point> inner = arc(cx, cy, rx - h, ry - h, 360.0f, 0.0f, 24);
    outline.insert(outline.end(), inner.begin(), inner.end());
    return outline;
}

Polygon dot(float cx, float cy)
{
    const float h = STROKE * 0.6f;
    return {{cx - h, cy - h}, {cx + h, cy - h}, {cx + h, cy + h}, {cx - h, cy + h}};
}

const std::vector<Glyph>& glyphs()
{
    static const std::vector<Glyph> set = {
        {"b",
         {{{0.0f, 0.0f}, {0.3f, 0.7f}, {0.15f, 0.08f}},
          {{0.15f, 0.08f}, {0.45f, 0.45f}, {0.1f, 0.2f}, {0.35f, 0.35f}}},
         0.45f},
        {"c", {{{0.0f, 0.2f}, {0.5f, 0.65f}, {0.13f, 0.23f}, {0.45f, 0.0f}}}, 0.5f},
        {"d",
         {ring(0.22f, 0.3f, 0.17f, 0.27f), stroke({{0.42f, 0.95f}, {0.42f, 0.0f}})},
         0.52f},
        {"e",
         {stroke({{0.06f, 0.32f}, {0.4f, 0.32f}}),
          stroke(join({arc(0.23f, 0.32f, 0.17f, 0.28f, 0.0f, 320.0f, 20)}))},
         0.5f},
        {"g",
         {ring(0.22f, 0.35f, 0.17f, 0.25f),
          stroke(join({{{0.42f, 0.62f}, {0.42f, 0.0f}},
                       arc(0.24f, 0.0f, 0.18f, 0.2f, 0.0f, -150.0f, 10)}))},
         0.52f},
        {"h",
         {stroke({{0.06f, 0.95f}, {0.06f, 0.0f}}),
          stroke(join({arc(0.23f, 0.4f, 0.17f, 0.2f, 180.0f, 0.0f, 12),
                       {{0.4f, 0.0f}}}))},
         0.5f},
        {"i", {stroke({{0.1f, 0.6f}, {0.1f, 0.0f}}), dot(0.1f, 0.8f)}, 0.25f},
        {"l", {stroke({{0.1f, 0.95f}, {0.1f, 0.0f}})}, 0.25f},
        {"n",
         {stroke({{0.06f, 0.62f}, {0.06f, 0.0f}}),
          stroke(join({arc(0.23f, 0.4f, 0.17f, 0.2f, 180.0f, 0.0f, 12),
                       {{0.4f, 0.0f}}}))},
         0.5f},
        {"o", {ring(0.23f, 0.3f, 0.18f, 0.28f)}, 0.5f},
        {"r",
         {stroke({{0.06f, 0.62f}, {0.06f, 0.0f}}),
          stroke(arc(0.26f, 0.35f, 0.2f, 0.23f, 180.0f, 60.0f, 10))},
         0.4f},
        {"s",
         {stroke(join({arc(0.22f, 0.47f, 0.15f, 0.14f, 20.0f, 270.0f, 12),
                       arc(0.22f, 0.17f, 0.16f, 0.15f, 90.0f, -160.0f, 12)}))},
         0.45f},
        {"t",
         {stroke(join({{{0.18f, 0.85f}, {0.18f, 0.15f}},
                       arc(0.32f, 0.15f, 0.14f, 0.12f, 180.0f, 300.0f, 8)})),
          stroke({{0.03f, 0.6f}, {0.38f, 0.6f}})},
         0.45f},
        {"u",
         {stroke(join({{{0.06f, 0.62f}, {0.06f, 0.22f}},
                       arc(0.23f, 0.22f, 0.17f, 0.2f, 180.0f, 360.0f, 12)})),
          stroke({{0.4f, 0.62f}, {0.4f, 0.0f}})},
         0.5f},
        {"y",
         {stroke({{0.04f, 0.62f}, {0.25f, 0.12f}}), stroke({{0.46f, 0.62f}, {0.14f, -0.3f}})},
         0.5f},
        {"z", {stroke({{0.05f, 0.6f}, {0.45f, 0.6f}, {0.05f, 0.05f}, {0.47f, 0.05f}})}, 0.52f},
        {"2",
         {stroke(join({arc(0.26f, 0.68f, 0.2f, 0.24f, 160.0f, -30.0f, 12),
                       {{0.05f, 0.05f}, {0.5f, 0.05f}}}))},
         0.55f},
        {"chi",
         {stroke({{0.04f, 0.62f}, {0.16f, 0.6f}, {0.5f, -0.3f}}),
          stroke({{0.48f, 0.62f}, {0.04f, -0.3f}})},
         0.55f},
    };
    return set;
}

float box_width = 0.05f;
float box_height = 0.05f;

} // namespace

void GS_SET_CHAR_SCALING(float width, float height, int& status)
{
    if (!st_enter(status, "Subroutine GS_SET_CHAR_SCALING V0.1")) return;
    box_width = width;
    box_height = height;
}

void GS_INQ_CHAR_SCALING(float& width, float& height, int& status)
{
    if (!st_enter(status, "Subroutine GS_INQ_CHAR_SCALING V0.1")) return;
    width = box_width;
    height = box_height;
}

// Draws one character with its lower-left corner at (x, y) in the current
// fill style, and moves x on by the character's advance.
void GS_DRAW_CHARACTER(std::string_view character, float& x, float y, int& status)
{
    if (!st_enter(status, "Subroutine GS_DRAW_CHARACTER V0.3")) return;
    const std::string_view name = st_strip(character);
    for (const Glyph& glyph : glyphs()) {
        if (glyph.name != name) continue;
        for (const Polygon& polygon : glyph.polygons) {
            std::vector<float> px;
            std::vector<float> py;
            for (const Point& p : polygon) {
                px.push_back(x + p.x * box_width);
                py.push_back(y + p.y * box_height);
            }
            LG_FILLAREA(static_cast<int>(px.size()), px.data(), py.data(), status);
        }
        x += glyph.advance * box_width;
        return;
    }
    io_say("WARNING: Letter not available");
}

namespace {

// Degrees of the direction of the up vector from upright. Computed in double
// and taken exact within a tenth of a degree of a quarter turn: upright text
// given a hair of an angle is drawn on a rotated grid, its first letter
// lower or smaller than the rest.
double text_angle(float up_x, float up_y)
{
    if (up_x == 0.0f && up_y == 0.0f) return 0.0;
    constexpr double QUARTER_TURN = 90.0;
    constexpr double SNAP_DEGREES = 0.1;
    const double degrees = (std::atan2(static_cast<double>(up_y), static_cast<double>(up_x)) -
                            std::numbers::pi / 2.0) *
                           180.0 / std::numbers::pi;
    const double quarter = std::round(degrees / QUARTER_TURN) * QUARTER_TURN;
    return std::fabs(degrees - quarter) < SNAP_DEGREES ? quarter : degrees;
}

} // namespace

// Font, colour (a colour code), height, alignment and direction of text.
void GS_TEXTSTYLE(int font, int colour, float height, float unused1, float unused2,
                  float unused3, int horizontal, int vertical, float up_x, float up_y,
                  int& status)
{
    constexpr std::string_view position = "Subroutine GS_TEXTSTYLE V0.3";
    if (!st_enter(status, position)) return;
    (void)unused1;
    (void)unused2;
    (void)unused3;
    if (height <= 0.0f) {
        int convert = ST_GOOD_VALUE;
        io_say("ERROR: GS_TEXTSTYLE: char_height = " + IO_RTOC(height, convert));
        st_fail(status, ST_MOD_GS + 21, position);
        return;
    }
    LG_TEXTFONT(font, status);
    LG_TEXTCOLOUR(std::max(0, GS_COLOUR_INDEX(colour)), status);
    LG_TEXTHEIGHT(height, status);
    LG_TEXTALIGNMENT(horizontal, vertical, status);
    LG_TEXTANGLE(static_cast<float>(text_angle(up_x, up_y)), status);
}
