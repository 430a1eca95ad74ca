#include <gtest/gtest.h>

#include <cstdlib>

#include "detector_fixtures.h"
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

} // namespace

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
