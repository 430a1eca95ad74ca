// FUJI BAS-2000 and BAS-1500 image-plate images: a text ".inf" file, one
// value a line, describes the ".img" file beside it, which holds quantised
// values of 8 bits, or of 16 bits with the most significant byte first,
// the first stored line image row 1. The quantised values are linearised
// with the scanner's sensitivity and latitude.

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "fio/detector.h"
#include "io/convert.h"
#include "io/directory.h"
#include "io/filename.h"
#include "io/status.h"
#include "io/system.h"
#include "io/terminal.h"

namespace {

// The ".inf" lines, counted from 1.
enum InfLine {
    INF_HEADER = 1,
    INF_IMAGE_NAME = 2,
    INF_X_PIXEL_SIZE = 4,
    INF_Y_PIXEL_SIZE = 5,
    INF_BITS = 6,
    INF_X_PIXELS = 7,
    INF_Y_PIXELS = 8,
    INF_SENSITIVITY = 9,
    INF_LATITUDE = 10
};
constexpr int INF_LINE_CHARACTERS = 256;
// Pixel sizes are given in micrometres; without them, 100 micrometres.
constexpr float MICROMETRE = 1.0e-6f;
constexpr float DEFAULT_PIXEL_SIZE = 1.0e-4f;
// More bits than this cannot be held by the 16-bit values of the file.
constexpr int MAX_BITS = 16;

struct InfValues
{
    float x_pixel_size = DEFAULT_PIXEL_SIZE;
    float y_pixel_size = DEFAULT_PIXEL_SIZE;
    int bits = 0, nx = 0, ny = 0, sensitivity = 0;
    float latitude = 0.0f;
};

// A warning that goes to the console and, with the window, into a box.
void warn(const FioCall* call, std::string_view what, int& status)
{
    if (call == nullptr) return;
    fio_warn_twice(*call, "WARNING: " + std::string(what), IO_UPPER(what), status);
}

// The values of the ".inf" file open on the input slot; `call` is null for
// a silent reading. False when the image cannot be described by them.
bool read_inf(int handle, const FioCall* call, InfValues& v, int& status)
{
    std::vector<std::optional<std::string>> lines(INF_LATITUDE + 1);
    for (int n = INF_HEADER; n <= INF_LATITUDE; ++n) {
        int retstat = 0;
        std::string line;
        FIO_ASCIIREADC(handle, INF_LINE_CHARACTERS, retstat, line);
        if (retstat != FIO_OK) {
            if (call != nullptr) io_say("WARNING: Problem reading from .inf file");
            if (n == INF_HEADER) return false;
            break;
        }
        lines[static_cast<std::size_t>(n)] = std::string(st_strip(line));
    }
    const auto real = [&](int n, float& value) {
        bool found = false;
        if (lines[static_cast<std::size_t>(n)])
            IO_TOKTR(*lines[static_cast<std::size_t>(n)], found, value, status);
        return found;
    };
    const auto integer = [&](int n, int& value) {
        bool found = false;
        if (lines[static_cast<std::size_t>(n)])
            IO_TOKTI(*lines[static_cast<std::size_t>(n)], found, value, status);
        return found;
    };
    float size = 0.0f;
    if (real(INF_X_PIXEL_SIZE, size) && size > 0.0f && std::isfinite(size))
        v.x_pixel_size = size * MICROMETRE;
    else
        warn(call, "X pixel size not properly defined", status);
    if (real(INF_Y_PIXEL_SIZE, size) && size > 0.0f && std::isfinite(size))
        v.y_pixel_size = size * MICROMETRE;
    else
        warn(call, "Y pixel size not properly defined", status);
    bool usable = true;
    // A table of 2**bits values is made: more bits than the file's values hold are refused.
    if (!integer(INF_BITS, v.bits) || v.bits < 1 || v.bits > MAX_BITS) {
        warn(call, "Number of bits is not properly defined", status);
        usable = false;
    }
    if (!integer(INF_X_PIXELS, v.nx) || v.nx < 1) {
        warn(call, "Number of pixels in X-direction undefined", status);
        usable = false;
    }
    if (!integer(INF_Y_PIXELS, v.ny) || v.ny < 1) {
        warn(call, "Number of pixels in Y-direction undefined", status);
        usable = false;
    }
    // Without both, the quantised values cannot be turned into intensities.
    if (!integer(INF_SENSITIVITY, v.sensitivity) || v.sensitivity < 1) {
        warn(call, "Sensitivity undefined", status);
        usable = false;
    }
    if (!real(INF_LATITUDE, v.latitude) || !std::isfinite(v.latitude)) {
        warn(call, "Latitude undefined", status);
        usable = false;
    }
    return usable;
}

// The ".inf" file of a name: the name itself, or the one beside an ".img" file.
std::string inf_name(std::string_view file_name, int& status)
{
    const std::string name(st_trim(file_name));
    const std::string extension = IO_LOWER(IO_EXTENSION(IO_NODIRPATH(name, status), status));
    if (extension != "img") return name;
    const std::string base = name.substr(0, name.size() - 3);
    for (const char* companion : {"inf", "INF"}) {
        bool found = false;
        int kind = 0, third = 0;
        IO_FILEEXIST(base + companion, found, kind, third, status);
        if (found && kind == 1) return base + companion;
    }
    return name;
}

// The data file beside the ".inf" file, ".img" (or ".IMG"); empty when neither exists.
std::string img_name(const std::string& inf, int& status)
{
    const std::size_t dot = inf.rfind('.');
    const std::size_t slash = inf.rfind('/');
    const std::string base = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                                 ? inf + "."
                                 : inf.substr(0, dot + 1);
    for (const char* extension : {"img", "IMG"}) {
        bool found = false;
        int kind = 0, third = 0;
        IO_FILEEXIST(base + extension, found, kind, third, status);
        if (found && kind == 1) return base + extension;
    }
    return {};
}

// The binary file: beside the ".inf" file, or chosen by the user when it is
// not there. Empty when there is none (retstat -1 after a cancel).
std::string choose_img(const FioCall& call, const std::string& inf, int& retstat, int& status)
{
    std::string name = img_name(inf, status);
    if (!name.empty() || status != ST_GOOD_VALUE) return name;
    if (call.gui && FIO_INQ_BATCH()) return {};
    name = inf;
    if (call.gui) {
        const std::string prompt[] = {"THE MATCHING .IMG FILE HAS NOT BEEN FOUND",
                                      "PLEASE SELECT THE BINARY FILE"};
        int chosen = 0;
        GS_FILESELECTION(2, 2, prompt, 1, 0, {}, 1, false, chosen, name, status);
        if (status == ST_GOOD_VALUE && chosen == 0) return name;
    } else {
        const std::string help[] = {"Name of file containing the binary data"};
        IO_INPC("BINARY DATA FILE NAME (.img file)", help, "Unacceptable input", name, status);
        if (status == ST_GOOD_VALUE) return name;
    }
    if (st_is_escape(status)) status = ST_GOOD_VALUE;
    if (status == ST_GOOD_VALUE) retstat = -1;
    return {};
}

// The quantised values of the ".img" file: 8 bits with the byte routine,
// more as 16 bits with the most significant byte first.
FioStoredImage quantised_image(int handle, const InfValues& v, int& status)
{
    const int type = v.bits <= 8 ? FIO_BYTE : FIO_I2;
    return FioStoredImage{.handle = handle,
                          .nx = v.nx,
                          .ny = v.ny,
                          .type = type,
                          .swap = type == FIO_I2 && !IO_BIG_ENDIAN(status)};
}

} // namespace

