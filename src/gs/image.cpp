// Image display: a region of an image array as a false-colour picture in the
// graph page position, with axes, title and a colour bar; its intensity
// range by one of five scaling modes; square elements when asked.

#include <algorithm>
#include <cmath>
#include <vector>

#include "gs/graphs.h"
#include "gs/gs.h"
#include "io/convert.h"
#include "io/status.h"
#include "lg/lg.h"
#include "ma/rebin.h"
#include "ma/statistics.h"

namespace {

// True when the region holds at least one finite element; usually the
// first one looked at.
bool holds_finite(const ImageView& data, int xstart, int ystart, int xend, int yend)
{
    for (int j = ystart; j <= yend; ++j)
        for (int i = xstart; i <= xend; ++i)
            if (std::isfinite(data(i, j))) return true;
    return false;
}

// GS_IMAGESCALE, GS_IASPECT and the pixel limits and mask colour of images.
struct ImageState
{
    int mode = GS_SCALE_DATA;
    float minimum = 0.0f;
    float maximum = 1.0f;
    bool keep_aspect = true;
    int pixel_limits[2] = {600, 200};
    int mask_colour = GS_RED;
};
ImageState image_state;

bool check_region(const ImageView& data, int xstart, int ystart, int xend, int yend,
                  int& status, std::string_view position)
{
    if (data.xmaxdat < 1 || data.data == nullptr) {
        st_fail(status, ST_MOD_GS + 1, position);
        return false;
    }
    if (data.ymaxdat < 1) {
        st_fail(status, ST_MOD_GS + 2, position);
        return false;
    }
    if (xstart < 1 || xstart > xend || xend > data.xmaxdat) {
        st_fail(status, ST_MOD_GS + 5, position);
        return false;
    }
    if (ystart < 1 || ystart > yend || yend > data.ymaxdat) {
        st_fail(status, ST_MOD_GS + 6, position);
        return false;
    }
    return true;
}

// The outer edge of the first or last element shown along one axis: half an
// element beyond its centre.
float lower_edge(std::span<const float> axis, int start, int end)
{
    const float c = axis[static_cast<std::size_t>(start - 1)];
    const float next = start < end ? axis[static_cast<std::size_t>(start)] : c + 1.0f;
    return c - (next - c) / 2.0f;
}

float upper_edge(std::span<const float> axis, int start, int end)
{
    const float c = axis[static_cast<std::size_t>(end - 1)];
    const float before = end > start ? axis[static_cast<std::size_t>(end - 2)] : c - 1.0f;
    return c + (c - before) / 2.0f;
}

// The room around a picture that its periphery takes, in page units: the
// numbers and label of the X axis below, the title above, the Y axis's to
// the left, the colour bar with its numbers to the right; and, on a
// landscape page, the spy-glass beside the colour bar.
constexpr float BELOW_ROOM = 0.07f;
constexpr float ABOVE_ROOM = 0.05f;
constexpr float LEFT_ROOM = 0.08f;
constexpr float RIGHT_ROOM = 0.1f;
constexpr float LANDSCAPE_GLASS_ROOM = 0.11f;
// On a landscape page the picture reaches down to the strip of questions:
// the line of information a question shows just above the strip (as "IS THE
// IMAGE INPUT O.K." does) is kept free of its axis numbers and label.
constexpr float LANDSCAPE_NOTE_ROOM = 0.045f;
constexpr float PAGE_EDGE = 0.005f; // kept free along the page's edge

// The picture's place on the page: the graph page position, kept so far
// within the page above the strip of questions that its axes, title and
// colour bar stay on the page and out of the strip (a landscape page's graph
// page position reaches down to the strip), and narrowed about its centre to
// keep the elements square when asked. A picture that square elements would
// make narrower (or flatter) than a fifth of its area, a sinogram of a few
// columns and many rows, say, is stretched over the area instead, to be seen.
struct PictureViewport
{
    std::array<float, 4> box;
    bool stretched = false;
};
constexpr float NARROWEST = 5.0f;

PictureViewport picture_viewport(int nx, int ny, bool with_periphery)
{
    int status = ST_GOOD_VALUE;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    GS_INQ_GPP(x1, y1, x2, y2, status);
    float max_x = 0, max_y = 0;
    LG_INQ_MAXPC(1, max_x, max_y, status);
    float gx1 = 0, gy1 = 0, gx2 = 0, gy2 = 0;
    GS_INQ_GUIREGION(gx1, gy1, gx2, gy2, status);
    int format = 0;
    GS_INQ_WINDOWFORMAT(format, status);
    const bool landscape = format % 2 == 1;
    const float right = RIGHT_ROOM + (landscape ? LANDSCAPE_GLASS_ROOM : 0.0f);
    const float below = BELOW_ROOM + (landscape ? LANDSCAPE_NOTE_ROOM : 0.0f);
    const float inner[4] = {std::max(x1, LEFT_ROOM), std::max(y1, gy2 + below),
                            std::min(x2, max_x - right), std::min(y2, max_y - ABOVE_ROOM)};
    if (with_periphery && inner[0] < inner[2] && inner[1] < inner[3]) {
        x1 = inner[0];
        y1 = inner[1];
        x2 = inner[2];
        y2 = inner[3];
    }
    if (!image_state.keep_aspect) return {{x1, y1, x2, y2}};
    const float width = x2 - x1;
    const float height = y2 - y1;
    const float j = (static_cast<float>(ny) / height) / (static_cast<float>(nx) / width);
    if (j > NARROWEST || j < 1.0f / NARROWEST) return {{x1, y1, x2, y2}, true};
    if (j >= 1.0f) {
        const float centre = (x1 + x2) / 2.0f;
        return {{centre - width / j / 2.0f, y1, centre + width / j / 2.0f, y2}};
    }
    const float centre = (y1 + y2) / 2.0f;
    return {{x1, centre - j * height / 2.0f, x2, centre + j * height / 2.0f}};
}

// Whether every element of the region is a number that can be shown.
bool all_finite(const ImageView& data, int xstart, int ystart, int xend, int yend)
{
    for (int y = ystart; y <= yend; ++y)
        for (int x = xstart; x <= xend; ++x)
            if (!std::isfinite(data(x, y))) return false;
    return true;
}

// The warning of a range that leaves nothing to show, with its hint.
void warn_range(std::string_view first_line)
{
    io_say(first_line);
    io_say("         Z-value (intensity)");
    io_say("Use \"Z-SCALE\" to change values or scaling mode");
}

// A row or a column of the region as a graph against its coordinates.
void plot_profile(const GsImage& image, int& status)
{
    std::vector<float> x;
    std::vector<float> y;
    if (image.ystart == image.yend) {
        for (int i = image.xstart; i <= image.xend; ++i) {
            x.push_back(image.x_axis[static_cast<std::size_t>(i - 1)]);
            y.push_back(image.data(i, image.ystart));
        }
    } else {
        for (int j = image.ystart; j <= image.yend; ++j) {
            x.push_back(image.y_axis[static_cast<std::size_t>(j - 1)]);
            y.push_back(image.data(image.xstart, j));
        }
    }
    bool log_scaling = false;
    LG_INQ_LOGZSCALING(log_scaling, status);
    bool x_log = false, y_log = false;
    GS_INQ_AXESLOGLIN(x_log, y_log, status);
    GS_SET_AXESLOGLIN(x_log, log_scaling, status);
    const int n = static_cast<int>(x.size());
    GS_XYSGRAPH(n, 1, n, x, y, image.title, image.ystart == image.yend ? image.xlabel : image.ylabel,
                image.zlabel, status);
    int restore = ST_GOOD_VALUE;
    GS_SET_AXESLOGLIN(x_log, y_log, restore);
}

} // namespace

