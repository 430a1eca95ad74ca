#include "app/parameter_file.h"

#include <cstdio>
#include <string>
#include <vector>

#include "gs/gs.h"
#include "io/convert.h"
#include "io/os/os_layer.h"
#include "io/replace.h"
#include "io/status.h"
#include "io/units.h"

namespace {

constexpr int PARAMETER_UNIT = 12;
// The first line of every parameter file.
constexpr std::string_view PARAMETER_FILE_HEAD = "! ZYT_VUZOV PARAMETER FILE";

std::string projection_file_name;
std::string sinogram_file_name;

// An "A" field: the text padded with blanks to its declared length.
std::string field(std::string_view text, std::size_t length)
{
    std::string result(text);
    if (result.size() < length) result.resize(length, ' ');
    return result;
}

// Set when a number did not fit its field (and came out as asterisks) while
// the line being built was formatted.
bool field_overflow = false;

std::string checked(std::string formatted)
{
    if (formatted.find_first_not_of('*') == std::string::npos) field_overflow = true;
    return formatted;
}

std::string i6(int value) { return checked(io_fortran_i(value, 6)); }
std::string i2(int value) { return checked(io_fortran_i(value, 2)); }
std::string fixed(float value, int width, int decimals)
{
    return checked(io_fortran_f(value, width, decimals));
}

// Single-precision products, as the values are held.
float microns(float metres) { return metres * 1000000.0f; }
float degrees(float radians) { return radians * 57.29578f; }

// An existing file that is not a parameter file (an image of the series,
// say) is replaced only when the user says so.
bool replace_confirmed(const std::string& path, int& status)
{
    int error_value = 0;
    std::FILE* existing = IO_FOPEN_REGULARC(path, error_value);
    if (existing == nullptr) return true;
    char line[64] = {};
    const bool parameters = std::fgets(line, sizeof line, existing) != nullptr &&
                            std::string_view(line).rfind(PARAMETER_FILE_HEAD, 0) == 0;
    std::fclose(existing);
    if (parameters) return true;
    const std::vector<std::string> help{
        "The file exists and is not a parameter file: \"YES\" replaces it,",
        "\"NO\" asks for another name"};
    bool replace = false;
    GS_INPL(true, "REPLACE A FILE THAT IS NOT A PARAMETER FILE", 2, help, replace, status);
    return replace && status == ST_GOOD_VALUE;
}

// Asks for the file on the selection panel and opens it; a name that cannot
// be opened is warned about and asked again, until one opens. The file is
// replaced as a whole, so the user's earlier file stays when a write fails.
bool open_parameter_file(std::string& file_name, IoReplacement& file, int& status)
{
    const std::vector<std::string> title{"SELECT NAME FOR PARAMETER FILE"};
    const std::vector<std::string> info{"This file will store the parameter values",
                                        "to be used by \"zyt_vuzov\" for the reconstruction"};
    for (;;) {
        int retstat = 0;
        GS_FILESELECTION(1, 1, title, 2, 2, info, 3, false, retstat, file_name, status);
        if (status != ST_GOOD_VALUE) return false;
        // A cancel keeps the name chosen before: without one there is nothing to open.
        int opened = IO_REPLACEMENT_NOT_MADE;
        if (!st_strip(file_name).empty()) file.open(PARAMETER_UNIT, file_name, opened, status);
        if (status != ST_GOOD_VALUE) return false;
        if (opened == IO_REPLACEMENT_OPEN) {
            if (replace_confirmed(file.target(), status)) return true;
            file.abandon();
            if (status != ST_GOOD_VALUE) return false;
            continue;
        }
        const std::vector<std::string> warning{"Could not open parameter output file:",
                                               file_name.substr(0, 80)};
        GS_FWARNING(2, 2, warning, status);
    }
}

// Writes the lines and puts the file in place of the earlier one. A file with
// a number that did not fit its field is not put in place: the reconstruction
// could not read it.
template <typename Lines>
void write_parameter_file(std::string& file_name, std::string_view position, int& status,
                          Lines lines)
{
    IoReplacement file;
    if (!open_parameter_file(file_name, file, status)) return;
    std::vector<std::string> too_wide;
    field_overflow = false;
    lines([&](std::string_view line) {
        if (field_overflow) too_wide.emplace_back(line);
        field_overflow = false;
        io_unit_put_line(PARAMETER_UNIT, line);
    });
    if (too_wide.empty()) {
        file.commit(status);
        return;
    }
    file.abandon();
    io_say("ERROR: Values too wide for their fields of the parameter file:");
    for (const std::string& line : too_wide) io_say(line);
    st_fail(status, ST_MOD_IO + ST_WRITE_FAIL, position);
}

template <typename Put>
void put_number_length(Put put, std::string_view prefix, bool varies, int length)
{
    const std::string key(prefix);
    if (varies) {
        put(key + "NUMBER_LENGTH_VARIES = YES");
        put(key + "LENGTH_OF_NUMERICAL_PART = N.A. ! No. of characters");
    } else {
        put(key + "NUMBER_LENGTH_VARIES = NO");
        put(key + "LENGTH_OF_NUMERICAL_PART = " + i2(length) + " ! No. of characters");
    }
}

template <typename Put>
void put_image_format(Put put, const ZytParameters& p)
{
    put("NUM_IMAGE_1 = " + i6(p.NUM_IMAGE_1) + " ! Number of pixels horizontally");
    put("NUM_IMAGE_2 = " + i6(p.NUM_IMAGE_2) + " ! Number of pixels vertically");
    put("IMAGE_PIXEL_SIZE_1 = " + fixed(microns(p.IMAGE_PIXEL_SIZE_1), 12, 5) +
        " ! Pixel size horizontally (microns)");
    put("IMAGE_PIXEL_SIZE_2 = " + fixed(microns(p.IMAGE_PIXEL_SIZE_2), 12, 5) +
        " ! Pixel size vertically");
    put(" ");
}

// The keys and notes that name the file series: projections or sinograms.
struct SeriesWords
{
    const char* route;
    const char* prefix;
    const char* first;
    const char* last;
    const char* file;
    const char* postfix;
    const char* interval;
    const char* interval_note;
    const char* format;
};

constexpr SeriesWords projection_words{"NO",          "FILE_PREFIX",    "NUM_FIRST_IMAGE",
                                       "NUM_LAST_IMAGE", "projection file", "FILE_POSTFIX",
                                       "FILE_INTERVAL", "Interval between input files",
                                       "projection"};
constexpr SeriesWords sinogram_words{"YES",          "SINOGRAM_PREFIX",  "NUM_FIRST_SINOGRAM",
                                     "NUM_LAST_SINOGRAM", "sinogram file", "SINOGRAM_POSTFIX",
                                     "SINOGRAM_INTERVAL", "Interval between input sinograms",
                                     "sinogram"};

// The head of the file up to the image format: the route and the file series.
template <typename Put>
void put_series(Put put, const ZytParameters& p, const SeriesWords& w)
{
    const std::string file(w.file);
    put(PARAMETER_FILE_HEAD);
    put(" ");
    put(std::string("RECONSTRUCT_FROM_SINOGRAMS = ") + w.route);
    put(" ");
    put("! Parameters defining the projection file series ");
    put(std::string(w.prefix) + " = " + field(p.FILE_PREFIX, ZYT_NAME_LENGTH));
    put(std::string(w.first) + " = " + i6(p.NUM_FIRST_IMAGE) + " ! No. of first " + file);
    put(std::string(w.last) + " = " + i6(p.NUM_LAST_IMAGE) + " ! No. of last " + file);
    put_number_length(put, "", p.NUMBER_LENGTH_VARIES, p.LENGTH_OF_NUMERICAL_PART);
    put(std::string(w.postfix) + " = " + field(p.FILE_POSTFIX, ZYT_POSTFIX_LENGTH));
    put(std::string(w.interval) + " = " + i6(p.FILE_INTERVAL) + " ! " + w.interval_note);
    put(" ");
    put(std::string("! Parameters defining the ") + w.format + " file format");
    put_image_format(put, p);
}

template <typename Put>
void put_axis_position(Put put, const ZytParameters& p)
{
    put("ROTATION_AXIS_POSITION = " + fixed(p.ROTATION_AXIS_POSITION, 14, 4) +
        " ! Position in pixels");
    put(" ");
    put("! Parameters defining reconstruction");
}

template <typename Put>
void put_take_logarithm(Put put, const ZytParameters& p)
{
    put(p.TAKE_LOGARITHM ? "TAKE_LOGARITHM = YES ! Take log of projection values"
                         : "TAKE_LOGARITHM = NO");
    put(" ");
    put("! Parameters defining experiment");
    put("ANGLE_BETWEEN_PROJECTIONS = " +
        fixed(degrees(p.ANGLE_BETWEEN_PROJECTIONS), 11, 6) +
        " ! Increment angle in degrees");
}

template <typename Put>
void put_voxel(Put put, std::string_view key, int value, std::string_view what)
{
    put(std::string(key) + " = " + i6(value) + " ! " + std::string(what) +
        " of reconstruction volume ");
}

template <typename Put>
void put_reconstruction_options(Put put, const ZytParameters& p)
{
    put("OVERSAMPLING_FACTOR = " + i2(p.OVERSAMPLING_FACTOR) + " ! 0 = Linear, 1 = Nearest pixel");
    put("ANGLE_OFFSET = " + fixed(p.ANGLE_OFFSET, 11, 6) +
        " ! Reconstruction rotation offset angle in degrees");
    put("CACHE_KILOBYTES = " + i6(p.CACHE_KILOBYTES) +
        " ! Size of processor cache (L2) per processor (Kbytes)");
}

template <typename Put>
void put_output(Put put, const ZytParameters& p)
{
    put(" ");
    put("! Parameters defining output file / format");
    put("OUTPUT_FILE = " + field(p.OUTPUT_FILE, ZYT_NAME_LENGTH));
    put(" ");
    put("! Reconstruction program options");
    put(p.DISPLAY_GRAPHICS ? "DISPLAY_GRAPHICS = YES ! Images of slices"
                           : "DISPLAY_GRAPHICS = NO ! No images");
    put(" ");
}

template <typename Put>
void put_flatfield(Put put, const ZytParameters& p)
{
    if (p.CORRECT_FLATFIELD && p.FLATFIELD_CHANGING) {
        put("CORRECT_FLATFIELD = YES ! Divide by flat-field image");
        put("FLATFIELD_CHANGING = YES ! Series of flat-field files");
        put("FLATFIELD_FILE = N.A.");
        put("FF_PREFIX = " + field(p.FF_PREFIX, ZYT_NAME_LENGTH));
        put("FF_NUM_FIRST_IMAGE = " + i6(p.FF_NUM_FIRST_IMAGE) + " ! No. of first flat-field file");
        put("FF_NUM_LAST_IMAGE = " + i6(p.FF_NUM_LAST_IMAGE) + " ! No. of last flat-field file");
        put_number_length(put, "FF_", p.FF_NUMBER_LENGTH_VARIES, p.FF_LENGTH_OF_NUMERICAL_PART);
        put("FF_POSTFIX = " + field(p.FF_POSTFIX, ZYT_POSTFIX_LENGTH));
        put("FF_FILE_INTERVAL = " + i6(p.FF_FILE_INTERVAL) + " ! Interval between flat-field files");
        return;
    }
    if (p.CORRECT_FLATFIELD) {
        put("CORRECT_FLATFIELD = YES ! Divide by flat-field image");
        put("FLATFIELD_CHANGING = NO ! Series of flat-field files");
        put("FLATFIELD_FILE = " + field(p.FLATFIELD_FILE, ZYT_NAME_LENGTH));
    } else {
        put("CORRECT_FLATFIELD = NO ! No flat-field correction");
        put("FLATFIELD_FILE = N.A.");
        put("FLATFIELD_CHANGING = N.A.");
    }
    for (const char* key : {"FF_PREFIX", "FF_NUM_FIRST_IMAGE", "FF_NUM_LAST_IMAGE",
                            "FF_NUMBER_LENGTH_VARIES", "FF_LENGTH_OF_NUMERICAL_PART",
                            "FF_POSTFIX", "FF_FILE_INTERVAL"})
        put(std::string(key) + " = N.A.");
}

} // namespace

