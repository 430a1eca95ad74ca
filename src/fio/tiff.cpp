// TIFF input: uncompressed grey-level images of 8, 12, 16 or 32 bits a
// sample, plain or in the ImageQuant variant, read strip by strip. Every
// offset and count of the file is checked against the file's size before it
// is used, so that a damaged or hostile file gives a warning, never a read
// outside the file or a write outside the image array.

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fio/readers.h"
#include "io/convert.h"
#include "io/status.h"
#include "io/system.h"
#include "io/terminal.h"

namespace {

enum TiffTag {
    TAG_IMAGE_WIDTH = 256,
    TAG_IMAGE_LENGTH = 257,
    TAG_BITS_PER_SAMPLE = 258,
    TAG_COMPRESSION = 259,
    TAG_STRIP_OFFSETS = 273,
    TAG_SAMPLES_PER_PIXEL = 277,
    TAG_ROWS_PER_STRIP = 278,
    TAG_TILE_OFFSETS = 324,
    TAG_SAMPLE_FORMAT = 339
};

// Field types of directory entries.
enum TiffType {
    TYPE_BYTE = 1, TYPE_ASCII, TYPE_SHORT, TYPE_LONG, TYPE_RATIONAL, TYPE_SBYTE, TYPE_UNDEFINED,
    TYPE_SSHORT, TYPE_SLONG, TYPE_SRATIONAL, TYPE_FLOAT, TYPE_DOUBLE
};
constexpr const char* TYPE_NAMES[12] = {"BYTE",  "ASCII",     "SHORT",     "LONG",
                                        "RATIONAL", "SBYTE", "UNDEFINED", "SSHORT",
                                        "SLONG", "SRATIONAL", "FLOAT",     "DOUBLE"};

// Meanings of the samples (tag 339).
enum SampleFormat { SAMPLES_UNSIGNED = 1, SAMPLES_SIGNED = 2, SAMPLES_FLOAT = 3 };

constexpr int NO_COMPRESSION = 1;
constexpr int TIFF_VERSION = 42;
// Strip addresses read at most: one per row of the largest image the
// program takes, or the traditional 1000 for smaller ones.
constexpr int MIN_STRIP_LIMIT = 1000;
constexpr int MAX_SIDE = 1 << 16;
// Directories followed at most to find an image.
constexpr int MAX_DIRECTORIES = 10000;
// Rows are read in blocks of at most this many bytes (at least one row).
constexpr long long READ_BLOCK = 1 << 18;
constexpr float IMAGEQUANT_SCALE = 21471.0f;

using Entry = std::array<std::uint8_t, 12>;

int type_width(int type)
{
    switch (type) {
    case TYPE_BYTE:
    case TYPE_SBYTE: return 1;
    case TYPE_SHORT:
    case TYPE_SSHORT: return 2;
    case TYPE_LONG:
    case TYPE_SLONG: return 4;
    default: return 0;
    }
}

bool type_signed(int type)
{
    return type == TYPE_SBYTE || type == TYPE_SSHORT || type == TYPE_SLONG;
}

std::uint32_t unsigned_value(const std::uint8_t* p, int count, bool big_endian)
{
    std::uint32_t v = 0;
    for (int i = 0; i < count; ++i) {
        const int k = big_endian ? i : count - 1 - i;
        v = (v << 8) | p[k];
    }
    return v;
}

int entry_tag(const Entry& e, bool big) { return static_cast<int>(unsigned_value(&e[0], 2, big)); }
int entry_type(const Entry& e, bool big) { return static_cast<int>(unsigned_value(&e[2], 2, big)); }
std::uint32_t entry_count(const Entry& e, bool big) { return unsigned_value(&e[4], 4, big); }

// The value of a single-valued integer entry; false when it is not one.
bool single_value(const Entry& e, bool big, long long& value)
{
    const int width = type_width(entry_type(e, big));
    if (width == 0 || entry_count(e, big) != 1) return false;
    const std::uint32_t raw = unsigned_value(&e[8], width, big);
    if (!type_signed(entry_type(e, big))) {
        value = raw;
        return true;
    }
    const int shift = 32 - 8 * width;
    value = static_cast<std::int32_t>(raw << shift) >> shift;
    return true;
}

struct Header
{
    bool big = false;
    int version = 0;
    long long first_directory = 0;
    std::array<std::uint8_t, 8> bytes{};
    bool order_known = false;
};

// The first eight bytes; false when the file is shorter.
bool read_header(int handle, Header& h)
{
    int retstat = 0;
    int got = 0;
    if (fio_open_size(handle) < 8) return false;
    FIO_FILEPREADC(handle, 0, 8, FIO_NO_SWAP, retstat, got, h.bytes);
    if (retstat != FIO_OK) return false;
    h.order_known = (h.bytes[0] == 'I' && h.bytes[1] == 'I') ||
                    (h.bytes[0] == 'M' && h.bytes[1] == 'M');
    h.big = h.bytes[0] == 'M';
    h.version = static_cast<int>(unsigned_value(&h.bytes[2], 2, h.big));
    h.first_directory = unsigned_value(&h.bytes[4], 4, h.big);
    return true;
}

void explain_header(const Header& h)
{
    io_say("WARNING: A TIFF file starts with the bytes 73 73 42 0 (\"II\", little-endian)");
    io_say("         or 77 77 0 42 (\"MM\", big-endian); the next four bytes give the");
    io_say("         position of the first \"Image File Directory\" (often 8). The first");
    io_say("         eight bytes of this file are the");
    std::string values = "         values:";
    for (std::uint8_t b : h.bytes) values += " " + std::to_string(b);
    io_say(values);
    io_say("         Check that the file is a TIFF file (or choose another format).");
    io_say("(Warning comes from FIO_TIFF_IMAGESIZE.)");
}

// The entries of one image's directory, by tag (the first of a repeated tag).
struct Directory
{
    std::map<int, Entry> entries;
    const Entry* find(int tag) const
    {
        const auto it = entries.find(tag);
        return it == entries.end() ? nullptr : &it->second;
    }
};

// Finds the directory of an image. retstat: 0 found, 2 no such image (or a
// directory chain that loops or leaves the file), 3 a directory that does not
// fit in the file.
void read_directory(int handle, const Header& h, int image_number, Directory& dir, int& retstat)
{
    const long long size = fio_open_size(handle);
    long long offset = h.first_directory;
    std::set<long long> seen;
    for (int image = 1;; ++image) {
        if (offset < 8 || offset + 2 > size || !seen.insert(offset).second ||
            image > MAX_DIRECTORIES) {
            retstat = image == 1 ? 3 : 2;
            return;
        }
        std::array<std::uint8_t, 4> word{};
        int rs = 0;
        int got = 0;
        FIO_FILEPREADC(handle, offset, 2, FIO_NO_SWAP, rs, got, word);
        const long long count = unsigned_value(word.data(), 2, h.big);
        const long long end = offset + 2 + 12 * count;
        if (rs != FIO_OK || end > size) {
            retstat = 3;
            return;
        }
        if (image == image_number) {
            std::vector<std::uint8_t> bytes(static_cast<std::size_t>(12 * count));
            if (count > 0) FIO_FILEPREADC(handle, offset + 2, static_cast<int>(bytes.size()),
                                          FIO_NO_SWAP, rs, got, bytes);
            if (rs != FIO_OK) {
                retstat = 3;
                return;
            }
            for (long long i = 0; i < count; ++i) {
                Entry e;
                std::copy_n(&bytes[static_cast<std::size_t>(12 * i)], 12, e.begin());
                dir.entries.emplace(entry_tag(e, h.big), e);
            }
            retstat = 0;
            return;
        }
        if (end + 4 > size) {
            retstat = 2;
            return;
        }
        FIO_FILEPREADC(handle, end, 4, FIO_NO_SWAP, rs, got, word);
        offset = unsigned_value(word.data(), 4, h.big);
        if (rs != FIO_OK || offset == 0) {
            retstat = 2;
            return;
        }
    }
}

// How the samples of the image are stored.
struct Layout
{
    long long width = 0, length = 0;
    int bits = 0;
    int format = SAMPLES_UNSIGNED;
    long long rows_per_strip = 0;
    long long row_bytes = 0;
    std::vector<std::int64_t> strip_offsets;
};

// Set while a file is only examined: its reader tells the user what is wrong.
bool examining = false;

void cannot_decode(std::initializer_list<std::string> lines, int& retstat)
{
    if (!examining)
        for (const std::string& line : lines) io_say(line);
    retstat = 2;
}

// The image's layout from its directory, every field checked. retstat 2 when
// the image cannot be decoded.
void read_layout(int handle, const Header& h, const Directory& dir, Layout& l, int& retstat,
                 int& status)
{
    long long value = 0;
    const Entry* width = dir.find(TAG_IMAGE_WIDTH);
    const Entry* length = dir.find(TAG_IMAGE_LENGTH);
    if (width == nullptr || length == nullptr || !single_value(*width, h.big, l.width) ||
        !single_value(*length, h.big, l.length) || l.width < 1 || l.length < 1 ||
        l.width > MAX_SIDE || l.length > MAX_SIDE) {
        cannot_decode({"WARNING: The image width or length is missing or out of range"}, retstat);
        return;
    }
    // One sample a pixel: the bits of several samples would be listed.
    if (const Entry* e = dir.find(TAG_SAMPLES_PER_PIXEL);
        e != nullptr && (!single_value(*e, h.big, value) || value != 1)) {
        cannot_decode({"WARNING: Only grey-level images (one sample per pixel) can be input"},
                      retstat);
        return;
    }
    l.bits = 1;
    if (const Entry* e = dir.find(TAG_BITS_PER_SAMPLE)) {
        l.bits = single_value(*e, h.big, value) ? static_cast<int>(std::clamp(value, -1LL, 99LL))
                                                : -1;
    }
    if (l.bits != 8 && l.bits != 12 && l.bits != 16 && l.bits != 32) {
        cannot_decode({"WARNING: Un-supported number of bits per pixel (" +
                       io_fortran_i(l.bits, 2) + ")"},
                      retstat);
        return;
    }
    // Without the tag, 32-bit samples are signed integers and the others unsigned.
    l.format = l.bits == 32 ? SAMPLES_SIGNED : SAMPLES_UNSIGNED;
    if (const Entry* e = dir.find(TAG_SAMPLE_FORMAT)) {
        const bool known = single_value(*e, h.big, value) && value >= SAMPLES_UNSIGNED &&
                           value <= SAMPLES_FLOAT;
        if (!known || (value == SAMPLES_FLOAT && l.bits != 32) ||
            (value == SAMPLES_SIGNED && l.bits == 12)) {
            cannot_decode({"WARNING: Un-supported sample format (" +
                           std::to_string(known ? value : 0) + ") for " +
                           std::to_string(l.bits) + " bits per pixel"},
                          retstat);
            return;
        }
        l.format = static_cast<int>(value);
    }
    long long compression = NO_COMPRESSION;
    if (const Entry* e = dir.find(TAG_COMPRESSION)) {
        if (!single_value(*e, h.big, compression)) compression = -1;
    }
    if (compression != NO_COMPRESSION) {
        cannot_decode({"WARNING: The Image has been compressed. Data Decompression is not",
                       "         presently supported."},
                      retstat);
        return;
    }
    const Entry* offsets = dir.find(TAG_STRIP_OFFSETS);
    if (offsets == nullptr && dir.find(TAG_TILE_OFFSETS) != nullptr) {
        cannot_decode({"WARNING: The image is stored in tiles; only images stored in strips",
                       "         can be input."},
                      retstat);
        return;
    }
    l.rows_per_strip = l.length;
    if (const Entry* e = dir.find(TAG_ROWS_PER_STRIP)) {
        if (single_value(*e, h.big, value) && value >= 1) l.rows_per_strip = std::min(value, l.length);
    }
    const long long strips = (l.length + l.rows_per_strip - 1) / l.rows_per_strip;
    int count = 0;
    int rs = 1;
    const int limit = static_cast<int>(std::max<long long>(MIN_STRIP_LIMIT, l.length));
    l.strip_offsets.assign(static_cast<std::size_t>(limit), 0);
    if (offsets != nullptr) {
        FIO_TIFF_INTS(*offsets, handle, h.big, limit, rs, count, l.strip_offsets, status);
        if (status != ST_GOOD_VALUE) {
            // An entry of a wrong type is a damaged file, not a fault of the program.
            status = ST_GOOD_VALUE;
            rs = 1;
        }
    }
    if (rs != 0 || count < strips) {
        cannot_decode({"WARNING: Problem inputting address of start of image. This is probably",
                       "         because there are too many addresses pointing to different",
                       "         parts of the image (\"strips\")."},
                      retstat);
        return;
    }
    l.strip_offsets.resize(static_cast<std::size_t>(strips));
    l.row_bytes = (l.width * l.bits + 7) / 8;
    // Every strip must lie inside the file.
    const long long size = fio_open_size(handle);
    for (long long s = 0; s < strips; ++s) {
        const long long rows = std::min(l.rows_per_strip, l.length - s * l.rows_per_strip);
        const long long start = l.strip_offsets[static_cast<std::size_t>(s)];
        if (start < 0 || start + rows * l.row_bytes > size) {
            cannot_decode({"WARNING: Strip " + std::to_string(s + 1) + " of the image lies " +
                           "(partly) beyond the end of the file (" + std::to_string(size) +
                           " bytes)"},
                          retstat);
            return;
        }
    }
    retstat = 0;
}

// Samples of one type to reals, the byte order and signedness decided once a
// run so that the loops vectorise.
template <typename Raw, typename Value>
void convert_samples(const std::uint8_t* p, std::size_t n, bool swap, float* out)
{
    for (std::size_t i = 0; i < n; ++i) {
        Raw raw;
        std::memcpy(&raw, p + i * sizeof(Raw), sizeof(Raw));
        if constexpr (sizeof(Raw) == 2) {
            if (swap) raw = __builtin_bswap16(raw);
        } else if constexpr (sizeof(Raw) == 4) {
            if (swap) raw = __builtin_bswap32(raw);
        }
        Value value;
        std::memcpy(&value, &raw, sizeof value);
        out[i] = static_cast<float>(value);
    }
}

template <typename Raw, typename Value>
void convert_order(const std::uint8_t* p, std::size_t n, bool swap, float* out)
{
    if (swap) convert_samples<Raw, Value>(p, n, true, out);
    else convert_samples<Raw, Value>(p, n, false, out);
}

// The samples of file columns first .. first + n - 1 (from 0) of a stored row.
void decode_span(const Layout& l, const std::uint8_t* row, bool swap, long long first,
                 std::size_t n, float* out)
{
    const bool is_signed = l.format == SAMPLES_SIGNED;
    switch (l.bits) {
    case 8:
        if (is_signed) convert_samples<std::uint8_t, std::int8_t>(row + first, n, false, out);
        else convert_samples<std::uint8_t, std::uint8_t>(row + first, n, false, out);
        break;
    case 12:
        // Two samples in three bytes, the first from the high bits.
        for (std::size_t i = 0; i < n; ++i) {
            const long long c = first + static_cast<long long>(i);
            const std::uint8_t* p = row + (c / 2) * 3;
            out[i] = c % 2 == 0 ? static_cast<float>(p[0] * 16 + (p[1] >> 4))
                                : static_cast<float>((p[1] & 0x0F) * 256 + p[2]);
        }
        break;
    case 16:
        if (is_signed) convert_order<std::uint16_t, std::int16_t>(row + 2 * first, n, swap, out);
        else convert_order<std::uint16_t, std::uint16_t>(row + 2 * first, n, swap, out);
        break;
    default:
        if (l.format == SAMPLES_FLOAT)
            convert_order<std::uint32_t, float>(row + 4 * first, n, swap, out);
        else if (is_signed)
            convert_order<std::uint32_t, std::int32_t>(row + 4 * first, n, swap, out);
        else
            convert_order<std::uint32_t, std::uint32_t>(row + 4 * first, n, swap, out);
        break;
    }
}

// One stored row in the image's column order, for `count` image columns from
// `first_column` (from 1); mirrored, image column x is file column W - x + 1.
void decode_row(const Layout& l, const std::uint8_t* row, bool swap, bool mirror_x,
                bool imagequant, int first_column, int count, float* out)
{
    const long long first = mirror_x ? l.width - (first_column + count - 1) : first_column - 1;
    const std::size_t n = static_cast<std::size_t>(count);
    decode_span(l, row, swap, first, n, out);
    if (mirror_x) std::reverse(out, out + n);
    if (imagequant && l.bits >= 16)
        for (std::size_t i = 0; i < n; ++i) out[i] = out[i] * out[i] / IMAGEQUANT_SCALE;
}

std::vector<GsFormItem> region_items(int width, int length, const FioRegion& r)
{
    auto item = [](const char* label, const char* prompt, int high, int value) {
        return fio_integer_item(label, prompt, std::string("Enter ") + prompt, 1, high, value);
    };
    return {item("X-START", "LEFT-HAND PIXEL INPUT LIMIT", width, r.x1),
            item("Y-START", "LOWER PIXEL INPUT LIMIT", length, r.y1),
            item("X-END", "RIGHT-HAND PIXEL INPUT LIMIT", width, r.x2),
            item("Y-END", "UPPER PIXEL INPUT LIMIT", length, r.y2),
            item("X RE-BIN", "HORIZONTAL RE-BIN FACTOR", width, r.xbin),
            item("Y RE-BIN", "VERTICAL RE-BIN FACTOR", length, r.ybin)};
}

// The fault of a region, as the form warns of it; empty when it will do.
std::string region_fault(const FioRegion& r, const ImageView& data)
{
    if (r.x2 < r.x1 || r.y2 < r.y1 || r.xbin < 1 || r.ybin < 1 || r.x1 < 1 || r.y1 < 1)
        return "INPUT REGION IMPOSSIBLY DEFINED";
    if ((r.x2 - r.x1 + 1) / r.xbin > data.xmaxdat || (r.y2 - r.y1 + 1) / r.ybin > data.ymaxdat)
        return "INPUT REGION TOO LARGE FOR ARRAYS";
    return {};
}

// The region and re-bin factors chosen on the form (or on the terminal).
void ask_region(bool gui, int width, int length, const ImageView& data, FioRegion& r,
                int& status)
{
    if (gui) {
        const std::string title[] = {"INPUT REGION AND RE-BIN FACTOR FORM"};
        const std::string info[] = {
            "This form allows you to specify the size and position of",
            "the region of data to be input, and if required to re-bin",
            "the raw data on input. These options allow handling of very",
            "large images, by working on sub-regions, or by working at",
            "reduced resolution. By default the whole of the image will be",
            "input at full resolution (provided that the program arrays",
            "are large enough)."};
        while (status == ST_GOOD_VALUE) {
            std::vector<GsFormItem> items = region_items(width, length, r);
            GS_FORM(1, 1, title, 7, 7, info, 6 + 5, 6, items, status);
            if (status != ST_GOOD_VALUE) return;
            r = {items[0].int_value, items[1].int_value, items[2].int_value,
                 items[3].int_value, items[4].int_value, items[5].int_value};
            const std::string fault = region_fault(r, data);
            if (fault.empty()) return;
            const std::string line[] = {fault};
            GS_FWARNING(1, 1, line, status);
        }
        return;
    }
    const std::string help[] = {"Value must be within given range"};
    IO_INPI(true, 1, width, "X REBIN NUMBER", help, r.xbin, status);
    IO_INPI(true, 1, length, "Y REBIN NUMBER", help, r.ybin, status);
    IO_INPI(true, 1, width, "LEFT-HAND PIXEL OF IMAGE REGION", help, r.x1, status);
    IO_INPI(true, 1, length, "LOWER PIXEL OF IMAGE REGION", help, r.y1, status);
    IO_INPI(true, r.x1, width, "RIGHT-HAND PIXEL OF IMAGE REGION", help, r.x2, status);
    IO_INPI(true, r.y1, length, "UPPER PIXEL OF IMAGE REGION", help, r.y2, status);
}

} // namespace

