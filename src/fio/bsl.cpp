// BSL (Daresbury) / OTOKO (Hamburg) files: a text header file names the
// binary files of one or more data sets ("memories"), each a sequence of
// frames of 32-bit reals or 16-bit integers stored line after line, the
// first stored line being image row 1.
//
// The header file: two title lines, then two lines per data set: ten
// integers (X pixels, Y pixels, frames, byte order, data type, four unused
// values, and 1 when another data set follows, 0 after the last), then the
// name of the set's binary file (a relative name is taken from the header
// file's directory). Byte order 0 is big-endian, 1 little-endian; data
// type 0 is 32-bit reals, 1 unsigned 16-bit integers.
//
// The header is read whole before any binary file is opened, and every
// value is checked against the binary file before a frame is read from it.

#include <cstdint>
#include <string>
#include <vector>

#include "fio/detector.h"
#include "io/convert.h"
#include "io/fields.h"
#include "io/filename.h"
#include "io/status.h"
#include "io/system.h"

namespace {

constexpr std::string_view POSITION = "Subroutine FIO_IN_BSL V0.1";

// The values of a data set's line.
enum BslValue {
    BSL_X_PIXELS = 0,
    BSL_Y_PIXELS,
    BSL_FRAMES,
    BSL_BYTE_ORDER,
    BSL_DATA_TYPE,
    BSL_MORE = 9,
    BSL_VALUES
};
enum BslOrder { BSL_BIG_ENDIAN = 0, BSL_LITTLE_ENDIAN = 1 };
enum BslType { BSL_REAL = 0, BSL_INTEGER2 = 1 };

// Data sets are numbered in two digits on the console.
constexpr int MAX_DATA_SETS = 99;
// Header lines longer than this are no BSL header.
constexpr int MAX_LINE = 1024;

constexpr std::string_view DATA_SET_KEY = "#BSL_DATA_SET";
constexpr std::string_view FRAME_KEY = "#BSL_IMAGE";

struct DataSet
{
    long long nx = 0, ny = 0, frames = 0;
    long long order = 0, type = 0;
    std::string file;
};

// The integers of a data set's line; how many were read (stops at the first
// that is not one).
int line_values(const std::string& line, long long (&values)[BSL_VALUES], int& status)
{
    std::vector<std::string> tokens;
    int n = 0;
    IO_TOKENS(line, BSL_VALUES, n, tokens, status);
    for (int k = 0; k < n; ++k) {
        bool found = false;
        int value = 0;
        IO_TOKTI(tokens[static_cast<std::size_t>(k)], found, value, status);
        if (!found) return k;
        values[k] = value;
    }
    return n;
}

// The message of the first missing value of a data set's line.
void say_missing(int read, bool say)
{
    if (!say) return;
    switch (read) {
    case BSL_X_PIXELS:
        io_say("WARNING: Could not input number of X-pixels");
        io_say("(Maybe wrong file type ?)");
        break;
    case BSL_Y_PIXELS:
        io_say("WARNING: Could not input number of Y-pixels");
        break;
    case BSL_FRAMES:
        io_say("WARNING: Could not input frame number");
        break;
    case BSL_BYTE_ORDER:
        io_say("WARNING: Could not input file byte ordering");
        break;
    default:
        io_say("WARNING: Could not input data type");
        break;
    }
}

// Reads the header file on the input slot; false (with the reason when
// `say`) when no data set could be read.
bool read_header(int handle, bool say, std::vector<DataSet>& sets, int& status)
{
    std::string line;
    int rs = 0;
    for (int k = 0; k < 2; ++k) {
        FIO_ASCIIREADC(handle, MAX_LINE, rs, line);
        if (rs != FIO_OK) {
            if (say) io_say("WARNING: Could not input header file information.");
            return false;
        }
    }
    bool more = true;
    while (more && static_cast<int>(sets.size()) < MAX_DATA_SETS) {
        FIO_ASCIIREADC(handle, MAX_LINE, rs, line);
        long long values[BSL_VALUES] = {};
        const int read = rs == FIO_OK ? line_values(line, values, status) : 0;
        if (read <= BSL_DATA_TYPE) {
            say_missing(read, say);
            return false;
        }
        FIO_ASCIIREADC(handle, MAX_LINE, rs, line);
        const std::string file(st_strip(line));
        if (rs != FIO_OK || file.empty()) {
            if (say) io_say("WARNING: Could not input header file information.");
            return false;
        }
        sets.push_back({values[BSL_X_PIXELS], values[BSL_Y_PIXELS], values[BSL_FRAMES],
                        values[BSL_BYTE_ORDER], values[BSL_DATA_TYPE], file});
        more = read > BSL_MORE && values[BSL_MORE] != 0;
    }
    return true;
}

// The header file opened (given, or asked on the terminal) and read.
bool header_of(FioCall& call, std::vector<DataSet>& sets, int& retstat, int& status)
{
    const FioFileQuestion question{
        .prompt = "INPUT FILE NAME",
        .access = "READ_ASCII",
        .retry = "WARNING: The entered file could not be opened (probably it doesn't exist)",
        .retry_more = "(You can enter user escape (\\\\) to exit this command.)",
        .not_opened = "WARNING: The entered file could not be opened (probably it doesn't exist)"};
    int handle = 0;
    if (!fio_open_reader_file(call, question, handle, retstat, status)) return false;
    FioSlotGuard guard(handle);
    if (!read_header(handle, true, sets, status)) {
        retstat = 1;
        return false;
    }
    return true;
}

// The binary file of a set: a relative name is taken from the header file's
// directory, wherever the program runs.
std::string binary_name(std::string_view header_name, const DataSet& set, int& status)
{
    if (set.file.front() == io_path_separator()) return set.file;
    return IO_DIRPATH(header_name, status) + set.file;
}

int value_bytes(const DataSet& set)
{
    return set.type == BSL_REAL ? 4 : 2;
}

// Whether a set can be read at all: its values and its type.
bool usable(const DataSet& set, bool say)
{
    long long all = 0;
    if (set.nx < 1 || set.ny < 1 || set.frames < 1 ||
        __builtin_mul_overflow(set.nx * set.ny, set.frames * value_bytes(set), &all)) {
        if (say)
            io_say("WARNING: The data set has an impossible size: " + std::to_string(set.nx) +
                   " x " + std::to_string(set.ny) + " pixels, " + std::to_string(set.frames) +
                   " frame(s)");
        return false;
    }
    if ((set.type != BSL_REAL && set.type != BSL_INTEGER2) ||
        (set.order != BSL_BIG_ENDIAN && set.order != BSL_LITTLE_ENDIAN)) {
        if (say) io_say("WARNING: File data type not presently supported");
        return false;
    }
    return true;
}

// A frame (from 1) of a usable set in its binary file.
FioStoredImage frame_image(int handle, const DataSet& set, int frame, int& status)
{
    const long long frame_bytes = set.nx * set.ny * value_bytes(set);
    return FioStoredImage{.handle = handle,
                          .nx = static_cast<int>(set.nx),
                          .ny = static_cast<int>(set.ny),
                          .type = set.type == BSL_REAL ? FIO_R4 : FIO_I2,
                          .swap = (set.order == BSL_BIG_ENDIAN) != IO_BIG_ENDIAN(status),
                          .start_byte = (frame - 1) * frame_bytes + 1};
}

} // namespace

