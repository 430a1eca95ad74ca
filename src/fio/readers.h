#pragma once
// Inside the image-input library: the one form every format reader is called
// in, and the table of formats through which the driver and the command-line
// tool find a reader. A format whose reader is not built has none in the
// table; adding a reader fills its entry, the callers stay as they are.

#include <span>
#include <string>
#include <string_view>

#include "fio/fio.h"
#include "io/status.h"

// What a reader fills.
struct FioTarget
{
    ImageView data;
    ImageView variances;
    std::span<float> x_axis;
    std::span<float> y_axis;
    bool variances_exist = false;
    int xnumdat = 0;
    int ynumdat = 0;
    std::string title, xlabel, ylabel, zlabel;
    float x_pixel_size = 0.0f;
    float y_pixel_size = 0.0f;
    float overload_value = 0.0f;
};

inline FioTarget fio_target(const ImageView& data, const ImageView& variances,
                            std::span<float> x_axis, std::span<float> y_axis,
                            bool variances_exist)
{
    FioTarget t;
    t.data = data;
    t.variances = variances;
    t.x_axis = x_axis;
    t.y_axis = y_axis;
    t.variances_exist = variances_exist;
    return t;
}

// The image arrays' declared sizes checked (errors 1 and 2 of the library).
inline bool fio_dimensions_valid(const ImageView& data, std::string_view position, int& status)
{
    if (data.xmaxdat < 1 || data.ymaxdat < 1) {
        st_fail(status, ST_MOD_FIO + (data.xmaxdat < 1 ? FIO_ERR_XMAXDAT : FIO_ERR_YMAXDAT),
                position);
        return false;
    }
    return true;
}

// What a reader filled, handed back to its caller's arguments.
inline void fio_give_back(const FioTarget& t, int& xnumdat, int& ynumdat, std::string& title,
                          std::string& xlabel, std::string& ylabel, std::string& zlabel)
{
    xnumdat = t.xnumdat;
    ynumdat = t.ynumdat;
    title = t.title;
    xlabel = t.xlabel;
    ylabel = t.ylabel;
    zlabel = t.zlabel;
}

// Opens a file to read on the input slot; false, with the warning and
// retstat 1 (or a bad status), when it cannot be opened.
bool fio_open_input(std::string_view file_name, int& handle, int& retstat, int& status);

// An integer item of a form, with its range.
inline GsFormItem fio_integer_item(const char* label, const char* prompt, std::string help,
                                   int low, int high, int value)
{
    GsFormItem item;
    item.label = label;
    item.description = prompt;
    item.help = std::move(help);
    item.type = 1;
    item.range = true;
    item.int_min = low;
    item.int_max = high;
    item.int_value = value;
    return item;
}

// How a reader is called: with the window (gui) or on the terminal, asking
// its questions or not (the next file of a series, or no window at all), and
// a region chosen beforehand instead of the reader's own form.
struct FioCall
{
    bool gui = true;
    bool ask = true;
    std::string file_name;
    const FioRegion* region = nullptr;
    int image = 0; // the stored image wanted, from 1; 0: asked, or the first
};

using FioReader = void (*)(FioCall& call, FioTarget& target, int& retstat, int& status);
// The image size a file holds, learnt before reading, so that the arrays can
// be made as large as the image. retstat 0 when known.
using FioSizeProbe = void (*)(std::string_view file_name, int& width, int& height, int& retstat,
                              int& status);

// The overload value a reader sets itself.
constexpr float FIO_OVERLOAD_FROM_READER = -1.0f;

struct FioFormatEntry
{
    std::string_view name;       // the format name the decision gives
    std::string_view menu_label; // its entry on the format menu ("" for none)
    std::string_view menu_help;  // its line of the menu's "?" text
    FioReader reader;            // nullptr: no reader built yet
    float overload;              // set by the driver after the read
    FioSizeProbe probe;          // nullptr: the size is learnt only by reading
    bool one_dimensional = false;
    bool several_images = false; // a file may store several images, one chosen by number
    // The questions that decide the image's size, asked before its arrays
    // are made (the reader is then called without questions); nullptr: none.
    FioReader ask_size = nullptr;
};

std::span<const FioFormatEntry> fio_formats();
const FioFormatEntry* fio_find_format(std::string_view name);

// The layout of a raw file asked (form or terminal) and kept for the read
// that follows; retstat -1 when the user cancelled.
void fio_ask_binary_layout(FioCall& call, FioTarget& target, int& retstat, int& status);
// The fault of a region (file pixels from 1) re-binned into the arrays, as
// the region form warns of it; empty when the region will do.
std::string fio_region_fault(const FioRegion& region, const ImageView& data);

// The raw reader with a given layout and region (re-binning by sums).
void fio_read_binary(const FioCall& call, const FioBinaryLayout& layout, FioTarget& target,
                     int& retstat, int& status);
// The bytes a file of the layout holds (header included); -1 for a layout
// that is impossible or too large to describe.
long long fio_binary_bytes(const FioBinaryLayout& layout);
// The size of the first image of a TIFF file that can be decoded (every
// strip inside the file); retstat 0 when it can, silently otherwise.
void fio_tiff_decodable(std::string_view file_name, int& width, int& length, int& retstat,
                        int& status);
// Forgets the layout of the last raw series (a new run).
void fio_reset_binary();
// The TIFF reader with the region chosen on its form, or given by the call.
void fio_read_tiff(FioCall& call, bool mirror_x, bool imagequant, FioTarget& target,
                   int& retstat, int& status);

// Shown on the window unless there is none (then the console only).
void fio_prompt(std::string_view line, int& status);
void fio_warning(std::span<const std::string> lines, int& status);