void GS_SET_IMAGESCALE(int mode, float minimum, float maximum, int& status)
{
    constexpr std::string_view position = "Subroutine GS_SET_IMAGESCALE V0.2";
    if (!st_enter(status, position)) return;
    if (mode < GS_SCALE_DATA || mode > GS_SCALE_STATISTICS) {
        st_fail(status, ST_MOD_GS + 17, position);
        return;
    }
    if (mode == GS_SCALE_USER && minimum > maximum) {
        st_fail(status, ST_MOD_GS + 13, position);
        return;
    }
    image_state.mode = mode;
    image_state.minimum = minimum;
    image_state.maximum = maximum;
}

void GS_INQ_IMAGESCALE(int& mode, float& minimum, float& maximum, int& status)
{
    if (!st_enter(status, "Subroutine GS_INQ_IMAGESCALE V0.2")) return;
    mode = image_state.mode;
    minimum = image_state.minimum;
    maximum = image_state.maximum;
}

void GS_DEF_IMAGESCALE(int& status)
{
    if (!st_enter(status, "Subroutine GS_DEF_IMAGESCALE V0.2")) return;
    image_state.mode = GS_SCALE_DATA;
    image_state.minimum = 0.0f;
    image_state.maximum = 1.0f;
}

void GS_SET_IASPECT(bool keep, int& status)
{
    if (st_enter(status, "Subroutine GS_SET_IASPECT V0.1")) image_state.keep_aspect = keep;
}

