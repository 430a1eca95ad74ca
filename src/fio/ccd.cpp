// The CCD camera files: PHOTOMETRICS (".pmi") and PRINCETON (".spe"). Both
// hold one or several images after a fixed binary header, each image line
// after line with the top line of the picture first, so the stored lines are
// mirrored in Y on input (image row 1 is the bottom of the picture). Header
// values are little-endian; so are the pixel values.
//
// Photometrics header, 172 bytes, 2-byte integers: X pixels at byte 12,
// Y pixels at byte 14, the number of stored images at byte 20 (0 meaning one);
// the unsigned 16-bit values start at byte 172 (bytes counted from 0).
//
// Princeton header, 4100 bytes: X pixels (2 bytes) at byte 42, Y pixels
// (2 bytes) at 656, the number of stored images (4 bytes) at 1446 and the
// data type (2 bytes) at 108. Older files have 0 at 1446: their count is the
// 2-byte integer at 34, or, where that is -1, the 4-byte integer at 664
// divided by the Y pixels, and their values are unsigned 16-bit. The values
// start at byte 4100.
//
// Every header value is checked against the file before it is used: a size
// that the file cannot hold is refused, and a count of images larger than
// the file holds is cut to the images that are there.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fio/detector.h"
#include "io/fields.h"
#include "io/status.h"
#include "io/system.h"

