// RIGAKU R-AXIS image-plate images: a binary header (pixel counts, record
// length and the photomultiplier ratio at fixed places of its first 1024
// bytes), then signed 16-bit pixels, the first stored line image row 1. A
// negative pixel holds a large value: its low 15 bits times the ratio.

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "fio/detector.h"
#include "io/status.h"

namespace {

// Places of the header fields used, in bytes from the start of the file.
enum RaxisHeaderField {
    RAXIS_HEADER_BYTES = 1024,
    RAXIS_X_PIXELS = 768,
    RAXIS_Y_PIXELS = 772,
    RAXIS_RECORD_LENGTH = 784,
    RAXIS_RATIO = 800
};
// Pixel counts above this (or negative) mean the header is in the other byte order.
constexpr int RAXIS_MAX_PIXELS = 16000;
constexpr float RAXIS_LARGEST_STORED = 32767.0f;

std::int32_t integer_at(const std::uint8_t* header, int at, bool swap)
{
    std::int32_t value = 0;
    std::memcpy(&value, header + at, 4);
    return swap ? Fio_int_byte_swap(value) : value;
}

bool count_valid(std::int32_t count)
{
    return count >= 1 && count <= RAXIS_MAX_PIXELS;
}

} // namespace

void FIO_IN_RAXISHEADERC(int& retstat, bool& swap, int& header_length, int& record_length, int& nx,
                         int& ny, float& ratio)
{
    std::vector<std::uint8_t> header(RAXIS_HEADER_BYTES, 0);
    int got = 0;
    FIO_FILEPREADC(FIO_INPUT_HANDLE, 0, RAXIS_HEADER_BYTES, FIO_NO_SWAP, retstat, got, header);
    if (retstat != FIO_OK) {
        retstat = 1;
        return;
    }
    const std::uint8_t* h = header.data();
    // The counts as stored; out of range, the file was written in the other order.
    swap = false;
    std::int32_t x = integer_at(h, RAXIS_X_PIXELS, false);
    std::int32_t y = integer_at(h, RAXIS_Y_PIXELS, false);
    if (x < 0 || x > RAXIS_MAX_PIXELS || y < 0 || y > RAXIS_MAX_PIXELS) {
        swap = true;
        x = integer_at(h, RAXIS_X_PIXELS, true);
        y = integer_at(h, RAXIS_Y_PIXELS, true);
    }
    nx = x;
    ny = y;
    record_length = integer_at(h, RAXIS_RECORD_LENGTH, swap);
    ratio = std::bit_cast<float>(integer_at(h, RAXIS_RATIO, swap));
    // The header fills whole records: the first record when it is longer than 1024 bytes.
    header_length = record_length > RAXIS_HEADER_BYTES ? record_length : RAXIS_HEADER_BYTES;
    retstat = count_valid(nx) && count_valid(ny) ? 0 : 2;
}

namespace {

// The stored image of the header of the file open on the input slot, with
// the header's codes (0 read, 1 unreadable, 2 impossible counts). Where the
// header is not a whole record long, the pixels follow its 1024 bytes.
int raxis_image(int handle, FioStoredImage& image, float& ratio)
{
    int retstat = 0;
    bool swap = false;
    int header_length = 0, record_length = 0, nx = 0, ny = 0;
    FIO_IN_RAXISHEADERC(retstat, swap, header_length, record_length, nx, ny, ratio);
    image = FioStoredImage{.handle = handle,
                           .nx = nx,
                           .ny = ny,
                           .type = FIO_I2,
                           .is_signed = true,
                           .swap = swap,
                           .start_byte = header_length + 1LL};
    if (!fio_file_holds(image)) image.start_byte = RAXIS_HEADER_BYTES + 1;
    return retstat;
}

} // namespace

void fio_raxis_size(std::string_view file_name, int& width, int& height, int& retstat, int& status)
{
    fio_probe_stored(file_name, width, height, retstat, status,
                     [&](int handle, FioStoredImage& image) {
                         float ratio = 0.0f;
                         return raxis_image(handle, image, ratio) == 0;
                     });
}

void fio_read_raxis(FioCall& call, FioTarget& target, int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine FIO_IN_RAXIS V0.3")) return;
    int handle = 0;
    if (!fio_open_reader_file(call, {"R-AXIS DATA FILE NAME"}, handle, retstat, status)) return;
    FioSlotGuard guard(handle);
    FioStoredImage image;
    float ratio = 0.0f;
    retstat = raxis_image(handle, image, ratio);
    if (retstat == 1) {
        io_say("WARNING: Problem reading in file header");
        return;
    }
    if (retstat != 0) {
        io_say("WARNING: The image size in the header is not valid (" + std::to_string(image.nx) +
               " * " + std::to_string(image.ny) + ")");
        return;
    }
    // A ratio that is no positive number would turn large values into nonsense.
    if (!std::isfinite(ratio) || ratio <= 0.0f) {
        io_say("WARNING: The photomultiplier ratio in the header is not valid; 1 is used");
        ratio = 1.0f;
    }
    const auto scale = [ratio](std::span<float> row) {
        for (float& v : row)
            if (v < 0.0f) v = (v + 32768.0f) * ratio;
    };
    fio_read_stored(call, image, scale, "(the file is cut short, or its header is wrong)", target,
                    retstat, status);
    if (status != ST_GOOD_VALUE || retstat != 0) return;
    fio_detector_finish(target);
    target.overload_value = RAXIS_LARGEST_STORED * std::max(1.0f, ratio);
}

void FIO_IN_RAXIS(bool gui, bool& variances_exist, std::string& file_name, int& retstat,
                  int& xnumdat, int& ynumdat, std::span<float> x_axis, std::span<float> y_axis,
                  const ImageView& data, const ImageView& variances, std::string& title,
                  std::string& xlabel, std::string& ylabel, std::string& zlabel,
                  float& overload_value, int& status)
{
    if (!st_enter(status, "Subroutine FIO_IN_RAXIS V0.3")) return;
    FioTarget target;
    fio_call_reader(fio_read_raxis, gui, variances_exist, file_name, retstat, xnumdat, ynumdat,
                    x_axis, y_axis, data, variances, title, xlabel, ylabel, zlabel, target,
                    &overload_value, status);
}
