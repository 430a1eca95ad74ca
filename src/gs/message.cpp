// Messages (scrollable help and information text with O.K. and SAVE),
// warnings that must be acknowledged, prompts drawn without waiting, and the
// scroll bar they share with the file selection.

#include <algorithm>
#include <cmath>
#include <vector>

#include "gs/gs.h"
#include "io/database.h"
#include "io/status.h"
#include "io/units.h"
#include "lg/lg.h"

namespace {

// GS_MESSAGESTYLE: box line colour, box fill colour, text-area colour, text
// font, text colour, text height, line spacing, and three kept for callers.
float message_style[10] = {1, 5, 2, 1, 1, 0.016667f, 1.8f, 0, 0, 0};

struct Box
{
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool contains(float x, float y) const { return x >= x1 && x <= x2 && y >= y1 && y <= y2; }
};

// GS_DRAWN_SCROLLBAR
Box scroll_buttons[6];
bool scroll_drawn = false;

struct MessageView
{
    int first = 1;
    int shown = 0;
    bool scroll_bar = false;
};
MessageView last_view;

const char* const scroll_labels[6] = {"LAST PAGE", "PAGE DOWN", "LINE DOWN",
                                      "LINE UP",   "PAGE UP",   "FIRST PAGE"};

bool check_lines(int max_lines, int num_lines, int& status, std::string_view position)
{
    if (max_lines < 1) {
        st_fail(status, ST_MOD_GS + 1, position);
        return false;
    }
    if (num_lines < 0 || num_lines > max_lines) {
        st_fail(status, ST_MOD_GS + 5, position);
        return false;
    }
    return true;
}

bool check_box(float x1, float y1, float x2, float y2, int& status, std::string_view position)
{
    if (x1 >= x2) {
        st_fail(status, ST_MOD_GS + 13, position);
        return false;
    }
    if (y1 >= y2) {
        st_fail(status, ST_MOD_GS + 14, position);
        return false;
    }
    return true;
}

float factor(float small, float medium, float large, float other)
{
    const float m = GS_INQ_TEXTWIDTH_MEASURE();
    return m <= 0.063f ? small : m <= 0.083f ? medium : m <= 0.1f ? large : other;
}

// The longest line (in characters) of a text, to be fitted to a width.
std::string_view longest_line(GsLines text, int n)
{
    std::string_view line;
    for (int i = 0; i < n && i < static_cast<int>(text.size()); ++i)
        if (st_trim(text[i]).size() > line.size()) line = st_trim(text[i]);
    return line;
}

// An arrow symbol on a scroll button: one or two filled triangles pointing
// to the end (forward) or the start, with a stop line for the outer buttons.
void draw_arrow(const Box& b, bool vertical, bool forward, int heads, bool stop, float size,
                int& status)
{
    const float cx = (b.x1 + b.x2) / 2.0f;
    const float cy = (b.y1 + b.y2) / 2.0f;
    const float direction = forward ? -1.0f : 1.0f; // forward goes down (or left)
    for (int k = 0; k < heads; ++k) {
        const float shift = (heads == 2 ? (k == 0 ? -0.6f : 0.6f) : 0.0f) * size;
        if (vertical) {
            const float tip = cy + shift + direction * size;
            GS_TRIANGLE(cx - size, cy + shift - direction * size * 0.2f, cx + size,
                        cy + shift - direction * size * 0.2f, cx, tip, true, false, status);
        } else {
            const float tip = cx + shift + direction * size;
            GS_TRIANGLE(cx + shift - direction * size * 0.2f, cy - size,
                        cx + shift - direction * size * 0.2f, cy + size, tip, cy, true, false,
                        status);
        }
    }
    if (stop) {
        if (vertical) GS_LINE(cx - size, cy + direction * size * 1.2f, cx + size,
                              cy + direction * size * 1.2f, status);
        else GS_LINE(cx + direction * size * 1.2f, cy - size, cx + direction * size * 1.2f,
                     cy + size, status);
    }
}

// Draws the prompt box of a warning's text and its "O.K." button.
void draw_warning(const Box& box, GsLines text, int num_lines, Box& ok, int& status)
{
    const float w = box.x2 - box.x1;
    const float h = box.y2 - box.y1;
    const float mx = w / 50.0f;
    const float my = h / 30.0f;
    const LgPageCoordinates page;
    GS_FILLSTYLE(1, GS_RED, status);
    GS_LINESTYLE(1, 1.0f, GS_BLACK, status);
    GS_RECTANGLE(box.x1, box.y1, box.x2, box.y2, true, true, status);
    const std::string title[] = {"!!! WARNING !!!"};
    const std::string ok_text[] = {"O.K."};
    if (w / h > 3.0f) {
        // A wide strip: title, text and button side by side.
        const float row = h - 2 * my;
        const float title_height = GS_FIT_TEXTHEIGHT(0.8f * row / 2.0f, 1, title[0], 0.25f * w);
        GS_TEXTSTYLE(1, GS_WHITE, title_height, 1, 1, 1, 1, 3, 0, 1, status);
        LG_TEXT(box.x1 + mx, (box.y1 + box.y2) / 2.0f, title[0], status);
        float title_width = 0.0f;
        LG_INQ_TEXTWIDTH(1, title[0], title_width, status);
        const float text_x1 = box.x1 + 2 * mx + title_width;
        ok = {box.x2 - mx - 0.1f * w, box.y1 + my, box.x2 - mx, box.y2 - my};
        GS_PROMPT(false, std::max(1, num_lines), num_lines, text, text_x1, box.y1 + my,
                  ok.x1 - mx, box.y2 - my, status);
    } else {
        const float title_height = (h - 2 * my) / (num_lines + 4);
        GS_TEXTSTYLE(1, GS_WHITE, 0.8f * title_height, 1, 1, 1, 2, 3, 0, 1, status);
        LG_TEXT((box.x1 + box.x2) / 2.0f, box.y2 - my - title_height / 2.0f, title[0], status);
        const float button_height = std::max(1.5f * title_height, 0.03f);
        ok = {box.x1 + 0.35f * w, box.y1 + my, box.x2 - 0.35f * w, box.y1 + my + button_height};
        GS_PROMPT(false, std::max(1, num_lines), num_lines, text, box.x1 + mx,
                  ok.y2 + my, box.x2 - mx, box.y2 - my - title_height, status);
    }
    GS_PROMPT(true, 1, 1, ok_text, ok.x1, ok.y1, ok.x2, ok.y2, status);
    GS_TARGET("O.K.", ok.x1, ok.y1, ok.x2, ok.y2);
}

// Lays out and draws a message with its first shown line; returns the
// rectangles of the buttons.
void draw_message(GsLines text, int num_lines, int first, const Box& box, Box& ok, Box& save,
                  MessageView& view, int& status)
{
    const float w = box.x2 - box.x1;
    const float h = box.y2 - box.y1;
    const float mx = w / 100.0f;
    const float my = h / 100.0f;
    const float g = std::min(mx, my);
    const float button_w = std::max(w / 8.0f, 0.07f);
    const float button_h = std::max(h / 20.0f, 0.025f);
    const float bar_w = std::max(w / 20.0f, 0.025f);
    Box area{box.x1 + mx, box.y1 + my + g + button_h, box.x2 - mx - bar_w - g, box.y2 - my};
    const LgPageCoordinates page;
    GS_FILLSTYLE(1, static_cast<int>(message_style[GS_MESSAGE_BOX_FILL]), status);
    GS_LINESTYLE(1, 1.0f, static_cast<int>(message_style[GS_MESSAGE_BOX_LINE]), status);
    GS_RECTANGLE(box.x1, box.y1, box.x2, box.y2, true, true, status);
    GS_FILLSTYLE(1, static_cast<int>(message_style[GS_MESSAGE_TEXT_AREA]), status);
    GS_RECTANGLE(area.x1 - mx / 2, area.y1 - my / 2, area.x2 + mx / 2, area.y2 + my / 2, true,
                 false, status);
    const int font = static_cast<int>(message_style[GS_MESSAGE_FONT]);
    const float f = font == 2 ? factor(1.5f, 1.4f, 1.4f, 1.4f) : factor(2.6f, 2.4f, 1.9f, 1.85f);
    const float columns = static_cast<float>(std::max<std::size_t>(longest_line(text, num_lines).size() + 2, 3));
    const float height = GS_FIT_TEXTHEIGHT(
        std::min(f * (area.x2 - area.x1) / columns, (area.y2 - area.y1) / 3.0f), font,
        longest_line(text, num_lines), area.x2 - area.x1 - mx);
    const float spacing = 1.2f * height;
    view.shown = std::max(1, static_cast<int>((area.y2 - area.y1) / spacing));
    view.first = first;
    view.scroll_bar = num_lines > view.shown;
    GS_TEXTSTYLE(font, static_cast<int>(message_style[GS_MESSAGE_TEXT_COLOUR]), height, 1, 1, 1,
                 1, 1, 0, 1, status);
    LG_CLIPWINDOW(area.x1, area.y1, area.x2, area.y2, status);
    LG_CLIP(true, status);
    for (int i = 0; i < view.shown && first - 1 + i < num_lines; ++i)
        LG_TEXT(area.x1 + mx / 2, area.y2 - i * spacing, text[first - 1 + i], status);
    LG_CLIP(false, status);
    ok = {box.x2 - g - button_w, box.y1 + g, box.x2 - g, box.y1 + g + button_h};
    save = {ok.x1 - g - button_w, ok.y1, ok.x1 - g, ok.y2};
    GS_FILLSTYLE(1, GS_YELLOW, status);
    GS_LINESTYLE(1, 1.0f, GS_BLACK, status);
    GS_TEXTSTYLE(1, GS_BLUE, 0.6f * button_h, 1, 1, 1, 2, 3, 0, 1, status);
    GS_STRINGBUTTON(ok.x1, ok.y1, ok.x2, ok.y2, 0.1f * button_h, "O.K.", status);
    GS_STRINGBUTTON(save.x1, save.y1, save.x2, save.y2, 0.1f * button_h, "SAVE", status);
    GS_TARGET("O.K.", ok.x1, ok.y1, ok.x2, ok.y2);
    GS_TARGET("SAVE", save.x1, save.y1, save.x2, save.y2);
    scroll_drawn = false;
    if (view.scroll_bar)
        GS_SCROLLBAR(true, area.x2 + g, area.y1, area.x2 + g + bar_w, area.y2, status);
}

// Writes the text of a message to a file the user names.
void save_text(GsLines text, int num_lines, int& status)
{
    static const std::string help[] = {"Enter name of file to contain text"};
    std::string name = "help.txt";
    bool accepted = false;
    GS_ENTRY_BOX(
        "TEXT FILE NAME", name, accepted, [](int& s) { GS_MESSAGE(1, 1, help, s); }, status);
    if (status == ST_ESCAPE_VALUE) {
        status = ST_GOOD_VALUE;
        return;
    }
    if (!accepted || status != ST_GOOD_VALUE) return;
    int retstat = 0;
    IO_OPEN_ASCIIFILE(false, "WRITE", 18, name, retstat, status);
    if (retstat != 0) {
        io_say("WARNING: Could not open the file " + name);
        return;
    }
    int write_status = ST_GOOD_VALUE;
    for (int i = 0; i < num_lines; ++i) IO_WRITE_FILE(18, text[i], write_status);
    IO_CLOSE_FILE(18, write_status);
}

} // namespace

