#include "lg/lg.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "io/convert.h"
#include "io/status.h"
#include "io/system.h"
#include "lg/ps/ps.h"
#include "lg/window/x11.h"

namespace {

constexpr int MAX_WORKSTATIONS = 10;
constexpr int CATEGORY_WINDOW = 10;
constexpr int CATEGORY_POSTSCRIPT = 20;
constexpr float PAGE_SHORT = 0.7071068f;
constexpr float INITIAL_SHORT = 0.7071f;

struct Workstation
{
    int identifier = 0;
    int connection = 0;
    int type = 0;
    int category = 0;
    int state = 0; // 0 free, 1 open, 2 active
    float max_x = 0.0f;
    float max_y = 0.0f;
};

// LG_DB_SYSTEM: the layer and its table of workstations (slots 1..10).
struct SystemRecord
{
    bool open = false;
    int count = 0;
    std::array<Workstation, MAX_WORKSTATIONS + 1> slot{};
    int window_count = 0;
    int postscript_count = 0;
};

// LG_DB_TRANSFORM: data window, viewport and clip window.
struct TransformRecord
{
    std::array<float, 4> wc{0.0f, 0.0f, INITIAL_SHORT, 1.0f};
    std::array<float, 4> vp{0.0f, 0.0f, INITIAL_SHORT, 1.0f};
    std::array<float, 4> clip{0.0f, 0.0f, INITIAL_SHORT, 1.0f};
    std::array<float, 4> saved_wc{};
    std::array<float, 4> saved_vp{};
    bool saved = false;
    int unity_depth = 0;
};

// LG_DB_COLOURS.
struct ColourRecord
{
    std::array<LgRgb, 256> table{};
    int min_index = 41, max_index = 250;
    int min_image = 49, max_image = 250;
    bool log_scaling = false;
    int value1 = 108, value2 = 256;
};

// Current attributes: a setting equal to the current one reaches no device.
struct AttributeRecord
{
    int line_colour = 1;
    int line_style = 1;
    float line_width = 1.0f;
    int fill_colour = 2;
    int marker_type = 2;
    int marker_colour = 2;
    float marker_scale = 1.0f;
    float marker_width = 1.0f;
    // LG_DB_TEXTATTS
    int text_font = 1;
    float text_height = 1.0f / 60.0f;
    int text_colour = 2;
    int horizontal = 0;
    int vertical = 0;
    float text_angle = 0.0f;
};

SystemRecord lg_system;
TransformRecord lg_transform;
ColourRecord lg_colours;
AttributeRecord lg_attributes;

struct Target
{
    std::string label;
    float x1, y1, x2, y2;
};
std::vector<Target> targets;
// The targets of pictures kept by LG_PUSH_PICTURE, given back with them.
std::vector<std::vector<Target>> kept_targets;

// True when the layer is open; otherwise the routine says so (status stays good).
bool layer_open(std::string_view routine)
{
    if (lg_system.open) return true;
    io_say("ERROR: Vaded Arovediv system is not open (" + std::string(routine) + ")");
    return false;
}

// The slot of a workstation identifier; 0 when no open slot has it.
int find_slot(int identifier)
{
    for (int i = 1; i <= lg_system.count; ++i)
        if (lg_system.slot[i].state > 0 && lg_system.slot[i].identifier == identifier) return i;
    return 0;
}

// Sends an output call to every active workstation: the window device's
// routine, or the PostScript device's. A failing window device turns the
// status into failure_status and the walk goes on.
template <typename WindowCall, typename PostScriptCall>
void fan_out(int& status, int failure_status, std::string_view position, WindowCall window,
             PostScriptCall postscript)
{
    for (int i = 1; i <= lg_system.count; ++i) {
        const Workstation& ws = lg_system.slot[i];
        if (ws.state != 2) continue;
        if (ws.category == CATEGORY_WINDOW) {
            int error = 0;
            window(error);
            if (error != 0) st_fail(status, failure_status, position);
        } else if (ws.category == CATEGORY_POSTSCRIPT) {
            postscript(status);
        }
    }
}

template <typename WindowCall>
void fan_out(int& status, int failure_status, std::string_view position, WindowCall window)
{
    fan_out(status, failure_status, position, window, [](int&) {});
}

void send_transform()
{
    const auto& w = lg_transform.wc;
    const auto& v = lg_transform.vp;
    for (int i = 1; i <= lg_system.count; ++i) {
        const Workstation& ws = lg_system.slot[i];
        if (ws.state < 1) continue;
        int error = 0;
        if (ws.category == CATEGORY_WINDOW)
            LG_X11_TRANSFORM(w[0], w[1], w[2], w[3], v[0], v[1], v[2], v[3], error);
        else if (ws.category == CATEGORY_POSTSCRIPT)
            LG_PS_TRANSFORM(w[0], w[1], w[2], w[3], v[0], v[1], v[2], v[3], error);
    }
}

// Sets the data window or the viewport after checking that it is a rectangle.
void set_rectangle(std::array<float, 4>& target, std::string_view name, float x1, float y1,
                   float x2, float y2, int& status)
{
    const std::string position = "Subroutine " + std::string(name) + " V0.5";
    if (!st_enter(status, position)) return;
    if (x2 <= x1) {
        int convert = ST_GOOD_VALUE;
        io_say("ERROR: " + std::string(name) + ":");
        io_say("x_min_wc, x_max_wc = " + IO_RTOC(x1, convert) + " " + IO_RTOC(x2, convert));
        st_fail(status, ST_MOD_LG + 13, position);
        return;
    }
    if (y1 >= y2) {
        st_fail(status, ST_MOD_LG + 14, position);
        return;
    }
    if (!layer_open("LG_OPEN_WK")) return;
    target = {x1, y1, x2, y2};
    send_transform();
}

// Fills the colour table: the eight fixed colours, then the image range
// interpolated from a 13-colour ramp.
void define_colours()
{
    static const LgRgb fixed[8] = {{0, 0, 0}, {1, 1, 1}, {1, 0, 0}, {0, 1, 0},
                                   {0, 0, 1}, {1, 1, 0}, {1, 0, 1}, {0, 1, 1}};
    static const LgRgb ramp[14] = {{},
                                   {0, 0, 0},
                                   {0, 0, 0.6f},
                                   {0, 0, 1},
                                   {0.78f, 0.78f, 1},
                                   {0.545f, 0.87f, 0.219f},
                                   {0.757f, 0.925f, 0.384f},
                                   {1, 1, 0.475f},
                                   {1, 0.77f, 0.36f},
                                   {1, 0.749f, 0},
                                   {0.78f, 0.509f, 0},
                                   {0.8666f, 0.235f, 1},
                                   {0.8666f, 0.61f, 1},
                                   {1, 1, 1}};
    ColourRecord& c = lg_colours;
    for (int i = 0; i < 8 && c.min_index + i < 256; ++i) c.table[c.min_index + i] = fixed[i];
    const int n = c.max_image - c.min_image + 1;
    for (int j = 1; j <= n; ++j) {
        const int k = static_cast<int>(std::lround(static_cast<float>(n - 1) * j / n));
        const float l = n > 1 ? 1.0f + 12.0f * k / static_cast<float>(n - 1) : 1.0f;
        const int m = std::min(13, static_cast<int>(l));
        const LgRgb& upper = ramp[std::min(m + 1, 13)];
        const LgRgb& lower = ramp[m];
        const float a = l - m;
        const float b = m + 1 - l;
        c.table[c.min_image + j - 1] = {a * upper.r + b * lower.r, a * upper.g + b * lower.g,
                                        a * upper.b + b * lower.b};
    }
}

void send_colour_map(int& status, std::string_view position)
{
    fan_out(status, ST_MOD_LG + 1, position, [](int& error) {
        LG_X11_COLOURMAP(lg_colours.min_index, lg_colours.max_index, lg_colours.table.data(),
                         lg_colours.min_image, lg_colours.max_image, error);
    });
}

// An integer attribute: checked, remembered, and sent only when it changes.
template <typename Device, typename PostScript>
void set_attribute(int value, int& current, int low, int high, std::string_view name,
                   int& status, Device device, PostScript postscript)
{
    const std::string position = "Subroutine " + std::string(name) + " V0.3";
    if (!st_enter(status, position)) return;
    if (value < low || value > high) {
        st_fail(status, ST_MOD_LG + 17, position);
        return;
    }
    if (value == current) return;
    current = value;
    fan_out(
        status, ST_MOD_LG + 1, position, [&](int& error) { device(value, error); },
        [&](int& s) { postscript(value, s); });
}

template <typename Device, typename PostScript>
void set_real_attribute(float value, float& current, std::string_view name, int& status,
                        Device device, PostScript postscript)
{
    const std::string position = "Subroutine " + std::string(name) + " V0.3";
    if (!st_enter(status, position)) return;
    if (value == current) return;
    current = value;
    fan_out(
        status, ST_MOD_LG + 1, position, [&](int& error) { device(value, error); },
        [&](int& s) { postscript(value, s); });
}

const LgRgb& table_entry(int index)
{
    return lg_colours.table[static_cast<std::size_t>(std::clamp(index, 0, 255))];
}

// A colour goes to PostScript as the RGB triple of its table entry.
template <typename PostScript>
auto as_rgb(PostScript postscript)
{
    return [postscript](int index, int& status) {
        postscript(table_entry(index), status);
    };
}

// The range a real cell array is shown with: a flat range is widened, and a
// log range is moved above zero.
void adjust_range(float& minimum, float& maximum)
{
    if (!lg_colours.log_scaling) {
        if (maximum == minimum) {
            minimum *= 0.9f;
            maximum *= 1.1f;
            if (maximum == minimum) {
                minimum -= 0.1f;
                maximum += 0.1f;
            }
        }
        if (maximum < minimum) std::swap(minimum, maximum);
        return;
    }
    if (maximum > 0.0f && minimum < 0.00001f) {
        if (maximum > 1.0e4f) minimum = 0.1f;
        else if (maximum > 1.0e3f) minimum = 0.01f;
        else if (maximum > 100.0f) minimum = 0.001f;
        else if (maximum > 10.0f) minimum = 1.0e-4f;
        else if (maximum > 1.0f) minimum = 1.0e-5f;
        else if (maximum > 0.1f) minimum = 1.0e-6f;
        else if (maximum > 0.01f) minimum = 1.0e-7f;
        else minimum = maximum / 1000.0f;
    } else if (maximum <= 0.0f) {
        minimum = 1.0e-10f;
        maximum = 1.0e-9f;
    } else if (maximum == minimum) {
        minimum *= 0.5f;
        maximum *= 2.0f;
    }
}

// A new PostScript file starts with the attributes now in force.
void send_attributes_to_postscript(int& status)
{
    const AttributeRecord& a = lg_attributes;
    const auto rgb = table_entry;
    LG_PS_LINESTYLE(a.line_style, status);
    if (a.line_colour >= 1) LG_PS_LINECOLOUR(rgb(a.line_colour), status);
    LG_PS_LINEWIDTH(a.line_width, status);
    LG_PS_FILLCOLOUR(rgb(a.fill_colour), status);
    LG_PS_MARKERTYPE(a.marker_type, status);
    LG_PS_MARKERCOLOUR(rgb(a.marker_colour), status);
    LG_PS_MARKERSCALE(a.marker_scale, status);
    LG_PS_MARKERWIDTH(a.marker_width, status);
    LG_PS_TEXTFONT(a.text_font, status);
    LG_PS_TEXTHEIGHT(a.text_height, status);
    LG_PS_TEXTCOLOUR(rgb(a.text_colour), status);
    LG_PS_TEXTALIGNMENT(a.horizontal, a.vertical, status);
    LG_PS_TEXTANGLE(a.text_angle * 3.1415925f / 180.0f, status);
}

} // namespace

