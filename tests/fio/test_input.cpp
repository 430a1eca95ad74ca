#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "fio_test_support.h"
#include "input_driver.h"

using namespace zyt_test;

namespace {

// The format decided for names of real files on disk.
class Decision : public FioTest
{
protected:
    std::string make(const std::string& name, const std::string& bytes = "x")
    {
        write_file(dir.file(name), bytes);
        return dir.file(name);
    }
    std::string decide(const std::string& name)
    {
        decided_name = dir.file(name);
        return FIO_DECIDE_FORMAT(decided_name, status);
    }
    static std::string bruker(int version)
    {
        std::string record = "FORMAT :" + std::to_string(version);
        record.resize(80, ' ');
        return record + std::string(432, ' ');
    }
    std::string decided_name;
};

} // namespace

TEST_F(Decision, EveryRowOfTheTable)
{
    make("run1");
    make("run1hm");
    EXPECT_EQ(decide("run1hm"), "GAS 2-D DETECTOR (MIRL)");
    EXPECT_EQ(decided_name, dir.file("run1")); // the name without "hm" is read
    EXPECT_EQ(decide("run1"), "GAS 2-D DETECTOR (MIRL)");
    EXPECT_EQ(decided_name, dir.file("run1"));
    make("lonely");
    EXPECT_EQ(decide("lonely"), "");

    make("frame.001", bruker(86));
    make("notes.002", std::string(100, 'n'));
    EXPECT_EQ(decide("frame.001"), "BRUKER");
    EXPECT_EQ(decide("notes.002"), ""); // digits, but no Bruker frame: the menu
    make("dark._dk");
    make("flat._ff");
    EXPECT_EQ(decide("dark._dk"), "BRUKER");
    EXPECT_EQ(decide("flat._ff"), "BRUKER");

    const std::pair<const char*, const char*> plain[] = {
        {"a.gel", "IMAGEQUANT"}, {"a.final", "BINARY"}, {"a.corr", "BINARY"},
        {"a.cor2", "BINARY"},    {"a.bin", "BINARY"},   {"a.cor", "BINARY"},
        {"a.bsl", "BSL/OTOKO"},  {"a.chi", "CHIPLOT"},  {"a.image", "MAR FORMAT"},
        {"a.inf", "FUJI BAS-2000"}, {"a.pln", "PLANO STANDARD FORMAT"},
        {"a.mar3450", "MAR FORMAT"}, {"a.mar2300", "MAR FORMAT"}, {"a.mar2000", "MAR FORMAT"},
        {"a.mar1200", "MAR FORMAT"}, {"a.mar1600", "MAR FORMAT"}, {"a.osc", "RIGAKU R-AXIS"},
        {"a.pck", "MAR-PCK"},    {"a.pmi", "PHOTOMETRICS CCD FORMAT"},
        {"a.spe", "PRINCETON CCD FORMAT"}, {"a.mccd", "TIFF"}, {"a.tif", "TIFF"},
        {"a.tiff", "TIFF"},      {"A.TIF", "TIFF"},     {"a.dat", ""}};
    for (const auto& [file, format] : plain) {
        make(file);
        EXPECT_EQ(decide(file), format) << file;
        EXPECT_EQ(decided_name, dir.file(file));
    }

    make("k1.kdf", "{" + std::string(1023, ' '));
    make("k2.kdf", std::string(1024, ' '));
    make("k3.kdf", "{");
    EXPECT_EQ(decide("k1.kdf"), "TORVA");
    EXPECT_EQ(decide("k2.kdf"), "BINARY");
    EXPECT_EQ(decide("k3.kdf"), "BINARY"); // shorter than a header

    make("raw.bin");
    make("raw.bin.info");
    make("orphan.info");
    EXPECT_EQ(decide("raw.bin.info"), "BINARY");
    EXPECT_EQ(decided_name, dir.file("raw.bin"));
    EXPECT_EQ(decide("orphan.info"), "BINARY");
    EXPECT_EQ(decided_name, dir.file("orphan.info"));

    make("p.img");
    make("p.inf");
    make("q.img");
    make("q.INF");
    make("r.img", "{" + std::string(1500, ' '));
    make("s.img", std::string(1500, ' '));
    EXPECT_EQ(decide("p.img"), "FUJI BAS-2000");
    EXPECT_EQ(decided_name, dir.file("p.inf"));
    EXPECT_EQ(decide("q.img"), "FUJI BAS-2000");
    EXPECT_EQ(decided_name, dir.file("q.INF"));
    EXPECT_EQ(decide("r.img"), "ADSC");
    EXPECT_EQ(decide("s.img"), "HAMAMATSU PHOTONICS");

    // A point in a directory's name is no extension of the file.
    std::filesystem::create_directories(dir.file("v1.tif"));
    make("v1.tif/plain");
    EXPECT_EQ(decide("v1.tif/plain"), "");
    EXPECT_EQ(status, ST_GOOD_VALUE);
}

