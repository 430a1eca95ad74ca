#include "io/convert.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "io/status.h"
#include "io/system.h"

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Reads a real of the form [sign]digits[.digits][(E|D)[sign]digits]; the
// whole text must be used.
bool parse_real(std::string_view text, double& value)
{
    std::string plain;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) plain += text[i++];
    int mantissa_digits = 0;
    while (i < text.size() && is_digit(text[i])) plain += text[i++], ++mantissa_digits;
    if (i < text.size() && text[i] == '.') {
        plain += text[i++];
        while (i < text.size() && is_digit(text[i])) plain += text[i++], ++mantissa_digits;
    }
    if (mantissa_digits == 0) return false;
    if (i < text.size()) {
        const char e = text[i];
        if (e != 'E' && e != 'e' && e != 'D' && e != 'd') return false;
        plain += 'E';
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) plain += text[i++];
        int exponent_digits = 0;
        while (i < text.size() && is_digit(text[i])) plain += text[i++], ++exponent_digits;
        if (exponent_digits == 0 || i != text.size()) return false;
    }
    char* end = nullptr;
    value = std::strtod(plain.c_str(), &end);
    return end != nullptr && *end == '\0' && std::isfinite(value);
}

} // namespace

std::string IO_ITOC(int value, int& status)
{
    if (!st_enter(status, "Subroutine IO_ITOC V0.1")) return {};
    return std::to_string(value);
}

// A real in the layout that fills its field for its size: fixed point with as
// many decimals as fit, scientific for very large and very small values.
std::string IO_RTOC(float value, int& status)
{
    if (!st_enter(status, "Subroutine IO_RTOC V0.1")) return {};
    const float x = value;
    if (x == 0.0f) return "0.0";
    std::string text;
    if (x < 0.0f) {
        if (x < -99999.9f || x >= -0.0999f) text = io_fortran_e(x, 13, 6);
        else if (x < -9999.99f) text = io_fortran_f(x, 9, 2);
        else if (x < -999.99f) text = io_fortran_f(x, 9, 3);
        else if (x < -99.99f) text = io_fortran_f(x, 9, 4);
        else if (x < -9.999f) text = io_fortran_f(x, 9, 5);
        else text = io_fortran_f(x, 9, 6);
    } else {
        if (x < 0.0999999f || x >= 99999.9f) text = io_fortran_e(x, 12, 6);
        else if (x < 9.99999f) text = io_fortran_f(x, 8, 6);
        else if (x < 99.9999f) text = io_fortran_f(x, 8, 5);
        else if (x < 999.999f) text = io_fortran_f(x, 8, 4);
        else if (x < 9999.99f) text = io_fortran_f(x, 8, 3);
        else text = io_fortran_f(x, 8, 2);
    }
    return std::string(st_strip(text));
}

std::string IO_LTOC(bool value, int& status)
{
    if (!st_enter(status, "Subroutine IO_LTOC V0.1")) return {};
    return value ? ".TRUE." : ".FALSE.";
}

// Axis labels and PostScript colour values: the value with the wanted
// significant digits, in fixed form between 1e-4 and 1e6 and scientific
// form outside; values that come out as zero are written "0.0".
std::string IO_VTOC(float value, int significant_digits, bool trim_zeros, int& status)
{
    if (!st_enter(status, "Subroutine IO_VTOC V0.1")) return {};
    const int digits = significant_digits < 1 ? 1 : (significant_digits > 9 ? 9 : significant_digits);
    const double x = value;
    if (x == 0.0) return "0.0";
    const double magnitude = std::fabs(x);
    char buffer[64];
    if (magnitude >= 1.0e6 || magnitude < 1.0e-4) {
        std::snprintf(buffer, sizeof buffer, "%.*E", digits - 1, x);
        std::string text = buffer;
        if (trim_zeros) {
            const std::size_t e = text.find('E');
            std::string mantissa = text.substr(0, e);
            if (mantissa.find('.') != std::string::npos) {
                while (mantissa.back() == '0') mantissa.pop_back();
                if (mantissa.back() == '.') mantissa.pop_back();
            }
            text = mantissa + text.substr(e);
        }
        return text;
    }
    const int before = static_cast<int>(std::floor(std::log10(magnitude))) + 1;
    int decimals = digits - before;
    if (decimals < 1) decimals = 1;
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, x);
    std::string text = buffer;
    if (trim_zeros) {
        while (text.back() == '0' && text[text.size() - 2] != '.') text.pop_back();
    }
    if (text == "-0.0" || text == "0.0" || text.find_first_not_of("-0.") == std::string::npos)
        return "0.0";
    return text;
}

// A decimal integer filling the whole trimmed text; embedded blanks are ignored.
void IO_TOKTI(std::string_view text, bool& found, int& value, int& status)
{
    found = false;
    if (!st_enter(status, "Subroutine IO_TOKTI V0.1")) return;
    const std::string_view trimmed = st_trim(text);
    bool negative = false;
    bool any_digit = false;
    bool sign_allowed = true;
    long long result = 0;
    for (char c : trimmed) {
        if (c == ' ') continue;
        if (sign_allowed && (c == '+' || c == '-')) {
            negative = c == '-';
            sign_allowed = false;
            continue;
        }
        if (!is_digit(c)) return;
        sign_allowed = false;
        any_digit = true;
        result = result * 10 + (c - '0');
        if (result > 2147483648LL) return;
    }
    if (!any_digit) return;
    if (negative) result = -result;
    if (result > 2147483647LL || result < -2147483648LL) return;
    value = static_cast<int>(result);
    found = true;
}