void GS_PROMPT(bool button_style, int max_lines, int num_lines, GsLines text, float x1, float y1,
               float x2, float y2, int& status)
{
    constexpr std::string_view position = "Subroutine GS_PROMPT V0.3";
    if (!st_enter(status, position)) return;
    if (!check_lines(max_lines, num_lines, status, position)) return;
    if (!check_box(x1, y1, x2, y2, status, position)) return;
    const LgPageCoordinates page;
    float ax1 = x1, ay1 = y1, ax2 = x2, ay2 = y2;
    if (button_style) {
        const float b = std::min((y2 - y1) / 12.0f, (x2 - x1) / 12.0f);
        GS_FILLSTYLE(1, GS_YELLOW, status);
        GS_LINESTYLE(1, 1.0f, GS_BLACK, status);
        GS_BUTTON(x1, y1, x2, y2, b, status);
        ax1 += b;
        ay1 += b;
        ax2 -= b;
        ay2 -= b;
    } else {
        GS_FILLSTYLE(1, GS_WHITE, status);
        GS_LINESTYLE(1, 1.0f, GS_BLUE, status);
        GS_RECTANGLE(x1, y1, x2, y2, true, true, status);
    }
    const int n = std::min(num_lines, static_cast<int>(text.size()));
    if (n > 0) {
        const float line_height = (ay2 - ay1) / n;
        const float c = static_cast<float>(std::max<std::size_t>(longest_line(text, n).size() + 2, 3));
        const float height = GS_FIT_TEXTHEIGHT(
            std::min(factor(1.7f, 1.6f, 1.4f, 1.2f) * (ax2 - ax1) / c, 0.8f * line_height), 1,
            longest_line(text, n), 0.95f * (ax2 - ax1));
        GS_TEXTSTYLE(1, button_style ? GS_BLUE : GS_BLACK, height, 1, 1, 1, 2, 3, 0, 1, status);
        for (int k = 0; k < n; ++k)
            LG_TEXT((ax1 + ax2) / 2.0f, ay2 - (k + 0.5f) * line_height, text[k], status);
    }
}