void GS_INQ_IASPECT(bool& keep, int& status)
{
    if (st_enter(status, "Subroutine GS_INQ_IASPECT V0.1")) keep = image_state.keep_aspect;
}

void GS_SET_PIXELLIMITS(int limit1, int limit2, int& status)
{
    constexpr std::string_view position = "Subroutine GS_SET_PIXELLIMITS V0.1";
    if (!st_enter(status, position)) return;
    if (limit1 < 1 || limit2 < 1) {
        st_fail(status, ST_MOD_GS + 17, position);
        return;
    }
    image_state.pixel_limits[0] = limit1;
    image_state.pixel_limits[1] = limit2;
}

void GS_INQ_PIXELLIMITS(int& limit1, int& limit2, int& status)
{
    if (!st_enter(status, "Subroutine GS_INQ_PIXELLIMITS V0.1")) return;
    limit1 = image_state.pixel_limits[0];
    limit2 = image_state.pixel_limits[1];
}

void GS_DEF_PIXELLIMITS(int& status)
{
    if (!st_enter(status, "Subroutine GS_DEF_PIXELLIMITS V0.1")) return;
    image_state.pixel_limits[0] = 600;
    image_state.pixel_limits[1] = 200;
}

void GS_SET_MASKCOLOUR(int colour, int& status)
{
    constexpr std::string_view position = "Subroutine GS_SET_MASKCOLOUR V0.1";
    if (!st_enter(status, position)) return;
    if (colour < 1 || colour > 15) {
        st_fail(status, ST_MOD_GS + 17, position);
        return;
    }
    image_state.mask_colour = colour;
}

void GS_INQ_MASKCOLOUR(int& colour, int& status)
{
    if (st_enter(status, "Subroutine GS_INQ_MASKCOLOUR V0.1")) colour = image_state.mask_colour;
}

void GS_DEF_MASKCOLOUR(int& status)
{
    if (st_enter(status, "Subroutine GS_DEF_MASKCOLOUR V0.1")) image_state.mask_colour = GS_RED;
}

void GS_PLOT(const GsImage& image, int& status)
{
    constexpr std::string_view position = "Subroutine GS_PLOT V0.3";
    if (!st_enter(status, position)) return;
    if (!check_region(image.data, image.xstart, image.ystart, image.xend, image.yend, status,
                      position))
        return;
    if (image.xend > image.xstart && image.yend > image.ystart) {
        GsImage unmasked = image;
        unmasked.mask = nullptr;
        unmasked.mask_flag = false;
        GS_2DMIMAGE(unmasked, status);
    } else {
        plot_profile(image, status);
    }
}

