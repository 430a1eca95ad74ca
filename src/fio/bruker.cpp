// Bruker area-detector frames: a header of 80-byte keyword records in blocks
// of 512 bytes, unsigned little-endian pixels of 1, 2 or 4 bytes with the top
// row of the picture first, and a table of 16-character overflow records
// after them. The header is believed only as far as the file bears it out.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fio/detector.h"
#include "io/convert.h"
#include "io/status.h"
#include "io/system.h"
#include "io/terminal.h"

namespace {

constexpr int RECORD_BYTES = 80;
constexpr int KEYWORD_CHARACTERS = 7;
constexpr int VALUE_CHARACTERS = 72;
constexpr char END_OF_HEADER = 26; // Ctrl-Z
constexpr long long BLOCK_BYTES = 512;
// HDRBLKS must be found within the first blocks, which every frame has.
constexpr long long FIRST_BLOCKS = 5;
constexpr int OVERFLOW_RECORD = 16;
constexpr int OVERFLOW_VALUE_CHARACTERS = 9;
constexpr float BRUKER_OVERLOAD = 80000.0f;
constexpr int BUFFER_BYTES = 8192;

struct BrukerHeader
{
    int columns = -1, rows = -1, bytes_per_pixel = -1, blocks = -1, overflows = -1;
    long long data_start = 0; // from 1
};

// An integer field of text: blanks around it, a sign, digits only.
bool integer_field(std::string_view text, long long& value)
{
    text = st_strip(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 18) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (negative) value = -value;
    return true;
}

// The header records up to the Ctrl-Z record or the end of the header
// blocks; retstat 2 when it cannot be read or describes no image in the file.
void read_header(int handle, bool quiet, BrukerHeader& h, int& retstat, int& status)
{
    retstat = 2;
    const long long size = fio_open_size(handle);
    for (long long offset = 0;; offset += RECORD_BYTES) {
        const long long header_end = (h.blocks > 0 ? h.blocks : FIRST_BLOCKS) * BLOCK_BYTES;
        if (offset + RECORD_BYTES > header_end) {
            if (h.blocks > 0) break;
            if (!quiet) io_say("WARNING: The Bruker header does not give its length (HDRBLKS)");
            return;
        }
        if (offset + RECORD_BYTES > size) {
            if (!quiet) io_say("WARNING: Error in inputting header line");
            return;
        }
        std::uint8_t bytes[RECORD_BYTES];
        int rs = 0;
        int got = 0;
        FIO_FILEPREADC(handle, offset, RECORD_BYTES, FIO_NO_SWAP, rs, got, bytes);
        if (rs != FIO_OK) {
            if (!quiet) io_say("WARNING: Error in inputting header line");
            return;
        }
        bool end = false;
        std::string keyword, value;
        FIO_IN_KEYBRUKER(std::string_view(reinterpret_cast<const char*>(bytes), RECORD_BYTES), end,
                         keyword, value, status);
        if (end) break;
        int* const fields[] = {&h.blocks, &h.overflows, &h.bytes_per_pixel, &h.rows, &h.columns};
        const char* const names[] = {"HDRBLKS", "NOVERFL", "NPIXELB", "NROWS", "NCOLS"};
        for (int k = 0; k < 5; ++k) {
            if (keyword != names[k]) continue;
            std::vector<std::string> tokens;
            int n = 0;
            bool found = false;
            int v = -1;
            IO_TOKENS(value, 1, n, tokens, status);
            if (n > 0) IO_TOKTI(tokens[0], found, v, status);
            *fields[k] = found ? v : -1;
        }
        if (status != ST_GOOD_VALUE) return;
    }
    long long pixel_bytes = 0;
    const bool sizes_valid =
        h.blocks >= 1 && h.columns >= 1 && h.rows >= 1 && h.overflows >= 0 &&
        (h.bytes_per_pixel == 1 || h.bytes_per_pixel == 2 || h.bytes_per_pixel == 4) &&
        !__builtin_mul_overflow(static_cast<long long>(h.columns) * h.rows, h.bytes_per_pixel,
                                &pixel_bytes);
    h.data_start = h.blocks * BLOCK_BYTES + 1;
    if (!sizes_valid ||
        h.data_start - 1 + pixel_bytes + static_cast<long long>(h.overflows) * OVERFLOW_RECORD >
            size) {
        if (!quiet) {
            io_say("WARNING: The Bruker header does not describe an image that the file holds");
            io_say("         (NCOLS, NROWS, NPIXELB, HDRBLKS or NOVERFL wrong, or the file cut "
                   "short)");
        }
        return;
    }
    retstat = 0;
}

void read_whole_frame(FioCall& call, FioTarget& t, int& retstat, int& status)
{
    constexpr std::string_view position = "Subroutine FIO_IN_BRUKER V0.4";
    if (!st_enter(status, position) || !fio_dimensions_valid(t.data, position, status)) return;
    int handle = 0;
    if (!fio_open_reader_file(
            call, {"\"BRUKER\" AREA DETECTOR DATA FILE NAME", "Name of the Bruker frame file"},
            handle, retstat, status))
        return;
    FioSlotGuard guard(handle);
    int columns = 0, rows = 0, bytes_per_pixel = 0, overflows = 0;
    long long data_start = 0;
    FIO_IN_HEADBRUKER(handle, columns, rows, bytes_per_pixel, data_start, overflows, retstat,
                      status);
    if (status != ST_GOOD_VALUE || retstat != 0) return;
    fio_warn_array_size(columns, rows, t.data);
    FioTransfer transfer;
    transfer.handle = handle;
    transfer.swap = bytes_per_pixel > 1 && IO_BIG_ENDIAN(status);
    transfer.reverse_y = true; // the first stored row is the top of the picture
    transfer.nx = columns;
    transfer.ny = rows;
    transfer.xend = std::min(columns, t.data.xmaxdat);
    transfer.yend = std::min(rows, t.data.ymaxdat);
    transfer.start_byte = data_start;
    transfer.buffer_elements = BUFFER_BYTES / bytes_per_pixel;
    int xnum = 0;
    int ynum = 0;
    if (bytes_per_pixel == 1)
        FIO_INP_2DBYTE(transfer, t.data, xnum, ynum, status);
    else if (bytes_per_pixel == 2)
        FIO_INP_2DI2(transfer, t.data, xnum, ynum, status);
    else
        FIO_INP_2DI4(transfer, t.data, xnum, ynum, status);
    if (status == FIO_STATUS_READ_FAILURE) {
        status = ST_GOOD_VALUE;
        retstat = 5;
        return;
    }
    if (status != ST_GOOD_VALUE) return;
    const long long pixel_bytes = static_cast<long long>(columns) * rows * bytes_per_pixel;
    FIO_IN_OVERBRUKER(handle, data_start + pixel_bytes, overflows, columns, rows, t.data, retstat,
                      status);
    if (status != ST_GOOD_VALUE || retstat != 0) return;
    guard.close();
    t.xnumdat = xnum;
    t.ynumdat = ynum;
    fio_fill_axis(t.x_axis, xnum);
    fio_fill_axis(t.y_axis, ynum);
    t.overload_value = BRUKER_OVERLOAD;
    fio_detector_finish(t);
    retstat = 0;
}

} // namespace

