#pragma once
// The colour index of a real value in a cell array, the same on every device:
// linear over the image colours, or logarithmic with equal steps per decade.

#include <algorithm>
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
    }

    bool usable() const { return usable_; }

    unsigned operator()(float v) const
    {
        if (!log_) {
            // A value that is no number is shown at the bottom of the scale.
            const double level = std::isnan(v) ? 0.0 : (v - minimum_) * scale_;
            const long index = std::lround(std::clamp(level, -1.0e9, 1.0e9)) + first_;
            return static_cast<unsigned>(std::clamp(index, static_cast<long>(first_),
                                                    static_cast<long>(last_)));
        }
        if (v >= maximum_) return static_cast<unsigned>(last_);
        if (!(v > minimum_)) return static_cast<unsigned>(first_);
        int lo = 0;
        int hi = static_cast<int>(bound_.size()) - 1;
        while (hi - lo >= 2) {
            const int mid = (lo + hi) / 2;
            if (v >= bound_[mid]) lo = mid;
            else hi = mid;
        }
        return static_cast<unsigned>(lo + first_);
    }

private:
    bool log_;
    float minimum_;
    float maximum_;
    int first_;
    int last_;
    double scale_ = 1.0;
    bool usable_ = true;
    std::vector<double> bound_;
};