std::int32_t FIO_TIFF_INTEGER(std::span<const std::uint8_t> bytes, int count, bool big_endian,
                              bool is_signed)
{
    if (count < 1 || count > 4 || bytes.size() < static_cast<std::size_t>(count)) return 0;
    const std::uint32_t raw = unsigned_value(bytes.data(), count, big_endian);
    if (!is_signed || count == 4) return static_cast<std::int32_t>(raw);
    const int shift = 32 - 8 * count;
    return static_cast<std::int32_t>(raw << shift) >> shift;
}

std::int32_t FIO_TIFF_INTENTRY(std::span<const std::uint8_t, 12> entry, bool big_endian,
                               int& status)
{
    constexpr std::string_view position = "Subroutine FIO_TIFF_INTENTRY V0.2";
    if (!st_enter(status, position)) return 0;
    Entry e;
    std::copy(entry.begin(), entry.end(), e.begin());
    const std::uint32_t count = entry_count(e, big_endian);
    if (count != 1) {
        io_say("WARNING: TIFF Integer tag contains " + io_fortran_i(count, 8) + " values");
        st_fail(status, ST_MOD_FIO + FIO_ERR_DECODE, position);
        return 0;
    }
    const int type = entry_type(e, big_endian);
    const int width = type_width(type);
    if (width == 0) {
        st_fail(status, ST_MOD_FIO + FIO_ERR_DECODE, position);
        return 0;
    }
    return FIO_TIFF_INTEGER(std::span<const std::uint8_t>(&e[8], 4), width, big_endian,
                            type_signed(type));
}

