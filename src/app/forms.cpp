#include "app/forms.h"

#include <string>
#include <vector>

#include "gs/gs.h"
#include "io/database.h"
#include "io/status.h"

namespace {

constexpr float RADIANS_PER_DEGREE = 0.017453292f;
constexpr float METRES_PER_MICRON = 0.000001f;

// What the forms accept.
template <typename T>
struct Bounds
{
    T low;
    T high;
};
constexpr Bounds<int> INTERVAL{1, 1000};
constexpr Bounds<int> OVERSAMPLING{0, 16};
constexpr Bounds<int> CACHE{512, 8192};
constexpr Bounds<int> SINOGRAM_STORAGE{16, 4096};
constexpr Bounds<float> INCREMENT_DEGREES{0.0f, 180.0f};
constexpr Bounds<float> PIXEL_MICRONS{0.01f, 1000.0f};
constexpr Bounds<float> OFFSET_DEGREES{-360.0f, 360.0f};

// A remembered number, brought to the nearest bound of what its form accepts:
// the defaults file may hold anything.
template <typename T, typename Inquire>
void remembered(std::string_view key, Bounds<T> bounds, T& value, int& status, Inquire inquire)
{
    int retstat = 0;
    T stored = value;
    inquire(key, stored, retstat, status);
    if (retstat != 0) return;
    // Written so that a value that is no number at all takes the lower bound.
    value = stored >= bounds.low ? (stored <= bounds.high ? stored : bounds.high) : bounds.low;
}

void remembered(std::string_view key, Bounds<int> bounds, int& value, int& status)
{
    remembered(key, bounds, value, status, IO_INQ_IKEYVALUE);
}

void remembered(std::string_view key, Bounds<float> bounds, float& value, int& status)
{
    remembered(key, bounds, value, status, IO_INQ_RKEYVALUE);
}

GsFormItem make_item(const char* label, const char* prompt, int type)
{
    GsFormItem item;
    item.label = label;
    item.description = prompt;
    item.type = type;
    return item;
}

GsFormItem integer_item(const char* label, const char* prompt, const char* help,
                        Bounds<int> bounds, int value)
{
    GsFormItem item = make_item(label, prompt, 1);
    item.range = true;
    item.int_min = bounds.low;
    item.int_max = bounds.high;
    item.int_value = value;
    item.help = help;
    return item;
}

GsFormItem real_item(const char* label, const char* prompt, const char* help,
                     Bounds<float> bounds, float value)
{
    GsFormItem item = make_item(label, prompt, 3);
    item.range = true;
    item.real_min = bounds.low;
    item.real_max = bounds.high;
    item.real_value = value;
    item.help = help;
    return item;
}

GsFormItem logical_item(const char* label, const char* prompt, const char* help, bool value)
{
    GsFormItem item = make_item(label, prompt, 2);
    item.logical_value = value;
    item.help = help;
    return item;
}

GsFormItem output_file_item(const std::string& value)
{
    GsFormItem item = make_item("OUTPUT FILE", "FILE TO CONTAIN RECONSTRUCTED VOLUME", 8);
    item.text_value = value;
    item.help = "Select directory and file to contain reconstructed volume";
    return item;
}

// Shows one control form; false when the user cancelled it.
bool show_form(const char* heading, const char* form_name, std::vector<GsFormItem>& items,
               int& status)
{
    const std::vector<std::string> title{heading, form_name};
    const std::vector<std::string> info{"Help text not yet implemented"};
    const int n = static_cast<int>(items.size());
    GS_FORM(2, 2, title, 1, 1, info, n + 5, n, items, status);
    return status == ST_GOOD_VALUE;
}

// The fields shared by both routes, as the second control forms show them.
const char* const OVERSAMPLING_PROMPT = "DEGREE OF OVER-SAMPLING (0 = LINEAR INTER.)";
const char* const OVERSAMPLING_HELP = "Degree for over-sampling: 0 = Linear interpolation "
                                      "1 = Nearest pixel, 2, 3, 4, etc. = over-sampling level";
const char* const TAKE_LOG_PROMPT = "TAKE LOGARITHM OF DATA BEFORE BACKPROJECTION";
const char* const TAKE_LOG_HELP =
    "Enter \"YES\" if the logarithm of data points is to be taken prior to back-projection";
const char* const CACHE_PROMPT = "SIZE OF PROCESSOR CACHE (KILOBYTES)";
const char* const CACHE_HELP =
    "Enter size of processor cache (L2) per  processor in units of kilobytes";

std::vector<GsFormItem> angles_and_pixels(const ZytParameters& p)
{
    return {real_item("INCREMENT ANGLE", "ANGLE BETWEEN IMAGES (DEGREES)",
                      "Rotation angle between each image in degrees", INCREMENT_DEGREES,
                      p.ANGLE_BETWEEN_PROJECTIONS),
            output_file_item(p.OUTPUT_FILE),
            real_item("X-PIXEL SIZE", "DATA HORIZONTAL PIXEL SIZE (MICRONS)",
                      "Enter horizontal pixel size in microns ", PIXEL_MICRONS,
                      p.IMAGE_PIXEL_SIZE_1 * 1000000.0f),
            real_item("Y-PIXEL SIZE", "DATA VERTICAL PIXEL SIZE (MICRONS)",
                      "Enter vertical pixel size in microns ", PIXEL_MICRONS,
                      p.IMAGE_PIXEL_SIZE_2 * 1000000.0f),
            real_item("OFFSET ANGLE", "RECONSTRUCTION OFFSET ANGLE (DEGREES)",
                      "Enter the offset angle to rotate the reconstruction in degrees",
                      OFFSET_DEGREES, p.ANGLE_OFFSET),
            logical_item("OUTPUT GRAPHICS", "OUTPUT OF GRAPHICS DURING RECONSTRUCTION",
                         "Enter \"YES\" to see images of reconstructed slices during "
                         "reconstruction",
                         p.DISPLAY_GRAPHICS)};
}

// Takes back the shared fields of a second form, converting to the units held.
void accept_angles_and_pixels(const std::vector<GsFormItem>& items, std::size_t first,
                              ZytParameters& p)
{
    p.ANGLE_BETWEEN_PROJECTIONS = items[first].real_value * RADIANS_PER_DEGREE;
    p.OUTPUT_FILE = items[first + 1].text_value;
    p.IMAGE_PIXEL_SIZE_1 = items[first + 2].real_value * METRES_PER_MICRON;
    p.IMAGE_PIXEL_SIZE_2 = items[first + 3].real_value * METRES_PER_MICRON;
    p.ANGLE_OFFSET = items[first + 4].real_value;
    p.DISPLAY_GRAPHICS = items[first + 5].logical_value;
}

} // namespace

