#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

#include "app/parameter_file.h"
#include "gs/gs_test_support.h"

using zyt_test::ConsoleCapture;
using zyt_test::fresh_status;
using zyt_test::read_file;
using zyt_test::write_file;

namespace {

std::vector<std::string> files_in(const std::filesystem::path& directory)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string expected(const std::string& name)
{
    return read_file(std::string(ZYT_EXPECTED_DIR) + "/" + name);
}

constexpr float RADIANS_PER_DEGREE = 0.017453292f;

// A projection series with every option switched on.
ZytParameters full_series()
{
    ZytParameters p;
    p.NUM_FIRST_IMAGE = 1;
    p.NUM_LAST_IMAGE = 900;
    p.FILE_INTERVAL = 1;
    p.FILE_PREFIX = "/data/sample/scan";
    p.NUMBER_LENGTH_VARIES = false;
    p.LENGTH_OF_NUMERICAL_PART = 4;
    p.FILE_POSTFIX = ".tif";
    p.NUM_IMAGE_1 = 2048;
    p.NUM_IMAGE_2 = 1024;
    p.IMAGE_PIXEL_SIZE_2 = 0.0000065f;
    p.SUBTRACT_BACKGROUND = true;
    p.BACKGROUND_FILE = "/data/sample/dark.tif";
    p.CORRECT_FLATFIELD = true;
    p.FLATFIELD_CHANGING = true;
    p.FF_NUM_FIRST_IMAGE = 0;
    p.FF_NUM_LAST_IMAGE = 900;
    p.FF_PREFIX = "/data/sample/flat_";
    p.FF_LENGTH_OF_NUMERICAL_PART = 3;
    p.FF_POSTFIX = ".tif";
    p.ANGLE_BETWEEN_PROJECTIONS = 0.2f * RADIANS_PER_DEGREE;
    p.ROTATION_AXIS_POSITION = 1023.25f;
    p.START_VOXEL_1 = 100;
    p.START_VOXEL_2 = 1;
    p.START_VOXEL_3 = 50;
    p.END_VOXEL_1 = 1900;
    p.END_VOXEL_2 = 2048;
    p.END_VOXEL_3 = 1000;
    p.OUTPUT_FILE = "/data/sample/scan.vol";
    return p;
}

// The name is chosen on the file-selection panel: typed, then Return.
std::string choose(const std::string& path)
{
    return "key ClearLine\ntext \"" + path + "\"\n";
}

class ParameterFile : public zyt_test::Graphics
{
protected:
    // Each test starts as a run does: no name chosen yet, the panel where the run starts.
    void SetUp() override
    {
        GS_DEF_FILESELECTION();
        ZYT_SET_PARAMETER_FILENAME("");
    }

    std::string write_projection_file(const ZytParameters& p)
    {
        const std::string path = dir.file("recon.par");
        open(choose(path));
        ZYT_SAVE_PARAMETERS(p, status);
        EXPECT_EQ(status, ST_GOOD_VALUE);
        return read_file(path);
    }
};

} // namespace

TEST_F(ParameterFile, ProjectionSeriesWithBackgroundAndFlatFieldSeries)
{
    EXPECT_EQ(write_projection_file(full_series()), expected("projection_series.par"));
}

// Values that fill their fields to the last character.
TEST_F(ParameterFile, VaryingNumbersSingleFlatFieldAndFullWidthValues)
{
    ZytParameters p;
    p.NUM_FIRST_IMAGE = 123456;
    p.NUM_LAST_IMAGE = 5;
    p.FILE_INTERVAL = -2;
    p.FILE_PREFIX = "img_";
    p.NUMBER_LENGTH_VARIES = true;
    p.FILE_POSTFIX = ".edf";
    p.NUM_IMAGE_1 = 512;
    p.NUM_IMAGE_2 = 512;
    p.IMAGE_PIXEL_SIZE_1 = 0.0000015f;
    p.IMAGE_PIXEL_SIZE_2 = 0.001953125f; // 2^-9: exact in single precision
    p.CORRECT_FLATFIELD = true;
    p.FLATFIELD_CHANGING = false;
    p.FLATFIELD_FILE = "flat.edf";
    p.TAKE_LOGARITHM = false;
    p.ANGLE_OFFSET = -12.5f;
    p.ANGLE_BETWEEN_PROJECTIONS = RADIANS_PER_DEGREE;
    p.ROTATION_VERTICAL = false;
    p.ROTATION_AXIS_POSITION = 1.0e8f;
    p.OUTPUT_SINOGRAMS = true;
    p.OUTPUT_RECONSTRUCTION = false;
    p.START_VOXEL_1 = 1;
    p.START_VOXEL_2 = 2;
    p.START_VOXEL_3 = 3;
    p.END_VOXEL_1 = 510;
    p.END_VOXEL_2 = 511;
    p.END_VOXEL_3 = 512;
    p.OVERSAMPLING_FACTOR = 12;
    p.CACHE_KILOBYTES = 512;
    p.SINOGRAM_MEGABYTES = 16;
    p.OUTPUT_FILE = "out.vol";
    p.DISPLAY_GRAPHICS = true;
    EXPECT_EQ(write_projection_file(p), expected("projection_single_flat.par"));
}

TEST_F(ParameterFile, NoFlatFieldCorrectionGivesTenNotApplicableLines)
{
    ZytParameters p = full_series();
    p.CORRECT_FLATFIELD = false;
    const std::string text = write_projection_file(p);
    const std::string block = expected("no_flatfield_block.txt");
    const std::size_t at = text.find("! Parameters defining flat-field treatment\n");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(text.substr(at + 43, block.size()), block);
    EXPECT_EQ(text.substr(at + 43 + block.size(), 2), " \n");
}

