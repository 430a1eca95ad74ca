// Questions for one value in the strip at the foot of the page: yes/no
// buttons, or an entry box for a number or a text, with HELP and CANCEL.

#include <algorithm>
#include <vector>

#include "gs/gs.h"
#include "io/convert.h"
#include "io/status.h"
#include "io/terminal.h"
#include "lg/lg.h"

namespace {

// What a question saves and gives back: the menu on the screen and the layout.
struct SavedMenu
{
    SavedMenu()
    {
        int status = ST_GOOD_VALUE;
        menu = GS_SAVE_DRAWN_MENU();
        GS_INQ_MENULAYOUT(layout, columns, title_chars, choice_chars, status);
    }
    ~SavedMenu()
    {
        int status = ST_GOOD_VALUE;
        GS_SET_MENULAYOUT(layout, columns, title_chars, choice_chars, status);
        GS_RESTORE_DRAWN_MENU(menu);
    }
    SavedMenu(const SavedMenu&) = delete;
    SavedMenu& operator=(const SavedMenu&) = delete;

    GsDrawnMenu menu;
    int layout = 0, columns = 1, title_chars = 40, choice_chars = 20;
};

void show_help(int num_help, GsLines help, int& status)
{
    const int n = std::min(num_help, static_cast<int>(help.size()));
    if (n > 0) GS_MESSAGE(n, n, help, status);
}

// The number questions: the entry box until a valid number or a cancel.
template <typename T, typename ToText, typename Convert>
void ask_number(bool range, T minimum, T maximum, bool use_default, std::string_view prompt,
                int num_help, GsLines help, int num_second, GsLines second, T& value,
                int& status, ToText to_text, Convert convert, std::string_view failure)
{
    std::string question(st_trim(prompt));
    if (range) question += " (Range: " + to_text(minimum) + " to " + to_text(maximum) + ")";
    for (;;) {
        std::string answer = use_default ? to_text(value) : std::string();
        int length = 0;
        GS_INPC(true, question, num_help, help, answer, length, status);
        if (status != ST_GOOD_VALUE) return;
        const std::string_view token = st_strip(answer);
        if (token.empty()) {
            if (use_default) return;
            continue;
        }
        if (token == "?" || token == "HELP") {
            show_help(num_help, help, status);
            if (status != ST_GOOD_VALUE) return;
            continue;
        }
        bool found = false;
        T entered = value;
        convert(token, found, entered, status);
        if (!found) {
            io_say(failure);
            continue;
        }
        if (range && (entered < minimum || entered > maximum)) {
            const int n = std::min(num_second, static_cast<int>(second.size()));
            if (n > 0) GS_MESSAGE(n, n, second, status);
            else io_say("WARNING: The value is out of the acceptable range");
            if (status != ST_GOOD_VALUE) return;
            continue;
        }
        value = entered;
        return;
    }
}

} // namespace

// Yes or no, with CANCEL and HELP, in the strip at the foot of the page.
void GS_INPL(bool use_default, std::string_view prompt, int num_help, GsLines help, bool& value,
             int& status)
{
    if (!st_enter(status, "Subroutine GS_INPL V0.5")) return;
    (void)use_default;
    SavedMenu saved;
    const std::string title[] = {std::string(st_trim(prompt))};
    const std::string buttons[] = {"CANCEL", "HELP", "YES", "NO"};
    GS_SET_MENULAYOUT(0, 2, 40, 6, status);
    bool redraw = true;
    while (status == ST_GOOD_VALUE) {
        if (redraw) GS_FMENU(1, 1, title, 4, 4, buttons, status);
        redraw = false;
        int input_type = 0;
        std::string chosen;
        float x = 0.0f;
        float y = 0.0f;
        GS_INP_MENUCHOICE(4, 4, buttons, 1, input_type, chosen, x, y, status);
        if (status != ST_GOOD_VALUE) return;
        if (input_type == 2) {
            redraw = true;
        } else if (input_type == -1) {
            // Forms documentation: the question offers to print itself.
            GS_PRINT_MENU(status);
            redraw = true;
        } else if (input_type == 1) {
            if (chosen == "CANCEL") {
                status = ST_ESCAPE_VALUE;
                return;
            }
            if (chosen == "HELP") {
                show_help(num_help, help, status);
                redraw = true;
            } else if (chosen == "YES" || chosen == "NO") {
                value = chosen == "YES";
                return;
            }
        }
    }
}

void GS_INPI(bool range, int minimum, int maximum, bool use_default, std::string_view prompt,
             int num_help, GsLines help, int num_second, GsLines second, int& value, int& status)
{
    if (!st_enter(status, "Subroutine GS_INPI V0.4")) return;
    ask_number(range, minimum, maximum, use_default, prompt, num_help, help, num_second, second,
               value, status,
               [](int v) {
                   int s = ST_GOOD_VALUE;
                   return IO_ITOC(v, s);
               },
               IO_TOKTI, "WARNING: Input value: cannot convert to a integer number");
}

