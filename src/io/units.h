#pragma once
// Text units: open files named by a number from 1 to 99, as the program's
// file routines pass them around.

#include <cstdio>
#include <string>
#include <string_view>

constexpr int IO_MAX_UNIT = 99;

enum class IoAccess {
    read,         // an existing file
    update,       // an existing file, read and written
    write,        // made, or emptied when it exists
    read_regular, // an existing regular file only: a device, FIFO or directory
                  // is refused (EINVAL) without being waited on
    create,       // a new file only, with the permission bits given
};

// Opens the named file on the unit, closing what the unit held before.
// Returns false with the system's error value when the file cannot be opened.
// permissions are used by IoAccess::create; negative: the system's default.
bool io_unit_open(int unit, const std::string& path, IoAccess access, int& error_value,
                  int permissions = -1);
// The open file of a unit, or nullptr.
std::FILE* io_unit_file(int unit);
// Flushes and closes a unit; false with the error value when buffered data
// could not be written.  Closing a unit that holds nothing succeeds.
bool io_unit_close(int unit, int& error_value);

// Reads the next line of a unit, without its line end; false at end of file.
bool IO_READ_FILE(int unit, std::string& line, int& status);

enum class IoLineRead {
    line,     // a line was read
    end,      // the end of the file, no line
    too_long, // the line goes on past the length allowed; it was not read to its end
    failed,   // the system could not read
};
// Reads the next line of a unit without its line end, at most max_length
// characters of it, so that a file without line ends cannot fill the memory.
IoLineRead io_unit_get_line(int unit, std::string& line, std::size_t max_length);
// Closes a unit; a write that fails at the close sets status 11010.
// Writes a line (or, NA, text without ending the line) to a unit opened for
// writing; a failed write is reported on the console and in the status.
void IO_WRITE_FILE(int unit, std::string_view message, int& status);
void IO_WRITENA_FILE(int unit, std::string_view message, int& status);
void IO_CLOSE_FILE(int unit, int& status);

// Writes a line exactly as given, trailing blanks included (fixed-width text
// fields of written files); failures show when the unit is closed.
void io_unit_put_line(int unit, std::string_view line);
