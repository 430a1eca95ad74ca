// The graphics session: opening and closing, the command-line display
// options, named colours and colour scales, the page regions and other kept
// state, and the basic filled and outlined shapes every widget draws with.

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "gs/graphs.h"
#include "gs/gs.h"
#include "io/convert.h"
#include "io/filename.h"
#include "io/status.h"
#include "io/system.h"
#include "io/units.h"
#include "lg/lg.h"

namespace {

using Rect = std::array<float, 4>;

constexpr int PS_UNIT = 17;

constexpr Rect PORTRAIT_GUI{0.0f, 0.0f, 0.7071f, 0.15f};
constexpr Rect PORTRAIT_MESSAGE{0.0f, 0.0f, 0.7071f, 1.0f};
constexpr Rect PORTRAIT_GPP{0.1f, 0.3929f, 0.6071f, 0.9f};

// The graphics system's kept state.
struct GsState
{
    int window_format = 0;
    Rect gui = PORTRAIT_GUI;
    Rect message = PORTRAIT_MESSAGE;
    Rect gpp = PORTRAIT_GPP;
    Rect dddr{0.0f, 0.0f, 1.0f, 1.0f};
    Rect dgpp{0.0f, 0.0f, 1.0f, 1.0f};
    Rect idr{0.0f, 0.0f, 1.0f, 1.0f};
    int lut_choice = 2;
    int lut_levels = 247;
    bool ps_open = false;
    bool colour_postscript = true;
    bool doc_forms = false;
    bool doc_menus = false;
    int colour_value1 = 108;
    int colour_value2 = 210;
    float text_measure = 0.08f;
    bool background = true;
    int background_colour = GS_WHITE;
};

GsState gs;

// GS_DB_COLOURS: the named colours and the table indices found for them.
struct NamedColour
{
    const char* name;
    LgRgb rgb;
    int index;
};
std::array<NamedColour, 16> named{{{"", {}, 1},
                                    {"BLACK", {0, 0, 0}, 1},
                                    {"WHITE", {1, 1, 1}, 2},
                                    {"RED", {1, 0, 0}, 3},
                                    {"GREEN", {0, 1, 0}, 4},
                                    {"BLUE", {0, 0, 1}, 5},
                                    {"YELLOW", {1, 1, 0}, 6},
                                    {"MAGENTA", {1, 0, 1}, 7},
                                    {"CYAN", {0, 1, 1}, 8},
                                    {"ORANGE", {1, 0.749f, 0}, 9},
                                    {"GREY", {0.5f, 0.5f, 0.5f}, 10},
                                    {"BROWN", {0.639f, 0.349f, 0}, 11},
                                    {"VIOLET", {0.8666f, 0.235f, 1}, 12},
                                    {"(INDEX 0)", {}, 0},
                                    {"(INDEX 1)", {}, 1},
                                    {"INVERSE", {}, -1}}};

// The control points of the colour scales 1 to 11.
std::vector<LgRgb> scale_points(int choice)
{
    const LgRgb black{0, 0, 0}, white{1, 1, 1}, red{1, 0, 0}, green{0, 1, 0}, blue{0, 0, 1},
        yellow{1, 1, 0}, magenta{1, 0, 1}, cyan{0, 1, 1};
    const std::vector<LgRgb> scale2 = {{0, 0, 0},          {0, 0, 0.6f},         {0, 0, 1},
                                       {0.78f, 0.78f, 1},  {0.545f, 0.87f, 0.219f},
                                       {0.757f, 0.925f, 0.384f}, {1, 1, 0.475f},
                                       {1, 0.77f, 0.36f},  {1, 0.749f, 0},       {0.78f, 0.509f, 0},
                                       {0.867f, 0.235f, 1}, {0.867f, 0.61f, 1},  {1, 1, 1}};
    switch (choice) {
    case 1: return {magenta, blue, cyan, green, yellow, red};
    case 2: return scale2;
    case 3: return {black, white};
    case 4: return {white, black};
    case 5: return {black, magenta, red, yellow, green, cyan, blue, white};
    case 6:
        return {{0, 0, 0},       {0.35f, 0, 0.35f},    {0, 0, 0.4f},        {0, 0, 0.65f},
                {0, 0.5f, 0.5f}, {0, 0.5f, 0.1f},      {0.08f, 0.65f, 0.08f}, {0.8f, 0.32f, 0.32f},
                {0.9f, 0, 0},    {1, 0.57f, 0.14f},    {1, 1, 0},           {1, 1, 1}};
    case 7: {
        std::vector<LgRgb> points;
        // Seven bands, each from black to its full colour (grey: to white).
        for (const LgRgb& band : {magenta, red, yellow, green, cyan, blue, white})
            for (int step = 0; step <= 8; ++step) {
                const float f = 0.125f * step;
                points.push_back({band.r * f, band.g * f, band.b * f});
            }
        return points;
    }
    case 8: return {{0, 0, 0}, {0.9f, 0, 0}, {1, 0.57f, 0.14f}, {1, 1, 0}, {1, 1, 1}};
    case 9:
        return {{0, 0, 0}, {0.518f, 0, 0.518f}, {0, 0, 0.6f}, {0, 0.5f, 0},         {0, 1, 0},
                {1, 1, 0}, {1, 0, 0},           {1, 0.333f, 0.333f}, {1, 1, 1}};
    case 10: return {scale2.rbegin(), scale2.rend()};
    case 11:
        return {{0, 0, 0},    {0.35f, 0, 0.35f}, {0.518f, 0, 0.518f}, {0.7f, 0, 0.7f}, {1, 0, 0.5f},
                {1, 0, 0},    {1, 0.749f, 0},    {1, 0.77f, 0.36f},   {1, 1, 0},       {1, 1, 1}};
    default: return {};
    }
}

bool set_region(Rect& region, float x1, float y1, float x2, float y2, bool strict, int& status,
                std::string_view position)
{
    if (!st_enter(status, position)) return false;
    if (strict ? x1 >= x2 : x1 > x2) {
        st_fail(status, ST_MOD_GS + 13, position);
        return false;
    }
    if (strict ? y1 >= y2 : y1 > y2) {
        st_fail(status, ST_MOD_GS + 14, position);
        return false;
    }
    region = {x1, y1, x2, y2};
    return true;
}

void get_region(const Rect& region, float& x1, float& y1, float& x2, float& y2)
{
    x1 = region[0];
    y1 = region[1];
    x2 = region[2];
    y2 = region[3];
}

} // namespace

