#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "fio/fio.h"
#include "fio/readers.h"
#include "fio_test_support.h"
#include "io/fields.h"
#include "io/system.h"

using namespace zyt_test;

namespace {

std::string fixture(const std::string& name)
{
    return detector_fixtures() + "/" + name;
}

std::vector<float> expected(const std::string& name)
{
    return read_reals(fixture(name + ".expected"));
}

class Detectors : public FioTest
{
  protected:
    // A fixture's bytes, changed, as a new file of the given name.
    std::string changed(const std::string& name, const std::string& as,
                        void (*change)(std::string&))
    {
        std::string bytes = read_file(fixture(name));
        change(bytes);
        write_file(dir.file(as), bytes);
        return dir.file(as);
    }

    // Reads as zyt_image does; the console says why a file is refused.
    FioImage read(const std::string& file, int& retstat, std::string& console_text,
                  FioRequest request = {})
    {
        ConsoleCapture console;
        FioImage image = read_image(file, retstat, request);
        console_text = console.text();
        return image;
    }
};

// The arrays of a reader's own form, smaller than the images.
struct SmallArrays
{
    SmallArrays(int nx, int ny)
        : data(static_cast<std::size_t>(nx * ny), -7.0f),
          variances(static_cast<std::size_t>(nx * ny), -7.0f), x(nx),
          y(ny), view{data.data(), nx, ny}, variance_view{variances.data(), nx, ny}
    {
    }
    // Rows 1..ynum of the first xnum columns.
    std::vector<float> kept(const std::vector<float>& values, int width) const
    {
        std::vector<float> v;
        for (int j = 0; j < ynum; ++j)
            for (int i = 0; i < xnum; ++i)
                v.push_back(values[static_cast<std::size_t>(j * width + i)]);
        return v;
    }
    std::vector<float> pixels(const ImageView& from) const
    {
        std::vector<float> v;
        for (int j = 1; j <= ynum; ++j)
            for (int i = 1; i <= xnum; ++i)
                v.push_back(from(i, j));
        return v;
    }
    std::vector<float> data, variances, x, y;
    ImageView view, variance_view;
    int xnum = 0, ynum = 0, retstat = -9;
    bool keep_variances = true;
    std::string title, xlabel, ylabel, zlabel;
    float overload = 0.0f;
};

} // namespace

