// PLANO files: records of 512 bytes holding named items. An item starts a
// record with "\", its name and ":", then 8 hexadecimal digits (the number of
// further records it occupies) and a type character: "s" text (8 hexadecimal
// digits of length, then the characters), "r" a 4-byte IEEE real, "a" an
// array of reals (three 8-digit hexadecimal fields, the second and third the
// X and Y sizes; the values, X fastest, from the start of the next record).
// Reals are in the byte order the "$BIG_ENDIAN" item gives. Sizes, counts
// and positions are checked against the file before anything is read.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fio/detector.h"
#include "io/convert.h"
#include "io/fields.h"
#include "io/status.h"
#include "io/system.h"
#include "io/terminal.h"

namespace {

constexpr long long RECORD_BYTES = 512;
constexpr int HEX_DIGITS = 8;
constexpr int ARRAY_FIELDS = 3;
constexpr long long LONGEST_TEXT = 4096;
constexpr float DEFAULT_PIXEL_SIZE = 0.0001f;
constexpr float DEFAULT_OVERLOAD = 1.7e38f;

struct Item
{
    char type = ' ';
    long long record = 0; // from 1
    int position = 0;     // of the value in its record, from 1
};

// Eight hexadecimal digits (either case); -1 when they are not.
long long hex_field(std::string_view text)
{
    if (text.size() < HEX_DIGITS) return -1;
    long long value = 0;
    for (char c : text.substr(0, HEX_DIGITS)) {
        int d = 0;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return -1;
        value = value * 16 + d;
    }
    return value;
}

// Up to `count` bytes from an offset, no further than the end of the file.
std::string bytes_at(int handle, long long offset, long long count)
{
    const long long size = fio_open_size(handle);
    if (offset < 0 || offset >= size) return {};
    count = std::min({count, size - offset, 1LL << 30});
    std::string bytes(static_cast<std::size_t>(count), '\0');
    int retstat = 0;
    int got = 0;
    FIO_FILEPREADC(
        handle, offset, static_cast<int>(count), FIO_NO_SWAP, retstat, got,
        std::span<std::uint8_t>(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size()));
    bytes.resize(static_cast<std::size_t>(std::max(got, 0)));
    return bytes;
}

long long record_offset(long long record)
{
    return (record - 1) * RECORD_BYTES;
}

// The item of that name from a record on; every step moves forward, so the
// search ends at the end of the file whatever the skip counts say.
bool search(int handle, std::string_view name, long long start, Item& item)
{
    const long long size = fio_open_size(handle);
    for (long long r = std::max(1LL, start); r <= size / RECORD_BYTES + 1;) {
        const std::string rec = bytes_at(handle, record_offset(r), RECORD_BYTES);
        if (rec.empty()) break;
        const std::size_t colon = rec.find(':', 1);
        const long long further =
            colon == std::string::npos ? -1 : hex_field(std::string_view(rec).substr(colon + 1));
        if (rec[0] != '\\' || further < 0) {
            ++r;
            continue;
        }
        const std::size_t type_at = colon + 1 + HEX_DIGITS;
        if (std::string_view(rec).substr(1, colon - 1) == name && type_at < rec.size()) {
            item.type = rec[type_at];
            item.record = r;
            item.position = static_cast<int>(type_at) + 2;
            return true;
        }
        r += 1 + further;
    }
    return false;
}

long long value_offset(const Item& item)
{
    return record_offset(item.record) + item.position - 1;
}

float real_of(const std::string& bytes, std::size_t at, bool swap)
{
    float v = 0.0f;
    std::memcpy(&v, bytes.data() + at, 4);
    return swap ? Fio_float_byte_swap(v) : v;
}

// The characters of a text item (8 hexadecimal digits of length, then the
// text), printable and stripped; left as it was when the length is no number.
void text_of(int handle, const Item& item, std::string& value)
{
    const long long length = hex_field(bytes_at(handle, value_offset(item), HEX_DIGITS));
    if (length < 0) return;
    std::string text =
        bytes_at(handle, value_offset(item) + HEX_DIGITS, std::min(length, LONGEST_TEXT));
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) c = ' ';
    value = std::string(st_strip(text));
}

// Whether the reals of this file are in the other byte order than the
// machine's. Asked of the file itself at every read of reals: an order kept
// from the last file read would turn the values of the next one into noise.
bool reals_swapped(int handle, int& status)
{
    Item item;
    std::string big_endian = "FALSE";
    if (search(handle, "$BIG_ENDIAN", 1, item) && item.type == 's')
        text_of(handle, item, big_endian);
    return (IO_UPPER(st_strip(big_endian)) == "TRUE") != IO_BIG_ENDIAN(status);
}

