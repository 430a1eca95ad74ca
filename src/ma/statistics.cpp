// Statistics of regions of image arrays.

#include "ma/statistics.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "io/status.h"
#include "ma/region.h"

namespace {

struct Box
{
    int x1, y1, x2, y2;
};

// The statistics of the finite elements of several boxes taken together:
// the mean first, then the deviations from it.
MaStatistics box_statistics(const ImageView& image, const std::vector<Box>& boxes)
{
    MaStatistics s;
    long double sum = 0.0L;
    float lo = 0.0f, hi = 0.0f;
    for (const Box& b : boxes) {
        for (int j = b.y1; j <= b.y2; ++j) {
            for (int i = b.x1; i <= b.x2; ++i) {
                const float v = image(i, j);
                if (!ma_finite(v)) {
                    ++s.rejected;
                    continue;
                }
                if (s.count++ == 0) lo = hi = v;
                lo = std::min(lo, v);
                hi = std::max(hi, v);
                sum += v;
            }
        }
    }
    if (s.count == 0) return s;
    const double mean = static_cast<double>(sum / static_cast<long double>(s.count));
    double squares = 0.0;
    double absolute = 0.0;
    for (const Box& b : boxes) {
        for (int j = b.y1; j <= b.y2; ++j) {
            for (int i = b.x1; i <= b.x2; ++i) {
                const float v = image(i, j);
                if (!ma_finite(v)) continue;
                const double d = v - mean;
                squares += d * d;
                absolute += std::fabs(d);
            }
        }
    }
    const double n = static_cast<double>(s.count);
    const double spread = std::sqrt(squares / n);
    // For normally distributed values the mean absolute deviation is
    // sqrt(2 / pi) = 1 / 1.2533 of the standard deviation.
    const double deviation = 1.2533141 * absolute / n;
    s.mean = static_cast<float>(mean);
    s.spread = static_cast<float>(spread);
    s.normaliser = deviation > 0.0 ? static_cast<float>(spread / deviation) : 0.0f;
    s.minimum = lo;
    s.maximum = hi;
    return s;
}

bool view_region_valid(const ImageView& image, int x1, int y1, int x2, int y2, int& status,
                       std::string_view position)
{
    const int xdim = image.data != nullptr ? image.xmaxdat : 0;
    return ma_region_valid(xdim, image.ymaxdat, x1, y1, x2, y2, status, position);
}

} // namespace

void MA_AVERAGE(int xdim, int ydim, const float* array, int x1, int y1, int x2, int y2,
                float& average, int& status)
{
    constexpr std::string_view position = "Subroutine MA_AVERAGE V0.1";
    if (!st_enter(status, position)) return;
    if (!ma_region_valid(xdim, ydim, x1, y1, x2, y2, status, position)) return;
    // Long double: a 2048 x 2048 sum of detector counts loses no digit.
    long double sum = 0.0L;
    for (int y = y1; y <= y2; ++y) {
        const float* row = array + static_cast<std::size_t>(y - 1) * static_cast<std::size_t>(xdim);
        for (int x = x1; x <= x2; ++x)
            sum += row[x - 1];
    }
    const long double count = static_cast<long double>(x2 - x1 + 1) * (y2 - y1 + 1);
    average = static_cast<float>(sum / count);
}

void MA_STATISTICS(const ImageView& image, int xstart, int ystart, int xend, int yend,
                   MaStatistics& results, int& status)
{
    constexpr std::string_view position = "Subroutine MA_STATISTICS V0.1";
    if (!st_enter(status, position)) return;
    if (!view_region_valid(image, xstart, ystart, xend, yend, status, position)) return;
    const MaStatistics s = box_statistics(image, {{xstart, ystart, xend, yend}});
    if (s.count == 0) return ma_no_finite_data(status, position);
    results = s;
}

void MA_DIFZSCALE(const ImageView& image, int xstart, int ystart, int xend, int yend,
                  float& minimum, float& maximum, int& status)
{
    constexpr std::string_view position = "Subroutine MA_DIFZSCALE V0.1";
    if (!st_enter(status, position)) return;
    if (!view_region_valid(image, xstart, ystart, xend, yend, status, position)) return;
    constexpr int SAMPLE = 60;  // elements on a side of a sample box
    constexpr int OFFSET = 120; // between the centres of neighbouring boxes
    const int cx = (xstart + xend) / 2;
    const int cy = (ystart + yend) / 2;
    const bool large = xend - xstart + 1 > 2 * OFFSET && yend - ystart + 1 > 2 * OFFSET;
    std::vector<Box> boxes;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            if (!large && (dx != 0 || dy != 0)) continue;
            const int bx = cx + dx * OFFSET - SAMPLE / 2 + 1;
            const int by = cy + dy * OFFSET - SAMPLE / 2 + 1;
            boxes.push_back({std::max(xstart, bx), std::max(ystart, by),
                             std::min(xend, bx + SAMPLE - 1), std::min(yend, by + SAMPLE - 1)});
        }
    }
    const MaStatistics s = box_statistics(image, boxes);
    if (s.count == 0) return ma_no_finite_data(status, position);
    const float k = std::fabs(s.normaliser) < 1.0f ? 1.0f : std::fabs(s.normaliser);
    minimum = std::max(s.mean - 3.0f * s.spread / k, s.minimum);
    maximum = std::min(s.mean + 5.0f * s.spread / k, s.maximum);
    if (minimum > maximum) minimum = maximum = s.mean; // equal values, rounded apart
}
