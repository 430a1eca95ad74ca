// MAR image-plate files: the old format (a header record as long as a line
// of 2-byte pixels, then the pixels, unpacked or packed, and overflow records
// for values above 65535) and the newer one (a 4096-byte header whose first
// integer is 1234, a packed image, then the "high" pixels apart). Either may
// be in either byte order. Every size, count and offset of a header is
// checked against the file before it is used.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fio/detector.h"
#include "io/convert.h"
#include "io/database.h"
#include "io/fields.h"
#include "io/filename.h"
#include "io/status.h"
#include "io/terminal.h"

namespace {

// First integers that say the file is in the machine's byte order: the mark
// of the newer format, and the line lengths of the first old scanners.
constexpr std::int32_t MAR345_MARK = 1234;
constexpr std::int32_t ORDER_MARKS[] = {MAR345_MARK, 1200, 2000};
// Old files of other line lengths are told by the length being plausible.
constexpr std::int32_t LONGEST_LINE = 65535;

constexpr long long MAR345_HEADER_BYTES = 4096;
constexpr int MAR345_BINARY_BYTES = 64;
constexpr int MAR345_TEXT_LINE = 64;
constexpr int MAR345_RECORD_BYTES = 64; // 8 overflow pairs
constexpr int MAR345_PACKED = 1;
constexpr double MICRONS_PER_METRE = 1.0e6;
constexpr double MILLIONTHS = 1.0e6;
constexpr double THOUSANDTHS = 1000.0;

// The newer header's integers (from 0).
enum Mar345Field {
    M345_SIZE = 1,
    M345_HIGH = 2,
    M345_STORAGE = 3,
    M345_PIXEL_X = 6,
    M345_PIXEL_Y = 7,
    M345_WAVELENGTH = 8,
    M345_DISTANCE = 9,
    M345_PHI_START = 10,
    M345_PHI_END = 11
};
// The old header's 4-byte words (from 0).
enum OldField {
    OLD_NY = 1,
    OLD_OVERFLOWS = 4,
    OLD_WAVELENGTH = 19,
    OLD_DISTANCE = 20,
    OLD_PHI_START = 21,
    OLD_PHI_END = 22
};
constexpr int OLD_DATE_AT = 100;
constexpr int OLD_DATE_LENGTH = 24;
constexpr int OLD_HEADER_USED = OLD_DATE_AT + OLD_DATE_LENGTH;
constexpr float OLD_PIXEL_SIZE = 150.0e-6f;

constexpr int PAIR_BYTES = 8;
constexpr int ADDRESS_WARNINGS = 10;
// At least one 6-bit block header for every 128 packed pixels.
constexpr long long PIXELS_PER_BLOCK = 128;
constexpr long long BLOCK_HEADER_BITS = 6;
constexpr float MAR_OVERLOAD = 131071.5f;

// What the header of either format says, and where things are in the file.
struct MarLayout
{
    bool newer = false;
    int nx = 0, ny = 0;
    long long overflows = 0;
    int storage = MAR345_PACKED;
    long long overflow_at = 0; // byte offset of the first overflow record
    int record_bytes = 0;      // of one overflow record
    int pairs_per_record = 0;
    long long pixels_at = 0; // unpacked pixels, or where the packed stream is looked for
    float x_pixel_size = OLD_PIXEL_SIZE, y_pixel_size = OLD_PIXEL_SIZE;
    std::string date;
    double distance_mm = 0, wavelength = 0, phi_start = 0, phi_end = 0;
};

enum HeaderResult { HEADER_OK, HEADER_UNREADABLE, HEADER_IMPOSSIBLE, HEADER_SHORT_FILE };

std::int32_t int_at(const std::vector<std::uint8_t>& bytes, std::size_t at, bool swap)
{
    std::int32_t v = 0;
    if (at + 4 > bytes.size()) return 0;
    std::memcpy(&v, bytes.data() + at, 4);
    return swap ? Fio_int_byte_swap(v) : v;
}

float real_at(const std::vector<std::uint8_t>& bytes, std::size_t at, bool swap)
{
    float v = 0.0f;
    if (at + 4 > bytes.size()) return 0.0f;
    std::memcpy(&v, bytes.data() + at, 4);
    return swap ? Fio_float_byte_swap(v) : v;
}

// Bytes from an offset, only when the file holds them all.
bool read_at(int handle, long long offset, long long count, std::vector<std::uint8_t>& bytes)
{
    const long long size = fio_open_size(handle);
    if (offset < 0 || count < 0 || count > size || offset > size - count || count > (1LL << 30))
        return false;
    bytes.assign(static_cast<std::size_t>(count), 0);
    int retstat = 0;
    int got = 0;
    FIO_FILEPREADC(handle, offset, static_cast<int>(count), FIO_NO_SWAP, retstat, got, bytes);
    return retstat == FIO_OK;
}

// Printable text of a header field.
std::string text_of(const std::uint8_t* p, std::size_t n)
{
    std::string s(reinterpret_cast<const char*>(p), n);
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) c = ' ';
    return std::string(st_strip(s));
}

