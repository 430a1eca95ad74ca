// The device layer's kernel: the workstation table, the one drawing state
// (transform, clip, attributes, colour table) and the output routines that
// send each primitive to every active workstation's device.

#include "lg/lg.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "io/convert.h"
#include "io/status.h"
#include "io/system.h"
#include "lg/device.h"
#include "lg/window/x11.h"

namespace {

constexpr int MAX_WORKSTATIONS = 10;
constexpr float PAGE_SHORT = 0.7071068f;
constexpr float INITIAL_SHORT = 0.7071f;

enum class SlotState { free = 0, open = 1, active = 2 };

struct Workstation
{
    int identifier = 0;
    int connection = 0;
    int type = 0;
    SlotState state = SlotState::free;
    float max_x = 0.0f;
    float max_y = 0.0f;
    std::unique_ptr<LgDevice> device;
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

// The transform saved while the identity transform is on; switches nest.
struct UnityRecord
{
    LgRect window{};
    LgRect viewport{};
    bool saved = false;
    int depth = 0;
};

SystemRecord lg_system;
LgState lg_state;
UnityRecord lg_unity;

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
        if (lg_system.slot[i].state != SlotState::free && lg_system.slot[i].identifier == identifier)
            return i;
    return 0;
}

// Calls every active workstation's device; a device that fails turns the
// status into failure_status and the walk goes on.
template <typename Call>
void fan_out(int& status, int failure_status, std::string_view position, Call call)
{
    for (int i = 1; i <= lg_system.count; ++i) {
        Workstation& ws = lg_system.slot[i];
        if (ws.state != SlotState::active || !ws.device) continue;
        if (call(*ws.device) != 0) st_fail(status, failure_status, position);
    }
}

// Tells the active devices that record changes (PostScript) what changed.
void announce(LgChange what, int& status, std::string_view position)
{
    fan_out(status, ST_MOD_LG + 1, position,
            [&](LgDevice& device) { return device.changed(what, lg_state); });
}

// Sets the data window or the viewport after checking that it is a rectangle.
void set_rectangle(LgRect& target, std::string_view name, float x1, float y1, float x2, float y2,
                   int& status)
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
    LgColours& c = lg_state.colours;
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


// An attribute: checked, kept, and announced only when it changes. The
// devices read it from the state when they draw, so an inactive device
// needs no news of it.
template <typename T>
void set_attribute(T value, T& current, LgChange what, std::string_view name, int& status)
{
    const std::string position = "Subroutine " + std::string(name) + " V0.3";
    if (!st_enter(status, position)) return;
    if (value == current) return;
    current = value;
    announce(what, status, position);
}

// The range check of an integer attribute (130017 outside low..high).
bool in_range(int value, int low, int high, std::string_view name, int& status)
{
    if (status != ST_GOOD_VALUE || (value >= low && value <= high)) return true;
    st_fail(status, ST_MOD_LG + 17, "Subroutine " + std::string(name) + " V0.3");
    return false;
}

// Which workstation a routine addresses: its slot, or 0 after the routine's
// message for an unknown identifier.
int addressed_slot(int identifier, std::string_view routine)
{
    const int slot = find_slot(identifier);
    if (slot == 0) io_say("ERROR: Workstation ID is unknown (" + std::string(routine) + ")");
    return slot;
}

} // namespace

const LgRgb& LgColours::at(int index) const
{
    return table[static_cast<std::size_t>(std::clamp(index, 0, 255))];
}

