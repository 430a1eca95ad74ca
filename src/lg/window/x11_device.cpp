// The window device: the layer's output drawn with Cairo into a backing
// picture the size of the window, shown in an X window (or kept headless),
// and its input read from the X server or an event script.

#include <cairo.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <memory>
#include <vector>

#include "io/status.h"
#include "lg/cell_index.h"
#include "lg/lg.h"
#include "lg/window/device_events.h"
#include "lg/window/x11.h"

namespace {

constexpr float ROOT_TWO = 1.414214f;
constexpr std::size_t ENTRY_LENGTH = 132;
constexpr std::size_t HISTORY_ENTRIES = 40;
constexpr int RUN_POINTS = 200;

struct CairoDeleter
{
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using CairoContext = std::unique_ptr<cairo_t, CairoDeleter>;
using CairoSurface = std::unique_ptr<cairo_surface_t, CairoDeleter>;

// A pixel rectangle, inclusive of x1..x2 and y1..y2.
struct PixelBox
{
    int x1 = 0, y1 = 0, x2 = -1, y2 = -1;
    bool empty() const { return x2 < x1 || y2 < y1; }
    void add(const PixelBox& b)
    {
        if (b.empty()) return;
        if (empty()) {
            *this = b;
            return;
        }
        x1 = std::min(x1, b.x1);
        y1 = std::min(y1, b.y1);
        x2 = std::max(x2, b.x2);
        y2 = std::max(y2, b.y2);
    }
};

LgWindowOptions options;

class Device : public ScriptTarget
{
public:
    int format = 1;
    int x_pixels = 500;
    int y_pixels = 707;
    int max_pixels = 707;
    std::array<float, 8> transform{0, 0, 1, 1, 0, 0, 1, 1};
    float x_scale = 707, x_offset = 0, y_scale = 707, y_offset = 0;

    float line_width = 1.0f;
    int line_style = 1;
    int line_colour = 1;
    int marker_type = 5;
    float marker_scale = 1.0f;
    float marker_width = 1.0f;
    int marker_colour = 1;
    int fill_colour = 2;
    int text_colour = 1;
    int font = 1;
    float font_height = 1.0f / 60.0f;
    float text_angle = 0.0f;
    int horizontal = 0;
    int vertical = 0;

    std::array<unsigned, 256> colours{};
    int min_image = 9, max_image = 255;
    bool log_scaling = false;

    bool clip_on = false;
    PixelBox clip;

    std::deque<std::string> history; // newest first
    struct KeptPicture
    {
        int width;
        int height;
        std::vector<unsigned char> pixels;
    };
    std::vector<KeptPicture> kept;
    int rubber_mode = 0;
    float rubber_wx = 0, rubber_wy = 0;
    bool rubber_drawn = false;
    bool cross_drawn = false;
    int feedback_x = 0, feedback_y = 0;
    LgSpyglass spyglass;

    CairoSurface surface;
    CairoContext cr;
    std::unique_ptr<X11Window> window;
    std::unique_ptr<EventSource> script;
    // What changed since it was last shown: a few boxes (the thin lines of the
    // pointer feedback stay thin), merged into one when they grow many.
    std::vector<PixelBox> dirty;
    bool input_ended = false;
    int snapshot_number = 0;
    std::unique_ptr<std::ofstream> record;

    void page_to_pixel(float x, float y, int& px, int& py) const override
    {
        px = static_cast<int>(std::trunc(x * max_pixels));
        py = y_pixels - static_cast<int>(std::trunc(y * max_pixels));
    }

    void world_to_pixel(float x, float y, int& px, int& py) const override
    {
        px = pixel_x(x);
        py = pixel_y(y);
    }

    int pixel_x(float x) const { return static_cast<int>(std::trunc(x_scale * x + x_offset)); }
    int pixel_y(float y) const
    {
        return y_pixels - static_cast<int>(std::trunc(y_scale * y + y_offset));
    }

    void recompute_scaling()
    {
        const auto& t = transform;
        x_scale = (t[6] - t[4]) * max_pixels / (t[2] - t[0]);
        x_offset = t[4] * max_pixels - t[0] * x_scale;
        y_scale = (t[7] - t[5]) * max_pixels / (t[3] - t[1]);
        y_offset = t[5] * max_pixels - t[1] * y_scale;
    }

    // A new backing picture of the window's size, white, and a context on it.
    void make_picture()
    {
        surface.reset(cairo_image_surface_create(CAIRO_FORMAT_RGB24, x_pixels, y_pixels));
        cr.reset(cairo_create(surface.get()));
        cairo_set_antialias(cr.get(), CAIRO_ANTIALIAS_NONE);
        cairo_set_source_rgb(cr.get(), 1, 1, 1);
        cairo_paint(cr.get());
        max_pixels = std::max(x_pixels, y_pixels);
        recompute_scaling();
        touch({0, 0, x_pixels - 1, y_pixels - 1});
        apply_clip();
    }

    void touch(PixelBox box)
    {
        box.x1 = std::max(box.x1, 0);
        box.y1 = std::max(box.y1, 0);
        box.x2 = std::min(box.x2, x_pixels - 1);
        box.y2 = std::min(box.y2, y_pixels - 1);
        if (box.empty()) return;
        if (dirty.size() >= 16) {
            PixelBox all;
            for (const PixelBox& b : dirty) all.add(b);
            dirty.assign(1, all);
        }
        dirty.push_back(box);
    }

    void touch_all() { touch({0, 0, x_pixels - 1, y_pixels - 1}); }

