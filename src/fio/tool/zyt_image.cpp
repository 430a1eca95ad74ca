// zyt_image: detector image files checked from the shell, and their pixels
// handed to other tools, through the same readers as the interactive program.
// No window and no questions: what a form would ask is taken from the
// remembered answers (~/.zyt.def, never written), the ".info" file and the
// options. Output files are written under a temporary name beside the target
// and renamed when complete, so a failure leaves nothing behind; only a
// regular file is replaced, and "-" writes to standard output.

#include <cairo.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "fio/fio.h"
#include "gs/gs.h"
#include "io/database.h"
#include "io/os/os_layer.h"
#include "io/replace.h"
#include "io/status.h"
#include "io/units.h"
#include "lg/cell_index.h"
#include "ma/statistics.h"

namespace {

constexpr const char* VERSION = "ZYT_IMAGE V1.7";
constexpr const char* DEFAULTS_FILE = "~/.zyt.def";
// The program shows images in colour scale 4 (white to black) with 200 levels
// over the window's image colours 9 to 255.
constexpr LgRgb DISPLAY_SCALE[2] = {{1, 1, 1}, {0, 0, 0}};
constexpr int DISPLAY_LEVELS = 200;
constexpr int FIRST_IMAGE_COLOUR = 9;
constexpr int LAST_IMAGE_COLOUR = 255;

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

// The unit of the output file.
constexpr int OUTPUT_UNIT = 45;

// The temporary output file, for the handler of the signals that stop the
// program: it is removed rather than left behind with a part of the output.
constexpr int STOP_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};
char pending_temporary[4096];
volatile std::sig_atomic_t temporary_pending = 0;

void remove_temporary_and_stop(int signal_number)
{
    if (temporary_pending != 0) ::unlink(pending_temporary);
    ::signal(signal_number, SIG_DFL);
    ::raise(signal_number);
}

// The stop signals held back while it lives, so that the temporary file is
// never made, renamed or removed unknown to the handler.
class StopSignalsHeld
{
public:
    StopSignalsHeld()
    {
        sigset_t held;
        ::sigemptyset(&held);
        for (int s : STOP_SIGNALS)
            ::sigaddset(&held, s);
        ::sigprocmask(SIG_BLOCK, &held, &old_);
    }
    ~StopSignalsHeld() { ::sigprocmask(SIG_SETMASK, &old_, nullptr); }
    StopSignalsHeld(const StopSignalsHeld&) = delete;
    StopSignalsHeld& operator=(const StopSignalsHeld&) = delete;

private:
    sigset_t old_;
};