TEST_F(Decision, ABrukerFrameOfAnotherVersionIsStillOne)
{
    make("new.003", bruker(101));
    ConsoleCapture console;
    EXPECT_EQ(decide("new.003"), "BRUKER");
    EXPECT_EQ(console.lines(),
              (std::vector<std::string>{
                  "WARNING: The file appears to be a Bruker format file, but the format",
                  "         version number appears to have changed !?!?"}));
    int retstat = -9;
    FIO_IS_BRUKER(make("short.004", "FORMAT :86"), retstat, status);
    EXPECT_EQ(retstat, 2);
}

TEST_F(Driver, TheFormatMenuWithItsHelpChoosesTheReader)
{
    copy_fixture("u8.tif", "scan.dat");
    open("click \"scan.dat\"\n" + look("format_menu") +
         "click \"?\"\n" + look("format_help") + "click \"O.K.\"\n"
         "click \"HELP\"\nclick \"O.K.\"\n"
         "click \"TIFF\"\n" + look("region_form") + "click \"O.K.\"\n");
    name = folder;
    input(0);
    ASSERT_EQ(status, ST_GOOD_VALUE) << ST_INQ_POSITION();
    EXPECT_TRUE(defined);
    EXPECT_EQ(name, folder + "scan.dat");
    EXPECT_EQ(xnum, 53);
    EXPECT_EQ(ynum, 37);
    EXPECT_EQ(title, "scan.dat");
    EXPECT_EQ(pixels(), read_reals(tiff_fixtures() + "/u8.expected"));
    EXPECT_EQ(x_axis[52], 52.5f);
    EXPECT_EQ(FIO_INQ_INPUT_FORMAT(), "TIFF");
    // What the run remembers of the read.
    int retstat = -9, length = 0;
    std::string format;
    float overload = 0;
    IO_INQ_KEYVALUE("#INPUT_FORMAT", length, format, retstat, status);
    IO_INQ_RKEYVALUE("#OVERLOAD_VALUE", overload, retstat, status);
    EXPECT_EQ(format, "TIFF");
    EXPECT_EQ(overload, 65334.5f);
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    GS_INQ_IDR(x1, y1, x2, y2, status);
    EXPECT_EQ(x2, 53.0f);
    EXPECT_EQ(y2, 37.0f);
}

TEST_F(Driver, CancelsOfThePanelAndOfTheMenu)
{
    copy_fixture("u8.tif", "scan.dat");
    open("click \"CANCEL\"\nclick \"scan.dat\"\nclick \"CANCEL\"\n");
    name = folder;
    defined = true;
    input(0);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_FALSE(defined); // the panel's cancel: no data
    defined = true;
    input(0);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_TRUE(defined); // the menu's cancel leaves it as it was
    EXPECT_EQ(xnum, 0);
}

TEST_F(Driver, InputStepReadsTheNextFileOfTheSeriesWithoutAsking)
{
    copy_fixture("u16_le.tif", "scan0001.tif");
    copy_fixture("u16_be.tif", "scan0002.tif");
    copy_fixture("strips.tif", "scan0003.tif");
    // After the first file the script has nothing more: a question would fail.
    open("click \"scan0001.tif\"\nclick \"O.K.\"\n");
    name = folder;
    input(0);
    ASSERT_TRUE(defined);
    const std::vector<float> first = pixels();
    input(1);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_EQ(name, folder + "scan0002.tif");
    EXPECT_EQ(title, "scan0002.tif");
    EXPECT_EQ(pixels(), first); // the big-endian twin
    input(1);
    EXPECT_EQ(name, folder + "scan0003.tif");
    name = folder + "scan0001.tif";
    input(-2147483647); // the given name, as it stands
    EXPECT_EQ(name, folder + "scan0001.tif");
    EXPECT_EQ(pixels(), first);
    EXPECT_EQ(status, ST_GOOD_VALUE);
}