// An array item's sizes and the byte of its first value, when the file holds them all.
int array_layout(int handle, const Item& item, long long& x, long long& y, long long& values_at)
{
    if (item.type != 'a') return FIO_ARRAY_WRONG_TYPE;
    const std::string fields = bytes_at(handle, value_offset(item), ARRAY_FIELDS * HEX_DIGITS);
    if (static_cast<int>(fields.size()) < ARRAY_FIELDS * HEX_DIGITS ||
        item.position - 1 + ARRAY_FIELDS * HEX_DIGITS > RECORD_BYTES)
        return FIO_ARRAY_DAMAGED;
    x = hex_field(std::string_view(fields).substr(HEX_DIGITS));
    y = hex_field(std::string_view(fields).substr(2 * HEX_DIGITS));
    values_at = record_offset(item.record + 1);
    long long bytes = 0;
    if (x < 1 || y < 1 || __builtin_mul_overflow(x * y, 4LL, &bytes) ||
        values_at + bytes > fio_open_size(handle))
        return FIO_ARRAY_DAMAGED;
    return FIO_ARRAY_COMPLETE;
}

void read_whole_plano(FioCall& call, FioTarget& t, int& retstat, int& status)
{
    constexpr std::string_view position = "Subroutine FIO_IN_PLANO V0.3";
    if (!st_enter(status, position) || !fio_dimensions_valid(t.data, position, status)) return;
    int handle = 0;
    if (!fio_open_reader_file(call, {"INPUT FILE NAME", "Name of input file containing data"},
                              handle, retstat, status))
        return;
    FioSlotGuard guard(handle);
    // Read for its message when absent: the reals are read in the order it gives.
    long long record = 1;
    std::string big_endian;
    FIO_FREAD_STRING(handle, "$BIG_ENDIAN", record, big_endian, status);
    t.xlabel = "Columns";
    t.ylabel = "Rows";
    t.zlabel = "Intensity";
    std::string* const texts[] = {&t.title, &t.xlabel, &t.ylabel, &t.zlabel};
    const char* const text_items[] = {"title", "x_axis_label", "y_axis_label", "z_axis_label"};
    for (int k = 0; k < 4; ++k)
        FIO_FREAD_STRING(handle, text_items[k], record = 1, *texts[k], status);
    t.x_pixel_size = t.y_pixel_size = DEFAULT_PIXEL_SIZE;
    t.overload_value = DEFAULT_OVERLOAD;
    FIO_FREAD_REAL(handle, "x_pixel_size", record = 1, t.x_pixel_size, status);
    FIO_FREAD_REAL(handle, "y_pixel_size", record = 1, t.y_pixel_size, status);
    FIO_FREAD_REAL(handle, "overload_value", record = 1, t.overload_value, status);
    int x = 0, y = 0, returned = 0;
    FIO_FREAD_RARRAY(handle, "data_array", t.data, record = 1, x, y, returned, status);
    if (status != ST_GOOD_VALUE) return;
    switch (returned) {
    case FIO_ARRAY_NOT_FOUND:
        io_say("WARNING: Data array not found");
        break;
    case FIO_ARRAY_WRONG_TYPE:
        io_say("WARNING: The data array is not an array of reals");
        break;
    case FIO_ARRAY_DAMAGED:
        io_say("WARNING: The data array is damaged: its sizes are impossible or its values");
        io_say("         lie beyond the end of the file");
        break;
    case FIO_ARRAY_PARTIAL:
        fio_warn_array_size(x, y, t.data);
        break;
    default:
        break;
    }
    if (returned > 0) {
        retstat = 1;
        return;
    }
    t.xnumdat = std::min(x, t.data.xmaxdat);
    t.ynumdat = std::min(y, t.data.ymaxdat);
    fio_fill_axis(t.x_axis, t.xnumdat);
    fio_fill_axis(t.y_axis, t.ynumdat);
    const std::pair<const char*, std::span<float>> axes[] = {{"x_axis", t.x_axis},
                                                             {"y_axis", t.y_axis}};
    for (const auto& [name, axis] : axes) {
        if (axis.empty()) continue;
        int ax = 0, ay = 0;
        const ImageView view{axis.data(), static_cast<int>(axis.size()), 1};
        FIO_FREAD_RARRAY(handle, name, view, record = 1, ax, ay, returned, status);
    }
    if (t.variances_exist) {
        int vx = 0, vy = 0;
        FIO_FREAD_RARRAY(handle, "variances_array", t.variances, record = 1, vx, vy, returned,
                         status);
        t.variances_exist = returned <= 0 && vx >= t.xnumdat && vy >= t.ynumdat;
    }
    guard.close();
    retstat = status == ST_GOOD_VALUE ? 0 : 1;
}

} // namespace

void FIO_FREAD_SEARCHITEM(int handle, std::string_view name, bool& found, char& type,
                          long long& record, int& position, int& status)
{
    if (!st_enter(status, "Subroutine FIO_FREAD_SEARCHITEM V0.2")) return;
    Item item;
    found = search(handle, name, record, item);
    if (!found) {
        io_say("INFO: File item not found: " + std::string(name));
        return;
    }
    type = item.type;
    record = item.record;
    position = item.position;
}