void GS_2DIMAGE(const GsImage& image, int& status)
{
    if (!st_enter(status, "Subroutine GS_2DIMAGE V0.2")) return;
    GsImage unmasked = image;
    unmasked.mask = nullptr;
    unmasked.mask_flag = false;
    GS_2DMIMAGE(unmasked, status);
}

void GS_MPLOT(const GsImage& image, int& status)
{
    constexpr std::string_view position = "Subroutine GS_MPLOT V0.1";
    if (!st_enter(status, position)) return;
    if (!check_region(image.data, image.xstart, image.ystart, image.xend, image.yend, status,
                      position))
        return;
    if (image.xend > image.xstart && image.yend > image.ystart) GS_2DMIMAGE(image, status);
    else plot_profile(image, status);
}

void GS_2DMIMAGE(const GsImage& image, int& status)
{
    if (!st_enter(status, "Subroutine GS_2DMIMAGE V0.5")) return;
    GS_DRAW_PICTURE(image, true, status);
}

// The picture of a region in the graph page position: with the whole page
// (cleared, framed with axes, title and labels, and the colour bar), or
// alone over what is on the page (a magnified view drawn into a box).
void GS_DRAW_PICTURE(const GsImage& image, bool whole_page, int& status)
{
    constexpr std::string_view position = "Subroutine GS_DRAW_PICTURE V0.1";
    if (!st_enter(status, position)) return;
    if (!check_region(image.data, image.xstart, image.ystart, image.xend, image.yend, status,
                      position))
        return;
    if (image.x_axis.size() < static_cast<std::size_t>(image.xend) ||
        image.y_axis.size() < static_cast<std::size_t>(image.yend)) {
        st_fail(status, ST_MOD_GS + 5, position);
        return;
    }
    // The data window runs over the outer edges of the elements shown.
    const float wx1 = lower_edge(image.x_axis, image.xstart, image.xend);
    const float wx2 = upper_edge(image.x_axis, image.xstart, image.xend);
    const float wy1 = lower_edge(image.y_axis, image.ystart, image.yend);
    const float wy2 = upper_edge(image.y_axis, image.ystart, image.yend);
    if (!(wx1 < wx2 && wy1 < wy2)) {
        st_fail(status, ST_MOD_GS + 13, position);
        return;
    }
    GS_SET_IDR(wx1, wy1, wx2, wy2, status);
    GS_SET_DDDR(wx1, wy1, wx2, wy2, status);
    const PictureViewport viewport =
        picture_viewport(image.xend - image.xstart + 1, image.yend - image.ystart + 1, whole_page);
    const std::array<float, 4>& v = viewport.box;
    GS_SET_DGPP(v[0], v[1], v[2], v[3], status);
    if (whole_page) GS_BACKGROUND(status);
    GS_RESTORE_TRANSFORM(status);
    float minimum = image_state.minimum;
    float maximum = image_state.maximum;
    GS_2DMCELLARRAY(image.mask_flag, image.data, image.mask, image.xstart, image.ystart,
                    image.xend, image.yend, image_state.mode, minimum, maximum, status);
    if (status != ST_GOOD_VALUE) return;
    if (whole_page) {
        std::string title(st_strip(image.title));
        if (viewport.stretched) title += " (stretched to be seen)";
        GS_PERIPHERY(title, image.xlabel, image.ylabel, status);
        GS_LUTSCALE(minimum, maximum, image.zlabel, status);
        GS_SET_IMAGESCALE(image_state.mode, minimum, maximum, status);
    } else {
        const LgPageCoordinates page;
        GS_LINESTYLE(1, 1.0f, GS_BLACK, status);
        GS_RECTANGLE(v[0], v[1], v[2], v[3], false, true, status);
    }
    GS_RESTORE_TRANSFORM(status);
}

