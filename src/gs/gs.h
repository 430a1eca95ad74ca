#pragma once
// The graphics system: the graphics session and its kept state, named
// colours and colour scales, text styles and the polygon-font characters,
// menus, messages, warnings and prompts, and prompted value input. Widgets
// draw in page coordinates on the device layer.

#include <array>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "io/image_view.h"
#include "lg/lg_types.h"

using GsLines = std::span<const std::string>;

#include "lg/lg.h"

// Colour codes.
enum GsColour {
    GS_BLACK = 1, GS_WHITE, GS_RED, GS_GREEN, GS_BLUE, GS_YELLOW, GS_MAGENTA, GS_CYAN,
    GS_ORANGE, GS_GREY, GS_BROWN, GS_VIOLET, GS_INDEX0, GS_INDEX1, GS_INVERSE
};

// --- Session, colours and kept state ---
void GS_OPEN_GRAPHICS(int& status);
void GS_OPEN_NOTERM(int& status);
void GS_CLOSE_GRAPHICS(int& status);
void GS_DEF_GRAPHICS(int& status);
void GS_MSET_OPTIONS(int& status);
void GS_MSET_LANDSCAPE(int& status);
void GS_COLOURS(int& status);
void GS_DEF_COLOURS(int& status);
void GS_CAL_COLOURS(int& status);
// The colour index a colour code is drawn with.
int GS_COLOUR_INDEX(int code);
std::string GS_GIVE_COLOURNAME(int code);
int GS_GIVE_COLOUR(std::string_view name);
void GS_SET_LUTCHOICE(int choice, int levels, int& status);
void GS_INQ_LUTCHOICE(int& choice, int& levels, int& status);
void GS_DEF_LUTCHOICE(int& status);
void GS_CAL_COLOURTABLE(int num_points, std::span<const LgRgb> points, int image_min,
                        int image_max, int levels, std::span<LgRgb> table, int& status);
void GS_BACKGROUND(int& status);
// Printing: what is drawn between GS_ON_PRINT and GS_OFF_PRINT goes to a
// PostScript file (one page each time); printing tells whether it started.
void GS_ON_PRINT(bool graphical_prompt, bool& printing, int& status);
void GS_OFF_PRINT(int& status);
// One page drawn by draw into a PostScript file the user names, then closed;
// the window is left to its owner to draw again (the file question covers it).
void GS_PRINT_PAGE(const std::function<void(int& status)>& draw, int& status);
void GS_OPEN_PS(std::string_view file_name, int& status);
void GS_CLOSE_PS(int& status);
void GS_SET_POSTSCRIPT(bool colour, int& status);
void GS_UPDATE(int& status);

void GS_SET_GUIREGION(float x1, float y1, float x2, float y2, int& status);
void GS_INQ_GUIREGION(float& x1, float& y1, float& x2, float& y2, int& status);
void GS_DEF_GUIREGION(int& status);
void GS_SET_MESSAGE(float x1, float y1, float x2, float y2, int& status);
void GS_INQ_MESSAGE(float& x1, float& y1, float& x2, float& y2, int& status);
void GS_DEF_MESSAGE(int& status);
void GS_SET_GPP(float x1, float y1, float x2, float y2, int& status);
void GS_INQ_GPP(float& x1, float& y1, float& x2, float& y2, int& status);
void GS_DEF_GPP(int& status);
void GS_SET_DDDR(float x1, float y1, float x2, float y2, int& status);
void GS_INQ_DDDR(float& x1, float& y1, float& x2, float& y2, int& status);
void GS_SET_DGPP(float x1, float y1, float x2, float y2, int& status);
void GS_INQ_DGPP(float& x1, float& y1, float& x2, float& y2, int& status);
void GS_SET_IDR(float x1, float y1, float x2, float y2, int& status);
void GS_INQ_IDR(float& x1, float& y1, float& x2, float& y2, int& status);
void GS_SET_WINDOWFORMAT(int format, int& status);
void GS_INQ_WINDOWFORMAT(int& format, int& status);
void GS_DEF_WINDOWFORMAT(int& status);
void GS_SET_PSFILE(bool open, int& status);
void GS_INQ_PSFILE(bool& open, int& status);
// Documentation switches: forms and menus offer to print themselves.
void GS_SET_DOC_CONTROL(bool forms, bool menus, int& status);
void GS_DEF_PSFILE(int& status);
void GS_DEF_POSTSCRIPT(int& status);
// The two colour-index integers (108 and 210, or the "+COLOURS" number).
void GS_INQ_COLOURINDICES(int& value1, int& value2, int& status);
void GS_INQ_DOC_CONTROL(bool& forms, bool& menus, int& status);
// The width in page coordinates of "iiii..MMWW", measured when the graphics opened.
float GS_INQ_TEXTWIDTH_MEASURE();
// A text height no larger than asked for at which the text fits the width
// (page coordinates) in the given font.
float GS_FIT_TEXTHEIGHT(float height, int font, std::string_view text, float width);
// The data window and viewport of the picture last drawn, back in force.
void GS_RESTORE_TRANSFORM(int& status);

