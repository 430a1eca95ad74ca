// The synthetic series: its axis found by the program's calculation, and its
// files read back by an independent TIFF reader (tifffile).

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/phantom.h"
#include "app/rotation_axis.h"
#include "io/status.h"
#include "test_support.h"

using zyt_test::CommandResult;
using zyt_test::ConsoleCapture;
using zyt_test::fresh_status;
using zyt_test::run_command;
using zyt_test::TempDir;

namespace {

struct FloatImage
{
    FloatImage(const std::vector<std::uint16_t>& counts, int width, int height)
        : pixels(counts.begin(), counts.end()), view{nullptr, width, height}
    {
        view.data = pixels.data();
    }
    std::vector<float> pixels;
    ImageView view;
};

// The axis as the set-up program finds it from the first projection, the
// one at 180 degrees, the dark and the flat-field, over every line.
ZytAxisLines axis_found(const Phantom& phantom)
{
    const PhantomSettings& s = phantom.settings();
    FloatImage first(phantom.projection_image(1), s.width, s.height);
    FloatImage rotated(phantom.projection_image(s.projections + 1), s.width, s.height);
    FloatImage dark(phantom.dark_image(), s.width, s.height);
    FloatImage flat(phantom.flat_image(), s.width, s.height);
    int status = fresh_status();
    int zeroed = -1;
    ZytAxisLines result;
    ConsoleCapture console;
    ZYT_CORRECT_AXIS_IMAGES(true, dark.view, true, false, flat.view, flat.view, s.width, s.height,
                            first.view, rotated.view, zeroed, status);
    ZYT_CAL_ROTATION_AXIS(s.vertical, s.width, s.height, first.view, rotated.view, 1,
                          phantom.line_count(), result, status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_EQ(zeroed, 0);
    return result;
}

PhantomSettings series(bool vertical, double axis, double tilt = 0.0)
{
    PhantomSettings s;
    // 256 pixels a line; fewer lines keep the test short.
    s.width = vertical ? 256 : 96;
    s.height = vertical ? 96 : 256;
    s.projections = 6;
    s.axis = axis;
    s.tilt_degrees = tilt;
    s.noise = 1.0;
    s.seed = 11;
    s.vertical = vertical;
    return s;
}

// An image through the program's own reader (zyt_image), as 32-bit reals
// with row 1 at the bottom.
std::vector<float> read_with_program(const std::string& tiff, const std::string& raw)
{
    const CommandResult r = run_command(std::string(ZYT_IMAGE_BINARY) + " raw " + tiff + " " + raw);
    EXPECT_EQ(r.exit_status, 0) << r.output;
    std::ifstream in(raw, std::ios::binary);
    std::vector<float> values;
    float v = 0.0f;
    while (in.read(reinterpret_cast<char*>(&v), sizeof v))
        values.push_back(v);
    return values;
}

// The lines of a truth file: line number and axis position.
std::vector<std::pair<int, double>> read_truth(const std::string& path)
{
    std::ifstream truth(path);
    std::vector<std::pair<int, double>> lines;
    std::string line;
    while (std::getline(truth, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        int number = 0;
        double axis = 0.0;
        fields >> number >> axis;
        lines.emplace_back(number, axis);
    }
    return lines;
}

std::vector<std::uint16_t> read_raw(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint16_t> values;
    unsigned char bytes[2];
    while (in.read(reinterpret_cast<char*>(bytes), 2))
        values.push_back(static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8));
    return values;
}

} // namespace

TEST(PhantomAxis, FoundWithinFiveHundredthsOfAPixel)
{
    // On the centre, half a pixel off, and well off it on either side.
    for (bool vertical : {true, false}) {
        for (double axis : {128.0, 128.5, 121.37, 135.62, 110.81, 143.2}) {
            const Phantom phantom(series(vertical, axis));
            ASSERT_TRUE(phantom.valid()) << phantom.reason();
            const ZytAxisLines found = axis_found(phantom);
            ASSERT_EQ(found.positions.size(), 96u);
            EXPECT_NEAR(found.mean, axis, 0.05) << (vertical ? "vertical " : "horizontal ") << axis;
            EXPECT_NEAR(found.median, axis, 0.05);
            EXPECT_LT(found.deviation, 0.1);
        }
    }
}

TEST(PhantomAxis, ATiltIsReportedWithinFivePercent)
{
    for (bool vertical : {true, false}) {
        for (double tilt : {1.0, -0.6}) {
            const Phantom phantom(series(vertical, 126.3, tilt));
            const ZytAxisLines found = axis_found(phantom);
            const double slope = 1000.0 * std::tan(tilt * M_PI / 180.0);
            EXPECT_NEAR(found.tilt, slope, 0.05 * std::fabs(slope)) << tilt;
            EXPECT_NEAR(found.tilt_degrees, tilt, 0.05 * std::fabs(tilt));
            // Symmetric about the middle line: the mean is the middle's axis.
            EXPECT_NEAR(found.mean, 126.3, 0.05);
            for (std::size_t i = 0; i < found.lines.size(); ++i)
                EXPECT_NEAR(found.positions[i], phantom.axis(static_cast<int>(found.lines[i])),
                            0.3);
        }
    }
}

TEST(PhantomAxis, ImagesFollowTheSettings)
{
    PhantomSettings s = series(true, 100.0);
    s.noise = 0.0;
    const Phantom phantom(s);
    // Noise-free: the flat is dark + beam, the 180-degree projection is the
    // first mirrored about the axis (pixel i and 201 - i), to the count.
    const std::vector<std::uint16_t> first = phantom.projection_image(1);
    const std::vector<std::uint16_t> rotated = phantom.projection_image(s.projections + 1);
    const std::vector<std::uint16_t> dark = phantom.dark_image();
    const std::vector<std::uint16_t> flat = phantom.flat_image();
    int differing = 0;
    for (int j = 1; j <= s.height; ++j) {
        for (int i = 1; i <= 200; ++i) {
            const std::size_t at = (i - 1) + (j - 1) * s.width;
            const std::size_t mirror = (200 - i) + (j - 1) * s.width;
            const double t1 = (first[at] - dark[at]) / double(flat[at] - dark[at]);
            const double t2 =
                (rotated[mirror] - dark[mirror]) / double(flat[mirror] - dark[mirror]);
            if (std::fabs(t1 - t2) > 2e-3) ++differing;
        }
    }
    EXPECT_EQ(differing, 0);
    // Object inside, open beam at the edges; the dark is about 100 counts.
    EXPECT_LT(first[100 + 48 * s.width], flat[100 + 48 * s.width] * 0.9);
    EXPECT_EQ(first[0], flat[0]);
    EXPECT_NEAR(dark[5], 100.0, 10.0);
    // Noise: the same image each time it is made, another with another
    // seed, and spread about the noise-free counts by their square root.
    const Phantom noisy(series(true, 100.0));
    const std::vector<std::uint16_t> counts = noisy.projection_image(2);
    EXPECT_EQ(counts, noisy.projection_image(2));
    PhantomSettings reseeded = series(true, 100.0);
    reseeded.seed = 12;
    EXPECT_NE(counts, Phantom(reseeded).projection_image(2));
    const std::vector<std::uint16_t> clean = phantom.projection_image(2);
    double squares = 0.0, total = 0.0;
    for (std::size_t p = 0; p < clean.size(); ++p) {
        squares += (double(counts[p]) - clean[p]) * (double(counts[p]) - clean[p]);
        total += clean[p];
    }
    const double spread = std::sqrt(squares / clean.size()),
                 poisson = std::sqrt(total / clean.size());
    EXPECT_NEAR(spread, poisson, 0.05 * poisson);
}

TEST(PhantomProgram, WritesTiffsThatTifffileReadsPixelForPixel)
{
    for (bool vertical : {true, false}) {
        TempDir dir;
        const std::string out = dir.file("series");
        const std::string orientation = vertical ? "--vertical" : "--horizontal";
        // Not square, so that width and height cannot be mixed up unseen;
        // 40 columns make strips of several rows and one of fewer.
        const CommandResult run =
            run_command(std::string(ZYT_PHANTOM_BINARY) +
                        " --size 40x30 --projections 4 --axis 14.25 --tilt 0.5 --seed 3 " +
                        orientation + " --prefix scan_ --output " + out);
        ASSERT_EQ(run.exit_status, 0) << run.output;
        std::vector<std::string> names = {"scan_dark", "scan_flat"};
        for (int i = 1; i <= 5; ++i)
            names.push_back("scan_000" + std::to_string(i));
        std::string files;
        for (const std::string& name : names)
            files += " " + out + "/" + name + ".tif";
        const CommandResult check =
            run_command("/usr/bin/python3 " ZYT_TIFF_CHECK " 40 30" + files);
        ASSERT_EQ(check.exit_status, 0) << check.output;
        EXPECT_EQ(check.output, "checked 7\n");

        PhantomSettings s;
        s.width = 40;
        s.height = 30;
        s.projections = 4;
        s.axis = 14.25;
        s.tilt_degrees = 0.5;
        s.seed = 3;
        s.vertical = vertical;
        const Phantom phantom(s);
        EXPECT_EQ(read_raw(out + "/scan_dark.raw"), phantom.dark_image());
        EXPECT_EQ(read_raw(out + "/scan_flat.raw"), phantom.flat_image());
        for (int i = 1; i <= 5; ++i)
            EXPECT_EQ(read_raw(out + "/scan_000" + std::to_string(i) + ".raw"),
                      phantom.projection_image(i))
                << i;

        // The truth: a line and its axis per image line.
        const std::vector<std::pair<int, double>> truth = read_truth(out + "/scan_truth.txt");
        const int line_number = static_cast<int>(truth.size());
        EXPECT_EQ(line_number, vertical ? 30 : 40);
        for (int i = 0; i < line_number; ++i) {
            EXPECT_EQ(truth[i].first, i + 1);
            EXPECT_NEAR(truth[i].second, phantom.axis(i + 1), 1e-5);
        }
        EXPECT_NEAR(phantom.axis(1),
                    14.25 - std::tan(0.5 * M_PI / 180.0) * (0.5 * (line_number - 1)), 1e-9);
    }
}

TEST(PhantomProgram, RefusesWhatItCannotDo)
{
    TempDir dir;
    const std::string binary = ZYT_PHANTOM_BINARY;
    const CommandResult help = run_command(binary + " --help");
    EXPECT_EQ(help.exit_status, 0);
    EXPECT_NE(help.output.find("Usage: zyt_phantom"), std::string::npos);
    struct Case
    {
        std::string arguments;
        int exit_status;
        std::string says;
    } cases[] = {
        {"--frobnicate", 2, "unknown option --frobnicate"},
        {"--size", 2, "--size needs a value"},
        {"--size 0x5", 2, "bad value \"0x5\" for --size"},
        {"--size 12x", 2, "bad value"},
        {"--projections 2.5", 2, "bad value"},
        {"--noise -1", 2, "bad value"},
        {"--axis nan", 2, "bad value"},
        {"--size 64 --axis 2", 2, "too close to an edge"},
        {"--tilt 60", 2, "less than 45 degrees"},
        {"--prefix a/b", 2, "bad value"},
    };
    for (const Case& c : cases) {
        const CommandResult r =
            run_command(binary + " " + c.arguments + " --output " + dir.file("x"));
        EXPECT_EQ(r.exit_status, c.exit_status) << c.arguments << ": " << r.output;
        EXPECT_NE(r.output.find(c.says), std::string::npos) << c.arguments << ": " << r.output;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("x"))) << "nothing made on a usage error";
    // An output directory that cannot be made: a file is in the way.
    zyt_test::write_file(dir.file("plain"), "x");
    const CommandResult blocked =
        run_command(binary + " --size 32 --projections 2 --output " + dir.file("plain") + "/sub");
    EXPECT_EQ(blocked.exit_status, 1) << blocked.output;
    EXPECT_NE(blocked.output.find("cannot make the directory"), std::string::npos);
}

