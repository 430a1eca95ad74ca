// Whole runs of the sinogram route, headless from event scripts, on sinogram
// series written by zyt_phantom --sinograms: the first sinogram read and
// shown, the series deduced from two names, the forms, and the parameter
// file that the route writes itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "e2e_support.h"

using zyt_e2e::last_line;
using zyt_e2e::replaced;
using zyt_e2e::run;
using zyt_e2e::trimmed_lines;
using zyt_test::read_file;
using zyt_test::TempDir;

namespace {

const std::string e2e = ZYT_E2E_DIR;
const std::string defaults =
    "DATABASE DEFAULT VALUES FILE\n!!! DO NOT ALTER YOURSELF !!!\nSINO_INTERVAL\n1\n";

// What a run answers; the script follows the questions in their order.
struct Route
{
    std::string series;
    std::string first = "sino_0001.tif";
    std::string last = "sino_0999.tif"; // empty: the last panel is cancelled
    std::string cancel_at;              // the question where CANCEL is clicked, or none
    std::string refused;                // a sinogram shown first and refused, or none
    bool region_form = true;            // a TIFF file is read through the region form
};

std::string script(const Route& r)
{
    std::ostringstream s;
    const auto cancel = [&](const std::string& name) { return r.cancel_at == name; };
    s << "click \"YES\"\n";
    if (cancel("first")) return s.str() + "click \"CANCEL\"\n";
    if (!r.refused.empty())
        s << "key ClearLine\ntext \"" << r.series << "/" << r.refused
          << "\"\nclick \"O.K.\"\nclick \"NO\"\n";
    s << "key ClearLine\ntext \"" << r.series << "/" << r.first << "\"\n";
    if (r.region_form) s << "click \"O.K.\"\n";
    if (cancel("shown")) return s.str() + "click \"CANCEL\"\n";
    s << "click \"YES\"\n";
    if (r.last.empty())
        s << "click \"CANCEL\"\n";
    else
        s << "key ClearLine\ntext \"" << r.series << "/" << r.last << "\"\n";
    if (cancel("form 1")) return s.str() + "click \"CANCEL\"\n";
    s << "click \"O.K.\"\n";
    if (cancel("form 2")) return s.str() + "click \"CANCEL\"\n";
    s << "click \"O.K.\"\nkey ClearLine\ntext \"recon.par\"\n";
    return s.str();
}

// A one-image KDF file of 16-bit pixels, little-endian: a text header of
// "KEYWORD = value;" lines between braces, padded with blanks to a whole
// 1024-byte block, then the pixels row by row (a ramp along X).
void write_kdf(const std::string& path, int width, int height)
{
    std::ostringstream header;
    header << "{\nHEADER_BYTES = 1024;\nBYTEORDER = LOWBYTEFIRST;\nDATATYPE = UNSIGNEDSHORT;\n"
           << "COMPRESSION = NONE;\nDIM_1 = " << width << ";\nDIM_2 = " << height
           << ";\nSIZE = " << 2 * width * height << ";\nIMAGE = 1;\n}\n";
    std::string bytes = header.str();
    bytes.resize(1024, ' ');
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i) {
            const int value = 100 * i + j;
            bytes.push_back(static_cast<char>(value & 0xFF));
            bytes.push_back(static_cast<char>(value >> 8));
        }
    zyt_test::write_file(path, bytes);
}

// The value of a key line of the parameter file, as written.
std::string value_of(const std::string& par, const std::string& key)
{
    for (const std::string& line : trimmed_lines(par))
        if (line.rfind(key + " = ", 0) == 0) return line.substr(key.size() + 3);
    return "(no " + key + " line)";
}

class SinogramRoute : public ::testing::Test
{
protected:
    // One series for all the runs: 999 sinograms of 900 projections, the
    // smallest object the phantom makes, sampled once a pixel.
    static void SetUpTestSuite()
    {
        series_ = new TempDir;
        const zyt_test::CommandResult r = zyt_e2e::phantom(
            "--sinograms --size 16x999 --projections 900 --subsamples 1 --axis 8.3",
            series_->path().string());
        ASSERT_EQ(r.exit_status, 0) << r.output;
    }
    static void TearDownTestSuite()
    {
        delete series_;
        series_ = nullptr;
    }
    static std::string series() { return series_->path().string(); }

    TempDir dir;

private:
    static TempDir* series_;
};

TempDir* SinogramRoute::series_ = nullptr;

} // namespace