void GS_FILLSTYLE(int fill_type, int colour, int& status);
void GS_LINESTYLE(int line_type, float width, int colour, int& status);
void GS_RECTANGLE(float x1, float y1, float x2, float y2, bool fill, bool outline, int& status);
void GS_TRIANGLE(float x1, float y1, float x2, float y2, float x3, float y3, bool fill,
                 bool outline, int& status);
void GS_LINE(float x1, float y1, float x2, float y2, int& status);
// Registers a clickable, labelled target (page coordinates) for event scripts.
void GS_TARGET(std::string_view label, float x1, float y1, float x2, float y2);

// The page regions in force when it is made are back in force when it goes
// (GUI, message, GPP, DDDR, DGPP, IDR): a widget that lays itself out in
// other regions says so once, and every way out of it gives them back.
class GsRegionsGuard
{
public:
    GsRegionsGuard();
    ~GsRegionsGuard();
    GsRegionsGuard(const GsRegionsGuard&) = delete;
    GsRegionsGuard& operator=(const GsRegionsGuard&) = delete;

private:
    std::array<std::array<float, 4>, 6> regions_;
};

// What a question's page shows under its widget, while it lives: a widget
// waiting for an answer draws the page again (GS_REDRAW_PAGE) before itself
// when the window was resized or uncovered, so that nothing of the page stays
// a scaled copy. Drawers nest; one of the whole page hides those before it.
class GsPageDrawer
{
public:
    GsPageDrawer(std::function<void(int& status)> draw, bool whole_page);
    ~GsPageDrawer();
    GsPageDrawer(const GsPageDrawer&) = delete;
    GsPageDrawer& operator=(const GsPageDrawer&) = delete;

private:
    std::function<void(int& status)> draw_;
};
void GS_REDRAW_PAGE(int& status);

// --- Text style and polygon-font characters ---
void GS_TEXTSTYLE(int font, int colour, float height, float unused1, float unused2,
                  float unused3, int horizontal, int vertical, float up_x, float up_y,
                  int& status);
void GS_DRAW_CHARACTER(std::string_view character, float& x, float y, int& status);
void GS_SET_CHAR_SCALING(float width, float height, int& status);
void GS_INQ_CHAR_SCALING(float& width, float& height, int& status);

// --- Menus ---
// What GS_INP_MENUCHOICE returns as the input type.
enum GsMenuInput {
    GS_MENU_PRINT = -1,    // a click outside the buttons while forms document themselves
    GS_MENU_OUTSIDE = 0,   // a click outside the buttons (mode 2)
    GS_MENU_CHOSEN = 1,    // a button was clicked
    GS_MENU_REDRAW = 2,    // the window was exposed, or the menu printed: draw again
    GS_MENU_OTHER = 254,   // polling: an event that is no click
    GS_MENU_NOTHING = 255  // polling: no event
};
// The slots of the menu style: colours and fonts of the box, buttons, title and labels.
enum GsMenuStyle {
    GS_MENU_BOX_LINE = 0, GS_MENU_BOX_FILL, GS_MENU_BUTTON_LINE, GS_MENU_BUTTON_FILL,
    GS_MENU_TITLE_COLOUR, GS_MENU_TITLE_FONT, GS_MENU_LABEL_COLOUR, GS_MENU_LABEL_FONT
};

