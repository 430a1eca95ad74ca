// Whole runs of the program, headless from event scripts, on projection
// series written by zyt_phantom: from the title to a written parameter file
// with a measured rotation axis, and every way a run can be cancelled.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>

#include "e2e_support.h"
#include "ps_render.h"

using zyt_test::read_file;
using zyt_test::TempDir;
using zyt_e2e::last_line;
using zyt_e2e::replaced;
using zyt_e2e::run;
using zyt_e2e::trimmed_lines;

namespace {

const std::string e2e = ZYT_E2E_DIR;
constexpr float VERTICAL_AXIS = 66.4f;
constexpr float HORIZONTAL_AXIS = 60.7f;

// The axis position written to the parameter file.
float written_axis(const std::string& par)
{
    for (const std::string& line : zyt_test::split_lines(par))
        if (line.rfind("ROTATION_AXIS_POSITION =", 0) == 0)
            return std::stof(line.substr(std::string("ROTATION_AXIS_POSITION =").size()));
    return NAN;
}

// What a run answers; the script follows the questions in their order.
struct Route
{
    std::string series;
    std::string first = "proj_0001.tif";
    std::string last = "proj_0090.tif";
    bool background = false;
    bool flat = false;
    bool changing_flat = false;
    bool horizontal = false;
    bool reject_once = false; // a wrong background and flat-field shown first, and refused
    std::string rectangle = "point 10.2 5.7\npoint 100.6 50.4\n"; // on the first projection
    std::string wrong_size;   // a file of another size offered first for the last and 180 images
    std::string image180 = "proj_0091.tif";
    std::string axis_lines = "point 5 10.2\npoint 120 110.7\n"; // on the 180-degree image
    std::string cancel_at; // the question where CANCEL is clicked, or none
    std::string at_axis;   // events at the axis question before its O.K.
};

std::string script(const Route& r)
{
    std::ostringstream s;
    auto question = [&](const std::string& name) { return r.cancel_at == name; };
    auto file = [&](const std::string& name) {
        s << "key ClearLine\ntext \"" << r.series << "/" << name << "\"\nclick \"O.K.\"\n";
    };
    if (question("sinograms")) return "click \"CANCEL\"\n";
    s << "click \"NO\"\n";
    if (question("first")) return s.str() + "click \"CANCEL\"\n";
    file(r.first);
    if (question("rectangle")) return s.str() + "click \"CANCEL\"\n";
    s << r.rectangle;
    if (question("last")) return s.str() + "click \"CANCEL\"\n";
    const auto refused_size = [&] {
        if (!r.wrong_size.empty()) file(r.wrong_size), s << "click \"O.K.\"\n";
    };
    refused_size();
    file(r.last);
    if (question("form")) return s.str() + "click \"CANCEL\"\n";
    if (r.background) s << "click \"- BACKGROUND\"\n";
    if (r.flat) s << "click \"FLAT-FIELD\"\n";
    if (r.horizontal) s << "click \"VERT. ROTATION\"\n";
    s << "click \"O.K.\"\nclick \"O.K.\"\n";
    if (question("depth")) return s.str() + "click \"CANCEL\"\n";
    s << "point 20 10\npoint 110.2 120.3\n";
    if (r.background) {
        if (question("background")) return s.str() + "click \"CANCEL\"\n";
        if (r.reject_once) file("proj_0002.tif"), s << "click \"NO\"\n";
        file("proj_dark.tif");
        s << "click \"YES\"\n";
    }
    if (r.flat) {
        if (question("flat")) return s.str() + "click \"CANCEL\"\n";
        s << (r.changing_flat ? "click \"YES\"\n" : "click \"NO\"\n");
        if (r.reject_once) file("proj_0002.tif"), s << "click \"NO\"\n";
        file(r.changing_flat ? "flat_0001.tif" : "proj_flat.tif");
        s << "click \"YES\"\n";
        if (r.changing_flat) {
            file("flat_0003.tif");
            s << "click \"YES\"\nkey ClearLine\ntext \"2\"\n";
        }
    }
    if (question("180")) return s.str() + "click \"CANCEL\"\n";
    refused_size();
    file(r.image180);
    s << "click \"YES\"\n" << r.axis_lines;
    if (question("axis")) return s.str() + "click \"CANCEL\"\n";
    s << r.at_axis << "click \"O.K.\"\nkey ClearLine\ntext \"recon.par\"\n";
    return s.str();
}

class ProjectionRoute : public ::testing::Test
{
protected:
    // Two series for all the runs: a vertical axis and a horizontal one, with
    // noise, dark and flat; and a changing flat-field series beside them.
    static void SetUpTestSuite()
    {
        series_ = new TempDir;
        for (const auto& [name, options] :
             {std::pair<std::string, std::string>{"vertical", "--axis 66.4"},
              {"horizontal", "--horizontal --axis 60.7"},
             {"small", "--size 64 --projections 2"}}) {
            const zyt_test::CommandResult r = zyt_e2e::phantom(
                "--size 128 --projections 90 --seed 3 " + options, series_->file(name));
            ASSERT_EQ(r.exit_status, 0) << r.output;
        }
        for (const char* flat : {"flat_0001.tif", "flat_0002.tif", "flat_0003.tif"})
            std::filesystem::copy_file(series_->file("vertical/proj_flat.tif"),
                                       series_->file(std::string("vertical/") + flat));
    }
    static void TearDownTestSuite()
    {
        delete series_;
        series_ = nullptr;
    }
    static std::string series(const std::string& name) { return series_->file(name); }