// The range a real cell array is shown with: a flat range is widened, and a
// log range is moved above zero. The colour bar labels the same range.
void LG_ADJUST_RANGE(float& minimum, float& maximum)
{
    if (!lg_state.colours.log_scaling) {
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

void LG_OPEN(int option, int& status)
{
    constexpr std::string_view position = "Subroutine LG_OPEN V0.9";
    if (!st_enter(status, position)) return;
    if (option != 0) {
        st_fail(status, ST_MOD_LG + 17, position);
        return;
    }
    lg_system = SystemRecord{};
    lg_state = LgState{};
    lg_unity = UnityRecord{};
    std::string system_name;
    std::string processor;
    IO_SYSTEM_NAME(system_name, processor, status);
    if (system_name.rfind("WIN", 0) == 0) {
        lg_state.colours.min_index = 1;
        lg_state.colours.max_index = 255;
        lg_state.colours.min_image = 9;
        lg_state.colours.max_image = 255;
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
        if (lg_system.slot[i].state == SlotState::free) slot = i;
    if (slot == 0) {
        st_fail(status, ST_MOD_LG + 2002, position);
        return;
    }
    std::unique_ptr<LgDevice> device;
    if (type == LG_WINDOW_PORTRAIT || type == LG_WINDOW_LANDSCAPE) {
        if (lg_system.window_count > 0) {
            io_say("WARNING: Maximum number of X-11 workstations are already open (LG_OPEN_WK)");
            give_back();
            return;
        }
        const bool portrait = type == LG_WINDOW_PORTRAIT;
        device = lg_open_window_device(portrait ? 1 : 2, portrait ? 500 : 707,
                                       portrait ? 707 : 500);
        if (!device) {
            io_say("WARNING: X-11 workstation not opened successfully (LG_OPEN_WK)");
            give_back();
            st_fail(status, ST_MOD_LG + 2001, position);
            return;
        }
        LgColours& c = lg_state.colours;
        LG_X11_COLOURRANGE(c.min_index, c.max_index, c.min_image, c.max_image);
        define_colours();
        ++lg_system.window_count;
    } else if (type >= LG_PS_PORTRAIT && type <= LG_PS_GREY_LANDSCAPE) {
        if (lg_system.postscript_count > 0) {
            io_say("WARNING: Maximum number of PostScript workstations are already open (LG_OPEN_WK)");
            give_back();
            return;
        }
        const bool landscape = type == LG_PS_LANDSCAPE || type == LG_PS_GREY_LANDSCAPE;
        const bool colour = type == LG_PS_PORTRAIT || type == LG_PS_LANDSCAPE;
        device = lg_open_postscript_device(connection, landscape, colour, lg_state);
        if (!device) {
            give_back();
            st_fail(status, ST_MOD_LG + 1, position);
            return;
        }
        ++lg_system.postscript_count;
    } else {
        io_say("WARNING: Unknown graphics device type (LG_OPEN_WK)");
        give_back();
        return;
    }
    const bool portrait =
        type == LG_WINDOW_PORTRAIT || type == LG_PS_PORTRAIT || type == LG_PS_GREY_PORTRAIT;
    Workstation& ws = lg_system.slot[slot];
    ws.identifier = identifier;
    ws.connection = connection;
    ws.type = type;
    ws.state = SlotState::open;
    ws.max_x = portrait ? PAGE_SHORT : 1.0f;
    ws.max_y = portrait ? 1.0f : PAGE_SHORT;
    ws.device = std::move(device);
}

void LG_CLOSE_WK(int identifier, int& status)
{
    constexpr std::string_view position = "Subroutine LG_CLOSE_WK V0.4";
    if (!st_enter(status, position)) return;
    if (identifier < 1) {
        st_fail(status, ST_MOD_LG + 17, position);
        return;
    }
    const int slot = addressed_slot(identifier, "LG_CLOSE_WK");
    if (slot == 0) return;
    if (lg_system.slot[slot].device->category() == LgCategory::window) --lg_system.window_count;
    else --lg_system.postscript_count;
    lg_system.slot[slot].device.reset();
    for (int i = slot; i < lg_system.count; ++i)
        lg_system.slot[i] = std::move(lg_system.slot[i + 1]);
    lg_system.slot[lg_system.count] = Workstation{};
    --lg_system.count;
}

void LG_ACTIVATE_WK(int identifier, int& status)
{
    constexpr std::string_view position = "Subroutine LG_ACTIVATE_WK V0.2";
    if (!st_enter(status, position)) return;
    int slot = 0;
    for (int i = 1; i <= lg_system.count && slot == 0; ++i)
        if (lg_system.slot[i].identifier == identifier) slot = i;
    Workstation* ws = slot ? &lg_system.slot[slot] : nullptr;
    if (ws == nullptr) io_say("ERROR: Workstation ID is unknown (LG_ACTIVATE_WK)");
    else if (ws->state == SlotState::free) io_say("ERROR: Workstation is not open (LG_ACTIVATE_WK)");
    else if (ws->state == SlotState::active)
        io_say("WARNING: Workstation is already active (LG_ACTIVATE_WK)");
    else {
        ws->state = SlotState::active;
        // What it missed while inactive, it is given now.
        if (ws->device->activated(lg_state) != 0) st_fail(status, ST_MOD_LG + 1, position);
    }
}

void LG_DEACTIVATE_WK(int identifier, int& status)
{
    if (!st_enter(status, "Subroutine LG_DEACTIVATE_WK V0.2")) return;
    int slot = 0;
    for (int i = 1; i <= lg_system.count && slot == 0; ++i)
        if (lg_system.slot[i].identifier == identifier) slot = i;
    if (slot == 0) io_say("ERROR: Workstation ID is unknown (LG_DEACTIVATE_WK)");
    else if (lg_system.slot[slot].state == SlotState::free)
        io_say("ERROR: Workstation is not open (LG_DEACTIVATE_WK)");
    else if (lg_system.slot[slot].state == SlotState::open)
        io_say("WARNING: Workstation is not active (LG_DEACTIVATE_WK)");
    else lg_system.slot[slot].state = SlotState::open;
}

LgDevice* LG_DEVICE(int identifier)
{
    const int slot = find_slot(identifier);
    return slot ? lg_system.slot[slot].device.get() : nullptr;
}

LgWindowDevice* LG_WINDOW_DEVICE()
{
    for (int i = 1; i <= lg_system.count; ++i)
        if (lg_system.slot[i].device)
            if (LgWindowDevice* window = lg_system.slot[i].device->window()) return window;
    return nullptr;
}

const LgState& LG_STATE() { return lg_state; }

void LG_DATAWINDOW(float x1, float y1, float x2, float y2, int& status)
{
    set_rectangle(lg_state.window, "LG_DATAWINDOW", x1, y1, x2, y2, status);
}

void LG_VIEWPORT(float x1, float y1, float x2, float y2, int& status)
{
    set_rectangle(lg_state.viewport, "LG_VIEWPORT", x1, y1, x2, y2, status);
}

void LG_INQ_DATAWINDOW(float& x1, float& y1, float& x2, float& y2, int& status)
{
    if (!st_enter(status, "Subroutine LG_INQ_DATAWINDOW V0.2")) return;
    if (!layer_open("LG_INQ_DATAWINDOW")) return;
    x1 = lg_state.window[0];
    y1 = lg_state.window[1];
    x2 = lg_state.window[2];
    y2 = lg_state.window[3];
}

void LG_INQ_VIEWPORT(float& x1, float& y1, float& x2, float& y2, int& status)
{
    if (!st_enter(status, "Subroutine LG_INQ_VIEWPORT V0.2")) return;
    if (!layer_open("LG_INQ_VIEWPORT")) return;
    x1 = lg_state.viewport[0];
    y1 = lg_state.viewport[1];
    x2 = lg_state.viewport[2];
    y2 = lg_state.viewport[3];
}

// With true, world coordinates become page coordinates until switched back.
// Switches nest: a widget drawn inside another (a prompt inside a warning)
// switches on and off again without losing the caller's transform.
void LG_UNITYTRANSFORM(bool on, int& status)
{
    constexpr std::string_view position = "Subroutine LG_UNITYTRANSFORM V0.2";
    if (!st_enter(status, position)) return;
    UnityRecord& u = lg_unity;
    if (on) {
        if (u.depth++ > 0) return;
        u.window = lg_state.window;
        u.viewport = lg_state.viewport;
        u.saved = true;
        lg_state.window = {0.0f, 0.0f, 1.0f, 1.0f};
        lg_state.viewport = {0.0f, 0.0f, 1.0f, 1.0f};
    } else {
        if (!u.saved) {
            st_fail(status, ST_MOD_LG + 1007, position);
            return;
        }
        if (--u.depth > 0) return;
        lg_state.window = u.window;
        lg_state.viewport = u.viewport;
        u.saved = false;
    }
}

LgTransformGuard::LgTransformGuard()
    : window_(lg_state.window), viewport_(lg_state.viewport), unity_window_(lg_unity.window),
      unity_viewport_(lg_unity.viewport), unity_saved_(lg_unity.saved), unity_depth_(lg_unity.depth)
{
}

LgTransformGuard::~LgTransformGuard()
{
    lg_state.window = window_;
    lg_state.viewport = viewport_;
    lg_unity.window = unity_window_;
    lg_unity.viewport = unity_viewport_;
    lg_unity.saved = unity_saved_;
    lg_unity.depth = unity_depth_;
}

LgPageCoordinates::LgPageCoordinates()
{
    int status = ST_GOOD_VALUE;
    LG_UNITYTRANSFORM(true, status);
}

LgPageCoordinates::~LgPageCoordinates()
{
    int status = ST_GOOD_VALUE;
    LG_UNITYTRANSFORM(false, status);
}

LgWorldCoordinates::LgWorldCoordinates()
{
    UnityRecord& u = lg_unity;
    if (u.saved) {
        lg_state.window = u.window;
        lg_state.viewport = u.viewport;
    }
    u = UnityRecord{};
}

LgWorldCoordinates::~LgWorldCoordinates() = default;

float LG_WC2PC(bool x_axis, float value, int& status)
{
    if (!st_enter(status, "Function LG_WC2PC V0.1")) return value;
    if (!layer_open("LG_WC2PC")) return value;
    const LgRect& w = lg_state.window;
    const LgRect& v = lg_state.viewport;
    const int a = x_axis ? 0 : 1;
    return v[a] + (v[a + 2] - v[a]) * (value - w[a]) / (w[a + 2] - w[a]);
}

float LG_PC2WC(bool x_axis, float value, int& status)
{
    if (!st_enter(status, "Function LG_PC2WC V0.1")) return value;
    if (!layer_open("LG_PC2WC")) return value;
    const LgRect& w = lg_state.window;
    const LgRect& v = lg_state.viewport;
    const int a = x_axis ? 0 : 1;
    return w[a] + (w[a + 2] - w[a]) * (value - v[a]) / (v[a + 2] - v[a]);
}

void LG_INQ_SCALING(float& x_scale, float& y_scale, int& status)
{
    if (!st_enter(status, "Subroutine LG_INQ_SCALING V0.1")) return;
    const LgRect& w = lg_state.window;
    const LgRect& v = lg_state.viewport;
    int convert = ST_GOOD_VALUE;
    if (w[2] <= w[0]) {
        io_say("LG_INQ_SCALING: ERROR");
        io_say("lg_wc_xmax = " + IO_RTOC(w[2], convert));
        io_say("lg_wc_xmin = " + IO_RTOC(w[0], convert));
        return;
    }
    if (w[3] <= w[1]) {
        io_say("LG_INQ_SCALING: ERROR");
        io_say("lg_wc_ymax = " + IO_RTOC(w[3], convert));
        io_say("lg_wc_ymin = " + IO_RTOC(w[1], convert));
        return;
    }
    x_scale = (v[2] - v[0]) / (w[2] - w[0]);
    y_scale = (v[3] - v[1]) / (w[3] - w[1]);
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
    lg_state.clip = {x1, y1, x2, y2};
}

void LG_CLIP(bool on, int& status)
{
    constexpr std::string_view position = "Subroutine LG_CLIP V0.1";
    if (!st_enter(status, position)) return;
    lg_state.clipping = on;
    announce(LgChange::clip, status, position);
}

void LG_POLYLINE(int n, const float* x, const float* y, int& status)
{
    constexpr std::string_view position = "Subroutine LG_POLYLINE V0.3";
    if (!st_enter(status, position)) return;
    if (n < 2) {
        st_fail(status, ST_MOD_LG + 17, position);
        return;
    }
    fan_out(status, ST_MOD_LG + 1, position,
            [&](LgDevice& d) { return d.polyline(n, x, y, lg_state); });
}

void LG_FILLAREA(int n, const float* x, const float* y, int& status)
{
    constexpr std::string_view position = "Subroutine LG_FILLAREA V0.3";
    if (!st_enter(status, position)) return;
    if (n < 2) {
        st_fail(status, ST_MOD_LG + 17, position);
        return;
    }
    fan_out(status, ST_MOD_LG + 1, position,
            [&](LgDevice& d) { return d.fill_area(n, x, y, lg_state); });
}

void LG_POLYMARKER(int n, const float* x, const float* y, int& status)
{
    constexpr std::string_view position = "Subroutine LG_POLYMARKER V0.3";
    if (!st_enter(status, position)) return;
    if (n < 1) {
        st_fail(status, ST_MOD_LG + 17, position);
        return;
    }
    fan_out(status, ST_MOD_LG + 1, position,
            [&](LgDevice& d) { return d.polymarker(n, x, y, lg_state); });
}

void LG_TEXT(float x, float y, std::string_view text, int& status)
{
    constexpr std::string_view position = "Subroutine LG_TEXT V0.3";
    if (!st_enter(status, position)) return;
    const std::string_view trimmed = st_trim(text);
    fan_out(status, ST_MOD_LG + 1, position,
            [&](LgDevice& d) { return d.text(x, y, trimmed, lg_state); });
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
    const LgCells cells{xdim, ydim, xstart, ystart, xend - xstart + 1, yend - ystart + 1,
                        x1, y1, x2, y2};
    fan_out(status, ST_MOD_LG + 9999, position,
            [&](LgDevice& d) { return d.cell_array(cells, array, lg_state); });
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
    LG_ADJUST_RANGE(minimum, maximum);
    const LgCells cells{xdim, ydim, xstart, ystart, xend - xstart + 1, yend - ystart + 1,
                        x1, y1, x2, y2};
    const bool* used_mask = mask_flag ? mask : nullptr;
    fan_out(status, ST_MOD_LG + 9999, position, [&](LgDevice& d) {
        const int error = d.real_cell_array(cells, array, used_mask, minimum, maximum,
                                            mask_colour, lg_state);
        if (error == 1)
            io_say("ERROR: Function LG_X11_RMCA failed because of bad data scaling range");
        if (error == 2)
            io_say("ERROR: Function LG_X11_RMCA failed to allocate memory for image display");
        return error;
    });
}

void LG_LINECOLOUR(int value, int& status)
{
    if (!in_range(value, -1, 255, "LG_LINECOLOUR", status)) return;
    set_attribute(value, lg_state.attributes.line_colour, LgChange::line_colour, "LG_LINECOLOUR",
                  status);
}

void LG_LINESTYLE(int value, int& status)
{
    if (!in_range(value, 0, 4, "LG_LINESTYLE", status)) return;
    set_attribute(value, lg_state.attributes.line_style, LgChange::line_style, "LG_LINESTYLE",
                  status);
}

void LG_LINEWIDTH(float value, int& status)
{
    set_attribute(value, lg_state.attributes.line_width, LgChange::line_width, "LG_LINEWIDTH",
                  status);
}

void LG_FILLCOLOUR(int value, int& status)
{
    if (status == ST_GOOD_VALUE && (value < 0 || value > 255)) {
        int convert = ST_GOOD_VALUE;
        io_say("Error: colour_index = " + IO_ITOC(value, convert));
    }
    if (!in_range(value, 0, 255, "LG_FILLCOLOUR", status)) return;
    set_attribute(value, lg_state.attributes.fill_colour, LgChange::fill_colour, "LG_FILLCOLOUR",
                  status);
}

void LG_TEXTFONT(int value, int& status)
{
    if (status == ST_GOOD_VALUE && (value < 1 || value > 2)) {
        int convert = ST_GOOD_VALUE;
        io_say("font_index = " + IO_ITOC(value, convert));
    }
    if (!in_range(value, 1, 2, "LG_TEXTFONT", status)) return;
    set_attribute(value, lg_state.attributes.text_font, LgChange::text_font, "LG_TEXTFONT",
                  status);
}

void LG_TEXTCOLOUR(int value, int& status)
{
    if (!in_range(value, 0, 255, "LG_TEXTCOLOUR", status)) return;
    set_attribute(value, lg_state.attributes.text_colour, LgChange::text_colour, "LG_TEXTCOLOUR",
                  status);
}

void LG_TEXTHEIGHT(float value, int& status)
{
    if (status == ST_GOOD_VALUE && !(value > 0.0f)) {
        st_fail(status, ST_MOD_LG + 17, "Subroutine LG_TEXTHEIGHT V0.3");
        return;
    }
    set_attribute(value, lg_state.attributes.text_height, LgChange::text_height, "LG_TEXTHEIGHT",
                  status);
}

// The angle in degrees.
void LG_TEXTANGLE(float value, int& status)
{
    set_attribute(value, lg_state.attributes.text_angle, LgChange::text_angle, "LG_TEXTANGLE",
                  status);
}

void LG_TEXTALIGNMENT(int horizontal, int vertical, int& status)
{
    constexpr std::string_view position = "Subroutine LG_TEXTALIGNMENT V0.3";
    if (!st_enter(status, position)) return;
    LgAttributes& a = lg_state.attributes;
    if (horizontal == a.horizontal && vertical == a.vertical) return;
    a.horizontal = horizontal;
    a.vertical = vertical;
    announce(LgChange::text_alignment, status, position);
}

void LG_MARKERTYPE(int value, int& status)
{
    if (!in_range(value, 1, 5, "LG_MARKERTYPE", status)) return;
    set_attribute(value, lg_state.attributes.marker_type, LgChange::marker_type, "LG_MARKERTYPE",
                  status);
}

void LG_MARKERCOLOUR(int value, int& status)
{
    if (!in_range(value, 1, 255, "LG_MARKERCOLOUR", status)) return;
    set_attribute(value, lg_state.attributes.marker_colour, LgChange::marker_colour,
                  "LG_MARKERCOLOUR", status);
}

void LG_MARKERSCALE(float value, int& status)
{
    set_attribute(value, lg_state.attributes.marker_scale, LgChange::marker_scale,
                  "LG_MARKERSCALE", status);
}

void LG_MARKERWIDTH(float value, int& status)
{
    set_attribute(value, lg_state.attributes.marker_width, LgChange::marker_width,
                  "LG_MARKERWIDTH", status);
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
    for (int i = first; i <= last; ++i) lg_state.colours.table[i] = table[i];
}

void LG_INQ_COLOUR(int index, LgRgb& colour, int& status)
{
    if (!st_enter(status, "Subroutine LG_INQ_COLOUR V0.1")) return;
    colour = lg_state.colours.at(index);
}

void LG_SET_COLOURINDICES(int value1, int value2, int& status)
{
    if (!st_enter(status, "Subroutine LG_SET_COLOURINDICES V0.1")) return;
    lg_state.colours.value1 = value1;
    lg_state.colours.value2 = value2;
}

void LG_INQ_IMAGERANGE(int& minimum, int& maximum, int& status)
{
    if (!st_enter(status, "Subroutine LG_INQ_IMAGERANGE V0.1")) return;
    minimum = lg_state.colours.min_image;
    maximum = lg_state.colours.max_image;
}

// The usable colour closest to an RGB triple, weighted as the eye sees.
void LG_BESTCOLOUR(float red, float green, float blue, int& index, int& status)
{
    if (!st_enter(status, "Subroutine LG_BESTCOLOUR V0.1")) return;
    const LgColours& colours = lg_state.colours;
    float best = 1.7e38f;
    for (int i = colours.min_index; i <= colours.max_index; ++i) {
        const LgRgb& c = colours.table[i];
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
    lg_state.colours.log_scaling = flag;
}

void LG_INQ_LOGZSCALING(bool& flag, int& status)
{
    if (!st_enter(status, "Subroutine LG_INQ_LOGZSCALING V0.1")) return;
    flag = lg_state.colours.log_scaling;
}

void LG_INQ_TEXTFONT(int& font, int& status)
{
    if (!st_enter(status, "Subroutine LG_INQ_TEXTFONT V0.1")) return;
    font = lg_state.attributes.text_font;
}

void LG_INQ_TEXTWIDTH(int identifier, std::string_view text, float& width, int& status)
{
    if (!st_enter(status, "Subroutine LG_INQ_TEXTWIDTH V0.2")) return;
    if (!layer_open("LG_INQ_TEXTWIDTH")) return;
    const int slot = addressed_slot(identifier, "LG_INQ_TEXTWIDTH");
    if (slot == 0) return;
    if (LgWindowDevice* window = lg_system.slot[slot].device->window())
        width = window->text_width(st_trim(text), lg_state);
}

void LG_CLEAR(int& status)
{
    constexpr std::string_view position = "Subroutine LG_CLEAR V0.2";
    if (!st_enter(status, position)) return;
    LG_CLEAR_TARGETS();
    fan_out(status, ST_MOD_LG + 9999, position, [](LgDevice& d) { return d.clear(lg_state); });
}

void LG_UPDATE(int identifier, bool page_flag, int& status)
{
    constexpr std::string_view position = "Subroutine LG_UPDATE V0.3";
    if (!st_enter(status, position)) return;
    const int slot = addressed_slot(identifier, "LG_UPDATE");
    if (slot == 0) return;
    if (lg_system.slot[slot].device->update(page_flag, lg_state) != 0)
        st_fail(status, ST_MOD_LG + 1, position);
}

void LG_SET_UPDATE(int identifier, int& status)
{
    if (!st_enter(status, "Subroutine LG_SET_UPDATE V0.1")) return;
    const int slot = addressed_slot(identifier, "LG_SET_UPDATE");
    if (slot == 0) return;
    // The window shows what is drawn whenever it waits: nothing to record.
    if (!lg_system.slot[slot].device->window())
        io_say("WARNING: SET UPDATE is not possible on a Postscript device");
}
