// The calculations of the rotation-axis determination.

#include "app/rotation_axis.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <new>
#include <numbers>
#include <string>

#include "io/convert.h"
#include "io/status.h"
#include "ma/correlation.h"
#include "ma/statistics.h"

namespace {

// Start of the peak search: below any correlation value.
constexpr float PEAK_SEARCH_START = -1.7e38f;
// Curvature below which the parabola is taken as flat.
constexpr float FLAT_CURVATURE = 0.000001f;

bool view_holds(const ImageView& view, int xnumdat, int ynumdat)
{
    return view.data != nullptr && xnumdat <= view.xmaxdat && ynumdat <= view.ymaxdat;
}

// The two corrected values of one pixel; false when either cannot be had.
struct PixelCorrection
{
    bool subtract_background;
    bool correct_flatfield;

    bool operator()(float& first, float& rotated, float background, float flat_first,
                    float flat_last) const
    {
        if (!subtract_background) background = 0.0f;
        if (!correct_flatfield) {
            first -= background;
            rotated -= background;
        } else {
            const float denominator_first = flat_first - background;
            const float denominator_rotated = flat_last - background;
            if (!std::isfinite(denominator_first) || denominator_first == 0.0f ||
                !std::isfinite(denominator_rotated) || denominator_rotated == 0.0f)
                return false;
            first = (first - background) / denominator_first;
            rotated = (rotated - background) / denominator_rotated;
        }
        return std::isfinite(first) && std::isfinite(rotated);
    }
};

// n: the smallest power of two above 2s - 1, so that a line and its
// mirror overlap at every shift without wrapping onto each other.
int transform_length(int s)
{
    int n = 1;
    while (n <= 2 * s - 1) n *= 2;
    return n;
}

// A line buffer, or the allocation failure told on the console.
bool allocate_line(std::vector<float>& buffer, int n, std::string_view what, int& status)
{
    try {
        buffer.assign(static_cast<std::size_t>(n), 0.0f);
        return true;
    } catch (const std::bad_alloc&) {
        IO_WRITE(std::string("ERROR: Failed to allocate memory for ") + std::string(what), status);
        st_fail(status, ST_MOD_IO + ST_BAD_MALLOC, "Subroutine ZYT_CAL_ROTATION_AXIS V0.1");
        return false;
    }
}

// Pixel k (from 1) of line j of an image.
struct LinePixels
{
    const ImageView& image;
    bool vertical;
    int j;
    float operator()(int k) const { return vertical ? image(k, j) : image(j, k); }
};

// The mean of line j over its s pixels.
float line_mean(const ImageView& image, bool vertical, int j, int s, int& status)
{
    float mean = 0.0f;
    if (vertical)
        MA_AVERAGE(image.xmaxdat, image.ymaxdat, image.data, 1, j, s, j, mean, status);
    else
        MA_AVERAGE(image.xmaxdat, image.ymaxdat, image.data, j, 1, j, s, mean, status);
    return mean;
}

float median_of(std::vector<float> values)
{
    const std::size_t half = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(half),
                     values.end());
    const float upper = values[half];
    if (values.size() % 2 == 1) return upper;
    const float lower = *std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(half));
    return 0.5f * (lower + upper);
}

// The least-squares slope of position against line number.
double slope_of(const std::vector<float>& lines, const std::vector<float>& positions)
{
    const double count = static_cast<double>(lines.size());
    double line_mean = 0.0, position_mean = 0.0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        line_mean += lines[i];
        position_mean += positions[i];
    }
    line_mean /= count;
    position_mean /= count;
    double covariance = 0.0, variance = 0.0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        covariance += (lines[i] - line_mean) * (positions[i] - position_mean);
        variance += (lines[i] - line_mean) * (lines[i] - line_mean);
    }
    return variance > 0.0 ? covariance / variance : 0.0;
}