TEST_F(Driver, NoSeriesNoBrokenFile)
{
    write_file(folder + "a.osc", "x");
    std::filesystem::copy_file(tiff_fixtures() + "/zlib.tif", folder + "z.tif");
    open("click \"O.K.\"\n"                                  // the undefined sequence
         "click \"a.osc\"\nclick \"O.K.\"\n"                // no image in it
         "click \"z.tif\"\nclick \"O.K.\"\n" + look("reader_failed") +
         "click \"O.K.\"\n");
    defined = false;
    input(1);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_FALSE(defined);
    name = folder;
    ConsoleCapture console;
    input(0);
    EXPECT_NE(console.text().find("WARNING: Problem reading in file header\n"), std::string::npos);
    EXPECT_FALSE(defined);
    input(0);
    EXPECT_NE(console.text().find("WARNING: The Image has been compressed."), std::string::npos);
    EXPECT_FALSE(defined);
    EXPECT_EQ(status, ST_GOOD_VALUE);
}

TEST_F(Driver, ARawFileThroughItsLayoutForm)
{
    std::string bytes;
    for (int k = 0; k < 6; ++k) bytes += stored(1000 + k, 2, true);
    write_file(folder + "frame.bin", bytes);
    write_file(folder + "frame.bin.info", "x\nSize = 3 2\nBytes = 2 (signed)\n"
                                          "Byte order = big endian\nX = 50\nY = 60\n");
    open("click \"frame.bin\"\n" + look("layout_form") + "click \"O.K.\"\n");
    name = folder;
    input(0);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    ASSERT_TRUE(defined);
    EXPECT_EQ(pixels(), (std::vector<float>{1000, 1001, 1002, 1003, 1004, 1005}));
    EXPECT_FLOAT_EQ(x_pixel_size, 50e-6f);
    int retstat = -9;
    bool is_signed = false, swap = false;
    float stored_size = 0;
    IO_INQ_LKEYVALUE("IN_BIN_SIGNED", is_signed, retstat, status);
    IO_INQ_LKEYVALUE("IN_BIN_SWAP", swap, retstat, status);
    IO_INQ_RKEYVALUE("Y_PIXEL_SIZE", stored_size, retstat, status);
    EXPECT_TRUE(is_signed);
    EXPECT_EQ(swap, std::endian::native == std::endian::little);
    EXPECT_FLOAT_EQ(stored_size, 60e-6f);
    int length = 0;
    std::string type;
    IO_INQ_KEYVALUE("IN_BIN_DATA_TYPE", length, type, retstat, status);
    EXPECT_EQ(type, "INTEGER (2-BYTE)");
}

namespace {

float remembered(const char* key, int& status)
{
    float value = 0;
    int retstat = 0;
    IO_INQ_RKEYVALUE(key, value, retstat, status);
    return value;
}

void copy_detector_fixture(const std::string& fixture, const std::string& to)
{
    std::filesystem::copy_file(detector_fixtures() + "/" + fixture, to);
}

} // namespace

TEST_F(Driver, ATorvaImageChosenOnThePanelAndByItsNumber)
{
    copy_detector_fixture("torva_multi.kdf", folder + "run.kdf");
    open("click \"run.kdf\"\n" + look("torva_image_number") + "key ClearLine\ntext \"2\"\n");
    name = folder;
    input(0);
    ASSERT_EQ(status, ST_GOOD_VALUE) << ST_INQ_POSITION();
    ASSERT_TRUE(defined);
    EXPECT_EQ(FIO_INQ_INPUT_FORMAT(), "TORVA");
    EXPECT_EQ(pixels(), read_reals(detector_fixtures() + "/torva_2.expected"));
    EXPECT_EQ(title, "section 2");
    EXPECT_EQ(remembered("#OVERLOAD_VALUE", status), 1.7e38f);
}

