#pragma once
// The colour index of a real value in a cell array, the same on every device:
// linear over the image colours, or logarithmic with equal steps per decade.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cmath>
#include <vector>

class LgCellIndex
{
public:
    LgCellIndex(bool log_scaling, float minimum, float maximum, int first, int last)
        : log_(log_scaling), minimum_(minimum), maximum_(maximum), first_(first), last_(last)
    {
        const int levels = last - first + 1;
        if (!log_) {
            double range = static_cast<double>(maximum) - minimum;
            if (std::fabs(range) < 1.0e-36) range = 1.0;
            scale_ = levels / range;
            return;
        }
        // A log range must lie above zero.
        usable_ = minimum >= 1.0e-11f && minimum < maximum;
        if (!usable_) return;
        bound_.resize(static_cast<std::size_t>(levels));
        const double lmin = std::log10(static_cast<double>(minimum));
        const double step =
            (std::log10(static_cast<double>(maximum)) - lmin) / std::max(1, levels - 1);
        for (int k = 0; k < levels; ++k) bound_[k] = std::pow(10.0, lmin + k * step);
        // The level of the smallest value of every bucket of positive floats
        // that share their top 16 bits: a value's level is then found from
        // its bucket with a step or two, not a search over all levels (a
        // bucket spans a 128th of an octave, far less than a level).
        bucket_.resize(BUCKETS);
        for (std::uint32_t b = 0; b < BUCKETS; ++b)
            bucket_[b] = static_cast<std::uint16_t>(search(std::bit_cast<float>(b << 16)));
    }

    bool usable() const { return usable_; }

    unsigned operator()(float v) const
    {
        if (!log_) {
            // A value that is no number is shown at the bottom of the scale.
            const double level = std::isnan(v) ? 0.0 : (v - minimum_) * scale_;
            const long index = nearest(level) + first_;
            return static_cast<unsigned>(std::clamp(index, static_cast<long>(first_),
                                                    static_cast<long>(last_)));
        }
        if (v >= maximum_) return static_cast<unsigned>(last_);
        if (!(v > minimum_)) return static_cast<unsigned>(first_);
        // The largest level k (below the last) whose lower bound is not above v.
        int k = bucket_[std::bit_cast<std::uint32_t>(v) >> 16];
        const int top = static_cast<int>(bound_.size()) - 2;
        while (k < top && v >= bound_[k + 1]) ++k;
        return static_cast<unsigned>(k + first_);
    }

private:
    static constexpr std::uint32_t BUCKETS = 1u << 15; // the positive floats
    static constexpr double LEVEL_LIMIT = 1.0e9;

    // The level nearest to a level kept within +-LEVEL_LIMIT, halves away
    // from zero, a level that is no number (of a range that is none) at the
    // bottom: std::lround's result, without its call per pixel. The
    // conversion truncates; the remainder it leaves is exact for doubles of
    // this size, so comparing it with a half decides as lround does.
    static long nearest(double level)
    {
        level = level >= -LEVEL_LIMIT ? std::min(level, LEVEL_LIMIT) : -LEVEL_LIMIT;
        const long whole = static_cast<long>(level);
        const double rest = level - static_cast<double>(whole);
        return whole + (rest >= 0.5 ? 1 : 0) - (rest <= -0.5 ? 1 : 0);
    }

    // The largest level k (below the last) whose lower bound is not above v:
    // bisection over the bounds.
    int search(float v) const
    {
        if (!(v > minimum_)) return 0;
        int lo = 0;
        int hi = static_cast<int>(bound_.size()) - 1;
        while (hi - lo >= 2) {
            const int mid = (lo + hi) / 2;
            if (v >= bound_[mid]) lo = mid;
            else hi = mid;
        }
        return lo;
    }

    bool log_;
    float minimum_;
    float maximum_;
    int first_;
    int last_;
    double scale_ = 1.0;
    bool usable_ = true;
    std::vector<double> bound_;
    std::vector<std::uint16_t> bucket_;
};
