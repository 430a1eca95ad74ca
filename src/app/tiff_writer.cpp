// A baseline TIFF writer for 16-bit greyscale images.

#include "app/tiff_writer.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "io/replace.h"
#include "io/status.h"
#include "io/units.h"

namespace {

enum TiffType : std::uint16_t { TIFF_ASCII = 2, TIFF_SHORT = 3, TIFF_LONG = 4, TIFF_RATIONAL = 5 };

enum TiffTag : std::uint16_t {
    IMAGE_WIDTH = 256,
    IMAGE_LENGTH = 257,
    BITS_PER_SAMPLE = 258,
    COMPRESSION = 259,
    PHOTOMETRIC_INTERPRETATION = 262,
    IMAGE_DESCRIPTION = 270,
    STRIP_OFFSETS = 273,
    SAMPLES_PER_PIXEL = 277,
    ROWS_PER_STRIP = 278,
    STRIP_BYTE_COUNTS = 279,
    X_RESOLUTION = 282,
    Y_RESOLUTION = 283,
    PLANAR_CONFIGURATION = 284,
    RESOLUTION_UNIT = 296,
    SAMPLE_FORMAT = 339,
};

constexpr std::uint16_t NO_COMPRESSION = 1;
constexpr std::uint16_t BLACK_IS_ZERO = 1;
constexpr std::uint16_t CHUNKY = 1;
constexpr std::uint16_t NO_UNIT = 1;
constexpr std::uint16_t UNSIGNED_INTEGER = 1;
constexpr int TIFF_UNIT = 43;
constexpr std::size_t STRIP_BYTES = 8192;
constexpr std::size_t ENTRY_BYTES = 12;
// The largest side accepted: offsets are 32-bit.
constexpr int MAX_SIDE = 32768;

// Little-endian bytes of a file being built.
class Bytes
{
  public:
    void u16(std::uint16_t v) { data_.insert(data_.end(), {byte(v), byte(v >> 8)}); }
    void u32(std::uint32_t v)
    {
        data_.insert(data_.end(), {byte(v), byte(v >> 8), byte(v >> 16), byte(v >> 24)});
    }
    void text(const std::string& s)
    {
        data_.insert(data_.end(), s.begin(), s.end());
        data_.push_back(0);
    }
    void even()
    {
        if (data_.size() % 2 != 0) data_.push_back(0);
    }
    std::size_t size() const { return data_.size(); }
    const std::vector<char>& data() const { return data_; }

  private:
    static char byte(std::uint32_t v) { return static_cast<char>(v & 0xFFu); }
    std::vector<char> data_;
};

struct Entry
{
    std::uint16_t tag;
    std::uint16_t type;
    std::uint32_t count;
    std::uint32_t value; // the value itself when it fits in four bytes, else an offset
};

// Writes the bytes under a temporary name beside the file and renames it
// over the file when every byte was written.
void write_beside(const std::string& path, const std::vector<char>& bytes, int& status)
{
    IoReplacement file;
    int opened = IO_REPLACEMENT_NOT_MADE;
    file.open(TIFF_UNIT, path, opened, status);
    if (status != ST_GOOD_VALUE) return;
    if (opened != IO_REPLACEMENT_OPEN) {
        io_say("ERROR: Cannot make the TIFF file " + path);
        return st_fail(status, ST_MOD_IO + ST_OPEN_FAIL, "Subroutine ZYT_WRITE_TIFF16 V0.1");
    }
    // A short write shows as a failed close in commit.
    std::fwrite(bytes.data(), 1, bytes.size(), io_unit_file(TIFF_UNIT));
    file.commit(status);
}

} // namespace