// The handler for the stop signals that are not ignored (a program started
// in the background keeps ignoring them).
void handle_stop_signals()
{
    for (int s : STOP_SIGNALS) {
        struct sigaction old_action {};
        ::sigaction(s, nullptr, &old_action);
        if (old_action.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = remove_temporary_and_stop;
        ::sigemptyset(&action.sa_mask);
        ::sigaction(s, &action, nullptr);
    }
}

// The output name that means standard output.
constexpr std::string_view STANDARD_OUTPUT = "-";

// Where an image is written: standard output, or a regular file (or a new
// one) replaced as a whole: written beside it and renamed over it only when
// complete. A device, a FIFO or a directory is never replaced by a file.
class Output
{
public:
    Output() = default;
    ~Output() { forget(); }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // False, with the reason on standard error, when nothing can be written.
    bool open(const std::string& name)
    {
        if (name == STANDARD_OUTPUT) {
            file_ = stdout;
            return true;
        }
        int opened = IO_REPLACEMENT_NOT_MADE;
        int status = ST_GOOD_VALUE;
        handle_stop_signals();
        {
            const StopSignalsHeld held;
            errno = 0;
            replacement_.open(OUTPUT_UNIT, name, opened, status);
            const std::string& temporary = replacement_.temporary();
            if (!temporary.empty() && temporary.size() < sizeof pending_temporary) {
                std::memcpy(pending_temporary, temporary.c_str(), temporary.size() + 1);
                temporary_pending = 1;
            }
        }
        if (status == ST_GOOD_VALUE && opened == IO_REPLACEMENT_OPEN) {
            file_ = io_unit_file(OUTPUT_UNIT);
            return true;
        }
        const int error_value = errno;
        std::cerr << "ERROR: Could not write " << name << ": ";
        if (opened == IO_REPLACEMENT_NOT_REGULAR)
            std::cerr << "it is no regular file (a device, a pipe or a directory is never"
                         " replaced; \"-\" writes to standard output)\n";
        else if (opened == IO_REPLACEMENT_READ_ONLY)
            std::cerr << "it is write-protected\n";
        else
            std::cerr << std::strerror(error_value) << "\n";
        return false;
    }
    // The open stream.
    std::FILE* file() const { return file_; }
    bool to_standard_output() const { return file_ == stdout; }
    // Everything written reaches the disk, then the file takes its name.
    bool commit()
    {
        if (to_standard_output()) return std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
        const bool written = std::fflush(file_) == 0 && ::fsync(::fileno(file_)) == 0;
        if (!written) {
            forget();
            return false;
        }
        const StopSignalsHeld held;
        int status = ST_GOOD_VALUE;
        replacement_.commit(status);
        temporary_pending = 0;
        return status == ST_GOOD_VALUE;
    }

private:
    // The temporary file removed, if it is still there.
    void forget()
    {
        const StopSignalsHeld held;
        replacement_.abandon();
        temporary_pending = 0;
    }

    IoReplacement replacement_;
    std::FILE* file_ = nullptr;
};

bool write_raw(FioImage& image, Output& out)
{
    const ImageView v = image.view();
    std::vector<float> row(static_cast<std::size_t>(image.xnumdat));
    for (int j = 1; j <= image.ynumdat; ++j) {
        for (int i = 1; i <= image.xnumdat; ++i) {
            float value = v(i, j);
            if constexpr (std::endian::native == std::endian::big)
                value = Fio_float_byte_swap(value);
            row[static_cast<std::size_t>(i - 1)] = value;
        }
        if (std::fwrite(row.data(), sizeof(float), row.size(), out.file()) != row.size())
            return false;
    }
    return out.commit();
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
    const ImageView v = image.view();
    for (int j = 1; j <= image.ynumdat; ++j)
        for (int i = 1; i <= image.xnumdat; ++i) {
            const double value = v(i, j);
            if (!std::isfinite(value)) continue;
            if (!s.any || value < s.minimum) s.minimum = value;
            if (!s.any || value > s.maximum) s.maximum = value;
            s.any = true;
        }
    float mean = 0.0f;
    int status = ST_GOOD_VALUE;
    const ImageView data = image.view();
    MA_AVERAGE(data.xmaxdat, data.ymaxdat, data.data, 1, 1, image.xnumdat,
               image.ynumdat, mean, status);
    s.mean = mean;
    return s;
}

bool write_png(FioImage& image, Output& out)
{
    const Statistics s = statistics(image);
    std::vector<LgRgb> table(256);
    int status = ST_GOOD_VALUE;
    GS_CAL_COLOURTABLE(2, DISPLAY_SCALE, FIRST_IMAGE_COLOUR, LAST_IMAGE_COLOUR, DISPLAY_LEVELS,
                       table, status);
    if (status != ST_GOOD_VALUE) return false;
    const LgCellIndex index_of(false, static_cast<float>(s.minimum),
                               static_cast<float>(s.maximum), FIRST_IMAGE_COLOUR,
                               LAST_IMAGE_COLOUR);
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, image.xnumdat, image.ynumdat);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return false;
    }
    cairo_surface_flush(surface);
    unsigned char* pixels = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const ImageView v = image.view();
    auto channel = [](float c) { return static_cast<std::uint32_t>(std::lround(c * 255.0f)); };
    // Image row 1 is the bottom of the picture.
    for (int j = 1; j <= image.ynumdat; ++j) {
        auto* line = reinterpret_cast<std::uint32_t*>(pixels + static_cast<std::size_t>(stride) *
                                                                   (image.ynumdat - j));
        for (int i = 1; i <= image.xnumdat; ++i) {
            const LgRgb& c = table[index_of(v(i, j))];
            line[i - 1] = (channel(c.r) << 16) | (channel(c.g) << 8) | channel(c.b);
        }
    }
    cairo_surface_mark_dirty(surface);
    const auto write_bytes = [](void* closure, const unsigned char* bytes, unsigned int length) {
        return std::fwrite(bytes, 1, length, static_cast<std::FILE*>(closure)) == length
                   ? CAIRO_STATUS_SUCCESS
                   : CAIRO_STATUS_WRITE_ERROR;
    };
    const bool ok = cairo_surface_write_to_png_stream(surface, write_bytes, out.file()) ==
                        CAIRO_STATUS_SUCCESS &&
                    out.commit();
    cairo_surface_destroy(surface);
    return ok;
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

// Every console line of the readers goes to standard error while it lives:
// standard output carries only the results.
class ConsoleToStderr
{
public:
    ConsoleToStderr() : old_(std::cout.rdbuf(std::cerr.rdbuf())) {}
    ~ConsoleToStderr() { std::cout.rdbuf(old_); }
    ConsoleToStderr(const ConsoleToStderr&) = delete;
    ConsoleToStderr& operator=(const ConsoleToStderr&) = delete;
    std::streambuf* results() const { return old_; }

private:
    std::streambuf* old_;
};

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
    Output out;
    if (!out.open(out_name)) return 1;
    errno = 0;
    const bool ok = command == "raw" ? write_raw(image, out) : write_png(image, out);
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
