#pragma once
// Small writers of the CCD, BSL/OTOKO, gas-detector and CHIPLOT files, made
// from the descriptions of the formats (header offsets, value types, byte
// orders, line orders) and nothing of the readers. Pixel values come from a
// pattern of the stored column, stored line and image, so that a test states
// where each stored value must land in the image. ReaderForm calls a reader
// in its reader form on arrays inside larger buffers.

#include <bit>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "fio_test_support.h"

namespace zyt_test {

// A value of a stored column c and line l (from 1) of image n (from 1), in
// the range of the stored type: kind 'u' unsigned 16-bit, 's' signed 16-bit,
// 'i' signed 32-bit, 'U' unsigned 32-bit, 'f' 32-bit real.
inline double pattern(char kind, int c, int l, int n)
{
    const int base = c + 100 * l + 10000 * n;
    switch (kind) {
    case 'u':
        return 65535 - base % 60000;
    case 's':
        return (l % 2 == 0 ? -1 : 1) * (base % 30000);
    case 'i':
        return (c % 2 == 0 ? -1.0 : 1.0) * (base * 60001.0);
    case 'U':
        return 4000000000.0 - base;
    default:
        return base * 0.25 - 7.5;
    }
}

inline int kind_bytes(char kind)
{
    return kind == 'u' || kind == 's' ? 2 : 4;
}

// One stored value of a kind in a byte order.
inline std::string stored_value(char kind, double value, bool big_endian)
{
    std::uint64_t bits = 0;
    if (kind == 'f')
        bits = std::bit_cast<std::uint32_t>(static_cast<float>(value));
    else
        bits = static_cast<std::uint64_t>(static_cast<long long>(value));
    return stored(bits, kind_bytes(kind), big_endian);
}

// The values of `images` images of nx by ny, line after line, image after image.
inline std::string stored_images(char kind, int nx, int ny, int images, bool big_endian)
{
    std::string bytes;
    for (int n = 1; n <= images; ++n)
        for (int l = 1; l <= ny; ++l)
            for (int c = 1; c <= nx; ++c)
                bytes += stored_value(kind, pattern(kind, c, l, n), big_endian);
    return bytes;
}

// Puts a little-endian integer into a header at a byte offset (from 0).
inline void put(std::string& header, std::size_t at, long long value, int size)
{
    header.replace(at, static_cast<std::size_t>(size),
                   stored(static_cast<std::uint64_t>(value), size, false));
}

// Princeton: a 4100-byte header, X pixels (2 bytes) at 42, Y pixels (2 bytes)
// at 656, stored images (4 bytes) at 1446, data type (2 bytes) at 108 (0 real,
// 1 32-bit integer, 2 signed and 3 unsigned 16-bit); the values follow,
// little-endian, top line first. A date at 20 and a time at 172 as the
// camera software writes them.
inline std::string princeton_header(int nx, int ny, int images, int type)
{
    std::string header(4100, '\0');
    header.replace(20, 9, "07Jun2024");
    header.replace(172, 6, "101530");
    put(header, 42, nx, 2);
    put(header, 656, ny, 2);
    put(header, 1446, images, 4);
    put(header, 108, type, 2);
    return header;
}

inline char princeton_kind(int type)
{
    return "fisu"[type];
}

inline std::string princeton_file(int nx, int ny, int images, int type)
{
    return princeton_header(nx, ny, images, type) +
           stored_images(princeton_kind(type), nx, ny, images, false);
}

// Photometrics: a 172-byte header, X pixels at byte 12, Y pixels at 14 and
// the stored images at 20 (2-byte little-endian integers); unsigned 16-bit
// little-endian values follow, top line first.
inline std::string photometrics_file(int nx, int ny, int images, int declared = -1)
{
    std::string header(172, '\0');
    header.replace(0, 4, "PMIS");
    put(header, 12, nx, 2);
    put(header, 14, ny, 2);
    put(header, 20, declared < 0 ? images : declared, 2);
    return header + stored_images('u', nx, ny, images, false);
}

// A BSL/OTOKO data set: the line of ten integers and the binary file's name.
struct BslSet
{
    int nx, ny, frames;
    int order; // 0 big-endian, 1 little-endian
    int type;  // 0 real, 1 16-bit integer
    std::string file;
};

inline std::string bsl_header(const std::vector<BslSet>& sets)
{
    std::string text = "Test pattern written for the reader's tests\nSecond title line\n";
    for (std::size_t k = 0; k < sets.size(); ++k) {
        const BslSet& s = sets[k];
        char line[160];
        std::snprintf(line, sizeof line, "%8d%8d%8d%8d%8d%8d%8d%8d%8d%8d\n", s.nx, s.ny, s.frames,
                      s.order, s.type, 0, 0, 0, 0, k + 1 < sets.size() ? 1 : 0);
        text += line + s.file + "\n";
    }
    return text;
}

inline char bsl_kind(const BslSet& s)
{
    return s.type == 0 ? 'f' : 'u';
}

inline std::string bsl_binary(const BslSet& s)
{
    return stored_images(bsl_kind(s), s.nx, s.ny, s.frames, s.order == 0);
}

// The gas detector's "hm" file: 32-bit integers in the writer's byte order,
// header type 1, X pixels, Y pixels, images, bits per pixel.
inline std::string gas_hm(int nx, int ny, int images, int bits, bool big_endian, int type = 1)
{
    std::string bytes;
    for (long long v :
         {static_cast<long long>(type), static_cast<long long>(nx), static_cast<long long>(ny),
          static_cast<long long>(images), static_cast<long long>(bits)})
        bytes += stored(static_cast<std::uint64_t>(v), 4, big_endian);
    return bytes + std::string(44, '\0');
}

// The gas detector's data: an optional 512-byte header record, then the images.
inline std::string gas_data(char kind, int nx, int ny, int images, bool big_endian,
                            bool header_record)
{
    return (header_record ? std::string(512, 'H') : std::string()) +
           stored_images(kind, nx, ny, images, big_endian);
}

// A CHIPLOT file: title, X label, Y label, the count, then X/Y pairs.
inline std::string chiplot_file(const std::vector<std::pair<double, double>>& points,
                                int declared = -1)
{
    std::string text = "scan_0001.chi\n2-Theta Angle (Degrees)\nIntensity\n";
    char line[80];
    std::snprintf(line, sizeof line, "%8d\n",
                  declared < 0 ? static_cast<int>(points.size()) : declared);
    text += line;
    for (const auto& [x, y] : points) {
        std::snprintf(line, sizeof line, " %14.7E %14.7E\n", x, y);
        text += line;
    }
    return text;
}

// A reader called in its reader form, on arrays inside larger buffers.
class ReaderForm : public FioTest
{
  protected:
    // No window: what would be shown in one goes to the console.
    void SetUp() override
    {
        FioTest::SetUp();
        FIO_SET_BATCH(true);
    }
    void TearDown() override { FIO_SET_BATCH(false); }