void FIO_IN_KEYBRUKER(std::string_view record, bool& end, std::string& keyword, std::string& value,
                      int& status)
{
    if (!st_enter(status, "Subroutine FIO_IN_KEYBRUKER V0.2")) return;
    end = !record.empty() && record.front() == END_OF_HEADER;
    keyword = std::string(st_strip(record.substr(0, KEYWORD_CHARACTERS)));
    value = record.size() > KEYWORD_CHARACTERS + 1
                ? std::string(record.substr(KEYWORD_CHARACTERS + 1, VALUE_CHARACTERS))
                : std::string();
}

void FIO_IN_HEADBRUKER(int handle, int& columns, int& rows, int& bytes_per_pixel,
                       long long& data_start, int& overflows, int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine FIO_IN_HEADBRUKER V0.3")) return;
    BrukerHeader h;
    read_header(handle, false, h, retstat, status);
    if (retstat != 0) return;
    columns = h.columns;
    rows = h.rows;
    bytes_per_pixel = h.bytes_per_pixel;
    data_start = h.data_start;
    overflows = h.overflows;
}

void FIO_IN_OVERBRUKER(int handle, long long first_byte, int count, int nx, int ny,
                       const ImageView& data, int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine FIO_IN_OVERBRUKER V0.3")) return;
    retstat = 0;
    if (count <= 0) return;
    const long long bytes = static_cast<long long>(count) * OVERFLOW_RECORD;
    const long long size = fio_open_size(handle);
    std::vector<std::uint8_t> table;
    int rs = FIO_SYSTEM_FAILED;
    int got = 0;
    if (first_byte >= 1 && bytes <= (1LL << 30) && first_byte - 1 + bytes <= size) {
        table.resize(static_cast<std::size_t>(bytes));
        FIO_FILEPREADC(handle, first_byte - 1, static_cast<int>(bytes), FIO_NO_SWAP, rs, got,
                       table);
    }
    if (rs != FIO_OK) {
        io_say("ERROR: Error in inputting overflow pixel value");
        retstat = 2;
        return;
    }
    const long long pixels = static_cast<long long>(nx) * ny;
    const std::string_view text(reinterpret_cast<const char*>(table.data()), table.size());
    for (int k = 0; k < count; ++k) {
        const std::string_view record =
            text.substr(static_cast<std::size_t>(k) * OVERFLOW_RECORD, OVERFLOW_RECORD);
        long long value = 0;
        long long at = 0;
        if (!integer_field(record.substr(0, OVERFLOW_VALUE_CHARACTERS), value) ||
            !integer_field(record.substr(OVERFLOW_VALUE_CHARACTERS), at)) {
            io_say("ERROR: Error in inputting overflow pixel value");
            retstat = 2;
            return;
        }
        if (at < 0 || at >= pixels) continue;
        const long long column = at % nx + 1;
        const long long row = ny - at / nx;
        if (column <= data.xmaxdat && row <= data.ymaxdat)
            data(static_cast<int>(column), static_cast<int>(row)) = static_cast<float>(value);
    }
}