long long ceil_div(long long a, long long b)
{
    return (a + b - 1) / b;
}

// a * b, or -1 when it does not fit.
long long product(long long a, long long b)
{
    long long p = 0;
    return __builtin_mul_overflow(a, b, &p) ? -1 : p;
}

// The bytes a packed stream of the image needs at the least.
long long least_stream_bytes(long long pixels)
{
    return ceil_div(ceil_div(pixels, PIXELS_PER_BLOCK) * BLOCK_HEADER_BITS, 8);
}

// The byte order from the first integer (read in the machine's order), and
// that integer in the file's order.
bool byte_order(int handle, bool& swap, std::int32_t& first)
{
    std::vector<std::uint8_t> bytes;
    if (!read_at(handle, 0, 4, bytes)) return false;
    const std::int32_t v = int_at(bytes, 0, false);
    auto marked = [](std::int32_t x) {
        return std::find(std::begin(ORDER_MARKS), std::end(ORDER_MARKS), x) !=
               std::end(ORDER_MARKS);
    };
    if (marked(v))
        swap = false;
    else if (marked(Fio_int_byte_swap(v)))
        swap = true;
    // An old file of another line length in the machine's order: read the
    // other way round its length would be 65536 or more.
    else
        swap = v < 1 || v > LONGEST_LINE;
    first = swap ? Fio_int_byte_swap(v) : v;
    return true;
}

HeaderResult old_layout(int handle, bool swap, int nx, bool packed, MarLayout& l)
{
    const long long size = fio_open_size(handle);
    const long long record = 2LL * nx;
    std::vector<std::uint8_t> h;
    if (nx < 1 || record > size ||
        !read_at(handle, 0, std::min<long long>(record, OLD_HEADER_USED), h))
        return HEADER_UNREADABLE;
    l.newer = false;
    l.nx = nx;
    l.ny = int_at(h, 4 * OLD_NY, swap);
    l.overflows = int_at(h, 4 * OLD_OVERFLOWS, swap);
    l.wavelength = real_at(h, 4 * OLD_WAVELENGTH, swap);
    l.distance_mm = real_at(h, 4 * OLD_DISTANCE, swap);
    l.phi_start = real_at(h, 4 * OLD_PHI_START, swap);
    l.phi_end = real_at(h, 4 * OLD_PHI_END, swap);
    if (h.size() >= static_cast<std::size_t>(OLD_HEADER_USED))
        l.date = text_of(h.data() + OLD_DATE_AT, OLD_DATE_LENGTH);
    if (l.ny < 1 || l.overflows < 0 || (l.overflows > 0 && nx < 4)) return HEADER_IMPOSSIBLE;
    l.record_bytes = static_cast<int>(record);
    l.pairs_per_record = nx / 4;
    const long long records = l.overflows > 0 ? ceil_div(l.overflows, l.pairs_per_record) : 0;
    // Neither the pixels nor the overflow records can be more than the file holds.
    const long long pixels = product(nx, l.ny);
    const long long overflow_bytes = product(records, record);
    if (pixels < 0 || overflow_bytes < 0 || overflow_bytes > size) return HEADER_SHORT_FILE;
    if (packed) {
        l.overflow_at = record;
        l.pixels_at = record + overflow_bytes;
        return l.pixels_at + least_stream_bytes(pixels) <= size ? HEADER_OK : HEADER_SHORT_FILE;
    }
    l.pixels_at = record;
    if (pixels > size) return HEADER_SHORT_FILE;
    l.overflow_at = record + 2 * pixels;
    return l.overflow_at + overflow_bytes <= size ? HEADER_OK : HEADER_SHORT_FILE;
}

