// The MIRL gas 2-D detector: a histogram-memory data file without an
// extension, described by the binary "hm" file beside it (the data file's
// name with "hm" appended). The data file may start with a 512-byte header
// record; then come the images of a sequence, each line after line, the
// first stored line being image row 1, in 512-byte records.
//
// The "hm" file holds 32-bit integers in the byte order of the computer that
// wrote it: the header type (1 is the only layout known), X pixels, Y pixels,
// the number of images in the sequence, and the bits per pixel (16 or 32).
// Its byte order, found from the header type, is the data's unless the user
// says otherwise; the header record, the byte swapping, the signedness and
// the image are confirmed by the user.

#include <cerrno>
#include <cstdint>
#include <string>

#include "fio/detector.h"
#include "io/fields.h"
#include "io/status.h"
#include "io/system.h"

namespace {

constexpr std::string_view POSITION = "Subroutine FIO_IN_GAS2D V0.1";

// The words of the "hm" file.
enum HmWord { HM_TYPE = 0, HM_X_PIXELS, HM_Y_PIXELS, HM_IMAGES, HM_BITS, HM_WORDS };
constexpr int HM_KNOWN_TYPE = 1;
constexpr int RECORD_BYTES = 512;
constexpr int HEADER_RECORD_BYTES = 512;

constexpr std::string_view HEADER_KEY = "#GAS_HEADER_RECORD";
constexpr std::string_view SWAP_KEY = "#GAS_SWAP";
constexpr std::string_view SIGNED_KEY = "#GAS_SIGNED";
constexpr std::string_view IMAGE_KEY = "#GAS_IMAGE";

struct HmHeader
{
    long long nx = 0, ny = 0, images = 0;
    int value_bytes = 2;
    bool big_endian = false;
    long long image_bytes = 0;
};

// A file opened on the input slot without a word; false when it cannot be.
bool open_quietly(const std::string& name, int& handle)
{
    int opened = 0;
    FIO_FILEOPENC(name, FIO_READ_BINARY, opened, handle);
    return opened == FIO_OK;
}

// The "hm" file of a data file read; false (with the reason when the call is
// given, none for a silent reading) when
// it cannot be read or describes no image.
bool read_hm(const std::string& data_name, const FioCall* call, HmHeader& h, int& status)
{
    const bool say = call != nullptr;
    int handle = 0;
    if (!open_quietly(data_name + "hm", handle)) {
        if (say) io_say("WARNING: Error in opening the \"hm\" header file: " + data_name + "hm");
        return false;
    }
    FioSlotGuard guard(handle);
    std::uint8_t bytes[4 * HM_WORDS];
    const bool read = fio_read_fixed_header(handle, bytes, false);
    auto word = [&](int k, bool big) {
        return static_cast<long long>(FIO_TIFF_INTEGER(std::span(bytes + 4 * k, 4), 4, big, true));
    };
    if (read && word(HM_TYPE, false) == HM_KNOWN_TYPE)
        h.big_endian = false;
    else if (read && word(HM_TYPE, true) == HM_KNOWN_TYPE)
        h.big_endian = true;
    else {
        if (say)
            fio_warn_twice(*call, "WARNING: Unknown image header file type (\"hm\" file)",
                           "UNKNOWN IMAGE HEADER FILE TYPE", status);
        return false;
    }
    h.nx = word(HM_X_PIXELS, h.big_endian);
    h.ny = word(HM_Y_PIXELS, h.big_endian);
    h.images = word(HM_IMAGES, h.big_endian);
    const long long bits = word(HM_BITS, h.big_endian);
    if (bits != 16 && bits != 32) {
        if (say) io_say("WARNING: Unknown number of bits per pixel (data length)");
        return false;
    }
    h.value_bytes = static_cast<int>(bits / 8);
    long long all = 0;
    if (h.nx < 1 || h.ny < 1 || h.images < 1 ||
        __builtin_mul_overflow(h.nx * h.ny, static_cast<long long>(h.value_bytes),
                               &h.image_bytes) ||
        __builtin_mul_overflow(h.image_bytes, h.images, &all)) {
        if (say)
            io_say("WARNING: The \"hm\" file gives an impossible image: " + std::to_string(h.nx) +
                   " x " + std::to_string(h.ny) + " pixels, " + std::to_string(h.images) +
                   " image(s)");
        return false;
    }
    return true;
}

// Whether the data file starts with a header record: its size tells.
bool has_header_record(const HmHeader& h, long long size)
{
    return size == h.image_bytes * h.images + HEADER_RECORD_BYTES;
}

// The size of a data file; -1 when it cannot be opened.
long long data_size(const std::string& name)
{
    int handle = 0;
    if (!open_quietly(name, handle)) return -1;
    FioSlotGuard guard(handle);
    return fio_open_size(handle);
}

} // namespace

void FIO_IN_GAS4(const FioCall& call, const FioStoredImage& image, FioTarget& target,
                 int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine FIO_IN_GAS4 V0.1")) return;
    FioStoredImage records = image;
    records.type = FIO_I4;
    records.block = RECORD_BYTES / 4;
    errno = 0;
    fio_read_stored(call, records, {}, "(the data file is cut short, or its \"hm\" file wrong)",
                    target, retstat, status);
    if (status == ST_GOOD_VALUE && retstat == 5 && errno != 0)
        io_say("ERROR: Problem reading file. Operating system error code = " +
               io_fortran_i(errno, 8));
}