void FIO_TIFF_INTS(std::span<const std::uint8_t, 12> entry, int handle, bool big_endian,
                   int max_count, int& retstat, int& count, std::span<std::int64_t> values,
                   int& status)
{
    constexpr std::string_view position = "Subroutine FIO_TIFF_INTS V0.2";
    if (!st_enter(status, position)) return;
    Entry e;
    std::copy(entry.begin(), entry.end(), e.begin());
    const int type = entry_type(e, big_endian);
    const int width = type_width(type);
    if (width == 0) {
        io_say(std::string("WARNING: TIFF entry of type ") +
               (type >= 1 && type <= 12 ? TYPE_NAMES[type - 1] : std::to_string(type).c_str()) +
               " where integers are needed");
        st_fail(status, ST_MOD_FIO + FIO_ERR_DECODE, position);
        return;
    }
    const std::uint32_t n = entry_count(e, big_endian);
    if (n > static_cast<std::uint32_t>(std::max(0, max_count)) || n > values.size()) {
        retstat = 1;
        return;
    }
    count = static_cast<int>(n);
    const long long bytes = static_cast<long long>(n) * width;
    std::vector<std::uint8_t> stored;
    const std::uint8_t* p = &e[8];
    if (bytes > 4) {
        // The values lie elsewhere in the file, which must hold all of them.
        const long long offset = unsigned_value(&e[8], 4, big_endian);
        if (offset + bytes > fio_open_size(handle)) {
            retstat = 2;
            return;
        }
        stored.resize(static_cast<std::size_t>(bytes));
        FIO_TREAD_BYTES(handle, offset, static_cast<int>(bytes), stored, status);
        if (status != ST_GOOD_VALUE) return;
        p = stored.data();
    }
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t raw = unsigned_value(p + static_cast<std::size_t>(i) * width, width,
                                                 big_endian);
        values[i] = type_signed(type)
                        ? FIO_TIFF_INTEGER(std::span<const std::uint8_t>(
                                               p + static_cast<std::size_t>(i) * width, 4),
                                           width, big_endian, true)
                        : static_cast<std::int64_t>(raw);
    }
    retstat = 0;
}