void ZYT_WRITE_TIFF16(const std::string& path, int width, int height, const std::uint16_t* pixels,
                      const std::string& description, int& status)
{
    constexpr std::string_view position = "Subroutine ZYT_WRITE_TIFF16 V0.1";
    if (!st_enter(status, position)) return;
    if (width < 1 || height < 1 || width > MAX_SIDE || height > MAX_SIDE)
        return st_fail(status, ST_MOD_IO + ST_BAD_DIM1, position);
    const std::size_t row_bytes = 2 * static_cast<std::size_t>(width);
    const std::size_t rows_per_strip = std::max<std::size_t>(1, STRIP_BYTES / row_bytes);
    const std::size_t strips = (height + rows_per_strip - 1) / rows_per_strip;

    Bytes file;
    file.u16(0x4949); // "II": little-endian
    file.u16(42);
    file.u32(0); // directory offset, set below
    // Pixels from offset 8, the top row of the picture first.
    std::vector<std::uint32_t> offsets, counts;
    for (std::size_t strip = 0; strip < strips; ++strip) {
        offsets.push_back(static_cast<std::uint32_t>(file.size()));
        const std::size_t first = strip * rows_per_strip;
        const std::size_t last = std::min<std::size_t>(height, first + rows_per_strip);
        for (std::size_t row = first; row < last; ++row) {
            const std::uint16_t* source =
                pixels + (static_cast<std::size_t>(height) - 1 - row) * width;
            for (int i = 0; i < width; ++i)
                file.u16(source[i]);
        }
        counts.push_back(static_cast<std::uint32_t>((last - first) * row_bytes));
    }

    // Values too long for an entry follow the directory.
    std::vector<Entry> entries = {
        {IMAGE_WIDTH, TIFF_LONG, 1, static_cast<std::uint32_t>(width)},
        {IMAGE_LENGTH, TIFF_LONG, 1, static_cast<std::uint32_t>(height)},
        {BITS_PER_SAMPLE, TIFF_SHORT, 1, 16},
        {COMPRESSION, TIFF_SHORT, 1, NO_COMPRESSION},
        {PHOTOMETRIC_INTERPRETATION, TIFF_SHORT, 1, BLACK_IS_ZERO},
    };
    if (!description.empty())
        entries.push_back(
            {IMAGE_DESCRIPTION, TIFF_ASCII, static_cast<std::uint32_t>(description.size() + 1), 0});
    entries.push_back({STRIP_OFFSETS, TIFF_LONG, static_cast<std::uint32_t>(strips), offsets[0]});
    entries.push_back({SAMPLES_PER_PIXEL, TIFF_SHORT, 1, 1});
    entries.push_back({ROWS_PER_STRIP, TIFF_LONG, 1, static_cast<std::uint32_t>(rows_per_strip)});
    entries.push_back(
        {STRIP_BYTE_COUNTS, TIFF_LONG, static_cast<std::uint32_t>(strips), counts[0]});
    entries.push_back({X_RESOLUTION, TIFF_RATIONAL, 1, 0});
    entries.push_back({Y_RESOLUTION, TIFF_RATIONAL, 1, 0});
    entries.push_back({PLANAR_CONFIGURATION, TIFF_SHORT, 1, CHUNKY});
    entries.push_back({RESOLUTION_UNIT, TIFF_SHORT, 1, NO_UNIT});
    entries.push_back({SAMPLE_FORMAT, TIFF_SHORT, 1, UNSIGNED_INTEGER});

    file.even();
    const std::size_t directory = file.size();
    std::size_t extra = directory + 2 + entries.size() * ENTRY_BYTES + 4;
    const auto place = [&extra](std::size_t bytes) {
        const std::size_t at = extra;
        extra += bytes + bytes % 2;
        return static_cast<std::uint32_t>(at);
    };
    for (Entry& e : entries) {
        if (e.tag == IMAGE_DESCRIPTION && e.count > 4) e.value = place(e.count);
        if ((e.tag == STRIP_OFFSETS || e.tag == STRIP_BYTE_COUNTS) && strips > 1)
            e.value = place(4 * strips);
        if (e.type == TIFF_RATIONAL) e.value = place(8);
    }
    file.u16(static_cast<std::uint16_t>(entries.size()));
    for (const Entry& e : entries) {
        file.u16(e.tag);
        file.u16(e.type);
        file.u32(e.count);
        if (e.type == TIFF_SHORT) {
            file.u16(static_cast<std::uint16_t>(e.value));
            file.u16(0);
        } else if (e.tag == IMAGE_DESCRIPTION && e.count <= 4) {
            std::string inline_text = description;
            inline_text.resize(3, '\0');
            file.text(inline_text); // three characters and the end mark
        } else {
            file.u32(e.value);
        }
    }
    file.u32(0); // no further directory
    // The values placed after the directory, in the order they were placed.
    for (const Entry& e : entries) {
        if (e.tag == IMAGE_DESCRIPTION && e.count > 4) {
            file.text(description);
            file.even();
        }
        if ((e.tag == STRIP_OFFSETS || e.tag == STRIP_BYTE_COUNTS) && strips > 1)
            for (std::uint32_t v : e.tag == STRIP_OFFSETS ? offsets : counts)
                file.u32(v);
        if (e.type == TIFF_RATIONAL) {
            file.u32(1);
            file.u32(1);
        }
    }
    if (file.size() != extra) return st_fail(status, ST_MOD_IO + ST_BAD_STATE, position);
    std::vector<char> bytes = file.data();
    // The directory offset in the header.
    for (int b = 0; b < 4; ++b)
        bytes[4 + b] = static_cast<char>((directory >> (8 * b)) & 0xFFu);
    write_beside(path, bytes, status);
}
