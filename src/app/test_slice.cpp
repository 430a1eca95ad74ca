// The "TEST SLICE" button of the axis question: five slices about an axis
// position side by side, before the long reconstruction starts.

#include "app/test_slice.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "fio/fio.h"
#include "gs/gs.h"
#include "io/database.h"
#include "io/fields.h"
#include "io/status.h"
#include "lg/lg.h"

namespace {

constexpr std::string_view STEP_KEY = "TEST_SLICE_STEP";
constexpr float DEFAULT_STEP = 0.5f;
constexpr float SMALLEST_STEP = 0.001f;
constexpr int CANDIDATES = 5;
// A panel takes under a third of the page's width, under 512 pixels even on
// a window 1600 pixels wide; a larger grid would be shown no sharper. The
// slices are of the detector's pixels (an axis half a pixel off shows only
// there), so the page shows the middle of a longer line.
constexpr int PAGE_GRID = 512;
// Redraws of the progress bar while the projections are read.
constexpr int PROGRESS_STEPS = 50;

// The sinogram read last, kept so that trying another value does not read
// every projection again.
struct Kept
{
    std::string key;
    ZytSinogram sinogram;
};
Kept kept;

std::string key_of(const ZytSliceSeries& s)
{
    return s.prefix + "|" + s.postfix + "|" + std::to_string(s.first) + "|" +
           std::to_string(s.last) + "|" + std::to_string(s.interval) + "|" +
           std::to_string(s.line) + "|" + (s.rotation_vertical ? "v" : "h") +
           (s.subtract_background ? "b" : "") + (s.correct_flatfield ? "f" : "") +
           (s.flatfield_changing ? "c" : "") + (s.take_logarithm ? "l" : "") + "|" +
           std::to_string(s.angle_step) + "|" + std::to_string(s.angle_offset);
}

// "READING PROJECTIONS" with the count, and a bar that fills as they come.
void show_progress(int done, int total, int& status)
{
    const std::vector<std::string> text = {"READING PROJECTIONS",
                                           std::to_string(done) + " OF " + std::to_string(total)};
    GS_PPROMPT(2, 2, text, status);
    const LgPageCoordinates page;
    float max_x = 0.0f, max_y = 0.0f;
    LG_INQ_MAXPC(1, max_x, max_y, status);
    const float x1 = 0.2f * max_x, x2 = 0.8f * max_x, y1 = 0.2f * max_y, y2 = 0.25f * max_y;
    GS_FILLSTYLE(1, GS_WHITE, status);
    GS_LINESTYLE(1, 1.0f, GS_BLACK, status);
    GS_RECTANGLE(x1, y1, x2, y2, true, true, status);
    if (done > 0) {
        GS_FILLSTYLE(1, GS_BLUE, status);
        GS_RECTANGLE(x1, y1, x1 + (x2 - x1) * static_cast<float>(done) / static_cast<float>(total),
                     y2, true, true, status);
    }
    GS_UPDATE(status);
}

// The sinogram of the series' line: the one kept, or read now.
bool sinogram_of(const ZytSliceSeries& series, int& status)
{
    const std::string key = key_of(series);
    if (key == kept.key && kept.sinogram.projections > 0) return true;
    kept = Kept{};
    const int total = static_cast<int>(zyt_series_numbers(series).size());
    IO_WRITE("INFO: Reading " + std::string(series.rotation_vertical ? "row " : "column ") +
                 std::to_string(series.line) + " of " + std::to_string(total) +
                 " projections for the test slices",
             status);
    const auto started = std::chrono::steady_clock::now();
    const int every = std::max(1, total / PROGRESS_STEPS);
    int retstat = 0;
    ZYT_READ_SINOGRAM(
        series,
        [&](int done, int all) {
            if (done % every == 0 || done == all) show_progress(done, all, status);
        },
        kept.sinogram, retstat, status);
    if (status != ST_GOOD_VALUE) return false;
    if (retstat != 0) {
        kept = Kept{};
        io_say("WARNING: The test slice is abandoned");
        const std::string warning[] = {"A PROJECTION COULD NOT BE READ:",
                                       "THE TEST SLICE IS ABANDONED"};
        GS_FWARNING(2, 2, warning, status);
        return false;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    IO_WRITE("INFO: Read in " + io_fortran_f(seconds, 7, 2) + " seconds", status);
    kept.key = key;
    return true;
}

// The five slices on one page, three above and two below, each titled with
// its axis position, the sharpest framed in red; a note on how to go back.
void draw_page(const ZytTestSlices& slices, const ZytSliceSeries& series, int& status)
{
    const GsRegionsGuard regions;
    int mode = 0;
    float minimum = 0.0f, maximum = 0.0f;
    GS_INQ_IMAGESCALE(mode, minimum, maximum, status);
    // One intensity range for all, that of the middle slice, so that they compare.
    GS_SET_IMAGESCALE(GS_SCALE_USER, slices.low, slices.high, status);
    GS_BACKGROUND(status);
    float width = 0.0f, height = 0.0f;
    LG_INQ_MAXPC(1, width, height, status);
    // Three columns on a landscape page, two on a portrait one; the sixth
    // place holds the note.
    const int columns = width >= height ? 3 : 2;
    const int rows = (CANDIDATES + columns) / columns;
    constexpr float GAP = 0.02f, TITLE = 0.05f, LABEL = 0.025f;
    // The page's width is shared among the columns; a slice is as large as
    // its place's height allows, in the middle of its column, whose width
    // its captions may take.
    const float column =
        (width - static_cast<float>(columns + 1) * GAP) / static_cast<float>(columns);
    const float side =
        std::min(column, (height - TITLE - static_cast<float>(rows) * (2.0f * LABEL + GAP)) /
                             static_cast<float>(rows));
    const auto place = [&](int k, float& x1, float& y1) {
        x1 = GAP + static_cast<float>(k % columns) * (column + GAP) + 0.5f * (column - side);
        y1 = height - TITLE - static_cast<float>(k / columns + 1) * (side + 2.0f * LABEL + GAP) +
             LABEL;
    };
    const float text = std::min(0.02f, 0.8f * LABEL);
    const int n = slices.size;
    const auto caption = [&](int k) {
        return "SHARPNESS " +
               std::string(
                   st_strip(io_fortran_f(slices.sharpness[static_cast<std::size_t>(k)], 12, 3))) +
               (k == slices.best ? "  SHARPEST" : "");
    };
    // All captions in one type size, the largest at which the longest fits its column.
    float caption_height = text;
    for (int k = 0; k < static_cast<int>(slices.axes.size()); ++k)
        caption_height = std::min(caption_height, GS_FIT_TEXTHEIGHT(text, 1, caption(k), column));
    std::vector<float> axis_values(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        axis_values[static_cast<std::size_t>(i)] = static_cast<float>(i) + 0.5f - 0.5f * n;
    {
        const LgPageCoordinates page;
        GS_TEXTSTYLE(1, GS_BLACK, text, 1, 1, 1, 1, 0, 0.0f, 1.0f, status);
        LG_TEXT(GAP, height - 0.7f * TITLE,
                "TEST SLICES OF IMAGE " +
                    std::string(series.rotation_vertical ? "ROW " : "COLUMN ") +
                    std::to_string(series.line),
                status);
    }
    for (int k = 0; k < static_cast<int>(slices.axes.size()) && status == ST_GOOD_VALUE; ++k) {
        float x1 = 0.0f, y1 = 0.0f;
        place(k, x1, y1);
        GS_SET_GPP(x1, y1, x1 + side, y1 + side, status);
        GsImage picture;
        picture.data = ImageView{
            const_cast<float*>(slices.slices[static_cast<std::size_t>(k)].data()), n, n};
        picture.x_axis = axis_values;
        picture.y_axis = axis_values;
        picture.xend = n;
        picture.yend = n;
        GS_DRAW_PICTURE(picture, false, status);
        const bool sharpest = k == slices.best;
        const LgPageCoordinates page;
        const std::string above =
            "AXIS " +
            std::string(st_strip(io_fortran_f(slices.axes[static_cast<std::size_t>(k)], 12, 3)));
        const std::string below = caption(k);
        GS_TEXTSTYLE(1, sharpest ? GS_RED : GS_BLACK, caption_height, 1, 1, 1, 2, 0, 0.0f, 1.0f,
                     status);
        LG_TEXT(x1 + 0.5f * side, y1 + side + 0.3f * LABEL, above, status);
        LG_TEXT(x1 + 0.5f * side, y1 - 0.8f * LABEL, below, status);
        if (sharpest) {
            GS_LINESTYLE(1, 3.0f, GS_RED, status);
            GS_RECTANGLE(x1 - 0.004f, y1 - 0.004f, x1 + side + 0.004f, y1 + side + 0.004f, false,
                         true, status);
        }
    }
    {
        const LgPageCoordinates page;
        const char* const note[] = {"Sharpness: 8 minus the entropy",
                                    "(bits) of the slice's histogram.",
                                    "Click, or press Return, to go",
                                    "back to the axis question."};
        float x1 = 0.0f, y1 = 0.0f;
        place(CANDIDATES, x1, y1);
        x1 -= 0.5f * (column - side);
        GS_TEXTSTYLE(1, GS_BLACK, GS_FIT_TEXTHEIGHT(0.8f * text, 1, note[1], column), 1, 1, 1, 1, 0,
                     0.0f, 1.0f, status);
        for (int i = 0; i < 4; ++i)
            LG_TEXT(x1, y1 + side - 1.6f * text * static_cast<float>(i + 1), note[i], status);
    }
    GS_SET_IMAGESCALE(mode, minimum, maximum, status);
    GS_UPDATE(status);
}

// Waits for a click or a key; the page is drawn again when uncovered.
void wait_for_return(const ZytTestSlices& slices, const ZytSliceSeries& series, int& status)
{
    while (status == ST_GOOD_VALUE) {
        int event = 0, workstation = 0;
        float x = 0.0f, y = 0.0f;
        std::string typed;
        LG_INP_EVENT(1, 1, false, " ", false, 0.0f, 0.0f, 0.0f, 0.0f, event, workstation, typed,
                     x, y, status);
        if (event == LG_EVENT_EXPOSE) {
            draw_page(slices, series, status);
            continue;
        }
        return;
    }
}

// The slices about the axis, shown until the user goes back.
void show_slices(const ZytSliceSeries& series, float axis, float step, int& status)
{
    ZytTestSlices slices;
    const int size = std::min(PAGE_GRID, kept.sinogram.length);
    ZYT_TEST_SLICES(kept.sinogram, axis, step, CANDIDATES, size, slices, status);
    if (status != ST_GOOD_VALUE) return;
    draw_page(slices, series, status);
    wait_for_return(slices, series, status);
}

} // namespace

void ZYT_TEST_SLICE(const ZytSliceSeries& series, float axis, int& status)
{
    if (!st_enter(status, "Subroutine ZYT_TEST_SLICE V0.1")) return;
    const int s = series.rotation_vertical ? series.num_image_1 : series.num_image_2;
    float step = DEFAULT_STEP;
    int found = 0;
    IO_INQ_RKEYVALUE(STEP_KEY, step, found, status);
    if (!(step >= SMALLEST_STEP && step <= 0.25f * s)) step = DEFAULT_STEP;
    const std::vector<std::string> help = {
        "Enter the distance in pixels between the axis positions of",
        "the test slices: five slices are made, at the axis value",
        "and at one and two steps either side of it."};
    GS_INPR(true, SMALLEST_STEP, std::max(SMALLEST_STEP, 0.25f * static_cast<float>(s)), true,
            "AXIS STEP BETWEEN TEST SLICES", static_cast<int>(help.size()), help,
            static_cast<int>(help.size()), help, step, status);
    // A cancel here goes back to the axis question, which is still open.
    if (status == ST_ESCAPE_VALUE) status = ST_GOOD_VALUE;
    else if (status == ST_GOOD_VALUE) {
        int retstat = 0;
        IO_SET_RKEYVALUE(STEP_KEY, step, retstat, status);
        if (sinogram_of(series, status)) show_slices(series, axis, step, status);
    }
}

ZytSliceSeries zyt_test_slice_series(const ZytParameters& p, const ImageView& background,
                                     const ImageView& flatfield_first,
                                     const ImageView& flatfield_last)
{
    ZytSliceSeries s;
    s.prefix = p.FILE_PREFIX;
    s.first = p.NUM_FIRST_IMAGE;
    s.last = p.NUM_LAST_IMAGE;
    s.interval = p.FILE_INTERVAL;
    s.variable_length = p.NUMBER_LENGTH_VARIES;
    s.digits = p.LENGTH_OF_NUMERICAL_PART;
    s.postfix = p.FILE_POSTFIX;
    s.format = FIO_INQ_INPUT_FORMAT();
    s.num_image_1 = p.NUM_IMAGE_1;
    s.num_image_2 = p.NUM_IMAGE_2;
    s.rotation_vertical = p.ROTATION_VERTICAL;
    s.subtract_background = p.SUBTRACT_BACKGROUND;
    s.background = background;
    s.correct_flatfield = p.CORRECT_FLATFIELD;
    s.flatfield_changing = p.FLATFIELD_CHANGING;
    s.flatfield_first = flatfield_first;
    s.flatfield_last = flatfield_last;
    s.take_logarithm = p.TAKE_LOGARITHM;
    s.angle_step = p.ANGLE_BETWEEN_PROJECTIONS;
    s.angle_offset = p.ANGLE_OFFSET;
    return s;
}
