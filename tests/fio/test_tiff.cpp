#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "fio_test_support.h"

using namespace zyt_test;

namespace {

class Tiff : public FioTest
{
protected:
    std::string fixture(const std::string& name) const { return tiff_fixtures() + "/" + name; }

    // A fixture's bytes, changed, as a new file.
    std::string damaged(const std::string& name, void (*change)(std::string&))
    {
        std::string bytes = read_file(fixture(name));
        change(bytes);
        const std::string path = dir.file("damaged.tif");
        write_file(path, bytes);
        return path;
    }
};

// The first directory's offset and an entry's position, little-endian files.
std::size_t entry_at(const std::string& bytes, int tag)
{
    auto u16 = [&](std::size_t at) {
        return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
    };
    std::size_t ifd = 0;
    for (int k = 3; k >= 0; --k) ifd = (ifd << 8) | static_cast<unsigned char>(bytes[4 + k]);
    for (int e = 0; e < u16(ifd); ++e)
        if (u16(ifd + 2 + 12 * e) == tag) return ifd + 2 + 12 * e;
    return 0;
}

} // namespace

TEST_F(Tiff, FilesOfAnIndependentWriterReadPixelForPixel)
{
    for (const char* name : {"u8", "i8", "u16_le", "u16_be", "i16", "i32", "u32", "u32_untagged",
                             "f32", "f32_be", "strips", "one_strip", "rebin_source",
                             "strips_large", "strips_reversed"}) {
        SCOPED_TRACE(name);
        int retstat = -9;
        FioImage image = read_image(fixture(std::string(name) + ".tif"), retstat);
        ASSERT_EQ(retstat, 0);
        EXPECT_EQ(image.format, "TIFF");
        EXPECT_TRUE(same_pixels(pixels_of(image), read_reals(fixture(std::string(name) +
                                                                      ".expected")),
                                image.xnumdat));
        EXPECT_EQ(image.x_axis[0], 0.5f);
        EXPECT_EQ(image.y_axis[image.ynumdat - 1], image.ynumdat - 0.5f);
        EXPECT_EQ(image.overload_value, 65334.5f);
        EXPECT_EQ(image.zlabel, "Intensity");
    }
}

TEST_F(Tiff, BigEndianSixteenBitsReadAsTheLittleEndianTwin)
{
    int r1 = -9, r2 = -9;
    FioImage little = read_image(fixture("u16_le.tif"), r1);
    FioImage big = read_image(fixture("u16_be.tif"), r2);
    ASSERT_EQ(r1, 0);
    ASSERT_EQ(r2, 0);
    EXPECT_EQ(big.xnumdat, 67);
    EXPECT_EQ(big.ynumdat, 41);
    EXPECT_TRUE(same_pixels(pixels_of(big), pixels_of(little), 67));
    // The writer's top-left pixel (65535) is at the top of the picture: the last row.
    EXPECT_EQ(big.view()(1, 41), 65535.0f);
    EXPECT_EQ(big.view()(67, 1), 0.0f);
}

TEST_F(Tiff, ZytImageRawGivesTheWritersPixels)
{
    const std::string out = dir.file("u16_be.raw");
    const CommandResult r =
        run_command(std::string(ZYT_IMAGE_BINARY) + " raw " + fixture("u16_be.tif") + " " + out);
    EXPECT_EQ(r.exit_status, 0) << r.output;
    EXPECT_NE(r.output.find("67 41\n"), std::string::npos) << r.output;
    EXPECT_EQ(read_file(out), read_file(fixture("u16_be.expected")));
}

TEST_F(Tiff, TwoByTwoRebinSumsFourSamplesAndKeepsFileCoordinates)
{
    FioRequest request;
    request.region.xbin = request.region.ybin = 2;
    int retstat = -9;
    FioImage image = read_image(fixture("rebin_source.tif"), retstat, request);
    ASSERT_EQ(retstat, 0);
    EXPECT_EQ(image.xnumdat, 500);
    EXPECT_EQ(image.ynumdat, 400);
    EXPECT_TRUE(same_pixels(pixels_of(image), read_reals(fixture("rebin_2x2.expected")), 500));
    EXPECT_EQ(image.x_axis[0], 1.0f);
    EXPECT_EQ(image.x_axis[1], 3.0f);
    EXPECT_EQ(image.y_axis[399], 799.0f);
}

TEST_F(Tiff, ARegionCountsRowsFromTheBottomOfThePicture)
{
    FioRequest request;
    request.region_given = true;
    request.region = {5, 3, 20, 10, 1, 1};
    int retstat = -9;
    FioImage image = read_image(fixture("u16_le.tif"), retstat, request);
    ASSERT_EQ(retstat, 0);
    EXPECT_EQ(image.xnumdat, 16);
    EXPECT_EQ(image.ynumdat, 8);
    EXPECT_TRUE(same_pixels(pixels_of(image), read_reals(fixture("region.expected")), 16));
    EXPECT_EQ(image.x_axis[0], 4.5f);
    EXPECT_EQ(image.y_axis[0], 2.5f);
}