    TempDir dir;

private:
    static TempDir* series_;
};

TempDir* ProjectionRoute::series_ = nullptr;

} // namespace

// The documented script: every question answered, the parameter file line
// for line, the axis within 0.05 pixel of the truth, the defaults remembered.
TEST_F(ProjectionRoute, FromTheTitleToAParameterFileWithTheMeasuredAxis)
{
    const std::string events =
        replaced(read_file(e2e + "/projection_route.events"), "@SERIES@", series("vertical"));
    const zyt_test::CommandResult r = run(dir, events);
    ASSERT_EQ(r.exit_status, 0) << r.output;
    EXPECT_NE(r.output.find("ZYT_ZEVUZA Exited"), std::string::npos) << r.output;
    const std::string par = read_file(dir.file("recon.par"));
    std::vector<std::string> got = trimmed_lines(par);
    std::vector<std::string> expected = trimmed_lines(replaced(
        read_file(e2e + "/expected/projection_route.par"), "@SERIES@", series("vertical")));
    ASSERT_EQ(got.size(), expected.size()) << par;
    for (std::size_t k = 0; k < got.size(); ++k) {
        if (expected[k].rfind("ROTATION_AXIS_POSITION", 0) == 0) continue;
        EXPECT_EQ(got[k], expected[k]) << "line " << k + 1;
    }
    EXPECT_NEAR(written_axis(par), VERTICAL_AXIS, 0.05f) << par;
    EXPECT_NE(r.output.find("INFO: Average rotation axis position = "), std::string::npos);
    EXPECT_NE(r.output.find("INFO: Axis tilt = "), std::string::npos);
    EXPECT_EQ(read_file(dir.file("home/.zyt.def")),
              replaced(read_file(e2e + "/expected/projection_route.def"), "@SERIES@",
                       series("vertical")));
}

TEST_F(ProjectionRoute, WithoutCorrectionsAndWithAChangingFlatField)
{
    Route plain;
    plain.series = series("vertical");
    zyt_test::CommandResult r = run(dir, script(plain));
    ASSERT_EQ(r.exit_status, 0) << r.output;
    std::string par = read_file(dir.file("recon.par"));
    EXPECT_NE(par.find("SUBTRACT_BACKGROUND = NO ! No background subtraction"), std::string::npos);
    EXPECT_NE(par.find("BACKGROUND_FILE = N.A."), std::string::npos);
    EXPECT_NE(par.find("CORRECT_FLATFIELD = NO"), std::string::npos);
    EXPECT_NE(par.find("ANGLE_BETWEEN_PROJECTIONS =    2.000000 !"), std::string::npos) << par;
    // Without the flat-field the gradient of the beam pulls the axis: it is
    // measured, but not to the truth.
    EXPECT_TRUE(std::isfinite(written_axis(par)));

    Route changing = plain;
    changing.background = changing.flat = changing.changing_flat = true;
    TempDir second;
    r = run(second, script(changing));
    ASSERT_EQ(r.exit_status, 0) << r.output;
    par = read_file(second.file("recon.par"));
    for (const std::string& line : trimmed_lines(par)) {
        if (line.rfind("FF_", 0) != 0 && line.rfind("FLATFIELD_CHANGING", 0) != 0) continue;
        EXPECT_EQ(line.find("N.A."), std::string::npos) << line;
    }
    EXPECT_NE(par.find("FLATFIELD_CHANGING = YES"), std::string::npos) << par;
    EXPECT_NE(par.find("FF_PREFIX = " + series("vertical") + "/flat_"), std::string::npos);
    EXPECT_NE(par.find("FF_NUM_FIRST_IMAGE =      1"), std::string::npos) << par;
    EXPECT_NE(par.find("FF_NUM_LAST_IMAGE =      3"), std::string::npos) << par;
    EXPECT_NE(par.find("FF_FILE_INTERVAL =      2"), std::string::npos) << par;
    EXPECT_NEAR(written_axis(par), VERTICAL_AXIS, 0.05f) << par;
}

