// The sizes of images across the formats: what the size probes give before
// any array is made, and what a reader says when an image does not fit its arrays.

#include <gtest/gtest.h>

#include <filesystem>

#include "detector_fixtures.h"
#include "fio/readers.h"

using namespace zyt_test;

namespace {

class ImageSizes : public ReaderForm
{
  protected:
    // A copy of a fixture in the test's directory.
    std::string copy(const std::string& from, const std::string& name)
    {
        std::filesystem::copy_file(from, dir.file(name));
        return dir.file(name);
    }
    // A copy of a file without its last `bytes` bytes.
    std::string cut(const std::string& from, const std::string& name, std::uintmax_t bytes)
    {
        const std::string to = copy(from, name);
        std::filesystem::resize_file(to, std::filesystem::file_size(to) - bytes);
        return to;
    }
    int probe(const char* format, const std::string& file, int& width, int& height)
    {
        const FioFormatEntry* entry = fio_find_format(format);
        EXPECT_NE(entry, nullptr);
        int retstat = -9;
        width = height = -1;
        if (entry != nullptr && entry->probe != nullptr)
            entry->probe(file, width, height, retstat, status);
        EXPECT_EQ(status, ST_GOOD_VALUE);
        return retstat;
    }
};

} // namespace

TEST_F(ImageSizes, AProbeGivesNoSizeForPixelsThatTheFileDoesNotHold)
{
    const std::string d = detector_fixtures() + "/";
    const std::string m = mar_fixtures() + "/";
    const BslSet set{5, 3, 1, 1, 1, "set.bin"};
    write("set.bsl", bsl_header({set}));
    write("set.bin", bsl_binary(set));
    copy(d + "bas16.inf", "bas.inf");
    copy(d + "bas16.img", "bas.img");
    struct Case
    {
        const char* format;
        std::string file;      // read whole
        std::string shortened; // the file cut short; empty: the data file its header names
        int width, height;
        const char* data_file = "";
    };
    const Case cases[] = {
        {"ADSC", d + "adsc_le.img", cut(d + "adsc_le.img", "a.img", 2), 67, 41},
        {"HAMAMATSU PHOTONICS", d + "ham_im16.img", cut(d + "ham_im16.img", "h.img", 2), 45, 31},
        {"RIGAKU R-AXIS", d + "raxis_le.osc", cut(d + "raxis_le.osc", "r.osc", 2), 53, 37},
        {"TORVA", d + "torva_nosize.kdf", cut(d + "torva_nosize.kdf", "t.kdf", 2), 3, 2},
        {"FUJI BAS-2000", dir.file("bas.inf"), "", 47, 29, "bas.img"},
        {"BSL/OTOKO", dir.file("set.bsl"), "", 5, 3, "set.bin"},
        // Packed pixels: the stream itself must hold the image.
        {"MAR FORMAT", m + "m345_le.mar3450", cut(m + "m345_le.mar3450", "m.mar3450", 1000), 48,
         48},
        {"MAR-PCK", m + "old_le.pck", cut(m + "old_le.pck", "o.pck", 1000), 64, 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        int width = 0, height = 0;
        EXPECT_EQ(probe(c.format, c.file, width, height), 0);
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
        std::string shortened = c.shortened;
        if (shortened.empty()) {
            const std::string data = dir.file(c.data_file);
            std::filesystem::resize_file(data, std::filesystem::file_size(data) - 2);
            shortened = c.file;
        }
        EXPECT_NE(probe(c.format, shortened, width, height), 0);
    }
}

TEST_F(ImageSizes, EveryReaderCuttingAnImageToItsArraysSaysSoWithBothSizes)
{
    const std::string d = detector_fixtures() + "/";
    const std::string m = mar_fixtures() + "/";
    const std::string t = tiff_fixtures() + "/";
    const BslSet set{5, 3, 1, 1, 1, "set.bin"};
    write("set.bin", bsl_binary(set));
    write("gas", gas_data('u', 6, 4, 1, false, false));
    write("gashm", gas_hm(6, 4, 1, 16, false));
    write("raw.bin", stored_images('u', 7, 5, 1, false));
    FioBinaryLayout layout;
    layout.nx = 7;
    layout.ny = 5;
    layout.type = "INTEGER (2-BYTE)";
    FIO_SET_BINARY_LAYOUT(layout, status);
    struct Case
    {
        const char* format;
        std::string file;
        int width, height;
    };
    const Case cases[] = {
        {"ADSC", d + "adsc_le.img", 67, 41},
        {"BINARY", dir.file("raw.bin"), 7, 5},
        {"BRUKER", m + "bruker2.200", 80, 70},
        {"BSL/OTOKO", write("set.bsl", bsl_header({set})), 5, 3},
        {"CHIPLOT", write("g.chi", chiplot_file({{1, 2}, {2, 3}, {3, 5}})), 3, 1},
        {"PLANO STANDARD FORMAT", m + "plano_le.pln", 23, 17},
        {"FUJI BAS-2000", d + "bas16.inf", 47, 29},
        {"HAMAMATSU PHOTONICS", d + "ham_im16.img", 45, 31},
        {"IMAGEQUANT", t + "u16_le.tif", 67, 41},
        {"TORVA", d + "torva_nosize.kdf", 3, 2},
        {"MAR FORMAT", m + "m345_le.mar3450", 48, 48},
        {"MAR-PCK", m + "old_le.pck", 64, 40},
        {"PHOTOMETRICS CCD FORMAT", write("p.pmi", photometrics_file(6, 4, 1)), 6, 4},
        {"PRINCETON CCD FORMAT", write("p.spe", princeton_file(5, 3, 1, 3)), 5, 3},
        {"RIGAKU R-AXIS", d + "raxis_le.osc", 53, 37},
        {"TIFF", t + "u16_le.tif", 67, 41},
        {"GAS 2-D DETECTOR (MIRL)", dir.file("gas"), 6, 4},
    };
    ASSERT_EQ(std::size(cases), fio_formats().size());
    constexpr int XMAX = 2, YMAX = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        std::vector<float> pixels(XMAX * YMAX), x_axis(XMAX), y_axis(YMAX);
        FioTarget target =
            fio_target(ImageView{pixels.data(), XMAX, YMAX}, ImageView{}, x_axis, y_axis, false);
        FioCall call{true, false, c.file};
        int read = -9;
        ConsoleCapture console;
        fio_find_format(c.format)->reader(call, target, read, status);
        EXPECT_EQ(read, 0) << console.text();
        EXPECT_EQ(target.xnumdat, XMAX);
        EXPECT_EQ(target.ynumdat, YMAX);
        const std::string warning = "WARNING: The image has " + std::to_string(c.width) + " * " +
                                    std::to_string(c.height) +
                                    " pixels, the program array 2 * 1: only part of it is input\n";
        // Said once.
        const std::string text = console.text();
        const std::size_t at = text.find(warning);
        EXPECT_NE(at, std::string::npos) << text;
        EXPECT_EQ(text.find(warning, at + 1), std::string::npos) << text;
    }
}

TEST_F(ImageSizes, ARegionSmallerThanOneReBinnedPixelIsSaidSo)
{
    FioRequest request;
    request.region_given = true;
    request.region = {1, 1, 3, 3, 4, 4};
    // Read part by part, read whole first, and TIFF.
    for (const std::string& file :
         {detector_fixtures() + "/adsc_le.img", mar_fixtures() + "/m345_le.mar3450",
          tiff_fixtures() + "/u16_le.tif"}) {
        SCOPED_TRACE(file);
        ConsoleCapture console;
        int read = -9;
        read_image(file, read, request);
        EXPECT_EQ(read, 1);
        EXPECT_NE(console.text().find("WARNING: INPUT REGION SMALLER THAN ONE RE-BINNED PIXEL\n"),
                  std::string::npos)
            << console.text();
    }
}