// The pixel sizes remembered (metres), within what control form 2 accepts.
void zyt_remembered_pixel_sizes(ZytParameters& p, int& status)
{
    const Bounds<float> metres{PIXEL_MICRONS.low * METRES_PER_MICRON,
                               PIXEL_MICRONS.high * METRES_PER_MICRON};
    remembered(zyt_key::X_PIXEL_SIZE, metres, p.IMAGE_PIXEL_SIZE_1, status);
    remembered(zyt_key::Y_PIXEL_SIZE, metres, p.IMAGE_PIXEL_SIZE_2, status);
}

// The options of a reconstruction from projections, on two forms; the values
// are remembered for the next run once both are accepted.
void ZYT_INPUT_FORM(ZytParameters& p, int& status)
{
    if (!st_enter(status, "Subroutine ZYT_INPUT_FORM V0.14")) return;
    int retstat = 0;
    remembered(zyt_key::FILE_INTERVAL, INTERVAL, p.FILE_INTERVAL, status);
    IO_INQ_LKEYVALUE(zyt_key::SUBTRACT_BACKGROUND, p.SUBTRACT_BACKGROUND, retstat, status);
    IO_INQ_LKEYVALUE(zyt_key::CORRECT_FLATFIELD, p.CORRECT_FLATFIELD, retstat, status);
    IO_INQ_LKEYVALUE(zyt_key::TAKE_LOG, p.TAKE_LOGARITHM, retstat, status);
    IO_INQ_LKEYVALUE(zyt_key::ROTATION_AXIS_VERTICAL, p.ROTATION_VERTICAL, retstat, status);
    IO_INQ_LKEYVALUE(zyt_key::OUTPUT_SINOGRAMS, p.OUTPUT_SINOGRAMS, retstat, status);
    IO_INQ_LKEYVALUE(zyt_key::OUTPUT_RECONSTRUCTION, p.OUTPUT_RECONSTRUCTION, retstat, status);
    remembered(zyt_key::OVER_SAMPLING, OVERSAMPLING, p.OVERSAMPLING_FACTOR, status);
    remembered(zyt_key::ROTATION_ANGLE_OFFSET, OFFSET_DEGREES, p.ANGLE_OFFSET, status);
    IO_INQ_LKEYVALUE(zyt_key::DISPLAY_GRAPHICS, p.DISPLAY_GRAPHICS, retstat, status);
    remembered(zyt_key::CACHE_KILOBYTES, CACHE, p.CACHE_KILOBYTES, status);
    remembered(zyt_key::SINOGRAM_MEGABYTES, SINOGRAM_STORAGE, p.SINOGRAM_MEGABYTES, status);

    std::vector<GsFormItem> form1 = {
        integer_item("FILE INTERVAL", "INTERVAL BETWEEN TREATED FILES",
                     "Interval between treating images: 1 = treat every image; 2 = treat every "
                     "other image, etc.",
                     INTERVAL, p.FILE_INTERVAL),
        logical_item("- BACKGROUND", "SUBTRACT BACKGROUND IMAGE FROM DATA FILES",
                     "\"YES\" if a background or dark current image is to subtracted from the "
                     "projection data",
                     p.SUBTRACT_BACKGROUND),
        logical_item("FLAT-FIELD", "APPLY FLAT-FIELD CORRECTION TO DATA",
                     "\"YES\" if a flat-field correction is to be applied to the projection data",
                     p.CORRECT_FLATFIELD),
        logical_item("TAKE LOG", TAKE_LOG_PROMPT, TAKE_LOG_HELP, p.TAKE_LOGARITHM),
        logical_item("VERT. ROTATION", "AXIS OF ROTATION WAS VERTICAL",
                     "Enter \"YES\" if the axis of sample rotation was vertical; \"NO\" if it was "
                     "horizontal",
                     p.ROTATION_VERTICAL),
        integer_item("CACHE KILOBYTES", CACHE_PROMPT, CACHE_HELP, CACHE, p.CACHE_KILOBYTES),
        integer_item("SINOGRAM MEGABYTES", "MAXIMUM SIZE OF SINOGRAM STORAGE (MEGABYTES)",
                     "Enter maximum number of megabytes to be used to store sinograms internally",
                     SINOGRAM_STORAGE, p.SINOGRAM_MEGABYTES),
        logical_item("OUTPUT SINOGRAMS", "OUTPUT SINOGRAMS TO INDIVIDUAL FILES",
                     "Output to files sinograms with corrected data", p.OUTPUT_SINOGRAMS),
        logical_item("RECONSTRUCTION", "RECONSTRUCT AND SAVE SLICES",
                     "Reconstruct slices and output to a volume file", p.OUTPUT_RECONSTRUCTION)};
    if (!show_form("TOMOGRAPHY RECONSTRUCTION", "CONTROL FORM 1", form1, status)) return;
    p.FILE_INTERVAL = form1[0].int_value;
    p.SUBTRACT_BACKGROUND = form1[1].logical_value;
    p.CORRECT_FLATFIELD = form1[2].logical_value;
    p.TAKE_LOGARITHM = form1[3].logical_value;
    p.ROTATION_VERTICAL = form1[4].logical_value;
    p.CACHE_KILOBYTES = form1[5].int_value;
    p.SINOGRAM_MEGABYTES = form1[6].int_value;
    p.OUTPUT_SINOGRAMS = form1[7].logical_value;
    p.OUTPUT_RECONSTRUCTION = form1[8].logical_value;

    std::vector<GsFormItem> form2 = {integer_item("OVER-SAMPLING", OVERSAMPLING_PROMPT,
                                                  OVERSAMPLING_HELP, OVERSAMPLING,
                                                  p.OVERSAMPLING_FACTOR)};
    const std::vector<GsFormItem> shared = angles_and_pixels(p);
    form2.insert(form2.end(), shared.begin(), shared.end());
    if (!show_form("TOMOGRAPHY RECONSTRUCTION", "CONTROL FORM 2", form2, status)) return;
    p.OVERSAMPLING_FACTOR = form2[0].int_value;
    accept_angles_and_pixels(form2, 1, p);

    IO_SET_IKEYVALUE(zyt_key::FILE_INTERVAL, p.FILE_INTERVAL, retstat, status);
    IO_SET_LKEYVALUE(zyt_key::SUBTRACT_BACKGROUND, p.SUBTRACT_BACKGROUND, retstat, status);
    IO_SET_LKEYVALUE(zyt_key::CORRECT_FLATFIELD, p.CORRECT_FLATFIELD, retstat, status);
    IO_SET_LKEYVALUE(zyt_key::TAKE_LOG, p.TAKE_LOGARITHM, retstat, status);
    IO_SET_LKEYVALUE(zyt_key::ROTATION_AXIS_VERTICAL, p.ROTATION_VERTICAL, retstat, status);
    IO_SET_LKEYVALUE(zyt_key::OUTPUT_SINOGRAMS, p.OUTPUT_SINOGRAMS, retstat, status);
    IO_SET_LKEYVALUE(zyt_key::OUTPUT_RECONSTRUCTION, p.OUTPUT_RECONSTRUCTION, retstat, status);
    IO_SET_IKEYVALUE(zyt_key::OVER_SAMPLING, p.OVERSAMPLING_FACTOR, retstat, status);
    IO_SET_RKEYVALUE(zyt_key::ROTATION_ANGLE_OFFSET, p.ANGLE_OFFSET, retstat, status);
    IO_SET_LKEYVALUE(zyt_key::DISPLAY_GRAPHICS, p.DISPLAY_GRAPHICS, retstat, status);
    IO_SET_IKEYVALUE(zyt_key::CACHE_KILOBYTES, p.CACHE_KILOBYTES, retstat, status);
    IO_SET_IKEYVALUE(zyt_key::SINOGRAM_MEGABYTES, p.SINOGRAM_MEGABYTES, retstat, status);
}

