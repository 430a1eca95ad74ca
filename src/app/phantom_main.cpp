// zyt_phantom: writes the projection series of a synthetic object, with its
// dark and flat-field images and the true rotation axis, for trying and
// testing the set-up program on data whose answer is known.

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

#include "app/phantom.h"
#include "app/tiff_writer.h"
#include "io/replace.h"
#include "io/status.h"
#include "io/units.h"

namespace {

constexpr int TRUTH_UNIT = 44;
constexpr const char* VERSION = "ZYT_PHANTOM V1.7";

enum ExitStatus { EXIT_DONE = 0, EXIT_FAILED = 1, EXIT_USAGE = 2 };

void print_help(std::ostream& out)
{
    out << "Usage: zyt_phantom [options]\n"
           "\n"
           "Writes the projection series of a synthetic object as 16-bit TIFF files:\n"
           "PREFIXnnnn.tif for the N projections at angles 180 (i - 1) / N degrees\n"
           "(i = 1 .. N) and number N + 1 at exactly 180 degrees, PREFIXdark.tif (dark\n"
           "current), PREFIXflat.tif (open beam with a gradient) and PREFIXtruth.txt,\n"
           "the rotation axis position of every image line. Counts are\n"
           "dark + beam * transmission with counting noise. Image row 1 is the bottom\n"
           "of the picture, as zyt_zevuza counts rows; positions are pixel coordinates\n"
           "(0 at the left edge, or at the bottom edge for a horizontal axis).\n"
           "\n"
           "With --sinograms the same object is written as one sinogram per image line\n"
           "instead: PREFIXnnnn.tif for lines 1 .. L (image rows, or columns for a\n"
           "horizontal axis), each with the pixels of the line across and the N\n"
           "projections down (the first at the top), in counts of an even open beam\n"
           "with the dark current taken off, and PREFIXtruth.txt.\n"
           "\n"
           "Options:\n"
           "  --size W[xH]        image size in pixels (default 256x256; H = W when left out)\n"
           "  --projections N     projections over 0 <= angle < 180 degrees (default 180)\n"
           "  --axis X            axis position on the middle line (default: the centre)\n"
           "  --tilt DEGREES      axis turned in the image plane (default 0)\n"
           "  --noise F           counting noise in units of Poisson's (default 1; 0: none)\n"
           "  --seed S            seed of the noise (default 1)\n"
           "  --vertical          vertical rotation axis: lines are image rows (default)\n"
           "  --horizontal        horizontal rotation axis: lines are image columns\n"
           "  --subsamples K      samples a pixel along a line (default 8)\n"
           "  --output DIR        directory of the files, made when missing (default .)\n"
           "  --prefix P          start of the file names (default proj_, or sino_)\n"
           "  --sinograms         write sinograms, one file per image line\n"
           "  --help              show this text and exit\n"
           "  --version           show the version and exit\n"
           "\n"
           "Exit status 0 when every file was written, 1 when one could not be (the\n"
           "reason is on the console), 2 for a usage error. More in the manual page:\n"
           "man zyt_phantom.\n";
}

bool parse_int(std::string_view text, long long low, long long high, long long& value)
{
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end && value >= low && value <= high;
}

bool parse_real(const std::string& text, double& value)
{
    if (text.empty()) return false;
    char* stop = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &stop);
    return errno == 0 && stop == text.c_str() + text.size() && std::isfinite(value);
}

struct Options
{
    PhantomSettings settings;
    std::string directory = ".";
    std::string prefix;
    bool sinograms = false;
};