    // Shows what changed since the last time.
    void show()
    {
        if (!window || dirty.empty()) {
            dirty.clear();
            return;
        }
        cairo_surface_flush(surface.get());
        for (const PixelBox& b : dirty)
            window->show(cairo_image_surface_get_data(surface.get()),
                         cairo_image_surface_get_stride(surface.get()), b.x1, b.y1,
                         b.x2 - b.x1 + 1, b.y2 - b.y1 + 1);
        window->flush();
        dirty.clear();
    }

    unsigned* row(int y)
    {
        return reinterpret_cast<unsigned*>(cairo_image_surface_get_data(surface.get()) +
                                           static_cast<std::ptrdiff_t>(y) *
                                               cairo_image_surface_get_stride(surface.get()));
    }

    void set_source(int index)
    {
        const unsigned c = colours[static_cast<std::size_t>(std::clamp(index, 0, 255))];
        cairo_set_source_rgb(cr.get(), ((c >> 16) & 255) / 255.0, ((c >> 8) & 255) / 255.0,
                             (c & 255) / 255.0);
    }

    void apply_clip()
    {
        cairo_reset_clip(cr.get());
        if (!clip_on) return;
        cairo_rectangle(cr.get(), clip.x1, clip.y1, clip.x2 - clip.x1 + 1, clip.y2 - clip.y1 + 1);
        cairo_clip(cr.get());
    }

    // Where pixels may be written: the picture, within the clip rectangle.
    PixelBox drawable() const
    {
        PixelBox box{0, 0, x_pixels - 1, y_pixels - 1};
        if (clip_on) {
            box.x1 = std::max(box.x1, clip.x1);
            box.y1 = std::max(box.y1, clip.y1);
            box.x2 = std::min(box.x2, clip.x2);
            box.y2 = std::min(box.y2, clip.y2);
        }
        return box;
    }

    // Line pen: colour, style and width; an index below 1 inverts the pixels.
    void line_pen()
    {
        cairo_t* c = cr.get();
        if (line_colour < 1) {
            cairo_set_operator(c, CAIRO_OPERATOR_DIFFERENCE);
            cairo_set_source_rgb(c, 1, 1, 1);
        } else {
            cairo_set_operator(c, CAIRO_OPERATOR_OVER);
            set_source(line_colour);
        }
        const double width = std::max(1.0, std::trunc(static_cast<double>(line_width)));
        cairo_set_line_width(c, width);
        cairo_set_line_cap(c, CAIRO_LINE_CAP_BUTT);
        cairo_set_line_join(c, CAIRO_LINE_JOIN_MITER);
        static const double dash[] = {18, 6};
        static const double dot[] = {3, 3};
        static const double dash_dot[] = {9, 6, 3, 6};
        switch (line_style) {
        case 2: cairo_set_dash(c, dash, 2, 0); break;
        case 3: cairo_set_dash(c, dot, 2, 0); break;
        case 4: cairo_set_dash(c, dash_dot, 4, 0); break;
        default: cairo_set_dash(c, nullptr, 0, 0); break;
        }
    }

    void stroke_path(PixelBox box, double margin)
    {
        cairo_stroke(cr.get());
        cairo_set_operator(cr.get(), CAIRO_OPERATOR_OVER);
        const int m = static_cast<int>(std::ceil(margin)) + 1;
        touch({box.x1 - m, box.y1 - m, box.x2 + m, box.y2 + m});
    }

    // Inverts the pixels of a horizontal or vertical line: drawn twice, the
    // picture is as before.
    void invert_line(int x1, int y1, int x2, int y2)
    {
        cairo_surface_flush(surface.get());
        if (y1 == y2) {
            if (y1 < 0 || y1 >= y_pixels) return;
            unsigned* r = row(y1);
            for (int x = std::max(0, std::min(x1, x2)); x <= std::min(x_pixels - 1, std::max(x1, x2)); ++x)
                r[x] ^= 0xffffffu;
        } else {
            if (x1 < 0 || x1 >= x_pixels) return;
            for (int y = std::max(0, std::min(y1, y2)); y <= std::min(y_pixels - 1, std::max(y1, y2)); ++y)
                row(y)[x1] ^= 0xffffffu;
        }
        cairo_surface_mark_dirty(surface.get());
        touch({std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)});
    }

    // Inverts a straight line between two points, one pixel wide.
    void invert_segment(int x1, int y1, int x2, int y2)
    {
        if (x1 == x2 || y1 == y2) {
            invert_line(x1, y1, x2, y2);
            return;
        }
        cairo_surface_flush(surface.get());
        const int steps = std::max(std::abs(x2 - x1), std::abs(y2 - y1));
        for (int i = 0; i <= steps; ++i) {
            const int x = x1 + static_cast<int>(std::lround(static_cast<double>(x2 - x1) * i / steps));
            const int y = y1 + static_cast<int>(std::lround(static_cast<double>(y2 - y1) * i / steps));
            if (x >= 0 && x < x_pixels && y >= 0 && y < y_pixels) row(y)[x] ^= 0xffffffu;
        }
        cairo_surface_mark_dirty(surface.get());
        touch({std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)});
    }

    // The pointer feedback at a pixel: a crosshair over the whole window, and
    // the rubber band from the start point.
    void draw_feedback(int x, int y)
    {
        invert_line(0, y, x_pixels - 1, y);
        invert_line(x, 0, x, y_pixels - 1);
        if (rubber_mode > 0) {
            const int sx = pixel_x(rubber_wx);
            const int sy = pixel_y(rubber_wy);
            if (rubber_mode == 1) {
                invert_segment(sx, sy, x, y);
            } else {
                invert_line(sx, sy, x, sy);
                invert_line(sx, sy, sx, y);
            }
        }
        feedback_x = x;
        feedback_y = y;
        cross_drawn = true;
        rubber_drawn = rubber_mode > 0;
    }

