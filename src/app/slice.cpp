// Test slices: one line of every projection gathered into a sinogram, and
// slices reconstructed from it at a few axis positions.

#include "app/slice.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <new>
#include <numbers>
#include <sstream>

#include "fio/fio.h"
#include "io/fields.h"
#include "io/filename.h"
#include "io/status.h"
#include "ma/backprojection.h"

namespace {

// The fraction of the brightest values whose mean is the open beam.
constexpr double OPEN_BEAM_FRACTION = 0.01;
// The fraction of the slice's values at either end left out of its histogram range.
constexpr float RANGE_CUT = 0.001f;

// The console held back while it lives: a reader tells every file's size,
// which is noise for hundreds of files; its reasons are given when it fails.
class HeldConsole
{
  public:
    HeldConsole() : old_(std::cout.rdbuf(held_.rdbuf())) {}
    ~HeldConsole() { std::cout.rdbuf(old_); }
    HeldConsole(const HeldConsole&) = delete;
    HeldConsole& operator=(const HeldConsole&) = delete;
    std::string text() const { return held_.str(); }

  private:
    std::ostringstream held_;
    std::streambuf* old_;
};

// Reads the line of one file into values (s of them); false after saying why not.
bool read_line(const FioRequest& request, int s, float* values, int& status)
{
    FioImage image;
    int retstat = 1;
    std::string said;
    {
        const HeldConsole held;
        FIO_READ_IMAGE(request, image, retstat, status);
        said = held.text();
    }
    // A reader's fault ends this test slice, not the run: it is said, and
    // the status given back.
    const bool failed = status != ST_GOOD_VALUE;
    status = ST_GOOD_VALUE;
    if (failed || retstat != 0 || static_cast<long long>(image.xnumdat) * image.ynumdat != s) {
        io_say("WARNING: Cannot read the line from the projection " + request.file_name);
        std::istringstream lines(said);
        for (std::string line; std::getline(lines, line);)
            if (line.rfind("WARNING", 0) == 0 || line.rfind("ERROR", 0) == 0 ||
                line.rfind("  ", 0) == 0)
                io_say(line);
        if (!failed && retstat == 0)
            io_say("         (it is not of the size of the first projection)");
        return false;
    }
    // A row comes as one image row, a column as one image column: either way
    // its pixels are contiguous.
    std::copy_n(image.view().data, s, values);
    return true;
}

// Background and flat-field correction of the line of projection `number`.
void correct_line(const ZytSliceSeries& series, int number, int s, float* values)
{
    if (!series.subtract_background && !series.correct_flatfield) return;
    const auto at = [&](const ImageView& image, int k) -> float {
        return series.rotation_vertical ? image(k, series.line) : image(series.line, k);
    };
    // How far along the series the projection is, for a changing flat-field.
    double weight = 0.0;
    if (series.correct_flatfield && series.flatfield_changing && series.last != series.first)
        weight = static_cast<double>(number - series.first) / (series.last - series.first);
    for (int k = 1; k <= s; ++k) {
        const double dark = series.subtract_background ? at(series.background, k) : 0.0;
        double value = values[k - 1] - dark;
        if (series.correct_flatfield) {
            double flat = at(series.flatfield_first, k);
            if (series.flatfield_changing) flat += weight * (at(series.flatfield_last, k) - flat);
            value /= flat - dark;
        }
        values[k - 1] = static_cast<float>(value);
    }
}

} // namespace

std::vector<int> zyt_series_numbers(const ZytSliceSeries& series)
{
    std::vector<int> numbers;
    const int interval = series.interval == 0 ? 1 : series.interval;
    const long long step = std::llabs(static_cast<long long>(interval));
    const long long span = static_cast<long long>(series.last) - series.first;
    // Numbers run from the first towards the last; a direction against the
    // interval's sign still goes from first to last.
    const long long direction = span >= 0 ? 1 : -1;
    for (long long offset = 0; offset <= std::llabs(span); offset += step)
        numbers.push_back(static_cast<int>(series.first + direction * offset));
    return numbers;
}

void ZYT_LINE_INTEGRALS(float open, std::span<float> values)
{
    for (float& v : values) {
        const float ratio = v / open;
        v = std::isfinite(ratio) && ratio > 0.0f ? -std::log(ratio) : 0.0f;
    }
}

float zyt_open_beam(std::span<const float> values)
{
    std::vector<float> finite;
    finite.reserve(values.size());
    for (const float v : values)
        if (std::isfinite(v)) finite.push_back(v);
    if (finite.empty()) return 1.0f;
    const std::size_t count = std::max<std::size_t>(
        1, static_cast<std::size_t>(OPEN_BEAM_FRACTION * static_cast<double>(finite.size())));
    std::nth_element(finite.begin(), finite.end() - static_cast<std::ptrdiff_t>(count),
                     finite.end());
    double sum = 0.0;
    for (auto v = finite.end() - static_cast<std::ptrdiff_t>(count); v != finite.end(); ++v)
        sum += *v;
    return static_cast<float>(sum / static_cast<double>(count));
}

