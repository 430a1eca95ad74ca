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

// Argument faults (plus ST_MOD_IO).
enum AxisError {
    AXIS_BAD_SIZE = 1,   // a used size below 1
    AXIS_BAD_REGION = 5, // a used size beyond an array, or an array missing
};

// Start of the peak search: below any correlation value.
constexpr float PEAK_SEARCH_START = -1.7e38f;
// Curvature below which the parabola is taken as flat.
constexpr float FLAT_CURVATURE = 0.000001f;

bool view_holds(const ImageView& view, int xnumdat, int ynumdat)
{
    return view.data != nullptr && xnumdat <= view.xmaxdat && ynumdat <= view.ymaxdat;
}

// 1 for a finite value, neither infinite nor NaN (x - x is 0 only for
// finite x), else 0; tests written as integers combine without branches, so
// that a row of pixels is tested in vector registers.
inline int finite(float x)
{
    return x - x == 0.0f;
}

inline int nonzero(float x)
{
    return x != 0.0f;
}

// Corrects one row of both images; the number of pixels set to zero.
// Every pixel is computed and selected without a branch on its value.
template <bool background, bool flatfield>
int correct_row(int length, float* __restrict first, float* __restrict rotated, const float* dark,
                const float* flat_first, const float* flat_rotated)
{
    int zeroed = 0;
    for (int i = 0; i < length; ++i) {
        const float offset = background ? dark[i] : 0.0f;
        float a = first[i] - offset, b = rotated[i] - offset;
        int good = 1;
        if (flatfield) {
            const float da = flat_first[i] - offset, db = flat_rotated[i] - offset;
            good = finite(da) & nonzero(da) & finite(db) & nonzero(db);
            a /= da;
            b /= db;
        }
        good &= finite(a) & finite(b);
        first[i] = good ? a : 0.0f;
        rotated[i] = good ? b : 0.0f;
        zeroed += good ? 0 : 1;
    }
    return zeroed;
}