    void erase_feedback()
    {
        if (!cross_drawn) return;
        const int saved_mode = rubber_mode;
        if (!rubber_drawn) rubber_mode = 0;
        draw_feedback(feedback_x, feedback_y);
        rubber_mode = saved_mode;
        cross_drawn = false;
        rubber_drawn = false;
    }

    void select_font(double pixel_height)
    {
        cairo_select_font_face(cr.get(), font == 2 ? "DejaVu Sans Mono" : "DejaVu Sans",
                               CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr.get(), pixel_height);
    }

    // The font size for the current height and angle: the common sizes for
    // upright and vertical text, the exact height otherwise.
    double font_pixels() const
    {
        const int h = static_cast<int>(std::trunc(max_pixels * font_height));
        const int e = static_cast<int>(std::trunc(10.0 * text_angle * 180.0 / 3.1415926 + 0.4999));
        if (e != 0 && (e < 890 || e > 910)) return std::max(1, h);
        if (h <= 11) return 10;
        if (h <= 13) return 12;
        if (h <= 15) return 14;
        if (h <= 19) return 16;
        if (h <= 23) return 20;
        return 24;
    }

    // Draws text with its reference point at a pixel, aligned and rotated as set.
    void draw_text(double x, double y, std::string_view text, int colour)
    {
        if (text.empty()) return;
        cairo_t* c = cr.get();
        const std::string s(text);
        select_font(font_pixels());
        cairo_text_extents_t extents;
        cairo_text_extents(c, s.c_str(), &extents);
        cairo_font_extents_t font_extents;
        cairo_font_extents(c, &font_extents);
        double dx = 0.0;
        if (horizontal == 2) dx = -extents.x_advance / 2.0;
        else if (horizontal == 3) dx = -extents.x_advance;
        double dy = 0.0; // baseline offset, downwards in pixels
        if (vertical == 1 || vertical == 2) {
            dy = font_extents.ascent;
        } else if (vertical == 3 || vertical == 6) {
            cairo_text_extents_t probe;
            cairo_text_extents(c, vertical == 3 ? "Xg" : "X", &probe);
            dy = -(probe.y_bearing + probe.height / 2.0);
        } else if (vertical == 5) {
            dy = -font_extents.descent;
        }
        cairo_save(c);
        cairo_set_antialias(c, CAIRO_ANTIALIAS_GRAY);
        cairo_translate(c, x, y);
        cairo_rotate(c, -text_angle);
        cairo_move_to(c, dx, dy);
        set_source(colour);
        cairo_show_text(c, s.c_str());
        cairo_restore(c);
        const double reach = extents.x_advance + font_extents.height + 2;
        touch({static_cast<int>(x - reach), static_cast<int>(y - reach),
               static_cast<int>(x + reach), static_cast<int>(y + reach)});
    }

    double text_width_pixels(std::string_view text)
    {
        if (text.empty()) return 0.0;
        select_font(font_pixels());
        cairo_text_extents_t extents;
        const std::string s(text);
        cairo_text_extents(cr.get(), s.c_str(), &extents);
        return extents.x_advance;
    }

    // Writes pixels of an image into a rectangle given by world corners:
    // value(column, row) gives the colour index of array element (x, y).
    template <typename IndexOf>
    void put_image(float x1, float y1, float x2, float y2, int xdim, int xstart, int ystart,
                   int xcount, int ycount, IndexOf index_of)
    {
        const int px1 = pixel_x(x1);
        const int px2 = pixel_x(x2);
        const int py_bottom = pixel_y(y1);
        const int py_top = pixel_y(y2);
        const int width = std::max(1, px2 - px1 + 1);
        const int height = std::max(1, py_bottom - py_top + 1);
        const PixelBox area = drawable();
        const int j_first = std::max(0, area.x1 - px1);
        const int j_last = std::min(width - 1, area.x2 - px1);
        const int i_first = std::max(0, py_bottom - area.y2);
        const int i_last = std::min(height - 1, py_bottom - area.y1);
        if (j_first > j_last || i_first > i_last) return;
        std::vector<long> column(static_cast<std::size_t>(j_last + 1));
        for (int j = j_first; j <= j_last; ++j)
            column[j] = xstart - 1 + static_cast<long>((j + 0.5) * xcount / width);
        cairo_surface_flush(surface.get());
        for (int i = i_first; i <= i_last; ++i) {
            const long y = ystart - 1 + static_cast<long>((i + 0.5) * ycount / height);
            unsigned* r = row(py_bottom - i);
            const long base = y * xdim;
            for (int j = j_first; j <= j_last; ++j)
                r[px1 + j] = colours[static_cast<std::size_t>(index_of(base + column[j]) & 255)];
        }
        cairo_surface_mark_dirty(surface.get());
        touch({px1 + j_first, py_bottom - i_last, px1 + j_last, py_bottom - i_first});
    }
};

std::unique_ptr<Device> device;

void append_record(const std::string& line)
{
    if (device && device->record) {
        *device->record << line << '\n';
        device->record->flush();
    }
}

void beep()
{
    if (device->window) device->window->bell();
}

// The resize rule: the page keeps its ratio of root two.
void corrected_size(int format, int& width, int& height)
{
    if (format == 1) {
        const float ratio = static_cast<float>(height) / static_cast<float>(width);
        if (ratio > ROOT_TWO) height = static_cast<int>(std::lround(width * ROOT_TWO));
        else if (ratio < ROOT_TWO) width = static_cast<int>(std::lround(height / ROOT_TWO));
    } else {
        const float ratio = static_cast<float>(width) / static_cast<float>(height);
        if (ratio > ROOT_TWO) width = static_cast<int>(std::lround(height * ROOT_TWO));
        else if (ratio < ROOT_TWO) height = static_cast<int>(std::lround(width / ROOT_TWO));
    }
}