// Opens the graphics system with its window, as the command line asks.
void GS_OPEN_GRAPHICS(int& status)
{
    if (!st_enter(status, "Subroutine GS_OPEN_GRAPHICS V0.6")) return;
    GS_OPEN_NOTERM(status);
    const bool portrait = gs.window_format == 0 || gs.window_format == 2;
    LG_SET_COLOURINDICES(gs.colour_value1, gs.colour_value2, status);
    LG_OPEN_WK(1, 0, portrait ? LG_WINDOW_PORTRAIT : LG_WINDOW_LANDSCAPE, status);
    LG_ACTIVATE_WK(1, status);
    if (status != ST_GOOD_VALUE) return;
    GS_DEF_LUTCHOICE(status);
    GS_DEF_COLOURS(status);
    LG_INQ_TEXTWIDTH(1, "iiii..MMWW", gs.text_measure, status);
}

void GS_OPEN_NOTERM(int& status)
{
    if (!st_enter(status, "Subroutine GS_OPEN_NOTERM V0.2")) return;
    gs.colour_value1 = 108;
    gs.colour_value2 = 210;
    GS_DEF_GRAPHICS(status);
    GS_MSET_OPTIONS(status);
    LG_OPEN(0, status);
}

void GS_CLOSE_GRAPHICS(int& status)
{
    if (!st_enter(status, "Subroutine GS_CLOSE_GRAPHICS V0.2")) return;
    LG_CLOSE_WK(1, status);
    GS_CLOSE_PS(status);
    LG_CLOSE(status);
}

