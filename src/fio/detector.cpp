// What the detector readers (and the raw reader) share: a stored image read
// region by region through the typed transfers, the file name asked on the
// terminal, and the finishing touches of a detector image.

#include "fio/detector.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "io/database.h"
#include "io/status.h"
#include "io/terminal.h"

namespace {

using Transfer = void (*)(const FioTransfer&, const ImageView&, int&, int&, int&);
constexpr Transfer TRANSFERS[4] = {FIO_INP_2DBYTE, FIO_INP_2DI2, FIO_INP_2DI4, FIO_INP_2DR4};
constexpr int TYPE_BYTES[4] = {1, 2, 4, 4};

// Blocks of 20000 bytes.
constexpr int BUFFER_BYTES = 20000;

bool multiply(long long a, long long b, long long& product)
{
    return !__builtin_mul_overflow(a, b, &product);
}

// The scale applied to every row of `rows` rows of `width` values.
void map_rows(const FioValueMap& map, const ImageView& v, int width, int rows)
{
    if (!map) return;
    for (int j = 1; j <= rows; ++j)
        map(std::span<float>(&v(1, j), static_cast<std::size_t>(width)));
}

// A cancelled question: nothing is read, and that is no fault.
bool answer_cancelled(int& retstat, int& status)
{
    if (!st_is_escape(status)) return false;
    status = ST_GOOD_VALUE;
    retstat = -1;
    return true;
}

} // namespace

int fio_type_bytes(int type)
{
    return type >= FIO_BYTE && type <= FIO_R4 ? TYPE_BYTES[type - 1] : 0;
}

long long fio_stored_end(const FioStoredImage& image)
{
    const int size = fio_type_bytes(image.type);
    long long pixels = 0;
    long long bytes = 0;
    if (size == 0 || image.nx < 1 || image.ny < 1 || image.start_byte < 1 ||
        !multiply(image.nx, image.ny, pixels) || !multiply(pixels, size, bytes) ||
        bytes > (1LL << 62) || image.start_byte > (1LL << 62))
        return -1;
    return bytes + image.start_byte - 1;
}

bool fio_file_holds(const FioStoredImage& image)
{
    const long long end = fio_stored_end(image);
    return end >= 0 && end <= fio_open_size(image.handle);
}

void fio_read_stored(const FioCall& call, const FioStoredImage& image, const FioValueMap& map,
                     std::string_view hint, FioTarget& target, int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine FIO_READ_STORED V0.1")) return;
    // The whole image must be in the file: a short file would otherwise show
    // the values of a previous image as data.
    const long long needed = fio_stored_end(image);
    const long long size = fio_open_size(image.handle);
    if (needed < 0 || size < needed) {
        io_say("WARNING: The file holds " + std::to_string(size) + " bytes, but the layout needs " +
               (needed < 0 ? std::string("more than 2**62") : std::to_string(needed)) + " " +
               std::string(hint));
        retstat = 5;
        return;
    }

    FioRegion region{
        1, 1, std::min(image.nx, target.data.xmaxdat), std::min(image.ny, target.data.ymaxdat),
        1, 1};
    if (call.region == nullptr) fio_warn_array_size(image.nx, image.ny, target.data);
    if (call.region != nullptr) {
        region = *call.region;
        region.x2 = std::min(region.x2, image.nx);
        region.y2 = std::min(region.y2, image.ny);
        if (region.x1 < 1 || region.y1 < 1 || region.x1 > region.x2 || region.y1 > region.y2 ||
            region.xbin < 1 || region.ybin < 1) {
            io_say("WARNING: Image contains none of desired region");
            retstat = 4;
            return;
        }
    }
    if (const std::string fault = fio_region_fault(region, target.data); !fault.empty()) {
        io_say("WARNING: " + fault);
        retstat = 4;
        return;
    }
    const int width = region.x2 - region.x1 + 1;
    const int height = region.y2 - region.y1 + 1;
    const int out_x = width / region.xbin;
    const int out_y = height / region.ybin;

    FioTransfer t;
    t.handle = image.handle;
    t.swap = image.swap;
    t.is_signed = image.is_signed;
    t.reverse_x = image.reverse_x;
    t.reverse_y = image.reverse_y;
    t.nx = image.nx;
    t.ny = image.ny;
    t.xstart = region.x1;
    t.ystart = region.y1;
    t.xend = region.x2;
    t.yend = region.y2;
    t.start_byte = image.start_byte;
    t.buffer_elements =
        image.block > 0 ? image.block : BUFFER_BYTES / fio_type_bytes(image.type);
    // Re-binned regions are read whole first, scaled, and then summed in blocks.
    const bool binned = region.xbin > 1 || region.ybin > 1;
    std::vector<float> unbinned;
    ImageView into = target.data;
    if (binned) {
        unbinned.assign(static_cast<std::size_t>(width) * height, 0.0f);
        into = ImageView{unbinned.data(), width, height};
    }
    int xnum = 0;
    int ynum = 0;
    if (image.record_bytes > 0 && image.type == FIO_I2) {
        t.buffer_elements = std::max(t.buffer_elements, (image.record_bytes + 1) / 2);
        IO_INP_2DI2(t, image.record_bytes, into, xnum, ynum, status);
    } else {
        TRANSFERS[image.type - 1](t, into, xnum, ynum, status);
    }
    if (status == FIO_STATUS_READ_FAILURE) {
        status = ST_GOOD_VALUE;
        retstat = 5;
        return;
    }
    if (status != ST_GOOD_VALUE) return;
    map_rows(map, into, xnum, ynum);
    if (binned) {
        for (int y = 1; y <= out_y; ++y)
            std::fill_n(&target.data(1, y), out_x, 0.0f);
        for (int r = 0; r < out_y * region.ybin; ++r)
            fio_bin_row(std::span<const float>(&into(1, r + 1), static_cast<std::size_t>(width)),
                        region.xbin, &target.data(1, r / region.ybin + 1), out_x);
        xnum = out_x;
        ynum = out_y;
    }
    target.xnumdat = xnum;
    target.ynumdat = ynum;
    fio_fill_axis(target.x_axis, xnum, region.x1, region.xbin);
    fio_fill_axis(target.y_axis, ynum, region.y1, region.ybin);
    retstat = 0;
}

