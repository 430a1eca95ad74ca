// The ".info" companion of a raw image: a text file beside it (its name with
// ".info" appended) whose lines, in a fixed order, give the image size, the
// stored type and byte order, the pixel sizes and the labels. A value follows
// the first "=" of its line.

#include <cctype>
#include <string>
#include <vector>

#include "fio/fio.h"
#include "io/convert.h"
#include "io/filename.h"
#include "io/os/os_layer.h"
#include "io/status.h"
#include "io/system.h"

namespace {

// The line numbers of the file's items.
enum InfoLine {
    INFO_SIZE = 2,
    INFO_PIXEL_TYPE = 3,
    INFO_ENDIAN = 4,
    INFO_X_PIXEL = 5,
    INFO_Y_PIXEL = 6,
    INFO_TITLE = 9,
    INFO_ZLABEL = 12,
    INFO_LOWEST = 13,
    INFO_SECOND = 14
};

constexpr float METRES_PER_MICRON = 1.0e-6f;
constexpr const char* CORRUPTED = "       the '.info' file is wrong or has been corrupted";

// The integers of a text, in order (runs of digits with an optional sign).
std::vector<long long> integers_of(std::string_view text)
{
    std::vector<long long> values;
    std::size_t i = 0;
    while (i < text.size()) {
        const bool sign = (text[i] == '-' || text[i] == '+') && i + 1 < text.size() &&
                          std::isdigit(static_cast<unsigned char>(text[i + 1]));
        if (!sign && !std::isdigit(static_cast<unsigned char>(text[i]))) {
            ++i;
            continue;
        }
        std::size_t j = i + (sign ? 1 : 0);
        long long v = 0;
        while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) {
            v = std::min(v * 10 + (text[j] - '0'), 100000000000LL);
            ++j;
        }
        values.push_back(text[i] == '-' ? -v : v);
        i = j;
    }
    return values;
}

bool real_of(std::string_view text, float& value, int& status)
{
    std::vector<std::string> tokens;
    int n = 0;
    IO_TOKENS(text, 1, n, tokens, status);
    bool found = false;
    if (n >= 1) IO_TOKTR(tokens[0], found, value, status);
    return found;
}

void complain(const char* first, bool follow)
{
    io_say(first);
    if (follow) io_say(CORRUPTED);
}

} // namespace

void FIO_IN_HEADERFILE(std::string_view file_name, std::string& title, std::string& xlabel,
                       std::string& ylabel, std::string& zlabel, int& nx, int& ny, float& lowest,
                       float& second_value, int& bytes_per_pixel, bool& swap, bool& is_signed,
                       float& x_pixel_size, float& y_pixel_size, int& status)
{
    constexpr std::string_view position = "Subroutine FIO_IN_HEADERFILE V0.3";
    if (!st_enter(status, position)) return;
    if (st_trim(file_name).empty()) {
        st_fail(status, ST_MOD_FIO + FIO_ERR_BLANK_NAME, position);
        return;
    }
    int retstat = 0;
    int handle = 0;
    const std::string info = std::string(st_trim(file_name)) + ".info";
    FIO_FILEOPEN(info, "READ_ASCII", retstat, handle, status);
    if (status != ST_GOOD_VALUE) return;
    if (retstat != FIO_OK) {
        // One that is there but cannot be read is not missing: the user can mend it.
        int permissions = 0;
        const IoFileKind kind = IO_FILEKINDC(info, permissions);
        if (kind == IoFileKind::none)
            io_say("WARNING: No '.info' file, so unknown image size, and pixel sizes");
        else
            io_say("WARNING: The '.info' file cannot be read (" +
                   std::string(kind == IoFileKind::regular ? "no permission to read it"
                                                           : "it is no regular file") +
                   "): " + info);
        io_say("         (Pixel sizes defaulted to 100 x 100 microns.)");
        return;
    }
    FioSlotGuard guard(handle);
    io_say("INFO: '.info' file has been found and will be used for defaults");

    constexpr int MAX_LINE = 256;
    std::string line;
    FIO_ASCIIREADC(handle, MAX_LINE, retstat, line);
    if (retstat != FIO_OK) {
        io_say("WARNING: Problem reading from .info file");
        return;
    }
    const bool machine_big = IO_BIG_ENDIAN(status);
    std::string* const labels[] = {&title, &xlabel, &ylabel, &zlabel};
    for (int number = 2; number <= INFO_SECOND; ++number) {
        FIO_ASCIIREADC(handle, MAX_LINE, retstat, line);
        // A shorter file simply gives fewer values.
        if (retstat != FIO_OK) return;
        if (number == 7 || number == 8) continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) {
            io_say("ERROR: The '.info' file is the wrong file or has been corrupted");
            return;
        }
        const std::string_view value = std::string_view(line).substr(equals + 1);
        switch (number) {
        case INFO_SIZE: {
            const std::vector<long long> v = integers_of(value);
            if (v.size() < 2 || v[0] < 1 || v[1] < 1 || v[0] > 2147483647LL ||
                v[1] > 2147483647LL) {
                complain("ERROR: The image size values are not correct, the '.info' file is",
                         false);
                return;
            }
            nx = static_cast<int>(v[0]);
            ny = static_cast<int>(v[1]);
            break;
        }
        case INFO_PIXEL_TYPE: {
            const std::vector<long long> v = integers_of(value);
            const std::string lower = IO_LOWER(value);
            const bool is_unsigned = lower.find("(unsigned)") != std::string::npos;
            const bool has_signed = lower.find("(signed)") != std::string::npos;
            if (v.empty() || v[0] < 1 || v[0] > 8 || (!is_unsigned && !has_signed)) {
                complain("ERROR: Number of bytes per pixel, or signed/unsigned values is not "
                         "correct,",
                         true);
                return;
            }
            bytes_per_pixel = static_cast<int>(v[0]);
            is_signed = has_signed;
            break;
        }
        case INFO_ENDIAN: {
            const std::string lower = IO_LOWER(value);
            const bool big = lower.find("big endian") != std::string::npos;
            const bool little = lower.find("little endian") != std::string::npos;
            if (big == little) {
                complain("ERROR: The endianess of the data is not correctly defined,", true);
                return;
            }
            swap = big != machine_big;
            break;
        }
        case INFO_X_PIXEL:
        case INFO_Y_PIXEL: {
            float size = 0.0f;
            if (!real_of(value, size, status)) {
                complain(number == INFO_X_PIXEL
                             ? "ERROR: The X pixel size is not correctly defined,"
                             : "ERROR: The Y pixel size is not correctly defined,",
                         true);
                return;
            }
            (number == INFO_X_PIXEL ? x_pixel_size : y_pixel_size) = size * METRES_PER_MICRON;
            break;
        }
        case INFO_LOWEST:
            if (!real_of(value, lowest, status)) {
                complain("ERROR: The lowest value is not correctly defined,", true);
                return;
            }
            break;
        case INFO_SECOND: real_of(value, second_value, status); break;
        default:
            // Lines 9 to 12: the text starts two characters after the "=".
            if (number >= INFO_TITLE && number <= INFO_ZLABEL)
                *labels[number - INFO_TITLE] =
                    std::string(st_trim(value.size() > 1 ? value.substr(1) : std::string_view()));
            break;
        }
    }
}