    std::string write(const std::string& name, const std::string& bytes)
    {
        write_file(dir.file(name), bytes);
        return dir.file(name);
    }

    // The reader form on an array of xmax by ymax inside a larger buffer, so
    // that a write outside the declared array shows as a changed sentinel.
    void read_form(void (*reader)(bool, bool&, std::string&, int&, int&, int&, std::span<float>,
                                  std::span<float>, const ImageView&, const ImageView&,
                                  std::string&, std::string&, std::string&, std::string&, int&),
                   bool gui, std::string name, int xmax, int ymax)
    {
        buffer.assign(static_cast<std::size_t>(xmax * ymax + 64), SENTINEL);
        variance_buffer.assign(buffer.size(), SENTINEL);
        x_axis.assign(static_cast<std::size_t>(xmax), 0.0f);
        y_axis.assign(static_cast<std::size_t>(ymax), 0.0f);
        view = ImageView{buffer.data(), xmax, ymax};
        variances = ImageView{variance_buffer.data(), xmax, ymax};
        title = "given title";
        reader(gui, with_variances, name, retstat, xnum, ynum, x_axis, y_axis, view, variances,
               title, xlabel, ylabel, zlabel, status);
        file_name = name;
    }

    // zyt_image's reading of a file that must succeed in a format.
    FioImage read_as(const std::string& path, const char* format, FioRequest request = {})
    {
        int r = -9;
        FioImage image = read_image(path, r, request);
        EXPECT_EQ(r, 0);
        EXPECT_EQ(image.format, format);
        return image;
    }

    // zyt_image's reading of a file that must be refused, the console
    // saying each of the lines.
    void expect_refused(const std::string& path, const std::vector<std::string>& lines)
    {
        ConsoleCapture console;
        int r = -9;
        read_image(path, r);
        EXPECT_EQ(r, 1);
        for (const std::string& line : lines)
            EXPECT_NE(console.text().find(line), std::string::npos) << line << console.text();
    }

    std::vector<float> pixels() const
    {
        std::vector<float> v;
        for (int j = 1; j <= ynum; ++j)
            for (int i = 1; i <= xnum; ++i)
                v.push_back(view(i, j));
        return v;
    }

    bool sentinels_intact() const
    {
        for (std::size_t k = static_cast<std::size_t>(view.xmaxdat * view.ymaxdat);
             k < buffer.size(); ++k)
            if (buffer[k] != SENTINEL) return false;
        return true;
    }

    static constexpr float SENTINEL = -12345.0f;
    std::vector<float> buffer, variance_buffer, x_axis, y_axis;
    ImageView view, variances;
    bool with_variances = false;
    int retstat = -9, xnum = 0, ynum = 0;
    std::string file_name, title, xlabel, ylabel, zlabel;
};

} // namespace zyt_test
