#pragma once
// Conversions between values and text, shared by every question and file so
// that values look alike everywhere.

#include <string>
#include <string_view>
#include <vector>

std::string IO_ITOC(int value, int& status);
std::string IO_RTOC(float value, int& status);
std::string IO_LTOC(bool value, int& status);
// A value with the given number of significant digits; trailing zeros of the
// fraction are dropped when trim_zeros is set.
std::string IO_VTOC(float value, int significant_digits, bool trim_zeros, int& status);

// Text to value: found is false, and the value unchanged, when the text is not one.
void IO_TOKTI(std::string_view text, bool& found, int& value, int& status);
void IO_TOKTR(std::string_view text, bool& found, float& value, int& status);
void IO_TOKTL(std::string_view text, bool& found, bool& value, int& status);
int IO_HEXTOI(std::string_view text, int& status);
float IO_HEXTOR(std::string_view text, int& status);

// Splits a line at runs of separators into at most max_tokens tokens.
void IO_TOKENS(std::string_view line, int max_tokens, int& num_tokens,
               std::vector<std::string>& tokens, int& status);
// The next token of a line from a position (0-based), which is advanced past it;
// empty when the line has no token left.
void IO_TOKEN(std::string_view line, std::size_t& position, std::string& token, int& status);

// Fixed-width fields of formatted output, right-justified; a value that does
// not fit is written as asterisks over the whole width.
std::string io_fortran_i(long long value, int width);
std::string io_fortran_f(double value, int width, int decimals);
// Scientific form with one digit before the point (-1.234568E+05).
std::string io_fortran_e(double value, int width, int decimals);