void LG_OPEN(int option, int& status)
{
    constexpr std::string_view position = "Subroutine LG_OPEN V0.9";
    if (!st_enter(status, position)) return;
    if (option != 0) {
        st_fail(status, ST_MOD_LG + 17, position);
        return;
    }
    lg_system = SystemRecord{};
    lg_transform = TransformRecord{};
    lg_colours = ColourRecord{};
    lg_attributes = AttributeRecord{};
    std::string system_name;
    std::string processor;
    IO_SYSTEM_NAME(system_name, processor, status);
    if (system_name.rfind("WIN", 0) == 0) {
        lg_colours.min_index = 1;
        lg_colours.max_index = 255;
        lg_colours.min_image = 9;
        lg_colours.max_image = 255;
    }
    define_colours();
    lg_system.open = true;
}

void LG_CLOSE(int& status)
{
    if (!st_enter(status, "Subroutine LG_CLOSE V0.2")) return;
    if (!lg_system.open) {
        io_say("WARNING: Vaded Arovediv system is already closed ! (LG_CLOSE)");
        return;
    }
    lg_system.open = false;
}

void LG_OPEN_WK(int identifier, int connection, int type, int& status)
{
    constexpr std::string_view position = "Subroutine LG_OPEN_WK V0.7";
    if (!st_enter(status, position)) return;
    if (!lg_system.open) {
        io_say("WARNING: Vaded Arovediv system is not open (LG_OPEN_WK)");
        return;
    }
    if (identifier < 1) {
        st_fail(status, ST_MOD_LG + 17, position);
        return;
    }
    if (find_slot(identifier) != 0) {
        io_say("WARNING: Workstation already open (LG_OPEN_WK)");
        return;
    }
    // A slot is taken for the new workstation; it is given back when the
    // device cannot be opened, so no empty slot stays counted.
    const bool counted = lg_system.count < MAX_WORKSTATIONS;
    if (counted) ++lg_system.count;
    else io_say("WARNING: Maximum number of workstations are already open (LG_OPEN_WK)");
    auto give_back = [&] {
        if (counted) --lg_system.count;
    };
    int slot = 0;
    for (int i = 1; i <= lg_system.count && slot == 0; ++i)
        if (lg_system.slot[i].state == 0) slot = i;
    if (slot == 0) {
        st_fail(status, ST_MOD_LG + 2002, position);
        return;
    }
    int category = 0;
    if (type == LG_WINDOW_PORTRAIT || type == LG_WINDOW_LANDSCAPE) {
        if (lg_system.window_count > 0) {
            io_say("WARNING: Maximum number of X-11 workstations are already open (LG_OPEN_WK)");
            give_back();
            return;
        }
        const bool portrait = type == LG_WINDOW_PORTRAIT;
        int error = 0;
        LG_X11_OPEN(portrait ? 1 : 2, portrait ? 500 : 707, portrait ? 707 : 500, error);
        if (error != 0) {
            io_say("WARNING: X-11 workstation not opened successfully (LG_OPEN_WK)");
            give_back();
            st_fail(status, ST_MOD_LG + 2001, position);
            return;
        }
        LG_X11_COLOURRANGE(lg_colours.min_index, lg_colours.max_index, lg_colours.min_image,
                           lg_colours.max_image);
        define_colours();
        LG_X11_COLOURMAP(lg_colours.min_index, lg_colours.max_index, lg_colours.table.data(),
                         lg_colours.min_image, lg_colours.max_image, error);
        LG_X11_TRANSFORM(lg_transform.wc[0], lg_transform.wc[1], lg_transform.wc[2],
                         lg_transform.wc[3], lg_transform.vp[0], lg_transform.vp[1],
                         lg_transform.vp[2], lg_transform.vp[3], error);
        ++lg_system.window_count;
        category = CATEGORY_WINDOW;
    } else if (type >= 21 && type <= 24) {
        if (lg_system.postscript_count > 0) {
            io_say("WARNING: Maximum number of PostScript workstations are already open (LG_OPEN_WK)");
            give_back();
            return;
        }
        LG_PS_OPEN(connection, false, type == 22 || type == 24, type == 21 || type == 22, status);
        const auto& w = lg_transform.wc;
        const auto& v = lg_transform.vp;
        LG_PS_TRANSFORM(w[0], w[1], w[2], w[3], v[0], v[1], v[2], v[3], status);
        send_attributes_to_postscript(status);
        ++lg_system.postscript_count;
        category = CATEGORY_POSTSCRIPT;
    } else {
        io_say("WARNING: Unknown graphics device type (LG_OPEN_WK)");
        give_back();
        return;
    }
    const bool portrait = type == LG_WINDOW_PORTRAIT || type == 21 || type == 23;
    lg_system.slot[slot] = {identifier, connection, type, category, 1,
                            portrait ? PAGE_SHORT : 1.0f, portrait ? 1.0f : PAGE_SHORT};
}

