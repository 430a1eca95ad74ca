// TIFF files' structure: the header, the chain of image directories, the
// integer entries in the file's byte order, and the layout of an image's
// samples. Every offset and count is checked against the file's size before
// it is used.

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fio/readers.h"
#include "fio/tiff_layout.h"
#include "io/convert.h"
#include "io/fields.h"
#include "io/status.h"

using namespace fio_tiff;

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


constexpr int NO_COMPRESSION = 1;
// Strip addresses read at most: one per row of the largest image the
// program takes, or the traditional 1000 for smaller ones.
constexpr int MIN_STRIP_LIMIT = 1000;
constexpr int MAX_SIDE = 1 << 16;
// Directories followed at most to find an image.
constexpr int MAX_DIRECTORIES = 10000;

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
    // Without the tag the samples are unsigned integers, as TIFF 6.0 defines
    // it, whatever their width: writers leave the tag out for unsigned data.
    l.format = SAMPLES_UNSIGNED;
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

} // namespace

bool fio_tiff::read_header(int handle, Header& h)
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

void fio_tiff::image_layout(int handle, const Header& h, int image_number, bool quiet,
                            Layout& l, int& retstat, int& status)
{
    Directory dir;
    read_directory(handle, h, image_number, dir, retstat);
    if (retstat == 2) retstat = 1;
    if (retstat != 0) return;
    examining = quiet;
    read_layout(handle, h, dir, l, retstat, status);
    examining = false;
}

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
    Layout l;
    image_layout(handle, h, 1, true, l, retstat, status);
    if (retstat != 0) return;
    width = static_cast<int>(l.width);
    length = static_cast<int>(l.length);
}