void report(ZytAxisLines& result, double sum, double sum_squares, int& status)
{
    const int count = static_cast<int>(result.positions.size());
    if (count == 0) {
        result.axis = 0.5f * static_cast<float>(result.line_length);
        IO_WRITE("WARNING: No image lines in the selected range; the default axis position is "
                 "the centre",
                 status);
        return;
    }
    const double mean = sum / count;
    // The sums are the lines' own; rounding can take the difference just
    // below zero when all lines agree.
    const double deviation =
        count > 1 ? std::sqrt(std::max(0.0, (sum_squares - count * mean * mean) / (count - 1)))
                  : 0.0;
    result.mean = static_cast<float>(mean);
    result.deviation = static_cast<float>(deviation);
    result.median = median_of(result.positions);
    result.axis = result.mean;
    IO_WRITE("INFO: Average rotation axis position = " + io_fortran_f(mean, 12, 5), status);
    IO_WRITE("      Standard deviation = " + io_fortran_f(deviation, 10, 5), status);
    IO_WRITE("INFO: Median rotation axis position = " + io_fortran_f(result.median, 12, 5),
             status);
    if (count < 2) return;
    const double slope = slope_of(result.lines, result.positions);
    result.tilt = static_cast<float>(1000.0 * slope);
    result.tilt_degrees = static_cast<float>(std::atan(slope) * 180.0 / std::numbers::pi);
    IO_WRITE("INFO: Axis tilt = " + io_fortran_f(result.tilt, 12, 5) +
                 " pixels per 1000 lines = " + io_fortran_f(result.tilt_degrees, 10, 5) +
                 " degrees",
             status);
}

} // namespace

void ZYT_FIT_PARABOLA(int position, float before, float at, float after, float& refined,
                      int& status)
{
    if (!st_enter(status, "Subroutine ZYT_FIT_PARABOLA V0.10")) return;
    const float curvature = (before + after) / 2.0f - at;
    const float slope = after - curvature - at;
    refined = std::fabs(curvature) > FLAT_CURVATURE
                  ? static_cast<float>(position) - slope / (2.0f * curvature)
                  : static_cast<float>(position);
}

void ZYT_AXIS_LINE_RANGE(bool rotation_vertical, float x1, float y1, float x2, float y2,
                         int& first_line, int& last_line)
{
    const float a = rotation_vertical ? y1 : x1;
    const float b = rotation_vertical ? y2 : x2;
    first_line = static_cast<int>(std::trunc(std::min(a, b))) + 1;
    last_line = static_cast<int>(std::trunc(std::max(a, b) + 0.5f));
}

void ZYT_CORRECT_AXIS_IMAGES(bool subtract_background, const ImageView& background,
                             bool correct_flatfield, bool flatfield_changing,
                             const ImageView& flatfield_first, const ImageView& flatfield_last,
                             int xnumdat, int ynumdat, const ImageView& first,
                             const ImageView& image180, int& zeroed, int& status)
{
    constexpr std::string_view position = "Subroutine ZYT_CORRECT_AXIS_IMAGES V0.1";
    if (!st_enter(status, position)) return;
    zeroed = 0;
    const ImageView& flatfield_rotated = flatfield_changing ? flatfield_last : flatfield_first;
    if (xnumdat < 1 || ynumdat < 1) return st_fail(status, ST_MOD_IO + ST_BAD_DIM1, position);
    if (!view_holds(first, xnumdat, ynumdat) || !view_holds(image180, xnumdat, ynumdat) ||
        (subtract_background && !view_holds(background, xnumdat, ynumdat)) ||
        (correct_flatfield && (!view_holds(flatfield_first, xnumdat, ynumdat) ||
                               !view_holds(flatfield_rotated, xnumdat, ynumdat))))
        return st_fail(status, ST_MOD_IO + 5, position);
    const PixelCorrection correct{subtract_background, correct_flatfield};
    for (int j = 1; j <= ynumdat; ++j) {
        for (int i = 1; i <= xnumdat; ++i) {
            float& a = first(i, j);
            float& b = image180(i, j);
            const float dark = subtract_background ? background(i, j) : 0.0f;
            const float flat_a = correct_flatfield ? flatfield_first(i, j) : 1.0f;
            const float flat_b = correct_flatfield ? flatfield_rotated(i, j) : 1.0f;
            if (!correct(a, b, dark, flat_a, flat_b)) {
                a = 0.0f;
                b = 0.0f;
                ++zeroed;
            }
        }
    }
    if (zeroed > 0)
        IO_WRITE("WARNING: " + std::to_string(zeroed) +
                     " pixels could not be corrected and were set to zero",
                 status);
}

