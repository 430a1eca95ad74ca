// zyt_slice on series and sinograms that zyt_phantom wrote with a known
// axis: the sharpest of the test slices next to the true axis, the slice at
// the true axis showing the phantom's ellipses, the same slice as
// scikit-image's filtered back-projection, and its answers to bad options
// and bad files.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/phantom.h"
#include "test_support.h"

using zyt_test::CommandResult;
using zyt_test::run_command;
using zyt_test::TempDir;

namespace {

const std::string slice_tool = ZYT_SLICE_BINARY;

CommandResult phantom(const std::string& options, const std::string& directory)
{
    return run_command("'" + std::string(ZYT_PHANTOM_BINARY) + "' " + options + " --output '" +
                       directory + "'");
}

// zyt_slice's standard output alone (its console lines go to standard error).
CommandResult slice(const std::string& arguments)
{
    return run_command("( '" + slice_tool + "' " + arguments + " 2>/dev/null )");
}

// The "best A" line's position; NaN when there is none.
double best_of(const std::string& output)
{
    std::istringstream in(output);
    for (std::string word; in >> word;)
        if (word == "best") {
            double best = NAN;
            in >> best;
            return best;
        }
    return NAN;
}

std::vector<float> read_reals(const std::string& path, std::size_t count)
{
    std::vector<float> values(count, NAN);
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(values.data()), static_cast<std::streamsize>(count * 4));
    return in.gcount() == static_cast<std::streamsize>(count * 4) ? values : std::vector<float>{};
}

// Each case writes its data once; the tests share them.
class Slice : public ::testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        data_ = new TempDir;
        for (const auto& [name, options] : {
                 std::pair<std::string, std::string>{"vertical", "--axis 66.4 --seed 3"},
                 {"horizontal", "--horizontal --axis 60.7 --seed 5"},
                 {"sinograms", "--sinograms --axis 70.15 --seed 7"},
                 {"centred", "--sinograms --size 127 --projections 150 --noise 0"},
             }) {
            const CommandResult r =
                phantom("--size 128 --projections 180 " + options, data_->file(name));
            ASSERT_EQ(r.exit_status, 0) << r.output;
        }
    }
    static void TearDownTestSuite()
    {
        delete data_;
        data_ = nullptr;
    }
    static std::string data(const std::string& name) { return data_->file(name); }
    static std::string series(const std::string& name)
    {
        const std::string d = data(name) + "/proj_";
        return "--series '" + d + "0001.tif' '" + d + "0180.tif' --dark '" + d +
               "dark.tif' --flat '" + d + "flat.tif'";
    }

    TempDir dir;

  private:
    static TempDir* data_;
};

TempDir* Slice::data_ = nullptr;

} // namespace

// The five positions are centred off the truth, so that it lies between two
// of them (or at the outer one), and the sharpest must be next to it.
TEST_F(Slice, TheSharpestPositionIsWithinOneStepOfTheTruth)
{
    struct Case
    {
        std::string input;
        double truth;
    };
    const std::vector<Case> cases = {
        {series("vertical"), 66.4},
        {series("horizontal") + " --horizontal", 60.7},
        {"--sinogram '" + data("sinograms") + "/sino_0064.tif'", 70.15},
        {"--sinogram '" + data("sinograms") + "/sino_0020.tif'", 70.15},
    };
    for (const Case& c : cases)
        for (double step : {0.5, 0.25})
            for (double offset : {0.6, -1.3, 2.0}) {
                const double centre = c.truth + offset * step;
                const CommandResult r = slice(c.input + " --axis " + std::to_string(centre) +
                                              " --step " + std::to_string(step) +
                                              " --count 5 --output '" + dir.file("s.raw") + "'");
                ASSERT_EQ(r.exit_status, 0) << c.input << "\n" << r.output;
                EXPECT_LE(std::fabs(best_of(r.output) - c.truth), step + 1e-4)
                    << c.input << " step " << step << " centre " << centre << "\n"
                    << r.output;
            }
}

