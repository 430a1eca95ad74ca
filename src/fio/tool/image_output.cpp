// What the command-line tools write: raw reals and the picture as shown.

#include "fio/tool/image_output.h"

#include <cairo.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "fio/fio.h"
#include "gs/gs.h"
#include "io/status.h"
#include "io/units.h"
#include "lg/cell_index.h"

namespace {

// The program shows images in colour scale 4 (white to black) with 200 levels
// over the window's image colours 9 to 255.
constexpr LgRgb DISPLAY_SCALE[2] = {{1, 1, 1}, {0, 0, 0}};
constexpr int DISPLAY_LEVELS = 200;
constexpr int FIRST_IMAGE_COLOUR = 9;
constexpr int LAST_IMAGE_COLOUR = 255;

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

} // namespace

FioOutput::~FioOutput() { forget(); }

bool FioOutput::open(const std::string& name)
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

bool FioOutput::commit()
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

void FioOutput::forget()
{
    const StopSignalsHeld held;
    replacement_.abandon();
    temporary_pending = 0;
}

bool fio_write_raw(const ImageView& image, int xnumdat, int ynumdat, std::FILE* file)
{
    std::vector<float> row(static_cast<std::size_t>(xnumdat));
    for (int j = 1; j <= ynumdat; ++j) {
        for (int i = 1; i <= xnumdat; ++i) {
            float value = image(i, j);
            if constexpr (std::endian::native == std::endian::big)
                value = Fio_float_byte_swap(value);
            row[static_cast<std::size_t>(i - 1)] = value;
        }
        if (std::fwrite(row.data(), sizeof(float), row.size(), file) != row.size()) return false;
    }
    return true;
}

bool fio_finite_extremes(const ImageView& image, int xnumdat, int ynumdat, double& minimum,
                         double& maximum)
{
    bool any = false;
    for (int j = 1; j <= ynumdat; ++j)
        for (int i = 1; i <= xnumdat; ++i) {
            const double value = image(i, j);
            if (!std::isfinite(value)) continue;
            if (!any || value < minimum) minimum = value;
            if (!any || value > maximum) maximum = value;
            any = true;
        }
    return any;
}

bool fio_write_png(const ImageView& image, int xnumdat, int ynumdat, std::FILE* file)
{
    double minimum = 0.0, maximum = 0.0;
    fio_finite_extremes(image, xnumdat, ynumdat, minimum, maximum);
    std::vector<LgRgb> table(256);
    int status = ST_GOOD_VALUE;
    GS_CAL_COLOURTABLE(2, DISPLAY_SCALE, FIRST_IMAGE_COLOUR, LAST_IMAGE_COLOUR, DISPLAY_LEVELS,
                       table, status);
    if (status != ST_GOOD_VALUE) return false;
    const LgCellIndex index_of(false, static_cast<float>(minimum), static_cast<float>(maximum),
                               FIRST_IMAGE_COLOUR, LAST_IMAGE_COLOUR);
    const std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, xnumdat, ynumdat), cairo_surface_destroy);
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return false;
    cairo_surface_flush(surface.get());
    unsigned char* pixels = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    auto channel = [](float c) { return static_cast<std::uint32_t>(std::lround(c * 255.0f)); };
    // Image row 1 is the bottom of the picture.
    for (int j = 1; j <= ynumdat; ++j) {
        auto* line = reinterpret_cast<std::uint32_t*>(pixels + static_cast<std::size_t>(stride) *
                                                                   (ynumdat - j));
        for (int i = 1; i <= xnumdat; ++i) {
            const LgRgb& c = table[index_of(image(i, j))];
            line[i - 1] = (channel(c.r) << 16) | (channel(c.g) << 8) | channel(c.b);
        }
    }
    cairo_surface_mark_dirty(surface.get());
    const auto write_bytes = [](void* closure, const unsigned char* bytes, unsigned int length) {
        return std::fwrite(bytes, 1, length, static_cast<std::FILE*>(closure)) == length
                   ? CAIRO_STATUS_SUCCESS
                   : CAIRO_STATUS_WRITE_ERROR;
    };
    return cairo_surface_write_to_png_stream(surface.get(), write_bytes, file) ==
           CAIRO_STATUS_SUCCESS;
}
