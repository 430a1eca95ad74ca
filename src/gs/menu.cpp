// Menus: a rectangle with an optional title block and a grid of labelled
// buttons; the user picks one by clicking it.

#include <algorithm>
#include <cmath>

#include "gs/gs.h"
#include "io/status.h"
#include "lg/lg.h"

namespace {

// GS_MENULAYOUT
struct MenuLayout
{
    int layout = 0;
    int columns = 1;
    int title_chars = 40;
    int choice_chars = 20;
};

MenuLayout menu_layout;
int menu_style[8] = {1, 5, 1, 6, 2, 1, 5, 1};
// GS_DRAWN_MENU and GS_DRAWN_MTITLE: the last menu drawn.
GsDrawnMenu drawn;

// How wide characters are on this display, from the measure taken at opening.
float width_factor()
{
    const float m = GS_INQ_TEXTWIDTH_MEASURE();
    return m <= 0.063f ? 1.5f : m <= 0.083f ? 1.4f : m <= 0.1f ? 1.25f : 1.1f;
}

// Draws a button in the menu's colours, raised (positive bevel) or pressed.
void draw_menu_button(int i, float bevel, int& status)
{
    GS_TEXTSTYLE(menu_style[GS_MENU_LABEL_FONT], menu_style[GS_MENU_LABEL_COLOUR], drawn.label_height[i], 1.0f, 1.0f, 1.0f, 2, 3,
                 0.0f, 1.0f, status);
    GS_FILLSTYLE(1, menu_style[GS_MENU_BUTTON_FILL], status);
    GS_LINESTYLE(1, 1.0f, menu_style[GS_MENU_BUTTON_LINE], status);
    GS_STRINGBUTTON(drawn.bx1[i], drawn.by1[i], drawn.bx2[i], drawn.by2[i], bevel,
                    drawn.labels[i], status);
}

void draw_menu(const GsDrawnMenu& menu, int& status)
{
    const float x1 = menu.x1, y1 = menu.y1, x2 = menu.x2, y2 = menu.y2;
    const int columns = menu_layout.columns;
    const int n = menu.buttons;
    const int rows = static_cast<int>(static_cast<float>(n) / columns + 0.999f);
    const int t = menu.title_lines;
    const float h = (y2 - y1) / std::max(1, t + rows);
    const float w = (x2 - x1) / columns;
    const float f = width_factor();
    const LgPageCoordinates page;
    GS_FILLSTYLE(1, menu_style[GS_MENU_BOX_FILL], status);
    GS_LINESTYLE(1, 1.0f, menu_style[GS_MENU_BOX_LINE], status);
    GS_RECTANGLE(x1, y1, x2, y2, true, true, status);
    GS_LINE(x1, y2 - t * h, x2, y2 - t * h, status);
    if (t > 0) {
        std::string_view widest;
        for (int k = 0; k < t; ++k)
            if (menu.title[k].size() > widest.size()) widest = menu.title[k];
        const float height =
            GS_FIT_TEXTHEIGHT(std::min(f * (x2 - x1) / (menu_layout.title_chars + 1), 0.8f * h),
                              menu_style[GS_MENU_TITLE_FONT], widest, 0.95f * (x2 - x1));
        GS_TEXTSTYLE(menu_style[GS_MENU_TITLE_FONT], menu_style[GS_MENU_TITLE_COLOUR], height, 1.0f, 1.0f, 1.0f, 2, 0, 0.0f, 1.0f,
                     status);
        for (int k = 1; k <= t; ++k)
            LG_TEXT((x1 + x2) / 2.0f, y2 - height - (k - 1) * h, menu.title[k - 1], status);
    }
    std::string_view widest;
    for (int i = 0; i < n; ++i)
        if (menu.labels[i].size() > widest.size()) widest = menu.labels[i];
    const float label_height =
        GS_FIT_TEXTHEIGHT(std::min(f * w / (menu_layout.choice_chars + 1), 0.7f * h),
                          menu_style[GS_MENU_LABEL_FONT], widest, 0.9f * w);
    drawn.bevel = std::min(0.1f * h, 0.1f * w);
    for (int i = 0; i < n; ++i) {
        const int row = menu_layout.layout == 0 ? i / columns : i % rows;
        const int column = menu_layout.layout == 0 ? i % columns : i / rows;
        drawn.bx1[i] = x1 + column * w + 0.02f * w;
        drawn.bx2[i] = x1 + column * w + 0.98f * w;
        drawn.by1[i] = y2 - (row + t + 1) * h + 0.05f * h;
        drawn.by2[i] = y2 - (row + t + 1) * h + 0.95f * h;
        drawn.label_height[i] = label_height;
        drawn.button_bevel[i] = drawn.bevel;
        draw_menu_button(i, drawn.bevel, status);
        GS_TARGET(drawn.labels[i], drawn.bx1[i], drawn.by1[i], drawn.bx2[i], drawn.by2[i]);
    }
}

bool check_counts(int max_title, int num_title, int max_choices, int num_choices, int& status,
                  std::string_view position)
{
    if (max_title < 1 || max_choices < 1) {
        st_fail(status, ST_MOD_GS + 1, position);
        return false;
    }
    if (num_title < 0 || num_title > max_title || num_choices < 0 ||
        num_choices > max_choices) {
        st_fail(status, ST_MOD_GS + 5, position);
        return false;
    }
    return true;
}

} // namespace