TEST_F(ParameterFile, SinogramSeries)
{
    ZytParameters p;
    p.FILE_PREFIX = "/data/sino/sino_";
    p.NUM_FIRST_IMAGE = 1;
    p.NUM_LAST_IMAGE = 2048;
    p.LENGTH_OF_NUMERICAL_PART = 4;
    p.FILE_POSTFIX = ".raw";
    p.NUM_IMAGE_1 = 2048;
    p.NUM_IMAGE_2 = 900;
    p.ANGLE_BETWEEN_PROJECTIONS = 0.2f * RADIANS_PER_DEGREE;
    p.ROTATION_AXIS_POSITION = 1024.0f;
    p.START_VOXEL_1 = 1;
    p.START_VOXEL_2 = 1;
    p.END_VOXEL_1 = 2048;
    p.END_VOXEL_2 = 2048;
    p.OVERSAMPLING_FACTOR = 0;
    p.OUTPUT_FILE = "/data/sino/slices.vol";
    const std::string path = dir.file("sino.par");
    open(choose(path));
    ZYT_SAVE_SINOPARAMETERS(p, status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_EQ(read_file(path), expected("sinogram_series.par"));
}

TEST_F(ParameterFile, AFileThatCannotBeOpenedIsAskedForAgain)
{
    // A directory that does not exist: the warning, then a good name.
    const std::string good = dir.file("recon.par");
    open(choose(dir.file("no/such/dir/recon.par")) + "click \"O.K.\"\n" + choose(good));
    ZYT_SAVE_PARAMETERS(full_series(), status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_EQ(read_file(good), expected("projection_series.par"));
}

TEST_F(ParameterFile, FailuresAreReportedAndNothingIsClaimed)
{
    // Entered with a bad status, nothing is written.
    const std::string path = dir.file("never.par");
    ZYT_SET_SINOPARAMETER_FILENAME(path);
    status = 140017;
    ZYT_SAVE_SINOPARAMETERS(full_series(), status);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(status, 140017);

    // The end of the input while the panel waits: no file, and no endless asking.
    open("");
    ZYT_SAVE_PARAMETERS(full_series(), status);
    EXPECT_EQ(status, ST_ESCAPE_VALUE);
}

// The file is replaced as a whole: when the disk fills up while it is
// written, the user's earlier file is still there, whole.
TEST_F(ParameterFile, AFullDiskKeepsTheEarlierFile)
{
    const std::string path = dir.file("recon.par");
    write_file(path, "! ZYT_VUZOV PARAMETER FILE\nthe earlier parameter file\n");
    open(choose(path));
    // Files may not grow beyond 1000 bytes: a disk full after that many.
    rlimit old_limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
    rlimit limit = old_limit;
    limit.rlim_cur = 1000;
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    {
        ConsoleCapture console;
        ZYT_SAVE_PARAMETERS(full_series(), status);
    }
    ::setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_EQ(status, 11010);
    EXPECT_EQ(read_file(path), "! ZYT_VUZOV PARAMETER FILE\nthe earlier parameter file\n");
    EXPECT_EQ(files_in(dir.path()), (std::vector<std::string>{"events.txt", "recon.par"}));
}

// A number that does not fit its field would be written as asterisks, which
// the reconstruction cannot read: the file is not written and the run ends
// with an error.
TEST_F(ParameterFile, AValueTooWideForItsFieldIsAnError)
{
    const std::string path = dir.file("recon.par");
    write_file(path, "! ZYT_VUZOV PARAMETER FILE\nthe earlier parameter file\n");
    ZytParameters p = full_series();
    p.NUM_FIRST_IMAGE = 1234567;
    p.ROTATION_AXIS_POSITION = 1.0e12f;
    open(choose(path));
    ConsoleCapture console;
    ZYT_SAVE_PARAMETERS(p, status);
    EXPECT_EQ(status, 11010);
    EXPECT_NE(console.text().find("ERROR: Values too wide for their fields of the parameter file:\n"
                                  "NUM_FIRST_IMAGE = ****** ! No. of first projection file\n"
                                  "ROTATION_AXIS_POSITION = ************** ! Position in pixels\n"),
              std::string::npos)
        << console.text();
    EXPECT_EQ(read_file(path), "! ZYT_VUZOV PARAMETER FILE\nthe earlier parameter file\n");
    EXPECT_EQ(files_in(dir.path()), (std::vector<std::string>{"events.txt", "recon.par"}));
}

// Names that cannot be used are warned about on a panel and asked again: a
// cancel before any name was chosen, a device, the home of an unknown user.
TEST_F(ParameterFile, NamesThatCannotBeUsedAreAskedAgain)
{
    const std::string good = dir.file("recon.par");
    open("click \"CANCEL\"\nclick \"O.K.\"\n" + choose("/dev/full") + "click \"O.K.\"\n" +
         choose("~no_such_user_zyt/recon.par") + "click \"O.K.\"\n" + choose(good));
    ConsoleCapture console;
    ZYT_SAVE_PARAMETERS(full_series(), status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_EQ(read_file(good), expected("projection_series.par"));
    // The panel's warnings are all: no console lines for the cancel.
    EXPECT_EQ(console.text(), "WARNING: Problem obtaining home directory information\n"
                              "WARNING: Problem obtaining home directory information\n"
                              "WARNING: Problem translating:\n"
                              "~no_such_user_zyt/recon.par\n");
}