void ZYT_SET_PARAMETER_FILENAME(std::string_view file_name)
{
    projection_file_name = std::string(file_name);
}

void ZYT_SET_SINOPARAMETER_FILENAME(std::string_view file_name)
{
    sinogram_file_name = std::string(file_name);
}

// The parameter file of a reconstruction from a projection-image series.
void ZYT_SAVE_PARAMETERS(const ZytParameters& p, int& status)
{
    constexpr std::string_view position = "Subroutine ZYT_SAVE_PARAMETERS V0.11";
    if (!st_enter(status, position)) return;
    write_parameter_file(projection_file_name, position, status, [&](auto put) {
        put_series(put, p, projection_words);
        put("! Parameters defining background treatment");
        if (p.SUBTRACT_BACKGROUND) {
            put("SUBTRACT_BACKGROUND = YES ! Subtract background from data");
            put("BACKGROUND_FILE = " + field(p.BACKGROUND_FILE, ZYT_NAME_LENGTH));
        } else {
            put("SUBTRACT_BACKGROUND = NO ! No background subtraction");
            put("BACKGROUND_FILE = N.A.");
        }
        put(" ");
        put("! Parameters defining flat-field treatment");
        put_flatfield(put, p);
        put(" ");
        put_take_logarithm(put, p);
        put(p.ROTATION_VERTICAL ? "ROTATION_VERTICAL = YES"
                                : "ROTATION_VERTICAL = NO ! Horizontal rotation");
        put_axis_position(put, p);
        put(p.OUTPUT_SINOGRAMS ? "OUTPUT_SINOGRAMS = YES ! Output sinograms to files or not"
                               : "OUTPUT_SINOGRAMS = NO ! Output sinograms to files or not");
        put(p.OUTPUT_RECONSTRUCTION ? "OUTPUT_RECONSTRUCTION = YES ! Reconstruct and save or not"
                                    : "OUTPUT_RECONSTRUCTION = NO ! Reconstruct and save or not");
        put_voxel(put, "START_VOXEL_1", p.START_VOXEL_1, "X-start");
        put_voxel(put, "START_VOXEL_2", p.START_VOXEL_2, "Y-start");
        put_voxel(put, "START_VOXEL_3", p.START_VOXEL_3, "Z-start");
        put_voxel(put, "END_VOXEL_1", p.END_VOXEL_1, "X-end");
        put_voxel(put, "END_VOXEL_2", p.END_VOXEL_2, "Y-end");
        put_voxel(put, "END_VOXEL_3", p.END_VOXEL_3, "Z-end");
        put_reconstruction_options(put, p);
        put("SINOGRAM_MEGABYTES = " + i6(p.SINOGRAM_MEGABYTES) +
            " ! Maximum size of sinogram storage (megabytes)");
        put_output(put, p);
    });
}

// The parameter file of a reconstruction from a series of sinogram files; the
// projection-series members hold the sinogram series.
void ZYT_SAVE_SINOPARAMETERS(const ZytParameters& p, int& status)
{
    constexpr std::string_view position = "Subroutine ZYT_SAVE_SINOPARAMETERS V0.1 ";
    if (!st_enter(status, position)) return;
    write_parameter_file(sinogram_file_name, position, status, [&](auto put) {
        put_series(put, p, sinogram_words);
        put_take_logarithm(put, p);
        put_axis_position(put, p);
        put_voxel(put, "START_VOXEL_1", p.START_VOXEL_1, "X-start");
        put_voxel(put, "START_VOXEL_2", p.START_VOXEL_2, "Y-start");
        put_voxel(put, "END_VOXEL_1", p.END_VOXEL_1, "X-end");
        put_voxel(put, "END_VOXEL_2", p.END_VOXEL_2, "Y-end");
        put_reconstruction_options(put, p);
        put_output(put, p);
    });
}
