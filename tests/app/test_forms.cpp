#include <gtest/gtest.h>

#include "app/forms.h"
#include "gs/gs_test_support.h"
#include "io/database.h"

using zyt_test::Graphics;

namespace {

class ControlForms : public Graphics
{
protected:
    void SetUp() override { IO_CLEAR_DATABASE(); }

    // Accepts both control forms after the edits given (script lines) for each.
    ZytParameters accept_both(const std::string& edits_form1 = "",
                              const std::string& edits_form2 = "")
    {
        open(edits_form1 + "click \"O.K.\"\n" + edits_form2 + "click \"O.K.\"\n");
        ZytParameters p;
        p.ANGLE_BETWEEN_PROJECTIONS = 0.2f; // degrees, from the series
        p.OUTPUT_FILE = "/data/sample/scan.vol";
        ZYT_INPUT_FORM(p, status);
        EXPECT_EQ(status, ST_GOOD_VALUE);
        return p;
    }
};

} // namespace

TEST_F(ControlForms, EmptyDatabaseOffersTheInitialValues)
{
    const ZytParameters p = accept_both();
    const ZytParameters initial;
    EXPECT_EQ(p.FILE_INTERVAL, 1);
    EXPECT_FALSE(p.SUBTRACT_BACKGROUND);
    EXPECT_FALSE(p.CORRECT_FLATFIELD);
    EXPECT_TRUE(p.TAKE_LOGARITHM);
    EXPECT_TRUE(p.ROTATION_VERTICAL);
    EXPECT_EQ(p.CACHE_KILOBYTES, 4096);
    EXPECT_EQ(p.SINOGRAM_MEGABYTES, 800);
    EXPECT_FALSE(p.OUTPUT_SINOGRAMS);
    EXPECT_TRUE(p.OUTPUT_RECONSTRUCTION);
    EXPECT_EQ(p.OVERSAMPLING_FACTOR, 4);
    EXPECT_NEAR(p.IMAGE_PIXEL_SIZE_1, 0.000002f, 1e-11f);
    EXPECT_NEAR(p.IMAGE_PIXEL_SIZE_2, 0.000002f, 1e-11f);
    EXPECT_FLOAT_EQ(p.ANGLE_OFFSET, 0.0f);
    EXPECT_FALSE(p.DISPLAY_GRAPHICS);
    EXPECT_EQ(p.OUTPUT_FILE, "/data/sample/scan.vol");
    EXPECT_NEAR(p.ANGLE_BETWEEN_PROJECTIONS, 0.2f * 0.017453292f, 1e-9f);
}

TEST_F(ControlForms, UnitsAreConvertedAndValuesRememberedBetweenRuns)
{
    const ZytParameters p =
        accept_both("click \"FILE INTERVAL\"\nkey ClearLine\ntext \"2\"\nclick \"TAKE LOG\"\n",
                    "click \"INCREMENT ANGLE\"\nkey ClearLine\ntext \"0.5\"\n"
                    "click \"X-PIXEL SIZE\"\nkey ClearLine\ntext \"6.5\"\n"
                    "click \"OFFSET ANGLE\"\nkey ClearLine\ntext \"-12.5\"\n");
    EXPECT_NEAR(p.ANGLE_BETWEEN_PROJECTIONS, 0.0087266f, 1e-7f);
    EXPECT_NEAR(p.IMAGE_PIXEL_SIZE_1, 0.0000065f, 1e-11f);
    EXPECT_NEAR(p.IMAGE_PIXEL_SIZE_2, 0.000002f, 1e-11f);
    EXPECT_EQ(p.FILE_INTERVAL, 2);
    EXPECT_FALSE(p.TAKE_LOGARITHM);

    // Saved at the end of one run and loaded at the start of the next...
    const std::string defaults = dir.file(".zyt.def");
    int retstat = 0;
    IO_SAVE_DATABASE(defaults, retstat, status);
    ASSERT_EQ(retstat, 0);
    TearDown();
    IO_CLEAR_DATABASE();
    IO_LOAD_DATABASE(defaults, retstat, status);
    ASSERT_EQ(retstat, 0);
    // ...the accepted values are offered again.
    const ZytParameters next = accept_both();
    EXPECT_EQ(next.FILE_INTERVAL, 2);
    EXPECT_FALSE(next.TAKE_LOGARITHM);
    EXPECT_FLOAT_EQ(next.ANGLE_OFFSET, -12.5f);
    const std::string file = zyt_test::read_file(defaults);
    EXPECT_NE(file.find("FILE_INTERVAL\n2\n"), std::string::npos);
    EXPECT_NE(file.find("TAKE_LOG\nFALSE\n"), std::string::npos);
    EXPECT_NE(file.find("ROTATION_ANGLE_OFFSET\n-12.50000\n"), std::string::npos);
}