void GS_PPROMPT(int max_lines, int num_lines, GsLines text, int& status)
{
    if (!st_enter(status, "Subroutine GS_PPROMPT V0.1")) return;
    float max_x = 0.0f, max_y = 0.0f;
    LG_INQ_MAXPC(1, max_x, max_y, status);
    GS_PROMPT(false, max_lines, num_lines, text, 0.0f, 0.0f, max_x, max_y, status);
}

void GS_FPROMPT(int max_lines, int num_lines, GsLines text, int& status)
{
    if (!st_enter(status, "Subroutine GS_FPROMPT V0.1")) return;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    GS_INQ_GUIREGION(x1, y1, x2, y2, status);
    GS_PROMPT(false, max_lines, num_lines, text, x1, y1, x2, y2, status);
    GS_UPDATE(status);
}

// One text broken at blanks onto up to max_lines lines of about equal length;
// a word longer than a line is cut.
void GS_SPROMPT(int max_lines, std::string_view text, float x1, float y1, float x2, float y2,
                int& status)
{
    constexpr std::string_view position = "Subroutine GS_SPROMPT V0.1";
    if (!st_enter(status, position)) return;
    const std::string_view whole = st_strip(text.substr(0, 80));
    if (max_lines < 1 || max_lines > 5) {
        st_fail(status, ST_MOD_GS + 5, position);
        return;
    }
    const std::size_t target = (whole.size() + max_lines - 1) / max_lines;
    std::vector<std::string> lines;
    std::string_view rest = whole;
    while (!rest.empty() && static_cast<int>(lines.size()) < max_lines) {
        std::size_t cut = rest.size();
        if (static_cast<int>(lines.size()) < max_lines - 1 && rest.size() > target) {
            cut = rest.find(' ', target);
            const std::size_t before = rest.rfind(' ', target);
            if (before != std::string_view::npos && before > 0 &&
                (cut == std::string_view::npos || target - before <= cut - target))
                cut = before;
            if (cut == std::string_view::npos) cut = rest.size();
        }
        lines.emplace_back(st_strip(rest.substr(0, cut)));
        rest = st_strip(rest.substr(cut));
    }
    if (lines.empty()) lines.emplace_back();
    GS_PROMPT(false, static_cast<int>(lines.size()), static_cast<int>(lines.size()), lines, x1, y1,
              x2, y2, status);
}