void LG_CLOSE_WK(int identifier, int& status)
{
    constexpr std::string_view position = "Subroutine LG_CLOSE_WK V0.4";
    if (!st_enter(status, position)) return;
    if (identifier < 1) {
        st_fail(status, ST_MOD_LG + 17, position);
        return;
    }
    const int slot = find_slot(identifier);
    if (slot == 0) {
        io_say("ERROR: Workstation ID is unknown (LG_CLOSE_WK)");
        return;
    }
    if (lg_system.slot[slot].category == CATEGORY_WINDOW) {
        --lg_system.window_count;
        LG_X11_CLOSE();
    } else if (lg_system.slot[slot].category == CATEGORY_POSTSCRIPT) {
        --lg_system.postscript_count;
        LG_PS_CLOSE(status);
    }
    for (int i = slot; i < lg_system.count; ++i) lg_system.slot[i] = lg_system.slot[i + 1];
    lg_system.slot[lg_system.count] = Workstation{};
    --lg_system.count;
}

void LG_ACTIVATE_WK(int identifier, int& status)
{
    if (!st_enter(status, "Subroutine LG_ACTIVATE_WK V0.2")) return;
    int slot = 0;
    for (int i = 1; i <= lg_system.count && slot == 0; ++i)
        if (lg_system.slot[i].identifier == identifier) slot = i;
    if (slot == 0) io_say("ERROR: Workstation ID is unknown (LG_ACTIVATE_WK)");
    else if (lg_system.slot[slot].state == 0) io_say("ERROR: Workstation is not open (LG_ACTIVATE_WK)");
    else if (lg_system.slot[slot].state == 2)
        io_say("WARNING: Workstation is already active (LG_ACTIVATE_WK)");
    else lg_system.slot[slot].state = 2;
}