TEST_F(Tiff, ARegionAcrossManyStripsInEitherStoredOrder)
{
    // Strips stored one after the other are read together, those stored last
    // first one by one: the region is the same from both files.
    for (const char* name : {"strips_large.tif", "strips_reversed.tif"}) {
        SCOPED_TRACE(name);
        FioRequest request;
        request.region_given = true;
        request.region = {33, 120, 690, 250, 1, 1};
        int retstat = -9;
        FioImage image = read_image(fixture(name), retstat, request);
        ASSERT_EQ(retstat, 0);
        EXPECT_EQ(image.xnumdat, 658);
        EXPECT_EQ(image.ynumdat, 131);
        EXPECT_TRUE(same_pixels(pixels_of(image), read_reals(fixture("large_region.expected")),
                                658));
    }
}

TEST_F(Tiff, UnsupportedImagesAreRefusedWithTheirReason)
{
    const std::pair<const char*, const char*> cases[] = {
        {"zlib.tif", "WARNING: The Image has been compressed. Data Decompression is not"},
        {"tiled.tif", "WARNING: The image is stored in tiles"},
        {"rgb.tif", "WARNING: Only grey-level images (one sample per pixel) can be input"}};
    for (const auto& [name, warning] : cases) {
        SCOPED_TRACE(name);
        ConsoleCapture console;
        int retstat = -9;
        read_image(fixture(name), retstat);
        EXPECT_EQ(retstat, 1);
        EXPECT_NE(console.text().find(warning), std::string::npos) << console.text();
        EXPECT_NE(console.text().find("WARNING: Cannot decode image"), std::string::npos);
    }
}