void GS_MENU(int max_title, int num_title, GsLines title, int max_choices, int num_choices,
             GsLines labels, float x1, float y1, float x2, float y2, int& status)
{
    constexpr std::string_view position = "Subroutine GS_MENU V0.8";
    if (!st_enter(status, position)) return;
    if (!check_counts(max_title, num_title, max_choices, num_choices, status, position)) return;
    if (x1 > x2) {
        st_fail(status, ST_MOD_GS + 13, position);
        return;
    }
    if (y1 > y2) {
        st_fail(status, ST_MOD_GS + 14, position);
        return;
    }
    // The record holds at most 100 buttons and 10 title lines; more are not drawn.
    drawn = GsDrawnMenu{};
    drawn.x1 = x1;
    drawn.y1 = y1;
    drawn.x2 = x2;
    drawn.y2 = y2;
    drawn.buttons = std::min({num_choices, 100, static_cast<int>(labels.size())});
    drawn.title_lines = std::min({num_title, 10, static_cast<int>(title.size())});
    for (int i = 0; i < drawn.buttons; ++i) drawn.labels[i] = std::string(st_trim(labels[i]));
    for (int k = 0; k < drawn.title_lines; ++k) drawn.title[k] = std::string(st_trim(title[k]));
    draw_menu(drawn, status);
}

void GS_FMENU(int max_title, int num_title, GsLines title, int max_choices, int num_choices,
              GsLines labels, int& status)
{
    if (!st_enter(status, "Subroutine GS_FMENU V0.1")) return;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    GS_INQ_GUIREGION(x1, y1, x2, y2, status);
    GS_MENU(max_title, num_title, title, max_choices, num_choices, labels, x1, y1, x2, y2,
            status);
}

// Which button of the last menu contains a point (world coordinates); 0 for none.
void GS_CAL_MENUCHOICE(float x, float y, bool& inside, int& choice, int& status)
{
    if (!st_enter(status, "Subroutine GS_CAL_MENUCHOICE V0.2")) return;
    const float px = LG_WC2PC(true, x, status);
    const float py = LG_WC2PC(false, y, status);
    inside = px >= drawn.x1 && px <= drawn.x2 && py >= drawn.y1 && py <= drawn.y2;
    choice = 0;
    for (int i = 0; i < drawn.buttons; ++i) {
        if (px >= drawn.bx1[i] && px <= drawn.bx2[i] && py >= drawn.by1[i] &&
            py <= drawn.by2[i]) {
            choice = i + 1;
            return;
        }
    }
}

void GS_STRINGBUTTON(float x1, float y1, float x2, float y2, float bevel, std::string_view label,
                     int& status)
{
    if (!st_enter(status, "Subroutine GS_STRINGBUTTON V0.2")) return;
    GS_BUTTON(x1, y1, x2, y2, bevel, status);
    if (status != ST_GOOD_VALUE) return;
    LG_TEXT((x1 + x2 - bevel) / 2.0f, (y1 + y2 - bevel) / 2.0f, label, status);
}

