// Printing: what is drawn between GS_ON_PRINT and GS_OFF_PRINT goes to a
// PostScript file instead of the window, and a menu or a whole page (a form,
// the file panel, a picture) prints itself again on request (documentation
// of menus and forms).

#include "gs/gs.h"
#include "io/status.h"
#include "io/terminal.h"
#include "lg/lg.h"

namespace {

constexpr int WINDOW = 1;
constexpr int POSTSCRIPT = 2;

const std::string print_help[] = {"File to store graphics", "Enter <RETURN> for no file storage"};
constexpr std::string_view PRINT_PROMPT = "Enter name of PostScript output file or <RETURN>";

} // namespace

// Asks for the file (unless one is open) and sends what follows to it. A
// cancelled question only cancels the print: the caller carries on.
void GS_ON_PRINT(bool graphical_prompt, bool& printing, int& status)
{
    if (!st_enter(status, "Subroutine GS_ON_PRINT V0.3")) return;
    printing = false;
    bool open = false;
    GS_INQ_PSFILE(open, status);
    if (!open) {
        std::string name;
        if (graphical_prompt) {
            bool accepted = false;
            GS_ENTRY_BOX(
                PRINT_PROMPT, name, accepted,
                [](int& s) { GS_MESSAGE(2, 2, print_help, s); }, status);
            if (!accepted) name.clear();
        } else {
            IO_INPS(PRINT_PROMPT, print_help, name, status);
        }
        if (status == ST_ESCAPE_VALUE) {
            status = ST_GOOD_VALUE;
            return;
        }
        if (status != ST_GOOD_VALUE) return;
        if (!st_strip(name).empty()) GS_OPEN_PS(name, status);
    }
    GS_INQ_PSFILE(open, status);
    if (!open || status != ST_GOOD_VALUE) return;
    io_say("INFO: Writing graphics file: Please wait");
    LG_DEACTIVATE_WK(WINDOW, status);
    LG_ACTIVATE_WK(POSTSCRIPT, status);
    printing = true;
}

void GS_OFF_PRINT(int& status)
{
    if (!st_enter(status, "Subroutine GS_OFF_PRINT V0.2")) return;
    LG_UPDATE(POSTSCRIPT, true, status);
    LG_DEACTIVATE_WK(POSTSCRIPT, status);
    LG_ACTIVATE_WK(WINDOW, status);
}

// Draws a page once more into a PostScript file the user names, and closes
// that file: a form, the file panel or a picture printed on request. The
// file question covers the window: the caller draws its page there again.
// A file that cannot be opened has been reported and costs only the print.
void GS_PRINT_PAGE(const std::function<void(int& status)>& draw, int& status)
{
    if (!st_enter(status, "Subroutine GS_PRINT_PAGE V0.1")) return;
    const std::string position_before = ST_INQ_POSITION();
    bool printing = false;
    GS_ON_PRINT(true, printing, status);
    if (status == ST_MOD_IO + ST_OPEN_FAIL) {
        status = ST_GOOD_VALUE;
        ST_RESET_POSITION(position_before);
        return;
    }
    if (!printing || status != ST_GOOD_VALUE) return;
    draw(status);
    GS_OFF_PRINT(status);
    GS_CLOSE_PS(status);
}

// Draws the last menu again into a PostScript file the user names.
void GS_PRINT_MENU(int& status)
{
    if (!st_enter(status, "Subroutine GS_PRINT_MENU V0.2")) return;
    const GsDrawnMenu menu = GS_SAVE_DRAWN_MENU();
    GS_PRINT_PAGE([&](int& s) { GS_REDRAW_MENU(menu, s); }, status);
}