void GS_OPEN_PS(std::string_view file_name, int& status)
{
    constexpr std::string_view position = "Subroutine GS_OPEN_PS V0.3";
    if (!st_enter(status, position)) return;
    if (st_strip(file_name).empty()) {
        st_fail(status, ST_MOD_GS + 33, position);
        return;
    }
    if (gs.ps_open) return;
    int translated = 0;
    std::string path;
    IO_TRANS_PATH(file_name, translated, path, status);
    int error_value = 0;
    if (translated != 0 || !io_unit_open(PS_UNIT, path, IoAccess::write, error_value)) {
        io_say("ERROR: Failed to open ASCII text file. May be you do not");
        io_say("       have write permission.");
        io_say("       Run-time I/O status return value (IOSTAT) = " +
               io_fortran_i(error_value, 8));
        io_say("(This value is system dependent; see system documentation.)");
        st_fail(status, ST_MOD_IO + ST_OPEN_FAIL, position);
        return;
    }
    const bool landscape = gs.window_format % 2 == 1;
    const int type = gs.colour_postscript ? (landscape ? 22 : 21) : (landscape ? 24 : 23);
    LG_OPEN_WK(2, PS_UNIT, type, status);
    gs.ps_open = status == ST_GOOD_VALUE;
}

void GS_CLOSE_PS(int& status)
{
    if (!st_enter(status, "Subroutine GS_CLOSE_PS V0.2")) return;
    if (!gs.ps_open) return;
    LG_CLOSE_WK(2, status);
    IO_WRITE_FILE(PS_UNIT, "% End of PostScript file", status);
    IO_CLOSE_FILE(PS_UNIT, status);
    gs.ps_open = false;
}

void GS_SET_POSTSCRIPT(bool colour, int& status)
{
    if (st_enter(status, "Subroutine GS_SET_POSTSCRIPT V0.1")) gs.colour_postscript = colour;
}

void GS_DEF_GRAPHICS(int& status)
{
    if (!st_enter(status, "Subroutine GS_DEF_GRAPHICS V0.2")) return;
    const int colour_value1 = gs.colour_value1;
    const int colour_value2 = gs.colour_value2;
    gs = GsState{};
    gs.colour_value1 = colour_value1;
    gs.colour_value2 = colour_value2;
    GS_DEF_MENUSTYLE(status);
    GS_DEF_MENULAYOUT(status);
    GS_DEF_MESSAGESTYLE(status);
    GS_DEF_IMAGESCALE(status);
    GS_DEF_PIXELLIMITS(status);
    GS_DEF_MASKCOLOUR(status);
    GS_SET_IASPECT(true, status);
    GS_DEF_ATTRIBUTES(status);
}

// The display options of the command line, compared in upper case.
void GS_MSET_OPTIONS(int& status)
{
    if (!st_enter(status, "Subroutine GS_MSET_OPTIONS V0.3")) return;
    int count = 0;
    std::vector<std::string> arguments;
    IO_GETARGS(20, count, arguments, status);
    for (std::size_t i = 1; i < arguments.size() && i < static_cast<std::size_t>(count); ++i) {
        const std::string option = IO_UPPER(std::string_view(arguments[i]).substr(0, 80));
        if (option == "+LAND" || option == "-LAND" || option == "LAND" ||
            option == "+LANDSCAPE" || option == "LANDSCAPE" || option == "-LANDSCAPE") {
            GS_MSET_LANDSCAPE(status);
        } else if (option.rfind("+COL", 0) == 0 || option.rfind("-COL", 0) == 0) {
            bool found = false;
            int colours = 0;
            if (i + 1 < arguments.size()) IO_TOKTI(arguments[i + 1], found, colours, status);
            if (!found) {
                io_say("WARNING: Bad command line option");
                continue;
            }
            ++i;
            gs.colour_value1 = gs.colour_value2 = std::clamp(colours, 16, 256);
        } else if (option == "+DFORM" || option == "-DFORM") {
            gs.doc_forms = option.front() == '+';
        } else if (option == "+DMENU" || option == "-DMENU") {
            gs.doc_menus = option.front() == '+';
        }
    }
}

void GS_MSET_LANDSCAPE(int& status)
{
    if (!st_enter(status, "Subroutine GS_MSET_LANDSCAPE V0.1")) return;
    gs.window_format = 1;
    gs.gpp = {0.1f, 0.1f, 0.9f, 0.6071f};
    gs.message = {0.0f, 0.0f, 1.0f, 0.7071f};
    gs.gui = {0.0f, 0.0f, 1.0f, 0.1f};
}