TEST_F(ProjectionRoute, ADescendingSeriesAndAHorizontalAxis)
{
    Route descending;
    descending.series = series("vertical");
    descending.first = "proj_0090.tif";
    descending.last = "proj_0001.tif";
    descending.background = descending.flat = true;
    zyt_test::CommandResult r = run(dir, script(descending));
    ASSERT_EQ(r.exit_status, 0) << r.output;
    std::string par = read_file(dir.file("recon.par"));
    EXPECT_NE(par.find("NUM_FIRST_IMAGE =     90 !"), std::string::npos) << par;
    EXPECT_NE(par.find("NUM_LAST_IMAGE =      1 !"), std::string::npos) << par;
    EXPECT_NE(par.find("FILE_INTERVAL =     -1 !"), std::string::npos) << par;
    EXPECT_NE(par.find("OUTPUT_FILE = " + series("vertical") + "/proj_0090.vol"),
              std::string::npos);

    Route horizontal;
    horizontal.series = series("horizontal");
    horizontal.background = horizontal.flat = horizontal.horizontal = true;
    TempDir second;
    r = run(second, script(horizontal));
    ASSERT_EQ(r.exit_status, 0) << r.output;
    par = read_file(second.file("recon.par"));
    EXPECT_NE(par.find("ROTATION_VERTICAL = NO"), std::string::npos) << par;
    EXPECT_NEAR(written_axis(par), HORIZONTAL_AXIS, 0.05f) << par;
    // The depth is read across the 90-degree image's rows for a horizontal
    // axis: rows 10 .. 120 give voxels 128 - 120 + 1 = 9 .. 128 - 10 = 118.
    EXPECT_NE(par.find("START_VOXEL_2 =      9 !"), std::string::npos) << par;
    EXPECT_NE(par.find("END_VOXEL_2 =    118 !"), std::string::npos) << par;
}

// A NO to "IS THE IMAGE INPUT O.K." offers the panel again: the images
// accepted afterwards are the ones used and written.
TEST_F(ProjectionRoute, ARefusedBackgroundOrFlatFieldIsChosenAgain)
{
    Route r;
    r.series = series("vertical");
    r.background = r.flat = r.reject_once = true;
    const zyt_test::CommandResult result = run(dir, script(r));
    ASSERT_EQ(result.exit_status, 0) << result.output;
    const std::string par = read_file(dir.file("recon.par"));
    EXPECT_NE(par.find("BACKGROUND_FILE = " + series("vertical") + "/proj_dark.tif"),
              std::string::npos)
        << par;
    EXPECT_NE(par.find("FLATFIELD_FILE = " + series("vertical") + "/proj_flat.tif"),
              std::string::npos)
        << par;
    EXPECT_NEAR(written_axis(par), VERTICAL_AXIS, 0.05f) << par;
}

// Images of another size than the first projection are refused with a
// warning and asked for again; corners typed on the keyboard far outside
// the image give the whole image, never voxels outside it.
TEST_F(ProjectionRoute, ImagesOfAnotherSizeAndCornersOutsideTheImage)
{
    Route r;
    r.series = series("vertical");
    r.background = r.flat = true;
    r.wrong_size = "../small/proj_0001.tif";
    r.rectangle = "click \"KEYBOARD\"\nkey ClearLine\ntext \"-5000\"\nkey ClearLine\ntext \"-20\"\n"
                  "click \"KEYBOARD\"\nkey ClearLine\ntext \"5000\"\nkey ClearLine\ntext \"99999\"\n";
    const zyt_test::CommandResult result = run(dir, script(r));
    ASSERT_EQ(result.exit_status, 0) << result.output;
    const std::string refused = "WARNING: The image has 64 * 64 pixels, the first projection 128 * 128";
    std::size_t times = 0;
    for (std::size_t at = result.output.find(refused); at != std::string::npos;
         at = result.output.find(refused, at + 1))
        ++times;
    EXPECT_EQ(times, 2u) << result.output;
    const std::string par = read_file(dir.file("recon.par"));
    EXPECT_NE(par.find("NUM_IMAGE_1 =    128 !"), std::string::npos) << par;
    EXPECT_NE(par.find("START_VOXEL_1 =      1 !"), std::string::npos) << par;
    EXPECT_NE(par.find("END_VOXEL_1 =    128 !"), std::string::npos) << par;
    EXPECT_NE(par.find("START_VOXEL_3 =      1 !"), std::string::npos) << par;
    EXPECT_NE(par.find("END_VOXEL_3 =    128 !"), std::string::npos) << par;
    EXPECT_NEAR(written_axis(par), VERTICAL_AXIS, 0.05f) << par;
}