HeaderResult newer_layout(int handle, bool swap, MarLayout& l)
{
    const long long size = fio_open_size(handle);
    std::vector<std::uint8_t> h;
    if (!read_at(handle, 0, MAR345_BINARY_BYTES, h)) return HEADER_UNREADABLE;
    l.newer = true;
    l.nx = l.ny = int_at(h, 4 * M345_SIZE, swap);
    l.overflows = int_at(h, 4 * M345_HIGH, swap);
    l.storage = int_at(h, 4 * M345_STORAGE, swap);
    l.x_pixel_size = static_cast<float>(int_at(h, 4 * M345_PIXEL_X, swap) / MICRONS_PER_METRE);
    l.y_pixel_size = static_cast<float>(int_at(h, 4 * M345_PIXEL_Y, swap) / MICRONS_PER_METRE);
    l.wavelength = int_at(h, 4 * M345_WAVELENGTH, swap) / MILLIONTHS;
    l.distance_mm = int_at(h, 4 * M345_DISTANCE, swap) / THOUSANDTHS;
    l.phi_start = int_at(h, 4 * M345_PHI_START, swap) / THOUSANDTHS;
    l.phi_end = int_at(h, 4 * M345_PHI_END, swap) / THOUSANDTHS;
    if (l.nx < 1 || l.overflows < 0) return HEADER_IMPOSSIBLE;
    l.record_bytes = MAR345_RECORD_BYTES;
    l.pairs_per_record = MAR345_RECORD_BYTES / PAIR_BYTES;
    l.overflow_at = MAR345_HEADER_BYTES;
    l.pixels_at = MAR345_HEADER_BYTES + ceil_div(l.overflows, l.pairs_per_record) * l.record_bytes;
    const long long stream =
        l.storage == MAR345_PACKED ? least_stream_bytes(static_cast<long long>(l.nx) * l.nx) : 0;
    if (l.pixels_at + stream > size) return HEADER_SHORT_FILE;
    // The text lines of the header, up to "END OF HEADER".
    std::vector<std::uint8_t> text;
    if (!read_at(handle, MAR345_BINARY_BYTES, MAR345_HEADER_BYTES - MAR345_BINARY_BYTES, text))
        return HEADER_SHORT_FILE;
    for (std::size_t at = 0; at + MAR345_TEXT_LINE <= text.size(); at += MAR345_TEXT_LINE) {
        const std::string line = text_of(text.data() + at, MAR345_TEXT_LINE);
        if (line.starts_with("END OF HEADER")) break;
        if (line.starts_with("DATE")) l.date = std::string(st_strip(line.substr(4)));
    }
    return HEADER_OK;
}

// The header of a file of either kind; swap and the first integer as byte_order gives them.
HeaderResult layout_of(int handle, bool swap, std::int32_t first, bool packed, MarLayout& l)
{
    return first == MAR345_MARK ? newer_layout(handle, swap, l)
                                : old_layout(handle, swap, first, packed, l);
}

// The size line and, for a fault, its warning; true when the layout will do.
bool say_layout(HeaderResult result, const MarLayout& l, const ImageView& data)
{
    if (result == HEADER_UNREADABLE) {
        io_say("WARNING: Problem reading in file header");
        return false;
    }
    io_say("INFO: Image size = " + io_fortran_i(l.nx, 6) + io_fortran_i(l.ny, 6) +
           " Number of overloaded pixels = " + io_fortran_i(l.overflows, 8));
    if (result == HEADER_IMPOSSIBLE) {
        io_say("WARNING: The file header gives an impossible image size or number of");
        io_say("         overloaded pixels: the file is damaged or is not a MAR file");
        return false;
    }
    if (result == HEADER_SHORT_FILE) {
        io_say("WARNING: The file is shorter than its header says: it cannot hold the");
        io_say("         image and its overloaded pixels");
        return false;
    }
    fio_warn_array_size(l.nx, l.ny, data);
    return true;
}