struct GsDrawnMenu
{
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int buttons = 0;
    float bx1[100] = {}, by1[100] = {}, bx2[100] = {}, by2[100] = {};
    float label_height[100] = {};
    float button_bevel[100] = {}; // each button's own: a merged record keeps them apart
    std::string labels[100];
    std::string title[10];
    int title_lines = 0;
    float bevel = 0;
};
void GS_MENU(int max_title, int num_title, GsLines title, int max_choices, int num_choices,
             GsLines labels, float x1, float y1, float x2, float y2, int& status);
void GS_FMENU(int max_title, int num_title, GsLines title, int max_choices, int num_choices,
              GsLines labels, int& status);
void GS_INP_MENUCHOICE(int max_choices, int num_choices, GsLines labels, int mode,
                       int& input_type, std::string& chosen, float& x, float& y, int& status);
void GS_CAL_MENUCHOICE(float x, float y, bool& inside, int& choice, int& status);
void GS_STRINGBUTTON(float x1, float y1, float x2, float y2, float bevel, std::string_view label,
                     int& status);
void GS_BUTTON(float x1, float y1, float x2, float y2, float bevel, int& status);
void GS_SET_MENULAYOUT(int layout, int columns, int title_chars, int choice_chars, int& status);
void GS_INQ_MENULAYOUT(int& layout, int& columns, int& title_chars, int& choice_chars,
                       int& status);
void GS_DEF_MENULAYOUT(int& status);
void GS_SET_MENUSTYLE(const int (&style)[8], int& status);
void GS_INQ_MENUSTYLE(int (&style)[8], int& status);
void GS_DEF_MENUSTYLE(int& status);
// The record of the last menu drawn, to keep it across a widget drawn over it.
GsDrawnMenu GS_SAVE_DRAWN_MENU();
// Asks for a PostScript file and draws the last menu again into it.
void GS_PRINT_MENU(int& status);
void GS_RESTORE_DRAWN_MENU(const GsDrawnMenu& menu);
// Draws a menu record again (for a print of it), and one of the last menu's
// buttons raised or pressed (0-based).
void GS_REDRAW_MENU(const GsDrawnMenu& menu, int& status);
void GS_DRAW_MENU_BUTTON(int button, bool pressed, int& status);

// The menu on the page and the menu layout in force when it is made are back
// when it goes: a question drawn over a menu leaves that menu clickable.
// The menu layout alone, for a drawing that lays its menus out its own way.
class GsMenuLayoutGuard
{
public:
    GsMenuLayoutGuard();
    ~GsMenuLayoutGuard();
    GsMenuLayoutGuard(const GsMenuLayoutGuard&) = delete;
    GsMenuLayoutGuard& operator=(const GsMenuLayoutGuard&) = delete;

private:
    int layout_ = 0, columns_ = 1, title_chars_ = 40, choice_chars_ = 20;
};

class GsMenuGuard
{
public:
    GsMenuGuard();
    ~GsMenuGuard();
    GsMenuGuard(const GsMenuGuard&) = delete;
    GsMenuGuard& operator=(const GsMenuGuard&) = delete;

private:
    GsMenuLayoutGuard layout_;
    GsDrawnMenu menu_;
};

// The text entry box in the strip at the foot of the page: the question,
// the typed text edited in place, and CANCEL, HELP and O.K. beside it.
// accepted tells whether the text was confirmed (Return or O.K.); CANCEL
// gives the user escape. HELP calls help, which shows what the caller has to
// say: the box itself knows no help text.
void GS_ENTRY_BOX(std::string_view prompt, std::string& entry, bool& accepted,
                  const std::function<void(int& status)>& help, int& status);
