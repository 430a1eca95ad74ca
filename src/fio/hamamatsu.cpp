// HAMAMATSU PHOTONICS (C4880 CCD) images: a little-endian binary header in
// one of two layouts, then 8- or 16-bit unsigned pixels stored from the top
// right corner: the image is mirrored in X and in Y, the last stored pixel
// is pixel (1, 1).

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fio/detector.h"
#include "io/status.h"
#include "io/system.h"

namespace {

// The bytes of the header that are examined.
constexpr int EXAMINED_BYTES = 128;

// The layout that starts "IM": a 64-byte header, a comment, the pixels.
enum TaggedField {
    TAGGED_COMMENT_LENGTH = 2,
    TAGGED_WIDTH = 4,
    TAGGED_HEIGHT = 6,
    TAGGED_X_OFFSET = 8,
    TAGGED_Y_OFFSET = 10,
    TAGGED_FILE_TYPE = 12,
    TAGGED_HEADER_BYTES = 64
};
// The file type of 16-bit pixels in the tagged layout.
constexpr int TAGGED_16_BITS = 2;
// The other layout: a 256-byte header.
enum PlainField {
    PLAIN_X_OFFSET = 16,
    PLAIN_Y_OFFSET = 18,
    PLAIN_WIDTH = 20,
    PLAIN_HEIGHT = 22,
    PLAIN_BITS = 48,
    PLAIN_HEADER_BYTES = 256
};

struct HamamatsuLayout
{
    int width = 0, height = 0, x_offset = 0, y_offset = 0, bits = 0;
    long long start_byte = 1;
};

int word_at(const std::vector<std::uint8_t>& header, int at)
{
    return header[static_cast<std::size_t>(at)] | header[static_cast<std::size_t>(at) + 1] << 8;
}

// The layout from the first bytes of the open file; false (with the reason
// when `say`) when they do not describe an image.
bool hamamatsu_layout(int handle, bool say, HamamatsuLayout& l)
{
    std::vector<std::uint8_t> header(EXAMINED_BYTES, 0);
    const long long size = fio_open_size(handle);
    const int wanted = static_cast<int>(std::clamp<long long>(size, 0, EXAMINED_BYTES));
    int retstat = 0;
    int got = 0;
    FIO_FILEPREADC(handle, 0, wanted, FIO_NO_SWAP, retstat, got, header);
    const bool tagged = got >= 2 && header[0] == 'I' && header[1] == 'M';
    const int header_bytes = tagged ? static_cast<int>(TAGGED_HEADER_BYTES) : PLAIN_HEADER_BYTES;
    if (retstat != FIO_OK || size < header_bytes) {
        if (say) io_say("WARNING: Problem reading in file header");
        return false;
    }
    if (tagged) {
        l.width = word_at(header, TAGGED_WIDTH);
        l.height = word_at(header, TAGGED_HEIGHT);
        l.x_offset = word_at(header, TAGGED_X_OFFSET);
        l.y_offset = word_at(header, TAGGED_Y_OFFSET);
        l.bits = word_at(header, TAGGED_FILE_TYPE) == TAGGED_16_BITS ? 16 : 8;
        l.start_byte = word_at(header, TAGGED_COMMENT_LENGTH) + TAGGED_HEADER_BYTES + 1;
    } else {
        l.x_offset = word_at(header, PLAIN_X_OFFSET);
        l.y_offset = word_at(header, PLAIN_Y_OFFSET);
        l.width = word_at(header, PLAIN_WIDTH);
        l.height = word_at(header, PLAIN_HEIGHT);
        l.bits = word_at(header, PLAIN_BITS);
        l.start_byte = PLAIN_HEADER_BYTES + 1;
    }
    if (say) {
        io_say("INFO: Image X-offset = " + std::to_string(l.x_offset));
        io_say("INFO: Image Y-offset = " + std::to_string(l.y_offset));
        io_say("INFO: Size of image = " + std::to_string(l.width) + " * " +
               std::to_string(l.height));
        io_say("INFO: Number of bits per pixel = " + std::to_string(l.bits));
    }
    if (l.width < 1 || l.height < 1) {
        if (say) io_say("WARNING: The image size in the header is not valid");
        return false;
    }
    // Wider pixels than 16 bits would be read as the wrong values.
    if (l.bits < 1 || l.bits > 16) {
        if (say) io_say("WARNING: Unsupported number of bits per pixel");
        return false;
    }
    return true;
}

// The stored image of a layout: 8-bit pixels with the byte routine,
// wider ones as 16 bits, little-endian, from the top right corner.
FioStoredImage hamamatsu_image(int handle, const HamamatsuLayout& l, int& status)
{
    const int type = l.bits <= 8 ? FIO_BYTE : FIO_I2;
    return FioStoredImage{.handle = handle,
                          .nx = l.width,
                          .ny = l.height,
                          .type = type,
                          .swap = type == FIO_I2 && IO_BIG_ENDIAN(status),
                          .reverse_x = true,
                          .reverse_y = true,
                          .start_byte = l.start_byte};
}

} // namespace

void fio_hamamatsu_size(std::string_view file_name, int& width, int& height, int& retstat,
                        int& status)
{
    fio_probe_stored(file_name, width, height, retstat, status,
                     [&](int handle, FioStoredImage& image) {
                         HamamatsuLayout l;
                         if (!hamamatsu_layout(handle, false, l)) return false;
                         image = hamamatsu_image(handle, l, status);
                         return true;
                     });
}

void fio_read_hamamatsu(FioCall& call, FioTarget& target, int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine FIO_IN_HAMAMATSU V0.4")) return;
    int handle = 0;
    if (!fio_open_reader_file(call, {"HAMAMATSU DATA FILE NAME"}, handle, retstat, status)) return;
    FioSlotGuard guard(handle);
    HamamatsuLayout l;
    if (!hamamatsu_layout(handle, true, l)) {
        retstat = 1;
        return;
    }
    fio_read_stored(call, hamamatsu_image(handle, l, status), {},
                    "(the file is cut short, or its header is wrong)", target, retstat, status);
    if (status != ST_GOOD_VALUE || retstat != 0) return;
    fio_detector_finish(target);
}

void FIO_IN_HAMAMATSU(bool gui, bool& variances_exist, std::string& file_name, int& retstat,
                      int& xnumdat, int& ynumdat, std::span<float> x_axis, std::span<float> y_axis,
                      const ImageView& data, const ImageView& variances, std::string& title,
                      std::string& xlabel, std::string& ylabel, std::string& zlabel, int& status)
{
    if (!st_enter(status, "Subroutine FIO_IN_HAMAMATSU V0.4")) return;
    FioTarget target;
    fio_call_reader(fio_read_hamamatsu, gui, variances_exist, file_name, retstat, xnumdat, ynumdat,
                    x_axis, y_axis, data, variances, title, xlabel, ylabel, zlabel, target, nullptr,
                    status);
}
