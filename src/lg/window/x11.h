#pragma once
// The window device: one window on the X display, drawn with Cairo into a
// backing image of the window's size; or, headless, the backing image alone.
// Input comes from the X server or from an event script. Every entry point
// returns an error code through its last argument (0: success).

#include <string>
#include <string_view>

#include "lg/lg_types.h"

// Error codes of the device beyond 1, 2 and -1: the user (or the end of an
// event script, or the window's close button) ended the question.
constexpr int LG_X11_CANCELLED = 3;

void LG_X11_OPEN(int format, int width, int height, int& error);
void LG_X11_CLOSE();
void LG_X11_TRANSFORM(float wx1, float wy1, float wx2, float wy2, float vx1, float vy1, float vx2,
                      float vy2, int& error);
void LG_X11_COLOURRANGE(int& min_index, int& max_index, int& min_image, int& max_image);
void LG_X11_COLOURMAP(int first, int last, const LgRgb* table, int min_image, int max_image,
                      int& error);
void LG_X11_ZSCALING(bool log_scaling);
void LG_X11_PL(int n, const float* x, const float* y, int& error);
void LG_X11_FA(int n, const float* x, const float* y, int& error);
void LG_X11_PM(int n, const float* x, const float* y, int& error);
void LG_X11_TEXT(float x, float y, std::string_view text, int& error);
void LG_X11_CA(float x1, float y1, float x2, float y2, int xdim, int ydim, int xstart, int ystart,
               int xcount, int ycount, const int* array, int& error);
void LG_X11_RMCA(bool mask_flag, float x1, float y1, float x2, float y2, int xdim, int ydim,
                 int xstart, int ystart, int xcount, int ycount, const float* array,
                 const bool* mask, float minimum, float maximum, int mask_colour, int& error);
void LG_X11_LINECOLOUR(int value, int& error);
void LG_X11_LINESTYLE(int value, int& error);
void LG_X11_LINEWIDTH(float value, int& error);
void LG_X11_FILLCOLOUR(int value, int& error);
void LG_X11_MARKERCOLOUR(int value, int& error);
void LG_X11_MARKERTYPE(int value, int& error);
void LG_X11_MARKERSCALE(float value, int& error);
void LG_X11_MARKERWIDTH(float value, int& error);
void LG_X11_TEXTCOLOUR(int value, int& error);
void LG_X11_TEXTFONT(int value, int& error);
void LG_X11_TEXTHEIGHT(float value, int& error);
void LG_X11_TEXTANGLE(float value, int& error);
void LG_X11_TEXTALIGNMENT(int horizontal, int vertical, int& error);
void LG_X11_TEXTWIDTH(float& width, std::string_view text);
void LG_X11_CLIP(bool on, float x1, float y1, float x2, float y2, int& error);
void LG_X11_CLEAR(int& error);
void LG_X11_PUSH_PICTURE(int& error);
// Puts back the picture last kept (nothing when the window changed size).
void LG_X11_POP_PICTURE(int& error);
void LG_X11_UPDATE();
void LG_X11_SET_UPDATE(int& error);
void LG_X11_COORDINATE(int mode, int& event_type, float& x, float& y, int& error);
void LG_X11_EVENT(int mode, bool prompt_flag, std::string_view prompt, bool keep_string,
                  float bx1, float by1, float bx2, float by2, int& event_type, int& error,
                  float& x, float& y, std::string& text);
void LG_X11_RUBBERBAND(int mode, float x, float y);
void LG_X11_SPYGLASS(const LgSpyglass& setup, int& error);
void LG_X11_INQ_SIZE(int& width, int& height, int& error);
void LG_X11_INQ_COLOURMAPPING(int& kind, int& value, int& error);
void LG_X11_TITLE(int& error, std::string_view text);

// How the device meets the user: options of the command line.
struct LgWindowOptions
{
    std::string events_file;    // input events from this script instead of the window
    bool headless = false;      // never show a window
    std::string snapshots_dir;  // a numbered PNG of the page whenever input is awaited
    std::string record_file;    // every input event appended here in the script language
    std::string title = "zyt_zevuza";
};
void LG_X11_SET_OPTIONS(const LgWindowOptions& options);

// The backing picture, for snapshots and tests: 0x00RRGGBB of a pixel, and
// the picture written as a PNG file (false when it cannot be written).
unsigned LG_X11_PIXEL(int x, int y);
bool LG_X11_SNAPSHOT(const std::string& png_file);