// The entry box with a fourth button of the given label (none when it is
// empty): a click on it ends the box with extra_chosen set, the entry as typed.
void GS_ENTRY_BOX(std::string_view prompt, std::string& entry, bool& accepted,
                  const std::function<void(int& status)>& help, std::string_view extra_label,
                  bool& extra_chosen, int& status);
// A button of a question beside CANCEL, HELP and O.K.: its label, and what
// it does with the text in the entry box (over the whole page, if it likes).
// The question is drawn again afterwards with the entry as it was.
struct GsEntryButton
{
    std::string label;
    std::function<void(std::string_view entry, int& status)> action;
};

// --- Messages, warnings, prompts and scroll bars ---
void GS_MESSAGE(int max_lines, int num_lines, GsLines text, int& status);
// A message in the fixed-pitch font (help texts laid out in columns).
void GS_MESSAGE_FIXED(GsLines text, int& status);
void GS_WARNING(float x1, float y1, float x2, float y2, int max_lines, int num_lines,
                GsLines text, int& status);
void GS_FWARNING(int max_lines, int num_lines, GsLines text, int& status);
void GS_PROMPT(bool button_style, int max_lines, int num_lines, GsLines text, float x1, float y1,
               float x2, float y2, int& status);
void GS_PPROMPT(int max_lines, int num_lines, GsLines text, int& status);
void GS_FPROMPT(int max_lines, int num_lines, GsLines text, int& status);
void GS_SPROMPT(int max_lines, std::string_view text, float x1, float y1, float x2, float y2,
                int& status);
void GS_SCROLLBAR(bool vertical, float x1, float y1, float x2, float y2, int& status);
void GS_CAL_SCROLLBAR(float x, float y, bool& on_bar, int& button, int& status);
void GS_INP_SCROLLBAR(int mode, int& input_type, int& button, float& x, float& y, int& status);
// The slots of the message style.
enum GsMessageStyle {
    GS_MESSAGE_BOX_LINE = 0, GS_MESSAGE_BOX_FILL, GS_MESSAGE_TEXT_AREA, GS_MESSAGE_FONT,
    GS_MESSAGE_TEXT_COLOUR, GS_MESSAGE_HEIGHT, GS_MESSAGE_SPACING
};
// The buttons of a scroll bar, from the end of the text to its start.
enum GsScrollButton {
    GS_SCROLL_LAST_PAGE = 1, GS_SCROLL_PAGE_DOWN, GS_SCROLL_LINE_DOWN, GS_SCROLL_LINE_UP,
    GS_SCROLL_PAGE_UP, GS_SCROLL_FIRST_PAGE
};
// What GS_INP_SCROLLBAR returns as the input type.
enum GsScrollInput { GS_SCROLL_OUTSIDE = 0, GS_SCROLL_REDRAW = 2, GS_SCROLL_BUTTON = 3 };
void GS_SET_MESSAGESTYLE(const float (&style)[10], int& status);
void GS_INQ_MESSAGESTYLE(float (&style)[10], int& status);
void GS_DEF_MESSAGESTYLE(int& status);
// How many lines the last message showed, and its first shown line (for tests
// and callers that scroll).
void GS_INQ_MESSAGE_VIEW(int& first, int& shown, bool& scroll_bar);