TEST(PhantomProgram, TheProgramsReaderFindsTheAxisOfTheFiles)
{
    // Files in, axis out: the program's TIFF reader, the correction and the
    // correlation on a series written by zyt_phantom, against its truth file.
    for (bool vertical : {true, false}) {
        TempDir dir;
        const std::string out = dir.file("series");
        const CommandResult run = run_command(
            std::string(ZYT_PHANTOM_BINARY) + (vertical ? " --size 256x48" : " --size 48x256") +
            " --projections 10 --axis 131.62 --tilt -0.4 " +
            (vertical ? "--vertical" : "--horizontal") + " --output " + out);
        ASSERT_EQ(run.exit_status, 0) << run.output;
        const int width = vertical ? 256 : 48, height = vertical ? 48 : 256;
        std::vector<float> first = read_with_program(out + "/proj_0001.tif", out + "/1.raw");
        std::vector<float> rotated = read_with_program(out + "/proj_0011.tif", out + "/11.raw");
        std::vector<float> dark = read_with_program(out + "/proj_dark.tif", out + "/d.raw");
        std::vector<float> flat = read_with_program(out + "/proj_flat.tif", out + "/f.raw");
        ASSERT_EQ(first.size(), static_cast<std::size_t>(width * height));
        const ImageView first_view{first.data(), width, height},
            rotated_view{rotated.data(), width, height}, dark_view{dark.data(), width, height},
            flat_view{flat.data(), width, height};
        int status = fresh_status();
        int zeroed = 0;
        ZytAxisLines found;
        {
            ConsoleCapture console;
            ZYT_CORRECT_AXIS_IMAGES(true, dark_view, true, false, flat_view, flat_view, width,
                                    height, first_view, rotated_view, zeroed, status);
            ZYT_CAL_ROTATION_AXIS(vertical, width, height, first_view, rotated_view, 1, 48, found,
                                  status);
        }
        ASSERT_EQ(status, ST_GOOD_VALUE);
        const std::vector<std::pair<int, double>> truth = read_truth(out + "/proj_truth.txt");
        const int lines = static_cast<int>(truth.size());
        ASSERT_EQ(lines, 48);
        double sum = 0.0;
        for (const auto& [number, axis] : truth)
            sum += axis;
        EXPECT_NEAR(found.mean, sum / lines, 0.05) << (vertical ? "vertical" : "horizontal");
        // Leaning the right way (48 lines are too few to measure it to 5 %).
        const double slope = 1000.0 * std::tan(-0.4 * M_PI / 180.0);
        EXPECT_NEAR(found.tilt, slope, 0.25 * std::fabs(slope));
    }
}