// A warning that stays until its "O.K." is clicked; the page under it comes back.
void GS_WARNING(float x1, float y1, float x2, float y2, int max_lines, int num_lines,
                GsLines text, int& status)
{
    constexpr std::string_view position = "Subroutine GS_WARNING V0.4";
    if (!st_enter(status, position)) return;
    if (!check_lines(max_lines, num_lines, status, position)) return;
    if (!check_box(x1, y1, x2, y2, status, position)) return;
    const Box box{x1, y1, x2, y2};
    const LgTransformGuard transform;
    const LgPictureGuard picture;
    const LgPageCoordinates page;
    Box ok;
    draw_warning(box, text, std::min(num_lines, static_cast<int>(text.size())), ok, status);
    for (;;) {
        int event = 0;
        float x = 0.0f;
        float y = 0.0f;
        LG_INP_COORDINATE(1, 1, event, x, y, status);
        if (status != ST_GOOD_VALUE) break;
        if (event == LG_EVENT_EXPOSE) {
            GS_REDRAW_PAGE(status); // the page around the warning too
            draw_warning(box, text, std::min(num_lines, static_cast<int>(text.size())), ok,
                         status);
        } else if (event == LG_EVENT_PRESS && ok.contains(x, y)) {
            break;
        }
    }
}