void say_geometry(const MarLayout& l, int& status)
{
    io_say("INFO: The following information has been extracted from the file header:");
    io_say("      Date and time of scan = " + l.date);
    io_say("      Sample to detector distance = " + io_fortran_f(l.distance_mm, 7, 2) + " mm ");
    io_say("      Wavelength is = " + io_fortran_f(l.wavelength, 9, 4) + " Angstroms");
    io_say("      Phi angle at the start of the oscillation = " + io_fortran_f(l.phi_start, 7, 3) +
           " degrees");
    io_say("      Phi angle at the end of the oscillation   = " + io_fortran_f(l.phi_end, 7, 3) +
           " degrees");
    io_say("      (These values may be changed using the \"GEOMETRY\" command.)");
    int retstat = 0;
    IO_SET_RKEYVALUE("SAMPLE_DISTANCE", static_cast<float>(l.distance_mm / THOUSANDTHS), retstat,
                     status);
}

// The overflow pairs (address from 1 along the lines, value) put over the
// pixels they name; addresses outside the image are skipped with a warning.
void place_overflows(int handle, bool swap, const MarLayout& l, const ImageView& data, int xnum,
                     int ynum)
{
    if (l.overflows == 0) return;
    const long long records = ceil_div(l.overflows, l.pairs_per_record);
    std::vector<std::uint8_t> bytes;
    // The layout has checked that the file holds them.
    if (!read_at(handle, l.overflow_at, records * l.record_bytes, bytes)) return;
    const long long pixels = static_cast<long long>(l.nx) * l.ny;
    long long invalid = 0;
    long long taken = 0;
    for (long long r = 0; r < records; ++r) {
        for (int p = 0; p < l.pairs_per_record && taken < l.overflows; ++p, ++taken) {
            const std::size_t at = static_cast<std::size_t>(r * l.record_bytes + p * PAIR_BYTES);
            const std::int32_t address = int_at(bytes, at, swap);
            const std::int32_t value = int_at(bytes, at + 4, swap);
            if (address < 1 || address > pixels) {
                if (++invalid <= ADDRESS_WARNINGS)
                    io_say("WARNING: Invalid Overloaded pixel address: " +
                           io_fortran_i(address, 14));
                continue;
            }
            const long long row = (address - 1) / l.nx + 1;
            const long long column = address - (row - 1) * l.nx;
            if (column <= xnum && row <= ynum)
                data(static_cast<int>(column), static_cast<int>(row)) = static_cast<float>(value);
        }
    }
    if (invalid > ADDRESS_WARNINGS)
        io_say("WARNING: " + std::to_string(invalid - ADDRESS_WARNINGS) +
               " more invalid overloaded pixel addresses were skipped");
}

// Positions the open file where the packed stream of a layout is looked for.
void seek_packed(int handle, const MarLayout& l)
{
    int rs = 0;
    int got = 0;
    std::uint8_t none[1];
    FIO_FILEPREADC(handle, l.pixels_at, 0, FIO_NO_SWAP, rs, got, none);
}

bool packed_stream_holds(int handle, const MarLayout& l)
{
    seek_packed(handle, l);
    return fio_pck_holds(handle, l.nx, l.ny);
}

// The packed image of a layout, decoded into the array.
void read_packed(int handle, const MarLayout& l, const ImageView& data, int& xnum, int& ynum,
                 int& retstat)
{
    seek_packed(handle, l);
    xnum = l.nx;
    ynum = l.ny;
    FIO_IN_PCKC(handle, data, xnum, ynum, retstat);
}