// A button: filled, outlined, and bevelled along two sides, raised for a
// positive bevel (light top and left) and pressed for a negative one.
void GS_BUTTON(float x1, float y1, float x2, float y2, float bevel, int& status)
{
    constexpr std::string_view position = "Subroutine GS_BUTTON V0.2";
    if (!st_enter(status, position)) return;
    if (x1 >= x2) {
        st_fail(status, ST_MOD_GS + 13, position);
        return;
    }
    if (y1 >= y2) {
        st_fail(status, ST_MOD_GS + 14, position);
        return;
    }
    GS_RECTANGLE(x1, y1, x2, y2, true, true, status);
    const float b = std::fabs(bevel);
    if (bevel >= 0.0f) {
        GS_LINE(x1 + b, y1 + b, x2 - b, y1 + b, status);
        GS_LINE(x2 - b, y1 + b, x2 - b, y2 - b, status);
    } else {
        GS_LINE(x1 + b, y2 - b, x2 - b, y2 - b, status);
        GS_LINE(x1 + b, y1 + b, x1 + b, y2 - b, status);
    }
}

void GS_SET_MENULAYOUT(int layout, int columns, int title_chars, int choice_chars, int& status)
{
    constexpr std::string_view position = "Subroutine GS_SET_MENULAYOUT V0.1";
    if (!st_enter(status, position)) return;
    if ((layout != 0 && layout != 1) || columns < 1 || title_chars < 1 || choice_chars < 1) {
        st_fail(status, ST_MOD_GS + 17, position);
        return;
    }
    menu_layout = {layout, columns, title_chars, choice_chars};
}

void GS_INQ_MENULAYOUT(int& layout, int& columns, int& title_chars, int& choice_chars,
                       int& status)
{
    if (!st_enter(status, "Subroutine GS_INQ_MENULAYOUT V0.1")) return;
    layout = menu_layout.layout;
    columns = menu_layout.columns;
    title_chars = menu_layout.title_chars;
    choice_chars = menu_layout.choice_chars;
}

void GS_DEF_MENULAYOUT(int& status)
{
    if (st_enter(status, "Subroutine GS_DEF_MENULAYOUT V0.1")) menu_layout = MenuLayout{};
}

void GS_SET_MENUSTYLE(const int (&style)[8], int& status)
{
    if (!st_enter(status, "Subroutine GS_SET_MENUSTYLE V0.1")) return;
    std::copy(style, style + 8, menu_style);
}

void GS_INQ_MENUSTYLE(int (&style)[8], int& status)
{
    if (!st_enter(status, "Subroutine GS_INQ_MENUSTYLE V0.1")) return;
    std::copy(menu_style, menu_style + 8, style);
}

void GS_DEF_MENUSTYLE(int& status)
{
    if (!st_enter(status, "Subroutine GS_DEF_MENUSTYLE V0.1")) return;
    const int defaults[8] = {1, 5, 1, 6, 2, 1, 5, 1};
    std::copy(defaults, defaults + 8, menu_style);
}

GsDrawnMenu GS_SAVE_DRAWN_MENU() { return drawn; }


// The menu's buttons are the ones to click again, also for event scripts.
void GS_RESTORE_DRAWN_MENU(const GsDrawnMenu& menu)
{
    drawn = menu;
    for (int i = 0; i < drawn.buttons; ++i)
        GS_TARGET(drawn.labels[i], drawn.bx1[i], drawn.by1[i], drawn.bx2[i], drawn.by2[i]);
}

void GS_REDRAW_MENU(const GsDrawnMenu& menu, int& status)
{
    if (!st_enter(status, "Subroutine GS_REDRAW_MENU V0.1")) return;
    drawn = menu;
    draw_menu(drawn, status);
}

void GS_DRAW_MENU_BUTTON(int button, bool pressed, int& status)
{
    if (!st_enter(status, "Subroutine GS_DRAW_MENU_BUTTON V0.1")) return;
    if (button < 0 || button >= drawn.buttons) return;
    const LgPageCoordinates page;
    const float bevel = drawn.button_bevel[button];
    draw_menu_button(button, pressed ? -bevel : bevel, status);
}

GsMenuLayoutGuard::GsMenuLayoutGuard()
    : layout_(menu_layout.layout), columns_(menu_layout.columns),
      title_chars_(menu_layout.title_chars), choice_chars_(menu_layout.choice_chars)
{
}

GsMenuLayoutGuard::~GsMenuLayoutGuard()
{
    menu_layout = {layout_, columns_, title_chars_, choice_chars_};
}

GsMenuGuard::GsMenuGuard() : menu_(drawn) {}

// The layout comes back after (member order), the drawn menu here.
GsMenuGuard::~GsMenuGuard() { GS_RESTORE_DRAWN_MENU(menu_); }