// Reads the options; false after saying what was wrong. A --help or
// --version is returned in `asked`, and nothing is written then.
bool parse_options(const std::vector<std::string>& args, Options& options, std::string& asked)
{
    PhantomSettings& s = options.settings;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--help" || option == "--version") {
            asked = option;
            return true;
        }
        if (option == "--vertical" || option == "--horizontal") {
            s.vertical = option == "--vertical";
            continue;
        }
        if (option == "--sinograms") {
            options.sinograms = true;
            continue;
        }
        static const std::vector<std::string> with_value = {
            "--size", "--projections", "--subsamples", "--seed",  "--axis",
            "--tilt", "--noise",       "--output",     "--prefix"};
        if (std::find(with_value.begin(), with_value.end(), option) == with_value.end()) {
            std::cerr << "zyt_phantom: unknown option " << option << " (see --help)\n";
            return false;
        }
        if (i + 1 >= args.size() || args[i + 1].rfind("--", 0) == 0) {
            std::cerr << "zyt_phantom: " << option << " needs a value (see --help)\n";
            return false;
        }
        const std::string& value = args[++i];
        bool ok = true;
        long long whole = 0;
        if (option == "--size") {
            const std::size_t x = value.find('x');
            long long height = 0;
            ok = parse_int(std::string_view(value).substr(0, x), 1, 16384, whole) &&
                 (x == std::string::npos ||
                  parse_int(std::string_view(value).substr(x + 1), 1, 16384, height));
            s.width = static_cast<int>(whole);
            s.height = x == std::string::npos ? s.width : static_cast<int>(height);
        } else if (option == "--projections") {
            ok = parse_int(value, 1, 99999998, whole);
            s.projections = static_cast<int>(whole);
        } else if (option == "--subsamples") {
            ok = parse_int(value, 1, 1000, whole);
            s.subsamples = static_cast<int>(whole);
        } else if (option == "--seed") {
            ok = parse_int(value, 0, 9223372036854775807LL, whole);
            s.seed = static_cast<std::uint64_t>(whole);
        } else if (option == "--axis") {
            ok = parse_real(value, s.axis) && s.axis >= 0.0;
        } else if (option == "--tilt") {
            ok = parse_real(value, s.tilt_degrees);
        } else if (option == "--noise") {
            ok = parse_real(value, s.noise) && s.noise >= 0.0;
        } else if (option == "--output") {
            ok = !value.empty();
            options.directory = value;
        } else { // --prefix
            ok = !value.empty() && value.find('/') == std::string::npos;
            options.prefix = value;
        }
        if (!ok) {
            std::cerr << "zyt_phantom: bad value \"" << value << "\" for " << option
                      << " (see --help)\n";
            return false;
        }
    }
    if (options.prefix.empty()) options.prefix = options.sinograms ? "sino_" : "proj_";
    return true;
}

// A real with the given number of decimals, in as many characters as it needs.
std::string fixed(double value, int decimals)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

std::string number_text(int number, int digits)
{
    std::string text = std::to_string(number);
    if (static_cast<int>(text.size()) < digits)
        text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
    return text;
}

// The truth file: a few comment lines on the series, then every line's axis.
void write_truth(const std::string& path, const Phantom& phantom, const Options& options,
                 const std::string& first, const std::string& last, int& status)
{
    const PhantomSettings& s = phantom.settings();
    IoReplacement file;
    int opened = IO_REPLACEMENT_NOT_MADE;
    file.open(TRUTH_UNIT, path, opened, status);
    if (status != ST_GOOD_VALUE) return;
    if (opened != IO_REPLACEMENT_OPEN) {
        io_say("ERROR: Cannot make the file " + path);
        return st_fail(status, ST_MOD_IO + ST_OPEN_FAIL, "Subroutine ZYT_PHANTOM V0.1");
    }
    const auto put = [](const std::string& line) { io_unit_put_line(TRUTH_UNIT, line); };
    const double slope = std::tan(s.tilt_degrees * std::numbers::pi / 180.0);
    put("# zyt_phantom: the rotation axis of the series " + first + " .. " + last);
    const std::string over = std::to_string(s.projections) +
                             " projections over 0 <= angle < 180 degrees";
    if (options.sinograms)
        put("# sinograms of the lines of " + std::to_string(s.width) + " x " +
            std::to_string(s.height) + " images, " + over + ", one row each");
    else
        put("# size " + std::to_string(s.width) + " x " + std::to_string(s.height) + ", " + over +
            ", " + last + " at 180 degrees");
    put("# " + std::string(s.vertical ? "vertical" : "horizontal") + " axis, position " +
        fixed(s.axis, 5) + " on the middle line, tilt " + fixed(s.tilt_degrees, 5) + " degrees (" +
        fixed(1000.0 * slope, 5) + " pixels per 1000 lines)");
    put("# noise " + fixed(s.noise, 3) + ", seed " + std::to_string(s.seed) +
        (options.sinograms ? std::string("; corrected counts, open beam ") + fixed(s.open_counts, 0)
                           : "; dark " + options.prefix + "dark.tif, flat-field " +
                                 options.prefix + "flat.tif"));
    put(std::string("# line: image ") +
        (s.vertical ? "row (1 at the bottom)" : "column (1 at the left)") +
        "; axis: pixel coordinate across the line (0 at the " + (s.vertical ? "left" : "bottom") +
        " edge)");
    put("# line axis");
    for (int line = 1; line <= phantom.line_count(); ++line)
        put(std::to_string(line) + " " + fixed(phantom.axis(line), 5));
    file.commit(status);
}

