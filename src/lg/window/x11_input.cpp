// The window device's input: the event loop that waits for a press, an
// exposure or a typed line, the one-line editor with its history, the
// pointer feedback (crosshair, rubber band, spy-glass) drawn by inversion,
// and the snapshots and event record of scripted runs.

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "io/status.h"
#include "lg/lg.h"
#include "lg/window/x11_device.h"

namespace {

constexpr float ROOT_TWO = 1.414214f;
constexpr std::size_t ENTRY_LENGTH = 132;
constexpr std::size_t HISTORY_ENTRIES = 40;

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

} // namespace

// Inverts the pixels of a horizontal or vertical line: drawn twice, the
// picture is as before.
void X11Device::invert_line(int x1, int y1, int x2, int y2)
{
    cairo_surface_flush(surface_.get());
    if (y1 == y2) {
        if (y1 < 0 || y1 >= y_pixels_) return;
        unsigned* r = row(y1);
        const int last = std::min(x_pixels_ - 1, std::max(x1, x2));
        for (int x = std::max(0, std::min(x1, x2)); x <= last; ++x) r[x] ^= 0xffffffu;
    } else {
        if (x1 < 0 || x1 >= x_pixels_) return;
        const int last = std::min(y_pixels_ - 1, std::max(y1, y2));
        for (int y = std::max(0, std::min(y1, y2)); y <= last; ++y) row(y)[x1] ^= 0xffffffu;
    }
    cairo_surface_mark_dirty(surface_.get());
    touch({std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)});
}

// Inverts a straight line between two points, one pixel wide.
void X11Device::invert_segment(int x1, int y1, int x2, int y2)
{
    if (x1 == x2 || y1 == y2) {
        invert_line(x1, y1, x2, y2);
        return;
    }
    cairo_surface_flush(surface_.get());
    const int steps = std::max(std::abs(x2 - x1), std::abs(y2 - y1));
    for (int i = 0; i <= steps; ++i) {
        const int x = x1 + static_cast<int>(std::lround(static_cast<double>(x2 - x1) * i / steps));
        const int y = y1 + static_cast<int>(std::lround(static_cast<double>(y2 - y1) * i / steps));
        if (x >= 0 && x < x_pixels_ && y >= 0 && y < y_pixels_) row(y)[x] ^= 0xffffffu;
    }
    cairo_surface_mark_dirty(surface_.get());
    touch({std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)});
}

// The pointer feedback at a pixel: a crosshair over the whole window, and
// the rubber band from the start point.
void X11Device::draw_feedback(int x, int y)
{
    invert_line(0, y, x_pixels_ - 1, y);
    invert_line(x, 0, x, y_pixels_ - 1);
    if (rubber_mode_ > 0) {
        const int sx = pixel_x(rubber_wx_);
        const int sy = pixel_y(rubber_wy_);
        if (rubber_mode_ == 1) {
            invert_segment(sx, sy, x, y);
        } else {
            invert_line(sx, sy, x, sy);
            invert_line(sx, sy, sx, y);
        }
    }
    feedback_x_ = x;
    feedback_y_ = y;
    cross_drawn_ = true;
    rubber_drawn_ = rubber_mode_ > 0;
}

void X11Device::erase_feedback()
{
    if (!cross_drawn_) return;
    const int saved_mode = rubber_mode_;
    if (!rubber_drawn_) rubber_mode_ = 0;
    draw_feedback(feedback_x_, feedback_y_);
    rubber_mode_ = saved_mode;
    cross_drawn_ = false;
    rubber_drawn_ = false;
}

void X11Device::append_record(const std::string& line)
{
    if (!record_) return;
    *record_ << line << '\n';
    record_->flush();
    if (!*record_) {
        io_say("WARNING: The event record could not be written: recording stops");
        record_.reset();
    }
}

void X11Device::beep()
{
    if (window_) window_->bell();
}

// A new client size: kept at the page ratio, and a new (blank) picture that
// the program redraws on the expose event that follows.
void X11Device::resize_to(int width, int height)
{
    int w = width;
    int h = height;
    corrected_size(format_, w, h);
    if (w == x_pixels_ && h == y_pixels_) return;
    if (window_ && (w != width || h != height)) window_->resize(w, h);
    erase_feedback();
    const KeptPicture before = keep_picture();
    x_pixels_ = w;
    y_pixels_ = h;
    make_picture();
    // What was on the page stays, scaled, until the widgets draw it afresh.
    paint_scaled(before);
}