namespace {

constexpr int PHOTOMETRICS_HEADER = 172;
constexpr int PRINCETON_HEADER = 4100;

// The Photometrics header fields (byte offsets).
enum PhotometricsField { PMI_X_PIXELS = 12, PMI_Y_PIXELS = 14, PMI_IMAGES = 20 };
// The Princeton header fields (byte offsets).
enum PrincetonField {
    SPE_OLD_COUNT = 34,
    SPE_X_PIXELS = 42,
    SPE_DATA_TYPE = 108,
    SPE_Y_PIXELS = 656,
    SPE_OLD_TOTAL = 664,
    SPE_IMAGES = 1446
};
// The Princeton data types.
enum PrincetonType { SPE_REAL = 0, SPE_INTEGER4 = 1, SPE_SIGNED2 = 2, SPE_UNSIGNED2 = 3 };
// The older count's "see the total" value.
constexpr int SPE_COUNT_IN_TOTAL = -1;

// Values are read in blocks of these many elements.
constexpr int PHOTOMETRICS_BLOCK = 1024;
constexpr int PRINCETON_BLOCK_2BYTE = 2050;
constexpr int PRINCETON_BLOCK_4BYTE = 1025;

// The image number last chosen, for the next file of a series.
constexpr std::string_view PHOTOMETRICS_IMAGE_KEY = "#PHOTOMETRICS_IMAGE";
constexpr std::string_view PRINCETON_IMAGE_KEY = "#PRINCETON_IMAGE";

// What a header says about the images.
struct CcdLayout
{
    long long nx = 0, ny = 0;
    long long images = 0;
    int type = FIO_I2; // a FioDataType
    bool is_signed = false;
    int value_bytes = 2;
    int block = PHOTOMETRICS_BLOCK;
    long long data_start = 0; // byte offset of image 1, from 0
    bool type_known = true;
};

// One camera format: its header, how it is decoded, and its questions.
struct CcdFormat
{
    const char* position;
    const char* file_prompt;
    int header_bytes;
    std::string_view image_key;
    void (*decode)(std::span<const std::uint8_t> header, CcdLayout& layout);
};

long long field(std::span<const std::uint8_t> header, int at, int bytes, bool is_signed)
{
    const std::int32_t v =
        FIO_TIFF_INTEGER(header.subspan(static_cast<std::size_t>(at)), bytes, false, is_signed);
    return is_signed ? v : static_cast<long long>(static_cast<std::uint32_t>(v));
}

void decode_photometrics(std::span<const std::uint8_t> header, CcdLayout& l)
{
    l.nx = field(header, PMI_X_PIXELS, 2, false);
    l.ny = field(header, PMI_Y_PIXELS, 2, false);
    l.images = std::max(1LL, field(header, PMI_IMAGES, 2, false));
    l.data_start = PHOTOMETRICS_HEADER;
}

void decode_princeton(std::span<const std::uint8_t> header, CcdLayout& l)
{
    l.nx = field(header, SPE_X_PIXELS, 2, false);
    l.ny = field(header, SPE_Y_PIXELS, 2, false);
    l.images = field(header, SPE_IMAGES, 4, true);
    long long type = field(header, SPE_DATA_TYPE, 2, true);
    if (l.images == 0) {
        l.images = field(header, SPE_OLD_COUNT, 2, true);
        if (l.images == SPE_COUNT_IN_TOTAL)
            l.images = l.ny > 0 ? field(header, SPE_OLD_TOTAL, 4, true) / l.ny : 0;
        type = SPE_UNSIGNED2;
    }
    l.data_start = PRINCETON_HEADER;
    l.block = PRINCETON_BLOCK_2BYTE;
    switch (type) {
    case SPE_REAL:
        l.type = FIO_R4;
        break;
    case SPE_INTEGER4:
        l.type = FIO_I4;
        l.is_signed = true;
        break;
    case SPE_SIGNED2:
        l.type = FIO_I2;
        l.is_signed = true;
        break;
    case SPE_UNSIGNED2:
        l.type = FIO_I2;
        break;
    default:
        l.type_known = false;
        return;
    }
    if (l.type != FIO_I2) {
        l.value_bytes = 4;
        l.block = PRINCETON_BLOCK_4BYTE;
    }
}

constexpr CcdFormat photometrics{"Subroutine FIO_IN_PHOTOMETRICS V0.1",
                                 "PHOTOMETRICS CCD DATA FILE NAME", PHOTOMETRICS_HEADER,
                                 PHOTOMETRICS_IMAGE_KEY, decode_photometrics};
constexpr CcdFormat princeton{"Subroutine FIO_IN_PRINCETON V0.1", "PRINCETON CCD DATA FILE NAME",
                              PRINCETON_HEADER, PRINCETON_IMAGE_KEY, decode_princeton};

// The bytes of one image; 0 when the size is impossible.
long long image_bytes(const CcdLayout& l)
{
    if (l.nx < 1 || l.ny < 1 || l.nx > INT32_MAX || l.ny > INT32_MAX) return 0;
    long long bytes = 0;
    if (__builtin_mul_overflow(l.nx * l.ny, static_cast<long long>(l.value_bytes), &bytes))
        return 0;
    return bytes;
}

// The header of the open file decoded and checked against the file: the
// number of images cut to those the file holds. Quiet, or with the reasons.
bool usable_layout(const CcdFormat& format, int handle, bool say, CcdLayout& l)
{
    std::vector<std::uint8_t> header(static_cast<std::size_t>(format.header_bytes));
    if (!fio_read_fixed_header(handle, header, say)) return false;
    format.decode(header, l);
    if (!l.type_known) {
        if (say) {
            io_say("WARNING: The image data in this file has been written using an unsupported");
            io_say("data type. It cannot be input.");
        }
        return false;
    }
    const long long bytes = image_bytes(l);
    if (bytes == 0 || l.images < 1) {
        if (say)
            io_say("WARNING: The file header gives an impossible image: " + std::to_string(l.nx) +
                   " * " + std::to_string(l.ny) + " pixels, " + std::to_string(l.images) +
                   " image(s)");
        return false;
    }
    // A count beyond the file would offer images that are not there.
    const long long held = (fio_open_size(handle) - l.data_start) / bytes;
    if (held < 1) {
        if (say)
            io_say("WARNING: The file is shorter than one image of the size its header gives;"
                   " no image input");
        return false;
    }
    if (held < l.images) {
        if (say)
            io_say("WARNING: The header declares " + std::to_string(l.images) +
                   " images, but the file holds only " + std::to_string(held));
        l.images = held;
    }
    return true;
}

void read_ccd(const CcdFormat& format, FioCall& call, FioTarget& target, int& retstat, int& status)
{
    if (!st_enter(status, format.position)) return;
    int handle = 0;
    if (!fio_open_reader_file(call, {format.file_prompt}, handle, retstat, status)) return;
    FioSlotGuard guard(handle);
    CcdLayout l;
    if (!usable_layout(format, handle, true, l)) {
        retstat = 1;
        return;
    }
    io_say("INFO: Size of image = " + std::to_string(l.nx) + " * " + std::to_string(l.ny));
    io_say("INFO: Number of stored images = " + std::to_string(l.images));
    int image = 1;
    if (!fio_choose_number(call,
                           {"IMAGE NUMBER",
                            "Enter number of the required image to input from the image sequence",
                            format.image_key},
                           "image", l.images, call.image, image, retstat, status))
        return;
    const FioStoredImage stored{.handle = handle,
                                .nx = static_cast<int>(l.nx),
                                .ny = static_cast<int>(l.ny),
                                .type = l.type,
                                .is_signed = l.is_signed,
                                .swap = IO_BIG_ENDIAN(status),
                                .reverse_y = true,
                                .start_byte = l.data_start + (image - 1) * image_bytes(l) + 1,
                                .block = l.block};
    fio_read_stored(call, stored, {}, "(the file is cut short, or its header is wrong)", target,
                    retstat, status);
    if (status != ST_GOOD_VALUE || retstat != 0) return;
    fio_detector_finish(target);
}

void ccd_size(const CcdFormat& format, std::string_view file_name, int& width, int& height,
              int& retstat, int& status)
{
    fio_probe_size(file_name, width, height, retstat, status, [&](int handle, int& w, int& h) {
        CcdLayout l;
        if (!usable_layout(format, handle, false, l)) return false;
        w = static_cast<int>(l.nx);
        h = static_cast<int>(l.ny);
        return true;
    });
}

} // namespace

