#include <cairo.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>

#include "fio_test_support.h"

using namespace zyt_test;

namespace {

class ImageTool : public FioTest
{
protected:
    // What the program writes on both streams, or on one ("2>/dev/null" keeps
    // standard output only, ">/dev/null" standard error only).
    CommandResult run(const std::string& arguments, const char* drop = "")
    {
        // A home of its own: the user's defaults file is not read.
        return run_command("{ HOME=" + dir.path().string() + " " + ZYT_IMAGE_BINARY + " " +
                           arguments + " " + drop + "; }");
    }
    std::string fixture(const std::string& name) const { return tiff_fixtures() + "/" + name; }
    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            names.push_back(e.path().filename().string());
        return names;
    }
};

} // namespace

TEST_F(ImageTool, InfoGivesOneKeyAndValueALine)
{
    const CommandResult r = run("info " + fixture("u16_le.tif"), "2>/dev/null");
    EXPECT_EQ(r.exit_status, 0);
    std::vector<std::string> lines = split_lines(r.output);
    ASSERT_EQ(lines.size(), 14u) << r.output;
    const std::string mean_line = lines[6];
    lines[6] = "mean";
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "format: TIFF", "file: " + fixture("u16_le.tif"), "width: 67",
                         "height: 41", "minimum: 0", "maximum: 65535", "mean",
                         "overload: 65334.5", "x_pixel_size: 0.0001", "y_pixel_size: 0.0001",
                         "title: u16_le.tif", "xlabel: Columns", "ylabel: Rows",
                         "zlabel: Intensity"}));
    // The mean of what was read.
    int retstat = -9;
    FioImage image = read_image(fixture("u16_le.tif"), retstat);
    double sum = 0;
    for (float v : pixels_of(image)) sum += v;
    const double mean = std::stod(mean_line.substr(6));
    EXPECT_NEAR(mean, sum / (67 * 41), 1e-6 * sum / (67 * 41)); // a 32-bit real
}

TEST_F(ImageTool, RegionAndRebinOnTheCommandLine)
{
    const std::string out = dir.file("binned.raw");
    CommandResult r = run("raw " + fixture("rebin_source.tif") + " " + out + " --rebin 2 2");
    EXPECT_EQ(r.exit_status, 0) << r.output;
    EXPECT_EQ(read_file(out), read_file(fixture("rebin_2x2.expected")));
    r = run("raw --region 5 3 20 10 " + fixture("u16_le.tif") + " " + out);
    EXPECT_NE(r.output.find("16 8\n"), std::string::npos) << r.output;
    EXPECT_EQ(read_file(out), read_file(fixture("region.expected")));
}

TEST_F(ImageTool, PngAsTheProgramShowsIt)
{
    const char* look = std::getenv("ZYT_LOOK_DIR");
    const std::string out = look != nullptr ? std::string(look) + "/u16.png" : dir.file("u16.png");
    const CommandResult r = run("png " + fixture("u16_le.tif") + " " + out);
    ASSERT_EQ(r.exit_status, 0) << r.output;
    cairo_surface_t* png = cairo_image_surface_create_from_png(out.c_str());
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(png), 67);
    EXPECT_EQ(cairo_image_surface_get_height(png), 41);
    auto pixel = [&](int x, int y) {
        const unsigned char* row =
            cairo_image_surface_get_data(png) + y * cairo_image_surface_get_stride(png);
        return reinterpret_cast<const std::uint32_t*>(row)[x] & 0xFFFFFF;
    };
    // The writer's first pixel (the maximum) is top left and black; its last
    // (the minimum) bottom right and white, or as near as 200 levels come.
    EXPECT_EQ(pixel(0, 0), 0x000000u);
    EXPECT_GE(pixel(66, 40) & 0xFF, 250u);
    EXPECT_EQ(pixel(66, 40) & 0xFF, (pixel(66, 40) >> 16) & 0xFF); // grey
    cairo_surface_destroy(png);
}

