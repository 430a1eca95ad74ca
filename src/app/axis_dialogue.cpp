#include "app/axis_dialogue.h"

#include <algorithm>
#include <vector>

#include "app/rotation_axis.h"
#include "app/test_slice.h"
#include "gs/graphs.h"
#include "gs/gs.h"
#include "io/convert.h"
#include "io/status.h"

namespace {

const std::vector<std::string> range_information = {
    "The range of lines (or columns for horizontal",
    "rotation axes) used to calculate the rotation",
    "axis position is now selected. This allows you",
    "to select a range which optimally includes the",
    "object, and minimises the background.",
    "",
    "",
    ""};

const std::vector<std::string> axis_information = {
    "The pixel coordinate of the rotation axis is required.",
    "The default value presented has been calculated from",
    "the maximum cross-correlation position between the first",
    "image and the mirror of the 180 degree rotation image.",
    "",
    "  The pixel coordinate system goes from 0.0 on the left-hand",
    "edge of the first pixel (1.0 on the right edge) to the",
    "number of pixels on the right-hand edge of the last pixel.",
    "e.g. if there are 1024 pixel, the centre is coordinate",
    "512.0.",
    "",
    "  The coordinate is valid for either vertical rotation",
    "axes, in which case you're entering an X-coordinate, or",
    "for horizontal rotation axes, in which case you're",
    "entering a Y-coordinate.",
    "",
    "  Usually the default should be a good value, but you",
    "may have special reasons to over-ride this value."};

// The information under the graph: a line's room in page units (text of
// 0.8 of it, 9.5 pixels on the 707-pixel page), the room of the graph's
// numbers and label under its frame, and the smallest graph worth drawing.
constexpr float INFO_PITCH = 0.0135f / 0.8f;
constexpr float GRAPH_NUMBERS = 0.075f;
constexpr float SMALLEST_GRAPH = 0.3f;

// A progress note over the whole page, shown at once.
void progress(std::initializer_list<const char*> lines, int& status)
{
    const std::vector<std::string> text(lines.begin(), lines.end());
    GS_PPROMPT(static_cast<int>(text.size()), static_cast<int>(text.size()), text, status);
    GS_UPDATE(status);
}

// The axis position found on each line against the line's number, with
// the mean as a horizontal line: outlying lines and a tilted axis show at once.
void draw_positions(const ZytAxisLines& found, bool rotation_vertical, int& status)
{
    const int n = static_cast<int>(found.lines.size());
    if (n < 1) return;
    const int dimension = std::max(n, 2);
    std::vector<float> x(static_cast<std::size_t>(2 * dimension), 0.0f);
    std::vector<float> y(static_cast<std::size_t>(2 * dimension), 0.0f);
    for (int k = 0; k < n; ++k) {
        x[static_cast<std::size_t>(k)] = found.lines[static_cast<std::size_t>(k)];
        y[static_cast<std::size_t>(k)] = found.positions[static_cast<std::size_t>(k)];
    }
    // The mean, at every line.
    for (int k = 0; k < n; ++k) {
        x[static_cast<std::size_t>(dimension + k)] = found.lines[static_cast<std::size_t>(k)];
        y[static_cast<std::size_t>(dimension + k)] = found.mean;
    }
    GS_BACKGROUND(status);
    const GsGraphSettingsGuard keep;
    if (n == 1) {
        // One line: the point and the mean coincide.
        GS_XYSGRAPH(dimension, 1, 1, x, y, "ROTATION AXIS POSITION OF EACH LINE",
                    rotation_vertical ? "Image row" : "Image column", "Axis position (pixels)",
                    status);
        return;
    }
    // Two curves: the positions, and the mean.
    const std::vector<float> none;
    GS_XYEGRAPH(dimension, 2, 2, 1, n, x, y, none, none, "ROTATION AXIS POSITION OF EACH LINE",
                rotation_vertical ? "Image row" : "Image column", "Axis position (pixels)",
                status);
}

} // namespace