// The whole image of a MAR file into the target.
void read_mar_file(FioCall& call, bool packed, FioTarget& t, int& retstat, int& status)
{
    constexpr std::string_view position = "Subroutine FIO_IN_MAR V0.5";
    if (!st_enter(status, position) || !fio_dimensions_valid(t.data, position, status)) return;
    if (!call.gui) {
        const std::string help[] = {"Name of file containing data set"};
        IO_INPC("DATA FILE NAME", help, "Unacceptable input", call.file_name, status);
        if (st_is_escape(status)) {
            status = ST_GOOD_VALUE;
            retstat = -1;
            return;
        }
        if (status != ST_GOOD_VALUE) return;
    }
    int translated_ok = 0;
    std::string name;
    IO_TRANS_PATH(call.file_name, translated_ok, name, status);
    if (status != ST_GOOD_VALUE) return;
    if (translated_ok != 0) {
        io_say("WARNING: Problem in opening file (bad file directory path)");
        retstat = -1;
        return;
    }
    int handle = 0;
    int opened = 0;
    FIO_FILEOPEN(name, "READ", opened, handle, status);
    if (status != ST_GOOD_VALUE) return;
    if (opened != FIO_OK) {
        io_say("WARNING: Problem in opening file (data is not defined):");
        io_say(name);
        retstat = -1;
        return;
    }
    FioSlotGuard guard(handle);
    bool swap = false;
    std::int32_t first = 0;
    if (!byte_order(handle, swap, first)) {
        io_say("WARNING: Problem reading in file header");
        retstat = 1;
        return;
    }
    int xnum = first;
    int ynum = 0;
    float x_pixel_size = OLD_PIXEL_SIZE;
    float y_pixel_size = OLD_PIXEL_SIZE;
    if (first == MAR345_MARK)
        FIO_IN_MAR345(handle, swap, t.data, t.title, retstat, xnum, ynum, x_pixel_size,
                      y_pixel_size, status);
    else
        FIO_IN_OLDMAR(packed, handle, swap, t.data, t.title, retstat, xnum, ynum, status);
    guard.close();
    if (status != ST_GOOD_VALUE || retstat != 0) return;
    t.xnumdat = std::min(xnum, t.data.xmaxdat);
    t.ynumdat = std::min(ynum, t.data.ymaxdat);
    t.x_pixel_size = x_pixel_size;
    t.y_pixel_size = y_pixel_size;
    fio_fill_axis(t.x_axis, t.xnumdat);
    fio_fill_axis(t.y_axis, t.ynumdat);
    t.overload_value = MAR_OVERLOAD;
    // An image plate counts photons: the variance of a pixel is its value.
    fio_detector_finish(t);
}

void read_whole_image(FioCall& call, FioTarget& t, int& retstat, int& status)
{
    read_mar_file(call, false, t, retstat, status);
}

void read_whole_packed(FioCall& call, FioTarget& t, int& retstat, int& status)
{
    read_mar_file(call, true, t, retstat, status);
}

// The image size, only from a header that the file bears out.
void mar_size(std::string_view file_name, bool packed, int& width, int& height, int& retstat,
              int& status)
{
    fio_probe_size(file_name, width, height, retstat, status, [packed](int handle, int& w, int& h) {
        bool swap = false;
        std::int32_t first = 0;
        MarLayout l;
        if (!byte_order(handle, swap, first) ||
            layout_of(handle, swap, first, packed, l) != HEADER_OK || l.storage != MAR345_PACKED)
            return false;
        // A packed stream may hold its image in far fewer bytes than the
        // pixels take: the file holds them only when the stream does.
        if ((l.newer || packed) && !packed_stream_holds(handle, l)) return false;
        w = l.nx;
        h = l.ny;
        return true;
    });
}

} // namespace