// The image colours from the chosen scale; the named colours are then found
// again, so that a widget's ORANGE stays orange whatever the scale.
void GS_COLOURS(int& status)
{
    if (!st_enter(status, "Subroutine GS_COLOURS V0.3")) return;
    int first = 0;
    int last = 0;
    LG_INQ_IMAGERANGE(first, last, status);
    if (gs.lut_choice < 1 || gs.lut_choice > 11) return;
    std::array<LgRgb, 256> table{};
    for (int i = 0; i < 256; ++i) LG_INQ_COLOUR(i, table[i], status);
    const std::vector<LgRgb> points = scale_points(gs.lut_choice);
    GS_CAL_COLOURTABLE(static_cast<int>(points.size()), points, first, last, gs.lut_levels,
                       table, status);
    LG_COLOURS(256, first, last, table, status);
    GS_CAL_COLOURS(status);
}

void GS_DEF_COLOURS(int& status)
{
    if (!st_enter(status, "Subroutine GS_DEF_COLOURS V0.1")) return;
    GS_CAL_COLOURS(status);
}

void GS_CAL_COLOURS(int& status)
{
    if (!st_enter(status, "Subroutine GS_CAL_COLOURS V0.1")) return;
    for (int code = GS_BLACK; code <= GS_VIOLET; ++code)
        LG_BESTCOLOUR(named[code].rgb.r, named[code].rgb.g, named[code].rgb.b, named[code].index,
                      status);
    named[GS_INDEX0].index = 0;
    named[GS_INDEX1].index = 1;
    named[GS_INVERSE].index = -1;
}

int GS_COLOUR_INDEX(int code)
{
    if (code >= 1 && code <= 15) return named[code].index;
    return code == 0 ? 0 : 1;
}

std::string GS_GIVE_COLOURNAME(int code)
{
    return code >= 1 && code <= 15 ? named[code].name : "";
}

int GS_GIVE_COLOUR(std::string_view name)
{
    const std::string wanted = IO_UPPER(st_strip(name));
    for (int code = 1; code <= 15; ++code)
        if (wanted == named[code].name) return code;
    return 0;
}

void GS_SET_LUTCHOICE(int choice, int levels, int& status)
{
    constexpr std::string_view position = "Subroutine GS_SET_LUTCHOICE V0.2";
    if (!st_enter(status, position)) return;
    if (choice < 0 || choice > 11 || levels < 1) {
        st_fail(status, ST_MOD_GS + 17, position);
        return;
    }
    gs.lut_choice = choice;
    gs.lut_levels = levels;
}

void GS_INQ_LUTCHOICE(int& choice, int& levels, int& status)
{
    if (!st_enter(status, "Subroutine GS_INQ_LUTCHOICE V0.1")) return;
    choice = gs.lut_choice;
    levels = gs.lut_levels;
}

void GS_DEF_LUTCHOICE(int& status)
{
    if (!st_enter(status, "Subroutine GS_DEF_LUTCHOICE V0.1")) return;
    int first = 0;
    int last = 0;
    LG_INQ_IMAGERANGE(first, last, status);
    gs.lut_choice = 2;
    gs.lut_levels = last - first + 1;
}

// Spreads the control points evenly over the image colours; with fewer
// levels than colours the scale shows flat bands.
void GS_CAL_COLOURTABLE(int num_points, std::span<const LgRgb> points, int image_min,
                        int image_max, int levels, std::span<LgRgb> table, int& status)
{
    constexpr std::string_view position = "Subroutine GS_CAL_COLOURTABLE V0.2";
    if (!st_enter(status, position)) return;
    if (num_points < 1 || static_cast<std::size_t>(num_points) > points.size()) {
        st_fail(status, ST_MOD_GS + 1, position);
        return;
    }
    if (image_max < image_min || image_min < 0 ||
        static_cast<std::size_t>(image_max) >= table.size() || levels < 1) {
        st_fail(status, ST_MOD_GS + 17, position);
        return;
    }
    const int n = image_max - image_min + 1;
    for (int j = 1; j <= n; ++j) {
        const int k = levels > 1
                          ? static_cast<int>(std::lround(static_cast<double>(levels - 1) * j / n))
                          : 0;
        const float t = levels > 1 ? 1.0f + (num_points - 1) * static_cast<float>(k) / (levels - 1)
                                   : 1.0f;
        const int m = std::clamp(static_cast<int>(t), 1, num_points);
        const LgRgb& upper = points[std::min(m + 1, num_points) - 1];
        const LgRgb& lower = points[m - 1];
        const float a = t - m;
        const float b = m + 1 - t;
        table[image_min + j - 1] = {a * upper.r + b * lower.r, a * upper.g + b * lower.g,
                                    a * upper.b + b * lower.b};
    }
}

