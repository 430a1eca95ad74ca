// What the command-line tools write: raw reals and the picture as shown.

#include "fio/tool/image_output.h"

#include <cairo.h>
#include <unistd.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include "fio/fio.h"
#include "gs/gs.h"
#include "io/os/os_layer.h"
#include "io/status.h"
#include "lg/cell_index.h"

namespace {

// The program shows images in colour scale 4 (white to black) with 200 levels
// over the window's image colours 9 to 255.
constexpr LgRgb DISPLAY_SCALE[2] = {{1, 1, 1}, {0, 0, 0}};
constexpr int DISPLAY_LEVELS = 200;
constexpr int FIRST_IMAGE_COLOUR = 9;
constexpr int LAST_IMAGE_COLOUR = 255;

} // namespace

FioOutputFile::FioOutputFile(const std::string& target)
    : target_(target), temporary_(IO_TEMPORARY_NAMEC(target))
{
    int error_value = 0;
    file_ = IO_FCREATEC(temporary_, -1, error_value);
    errno = error_value;
}

FioOutputFile::~FioOutputFile()
{
    if (file_ != nullptr) std::fclose(file_);
    if (file_ != nullptr || (created_ && !committed_)) std::remove(temporary_.c_str());
}

const std::string& FioOutputFile::closed_path()
{
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    created_ = true;
    return temporary_;
}

bool FioOutputFile::commit()
{
    created_ = true;
    if (file_ != nullptr) {
        const bool flushed = std::fflush(file_) == 0 && ::fsync(::fileno(file_)) == 0;
        const bool closed = std::fclose(file_) == 0;
        file_ = nullptr;
        if (!flushed || !closed) return false;
    }
    committed_ = std::rename(temporary_.c_str(), target_.c_str()) == 0;
    return committed_;
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

bool fio_write_raw(const ImageView& image, int xnumdat, int ynumdat, const std::string& out_name)
{
    FioOutputFile out(out_name);
    return out.file() != nullptr && fio_write_raw(image, xnumdat, ynumdat, out.file()) &&
           out.commit();
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

bool fio_write_png(const ImageView& image, int xnumdat, int ynumdat, const std::string& out_name)
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
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, xnumdat, ynumdat);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return false;
    }
    cairo_surface_flush(surface);
    unsigned char* pixels = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
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
    cairo_surface_mark_dirty(surface);
    FioOutputFile out(out_name);
    const bool ok = out.file() != nullptr &&
                    cairo_surface_write_to_png(surface, out.closed_path().c_str()) ==
                        CAIRO_STATUS_SUCCESS &&
                    out.commit();
    cairo_surface_destroy(surface);
    return ok;
}
