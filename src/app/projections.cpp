// The image questions of a reconstruction from projections.

#include "app/projections.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "app/rotation_axis.h"
#include "app/stop.h"
#include "fio/fio.h"
#include "gs/gs.h"
#include "io/convert.h"
#include "io/database.h"
#include "io/filename.h"
#include "io/status.h"

namespace {

const std::vector<std::string> rectangle_start = {
    "The volume to reconstruct can be defined by",
    "selecting a rectangle from the first projection",
    "and from a minimum and maximum depth from a",
    "projection at 90 degrees rotation from the first."};

// The range of voxels between two coordinates along a line of n elements,
// kept within 1 .. n.
ZytElementRange voxels(float a, float b, int n)
{
    const int top = std::max(1, n);
    const ZytElementRange range = zyt_element_range(a, b);
    const int first = std::clamp(range.first, 1, top);
    return {first, std::clamp(range.last, first, top)};
}

// A run that cannot go on without the file it could not read: the reader
// has said why on the console.
[[noreturn]] void read_failed(std::string_view file_name)
{
    zyt_stop_saying("WARNING: File input failed: " + std::string(st_trim(file_name)),
                    ZYT_EXIT_FAILURE);
}

} // namespace

bool zyt_two_points(const GsImage& picture, std::string_view title,
                    const std::vector<std::string>& info, float (&x)[2], float (&y)[2],
                    int& status)
{
    const int lines = static_cast<int>(info.size());
    int count = 0;
    while (status == ST_GOOD_VALUE) {
        GS_INPS_FCOORDINATES(&picture, title, lines, lines, info, true, 2, false, 2, count, x, y,
                             status);
        if (status != ST_GOOD_VALUE || count >= 2) break;
        // Finished early: no range can be made of fewer points.
        io_say("WARNING: Two points are needed, " + std::to_string(count) +
               " given: the question is asked again");
    }
    // Points typed on the keyboard may lie anywhere: they are taken onto the
    // image's element-edge window, so that every range lies within it.
    for (int k = 0; k < 2; ++k) {
        x[k] = std::clamp(x[k], 0.0f, static_cast<float>(picture.xend));
        y[k] = std::clamp(y[k], 0.0f, static_cast<float>(picture.yend));
    }
    return status == ST_GOOD_VALUE;
}

namespace {

bool ask_rectangle(const FioImage& image, const std::vector<std::string>& info, float (&x)[2],
                   float (&y)[2], int& status)
{
    return zyt_two_points(zyt_picture(image), "SELECT RECTANGLE FROM PROJECTION TO RECONSTRUCT",
                          info, x, y, status);
}

} // namespace

// A numbered series from two names, its extension joined to the postfix;
// false (after the warning) when none can be deduced.
bool zyt_deduce_series(std::string_view first, std::string_view last, FileSeries& series,
                       int& status)
{
    int retstat = 0;
    IO_FILESEQUENCE(first, last, retstat, series, status);
    if (status != ST_GOOD_VALUE) return false;
    if (retstat != 0) {
        const std::string warning[] = {"COULD NOT DEDUCE REQUIRED FILE SEQUENCE"};
        GS_FWARNING(1, 1, warning, status);
        // The run stops here: the console keeps the reason.
        zyt_stop_saying("WARNING: " + warning[0], ZYT_EXIT_FAILURE);
    }
    std::string joined;
    IO_CONCAT2(series.postfix, series.extension, ZYT_POSTFIX_LENGTH, joined, status);
    series.postfix = joined;
    return status == ST_GOOD_VALUE;
}

void zyt_take_series(const FileSeries& series, ZytParameters& p)
{
    p.NUM_FIRST_IMAGE = series.first;
    p.NUM_LAST_IMAGE = series.last;
    p.FILE_PREFIX = series.prefix;
    p.NUMBER_LENGTH_VARIES = series.variable_length;
    p.LENGTH_OF_NUMERICAL_PART = series.digits;
    p.FILE_POSTFIX = series.postfix;
}