void LG_DEACTIVATE_WK(int identifier, int& status)
{
    if (!st_enter(status, "Subroutine LG_DEACTIVATE_WK V0.2")) return;
    int slot = 0;
    for (int i = 1; i <= lg_system.count && slot == 0; ++i)
        if (lg_system.slot[i].identifier == identifier) slot = i;
    if (slot == 0) io_say("ERROR: Workstation ID is unknown (LG_DEACTIVATE_WK)");
    else if (lg_system.slot[slot].state == 0)
        io_say("ERROR: Workstation is not open (LG_DEACTIVATE_WK)");
    else if (lg_system.slot[slot].state == 1)
        io_say("WARNING: Workstation is not active (LG_DEACTIVATE_WK)");
    else lg_system.slot[slot].state = 1;
}

void LG_DATAWINDOW(float x1, float y1, float x2, float y2, int& status)
{
    set_rectangle(lg_transform.wc, "LG_DATAWINDOW", x1, y1, x2, y2, status);
}

void LG_VIEWPORT(float x1, float y1, float x2, float y2, int& status)
{
    set_rectangle(lg_transform.vp, "LG_VIEWPORT", x1, y1, x2, y2, status);
}

void LG_INQ_DATAWINDOW(float& x1, float& y1, float& x2, float& y2, int& status)
{
    if (!st_enter(status, "Subroutine LG_INQ_DATAWINDOW V0.2")) return;
    if (!layer_open("LG_INQ_DATAWINDOW")) return;
    x1 = lg_transform.wc[0];
    y1 = lg_transform.wc[1];
    x2 = lg_transform.wc[2];
    y2 = lg_transform.wc[3];
}

void LG_INQ_VIEWPORT(float& x1, float& y1, float& x2, float& y2, int& status)
{
    if (!st_enter(status, "Subroutine LG_INQ_VIEWPORT V0.2")) return;
    if (!layer_open("LG_INQ_VIEWPORT")) return;
    x1 = lg_transform.vp[0];
    y1 = lg_transform.vp[1];
    x2 = lg_transform.vp[2];
    y2 = lg_transform.vp[3];
}

// With true, world coordinates become page coordinates until switched back.
// Switches nest: a widget drawn inside another (a prompt inside a warning)
// switches on and off again without losing the caller's transform.
void LG_UNITYTRANSFORM(bool on, int& status)
{
    constexpr std::string_view position = "Subroutine LG_UNITYTRANSFORM V0.2";
    if (!st_enter(status, position)) return;
    TransformRecord& t = lg_transform;
    if (on) {
        if (t.unity_depth++ > 0) return;
        t.saved_wc = t.wc;
        t.saved_vp = t.vp;
        t.saved = true;
        t.wc = {0.0f, 0.0f, 1.0f, 1.0f};
        t.vp = {0.0f, 0.0f, 1.0f, 1.0f};
    } else {
        if (!t.saved) {
            st_fail(status, ST_MOD_LG + 1007, position);
            return;
        }
        if (--t.unity_depth > 0) return;
        t.wc = t.saved_wc;
        t.vp = t.saved_vp;
        t.saved = false;
    }
    send_transform();
}

float LG_WC2PC(bool x_axis, float value, int& status)
{
    if (!st_enter(status, "Function LG_WC2PC V0.1")) return value;
    if (!layer_open("LG_WC2PC")) return value;
    const TransformRecord& t = lg_transform;
    const int a = x_axis ? 0 : 1;
    return t.vp[a] + (t.vp[a + 2] - t.vp[a]) * (value - t.wc[a]) / (t.wc[a + 2] - t.wc[a]);
}

float LG_PC2WC(bool x_axis, float value, int& status)
{
    if (!st_enter(status, "Function LG_PC2WC V0.1")) return value;
    if (!layer_open("LG_PC2WC")) return value;
    const TransformRecord& t = lg_transform;
    const int a = x_axis ? 0 : 1;
    return t.wc[a] + (t.wc[a + 2] - t.wc[a]) * (value - t.vp[a]) / (t.vp[a + 2] - t.vp[a]);
}