void GS_INPR(bool range, float minimum, float maximum, bool use_default, std::string_view prompt,
             int num_help, GsLines help, int num_second, GsLines second, float& value,
             int& status)
{
    if (!st_enter(status, "Subroutine GS_INPR V0.4")) return;
    ask_number(range, minimum, maximum, use_default, prompt, num_help, help, num_second, second,
               value, status,
               [](float v) {
                   int s = ST_GOOD_VALUE;
                   return IO_RTOC(v, s);
               },
               IO_TOKTR, "WARNING: Input value: cannot convert to a real number");
}

void GS_INPC(bool use_default, std::string_view prompt, int num_help, GsLines help,
             std::string& value, int& length, int& status)
{
    if (!st_enter(status, "Subroutine GS_INPC V0.2")) return;
    GS_INPS(use_default, prompt, num_help, help, value, length, status);
}

// A text typed into an entry box, with CANCEL, HELP and O.K.
void GS_INPS(bool use_default, std::string_view prompt, int num_help, GsLines help,
             std::string& value, int& length, int& status)
{
    if (!st_enter(status, "Subroutine GS_INPS V0.6")) return;
    SavedMenu saved;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    GS_INQ_GUIREGION(x1, y1, x2, y2, status);
    const float w = x2 - x1;
    const float h = y2 - y1;
    // A long prompt is split at the first blank from position 40.
    const std::string whole(st_trim(prompt));
    std::vector<std::string> lines{whole};
    if (whole.size() > 50) {
        const std::size_t blank = whole.find(' ', 39);
        if (blank != std::string::npos) lines = {whole.substr(0, blank), std::string(st_strip(whole.substr(blank)))};
    }
    std::string_view widest = lines.front();
    for (const auto& line : lines)
        if (line.size() > widest.size()) widest = line;
    const float height = GS_FIT_TEXTHEIGHT(
        std::min(1.7f * 0.85f * w / static_cast<float>(std::max<std::size_t>(1, widest.size())),
                 std::min(h / 4.0f, 0.03f)),
        1, widest, 0.81f * w);
    const std::string buttons[] = {"CANCEL", "HELP", "O.K."};
    const std::string no_title[] = {""};
    std::string entry = use_default ? std::string(st_trim(value)) : std::string();
    bool redraw = true;
    bool accepted = false;
    LG_UNITYTRANSFORM(true, status);
    while (status == ST_GOOD_VALUE) {
        if (redraw) {
            GS_FILLSTYLE(1, GS_WHITE, status);
            GS_LINESTYLE(1, 1.0f, GS_BLACK, status);
            GS_RECTANGLE(x1, y1, x2, y2, true, true, status);
            GS_SET_MENULAYOUT(1, 1, 12, 7, status);
            GS_MENU(1, 0, no_title, 3, 3, buttons, x1 + 0.85f * w, y1, x2, y2, status);
            GS_TEXTSTYLE(1, GS_BLACK, height, 1, 1, 1, 1, 2, 0, 1, status);
            for (std::size_t k = 0; k < lines.size(); ++k)
                LG_TEXT(x1 + 0.02f * w, y2 - h / 16.0f - k * 5.0f * h / 16.0f, lines[k], status);
            GS_FILLSTYLE(1, GS_WHITE, status);
        }
        redraw = false;
        int event = 0;
        int workstation = 0;
        float x = 0.0f;
        float y = 0.0f;
        LG_INP_EVENT(1, 1, true, " ", true, x1 + 0.02f * w, y1, x1 + 0.85f * w,
                     y1 + 5.0f * h / 16.0f, event, workstation, entry, x, y, status);
        if (status != ST_GOOD_VALUE) break;
        if (event == LG_EVENT_EXPOSE) {
            redraw = true;
        } else if (event == LG_EVENT_RETURN) {
            accepted = true;
            break;
        } else if (event == LG_EVENT_PRESS) {
            bool inside = false;
            int choice = 0;
            GS_CAL_MENUCHOICE(x, y, inside, choice, status);
            if (choice == 1) {
                status = ST_ESCAPE_VALUE;
                break;
            }
            if (choice == 2) {
                show_help(num_help, help, status);
                redraw = true;
            } else if (choice == 3) {
                accepted = true;
                break;
            }
        }
    }
    int restore = ST_GOOD_VALUE;
    LG_UNITYTRANSFORM(false, restore);
    GS_RESTORE_TRANSFORM(restore);
    if (!accepted) return;
    value = std::string(st_trim(IO_TRANSLATE(entry, status)));
    length = static_cast<int>(value.size());
}