void FIO_FREAD_STRING(int handle, std::string_view name, long long& record, std::string& value,
                      int& status)
{
    if (!st_enter(status, "Subroutine FIO_FREAD_STRING V0.2")) return;
    Item item;
    bool found = false;
    FIO_FREAD_SEARCHITEM(handle, name, found, item.type, record, item.position, status);
    if (!found || item.type != 's') return;
    item.record = record;
    text_of(handle, item, value);
}

void FIO_FREAD_REAL(int handle, std::string_view name, long long& record, float& value, int& status)
{
    if (!st_enter(status, "Subroutine FIO_FREAD_REAL V0.2")) return;
    Item item;
    bool found = false;
    FIO_FREAD_SEARCHITEM(handle, name, found, item.type, record, item.position, status);
    if (!found) return;
    item.record = record;
    if (item.type == 'r') {
        const std::string bytes = bytes_at(handle, value_offset(item), 4);
        if (bytes.size() == 4) value = real_of(bytes, 0, reals_swapped(handle, status));
    } else if (item.type == 's') {
        // A real written as text.
        std::string text;
        long long at = record;
        FIO_FREAD_STRING(handle, name, at, text, status);
        bool ok = false;
        float v = 0.0f;
        IO_TOKTR(text, ok, v, status);
        if (ok) value = v;
    }
}

void FIO_FREAD_RARRAY(int handle, std::string_view name, const ImageView& array, long long& record,
                      int& xsize, int& ysize, int& returned, int& status)
{
    if (!st_enter(status, "Subroutine FIO_FREAD_RARRAY V0.2")) return;
    Item item;
    bool found = false;
    FIO_FREAD_SEARCHITEM(handle, name, found, item.type, record, item.position, status);
    if (!found) {
        returned = FIO_ARRAY_NOT_FOUND;
        return;
    }
    item.record = record;
    long long x = 0, y = 0, values_at = 0;
    returned = array_layout(handle, item, x, y, values_at);
    if (returned != FIO_ARRAY_COMPLETE) return;
    if (x > 2147483647LL || y > 2147483647LL) {
        returned = FIO_ARRAY_DAMAGED;
        return;
    }
    xsize = static_cast<int>(x);
    ysize = static_cast<int>(y);
    const int columns = static_cast<int>(std::min<long long>(x, array.xmaxdat));
    const int rows = static_cast<int>(std::min<long long>(y, array.ymaxdat));
    const bool swap = reals_swapped(handle, status);
    for (int j = 0; j < rows; ++j) {
        const std::string bytes = bytes_at(handle, values_at + 4LL * j * x, 4LL * columns);
        if (static_cast<int>(bytes.size()) < 4 * columns) {
            returned = FIO_ARRAY_DAMAGED;
            return;
        }
        float* out = &array(1, j + 1);
        for (int i = 0; i < columns; ++i)
            out[i] = real_of(bytes, 4 * static_cast<std::size_t>(i), swap);
    }
    returned = x > array.xmaxdat || y > array.ymaxdat ? FIO_ARRAY_PARTIAL : FIO_ARRAY_COMPLETE;
}

void FIO_IN_PLANO(bool gui, bool& variances_exist, std::string& file_name, int& retstat,
                  int& xnumdat, int& ynumdat, std::span<float> x_axis, std::span<float> y_axis,
                  const ImageView& data, const ImageView& variances, std::string& title,
                  std::string& xlabel, std::string& ylabel, std::string& zlabel,
                  float& x_pixel_size, float& y_pixel_size, float& overload_value, int& status)
{
    if (!st_enter(status, "Subroutine FIO_IN_PLANO V0.3")) return;
    FioTarget target;
    fio_call_reader(read_whole_plano, gui, variances_exist, file_name, retstat, xnumdat, ynumdat,
                    x_axis, y_axis, data, variances, title, xlabel, ylabel, zlabel, target,
                    &overload_value, status);
    if (status != ST_GOOD_VALUE || retstat != 0) return;
    x_pixel_size = target.x_pixel_size;
    y_pixel_size = target.y_pixel_size;
}

void fio_read_plano(FioCall& call, FioTarget& target, int& retstat, int& status)
{
    fio_read_region(call, target, fio_plano_size, read_whole_plano, retstat, status);
}

void fio_plano_size(std::string_view file_name, int& width, int& height, int& retstat, int& status)
{
    fio_probe_size(file_name, width, height, retstat, status, [](int handle, int& w, int& h) {
        Item item;
        long long x = 0, y = 0, values_at = 0;
        if (!search(handle, "data_array", 1, item) ||
            array_layout(handle, item, x, y, values_at) != FIO_ARRAY_COMPLETE || x > 2147483647LL ||
            y > 2147483647LL)
            return false;
        w = static_cast<int>(x);
        h = static_cast<int>(y);
        return true;
    });
}
