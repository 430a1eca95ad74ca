// The device layer's input: clicks and typed lines read from one named
// workstation, the pointer feedback set up for them, the pictures kept under
// widgets, and the labelled targets an event script can click.

#include <vector>

#include "io/status.h"
#include "lg/device.h"
#include "lg/lg.h"
#include "lg/window/x11.h"

namespace {

struct Target
{
    std::string label;
    float x1, y1, x2, y2;
};
std::vector<Target> targets;
// The targets of pictures kept by LG_PUSH_PICTURE, given back with them.
std::vector<std::vector<Target>> kept_targets;

// The window a routine reads from: nullptr after the routine's message for an
// unknown workstation, or (said with postscript_warning) a PostScript one.
LgWindowDevice* input_window(int identifier, std::string_view routine,
                             std::string_view postscript_warning)
{
    LgDevice* device = LG_DEVICE(identifier);
    if (device == nullptr) {
        io_say("ERROR: Workstation ID is unknown (" + std::string(routine) + ")");
        return nullptr;
    }
    LgWindowDevice* window = device->window();
    if (window == nullptr && !postscript_warning.empty()) io_say(postscript_warning);
    return window;
}

// Every active window, for the kept pictures.
template <typename Call>
void each_window(int& status, std::string_view position, Call call)
{
    LgWindowDevice* window = LG_WINDOW_DEVICE();
    if (window != nullptr && call(*window) != 0) st_fail(status, ST_MOD_LG + 1, position);
}

} // namespace

void LG_PUSH_PICTURE(int& status)
{
    constexpr std::string_view position = "Subroutine LG_PUSH_PICTURE V0.1";
    if (!st_enter(status, position)) return;
    kept_targets.push_back(targets);
    each_window(status, position, [](LgWindowDevice& w) { return w.push_picture(); });
}

void LG_POP_PICTURE(int& status)
{
    constexpr std::string_view position = "Subroutine LG_POP_PICTURE V0.1";
    if (!st_enter(status, position)) return;
    if (!kept_targets.empty()) {
        targets = std::move(kept_targets.back());
        kept_targets.pop_back();
    }
    each_window(status, position, [](LgWindowDevice& w) { return w.pop_picture(); });
}

LgPictureGuard::LgPictureGuard()
{
    int status = ST_GOOD_VALUE;
    LG_PUSH_PICTURE(status);
}

LgPictureGuard::~LgPictureGuard()
{
    int status = ST_GOOD_VALUE;
    LG_POP_PICTURE(status);
}

void LG_INP_COORDINATE(int identifier, int mode, int& event_type, float& x, float& y,
                       int& status)
{
    if (!st_enter(status, "Subroutine LG_INP_COORDINATE V0.4")) return;
    LgWindowDevice* window =
        input_window(identifier, "LG_INP_COORDINATE",
                     "WARNING: Coordinate input is not possible from a Postscript device");
    if (window == nullptr) return;
    float px = 0.0f;
    float py = 0.0f;
    const int error = window->coordinate(mode, event_type, px, py, LG_STATE());
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
    LgWindowDevice* window =
        input_window(identifier, "LG_INP_EVENT",
                     "WARNING: String input is not possible from a Postscript device");
    if (window == nullptr) return;
    std::string buffer(st_trim(prompt.substr(0, 132)));
    if (buffer.empty()) buffer = " ";
    std::string entry = keep_string ? std::string(st_trim(text)) : std::string();
    const int error = window->event(mode, prompt_flag, buffer, bx1, by1, bx2, by2, event_type, x,
                                    y, entry, LG_STATE());
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
    LgWindowDevice* window =
        input_window(identifier, "LG_SET_RUBBERBAND",
                     "WARNING: Rubber-banding is not possible from a Postscript device");
    if (window != nullptr) window->rubber_band(mode, x, y);
}

void LG_SPYGLASS(int identifier, const LgSpyglass& setup, int& status)
{
    constexpr std::string_view position = "Subroutine LG_SPYGLASS V0.1";
    if (!st_enter(status, position)) return;
    LgDevice* device = LG_DEVICE(identifier);
    LgWindowDevice* window = device ? device->window() : nullptr;
    if (window != nullptr && window->spyglass(setup) != 0)
        st_fail(status, ST_MOD_LG + 9999, position);
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

void LG_X11_INQ_SIZE(int& width, int& height, int& error)
{
    LgWindowDevice* window = LG_WINDOW_DEVICE();
    error = window ? 0 : 1;
    if (window) window->size(width, height);
}

unsigned LG_X11_PIXEL(int x, int y)
{
    LgWindowDevice* window = LG_WINDOW_DEVICE();
    return window ? window->pixel(x, y) : 0u;
}

bool LG_X11_SNAPSHOT(const std::string& png_file)
{
    LgWindowDevice* window = LG_WINDOW_DEVICE();
    return window != nullptr && window->snapshot(png_file);
}

void LG_X11_TITLE(int& error, std::string_view text)
{
    LgWindowDevice* window = LG_WINDOW_DEVICE();
    error = window ? 0 : 1;
    if (window) window->set_title(st_trim(text));
}