bool fio_open_reader_file(FioCall& call, const FioFileQuestion& question, int& handle, int& retstat,
                          int& status)
{
    if (status != ST_GOOD_VALUE) return false;
    const auto open = [&] {
        if (question.file_of != nullptr) call.file_name = question.file_of(call.file_name, status);
        FIO_FILEOPEN(call.file_name, question.access, retstat, handle, status);
        return status == ST_GOOD_VALUE && retstat == FIO_OK;
    };
    if (call.gui) {
        if (open()) return true;
        if (status == ST_GOOD_VALUE) io_say(question.not_opened);
        retstat = 1;
        return false;
    }
    const std::string help_lines[] = {std::string(question.help)};
    while (status == ST_GOOD_VALUE) {
        IO_INPC(question.prompt, help_lines, "Unacceptable input", call.file_name, status);
        if (status != ST_GOOD_VALUE) break;
        if (open()) return true;
        io_say(question.retry);
        if (!question.retry_more.empty()) io_say(question.retry_more);
    }
    answer_cancelled(retstat, status);
    return false;
}

bool fio_read_fixed_header(int handle, std::span<std::uint8_t> header, bool say)
{
    // A file shorter than the header is said here once, not as the byte
    // layer's short read.
    const long long size = fio_open_size(handle);
    int retstat = FIO_OK;
    int got = 0;
    if (size >= static_cast<long long>(header.size()))
        FIO_FILEPREADC(handle, 0, static_cast<int>(header.size()), FIO_NO_SWAP, retstat, got,
                       header);
    if (size >= static_cast<long long>(header.size()) && retstat == FIO_OK) return true;
    if (say) io_say("WARNING: Problem reading in file header");
    return false;
}

int fio_kept_answer(std::string_view key, int fallback, int& status)
{
    int value = fallback;
    int found = 1;
    IO_INQ_IKEYVALUE(key, value, found, status);
    return found == 0 ? value : fallback;
}

void fio_keep_answer(std::string_view key, int value, int& status)
{
    int retstat = 0;
    IO_SET_IKEYVALUE(key, value, retstat, status);
}

bool fio_asks(const FioCall& call)
{
    return call.ask && !(call.gui && FIO_INQ_BATCH());
}

bool fio_answer_logical(const FioCall& call, const FioQuestion& question, bool& value,
                        int& retstat, int& status)
{
    if (status != ST_GOOD_VALUE) return false;
    if (!fio_asks(call)) {
        value = fio_kept_answer(question.key, value ? 1 : 0, status) != 0;
        return status == ST_GOOD_VALUE;
    }
    const std::string help[] = {std::string(question.help)};
    if (call.gui)
        GS_INPL(true, question.prompt, 1, help, value, status);
    else
        IO_INPL(question.prompt, help, value, status);
    if (answer_cancelled(retstat, status) || status != ST_GOOD_VALUE) return false;
    fio_keep_answer(question.key, value ? 1 : 0, status);
    return status == ST_GOOD_VALUE;
}

