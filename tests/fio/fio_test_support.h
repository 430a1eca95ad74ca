#pragma once
// Image files for the readers' tests: the TIFF, MAR and Bruker files
// independent writers (tifffile, fabio) make, with the images expected from
// them, and small files written from the format descriptions.

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fio/fio.h"
#include "io/database.h"
#include "test_support.h"

namespace zyt_test {

// The files a fixture script writes into a directory.
inline std::string fixtures_made_by(const char* script, const TempDir& dir)
{
    const CommandResult r =
        run_command("/usr/bin/python3 " + std::string(script) + " " + dir.path().string());
    EXPECT_EQ(r.exit_status, 0) << r.output;
    return dir.path().string();
}

// The directory of the TIFF fixtures, made once per test program.
inline const std::string& tiff_fixtures()
{
    static const TempDir dir;
    static const std::string path = fixtures_made_by(ZYT_TIFF_FIXTURES, dir);
    return path;
}

// The detector fixtures (ADSC by fabio, the others from the format
// descriptions), made once per test program.
inline const std::string& detector_fixtures()
{
    static const TempDir dir;
    static const std::string path = fixtures_made_by(ZYT_DETECTOR_FIXTURES, dir);
    return path;
}

// The MAR, Bruker and PLANO fixtures (fabio, and the fixture script's own
// writers for the formats fabio does not write), made once per test program.
inline const std::string& mar_fixtures()
{
    static const TempDir dir;
    static const std::string path = fixtures_made_by(ZYT_MAR_FIXTURES, dir);
    return path;
}

// A little-endian file of 32-bit reals.
inline std::vector<float> read_reals(const std::string& path)
{
    const std::string bytes = read_file(path);
    std::vector<float> values(bytes.size() / 4);
    for (std::size_t i = 0; i < values.size(); ++i) {
        std::uint32_t raw = 0;
        for (int k = 3; k >= 0; --k) raw = (raw << 8) | static_cast<unsigned char>(bytes[4 * i + k]);
        values[i] = std::bit_cast<float>(raw);
    }
    return values;
}

// The defined pixels of an image, row 1 first.
inline std::vector<float> pixels_of(FioImage& image)
{
    std::vector<float> values;
    const ImageView v = image.view();
    for (int j = 1; j <= image.ynumdat; ++j)
        for (int i = 1; i <= image.xnumdat; ++i) values.push_back(v(i, j));
    return values;
}

// Compares bit for bit; the first differing pixel is named.
inline ::testing::AssertionResult same_pixels(const std::vector<float>& got,
                                              const std::vector<float>& want, int width)
{
    if (got.size() != want.size())
        return ::testing::AssertionFailure()
               << got.size() << " pixels instead of " << want.size();
    for (std::size_t k = 0; k < got.size(); ++k)
        if (std::memcmp(&got[k], &want[k], 4) != 0)
            return ::testing::AssertionFailure()
                   << "pixel (" << k % width + 1 << ", " << k / width + 1 << ") is " << got[k]
                   << " instead of " << want[k];
    return ::testing::AssertionSuccess();
}

// Bytes of a value in a chosen byte order.
inline std::string stored(std::uint64_t value, int size, bool big_endian)
{
    std::string bytes(static_cast<std::size_t>(size), '\0');
    for (int k = 0; k < size; ++k) {
        const int at = big_endian ? size - 1 - k : k;
        bytes[static_cast<std::size_t>(at)] = static_cast<char>((value >> (8 * k)) & 0xFF);
    }
    return bytes;
}

// Reads a file as zyt_image does.
inline FioImage read_image(const std::string& file, int& retstat, FioRequest request = {})
{
    request.file_name = file;
    FioImage image;
    int status = fresh_status();
    FIO_READ_IMAGE(request, image, retstat, status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    return image;
}

// A fresh run for the readers: no remembered answers, no series, no layout.
class FioTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        IO_CLEAR_DATABASE();
        FIO_DEF_INPUT();
        status = fresh_status();
    }
    TempDir dir;
    int status = ST_GOOD_VALUE;
};

} // namespace zyt_test