// Clears the page: the scripted targets go with it.
void GS_BACKGROUND(int& status)
{
    if (!st_enter(status, "Subroutine GS_BACKGROUND V0.2")) return;
    if (!gs.background) return;
    LG_CLEAR(status);
    float max_x = 0.0f;
    float max_y = 0.0f;
    LG_INQ_MAXPC(1, max_x, max_y, status);
    const LgPageCoordinates page;
    GS_FILLSTYLE(1, gs.background_colour, status);
    GS_RECTANGLE(0.0f, 0.0f, max_x, max_y, true, false, status);
}

void GS_UPDATE(int& status)
{
    if (!st_enter(status, "Subroutine GS_UPDATE V0.1")) return;
    LG_UPDATE(1, false, status);
}

void GS_SET_GUIREGION(float x1, float y1, float x2, float y2, int& status)
{
    set_region(gs.gui, x1, y1, x2, y2, true, status, "Subroutine GS_SET_GUIREGION V0.1");
}
void GS_INQ_GUIREGION(float& x1, float& y1, float& x2, float& y2, int& status)
{
    if (st_enter(status, "Subroutine GS_INQ_GUIREGION V0.1")) get_region(gs.gui, x1, y1, x2, y2);
}
void GS_DEF_GUIREGION(int& status)
{
    if (!st_enter(status, "Subroutine GS_DEF_GUIREGION V0.1")) return;
    gs.gui = gs.window_format % 2 == 1 ? Rect{0.0f, 0.0f, 1.0f, 0.1f} : PORTRAIT_GUI;
}
void GS_SET_MESSAGE(float x1, float y1, float x2, float y2, int& status)
{
    set_region(gs.message, x1, y1, x2, y2, true, status, "Subroutine GS_SET_MESSAGE V0.1");
}
void GS_INQ_MESSAGE(float& x1, float& y1, float& x2, float& y2, int& status)
{
    if (st_enter(status, "Subroutine GS_INQ_MESSAGE V0.1"))
        get_region(gs.message, x1, y1, x2, y2);
}
void GS_DEF_MESSAGE(int& status)
{
    if (!st_enter(status, "Subroutine GS_DEF_MESSAGE V0.1")) return;
    gs.message = gs.window_format % 2 == 1 ? Rect{0.0f, 0.0f, 1.0f, 0.7071f} : PORTRAIT_MESSAGE;
}
void GS_SET_GPP(float x1, float y1, float x2, float y2, int& status)
{
    set_region(gs.gpp, x1, y1, x2, y2, true, status, "Subroutine GS_SET_GPP V0.1");
}
void GS_INQ_GPP(float& x1, float& y1, float& x2, float& y2, int& status)
{
    if (st_enter(status, "Subroutine GS_INQ_GPP V0.1")) get_region(gs.gpp, x1, y1, x2, y2);
}
void GS_DEF_GPP(int& status)
{
    if (!st_enter(status, "Subroutine GS_DEF_GPP V0.1")) return;
    gs.gpp = gs.window_format % 2 == 1 ? Rect{0.1f, 0.1f, 0.9f, 0.6071f} : PORTRAIT_GPP;
}
void GS_SET_DDDR(float x1, float y1, float x2, float y2, int& status)
{
    set_region(gs.dddr, x1, y1, x2, y2, false, status, "Subroutine GS_SET_DDDR V0.1");
}
void GS_INQ_DDDR(float& x1, float& y1, float& x2, float& y2, int& status)
{
    if (st_enter(status, "Subroutine GS_INQ_DDDR V0.1")) get_region(gs.dddr, x1, y1, x2, y2);
}
void GS_SET_DGPP(float x1, float y1, float x2, float y2, int& status)
{
    set_region(gs.dgpp, x1, y1, x2, y2, true, status, "Subroutine GS_SET_DGPP V0.1");
}
void GS_INQ_DGPP(float& x1, float& y1, float& x2, float& y2, int& status)
{
    if (st_enter(status, "Subroutine GS_INQ_DGPP V0.1")) get_region(gs.dgpp, x1, y1, x2, y2);
}
void GS_SET_IDR(float x1, float y1, float x2, float y2, int& status)
{
    constexpr std::string_view position = "Subroutine GS_SET_IDR V0.1";
    if (status == ST_GOOD_VALUE && (x1 >= x2 || y1 >= y2)) {
        int convert = ST_GOOD_VALUE;
        io_say("GS_SET_IDR: Bad image data region");
        io_say("xminidr = " + IO_RTOC(x1, convert));
        io_say("yminidr = " + IO_RTOC(y1, convert));
        io_say("xmaxidr = " + IO_RTOC(x2, convert));
        io_say("ymaxidr = " + IO_RTOC(y2, convert));
    }
    set_region(gs.idr, x1, y1, x2, y2, true, status, position);
}
void GS_INQ_IDR(float& x1, float& y1, float& x2, float& y2, int& status)
{
    if (st_enter(status, "Subroutine GS_INQ_IDR V0.1")) get_region(gs.idr, x1, y1, x2, y2);
}

