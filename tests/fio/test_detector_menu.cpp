#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "detector_fixtures.h"
#include "fio/readers.h"
#include "lg/window/x11.h"
#include "input_driver.h"

using namespace zyt_test;

namespace {

float remembered_overload(int& status)
{
    float overload = 0;
    int retstat = 0;
    IO_INQ_RKEYVALUE("#OVERLOAD_VALUE", overload, retstat, status);
    return overload;
}

// A file of a format, the files that go with it (by their names beside it)
// and the clicks and text that answer the reader's own questions.
struct MenuRead
{
    std::string bytes;
    std::vector<std::pair<std::string, std::string>> companions;
    std::string answers;
};

std::string fixture_bytes(const std::string& directory, const std::string& name)
{
    return read_file(directory + "/" + name);
}

// A file for every entry of the format menu, named so that only the menu
// can tell its format.
std::map<std::string, MenuRead> menu_reads()
{
    const std::string& tiff = tiff_fixtures();
    const std::string& detectors = detector_fixtures();
    const std::string& mar = mar_fixtures();
    std::string raw;
    for (int k = 0; k < 6; ++k)
        raw += stored(700 + 3 * k, 2, false);
    const BslSet set{4, 3, 1, 1, 0, "set.001"};
    return {
        {"ADSC", {fixture_bytes(detectors, "adsc_le.img"), {}, ""}},
        {"BINARY",
         {raw,
          {{"scan.dat.info", "x\nSize = 3 2\nBytes = 2 (unsigned)\nByte order = little endian\n"}},
          "click \"O.K.\"\n"}},
        {"BSL/OTOKO", {bsl_header({set}), {{set.file, bsl_binary(set)}}, ""}},
        {"CHIPLOT", {chiplot_file({{1.0, 5.0}, {2.0, 7.0}, {4.0, 3.0}}), {}, ""}},
        {"FUJI (BAS)",
         {fixture_bytes(detectors, "bas16.inf"),
          {{"scan.img", fixture_bytes(detectors, "bas16.img")}},
          ""}},
        {"HAMAMATSU", {fixture_bytes(detectors, "ham_plain.img"), {}, ""}},
        {"IMAGEQUANT", {fixture_bytes(tiff, "i16.tif"), {}, "click \"O.K.\"\n"}},
        {"TORVA", {fixture_bytes(detectors, "torva_nosize.kdf"), {}, ""}},
        {"PHOTOMETRICS", {photometrics_file(5, 3, 1), {}, ""}},
        {"PRINCETON", {princeton_file(4, 6, 1, 0), {}, ""}},
        {"RIGAKU R-AXIS", {fixture_bytes(detectors, "raxis_be.osc"), {}, ""}},
        {"TIFF", {fixture_bytes(tiff, "u16_be.tif"), {}, "click \"O.K.\"\n"}},
        {"BRUKER", {fixture_bytes(mar, "bruker1.100"), {}, ""}},
        {"PLANO", {fixture_bytes(mar, "plano_be.pln"), {}, ""}},
        {"MAR", {fixture_bytes(mar, "m345_be.mar3450"), {}, ""}},
        {"MAR-PCK", {fixture_bytes(mar, "old_le.pck"), {}, ""}},
    };
}

} // namespace