TEST_F(Driver, AFujiImageChosenByItsDataFileAndARaxisImage)
{
    copy_detector_fixture("bas16.inf", folder + "plate.inf");
    copy_detector_fixture("bas16.img", folder + "plate.img");
    copy_detector_fixture("raxis_le.osc", folder + "frame.osc");
    open("click \"plate.img\"\nclick \"frame.osc\"\n");
    name = folder;
    input(0);
    ASSERT_EQ(status, ST_GOOD_VALUE) << ST_INQ_POSITION();
    ASSERT_TRUE(defined);
    EXPECT_EQ(name, folder + "plate.inf");
    EXPECT_EQ(FIO_INQ_INPUT_FORMAT(), "FUJI BAS-2000");
    EXPECT_EQ(pixels(), read_reals(detector_fixtures() + "/bas16.expected"));
    EXPECT_FLOAT_EQ(x_pixel_size, 50e-6f);
    EXPECT_FLOAT_EQ(remembered("Y_PIXEL_SIZE", status), 75e-6f);
    name = folder;
    input(0);
    ASSERT_TRUE(defined);
    EXPECT_EQ(FIO_INQ_INPUT_FORMAT(), "RIGAKU R-AXIS");
    EXPECT_EQ(pixels(), read_reals(detector_fixtures() + "/raxis_le.expected"));
    EXPECT_EQ(remembered("#OVERLOAD_VALUE", status), 32767.0f * 8.0f);
}

TEST_F(Driver, AFujiHeaderWithoutItsDataFileLetsTheUserChooseIt)
{
    copy_detector_fixture("bas8.inf", folder + "lone.inf");
    copy_detector_fixture("bas8.img", folder + "elsewhere.dat");
    open("click \"lone.inf\"\n" + look("bas_choose_img") + "click \"elsewhere.dat\"\n" +
         "click \"lone.inf\"\nclick \"CANCEL\"\nclick \"O.K.\"\n");
    name = folder;
    input(0);
    ASSERT_EQ(status, ST_GOOD_VALUE) << ST_INQ_POSITION();
    ASSERT_TRUE(defined);
    EXPECT_EQ(pixels(), read_reals(detector_fixtures() + "/bas8.expected"));
    // A cancel of the second panel reads nothing.
    defined = false;
    name = folder;
    input(0);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_FALSE(defined);
}

TEST_F(Driver, DetectorFilesByTheirNamesAndByTheFormatMenu)
{
    const std::string fixtures = mar_fixtures() + "/";
    std::filesystem::copy_file(fixtures + "old_le.pck", folder + "scan0001.pck");
    std::filesystem::copy_file(fixtures + "bruker1.100", folder + "frame.100");
    std::filesystem::copy_file(fixtures + "m345_be.mar3450", folder + "plate.dat");
    std::filesystem::copy_file(fixtures + "plano_be.pln", folder + "sum.pln");
    open("click \"scan0001.pck\"\nclick \"frame.100\"\nclick \"plate.dat\"\n" + look("mar_menu") +
         "click \"MAR\"\nclick \"sum.pln\"\n");
    struct Read
    {
        const char* format;
        const char* expected;
        int width, height;
        float overload, pixel_size;
    };
    const Read reads[] = {{"MAR-PCK", "old", 64, 40, 131071.5f, 150e-6f},
                          // A frame does not give its pixel size: the last one stays.
                          {"BRUKER", "bruker1", 56, 40, 80000.0f, 150e-6f},
                          {"MAR FORMAT", "m345", 48, 48, 131071.5f, 150e-6f},
                          {"PLANO STANDARD FORMAT", "plano", 23, 17, 65535.5f, 1.0e-4f}};
    name = folder;
    for (const Read& r : reads) {
        SCOPED_TRACE(r.format);
        defined = false;
        input(0);
        ASSERT_EQ(status, ST_GOOD_VALUE) << ST_INQ_POSITION();
        ASSERT_TRUE(defined);
        EXPECT_EQ(FIO_INQ_INPUT_FORMAT(), r.format);
        EXPECT_EQ(xnum, r.width);
        EXPECT_EQ(ynum, r.height);
        EXPECT_EQ(pixels(), read_reals(fixtures + r.expected + ".expected"));
        int retstat = -9;
        float overload = 0, stored_size = 0;
        IO_INQ_RKEYVALUE("#OVERLOAD_VALUE", overload, retstat, status);
        IO_INQ_RKEYVALUE("X_PIXEL_SIZE", stored_size, retstat, status);
        EXPECT_EQ(overload, r.overload);
        EXPECT_FLOAT_EQ(stored_size, r.pixel_size);
    }
}