// A defaults file may hold anything: a remembered value outside what a form
// accepts is offered at the nearest bound, and stored so.
TEST_F(ControlForms, RememberedValuesAreBroughtIntoTheFormsRanges)
{
    int retstat = 0;
    int s = ST_GOOD_VALUE;
    for (const auto& [key, value] :
         {std::pair{"FILE_INTERVAL", "-2147483648"}, {"OVER-SAMPLING", "-5"},
          {"CACHE_KILOBYTES", "99999"}, {"SINOGRAM_MEGABYTES", "1"},
          {"ROTATION_ANGLE_OFFSET", "1.0E+30"}, {"SINO_INTERVAL", "2147483647"}})
        IO_SET_KEYVALUE(key, static_cast<int>(std::string_view(value).size()), value, retstat, s);
    const ZytParameters p = accept_both();
    EXPECT_EQ(p.FILE_INTERVAL, 1);
    EXPECT_EQ(p.OVERSAMPLING_FACTOR, 0);
    EXPECT_EQ(p.CACHE_KILOBYTES, 8192);
    EXPECT_EQ(p.SINOGRAM_MEGABYTES, 16);
    EXPECT_FLOAT_EQ(p.ANGLE_OFFSET, 360.0f);
    int stored = 0;
    IO_INQ_IKEYVALUE("FILE_INTERVAL", stored, retstat, s);
    EXPECT_EQ(stored, 1);

    TearDown();
    ZytParameters sino;
    sino.NUM_IMAGE_1 = 100;
    open("click \"O.K.\"\nclick \"O.K.\"\n");
    ZYT_INPUT_SINOFORM(sino, status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_EQ(sino.FILE_INTERVAL, 1000);
    EXPECT_EQ(sino.OVERSAMPLING_FACTOR, 0);
}

TEST_F(ControlForms, ALongNumberIsReadWhole)
{
    const ZytParameters p = accept_both(
        "", "click \"X-PIXEL SIZE\"\nkey ClearLine\ntext \"0.50000000000000000001e3\"\n");
    EXPECT_NEAR(p.IMAGE_PIXEL_SIZE_1, 0.0005f, 1e-9f);
}

TEST_F(ControlForms, CancellingTheSecondFormStoresNothing)
{
    open("click \"FILE INTERVAL\"\nkey ClearLine\ntext \"3\"\nclick \"O.K.\"\nclick \"CANCEL\"\n");
    ZytParameters p;
    ZYT_INPUT_FORM(p, status);
    EXPECT_EQ(status, ST_ESCAPE_VALUE);
    EXPECT_EQ(p.FILE_INTERVAL, 3); // form 1's value stays in memory
    int value = -1;
    int retstat = 0;
    int s = ST_GOOD_VALUE;
    IO_INQ_IKEYVALUE("FILE_INTERVAL", value, retstat, s);
    EXPECT_EQ(retstat, 2);
}

TEST_F(ControlForms, SinogramForms)
{
    ZytParameters p;
    p.NUM_IMAGE_1 = 2048;
    p.NUM_IMAGE_2 = 900;
    // A region value above the sinogram width is refused with a message to acknowledge.
    open("click \"X-START\"\nkey ClearLine\ntext \"3000\"\nclick \"O.K.\"\n"
         "key ClearLine\ntext \"10\"\nclick \"O.K.\"\n"
         "click \"AXIS POSITION\"\nkey ClearLine\ntext \"1000.5\"\nclick \"O.K.\"\n");
    ZYT_INPUT_SINOFORM(p, status);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    EXPECT_EQ(p.START_VOXEL_1, 10);
    EXPECT_EQ(p.START_VOXEL_2, 1);
    EXPECT_EQ(p.END_VOXEL_1, 2048);
    EXPECT_EQ(p.END_VOXEL_2, 2048);
    EXPECT_FLOAT_EQ(p.ROTATION_AXIS_POSITION, 1000.5f);
    int interval = 0;
    int retstat = 0;
    IO_INQ_IKEYVALUE("SINO_INTERVAL", interval, retstat, status);
    EXPECT_EQ(interval, 1);
}