// The options of a reconstruction from sinograms: the region within a slice
// on the first form, the rest on the second.
void ZYT_INPUT_SINOFORM(ZytParameters& p, int& status)
{
    if (!st_enter(status, "Subroutine ZYT_INPUT_SINOFORM V0.3 ")) return;
    int retstat = 0;
    remembered(zyt_key::SINO_INTERVAL, INTERVAL, p.FILE_INTERVAL, status);
    IO_INQ_LKEYVALUE(zyt_key::TAKE_LOG, p.TAKE_LOGARITHM, retstat, status);
    remembered(zyt_key::OVER_SAMPLING, OVERSAMPLING, p.OVERSAMPLING_FACTOR, status);
    remembered(zyt_key::ROTATION_ANGLE_OFFSET, OFFSET_DEGREES, p.ANGLE_OFFSET, status);
    IO_INQ_LKEYVALUE(zyt_key::DISPLAY_GRAPHICS, p.DISPLAY_GRAPHICS, retstat, status);
    remembered(zyt_key::CACHE_KILOBYTES, CACHE, p.CACHE_KILOBYTES, status);

    // Every region limit lies within the sinogram width (the slice's width).
    const int width = p.NUM_IMAGE_1;
    const Bounds<int> region{1, width};
    std::vector<GsFormItem> form1 = {
        integer_item("SINOGRAM INTERVAL", "INTERVAL BETWEEN RECONSTRUCTED SINOGRAMS",
                     "Interval between treating sinograms: 1 = treat every image; 2 = treat every "
                     "other image, etc.",
                     INTERVAL, p.FILE_INTERVAL),
        integer_item("X-START", "X-PIXEL OF START OF RECONSTRUCTION REGION",
                     "Enter left limit of reconstructed region within a slice", region, 1),
        integer_item("Y-START", "Y-PIXEL OF START OF RECONSTRUCTION REGION",
                     "Enter lower limit of reconstructed region within a slice", region, 1),
        integer_item("X-END", "X-PIXEL OF END OF RECONSTRUCTION REGION",
                     "Enter right limit of reconstructed region within a slice", region, width),
        integer_item("Y-END", "Y-PIXEL OF END OF RECONSTRUCTION REGION",
                     "Enter upper limit of reconstructed region within a slice", region, width)};
    // A region that ends before it starts is refused, and the form shown again.
    for (;;) {
        if (!show_form("SINOGRAM RECONSTRUCTION", "CONTROL FORM 1", form1, status)) return;
        const char* inverted = form1[1].int_value > form1[3].int_value   ? "X"
                               : form1[2].int_value > form1[4].int_value ? "Y"
                                                                         : nullptr;
        if (inverted == nullptr) break;
        const std::string axis(inverted);
        const std::string warning[] = {axis + "-START LIES BEYOND " + axis + "-END"};
        io_say("WARNING: " + axis + "-START lies beyond " + axis +
               "-END: the region is asked again");
        GS_FWARNING(1, 1, warning, status);
    }
    p.FILE_INTERVAL = form1[0].int_value;
    p.START_VOXEL_1 = form1[1].int_value;
    p.START_VOXEL_2 = form1[2].int_value;
    p.END_VOXEL_1 = form1[3].int_value;
    p.END_VOXEL_2 = form1[4].int_value;

    std::vector<GsFormItem> form2 = {
        logical_item("TAKE LOG", TAKE_LOG_PROMPT, TAKE_LOG_HELP, p.TAKE_LOGARITHM),
        integer_item("CACHE KILOBYTES", CACHE_PROMPT, CACHE_HELP, CACHE, p.CACHE_KILOBYTES),
        integer_item("OVER-SAMPLING", OVERSAMPLING_PROMPT, OVERSAMPLING_HELP, OVERSAMPLING,
                     p.OVERSAMPLING_FACTOR)};
    const std::vector<GsFormItem> shared = angles_and_pixels(p);
    form2.insert(form2.end(), shared.begin(), shared.end());
    form2.push_back(real_item("AXIS POSITION", "PIXEL COORDINATE OF ROTATION AXIS POSITION",
                              "Enter the position of the rotation axis on thedetector, measured "
                              "from 0.0 for the left edge of the first pixel",
                              Bounds<float>{0.0f, static_cast<float>(width)}, width * 0.5f));
    if (!show_form("SINOGRAM RECONSTRUCTION", "CONTROL FORM 2", form2, status)) return;
    p.TAKE_LOGARITHM = form2[0].logical_value;
    p.CACHE_KILOBYTES = form2[1].int_value;
    p.OVERSAMPLING_FACTOR = form2[2].int_value;
    accept_angles_and_pixels(form2, 3, p);
    p.ROTATION_AXIS_POSITION = form2[9].real_value;

    IO_SET_IKEYVALUE(zyt_key::SINO_INTERVAL, p.FILE_INTERVAL, retstat, status);
    IO_SET_LKEYVALUE(zyt_key::TAKE_LOG, p.TAKE_LOGARITHM, retstat, status);
    IO_SET_IKEYVALUE(zyt_key::OVER_SAMPLING, p.OVERSAMPLING_FACTOR, retstat, status);
    IO_SET_RKEYVALUE(zyt_key::ROTATION_ANGLE_OFFSET, p.ANGLE_OFFSET, retstat, status);
    IO_SET_LKEYVALUE(zyt_key::DISPLAY_GRAPHICS, p.DISPLAY_GRAPHICS, retstat, status);
    IO_SET_IKEYVALUE(zyt_key::CACHE_KILOBYTES, p.CACHE_KILOBYTES, retstat, status);
}
