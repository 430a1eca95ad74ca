// TORVA images, a simplified sub-set of the KDF format: a file of one or
// more image sections, each a keyword text header "{" ... "}" that fills
// whole 1024-byte blocks (counted from its "{"), then "SIZE" bytes of
// pixels, the first stored line image row 1. The next section's header is
// the next "{" after the pixels. A section names its image with "IMAGE"
// (without it, its place in the file).

#include <algorithm>
#include <string>
#include <vector>

#include "fio/detector.h"
#include "fio/keyword_header.h"
#include "io/convert.h"
#include "io/fields.h"
#include "io/status.h"
#include "io/system.h"
#include "io/terminal.h"

namespace {

constexpr int TORVA_BLOCK = 1024;

// The stored types of "DATATYPE", with the overload value each sets.
struct TorvaType
{
    std::string_view name;
    int type;
    bool is_signed;
    float overload;
};
constexpr TorvaType TORVA_TYPES[] = {{"UNSIGNEDINTEGER", FIO_I4, false, 4294967296.0f},
                                     {"UNSIGNEDLONG", FIO_I4, false, 4294967296.0f},
                                     {"SIGNEDINTEGER", FIO_I4, true, 2147483648.0f},
                                     {"UNSIGNEDSHORT", FIO_I2, false, 65535.0f},
                                     {"SIGNEDSHORT", FIO_I2, true, 32767.0f},
                                     {"REAL", FIO_R4, true, 1.7e38f},
                                     {"FLOAT", FIO_R4, true, 1.7e38f},
                                     {"FLOATVALUE", FIO_R4, true, 1.7e38f}};

struct TorvaSection
{
    int image = 0;
    int nx = 0, ny = 0;
    const TorvaType* type = nullptr;
    bool big_endian = false;
    long long data_start = 0; // byte offset
    long long size = -1;      // bytes of pixels; -1 when not given
    std::string title;
};

// The image number the last question gave, for the next file of a series.
constexpr std::string_view IMAGE_KEY = "#TORVA_IMAGE";

void say_if(bool say, std::string_view line)
{
    if (say) io_say(line);
}

std::string upper_value(const FioKeywordHeader& h, std::string_view key)
{
    const std::string* value = h.find(key);
    return value == nullptr ? std::string() : IO_UPPER(*value);
}

// The section whose header starts at or after `from`. retstat 0 read; 1 no
// header there (the end of the file); 2 a header that cannot be used.
void read_section(int handle, long long from, int place, bool say, TorvaSection& s, int& retstat,
                  int& status)
{
    FioKeywordHeader h;
    fio_read_keyword_header(handle, from, TORVA_BLOCK, say, h, retstat);
    if (retstat == FIO_KEYWORDS_NO_START) return;
    if (retstat != FIO_KEYWORDS_READ) {
        retstat = 2;
        return;
    }
    retstat = 2;
    s = TorvaSection{};
    const std::string order = upper_value(h, "BYTEORDER");
    s.big_endian = order == "HIGHBYTEFIRST" || (order != "LOWBYTEFIRST" && IO_BIG_ENDIAN(status));
    const std::string compression = upper_value(h, "COMPRESSION");
    if (!compression.empty() && compression != "NONE" && compression != "NOSPECIFICVALUE") {
        say_if(say, "WARNING: The image data in this file has been written using a compression");
        say_if(say, "algorithm. It cannot be input.");
        return;
    }
    const std::string type = upper_value(h, "DATATYPE");
    for (const TorvaType& t : TORVA_TYPES)
        if (type == t.name) s.type = &t;
    if (s.type == nullptr) {
        say_if(say, "WARNING: The image data in this file has been written using an unsupported");
        say_if(say, "data type. It cannot be input.");
        return;
    }
    long long nx = 0, ny = 0, size = -1, image = place;
    const bool have_x = fio_keyword_integer(h, "DIM_1", say, nx);
    const bool have_y = fio_keyword_integer(h, "DIM_2", say, ny);
    if (!have_x || !have_y) {
        say_if(say, "ERROR: The size of the image was not found");
        return;
    }
    if (nx < 1 || ny < 1) {
        say_if(say, "WARNING: The image size in the header is not valid: " + std::to_string(nx) +
                        " * " + std::to_string(ny));
        return;
    }
    fio_keyword_integer(h, "IMAGE", say, image);
    if (fio_keyword_integer(h, "SIZE", say, size)) {
        // Pixels that run into the next section would be read as this image's.
        const long long needed = fio_stored_end(
            {.nx = static_cast<int>(nx), .ny = static_cast<int>(ny), .type = s.type->type});
        if (needed < 0 || size < needed) {
            say_if(say, "WARNING: The \"Size\" of the data is smaller than the image");
            return;
        }
        s.size = size;
    }
    s.nx = static_cast<int>(nx);
    s.ny = static_cast<int>(ny);
    s.image = static_cast<int>(image);
    if (const std::string* title = h.find("TITLE")) s.title = *title;
    const long long blocks = (h.end - h.start + TORVA_BLOCK - 1) / TORVA_BLOCK;
    s.data_start = h.start + blocks * TORVA_BLOCK;
    retstat = 0;
}

// The sections a file holds, as far as they can be followed (silently).
std::vector<TorvaSection> sections_of(int handle, int& status)
{
    std::vector<TorvaSection> found;
    long long from = 0;
    while (status == ST_GOOD_VALUE) {
        TorvaSection s;
        int retstat = 0;
        read_section(handle, from, static_cast<int>(found.size()) + 1, false, s, retstat, status);
        if (retstat != 0) break;
        found.push_back(s);
        if (s.size < 0) break;
        from = s.data_start + s.size;
    }
    return found;
}

// The image number wanted: given by the call, or asked when the file holds
// several. Without a question, the image chosen for the last file of the
// series where this file holds one of that number, else the file's first
// section: its number is the file's own (often its place in the series).
int wanted_image(FioCall& call, const std::vector<TorvaSection>& sections, int& status)
{
    if (call.image > 0) return call.image;
    const int first = sections.empty() ? 1 : sections.front().image;
    if (sections.size() < 2 || !fio_asks(call)) {
        const int kept = fio_kept_answer(IMAGE_KEY, first, status);
        for (const TorvaSection& s : sections)
            if (s.image == kept) return kept;
        return first;
    }
    int low = sections.front().image;
    int high = low;
    for (const TorvaSection& s : sections) {
        low = std::min(low, s.image);
        high = std::max(high, s.image);
    }
    int value = std::clamp(fio_kept_answer(IMAGE_KEY, first, status), low, high);
    const std::string help[] = {"Index number of required image"};
    if (call.gui)
        GS_INPI(true, low, high, true, "IMAGE NUMBER", 1, help, 0, {}, value, status);
    else
        IO_INPI(true, low, high, "IMAGE NUMBER", help, value, status);
    if (status == ST_GOOD_VALUE) fio_keep_answer(IMAGE_KEY, value, status);
    return value;
}

FioStoredImage section_image(int handle, const TorvaSection& s, int& status)
{
    return FioStoredImage{.handle = handle,
                          .nx = s.nx,
                          .ny = s.ny,
                          .type = s.type->type,
                          .is_signed = s.type->is_signed,
                          .swap = s.big_endian != IO_BIG_ENDIAN(status),
                          .start_byte = s.data_start + 1};
}

void not_found(int last)
{
    io_say("ERROR: The required \"Image\" number has not been found and I think that");
    io_say("there are no more \"Image\" sections, since the \"Size\" keyword");
    io_say("       has not been found either");
    io_say("        \"Image\" number " + io_fortran_i(last, 8) + "was the last found");
}

} // namespace