void FIO_TIFF_IMAGESIZE(int handle, int image_number, int& retstat, int& width, int& length,
                        int& status)
{
    constexpr std::string_view position = "Subroutine FIO_TIFF_IMAGESIZE V0.3";
    if (!st_enter(status, position)) return;
    if (image_number < 1) {
        st_fail(status, ST_MOD_FIO + FIO_ERR_X_VALUE, position);
        return;
    }
    Header h;
    if (!read_header(handle, h) || !h.order_known) {
        retstat = 3;
        explain_header(h);
        return;
    }
    if (h.version != TIFF_VERSION) {
        io_say("WARNING: Bad TIFF file, tiff version = " + io_fortran_i(h.version, 10));
        retstat = 3;
        explain_header(h);
        return;
    }
    Directory dir;
    read_directory(handle, h, image_number, dir, retstat);
    if (retstat != 0) return;
    long long value = 0;
    const Entry* w = dir.find(TAG_IMAGE_WIDTH);
    if (w == nullptr || !single_value(*w, h.big, value) || value < 1 || value > MAX_SIDE) {
        retstat = 4;
        return;
    }
    width = static_cast<int>(value);
    const Entry* l = dir.find(TAG_IMAGE_LENGTH);
    if (l == nullptr || !single_value(*l, h.big, value) || value < 1 || value > MAX_SIDE) {
        retstat = 5;
        return;
    }
    length = static_cast<int>(value);
    retstat = 0;
}

