// zyt_slice: test slices from the shell, for scripts and for series whose
// axis is typed rather than measured: the slice through one line of a
// sinogram file, or of a projection series read as zyt_zevuza reads it, at
// an axis position and its neighbours, with the sharpness of each.

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <numbers>
#include <string>
#include <vector>

#include "app/parameters.h"
#include "app/slice.h"
#include "fio/fio.h"
#include "fio/tool/image_output.h"
#include "io/database.h"
#include "io/filename.h"
#include "ma/backprojection.h"
#include "io/status.h"

namespace {

constexpr const char* DEFAULTS_FILE = "~/.zyt.def";
constexpr float DEFAULT_STEP = 0.5f;

enum ExitStatus { EXIT_DONE = 0, EXIT_FAILED = 1, EXIT_USAGE = 2 };

void print_help(std::ostream& out)
{
    out << "Usage: zyt_slice --sinogram FILE [--increment DEG] [--log | --no-log]\n"
           "                 --axis A [--step S --count K] --output OUT\n"
           "       zyt_slice --series FIRST LAST [--dark D] [--flat F] [--line L]\n"
           "                 [--horizontal] [--increment DEG] [--log | --no-log]\n"
           "                 --axis A [--step S --count K] --output OUT\n"
           "\n"
           "Reconstructs one slice by filtered back-projection with the rotation axis\n"
           "at pixel coordinate A (0.0 at the outer edge of the first pixel), and with\n"
           "--count K (odd) at the K positions A - (K-1)/2 S .. A + (K-1)/2 S. Prints\n"
           "\"axis A sharpness S\" for each and \"best A\" last: the sharpness is 8 minus\n"
           "the entropy in bits of the slice's histogram, the higher the sharper.\n"
           "\n"
           "  --sinogram FILE     an image whose rows are the projections (the first at\n"
           "                      the top of the picture) and whose columns are the\n"
           "                      pixels of the line\n"
           "  --series FIRST LAST a projection series, deduced from the two names as\n"
           "                      zyt_zevuza does; the line is read from each file\n"
           "  --dark D, --flat F  background and flat-field images of the series\n"
           "  --line L            the image row (a column with --horizontal) to use;\n"
           "                      default the middle one\n"
           "  --horizontal        a horizontal rotation axis: lines are image columns\n"
           "  --increment DEG     degrees between projections (default 180 / their number)\n"
           "  --log               line integrals -ln(I / I0), I0 the open beam: the\n"
           "                      flat-field, or the mean of the brightest 1 % (default)\n"
           "  --no-log            the values are line integrals already\n"
           "  --step S            pixels between axis positions (default 0.5)\n"
           "  --count K           odd number of axis positions (default 1)\n"
           "  --output OUT        the slice at A, line length by line length: OUT.raw\n"
           "                      little-endian 32-bit reals, X fastest, row 1 first\n"
           "                      (prints \"WIDTH HEIGHT\"); OUT.png the picture as\n"
           "                      zyt_zevuza shows it; - the reals on standard output\n"
           "                      (the printed lines then go to standard error)\n"
           "  --help              show this text and exit\n"
           "  --version           show the version and exit\n"
           "\n"
           "Exit status 0 on success, 1 when a file could not be read or written (the\n"
           "reason is on standard error, no output is left), 2 for a usage error.\n"
           "More in the manual page: man zyt_slice.\n";
}

int usage(const std::string& message)
{
    std::cerr << "zyt_slice: " << message << " (see --help)\n";
    return EXIT_USAGE;
}

bool parse_real(const std::string& text, float& value)
{
    if (text.empty()) return false;
    char* stop = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &stop);
    value = static_cast<float>(v);
    return errno == 0 && stop == text.c_str() + text.size() && std::isfinite(value);
}

bool parse_int(const std::string& text, int& value)
{
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && stop == text.data() + text.size();
}

struct Options
{
    std::string sinogram, first, last, dark, flat, output;
    int line = 0; // 0: the middle
    bool horizontal = false;
    bool log = true;
    float increment = 0.0f; // 0: 180 / projections
    bool axis_given = false;
    float axis = 0.0f;
    float step = DEFAULT_STEP;
    int count = 1;
};