void fio_read_bsl(FioCall& call, FioTarget& target, int& retstat, int& status)
{
    if (!st_enter(status, POSITION)) return;
    std::vector<DataSet> sets;
    if (!header_of(call, sets, retstat, status)) return;
    const int count = static_cast<int>(sets.size());
    for (int k = 0; k < count; ++k) {
        const DataSet& s = sets[static_cast<std::size_t>(k)];
        io_say("INFO: Data-set (\"memory\")" + io_fortran_i(k + 1, 2) + " contains " +
               io_fortran_i(s.frames, 2) + " image(s) of " + io_fortran_i(s.nx, 6) + " x " +
               io_fortran_i(s.ny, 6) + " pixels");
    }
    int set_number = 1;
    if (!fio_choose_number(call,
                           {"DATA-SET (\"MEMORY\") NUMBER",
                            "Enter number of the required data-set (\"memory\")", DATA_SET_KEY},
                           "data-set", count, 0, set_number, retstat, status))
        return;
    const DataSet& set = sets[static_cast<std::size_t>(set_number - 1)];
    if (!usable(set, true)) {
        retstat = 1;
        return;
    }
    int frame = 1;
    if (!fio_choose_number(
            call, {"IMAGE NUMBER", "Enter number of the required image (frame)", FRAME_KEY},
            "image", set.frames, call.image, frame, retstat, status))
        return;

    const std::string binary = binary_name(call.file_name, set, status);
    int handle = 0;
    FIO_FILEOPENC(binary, FIO_READ_BINARY, retstat, handle);
    if (retstat != FIO_OK) {
        io_say("WARNING: Error in opening binary image file:");
        io_say(binary);
        retstat = 1;
        return;
    }
    FioSlotGuard guard(handle);
    const FioStoredImage image = frame_image(handle, set, frame, status);
    fio_read_stored(call, image, {}, "(the binary file is cut short, or its header is wrong)",
                    target, retstat, status);
    if (status != ST_GOOD_VALUE || retstat != 0) return;
    fio_detector_finish(target);
    target.overload_value = set.type == BSL_REAL ? 1.7e38f : 65534.5f;
}

void fio_bsl_size(std::string_view file_name, int& width, int& height, int& retstat, int& status)
{
    DataSet set;
    int described_x = 0, described_y = 0;
    fio_probe_size(
        file_name, described_x, described_y, retstat, status, [&](int handle, int& w, int& h) {
            std::vector<DataSet> sets;
            if (!read_header(handle, false, sets, status)) return false;
            // The data set read without asking: the last one chosen, or the first.
            const int wanted = fio_kept_answer(DATA_SET_KEY, 1, status);
            set = sets[wanted >= 1 && wanted <= static_cast<int>(sets.size()) ? wanted - 1 : 0];
            w = static_cast<int>(set.nx);
            h = static_cast<int>(set.ny);
            return usable(set, false);
        });
    if (retstat != 0) return;
    // Its binary file must hold a frame.
    fio_probe_stored(binary_name(st_trim(file_name), set, status), width, height, retstat, status,
                     [&](int handle, FioStoredImage& image) {
                         image = frame_image(handle, set, 1, status);
                         return true;
                     });
}

void FIO_IN_BSL(bool gui, bool& variances_exist, std::string& file_name, int& retstat, int& xnumdat,
                int& ynumdat, std::span<float> x_axis, std::span<float> y_axis,
                const ImageView& data, const ImageView& variances, std::string& title,
                std::string& xlabel, std::string& ylabel, std::string& zlabel,
                float& overload_value, int& status)
{
    if (!st_enter(status, POSITION)) return;
    FioTarget target;
    fio_call_reader(fio_read_bsl, gui, variances_exist, file_name, retstat, xnumdat, ynumdat,
                    x_axis, y_axis, data, variances, title, xlabel, ylabel, zlabel, target,
                    &overload_value, status);
}