// Images larger than any fixed array, and tall ones: every pixel is read,
// so the sizes, the angle and the axis in the file are the images' own.
TEST_F(ProjectionRoute, ImagesOfTodaysCamerasAndTallImagesAreReadWhole)
{
    struct Camera
    {
        const char* size;
        float axis;
        bool horizontal;
        const char* lines; // on the 180-degree image, within the object
    };
    for (const Camera& c : {Camera{"2560x2160", 1281.37f, false, "point 5 1000.2\npoint 9 1100.7\n"},
                            Camera{"300x3000", 1500.6f, true, "point 140.2 8\npoint 160.7 9\n"}}) {
        TempDir run_dir;
        ASSERT_EQ(zyt_e2e::phantom(std::string("--projections 2 --subsamples 1 --noise 0 --size ") +
                                       c.size + " --axis " + std::to_string(c.axis) +
                                       (c.horizontal ? " --horizontal" : ""),
                                   run_dir.file("series"))
                      .exit_status,
                  0);
        Route r;
        r.series = run_dir.file("series");
        r.last = "proj_0002.tif";
        r.image180 = "proj_0003.tif";
        r.background = r.flat = true;
        r.horizontal = c.horizontal;
        r.axis_lines = c.lines;
        const zyt_test::CommandResult result = run(run_dir, script(r));
        ASSERT_EQ(result.exit_status, 0) << c.size << "\n" << result.output;
        const std::string par = read_file(run_dir.file("recon.par"));
        const std::string width(c.size, std::string_view(c.size).find('x'));
        const std::string height = std::string(c.size).substr(width.size() + 1);
        EXPECT_NE(par.find("NUM_IMAGE_1 = " + std::string(6 - width.size(), ' ') + width + " !"),
                  std::string::npos)
            << par;
        EXPECT_NE(par.find("NUM_IMAGE_2 = " + std::string(6 - height.size(), ' ') + height + " !"),
                  std::string::npos)
            << par;
        EXPECT_NE(par.find("ANGLE_BETWEEN_PROJECTIONS =   90.000000 !"), std::string::npos) << par;
        EXPECT_NEAR(written_axis(par), c.axis, 0.05f) << c.size << "\n" << par;
    }
}

// An image the memory left cannot hold is refused with a warning that says
// so, and another file is asked for: the run goes on, it does not crash.
TEST_F(ProjectionRoute, AnImageTooLargeForTheMemoryLeftIsRefusedAndAnotherAsked)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#else
    // A raw file of 16384 x 16384 bytes that takes no room on the disk; its
    // image would need 1 GB of reals, beyond the limit the run is given.
    for (const auto& [name, side] : {std::pair<std::string, int>{"big", 16384}, {"small", 4}}) {
        zyt_test::write_file(dir.file(name + ".bin.info"),
                             "Image\nSize = " + std::to_string(side) + " " +
                                 std::to_string(side) + "\nBytes = 1 (unsigned)\nOrder = little endian\n");
        zyt_test::write_file(dir.file(name + ".bin"), "");
        std::filesystem::resize_file(dir.file(name + ".bin"), static_cast<std::uintmax_t>(side) * side);
    }
    const std::string events = "click \"NO\"\n"
                               "key ClearLine\ntext \"big.bin\"\nclick \"O.K.\"\nclick \"O.K.\"\n"
                               "key ClearLine\ntext \"small.bin\"\nclick \"O.K.\"\n"
                               "click \"CANCEL\"\n";
    const zyt_test::CommandResult result =
        run(dir, events, "cd '" + dir.path().string() + "' && ulimit -v 400000");
    EXPECT_EQ(result.exit_status, 0) << result.output;
    EXPECT_NE(result.output.find("WARNING: Not enough memory left for an image of 16384 * 16384 "
                                 "pixels (1024 MB): it is not input"),
              std::string::npos)
        << result.output;
    // The small image was read and shown: its rectangle question was cancelled.
    EXPECT_NE(result.output.find("GRAPHICAL INPUT:\n<CANCEL>"), std::string::npos) << result.output;
    EXPECT_EQ(last_line(result.output), "WARNING: File input cancelled by user: End of ZYT_ZEVUZA")
        << result.output;
