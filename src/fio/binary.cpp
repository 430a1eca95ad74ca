// Raw binary images: pixel values of one type stored line after line after an
// optional header, in a layout the user describes on a form (or on the
// terminal), with defaults from the remembered answers and the ".info" file.

#include <algorithm>
#include <string>
#include <vector>

#include "fio/detector.h"
#include "fio/readers.h"
#include "io/convert.h"
#include "io/fields.h"
#include "io/database.h"
#include "io/filename.h"
#include "io/status.h"
#include "io/terminal.h"

namespace {

constexpr const char* KEY_TYPE = "IN_BIN_DATA_TYPE";
constexpr const char* KEY_SIGNED = "IN_BIN_SIGNED";
constexpr const char* KEY_SWAP = "IN_BIN_SWAP";
constexpr const char* KEY_START = "IN_BIN_START";

// The image side a raw file is offered with when nothing tells its size.
constexpr int UNKNOWN_SIDE = 2048;

// Overload values of the four types, in the order of FIO_TYPE_NAMES.
constexpr float TYPE_OVERLOAD[4] = {255.5f, 65534.5f, 2147483648.0f, 1.7e38f};

// The layout of the series being read: a series is read with one layout.
struct BinaryState
{
    bool remembered = false;
    FioBinaryLayout layout;
};
BinaryState state;

int type_index(std::string_view name)
{
    const std::string wanted(st_strip(name));
    for (int i = 0; i < 4; ++i)
        if (wanted == FIO_TYPE_NAMES[i]) return i;
    return -1;
}

// The four remembered answers, with their first-use defaults.
void read_keys(FioBinaryLayout& layout, int& status)
{
    int retstat = 0;
    int length = 0;
    std::string type;
    IO_INQ_KEYVALUE(KEY_TYPE, length, type, retstat, status);
    if (retstat == 0 && type_index(type) >= 0) layout.type = std::string(st_strip(type));
    IO_INQ_LKEYVALUE(KEY_SIGNED, layout.is_signed, retstat, status);
    IO_INQ_LKEYVALUE(KEY_SWAP, layout.swap, retstat, status);
    IO_INQ_IKEYVALUE(KEY_START, layout.start_byte, retstat, status);
    if (layout.start_byte < 1) layout.start_byte = 1;
}

void save_keys(const FioBinaryLayout& layout, int& status)
{
    int retstat = 0;
    IO_SET_KEYVALUE(KEY_TYPE, static_cast<int>(layout.type.size()), layout.type, retstat, status);
    IO_SET_LKEYVALUE(KEY_SIGNED, layout.is_signed, retstat, status);
    IO_SET_LKEYVALUE(KEY_SWAP, layout.swap, retstat, status);
    IO_SET_IKEYVALUE(KEY_START, layout.start_byte, retstat, status);
}

// What the ".info" file says, over the layout.
void apply_header_file(std::string_view file_name, FioBinaryLayout& layout, float& x_pixel_size,
                       float& y_pixel_size, int& status)
{
    std::string title, xlabel, ylabel, zlabel;
    float lowest = 0.0f;
    float second = 0.0f;
    int bytes = 0;
    FIO_IN_HEADERFILE(file_name, title, xlabel, ylabel, zlabel, layout.nx, layout.ny, lowest,
                      second, bytes, layout.swap, layout.is_signed, x_pixel_size, y_pixel_size,
                      status);
    if (bytes == 1) layout.type = FIO_TYPE_NAMES[0];
    else if (bytes == 2) layout.type = FIO_TYPE_NAMES[1];
    else if (bytes == 4) layout.type = FIO_TYPE_NAMES[2];
}

// The layout asked on the terminal.
void ask_terminal(std::string& file_name, FioBinaryLayout& layout, float& x_pixel_size,
                  float& y_pixel_size, int& status)
{
    const std::string name_help[] = {"Name of input file containing data"};
    IO_INPC("INPUT FILE NAME", name_help, "Unacceptable input", file_name, status);
    int retstat = 0;
    std::string translated;
    IO_TRANS_PATH(file_name, retstat, translated, status);
    if (status != ST_GOOD_VALUE) return;
    if (retstat == 0) file_name = translated;
    layout.start_byte = 1;
    apply_header_file(file_name, layout, x_pixel_size, y_pixel_size, status);
    const std::string x_help[] = {"Number of data elements horizontally in each line of data"};
    const std::string y_help[] = {"Number of data elements vertically (number of lines)"};
    IO_INPI(true, 1, 999999, "X NUMBER PIXELS", x_help, layout.nx, status);
    IO_INPI(true, 1, 999999, "Y NUMBER PIXELS", y_help, layout.ny, status);
    if (status != ST_GOOD_VALUE) return;
    const std::vector<std::string> types(FIO_TYPE_NAMES, FIO_TYPE_NAMES + 4);
    const std::string type_help[] = {"Enter type of data from available choices"};
    std::vector<std::string> explanations(4, type_help[0]);
    std::string chosen = layout.type;
    IO_MENU("DATA TYPE", types, explanations, chosen, status);
    if (status != ST_GOOD_VALUE) return;
    if (type_index(chosen) >= 0) layout.type = chosen;
    if (layout.type == FIO_TYPE_NAMES[1] || layout.type == FIO_TYPE_NAMES[2]) {
        const std::string swap_help[] = {"\"YES\" if the byte order needs to be changed",
                                         "Enter \"YES\" or \"NO\""};
        const std::string signed_help[] = {"\"YES\" if the data is signed, \"NO\" for unsigned data",
                                           "Enter \"YES\" or \"NO\""};
        IO_INPL("PERFORM BYTE SWAPPING", swap_help, layout.swap, status);
        IO_INPL("SIGNED DATA", signed_help, layout.is_signed, status);
    }
}

} // namespace

