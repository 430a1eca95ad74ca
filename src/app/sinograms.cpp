#include "app/sinograms.h"

#include <vector>

#include "app/forms.h"
#include "app/parameter_file.h"
#include "app/stop.h"
#include "gs/gs.h"
#include "io/database.h"
#include "io/filename.h"
#include "io/status.h"

namespace {

// Remembered between calls: the names of the series.
struct Remembered
{
    std::string first_file = "sino_0001.kdf";
    std::string last_file = "sino_0999.kdf";
};
Remembered remembered;

[[noreturn]] void cancelled()
{
    zyt_stop_saying("WARNING: Parameter input cancelled by user: End of ZYT_ZEVUZA",
                    ZYT_EXIT_NORMAL);
}

} // namespace

void ZYT_INPUT_FIRST_SINO(std::string& file_name, FioImage& image, int& num_image_1,
                          int& num_image_2, int& status)
{
    if (!st_enter(status, "Subroutine ZYT_INPUT_FIRST_SINO V0.1 ")) return;
    int length = 0;
    int retstat = 0;
    std::string stored;
    IO_INQ_KEYVALUE(zyt_key::FILE_FIRST_SINOGRAM, length, stored, retstat, status);
    if (retstat == 0 && !st_strip(stored).empty()) file_name = stored;
    if (!zyt_read_accepted_image("SELECT FIRST SINOGRAM IMAGE FILE", file_name, image,
                                 "Chose \"YES\" or \"NO\"", 0, 0, status)) {
        if (status == ST_GOOD_VALUE) status = ST_ESCAPE_VALUE;
        return;
    }
    num_image_1 = image.xnumdat;
    num_image_2 = image.ynumdat;
    const std::string name(st_strip(file_name));
    IO_SET_KEYVALUE(zyt_key::FILE_FIRST_SINOGRAM, static_cast<int>(name.size()), name, retstat,
                    status);
}

void ZYT_INPUT_SINOPARAMETERS(FioImage& first, ZytParameters& p, int& status)
{
    if (!st_enter(status, "Subroutine ZYT_INPUT_SINOPARAMETERS V0.3 ")) return;
    ZYT_INPUT_FIRST_SINO(remembered.first_file, first, p.NUM_IMAGE_1, p.NUM_IMAGE_2, status);
    if (status == ST_ESCAPE_VALUE) cancelled();
    if (status != ST_GOOD_VALUE) return;
    // A pixel size that the first sinogram's file carries is the one offered.
    zyt_remembered_pixel_sizes(p, status);
    p.ANGLE_BETWEEN_PROJECTIONS = 180.0f / static_cast<float>(p.NUM_IMAGE_2);

    // The last sinogram is only named: the series is deduced from the names.
    const std::vector<std::string> title{"SELECT LAST SINOGRAM TO RECONSTRUCT"};
    const std::vector<std::string> info{
        "A volume will be constructed from a series of sinograms,", "select last file in series"};
    // A remembered name without a directory is offered (and, on a cancel,
    // kept) beside the first sinogram, where the series is.
    if (IO_DIRPATH(remembered.last_file, status).empty())
        remembered.last_file = IO_DIRPATH(remembered.first_file, status) + remembered.last_file;
    int retstat = 1;
    std::string last = remembered.last_file;
    GS_FILESELECTION(1, 1, title, 2, 2, info, 0, false, retstat, last, status);
    if (status == ST_ESCAPE_VALUE) cancelled();
    if (status != ST_GOOD_VALUE) return;
    if (retstat == 0) remembered.last_file = last;

    FileSeries series;
    if (!zyt_deduce_series(remembered.first_file, remembered.last_file, series, status)) return;
    zyt_take_series(series, p);
    p.OUTPUT_FILE = std::string(st_trim(IO_NOEXTENSION(remembered.first_file, status))) + ".vol";

    ZYT_INPUT_SINOFORM(p, status);
    if (status == ST_ESCAPE_VALUE) {
        status = ST_GOOD_VALUE;
        cancelled();
    }
    if (status != ST_GOOD_VALUE) return;
    p.FILE_INTERVAL *= series.direction;
    ZYT_SAVE_SINOPARAMETERS(p, status);
    IO_SET_RKEYVALUE(zyt_key::X_PIXEL_SIZE, p.IMAGE_PIXEL_SIZE_1, retstat, status);
    IO_SET_RKEYVALUE(zyt_key::Y_PIXEL_SIZE, p.IMAGE_PIXEL_SIZE_2, retstat, status);
}