#endif
}

// A question of two points finished with fewer is asked again, on the first
// projection as on the 180-degree image: no voxel range or line range is
// made of one point or none.
TEST_F(ProjectionRoute, TwoPointsAreAskedForUntilTwoAreGiven)
{
    Route r;
    r.series = series("vertical");
    r.background = r.flat = true;
    r.rectangle = "point 10.2 5.7\nclick \"(Click here to finish)\"\n"
                  "point 10.2 5.7\npoint 100.6 50.4\n";
    r.axis_lines = "click \"(Click here to finish)\"\npoint 5 10.2\npoint 120 110.7\n";
    const zyt_test::CommandResult result = run(dir, script(r));
    ASSERT_EQ(result.exit_status, 0) << result.output;
    EXPECT_NE(result.output.find("WARNING: Two points are needed, 1 given: the question is asked "
                                 "again"),
              std::string::npos)
        << result.output;
    EXPECT_NE(result.output.find("WARNING: Two points are needed, 0 given"), std::string::npos);
    const std::string par = read_file(dir.file("recon.par"));
    EXPECT_NE(par.find("START_VOXEL_1 =     11 !"), std::string::npos) << par;
    EXPECT_NE(par.find("END_VOXEL_1 =    101 !"), std::string::npos) << par;
    EXPECT_NEAR(written_axis(par), VERTICAL_AXIS, 0.05f) << par;
}

// Pixel sizes that the first projection's file carries (here the ".info"
// beside raw images) are the ones offered on form 2 and written.
TEST_F(ProjectionRoute, PixelSizesFoundInTheFirstFileAreOffered)
{
    for (int n = 1; n <= 3; ++n) {
        const std::string name = dir.file("raw_000" + std::to_string(n) + ".bin");
        std::string pixels;
        for (int k = 0; k < 16 * 16; ++k) pixels.push_back(static_cast<char>(k % 16 + k / 16 + n));
        zyt_test::write_file(name, pixels);
        zyt_test::write_file(name + ".info", "Image\nSize = 16 16\nBytes = 1 (unsigned)\n"
                                             "Order = little endian\nX pixel = 6.5\nY pixel = 7.5\n");
    }
    const std::string raw = "key ClearLine\ntext \"raw_000";
    const std::string events = "click \"NO\"\n" + raw + "1.bin\"\nclick \"O.K.\"\npoint 2 2\npoint 9 9\n" +
                               raw + "2.bin\"\nclick \"O.K.\"\nclick \"O.K.\"\nclick \"O.K.\"\n"
                               "point 2 2\npoint 9 9\n" +
                               raw + "3.bin\"\nclick \"O.K.\"\nclick \"YES\"\npoint 2 2\npoint 9 9\n"
                               "click \"O.K.\"\nkey ClearLine\ntext \"recon.par\"\n";
    const zyt_test::CommandResult result = run(dir, events);
    ASSERT_EQ(result.exit_status, 0) << result.output;
    const std::string par = read_file(dir.file("recon.par"));
    EXPECT_NE(par.find("IMAGE_PIXEL_SIZE_1 =      6.50000 !"), std::string::npos) << par;
    EXPECT_NE(par.find("IMAGE_PIXEL_SIZE_2 =      7.50000 !"), std::string::npos) << par;
}