void FIO_IN_OLDMAR(bool packed, int handle, bool swap, const ImageView& data, std::string& title,
                   int& retstat, int& xnumdat, int& ynumdat, int& status)
{
    if (!st_enter(status, "Subroutine FIO_IN_OLDMAR V0.4")) return;
    (void)title;
    MarLayout l;
    const HeaderResult result = old_layout(handle, swap, xnumdat, packed, l);
    retstat = 1;
    if (!say_layout(result, l, data)) return;
    say_geometry(l, status);
    if (status != ST_GOOD_VALUE) return;
    int xnum = 0;
    int ynum = 0;
    if (packed) {
        read_packed(handle, l, data, xnum, ynum, retstat);
        if (retstat != 0) return;
    } else {
        FioTransfer t;
        t.handle = handle;
        t.swap = swap;
        t.nx = l.nx;
        t.ny = l.ny;
        t.xend = std::min(l.nx, data.xmaxdat);
        t.yend = std::min(l.ny, data.ymaxdat);
        t.start_byte = l.pixels_at + 1;
        t.buffer_elements = 2000;
        FIO_INP_2DI2(t, data, xnum, ynum, status);
        if (status == FIO_STATUS_READ_FAILURE) {
            status = ST_GOOD_VALUE;
            retstat = 5;
            return;
        }
        if (status != ST_GOOD_VALUE) return;
    }
    place_overflows(handle, swap, l, data, xnum, ynum);
    xnumdat = xnum;
    ynumdat = ynum;
    retstat = 0;
}

void FIO_IN_MAR345(int handle, bool swap, const ImageView& data, std::string& title, int& retstat,
                   int& xnumdat, int& ynumdat, float& x_pixel_size, float& y_pixel_size,
                   int& status)
{
    if (!st_enter(status, "Subroutine FIO_IN_MAR345 V0.3")) return;
    (void)title;
    MarLayout l;
    const HeaderResult result = newer_layout(handle, swap, l);
    retstat = 1;
    if (result != HEADER_UNREADABLE) {
        x_pixel_size = l.x_pixel_size;
        y_pixel_size = l.y_pixel_size;
    }
    if (!say_layout(result, l, data)) return;
    say_geometry(l, status);
    if (status != ST_GOOD_VALUE) return;
    if (l.storage != MAR345_PACKED) {
        io_say("WARNING: The file contains spiral read-out data and cannot be input");
        return;
    }
    int xnum = 0;
    int ynum = 0;
    read_packed(handle, l, data, xnum, ynum, retstat);
    if (retstat != 0) return;
    place_overflows(handle, swap, l, data, xnum, ynum);
    xnumdat = xnum;
    ynumdat = ynum;
    retstat = 0;
}

void FIO_IN_MAR(bool gui, bool packed, bool& variances_exist, std::string& file_name, int& retstat,
                int& xnumdat, int& ynumdat, std::span<float> x_axis, std::span<float> y_axis,
                const ImageView& data, const ImageView& variances, std::string& title,
                std::string& xlabel, std::string& ylabel, std::string& zlabel, float& x_pixel_size,
                float& y_pixel_size, int& status)
{
    if (!st_enter(status, "Subroutine FIO_IN_MAR V0.5")) return;
    FioTarget target;
    target.x_pixel_size = x_pixel_size;
    target.y_pixel_size = y_pixel_size;
    // The driver sets the overload value of both kinds.
    fio_call_reader(packed ? read_whole_packed : read_whole_image, gui, variances_exist, file_name,
                    retstat, xnumdat, ynumdat, x_axis, y_axis, data, variances, title, xlabel,
                    ylabel, zlabel, target, nullptr, status);
    if (status != ST_GOOD_VALUE || retstat != 0) return;
    x_pixel_size = target.x_pixel_size;
    y_pixel_size = target.y_pixel_size;
}

void fio_read_mar(FioCall& call, FioTarget& target, int& retstat, int& status)
{
    fio_read_region(call, target, fio_mar_size, read_whole_image, retstat, status);
}

void fio_read_mar_packed(FioCall& call, FioTarget& target, int& retstat, int& status)
{
    fio_read_region(call, target, fio_mar_packed_size, read_whole_packed, retstat, status);
}

void fio_mar_size(std::string_view file_name, int& width, int& height, int& retstat, int& status)
{
    mar_size(file_name, false, width, height, retstat, status);
}

void fio_mar_packed_size(std::string_view file_name, int& width, int& height, int& retstat,
                         int& status)
{
    mar_size(file_name, true, width, height, retstat, status);
}