// A new client size: kept at the page ratio, and a new (blank) picture that
// the program redraws on the expose event that follows.
void resize_to(int width, int height)
{
    int w = width;
    int h = height;
    corrected_size(device->format, w, h);
    if (w == device->x_pixels && h == device->y_pixels) return;
    if (device->window && (w != width || h != height)) device->window->resize(w, h);
    device->x_pixels = w;
    device->y_pixels = h;
    device->cross_drawn = false;
    device->rubber_drawn = false;
    device->make_picture();
}

void write_snapshot_of_wait()
{
    if (options.snapshots_dir.empty()) return;
    ::mkdir(options.snapshots_dir.c_str(), 0777);
    char name[32];
    std::snprintf(name, sizeof name, "/page_%04d.png", ++device->snapshot_number);
    LG_X11_SNAPSHOT(options.snapshots_dir + name);
}

// The prompt box: the prompt above, the entry below with its cursor.
void draw_prompt_box(float bx1, float by1, float bx2, float by2, std::string_view prompt,
                     const std::string& entry, std::size_t cursor)
{
    Device& d = *device;
    int px1 = 0, py1 = 0, px2 = 0, py2 = 0;
    d.page_to_pixel(bx1, by1, px1, py1);
    d.page_to_pixel(bx2, by2, px2, py2);
    cairo_t* c = d.cr.get();
    d.set_source(d.fill_colour);
    cairo_rectangle(c, px1, py2, px2 - px1, py1 - py2);
    cairo_fill(c);
    d.touch({px1, py2, px2, py1});
    const double height = py1 - py2;
    const double left = px1 + (px2 - px1) / 50.0;
    const int saved_h = d.horizontal;
    const int saved_v = d.vertical;
    const float saved_angle = d.text_angle;
    d.horizontal = 0;
    d.vertical = 5;
    d.text_angle = 0.0f;
    d.draw_text(left, py1 - height * 5.0 / 9.0, st_trim(prompt), d.text_colour);
    const double base = py1 - height / 9.0;
    d.draw_text(left, base, entry, d.text_colour);
    // The character under the cursor on an opaque background; "_" past the end.
    const double before = d.text_width_pixels(entry.substr(0, cursor));
    const std::string under = cursor < entry.size() ? entry.substr(cursor, 1) : "_";
    const double w = std::max(2.0, d.text_width_pixels(under));
    cairo_font_extents_t fe;
    cairo_font_extents(c, &fe);
    d.set_source(d.text_colour);
    cairo_rectangle(c, left + before, base - fe.height + fe.descent, w, fe.height);
    cairo_fill(c);
    d.draw_text(left + before, base, under, d.fill_colour);
    d.horizontal = saved_h;
    d.vertical = saved_v;
    d.text_angle = saved_angle;
}

