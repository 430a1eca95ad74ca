// The text entry box at the foot of the page: a question, the text typed
// and edited in place, and CANCEL, HELP and O.K. beside it. Every answer
// typed here goes through statement translation.

#include <algorithm>
#include <vector>

#include "gs/gs.h"
#include "io/status.h"
#include "io/terminal.h"
#include "lg/lg.h"

namespace {

enum EntryButton { CANCEL = 1, HELP = 2, OK = 3, EXTRA = 4 };

// The part of the strip's width left of the buttons: less when a fourth
// button needs a wider column for its label.
constexpr float ENTRY_WIDTH = 0.85f;
constexpr float ENTRY_WIDTH_EXTRA = 0.80f;

} // namespace

void GS_ENTRY_BOX(std::string_view prompt, std::string& entry, bool& accepted,
                  const std::function<void(int& status)>& help, int& status)
{
    bool extra_chosen = false;
    GS_ENTRY_BOX(prompt, entry, accepted, help, {}, extra_chosen, status);
}

void GS_ENTRY_BOX(std::string_view prompt, std::string& entry, bool& accepted,
                  const std::function<void(int& status)>& help, std::string_view extra_label,
                  bool& extra_chosen, int& status)
{
    if (!st_enter(status, "Subroutine GS_ENTRY_BOX V0.1")) return;
    extra_chosen = false;
    const bool fourth = !extra_label.empty();
    const float part = fourth ? ENTRY_WIDTH_EXTRA : ENTRY_WIDTH;
    accepted = false;
    const GsMenuGuard menu;
    const LgTransformGuard transform;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    GS_INQ_GUIREGION(x1, y1, x2, y2, status);
    const float w = x2 - x1;
    const float h = y2 - y1;
    // A long prompt is split at the first blank from position 40.
    const std::string whole(st_trim(prompt));
    std::vector<std::string> lines{whole};
    if (whole.size() > 50) {
        const std::size_t blank = whole.find(' ', 39);
        if (blank != std::string::npos)
            lines = {whole.substr(0, blank), std::string(st_strip(whole.substr(blank)))};
    }
    std::string_view widest = lines.front();
    for (const auto& line : lines)
        if (line.size() > widest.size()) widest = line;
    const float height = GS_FIT_TEXTHEIGHT(
        std::min(1.7f * part * w / static_cast<float>(std::max<std::size_t>(1, widest.size())),
                 std::min(h / 4.0f, 0.03f)),
        1, widest, (part - 0.04f) * w);
    std::vector<std::string> buttons = {"CANCEL", "HELP", "O.K."};
    if (fourth) buttons.emplace_back(extra_label);
    const int count = static_cast<int>(buttons.size());
    const int label_length = std::max(7, static_cast<int>(extra_label.size()));
    const std::string no_title[] = {""};
    // A statement that assigns a variable (or is refused) gives no answer:
    // the box shows its first text again and the question stays.
    const std::string first_entry = entry;
    const auto answered = [&] {
        int retstat = IO_TR_ANSWER;
        const std::string answer = IO_TRANSLATE(entry, false, retstat, status);
        entry = retstat == IO_TR_ANSWER ? std::string(st_trim(answer)) : first_entry;
        return retstat == IO_TR_ANSWER;
    };
    bool redraw = true;
    const LgPageCoordinates page;
    while (status == ST_GOOD_VALUE) {
        if (redraw) {
            GS_FILLSTYLE(1, GS_WHITE, status);
            GS_LINESTYLE(1, 1.0f, GS_BLACK, status);
            GS_RECTANGLE(x1, y1, x2, y2, true, true, status);
            GS_SET_MENULAYOUT(1, 1, 12, label_length, status);
            GS_MENU(1, 0, no_title, count, count, buttons, x1 + part * w, y1, x2, y2, status);
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
        LG_INP_EVENT(1, 1, true, " ", true, x1 + 0.02f * w, y1, x1 + part * w,
                     y1 + 5.0f * h / 16.0f, event, workstation, entry, x, y, status);
        if (status != ST_GOOD_VALUE) break;
        if (event == LG_EVENT_EXPOSE) {
            GS_REDRAW_PAGE(status); // the page under the box too
            redraw = true;
        } else if (event == LG_EVENT_RETURN) {
            if (!answered()) continue;
            accepted = true;
            break;
        } else if (event == LG_EVENT_PRESS) {
            bool inside = false;
            int choice = 0;
            GS_CAL_MENUCHOICE(x, y, inside, choice, status);
            if (choice == CANCEL) {
                status = ST_ESCAPE_VALUE;
                break;
            }
            if (choice == HELP) {
                if (help) help(status);
                redraw = true;
            } else if (choice == OK) {
                if (!answered()) continue;
                accepted = true;
                break;
            } else if (choice == EXTRA && fourth) {
                // The caller acts on it outside the box, whose page
                // coordinates and menu record are given back first.
                extra_chosen = true;
                break;
            }
        }
    }
}