TEST_F(Driver, EveryEntryOfTheFormatMenuReadsAFile)
{
    const std::map<std::string, MenuRead> reads = menu_reads();
    const std::string top = folder;
    const auto where_of = [&top](std::size_t k) { return top + std::to_string(k) + "/"; };
    std::vector<const FioFormatEntry*> entries;
    std::string script;
    for (const FioFormatEntry& entry : fio_formats()) {
        if (entry.menu_label.empty()) continue;
        const std::string label(entry.menu_label);
        const auto read = reads.find(label);
        if (read == reads.end()) {
            ADD_FAILURE() << "no file is read through the menu entry " << label;
            continue;
        }
        // Each file in a directory of its own, so that the panel shows it alone.
        const std::string where = where_of(entries.size());
        std::filesystem::create_directories(where);
        write_file(where + "scan.dat", read->second.bytes);
        for (const auto& [companion, bytes] : read->second.companions)
            write_file(where + companion, bytes);
        script += "click \"scan.dat\"\nclick \"" + label + "\"\n" + read->second.answers;
        entries.push_back(&entry);
    }
    open(script);
    for (std::size_t k = 0; k < entries.size(); ++k) {
        const FioFormatEntry& entry = *entries[k];
        SCOPED_TRACE(entry.menu_label);
        const std::string file = where_of(k) + "scan.dat";
        ConsoleCapture console;
        folder = where_of(k);
        ASSERT_TRUE(choose_and_read()) << ST_INQ_POSITION() << console.text();
        EXPECT_EQ(console.text().find("Unknown file format"), std::string::npos);
        EXPECT_EQ(FIO_INQ_INPUT_FORMAT(), entry.name);
        // The same pixels as the command-line tool reads in that format.
        FioRequest request;
        request.format = std::string(entry.name);
        int retstat = -9;
        FioImage alone = read_image(file, retstat, request);
        ASSERT_EQ(retstat, 0);
        EXPECT_EQ(xnum, alone.xnumdat);
        EXPECT_EQ(ynum, alone.ynumdat);
        EXPECT_EQ(pixels(), pixels_of(alone));
    }
}

TEST_F(Driver, TheImageAndDataSetAskedOnTheWindowAndAGraphAsOneRow)
{
    write_file(folder + "frames.dat", princeton_file(5, 4, 2, 3));
    const BslSet first{4, 2, 1, 1, 0, "S.001"};
    const BslSet second{3, 3, 1, 0, 1, "S.002"};
    write_file(folder + first.file, bsl_binary(first));
    write_file(folder + second.file, bsl_binary(second));
    write_file(folder + "sets.dat", bsl_header({first, second}));
    write_file(folder + "graph.chi", chiplot_file({{1.5, 10}, {2.5, 20}, {3.5, 40}}));
    open("click \"frames.dat\"\nclick \"PRINCETON\"\n" + look("image_number") +
         "key ClearLine\ntext \"2\"\n"
         "click \"sets.dat\"\nclick \"BSL/OTOKO\"\n" +
         look("data_set") +
         "key ClearLine\ntext \"2\"\n"
         "click \"graph.chi\"\n");

    ASSERT_TRUE(choose_and_read()) << ST_INQ_POSITION();
    EXPECT_EQ(FIO_INQ_INPUT_FORMAT(), "PRINCETON CCD FORMAT");
    EXPECT_EQ(xnum, 5);
    EXPECT_EQ(ynum, 4);
    EXPECT_EQ(view(1, 1), pattern('u', 1, 4, 2)); // image 2, mirrored in Y
    EXPECT_EQ(remembered_overload(status), 65534.5f);

    ASSERT_TRUE(choose_and_read());
    EXPECT_EQ(FIO_INQ_INPUT_FORMAT(), "BSL/OTOKO");
    EXPECT_EQ(xnum, 3);
    EXPECT_EQ(view(3, 3), pattern('u', 3, 3, 1));
    EXPECT_EQ(remembered_overload(status), 65534.5f);

    // A graph: one row, its X values on the axis, a display region one row high.
    ASSERT_TRUE(choose_and_read());
    EXPECT_EQ(FIO_INQ_INPUT_FORMAT(), "CHIPLOT");
    EXPECT_EQ(xnum, 3);
    EXPECT_EQ(ynum, 1);
    EXPECT_EQ((std::vector<float>{x_axis[0], x_axis[1], x_axis[2]}),
              (std::vector<float>{1.5f, 2.5f, 3.5f}));
    EXPECT_EQ(pixels(), (std::vector<float>{10, 20, 40}));
    EXPECT_EQ(y_axis[0], 0.5f);
    EXPECT_EQ(remembered_overload(status), 1.7e38f);
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    GS_INQ_IDR(x1, y1, x2, y2, status);
    EXPECT_EQ(x2, 3.0f);
    EXPECT_EQ(y2, 1.0f);
    // Shown, it is a graph over the file's X values and the intensities, not
    // a picture over element numbers.
    GsImage graph{view, x_axis, y_axis, 1, 1, xnum, ynum, title, xlabel, ylabel, zlabel};
    GS_PLOT(graph, status);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    if (const char* where = std::getenv("ZYT_LOOK_DIR"))
        LG_X11_SNAPSHOT(std::string(where) + "/chiplot_graph.png");
    GS_INQ_DDDR(x1, y1, x2, y2, status);
    EXPECT_LE(x1, 1.5f);
    EXPECT_GE(x2, 3.5f);
    EXPECT_LT(x2, 10.0f);
    EXPECT_LE(y1, 10.0f);
    EXPECT_GE(y2, 40.0f);
}