void GS_SET_WINDOWFORMAT(int format, int& status)
{
    constexpr std::string_view position = "Subroutine GS_SET_WINDOWFORMAT V0.1";
    if (!st_enter(status, position)) return;
    if (format < 0 || format > 5) {
        st_fail(status, ST_MOD_GS + 17, position);
        return;
    }
    gs.window_format = format;
}
void GS_INQ_WINDOWFORMAT(int& format, int& status)
{
    if (st_enter(status, "Subroutine GS_INQ_WINDOWFORMAT V0.1")) format = gs.window_format;
}
void GS_DEF_WINDOWFORMAT(int& status)
{
    if (st_enter(status, "Subroutine GS_DEF_WINDOWFORMAT V0.1")) gs.window_format = 0;
}
void GS_SET_PSFILE(bool open, int& status)
{
    if (st_enter(status, "Subroutine GS_SET_PSFILE V0.1")) gs.ps_open = open;
}
void GS_INQ_PSFILE(bool& open, int& status)
{
    if (st_enter(status, "Subroutine GS_INQ_PSFILE V0.1")) open = gs.ps_open;
}
void GS_SET_DOC_CONTROL(bool forms, bool menus, int& status)
{
    if (!st_enter(status, "Subroutine GS_SET_DOC_CONTROL V0.1")) return;
    gs.doc_forms = forms;
    gs.doc_menus = menus;
}
void GS_DEF_PSFILE(int& status)
{
    if (st_enter(status, "Subroutine GS_DEF_PSFILE V0.1")) gs.ps_open = false;
}

void GS_DEF_POSTSCRIPT(int& status)
{
    if (st_enter(status, "Subroutine GS_DEF_POSTSCRIPT V0.1")) gs.colour_postscript = true;
}


void GS_INQ_COLOURINDICES(int& value1, int& value2, int& status)
{
    if (!st_enter(status, "Subroutine GS_INQ_COLOURINDICES V0.1")) return;
    value1 = gs.colour_value1;
    value2 = gs.colour_value2;
}

void GS_INQ_DOC_CONTROL(bool& forms, bool& menus, int& status)
{
    if (!st_enter(status, "Subroutine GS_INQ_DOC_CONTROL V0.1")) return;
    forms = gs.doc_forms;
    menus = gs.doc_menus;
}

float GS_INQ_TEXTWIDTH_MEASURE() { return gs.text_measure; }

