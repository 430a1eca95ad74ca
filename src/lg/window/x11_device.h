#pragma once
// The window device's object: the backing picture, its window (or none), the
// input it reads, and the feedback drawn while the pointer moves. One object
// per open window workstation; the drawing state comes from the layer with
// every call.

#include <cairo.h>

#include <array>
#include <deque>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "lg/device.h"
#include "lg/window/device_events.h"
#include "lg/window/x11.h"

// A pixel rectangle, inclusive of x1..x2 and y1..y2.
struct PixelBox
{
    int x1 = 0, y1 = 0, x2 = -1, y2 = -1;
    bool empty() const { return x2 < x1 || y2 < y1; }
    void add(const PixelBox& b);
};

// How a text is drawn: font, height (page units), angle (radians),
// alignment and colour index.
struct TextStyle
{
    int font = 1;
    float height = 1.0f / 60.0f;
    float angle = 0.0f;
    int horizontal = 0;
    int vertical = 0;
    int colour = 1;

    static TextStyle of(const LgAttributes& a);
};

class X11Device : public LgWindowDevice, public ScriptTarget
{
public:
    X11Device(int format, int width, int height);
    ~X11Device() override;
    // Opens what the options ask for: the window, the script, the record.
    bool start();

    LgCategory category() const override { return LgCategory::window; }
    int polyline(int n, const float* x, const float* y, const LgState& state) override;
    int fill_area(int n, const float* x, const float* y, const LgState& state) override;
    int polymarker(int n, const float* x, const float* y, const LgState& state) override;
    int text(float x, float y, std::string_view text, const LgState& state) override;
    int cell_array(const LgCells& cells, const int* array, const LgState& state) override;
    int real_cell_array(const LgCells& cells, const float* array, const bool* mask,
                        float minimum, float maximum, int mask_colour,
                        const LgState& state) override;
    int clear(const LgState& state) override;
    int update(bool page_flag, const LgState& state) override;

    int coordinate(int mode, int& event_type, float& x, float& y, const LgState& state) override;
    int event(int mode, bool prompt_flag, std::string_view prompt, float bx1, float by1,
              float bx2, float by2, int& event_type, float& x, float& y, std::string& entry,
              const LgState& state) override;
    void rubber_band(int mode, float x, float y) override;
    int spyglass(const LgSpyglass& setup) override;
    float text_width(std::string_view text, const LgState& state) override;
    int push_picture() override;
    int pop_picture() override;
    void size(int& width, int& height) const override;
    void set_title(std::string_view text) override;
    unsigned pixel(int x, int y) override;
    bool snapshot(const std::string& png_file) override;

    void page_to_pixel(float x, float y, int& px, int& py) const override;
    void world_to_pixel(float x, float y, int& px, int& py) const override;
    void world_to_page(float x, float y, float& page_x, float& page_y) const override;

private:
    struct CairoDeleter
    {
        void operator()(cairo_t* cr) const { cairo_destroy(cr); }
        void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
    };
    struct KeptPicture
    {
        int width;
        int height;
        int stride;
        std::vector<unsigned char> pixels;
    };

    // Drawing (x11_device.cpp).
    void use_state(const LgState& state);
    int pixel_x(float x) const;
    int pixel_y(float y) const;
    void make_picture();
    KeptPicture keep_picture();
    void paint_scaled(const KeptPicture& picture);
    void touch(PixelBox box);
    void touch_all();
    void show();
    unsigned* row(int y);
    void set_source(int index);
    void apply_clip();
    PixelBox drawable() const;
    void line_pen(const LgAttributes& a);
    void stroke_path(PixelBox box, double margin);
    double font_pixels(const TextStyle& style) const;
    void select_font(const TextStyle& style);
    void draw_text(double x, double y, std::string_view text, const TextStyle& style);
    double text_width_pixels(std::string_view text, const TextStyle& style);
    template <typename IndexOf>
    void put_image(const LgCells& cells, IndexOf index_of);
    int draw_real_cells(const LgCells& cells, const float* array, const bool* mask,
                        float minimum, float maximum, int mask_colour);

    // Input (x11_input.cpp).
    void invert_line(int x1, int y1, int x2, int y2);
    void invert_segment(int x1, int y1, int x2, int y2);
    void draw_feedback(int x, int y);
    void erase_feedback();
    void draw_prompt_box(float bx1, float by1, float bx2, float by2, std::string_view prompt,
                         const std::string& entry, std::size_t cursor);
    void draw_spyglass(int px, int py);
    void append_record(const std::string& line);
    void beep();
    void resize_to(int width, int height);
    void write_snapshot_of_wait();
    void input_exhausted();
    int event_loop(int mode, bool text_entry, bool prompt_flag, std::string_view prompt,
                   float bx1, float by1, float bx2, float by2, int& event_type, float& x,
                   float& y, std::string& entry);

    int format_ = 1;
    int x_pixels_ = 500;
    int y_pixels_ = 707;
    int max_pixels_ = 707;
    // The state of the call being served, and the pixel transform taken from it.
    const LgState* state_ = nullptr;
    float x_scale_ = 707, x_offset_ = 0, y_scale_ = 707, y_offset_ = 0;
    bool clip_on_ = false;
    PixelBox clip_;

    std::deque<std::string> history_; // newest first
    std::vector<KeptPicture> kept_;
    int rubber_mode_ = 0;
    float rubber_wx_ = 0, rubber_wy_ = 0;
    bool rubber_drawn_ = false;
    bool cross_drawn_ = false;
    int feedback_x_ = 0, feedback_y_ = 0;
    LgSpyglass spyglass_;

    std::unique_ptr<cairo_surface_t, CairoDeleter> surface_;
    std::unique_ptr<cairo_t, CairoDeleter> cr_;
    std::unique_ptr<X11Window> window_;
    std::unique_ptr<EventSource> script_;
    // What changed since it was last shown: a few boxes (the thin lines of the
    // pointer feedback stay thin), merged into one when they grow many.
    std::vector<PixelBox> dirty_;
    bool input_ended_ = false;
    // The page changed size under a widget drawn over it: the widget waiting
    // next is told to draw itself again.
    bool pending_expose_ = false;
    int snapshot_number_ = 0;
    bool snapshot_failed_ = false; // said once
    std::unique_ptr<std::ofstream> record_;
};

// The options the next window takes.
const LgWindowOptions& x11_options();