bool fio_choose_number(const FioCall& call, const FioQuestion& question, std::string_view what,
                       long long count, int given, int& number, int& retstat, int& status)
{
    if (status != ST_GOOD_VALUE) return false;
    const int high = static_cast<int>(std::clamp<long long>(count, 1, INT32_MAX));
    const bool asked = given == 0 && count > 1 && fio_asks(call);
    if (given != 0)
        number = given;
    else if (count == 1)
        number = 1;
    else
        number = fio_kept_answer(question.key, 1, status);
    if (asked) {
        number = std::clamp(number, 1, high);
        const std::string help[] = {std::string(question.help)};
        const std::string range[] = {"Enter integer within given range"};
        if (call.gui) {
            GS_INPI(true, 1, high, true, question.prompt, 1, help, 1, range, number, status);
        } else {
            const std::string lines[] = {help[0], range[0]};
            IO_INPI(true, 1, high, question.prompt, lines, number, status);
        }
        if (answer_cancelled(retstat, status) || status != ST_GOOD_VALUE) return false;
        fio_keep_answer(question.key, number, status);
    }
    if (number < 1 || number > count) {
        io_say("WARNING: The file holds " + std::to_string(count) + " " + std::string(what) +
               "(s): " + std::string(what) + " " + std::to_string(number) + " cannot be input");
        retstat = 1;
        return false;
    }
    return status == ST_GOOD_VALUE;
}

void fio_warn_array_size(long long width, long long height, const ImageView& data)
{
    if (width <= data.xmaxdat && height <= data.ymaxdat) return;
    io_say("WARNING: The image has " + std::to_string(width) + " * " + std::to_string(height) +
           " pixels, the program array " + std::to_string(data.xmaxdat) + " * " +
           std::to_string(data.ymaxdat) + ": only part of it is input");
}

void fio_detector_finish(FioTarget& target)
{
    target.xlabel = "Columns";
    target.ylabel = "Rows";
    target.zlabel = "Intensity";
    const ImageView& v = target.variances;
    if (!target.variances_exist) return;
    // Variances live in an array of the data's shape; without one there are none.
    if (v.data == nullptr || v.xmaxdat < target.xnumdat || v.ymaxdat < target.ynumdat) {
        target.variances_exist = false;
        return;
    }
    for (int j = 1; j <= target.ynumdat; ++j)
        std::copy_n(&target.data(1, j), target.xnumdat, &v(1, j));
}

void fio_warn_twice(const FioCall& call, std::string_view console, std::string_view box,
                    int& status)
{
    io_say(console);
    if (!call.gui || FIO_INQ_BATCH()) return;
    const std::string line[] = {std::string(box)};
    fio_warning(line, status);
}

void fio_call_reader(FioReader reader, bool gui, bool& variances_exist, std::string& file_name,
                     int& retstat, int& xnumdat, int& ynumdat, std::span<float> x_axis,
                     std::span<float> y_axis, const ImageView& data, const ImageView& variances,
                     std::string& title, std::string& xlabel, std::string& ylabel,
                     std::string& zlabel, FioTarget& target, float* overload_value, int& status)
{
    if (!fio_dimensions_valid(data, "Subroutine FIO_CALL_READER V0.1", status)) return;
    FioCall call{gui, true, file_name, nullptr};
    const float x_pixel_size = target.x_pixel_size;
    const float y_pixel_size = target.y_pixel_size;
    target = fio_target(data, variances, x_axis, y_axis, variances_exist);
    target.title = title;
    target.x_pixel_size = x_pixel_size;
    target.y_pixel_size = y_pixel_size;
    reader(call, target, retstat, status);
    file_name = call.file_name;
    if (status != ST_GOOD_VALUE || retstat != 0) return;
    fio_give_back(target, xnumdat, ynumdat, title, xlabel, ylabel, zlabel);
    variances_exist = target.variances_exist;
    if (overload_value != nullptr) *overload_value = target.overload_value;
}

void fio_probe_size(std::string_view file_name, int& width, int& height, int& retstat, int& status,
                    const std::function<bool(int handle, int& width, int& height)>& size_of)
{
    retstat = 1;
    int handle = 0;
    if (status != ST_GOOD_VALUE) return;
    FIO_FILEOPENC(st_trim(file_name), FIO_READ_BINARY, retstat, handle);
    if (retstat != FIO_OK) {
        retstat = 1;
        return;
    }
    FioSlotGuard guard(handle);
    int w = 0, h = 0;
    retstat = 1;
    if (!size_of(handle, w, h)) return;
    width = w;
    height = h;
    retstat = 0;
}

void fio_probe_stored(std::string_view file_name, int& width, int& height, int& retstat,
                      int& status,
                      const std::function<bool(int handle, FioStoredImage& image)>& image_of)
{
    fio_probe_size(file_name, width, height, retstat, status, [&](int handle, int& w, int& h) {
        FioStoredImage image;
        image.handle = handle;
        if (!image_of(handle, image) || !fio_file_holds(image)) return false;
        w = image.nx;
        h = image.ny;
        return true;
    });
}