// The magnified region around the element under the pointer.
void draw_spyglass(int px, int py)
{
    Device& d = *device;
    const LgSpyglass& s = d.spyglass;
    if (s.mode <= 0 || s.data == nullptr) return;
    const float wx = (px - d.x_offset) / d.x_scale;
    const float wy = ((d.y_pixels - py) - d.y_offset) / d.y_scale;
    if (wx < std::min(s.image_x1, s.image_x2) || wx > std::max(s.image_x1, s.image_x2) ||
        wy < std::min(s.image_y1, s.image_y2) || wy > std::max(s.image_y1, s.image_y2))
        return;
    const int ex = s.xstart + static_cast<int>((wx - s.image_x1) / (s.image_x2 - s.image_x1) *
                                               (s.xend - s.xstart + 1));
    const int ey = s.ystart + static_cast<int>((wy - s.image_y1) / (s.image_y2 - s.image_y1) *
                                               (s.yend - s.ystart + 1));
    const int cx = std::clamp(ex, 1, s.xmaxdat);
    const int cy = std::clamp(ey, 1, s.ymaxdat);
    const int x1 = std::max(1, cx - s.xnum / 2);
    const int x2 = std::min(s.xmaxdat, cx - s.xnum / 2 + s.xnum - 1);
    const int y1 = std::max(1, cy - s.ynum / 2);
    const int y2 = std::min(s.ymaxdat, cy - s.ynum / 2 + s.ynum - 1);
    float lo = 3.4e38f;
    float hi = -3.4e38f;
    for (int y = y1; y <= y2; ++y)
        for (int x = x1; x <= x2; ++x) {
            const float v = s.data[(x - 1) + static_cast<std::size_t>(y - 1) * s.xmaxdat];
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    if (hi - lo < 0.00001f) hi = lo + 1.0f;
    if (d.log_scaling) {
        if (lo <= 0.0f) lo = 1.0e-11f;
        if (hi <= 1.0e-11f) hi = 2.0e-11f;
    }
    // The part of the glass the region does not cover is cleared first.
    int gx1 = 0, gy1 = 0, gx2 = 0, gy2 = 0;
    d.world_to_pixel(s.glass_x1, s.glass_y1, gx1, gy1);
    d.world_to_pixel(s.glass_x2, s.glass_y2, gx2, gy2);
    d.set_source(2);
    cairo_rectangle(d.cr.get(), gx1, gy2, gx2 - gx1 + 1, gy1 - gy2 + 1);
    cairo_fill(d.cr.get());
    d.touch({gx1, gy2, gx2, gy1});
    const float gw = (s.glass_x2 - s.glass_x1) / s.xnum;
    const float gh = (s.glass_y2 - s.glass_y1) / s.ynum;
    const float rx1 = s.glass_x1 + (x1 - (cx - s.xnum / 2)) * gw;
    const float ry1 = s.glass_y1 + (y1 - (cy - s.ynum / 2)) * gh;
    int error = 0;
    LG_X11_RMCA(false, rx1, ry1, rx1 + (x2 - x1 + 1) * gw, ry1 + (y2 - y1 + 1) * gh, s.xmaxdat,
                s.ymaxdat, x1, y1, x2 - x1 + 1, y2 - y1 + 1, s.data, nullptr, lo, hi, 1, error);
    int mx = 0, my = 0;
    d.world_to_pixel(rx1 + (cx - x1 + 0.5f) * gw, ry1 + (cy - y1 + 0.5f) * gh, mx, my);
    d.invert_line(mx - 3, my, mx + 3, my);
    d.invert_line(mx, my - 3, mx, my + 3);
    char label[80];
    std::snprintf(label, sizeof label, "X=%5i, Y=%5i, I=%g", cx, cy,
                  static_cast<double>(s.data[(cx - 1) + static_cast<std::size_t>(cy - 1) * s.xmaxdat]));
    const int saved_h = d.horizontal;
    const int saved_v = d.vertical;
    d.horizontal = 0;
    d.vertical = 1;
    const double width = d.text_width_pixels("X=99999, Y=99999, I=-9.999999e-99");
    cairo_font_extents_t fe;
    cairo_font_extents(d.cr.get(), &fe);
    d.set_source(2);
    cairo_rectangle(d.cr.get(), 0, 0, width + 4, fe.height + 2);
    cairo_fill(d.cr.get());
    d.draw_text(2, 1, label, 1);
    d.horizontal = saved_h;
    d.vertical = saved_v;
}

// Ends a run that has no input left: once told, a second wait stops the program.
bool input_exhausted()
{
    if (device->input_ended) {
        io_say("ERROR: No input left for a further question: stopping");
        std::exit(1);
    }
    device->input_ended = true;
    return true;
}

// The event loop of both input routines: waits for a press, an exposure,
// or (with text entry) Return or Tab, and edits the entry meanwhile.
void event_loop(int mode, bool text_entry, bool prompt_flag, std::string_view prompt,
                float bx1, float by1, float bx2, float by2, int& event_type, int& error,
                float& x, float& y, std::string& entry)
{
    Device& d = *device;
    error = 0;
    if (d.input_ended || (!d.window && !d.script)) {
        if (!d.window && !d.script && !d.input_ended)
            io_say("ERROR: Event script ended while input was awaited");
        input_exhausted();
        error = LG_X11_CANCELLED;
        return;
    }
    std::size_t cursor = entry.size();
    std::size_t history_at = 0; // 0: the entry being typed, k: history entry k
    bool redraw = true;
    if (mode != LG_POLL) write_snapshot_of_wait();
    for (;;) {
        if (text_entry && prompt_flag && redraw) {
            const bool feedback = d.cross_drawn;
            d.erase_feedback();
            draw_prompt_box(bx1, by1, bx2, by2, prompt, entry, cursor);
            if (feedback) d.draw_feedback(d.feedback_x, d.feedback_y);
        }
        redraw = false;
        d.show();
        DeviceEvent ev;
        bool got = false;
        if (d.script) {
            // The window (if any) is still repainted while the script drives it.
            if (d.window) {
                DeviceEvent pending;
                while (d.window->next(pending, false))
                    if (pending.kind == DeviceEvent::Kind::expose) d.touch_all();
                d.show();
            }
            got = d.script->next(ev, true);
            if (!got) {
                d.erase_feedback();
                d.show();
                input_exhausted();
                error = LG_X11_CANCELLED;
                return;
            }
        } else {
            got = d.window->next(ev, mode != LG_POLL);
            if (!got) {
                event_type = LG_EVENT_NONE;
                return;
            }
        }
        auto finish = [&](int type) {
            d.erase_feedback();
            d.show();
            event_type = type;
        };
        switch (ev.kind) {
        case DeviceEvent::Kind::press:
            finish(LG_EVENT_PRESS);
            x = static_cast<float>(ev.x) / d.max_pixels;
            y = static_cast<float>(d.y_pixels - ev.y) / d.max_pixels;
            {
                char line[96];
                std::snprintf(line, sizeof line, "click %.6f %.6f", static_cast<double>(x),
                              static_cast<double>(y));
                append_record(line);
            }
            return;
        case DeviceEvent::Kind::expose:
            d.touch_all();
            if (mode > 0 && mode != LG_POLL) {
                finish(LG_EVENT_EXPOSE);
                append_record("expose");
                return;
            }
            d.show();
            break;
        case DeviceEvent::Kind::resize: {
            const int before_w = d.x_pixels;
            const int before_h = d.y_pixels;
            resize_to(ev.width, ev.height);
            if (d.x_pixels != before_w || d.y_pixels != before_h) {
                append_record("resize " + std::to_string(ev.width) + " " +
                              std::to_string(ev.height));
                finish(LG_EVENT_EXPOSE);
                return;
            }
            break;
        }
        case DeviceEvent::Kind::motion:
            d.erase_feedback();
            draw_spyglass(ev.x, ev.y);
            d.draw_feedback(ev.x, ev.y);
            break;
        case DeviceEvent::Kind::close:
            d.erase_feedback();
            d.show();
            io_say("INFO: The window was closed: the question is cancelled");
            error = LG_X11_CANCELLED;
            return;
        case DeviceEvent::Kind::snapshot:
            d.erase_feedback();
            if (!LG_X11_SNAPSHOT(ev.name + ".png"))
                io_say("WARNING: Could not write the snapshot " + ev.name + ".png");
            break;
        case DeviceEvent::Kind::key:
            if (!text_entry) break;
            redraw = true;
            switch (ev.key) {
            case DeviceEvent::left:
                if (cursor == 0) beep();
                else --cursor;
                break;
            case DeviceEvent::right:
                if (cursor >= entry.size()) beep();
                else ++cursor;
                break;
            case DeviceEvent::up:
                if (history_at >= d.history.size()) {
                    beep();
                } else {
                    entry = d.history[history_at++];
                    cursor = entry.size();
                }
                break;
            case DeviceEvent::down:
                if (history_at <= 1) {
                    history_at = 0;
                    entry.clear();
                } else {
                    --history_at;
                    entry = d.history[history_at - 1];
                }
                cursor = entry.size();
                break;
            case DeviceEvent::backspace:
                if (cursor > 0) entry.erase(--cursor, 1);
                break;
            case DeviceEvent::clear_line:
                entry.clear();
                cursor = 0;
                break;
            case DeviceEvent::enter:
            case DeviceEvent::tab: {
                const bool is_tab = ev.key == DeviceEvent::tab;
                finish(is_tab ? LG_EVENT_TAB : LG_EVENT_RETURN);
                if (!entry.empty() && (d.history.empty() || d.history.front() != entry)) {
                    d.history.push_front(entry);
                    if (d.history.size() > HISTORY_ENTRIES) d.history.pop_back();
                }
                append_record("key ClearLine");
                append_record((is_tab ? "tab " : "text ") + script_quote(entry));
                return;
            }
            default: break;
            }
            break;
        case DeviceEvent::Kind::character:
            if (!text_entry) break;
            redraw = true;
            if (ev.ch == '\t' || ev.ch == '\r' || ev.ch == '\n') {
                const bool is_tab = ev.ch == '\t';
                finish(is_tab ? LG_EVENT_TAB : LG_EVENT_RETURN);
                append_record("key ClearLine");
                append_record((is_tab ? "tab " : "text ") + script_quote(entry));
                return;
            }
            if (static_cast<unsigned char>(ev.ch) < 32 || ev.ch == 127) {
                io_say("Unknown character value = " + std::to_string(static_cast<int>(ev.ch)));
            } else if (entry.size() >= ENTRY_LENGTH) {
                beep();
            } else {
                entry.insert(cursor++, 1, ev.ch);
            }
            break;
        case DeviceEvent::Kind::none:
            break;
        }
    }
}

bool is_open(int& error)
{
    if (device) return true;
    error = 1;
    return false;
}

// An attribute is only remembered: it takes effect at the next drawing.
template <typename T>
void set_field(T Device::*field, T value, int& error)
{
    if (!is_open(error)) return;
    error = 0;
    (*device).*field = value;
}

} // namespace