TEST_F(Detectors, FilesOfAnIndependentAndOfDescribedWritersReadPixelForPixel)
{
    struct Case
    {
        const char* file;
        const char* format;
        float overload;
    };
    const Case cases[] = {
        {"adsc_le.img", "ADSC", 65535.0f},
        {"adsc_be.img", "ADSC", 65535.0f},
        {"adsc_typed.img", "ADSC", 65535.0f},
        {"adsc_tiny.img", "ADSC", 65535.0f}, // the whole file shorter than 1024 bytes
        {"raxis_be.osc", "RIGAKU R-AXIS", 32767.0f * 8.0f},
        {"raxis_le.osc", "RIGAKU R-AXIS", 32767.0f * 8.0f},
        {"raxis_record.osc", "RIGAKU R-AXIS", 32767.0f * 32.0f},
        {"ham_im16.img", "HAMAMATSU PHOTONICS", 65534.5f},
        {"ham_im8.img", "HAMAMATSU PHOTONICS", 65534.5f},
        {"ham_plain.img", "HAMAMATSU PHOTONICS", 65534.5f},
        {"bas16.inf", "FUJI BAS-2000", 0.0f},
        {"bas8.img", "FUJI BAS-2000", 0.0f}, // through the .inf file beside it
        {"bas12.inf", "FUJI BAS-2000", 0.0f},
        {"bas_upper.inf", "FUJI BAS-2000", 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        int retstat = -9;
        std::string console;
        FioImage image = read(fixture(c.file), retstat, console);
        ASSERT_EQ(retstat, 0) << console;
        EXPECT_EQ(image.format, c.format);
        const std::string name = std::filesystem::path(c.file).stem().string();
        EXPECT_TRUE(same_pixels(pixels_of(image), expected(name), image.xnumdat));
        if (c.overload > 0.0f) {
            EXPECT_EQ(image.overload_value, c.overload);
        }
        EXPECT_EQ(image.x_axis[0], 0.5f);
        EXPECT_EQ(image.y_axis[image.ynumdat - 1], image.ynumdat - 0.5f);
        EXPECT_EQ(image.xlabel, "Columns");
        EXPECT_EQ(image.ylabel, "Rows");
        EXPECT_EQ(image.zlabel, "Intensity");
    }
}

TEST_F(Detectors, ByteOrdersAndOrientation)
{
    int r1 = -9, r2 = -9;
    std::string console;
    FioImage little = read(fixture("adsc_le.img"), r1, console);
    FioImage big = read(fixture("adsc_be.img"), r2, console);
    ASSERT_EQ(r1 + r2, 0);
    EXPECT_EQ(pixels_of(little), pixels_of(big));
    // The writer's first stored pixel (65535) is pixel (1, 1), its last (0) the far corner.
    EXPECT_EQ(big.view()(1, 1), 65535.0f);
    EXPECT_EQ(big.view()(67, 1), 1.0f);
    EXPECT_EQ(big.view()(67, 41), 0.0f);

    FioImage raxis = read(fixture("raxis_be.osc"), r1, console);
    ASSERT_EQ(r1, 0);
    EXPECT_EQ(raxis.view()(1, 1), 262136.0f); // -1 with ratio 8
    EXPECT_EQ(raxis.view()(2, 1), 32767.0f);
    EXPECT_EQ(raxis.view()(53, 37), 0.0f); // -32768: no count

    // Hamamatsu: the last stored pixel is pixel (1, 1).
    const std::string bytes = read_file(fixture("ham_im16.img"));
    const int last = static_cast<unsigned char>(bytes[bytes.size() - 2]) |
                     static_cast<unsigned char>(bytes[bytes.size() - 1]) << 8;
    const int first = static_cast<unsigned char>(bytes[64 + 19]) |
                      static_cast<unsigned char>(bytes[64 + 20]) << 8;
    FioImage ham = read(fixture("ham_im16.img"), r1, console);
    ASSERT_EQ(r1, 0);
    EXPECT_EQ(ham.view()(1, 1), static_cast<float>(last));
    EXPECT_EQ(ham.view()(45, 31), static_cast<float>(first));
    EXPECT_NE(console.find("INFO: Image X-offset = 3\nINFO: Image Y-offset = 5\n"
                           "INFO: Size of image = 45 * 31\nINFO: Number of bits per pixel = 16\n"),
              std::string::npos)
        << console;
}

TEST_F(Detectors, TheRaxisHeaderTellsItsOrderRecordAndRatio)
{
    for (const char* name : {"raxis_be.osc", "raxis_le.osc", "raxis_record.osc"}) {
        SCOPED_TRACE(name);
        int handle = 0, retstat = -9;
        FIO_FILEOPEN(fixture(name), "READ", retstat, handle, status);
        ASSERT_EQ(retstat, 0);
        FioSlotGuard guard(handle);
        bool swap = false;
        int header = 0, record = 0, nx = 0, ny = 0;
        float ratio = 0;
        FIO_IN_RAXISHEADERC(retstat, swap, header, record, nx, ny, ratio);
        EXPECT_EQ(retstat, 0);
        const bool big = std::string(name) != "raxis_le.osc";
        EXPECT_EQ(swap, big == (std::endian::native == std::endian::little));
        const bool wide = std::string(name) == "raxis_record.osc";
        EXPECT_EQ(nx, wide ? 600 : 53);
        EXPECT_EQ(ny, wide ? 7 : 37);
        EXPECT_EQ(record, 2 * nx);
        EXPECT_EQ(header, wide ? 1200 : 1024);
        EXPECT_EQ(ratio, wide ? 32.0f : 8.0f);
    }
}

TEST_F(Detectors, FujiPlatesAreLinearisedWithTheirPixelSizes)
{
    int retstat = -9;
    std::string console;
    FioImage image = read(fixture("bas16.inf"), retstat, console);
    ASSERT_EQ(retstat, 0);
    EXPECT_EQ(image.view()(1, 1), 40.0f); // Q 32768 of 16 bits, S 10000, L 4
    EXPECT_FLOAT_EQ(image.x_pixel_size, 50e-6f);
    EXPECT_FLOAT_EQ(image.y_pixel_size, 75e-6f);
    EXPECT_FLOAT_EQ(image.overload_value,
                    40.0f * std::pow(10.0f, 4.0f * (65535.0f / 65536 - 0.5f)));
    EXPECT_NE(console.find("INFO: Full image size =        47 *        29 pixels\n"
                           "INFO: Linearising data\n"),
              std::string::npos)
        << console;
    // 12 bits: stored values above 4095 count as 4095.
    FioImage twelve = read(fixture("bas12.inf"), retstat, console);
    ASSERT_EQ(retstat, 0);
    EXPECT_EQ(twelve.view()(1, 1), twelve.overload_value);
    EXPECT_EQ(twelve.view()(2, 1), twelve.overload_value);
}

TEST_F(Detectors, FujiHeadersThatDoNotDescribeAnImageAreRefusedWithEachReason)
{
    std::filesystem::copy_file(fixture("bas8.img"), dir.file("short.img"));
    write_file(dir.file("short.inf"), "BAS_IMAGE_FILE\nshort\nx\n\nabc\n");
    int retstat = -9;
    std::string console;
    read(dir.file("short.inf"), retstat, console);
    EXPECT_EQ(retstat, 1);
    for (const char* line :
         {"WARNING: Problem reading from .inf file", "WARNING: X pixel size not properly defined",
          "WARNING: Y pixel size not properly defined",
          "WARNING: Number of bits is not properly defined",
          "WARNING: Number of pixels in X-direction undefined",
          "WARNING: Number of pixels in Y-direction undefined", "WARNING: Sensitivity undefined",
          "WARNING: Latitude undefined"})
        EXPECT_NE(console.find(std::string(line) + "\n"), std::string::npos) << line;

    // 32 bits would need a table of 2**32 values.
    write_file(dir.file("wide.inf"), "h\nwide\nx\n100\n100\n32\n14\n9\n4000\n5\n");
    std::filesystem::copy_file(fixture("bas8.img"), dir.file("wide.img"));
    read(dir.file("wide.inf"), retstat, console);
    EXPECT_EQ(retstat, 1);
    EXPECT_NE(console.find("WARNING: Number of bits is not properly defined"), std::string::npos);

    // The data file missing, and cut short.
    std::filesystem::copy_file(fixture("bas16.inf"), dir.file("alone.inf"));
    read(dir.file("alone.inf"), retstat, console);
    EXPECT_EQ(retstat, 1);
    EXPECT_NE(console.find("WARNING: Error in opening binary file"), std::string::npos);
    changed("bas16.img", "cut.img", [](std::string& b) { b.resize(b.size() - 1); });
    std::filesystem::copy_file(fixture("bas16.inf"), dir.file("cut.inf"));
    read(dir.file("cut.inf"), retstat, console);
    EXPECT_EQ(retstat, 1);
    EXPECT_NE(console.find("WARNING: The file holds 2725 bytes, but the layout needs 2726"),
              std::string::npos)
        << console;
}

TEST_F(Detectors, AdscHeadersThatCannotBeUsedAreRefused)
{
    struct Case
    {
        const char* what;
        std::string file;
        std::vector<const char*> warnings;
    };
    std::string no_end = "{\nHEADER_BYTES=512;\nSIZE1=4;\nSIZE2=4;\n";
    no_end.resize(300000, ' ');
    write_file(dir.file("no_end.img"), no_end);
    write_file(dir.file("no_value_end.img"), "{\nHEADER_BYTES=512;\nSIZE1=4");
    write_file(dir.file("no_start.img"), std::string(70000, ' ') + "{}");
    const auto header = [&](const std::string& name, const std::string& keys) {
        std::string bytes = "{\n" + keys + "}\n";
        bytes.resize(512, ' ');
        write_file(dir.file(name), bytes + std::string(32, '\x01'));
        return dir.file(name);
    };
    const Case cases[] = {
        {"a float image",
         fixture("adsc_float.img"),
         {"WARNING: The image data in this file has been written using an unsupported",
          "data type. It cannot be input."}},
        {"three dimensions",
         fixture("adsc_3d.img"),
         {"ERROR: Only 2-dimensional data supported at present"}},
        {"no closing brace",
         dir.file("no_end.img"),
         {"WARNING: Error in reading keyword", "WARNING: No \"}\" within the first 65536 bytes"}},
        {"a value without its end",
         dir.file("no_value_end.img"),
         {"WARNING: Error in reading key value"}},
        {"no header",
         dir.file("no_start.img"),
         {"WARNING: Error in reading start of header: image not input"}},
        {"no size",
         header("no_size.img", "HEADER_BYTES=512;\nSIZE1=4;\n"),
         {"ERROR: The size of the image was not found"}},
        {"no header length",
         header("no_length.img", "SIZE1=4;\nSIZE2=4;\n"),
         {"ERROR: The size of header was not found"}},
        {"a number that is none",
         header("bad_number.img", "HEADER_BYTES=5x;\nSIZE1=4;SIZE2=4;"),
         {"WARNING: Problem of converting key value", "ERROR: The size of header was not found"}},
        {"another type",
         header("type.img", "HEADER_BYTES=512;SIZE1=4;SIZE2=4;TYPE=float;"),
         {"data type. It cannot be input."}},
        {"pixels inside the header",
         header("inside.img", "HEADER_BYTES=4;SIZE1=2;SIZE2=2;"),
         {"WARNING: The header length (4) is shorter than the header text"}},
        {"more pixels than the file",
         header("large.img", "HEADER_BYTES=512;SIZE1=40;SIZE2=40;"),
         {"WARNING: The file holds 544 bytes, but the layout needs 3712"}},
        {"a negative size",
         header("negative.img", "HEADER_BYTES=512;SIZE1=-4;SIZE2=4;"),
         {"WARNING: The image size in the header is not valid: -4 * 4"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int retstat = -9;
        std::string console;
        FioRequest request;
        request.format = "ADSC";
        read(c.file, retstat, console, request);
        EXPECT_NE(retstat, 0);
        for (const char* warning : c.warnings)
            EXPECT_NE(console.find(warning), std::string::npos) << console;
    }
    // Four 16-bit pixels of ones after the 512 bytes.
    int retstat = -9;
    std::string console;
    FioImage ok =
        read(header("ok.img", "HEADER_BYTES=512;SIZE1=4;SIZE2=4;DIM=2;"), retstat, console);
    ASSERT_EQ(retstat, 0) << console;
    EXPECT_EQ(ok.view()(4, 4), 257.0f);
}

TEST_F(Detectors, BinaryHeadersThatLieAreRefused)
{
    int retstat = -9;
    std::string console;
    // R-AXIS pixel counts that are impossible in either byte order.
    changed("raxis_be.osc", "counts.osc",
            [](std::string& b) { b.replace(768, 4, "\x7f\x7f\x7f\x7f"); });
    read(dir.file("counts.osc"), retstat, console);
    EXPECT_NE(retstat, 0);
    EXPECT_NE(console.find("WARNING: The image size in the header is not valid"),
              std::string::npos);
    changed("raxis_be.osc", "cut.osc", [](std::string& b) { b.resize(b.size() - 2); });
    read(dir.file("cut.osc"), retstat, console);
    EXPECT_EQ(retstat, 1);
    EXPECT_NE(console.find("WARNING: The file holds 4944 bytes, but the layout needs 4946"),
              std::string::npos);
    write_file(dir.file("tiny.osc"), std::string(500, '\0'));
    read(dir.file("tiny.osc"), retstat, console);
    EXPECT_NE(retstat, 0);
    EXPECT_NE(console.find("WARNING: Problem reading in file header"), std::string::npos);
    // A ratio that is no number: large values are not made into nonsense.
    changed("raxis_be.osc", "nan.osc",
            [](std::string& b) { b.replace(800, 4, std::string("\x7f\xc0\0\0", 4)); });
    FioImage image = read(dir.file("nan.osc"), retstat, console);
    ASSERT_EQ(retstat, 0);
    EXPECT_NE(console.find("WARNING: The photomultiplier ratio in the header is not valid"),
              std::string::npos);
    EXPECT_EQ(image.view()(1, 1), 32767.0f);

    // Hamamatsu: a width far beyond the file; more bits than 16; too short a header.
    changed("ham_plain.img", "wide.img", [](std::string& b) { b.replace(20, 2, "\xff\xff"); });
    read(dir.file("wide.img"), retstat, console);
    EXPECT_EQ(retstat, 1);
    EXPECT_NE(console.find("but the layout needs 2490586"), std::string::npos) << console;
    changed("ham_plain.img", "bits.img", [](std::string& b) { b[48] = 32; });
    read(dir.file("bits.img"), retstat, console);
    EXPECT_EQ(retstat, 1);
    EXPECT_NE(console.find("WARNING: Unsupported number of bits per pixel"), std::string::npos);
    write_file(dir.file("stub.img"), std::string(100, 'x'));
    read(dir.file("stub.img"), retstat, console);
    EXPECT_EQ(retstat, 1);
    EXPECT_NE(console.find("WARNING: Problem reading in file header"), std::string::npos);
}

TEST_F(Detectors, TorvaSectionsByTheirImageNumber)
{
    const float overloads[] = {65535.0f, 1.7e38f, 2147483648.0f, 32767.0f, 4294967296.0f};
    for (int n = 1; n <= 5; ++n) {
        SCOPED_TRACE(n);
        FioRequest request;
        request.image = n;
        int retstat = -9;
        std::string console;
        FioImage image = read(fixture("torva_multi.kdf"), retstat, console, request);
        ASSERT_EQ(retstat, 0) << console;
        EXPECT_EQ(image.format, "TORVA");
        EXPECT_TRUE(
            same_pixels(pixels_of(image), expected("torva_" + std::to_string(n)), image.xnumdat));
        EXPECT_EQ(image.overload_value, overloads[n - 1]);
        EXPECT_EQ(image.title, "section " + std::to_string(n));
        // The sections passed over are said.
        EXPECT_EQ(console.find("number " + io_fortran_i(n, 8) + " has been found"),
                  std::string::npos);
        if (n > 1) {
            EXPECT_NE(console.find("INFO: \"Image\" number " + io_fortran_i(n - 1, 8) +
                                   " has been found, continuing search ..."),
                      std::string::npos);
        }
    }
}

TEST_F(Detectors, TorvaFilesThatCannotGiveTheImageSayWhy)
{
    FioRequest request;
    request.image = 9;
    int retstat = -9;
    std::string console;
    read(fixture("torva_multi.kdf"), retstat, console, request);
    EXPECT_EQ(retstat, 1);
    EXPECT_NE(console.find("ERROR: The required \"Image\" number has not been found\n"
                           "        \"Image\" number        5was the last found"),
              std::string::npos)
        << console;
    request.image = 2;
    read(fixture("torva_nosize.kdf"), retstat, console, request);
    EXPECT_EQ(retstat, 1);
    EXPECT_NE(
        console.find("ERROR: The required \"Image\" number has not been found and I think "
                     "that\nthere are no more \"Image\" sections, since the \"Size\" keyword\n"
                     "       has not been found either\n"
                     "        \"Image\" number        1was the last found"),
        std::string::npos)
        << console;
    read(fixture("torva_compressed.kdf"), retstat, console);
    EXPECT_EQ(retstat, 1);
    EXPECT_NE(console.find("WARNING: The image data in this file has been written using a "
                           "compression\nalgorithm. It cannot be input."),
              std::string::npos);
    // A "Size" smaller than the image would read the next section as pixels.
    changed("torva_multi.kdf", "small.kdf", [](std::string& b) {
        const std::size_t at = b.find("SIZE = 782;");
        b.replace(at, 11, "SIZE = 700;");
    });
    read(dir.file("small.kdf"), retstat, console);
    EXPECT_EQ(retstat, 1);
    EXPECT_NE(console.find("WARNING: The \"Size\" of the data is smaller than the image"),
              std::string::npos);
}

TEST_F(Detectors, WithoutAQuestionTorvaReadsTheImageOfTheSeriesOrTheFilesFirst)
{
    // One section, numbered 5 (its place in a series), read without a question.
    int retstat = -9;
    std::string console;
    FioImage image = read(fixture("torva_image5.kdf"), retstat, console);
    ASSERT_EQ(retstat, 0) << console;
    EXPECT_EQ(pixels_of(image), expected("torva_nosize"));
    // Image 3 chosen for the first file of a series on the terminal ...
    SmallArrays t(64, 64);
    std::string name;
    {
        TypedInput typed(fixture("torva_multi.kdf") + "\n3\n");
        ConsoleCapture quiet;
        FIO_IN_TORVA(false, t.keep_variances, name, t.retstat, t.xnum, t.ynum, t.x, t.y, t.view,
                     t.variance_view, t.title, t.xlabel, t.ylabel, t.zlabel, t.overload, status);
    }
    ASSERT_EQ(t.retstat, 0);
    // ... is read from the next files that hold an image 3; the others give their first.
    image = read(fixture("torva_multi.kdf"), retstat, console);
    ASSERT_EQ(retstat, 0) << console;
    EXPECT_EQ(pixels_of(image), expected("torva_3"));
    image = read(fixture("torva_image5.kdf"), retstat, console);
    ASSERT_EQ(retstat, 0) << console;
    EXPECT_EQ(pixels_of(image), expected("torva_nosize"));
}

TEST_F(Detectors, ReadersOwnFormsClipToTheArraysAndKeepVariances)
{
    // ADSC 67 x 41 into 30 x 20.
    SmallArrays a(30, 20);
    std::string name = fixture("adsc_be.img");
    FIO_IN_ADSC(true, a.keep_variances, name, a.retstat, a.xnum, a.ynum, a.x, a.y, a.view,
                a.variance_view, a.title, a.xlabel, a.ylabel, a.zlabel, a.overload, status);
    ASSERT_EQ(a.retstat, 0);
    EXPECT_EQ(a.xnum, 30);
    EXPECT_EQ(a.ynum, 20);
    EXPECT_EQ(a.pixels(a.view), a.kept(expected("adsc_be"), 67));
    EXPECT_TRUE(a.keep_variances);
    EXPECT_EQ(a.pixels(a.variance_view), a.pixels(a.view));
    EXPECT_EQ(a.overload, 65535.0f);

    // Hamamatsu 45 x 31 into 20 x 40: mirrored, then clipped.
    SmallArrays h(20, 40);
    name = fixture("ham_im16.img");
    h.keep_variances = false;
    ConsoleCapture console;
    FIO_IN_HAMAMATSU(true, h.keep_variances, name, h.retstat, h.xnum, h.ynum, h.x, h.y, h.view,
                     h.variance_view, h.title, h.xlabel, h.ylabel, h.zlabel, status);
    ASSERT_EQ(h.retstat, 0);
    EXPECT_EQ(h.xnum, 20);
    EXPECT_EQ(h.ynum, 31);
    EXPECT_EQ(h.pixels(h.view), h.kept(expected("ham_im16"), 45));
    EXPECT_EQ(h.variances[0], -7.0f); // not asked for: untouched
    EXPECT_NE(console.text().find("WARNING: The image has 45 * 31 pixels, the program array "
                                  "20 * 40: only part of it is input\n"),
              std::string::npos);

    // BAS into 10 x 10, with its pixel sizes.
    SmallArrays b(10, 10);
    name = fixture("bas16.img");
    float xs = 0, ys = 0;
    FIO_IN_BAS2000(true, b.keep_variances, name, b.retstat, b.xnum, b.ynum, b.x, b.y, b.view,
                   b.variance_view, b.title, b.xlabel, b.ylabel, b.zlabel, xs, ys, b.overload,
                   status);
    ASSERT_EQ(b.retstat, 0);
    EXPECT_EQ(name, fixture("bas16.inf"));
    EXPECT_EQ(b.pixels(b.view), b.kept(expected("bas16"), 47));
    EXPECT_FLOAT_EQ(ys, 75e-6f);
    EXPECT_EQ(status, ST_GOOD_VALUE);
}

TEST_F(Detectors, WithoutAWindowTheNameAndImageAreAskedOnTheTerminal)
{
    SmallArrays t(64, 64);
    std::string name;
    {
        TypedInput typed(dir.file("missing.kdf") + "\n" + fixture("torva_multi.kdf") + "\n4\n");
        ConsoleCapture console;
        FIO_IN_TORVA(false, t.keep_variances, name, t.retstat, t.xnum, t.ynum, t.x, t.y, t.view,
                     t.variance_view, t.title, t.xlabel, t.ylabel, t.zlabel, t.overload, status);
        EXPECT_NE(console.text().find("Error in opening file, Please retype name"),
                  std::string::npos);
        EXPECT_NE(console.text().find("\"TORVA\" (limited MIRL) DATA FILE NAME"),
                  std::string::npos);
        EXPECT_NE(console.text().find("IMAGE NUMBER"), std::string::npos);
    }
    ASSERT_EQ(t.retstat, 0);
    EXPECT_EQ(name, fixture("torva_multi.kdf"));
    EXPECT_EQ(t.xnum, 7);
    EXPECT_EQ(t.pixels(t.view), expected("torva_4"));
    EXPECT_EQ(t.overload, 32767.0f);

    // A user escape at the name is a cancel, not a failure.
    SmallArrays r(64, 64);
    {
        TypedInput typed("\\\n");
        ConsoleCapture console;
        FIO_IN_RAXIS(false, r.keep_variances, name, r.retstat, r.xnum, r.ynum, r.x, r.y, r.view,
                     r.variance_view, r.title, r.xlabel, r.ylabel, r.zlabel, r.overload, status);
    }
    EXPECT_EQ(r.retstat, -1);
    EXPECT_EQ(status, ST_GOOD_VALUE);
}

TEST_F(Detectors, ARegionAndReBinningAfterTheDetectorsScale)
{
    FioRequest request;
    request.region_given = true;
    request.region = {2, 1, 9, 4, 2, 2};
    int retstat = -9;
    std::string console;
    FioImage image = read(fixture("raxis_be.osc"), retstat, console, request);
    ASSERT_EQ(retstat, 0) << console;
    EXPECT_EQ(image.xnumdat, 4);
    EXPECT_EQ(image.ynumdat, 2);
    const std::vector<float> whole = expected("raxis_be");
    for (int j = 1; j <= 2; ++j)
        for (int i = 1; i <= 4; ++i) {
            double sum = 0;
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 2; ++x)
                    sum += whole[static_cast<std::size_t>((2 * j - 2 + y) * 53 + 2 * i - 1 + x)];
            EXPECT_EQ(image.view()(i, j), static_cast<float>(sum)) << i << " " << j;
        }
    EXPECT_EQ(image.x_axis[0], 2.0f);
}

TEST_F(Detectors, TheFormatChoiceFindsEachOfTheseFormats)
{
    std::filesystem::copy_file(fixture("adsc_tiny.img"), dir.file("tiny.img"));
    std::filesystem::copy_file(fixture("ham_im8.img"), dir.file("small.img"));
    std::filesystem::copy_file(fixture("torva_multi.kdf"), dir.file("t.kdf"));
    const std::pair<const char*, const char*> cases[] = {
        {"tiny.img", "ADSC"}, {"small.img", "HAMAMATSU PHOTONICS"}, {"t.kdf", "TORVA"}};
    for (const auto& [file, format] : cases) {
        std::string name = dir.file(file);
        EXPECT_EQ(FIO_DECIDE_FORMAT(name, status), format) << file;
    }
    int retstat = -9;
    FIO_IS_ADSC(dir.file("small.img"), retstat, status);
    EXPECT_EQ(retstat, -3);
    FIO_IS_TORVA(dir.file("t.kdf"), retstat, status);
    EXPECT_EQ(retstat, 0);
    for (const char* format :
         {"ADSC", "FUJI BAS-2000", "HAMAMATSU PHOTONICS", "RIGAKU R-AXIS", "TORVA"}) {
        const FioFormatEntry* entry = fio_find_format(format);
        ASSERT_NE(entry, nullptr);
        EXPECT_NE(entry->reader, nullptr) << format;
    }
}

TEST_F(Detectors, ZytImageTakesTheImageNumber)
{
    const std::string out = dir.file("t3.raw");
    const CommandResult r = run_command(std::string(ZYT_IMAGE_BINARY) + " raw " +
                                        fixture("torva_multi.kdf") + " " + out + " --image 3");
    EXPECT_EQ(r.exit_status, 0) << r.output;
    EXPECT_NE(r.output.find("6 5\n"), std::string::npos) << r.output;
    EXPECT_EQ(read_file(out), read_file(fixture("torva_3.expected")));
    const CommandResult bad = run_command(std::string(ZYT_IMAGE_BINARY) + " info " +
                                          fixture("torva_multi.kdf") + " --image 0");
    EXPECT_EQ(bad.exit_status, 2);
}