void GS_FWARNING(int max_lines, int num_lines, GsLines text, int& status)
{
    if (!st_enter(status, "Subroutine GS_FWARNING V0.1")) return;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    GS_INQ_GUIREGION(x1, y1, x2, y2, status);
    GS_WARNING(x1, y1, x2, y2, max_lines, num_lines, text, status);
}

// A message in the message region: scrolled with the scroll bar, ended with
// "O.K."; SAVE writes the text to a file. The page under it comes back.
void GS_MESSAGE(int max_lines, int num_lines, GsLines text, int& status)
{
    constexpr std::string_view position = "Subroutine GS_MESSAGE V0.6";
    if (!st_enter(status, position)) return;
    if (!check_lines(max_lines, num_lines, status, position)) return;
    const int n = std::min(num_lines, static_cast<int>(text.size()));
    Box box;
    GS_INQ_MESSAGE(box.x1, box.y1, box.x2, box.y2, status);
    const LgTransformGuard transform;
    const LgPictureGuard picture;
    const LgPageCoordinates page;
    int first = 1;
    bool redraw = true;
    Box ok;
    Box save;
    while (status == ST_GOOD_VALUE) {
        if (redraw) draw_message(text, n, first, box, ok, save, last_view, status);
        redraw = false;
        int input_type = 0;
        int button = 0;
        float x = 0.0f;
        float y = 0.0f;
        GS_INP_SCROLLBAR(2, input_type, button, x, y, status);
        if (status != ST_GOOD_VALUE) break;
        const int shown = last_view.shown;
        const int last_page = std::max(1, n - shown + 1);
        if (input_type == GS_SCROLL_REDRAW) {
            GS_REDRAW_PAGE(status); // the page around the message too
            redraw = true;
        } else if (input_type == GS_SCROLL_BUTTON && last_view.scroll_bar) {
            switch (button) {
            case GS_SCROLL_LAST_PAGE: first = last_page; break;
            case GS_SCROLL_PAGE_DOWN: first = std::min(first + shown - 2, last_page); break;
            case GS_SCROLL_LINE_DOWN: first = std::min(first + 1, last_page); break;
            case GS_SCROLL_LINE_UP: first = std::max(1, first - 1); break;
            case GS_SCROLL_PAGE_UP: first = std::max(1, first - shown + 2); break;
            case GS_SCROLL_FIRST_PAGE: first = 1; break;
            default: break;
            }
            redraw = true;
        } else if (input_type == GS_SCROLL_OUTSIDE && ok.contains(x, y)) {
            break;
        } else if (input_type == GS_SCROLL_OUTSIDE && save.contains(x, y)) {
            save_text(text, n, status);
            redraw = true;
        }
    }
}

void GS_MESSAGE_FIXED(GsLines text, int& status)
{
    if (!st_enter(status, "Subroutine GS_MESSAGE_FIXED V0.1")) return;
    float kept[10];
    std::copy(message_style, message_style + 10, kept);
    message_style[GS_MESSAGE_FONT] = 2.0f;
    const int n = static_cast<int>(text.size());
    GS_MESSAGE(n, n, text, status);
    std::copy(kept, kept + 10, message_style);
}

void GS_INQ_MESSAGE_VIEW(int& first, int& shown, bool& scroll_bar)
{
    first = last_view.first;
    shown = last_view.shown;
    scroll_bar = last_view.scroll_bar;
}

