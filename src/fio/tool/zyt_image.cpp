// zyt_image: detector image files checked from the shell, and their pixels
// handed to other tools, through the same readers as the interactive program.
// No window and no questions: what a form would ask is taken from the
// remembered answers (~/.zyt.def, never written), the ".info" file and the
// options. Output files are written under a temporary name beside the target
// and renamed when complete, so a failure leaves nothing behind; only a
// regular file is replaced, and "-" writes to standard output.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "fio/fio.h"
#include "fio/tool/image_output.h"
#include "gs/gs.h"
#include "io/database.h"
#include "io/status.h"
#include "ma/statistics.h"

namespace {

constexpr const char* VERSION = "ZYT_IMAGE V1.7";
constexpr const char* DEFAULTS_FILE = "~/.zyt.def";

void print_help(std::ostream& out)
{
    out << "Usage: zyt_image COMMAND FILE [OUT] [options]\n"
           "\n"
           "Reads a detector image as zyt_zevuza does, without a window and without\n"
           "questions.\n"
           "\n"
           "Commands:\n"
           "  info FILE           format, size, minimum, maximum, mean, overload value,\n"
           "                      pixel sizes and labels, one \"key: value\" line each\n"
           "  raw FILE OUT        the image as little-endian 32-bit reals, X fastest,\n"
           "                      image row 1 (the bottom of the picture) first; prints\n"
           "                      \"WIDTH HEIGHT\"\n"
           "  png FILE OUT.png    the image as the program shows it (grey scale from\n"
           "                      white to black, scaled from minimum to maximum)\n"
           "OUT is a new or a regular file, replaced only when complete; \"-\" writes to\n"
           "standard output (raw then prints \"WIDTH HEIGHT\" on standard error).\n"
           "\n"
           "Options:\n"
           "  --format NAME       the file format when the extension does not tell it\n"
           "                      (TIFF, BINARY, IMAGEQUANT, ... as on the format menu)\n"
           "  --region X1 Y1 X2 Y2  only this region (pixels from 1, row 1 at the bottom)\n"
           "  --rebin BX BY       sum blocks of BX x BY pixels into one\n"
           "  --image N           image N of a file that stores several (TORVA,\n"
           "                      PHOTOMETRICS, PRINCETON, the gas detector), the\n"
           "                      frame of a BSL/OTOKO data set\n"
           "Raw binary files (their \".info\" file and remembered answers give defaults):\n"
           "  --size NX NY        pixels in X (fastest) and Y\n"
           "  --type TYPE         BYTE, I2, I4 or R4\n"
           "  --signed, --unsigned, --swap, --no-swap, --start BYTE (from 1)\n"
           "\n"
           "  --help              show this text and exit\n"
           "  --version           show the version and exit\n"
           "\n"
           "Exit status 0 on success, 1 when the image could not be read or written\n"
           "(the reason is on standard error, no output file is left), 2 for a\n"
           "usage error, among them an option that the file's format cannot honour\n"
           "(--image for a format of one image a file, the raw layout options for\n"
           "any format but raw binary). More in the manual page: man zyt_image.\n";
}

struct Statistics
{
    double minimum = 0, maximum = 0, mean = 0;
    bool any = false;
};

// Extremes of the values that are numbers; the mean as the program takes it.
Statistics statistics(FioImage& image)
{
    Statistics s;
    s.any = fio_finite_extremes(image.view(), image.xnumdat, image.ynumdat, s.minimum, s.maximum);
    float mean = 0.0f;
    int status = ST_GOOD_VALUE;
    const ImageView data = image.view();
    MA_AVERAGE(data.xmaxdat, data.ymaxdat, data.data, 1, 1, image.xnumdat,
               image.ynumdat, mean, status);
    s.mean = mean;
    return s;
}

// Values read as 32-bit reals need 9 digits to come back unchanged; the
// header's reals (pixel sizes, overload) are shown as they were written.
std::string number(double value, int digits = 9)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    return text;
}

void print_info(FioImage& image, std::ostream& out)
{
    const Statistics s = statistics(image);
    out << "format: " << image.format << "\n"
        << "file: " << image.file_name << "\n"
        << "width: " << image.xnumdat << "\n"
        << "height: " << image.ynumdat << "\n"
        << "minimum: " << (s.any ? number(s.minimum) : "nan") << "\n"
        << "maximum: " << (s.any ? number(s.maximum) : "nan") << "\n"
        << "mean: " << (s.any ? number(s.mean) : "nan") << "\n"
        << "overload: " << number(image.overload_value, 7) << "\n"
        << "x_pixel_size: " << number(image.x_pixel_size, 7) << "\n"
        << "y_pixel_size: " << number(image.y_pixel_size, 7) << "\n"
        << "title: " << image.title << "\n"
        << "xlabel: " << image.xlabel << "\n"
        << "ylabel: " << image.ylabel << "\n"
        << "zlabel: " << image.zlabel << "\n";
}