TEST_F(Tiff, DamagedHeadersGiveWarningsNeverReadsOutsideTheFile)
{
    struct Case
    {
        const char* what;
        void (*change)(std::string&);
        const char* warning;
        const char* file = "strips.tif";
    };
    const Case cases[] = {
        {"cut short", [](std::string& b) { b.resize(b.size() - 100); }, "beyond the end of the file"},
        {"strip offset past the end",
         [](std::string& b) {
             const std::size_t e = entry_at(b, 273);
             b.replace(e + 8, 4, stored(0x7FFFFFF0u, 4, false));
         },
         "beyond the end of the file", "u8.tif"},
        {"width 0", [](std::string& b) { b.replace(entry_at(b, 256) + 8, 2, stored(0, 2, false)); },
         "WARNING: Image size not returned from file"},
        {"directory past the end", [](std::string& b) { b.replace(4, 4, stored(1u << 30, 4, false)); },
         "WARNING: Image size not returned from file"},
        {"not a TIFF", [](std::string& b) { b[0] = 'X'; }, "         values: 88 73 42 0"},
        {"version 43", [](std::string& b) { b[2] = 43; },
         "WARNING: Bad TIFF file, tiff version =         43"},
        {"strip count overflow",
         [](std::string& b) { b.replace(entry_at(b, 273) + 4, 4, stored(0xFFFFFFFFu, 4, false)); },
         "WARNING: Problem inputting address of start of image."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = damaged(c.file, c.change);
        ConsoleCapture console;
        int retstat = -9;
        FioImage image = read_image(path, retstat);
        EXPECT_EQ(retstat, 1);
        EXPECT_NE(console.text().find(c.warning), std::string::npos) << console.text();
    }
}

TEST_F(Tiff, ADirectoryChainThatLoopsEndsAsImageNotFound)
{
    // The first directory's "next" offset points back at itself.
    std::string bytes = read_file(fixture("u8.tif"));
    std::size_t ifd = 0;
    for (int k = 3; k >= 0; --k) ifd = (ifd << 8) | static_cast<unsigned char>(bytes[4 + k]);
    const std::size_t count = static_cast<unsigned char>(bytes[ifd]) |
                              static_cast<unsigned char>(bytes[ifd + 1]) << 8;
    bytes.replace(ifd + 2 + 12 * count, 4, stored(ifd, 4, false));
    write_file(dir.file("loop.tif"), bytes);
    int retstat = -9, handle = 0, width = 0, length = 0;
    FIO_FILEOPEN(dir.file("loop.tif"), "READ", retstat, handle, status);
    FioSlotGuard guard(handle);
    FIO_TIFF_IMAGESIZE(handle, 1, retstat, width, length, status);
    EXPECT_EQ(retstat, 0);
    EXPECT_EQ(width, 53);
    FIO_TIFF_IMAGESIZE(handle, 2, retstat, width, length, status);
    EXPECT_EQ(retstat, 2);
    FIO_TIFF_IMAGESIZE(handle, 0, retstat, width, length, status);
    EXPECT_EQ(status, ST_MOD_FIO + 17);
}

TEST_F(Tiff, TwelveBitSamplesUnpackTwoInThreeBytes)
{
    // A 3 x 2 image written from the TIFF description: rows of 5 bytes (4.5
    // rounded up), samples packed high nibble first.
    std::string file = "MM" + stored(42, 2, true) + stored(8, 4, true);
    const int entries = 6;
    file += stored(entries, 2, true);
    auto entry = [](int tag, int type, int value) {
        return stored(tag, 2, true) + stored(type, 2, true) + stored(1, 4, true) +
               (type == 3 ? stored(value, 2, true) + std::string(2, '\0') : stored(value, 4, true));
    };
    const int data_at = 8 + 2 + 12 * entries + 4;
    file += entry(256, 3, 3) + entry(257, 3, 2) + entry(258, 3, 12) + entry(259, 3, 1) +
            entry(273, 4, data_at) + entry(278, 3, 2) + stored(0, 4, true);
    // Top row 0x123 0x456 0x789, bottom row 0xABC 0xDEF 0x001.
    file += std::string("\x12\x34\x56\x78\x90", 5) + std::string("\xAB\xCD\xEF\x00\x10", 5);
    write_file(dir.file("twelve.tif"), file);
    int retstat = -9;
    FioImage image = read_image(dir.file("twelve.tif"), retstat);
    ASSERT_EQ(retstat, 0);
    EXPECT_EQ(pixels_of(image),
              (std::vector<float>{0xABC, 0xDEF, 0x001, 0x123, 0x456, 0x789}));
}

TEST_F(Tiff, ImageQuantFilesAreMirroredAndSquaredOverTheirScale)
{
    std::filesystem::copy_file(fixture("i16.tif"), dir.file("scan.gel"));
    int r1 = -9, r2 = -9;
    FioImage plain = read_image(fixture("i16.tif"), r1);
    FioImage gel = read_image(dir.file("scan.gel"), r2);
    ASSERT_EQ(r2, 0);
    EXPECT_EQ(gel.format, "IMAGEQUANT");
    EXPECT_EQ(gel.overload_value, 99999.5f);
    for (int j = 1; j <= 13; ++j)
        for (int i = 1; i <= 17; ++i) {
            const float v = plain.view()(18 - i, j);
            ASSERT_FLOAT_EQ(gel.view()(i, j), v * v / 21471.0f) << i << "," << j;
        }
}

TEST_F(Tiff, IntegerEntriesInTheFilesByteOrder)
{
    const std::uint8_t bytes[4] = {0xFF, 0xFE, 0x01, 0x02};
    EXPECT_EQ(FIO_TIFF_INTEGER(bytes, 2, false, false), 0xFEFF);
    EXPECT_EQ(FIO_TIFF_INTEGER(bytes, 2, true, false), 0xFFFE);
    EXPECT_EQ(FIO_TIFF_INTEGER(bytes, 2, false, true), -257);
    EXPECT_EQ(FIO_TIFF_INTEGER(bytes, 1, false, true), -1);
    EXPECT_EQ(FIO_TIFF_INTEGER(bytes, 5, false, false), 0);

    auto make = [](int type, std::uint32_t count, const std::string& value) {
        std::array<std::uint8_t, 12> e{};
        const std::string bytes = stored(273, 2, false) + stored(type, 2, false) +
                                  stored(count, 4, false) + value;
        std::copy(bytes.begin(), bytes.end(), e.begin());
        return e;
    };
    EXPECT_EQ(FIO_TIFF_INTENTRY(make(8, 1, stored(0xFFFE, 2, false) + "xx"), false, status), -2);
    EXPECT_EQ(FIO_TIFF_INTENTRY(make(4, 1, stored(70000, 4, false)), false, status), 70000);
    ConsoleCapture console;
    FIO_TIFF_INTENTRY(make(3, 2, stored(1, 4, false)), false, status);
    EXPECT_EQ(status, ST_MOD_FIO + 1005);
    EXPECT_NE(console.text().find("WARNING: TIFF Integer tag contains        2 values"),
              std::string::npos);

    // Two SHORT values fit in the entry; more are read from the offset it holds.
    status = fresh_status();
    write_file(dir.file("values"), std::string(8, '\0') + stored(7, 2, false) +
                                       stored(8, 2, false) + stored(9, 2, false));
    int retstat = -9, handle = 0, count = 0;
    FIO_FILEOPEN(dir.file("values"), "READ", retstat, handle, status);
    FioSlotGuard guard(handle);
    std::vector<std::int64_t> values(4);
    FIO_TIFF_INTS(make(3, 2, stored(5, 2, false) + stored(6, 2, false)), handle, false, 4, retstat,
                  count, values, status);
    EXPECT_EQ(retstat, 0);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(values[1], 6);
    FIO_TIFF_INTS(make(3, 3, stored(8, 4, false)), handle, false, 4, retstat, count, values, status);
    EXPECT_EQ(retstat, 0);
    EXPECT_EQ((std::vector<std::int64_t>{values[0], values[1], values[2]}),
              (std::vector<std::int64_t>{7, 8, 9}));
    FIO_TIFF_INTS(make(3, 3, stored(8, 4, false)), handle, false, 2, retstat, count, values, status);
    EXPECT_EQ(retstat, 1);
    FIO_TIFF_INTS(make(3, 3, stored(12, 4, false)), handle, false, 4, retstat, count, values,
                  status);
    EXPECT_EQ(retstat, 2); // the values would lie past the end of the file
    EXPECT_EQ(status, ST_GOOD_VALUE);
}
