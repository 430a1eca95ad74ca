#include <gtest/gtest.h>

#include <bit>
#include <filesystem>

#include "fio_test_support.h"

using namespace zyt_test;

namespace {

// Raw files written from the layout description: a header, then nx x ny
// values line after line, X fastest.
class Binary : public FioTest
{
protected:
    std::string raw(const std::vector<std::uint64_t>& values, int size, bool big_endian,
                    const std::string& header = "")
    {
        std::string bytes = header;
        for (std::uint64_t v : values) bytes += stored(v, size, big_endian);
        const std::string path = dir.file("image.bin");
        write_file(path, bytes);
        return path;
    }

    // The values 0, 1, 2, ... as a raw file.
    std::string numbered(int count, int size, bool big_endian)
    {
        std::vector<std::uint64_t> values;
        for (int k = 0; k < count; ++k) values.push_back(static_cast<std::uint64_t>(k));
        return raw(values, size, big_endian);
    }

    FioImage read(const std::string& path, int nx, int ny, const char* type, int is_signed,
                  int swap, int& retstat, int start = 0)
    {
        FioRequest r;
        r.nx = nx;
        r.ny = ny;
        r.type = type;
        r.is_signed = is_signed;
        r.swap = swap;
        r.start_byte = start;
        return read_image(path, retstat, r);
    }
};

std::uint64_t bits(float v) { return std::bit_cast<std::uint32_t>(v); }

} // namespace