void X11Device::write_snapshot_of_wait()
{
    const std::string& dir = x11_options().snapshots_dir;
    if (dir.empty()) return;
    char name[32];
    std::snprintf(name, sizeof name, "/page_%04d.png", ++snapshot_number_);
    if (!snapshot(dir + name) && !snapshot_failed_) {
        io_say("WARNING: Could not write the snapshot " + dir + name);
        snapshot_failed_ = true;
    }
}

// The prompt box: the prompt above, the entry below with its cursor.
void X11Device::draw_prompt_box(float bx1, float by1, float bx2, float by2,
                                std::string_view prompt, const std::string& entry,
                                std::size_t cursor)
{
    int px1 = 0, py1 = 0, px2 = 0, py2 = 0;
    page_to_pixel(bx1, by1, px1, py1);
    page_to_pixel(bx2, by2, px2, py2);
    cairo_t* c = cr_.get();
    const LgAttributes& a = state_->attributes;
    cairo_set_operator(c, CAIRO_OPERATOR_OVER);
    set_source(a.fill_colour);
    cairo_rectangle(c, px1, py2, px2 - px1 + 1, py1 - py2 + 1); // its edges included, as a fill
    cairo_fill(c);
    touch({px1, py2, px2, py1});
    const double height = py1 - py2;
    const double left = px1 + (px2 - px1) / 50.0;
    TextStyle style = TextStyle::of(a);
    style.horizontal = 0;
    style.vertical = 5;
    style.angle = 0.0f;
    draw_text(left, py1 - height * 5.0 / 9.0, st_trim(prompt), style);
    // The entry and its cursor stay within the box: the baseline is raised
    // where the letters' descent would reach its lower edge.
    select_font(style);
    cairo_font_extents_t fe;
    cairo_font_extents(c, &fe);
    const double base = std::min(py1 - height / 9.0, py1 - 1.0 - std::ceil(fe.descent));
    draw_text(left, base, entry, style);
    // The character under the cursor on an opaque background; "_" past the end.
    const double before = text_width_pixels(entry.substr(0, cursor), style);
    const std::string under = cursor < entry.size() ? entry.substr(cursor, 1) : "_";
    const double w = std::max(2.0, text_width_pixels(under, style));
    set_source(a.text_colour);
    cairo_rectangle(c, left + before, base - fe.height + fe.descent, w, fe.height);
    cairo_fill(c);
    TextStyle inverse = style;
    inverse.colour = a.fill_colour;
    draw_text(left + before, base, under, inverse);
}