void FIO_IN_BRUKER(bool gui, bool& variances_exist, std::string& file_name, int& retstat,
                   int& xnumdat, int& ynumdat, std::span<float> x_axis, std::span<float> y_axis,
                   const ImageView& data, const ImageView& variances, std::string& title,
                   std::string& xlabel, std::string& ylabel, std::string& zlabel,
                   float& x_pixel_size, float& y_pixel_size, float& overload_value, int& status)
{
    if (!st_enter(status, "Subroutine FIO_IN_BRUKER V0.4")) return;
    FioTarget target;
    target.x_pixel_size = x_pixel_size;
    target.y_pixel_size = y_pixel_size;
    fio_call_reader(read_whole_frame, gui, variances_exist, file_name, retstat, xnumdat, ynumdat,
                    x_axis, y_axis, data, variances, title, xlabel, ylabel, zlabel, target,
                    &overload_value, status);
}

void fio_read_bruker(FioCall& call, FioTarget& target, int& retstat, int& status)
{
    fio_read_region(call, target, fio_bruker_size, read_whole_frame, retstat, status);
}

void fio_bruker_size(std::string_view file_name, int& width, int& height, int& retstat, int& status)
{
    fio_probe_size(file_name, width, height, retstat, status, [&](int handle, int& w, int& h) {
        BrukerHeader header;
        int read = 0;
        read_header(handle, true, header, read, status);
        w = header.columns;
        h = header.rows;
        return read == 0;
    });
}
