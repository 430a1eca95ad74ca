// The window device's drawing: the layer's output drawn with Cairo into a
// backing picture the size of the window, and shown in an X window (or kept
// headless). Every drawing takes the layer's state of the moment.

#include "lg/window/x11_device.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include "io/status.h"
#include "lg/cell_index.h"

namespace {

constexpr int RUN_POINTS = 200;
constexpr double PI = 3.14159265358979;

LgWindowOptions options;

// The two typefaces of the program, loaded from their files directly: going
// through the system's font configuration reads and parses its whole set of
// configuration files first, three quarters of the program's start-up.
// Where a file is missing, the face is found by name as before.
class Typefaces
{
public:
    static Typefaces& get()
    {
        static Typefaces faces;
        return faces;
    }
    // The face of a text font (2: fixed width), or nullptr: select it by name.
    cairo_font_face_t* face(int font) { return font == 2 ? mono_ : sans_; }

private:
    Typefaces()
    {
        if (FT_Init_FreeType(&library_) != 0) return;
        sans_ = load("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
        mono_ = load("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf");
    }
    Typefaces(const Typefaces&) = delete;
    Typefaces& operator=(const Typefaces&) = delete;

    cairo_font_face_t* load(const char* file)
    {
        FT_Face ft = nullptr;
        if (FT_New_Face(library_, file, 0, &ft) != 0) return nullptr;
        cairo_font_face_t* face = cairo_ft_font_face_create_for_ft_face(ft, 0);
        // The FreeType face lives as long as the font face that draws with it.
        static const cairo_user_data_key_t key{};
        if (cairo_font_face_set_user_data(face, &key, ft, [](void* f) {
                FT_Done_Face(static_cast<FT_Face>(f));
            }) != CAIRO_STATUS_SUCCESS) {
            cairo_font_face_destroy(face);
            FT_Done_Face(ft);
            return nullptr;
        }
        return face;
    }

    FT_Library library_ = nullptr;
    cairo_font_face_t* sans_ = nullptr;
    cairo_font_face_t* mono_ = nullptr;
};

// A colour component as a byte of the picture.
unsigned byte_of(float v)
{
    return static_cast<unsigned>(std::clamp(static_cast<int>(255.0f * v), 0, 255));
}

unsigned packed(const LgRgb& c) { return byte_of(c.r) << 16 | byte_of(c.g) << 8 | byte_of(c.b); }

// A pixel coordinate from a real one: huge or non-finite values (a
// transform of a degenerate window, a wild script) stay far outside the
// picture instead of overflowing the conversion.
int to_pixel(double v)
{
    if (std::isnan(v)) return -1000000;
    return static_cast<int>(std::trunc(std::clamp(v, -1.0e6, 1.0e6)));
}

} // namespace

void PixelBox::add(const PixelBox& b)
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

// The angle is taken in whole tenths of a degree, as window fonts are
// turned: a hair of an angle would set upright text on a rotated grid.
TextStyle TextStyle::of(const LgAttributes& a)
{
    const double tenths = std::round(10.0 * static_cast<double>(a.text_angle));
    return {a.text_font, a.text_height, static_cast<float>(tenths / 10.0 * PI / 180.0),
            a.horizontal, a.vertical, a.text_colour};
}

const LgWindowOptions& x11_options() { return options; }

void LG_X11_SET_OPTIONS(const LgWindowOptions& new_options) { options = new_options; }

bool LG_X11_CHECK_OPTIONS(const LgWindowOptions& checked, std::string& message)
{
    namespace fs = std::filesystem;
    std::error_code error;
    if (!checked.snapshots_dir.empty()) {
        const fs::path dir(checked.snapshots_dir);
        fs::create_directories(dir, error);
        if (!fs::is_directory(dir, error) || ::access(dir.c_str(), W_OK) != 0) {
            message = "ERROR: Cannot write snapshots into " + checked.snapshots_dir +
                      " (not a directory that can be written)";
            return false;
        }
    }
    if (!checked.record_file.empty()) {
        const fs::path file(checked.record_file);
        if (fs::exists(file, error) && !fs::is_regular_file(file, error)) {
            message = "ERROR: The event record must be a regular file: " + checked.record_file;
            return false;
        }
        std::ofstream probe(checked.record_file, std::ios::app);
        if (!probe) {
            message = "ERROR: Cannot write the event record " + checked.record_file;
            return false;
        }
    }
    return true;
}

void LG_X11_COLOURRANGE(int& min_index, int& max_index, int& min_image, int& max_image)
{
    min_index = 1;
    max_index = 255;
    min_image = 9;
    max_image = 255;
}

std::unique_ptr<LgWindowDevice> lg_open_window_device(int format, int width, int height)
{
    auto device = std::make_unique<X11Device>(format, width, height);
    if (!device->start()) return nullptr;
    return device;
}

X11Device::X11Device(int format, int width, int height)
    : format_(format == 2 ? 2 : 1), x_pixels_(width), y_pixels_(height)
{
}

X11Device::~X11Device() = default;

bool X11Device::start()
{
    const bool show_window = !options.headless && (options.events_file.empty() ||
                                                   std::getenv("DISPLAY") != nullptr);
    if (show_window) {
        window_ = X11Window::open(x_pixels_, y_pixels_, options.title);
        if (!window_ && options.events_file.empty()) return false;
    }
    if (!options.events_file.empty()) {
        std::string message;
        script_ = open_event_script(options.events_file, *this, message);
        if (!script_) {
            io_say(message);
            return false;
        }
    }
    if (!options.snapshots_dir.empty()) {
        std::error_code ignored; // a directory that cannot be made is said at the first snapshot
        std::filesystem::create_directories(options.snapshots_dir, ignored);
    }
    if (!options.record_file.empty()) {
        record_ = std::make_unique<std::ofstream>(options.record_file, std::ios::app);
        if (!*record_) {
            io_say("WARNING: Cannot write the event record " + options.record_file);
            record_.reset();
        }
    }
    make_picture();
    show();
    return true;
}

// The pixel transform and the clip rectangle of the state now in force.
void X11Device::use_state(const LgState& state)
{
    state_ = &state;
    const LgRect& w = state.window;
    const LgRect& v = state.viewport;
    x_scale_ = (v[2] - v[0]) * max_pixels_ / (w[2] - w[0]);
    x_offset_ = v[0] * max_pixels_ - w[0] * x_scale_;
    y_scale_ = (v[3] - v[1]) * max_pixels_ / (w[3] - w[1]);
    y_offset_ = v[1] * max_pixels_ - w[1] * y_scale_;
    PixelBox clip;
    if (state.clipping) {
        int ax = 0, ay = 0, bx = 0, by = 0;
        page_to_pixel(state.clip[0], state.clip[1], ax, ay);
        page_to_pixel(state.clip[2], state.clip[3], bx, by);
        clip = {std::min(ax, bx), std::min(ay, by), std::max(ax, bx), std::max(ay, by)};
    }
    if (state.clipping != clip_on_ || clip.x1 != clip_.x1 || clip.y1 != clip_.y1 ||
        clip.x2 != clip_.x2 || clip.y2 != clip_.y2) {
        clip_on_ = state.clipping;
        clip_ = clip;
        apply_clip();
    }
}

void X11Device::page_to_pixel(float x, float y, int& px, int& py) const
{
    px = to_pixel(static_cast<double>(x) * max_pixels_);
    py = y_pixels_ - to_pixel(static_cast<double>(y) * max_pixels_);
}

void X11Device::world_to_pixel(float x, float y, int& px, int& py) const
{
    px = pixel_x(x);
    py = pixel_y(y);
}

void X11Device::world_to_page(float x, float y, float& page_x, float& page_y) const
{
    page_x = static_cast<float>((static_cast<double>(x_scale_) * x + x_offset_) / max_pixels_);
    page_y = static_cast<float>((static_cast<double>(y_scale_) * y + y_offset_) / max_pixels_);
}

int X11Device::pixel_x(float x) const
{
    return to_pixel(static_cast<double>(x_scale_) * x + x_offset_);
}

int X11Device::pixel_y(float y) const
{
    return y_pixels_ - to_pixel(static_cast<double>(y_scale_) * y + y_offset_);
}

// A new backing picture of the window's size, white, and a context on it.
void X11Device::make_picture()
{
    surface_.reset(cairo_image_surface_create(CAIRO_FORMAT_RGB24, x_pixels_, y_pixels_));
    cr_.reset(cairo_create(surface_.get()));
    cairo_set_antialias(cr_.get(), CAIRO_ANTIALIAS_NONE);
    // Glyphs hinted lightly, as the desktop's configuration has them.
    const std::unique_ptr<cairo_font_options_t, decltype(&cairo_font_options_destroy)> font_options(
        cairo_font_options_create(), cairo_font_options_destroy);
    cairo_font_options_set_hint_style(font_options.get(), CAIRO_HINT_STYLE_SLIGHT);
    cairo_set_font_options(cr_.get(), font_options.get());
    cairo_set_source_rgb(cr_.get(), 1, 1, 1);
    cairo_paint(cr_.get());
    max_pixels_ = std::max(x_pixels_, y_pixels_);
    if (state_ != nullptr) use_state(*state_);
    touch_all();
    apply_clip();
}

void X11Device::touch(PixelBox box)
{
    box.x1 = std::max(box.x1, 0);
    box.y1 = std::max(box.y1, 0);
    box.x2 = std::min(box.x2, x_pixels_ - 1);
    box.y2 = std::min(box.y2, y_pixels_ - 1);
    if (box.empty()) return;
    if (dirty_.size() >= 16) {
        PixelBox all;
        for (const PixelBox& b : dirty_) all.add(b);
        dirty_.assign(1, all);
    }
    dirty_.push_back(box);
}

void X11Device::touch_all() { touch({0, 0, x_pixels_ - 1, y_pixels_ - 1}); }

// Shows what changed since the last time.
void X11Device::show()
{
    if (!window_ || dirty_.empty()) {
        dirty_.clear();
        return;
    }
    cairo_surface_flush(surface_.get());
    for (const PixelBox& b : dirty_)
        window_->show(cairo_image_surface_get_data(surface_.get()),
                      cairo_image_surface_get_stride(surface_.get()), b.x1, b.y1,
                      b.x2 - b.x1 + 1, b.y2 - b.y1 + 1);
    window_->flush();
    dirty_.clear();
}

unsigned* X11Device::row(int y)
{
    return reinterpret_cast<unsigned*>(cairo_image_surface_get_data(surface_.get()) +
                                       static_cast<std::ptrdiff_t>(y) *
                                           cairo_image_surface_get_stride(surface_.get()));
}

void X11Device::set_source(int index)
{
    const LgRgb c = state_ != nullptr ? state_->colours.at(index)
                                      : (index == 2 ? LgRgb{1, 1, 1} : LgRgb{});
    cairo_set_source_rgb(cr_.get(), byte_of(c.r) / 255.0, byte_of(c.g) / 255.0,
                         byte_of(c.b) / 255.0);
}

void X11Device::apply_clip()
{
    cairo_reset_clip(cr_.get());
    if (!clip_on_) return;
    cairo_rectangle(cr_.get(), clip_.x1, clip_.y1, clip_.x2 - clip_.x1 + 1,
                    clip_.y2 - clip_.y1 + 1);
    cairo_clip(cr_.get());
}

// Where pixels may be written: the picture, within the clip rectangle.
PixelBox X11Device::drawable() const
{
    PixelBox box{0, 0, x_pixels_ - 1, y_pixels_ - 1};
    if (clip_on_) {
        box.x1 = std::max(box.x1, clip_.x1);
        box.y1 = std::max(box.y1, clip_.y1);
        box.x2 = std::min(box.x2, clip_.x2);
        box.y2 = std::min(box.y2, clip_.y2);
    }
    return box;
}

// Line pen: colour, style and width; an index below 1 inverts the pixels.
void X11Device::line_pen(const LgAttributes& a)
{
    cairo_t* c = cr_.get();
    if (a.line_colour < 1) {
        cairo_set_operator(c, CAIRO_OPERATOR_DIFFERENCE);
        cairo_set_source_rgb(c, 1, 1, 1);
    } else {
        cairo_set_operator(c, CAIRO_OPERATOR_OVER);
        set_source(a.line_colour);
    }
    const double width = std::max(1.0, std::trunc(static_cast<double>(a.line_width)));
    cairo_set_line_width(c, std::min(width, 1000.0));
    cairo_set_line_cap(c, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(c, CAIRO_LINE_JOIN_MITER);
    static const double dash[] = {18, 6};
    static const double dot[] = {3, 3};
    static const double dash_dot[] = {9, 6, 3, 6};
    switch (a.line_style) {
    case 2: cairo_set_dash(c, dash, 2, 0); break;
    case 3: cairo_set_dash(c, dot, 2, 0); break;
    case 4: cairo_set_dash(c, dash_dot, 4, 0); break;
    default: cairo_set_dash(c, nullptr, 0, 0); break;
    }
}

void X11Device::stroke_path(PixelBox box, double margin)
{
    cairo_stroke(cr_.get());
    cairo_set_operator(cr_.get(), CAIRO_OPERATOR_OVER);
    const int m = static_cast<int>(std::ceil(std::min(margin, 1000.0))) + 1;
    touch({box.x1 - m, box.y1 - m, box.x2 + m, box.y2 + m});
}

int X11Device::polyline(int n, const float* x, const float* y, const LgState& state)
{
    if (n < 2) return 2;
    use_state(state);
    line_pen(state.attributes);
    // Runs of at most 200 points, each starting where the last one ended.
    for (int start = 0; start < n - 1; start += RUN_POINTS - 1) {
        const int end = std::min(n - 1, start + RUN_POINTS - 1);
        PixelBox box;
        for (int i = start; i <= end; ++i) {
            const int px = pixel_x(x[i]);
            const int py = pixel_y(y[i]);
            if (i == start) cairo_move_to(cr_.get(), px + 0.5, py + 0.5);
            else cairo_line_to(cr_.get(), px + 0.5, py + 0.5);
            box.add({px, py, px, py});
        }
        stroke_path(box, state.attributes.line_width);
    }
    return 0;
}

int X11Device::fill_area(int n, const float* x, const float* y, const LgState& state)
{
    if (n > RUN_POINTS) return 1;
    if (n < 2) return 2;
    use_state(state);
    cairo_t* c = cr_.get();
    PixelBox box;
    // Through the pixel centres, as lines are drawn, and with the pixels
    // of its edges: an area covers every pixel that a line along its border
    // would, so that filling a page or a box leaves none of its lines behind.
    for (int i = 0; i < n; ++i) {
        const int px = pixel_x(x[i]);
        const int py = pixel_y(y[i]);
        if (i == 0) cairo_move_to(c, px + 0.5, py + 0.5);
        else cairo_line_to(c, px + 0.5, py + 0.5);
        box.add({px, py, px, py});
    }
    cairo_close_path(c);
    cairo_set_operator(c, CAIRO_OPERATOR_OVER);
    set_source(state.attributes.fill_colour);
    cairo_fill_preserve(c);
    cairo_set_line_width(c, 1.0);
    cairo_set_dash(c, nullptr, 0, 0);
    cairo_stroke(c);
    touch(box);
    return 0;
}

int X11Device::polymarker(int n, const float* x, const float* y, const LgState& state)
{
    if (n < 1) return 2;
    use_state(state);
    const LgAttributes& a = state.attributes;
    cairo_t* c = cr_.get();
    const int s = to_pixel(max_pixels_ * static_cast<double>(a.marker_scale) / 150.0);
    const int diagonal = static_cast<int>(0.707f * s);
    const double width =
        std::max(1, to_pixel(max_pixels_ * static_cast<double>(a.marker_width) / 1500.0 + 0.5));
    cairo_set_operator(c, CAIRO_OPERATOR_OVER);
    set_source(a.marker_colour);
    cairo_set_line_width(c, std::min(width, 1000.0));
    cairo_set_dash(c, nullptr, 0, 0);
    PixelBox box;
    for (int i = 0; i < n; ++i) {
        const double px = pixel_x(x[i]) + 0.5;
        const double py = pixel_y(y[i]) + 0.5;
        box.add({static_cast<int>(px) - s, static_cast<int>(py) - s, static_cast<int>(px) + s,
                 static_cast<int>(py) + s});
        auto segment = [&](double ax, double ay, double bx, double by) {
            cairo_move_to(c, px + ax, py + ay);
            cairo_line_to(c, px + bx, py + by);
        };
        switch (a.marker_type) {
        case 1: cairo_rectangle(c, px - 0.5, py - 0.5, 1, 1); cairo_fill(c); break;
        case 2: segment(-s, 0, s, 0); segment(0, -s, 0, s); break;
        case 3:
            segment(-s, 0, s, 0);
            segment(0, -s, 0, s);
            segment(-diagonal, -diagonal, diagonal, diagonal);
            segment(-diagonal, diagonal, diagonal, -diagonal);
            break;
        case 4: cairo_new_sub_path(c); cairo_arc(c, px, py, s, 0, 2 * PI); break;
        default:
            segment(-diagonal, -diagonal, diagonal, diagonal);
            segment(-diagonal, diagonal, diagonal, -diagonal);
            break;
        }
        cairo_stroke(c);
    }
    touch({box.x1 - 2, box.y1 - 2, box.x2 + 2, box.y2 + 2});
    return 0;
}

// The font size in pixels: the height asked for, at every angle and window
// size, so that text fitted to a box fits it on a small window and stays
// in proportion on a large one.
double X11Device::font_pixels(const TextStyle& style) const
{
    return std::clamp(static_cast<double>(max_pixels_) * style.height, 1.0, 4.0 * max_pixels_);
}

void X11Device::select_font(const TextStyle& style)
{
    if (cairo_font_face_t* face = Typefaces::get().face(style.font)) {
        cairo_set_font_face(cr_.get(), face);
    } else {
        cairo_select_font_face(cr_.get(), style.font == 2 ? "DejaVu Sans Mono" : "DejaVu Sans",
                               CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    }
    cairo_set_font_size(cr_.get(), font_pixels(style));
}

// Draws text with its reference point at a pixel, aligned and rotated as the style says.
void X11Device::draw_text(double x, double y, std::string_view text, const TextStyle& style)
{
    if (text.empty()) return;
    cairo_t* c = cr_.get();
    const std::string s(text);
    select_font(style);
    cairo_text_extents_t extents;
    cairo_text_extents(c, s.c_str(), &extents);
    cairo_font_extents_t font_extents;
    cairo_font_extents(c, &font_extents);
    double dx = 0.0;
    if (style.horizontal == 2) dx = -extents.x_advance / 2.0;
    else if (style.horizontal == 3) dx = -extents.x_advance;
    double dy = 0.0; // baseline offset, downwards in pixels
    if (style.vertical == 1 || style.vertical == 2) {
        dy = font_extents.ascent;
    } else if (style.vertical == 3 || style.vertical == 6) {
        cairo_text_extents_t probe;
        cairo_text_extents(c, style.vertical == 3 ? "Xg" : "X", &probe);
        dy = -(probe.y_bearing + probe.height / 2.0);
    } else if (style.vertical == 5) {
        dy = -font_extents.descent;
    }
    cairo_save(c);
    cairo_set_operator(c, CAIRO_OPERATOR_OVER);
    cairo_set_antialias(c, CAIRO_ANTIALIAS_GRAY);
    cairo_translate(c, x, y);
    cairo_rotate(c, -style.angle);
    cairo_move_to(c, dx, dy);
    set_source(style.colour);
    cairo_show_text(c, s.c_str());
    cairo_restore(c);
    const double reach = extents.x_advance + font_extents.height + 2;
    touch({to_pixel(x - reach), to_pixel(y - reach), to_pixel(x + reach), to_pixel(y + reach)});
}

double X11Device::text_width_pixels(std::string_view text, const TextStyle& style)
{
    if (text.empty()) return 0.0;
    select_font(style);
    cairo_text_extents_t extents;
    const std::string s(text);
    cairo_text_extents(cr_.get(), s.c_str(), &extents);
    return extents.x_advance;
}

int X11Device::text(float x, float y, std::string_view text, const LgState& state)
{
    use_state(state);
    draw_text(pixel_x(x), pixel_y(y), st_trim(text), TextStyle::of(state.attributes));
    return 0;
}

float X11Device::text_width(std::string_view text, const LgState& state)
{
    use_state(state);
    return static_cast<float>(text_width_pixels(st_trim(text), TextStyle::of(state.attributes)) /
                              max_pixels_);
}

// Writes the elements of an array into the pixels of its world rectangle:
// index_of(offset) gives the colour index of the element at that offset.
// The rectangle's pixels run from the one of its lower left corner up to,
// not including, the one of its upper right corner, so that n elements
// shown on n pixels take one pixel each.
template <typename IndexOf>
void X11Device::put_image(const LgCells& cells, IndexOf index_of)
{
    const int px1 = pixel_x(std::min(cells.x1, cells.x2));
    const int px2 = pixel_x(std::max(cells.x1, cells.x2));
    const int py_bottom = pixel_y(std::min(cells.y1, cells.y2));
    const int py_top = pixel_y(std::max(cells.y1, cells.y2));
    const int width = std::max(1, px2 - px1);
    const int height = std::max(1, py_bottom - py_top);
    const int bottom_row = py_bottom - 1;
    const PixelBox area = drawable();
    const int j_first = std::max(0, area.x1 - px1);
    const int j_last = std::min(width - 1, area.x2 - px1);
    const int i_first = std::max(0, bottom_row - area.y2);
    const int i_last = std::min(height - 1, bottom_row - area.y1);
    if (j_first > j_last || i_first > i_last) return;
    std::array<unsigned, 256> colours;
    for (int k = 0; k < 256; ++k) colours[k] = packed(state_->colours.at(k));
    std::vector<long> column(static_cast<std::size_t>(j_last + 1));
    for (int j = j_first; j <= j_last; ++j)
        column[j] = cells.xstart - 1 + static_cast<long>((j + 0.5) * cells.xcount / width);
    cairo_surface_flush(surface_.get());
    for (int i = i_first; i <= i_last; ++i) {
        const long y = cells.ystart - 1 + static_cast<long>((i + 0.5) * cells.ycount / height);
        unsigned* r = row(bottom_row - i);
        const long base = y * cells.xdim;
        for (int j = j_first; j <= j_last; ++j)
            r[px1 + j] = colours[static_cast<std::size_t>(index_of(base + column[j]) & 255)];
    }
    cairo_surface_mark_dirty(surface_.get());
    touch({px1 + j_first, bottom_row - i_last, px1 + j_last, bottom_row - i_first});
}

int X11Device::cell_array(const LgCells& cells, const int* array, const LgState& state)
{
    use_state(state);
    put_image(cells, [&](long at) { return static_cast<unsigned>(array[at]); });
    return 0;
}

int X11Device::real_cell_array(const LgCells& cells, const float* array, const bool* mask,
                               float minimum, float maximum, int mask_colour,
                               const LgState& state)
{
    use_state(state);
    return draw_real_cells(cells, array, mask, minimum, maximum, mask_colour);
}

int X11Device::draw_real_cells(const LgCells& cells, const float* array, const bool* mask,
                               float minimum, float maximum, int mask_colour)
{
    const LgColours& c = state_->colours;
    const LgCellIndex index_of(c.log_scaling, minimum, maximum, c.min_image, c.max_image);
    if (!index_of.usable()) {
        io_say(mask != nullptr ? "ERROR: Scaling range unacceptable"
                               : "ERROR: Log scaling range unacceptable");
        return 2;
    }
    put_image(cells, [&](long at) {
        return mask != nullptr && mask[at] ? static_cast<unsigned>(mask_colour)
                                           : index_of(array[at]);
    });
    return 0;
}

int X11Device::clear(const LgState& state)
{
    (void)state;
    cross_drawn_ = false;
    rubber_drawn_ = false;
    return 0;
}

int X11Device::update(bool page_flag, const LgState& state)
{
    (void)page_flag;
    (void)state;
    show();
    return 0;
}

X11Device::KeptPicture X11Device::keep_picture()
{
    cairo_surface_flush(surface_.get());
    const unsigned char* data = cairo_image_surface_get_data(surface_.get());
    const int stride = cairo_image_surface_get_stride(surface_.get());
    const std::size_t bytes = static_cast<std::size_t>(stride) * y_pixels_;
    return {x_pixels_, y_pixels_, stride, std::vector<unsigned char>(data, data + bytes)};
}

// A picture of another size, scaled to fill the page (nearest pixel): what
// was on the page stays where it was in page coordinates.
void X11Device::paint_scaled(const KeptPicture& picture)
{
    cairo_surface_flush(surface_.get());
    std::vector<int> column(static_cast<std::size_t>(x_pixels_));
    for (int x = 0; x < x_pixels_; ++x)
        column[x] = static_cast<int>((x + 0.5) * picture.width / x_pixels_);
    for (int y = 0; y < y_pixels_; ++y) {
        const int sy = static_cast<int>((y + 0.5) * picture.height / y_pixels_);
        const auto* source = reinterpret_cast<const unsigned*>(
            picture.pixels.data() + static_cast<std::size_t>(sy) * picture.stride);
        unsigned* target = row(y);
        for (int x = 0; x < x_pixels_; ++x) target[x] = source[column[x]];
    }
    cairo_surface_mark_dirty(surface_.get());
    touch_all();
}

int X11Device::push_picture()
{
    erase_feedback();
    kept_.push_back(keep_picture());
    return 0;
}

// The kept picture comes back; when the window changed size meanwhile it
// comes back scaled, and the widget under it is asked to draw itself again.
int X11Device::pop_picture()
{
    if (kept_.empty()) return 0;
    KeptPicture picture = std::move(kept_.back());
    kept_.pop_back();
    erase_feedback();
    if (picture.width != x_pixels_ || picture.height != y_pixels_) {
        paint_scaled(picture);
        pending_expose_ = true;
        return 0;
    }
    cairo_surface_flush(surface_.get());
    std::copy(picture.pixels.begin(), picture.pixels.end(),
              cairo_image_surface_get_data(surface_.get()));
    cairo_surface_mark_dirty(surface_.get());
    touch_all();
    return 0;
}

void X11Device::size(int& width, int& height) const
{
    width = x_pixels_;
    height = y_pixels_;
}

void X11Device::set_title(std::string_view text)
{
    if (window_) window_->set_title(text);
}

unsigned X11Device::pixel(int x, int y)
{
    if (x < 0 || y < 0 || x >= x_pixels_ || y >= y_pixels_) return 0;
    cairo_surface_flush(surface_.get());
    return row(y)[x] & 0xffffffu;
}

bool X11Device::snapshot(const std::string& png_file)
{
    cairo_surface_flush(surface_.get());
    return cairo_surface_write_to_png(surface_.get(), png_file.c_str()) == CAIRO_STATUS_SUCCESS;
}