void fio_read_photometrics(FioCall& call, FioTarget& target, int& retstat, int& status)
{
    read_ccd(photometrics, call, target, retstat, status);
}

void fio_read_princeton(FioCall& call, FioTarget& target, int& retstat, int& status)
{
    read_ccd(princeton, call, target, retstat, status);
}

void fio_photometrics_size(std::string_view file_name, int& width, int& height, int& retstat,
                           int& status)
{
    ccd_size(photometrics, file_name, width, height, retstat, status);
}

void fio_princeton_size(std::string_view file_name, int& width, int& height, int& retstat,
                        int& status)
{
    ccd_size(princeton, file_name, width, height, retstat, status);
}

void FIO_IN_PHOTOMETRICS(bool gui, bool& variances_exist, std::string& file_name, int& retstat,
                         int& xnumdat, int& ynumdat, std::span<float> x_axis,
                         std::span<float> y_axis, const ImageView& data, const ImageView& variances,
                         std::string& title, std::string& xlabel, std::string& ylabel,
                         std::string& zlabel, int& status)
{
    if (!st_enter(status, photometrics.position)) return;
    FioTarget target;
    fio_call_reader(fio_read_photometrics, gui, variances_exist, file_name, retstat, xnumdat,
                    ynumdat, x_axis, y_axis, data, variances, title, xlabel, ylabel, zlabel,
                    target, nullptr, status);
}

void FIO_IN_PRINCETON(bool gui, bool& variances_exist, std::string& file_name, int& retstat,
                      int& xnumdat, int& ynumdat, std::span<float> x_axis, std::span<float> y_axis,
                      const ImageView& data, const ImageView& variances, std::string& title,
                      std::string& xlabel, std::string& ylabel, std::string& zlabel, int& status)
{
    if (!st_enter(status, princeton.position)) return;
    FioTarget target;
    fio_call_reader(fio_read_princeton, gui, variances_exist, file_name, retstat, xnumdat, ynumdat,
                    x_axis, y_axis, data, variances, title, xlabel, ylabel, zlabel, target,
                    nullptr, status);
}