void LG_INQ_SCALING(float& x_scale, float& y_scale, int& status)
{
    if (!st_enter(status, "Subroutine LG_INQ_SCALING V0.1")) return;
    const TransformRecord& t = lg_transform;
    int convert = ST_GOOD_VALUE;
    if (t.wc[2] <= t.wc[0]) {
        io_say("LG_INQ_SCALING: ERROR");
        io_say("lg_wc_xmax = " + IO_RTOC(t.wc[2], convert));
        io_say("lg_wc_xmin = " + IO_RTOC(t.wc[0], convert));
        return;
    }
    if (t.wc[3] <= t.wc[1]) {
        io_say("LG_INQ_SCALING: ERROR");
        io_say("lg_wc_ymax = " + IO_RTOC(t.wc[3], convert));
        io_say("lg_wc_ymin = " + IO_RTOC(t.wc[1], convert));
        return;
    }
    x_scale = (t.vp[2] - t.vp[0]) / (t.wc[2] - t.wc[0]);
    y_scale = (t.vp[3] - t.vp[1]) / (t.wc[3] - t.wc[1]);
}

void LG_INQ_MAXPC(int identifier, float& max_x, float& max_y, int& status)
{
    if (!st_enter(status, "Subroutine LG_INQ_MAXPC V0.1")) return;
    const int slot = find_slot(identifier);
    max_x = slot ? lg_system.slot[slot].max_x : INITIAL_SHORT;
    max_y = slot ? lg_system.slot[slot].max_y : 1.0f;
}

void LG_CLIPWINDOW(float x1, float y1, float x2, float y2, int& status)
{
    if (!st_enter(status, "Subroutine LG_CLIPWINDOW V0.1")) return;
    lg_transform.clip = {x1, y1, x2, y2};
}

void LG_CLIP(bool on, int& status)
{
    constexpr std::string_view position = "Subroutine LG_CLIP V0.1";
    if (!st_enter(status, position)) return;
    const auto& c = lg_transform.clip;
    fan_out(
        status, ST_MOD_LG + 1, position,
        [&](int& error) { LG_X11_CLIP(on, c[0], c[1], c[2], c[3], error); },
        [&](int& s) { LG_PS_CLIP(on, c[0], c[1], c[2], c[3], s); });
}

void LG_POLYLINE(int n, const float* x, const float* y, int& status)
{
    constexpr std::string_view position = "Subroutine LG_POLYLINE V0.3";
    if (!st_enter(status, position)) return;
    if (n < 2) {
        st_fail(status, ST_MOD_LG + 17, position);
        return;
    }
    fan_out(
        status, ST_MOD_LG + 1, position, [&](int& error) { LG_X11_PL(n, x, y, error); },
        [&](int& s) { LG_PS_PL(n, x, y, s); });
}

void LG_FILLAREA(int n, const float* x, const float* y, int& status)
{
    constexpr std::string_view position = "Subroutine LG_FILLAREA V0.3";
    if (!st_enter(status, position)) return;
    if (n < 2) {
        st_fail(status, ST_MOD_LG + 17, position);
        return;
    }
    fan_out(
        status, ST_MOD_LG + 1, position, [&](int& error) { LG_X11_FA(n, x, y, error); },
        [&](int& s) {
            if (n <= 200) LG_PS_FA(n, x, y, s);
        });
}

void LG_POLYMARKER(int n, const float* x, const float* y, int& status)
{
    constexpr std::string_view position = "Subroutine LG_POLYMARKER V0.3";
    if (!st_enter(status, position)) return;
    if (n < 1) {
        st_fail(status, ST_MOD_LG + 17, position);
        return;
    }
    fan_out(
        status, ST_MOD_LG + 1, position, [&](int& error) { LG_X11_PM(n, x, y, error); },
        [&](int& s) { LG_PS_PM(n, x, y, s); });
}

void LG_TEXT(float x, float y, std::string_view text, int& status)
{
    constexpr std::string_view position = "Subroutine LG_TEXT V0.3";
    if (!st_enter(status, position)) return;
    const std::string_view trimmed = st_trim(text);
    fan_out(
        status, ST_MOD_LG + 1, position, [&](int& error) { LG_X11_TEXT(x, y, trimmed, error); },
        [&](int& s) { LG_PS_TEXT(x, y, trimmed, s); });
}

void LG_CELLARRAY(int xdim, int ydim, int xstart, int ystart, int xend, int yend,
                  const int* array, float x1, float y1, float x2, float y2, int& status)
{
    constexpr std::string_view position = "Subroutine LG_CELLARRAY V0.3";
    if (!st_enter(status, position)) return;
    if (xdim < 1 || ydim < 1) {
        st_fail(status, ST_MOD_LG + 1, position);
        return;
    }
    if (xstart < 1 || ystart < 1 || xend > xdim || yend > ydim || xend < xstart ||
        yend < ystart) {
        st_fail(status, ST_MOD_LG + 17, position);
        return;
    }
    fan_out(
        status, ST_MOD_LG + 9999, position,
        [&](int& error) {
            LG_X11_CA(x1, y1, x2, y2, xdim, ydim, xstart, ystart, xend - xstart + 1,
                      yend - ystart + 1, array, error);
        },
        [&](int& s) {
            LG_PS_CA(x1, y1, x2, y2, xdim, xstart, ystart, xend - xstart + 1, yend - ystart + 1,
                     array, lg_colours.table.data(), s);
        });
}

void LG_REALCELLARRAY(int xdim, int ydim, int xstart, int ystart, int xend, int yend,
                      const float* array, float x1, float y1, float x2, float y2, float minimum,
                      float maximum, int& status)
{
    if (!st_enter(status, "Subroutine LG_REALCELLARRAY V0.3")) return;
    LG_RMASKCELLARRAY(xdim, ydim, xstart, ystart, xend, yend, array, x1, y1, x2, y2, minimum,
                      maximum, nullptr, false, 1, status);
}