int zyt_read_image(std::string_view prompt, int input_step, std::string& file_name,
                   FioImage& image, int& status)
{
    const std::string lines[] = {std::string(prompt)};
    int retstat = FIO_INPUT_FAILED;
    do {
        if (status != ST_GOOD_VALUE) return FIO_INPUT_FAILED;
        FIO_GUI_INPUT(1, 1, lines, input_step, file_name, image, retstat, status);
        // A file too large for the memory left: another may be chosen.
    } while (retstat == FIO_INPUT_TOO_LARGE && input_step == 0);
    if (status != ST_GOOD_VALUE) return FIO_INPUT_FAILED;
    if (retstat == FIO_INPUT_FAILED || retstat == FIO_INPUT_TOO_LARGE) read_failed(file_name);
    return retstat;
}

GsImage zyt_picture(const FioImage& image)
{
    GsImage picture;
    picture.data = image.view();
    picture.x_axis = image.x_axis;
    picture.y_axis = image.y_axis;
    picture.xend = std::max(1, image.xnumdat);
    picture.yend = std::max(1, image.ynumdat);
    picture.title = image.title;
    picture.xlabel = image.xlabel;
    picture.ylabel = image.ylabel;
    picture.zlabel = image.zlabel;
    return picture;
}

void zyt_show_image(const FioImage& image, std::string_view title, int& status)
{
    GsImage picture = zyt_picture(image);
    if (!title.empty()) picture.title = std::string(title);
    GS_PLOT(picture, status);
    GS_UPDATE(status);
}

bool zyt_same_size(const FioImage& image, int xnumdat, int ynumdat, int& status)
{
    if (xnumdat < 1 || (image.xnumdat == xnumdat && image.ynumdat == ynumdat)) return true;
    int convert = ST_GOOD_VALUE;
    const std::string warning[] = {
        "THE IMAGE HAS " + IO_ITOC(image.xnumdat, convert) + " * " +
            IO_ITOC(image.ynumdat, convert) + " PIXELS,",
        "THE FIRST PROJECTION " + IO_ITOC(xnumdat, convert) + " * " + IO_ITOC(ynumdat, convert)};
    GS_FWARNING(2, 2, warning, status);
    io_say("WARNING: The image has " + IO_ITOC(image.xnumdat, convert) + " * " +
           IO_ITOC(image.ynumdat, convert) + " pixels, the first projection " +
           IO_ITOC(xnumdat, convert) + " * " + IO_ITOC(ynumdat, convert));
    return false;
}

ZytInformationPage::ZytInformationPage(std::vector<std::string> lines, int& status)
    : lines_(std::move(lines)), page_([this](int& s) { draw(s); }, true)
{
    draw(status);
}

void ZytInformationPage::draw(int& status) const
{
    GS_BACKGROUND(status);
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    GS_INQ_GUIREGION(x1, y1, x2, y2, status);
    const int n = static_cast<int>(lines_.size());
    GS_PROMPT(false, n, n, lines_, x1 + 0.02f, y2 + 0.02f, x2 - 0.02f, y2 + 0.12f, status);
}

bool zyt_image_ok(std::string_view information, int& status)
{
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    GS_INQ_GUIREGION(x1, y1, x2, y2, status);
    const std::string info[] = {std::string(information)};
    const std::string help[] = {"Click on \"YES\" or \"NO\""};
    const auto note = [&](int& s) {
        GS_PROMPT(false, 1, 1, info, x1 + 0.02f, y2 + 0.01f, x2 - 0.02f, y2 + 0.04f, s);
    };
    note(status);
    const GsPageDrawer drawn(note, false);
    bool ok = true;
    GS_INPL(true, "IS THE IMAGE INPUT O.K.", 1, help, ok, status);
    return ok;
}

bool zyt_read_accepted_image(std::string_view prompt, std::string& file_name, FioImage& image,
                             std::string_view information, int xnumdat, int ynumdat, int& status)
{
    bool ok = false;
    while (!ok && status == ST_GOOD_VALUE) {
        if (zyt_read_image(prompt, 0, file_name, image, status) != FIO_INPUT_READ) return false;
        if (!zyt_same_size(image, xnumdat, ynumdat, status)) continue;
        zyt_show_image(image, "", status);
        const GsPageDrawer shown([&](int& s) { zyt_show_image(image, "", s); }, true);
        ok = zyt_image_ok(information, status);
    }
    return ok && status == ST_GOOD_VALUE;
}

