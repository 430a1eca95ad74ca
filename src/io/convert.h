#pragma once
// Conversions between values and text, shared by every question and file so
// that values look alike everywhere.

#include <string>
#include <string_view>
#include <vector>

#include "io/fields.h"

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

// The text with A-Z changed to a-z, or a-z to A-Z; other characters unchanged.
std::string IO_LOWER(std::string_view text);
std::string IO_UPPER(std::string_view text);
