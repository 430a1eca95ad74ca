#pragma once
// The window device: one window on the X display, drawn with Cairo into a
// backing image of the window's size; or, headless, the backing image alone.
// Input comes from the X server or from an event script. The layer opens it
// as a workstation (lg_open_window_device in lg/device.h); what is here is
// how the device meets the user, and what tests and snapshots read back.

#include <string>
#include <string_view>

// Error code of the device beyond 1, 2 and -1: the user (or the end of an
// event script, or the window's close button) ended the question.
constexpr int LG_X11_CANCELLED = 3;

// The colour indices the window offers: usable, and kept for images.
void LG_X11_COLOURRANGE(int& min_index, int& max_index, int& min_image, int& max_image);

// How the device meets the user: options of the command line.
struct LgWindowOptions
{
    std::string events_file;    // input events from this script instead of the window
    bool headless = false;      // never show a window
    std::string snapshots_dir;  // a numbered PNG of the page whenever input is awaited
    std::string record_file;    // every input event appended here in the script language
    std::string title = "zyt_zevuza";
};
// Taken by the next window opened.
void LG_X11_SET_OPTIONS(const LgWindowOptions& options);
// Makes ready what the options name (the snapshot directory, with its parents)
// and tells, before anything is asked, why one of them cannot serve: false
// with the reason in message.
bool LG_X11_CHECK_OPTIONS(const LgWindowOptions& options, std::string& message);

// The open window: its size in pixels (error 1 when none is open), its title,
// the colour of a pixel of its picture (0x00RRGGBB), and the picture written
// as a PNG file (false when it cannot be written).
void LG_X11_INQ_SIZE(int& width, int& height, int& error);
void LG_X11_TITLE(int& error, std::string_view text);
unsigned LG_X11_PIXEL(int x, int y);
bool LG_X11_SNAPSHOT(const std::string& png_file);