void ZYT_INPUT_FIRST_IMAGE(std::string& file_name, FioImage& image, int& num_image_1,
                           int& num_image_2, int& start_voxel_1, int& start_voxel_3,
                           int& end_voxel_1, int& end_voxel_3, int& status)
{
    if (!st_enter(status, "Subroutine ZYT_INPUT_FIRST_IMAGE V0.6 ")) return;
    int length = 0;
    int retstat = 0;
    std::string remembered;
    IO_INQ_KEYVALUE(zyt_key::FILE_FIRST_DATA, length, remembered, retstat, status);
    if (retstat == 0 && !st_strip(remembered).empty()) file_name = remembered;
    if (zyt_read_image("SELECT FIRST DATA IMAGE FILE", 0, file_name, image, status) !=
        FIO_INPUT_READ) {
        if (status == ST_GOOD_VALUE) status = ST_ESCAPE_VALUE;
        return;
    }
    num_image_1 = image.xnumdat;
    num_image_2 = image.ynumdat;
    zyt_show_image(image, "", status);
    std::vector<std::string> info = rectangle_start;
    info.insert(info.end(), {"Here you are asked to define the limits for the",
                             "lowest and highest X-voxels and the lowest and",
                             "highest slices to reconstruct. Later the limits",
                             "of the Y-range of voxels will be input."});
    float x[2] = {0, 0};
    float y[2] = {0, 0};
    if (!ask_rectangle(image, info, x, y, status)) return;
    const ZytElementRange across = voxels(x[0], x[1], image.xnumdat);
    const ZytElementRange slices = voxels(y[0], y[1], image.ynumdat);
    start_voxel_1 = across.first;
    end_voxel_1 = across.last;
    start_voxel_3 = slices.first;
    end_voxel_3 = slices.last;
    const std::string stored(st_strip(file_name));
    IO_SET_KEYVALUE(zyt_key::FILE_FIRST_DATA, static_cast<int>(stored.size()), stored, retstat,
                    status);
}

void ZYT_INPUT_LAST_IMAGE(std::string& file_name, FioImage& image, int& num_image_1,
                          int& num_image_2, int& status)
{
    if (!st_enter(status, "Subroutine ZYT_INPUT_LAST_IMAGE V0.3 ")) return;
    do {
        if (zyt_read_image("SELECT LAST DATA IMAGE FILE", 0, file_name, image, status) !=
            FIO_INPUT_READ) {
            if (status == ST_GOOD_VALUE) status = ST_ESCAPE_VALUE;
            return;
        }
    } while (!zyt_same_size(image, num_image_1, num_image_2, status) && status == ST_GOOD_VALUE);
    if (status != ST_GOOD_VALUE) return;
    num_image_1 = image.xnumdat;
    num_image_2 = image.ynumdat;
    zyt_show_image(image, "", status);
}

void ZYT_INPUT_90_IMAGE(bool rotation_vertical, std::string& file_name, int& start_voxel_1,
                        int& end_voxel_1, int& start_voxel_3, int& end_voxel_3, FioImage& image,
                        int num_image_1, int num_image_2, int& start_voxel_2, int& end_voxel_2,
                        int& status)
{
    if (!st_enter(status, "Subroutine ZYT_INPUT_90_IMAGE V0.8 ")) return;
    // Read by its number in the series: one of another size ends the run.
    if (zyt_read_image("90 DEGREE ROTATION IMAGE", ZYT_READ_NAMED, file_name, image, status) !=
        FIO_INPUT_READ)
        return;
    if (!zyt_same_size(image, num_image_1, num_image_2, status)) read_failed(file_name);
    zyt_show_image(image, "90 DEGREE ROTATION IMAGE", status);
    std::vector<std::string> info = rectangle_start;
    info.insert(info.end(), {"Here you are asked to define the limits for the",
                             "lowest and highest Y-voxels (the depth range)", "to reconstruct."});
    float x[2] = {0, 0};
    float y[2] = {0, 0};
    if (!ask_rectangle(image, info, x, y, status)) return;
    // The depth runs against the image's X direction (Y for a horizontal
    // axis); the other direction widens the range of slices (or of X voxels).
    const ZytElementRange across = voxels(x[0], x[1], num_image_1);
    const ZytElementRange up = voxels(y[0], y[1], num_image_2);
    const int n = rotation_vertical ? num_image_1 : num_image_2;
    const ZytElementRange depth = rotation_vertical ? across : up;
    const ZytElementRange other = rotation_vertical ? up : across;
    start_voxel_2 = n - depth.last + 1;
    end_voxel_2 = n - depth.first + 1;
    int& start_other = rotation_vertical ? start_voxel_3 : start_voxel_1;
    int& end_other = rotation_vertical ? end_voxel_3 : end_voxel_1;
    start_other = std::min(start_other, other.first);
    end_other = std::max(end_other, other.last);
}

