#include "io/status.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "io/fields.h"

namespace {

constexpr std::size_t POSITION_LENGTH = 132;

// The first routine to notice a fault since the last reset.
std::string position_record;

const char* module_label(int module)
{
    switch (module) {
    case ST_MOD_IO: return "IO: Input/Output and Status";
    case ST_MOD_MA: return "MA: Mathematics";
    case ST_MOD_LG: return "LG: \"Vaded Arovediv\"";
    case ST_MOD_GS: return "GS: \"Graphics System\"";
    case ST_MOD_FIO: return "FIO: File Input/Output Module";
    case 9980000: return "SPECIAL: using standard status values";
    case 9990000: return "SPECIAL: using non-standard status values";
    default: return "UNKNOWN:";
    }
}

const char* dimension_texts[10][4] = {
    {"First array dimension illegally defined", "Second array dimension illegally defined",
     "Third array dimension illegally defined",
     "Fourth or greater array dimension illegally defined"},
    {"First dimension data region illegally defined",
     "Second dimension data region illegally defined",
     "Third dimension data region illegally defined",
     "Fourth or greater dimension data region illegally defined"},
    {"First dimension internal array limit exceeded",
     "Second dimension internal array limit exceeded",
     "Third dimension internal array limit exceeded",
     "Fourth or greater dimension internal array limit exceeded"},
    {"First dimension: illegal relationship between two variables",
     "Second dimension: illegal relationship between two variables",
     "Third dimension: illegal relationship between two variables",
     "Fourth of greater dimension: illegal relationship between two variables"},
    {"First dimension: integer value out of acceptable range",
     "Second dimension: integer value out of acceptable range",
     "Third dimension: integer value out of acceptable range",
     "Fourth or greater dimension: integer value out of acceptable range"},
    {"First dimension: real value out of acceptable range",
     "Second dimension: real value out of acceptable range",
     "Third dimension: real value out of acceptable range",
     "Fourth or greater dimension: real value out of acceptable range"},
    {"First dimension: number of elements is not a power of two",
     "Second dimension: number of elements is not a power of two",
     "Third dimension: number of elements is not a power of two",
     "Fourth of greater dimension: number of elements is not a power of two"},
    {"First dimension: a value which must be even is not",
     "Second dimension: a value which must be even is not",
     "Third dimension: a value which must be even is not",
     "Fourth of greater dimension: a value which must be even is not"},
    {"First dimension: badly defined character variable",
     "Second dimension: badly defined character variable",
     "Third dimension: badly defined character variable",
     "Fourth of greater dimension: badly defined character variable"},
    {"First dimension external array limit exceeded",
     "Second dimension external array limit exceeded",
     "Third dimension external array limit exceeded",
     "Fourth or greater dimension external array limit exceeded"},
};

// The classification text of an error number; nullptr when it has none.
const char* error_text(int number)
{
    if (number >= 1 && number <= 40) return dimension_texts[(number - 1) / 4][(number - 1) % 4];
    switch (number) {
    case 1000: return "Failed to open file: (file not found or bad file name ?)";
    case 1001: return "Bad input: End of file found";
    case 1002: return "Bad memory allocation: Memory allocation failed";
    case 1003: return "Divide by zero encountered: result set to -1.7014117e38";
    case 1004: return "Logarithm of zero or a negative number: result set to -38.0";
    case 1005: return "Bad data in file input";
    case 1006: return "Inversion (or similar) failed owing to singular or ill-conditioned matrix";
    case 1007: return "Operation not possible owing to bad internal state (internal data-base)";
    case 1008: return "Bad input: Error during READ statement";
    case 1009: return "Unknown operating system/compiler characteristics (edit and re-compile)";
    case 1010: return "Write to output file failed";
    case 1011: return "Read from file failed (but not EOF)";
    case 1012: return "Array element values not in required order";
    case 1013: return "Syntax error from an input macro";
    case 1014: return "Bad data has caused problem with algorithm";
    case 1015: return "String of insufficient length for assignment";
    case 2001: return "Failed to open X-11 window (use \"xhost+\" on X-server ?)";
    case 2002: return "Illegal graphics workstation number access attempted";
    case 9999: return "Other, undefined error (doesn't fit normal categories)";
    default: return nullptr;
    }
}

} // namespace

int ST_GOOD() { return ST_GOOD_VALUE; }

// Sets the status to good and forgets the recorded position. (The
// input/output state starts as IO_DEF_SYSTEM leaves it, so the first call of
// the process has nothing more to set up.)
void ST_DEF_SYSTEM(int& status)
{
    status = ST_GOOD_VALUE;
    position_record.clear();
}

// Records the first error position; later positions leave it as it is.
void ST_SAVE(std::string_view position_text)
{
    if (!position_record.empty()) return;
    position_record = std::string(st_trim(position_text.substr(0, POSITION_LENGTH)));
}

std::string ST_INQ_POSITION() { return position_record; }

void ST_RESET_POSITION(std::string_view position_before) { position_record = position_before; }

int ST_ERRORCODE(int status)
{
    if (status == ST_GOOD_VALUE || status == ST_ESCAPE_VALUE || status == ST_EOF_VALUE)
        return status;
    return std::abs(status % 10000);
}

// Describes a status value on the console: where the fault was first noticed
// and how it is classified.
void ST_OUT(int status)
{
    int out = ST_GOOD_VALUE;
    if (status == ST_GOOD_VALUE) {
        if (position_record.empty()) return;
        IO_WRITE("", out);
        IO_WRITE("STATUS: The \"status\" value appears to be good, but an error position has", out);
        IO_WRITE("been reported in:", out);
        IO_WRITE(position_record, out);
        IO_WRITE("This is probably due to incorrect calling arguments", out);
        return;
    }
    if (status == ST_ESCAPE_VALUE) {
        IO_WRITE("", out);
        IO_WRITE("STATUS: The \"status\" value is set to the user escape value", out);
        return;
    }
    const int module = status / 10000 * 10000;
    const int number = std::abs(status % 10000);
    const char* text = error_text(number);
    IO_WRITE("", out);
    IO_WRITE("STATUS: The error was identified in module:", out);
    IO_WRITE(module_label(module), out);
    IO_WRITE("", out);
    IO_WRITE("STATUS: Position where error condition was identified", out);
    IO_WRITE(position_record, out);
    if (text == nullptr)
        IO_WRITE("WARNING: Unknown value for the status variable; value = " +
                     io_fortran_i(status, 14),
                 out);
    IO_WRITE("", out);
    IO_WRITE("STATUS: The error condition has been classified as:", out);
    IO_WRITE(text == nullptr ? "Undefined error value" : text, out);
}

// Trimmed length: blanks, NULs, tabs, line feeds and carriage returns at the
// end do not count.
std::size_t SLEN(std::string_view text)
{
    std::size_t n = text.size();
    while (n > 0) {
        const char c = text[n - 1];
        if (c != ' ' && c != '\0' && c != '\t' && c != '\n' && c != '\r') break;
        --n;
    }
    return n;
}

// Writes one console line; trailing blanks are never written.
void IO_WRITE(std::string_view message, int& status)
{
    if (!st_enter(status, "Subroutine IO_WRITE V0.1")) return;
    std::cout << st_trim(message) << '\n' << std::flush;
}

// Writes console text without ending the line, so that the user's answer follows it.
void IO_WRITENA(std::string_view message, int& status)
{
    if (!st_enter(status, "Subroutine IO_WRITENA V0.1")) return;
    const std::string_view text = st_trim(message);
    if (text.empty()) return;
    std::cout << text << std::flush;
}

