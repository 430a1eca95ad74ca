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

void show_help(int num_help, GsLines help, int& status)
{
    const int n = std::min(num_help, static_cast<int>(help.size()));
    if (n > 0) GS_MESSAGE(n, n, help, status);
}

// The number questions: the entry box until a valid number or a cancel.
template <typename T, typename ToText, typename Convert>
void ask_number(bool range, T minimum, T maximum, bool use_default, std::string_view prompt,
                int num_help, GsLines help, int num_second, GsLines second, T& value,
                int& status, ToText to_text, Convert convert, std::string_view failure,
                const GsEntryButton* extra = nullptr)
{
    std::string question(st_trim(prompt));
    if (range) question += " (Range: " + to_text(minimum) + " to " + to_text(maximum) + ")";
    // After the extra button the entry comes back as it was typed.
    std::string typed;
    bool keep_typed = false;
    for (;;) {
        std::string answer = keep_typed ? typed : use_default ? to_text(value) : std::string();
        keep_typed = false;
        int length = 0;
        if (extra == nullptr) {
            GS_INPC(true, question, num_help, help, answer, length, status);
        } else {
            bool accepted = false, chosen = false;
            GS_ENTRY_BOX(
                question, answer, accepted, [&](int& s) { show_help(num_help, help, s); },
                extra->label, chosen, status);
            if (status == ST_GOOD_VALUE && chosen) {
                if (extra->action) extra->action(answer, status);
                if (status != ST_GOOD_VALUE) return;
                typed = answer;
                keep_typed = true;
                continue;
            }
        }
        if (status != ST_GOOD_VALUE) return;
        const std::string_view token = st_strip(answer);
        if (token.empty()) {
            if (use_default) return;
            continue;
        }
        if (token == "?" || IO_UPPER(token) == "HELP") {
            show_help(num_help, help, status);
            if (status != ST_GOOD_VALUE) return;
            continue;
        }
        bool found = false;
        T entered = value;
        convert(token, found, entered, status);
        if (!found) {
            // Said in the window as well: the user looks there, not at the console.
            io_say(failure);
            const std::string warning[] = {std::string(failure)};
            GS_FWARNING(1, 1, warning, status);
            if (status != ST_GOOD_VALUE) return;
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
    const GsMenuGuard menu;
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
        if (input_type == GS_MENU_REDRAW) {
            GS_REDRAW_PAGE(status); // the page under the question too
            redraw = true;
        } else if (input_type == GS_MENU_PRINT) {
            // Forms documentation: the question offers to print itself.
            GS_PRINT_MENU(status);
            redraw = true;
        } else if (input_type == GS_MENU_CHOSEN) {
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
    GS_INPR(range, minimum, maximum, use_default, prompt, num_help, help, num_second, second,
            value, GsEntryButton{}, status);
}

void GS_INPR(bool range, float minimum, float maximum, bool use_default, std::string_view prompt,
             int num_help, GsLines help, int num_second, GsLines second, float& value,
             const GsEntryButton& extra, int& status)
{
    if (!st_enter(status, "Subroutine GS_INPR V0.4")) return;
    ask_number(
        range, minimum, maximum, use_default, prompt, num_help, help, num_second, second, value,
        status,
        [](float v) {
            int s = ST_GOOD_VALUE;
            return IO_RTOC(v, s);
        },
        IO_TOKTR, "WARNING: Input value: cannot convert to a real number",
        extra.label.empty() ? nullptr : &extra);
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
    std::string entry = use_default ? std::string(st_trim(value)) : std::string();
    bool accepted = false;
    GS_ENTRY_BOX(
        prompt, entry, accepted, [&](int& s) { show_help(num_help, help, s); }, status);
    if (!accepted || status != ST_GOOD_VALUE) return;
    value = entry;
    length = static_cast<int>(value.size());
}