// A run that cannot go on stops with a failure, and says which file:
// a first projection that cannot be read, a last one that makes no series
// with it, a 90-degree image whose number no name of the series can hold.
TEST_F(ProjectionRoute, AFileThatCannotBeHadEndsTheRunAsAFailure)
{
    zyt_test::write_file(dir.file("broken_0001.tif"), "II*\0 this is not an image");
    Route broken;
    broken.series = dir.path().string();
    broken.first = "broken_0001.tif";
    Route no_series;
    no_series.series = series("vertical");
    no_series.last = "proj_dark.tif";
    const auto tiny_angle = [&](const char* degrees) {
        Route r;
        r.series = series("vertical");
        return replaced(script(r), "click \"O.K.\"\nclick \"O.K.\"\npoint 20 10",
                        std::string("click \"O.K.\"\nclick \"INCREMENT ANGLE\"\nkey ClearLine\n"
                                    "text \"") +
                            degrees + "\"\nclick \"O.K.\"\npoint 20 10");
    };
    const std::pair<std::string, std::string> runs[] = {
        {script(broken), "WARNING: File input failed: " + dir.file("broken_0001.tif")},
        {script(no_series), "WARNING: COULD NOT DEDUCE REQUIRED FILE SEQUENCE"},
        {tiny_angle("0.000001"), "WARNING: File input failed: image number 8999"},
        {tiny_angle("1e-30"), "WARNING: File input failed: image number 8.999"}};
    for (const auto& [events, message] : runs) {
        TempDir run_dir;
        const zyt_test::CommandResult result = run(run_dir, events);
        EXPECT_EQ(result.exit_status, 1) << result.output;
        EXPECT_EQ(last_line(result.output).rfind(message, 0), 0u) << result.output;
        if (message.find("image number") != std::string::npos) {
            EXPECT_TRUE(last_line(result.output).ends_with(" of the series has no file name"));
        }
        EXPECT_FALSE(std::filesystem::exists(run_dir.file("recon.par")));
    }
}

// A cancel at any question ends the run with that question's message: no
// parameter file, and the defaults file as it was.
TEST_F(ProjectionRoute, ACancelAtEveryQuestion)
{
    const std::string defaults =
        "DATABASE DEFAULT VALUES FILE\n!!! DO NOT ALTER YOURSELF !!!\nFILE_INTERVAL\n1\n";
    const std::pair<const char*, const char*> cancels[] = {
        {"first", "WARNING: File input cancelled by user: End of ZYT_ZEVUZA"},
        {"rectangle", "WARNING: File input cancelled by user: End of ZYT_ZEVUZA"},
        {"last", "WARNING: File input cancelled by user: End of ZYT_ZEVUZA"},
        {"form", "WARNING: Parameter input cancelled by user: End of ZYT_ZEVUZA"},
        {"depth", "WARNING: File input cancelled by user: End of ZYT_ZEVUZA"},
        {"background", "WARNING: Background input cancelled by user: End Of ZYT_ZEVUZA"},
        {"flat", "WARNING: Flat-field input cancelled by user: End Of ZYT_ZEVUZA"},
        {"180", "WARNING: Parameter input cancelled by user: End of ZYT_ZEVUZA"},
        {"axis", "WARNING: Parameter input cancelled by user: End of ZYT_ZEVUZA"}};
    for (const auto& [where, message] : cancels) {
        TempDir run_dir;
        std::filesystem::create_directories(run_dir.file("home"));
        zyt_test::write_file(run_dir.file("home/.zyt.def"), defaults);
        Route r;
        r.series = series("vertical");
        r.background = r.flat = true;
        r.cancel_at = where;
        const zyt_test::CommandResult result = run(run_dir, script(r));
        EXPECT_EQ(result.exit_status, 0) << where << "\n" << result.output;
        EXPECT_EQ(last_line(result.output).rfind(message, 0), 0u) << where << "\n"
                                                                    << result.output;
        EXPECT_FALSE(std::filesystem::exists(run_dir.file("recon.par"))) << where;
        EXPECT_EQ(read_file(run_dir.file("home/.zyt.def")), defaults) << where;
    }
}