// A bar of six buttons: to the end, page and line forward, line and page
// back, to the start (from the bottom, or the left).
void GS_SCROLLBAR(bool vertical, float x1, float y1, float x2, float y2, int& status)
{
    if (!st_enter(status, "Subroutine GS_SCROLLBAR V0.2")) return;
    const float length = vertical ? y2 - y1 : x2 - x1;
    const float width = vertical ? x2 - x1 : y2 - y1;
    const float gap = length / 150.0f;
    const float button = (length + gap) / 6.0f;
    const float arrow = std::min((width - 2 * gap) / 2.0f, (button - 4 * gap) / 4.0f);
    GS_FILLSTYLE(1, GS_YELLOW, status);
    GS_LINESTYLE(1, 1.0f, GS_BLACK, status);
    for (int i = 0; i < 6; ++i) {
        Box b;
        if (vertical) b = {x1, y1 + i * button, x2, y1 + (i + 1) * button - gap};
        else b = {x1 + i * button, y1, x1 + (i + 1) * button - gap, y2};
        scroll_buttons[i] = b;
        GS_FILLSTYLE(1, GS_YELLOW, status);
        GS_BUTTON(b.x1, b.y1, b.x2, b.y2, gap, status);
        GS_FILLSTYLE(1, GS_BLUE, status);
        const bool forward = i < 3;
        const int heads = (i == 1 || i == 4) ? 2 : 1;
        draw_arrow(b, vertical, forward, heads, i == 0 || i == 5, arrow, status);
        GS_TARGET(scroll_labels[i], b.x1, b.y1, b.x2, b.y2);
    }
    scroll_drawn = true;
}

void GS_CAL_SCROLLBAR(float x, float y, bool& on_bar, int& button, int& status)
{
    if (!st_enter(status, "Subroutine GS_CAL_SCROLLBAR V0.1")) return;
    on_bar = false;
    button = 0;
    if (!scroll_drawn) return;
    const Box bar{std::min(scroll_buttons[0].x1, scroll_buttons[5].x1),
                  std::min(scroll_buttons[0].y1, scroll_buttons[5].y1),
                  std::max(scroll_buttons[0].x2, scroll_buttons[5].x2),
                  std::max(scroll_buttons[0].y2, scroll_buttons[5].y2)};
    on_bar = bar.contains(x, y);
    for (int i = 0; i < 6 && on_bar; ++i) {
        if (scroll_buttons[i].contains(x, y)) {
            button = i + 1;
            return;
        }
    }
}

void GS_INP_SCROLLBAR(int mode, int& input_type, int& button, float& x, float& y, int& status)
{
    if (!st_enter(status, "Subroutine GS_INP_SCROLLBAR V0.1")) return;
    for (;;) {
        int event = 0;
        LG_INP_COORDINATE(1, mode, event, x, y, status);
        if (status != ST_GOOD_VALUE) return;
        if (event == LG_EVENT_EXPOSE) {
            if (mode >= 1) {
                input_type = GS_SCROLL_REDRAW;
                return;
            }
            continue;
        }
        if (event != LG_EVENT_PRESS) continue;
        const float px = LG_WC2PC(true, x, status);
        const float py = LG_WC2PC(false, y, status);
        bool on_bar = false;
        GS_CAL_SCROLLBAR(px, py, on_bar, button, status);
        if (button > 0) {
            input_type = GS_SCROLL_BUTTON;
            return;
        }
        if (mode == 2) {
            input_type = GS_SCROLL_OUTSIDE;
            return;
        }
    }
}

void GS_SET_MESSAGESTYLE(const float (&style)[10], int& status)
{
    if (!st_enter(status, "Subroutine GS_SET_MESSAGESTYLE V0.1")) return;
    std::copy(style, style + 10, message_style);
}

void GS_INQ_MESSAGESTYLE(float (&style)[10], int& status)
{
    if (!st_enter(status, "Subroutine GS_INQ_MESSAGESTYLE V0.1")) return;
    std::copy(message_style, message_style + 10, style);
}

void GS_DEF_MESSAGESTYLE(int& status)
{
    if (!st_enter(status, "Subroutine GS_DEF_MESSAGESTYLE V0.1")) return;
    const float defaults[10] = {1, 5, 2, 1, 1, 0.016667f, 1.8f, 0, 0, 0};
    std::copy(defaults, defaults + 10, message_style);
}
