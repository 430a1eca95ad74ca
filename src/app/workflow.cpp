#include "app/workflow.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/forms.h"
#include "app/projections.h"
#include "app/axis_dialogue.h"
#include "app/stop.h"
#include "app/sinograms.h"
#include "app/test_slice.h"
#include "gs/gs.h"
#include "io/convert.h"
#include "io/database.h"
#include "io/filename.h"
#include "io/status.h"

namespace {

// Remembered between calls: the last names of the series and its direction.
struct Remembered
{
    std::string first_file = "projection_1.dat";
    std::string last_file = "projection_180.dat";
    int direction = 1;
};
Remembered remembered;

[[noreturn]] void stop_with(std::string_view message)
{
    zyt_stop_saying(message, ZYT_EXIT_NORMAL);
}

// The console summary of the volume chosen.
void write_volume(const ZytParameters& p, int& status)
{
    auto i6 = [](long long v) { return io_fortran_i(v, 6); };
    IO_WRITE("INFO: Range of volume to reconstruct:", status);
    IO_WRITE("      X start: " + i6(p.START_VOXEL_1) + " X end: " + i6(p.END_VOXEL_1), status);
    IO_WRITE("      Y start: " + i6(p.START_VOXEL_2) + " Y end: " + i6(p.END_VOXEL_2), status);
    IO_WRITE("      Z start: " + i6(p.START_VOXEL_3) + " Z end: " + i6(p.END_VOXEL_3), status);
    const long long nx = static_cast<long long>(p.END_VOXEL_1) - p.START_VOXEL_1 + 1;
    const long long ny = static_cast<long long>(p.END_VOXEL_2) - p.START_VOXEL_2 + 1;
    const long long nz = static_cast<long long>(p.END_VOXEL_3) - p.START_VOXEL_3 + 1;
    IO_WRITE("INFO: Size of volume = " + i6(nx) + " * " + i6(ny) + " * " + i6(nz), status);
    IO_WRITE("      Total voxels = " + io_fortran_i(nx * ny * nz, 14), status);
}

// The name of the image taken at 90 degrees: number k = pi / (2 x the angle
// between treated files) of the series, counted by the signed interval from
// the first. A number that no name of the series can hold (a tiny angle, a
// descending series running below zero) ends the run as a failed input.
bool image_at_90_degrees(const ZytParameters& p, std::string& name, int& status)
{
    const double step = p.ANGLE_BETWEEN_PROJECTIONS;
    const double k = step > 0.0 ? std::nearbyint(3.1415925 / (2.0 * step)) : 0.0;
    const double number = static_cast<double>(p.FILE_INTERVAL) * k + p.NUM_FIRST_IMAGE;
    int retstat = 1;
    if (number >= 0.0 && number <= 2147483647.0)
        IO_FILENAME(p.FILE_PREFIX, static_cast<int>(number), !p.NUMBER_LENGTH_VARIES,
                    p.LENGTH_OF_NUMERICAL_PART, p.FILE_POSTFIX, retstat, name, status);
    if (status != ST_GOOD_VALUE) return false;
    if (retstat != 0) {
        char shown[32];
        std::snprintf(shown, sizeof shown, "%.15g", number);
        zyt_stop_saying("WARNING: File input failed: image number " + std::string(shown) +
                            " of the series has no file name",
                        ZYT_EXIT_FAILURE);
    }
    return true;
}

} // namespace