// --- Forms ---
// The types of the items of a form.
enum GsItemType {
    GS_ITEM_INTEGER = 1, GS_ITEM_LOGICAL, GS_ITEM_REAL, GS_ITEM_TEXT, GS_ITEM_COLOUR,
    GS_ITEM_DATA_TYPE, GS_ITEM_INPUT_FILE, GS_ITEM_OUTPUT_FILE, GS_ITEM_SCAN_TYPE,
    GS_ITEM_CHOICE // a choice from the item's own list
};
// One parameter of a form: its button label, description, type (GsItemType),
// bounds and value.
struct GsFormItem
{
    std::string label;
    std::string description;
    int type = 1;
    bool range = false;
    int int_min = 0, int_max = 0;
    float real_min = 0.0f, real_max = 0.0f;
    int int_value = 0;
    bool logical_value = false;
    float real_value = 0.0f;
    std::string text_value;
    std::vector<std::string> choices; // type 10
    std::string help;                 // one help line for the item's question
};
// The modal form: up to 20 items edited in any order, then O.K. (values kept)
// or CANCEL (user escape, the items as they were passed).
void GS_FORM(int max_title, int num_title, GsLines title, int max_help, int num_help,
             GsLines help, int max_items, int num_items, std::vector<GsFormItem>& items,
             int& status);
void GS_DRAW_FORM(int num_title, GsLines title, const std::vector<GsFormItem>& items,
                  int& status);
void GS_HELPFORM(int& status);
// The value of an item as the form shows it.
std::string GS_FORM_VALUE_TEXT(const GsFormItem& item);
void GS_INP_FORMMENU(std::string_view title, GsLines choices, int num_help, GsLines help,
                     int& choice, int& status);
void GS_INP_DATATYPE(std::string_view title, int num_help, GsLines help, int& data_type,
                     int& status);
void GS_INP_SCANTYPE(int num_help, GsLines help, int& scan_type, int& status);
void GS_GUI_COLOUR(std::string_view title, int num_help, GsLines help, int& colour, int& status);

// --- File selection ---
// The panel through which every file of the run is chosen. Modes: 0 an
// existing file; 1 an existing file of the list (input directory kept);
// 2 an existing file (output directory kept); 3 a new or existing file;
// 4 a new file. retstat: 0 a name was chosen (with its directory), 1 cancelled.
void GS_FILESELECTION(int max_prompt, int num_prompt, GsLines prompt, int max_info, int num_info,
                      GsLines info, int mode, bool confirm, int& retstat, std::string& file_name,
                      int& status);
void GS_HELPFILESELECT(bool gui, int& status);
// Forgets the remembered directories, extension and pattern (a new run).
void GS_DEF_FILESELECTION();

// --- Prompted value input ---
void GS_INPL(bool use_default, std::string_view prompt, int num_help, GsLines help, bool& value,
             int& status);
void GS_INPI(bool range, int minimum, int maximum, bool use_default, std::string_view prompt,
             int num_help, GsLines help, int num_second, GsLines second, int& value,
             int& status);
void GS_INPR(bool range, float minimum, float maximum, bool use_default, std::string_view prompt,
             int num_help, GsLines help, int num_second, GsLines second, float& value,
             int& status);
// The same question with one more button (GsEntryButton).
void GS_INPR(bool range, float minimum, float maximum, bool use_default, std::string_view prompt,
             int num_help, GsLines help, int num_second, GsLines second, float& value,
             const GsEntryButton& extra, int& status);
void GS_INPS(bool use_default, std::string_view prompt, int num_help, GsLines help,
             std::string& value, int& length, int& status);
void GS_INPC(bool use_default, std::string_view prompt, int num_help, GsLines help,
             std::string& value, int& length, int& status);

// --- Image display ---
// How the intensity range of an image is chosen.
enum GsImageScale {
    GS_SCALE_DATA = 0,       // the data's minimum and maximum
    GS_SCALE_USER = 1,       // the user's minimum and maximum
    GS_SCALE_USER_MIN = 2,   // the user's minimum, the data's maximum
    GS_SCALE_USER_MAX = 3,   // the data's minimum, the user's maximum
    GS_SCALE_STATISTICS = 4  // from the statistics of the data
};
// The scaling mode with its minimum and maximum; modes outside 0..4 are
// refused (140017), and in mode 1 a minimum above the maximum (140013).
void GS_SET_IMAGESCALE(int mode, float minimum, float maximum, int& status);
void GS_INQ_IMAGESCALE(int& mode, float& minimum, float& maximum, int& status);
void GS_DEF_IMAGESCALE(int& status);
// True keeps the elements of an image square.
void GS_SET_IASPECT(bool keep, int& status);
void GS_INQ_IASPECT(bool& keep, int& status);
void GS_SET_PIXELLIMITS(int limit1, int limit2, int& status);
void GS_INQ_PIXELLIMITS(int& limit1, int& limit2, int& status);
void GS_DEF_PIXELLIMITS(int& status);
void GS_SET_MASKCOLOUR(int colour, int& status);
void GS_INQ_MASKCOLOUR(int& colour, int& status);
void GS_DEF_MASKCOLOUR(int& status);

