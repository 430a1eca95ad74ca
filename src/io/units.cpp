#include "io/units.h"

#include <array>
#include <cerrno>
#include <memory>

#include "io/fields.h"
#include "io/os/os_layer.h"
#include "io/status.h"

namespace {

struct FileCloser
{
    void operator()(std::FILE* fp) const { std::fclose(fp); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

std::array<FileHandle, IO_MAX_UNIT + 1> units;

bool valid_unit(int unit) { return unit >= 1 && unit <= IO_MAX_UNIT; }

// Tells the user that a text file could not be written, with the system's reason.
void report_write_failure(int error_value)
{
    int status = ST_GOOD_VALUE;
    IO_WRITE("ERROR: Failed to output ASCII text to an output file. May be you do not", status);
    IO_WRITE("       have write permission, or the file system, or your quota, are full.", status);
    IO_WRITE("", status);
    IO_WRITE("       ", status);
    IO_WRITE("       Run-time I/O status return value (IOSTAT) = " + io_fortran_i(error_value, 8),
             status);
    IO_WRITE("       (This value is system dependent; see system documentation.)", status);
    IO_WRITE("", status);
}

// Writes text to a unit, with or without ending the line, and reports a failed write.
void write_unit(int unit, std::string_view message, bool end_line, int& status,
                std::string_view position)
{
    if (!st_enter(status, position)) return;
    std::FILE* fp = io_unit_file(unit);
    const std::string_view text = st_trim(message);
    if (!end_line && text.empty()) return;
    errno = 0;
    bool ok = fp != nullptr && std::fwrite(text.data(), 1, text.size(), fp) == text.size();
    if (ok && end_line) ok = std::fputc('\n', fp) != EOF;
    if (!ok) {
        report_write_failure(fp == nullptr ? -1 : errno);
        st_fail(status, ST_MOD_IO + ST_WRITE_FAIL, position);
    }
}

} // namespace

bool io_unit_open(int unit, const std::string& path, IoAccess access, int& error_value,
                  int permissions)
{
    if (!valid_unit(unit)) {
        error_value = EINVAL;
        return false;
    }
    int ignored = 0;
    io_unit_close(unit, ignored);
    errno = 0;
    error_value = 0;
    if (access == IoAccess::read_regular) {
        units[unit].reset(IO_FOPEN_REGULARC(path, error_value));
    } else if (access == IoAccess::create) {
        units[unit].reset(IO_FCREATEC(path, permissions, error_value));
    } else {
        const char* mode = access == IoAccess::read     ? "r"
                           : access == IoAccess::update ? "r+"
                                                        : "w";
        units[unit].reset(std::fopen(path.c_str(), mode));
        error_value = errno;
    }
    return units[unit] != nullptr;
}

std::FILE* io_unit_file(int unit) { return valid_unit(unit) ? units[unit].get() : nullptr; }

bool io_unit_close(int unit, int& error_value)
{
    if (!valid_unit(unit) || !units[unit]) return true;
    errno = 0;
    const bool ok = std::ferror(units[unit].get()) == 0;
    const bool closed = std::fclose(units[unit].release()) == 0;
    error_value = errno;
    return ok && closed;
}

bool IO_READ_FILE(int unit, std::string& line, int& status)
{
    if (!st_enter(status, "Subroutine IO_READ_FILE V0.1")) return false;
    return io_unit_get_line(unit, line, std::string::npos) == IoLineRead::line;
}

IoLineRead io_unit_get_line(int unit, std::string& line, std::size_t max_length)
{
    line.clear();
    std::FILE* fp = io_unit_file(unit);
    if (fp == nullptr) return IoLineRead::failed;
    int c = 0;
    while ((c = std::fgetc(fp)) != EOF && c != '\n') {
        if (line.size() >= max_length) return IoLineRead::too_long;
        line.push_back(static_cast<char>(c));
    }
    if (c == EOF && std::ferror(fp) != 0) return IoLineRead::failed;
    if (c == EOF && line.empty()) return IoLineRead::end;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return IoLineRead::line;
}

void io_unit_put_line(int unit, std::string_view line)
{
    std::FILE* fp = io_unit_file(unit);
    if (fp == nullptr) return;
    std::fwrite(line.data(), 1, line.size(), fp);
    std::fputc('\n', fp);
}

void IO_WRITE_FILE(int unit, std::string_view message, int& status)
{
    write_unit(unit, message, true, status, "Subroutine IO_WRITE_FILE V0.1");
}

void IO_WRITENA_FILE(int unit, std::string_view message, int& status)
{
    write_unit(unit, message, false, status, "Subroutine IO_WRITENA_FILE V0.1");
}

// Closes a text unit; a buffered write that fails only now is reported like any
// other failed write, so a truncated file never passes for a good one.
void IO_CLOSE_FILE(int unit, int& status)
{
    if (!st_enter(status, "Subroutine IO_CLOSE_FILE V0.1")) return;
    int error_value = 0;
    if (!io_unit_close(unit, error_value)) {
        report_write_failure(error_value);
        st_fail(status, ST_MOD_IO + ST_WRITE_FAIL, "Subroutine IO_CLOSE_FILE V0.1");
    }
}