TEST_F(Driver, AGasDetectorFileIsAnsweredOnceThenReadAgainWithoutQuestions)
{
    for (const char* run : {"run0001", "run0002"}) {
        write_file(folder + run + "hm", gas_hm(4, 3, 2, 16, false));
        write_file(folder + run, gas_data('s', 4, 3, 2, false, true));
    }
    // The "hm" file is chosen; its data file is read.
    open("click \"run0001hm\"\n" + look("hm_header") +
         "click \"YES\"\n"
         "click \"" +
         std::string(std::endian::native == std::endian::big ? "YES" : "NO") +
         "\"\nclick \"YES\"\nkey ClearLine\ntext \"2\"\n");
    ASSERT_TRUE(choose_and_read()) << ST_INQ_POSITION();
    EXPECT_EQ(name, folder + "run0001");
    EXPECT_EQ(FIO_INQ_INPUT_FORMAT(), "GAS 2-D DETECTOR (MIRL)");
    EXPECT_EQ(title, "run0001");
    EXPECT_EQ(view(2, 2), pattern('s', 2, 2, 2)); // signed, image 2, stored order
    EXPECT_LT(view(2, 2), 0.0f);
    EXPECT_EQ(remembered_overload(status), 1.7e38f);
    // Another file read with the same format: nothing is asked (the script
    // has no more). Names without an extension are no numbered series, so
    // the name is given.
    std::fill(data.begin(), data.end(), 0.0f);
    name = folder + "run0002";
    input(-2147483647);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_EQ(name, folder + "run0002");
    EXPECT_EQ(view(2, 2), pattern('s', 2, 2, 2));
}

TEST_F(Driver, APrincetonSeriesKeepsTheImageChosen)
{
    write_file(folder + "scan0001.spe", princeton_file(3, 2, 3, 2));
    write_file(folder + "scan0002.spe", princeton_file(3, 2, 3, 2));
    write_file(folder + "scan0003.spe", princeton_file(3, 2, 2, 2));
    open("click \"scan0001.spe\"\nkey ClearLine\ntext \"3\"\n" + look("refused") +
         "click \"O.K.\"\n");
    ASSERT_TRUE(choose_and_read());
    EXPECT_EQ(view(1, 2), pattern('s', 1, 1, 3));
    std::fill(data.begin(), data.end(), 0.0f);
    input(1);
    EXPECT_EQ(name, folder + "scan0002.spe");
    EXPECT_EQ(view(1, 2), pattern('s', 1, 1, 3));
    // The third file has no image 3: refused, the prompt lines as the warning.
    defined = false;
    ConsoleCapture console;
    input(1);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_FALSE(defined);
    EXPECT_NE(console.text().find("WARNING: The file holds 2 image(s): image 3 cannot be input"),
              std::string::npos);
}