// Reads the options; an empty text when they will do, else what is wrong.
std::string parse_options(const std::vector<std::string>& args, Options& o, bool& help)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        const auto value = [&](std::string& target) {
            if (i + 1 >= args.size()) return false;
            target = args[++i];
            return true;
        };
        std::string text;
        if (option == "--help") {
            help = true;
            return {};
        } else if (option == "--horizontal") {
            o.horizontal = true;
        } else if (option == "--log" || option == "--no-log") {
            o.log = option == "--log";
        } else if (option == "--sinogram") {
            if (!value(o.sinogram)) return "--sinogram needs a file name";
        } else if (option == "--series") {
            if (!value(o.first) || !value(o.last)) return "--series needs two file names";
        } else if (option == "--dark") {
            if (!value(o.dark)) return "--dark needs a file name";
        } else if (option == "--flat") {
            if (!value(o.flat)) return "--flat needs a file name";
        } else if (option == "--output") {
            if (!value(o.output)) return "--output needs a file name or -";
        } else if (option == "--line") {
            if (!value(text) || !parse_int(text, o.line) || o.line < 1)
                return "--line needs a line number of at least 1";
        } else if (option == "--increment") {
            if (!value(text) || !parse_real(text, o.increment) || o.increment == 0.0f)
                return "--increment needs a number of degrees other than 0";
        } else if (option == "--axis") {
            if (!value(text) || !parse_real(text, o.axis)) return "--axis needs a number";
            o.axis_given = true;
        } else if (option == "--step") {
            if (!value(text) || !parse_real(text, o.step) || !(o.step > 0.0f))
                return "--step needs a number above 0";
        } else if (option == "--count") {
            if (!value(text) || !parse_int(text, o.count) || o.count < 1 || o.count % 2 == 0 ||
                o.count > 99)
                return "--count needs an odd number from 1 to 99";
        } else {
            return "unknown option " + option;
        }
    }
    if (o.sinogram.empty() == o.first.empty()) return "give either --sinogram or --series";
    if (!o.sinogram.empty() && (!o.dark.empty() || !o.flat.empty() || o.line != 0 || o.horizontal))
        return "--dark, --flat, --line and --horizontal go with --series";
    if (!o.axis_given) return "--axis is needed";
    if (o.output.empty()) return "--output is needed";
    int status = ST_GOOD_VALUE;
    const std::string extension = IO_EXTENSION(o.output, status);
    if (o.output != "-" && extension != "raw" && extension != "png")
        return "--output needs a name ending .raw or .png, or -";
    return {};
}

// An image read whole; false after the reason (on the console, which is
// standard error here).
bool read_whole(const std::string& name, FioImage& image)
{
    FioRequest request;
    request.file_name = name;
    int retstat = 1;
    int status = ST_GOOD_VALUE;
    FIO_READ_IMAGE(request, image, retstat, status);
    if (status != ST_GOOD_VALUE) ST_OUT(status);
    if (status == ST_GOOD_VALUE && retstat == 0) return true;
    std::cerr << "zyt_slice: cannot read " << name << "\n";
    return false;
}

// The sinogram of a sinogram file: its rows upside down (the first
// projection is the top row of the picture, which is the image's last row).
bool sinogram_from_file(const Options& o, ZytSinogram& sinogram)
{
    FioImage image;
    if (!read_whole(o.sinogram, image)) return false;
    sinogram.length = image.xnumdat;
    sinogram.projections = image.ynumdat;
    sinogram.values.resize(static_cast<std::size_t>(image.xnumdat) * image.ynumdat);
    const ImageView view = image.view();
    for (int m = 1; m <= image.ynumdat; ++m)
        for (int k = 1; k <= image.xnumdat; ++k)
            sinogram.values[static_cast<std::size_t>(m - 1) * image.xnumdat + (k - 1)] =
                view(k, image.ynumdat - m + 1);
    const double increment = o.increment != 0.0f ? o.increment : 180.0 / image.ynumdat;
    sinogram.angles.resize(static_cast<std::size_t>(image.ynumdat));
    for (int m = 0; m < image.ynumdat; ++m)
        sinogram.angles[static_cast<std::size_t>(m)] =
            static_cast<float>(m * increment * std::numbers::pi / 180.0);
    if (o.log) ZYT_LINE_INTEGRALS(zyt_open_beam(sinogram.values), sinogram.values);
    return true;
}

bool same_size(const FioImage& image, const FioImage& first, const std::string& name)
{
    if (image.xnumdat == first.xnumdat && image.ynumdat == first.ynumdat) return true;
    std::cerr << "zyt_slice: " << name << " is " << image.xnumdat << " x " << image.ynumdat
              << " pixels, the projections " << first.xnumdat << " x " << first.ynumdat << "\n";
    return false;
}