// Whatever the defaults file says, the parameter file holds values that the
// forms accept: remembered values out of range are taken at the nearest bound.
TEST_F(ProjectionRoute, RememberedValuesOutOfRangeAreBroughtIntoRange)
{
    std::filesystem::create_directories(dir.file("home"));
    zyt_test::write_file(dir.file("home/.zyt.def"),
                         "DATABASE DEFAULT VALUES FILE\n!!! DO NOT ALTER YOURSELF !!!\n"
                         "FILE_INTERVAL\n-2147483648\nCACHE_KILOBYTES\n1234567\n"
                         "X_PIXEL_SIZE\n3.4E38\nY_PIXEL_SIZE\n-1\nOVER-SAMPLING\n-5\n");
    Route r;
    r.series = series("vertical");
    const zyt_test::CommandResult result = run(dir, script(r));
    EXPECT_EQ(result.exit_status, 0) << result.output;
    const std::string text = read_file(dir.file("recon.par"));
    EXPECT_EQ(text.find('*'), std::string::npos) << text;
    EXPECT_NE(text.find("FILE_INTERVAL =      1 !"), std::string::npos) << text;
    EXPECT_NE(text.find("CACHE_KILOBYTES =   8192 !"), std::string::npos);
    // 1000 micrometres held in metres in single precision.
    EXPECT_NE(text.find("IMAGE_PIXEL_SIZE_1 =   1000.000"), std::string::npos);
    EXPECT_NE(text.find("IMAGE_PIXEL_SIZE_2 =      0.01000 !"), std::string::npos);
    EXPECT_NE(text.find("OVERSAMPLING_FACTOR =  0 !"), std::string::npos);
}

// Started in a directory that has been removed, the parameter file is asked
// for on the panel, which opens in the home directory.
TEST_F(ProjectionRoute, StartedInARemovedDirectory)
{
    std::filesystem::create_directories(dir.file("gone"));
    const std::string gone = "cd '" + dir.file("gone") + "' && rmdir '" + dir.file("gone") + "'";
    Route r;
    r.series = series("vertical");
    const zyt_test::CommandResult result = run(dir, script(r), gone);
    EXPECT_EQ(result.exit_status, 0) << result.output;
    EXPECT_NE(result.output.find("WARNING: Can't find out current directory"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir.file("home/recon.par"))) << result.output;
}

// A parameter file named as an existing file that is not a parameter file
// (here an image of the series) is written there only when the user says
// so: NO keeps the image and asks for another name.
TEST_F(ProjectionRoute, AnImageIsNotOverwrittenByTheParameterFile)
{
    std::filesystem::copy_file(series("vertical") + "/proj_0002.tif", dir.file("image.tif"));
    const std::string image = read_file(dir.file("image.tif"));
    Route r;
    r.series = series("vertical");
    const std::string events =
        replaced(script(r), "text \"recon.par\"\n",
                 "text \"image.tif\"\nclick \"NO\"\nkey ClearLine\ntext \"recon.par\"\n");
    const zyt_test::CommandResult result = run(dir, events);
    ASSERT_EQ(result.exit_status, 0) << result.output;
    EXPECT_EQ(read_file(dir.file("image.tif")), image);
    EXPECT_EQ(read_file(dir.file("recon.par")).rfind("! ZYT_VUZOV PARAMETER FILE\n", 0), 0u);
}

TEST_F(ProjectionRoute, TheFirstQuestionCancelledAndAScriptThatEndsEarly)
{
    Route r;
    r.cancel_at = "sinograms";
    zyt_test::CommandResult result = run(dir, script(r));
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_NE(result.output.find("ZYT_ZEVUZA cancelled"), std::string::npos) << result.output;
    EXPECT_EQ(result.output.find("ZYT_ZEVUZA Exited"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("home/.zyt.def")));

    result = run(dir, "click \"NO\"\n");
    EXPECT_NE(result.output.find("ERROR: Event script ended while input was awaited"),
              std::string::npos)
        << result.output;
    EXPECT_EQ(last_line(result.output), "WARNING: File input cancelled by user: End of ZYT_ZEVUZA")
        << result.output;
    EXPECT_FALSE(std::filesystem::exists(dir.file("recon.par")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("home/.zyt.def")));
}

// Every page of a route through a background, a changing flat-field and
// their notes, with a help text, drawn whole again after its window was
// resized (the points already given too): resized away and back, it is the
// page it was.
TEST_F(ProjectionRoute, EveryPageIsDrawnWholeAfterAResize)
{
    Route route;
    route.series = series("vertical");
    route.background = route.flat = route.changing_flat = true;
    std::string events = "click \"HELP\"\nclick \"O.K.\"\n" + script(route);
    const int waits = zyt_e2e::resized_at_every_wait(events, dir.file(""));
    const zyt_test::CommandResult r = run(dir, events);
    ASSERT_EQ(r.exit_status, 0) << r.output;
    EXPECT_EQ(zyt_e2e::pages_changed_by_resizing(dir.file(""), waits), std::vector<std::string>{});
}