// The documented script: the parameter file line for line, the defaults
// remembered, and no second file from the main sequence.
TEST_F(SinogramRoute, FromTheTitleToASinogramParameterFile)
{
    const std::string events =
        replaced(read_file(e2e + "/sinogram_route.events"), "@SERIES@", series());
    const zyt_test::CommandResult r = run(dir, events);
    ASSERT_EQ(r.exit_status, 0) << r.output;
    EXPECT_NE(r.output.find("ZYT_ZEVUZA Exited"), std::string::npos) << r.output;
    const std::string par = read_file(dir.file("recon.par"));
    EXPECT_EQ(trimmed_lines(par),
              trimmed_lines(replaced(read_file(e2e + "/expected/sinogram_route.par"), "@SERIES@",
                                     series())))
        << par;
    EXPECT_EQ(read_file(dir.file("home/.zyt.def")),
              replaced(read_file(e2e + "/expected/sinogram_route.def"), "@SERIES@", series()));
    // The route writes its file itself; the run leaves nothing else behind.
    std::vector<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        written.push_back(entry.path().filename().string());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string>{"home", "recon.par", "run.events"}));
}

// Every page of the route, its help text too, drawn whole again after its
// window was resized: resized away and back, it is the page it was.
TEST_F(SinogramRoute, EveryPageIsDrawnWholeAfterAResize)
{
    std::string events = "click \"HELP\"\nclick \"O.K.\"\n" +
                         replaced(read_file(e2e + "/sinogram_route.events"), "@SERIES@", series());
    const int waits = zyt_e2e::resized_at_every_wait(events, dir.file(""));
    const zyt_test::CommandResult r = run(dir, events);
    ASSERT_EQ(r.exit_status, 0) << r.output;
    EXPECT_EQ(zyt_e2e::pages_changed_by_resizing(dir.file(""), waits), std::vector<std::string>{});
}

// A descending series, its first sinogram chosen after another was shown
// and refused at "IS THE IMAGE INPUT O.K.".
TEST_F(SinogramRoute, ADescendingSeriesGivesANegativeInterval)
{
    Route r;
    r.series = series();
    r.refused = "sino_0001.tif";
    r.first = "sino_0999.tif";
    r.last = "sino_0001.tif";
    const zyt_test::CommandResult result = run(dir, script(r));
    ASSERT_EQ(result.exit_status, 0) << result.output;
    const std::string par = read_file(dir.file("recon.par"));
    EXPECT_EQ(value_of(par, "NUM_FIRST_SINOGRAM"), "   999 ! No. of first sinogram file");
    EXPECT_EQ(value_of(par, "NUM_LAST_SINOGRAM"), "     1 ! No. of last sinogram file");
    EXPECT_EQ(value_of(par, "SINOGRAM_INTERVAL"), "    -1 ! Interval between input sinograms");
    EXPECT_EQ(value_of(par, "OUTPUT_FILE"), series() + "/sino_0999.vol");
    // The interval is remembered as typed, without the direction.
    EXPECT_NE(read_file(dir.file("home/.zyt.def")).find("SINO_INTERVAL\n1\n"), std::string::npos);
}

// A cancel at any question ends the run with the route's message: no
// parameter file, and the defaults file as it was.
TEST_F(SinogramRoute, ACancelAtEveryQuestion)
{
    for (const char* where : {"first", "shown", "form 1", "form 2"}) {
        TempDir run_dir;
        std::filesystem::create_directories(run_dir.file("home"));
        zyt_test::write_file(run_dir.file("home/.zyt.def"), defaults);
        Route r;
        r.series = series();
        r.cancel_at = where;
        const zyt_test::CommandResult result = run(run_dir, script(r));
        EXPECT_EQ(result.exit_status, 0) << where << "\n" << result.output;
        EXPECT_EQ(last_line(result.output),
                  "WARNING: Parameter input cancelled by user: End of ZYT_ZEVUZA")
            << where << "\n"
            << result.output;
        EXPECT_FALSE(std::filesystem::exists(run_dir.file("recon.par"))) << where;
        EXPECT_EQ(read_file(run_dir.file("home/.zyt.def")), defaults) << where;
    }
}