// A sinogram holds one line of every projection, corrected: the first
// projection at the top of the picture (the last row), the line's pixels
// across; written as a numbered series that tifffile reads pixel for pixel.
TEST(PhantomProgram, SinogramsAreTheCorrectedLinesOfTheProjections)
{
    for (bool vertical : {true, false}) {
        PhantomSettings s;
        s.width = 40;
        s.height = 30;
        s.projections = 4;
        s.axis = 14.25;
        s.noise = 0.0;
        s.vertical = vertical;
        const Phantom phantom(s);
        const int length = phantom.line_length(), lines = phantom.line_count();
        const std::vector<std::uint16_t> dark = phantom.dark_image(), flat = phantom.flat_image();
        for (int line : {1, 9, lines}) {
            const std::vector<std::uint16_t> sinogram = phantom.sinogram_image(line);
            ASSERT_EQ(sinogram.size(), static_cast<std::size_t>(length * s.projections));
            for (int n = 1; n <= s.projections; ++n) {
                const std::vector<std::uint16_t> projection = phantom.projection_image(n);
                for (int k = 1; k <= length; ++k) {
                    const int i = vertical ? k : line, j = vertical ? line : k;
                    const std::size_t at = (i - 1) + (j - 1) * s.width;
                    const double corrected = s.open_counts * (projection[at] - dark[at]) /
                                             double(flat[at] - dark[at]);
                    const int row = s.projections - n + 1;
                    ASSERT_NEAR(sinogram[(k - 1) + (row - 1) * length], corrected, 3.0)
                        << "line " << line << " projection " << n << " pixel " << k;
                }
            }
        }

        TempDir dir;
        const std::string out = dir.file("sinograms");
        const CommandResult run = run_command(
            std::string(ZYT_PHANTOM_BINARY) + " --sinograms --size 40x30 --projections 4 " +
            "--axis 14.25 --noise 0 " + (vertical ? "--vertical" : "--horizontal") +
            " --output " + out);
        ASSERT_EQ(run.exit_status, 0) << run.output;
        const auto name = [&](int line) {
            char number[16];
            std::snprintf(number, sizeof number, "%04d", line);
            return out + "/sino_" + number;
        };
        std::string files;
        for (int line = 1; line <= lines; ++line)
            files += " " + name(line) + ".tif";
        const CommandResult check = run_command("/usr/bin/python3 " ZYT_TIFF_CHECK " " +
                                                std::to_string(length) + " 4" + files);
        ASSERT_EQ(check.exit_status, 0) << check.output;
        EXPECT_EQ(check.output, "checked " + std::to_string(lines) + "\n");
        for (int line : {1, lines})
            EXPECT_EQ(read_raw(name(line) + ".raw"), phantom.sinogram_image(line))
                << line;
        EXPECT_FALSE(std::filesystem::exists(out + "/sino_dark.tif"));
        const std::vector<std::pair<int, double>> truth = read_truth(out + "/sino_truth.txt");
        ASSERT_EQ(static_cast<int>(truth.size()), lines);
        EXPECT_NEAR(truth.back().second, 14.25, 1e-5);
    }
}