void ZYT_INPUT_FLATFIELD(FioImage& first, FioImage& last, ZytParameters& p, int& status)
{
    if (!st_enter(status, "Subroutine ZYT_INPUT_FLATFIELD V0.6 ")) return;
    int retstat = 0;
    IO_INQ_IKEYVALUE(zyt_key::FF_INTERVAL, p.FF_FILE_INTERVAL, retstat, status);
    {
        const ZytInformationPage page({"Do you want the file used to perform the flat-field",
                                       "correction to change during the reconstruction"},
                                      status);
        const std::string help[] = {"Enter \"YES\" or \"NO\""};
        GS_INPL(true, "CHANGING FLAT-FIELD FILE", 1, help, p.FLATFIELD_CHANGING, status);
    }
    if (status != ST_GOOD_VALUE) return;
    if (!zyt_read_accepted_image(p.FLATFIELD_CHANGING ? "SELECT FIRST FLAT-FIELD IMAGE"
                                                      : "SELECT FLAT-FIELD IMAGE",
                                 p.FLATFIELD_FILE, first, "Chose \"YES\" or \"NO\"",
                                 p.NUM_IMAGE_1, p.NUM_IMAGE_2, status)) {
        if (status == ST_GOOD_VALUE) status = ST_ESCAPE_VALUE;
        return;
    }
    if (!p.FLATFIELD_CHANGING) return;

    std::string last_name = p.FLATFIELD_FILE;
    if (!zyt_read_accepted_image("SELECT LAST FLAT-FIELD IMAGE", last_name, last,
                                 "Chose \"YES\" or \"NO\"", p.NUM_IMAGE_1, p.NUM_IMAGE_2,
                                 status)) {
        if (status == ST_GOOD_VALUE) status = ST_ESCAPE_VALUE;
        return;
    }
    FileSeries series;
    if (!zyt_deduce_series(p.FLATFIELD_FILE, last_name, series, status)) return;
    p.FF_NUM_FIRST_IMAGE = series.first;
    p.FF_NUM_LAST_IMAGE = series.last;
    p.FF_PREFIX = series.prefix;
    p.FF_NUMBER_LENGTH_VARIES = series.variable_length;
    p.FF_LENGTH_OF_NUMERICAL_PART = series.digits;
    p.FF_POSTFIX = series.postfix;
    const int direction = series.direction;
    {
        const ZytInformationPage page({"Enter the interval between inputting new",
                                       "flat-field files"},
                                      status);
        const std::string help[] = {"Enter an integer within given range"};
        p.FF_FILE_INTERVAL = std::clamp(p.FF_FILE_INTERVAL, 1, std::max(1, p.FF_NUM_LAST_IMAGE));
        GS_INPI(true, 1, std::max(1, p.FF_NUM_LAST_IMAGE), true,
                "COUNTER INTERVAL BETWEEN NEW FLAT-FIELD FILES", 1, help, 0, help,
                p.FF_FILE_INTERVAL, status);
    }
    if (status != ST_GOOD_VALUE) return;
    IO_SET_IKEYVALUE(zyt_key::FF_INTERVAL, p.FF_FILE_INTERVAL, retstat, status);
    p.FF_FILE_INTERVAL *= direction;
}