void FIO_IN_IQRIMAGE(int handle, int image_number, bool mirror_x, bool imagequant,
                     const FioRegion& region, int& retstat, int& xnumdat, int& ynumdat,
                     const ImageView& data, int& status)
{
    constexpr std::string_view position = "Subroutine FIO_IN_IQRIMAGE V0.4";
    if (!st_enter(status, position)) return;
    if (image_number < 1 || region.x1 < 1 || region.xbin < 1 || region.x2 < region.x1) {
        st_fail(status, ST_MOD_FIO + FIO_ERR_X_VALUE, position);
        return;
    }
    if (region.y1 < 1 || region.ybin < 1 || region.y2 < region.y1) {
        st_fail(status, ST_MOD_FIO + FIO_ERR_Y_VALUE, position);
        return;
    }
    xnumdat = ynumdat = 0;
    Header h;
    if (!read_header(handle, h) || !h.order_known) {
        io_say("WARNING: The File does not start with II nor with MM. It is not a");
        io_say("         correctly defined TIFF file or has been corrupted.");
        retstat = 3;
        return;
    }
    if (h.version != TIFF_VERSION) {
        io_say("WARNING: Bad TIFF file, tiff version = " + io_fortran_i(h.version, 12));
        io_say("         (this should equal 42)");
        retstat = 3;
        return;
    }
    Directory dir;
    read_directory(handle, h, image_number, dir, retstat);
    if (retstat == 2) retstat = 1;
    if (retstat != 0) return;
    Layout l;
    read_layout(handle, h, dir, l, retstat, status);
    if (retstat != 0 || status != ST_GOOD_VALUE) return;

    if (region.x1 > l.width || region.y1 > l.length) {
        retstat = 4;
        return;
    }
    retstat = 0;
    int x2 = region.x2;
    int y2 = region.y2;
    if (x2 > l.width || y2 > l.length) {
        x2 = static_cast<int>(std::min<long long>(x2, l.width));
        y2 = static_cast<int>(std::min<long long>(y2, l.length));
        retstat = -1;
    }
    // Never more output pixels than the declared array holds.
    xnumdat = std::min((x2 - region.x1 + 1) / region.xbin, data.xmaxdat);
    ynumdat = std::min((y2 - region.y1 + 1) / region.ybin, data.ymaxdat);
    if (xnumdat < 1 || ynumdat < 1) return;
    // Sums start from 0; unbinned, every element of the rectangle is written.
    const bool binned = region.xbin > 1 || region.ybin > 1;
    if (binned)
        for (int y = 1; y <= ynumdat; ++y) std::fill_n(&data(1, y), xnumdat, 0.0f);

    const bool swap = h.big != IO_BIG_ENDIAN(status);
    const int columns = xnumdat * region.xbin;
    std::vector<float> row_values(static_cast<std::size_t>(columns));
    // File rows (from 1) that hold the image rows used; the bottom of the
    // picture is image row 1, so the file is read from its last needed row up.
    const long long first_image_row = region.y1;
    const long long last_image_row = region.y1 + static_cast<long long>(ynumdat) * region.ybin - 1;
    const long long file_first = l.length - last_image_row + 1;
    const long long file_last = l.length - first_image_row + 1;
    const long long rows_per_block = std::max(1LL, READ_BLOCK / l.row_bytes);
    std::vector<std::uint8_t> block;
    for (long long f = file_first; f <= file_last;) {
        const long long strip = (f - 1) / l.rows_per_strip;
        const long long strip_end = std::min((strip + 1) * l.rows_per_strip, l.length);
        const long long rows = std::min({rows_per_block, file_last - f + 1, strip_end - f + 1});
        const long long offset = l.strip_offsets[static_cast<std::size_t>(strip)] +
                                 ((f - 1) - strip * l.rows_per_strip) * l.row_bytes;
        block.resize(static_cast<std::size_t>(rows * l.row_bytes));
        int rs = 0;
        int got = 0;
        FIO_FILEPREADC(handle, offset, static_cast<int>(block.size()), FIO_NO_SWAP, rs, got,
                       block);
        if (rs != FIO_OK) {
            retstat = 2;
            return;
        }
        for (long long k = 0; k < rows; ++k) {
            const long long image_row = l.length - (f + k) + 1;
            const int out_row = static_cast<int>((image_row - region.y1) / region.ybin) + 1;
            const std::uint8_t* row = &block[static_cast<std::size_t>(k * l.row_bytes)];
            // Unbinned rows go straight into the image array.
            if (!binned) {
                decode_row(l, row, swap, mirror_x, imagequant, region.x1, columns,
                           &data(1, out_row));
                continue;
            }
            decode_row(l, row, swap, mirror_x, imagequant, region.x1, columns,
                       row_values.data());
            fio_bin_row(row_values, region.xbin, &data(1, out_row), xnumdat);
        }
        f += rows;
    }
}