// "TEST SLICE" at the axis question: the slices about the value offered,
// then about a value typed, which is then accepted and written. The line is
// read once for both; a series with a projection missing abandons the test
// slice with its name, and the run goes on.
TEST_F(ProjectionRoute, TestSlicesBeforeTheAxisIsAccepted)
{
    Route route;
    route.series = series("vertical");
    route.background = route.flat = true;
    route.at_axis = "click \"TEST SLICE\"\nclick \"O.K.\"\nclick 0.5 0.5\n"
                    "key ClearLine\ntab \"66.9\"\nclick \"TEST SLICE\"\n"
                    "key ClearLine\ntab \"0.25\"\nclick \"O.K.\"\nkey Return\n";
    zyt_test::CommandResult r = run(dir, script(route));
    ASSERT_EQ(r.exit_status, 0) << r.output;
    EXPECT_NEAR(written_axis(read_file(dir.file("recon.par"))), 66.9f, 1e-4f);
    const auto count = [&](const std::string& text) {
        std::size_t n = 0;
        for (std::size_t at = r.output.find(text); at != std::string::npos;
             at = r.output.find(text, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("INFO: Reading row 61 of 90 projections for the test slices"), 1u)
        << r.output;
    EXPECT_EQ(count("INFO: Test slice at axis "), 10u) << r.output;
    // The second five about the value typed, a quarter of a pixel apart.
    for (const char* axis : {"66.400", "66.650", "66.900", "67.150", "67.400"})
        EXPECT_NE(r.output.find(std::string("INFO: Test slice at axis      ") + axis),
                  std::string::npos)
            << axis << "\n" << r.output;
    EXPECT_NE(read_file(dir.file("home/.zyt.def")).find("TEST_SLICE_STEP"), std::string::npos)
        << "the step is remembered";

    std::filesystem::copy(series("vertical"), dir.file("gap"),
                          std::filesystem::copy_options::recursive);
    std::filesystem::remove(dir.file("gap/proj_0033.tif"));
    route.series = dir.file("gap");
    route.at_axis = "click \"TEST SLICE\"\nclick \"O.K.\"\nclick \"O.K.\"\n";
    TempDir second;
    r = run(second, script(route));
    ASSERT_EQ(r.exit_status, 0) << r.output;
    EXPECT_NE(r.output.find("WARNING: Cannot read the line from the projection " +
                            dir.file("gap/proj_0033.tif")),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("WARNING: The test slice is abandoned"), std::string::npos);
    EXPECT_NEAR(written_axis(read_file(second.file("recon.par"))), VERTICAL_AXIS, 0.05f);
}

// The information of the axis question reads at the default size: its 18
// lines at least 11 pixels apart (text of 9 pixels), the first one clear of
// the box's border.
TEST_F(ProjectionRoute, TheAxisQuestionShowsItsInformationReadably)
{
    Route r;
    r.series = series("vertical");
    const std::string shot = dir.file("axis");
    const zyt_test::CommandResult run_result =
        run(dir, replaced(script(r), "point 120 110.7\n",
                          "point 120 110.7\nsnapshot \"" + shot + "\"\n"));
    ASSERT_EQ(run_result.exit_status, 0) << run_result.output;
    const zyt_test::Picture page(shot + ".png");
    ASSERT_TRUE(page.ok());
    auto dark = [&](int x, int y) {
        const unsigned p = page.at(x, y);
        return ((p >> 16) & 255) < 0x80 && ((p >> 8) & 255) < 0x80 && (p & 255) < 0x80;
    };
    // The information box: blue-framed, between the question's strip (the
    // foot of the page, 0.15 of its width high) and the graph.
    const int mid = page.width() / 2;
    int bottom = page.height() - static_cast<int>(0.15f * page.height() / 1.414214f) - 1;
    while (bottom > 0 && page.at(mid, bottom) != 0x0000ffu) --bottom;
    int border = bottom - 1;
    while (border > 0 && page.at(mid, border) != 0x0000ffu) --border;
    std::vector<int> line_tops;
    bool in_line = false;
    for (int y = border + 1; y < bottom; ++y) {
        bool ink = false;
        for (int x = 10; x < page.width() - 10 && !ink; ++x) ink = dark(x, y);
        if (ink && !in_line) line_tops.push_back(y);
        in_line = ink;
    }
    ASSERT_GE(line_tops.size(), 15u) << "lines of text found";
    EXPECT_GE(line_tops.front() - border, 2);
    EXPECT_GE(static_cast<float>(line_tops.back() - line_tops.front()) / 17.0f, 11.0f);
}