// The slice at the true axis against the ellipses of the phantom's middle
// line. Means over the pixels at least 2 pixels inside an ellipse's edge and
// 2 outside every other edge (the edges are blurred over a pixel or two) come
// within a tenth of the body's density of the sum of the densities there: the
// counting noise (about 0.3 of the body's density a pixel, from the spread of
// the slice outside the object) over the tens of pixels of the smallest
// region leaves a few hundredths. The dense inclusion's centre of mass lies
// within 0.3 pixel of its centre: the axis and the orientation are right.
TEST_F(Slice, TheSliceAtTheTrueAxisShowsTheEllipses)
{
    const int size = 128, line = 64;
    const CommandResult r = slice(series("vertical") + " --line 64 --axis 66.4 --output '" +
                                  dir.file("s.raw") + "'");
    ASSERT_EQ(r.exit_status, 0) << r.output;
    EXPECT_NE(r.output.find("128 128"), std::string::npos) << r.output;
    const std::vector<float> s = read_reals(dir.file("s.raw"), size * size);
    ASSERT_FALSE(s.empty());

    PhantomSettings settings;
    settings.width = settings.height = size;
    settings.projections = 180;
    settings.axis = 66.4;
    const Phantom object(settings);
    const std::vector<Phantom::Ellipse> ellipses = object.slice(line);
    // Where a point lies against an ellipse grown (margin > 0) or shrunk.
    const auto inside = [](const Phantom::Ellipse& e, double x, double y, double margin) {
        const double dx = x - e.x, dy = y - e.y;
        const double u = dx * std::cos(e.angle) + dy * std::sin(e.angle);
        const double v = -dx * std::sin(e.angle) + dy * std::cos(e.angle);
        return (u * u) / ((e.a + margin) * (e.a + margin)) +
                   (v * v) / ((e.b + margin) * (e.b + margin)) <=
               1.0;
    };
    // Regions: the set of ellipses that hold a pixel, for pixels clear of edges.
    std::map<unsigned, std::pair<double, int>> regions; // sum of values, pixels
    double mass = 0.0, mass_x = 0.0, mass_y = 0.0;
    const Phantom::Ellipse& dense = ellipses.back();
    for (int j = 0; j < size; ++j)
        for (int i = 0; i < size; ++i) {
            const double x = i + 0.5 - 0.5 * size, y = j + 0.5 - 0.5 * size;
            const float value = s[j * size + i];
            unsigned holders = 0;
            bool clear = true;
            for (std::size_t k = 0; k < ellipses.size(); ++k) {
                if (inside(ellipses[k], x, y, -2.0)) holders |= 1u << k;
                else if (inside(ellipses[k], x, y, 2.0)) clear = false;
            }
            if (clear) {
                regions[holders].first += value;
                regions[holders].second += 1;
            }
            // The dense inclusion stands out over the body by three of its densities.
            if (inside(dense, x, y, 2.0)) {
                const double excess = std::max(0.0, value - ellipses[0].density - 1.5 * ellipses[0].density);
                mass += excess;
                mass_x += excess * x;
                mass_y += excess * y;
            }
        }
    const double body = ellipses[0].density;
    int checked = 0;
    for (const auto& [holders, sums] : regions) {
        if (sums.second < 20) continue;
        double expected = 0.0;
        for (std::size_t k = 0; k < ellipses.size(); ++k)
            if (holders & (1u << k)) expected += ellipses[k].density;
        EXPECT_NEAR(sums.first / sums.second, expected, 0.1 * body)
            << "the region inside ellipses " << holders << " (" << sums.second << " pixels)";
        ++checked;
    }
    EXPECT_GE(checked, 4) << "outside, the body, the hole and an inclusion at least";
    ASSERT_GT(mass, 0.0);
    EXPECT_NEAR(mass_x / mass, dense.x, 0.3);
    EXPECT_NEAR(mass_y / mass, dense.y, 0.3);
}