// An image and what describes it: the array, the pixel-centre coordinates of
// its elements (x_axis[i-1] of element i), the region shown, and its texts.
struct GsImage
{
    ImageView data;
    std::span<const float> x_axis;
    std::span<const float> y_axis;
    int xstart = 1, ystart = 1, xend = 1, yend = 1;
    std::string title, xlabel, ylabel, zlabel;
    const bool* mask = nullptr; // elements not to show (drawn in the mask colour)
    bool mask_flag = false;
};

// A region as a false-colour picture with axes, title, labels and colour
// bar; a region one row or one column wide as a graph. Afterwards the data
// window and viewport are the picture's (DDDR, DGPP): clicks on it arrive
// in the image's coordinates.
void GS_PLOT(const GsImage& image, int& status);
void GS_2DIMAGE(const GsImage& image, int& status);
void GS_2DMIMAGE(const GsImage& image, int& status);
// The same with a mask (GsImage's mask and flag).
void GS_MPLOT(const GsImage& image, int& status);
// The picture in the graph page position: with the whole page (cleared,
// framed, labelled, with its colour bar) or alone over the page as it is.
void GS_DRAW_PICTURE(const GsImage& image, bool whole_page, int& status);
// Scales and draws the picture itself over the IDR; minimum and maximum are
// the range (mode 1: in; otherwise out).
void GS_2DMCELLARRAY(bool mask_flag, const ImageView& data, const bool* mask, int xstart,
                     int ystart, int xend, int yend, int mode, float& minimum, float& maximum,
                     int& status);
// The range rule alone. usable is false (after the warnings) when the mode's
// range is empty or inverted, or when the region holds no finite element.
void GS_CAL_ZRANGE(const ImageView& data, int xstart, int ystart, int xend, int yend, int xbin,
                   int ybin, int mode, float& minimum, float& maximum, bool& usable,
                   int& status);
// The colour bar beside the picture, with its intensity axis and the z label.
void GS_LUTSCALE(float minimum, float maximum, std::string_view zlabel, int& status);

// --- Coordinate input ---
// Up to max_coordinates points clicked on the picture shown (its data window
// and viewport in force) or typed; picture, when given, is drawn again when
// needed and feeds the spy-glass. Points are marked (mark) and joined (join)
// as they come; rubber_mode 1 draws a line, 2 a box from the last point.
// CANCEL gives the user escape and no points.
void GS_INPS_COORDINATES(const GsImage* picture, float px1, float py1, float px2, float py2,
                         float mx1, float my1, float mx2, float my2, float gx1, float gy1,
                         float gx2, float gy2, std::string_view title, int max_info,
                         int num_info, GsLines info, bool mark, int rubber_mode, bool join,
                         int max_coordinates, int& num_coordinates, std::span<float> x,
                         std::span<float> y, int& status);
void GS_INPS_FCOORDINATES(const GsImage* picture, std::string_view title, int max_info,
                          int num_info, GsLines info, bool mark, int rubber_mode, bool join,
                          int max_coordinates, int& num_coordinates, std::span<float> x,
                          std::span<float> y, int& status);
void GS_INP_TWOCLICK(const GsImage& picture, float x1, float y1, float x2, float y2, float& x,
                     float& y, bool& accepted, int& status);
// The spy-glass in a page box over the picture shown, or (on false) none.
void GS_SPYGLASS(bool on, const GsImage& picture, float x1, float y1, float x2, float y2,
                 int& status);