void FIO_SET_BINARY_LAYOUT(const FioBinaryLayout& layout, int& status)
{
    constexpr std::string_view position = "Subroutine FIO_SET_BINARY_LAYOUT V0.1";
    if (!st_enter(status, position)) return;
    if (layout.nx < 1 || layout.ny < 1 || layout.start_byte < 1 || type_index(layout.type) < 0) {
        st_fail(status, ST_MOD_FIO + FIO_ERR_X_VALUE, position);
        return;
    }
    state.layout = layout;
    state.remembered = true;
}

FioBinaryLayout FIO_INQ_BINARY_LAYOUT() { return state.layout; }

void fio_reset_binary() { state = BinaryState{}; }

long long fio_binary_bytes(const FioBinaryLayout& layout)
{
    return fio_stored_end({.nx = layout.nx,
                           .ny = layout.ny,
                           .type = type_index(layout.type) + 1,
                           .start_byte = layout.start_byte});
}

FioBinaryLayout fio_binary_defaults(std::string_view file_name, float& x_pixel_size,
                                    float& y_pixel_size, int& status)
{
    FioBinaryLayout layout = state.layout;
    if (!state.remembered) layout.nx = layout.ny = 0;
    read_keys(layout, status);
    if (!st_trim(file_name).empty())
        apply_header_file(file_name, layout, x_pixel_size, y_pixel_size, status);
    return layout;
}

void FIO_GUI_IN_DATA(int& nx, int& ny, int xmaxdat, int ymaxdat, std::string& type_name,
                     bool& is_signed, bool& swap, int& start_byte, int& status)
{
    if (!st_enter(status, "Subroutine FIO_GUI_IN_DATA V0.2")) return;
    (void)xmaxdat;
    (void)ymaxdat;
    const std::string title[] = {"TYPE AND SIZE OF FILE DATA", "(need to specify image size)"};
    const std::string info[] = {"This size form allows you to specifythe type and size",
                                "of data to be input,",
                                "",
                                "The \"X-PIXELS\" and \"Y-PIXELS\" buttons",
                                "allow the number of pixels to be changed.",
                                "",
                                "\"DATA TYPE\" allows the type of values",
                                "stored for each pixel to be selected"};
    auto integer = [](const char* label, const char* prompt, const char* help, int high,
                      int value) { return fio_integer_item(label, prompt, help, 1, high, value); };
    auto logical = [](const char* label, const char* prompt, const char* help, bool value) {
        GsFormItem item;
        item.label = label;
        item.description = prompt;
        item.help = help;
        item.type = 2;
        item.logical_value = value;
        return item;
    };
    GsFormItem type;
    type.label = "DATA TYPE";
    type.description = "DATA TYPE OF PIXEL VALUES";
    type.help = "Choice type of data stored for pixelvalues";
    // The form's own item for the four image data types, shown by name.
    type.type = 6;
    for (int k = 1; k <= 4; ++k) {
        type.int_value = k;
        if (GS_FORM_VALUE_TEXT(type) == st_strip(type_name)) break;
    }
    std::vector<GsFormItem> items{
        integer("X-PIXELS", "FIRST DIMENSION OF FILE IMAGE",
                "Enter number of pixels \"horizontally\" in image", 999999, nx),
        integer("Y-PIXELS", "SECOND DIMENSION OF FILE IMAGE",
                "Enter number of pixels \"vertically\" in image", 999999, ny),
        type,
        logical("SIGNED", "SIGNED OR UNSIGNED (INTEGERS)",
                "Enter \"YES\" for signed values (integers only)", is_signed),
        logical("BYTE SWAP", "SWAP BYTES ON INPUT (INTEGERS)",
                "Enter \"YES\" to swap bytes on input (integers only)", swap),
        integer("STARTING BYTE", "BYTE NUMBER FOR START OF BINARY DATA",
                "Enter byte number for start of binary data (numbering from 1", 2147483647,
                start_byte)};
    GS_FORM(2, 2, title, 8, 8, info, 6 + 5, 6, items, status);
    if (status != ST_GOOD_VALUE) return;
    nx = items[0].int_value;
    ny = items[1].int_value;
    const std::string chosen = GS_FORM_VALUE_TEXT(items[2]);
    if (type_index(chosen) >= 0) type_name = chosen;
    is_signed = items[3].logical_value;
    swap = items[4].logical_value;
    start_byte = items[5].int_value;
}