void FIO_IS_TORVA(std::string_view file_name, int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine FIO_IS_TORVA V0.3")) return;
    fio_test_keyword_file(file_name, retstat, status);
}

void fio_torva_size(std::string_view file_name, int& width, int& height, int& retstat, int& status)
{
    fio_probe_size(file_name, width, height, retstat, status, [&](int handle, int& w, int& h) {
        // Arrays that hold the largest image of the file hold the one asked
        // for; a section whose pixels the file does not hold is not read.
        bool any = false;
        for (const TorvaSection& s : sections_of(handle, status)) {
            if (!fio_file_holds(section_image(handle, s, status))) continue;
            w = std::max(w, s.nx);
            h = std::max(h, s.ny);
            any = true;
        }
        return any;
    });
}

void fio_read_torva(FioCall& call, FioTarget& target, int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine FIO_IN_TORVA V0.3")) return;
    int handle = 0;
    if (!fio_open_reader_file(call, {"\"TORVA\" (limited MIRL) DATA FILE NAME"}, handle, retstat,
                              status))
        return;
    FioSlotGuard guard(handle);
    const int wanted = wanted_image(call, sections_of(handle, status), status);
    if (st_is_escape(status)) {
        status = ST_GOOD_VALUE;
        retstat = -1;
        return;
    }
    if (status != ST_GOOD_VALUE) return;
    TorvaSection s;
    long long from = 0;
    for (int place = 1;; ++place) {
        // Past the first section, the end of the file is no header fault: it is
        // said below; a section that cannot be used is read again to say why.
        read_section(handle, from, place, place == 1, s, retstat, status);
        if (retstat == 2 && place > 1) read_section(handle, from, place, true, s, retstat, status);
        if (retstat == 1 && place > 1) {
            io_say("ERROR: The required \"Image\" number has not been found");
            io_say("        \"Image\" number " + io_fortran_i(s.image, 8) + "was the last found");
        }
        if (retstat != 0 || status != ST_GOOD_VALUE) {
            retstat = 1;
            return;
        }
        if (s.image == wanted) break;
        io_say("INFO: \"Image\" number " + io_fortran_i(s.image, 8) +
               " has been found, continuing search ...");
        if (s.size < 0) {
            not_found(s.image);
            retstat = 1;
            return;
        }
        // Every section is at least one block long: the search moves on.
        from = s.data_start + s.size;
    }
    const FioStoredImage image = section_image(handle, s, status);
    fio_read_stored(call, image, {}, "(the file is cut short, or its header is wrong)", target,
                    retstat, status);
    if (status != ST_GOOD_VALUE || retstat != 0) return;
    fio_detector_finish(target);
    if (!s.title.empty()) target.title = s.title;
    target.overload_value = s.type->overload;
}

void FIO_IN_TORVA(bool gui, bool& variances_exist, std::string& file_name, int& retstat,
                  int& xnumdat, int& ynumdat, std::span<float> x_axis, std::span<float> y_axis,
                  const ImageView& data, const ImageView& variances, std::string& title,
                  std::string& xlabel, std::string& ylabel, std::string& zlabel,
                  float& overload_value, int& status)
{
    if (!st_enter(status, "Subroutine FIO_IN_TORVA V0.3")) return;
    FioTarget target;
    fio_call_reader(fio_read_torva, gui, variances_exist, file_name, retstat, xnumdat, ynumdat,
                    x_axis, y_axis, data, variances, title, xlabel, ylabel, zlabel, target,
                    &overload_value, status);
}
