#pragma once
// The device layer: workstations, the world-to-page transform shared by all
// of them, output attributes, primitives and input. Every output call goes to
// each active workstation; input is read from one named workstation.

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "lg/lg_types.h"

// Workstation types.
constexpr int LG_WINDOW_PORTRAIT = 11;
constexpr int LG_WINDOW_LANDSCAPE = 12;
constexpr int LG_PS_PORTRAIT = 21;
constexpr int LG_PS_LANDSCAPE = 22;
constexpr int LG_PS_GREY_PORTRAIT = 23;
constexpr int LG_PS_GREY_LANDSCAPE = 24;

// Input event types.
constexpr int LG_EVENT_NONE = -1;
constexpr int LG_EVENT_PRESS = 0;
constexpr int LG_EVENT_EXPOSE = 1;
constexpr int LG_EVENT_RETURN = 2;
constexpr int LG_EVENT_TAB = 3;
constexpr int LG_POLL = 10;

void LG_OPEN(int option, int& status);
void LG_CLOSE(int& status);
void LG_OPEN_WK(int identifier, int connection, int type, int& status);
void LG_CLOSE_WK(int identifier, int& status);
void LG_ACTIVATE_WK(int identifier, int& status);
void LG_DEACTIVATE_WK(int identifier, int& status);

class LgDevice;
class LgWindowDevice;
struct LgState;
// The device of an open workstation (nullptr for an unknown identifier), the
// open window's device (nullptr when none), and the drawing state in force.
LgDevice* LG_DEVICE(int identifier);
LgWindowDevice* LG_WINDOW_DEVICE();
const LgState& LG_STATE();

void LG_DATAWINDOW(float x1, float y1, float x2, float y2, int& status);
void LG_VIEWPORT(float x1, float y1, float x2, float y2, int& status);
void LG_INQ_DATAWINDOW(float& x1, float& y1, float& x2, float& y2, int& status);
void LG_INQ_VIEWPORT(float& x1, float& y1, float& x2, float& y2, int& status);
void LG_UNITYTRANSFORM(bool on, int& status);

// The transform in force when it is made (including identity switches) is
// back in force when it goes: a widget says once that it borrows the
// transform, and every way out of it gives the transform back.
class LgTransformGuard
{
public:
    LgTransformGuard();
    ~LgTransformGuard();
    LgTransformGuard(const LgTransformGuard&) = delete;
    LgTransformGuard& operator=(const LgTransformGuard&) = delete;

private:
    std::array<float, 4> window_, viewport_, unity_window_, unity_viewport_;
    bool unity_saved_;
    int unity_depth_;
};

// Drawing in page coordinates while it lives (the identity transform).
class LgPageCoordinates
{
public:
    LgPageCoordinates();
    ~LgPageCoordinates();
    LgPageCoordinates(const LgPageCoordinates&) = delete;
    LgPageCoordinates& operator=(const LgPageCoordinates&) = delete;
};
// The caller's own transform while it lives, even inside page coordinates
// (a page drawn again under a widget draws as it did the first time); the
// transform in force when it was made is back when it goes.
class LgWorldCoordinates
{
public:
    LgWorldCoordinates();
    ~LgWorldCoordinates();
    LgWorldCoordinates(const LgWorldCoordinates&) = delete;
    LgWorldCoordinates& operator=(const LgWorldCoordinates&) = delete;

private:
    LgTransformGuard kept_;
};
float LG_WC2PC(bool x_axis, float value, int& status);
float LG_PC2WC(bool x_axis, float value, int& status);
void LG_INQ_SCALING(float& x_scale, float& y_scale, int& status);
void LG_INQ_MAXPC(int identifier, float& max_x, float& max_y, int& status);
void LG_CLIPWINDOW(float x1, float y1, float x2, float y2, int& status);
void LG_CLIP(bool on, int& status);