void GS_CAL_ZRANGE(const ImageView& data, int xstart, int ystart, int xend, int yend, int xbin,
                   int ybin, int mode, float& minimum, float& maximum, bool& usable,
                   int& status)
{
    constexpr std::string_view position = "Subroutine GS_CAL_ZRANGE V0.2";
    if (!st_enter(status, position)) return;
    usable = false;
    if (!check_region(data, xstart, ystart, xend, yend, status, position)) return;
    // A region without one finite element has no range: it is said, and
    // nothing is shown (a failed flat-field correction gives such images).
    // (Looked for here rather than learnt from a failed search, which would
    // leave its error position behind for the end of the run.)
    if (!holds_finite(data, xstart, ystart, xend, yend)) {
        io_say("WARNING: The image region holds no finite value: nothing is shown");
        return;
    }
    float data_minimum = 0.0f;
    float data_maximum = 0.0f;
    MA_REBINMINMAX(data, xstart, ystart, xend, yend, 1, 1, data_minimum, data_maximum, status);
    if (status != ST_GOOD_VALUE) return;
    switch (mode) {
    case GS_SCALE_DATA:
        if (xbin == 1 && ybin == 1) {
            minimum = data_minimum;
            maximum = data_maximum;
        } else {
            MA_REBINMINMAX(data, xstart, ystart, xend, yend, xbin, ybin, minimum, maximum, status);
        }
        break;
    case GS_SCALE_USER: break;
    case GS_SCALE_USER_MIN:
        MA_REBINMAX(data, xstart, ystart, xend, yend, xbin, ybin, maximum, status);
        break;
    case GS_SCALE_USER_MAX:
        MA_REBINMIN(data, xstart, ystart, xend, yend, xbin, ybin, minimum, status);
        break;
    case GS_SCALE_STATISTICS:
        MA_DIFZSCALE(data, xstart, ystart, xend, yend, minimum, maximum, status);
        break;
    default: st_fail(status, ST_MOD_GS + 17, position); return;
    }
    if (status != ST_GOOD_VALUE) return;
    if (mode != GS_SCALE_DATA && minimum >= maximum) {
        if (mode == GS_SCALE_USER_MIN) {
            warn_range("WARNING: The maximum data value is less than the user input minimum");
            minimum = maximum - 1000.0f;
        } else {
            warn_range("WARNING: The minimum data value is greater than the user input maximum");
            maximum = minimum + 1000.0f;
        }
        return;
    }
    usable = true;
}

void GS_2DMCELLARRAY(bool mask_flag, const ImageView& data, const bool* mask, int xstart,
                     int ystart, int xend, int yend, int mode, float& minimum, float& maximum,
                     int& status)
{
    constexpr std::string_view position = "Subroutine GS_2DMCELLARRAY V0.4";
    if (!st_enter(status, position)) return;
    bool usable = false;
    GS_CAL_ZRANGE(data, xstart, ystart, xend, yend, 1, 1, mode, minimum, maximum, usable, status);
    if (!usable || status != ST_GOOD_VALUE) return;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    GS_INQ_IDR(x1, y1, x2, y2, status);
    // Elements that are no number are shown in the mask colour, as masked ones.
    std::vector<unsigned char> hidden;
    const bool* shown_mask = mask_flag ? mask : nullptr;
    if (!all_finite(data, xstart, ystart, xend, yend)) {
        hidden.assign(static_cast<std::size_t>(data.xmaxdat) * data.ymaxdat, 0);
        for (int y = ystart; y <= yend; ++y)
            for (int x = xstart; x <= xend; ++x) {
                const std::size_t at =
                    static_cast<std::size_t>(x - 1) + static_cast<std::size_t>(y - 1) * data.xmaxdat;
                hidden[at] = !std::isfinite(data.data[at]) || (shown_mask && shown_mask[at]);
            }
        shown_mask = reinterpret_cast<const bool*>(hidden.data());
    }
    LG_RMASKCELLARRAY(data.xmaxdat, data.ymaxdat, xstart, ystart, xend, yend, data.data, x1, y1,
                      x2, y2, minimum, maximum, shown_mask, shown_mask != nullptr,
                      GS_COLOUR_INDEX(image_state.mask_colour), status);
}