// The magnified region around the element under the pointer.
void X11Device::draw_spyglass(int px, int py)
{
    const LgSpyglass& s = spyglass_;
    if (s.mode <= 0 || s.data == nullptr) return;
    const float wx = (px - x_offset_) / x_scale_;
    const float wy = ((y_pixels_ - py) - y_offset_) / y_scale_;
    if (!(wx >= std::min(s.image_x1, s.image_x2) && wx <= std::max(s.image_x1, s.image_x2) &&
          wy >= std::min(s.image_y1, s.image_y2) && wy <= std::max(s.image_y1, s.image_y2)))
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
    if (state_->colours.log_scaling) {
        if (lo <= 0.0f) lo = 1.0e-11f;
        if (hi <= 1.0e-11f) hi = 2.0e-11f;
    }
    // The part of the glass the region does not cover is cleared first.
    int gx1 = 0, gy1 = 0, gx2 = 0, gy2 = 0;
    world_to_pixel(s.glass_x1, s.glass_y1, gx1, gy1);
    world_to_pixel(s.glass_x2, s.glass_y2, gx2, gy2);
    cairo_set_operator(cr_.get(), CAIRO_OPERATOR_OVER);
    set_source(2);
    cairo_rectangle(cr_.get(), gx1, gy2, gx2 - gx1 + 1, gy1 - gy2 + 1);
    cairo_fill(cr_.get());
    touch({gx1, gy2, gx2, gy1});
    const float gw = (s.glass_x2 - s.glass_x1) / s.xnum;
    const float gh = (s.glass_y2 - s.glass_y1) / s.ynum;
    const float rx1 = s.glass_x1 + (x1 - (cx - s.xnum / 2)) * gw;
    const float ry1 = s.glass_y1 + (y1 - (cy - s.ynum / 2)) * gh;
    const LgCells cells{s.xmaxdat, s.ymaxdat, x1, y1, x2 - x1 + 1, y2 - y1 + 1,
                        rx1, ry1, rx1 + (x2 - x1 + 1) * gw, ry1 + (y2 - y1 + 1) * gh};
    draw_real_cells(cells, s.data, nullptr, lo, hi, 1);
    int mx = 0, my = 0;
    world_to_pixel(rx1 + (cx - x1 + 0.5f) * gw, ry1 + (cy - y1 + 0.5f) * gh, mx, my);
    invert_line(mx - 3, my, mx + 3, my);
    invert_line(mx, my - 3, mx, my + 3);
    char label[80];
    std::snprintf(
        label, sizeof label, "X=%5i, Y=%5i, I=%g", cx, cy,
        static_cast<double>(s.data[(cx - 1) + static_cast<std::size_t>(cy - 1) * s.xmaxdat]));
    TextStyle style = TextStyle::of(state_->attributes);
    style.horizontal = 0;
    style.vertical = 1;
    style.colour = 1;
    const double width = text_width_pixels("X=99999, Y=99999, I=-9.999999e-99", style);
    cairo_font_extents_t fe;
    cairo_font_extents(cr_.get(), &fe);
    set_source(2);
    cairo_rectangle(cr_.get(), 0, 0, width + 4, fe.height + 2);
    cairo_fill(cr_.get());
    draw_text(2, 1, label, style);
}

// Ends a run that has no input left: once told, a second wait stops the program.
void X11Device::input_exhausted()
{
    if (input_ended_) {
        io_say("ERROR: No input left for a further question: stopping");
        std::exit(1);
    }
    input_ended_ = true;
}

int X11Device::coordinate(int mode, int& event_type, float& x, float& y, const LgState& state)
{
    use_state(state);
    std::string unused;
    return event_loop(mode, false, false, "", 0, 0, 0, 0, event_type, x, y, unused);
}

int X11Device::event(int mode, bool prompt_flag, std::string_view prompt, float bx1, float by1,
                     float bx2, float by2, int& event_type, float& x, float& y,
                     std::string& entry, const LgState& state)
{
    use_state(state);
    if (entry.size() > ENTRY_LENGTH) entry.resize(ENTRY_LENGTH);
    return event_loop(mode, true, prompt_flag, prompt, bx1, by1, bx2, by2, event_type, x, y,
                      entry);
}

void X11Device::rubber_band(int mode, float x, float y)
{
    rubber_mode_ = mode;
    rubber_wx_ = x;
    rubber_wy_ = y;
}

int X11Device::spyglass(const LgSpyglass& setup)
{
    if (setup.mode > 0 && (setup.data == nullptr || setup.xnum < 1 || setup.ynum < 1 ||
                           setup.xmaxdat < 1 || setup.ymaxdat < 1))
        return 1;
    spyglass_ = setup;
    return 0;
}