void ZYT_ROTATION_AXIS(std::string_view last_file, bool subtract_background,
                       const ImageView& background, bool correct_flatfield,
                       bool flatfield_changing, const ImageView& flatfield_first,
                       const ImageView& flatfield_last, bool rotation_vertical, int num_image_1,
                       int num_image_2, FioImage& first, FioImage& image180,
                       const ZytSliceSeries* test_slice, float& axis, int& status)
{
    if (!st_enter(status, "Subroutine ZYT_ROTATION_AXIS V0.10")) return;
    std::string name(last_file);
    if (!zyt_read_accepted_image("SELECT 180 DEGREE ROTATION IMAGE FILE", name, image180,
                                 "Chose \"YES\" or \"NO\"", num_image_1, num_image_2, status)) {
        if (status == ST_GOOD_VALUE) status = ST_ESCAPE_VALUE;
        return;
    }

    // The range of lines, marked on the image shown.
    const GsImage picture = zyt_picture(image180);
    float x[2] = {0, 0};
    float y[2] = {0, 0};
    if (!zyt_two_points(picture, "SELECT RANGE OF IMAGE TO USE", range_information, x, y,
                        status))
        return;
    int first_line = 0;
    int last_line = 0;
    ZYT_AXIS_LINE_RANGE(rotation_vertical, x[0], y[0], x[1], y[1], first_line, last_line);

    if (correct_flatfield || subtract_background) {
        progress({"CORRECTING FIRST AND 180 DEGREE", "ROTATION IMAGES"}, status);
        int zeroed = 0;
        ZYT_CORRECT_AXIS_IMAGES(subtract_background, background, correct_flatfield,
                                flatfield_changing, flatfield_first, flatfield_last, num_image_1,
                                num_image_2, first.view(), image180.view(), zeroed, status);
    }
    progress({"CALCULATING POSITION OF ROTATION AXIS"}, status);
    ZytAxisLines found;
    ZYT_CAL_ROTATION_AXIS(rotation_vertical, num_image_1, num_image_2, first.view(), image180.view(),
                          first_line, last_line, found, status);
    image180.pixels.release();
    if (status != ST_GOOD_VALUE) return;

    // The final question, over the graph of the per-line positions.
    axis = found.axis;
    const GsRegionsGuard regions;
    float gx1 = 0, gy1 = 0, gx2 = 0, gy2 = 0;
    GS_INQ_GUIREGION(gx1, gy1, gx2, gy2, status);
    float px1 = 0, py1 = 0, px2 = 0, py2 = 0;
    GS_INQ_GPP(px1, py1, px2, py2, status);
    // The information between the graph's numbers and the question, at a
    // size that reads: the graph gives up the room its lines need where the
    // page is tall enough; otherwise the information is on HELP alone.
    const float top = gy2 + 0.005f + static_cast<float>(axis_information.size()) * INFO_PITCH;
    const bool room = py2 - (top + GRAPH_NUMBERS) >= SMALLEST_GRAPH;
    if (room) GS_SET_GPP(px1, top + GRAPH_NUMBERS, px2, py2, status);
    else GS_SET_GPP(px1, std::max(py1, gy2 + GRAPH_NUMBERS), px2, py2, status);
    const GsPageDrawer page(
        [&](int& s) {
            draw_positions(found, rotation_vertical, s);
            if (room)
                GS_PROMPT(false, static_cast<int>(axis_information.size()),
                          static_cast<int>(axis_information.size()), axis_information,
                          gx1 + 0.01f, gy2 + 0.005f, gx2 - 0.01f, top, s);
        },
        true);
    GS_REDRAW_PAGE(status);
    std::vector<std::string> help{"Enter valid floating point value within given limits"};
    help.insert(help.end(), axis_information.begin(), axis_information.end());
    const float s = static_cast<float>(found.line_length);
    // "TEST SLICE": slices about the value in the entry (the offered one
    // when it holds no number), then this page again as it was.
    GsEntryButton test_button;
    if (test_slice != nullptr) {
        ZytSliceSeries series = *test_slice;
        series.num_image_1 = num_image_1;
        series.num_image_2 = num_image_2;
        series.rotation_vertical = rotation_vertical;
        const int lines = rotation_vertical ? num_image_2 : num_image_1;
        series.line = std::clamp((std::max(first_line, 1) + std::min(last_line, lines)) / 2, 1,
                                 lines);
        test_button = {"TEST SLICE", [&axis, series](std::string_view entry, int& st) {
                           float value = axis;
                           bool found_value = false;
                           IO_TOKTR(st_strip(entry), found_value, value, st);
                           ZYT_TEST_SLICE(series, found_value ? value : axis, st);
                           GS_REDRAW_PAGE(st);
                       }};
    }
    GS_INPR(true, 0.0f, s, true, "PIXEL COORDINATE OF ROTATION AXIS",
            static_cast<int>(help.size()), help, 1, help, axis, test_button, status);
}