// The questions of a reconstruction from projections, in their order.
void ZYT_INPUT_PARAMETERS(FioImage& first, ZytParameters& p, bool& sinogram_route, int& status)
{
    if (!st_enter(status, "Subroutine ZYT_INPUT_PARAMETERS V0.16")) return;
    {
        const std::vector<std::string> help{
            "Enter \"YES\" or \"NO\" (if you don't know enter \"NO\")"};
        const ZytInformationPage page({"Do you want to reconstruct direct from sinograms (\"NO\" to",
                                       "reconstruct from raw data, or to output sinograms)"},
                                      status);
        GS_INPL(true, "RECONSTRUCT DIRECT FROM SINOGRAMS", 1, help, sinogram_route, status);
    }
    if (status != ST_GOOD_VALUE) return;
    // The sinogram workflow writes its own parameter file.
    if (sinogram_route) {
        ZYT_INPUT_SINOPARAMETERS(first, p, status);
        return;
    }

    // The first projection goes into the working image, the last (then the
    // 90-degree image, then the 180-degree one) into a second image whose
    // storage serves each of them in turn.
    FioImage second;
    ZYT_INPUT_FIRST_IMAGE(remembered.first_file, first, p.NUM_IMAGE_1, p.NUM_IMAGE_2,
                          p.START_VOXEL_1, p.START_VOXEL_3, p.END_VOXEL_1, p.END_VOXEL_3, status);
    // A pixel size that the first projection's file carries is the one offered.
    zyt_remembered_pixel_sizes(p, status);
    ZYT_INPUT_LAST_IMAGE(remembered.last_file, second, p.NUM_IMAGE_1, p.NUM_IMAGE_2, status);
    if (status == ST_ESCAPE_VALUE) stop_with("WARNING: File input cancelled by user: End of ZYT_ZEVUZA");
    if (status != ST_GOOD_VALUE) return;

    FileSeries series;
    if (!zyt_deduce_series(remembered.first_file, remembered.last_file, series, status)) return;
    zyt_take_series(series, p);
    remembered.direction = series.direction;

    const long long count = std::llabs(static_cast<long long>(p.NUM_LAST_IMAGE) - p.NUM_FIRST_IMAGE) + 1;
    p.ANGLE_BETWEEN_PROJECTIONS =
        p.NUM_LAST_IMAGE == p.NUM_FIRST_IMAGE ? 0.0f : 180.0f / static_cast<float>(count);
    p.OUTPUT_FILE = std::string(st_trim(IO_NOEXTENSION(remembered.first_file, status))) + ".vol";

    ZYT_INPUT_FORM(p, status);
    if (status == ST_ESCAPE_VALUE)
        stop_with("WARNING: Parameter input cancelled by user: End of ZYT_ZEVUZA");
    if (status != ST_GOOD_VALUE) return;
    p.FILE_INTERVAL *= remembered.direction;
    p.ANGLE_BETWEEN_PROJECTIONS =
        static_cast<float>(std::abs(p.FILE_INTERVAL)) * p.ANGLE_BETWEEN_PROJECTIONS;

    // The image at 90 degrees: its number from the angle between projections.
    std::string name_90;
    if (!image_at_90_degrees(p, name_90, status)) return;
    ZYT_INPUT_90_IMAGE(p.ROTATION_VERTICAL, name_90, p.START_VOXEL_1, p.END_VOXEL_1,
                       p.START_VOXEL_3, p.END_VOXEL_3, second, p.NUM_IMAGE_1, p.NUM_IMAGE_2,
                       p.START_VOXEL_2, p.END_VOXEL_2, status);
    if (status == ST_ESCAPE_VALUE) stop_with("WARNING: File input cancelled by user: End of ZYT_ZEVUZA");
    if (status != ST_GOOD_VALUE) return;

    FioImage background;
    if (p.SUBTRACT_BACKGROUND &&
        !zyt_read_accepted_image("SELECT BACKGROUND IMAGE", p.BACKGROUND_FILE, background,
                                 "Choose \"YES\" or \"NO\"", p.NUM_IMAGE_1, p.NUM_IMAGE_2,
                                 status)) {
        if (status == ST_GOOD_VALUE || status == ST_ESCAPE_VALUE)
            stop_with("WARNING: Background input cancelled by user: End Of ZYT_ZEVUZA");
        return;
    }
    FioImage flat_first;
    FioImage flat_last;
    if (p.CORRECT_FLATFIELD) {
        ZYT_INPUT_FLATFIELD(flat_first, flat_last, p, status);
        if (status == ST_ESCAPE_VALUE)
            stop_with("WARNING: Flat-field input cancelled by user: End Of ZYT_ZEVUZA");
    }
    if (status != ST_GOOD_VALUE) return;

    const ZytSliceSeries test_slice =
        zyt_test_slice_series(p, background.view(), flat_first.view(), flat_last.view());
    ZYT_ROTATION_AXIS(remembered.last_file, p.SUBTRACT_BACKGROUND, background.view(),
                      p.CORRECT_FLATFIELD, p.FLATFIELD_CHANGING, flat_first.view(),
                      flat_last.view(), p.ROTATION_VERTICAL, p.NUM_IMAGE_1, p.NUM_IMAGE_2, first,
                      second, &test_slice, p.ROTATION_AXIS_POSITION, status);
    if (status == ST_ESCAPE_VALUE)
        stop_with("WARNING: Parameter input cancelled by user: End of ZYT_ZEVUZA");
    if (status != ST_GOOD_VALUE) return;

    // The pixel sizes accepted are offered next time.
    int retstat = 0;
    IO_SET_RKEYVALUE(zyt_key::X_PIXEL_SIZE, p.IMAGE_PIXEL_SIZE_1, retstat, status);
    IO_SET_RKEYVALUE(zyt_key::Y_PIXEL_SIZE, p.IMAGE_PIXEL_SIZE_2, retstat, status);
    write_volume(p, status);
}
