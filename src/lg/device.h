#pragma once
// What a device does for the layer. The layer keeps the one copy of the
// drawing state (transform, clip, attributes, colour table) and hands it to
// the device with every call, so no device keeps a copy that could drift from
// it: a device that was inactive while a colour changed draws in the right
// colour the moment it draws again. A device that records the state in its
// output instead (PostScript writes a line per change) is told of each change
// while it is active and given the whole state when it becomes active.
//
// Every call returns the device's failure code: 0 done, otherwise a code the
// layer turns into a status; the device writes its own console lines.

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "lg/lg_types.h"

// The output attributes in force.
struct LgAttributes
{
    int line_colour = 1;
    int line_style = 1;
    float line_width = 1.0f;
    int fill_colour = 2;
    int marker_type = 2;
    int marker_colour = 2;
    float marker_scale = 1.0f;
    float marker_width = 1.0f;
    int text_font = 1;
    float text_height = 1.0f / 60.0f;
    int text_colour = 2;
    int horizontal = 0;
    int vertical = 0;
    float text_angle = 0.0f; // degrees
};

// The colour table and the ranges of its usable and image colours.
struct LgColours
{
    std::array<LgRgb, 256> table{};
    int min_index = 41, max_index = 250;
    int min_image = 49, max_image = 250;
    bool log_scaling = false;
    int value1 = 108, value2 = 256;

    const LgRgb& at(int index) const;
};

using LgRect = std::array<float, 4>; // x min, y min, x max, y max

// Everything a drawing depends on.
struct LgState
{
    LgRect window{0.0f, 0.0f, 0.7071f, 1.0f};   // world coordinates
    LgRect viewport{0.0f, 0.0f, 0.7071f, 1.0f}; // page coordinates
    LgRect clip{0.0f, 0.0f, 0.7071f, 1.0f};     // page coordinates
    bool clipping = false;
    LgAttributes attributes;
    LgColours colours;
};

// The part of the state that changed, for devices that record changes.
enum class LgChange {
    line_colour, line_style, line_width, fill_colour, marker_type, marker_colour,
    marker_scale, marker_width, text_font, text_height, text_colour, text_alignment,
    text_angle, clip
};

// The elements of an array drawn as cells, and the world rectangle they fill.
struct LgCells
{
    int xdim = 0;
    int ydim = 0;
    int xstart = 1, ystart = 1;
    int xcount = 0, ycount = 0;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

// Workstation categories, as the layer's table records them.
enum class LgCategory { window = 10, postscript = 20 };

class LgWindowDevice;

class LgDevice
{
public:
    virtual ~LgDevice() = default;
    virtual LgCategory category() const = 0;

    virtual int polyline(int n, const float* x, const float* y, const LgState& state) = 0;
    virtual int fill_area(int n, const float* x, const float* y, const LgState& state) = 0;
    virtual int polymarker(int n, const float* x, const float* y, const LgState& state) = 0;
    virtual int text(float x, float y, std::string_view text, const LgState& state) = 0;
    virtual int cell_array(const LgCells& cells, const int* array, const LgState& state) = 0;
    // Values scaled over minimum .. maximum into the image colours; masked
    // elements (mask given) in the mask colour.
    virtual int real_cell_array(const LgCells& cells, const float* array, const bool* mask,
                                float minimum, float maximum, int mask_colour,
                                const LgState& state) = 0;
    virtual int clear(const LgState& state) = 0;
    // Shows what was drawn; page_flag ends a page where the device has pages.
    virtual int update(bool page_flag, const LgState& state) = 0;

    virtual int changed(LgChange what, const LgState& state)
    {
        (void)what;
        (void)state;
        return 0;
    }
    virtual int activated(const LgState& state)
    {
        (void)state;
        return 0;
    }

    // Input, kept pictures and text measuring belong to a window.
    virtual LgWindowDevice* window() { return nullptr; }
};

// A device the user sees and answers on.
class LgWindowDevice : public LgDevice
{
public:
    LgWindowDevice* window() override { return this; }

    // Waits for a press (point in page coordinates) or an exposure.
    virtual int coordinate(int mode, int& event_type, float& x, float& y,
                           const LgState& state) = 0;
    // The same with a one-line text entry in a prompt box (page coordinates).
    virtual int event(int mode, bool prompt_flag, std::string_view prompt, float bx1, float by1,
                      float bx2, float by2, int& event_type, float& x, float& y,
                      std::string& entry, const LgState& state) = 0;
    virtual void rubber_band(int mode, float x, float y) = 0;
    virtual int spyglass(const LgSpyglass& setup) = 0;
    // The width of a text in page coordinates, in the current font and height.
    virtual float text_width(std::string_view text, const LgState& state) = 0;
    // Keeps the picture, and puts the kept one back (nothing when the size changed).
    virtual int push_picture() = 0;
    virtual int pop_picture() = 0;
    virtual void size(int& width, int& height) const = 0;
    virtual void set_title(std::string_view text) = 0;
    // The backing picture: 0x00RRGGBB of a pixel, and the picture as a PNG file.
    virtual unsigned pixel(int x, int y) = 0;
    virtual bool snapshot(const std::string& png_file) = 0;
};

// The devices. Each returns nullptr (with its console lines) when it cannot open.
// The window: portrait (format 1) or landscape (2), of width x height pixels.
std::unique_ptr<LgWindowDevice> lg_open_window_device(int format, int width, int height);
// PostScript on an open text unit.
std::unique_ptr<LgDevice> lg_open_postscript_device(int unit, bool landscape, bool colour,
                                                    const LgState& state);
