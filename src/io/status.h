#pragma once
// Status values, the error position record and console output.
//
// Every routine takes the status as its last argument. Entered with a bad
// status it records its position text and returns at once, so a fault
// travels back to the entry routine, which reports it once with ST_OUT.

#include <cstddef>
#include <string>
#include <string_view>

constexpr int ST_GOOD_VALUE = -2147483647;
constexpr int ST_ESCAPE_VALUE = 2147483647;
constexpr int ST_EOF_VALUE = -2147483646;

// Module numbers; a status error is module number + error number.
constexpr int ST_MOD_IO = 10000;
constexpr int ST_MOD_MA = 20000;
constexpr int ST_MOD_LG = 130000;
constexpr int ST_MOD_GS = 140000;
constexpr int ST_MOD_FIO = 180000;

// Error numbers used by argument checks and file handling.
constexpr int ST_BAD_DIM1 = 1;
constexpr int ST_BAD_INT = 17;
constexpr int ST_BAD_REAL = 21;
constexpr int ST_BAD_CHAR = 33;
constexpr int ST_OPEN_FAIL = 1000;
constexpr int ST_BAD_MALLOC = 1002;
constexpr int ST_BAD_STATE = 1007;
constexpr int ST_UNKNOWN_SYSTEM = 1009;
constexpr int ST_WRITE_FAIL = 1010;
constexpr int ST_SHORT_STRING = 1015;

int ST_GOOD();
void ST_DEF_SYSTEM(int& status);
void ST_SAVE(std::string_view position_text);
int ST_ERRORCODE(int status);
void ST_OUT(int status);

// The recorded position text (trimmed); empty when no error was noticed.
std::string ST_INQ_POSITION();
// Puts back the position recorded before a failure that its caller has
// reported and recovered from, so that the end of the run does not name it.
void ST_RESET_POSITION(std::string_view position_before);

// The entry rule: true when the status is good; otherwise the position text
// is recorded and the caller returns at once.
inline bool st_enter(int status, std::string_view position_text)
{
    if (status == ST_GOOD_VALUE) return true;
    ST_SAVE(position_text);
    return false;
}

// Sets an error status and records the position of the routine that noticed it.
inline void st_fail(int& status, int value, std::string_view position_text)
{
    status = value;
    ST_SAVE(position_text);
}

// True for the two values that mean "the user (or the input) ended the question".
inline bool st_is_escape(int status)
{
    return status == ST_ESCAPE_VALUE || status == ST_EOF_VALUE;
}

std::size_t SLEN(std::string_view text);
// The text cut at its significant length.
inline std::string_view st_trim(std::string_view text) { return text.substr(0, SLEN(text)); }
// The text without leading blanks and tabs and cut at its significant length.
inline std::string_view st_strip(std::string_view text)
{
    text = st_trim(text);
    const std::size_t first = text.find_first_not_of(" \t");
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

void IO_WRITE(std::string_view message, int& status);
// Writes a message line whatever the caller's status is (warnings and
// diagnostics that must reach the user).
inline void io_say(std::string_view message)
{
    int status = ST_GOOD_VALUE;
    IO_WRITE(message, status);
}
void IO_WRITENA(std::string_view message, int& status);
