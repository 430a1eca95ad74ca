#pragma once
// The reconstruction parameter set: the values the program collects and
// writes to the parameter file, with their initial values, and the keys
// under which the defaults database remembers them between runs.

#include <string>
#include <string_view>

struct ZytParameters
{
    int NUM_FIRST_IMAGE = 0;
    int NUM_LAST_IMAGE = 0;
    int FILE_INTERVAL = 1; // signed by the series direction once the form is accepted
    std::string FILE_PREFIX;
    bool NUMBER_LENGTH_VARIES = false;
    int LENGTH_OF_NUMERICAL_PART = 0;
    std::string FILE_POSTFIX; // with the extension appended
    int NUM_IMAGE_1 = 0;
    int NUM_IMAGE_2 = 0;
    float IMAGE_PIXEL_SIZE_1 = 0.000002f; // metres
    float IMAGE_PIXEL_SIZE_2 = 0.000002f; // metres
    bool SUBTRACT_BACKGROUND = false;
    std::string BACKGROUND_FILE;
    bool CORRECT_FLATFIELD = false;
    bool FLATFIELD_CHANGING = false;
    std::string FLATFIELD_FILE;
    int FF_NUM_FIRST_IMAGE = 0;
    int FF_NUM_LAST_IMAGE = 0;
    int FF_FILE_INTERVAL = 100;
    std::string FF_PREFIX;
    bool FF_NUMBER_LENGTH_VARIES = false;
    int FF_LENGTH_OF_NUMERICAL_PART = 0;
    std::string FF_POSTFIX;
    bool TAKE_LOGARITHM = true;
    float ANGLE_OFFSET = 0.0f;              // degrees
    float ANGLE_BETWEEN_PROJECTIONS = 0.0f; // degrees until the second form, radians after
    bool ROTATION_VERTICAL = true;
    bool OUTPUT_SINOGRAMS = false;
    bool OUTPUT_RECONSTRUCTION = true;
    float ROTATION_AXIS_POSITION = 512.0f; // pixels from the left edge of the first pixel
    int START_VOXEL_1 = 0;
    int START_VOXEL_2 = 0;
    int START_VOXEL_3 = 0;
    int END_VOXEL_1 = 0;
    int END_VOXEL_2 = 0;
    int END_VOXEL_3 = 0;
    int OVERSAMPLING_FACTOR = 4;
    int CACHE_KILOBYTES = 4096;
    int SINOGRAM_MEGABYTES = 800;
    std::string OUTPUT_FILE;
    bool DISPLAY_GRAPHICS = false;
};

// Defaults-database keys of the application.
namespace zyt_key {
inline constexpr std::string_view FILE_INTERVAL = "FILE_INTERVAL";
inline constexpr std::string_view X_PIXEL_SIZE = "X_PIXEL_SIZE";
inline constexpr std::string_view Y_PIXEL_SIZE = "Y_PIXEL_SIZE";
inline constexpr std::string_view SUBTRACT_BACKGROUND = "SUBTRACT_BACKGROUND";
inline constexpr std::string_view CORRECT_FLATFIELD = "CORRECT_FLATFIELD";
inline constexpr std::string_view FF_INTERVAL = "FF_INTERVAL";
inline constexpr std::string_view TAKE_LOG = "TAKE_LOG";
inline constexpr std::string_view ROTATION_ANGLE_OFFSET = "ROTATION_ANGLE_OFFSET";
inline constexpr std::string_view ROTATION_AXIS_VERTICAL = "ROTATION_AXIS_VERTICAL";
inline constexpr std::string_view OUTPUT_SINOGRAMS = "OUTPUT_SINOGRAMS";
inline constexpr std::string_view OUTPUT_RECONSTRUCTION = "OUTPUT_RECONSTRUCTION";
inline constexpr std::string_view OVER_SAMPLING = "OVER-SAMPLING";
inline constexpr std::string_view CACHE_KILOBYTES = "CACHE_KILOBYTES";
inline constexpr std::string_view SINOGRAM_MEGABYTES = "SINOGRAM_MEGABYTES";
inline constexpr std::string_view DISPLAY_GRAPHICS = "DISPLAY_GRAPHICS";
inline constexpr std::string_view FILE_FIRST_DATA = "FILE_FIRST_DATA";
inline constexpr std::string_view FILE_FIRST_SINOGRAM = "FILE_FIRST_SINOGRAM";
inline constexpr std::string_view SINO_INTERVAL = "SINO_INTERVAL";
} // namespace zyt_key

// Declared lengths of the text fields, as written to the parameter file.
inline constexpr std::size_t ZYT_NAME_LENGTH = 256;
inline constexpr std::size_t ZYT_POSTFIX_LENGTH = 80;