void fio_tiff_decodable(std::string_view file_name, int& width, int& length, int& retstat,
                        int& status)
{
    retstat = 1;
    int opened = 0;
    int handle = 0;
    FIO_FILEOPEN(file_name, "READ", opened, handle, status);
    if (status != ST_GOOD_VALUE || opened != FIO_OK) return;
    FioSlotGuard guard(handle);
    Header h;
    if (!read_header(handle, h) || !h.order_known || h.version != TIFF_VERSION) return;
    Directory dir;
    read_directory(handle, h, 1, dir, retstat);
    if (retstat != 0) return;
    Layout l;
    examining = true;
    read_layout(handle, h, dir, l, retstat, status);
    examining = false;
    if (retstat != 0) return;
    width = static_cast<int>(l.width);
    length = static_cast<int>(l.length);
}

void fio_read_tiff(FioCall& call, bool mirror_x, bool imagequant, FioTarget& target,
                   int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine FIO_IN_IQ V0.6")) return;
    int handle = 0;
    if (call.gui) {
        if (!fio_open_input(call.file_name, handle, retstat, status)) return;
    } else {
        const std::string help[] = {"Name of tiff file containing image"};
        while (status == ST_GOOD_VALUE) {
            IO_INPC("DATA FILE NAME", help, "Unacceptable input", call.file_name, status);
            if (status != ST_GOOD_VALUE) break;
            FIO_FILEOPEN(call.file_name, "READ", retstat, handle, status);
            if (retstat == FIO_OK) break;
            io_say("Error in opening file, Please retype name");
        }
        if (st_is_escape(status)) {
            status = ST_GOOD_VALUE;
            retstat = -1;
            return;
        }
    }
    if (status != ST_GOOD_VALUE) return;
    FioSlotGuard guard(handle);
    int width = 0;
    int length = 0;
    FIO_TIFF_IMAGESIZE(handle, 1, retstat, width, length, status);
    if (status != ST_GOOD_VALUE) return;
    io_say("INFO: Full image size = " + io_fortran_i(width, 9) + " * " + io_fortran_i(length, 9) +
           " pixels");
    if (retstat != 0) {
        io_say("WARNING: Image size not returned from file");
        if (call.gui) {
            const std::string line[] = {"IMAGE SIZE NOT RETURNED FROM FILE"};
            fio_warning(line, status);
        }
        retstat = 2;
        return;
    }
    FioRegion region{1, 1, std::min(width, target.data.xmaxdat),
                     std::min(length, target.data.ymaxdat), 1, 1};
    if (call.region != nullptr) {
        region = *call.region;
        const std::string fault = region_fault(region, target.data);
        if (!fault.empty()) {
            io_say("WARNING: " + fault);
            retstat = 4;
            return;
        }
    } else if (call.ask && !(call.gui && FIO_INQ_BATCH())) {
        ask_region(call.gui, width, length, target.data, region, status);
        if (st_is_escape(status)) {
            status = ST_GOOD_VALUE;
            retstat = -1;
            return;
        }
        if (status != ST_GOOD_VALUE) return;
    }
    if (call.gui) fio_prompt("INPUTTING DATA FROM FILE", status);
    int xnum = 0;
    int ynum = 0;
    FIO_IN_IQRIMAGE(handle, 1, mirror_x, imagequant, region, retstat, xnum, ynum, target.data,
                    status);
    guard.close();
    if (status != ST_GOOD_VALUE) return;
    switch (retstat) {
    case -1: io_say("WARNING: Image does not contain all of desired region"); break;
    case 1: io_say("WARNING: Image not found"); break;
    case 2: io_say("WARNING: Cannot decode image"); break;
    case 3: io_say("WARNING: Bad tiff file"); break;
    case 4: io_say("WARNING: Image contains none of desired region"); break;
    default: break;
    }
    if (retstat > 0) return;
    if (xnum < 1 || ynum < 1) {
        io_say("WARNING: Image contains none of desired region");
        retstat = 4;
        return;
    }
    retstat = 0;
    target.xnumdat = xnum;
    target.ynumdat = ynum;
    fio_fill_axis(target.x_axis, xnum, region.x1, region.xbin);
    fio_fill_axis(target.y_axis, ynum, region.y1, region.ybin);
    target.xlabel = "Columns";
    target.ylabel = "Rows";
    target.zlabel = "Intensity";
}

void FIO_IN_IQ(bool gui, bool ask, bool mirror_x, bool imagequant, bool& variances_exist,
               std::string& file_name, int& retstat, int& xnumdat, int& ynumdat,
               std::span<float> x_axis, std::span<float> y_axis, const ImageView& data,
               const ImageView& variances, std::string& title, std::string& xlabel,
               std::string& ylabel, std::string& zlabel, int& status)
{
    if (!st_enter(status, "Subroutine FIO_IN_IQ V0.6")) return;
    FioCall call{gui, ask, file_name, nullptr};
    FioTarget target = fio_target(data, variances, x_axis, y_axis, variances_exist);
    target.title = title;
    fio_read_tiff(call, mirror_x, imagequant, target, retstat, status);
    file_name = call.file_name;
    if (status != ST_GOOD_VALUE || retstat != 0) return;
    fio_give_back(target, xnumdat, ynumdat, title, xlabel, ylabel, zlabel);
}