void LG_POLYLINE(int n, const float* x, const float* y, int& status);
void LG_FILLAREA(int n, const float* x, const float* y, int& status);
void LG_POLYMARKER(int n, const float* x, const float* y, int& status);
void LG_TEXT(float x, float y, std::string_view text, int& status);
void LG_CELLARRAY(int xdim, int ydim, int xstart, int ystart, int xend, int yend,
                  const int* array, float x1, float y1, float x2, float y2, int& status);
void LG_REALCELLARRAY(int xdim, int ydim, int xstart, int ystart, int xend, int yend,
                      const float* array, float x1, float y1, float x2, float y2, float minimum,
                      float maximum, int& status);
void LG_RMASKCELLARRAY(int xdim, int ydim, int xstart, int ystart, int xend, int yend,
                       const float* array, float x1, float y1, float x2, float y2, float minimum,
                       float maximum, const bool* mask, bool mask_flag, int mask_colour,
                       int& status);

// The range a real cell array of the given range is shown with (flat ranges
// widened, log ranges moved above zero), under the log flag in force.
void LG_ADJUST_RANGE(float& minimum, float& maximum);

void LG_LINECOLOUR(int value, int& status);
void LG_LINESTYLE(int value, int& status);
void LG_LINEWIDTH(float value, int& status);
void LG_FILLCOLOUR(int value, int& status);
void LG_TEXTFONT(int value, int& status);
void LG_TEXTCOLOUR(int value, int& status);
void LG_TEXTHEIGHT(float value, int& status);
void LG_TEXTANGLE(float value, int& status);
void LG_TEXTALIGNMENT(int horizontal, int vertical, int& status);
void LG_MARKERTYPE(int value, int& status);
void LG_MARKERCOLOUR(int value, int& status);
void LG_MARKERSCALE(float value, int& status);
void LG_MARKERWIDTH(float value, int& status);

// Loads table entries first..last (the table is indexed by colour index).
void LG_COLOURS(int count, int first, int last, std::span<const LgRgb> table, int& status);
void LG_INQ_COLOUR(int index, LgRgb& colour, int& status);
void LG_SET_COLOURINDICES(int value1, int value2, int& status);
void LG_INQ_IMAGERANGE(int& minimum, int& maximum, int& status);
void LG_BESTCOLOUR(float red, float green, float blue, int& index, int& status);
void LG_SET_LOGZSCALING(bool flag, int& status);
void LG_INQ_LOGZSCALING(bool& flag, int& status);
void LG_INQ_TEXTFONT(int& font, int& status);
void LG_INQ_TEXTWIDTH(int identifier, std::string_view text, float& width, int& status);

void LG_CLEAR(int& status);
// Keeps the picture on the window, and puts the kept picture back (a widget
// drawn over the page leaves it as it was).
void LG_PUSH_PICTURE(int& status);
void LG_POP_PICTURE(int& status);
// The picture kept while it lives, and put back (with its targets) when it goes.
class LgPictureGuard
{
public:
    LgPictureGuard();
    ~LgPictureGuard();
    LgPictureGuard(const LgPictureGuard&) = delete;
    LgPictureGuard& operator=(const LgPictureGuard&) = delete;
};
void LG_UPDATE(int identifier, bool page_flag, int& status);
void LG_SET_UPDATE(int identifier, int& status);

void LG_INP_COORDINATE(int identifier, int mode, int& event_type, float& x, float& y,
                       int& status);
void LG_INP_EVENT(int identifier, int mode, bool prompt_flag, std::string_view prompt,
                  bool keep_string, float bx1, float by1, float bx2, float by2, int& event_type,
                  int& event_workstation, std::string& text, float& x, float& y, int& status);
void LG_SET_RUBBERBAND(int identifier, int mode, float x, float y, int& status);
void LG_SPYGLASS(int identifier, const LgSpyglass& setup, int& status);

// Targets that an event script can click by label: the widget that shows a
// labelled button or list entry registers its page rectangle while shown.
void LG_REGISTER_TARGET(std::string_view label, float x1, float y1, float x2, float y2);
// The centre of the most recently registered target of that label.
bool LG_FIND_TARGET(std::string_view label, float& x, float& y);
void LG_CLEAR_TARGETS();