void GS_LUTSCALE(float minimum, float maximum, std::string_view zlabel, int& status)
{
    constexpr std::string_view position = "Subroutine GS_LUTSCALE V0.3";
    if (!st_enter(status, position)) return;
    bool log_scaling = false;
    LG_INQ_LOGZSCALING(log_scaling, status);
    // The range exactly as the layer shows the picture.
    LG_ADJUST_RANGE(minimum, maximum);
    if (!(minimum < maximum) || !std::isfinite(minimum) || !std::isfinite(maximum)) {
        int convert = ST_GOOD_VALUE;
        io_say("ERROR: z_min, z_max = " + IO_RTOC(minimum, convert) + " " +
               IO_RTOC(maximum, convert));
        return;
    }
    const LgTransformGuard transform;
    const GsRegionsGuard regions;
    float vx1 = 0, vy1 = 0, vx2 = 0, vy2 = 0;
    GS_INQ_DGPP(vx1, vy1, vx2, vy2, status);
    float max_x = 0, max_y = 0;
    LG_INQ_MAXPC(1, max_x, max_y, status);
    // A strip beside the picture, its numbers between it and the page edge.
    const float gap = 0.02f * max_x;
    const float strip = std::min(0.03f * max_x, (max_x - vx2) / 4.0f);
    const float sx1 = vx2 + gap;
    const float sx2 = sx1 + strip;
    int first = 0, last = 0;
    LG_INQ_IMAGERANGE(first, last, status);
    std::vector<int> levels;
    for (int i = first; i <= last; ++i) levels.push_back(i);
    {
        const LgPageCoordinates page;
        LG_CELLARRAY(1, static_cast<int>(levels.size()), 1, 1, 1, static_cast<int>(levels.size()),
                     levels.data(), sx1, vy1, sx2, vy2, status);
        GS_LINESTYLE(1, 1.0f, GS_BLACK, status);
        GS_RECTANGLE(sx1, vy1, sx2, vy2, false, true, status);
    }
    // The intensity axis along the strip's right edge, and the z label.
    GS_SET_DGPP(sx1, vy1, sx2, vy2, status);
    if (log_scaling) {
        GS_SET_DDDR(0.0f, std::log10(minimum), 1.0f, std::log10(maximum), status);
        GS_RESTORE_TRANSFORM(status);
        GS_ALOGAXIS(GS_AXIS_RIGHT, true, status);
    } else {
        GS_SET_DDDR(0.0f, minimum, 1.0f, maximum, status);
        GS_RESTORE_TRANSFORM(status);
        GS_LINAXIS(GS_AXIS_RIGHT, true, status);
    }
    // The z label above the bar, within the page: the numbers fill the room
    // beside it.
    const std::string_view label = st_trim(zlabel);
    if (!label.empty()) {
        const LgPageCoordinates page;
        // Centred on the bar, it may reach over the picture's corner: the
        // title is centred over the picture and leaves the corner free.
        const float room = 2.0f * (max_x - PAGE_EDGE - (sx1 + sx2) / 2.0f);
        const float height = GS_FIT_TEXTHEIGHT(0.014f, 1, label, 0.98f * room);
        GS_TEXTSTYLE(1, GS_BLACK, height, 1, 1, 1, 2, 0, 0.0f, 1.0f, status);
        LG_TEXT((sx1 + sx2) / 2.0f, vy2 + 0.6f * height, label, status);
    }
}