void fio_read_gas2d(FioCall& call, FioTarget& target, int& retstat, int& status)
{
    if (!st_enter(status, POSITION)) return;
    if (!call.gui) {
        // The name asked until a data file opens; its "hm" file is read next.
        int handle = 0;
        if (!fio_open_reader_file(call, {"GAS 2-D DETECTOR (MIRL) DATA FILE NAME"}, handle, retstat,
                                  status))
            return;
        FIO_FILECLOSEC(handle, retstat);
    }
    HmHeader h;
    if (!read_hm(call.file_name, &call, h, status)) {
        if (status == ST_GOOD_VALUE) retstat = 1;
        return;
    }
    io_say("INFO: Size of image = " + std::to_string(h.nx) + " * " + std::to_string(h.ny));
    io_say("INFO: Number of stored images = " + std::to_string(h.images));
    const long long size = data_size(call.file_name);
    if (size < 0) {
        io_say("WARNING: Error in opening histogram memory file");
        const std::string lines[] = {"PROBLEM WITH HISTOGRAM MEMORY FILE:", call.file_name,
                                     "FILE NOT OPENED"};
        fio_warning(lines, status);
        if (status == ST_GOOD_VALUE) retstat = 1;
        return;
    }

    // What the files suggest, unless the user says otherwise (or said so for
    // the last file of the series).
    bool header = has_header_record(h, size);
    bool swap = h.big_endian != IO_BIG_ENDIAN(status);
    bool is_signed = false;
    int image = 1;
    if (!fio_answer_logical(call,
                            {"BINARY \"HM\" FILE HEADER",
                             "\"YES\" if the data file starts with a 512-byte header record",
                             HEADER_KEY},
                            header, retstat, status) ||
        !fio_answer_logical(call,
                            {"PERFORM BYTE SWAPPING",
                             "\"YES\" if the byte order needs to be changed", SWAP_KEY},
                            swap, retstat, status) ||
        !fio_answer_logical(call,
                            {"SIGNED DATA",
                             "\"YES\" if the data is signed, \"NO\" for unsigned data",
                             SIGNED_KEY},
                            is_signed, retstat, status) ||
        !fio_choose_number(call,
                           {"IMAGE NUMBER", "Enter number of the required image of the sequence",
                            IMAGE_KEY},
                           "image", h.images, call.image, image, retstat, status))
        return;

    int handle = 0;
    if (!open_quietly(call.file_name, handle)) {
        retstat = 1;
        return;
    }
    FioSlotGuard guard(handle);
    // The console says so as every reader does; the window shows it too.
    if ((h.nx > target.data.xmaxdat || h.ny > target.data.ymaxdat) && call.gui &&
        !FIO_INQ_BATCH()) {
        const std::string line[] = {"IMAGE TOO BIG FOR PROGRAMS ARRAYS"};
        fio_warning(line, status);
    }
    const FioStoredImage stored{
        .handle = handle,
        .nx = static_cast<int>(h.nx),
        .ny = static_cast<int>(h.ny),
        .type = FIO_I2,
        .is_signed = is_signed,
        .swap = swap,
        .start_byte = (header ? HEADER_RECORD_BYTES : 0) + (image - 1) * h.image_bytes + 1,
        .record_bytes = RECORD_BYTES};
    if (h.value_bytes == 4)
        FIO_IN_GAS4(call, stored, target, retstat, status);
    else
        fio_read_stored(call, stored, {}, "(the data file is cut short, or its \"hm\" file wrong)",
                        target, retstat, status);
    if (status != ST_GOOD_VALUE || retstat != 0) return;
    fio_detector_finish(target);
}

void fio_gas2d_size(std::string_view file_name, int& width, int& height, int& retstat, int& status)
{
    HmHeader h;
    const std::string name(st_trim(file_name));
    retstat = 1;
    if (status != ST_GOOD_VALUE || !read_hm(name, nullptr, h, status)) return;
    // A data file too short for one image either way is left to the reader to refuse.
    fio_probe_size(name, width, height, retstat, status, [&](int handle, int& w, int& h_) {
        if (fio_open_size(handle) < h.image_bytes) return false;
        w = static_cast<int>(h.nx);
        h_ = static_cast<int>(h.ny);
        return true;
    });
}

void FIO_IN_GAS2D(bool gui, bool& variances_exist, std::string& file_name, int& retstat,
                  int& xnumdat, int& ynumdat, std::span<float> x_axis, std::span<float> y_axis,
                  const ImageView& data, const ImageView& variances, std::string& title,
                  std::string& xlabel, std::string& ylabel, std::string& zlabel, int& status)
{
    if (!st_enter(status, POSITION)) return;
    FioTarget target;
    fio_call_reader(fio_read_gas2d, gui, variances_exist, file_name, retstat, xnumdat, ynumdat,
                    x_axis, y_axis, data, variances, title, xlabel, ylabel, zlabel, target,
                    nullptr, status);
}