void LG_X11_SET_OPTIONS(const LgWindowOptions& new_options) { options = new_options; }

void LG_X11_OPEN(int format, int width, int height, int& error)
{
    error = 0;
    device = std::make_unique<Device>();
    Device& d = *device;
    d.format = format == 2 ? 2 : 1;
    d.x_pixels = width;
    d.y_pixels = height;
    d.colours.fill(0);
    d.colours[1] = 0x000000;
    d.colours[2] = 0xffffff;
    const bool show_window = !options.headless && (options.events_file.empty() ||
                                                   std::getenv("DISPLAY") != nullptr);
    if (show_window) {
        d.window = X11Window::open(width, height, options.title);
        if (!d.window && options.events_file.empty()) {
            device.reset();
            error = 1;
            return;
        }
    }
    if (!options.events_file.empty()) {
        std::string message;
        d.script = open_event_script(options.events_file, d, message);
        if (!d.script) {
            io_say(message);
            device.reset();
            error = 1;
            return;
        }
    }
    if (!options.record_file.empty()) {
        d.record = std::make_unique<std::ofstream>(options.record_file, std::ios::app);
        if (!*d.record) {
            io_say("WARNING: Cannot write the event record " + options.record_file);
            d.record.reset();
        }
    }
    d.make_picture();
    d.show();
}

void LG_X11_CLOSE() { device.reset(); }

void LG_X11_TRANSFORM(float wx1, float wy1, float wx2, float wy2, float vx1, float vy1, float vx2,
                      float vy2, int& error)
{
    if (!is_open(error)) return;
    error = 0;
    device->transform = {wx1, wy1, wx2, wy2, vx1, vy1, vx2, vy2};
    device->recompute_scaling();
}

void LG_X11_COLOURRANGE(int& min_index, int& max_index, int& min_image, int& max_image)
{
    min_index = 1;
    max_index = 255;
    min_image = 9;
    max_image = 255;
}

void LG_X11_COLOURMAP(int first, int last, const LgRgb* table, int min_image, int max_image,
                      int& error)
{
    if (!is_open(error)) return;
    error = 0;
    if (last >= 256 || first < 0) {
        error = 1;
        return;
    }
    auto byte = [](float v) {
        return static_cast<unsigned>(std::clamp(static_cast<int>(255.0f * v), 0, 255));
    };
    for (int i = first; i <= last; ++i)
        device->colours[i] = byte(table[i].r) << 16 | byte(table[i].g) << 8 | byte(table[i].b);
    device->min_image = min_image;
    device->max_image = max_image;
}

void LG_X11_ZSCALING(bool log_scaling)
{
    if (device) device->log_scaling = log_scaling;
}