void ZYT_CAL_ROTATION_AXIS(bool rotation_vertical, int xnumdat, int ynumdat,
                           const ImageView& first, const ImageView& image180, int first_line,
                           int last_line, ZytAxisLines& result, int& status)
{
    constexpr std::string_view position = "Subroutine ZYT_CAL_ROTATION_AXIS V0.1";
    if (!st_enter(status, position)) return;
    result = ZytAxisLines{};
    if (xnumdat < 1 || ynumdat < 1) return st_fail(status, ST_MOD_IO + ST_BAD_DIM1, position);
    if (!view_holds(first, xnumdat, ynumdat) || !view_holds(image180, xnumdat, ynumdat))
        return st_fail(status, ST_MOD_IO + 5, position);
    const int s = rotation_vertical ? xnumdat : ynumdat;
    const int line_count = rotation_vertical ? ynumdat : xnumdat;
    result.line_length = s;
    const int n = transform_length(s);
    first_line = std::max(first_line, 1);
    last_line = std::min(last_line, line_count);
    std::vector<float> a, b;
    if (!allocate_line(a, n, "storing a line of the data", status)) return;
    if (!allocate_line(b, n, "storing a line of the 180 degree rotated data", status)) return;
    double sum = 0.0, sum_squares = 0.0;
    int without_peak = 0;
    for (int j = first_line; j <= last_line && status == ST_GOOD_VALUE; ++j) {
        std::fill(a.begin(), a.end(), 0.0f);
        std::fill(b.begin(), b.end(), 0.0f);
        // The line, and a second copy of it ending at the end of the buffer:
        // the correlation wraps round to it, so every shift of the mirrored
        // line meets the line repeated with period s. (For s a power of two
        // the copy follows the line directly.)
        const float first_mean = line_mean(first, rotation_vertical, j, s, status);
        const LinePixels line{first, rotation_vertical, j};
        for (int k = 1; k <= s; ++k) {
            const float value = line(k) - first_mean;
            a[k - 1] = value;
            a[n - s + k - 1] = value;
        }
        const float rotated_mean = line_mean(image180, rotation_vertical, j, s, status);
        const LinePixels rotated{image180, rotation_vertical, j};
        for (int k = 1; k <= s; ++k) b[k - 1] = rotated(s + 1 - k) - rotated_mean;
        MA_1DCROSSCORR(n, a.data(), n, n, b.data(), status);
        if (status != ST_GOOD_VALUE) break;
        // The first largest value of c(1..s); a line whose correlation
        // overflowed has none.
        float peak_value = PEAK_SEARCH_START;
        int peak = 0;
        for (int k = 1; k <= s; ++k) {
            if (b[k - 1] > peak_value) {
                peak_value = b[k - 1];
                peak = k;
            }
        }
        if (peak == 0) {
            ++without_peak;
            continue;
        }
        // c is periodic with period s.
        const float before = peak == 1 ? b[s - 1] : b[peak - 2];
        const float after = peak == s ? b[0] : b[peak];
        const int signed_peak = peak > s / 2 ? peak - s : peak;
        float refined = 0.0f;
        ZYT_FIT_PARABOLA(signed_peak, before, peak_value, after, refined, status);
        const double lag = static_cast<double>(refined) - 1.0;
        const double axis = 0.5 * s - 0.5 * lag;
        sum += axis;
        sum_squares += axis * axis;
        result.lines.push_back(static_cast<float>(j));
        result.positions.push_back(static_cast<float>(axis));
    }
    if (status != ST_GOOD_VALUE) return;
    if (without_peak > 0)
        IO_WRITE("WARNING: " + std::to_string(without_peak) +
                     " image lines gave no correlation peak and were not used",
                 status);
    report(result, sum, sum_squares, status);
}