// Fonts differ in width from display to display: the text is measured and
// the height lowered until it fits.
float GS_FIT_TEXTHEIGHT(float height, int font, std::string_view text, float width)
{
    const std::string_view trimmed = st_trim(text);
    if (trimmed.empty() || width <= 0.0f || height <= 0.0f) return height;
    int status = ST_GOOD_VALUE;
    LG_TEXTFONT(font, status);
    for (int attempt = 0; attempt < 4 && status == ST_GOOD_VALUE; ++attempt) {
        LG_TEXTHEIGHT(height, status);
        float measured = 0.0f;
        LG_INQ_TEXTWIDTH(1, trimmed, measured, status);
        if (measured <= width) break;
        height *= 0.97f * width / measured;
    }
    return height;
}

void GS_RESTORE_TRANSFORM(int& status)
{
    if (!st_enter(status, "Subroutine GS_RESTORE_TRANSFORM V0.1")) return;
    const Rect& w = gs.dddr;
    const Rect& v = gs.dgpp;
    // A window of no width (a single pixel shown) cannot be a transform.
    if (w[0] < w[2] && w[1] < w[3]) LG_DATAWINDOW(w[0], w[1], w[2], w[3], status);
    LG_VIEWPORT(v[0], v[1], v[2], v[3], status);
}

void GS_FILLSTYLE(int fill_type, int colour, int& status)
{
    constexpr std::string_view position = "Subroutine GS_FILLSTYLE V0.2";
    if (!st_enter(status, position)) return;
    if (fill_type < 0 || fill_type > 4 || colour < 0) {
        st_fail(status, ST_MOD_GS + 17, position);
        return;
    }
    LG_FILLCOLOUR(std::max(0, GS_COLOUR_INDEX(colour)), status);
}

void GS_LINESTYLE(int line_type, float width, int colour, int& status)
{
    constexpr std::string_view position = "Subroutine GS_LINESTYLE V0.2";
    if (!st_enter(status, position)) return;
    if (width <= 0.0f) {
        st_fail(status, ST_MOD_GS + 21, position);
        return;
    }
    if (colour < 0) {
        st_fail(status, ST_MOD_GS + 17, position);
        return;
    }
    LG_LINESTYLE(line_type, status);
    LG_LINEWIDTH(width, status);
    LG_LINECOLOUR(GS_COLOUR_INDEX(colour), status);
}

void GS_RECTANGLE(float x1, float y1, float x2, float y2, bool fill, bool outline, int& status)
{
    if (!st_enter(status, "Subroutine GS_RECTANGLE V0.1")) return;
    const float x[5] = {x1, x2, x2, x1, x1};
    const float y[5] = {y1, y1, y2, y2, y1};
    if (fill) LG_FILLAREA(4, x, y, status);
    if (outline) LG_POLYLINE(5, x, y, status);
}

void GS_TRIANGLE(float x1, float y1, float x2, float y2, float x3, float y3, bool fill,
                 bool outline, int& status)
{
    if (!st_enter(status, "Subroutine GS_TRIANGLE V0.1")) return;
    const float x[4] = {x1, x2, x3, x1};
    const float y[4] = {y1, y2, y3, y1};
    if (fill) LG_FILLAREA(3, x, y, status);
    if (outline) LG_POLYLINE(4, x, y, status);
}

void GS_LINE(float x1, float y1, float x2, float y2, int& status)
{
    if (!st_enter(status, "Subroutine GS_LINE V0.1")) return;
    const float x[2] = {x1, x2};
    const float y[2] = {y1, y2};
    LG_POLYLINE(2, x, y, status);
}

// Every clickable, labelled thing a widget shows is registered here, so that
// an event script can click it by its label.
void GS_TARGET(std::string_view label, float x1, float y1, float x2, float y2)
{
    LG_REGISTER_TARGET(label, x1, y1, x2, y2);
}

GsRegionsGuard::GsRegionsGuard() : regions_{gs.gui, gs.message, gs.gpp, gs.dddr, gs.dgpp, gs.idr}
{
}

GsRegionsGuard::~GsRegionsGuard()
{
    gs.gui = regions_[0];
    gs.message = regions_[1];
    gs.gpp = regions_[2];
    gs.dddr = regions_[3];
    gs.dgpp = regions_[4];
    gs.idr = regions_[5];
}