void LG_X11_PL(int n, const float* x, const float* y, int& error)
{
    if (!is_open(error)) return;
    error = 0;
    if (n < 2) {
        error = 2;
        return;
    }
    Device& d = *device;
    d.line_pen();
    // Runs of at most 200 points, each starting where the last one ended.
    for (int start = 0; start < n - 1; start += RUN_POINTS - 1) {
        const int end = std::min(n - 1, start + RUN_POINTS - 1);
        PixelBox box;
        for (int i = start; i <= end; ++i) {
            const int px = d.pixel_x(x[i]);
            const int py = d.pixel_y(y[i]);
            if (i == start) cairo_move_to(d.cr.get(), px + 0.5, py + 0.5);
            else cairo_line_to(d.cr.get(), px + 0.5, py + 0.5);
            box.add({px, py, px, py});
        }
        d.stroke_path(box, d.line_width);
    }
}

void LG_X11_FA(int n, const float* x, const float* y, int& error)
{
    if (!is_open(error)) return;
    error = 0;
    if (n > RUN_POINTS) {
        error = 1;
        return;
    }
    if (n < 2) {
        error = 2;
        return;
    }
    Device& d = *device;
    PixelBox box;
    for (int i = 0; i < n; ++i) {
        const int px = d.pixel_x(x[i]);
        const int py = d.pixel_y(y[i]);
        if (i == 0) cairo_move_to(d.cr.get(), px, py);
        else cairo_line_to(d.cr.get(), px, py);
        box.add({px, py, px, py});
    }
    cairo_close_path(d.cr.get());
    d.set_source(d.fill_colour);
    cairo_fill(d.cr.get());
    d.touch(box);
}

void LG_X11_PM(int n, const float* x, const float* y, int& error)
{
    if (!is_open(error)) return;
    error = 0;
    if (n < 1) {
        error = 2;
        return;
    }
    Device& d = *device;
    cairo_t* c = d.cr.get();
    const int s = static_cast<int>(d.max_pixels * d.marker_scale / 150.0f);
    const int diagonal = static_cast<int>(0.707f * s);
    const double width = std::max(
        1, static_cast<int>(std::trunc(d.max_pixels * d.marker_width / 1500.0f + 0.5f)));
    cairo_set_operator(c, CAIRO_OPERATOR_OVER);
    d.set_source(d.marker_colour);
    cairo_set_line_width(c, width);
    cairo_set_dash(c, nullptr, 0, 0);
    PixelBox box;
    for (int i = 0; i < n; ++i) {
        const double px = d.pixel_x(x[i]) + 0.5;
        const double py = d.pixel_y(y[i]) + 0.5;
        box.add({static_cast<int>(px) - s, static_cast<int>(py) - s, static_cast<int>(px) + s,
                 static_cast<int>(py) + s});
        auto segment = [&](double ax, double ay, double bx, double by) {
            cairo_move_to(c, px + ax, py + ay);
            cairo_line_to(c, px + bx, py + by);
        };
        switch (d.marker_type) {
        case 1: cairo_rectangle(c, px - 0.5, py - 0.5, 1, 1); cairo_fill(c); break;
        case 2: segment(-s, 0, s, 0); segment(0, -s, 0, s); break;
        case 3:
            segment(-s, 0, s, 0);
            segment(0, -s, 0, s);
            segment(-diagonal, -diagonal, diagonal, diagonal);
            segment(-diagonal, diagonal, diagonal, -diagonal);
            break;
        case 4: cairo_new_sub_path(c); cairo_arc(c, px, py, s, 0, 2 * M_PI); break;
        default:
            segment(-diagonal, -diagonal, diagonal, diagonal);
            segment(-diagonal, diagonal, diagonal, -diagonal);
            break;
        }
        cairo_stroke(c);
    }
    d.touch({box.x1 - 2, box.y1 - 2, box.x2 + 2, box.y2 + 2});
}

void LG_X11_TEXT(float x, float y, std::string_view text, int& error)
{
    if (!is_open(error)) return;
    error = 0;
    device->draw_text(device->pixel_x(x), device->pixel_y(y), st_trim(text), device->text_colour);
}

void LG_X11_CA(float x1, float y1, float x2, float y2, int xdim, int ydim, int xstart, int ystart,
               int xcount, int ycount, const int* array, int& error)
{
    if (!is_open(error)) return;
    error = 0;
    (void)ydim;
    device->put_image(x1, y1, x2, y2, xdim, xstart, ystart, xcount, ycount,
                      [&](long at) { return static_cast<unsigned>(array[at]); });
}

void LG_X11_RMCA(bool mask_flag, float x1, float y1, float x2, float y2, int xdim, int ydim,
                 int xstart, int ystart, int xcount, int ycount, const float* array,
                 const bool* mask, float minimum, float maximum, int mask_colour, int& error)
{
    if (!is_open(error)) return;
    error = 0;
    (void)ydim;
    Device& d = *device;
    const bool masked = mask_flag && mask != nullptr;
    const LgCellIndex index_of(d.log_scaling, minimum, maximum, d.min_image, d.max_image);
    if (!index_of.usable()) {
        io_say(masked ? "ERROR: Scaling range unacceptable" : "ERROR: Log scaling range unacceptable");
        error = 2;
        return;
    }
    d.put_image(x1, y1, x2, y2, xdim, xstart, ystart, xcount, ycount, [&](long at) {
        return masked && mask[at] ? static_cast<unsigned>(mask_colour) : index_of(array[at]);
    });
}