void LG_RMASKCELLARRAY(int xdim, int ydim, int xstart, int ystart, int xend, int yend,
                       const float* array, float x1, float y1, float x2, float y2, float minimum,
                       float maximum, const bool* mask, bool mask_flag, int mask_colour,
                       int& status)
{
    constexpr std::string_view position = "Subroutine LG_RMASKCELLARRAY V0.3";
    if (!st_enter(status, position)) return;
    if (xdim < 1 || ydim < 1) {
        st_fail(status, ST_MOD_LG + 1, position);
        return;
    }
    if (xend < 1) {
        st_fail(status, ST_MOD_LG + 17, position);
        return;
    }
    if (yend < 1) {
        st_fail(status, ST_MOD_LG + 18, position);
        return;
    }
    // The region must lie in the array: a wrong region never reads outside it.
    if (xstart < 1 || ystart < 1 || xend > xdim || yend > ydim || xend < xstart ||
        yend < ystart) {
        st_fail(status, ST_MOD_LG + 17, position);
        return;
    }
    adjust_range(minimum, maximum);
    const bool use_mask = mask_flag && mask != nullptr;
    for (int i = 1; i <= lg_system.count; ++i) {
        const Workstation& ws = lg_system.slot[i];
        if (ws.state != 2) continue;
        if (ws.category == CATEGORY_POSTSCRIPT) {
            LG_PS_RMCA(use_mask, x1, y1, x2, y2, xdim, xstart, ystart, xend - xstart + 1,
                       yend - ystart + 1, array, mask, minimum, maximum, mask_colour,
                       lg_colours.log_scaling, lg_colours.min_image, lg_colours.max_image,
                       lg_colours.table.data(), status);
            continue;
        }
        if (ws.category != CATEGORY_WINDOW) continue;
        LG_X11_ZSCALING(lg_colours.log_scaling);
        int error = 0;
        LG_X11_RMCA(use_mask, x1, y1, x2, y2, xdim, ydim, xstart, ystart, xend - xstart + 1,
                    yend - ystart + 1, array, mask, minimum, maximum, mask_colour, error);
        if (error == 1) io_say("ERROR: Function LG_X11_RMCA failed because of bad data scaling range");
        if (error == 2)
            io_say("ERROR: Function LG_X11_RMCA failed to allocate memory for image display");
        if (error != 0) st_fail(status, ST_MOD_LG + 9999, position);
    }
}

void LG_LINECOLOUR(int value, int& status)
{
    set_attribute(value, lg_attributes.line_colour, -1, 255, "LG_LINECOLOUR", status,
                  LG_X11_LINECOLOUR, [](int index, int& s) {
                      if (index < 1) {
                          io_say("WARNING: The PostScript driver does not support inverse video");
                          return;
                      }
                      as_rgb(LG_PS_LINECOLOUR)(index, s);
                  });
}

void LG_LINESTYLE(int value, int& status)
{
    set_attribute(value, lg_attributes.line_style, 0, 4, "LG_LINESTYLE", status,
                  LG_X11_LINESTYLE, LG_PS_LINESTYLE);
}

void LG_LINEWIDTH(float value, int& status)
{
    set_real_attribute(value, lg_attributes.line_width, "LG_LINEWIDTH", status,
                       LG_X11_LINEWIDTH, LG_PS_LINEWIDTH);
}

void LG_FILLCOLOUR(int value, int& status)
{
    if (status == ST_GOOD_VALUE && (value < 0 || value > 255)) {
        int convert = ST_GOOD_VALUE;
        io_say("Error: colour_index = " + IO_ITOC(value, convert));
    }
    set_attribute(value, lg_attributes.fill_colour, 0, 255, "LG_FILLCOLOUR", status,
                  LG_X11_FILLCOLOUR, as_rgb(LG_PS_FILLCOLOUR));
}

void LG_TEXTFONT(int value, int& status)
{
    if (status == ST_GOOD_VALUE && (value < 1 || value > 2)) {
        int convert = ST_GOOD_VALUE;
        io_say("font_index = " + IO_ITOC(value, convert));
    }
    set_attribute(value, lg_attributes.text_font, 1, 2, "LG_TEXTFONT", status, LG_X11_TEXTFONT,
                  LG_PS_TEXTFONT);
}

void LG_TEXTCOLOUR(int value, int& status)
{
    set_attribute(value, lg_attributes.text_colour, 0, 255, "LG_TEXTCOLOUR", status,
                  LG_X11_TEXTCOLOUR, as_rgb(LG_PS_TEXTCOLOUR));
}

void LG_TEXTHEIGHT(float value, int& status)
{
    constexpr std::string_view position = "Subroutine LG_TEXTHEIGHT V0.3";
    if (status == ST_GOOD_VALUE && !(value > 0.0f)) {
        st_fail(status, ST_MOD_LG + 17, position);
        return;
    }
    set_real_attribute(value, lg_attributes.text_height, "LG_TEXTHEIGHT", status,
                       LG_X11_TEXTHEIGHT, LG_PS_TEXTHEIGHT);
}

// The angle in degrees; the devices take radians.
void LG_TEXTANGLE(float value, int& status)
{
    set_real_attribute(
        value, lg_attributes.text_angle, "LG_TEXTANGLE", status,
        [](float degrees, int& error) { LG_X11_TEXTANGLE(degrees * 3.1415925f / 180.0f, error); },
        [](float degrees, int& s) { LG_PS_TEXTANGLE(degrees * 3.1415925f / 180.0f, s); });
}

