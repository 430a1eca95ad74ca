#include "io/fields.h"

#include <cmath>
#include <cstdio>

namespace {

std::string fit(std::string text, int width)
{
    if (static_cast<int>(text.size()) > width) return std::string(static_cast<std::size_t>(width), '*');
    return std::string(static_cast<std::size_t>(width) - text.size(), ' ') + text;
}

} // namespace

std::string io_fortran_i(long long value, int width) { return fit(std::to_string(value), width); }

std::string io_fortran_f(double value, int width, int decimals)
{
    if (!std::isfinite(value)) return std::string(static_cast<std::size_t>(width), '*');
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string text = buffer;
    // Formatted output drops the optional zero before the point when the field is tight.
    if (static_cast<int>(text.size()) > width) {
        if (text.rfind("0.", 0) == 0) text.erase(0, 1);
        else if (text.rfind("-0.", 0) == 0) text.erase(1, 1);
    }
    return fit(text, width);
}

std::string io_fortran_e(double value, int width, int decimals)
{
    if (!std::isfinite(value)) return std::string(static_cast<std::size_t>(width), '*');
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*E", decimals, value);
    return fit(buffer, width);
}