// The event loop of both input routines: waits for a press, an exposure,
// or (with text entry) Return or Tab, and edits the entry meanwhile.
int X11Device::event_loop(int mode, bool text_entry, bool prompt_flag, std::string_view prompt,
                          float bx1, float by1, float bx2, float by2, int& event_type, float& x,
                          float& y, std::string& entry)
{
    if (input_ended_ || (!window_ && !script_)) {
        if (!window_ && !script_ && !input_ended_)
            io_say("ERROR: Event script ended while input was awaited");
        input_exhausted();
        return LG_X11_CANCELLED;
    }
    if (pending_expose_ && mode > 0 && mode != LG_POLL) {
        pending_expose_ = false;
        erase_feedback();
        event_type = LG_EVENT_EXPOSE;
        return 0;
    }
    std::size_t cursor = entry.size();
    std::size_t history_at = 0; // 0: the entry being typed, k: history entry k
    bool redraw = true;
    bool waiting_shown = mode == LG_POLL; // a poll is no wait to show
    for (;;) {
        if (text_entry && prompt_flag && redraw) {
            const bool feedback = cross_drawn_;
            erase_feedback();
            draw_prompt_box(bx1, by1, bx2, by2, prompt, entry, cursor);
            if (feedback) draw_feedback(feedback_x_, feedback_y_);
        }
        redraw = false;
        // The snapshot of the wait shows what the user sees: the entry too.
        if (!waiting_shown) write_snapshot_of_wait();
        waiting_shown = true;
        show();
        DeviceEvent ev;
        if (script_) {
            // The window (if any) is still repainted while the script drives it.
            if (window_) {
                DeviceEvent pending;
                while (window_->next(pending, false))
                    if (pending.kind == DeviceEvent::Kind::expose) touch_all();
                show();
            }
            if (!script_->next(ev, true)) {
                erase_feedback();
                show();
                input_exhausted();
                return LG_X11_CANCELLED;
            }
        } else if (!window_->next(ev, mode != LG_POLL)) {
            event_type = LG_EVENT_NONE;
            return 0;
        }
        auto finish = [&](int type) {
            erase_feedback();
            show();
            event_type = type;
        };
        auto finish_entry = [&](bool is_tab) {
            finish(is_tab ? LG_EVENT_TAB : LG_EVENT_RETURN);
            if (!entry.empty() && (history_.empty() || history_.front() != entry)) {
                history_.push_front(entry);
                if (history_.size() > HISTORY_ENTRIES) history_.pop_back();
            }
            append_record("key ClearLine");
            append_record((is_tab ? "tab " : "text ") + script_quote(entry));
        };
        switch (ev.kind) {
        case DeviceEvent::Kind::press: {
            finish(LG_EVENT_PRESS);
            x = ev.exact ? ev.page_x : static_cast<float>(ev.x) / max_pixels_;
            y = ev.exact ? ev.page_y : static_cast<float>(y_pixels_ - ev.y) / max_pixels_;
            char line[96];
            std::snprintf(line, sizeof line, "click %.6f %.6f", static_cast<double>(x),
                          static_cast<double>(y));
            append_record(line);
            return 0;
        }
        case DeviceEvent::Kind::expose:
            touch_all();
            if (mode > 0 && mode != LG_POLL) {
                finish(LG_EVENT_EXPOSE);
                append_record("expose");
                return 0;
            }
            show();
            break;
        case DeviceEvent::Kind::resize: {
            const int before_w = x_pixels_;
            const int before_h = y_pixels_;
            resize_to(ev.width, ev.height);
            if (x_pixels_ != before_w || y_pixels_ != before_h) {
                append_record("resize " + std::to_string(ev.width) + " " +
                              std::to_string(ev.height));
                finish(LG_EVENT_EXPOSE);
                return 0;
            }
            break;
        }
        case DeviceEvent::Kind::motion:
            erase_feedback();
            draw_spyglass(ev.x, ev.y);
            draw_feedback(ev.x, ev.y);
            break;
        case DeviceEvent::Kind::close:
            erase_feedback();
            show();
            io_say("INFO: The window was closed: the question is cancelled");
            return LG_X11_CANCELLED;
        case DeviceEvent::Kind::snapshot:
            // As the user sees it: with the pointer's crosshair, rubber band and spy-glass.
            if (!snapshot(ev.name + ".png"))
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
                if (history_at >= history_.size()) {
                    beep();
                } else {
                    entry = history_[history_at++];
                    cursor = entry.size();
                }
                break;
            case DeviceEvent::down:
                if (history_at <= 1) {
                    history_at = 0;
                    entry.clear();
                } else {
                    --history_at;
                    entry = history_[history_at - 1];
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
            case DeviceEvent::tab:
                finish_entry(ev.key == DeviceEvent::tab);
                return 0;
            default: break;
            }
            break;
        case DeviceEvent::Kind::character:
            if (!text_entry) break;
            redraw = true;
            if (ev.ch == '\t' || ev.ch == '\r' || ev.ch == '\n') {
                finish_entry(ev.ch == '\t');
                return 0;
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