void ZYT_READ_SINOGRAM(const ZytSliceSeries& series,
                       const std::function<void(int done, int total)>& progress,
                       ZytSinogram& sinogram, int& retstat, int& status)
{
    constexpr std::string_view position = "Subroutine ZYT_READ_SINOGRAM V0.1";
    if (!st_enter(status, position)) return;
    retstat = 2;
    sinogram = ZytSinogram{};
    const int s = series.rotation_vertical ? series.num_image_1 : series.num_image_2;
    const int lines = series.rotation_vertical ? series.num_image_2 : series.num_image_1;
    if (s < 1 || series.line < 1 || series.line > lines) {
        io_say("WARNING: The line " + std::to_string(series.line) + " is not within the image");
        return;
    }
    const std::vector<int> numbers = zyt_series_numbers(series);
    const int total = static_cast<int>(numbers.size());
    try {
        sinogram.values.assign(static_cast<std::size_t>(s) * numbers.size(), 0.0f);
        sinogram.angles.resize(numbers.size());
    } catch (const std::bad_alloc&) {
        io_say("ERROR: Failed to allocate memory for the sinogram of the test slice");
        return;
    }
    sinogram.length = s;
    sinogram.projections = total;
    FioRequest request;
    request.format = series.format;
    request.region_given = true;
    request.region = series.rotation_vertical
                         ? FioRegion{1, series.line, series.num_image_1, series.line, 1, 1}
                         : FioRegion{series.line, 1, series.line, series.num_image_2, 1, 1};
    const double sign = series.interval < 0 ? -1.0 : 1.0;
    const double offset = series.angle_offset * std::numbers::pi / 180.0;
    for (int k = 0; k < total; ++k) {
        const int number = numbers[static_cast<std::size_t>(k)];
        int named = 0;
        IO_FILENAME(series.prefix, number, !series.variable_length, series.digits,
                    series.postfix, named, request.file_name, status);
        if (status != ST_GOOD_VALUE) return;
        float* line = sinogram.values.data() + static_cast<std::ptrdiff_t>(k) * s;
        if (named != 0 || !read_line(request, s, line, status)) {
            if (named != 0) io_say("WARNING: No file name for projection " + std::to_string(number));
            retstat = 1;
            sinogram = ZytSinogram{};
            return;
        }
        correct_line(series, number, s, line);
        sinogram.angles[static_cast<std::size_t>(k)] =
            static_cast<float>(offset + k * series.angle_step * sign);
        if (progress) progress(k + 1, total);
    }
    if (series.take_logarithm) {
        const float open = series.correct_flatfield ? 1.0f : zyt_open_beam(sinogram.values);
        ZYT_LINE_INTEGRALS(open, sinogram.values);
    } else {
        for (float& v : sinogram.values)
            if (!std::isfinite(v)) v = 0.0f;
    }
    retstat = 0;
}

void ZYT_TEST_SLICES(const ZytSinogram& sinogram, float centre, float step, int count, int size,
                     ZytTestSlices& result, int& status)
{
    constexpr std::string_view position = "Subroutine ZYT_TEST_SLICES V0.1";
    if (!st_enter(status, position)) return;
    result = ZytTestSlices{};
    const int s = sinogram.length;
    if (s < 1 || sinogram.projections < 1 || count < 1 || size < 1 ||
        sinogram.values.size() < static_cast<std::size_t>(s) * sinogram.projections)
        return st_fail(status, ST_MOD_IO + ST_BAD_DIM1, position);
    if (!std::isfinite(centre) || !std::isfinite(step))
        return st_fail(status, ST_MOD_IO + ST_BAD_REAL, position);
    std::vector<float> filtered;
    try {
        filtered = sinogram.values;
        result.slices.assign(static_cast<std::size_t>(count),
                             std::vector<float>(static_cast<std::size_t>(size) * size, 0.0f));
    } catch (const std::bad_alloc&) {
        io_say("ERROR: Failed to allocate memory for the test slices");
        return st_fail(status, ST_MOD_IO + ST_BAD_MALLOC, position);
    }
    const ImageView view{filtered.data(), s, sinogram.projections};
    MA_RAMP_FILTER(s, sinogram.projections, view, status);
    result.size = size;
    // The circle that every projection sees from every axis position, within the slice.
    double radius = 0.5 * size;
    for (int k = 0; k < count; ++k) {
        const float axis = centre + static_cast<float>(k - (count - 1) / 2) * step;
        result.axes.push_back(axis);
        radius = std::min({radius, static_cast<double>(axis), static_cast<double>(s - axis)});
    }
    const float circle = static_cast<float>(std::max(1.0, radius - 1.0));
    result.sharpness.assign(static_cast<std::size_t>(count), 0.0);
    // The middle slice first: its range is the histogram range of all.
    const int middle = (count - 1) / 2;
    float low = 0.0f, high = 0.0f;
    for (int n = 0; n < count && status == ST_GOOD_VALUE; ++n) {
        const int k = (middle + n) % count;
        const ImageView slice{result.slices[static_cast<std::size_t>(k)].data(), size, size};
        MA_BACKPROJECT(s, sinogram.projections, view, sinogram.angles,
                       result.axes[static_cast<std::size_t>(k)], 1.0f, size, slice, status);
        if (n == 0) {
            MA_SLICE_RANGE(slice, size, circle, RANGE_CUT, low, high, status);
            // An even slice has no range: any will do, as every value falls in one bin.
            if (!(high > low)) high = low + 1.0f;
        }
        double entropy = 0.0;
        MA_SLICE_ENTROPY(slice, size, circle, low, high, entropy, status);
        result.sharpness[static_cast<std::size_t>(k)] = std::log2(MA_HISTOGRAM_BINS) - entropy;
    }
    if (status != ST_GOOD_VALUE) return;
    result.low = low;
    result.high = high;
    for (int k = 0; k < count; ++k) {
        if (result.sharpness[static_cast<std::size_t>(k)] >
            result.sharpness[static_cast<std::size_t>(result.best)])
            result.best = k;
        IO_WRITE("INFO: Test slice at axis " + io_fortran_f(result.axes[static_cast<std::size_t>(k)], 11, 3) +
                     ": sharpness " + io_fortran_f(result.sharpness[static_cast<std::size_t>(k)], 9, 5),
                 status);
    }
    IO_WRITE("INFO: The sharpest test slice is at axis " +
                 io_fortran_f(result.axes[static_cast<std::size_t>(result.best)], 11, 3),
             status);
}