// n: the smallest power of two above 2s - 1, room for a line and a second
// copy of it. (Lines longer than the correlation's limit are refused there.)
int transform_length(int s)
{
    long long n = 1;
    while (n <= 2LL * s - 1 && n < (1LL << 30))
        n *= 2;
    return static_cast<int>(n);
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

// Image columns are gathered this many at a time into contiguous lines, so
// that each image row is read a cache line at a time, not a pixel.
constexpr int COLUMN_BLOCK = 32;
// Lines of the block lie this many floats further apart than their length,
// so that a power-of-two length does not put them all in one cache set.
constexpr int LINE_PADDING = 16;

// The lines of one image as contiguous runs of s pixels with their means
// (MA_AVERAGE over the line): image rows directly, image columns from a
// block gathered when the line first needs it.
class ImageLines
{
  public:
    ImageLines(const ImageView& image, bool vertical, int s)
        : image_(image), vertical_(vertical), s_(s), stride_(s + LINE_PADDING)
    {
    }
    bool allocate(std::string_view what, int& status)
    {
        return vertical_ || allocate_line(block_, stride_ * COLUMN_BLOCK, what, status);
    }
    // Line j (from 1), for j within last_line; its mean goes to mean.
    const float* line(int j, int last_line, float& mean, int& status)
    {
        if (vertical_) {
            MA_AVERAGE(image_.xmaxdat, image_.ymaxdat, image_.data, 1, j, s_, j, mean, status);
            return &image_(1, j);
        }
        if (j < block_first_ || j >= block_first_ + block_columns_) gather(j, last_line);
        const int row = j - block_first_ + 1;
        MA_AVERAGE(stride_, COLUMN_BLOCK, block_.data(), 1, row, s_, row, mean, status);
        return block_.data() + static_cast<std::size_t>(row - 1) * stride_;
    }

  private:
    void gather(int j, int last_line)
    {
        block_first_ = j;
        block_columns_ = std::min(COLUMN_BLOCK, last_line - j + 1);
        for (int k = 1; k <= s_; ++k) {
            const float* row = &image_(j, k);
            for (int c = 0; c < block_columns_; ++c)
                block_[static_cast<std::size_t>(c) * stride_ + (k - 1)] = row[c];
        }
    }

    const ImageView& image_;
    bool vertical_;
    int s_;
    int stride_;
    std::vector<float> block_;
    int block_first_ = 0;
    int block_columns_ = 0;
};

bool flat(const float* line, int s)
{
    return std::all_of(line, line + s, [first = line[0]](float v) { return v == first; });
}

float median_of(std::vector<float> values)
{
    const std::size_t half = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(half),
                     values.end());
    const float upper = values[half];
    if (values.size() % 2 == 1) return upper;
    const float lower =
        *std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(half));
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
    IO_WRITE("INFO: Median rotation axis position = " + io_fortran_f(result.median, 12, 5), status);
    if (count < 2) return;
    const double slope = slope_of(result.lines, result.positions);
    result.tilt = static_cast<float>(1000.0 * slope);
    result.tilt_degrees = static_cast<float>(std::atan(slope) * 180.0 / std::numbers::pi);
    IO_WRITE("INFO: Axis tilt = " + io_fortran_f(result.tilt, 12, 5) + " pixels per 1000 lines = " +
                 io_fortran_f(result.tilt_degrees, 10, 5) + " degrees",
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

ZytElementRange zyt_element_range(float a, float b)
{
    const int first = static_cast<int>(std::trunc(std::min(a, b))) + 1;
    const int last = static_cast<int>(std::trunc(std::max(a, b) + 0.5f));
    return {first, std::max(first, last)};
}

void ZYT_AXIS_LINE_RANGE(bool rotation_vertical, float x1, float y1, float x2, float y2,
                         int& first_line, int& last_line)
{
    const ZytElementRange lines =
        rotation_vertical ? zyt_element_range(y1, y2) : zyt_element_range(x1, x2);
    first_line = lines.first;
    last_line = lines.last;
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
    if (xnumdat < 1 || ynumdat < 1) return st_fail(status, ST_MOD_IO + AXIS_BAD_SIZE, position);
    if (!view_holds(first, xnumdat, ynumdat) || !view_holds(image180, xnumdat, ynumdat) ||
        (subtract_background && !view_holds(background, xnumdat, ynumdat)) ||
        (correct_flatfield && (!view_holds(flatfield_first, xnumdat, ynumdat) ||
                               !view_holds(flatfield_rotated, xnumdat, ynumdat))))
        return st_fail(status, ST_MOD_IO + AXIS_BAD_REGION, position);
    const auto rows = [&](auto kernel) {
        for (int j = 1; j <= ynumdat; ++j)
            zeroed += kernel(xnumdat, &first(1, j), &image180(1, j),
                             subtract_background ? &background(1, j) : nullptr,
                             correct_flatfield ? &flatfield_first(1, j) : nullptr,
                             correct_flatfield ? &flatfield_rotated(1, j) : nullptr);
    };
    if (subtract_background && correct_flatfield)
        rows(correct_row<true, true>);
    else if (correct_flatfield)
        rows(correct_row<false, true>);
    else if (subtract_background)
        rows(correct_row<true, false>);
    else
        rows(correct_row<false, false>);
    if (zeroed > 0)
        IO_WRITE("WARNING: " + std::to_string(zeroed) +
                     " pixels could not be corrected and were set to zero",
                 status);
}

void ZYT_CAL_ROTATION_AXIS(bool rotation_vertical, int xnumdat, int ynumdat, const ImageView& first,
                           const ImageView& image180, int first_line, int last_line,
                           ZytAxisLines& result, int& status)
{
    constexpr std::string_view position = "Subroutine ZYT_CAL_ROTATION_AXIS V0.1";
    if (!st_enter(status, position)) return;
    result = ZytAxisLines{};
    if (xnumdat < 1 || ynumdat < 1) return st_fail(status, ST_MOD_IO + AXIS_BAD_SIZE, position);
    if (!view_holds(first, xnumdat, ynumdat) || !view_holds(image180, xnumdat, ynumdat))
        return st_fail(status, ST_MOD_IO + AXIS_BAD_REGION, position);
    const int s = rotation_vertical ? xnumdat : ynumdat;
    const int line_count = rotation_vertical ? ynumdat : xnumdat;
    result.line_length = s;
    const int n = transform_length(s);
    first_line = std::max(first_line, 1);
    last_line = std::min(last_line, line_count);
    std::vector<float> a, b;
    ImageLines first_lines(first, rotation_vertical, s),
        rotated_lines(image180, rotation_vertical, s);
    if (!allocate_line(a, n, "storing a line of the data", status) ||
        !first_lines.allocate("storing a line of the data", status) ||
        !allocate_line(b, n, "storing a line of the 180 degree rotated data", status) ||
        !rotated_lines.allocate("storing a line of the 180 degree rotated data", status))
        return;
    double sum = 0.0, sum_squares = 0.0;
    int without_peak = 0;
    int without_contrast = 0;
    for (int j = first_line; j <= last_line && status == ST_GOOD_VALUE; ++j) {
        // The line, and a second copy of it ending at the end of the buffer:
        // the correlation wraps round to it, so every shift of the mirrored
        // line meets the line repeated with period s. (For s a power of two
        // the copy follows the line directly.) Between them zeros.
        float first_mean = 0.0f, rotated_mean = 0.0f;
        const float* line = first_lines.line(j, last_line, first_mean, status);
        const float* rotated = rotated_lines.line(j, last_line, rotated_mean, status);
        // A line without contrast (all of it set to zero by the correction,
        // say) correlates equally at every shift: it tells nothing of the axis.
        if (flat(line, s) || flat(rotated, s)) {
            ++without_contrast;
            continue;
        }
        for (int k = 0; k < s; ++k) {
            const float value = line[k] - first_mean;
            a[k] = value;
            a[n - s + k] = value;
        }
        std::fill(a.begin() + s, a.begin() + (n - s), 0.0f);
        // The mirrored line, then zeros.
        for (int k = 0; k < s; ++k)
            b[k] = rotated[s - 1 - k] - rotated_mean;
        std::fill(b.begin() + s, b.end(), 0.0f);
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
    if (without_contrast > 0)
        IO_WRITE("WARNING: " + std::to_string(without_contrast) +
                     " image lines have the same value in every pixel (as where the correction "
                     "set them to zero) and were not used",
                 status);
    if (without_peak > 0)
        IO_WRITE("WARNING: " + std::to_string(without_peak) +
                     " image lines gave no correlation peak and were not used",
                 status);
    report(result, sum, sum_squares, status);
}