// The sinogram of a line of a projection series.
bool sinogram_from_series(const Options& o, ZytSinogram& sinogram)
{
    int status = ST_GOOD_VALUE;
    int retstat = 0;
    FileSeries deduced;
    IO_FILESEQUENCE(o.first, o.last, retstat, deduced, status);
    if (status != ST_GOOD_VALUE || retstat != 0) {
        std::cerr << "zyt_slice: cannot deduce a numbered series from " << o.first << " and "
                  << o.last << "\n";
        return false;
    }
    ZytSliceSeries series;
    series.prefix = deduced.prefix;
    series.first = deduced.first;
    series.last = deduced.last;
    series.interval = deduced.direction;
    series.variable_length = deduced.variable_length;
    series.digits = deduced.digits;
    IO_CONCAT2(deduced.postfix, deduced.extension, ZYT_POSTFIX_LENGTH, series.postfix, status);
    // The first projection tells the size; dark and flat must be of it.
    FioImage first, dark, flat;
    if (!read_whole(o.first, first)) return false;
    series.num_image_1 = first.xnumdat;
    series.num_image_2 = first.ynumdat;
    series.format = first.format;
    series.rotation_vertical = !o.horizontal;
    const int lines = o.horizontal ? first.xnumdat : first.ynumdat;
    series.line = o.line != 0 ? o.line : (lines + 1) / 2;
    if (series.line > lines) {
        std::cerr << "zyt_slice: line " << series.line << " is beyond the " << lines
                  << " lines of the images\n";
        return false;
    }
    if (!o.dark.empty()) {
        if (!read_whole(o.dark, dark) || !same_size(dark, first, o.dark)) return false;
        series.subtract_background = true;
        series.background = dark.view();
    }
    if (!o.flat.empty()) {
        if (!read_whole(o.flat, flat) || !same_size(flat, first, o.flat)) return false;
        series.correct_flatfield = true;
        series.flatfield_first = series.flatfield_last = flat.view();
    }
    series.take_logarithm = o.log;
    const long long count = std::llabs(static_cast<long long>(series.last) - series.first) + 1;
    const double increment = o.increment != 0.0f ? o.increment : 180.0 / static_cast<double>(count);
    series.angle_step = static_cast<float>(std::fabs(increment) * std::numbers::pi / 180.0);
    // A negative increment turns the other way.
    if (increment < 0.0) series.interval = -series.interval;
    ZYT_READ_SINOGRAM(series, nullptr, sinogram, retstat, status);
    if (status != ST_GOOD_VALUE) ST_OUT(status);
    return status == ST_GOOD_VALUE && retstat == 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "--version") {
        std::cout << "ZYT_SLICE V1.7\n";
        return EXIT_DONE;
    }
    Options o;
    bool help = false;
    const std::string wrong = parse_options(args, o, help);
    if (help) {
        print_help(std::cout);
        return EXIT_DONE;
    }
    if (!wrong.empty()) return usage(wrong);

    // Console lines (the readers', the INFO lines) go to standard error;
    // results to standard output, or with the reals there to standard error.
    const ConsoleToStderr console;
    const bool reals_out = o.output == "-";
    std::ostream results(reals_out ? std::cerr.rdbuf() : console.results());
    int status = ST_GOOD_VALUE;
    ST_DEF_SYSTEM(status);
    int loaded = 0;
    IO_LOAD_DATABASE(DEFAULTS_FILE, loaded, status);
    status = ST_GOOD_VALUE;

    ZytSinogram sinogram;
    try {
        if (!(o.sinogram.empty() ? sinogram_from_series(o, sinogram)
                                 : sinogram_from_file(o, sinogram)))
            return EXIT_FAILED;
    } catch (const std::bad_alloc&) {
        std::cerr << "zyt_slice: not enough memory for the sinogram\n";
        return EXIT_FAILED;
    }
    if (sinogram.length > MA_LONGEST_LINE) {
        std::cerr << "zyt_slice: lines of more than " << MA_LONGEST_LINE
                  << " pixels are not taken\n";
        return EXIT_FAILED;
    }
    ZytTestSlices slices;
    ZYT_TEST_SLICES(sinogram, o.axis, o.step, o.count, sinogram.length, slices, status);
    if (status != ST_GOOD_VALUE) {
        ST_OUT(status);
        return EXIT_FAILED;
    }
    const int s = slices.size;
    const ImageView slice{slices.slices[static_cast<std::size_t>(o.count - 1) / 2].data(), s, s};
    FioOutput out;
    if (!out.open(o.output)) return EXIT_FAILED;
    errno = 0;
    int extension_status = ST_GOOD_VALUE;
    const bool written = (reals_out || IO_EXTENSION(o.output, extension_status) == "raw"
                              ? fio_write_raw(slice, s, s, out.file())
                              : fio_write_png(slice, s, s, out.file())) &&
                         out.commit();
    if (!written) {
        std::cerr << "zyt_slice: could not write " << o.output << ": "
                  << (errno != 0 ? std::strerror(errno) : "a write failed") << "\n";
        return EXIT_FAILED;
    }
    char line[96];
    for (int k = 0; k < o.count; ++k) {
        std::snprintf(line, sizeof line, "axis %.4f sharpness %.5f\n",
                      slices.axes[static_cast<std::size_t>(k)],
                      slices.sharpness[static_cast<std::size_t>(k)]);
        results << line;
    }
    std::snprintf(line, sizeof line, "best %.4f\n", slices.axes[static_cast<std::size_t>(slices.best)]);
    results << line;
    if (o.output != "-" && IO_EXTENSION(o.output, status) == "raw") results << s << " " << s << "\n";
    return results.good() ? EXIT_DONE : EXIT_FAILED;
}
