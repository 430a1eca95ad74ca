#include "app/workflow.h"

#include <cmath>
#include <string>
#include <vector>

#include "app/forms.h"
#include "app/session.h"
#include "gs/gs.h"
#include "io/database.h"
#include "io/status.h"

// The questions of a reconstruction from projections, in their order. The
// image questions (first, last and 90-degree projections, background and
// flat-fields), the file-series deduction and the rotation axis join here
// as they are built; the option forms and the signs and units that follow
// them are in place.
void ZYT_INPUT_PARAMETERS(const ImageView& image, ZytParameters& p, bool& sinogram_route,
                          int& status)
{
    if (!st_enter(status, "Subroutine ZYT_INPUT_PARAMETERS V0.16")) return;
    (void)image;
    zyt_remembered_pixel_sizes(p, status);
    GS_BACKGROUND(status);

    const std::vector<std::string> help{
        "Enter \"YES\" or \"NO\" (if you don't know enter \"NO\")"};
    const std::vector<std::string> info{
        "Do you want to reconstruct direct from sinograms (\"NO\" to",
        "reconstruct from raw data, or to output sinograms)"};
    // The information lines stand above the question at the foot of the page.
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    GS_INQ_GUIREGION(x1, y1, x2, y2, status);
    GS_PROMPT(false, 2, 2, info, x1 + 0.02f, y2 + 0.02f, x2 - 0.02f, y2 + 0.12f, status);
    GS_INPL(true, "RECONSTRUCT DIRECT FROM SINOGRAMS", 1, help, sinogram_route, status);
    if (status != ST_GOOD_VALUE) return;
    // The sinogram workflow writes its own parameter file.
    if (sinogram_route) return;

    // The series direction comes with the file-series deduction.
    const int direction = 1;
    ZYT_INPUT_FORM(p, status);
    if (status == ST_ESCAPE_VALUE) {
        io_say("WARNING: Parameter input cancelled by user: End of ZYT_ZEVUZA");
        zyt_stop(ZYT_EXIT_NORMAL);
    }
    p.FILE_INTERVAL *= direction;
    p.ANGLE_BETWEEN_PROJECTIONS = static_cast<float>(std::abs(p.FILE_INTERVAL)) *
                                  p.ANGLE_BETWEEN_PROJECTIONS;

    // The pixel sizes accepted (or read from the images) are offered next time.
    int retstat = 0;
    IO_SET_RKEYVALUE(zyt_key::X_PIXEL_SIZE, p.IMAGE_PIXEL_SIZE_1, retstat, status);
    IO_SET_RKEYVALUE(zyt_key::Y_PIXEL_SIZE, p.IMAGE_PIXEL_SIZE_2, retstat, status);
}
