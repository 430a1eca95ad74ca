// ADSC detector images (e.g. Quantum 4): a keyword text header, "{" ... "}",
// then unsigned 16-bit pixels from byte HEADER_BYTES + 1, the first stored
// line image row 1, in the byte order the header names.

#include <string>
#include <vector>

#include "fio/detector.h"
#include "fio/keyword_header.h"
#include "io/convert.h"
#include "io/status.h"
#include "io/system.h"

namespace {

// The header is searched in blocks of this size.
constexpr int ADSC_BLOCK = 4096;
// The one pixel type: a pixel at 65535 is saturated.
constexpr float ADSC_OVERLOAD = 65535.0f;

struct AdscLayout
{
    long long header_bytes = 0;
    int nx = 0, ny = 0;
    bool big_endian = false;
};

void say_if(bool say, std::string_view line)
{
    if (say) io_say(line);
}

void unsupported_type(bool say)
{
    say_if(say, "WARNING: The image data in this file has been written using an unsupported");
    say_if(say, "data type. It cannot be input.");
}

// The type names of 16-bit unsigned pixels: the ADSC key and the longer key
// that other writers of the format use; any other type is refused rather
// than read as the wrong values.
bool type_supported(const FioKeywordHeader& h)
{
    const std::string* type = h.find("TYPE");
    if (type != nullptr && IO_UPPER(*type) != "UNSIGNED_SHORT") return false;
    const std::string* data_type = h.find("DATA_TYPE");
    if (data_type == nullptr) return true;
    std::vector<std::string> words;
    int n = 0;
    int status = ST_GOOD_VALUE;
    IO_TOKENS(IO_UPPER(*data_type), 8, n, words, status);
    return n == 3 && words[0] == "UNSIGNED" && words[1] == "SHORT" && words[2] == "INT";
}

// The layout from the header of the open file; false (with the reason when
// `say`) when it cannot be read from it.
bool adsc_layout(int handle, bool say, AdscLayout& layout, int& status)
{
    FioKeywordHeader h;
    int retstat = 0;
    fio_read_keyword_header(handle, 0, ADSC_BLOCK, say, h, retstat);
    if (retstat != FIO_KEYWORDS_READ) return false;
    long long header_bytes = -1;
    long long nx = 0;
    long long ny = 0;
    long long dimensions = 2;
    const bool have_header = fio_keyword_integer(h, "HEADER_BYTES", say, header_bytes);
    const bool have_x = fio_keyword_integer(h, "SIZE1", say, nx);
    const bool have_y = fio_keyword_integer(h, "SIZE2", say, ny);
    fio_keyword_integer(h, "DIM", say, dimensions);
    if (dimensions != 2) {
        say_if(say, "ERROR: Only 2-dimensional data supported at present");
        return false;
    }
    if (!type_supported(h)) {
        unsupported_type(say);
        return false;
    }
    if (!have_x || !have_y) {
        say_if(say, "ERROR: The size of the image was not found");
        return false;
    }
    if (!have_header) {
        say_if(say, "ERROR: The size of header was not found");
        return false;
    }
    if (nx < 1 || ny < 1) {
        say_if(say, "WARNING: The image size in the header is not valid: " + std::to_string(nx) +
                        " * " + std::to_string(ny));
        return false;
    }
    // The pixels never start inside the header text.
    if (header_bytes < h.end) {
        say_if(say, "WARNING: The header length (" + std::to_string(header_bytes) +
                        ") is shorter than the header text");
        return false;
    }
    layout.header_bytes = header_bytes;
    layout.nx = static_cast<int>(nx);
    layout.ny = static_cast<int>(ny);
    const std::string* order = h.find("BYTE_ORDER");
    layout.big_endian = IO_BIG_ENDIAN(status);
    if (order != nullptr) {
        const std::string value = IO_LOWER(*order);
        if (value == "big_endian")
            layout.big_endian = true;
        else if (value == "little_endian")
            layout.big_endian = false;
    }
    return true;
}

// The stored image the header of the open file describes.
bool adsc_image(int handle, bool say, FioStoredImage& image, int& status)
{
    AdscLayout layout;
    if (!adsc_layout(handle, say, layout, status)) return false;
    image = FioStoredImage{.handle = handle,
                           .nx = layout.nx,
                           .ny = layout.ny,
                           .type = FIO_I2,
                           .swap = layout.big_endian != IO_BIG_ENDIAN(status),
                           .start_byte = layout.header_bytes + 1};
    return true;
}

} // namespace

void fio_read_adsc(FioCall& call, FioTarget& target, int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine FIO_IN_ADSC V0.4")) return;
    int handle = 0;
    if (!fio_open_reader_file(call, {"ADSC DATA FILE NAME"}, handle, retstat, status)) return;
    FioSlotGuard guard(handle);
    FioStoredImage image;
    if (!adsc_image(handle, true, image, status)) {
        retstat = 1;
        return;
    }
    fio_read_stored(call, image, {}, "(the file is cut short, or its header is wrong)", target,
                    retstat, status);
    if (status != ST_GOOD_VALUE || retstat != 0) return;
    fio_detector_finish(target);
    target.overload_value = ADSC_OVERLOAD;
}

void FIO_IS_ADSC(std::string_view file_name, int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine FIO_IS_ADSC V0.3")) return;
    fio_test_keyword_file(file_name, retstat, status);
}

void fio_adsc_size(std::string_view file_name, int& width, int& height, int& retstat, int& status)
{
    fio_probe_stored(file_name, width, height, retstat, status,
                     [&](int handle, FioStoredImage& image) {
                         return adsc_image(handle, false, image, status);
                     });
}

void FIO_IN_ADSC(bool gui, bool& variances_exist, std::string& file_name, int& retstat,
                 int& xnumdat, int& ynumdat, std::span<float> x_axis, std::span<float> y_axis,
                 const ImageView& data, const ImageView& variances, std::string& title,
                 std::string& xlabel, std::string& ylabel, std::string& zlabel,
                 float& overload_value, int& status)
{
    if (!st_enter(status, "Subroutine FIO_IN_ADSC V0.4")) return;
    FioTarget target;
    fio_call_reader(fio_read_adsc, gui, variances_exist, file_name, retstat, xnumdat, ynumdat,
                    x_axis, y_axis, data, variances, title, xlabel, ylabel, zlabel, target,
                    &overload_value, status);
}