bool parse_int(const char* text, int& value)
{
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < -2147483647L || v > 2147483647L)
        return false;
    value = static_cast<int>(v);
    return true;
}

int usage(const std::string& message)
{
    std::cerr << "zyt_image: " << message << " (see --help)\n";
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> words;
    FioRequest request;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto integers = [&](int count, int* targets[]) {
            if (i + count >= argc) return false;
            for (int k = 0; k < count; ++k)
                if (!parse_int(argv[++i], *targets[k])) return false;
            return true;
        };
        if (arg == "--help") {
            print_help(std::cout);
            return 0;
        }
        if (arg == "--version") {
            std::cout << VERSION << "\n";
            return 0;
        }
        if (arg == "--format") {
            if (i + 1 >= argc) return usage("--format needs a format name");
            request.format = argv[++i];
        } else if (arg == "--region") {
            FioRegion& r = request.region;
            int* targets[] = {&r.x1, &r.y1, &r.x2, &r.y2};
            if (!integers(4, targets)) return usage("--region needs four whole numbers");
            if (r.x1 < 1 || r.y1 < 1 || r.x2 < r.x1 || r.y2 < r.y1)
                return usage("--region needs 1 <= X1 <= X2 and 1 <= Y1 <= Y2");
            request.region_given = true;
        } else if (arg == "--rebin") {
            int* targets[] = {&request.region.xbin, &request.region.ybin};
            if (!integers(2, targets) || request.region.xbin < 1 || request.region.ybin < 1)
                return usage("--rebin needs two whole numbers of at least 1");
        } else if (arg == "--image") {
            int* targets[] = {&request.image};
            if (!integers(1, targets) || request.image < 1)
                return usage("--image needs an image number of at least 1");
        } else if (arg == "--size") {
            int* targets[] = {&request.nx, &request.ny};
            if (!integers(2, targets) || request.nx < 1 || request.ny < 1)
                return usage("--size needs two whole numbers of at least 1");
        } else if (arg == "--start") {
            int* targets[] = {&request.start_byte};
            if (!integers(1, targets) || request.start_byte < 1)
                return usage("--start needs a byte number of at least 1");
        } else if (arg == "--type") {
            if (i + 1 >= argc || fio_type_from_name(argv[i + 1]).empty())
                return usage("--type needs BYTE, I2, I4 or R4");
            request.type = argv[++i];
        } else if (arg == "--signed" || arg == "--unsigned") {
            request.is_signed = arg == "--signed" ? 1 : 0;
        } else if (arg == "--swap" || arg == "--no-swap") {
            request.swap = arg == "--swap" ? 1 : 0;
        } else if (arg.rfind("--", 0) == 0) {
            return usage("unknown option " + arg);
        } else {
            words.push_back(arg);
        }
    }
    if (words.empty()) return usage("a command is needed: info, raw or png");
    const std::string& command = words[0];
    const std::size_t wanted = command == "info" ? 2 : 3;
    if (command != "info" && command != "raw" && command != "png")
        return usage("unknown command " + command);
    if (words.size() != wanted)
        return usage(command + (wanted == 2 ? " needs FILE" : " needs FILE and OUT"));
    request.file_name = words[1];

    const ConsoleToStderr console;
    std::ostream results(console.results());
    int status = ST_GOOD_VALUE;
    ST_DEF_SYSTEM(status);
    int loaded = 0;
    IO_LOAD_DATABASE(DEFAULTS_FILE, loaded, status);
    status = ST_GOOD_VALUE;

    FioImage image;
    int retstat = 1;
    FIO_READ_IMAGE(request, image, retstat, status);
    if (status != ST_GOOD_VALUE) {
        ST_OUT(status);
        return 1;
    }
    if (retstat == 2) return usage("an option given cannot be honoured by the file's format");
    if (retstat != 0) return 1;
    if (command == "info") {
        print_info(image, results);
        return results.good() ? 0 : 1;
    }
    const std::string& out_name = words[2];
    FioOutput out;
    if (!out.open(out_name)) return 1;
    errno = 0;
    const bool ok =
        (command == "raw" ? fio_write_raw(image.view(), image.xnumdat, image.ynumdat, out.file())
                          : fio_write_png(image.view(), image.xnumdat, image.ynumdat, out.file())) &&
        out.commit();
    if (!ok) {
        std::cerr << "ERROR: Could not write " << out_name << ": "
                  << (errno != 0 ? std::strerror(errno) : "a write failed") << "\n";
        return 1;
    }
    // The size goes beside the pixels, not into them.
    if (command == "raw")
        (out.to_standard_output() ? std::cerr : results)
            << image.xnumdat << " " << image.ynumdat << "\n";
    return 0;
}
