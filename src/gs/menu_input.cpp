// The choice from a menu: waits for a click on a button of the last menu
// drawn, flashes the button, and offers to print the menu when menus
// document themselves.

#include "gs/gs.h"
#include "io/status.h"
#include "lg/lg.h"

void GS_INP_MENUCHOICE(int max_choices, int num_choices, GsLines labels, int mode,
                       int& input_type, std::string& chosen, float& x, float& y, int& status)
{
    constexpr std::string_view position = "Subroutine GS_INP_MENUCHOICE V0.6";
    if (!st_enter(status, position)) return;
    (void)labels;
    if (max_choices < 1) {
        st_fail(status, ST_MOD_GS + 1, position);
        return;
    }
    if (num_choices < 0 || num_choices > max_choices) {
        st_fail(status, ST_MOD_GS + 5, position);
        return;
    }
    bool doc_forms = false;
    bool doc_menus = false;
    GS_INQ_DOC_CONTROL(doc_forms, doc_menus, status);
    for (;;) {
        int event = 0;
        LG_INP_COORDINATE(1, mode, event, x, y, status);
        if (status != ST_GOOD_VALUE) return;
        if (event == LG_EVENT_EXPOSE) {
            if (mode < 1) continue;
            input_type = GS_MENU_REDRAW;
            return;
        }
        if (mode == LG_POLL && event < 0) {
            input_type = event == LG_EVENT_NONE ? GS_MENU_NOTHING : GS_MENU_OTHER;
            chosen.clear();
            return;
        }
        if (event != LG_EVENT_PRESS) continue;
        bool inside = false;
        int choice = 0;
        GS_CAL_MENUCHOICE(x, y, inside, choice, status);
        if (choice == 0) {
            // A click on a picture (mode 2) is a point even while forms
            // document themselves: their print offer would swallow it.
            if (doc_forms && mode != 2) {
                input_type = GS_MENU_PRINT;
                return;
            }
            if (doc_menus && inside) {
                GS_PRINT_MENU(status);
                input_type = GS_MENU_REDRAW;
                return;
            }
            if (mode == 2) {
                input_type = GS_MENU_OUTSIDE;
                return;
            }
            continue;
        }
        input_type = GS_MENU_CHOSEN;
        // The button flashes: pressed, shown, raised again.
        GS_DRAW_MENU_BUTTON(choice - 1, true, status);
        LG_UPDATE(1, false, status);
        GS_DRAW_MENU_BUTTON(choice - 1, false, status);
        chosen = GS_SAVE_DRAWN_MENU().labels[choice - 1];
        return;
    }
}
