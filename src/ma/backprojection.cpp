// Filtered back-projection of parallel-beam data and the sharpness of a slice.

#include "ma/backprojection.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <new>
#include <numbers>
#include <system_error>
#include <thread>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "io/status.h"
#include "ma/clones.h"
#include "ma/fft.h"

namespace {

constexpr int DIRECT_STEP = 16;
// Threads that share the rows of a slice: as many as the machine has cores, up to this.
constexpr int MOST_WORKERS = 16;

// The smallest power of two of at least 2 length: a row and as many zeros,
// so that the filter's response to one end never reaches the other.
int padded_length(int length)
{
    int n = 2;
    while (n < 2 * length)
        n *= 2;
    return n;
}

// The ramp filter's spectrum for rows of n points, in the pass order of the
// unordered transform: the transform of the impulse response laid out
// circularly. The response is real and even, so its spectrum is real; the
// position of each real part is that of the same frequency of a row.
bool ramp_spectrum(int n, std::vector<float>& table, std::vector<float>& spectrum, int& status)
{
    try {
        table.assign(static_cast<std::size_t>(2 * n), 0.0f);
        spectrum.assign(static_cast<std::size_t>(n), 0.0f);
    } catch (const std::bad_alloc&) {
        io_say("ERROR: Failed to allocate memory for the ramp filter");
        st_fail(status, ST_MOD_IO + ST_BAD_MALLOC, "Subroutine MA_RAMP_FILTER V0.1");
        return false;
    }
    MA_EXPNT(2 * n, 2 * n, DIRECT_STEP, table.data(), status);
    spectrum[0] = 0.25f;
    for (int k = 1; k < n / 2; k += 2) {
        const double h = -1.0 / (std::numbers::pi * std::numbers::pi * k * k);
        spectrum[static_cast<std::size_t>(k)] = static_cast<float>(h);
        spectrum[static_cast<std::size_t>(n - k)] = static_cast<float>(h);
    }
    MA_FFA8(n, n, 2 * n, table.data(), false, spectrum.data(), status);
    return status == ST_GOOD_VALUE;
}

// A filtered row with this many zeros before it: a position within one
// pixel beyond the first pixel still interpolates inside the row.
constexpr int MARGIN = 2;
// ... and this many after it, beyond the one pixel past the last pixel: the
// vector kernel reads sixteen values from the lowest position of eight.
constexpr int TAIL = MARGIN + 16;
// Projections back-projected together over one row of the slice, so that the
// row stays in the nearest cache while they are added to it.
constexpr int ANGLE_BLOCK = 16;

// Adds one padded projection along a run of a slice row:
// row[i] += value at position base + i step, for i = first .. last.
ZYT_CLONES void add_projection(const float* __restrict padded, float base, float step, int first,
                               int last, float* __restrict row)
{
    for (int i = first; i <= last; ++i) {
        const float position = base + static_cast<float>(i) * step;
        // Never negative here, so the conversion rounds down.
        const int k = static_cast<int>(position);
        const float fraction = position - static_cast<float>(k);
        const float low = padded[k];
        row[i] += low + fraction * (padded[k + 1] - low);
    }
}

#if defined(__x86_64__)
// Element d (0..15) of the sixteen values in near and far, lane by lane.
[[gnu::always_inline]] inline __attribute__((target("avx2,fma"))) __m256
pick(__m256 near, __m256 far, __m256i d, __m256i seven)
{
    return _mm256_blendv_ps(_mm256_permutevar8x32_ps(near, d), _mm256_permutevar8x32_ps(far, d),
                            _mm256_castsi256_ps(_mm256_cmpgt_epi32(d, seven)));
}

// The same for steps of at most one pixel, eight slice pixels at a time:
// their eight positions lie within nine pixels of the lowest, so the values
// come from two vector loads there and permutations within registers, which
// is much faster than gathering them one by one.
__attribute__((target("avx2,fma"))) void add_projection_avx2(const float* __restrict padded,
                                                             float base, float step, int first,
                                                             int last, float* __restrict row)
{
    const __m256 steps = _mm256_set1_ps(step);
    const __m256 start = _mm256_set1_ps(base);
    const __m256 lanes = _mm256_setr_ps(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i seven = _mm256_set1_epi32(7);
    const __m256i one = _mm256_set1_epi32(1);
    int i = first;
    for (; i + 7 <= last; i += 8) {
        const __m256 position =
            _mm256_fmadd_ps(_mm256_add_ps(_mm256_set1_ps(static_cast<float>(i)), lanes), steps,
                            start);
        const __m256i k = _mm256_cvttps_epi32(position);
        const __m256 fraction = _mm256_sub_ps(position, _mm256_cvtepi32_ps(k));
        // The lowest position is that of the first lane going up, of the last going down.
        const int lowest = step >= 0.0f ? _mm256_extract_epi32(k, 0) : _mm256_extract_epi32(k, 7);
        const __m256i d0 = _mm256_sub_epi32(k, _mm256_set1_epi32(lowest));
        const __m256i d1 = _mm256_add_epi32(d0, one);
        const __m256 near = _mm256_loadu_ps(padded + lowest);
        const __m256 far = _mm256_loadu_ps(padded + lowest + 8);
        const __m256 low = pick(near, far, d0, seven);
        const __m256 value =
            _mm256_fmadd_ps(fraction, _mm256_sub_ps(pick(near, far, d1, seven), low), low);
        _mm256_storeu_ps(row + i, _mm256_add_ps(_mm256_loadu_ps(row + i), value));
    }
    if (i <= last) add_projection(padded, base, step, i, last, row);
}

bool machine_has_avx2()
{
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return has;
}
#endif

void add_run(const float* padded, float base, float step, int first, int last, float* row)
{
#if defined(__x86_64__)
    if (std::fabs(step) <= 1.0f && machine_has_avx2())
        return add_projection_avx2(padded, base, step, first, last, row);
#endif
    add_projection(padded, base, step, first, last, row);
}

// The run of slice pixels 0..size-1 whose position base + i step lies within
// lowest..highest; empty when last < first.
void run_within(float base, float step, int size, float lowest, float highest, int& first,
                int& last)
{
    constexpr float FLAT = 1.0e-6f;
    if (std::fabs(step) < FLAT) {
        const bool inside = base >= lowest && base <= highest;
        first = 0;
        last = inside ? size - 1 : -1;
        return;
    }
    double from = (static_cast<double>(lowest) - base) / step;
    double to = (static_cast<double>(highest) - base) / step;
    if (from > to) std::swap(from, to);
    first = static_cast<int>(std::max(0.0, std::ceil(from)));
    last = static_cast<int>(std::min(static_cast<double>(size - 1), std::floor(to)));
}

// Where a projection's positions start and how they step across the slice.
struct Direction
{
    double start; // padded position of slice pixel (1, 1)
    float step_x, step_y;
};

// Adds every projection to rows first_row..last_row of the slice.
void backproject_rows(const std::vector<float>& padded, int stride,
                      const std::vector<Direction>& directions, int length, int size,
                      int first_row, int last_row, const ImageView& slice)
{
    // Positions from one pixel before the first pixel's centre to one after
    // the last's; rounding of the running position stays well within the margins.
    const float lowest = static_cast<float>(MARGIN) - 1.0f;
    const float highest = static_cast<float>(length + MARGIN);
    const int projections = static_cast<int>(directions.size());
    for (int block = 0; block < projections; block += ANGLE_BLOCK) {
        const int end = std::min(projections, block + ANGLE_BLOCK);
        for (int j = first_row; j <= last_row; ++j) {
            float* row = &slice(1, j);
            for (int m = block; m < end; ++m) {
                const Direction& d = directions[static_cast<std::size_t>(m)];
                const float base =
                    static_cast<float>(d.start + static_cast<double>(j - 1) * d.step_y);
                int first = 0, last = -1;
                run_within(base, d.step_x, size, lowest, highest, first, last);
                if (first <= last)
                    add_run(padded.data() + static_cast<std::ptrdiff_t>(m) * stride, base,
                            d.step_x, first, last, row);
            }
        }
    }
}

// The checks of a slice and a circle on it.
bool disc_valid(const ImageView& slice, int size, float radius, int& status,
                std::string_view position)
{
    if (size < 1 || slice.data == nullptr)
        st_fail(status, ST_MOD_MA + MA_ERR_DIMENSION, position);
    else if (size > slice.xmaxdat || size > slice.ymaxdat)
        st_fail(status, ST_MOD_MA + MA_ERR_REGION, position);
    else if (!(radius >= 1.0f) || !std::isfinite(radius))
        st_fail(status, ST_MOD_MA + MA_ERR_VALUE, position);
    return status == ST_GOOD_VALUE;
}

// Calls visit(row, first, last) for the run of each row of the slice whose
// pixel centres lie within radius of its centre (counted from 0 in the row).
template <class Visit> void for_disc(const ImageView& slice, int size, float radius, Visit visit)
{
    const double centre = 0.5 * size; // of the slice, as pixel centres count from 0.5
    const double r2 = static_cast<double>(radius) * radius;
    for (int j = 1; j <= size; ++j) {
        const double dy = j - 0.5 - centre;
        if (dy * dy > r2) continue;
        const double half = std::sqrt(r2 - dy * dy);
        const int first = std::max(0, static_cast<int>(std::ceil(centre - half - 0.5)));
        const int last = std::min(size - 1, static_cast<int>(std::floor(centre + half - 0.5)));
        if (first <= last) visit(&slice(1, j), first, last);
    }
}

} // namespace

void MA_RAMP_FILTER(int length, int projections, const ImageView& sinogram, int& status)
{
    constexpr std::string_view position = "Subroutine MA_RAMP_FILTER V0.1";
    if (!st_enter(status, position)) return;
    if (length < 1 || projections < 1 || sinogram.data == nullptr)
        return st_fail(status, ST_MOD_MA + MA_ERR_DIMENSION, position);
    if (length > sinogram.xmaxdat || projections > sinogram.ymaxdat)
        return st_fail(status, ST_MOD_MA + MA_ERR_REGION, position);
    if (length > MA_LONGEST_LINE) return st_fail(status, ST_MOD_MA + MA_ERR_LIMIT, position);
    const int n = padded_length(length);
    std::vector<float> table, spectrum, row;
    if (!ramp_spectrum(n, table, spectrum, status)) return;
    row.assign(static_cast<std::size_t>(n), 0.0f);
    const float scale = 1.0f / static_cast<float>(n);
    for (int m = 1; m <= projections && status == ST_GOOD_VALUE; ++m) {
        float* values = &sinogram(1, m);
        std::copy_n(values, length, row.begin());
        std::fill(row.begin() + length, row.end(), 0.0f);
        MA_FFA8(n, n, 2 * n, table.data(), false, row.data(), status);
        // Zero frequency and n/2 are real; every other pair is scaled by the
        // real spectrum at its position.
        row[0] *= spectrum[0];
        row[1] *= spectrum[1];
        for (int k = 2; k < n; k += 2) {
            row[static_cast<std::size_t>(k)] *= spectrum[static_cast<std::size_t>(k)];
            row[static_cast<std::size_t>(k + 1)] *= spectrum[static_cast<std::size_t>(k)];
        }
        MA_FFS8(n, n, 2 * n, table.data(), false, row.data(), status);
        for (int k = 0; k < length; ++k)
            values[k] = row[static_cast<std::size_t>(k)] * scale;
    }
}

void MA_BACKPROJECT(int length, int projections, const ImageView& filtered,
                    std::span<const float> angles, float axis, float pixel, int size,
                    const ImageView& slice, int& status)
{
    constexpr std::string_view position = "Subroutine MA_BACKPROJECT V0.1";
    if (!st_enter(status, position)) return;
    if (length < 1 || projections < 1 || size < 1 || !(pixel > 0.0f) ||
        filtered.data == nullptr || slice.data == nullptr)
        return st_fail(status, ST_MOD_MA + MA_ERR_DIMENSION, position);
    if (length > filtered.xmaxdat || projections > filtered.ymaxdat || size > slice.xmaxdat ||
        size > slice.ymaxdat)
        return st_fail(status, ST_MOD_MA + MA_ERR_REGION, position);
    if (static_cast<int>(angles.size()) != projections)
        return st_fail(status, ST_MOD_MA + MA_ERR_RELATION, position);
    if (!std::isfinite(axis) || !std::isfinite(pixel) ||
        !std::all_of(angles.begin(), angles.end(), [](float a) { return std::isfinite(a); }))
        return st_fail(status, ST_MOD_MA + MA_ERR_VALUE, position);

    for (int j = 1; j <= size; ++j)
        std::fill_n(&slice(1, j), size, 0.0f);
    // Every filtered projection with its zeros either side, and its direction.
    const int stride = MARGIN + length + TAIL;
    std::vector<float> padded;
    std::vector<Direction> directions;
    try {
        padded.assign(static_cast<std::size_t>(stride) * static_cast<std::size_t>(projections),
                      0.0f);
        directions.resize(static_cast<std::size_t>(projections));
    } catch (const std::bad_alloc&) {
        io_say("ERROR: Failed to allocate memory for the filtered projections");
        return st_fail(status, ST_MOD_IO + ST_BAD_MALLOC, position);
    }
    const double corner = (0.5 - 0.5 * size) * pixel; // x and y of slice pixel (1, 1)
    for (int m = 0; m < projections; ++m) {
        std::copy_n(&filtered(1, m + 1), length,
                    padded.begin() + static_cast<std::ptrdiff_t>(m) * stride + MARGIN);
        const double theta = angles[static_cast<std::size_t>(m)];
        const double c = std::cos(theta), s = std::sin(theta);
        // Pixel k (from 1) is centred on k - 0.5, at k - 1 in the row and
        // k - 1 + MARGIN in the padded row.
        directions[static_cast<std::size_t>(m)] = {axis - 0.5 + MARGIN + corner * (c + s),
                                                   static_cast<float>(pixel * c),
                                                   static_cast<float>(pixel * s)};
    }
    // The rows are shared among the machine's cores; each adds to its own.
    const int workers = static_cast<int>(
        std::clamp<unsigned>(std::thread::hardware_concurrency(), 1u,
                             static_cast<unsigned>(std::min(MOST_WORKERS, size))));
    const auto share = [&](int w) {
        backproject_rows(padded, stride, directions, length, size, 1 + w * size / workers,
                         (w + 1) * size / workers, slice);
    };
    {
        std::vector<std::jthread> threads;
        for (int w = 1; w < workers; ++w) {
            try {
                threads.emplace_back(share, w);
            } catch (const std::system_error&) {
                share(w); // no thread to be had: done here instead
            }
        }
        share(0);
    }
    const float weight = static_cast<float>(std::numbers::pi / projections);
    for (int j = 1; j <= size; ++j)
        for (float* p = &slice(1, j); p != &slice(1, j) + size; ++p)
            *p *= weight;
}

void MA_SLICE_ENTROPY(const ImageView& slice, int size, float radius, float minimum,
                      float maximum, double& entropy, int& status)
{
    constexpr std::string_view position = "Subroutine MA_SLICE_ENTROPY V0.1";
    if (!st_enter(status, position)) return;
    entropy = 0.0;
    if (!disc_valid(slice, size, radius, status, position)) return;
    if (!(maximum > minimum) || !std::isfinite(maximum - minimum))
        return st_fail(status, ST_MOD_MA + MA_ERR_RELATION, position);
    std::array<long long, MA_HISTOGRAM_BINS> counts{};
    const double scale = MA_HISTOGRAM_BINS / (static_cast<double>(maximum) - minimum);
    long long total = 0;
    for_disc(slice, size, radius, [&](const float* row, int first, int last) {
        for (int i = first; i <= last; ++i) {
            // NaN falls into the lowest bin, as it compares below nothing.
            const double bin = std::clamp((row[i] - static_cast<double>(minimum)) * scale, 0.0,
                                          MA_HISTOGRAM_BINS - 1.0);
            ++counts[static_cast<std::size_t>(bin >= 0.0 ? bin : 0.0)];
        }
        total += last - first + 1;
    });
    if (total == 0) return;
    for (const long long count : counts) {
        if (count == 0) continue;
        const double p = static_cast<double>(count) / static_cast<double>(total);
        entropy -= p * std::log2(p);
    }
}

void MA_SLICE_RANGE(const ImageView& slice, int size, float radius, float fraction,
                    float& minimum, float& maximum, int& status)
{
    constexpr std::string_view position = "Subroutine MA_SLICE_RANGE V0.1";
    if (!st_enter(status, position)) return;
    minimum = maximum = 0.0f;
    if (!disc_valid(slice, size, radius, status, position)) return;
    if (!(fraction >= 0.0f && fraction <= 0.5f))
        return st_fail(status, ST_MOD_MA + MA_ERR_VALUE, position);
    std::vector<float> values;
    try {
        for_disc(slice, size, radius, [&](const float* row, int first, int last) {
            for (int i = first; i <= last; ++i)
                if (std::isfinite(row[i])) values.push_back(row[i]);
        });
    } catch (const std::bad_alloc&) {
        io_say("ERROR: Failed to allocate memory for the values of the slice");
        return st_fail(status, ST_MOD_IO + ST_BAD_MALLOC, position);
    }
    if (values.empty()) return;
    const std::size_t cut = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    const auto low = values.begin() + static_cast<std::ptrdiff_t>(cut);
    const auto high = values.end() - 1 - static_cast<std::ptrdiff_t>(cut);
    std::nth_element(values.begin(), low, values.end());
    minimum = *low;
    std::nth_element(low, high, values.end());
    maximum = *high;
}