void fio_read_binary(const FioCall& call, const FioBinaryLayout& layout, FioTarget& target,
                     int& retstat, int& status)
{
    constexpr std::string_view position = "Subroutine FIO_IN_BINARY V0.8";
    if (!st_enter(status, position)) return;
    const int type = type_index(layout.type);
    if (type < 0) {
        io_say("WARNING: Unknown data type");
        retstat = 1;
        return;
    }
    if (layout.nx < 1 || layout.ny < 1 || layout.start_byte < 1) {
        io_say("WARNING: The image size and starting byte must be at least 1");
        retstat = 1;
        return;
    }
    int handle = 0;
    if (!fio_open_input(call.file_name, handle, retstat, status)) return;
    FioSlotGuard guard(handle);
    const FioStoredImage image{.handle = handle,
                               .nx = layout.nx,
                               .ny = layout.ny,
                               .type = type + 1,
                               .is_signed = layout.is_signed,
                               .swap = layout.swap,
                               .start_byte = layout.start_byte};
    fio_read_stored(call, image, {}, "(image size, data type or starting byte wrong?)", target,
                    retstat, status);
    if (status != ST_GOOD_VALUE || retstat != 0) return;
    const int closed = guard.close();
    if (closed != FIO_OK) {
        io_say("WARNING: Problem closing file: Return status = " + io_fortran_i(closed, 6));
        retstat = 1;
        return;
    }
    target.title = call.file_name;
    target.xlabel = "Columns";
    target.ylabel = "Rows";
    target.zlabel = "Intensity";
    target.variances_exist = false;
    target.overload_value = TYPE_OVERLOAD[type];
    retstat = 0;
}

void fio_ask_binary_layout(FioCall& call, FioTarget& target, int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine FIO_IN_BINARY V0.8")) return;
    retstat = 0;
    FioBinaryLayout layout = state.layout;
    if (!state.remembered) layout.nx = layout.ny = 0;
    read_keys(layout, status);
    if (call.gui)
        apply_header_file(call.file_name, layout, target.x_pixel_size, target.y_pixel_size,
                          status);
    // The dimensions default to the caller's arrays on the first call, or,
    // where the arrays are made for the image, to a common detector's size.
    const int xmaxdat = target.data.xmaxdat > 0 ? target.data.xmaxdat : UNKNOWN_SIDE;
    const int ymaxdat = target.data.ymaxdat > 0 ? target.data.ymaxdat : UNKNOWN_SIDE;
    if (layout.nx < 1) layout.nx = xmaxdat;
    if (layout.ny < 1) layout.ny = ymaxdat;
    if (call.ask && call.gui && !FIO_INQ_BATCH())
        FIO_GUI_IN_DATA(layout.nx, layout.ny, xmaxdat, ymaxdat, layout.type, layout.is_signed,
                        layout.swap, layout.start_byte, status);
    else if (call.ask && !call.gui)
        ask_terminal(call.file_name, layout, target.x_pixel_size, target.y_pixel_size, status);
    if (st_is_escape(status)) {
        status = ST_GOOD_VALUE;
        retstat = -1;
        return;
    }
    if (status != ST_GOOD_VALUE) return;
    save_keys(layout, status);
    state.layout = layout;
    state.remembered = true;
}

void FIO_IN_BINARY(bool gui, bool ask, bool& variances_exist, std::string& file_name,
                   int& retstat, int& xnumdat, int& ynumdat, std::span<float> x_axis,
                   std::span<float> y_axis, const ImageView& data, const ImageView& variances,
                   std::string& title, std::string& xlabel, std::string& ylabel,
                   std::string& zlabel, float& x_pixel_size, float& y_pixel_size,
                   float& overload_value, int& status)
{
    constexpr std::string_view position = "Subroutine FIO_IN_BINARY V0.8";
    if (!st_enter(status, position) || !fio_dimensions_valid(data, position, status)) return;
    FioCall call{gui, ask, file_name, nullptr};
    FioTarget target = fio_target(data, variances, x_axis, y_axis, variances_exist);
    target.x_pixel_size = x_pixel_size;
    target.y_pixel_size = y_pixel_size;
    if (ask || !state.remembered) {
        fio_ask_binary_layout(call, target, retstat, status);
        if (status != ST_GOOD_VALUE || retstat != 0) return;
        file_name = call.file_name;
    }
    if (gui) fio_prompt("INPUTTING DATA FROM FILE", status);

    fio_read_binary(call, state.layout, target, retstat, status);
    if (status != ST_GOOD_VALUE || retstat != 0) return;
    fio_give_back(target, xnumdat, ynumdat, title, xlabel, ylabel, zlabel);
    x_pixel_size = target.x_pixel_size;
    y_pixel_size = target.y_pixel_size;
    overload_value = target.overload_value;
    variances_exist = false;
}