TEST_F(ImageTool, FailuresLeaveNoOutputBehind)
{
    struct Case
    {
        std::string arguments;
        const char* message;
    };
    std::filesystem::copy_file(fixture("u8.tif"), dir.file("u8.unknown"));
    const Case cases[] = {
        {"raw " + fixture("zlib.tif") + " " + dir.file("out.raw"),
         "WARNING: The Image has been compressed."},
        {"png " + fixture("tiled.tif") + " " + dir.file("out.png"), "stored in tiles"},
        {"raw " + dir.file("u8.unknown") + " " + dir.file("out.raw"),
         "WARNING: Unknown file format"},
        {"raw " + dir.file("missing.tif") + " " + dir.file("out.raw"),
         "WARNING: Error in opening file"},
        {"raw " + fixture("u8.tif") + " " + dir.file("no/such/dir/out.raw"),
         "ERROR: Could not write"},
        {"raw " + fixture("u8.tif") + " " + dir.file("out.raw") + " --format PLANO",
         "WARNING: Data array not found"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const CommandResult r = run(c.arguments, ">/dev/null");
        EXPECT_EQ(r.exit_status, 1);
        EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
        EXPECT_EQ(entries(), std::vector<std::string>{"u8.unknown"});
    }
    // Named, the format reads the file.
    const CommandResult named =
        run("raw " + dir.file("u8.unknown") + " " + dir.file("u8.raw") + " --format tiff");
    EXPECT_EQ(named.exit_status, 0) << named.output;
    EXPECT_EQ(read_file(dir.file("u8.raw")), read_file(fixture("u8.expected")));
}

TEST_F(ImageTool, UsageErrorsAndTheTwoStandardOptions)
{
    EXPECT_EQ(run("--version").output, "ZYT_IMAGE V1.7\n");
    const CommandResult help = run("--help");
    EXPECT_EQ(help.exit_status, 0);
    EXPECT_NE(help.output.find("raw FILE OUT"), std::string::npos);
    for (const char* bad : {"", "show x.tif", "raw x.tif", "info x.tif --region 1 2 3",
                            "info x.tif --rebin 0 1", "info x.tif --type I8", "info --bogus x"}) {
        SCOPED_TRACE(bad);
        const CommandResult r = run(bad);
        EXPECT_EQ(r.exit_status, 2);
        EXPECT_NE(r.output.find("(see --help)"), std::string::npos);
    }
}

TEST_F(ImageTool, OptionsTheFormatCannotHonourAreUsageErrors)
{
    const std::string adsc = detector_fixtures() + "/adsc_le.img";
    const std::pair<std::string, const char*> cases[] = {
        {"raw " + fixture("u16_le.tif") + " " + dir.file("out.raw") + " --image 2", "--image"},
        {"info " + adsc + " --image 1", "--image"},
        {"info " + fixture("u16_le.tif") + " --size 67 41", "--size"},
        {"info " + adsc + " --type I2", "--type"},
        {"info " + adsc + " --no-swap", "--swap"},
        {"info " + fixture("u8.tif") + " --signed", "--signed"},
        {"info " + fixture("u8.tif") + " --start 9", "--start"},
    };
    for (const auto& [arguments, option] : cases) {
        SCOPED_TRACE(arguments);
        const CommandResult r = run(arguments);
        EXPECT_EQ(r.exit_status, 2);
        EXPECT_NE(r.output.find(option), std::string::npos) << r.output;
        EXPECT_NE(r.output.find("(see --help)"), std::string::npos) << r.output;
        EXPECT_TRUE(entries().empty());
    }
}

TEST_F(ImageTool, OnlyARegularOrNewFileIsReplacedAndDashIsStandardOutput)
{
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const char* command : {"raw", "png"}) {
        SCOPED_TRACE(command);
        const CommandResult r = run(std::string(command) + " " + fixture("u8.tif") + " " + fifo);
        EXPECT_EQ(r.exit_status, 1);
        EXPECT_NE(r.output.find("it is no regular file"), std::string::npos) << r.output;
        EXPECT_TRUE(std::filesystem::is_fifo(fifo));
        EXPECT_EQ(entries(), std::vector<std::string>{"fifo"});
    }
    // The pixels alone on standard output, the size on standard error.
    CommandResult r = run("raw " + fixture("u8.tif") + " -", "2>/dev/null");
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_EQ(r.output, read_file(fixture("u8.expected")));
    r = run("raw " + fixture("u8.tif") + " -", ">/dev/null");
    EXPECT_EQ(split_lines(r.output).back(), "53 37");
    r = run("png " + fixture("u8.tif") + " -", "2>/dev/null");
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_EQ(r.output.substr(0, 4), "\x89PNG");
}

TEST_F(ImageTool, AStopDuringTheWriteLeavesNoTemporaryFile)
{
    // 16 MB of reals to write: the stop comes while they are written.
    const TempDir input;
    const std::string raw = input.file("zeros.bin");
    write_file(raw, "");
    std::filesystem::resize_file(raw, 2048 * 2048 * 4);
    const int watch = ::inotify_init1(IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, dir.path().c_str(), IN_CREATE), 0);
    for (int stop : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(stop);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::dup2(null, 2);
            ::setenv("HOME", input.path().c_str(), 1);
            ::execl(ZYT_IMAGE_BINARY, ZYT_IMAGE_BINARY, "raw", raw.c_str(),
                    dir.file("out.raw").c_str(), "--format", "BINARY", "--size", "2048", "2048",
                    "--type", "R4", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // Stopped as soon as its temporary file is made, then told to end.
        pollfd ready{watch, POLLIN, 0};
        ASSERT_EQ(::poll(&ready, 1, 20000), 1);
        ASSERT_EQ(::kill(child, SIGSTOP), 0);
        int state = 0;
        ASSERT_EQ(::waitpid(child, &state, WUNTRACED), child);
        ASSERT_TRUE(WIFSTOPPED(state)) << "the write ended before the stop";
        char events[4096];
        ASSERT_GT(::read(watch, events, sizeof events), 0);
        EXPECT_EQ(entries().size(), 1u);
        ::kill(child, stop);
        ::kill(child, SIGCONT);
        ASSERT_EQ(::waitpid(child, &state, 0), child);
        EXPECT_TRUE(WIFSIGNALED(state) && WTERMSIG(state) == stop);
        EXPECT_TRUE(entries().empty());
    }
    ::close(watch);
}