TEST_F(Binary, EachTypeSignedAndUnsigned)
{
    struct Case
    {
        const char* type;
        int size;
        std::vector<std::uint64_t> stored_values;
        std::vector<float> as_unsigned, as_signed;
        float overload;
    };
    const Case cases[] = {
        {"BYTE", 1, {0, 127, 128, 255}, {0, 127, 128, 255}, {0, 127, -128, -1}, 255.5f},
        {"I2", 2, {1, 0x7FFF, 0x8000, 0xFFFF}, {1, 32767, 32768, 65535}, {1, 32767, -32768, -1},
         65534.5f},
        {"I4", 4, {5, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF},
         {5, 2147483647.0f, 2147483648.0f, 4294967295.0f},
         {5, 2147483647.0f, -2147483648.0f, -1}, 2147483648.0f},
        {"R4", 4, {bits(1.5f), bits(-2.25f), bits(1.0e30f), bits(0.0f)},
         {1.5f, -2.25f, 1.0e30f, 0.0f}, {1.5f, -2.25f, 1.0e30f, 0.0f}, 1.7e38f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        for (bool big : {false, true}) {
            const std::string path = raw(c.stored_values, c.size, big);
            for (int is_signed : {0, 1}) {
                int retstat = -9;
                // The byte order of the file differs from this machine's when big.
                FioImage image = read(path, 2, 2, c.type, is_signed, big ? 1 : 0, retstat);
                ASSERT_EQ(retstat, 0);
                EXPECT_EQ(image.format, "BINARY");
                EXPECT_EQ(pixels_of(image), is_signed ? c.as_signed : c.as_unsigned);
                EXPECT_EQ(image.overload_value, c.overload);
            }
        }
    }
}

TEST_F(Binary, AHeaderIsSkippedByTheStartingByte)
{
    const std::string path = raw({10, 20, 30, 40, 50, 60}, 2, false, std::string(512, '\x7F'));
    int retstat = -9;
    FioImage image = read(path, 3, 2, "I2", 0, 0, retstat, 513);
    ASSERT_EQ(retstat, 0);
    EXPECT_EQ(pixels_of(image), (std::vector<float>{10, 20, 30, 40, 50, 60}));
    EXPECT_EQ(image.xlabel, "Columns");
    EXPECT_EQ(image.title, path);
}

TEST_F(Binary, AShortFileSaysWhatWasExpectedAndShowsNothing)
{
    const std::string path = raw({1, 2, 3, 4, 5}, 2, false);
    ConsoleCapture console;
    int retstat = -9;
    FioImage image = read(path, 3, 2, "I2", 0, 0, retstat, 3);
    EXPECT_EQ(retstat, 1);
    EXPECT_EQ(image.xnumdat, 0);
    EXPECT_NE(console.text().find("WARNING: The file holds 10 bytes, but the layout needs 14"),
              std::string::npos)
        << console.text();
    // A layout whose size overflows is refused the same way.
    ConsoleCapture huge;
    read(path, 2000000000, 2000000000, "I4", 0, 0, retstat);
    EXPECT_EQ(retstat, 1);
    EXPECT_NE(huge.text().find("WARNING: The file holds 10 bytes"), std::string::npos);
}

TEST_F(Binary, RegionAndSummedRebin)
{
    std::vector<std::uint64_t> values;
    for (int k = 0; k < 6 * 4; ++k) values.push_back(static_cast<std::uint64_t>(k));
    const std::string path = raw(values, 1, false);
    FioRequest r;
    r.nx = 6;
    r.ny = 4;
    r.type = "BYTE";
    r.region_given = true;
    r.region = {2, 2, 5, 4, 2, 2};
    int retstat = -9;
    FioImage image = read_image(path, retstat, r);
    ASSERT_EQ(retstat, 0);
    // Rows 2-3, columns 2-5, in blocks of two by two (row 4 is left over).
    EXPECT_EQ(pixels_of(image), (std::vector<float>{7 + 8 + 13 + 14, 9 + 10 + 15 + 16}));
    EXPECT_EQ(image.x_axis[0], 2.0f);
    EXPECT_EQ(image.y_axis[0], 2.0f);
}

TEST_F(Binary, TransfersCutToTheDeclaredArrayAndMirror)
{
    const std::string path = numbered(64 * 64, 2, false);
    int retstat = -9, handle = 0, xnum = 0, ynum = 0;
    FIO_FILEOPEN(path, "READ", retstat, handle, status);
    FioSlotGuard guard(handle);
    std::vector<float> data(32 * 32, -1.0f);
    const ImageView view{data.data(), 32, 32};
    FioTransfer t;
    t.nx = t.ny = 64;
    t.xend = t.yend = 32;
    t.buffer_elements = 100; // blocks that end inside lines
    FIO_INP_2DI2(t, view, xnum, ynum, status);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    EXPECT_EQ(xnum, 32);
    EXPECT_EQ(ynum, 32);
    EXPECT_EQ(view(1, 1), 0.0f);
    EXPECT_EQ(view(32, 1), 31.0f);
    EXPECT_EQ(view(1, 32), 31.0f * 64);

    // Mirrored: the last file line in the first row is not what reverse-Y
    // gives; it puts the first line used in the last row.
    t.reverse_y = true;
    t.reverse_x = true;
    t.xstart = 2;
    t.xend = 4;
    t.ystart = 1;
    t.yend = 2;
    FIO_INP_2DI2(t, view, xnum, ynum, status);
    EXPECT_EQ(xnum, 3);
    EXPECT_EQ(ynum, 2);
    // File columns 61..63 right to left, file lines 63..64 with 63 on top.
    EXPECT_EQ(view(1, 2), 62.0f * 64 + 62);
    EXPECT_EQ(view(3, 2), 62.0f * 64 + 60);
    EXPECT_EQ(view(1, 1), 63.0f * 64 + 62);

    // Fixed-length records give the same values.
    t = FioTransfer{};
    t.nx = t.ny = 64;
    t.xend = t.yend = 32;
    t.buffer_elements = 10;
    std::vector<float> again(32 * 32, -1.0f);
    IO_INP_2DI2(t, 20, ImageView{again.data(), 32, 32}, xnum, ynum, status);
    FIO_INP_2DI2(t, view, xnum, ynum, status);
    EXPECT_EQ(again, data);
    IO_INP_2DI2(t, 22, view, xnum, ynum, status);
    EXPECT_EQ(status, ST_MOD_FIO + 13);
}

TEST_F(Binary, ATransferPastTheEndOfTheFileFailsOnTheChunkThatRunsOver)
{
    FioTransfer t;
    t.nx = t.ny = t.xend = t.yend = 64;
    t.swap = std::endian::native == std::endian::little;
    t.buffer_elements = 100;
    std::vector<float> data(64 * 64, -1.0f);
    const ImageView view{data.data(), 64, 64};
    // 64 x 64 big-endian values, the last 25 of them missing.
    int retstat = -9, handle = 0, xnum = 0, ynum = 0;
    FIO_FILEOPEN(numbered(64 * 64 - 25, 2, true), "READ", retstat, handle, status);
    FioSlotGuard guard(handle);
    ConsoleCapture console;
    FIO_INP_2DI2(t, view, xnum, ynum, status);
    EXPECT_EQ(status, FIO_STATUS_READ_FAILURE);
    // Chunks of 100 values: 40 whole ones, then the last 96 values of which
    // the file holds 71.
    EXPECT_EQ(console.lines(),
              std::vector<std::string>{"WARNING: 142 bytes input instead of 192 requested"});
    // What the whole chunks held is in place, the rest untouched.
    EXPECT_EQ(view(1, 1), 0.0f);
    EXPECT_EQ(view(64, 62), 62.0f * 64 - 1);
    EXPECT_EQ(view(32, 63), 62.0f * 64 + 31);
    EXPECT_EQ(view(33, 63), -1.0f);
}

TEST_F(Binary, TransferArgumentsAreCheckedInOrder)
{
    std::vector<float> data(4);
    const ImageView view{data.data(), 2, 2};
    auto error_of = [&](FioTransfer t) {
        int s = fresh_status(), xnum = 0, ynum = 0;
        FIO_INP_2DR4(t, view, xnum, ynum, s);
        return s;
    };
    FioTransfer t;
    t.nx = t.ny = 2;
    t.xend = t.yend = 2;
    FioTransfer bad = t;
    bad.nx = 0;
    EXPECT_EQ(error_of(bad), ST_MOD_FIO + 17);
    bad = t;
    bad.yend = 3;
    EXPECT_EQ(error_of(bad), ST_MOD_FIO + 6);
    bad = t;
    bad.xstart = 2;
    bad.xend = 1;
    EXPECT_EQ(error_of(bad), ST_MOD_FIO + 5);
    bad = t;
    bad.start_byte = 0;
    EXPECT_EQ(error_of(bad), ST_MOD_FIO + 17);
    bad = t;
    bad.ybin = 2;
    ConsoleCapture console;
    EXPECT_EQ(error_of(bad), 9999);
    EXPECT_EQ(console.text(), "ERROR: Re-binning, transposing on input not yet implemented\n");
}

TEST_F(Binary, TheInfoFileDescribesTheImage)
{
    raw({0x0102, 0x0304, 0x0506, 0x0708, 0x090A, 0x0B0C}, 2, true);
    write_file(dir.file("image.bin.info"), "Image description\n"
                                           "Size = 3 2\n"
                                           "Bytes per pixel = 2 (unsigned)\n"
                                           "Byte order = big endian\n"
                                           "X pixel size = 12.5\n"
                                           "Y pixel size = 25\n"
                                           "ignored\n"
                                           "ignored\n"
                                           "Title = Sample A\n"
                                           "X label = Columns\n"
                                           "Y label = Rows\n"
                                           "Z label = Counts\n"
                                           "Lowest = -3.5\n"
                                           "Other = 7\n");
    std::string title, xl, yl, zl;
    int nx = 0, ny = 0, bytes = 0;
    float lowest = 0, second = 0, xps = 0, yps = 0;
    bool swap = false, is_signed = true;
    {
        ConsoleCapture console;
        FIO_IN_HEADERFILE(dir.file("image.bin"), title, xl, yl, zl, nx, ny, lowest, second, bytes,
                          swap, is_signed, xps, yps, status);
        EXPECT_EQ(console.text(), "INFO: '.info' file has been found and will be used for defaults\n");
    }
    EXPECT_EQ(nx, 3);
    EXPECT_EQ(ny, 2);
    EXPECT_EQ(bytes, 2);
    EXPECT_FALSE(is_signed);
    EXPECT_EQ(swap, std::endian::native == std::endian::little);
    EXPECT_FLOAT_EQ(xps, 12.5e-6f);
    EXPECT_FLOAT_EQ(yps, 25e-6f);
    EXPECT_EQ(title, "Sample A");
    EXPECT_EQ(zl, "Counts");
    EXPECT_EQ(lowest, -3.5f);
    EXPECT_EQ(second, 7.0f);

    // zyt_image takes the whole layout from it.
    const CommandResult r =
        run_command(std::string(ZYT_IMAGE_BINARY) + " info " + dir.file("image.bin"));
    EXPECT_EQ(r.exit_status, 0) << r.output;
    for (const char* line : {"format: BINARY\n", "width: 3\n", "height: 2\n", "minimum: 258\n",
                             "maximum: 2828\n", "x_pixel_size: 1.25e-05\n", "overload: 65534.5\n"})
        EXPECT_NE(r.output.find(line), std::string::npos) << line << r.output;
}

TEST_F(Binary, AMalformedInfoLineStopsWithItsMessage)
{
    write_file(dir.file("x.info"), "head\nSize = 30 40\nBytes = 2 (maybe)\nOrder = big endian\n");
    std::string t, xl, yl, zl;
    int nx = 0, ny = 0, bytes = 0;
    float lowest = 0, second = 0, xps = 0, yps = 0;
    bool swap = false, is_signed = false;
    {
        ConsoleCapture console;
        FIO_IN_HEADERFILE(dir.file("x"), t, xl, yl, zl, nx, ny, lowest, second, bytes, swap,
                          is_signed, xps, yps, status);
        EXPECT_NE(console.text().find("ERROR: Number of bytes per pixel, or signed/unsigned "
                                      "values is not correct,\n       the '.info' file is wrong "
                                      "or has been corrupted"),
                  std::string::npos)
            << console.text();
    }
    EXPECT_EQ(nx, 30); // what was read before stays
    EXPECT_FALSE(swap);
    write_file(dir.file("y.info"), "head\nno equals sign here\n");
    ConsoleCapture console;
    FIO_IN_HEADERFILE(dir.file("y"), t, xl, yl, zl, nx, ny, lowest, second, bytes, swap,
                      is_signed, xps, yps, status);
    FIO_IN_HEADERFILE(dir.file("none"), t, xl, yl, zl, nx, ny, lowest, second, bytes, swap,
                      is_signed, xps, yps, status);
    // One that is there but cannot be read is not missing.
    std::filesystem::create_directory(dir.file("z.info"));
    FIO_IN_HEADERFILE(dir.file("z"), t, xl, yl, zl, nx, ny, lowest, second, bytes, swap,
                      is_signed, xps, yps, status);
    EXPECT_EQ(console.lines(),
              (std::vector<std::string>{
                  "INFO: '.info' file has been found and will be used for defaults",
                  "ERROR: The '.info' file is the wrong file or has been corrupted",
                  "WARNING: No '.info' file, so unknown image size, and pixel sizes",
                  "         (Pixel sizes defaulted to 100 x 100 microns.)",
                  "WARNING: The '.info' file cannot be read (it is no regular file): " +
                      dir.file("z.info"),
                  "         (Pixel sizes defaulted to 100 x 100 microns.)"}));
    FIO_IN_HEADERFILE("", t, xl, yl, zl, nx, ny, lowest, second, bytes, swap, is_signed, xps,
                      yps, status);
    EXPECT_EQ(status, ST_MOD_FIO + 33);
}

TEST_F(Binary, TheLayoutAskedOnTheTerminalAndKeptForTheSeries)
{
    const std::string path = raw({1, 2, 0xFFFE, 4, 5, 6}, 2, true);
    std::vector<float> data(4 * 4, -7.0f), x_axis(4), y_axis(4);
    const ImageView view{data.data(), 4, 4};
    bool variances = true;
    int retstat = -9, xnum = 0, ynum = 0;
    std::string name, title, xl, yl, zl;
    float xps = 0, yps = 0, overload = 0;
    {
        TypedInput typed(path + "\n3\n2\nINTEGER\nYES\nYES\n");
        ConsoleCapture console;
        FIO_IN_BINARY(false, true, variances, name, retstat, xnum, ynum, x_axis, y_axis, view,
                      ImageView{}, title, xl, yl, zl, xps, yps, overload, status);
    }
    ASSERT_EQ(status, ST_GOOD_VALUE);
    ASSERT_EQ(retstat, 0);
    EXPECT_EQ(name, path);
    EXPECT_EQ(xnum, 3);
    EXPECT_EQ(ynum, 2);
    EXPECT_EQ((std::vector<float>{view(1, 1), view(3, 1), view(3, 2)}),
              (std::vector<float>{1, -2, 6}));
    EXPECT_EQ(view(4, 1), -7.0f); // nothing outside the image is written
    EXPECT_FALSE(variances);
    EXPECT_EQ(overload, 65534.5f);
    bool swap = false;
    IO_INQ_LKEYVALUE("IN_BIN_SWAP", swap, retstat, status);
    EXPECT_TRUE(swap);

    // The next file of the series is read with the same layout, nothing asked.
    const std::string next = dir.file("next.bin");
    write_file(next, stored(9, 2, true) + std::string(10, '\0'));
    name = next;
    FIO_IN_BINARY(true, false, variances, name, retstat, xnum, ynum, x_axis, y_axis, view,
                  ImageView{}, title, xl, yl, zl, xps, yps, overload, status);
    EXPECT_EQ(retstat, 0);
    EXPECT_EQ(view(1, 1), 9.0f);
    EXPECT_EQ(title, next);

    // An end of input is a cancel: retstat -1 and a good status.
    TypedInput nothing("");
    ConsoleCapture console;
    FIO_IN_BINARY(false, true, variances, name, retstat, xnum, ynum, x_axis, y_axis, view,
                  ImageView{}, title, xl, yl, zl, xps, yps, overload, status);
    EXPECT_EQ(retstat, -1);
    EXPECT_EQ(status, ST_GOOD_VALUE);
}