void LG_TEXTALIGNMENT(int horizontal, int vertical, int& status)
{
    constexpr std::string_view position = "Subroutine LG_TEXTALIGNMENT V0.3";
    if (!st_enter(status, position)) return;
    if (horizontal == lg_attributes.horizontal && vertical == lg_attributes.vertical) return;
    lg_attributes.horizontal = horizontal;
    lg_attributes.vertical = vertical;
    fan_out(
        status, ST_MOD_LG + 1, position,
        [&](int& error) { LG_X11_TEXTALIGNMENT(horizontal, vertical, error); },
        [&](int& s) { LG_PS_TEXTALIGNMENT(horizontal, vertical, s); });
}

void LG_MARKERTYPE(int value, int& status)
{
    set_attribute(value, lg_attributes.marker_type, 1, 5, "LG_MARKERTYPE", status,
                  LG_X11_MARKERTYPE, LG_PS_MARKERTYPE);
}

void LG_MARKERCOLOUR(int value, int& status)
{
    set_attribute(value, lg_attributes.marker_colour, 1, 255, "LG_MARKERCOLOUR", status,
                  LG_X11_MARKERCOLOUR, as_rgb(LG_PS_MARKERCOLOUR));
}

void LG_MARKERSCALE(float value, int& status)
{
    set_real_attribute(value, lg_attributes.marker_scale, "LG_MARKERSCALE", status,
                       LG_X11_MARKERSCALE, LG_PS_MARKERSCALE);
}

void LG_MARKERWIDTH(float value, int& status)
{
    set_real_attribute(value, lg_attributes.marker_width, "LG_MARKERWIDTH", status,
                       LG_X11_MARKERWIDTH, LG_PS_MARKERWIDTH);
}

void LG_COLOURS(int count, int first, int last, std::span<const LgRgb> table, int& status)
{
    constexpr std::string_view position = "Subroutine LG_COLOURS V0.4";
    if (!st_enter(status, position)) return;
    if (count < 1) {
        st_fail(status, ST_MOD_LG + 2, position);
        return;
    }
    if (first < 0 || last < first || last > 255 || static_cast<std::size_t>(last) >= table.size()) {
        st_fail(status, ST_MOD_LG + 17, position);
        return;
    }
    for (int i = first; i <= last; ++i) lg_colours.table[i] = table[i];
    send_colour_map(status, position);
}

void LG_INQ_COLOUR(int index, LgRgb& colour, int& status)
{
    if (!st_enter(status, "Subroutine LG_INQ_COLOUR V0.1")) return;
    colour = table_entry(index);
}

void LG_SET_COLOURINDICES(int value1, int value2, int& status)
{
    if (!st_enter(status, "Subroutine LG_SET_COLOURINDICES V0.1")) return;
    lg_colours.value1 = value1;
    lg_colours.value2 = value2;
}

void LG_INQ_IMAGERANGE(int& minimum, int& maximum, int& status)
{
    if (!st_enter(status, "Subroutine LG_INQ_IMAGERANGE V0.1")) return;
    minimum = lg_colours.min_image;
    maximum = lg_colours.max_image;
}

// The usable colour closest to an RGB triple, weighted as the eye sees.
void LG_BESTCOLOUR(float red, float green, float blue, int& index, int& status)
{
    if (!st_enter(status, "Subroutine LG_BESTCOLOUR V0.1")) return;
    float best = 1.7e38f;
    for (int i = lg_colours.min_index; i <= lg_colours.max_index; ++i) {
        const LgRgb& c = lg_colours.table[i];
        const float distance = 0.59f * std::fabs(c.g - green) + 0.3f * std::fabs(c.r - red) +
                               0.11f * std::fabs(c.b - blue);
        if (distance < best) {
            best = distance;
            index = i;
        }
    }
}

void LG_SET_LOGZSCALING(bool flag, int& status)
{
    if (!st_enter(status, "Subroutine LG_SET_LOGZSCALING V0.1")) return;
    lg_colours.log_scaling = flag;
}

void LG_INQ_LOGZSCALING(bool& flag, int& status)
{
    if (!st_enter(status, "Subroutine LG_INQ_LOGZSCALING V0.1")) return;
    flag = lg_colours.log_scaling;
}

void LG_INQ_TEXTFONT(int& font, int& status)
{
    if (!st_enter(status, "Subroutine LG_INQ_TEXTFONT V0.1")) return;
    font = lg_attributes.text_font;
}

void LG_INQ_TEXTWIDTH(int identifier, std::string_view text, float& width, int& status)
{
    if (!st_enter(status, "Subroutine LG_INQ_TEXTWIDTH V0.2")) return;
    if (!layer_open("LG_INQ_TEXTWIDTH")) return;
    const int slot = find_slot(identifier);
    if (slot == 0) {
        io_say("ERROR: Workstation ID is unknown (LG_INQ_TEXTWIDTH)");
        return;
    }
    if (lg_system.slot[slot].category == CATEGORY_WINDOW) LG_X11_TEXTWIDTH(width, st_trim(text));
}

void LG_CLEAR(int& status)
{
    constexpr std::string_view position = "Subroutine LG_CLEAR V0.2";
    if (!st_enter(status, position)) return;
    LG_CLEAR_TARGETS();
    fan_out(
        status, ST_MOD_LG + 9999, position, [](int& error) { LG_X11_CLEAR(error); },
        [](int& s) { LG_PS_CLEAR(s); });
}

void LG_PUSH_PICTURE(int& status)
{
    if (!st_enter(status, "Subroutine LG_PUSH_PICTURE V0.1")) return;
    kept_targets.push_back(targets);
    fan_out(status, ST_MOD_LG + 1, "Subroutine LG_PUSH_PICTURE V0.1",
            [](int& error) { LG_X11_PUSH_PICTURE(error); });
}