// A cancel of the last panel keeps the name remembered from before; a
// series that cannot be deduced from the two names stops the run.
TEST_F(SinogramRoute, TheLastSinogramCancelledOrNotInTheSeries)
{
    // The remembered name, sino_0999.kdf, is taken beside the first sinogram.
    TempDir here;
    write_kdf(here.file("sino_0001.kdf"), 12, 90);
    Route cancelled;
    cancelled.series = here.path().string();
    cancelled.first = "sino_0001.kdf";
    cancelled.last.clear();
    cancelled.region_form = false;
    zyt_test::CommandResult result = run(dir, script(cancelled));
    ASSERT_EQ(result.exit_status, 0) << result.output;
    const std::string par = read_file(dir.file("recon.par"));
    EXPECT_EQ(value_of(par, "NUM_IMAGE_2"), "    90 ! Number of pixels vertically") << par;
    EXPECT_EQ(value_of(par, "ANGLE_BETWEEN_PROJECTIONS"), "   2.000000 ! Increment angle in degrees");
    EXPECT_EQ(value_of(par, "NUM_LAST_SINOGRAM"), "   999 ! No. of last sinogram file") << par;
    EXPECT_EQ(value_of(par, "SINOGRAM_POSTFIX"), ".kdf") << par;

    Route unrelated;
    unrelated.series = series();
    unrelated.last = "sino_truth.txt";
    TempDir second;
    result = run(second, script(unrelated) + "click \"O.K.\"\n");
    EXPECT_EQ(result.exit_status, 1) << result.output;
    EXPECT_NE(result.output.find("COULD NOT DEDUCE REQUIRED FILE SEQUENCE"), std::string::npos)
        << result.output;
    EXPECT_FALSE(std::filesystem::exists(second.file("recon.par")));
    EXPECT_EQ(result.output.find("ZYT_ZEVUZA Exited"), std::string::npos) << result.output;
}

// Sinograms wider or taller than any fixed array are read whole: the
// increment is 180 degrees over all their rows, the axis offered their
// middle.
TEST_F(SinogramRoute, WideAndTallSinogramsAreReadWhole)
{
    struct Sinogram
    {
        const char* size;
        const char* projections;
        const char* width, *rows, *increment, *axis;
    };
    for (const Sinogram& c :
         {Sinogram{"64x2", "3000", "    64", "  3000", "   0.060000 !", "       32.0000 !"},
          Sinogram{"2560x2", "2160", "  2560", "  2160", "   0.083333 !", "     1280.0000 !"}}) {
        TempDir run_dir;
        ASSERT_EQ(zyt_e2e::phantom(std::string("--sinograms --subsamples 1 --noise 0 --size ") +
                                       c.size + " --projections " + c.projections,
                                   run_dir.file("series"))
                      .exit_status,
                  0);
        Route r;
        r.series = run_dir.file("series");
        r.last = "sino_0002.tif";
        const zyt_test::CommandResult result = run(run_dir, script(r));
        ASSERT_EQ(result.exit_status, 0) << c.size << "\n" << result.output;
        const std::string par = read_file(run_dir.file("recon.par"));
        EXPECT_EQ(value_of(par, "NUM_IMAGE_1"), std::string(c.width) + " ! Number of pixels horizontally");
        EXPECT_EQ(value_of(par, "NUM_IMAGE_2"), std::string(c.rows) + " ! Number of pixels vertically");
        EXPECT_EQ(value_of(par, "ANGLE_BETWEEN_PROJECTIONS").substr(0, 13), c.increment) << par;
        EXPECT_EQ(value_of(par, "ROTATION_AXIS_POSITION").substr(0, 16), c.axis) << par;
    }
}

// A region of a slice that ends before it starts is refused on the form,
// which is shown again with the values as they were typed.
TEST_F(SinogramRoute, AnInvertedRegionIsRefusedOnTheForm)
{
    Route r;
    r.series = series();
    const std::string events =
        replaced(script(r), "click \"O.K.\"\nclick \"O.K.\"\nkey ClearLine\ntext \"recon.par\"",
                 "click \"X-START\"\nkey ClearLine\ntext \"10\"\nclick \"X-END\"\nkey ClearLine\n"
                 "text \"4\"\nclick \"O.K.\"\nclick \"O.K.\"\nclick \"X-START\"\nkey ClearLine\n"
                 "text \"2\"\nclick \"O.K.\"\nclick \"O.K.\"\nkey ClearLine\ntext \"recon.par\"");
    const zyt_test::CommandResult result = run(dir, events);
    ASSERT_EQ(result.exit_status, 0) << result.output;
    EXPECT_NE(result.output.find("WARNING: X-START lies beyond X-END: the region is asked again"),
              std::string::npos)
        << result.output;
    const std::string par = read_file(dir.file("recon.par"));
    EXPECT_EQ(value_of(par, "START_VOXEL_1").substr(0, 6), "     2") << par;
    EXPECT_EQ(value_of(par, "END_VOXEL_1").substr(0, 6), "     4") << par;
}
