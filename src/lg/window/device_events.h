#pragma once
// What the window device reads while it waits: events of the X server or of
// an event script, in the device's own terms (pixel positions).

#include <memory>
#include <string>
#include <string_view>

struct DeviceEvent
{
    enum class Kind { none, press, expose, resize, motion, key, character, close, snapshot };
    enum Key { left = 1, right, up, down, backspace, enter, tab, clear_line };
    Kind kind = Kind::none;
    int x = 0; // pixels
    int y = 0;
    int width = 0; // resize: the new client size
    int height = 0;
    int key = 0;  // Key, for Kind::key
    char ch = 0;  // for Kind::character
    std::string name; // snapshot file
    // A press placed by coordinates (event scripts) carries its exact page
    // position, so that a point given in an image's element coordinates
    // comes back as given, not rounded to a pixel.
    bool exact = false;
    float page_x = 0.0f;
    float page_y = 0.0f;
};

class EventSource
{
public:
    virtual ~EventSource() = default;
    // The next event; with block false, false at once when none is pending.
    // A script source returns false when it has no event left (ended() tells).
    virtual bool next(DeviceEvent& event, bool block) = 0;
    virtual bool ended() const { return false; }
};

// The conversions an event script needs from the device.
class ScriptTarget
{
public:
    virtual ~ScriptTarget() = default;
    virtual void page_to_pixel(float x, float y, int& px, int& py) const = 0;
    virtual void world_to_pixel(float x, float y, int& px, int& py) const = 0;
    virtual void world_to_page(float x, float y, float& page_x, float& page_y) const = 0;
};

// Events read from a script file, one event a line; nullptr (with the reason
// in message) when the file cannot be read.
std::unique_ptr<EventSource> open_event_script(const std::string& file, const ScriptTarget& target,
                                               std::string& message);

// The window on the X display.
class X11Window : public EventSource
{
public:
    // nullptr when the display cannot be opened.
    static std::unique_ptr<X11Window> open(int width, int height, std::string_view title);
    virtual void show(const unsigned char* pixels, int stride, int x, int y, int width,
                      int height) = 0;
    virtual void set_title(std::string_view title) = 0;
    virtual void resize(int width, int height) = 0;
    virtual void bell() = 0;
    virtual void flush() = 0;
};

// Quotes a text for the script language.
std::string script_quote(std::string_view text);