// A real, also written with *10^ or *10** exponents, as a percentage, or as PI.
// The whole token is read: a long one cut short would give another number.
void IO_TOKTR(std::string_view text, bool& found, float& value, int& status)
{
    found = false;
    if (!st_enter(status, "Subroutine IO_TOKTR V0.1")) return;
    std::string work(st_strip(text));
    if (work.empty()) return;
    for (const char* form : {"*10**", "*10^"}) {
        if (const std::size_t at = work.find(form); at != std::string::npos)
            work.replace(at, std::strlen(form), "E");
    }
    std::size_t exponent_at = std::string::npos;
    for (std::size_t i = 1; i < work.size(); ++i) {
        const char c = work[i];
        if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
            exponent_at = i;
            break;
        }
    }
    std::string mantissa = work.substr(0, exponent_at);
    const std::string exponent = exponent_at == std::string::npos ? "" : work.substr(exponent_at);
    double scale = 1.0;
    if (!mantissa.empty() && mantissa.back() == '%') {
        mantissa.pop_back();
        scale = 0.01;
    }
    double result = 0.0;
    if (mantissa == "PI") {
        double power = 1.0;
        if (!exponent.empty() && !parse_real("1" + exponent, power)) return;
        result = 3.1415926 * power;
    } else {
        if (mantissa.find('.') == std::string::npos) mantissa += '.';
        if (!parse_real(mantissa + exponent, result)) return;
    }
    result *= scale;
    if (std::fabs(result) > 3.4028234663852886e38) return;
    value = static_cast<float>(result);
    found = true;
}

// Yes/no in the forms users type, in several languages.
void IO_TOKTL(std::string_view text, bool& found, bool& value, int& status)
{
    found = false;
    if (!st_enter(status, "Subroutine IO_TOKTL V0.1")) return;
    const std::string word = IO_UPPER(st_strip(text));
    for (const char* yes : {"YES", "Y", "T", "TRUE", "1", ".TRUE.", "OUI", "YA", "\"YES\""}) {
        if (word == yes) {
            value = true;
            found = true;
            return;
        }
    }
    for (const char* no : {"NO", "N", "NON", "F", "FALSE", ".FALSE.", "0", "NEIN", "\"NO\""}) {
        if (word == no) {
            value = false;
            found = true;
            return;
        }
    }
}

// At most eight hexadecimal digits; with all eight the top bit is a sign on
// the magnitude of the rest, not a two's complement.
int IO_HEXTOI(std::string_view text, int& status)
{
    if (!st_enter(status, "Function IO_HEXTOI V0.1")) return 0;
    const std::string_view digits = st_trim(text).substr(0, 8);
    auto digit_value = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return 0;
    };
    bool negative = false;
    long long magnitude = 0;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        int d = digit_value(digits[i]);
        if (i == 0 && digits.size() == 8 && d >= 8) {
            negative = true;
            d -= 8;
        }
        magnitude = magnitude * 16 + d;
    }
    return static_cast<int>(negative ? -magnitude : magnitude);
}

// Eight hexadecimal digits as the bit pattern of a 32-bit IEEE real.
float IO_HEXTOR(std::string_view text, int& status)
{
    if (!st_enter(status, "Subroutine IO_HEXTOR V0.1")) return 0.0f;
    std::uint32_t bits = 0;
    for (char c : st_trim(text).substr(0, 8)) {
        int d = 0;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        bits = bits * 16u + static_cast<std::uint32_t>(d);
    }
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void IO_TOKENS(std::string_view line, int max_tokens, int& num_tokens,
               std::vector<std::string>& tokens, int& status)
{
    constexpr std::string_view position = "Subroutine IO_TOKENS V0.1";
    if (!st_enter(status, position)) return;
    if (max_tokens < 1) {
        st_fail(status, ST_MOD_IO + ST_BAD_DIM1, position);
        return;
    }
    tokens.clear();
    std::size_t at = 0;
    std::string token;
    while (static_cast<int>(tokens.size()) < max_tokens) {
        IO_TOKEN(line, at, token, status);
        if (token.empty()) break;
        tokens.push_back(token);
    }
    num_tokens = static_cast<int>(tokens.size());
}

void IO_TOKEN(std::string_view line, std::size_t& position, std::string& token, int& status)
{
    token.clear();
    if (!st_enter(status, "Subroutine IO_TOKEN V0.1")) return;
    const std::string_view separators = io_separators();
    const std::size_t begin = line.find_first_not_of(separators, position);
    if (begin == std::string_view::npos) {
        position = line.size();
        return;
    }
    std::size_t end = line.find_first_of(separators, begin);
    if (end == std::string_view::npos) end = line.size();
    token = std::string(line.substr(begin, end - begin));
    position = end;
}

std::string IO_LOWER(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return result;
}

std::string IO_UPPER(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return result;
}