// scikit-image's iradon (ramp filter, linear interpolation) on the same
// sinogram, made into line integrals the same way; an odd size puts the
// centres of both grids on the same pixel. Its picture has row 0 at the top.
TEST_F(Slice, AgreesWithScikitImage)
{
    const CommandResult r = slice("--sinogram '" + data("centred") + "/sino_0064.tif' --axis 63.5 --output '" + dir.file("s.raw") + "'");
    ASSERT_EQ(r.exit_status, 0) << r.output;
    const std::string check = R"(
import sys, numpy as np, tifffile
from skimage.transform import iradon
s = tifffile.imread(sys.argv[1]).astype(np.float64)
top = np.sort(s.ravel())[-max(1, s.size // 100):].mean()
p = -np.log(np.maximum(s, 1e-30) / top)
n = s.shape[1]
r = iradon(p.T, theta=np.arange(s.shape[0]) * 180.0 / s.shape[0], output_size=n,
           filter_name='ramp', interpolation='linear', circle=False)
ours = np.fromfile(sys.argv[2], dtype='<f4').reshape(n, n)[::-1]
print('difference %.6g of %.6g' % (np.abs(ours - r).max(), np.abs(r).max()))
sys.exit(0 if np.abs(ours - r).max() < 0.01 * np.abs(r).max() else 3)
)";
    zyt_test::write_file(dir.file("check.py"), check);
    const CommandResult compared = run_command("/usr/bin/python3 '" + dir.file("check.py") + "' '" + data("centred") + "/sino_0064.tif' '" + dir.file("s.raw") + "'");
    EXPECT_EQ(compared.exit_status, 0) << compared.output;
}

TEST_F(Slice, BadOptionsAndBadFilesAreRefusedWithoutOutput)
{
    const std::string sino = "--sinogram '" + data("sinograms") + "/sino_0064.tif'";
    const std::string out = " --output '" + dir.file("s.raw") + "'";
    for (const std::string& wrong : {
             sino + out,                                      // no axis
             sino + " --axis 60" ,                            // no output
             sino + " --axis 60 --count 4" + out,             // an even count
             sino + " --axis 60 --step 0" + out,
             sino + " --axis x60" + out,
             sino + " --axis 60 --output '" + dir.file("s.tif") + "'",
             sino + " --axis 60 --line 3" + out,              // a series' option
             "--axis 60" + out,                               // no input
             sino + " --series a1.tif a9.tif --axis 60" + out, // two inputs
             sino + " --axis 60 --frobnicate" + out,
         }) {
        const CommandResult r = run_command("'" + slice_tool + "' " + wrong);
        EXPECT_EQ(r.exit_status, 2) << wrong << "\n" << r.output;
        EXPECT_NE(r.output.find("zyt_slice:"), std::string::npos) << r.output;
    }
    // A file that is no image, a missing projection, a line beyond the image.
    zyt_test::write_file(dir.file("broken.tif"), "II*\0this is not a TIFF file");
    std::filesystem::copy(data("vertical"), dir.file("gap"), std::filesystem::copy_options::recursive);
    std::filesystem::remove(dir.file("gap/proj_0077.tif"));
    const std::string gap = dir.file("gap/proj_");
    for (const auto& [wrong, said] : {
             std::pair<std::string, std::string>{"--sinogram '" + dir.file("broken.tif") + "'", "broken.tif"},
             {"--sinogram '" + dir.file("none.tif") + "'", "none.tif"},
             {"--series '" + gap + "0001.tif' '" + gap + "0180.tif'", "proj_0077.tif"},
             {series("vertical") + " --line 129", "line 129"},
         }) {
        const CommandResult r = run_command("'" + slice_tool + "' " + wrong + " --axis 64" + out);
        EXPECT_EQ(r.exit_status, 1) << wrong << "\n" << r.output;
        EXPECT_NE(r.output.find(said), std::string::npos) << r.output;
        EXPECT_FALSE(std::filesystem::exists(dir.file("s.raw"))) << wrong;
    }
    // An output that cannot be written leaves nothing either.
    const CommandResult r = run_command("'" + slice_tool + "' " + sino + " --axis 64 --output '" + dir.file("no/such/dir/s.png") + "'");
    EXPECT_EQ(r.exit_status, 1) << r.output;
}