void fio_bas2000_size(std::string_view file_name, int& width, int& height, int& retstat,
                      int& status)
{
    const std::string inf = inf_name(file_name, status);
    InfValues v;
    int described_x = 0, described_y = 0;
    fio_probe_size(inf, described_x, described_y, retstat, status, [&](int handle, int& w, int& h) {
        if (!read_inf(handle, nullptr, v, status)) return false;
        w = v.nx;
        h = v.ny;
        return true;
    });
    if (retstat != 0) return;
    // The ".img" file beside it must hold the pixels.
    fio_probe_stored(img_name(inf, status), width, height, retstat, status,
                     [&](int handle, FioStoredImage& image) {
                         image = quantised_image(handle, v, status);
                         return true;
                     });
}

void fio_read_bas2000(FioCall& call, FioTarget& target, int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine FIO_IN_BAS2000 V0.5")) return;
    int handle = 0;
    if (!fio_open_reader_file(
            call,
            {.prompt = "DATA FILE NAME (.inf file)",
             .help = "Name of file containing file header",
             .access = "READ_ASCII",
             .retry = "WARNING: Error in opening  header file, Please retype name",
             .file_of = inf_name},
            handle, retstat, status))
        return;
    const std::string inf = call.file_name;
    InfValues v;
    {
        FioSlotGuard guard(handle);
        if (!read_inf(handle, &call, v, status)) {
            if (status == ST_GOOD_VALUE) retstat = 1;
            return;
        }
    }
    const std::string img = choose_img(call, inf, retstat, status);
    if (status != ST_GOOD_VALUE || retstat == -1) return;
    if (img.empty()) {
        io_say("WARNING: Error in opening binary file");
        retstat = 1;
        return;
    }
    FIO_FILEOPEN(img, "READ", retstat, handle, status);
    if (status != ST_GOOD_VALUE) return;
    if (retstat != FIO_OK) {
        io_say("WARNING: Error in opening binary file");
        retstat = 1;
        return;
    }
    FioSlotGuard guard(handle);
    io_say("INFO: Full image size = " + io_fortran_i(v.nx, 9) + " * " + io_fortran_i(v.ny, 9) +
           " pixels");

    // Quantised value Q of G = 2**bits levels stands for
    // (4000 / S) * 100 * 10**(L * (Q / G - 0.5)).
    const int levels = 1 << v.bits;
    std::vector<float> table(static_cast<std::size_t>(levels));
    const double scale = 4000.0 / v.sensitivity * 100.0;
    for (int q = 0; q < levels; ++q)
        table[static_cast<std::size_t>(q)] = static_cast<float>(
            scale * std::pow(10.0, v.latitude * (static_cast<double>(q) / levels - 0.5)));
    if (call.gui && !FIO_INQ_BATCH())
        fio_prompt("LINEARISING DATA", status);
    else
        io_say("INFO: Linearising data");
    // Values above the top level (a file of fewer bits than its 16-bit
    // values hold) count as the top level.
    const auto linearise = [&table, levels](std::span<float> row) {
        for (float& value : row)
            value =
                table[static_cast<std::size_t>(std::clamp(static_cast<int>(value), 0, levels - 1))];
    };
    const FioStoredImage image = quantised_image(handle, v, status);
    fio_read_stored(call, image, linearise, "(the .img file is cut short, or the .inf file wrong)",
                    target, retstat, status);
    if (status != ST_GOOD_VALUE || retstat != 0) return;
    fio_detector_finish(target);
    target.x_pixel_size = v.x_pixel_size;
    target.y_pixel_size = v.y_pixel_size;
    target.overload_value = table.back();
}

void FIO_IN_BAS2000(bool gui, bool& variances_exist, std::string& file_name, int& retstat,
                    int& xnumdat, int& ynumdat, std::span<float> x_axis, std::span<float> y_axis,
                    const ImageView& data, const ImageView& variances, std::string& title,
                    std::string& xlabel, std::string& ylabel, std::string& zlabel,
                    float& x_pixel_size, float& y_pixel_size, float& overload_value, int& status)
{
    if (!st_enter(status, "Subroutine FIO_IN_BAS2000 V0.5")) return;
    FioTarget target;
    target.x_pixel_size = x_pixel_size;
    target.y_pixel_size = y_pixel_size;
    fio_call_reader(fio_read_bas2000, gui, variances_exist, file_name, retstat, xnumdat, ynumdat,
                    x_axis, y_axis, data, variances, title, xlabel, ylabel, zlabel, target,
                    &overload_value, status);
    if (status != ST_GOOD_VALUE || retstat != 0) return;
    x_pixel_size = target.x_pixel_size;
    y_pixel_size = target.y_pixel_size;
}