void LG_X11_LINECOLOUR(int value, int& error) { set_field(&Device::line_colour, value, error); }
void LG_X11_LINESTYLE(int value, int& error) { set_field(&Device::line_style, value, error); }
void LG_X11_LINEWIDTH(float value, int& error) { set_field(&Device::line_width, value, error); }
void LG_X11_FILLCOLOUR(int value, int& error) { set_field(&Device::fill_colour, value, error); }
void LG_X11_MARKERCOLOUR(int value, int& error) { set_field(&Device::marker_colour, value, error); }
void LG_X11_MARKERTYPE(int value, int& error) { set_field(&Device::marker_type, value, error); }
void LG_X11_MARKERSCALE(float value, int& error) { set_field(&Device::marker_scale, value, error); }
void LG_X11_MARKERWIDTH(float value, int& error) { set_field(&Device::marker_width, value, error); }
void LG_X11_TEXTCOLOUR(int value, int& error) { set_field(&Device::text_colour, value, error); }
void LG_X11_TEXTFONT(int value, int& error) { set_field(&Device::font, value, error); }
void LG_X11_TEXTHEIGHT(float value, int& error) { set_field(&Device::font_height, value, error); }
void LG_X11_TEXTANGLE(float value, int& error) { set_field(&Device::text_angle, value, error); }

void LG_X11_TEXTALIGNMENT(int horizontal, int vertical, int& error)
{
    if (!is_open(error)) return;
    error = 0;
    device->horizontal = horizontal;
    device->vertical = vertical;
}

void LG_X11_TEXTWIDTH(float& width, std::string_view text)
{
    if (!device) return;
    width = static_cast<float>(device->text_width_pixels(st_trim(text)) / device->max_pixels);
}

void LG_X11_CLIP(bool on, float x1, float y1, float x2, float y2, int& error)
{
    if (!is_open(error)) return;
    error = 0;
    Device& d = *device;
    d.clip_on = on;
    if (on) {
        int ax = 0, ay = 0, bx = 0, by = 0;
        d.page_to_pixel(x1, y1, ax, ay);
        d.page_to_pixel(x2, y2, bx, by);
        d.clip = {std::min(ax, bx), std::min(ay, by), std::max(ax, bx), std::max(ay, by)};
    }
    d.apply_clip();
}

void LG_X11_CLEAR(int& error)
{
    if (!is_open(error)) return;
    error = 0;
    device->cross_drawn = false;
    device->rubber_drawn = false;
}

void LG_X11_PUSH_PICTURE(int& error)
{
    if (!is_open(error)) return;
    error = 0;
    Device& d = *device;
    d.erase_feedback();
    cairo_surface_flush(d.surface.get());
    const unsigned char* data = cairo_image_surface_get_data(d.surface.get());
    const std::size_t bytes =
        static_cast<std::size_t>(cairo_image_surface_get_stride(d.surface.get())) * d.y_pixels;
    d.kept.push_back({d.x_pixels, d.y_pixels, std::vector<unsigned char>(data, data + bytes)});
}

void LG_X11_POP_PICTURE(int& error)
{
    if (!is_open(error)) return;
    error = 0;
    Device& d = *device;
    if (d.kept.empty()) return;
    Device::KeptPicture picture = std::move(d.kept.back());
    d.kept.pop_back();
    if (picture.width != d.x_pixels || picture.height != d.y_pixels) return;
    d.erase_feedback();
    cairo_surface_flush(d.surface.get());
    std::copy(picture.pixels.begin(), picture.pixels.end(),
              cairo_image_surface_get_data(d.surface.get()));
    cairo_surface_mark_dirty(d.surface.get());
    d.touch_all();
}

void LG_X11_UPDATE()
{
    if (device) device->show();
}

void LG_X11_SET_UPDATE(int& error) { error = 0; }

void LG_X11_COORDINATE(int mode, int& event_type, float& x, float& y, int& error)
{
    if (!is_open(error)) return;
    std::string unused;
    event_loop(mode, false, false, "", 0, 0, 0, 0, event_type, error, x, y, unused);
}

void LG_X11_EVENT(int mode, bool prompt_flag, std::string_view prompt, bool keep_string,
                  float bx1, float by1, float bx2, float by2, int& event_type, int& error,
                  float& x, float& y, std::string& text)
{
    if (!is_open(error)) return;
    std::string entry = keep_string ? std::string(text.substr(0, ENTRY_LENGTH)) : std::string();
    event_loop(mode, true, prompt_flag, prompt, bx1, by1, bx2, by2, event_type, error, x, y,
               entry);
    text = entry;
}

void LG_X11_RUBBERBAND(int mode, float x, float y)
{
    if (!device) return;
    device->rubber_mode = mode;
    device->rubber_wx = x;
    device->rubber_wy = y;
}

void LG_X11_SPYGLASS(const LgSpyglass& setup, int& error)
{
    if (!is_open(error)) return;
    error = 0;
    if (setup.mode > 0 && (setup.data == nullptr || setup.xnum < 1 || setup.ynum < 1 ||
                           setup.xmaxdat < 1 || setup.ymaxdat < 1)) {
        error = 1;
        return;
    }
    device->spyglass = setup;
}

void LG_X11_INQ_SIZE(int& width, int& height, int& error)
{
    if (!is_open(error)) return;
    error = 0;
    width = device->x_pixels;
    height = device->y_pixels;
}

void LG_X11_INQ_COLOURMAPPING(int& kind, int& value, int& error)
{
    error = 0;
    kind = 2;
    value = 0;
}

void LG_X11_TITLE(int& error, std::string_view text)
{
    if (!is_open(error)) return;
    error = 0;
    if (device->window) device->window->set_title(st_trim(text));
}

unsigned LG_X11_PIXEL(int x, int y)
{
    if (!device || x < 0 || y < 0 || x >= device->x_pixels || y >= device->y_pixels) return 0;
    cairo_surface_flush(device->surface.get());
    return device->row(y)[x] & 0xffffffu;
}

bool LG_X11_SNAPSHOT(const std::string& png_file)
{
    if (!device) return false;
    cairo_surface_flush(device->surface.get());
    return cairo_surface_write_to_png(device->surface.get(), png_file.c_str()) ==
           CAIRO_STATUS_SUCCESS;
}