int run(const Options& options)
{
    const Phantom phantom(options.settings);
    if (!phantom.valid()) {
        std::cerr << "zyt_phantom: " << phantom.reason() << "\n";
        return EXIT_USAGE;
    }
    std::error_code made;
    std::filesystem::create_directories(options.directory, made);
    if (made) {
        std::cerr << "zyt_phantom: cannot make the directory " << options.directory << ": "
                  << made.message() << "\n";
        return EXIT_FAILED;
    }
    const PhantomSettings& s = phantom.settings();
    const std::string base = (std::filesystem::path(options.directory) / options.prefix).string();
    const int last_number = options.sinograms ? phantom.line_count() : s.projections + 1;
    const int digits = std::max(4, static_cast<int>(std::to_string(last_number).size()));
    const std::string first_name = options.prefix + number_text(1, digits) + ".tif";
    const std::string last_name = options.prefix + number_text(last_number, digits) + ".tif";
    int status = ST_GOOD_VALUE;
    ST_DEF_SYSTEM(status);
    if (options.sinograms) {
        for (int line = 1; line <= last_number && status == ST_GOOD_VALUE; ++line)
            ZYT_WRITE_TIFF16(base + number_text(line, digits) + ".tif", phantom.line_length(),
                             s.projections, phantom.sinogram_image(line).data(),
                             "zyt_phantom sinogram of line " + std::to_string(line), status);
    } else {
        ZYT_WRITE_TIFF16(base + "dark.tif", s.width, s.height, phantom.dark_image().data(),
                         "zyt_phantom dark current", status);
        ZYT_WRITE_TIFF16(base + "flat.tif", s.width, s.height, phantom.flat_image().data(),
                         "zyt_phantom flat-field", status);
        for (int number = 1; number <= last_number && status == ST_GOOD_VALUE; ++number) {
            const std::string description = "zyt_phantom projection " + std::to_string(number) +
                                            " at " + fixed(phantom.projection_angle(number), 6) +
                                            " degrees";
            ZYT_WRITE_TIFF16(base + number_text(number, digits) + ".tif", s.width, s.height,
                             phantom.projection_image(number).data(), description, status);
        }
    }
    write_truth(base + "truth.txt", phantom, options, first_name, last_name, status);
    if (status != ST_GOOD_VALUE) {
        ST_OUT(status);
        return EXIT_FAILED;
    }
    std::cout << "zyt_phantom: wrote " << last_number
              << (options.sinograms ? " sinograms and " : " projections, dark, flat-field and ")
              << options.prefix << "truth.txt to " << options.directory << "\n";
    return EXIT_DONE;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    Options options;
    std::string asked;
    if (!parse_options(args, options, asked)) return EXIT_USAGE;
    if (asked == "--help") print_help(std::cout);
    if (asked == "--version") std::cout << VERSION << "\n";
    if (!asked.empty()) return EXIT_DONE;
    try {
        return run(options);
    } catch (const std::bad_alloc&) {
        std::cerr << "zyt_phantom: not enough memory for images of this size\n";
        return EXIT_FAILED;
    }
}