void LG_POP_PICTURE(int& status)
{
    if (!st_enter(status, "Subroutine LG_POP_PICTURE V0.1")) return;
    if (!kept_targets.empty()) {
        targets = std::move(kept_targets.back());
        kept_targets.pop_back();
    }
    fan_out(status, ST_MOD_LG + 1, "Subroutine LG_POP_PICTURE V0.1",
            [](int& error) { LG_X11_POP_PICTURE(error); });
}

void LG_UPDATE(int identifier, bool page_flag, int& status)
{
    if (!st_enter(status, "Subroutine LG_UPDATE V0.3")) return;
    (void)page_flag; // for the PostScript device's end of page
    const int slot = find_slot(identifier);
    if (slot == 0) {
        io_say("ERROR: Workstation ID is unknown (LG_UPDATE)");
        return;
    }
    if (lg_system.slot[slot].category == CATEGORY_WINDOW) LG_X11_UPDATE();
    else LG_PS_UPDATE(status);
}

void LG_SET_UPDATE(int identifier, int& status)
{
    if (!st_enter(status, "Subroutine LG_SET_UPDATE V0.1")) return;
    const int slot = find_slot(identifier);
    if (slot == 0) {
        io_say("ERROR: Workstation ID is unknown (LG_SET_UPDATE)");
        return;
    }
    if (lg_system.slot[slot].category == CATEGORY_POSTSCRIPT) {
        io_say("WARNING: SET UPDATE is not possible on a Postscript device");
        return;
    }
    int error = 0;
    LG_X11_SET_UPDATE(error);
}

void LG_INP_COORDINATE(int identifier, int mode, int& event_type, float& x, float& y,
                       int& status)
{
    if (!st_enter(status, "Subroutine LG_INP_COORDINATE V0.4")) return;
    const int slot = find_slot(identifier);
    if (slot == 0) {
        io_say("ERROR: Workstation ID is unknown (LG_INP_COORDINATE)");
        return;
    }
    if (lg_system.slot[slot].category == CATEGORY_POSTSCRIPT) {
        io_say("WARNING: Coordinate input is not possible from a Postscript device");
        return;
    }
    int error = 0;
    float px = 0.0f;
    float py = 0.0f;
    LG_X11_COORDINATE(mode, event_type, px, py, error);
    if (error == LG_X11_CANCELLED) {
        status = ST_ESCAPE_VALUE;
        return;
    }
    if (error != 0) {
        io_say("WARNING: Coordinate not successfully input from X-11 workstation");
        return;
    }
    if (event_type == LG_EVENT_PRESS) {
        x = LG_PC2WC(true, px, status);
        y = LG_PC2WC(false, py, status);
    }
}

void LG_INP_EVENT(int identifier, int mode, bool prompt_flag, std::string_view prompt,
                  bool keep_string, float bx1, float by1, float bx2, float by2, int& event_type,
                  int& event_workstation, std::string& text, float& x, float& y, int& status)
{
    if (!st_enter(status, "Subroutine LG_INP_EVENT V0.5")) return;
    const int slot = find_slot(identifier);
    if (slot == 0) {
        io_say("ERROR: Workstation ID is unknown (LG_INP_EVENT)");
        return;
    }
    if (lg_system.slot[slot].category == CATEGORY_POSTSCRIPT) {
        io_say("WARNING: String input is not possible from a Postscript device");
        return;
    }
    std::string buffer(st_trim(prompt.substr(0, 132)));
    if (buffer.empty()) buffer = " ";
    std::string entry = keep_string ? std::string(st_trim(text)) : std::string();
    int error = 0;
    LG_X11_EVENT(mode, prompt_flag, buffer, keep_string, bx1, by1, bx2, by2, event_type, error,
                 x, y, entry);
    if (error == LG_X11_CANCELLED) {
        status = ST_ESCAPE_VALUE;
        return;
    }
    if (error != 0) {
        io_say("WARNING: String not successfully input from X-11 workstation");
        return;
    }
    text = entry;
    event_workstation = identifier;
}

void LG_SET_RUBBERBAND(int identifier, int mode, float x, float y, int& status)
{
    if (!st_enter(status, "Subroutine LG_SET_RUBBERBAND V0.1")) return;
    const int slot = find_slot(identifier);
    if (slot == 0) {
        io_say("ERROR: Workstation ID is unknown (LG_SET_RUBBERBAND)");
        return;
    }
    if (lg_system.slot[slot].category == CATEGORY_POSTSCRIPT) {
        io_say("WARNING: Rubber-banding is not possible from a Postscript device");
        return;
    }
    LG_X11_RUBBERBAND(mode, x, y);
}

void LG_SPYGLASS(int identifier, const LgSpyglass& setup, int& status)
{
    constexpr std::string_view position = "Subroutine LG_SPYGLASS V0.1";
    if (!st_enter(status, position)) return;
    const int slot = find_slot(identifier);
    if (slot == 0 || lg_system.slot[slot].category != CATEGORY_WINDOW) return;
    int error = 0;
    LG_X11_SPYGLASS(setup, error);
    if (error != 0) st_fail(status, ST_MOD_LG + 9999, position);
}

void LG_REGISTER_TARGET(std::string_view label, float x1, float y1, float x2, float y2)
{
    targets.push_back({std::string(st_strip(label)), x1, y1, x2, y2});
}

bool LG_FIND_TARGET(std::string_view label, float& x, float& y)
{
    for (auto it = targets.rbegin(); it != targets.rend(); ++it) {
        if (it->label != label) continue;
        x = 0.5f * (it->x1 + it->x2);
        y = 0.5f * (it->y1 + it->y2);
        return true;
    }
    return false;
}

void LG_CLEAR_TARGETS() { targets.clear(); }
