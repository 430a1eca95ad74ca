// Forms: up to 20 named parameters with their values on one page, changed
// in any order and confirmed together with "O.K." or abandoned with "CANCEL".

#include <algorithm>
#include <array>

#include "gs/gs.h"
#include "io/convert.h"
#include "io/filename.h"
#include "io/status.h"
#include "lg/lg.h"

namespace {

constexpr int MAX_FORM_ITEMS = 20;
constexpr int MAX_MENU_ITEMS = 12;

const std::array<std::string, 5> control_labels = {"O.K.", "CANCEL", "?", "HELP", "INFO"};
const std::vector<std::string> control_descriptions = {
    "O.K.: Return with new values", "CANCEL: Interrupt operation: No values changed",
    "?: Description of button commands",
    "HELP: Specific help information on required form input",
    "INFO: General information on using the form"};
const std::vector<std::string> menu_descriptions_tail = {
    "?: Description of available menu choices", "HELP: Description of required input choice"};

const char* const data_types[] = {"4-BYTE INTEGER", "BYTE VALUES", "INTEGER (2-BYTE)",
                                  "REAL (4-BYTE IEEE)"};
const char* const data_type_lines[] = {"Signed or unsigned, either byte order",
                                       "Single byte signed or unsigned integers",
                                       "Signed or unsigned either byte order",
                                       "Floating point real numbers"};
const char* const scan_types[] = {"2-THETA", "D-SPACINGS", "Q-SPACE", "RADIAL"};
const char* const scan_type_lines[] = {"Equal angle output elements", "Equal D-spacing output elements",
                                       "Equal Q output elements", "Equal radial distance output elements"};

// Where the parts of the form were drawn (page coordinates).
struct FormLayout
{
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    float value_x1 = 0, value_x2 = 0;
    float rows_top = 0, row_height = 0;
};
FormLayout layout;

void show_instruction(int& status)
{
    const std::string line[] = {"Click on variable to change, or 'O.K.'"};
    GS_FPROMPT(1, 1, line, status);
}

// A menu of choices with "?" and "HELP", in the strip at the foot of the
// page; the index of the choice (0-based), or a cancel on an escape.
void choice_menu(std::string_view title, const std::vector<std::string>& choices,
                 const std::vector<std::string>& descriptions, int num_help, GsLines help,
                 int& choice, int& status)
{
    const GsMenuGuard menu;
    std::vector<std::string> labels{"?", "HELP"};
    labels.insert(labels.end(), choices.begin(), choices.end());
    const int n = static_cast<int>(labels.size());
    const std::string title_lines[] = {std::string(st_trim(title))};
    GS_SET_MENULAYOUT(0, std::min(4, n), 40, 18, status);
    bool redraw = true;
    while (status == ST_GOOD_VALUE) {
        if (redraw) GS_FMENU(1, title_lines[0].empty() ? 0 : 1, title_lines, n, n, labels, status);
        redraw = false;
        int type = 0;
        std::string chosen;
        float x = 0.0f, y = 0.0f;
        GS_INP_MENUCHOICE(n, n, labels, 1, type, chosen, x, y, status);
        if (status != ST_GOOD_VALUE) break;
        if (type == GS_MENU_REDRAW) {
            redraw = true;
            continue;
        }
        if (type != GS_MENU_CHOSEN) continue;
        if (chosen == "?") {
            GS_MESSAGE(static_cast<int>(descriptions.size()), static_cast<int>(descriptions.size()),
                       descriptions, status);
            redraw = true;
        } else if (chosen == "HELP") {
            if (num_help > 0) GS_MESSAGE(num_help, num_help, help, status);
            redraw = true;
        } else {
            for (std::size_t i = 0; i < choices.size(); ++i)
                if (chosen == st_trim(choices[i])) choice = static_cast<int>(i);
            break;
        }
    }
}

std::vector<std::string> described(const char* const* names, const char* const* lines, int n)
{
    std::vector<std::string> text;
    for (int i = 0; i < n; ++i) text.push_back(std::string(names[i]) + ": " + lines[i]);
    text.insert(text.end(), menu_descriptions_tail.begin(), menu_descriptions_tail.end());
    return text;
}

// Redraws the value of one item in its row.
constexpr std::size_t LONGEST_VALUE_WORD = 16;

void draw_value(const std::vector<GsFormItem>& items, int i, int& status)
{
    const float top = layout.rows_top - i * layout.row_height;
    const float gy = (layout.y2 - layout.y1) / 150.0f;
    // A long word (a path has no blanks to break at) is shown by its end,
    // which tells one file from another, at a size that reads.
    std::string text = GS_FORM_VALUE_TEXT(items[static_cast<std::size_t>(i)]);
    if (text.find(' ') == std::string::npos && text.size() > LONGEST_VALUE_WORD)
        text = "..." + text.substr(text.size() - (LONGEST_VALUE_WORD - 3));
    GS_SPROMPT(std::max(1, std::min(3, static_cast<int>(layout.row_height / 0.02f))), text,
               layout.value_x1,
               top - layout.row_height + gy / 2, layout.value_x2, top - gy / 2, status);
}

// Edits one item through the question its type calls for; a cancelled
// question leaves the item as it was.
void edit_item(GsFormItem& item, int index, int& status)
{
    const std::vector<std::string> help = item.help.empty()
                                              ? std::vector<std::string>{}
                                              : std::vector<std::string>{item.help};
    GsFormItem edited = item;
    switch (item.type) {
    case GS_ITEM_INTEGER: {
        std::vector<std::string> lines = help;
        lines.emplace_back("Enter valid integer value");
        const std::vector<std::string> range{"Enter integer value within given range"};
        GS_INPI(item.range, item.int_min, item.int_max, true, item.description,
                static_cast<int>(lines.size()), lines, 1, range, edited.int_value, status);
        break;
    }
    case GS_ITEM_LOGICAL: edited.logical_value = !item.logical_value; break;
    case GS_ITEM_REAL: {
        std::vector<std::string> lines = help;
        lines.emplace_back("Enter valid real value");
        const std::vector<std::string> range{"Enter real value within given range"};
        GS_INPR(item.range, item.real_min, item.real_max, true, item.description,
                static_cast<int>(lines.size()), lines, 1, range, edited.real_value, status);
        break;
    }
    case GS_ITEM_TEXT: {
        std::vector<std::string> lines = help;
        lines.emplace_back("Enter character string");
        int length = 0;
        GS_INPC(true, item.description, static_cast<int>(lines.size()), lines, edited.text_value,
                length, status);
        break;
    }
    case GS_ITEM_INPUT_FILE:
    case GS_ITEM_OUTPUT_FILE: {
        // An input file must exist; an output file may be new.
        const std::vector<std::string> prompt{item.description};
        int retstat = 1;
        GS_FILESELECTION(1, 1, prompt, 1, static_cast<int>(help.size()), help,
                         item.type == GS_ITEM_INPUT_FILE ? 0 : 3, false, retstat,
                         edited.text_value, status);
        if (retstat != 0 && status == ST_GOOD_VALUE) return;
        break;
    }
    case GS_ITEM_COLOUR: GS_GUI_COLOUR("SELECT REQUIRED COLOUR", static_cast<int>(help.size()), help, edited.int_value, status); break;
    case GS_ITEM_DATA_TYPE: GS_INP_DATATYPE(item.description, static_cast<int>(help.size()), help, edited.int_value, status); break;
    case GS_ITEM_SCAN_TYPE: GS_INP_SCANTYPE(static_cast<int>(help.size()), help, edited.int_value, status); break;
    case GS_ITEM_CHOICE:
        if (index >= MAX_MENU_ITEMS) {
            const std::string warning[] = {"MENU ONLY POSSILE FOR FIRST 12 CHOICES"};
            GS_FWARNING(1, 1, warning, status);
        } else {
            GS_INP_FORMMENU(item.description, item.choices, static_cast<int>(help.size()), help,
                            edited.int_value, status);
        }
        break;
    default: break;
    }
    if (status == ST_ESCAPE_VALUE) {
        status = ST_GOOD_VALUE;
        return;
    }
    if (status == ST_GOOD_VALUE) item = edited;
}

} // namespace

std::string GS_FORM_VALUE_TEXT(const GsFormItem& item)
{
    int status = ST_GOOD_VALUE;
    std::string text;
    switch (item.type) {
    case GS_ITEM_INTEGER: text = IO_ITOC(item.int_value, status); break;
    case GS_ITEM_LOGICAL: text = item.logical_value ? "YES" : "NO"; break;
    case GS_ITEM_REAL: text = IO_RTOC(item.real_value, status); break;
    case GS_ITEM_COLOUR: text = GS_GIVE_COLOURNAME(item.int_value); break;
    case GS_ITEM_DATA_TYPE:
        text = item.int_value >= 1 && item.int_value <= 4 ? data_types[item.int_value - 1] : "";
        break;
    case GS_ITEM_SCAN_TYPE:
        text = item.int_value >= 1 && item.int_value <= 4 ? scan_types[item.int_value - 1] : "";
        break;
    case GS_ITEM_CHOICE:
        text = item.int_value >= 1 && item.int_value <= static_cast<int>(item.choices.size())
                   ? std::string(st_trim(item.choices[item.int_value - 1]))
                   : "";
        break;
    default: text = std::string(st_trim(item.text_value)); break;
    }
    return text.substr(0, 45);
}

// Draws the form in the message region: title, control buttons, and a row per
// item with its description, value and button; the GUI region becomes the
// strip at the foot of the form.
void GS_DRAW_FORM(int num_title, GsLines title, const std::vector<GsFormItem>& items, int& status)
{
    if (!st_enter(status, "Subroutine GS_DRAW_FORM V0.5")) return;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    GS_INQ_MESSAGE(x1, y1, x2, y2, status);
    const float W = x2 - x1;
    const float H = y2 - y1;
    const float gx = W / 150.0f;
    const float gy = H / 150.0f;
    const int n = static_cast<int>(items.size());
    const LgPageCoordinates page;
    LG_CLEAR(status);
    GS_FILLSTYLE(1, GS_WHITE, status);
    GS_LINESTYLE(1, 1.0f, GS_BLACK, status);
    GS_RECTANGLE(x1, y1, x2, y2, true, false, status);
    const int t = std::min(num_title, static_cast<int>(title.size()));
    if (t > 0) GS_PROMPT(true, t, t, title, x1 + gx, y1 + 0.85f * H, x2 - gx, y2 - gy, status);

    // One menu over both rows of buttons: the controls, then the items.
    const GsMenuLayoutGuard menu_layout;
    const std::string no_title[] = {""};
    GS_SET_MENULAYOUT(0, 5, 40, 8, status);
    GS_MENU(1, 0, no_title, 5, 5, control_labels, x1 + gx, y1 + 0.8f * H, x2 - gx,
            y1 + 0.85f * H - gy, status);
    GsDrawnMenu combined = GS_SAVE_DRAWN_MENU();

    const float columns_bottom = y1 + 0.15f * H + gy;
    const float columns_top = y1 + 0.75f * H - gy;
    const float heading = 0.04f * H;
    const struct
    {
        const char* text;
        float from, to;
    } headings[] = {{"DESCRIPTIONS", x1 + gx, x1 + 0.5f * W - gx},
                    {"VALUES", x1 + 0.5f * W, x1 + 0.75f * W},
                    {"CHANGE", x1 + 0.75f * W + gx, x2 - gx}};
    for (const auto& h : headings) {
        const std::string line[] = {h.text};
        GS_PROMPT(true, 1, 1, line, h.from, columns_top, h.to, columns_top + heading, status);
    }
    layout = {x1, y1, x2, y2, x1 + 0.5f * W, x1 + 0.75f * W, columns_top,
              (columns_top - columns_bottom) / std::max(1, n)};
    std::vector<std::string> labels;
    for (int i = 0; i < n; ++i) {
        const float top = columns_top - i * layout.row_height;
        const std::string& description = items[static_cast<std::size_t>(i)].description;
        if (st_trim(description).size() < 25) {
            const std::string line[] = {std::string(st_trim(description))};
            GS_PROMPT(false, 1, 1, line, x1 + gx, top - layout.row_height + gy / 2,
                      x1 + 0.5f * W - gx, top - gy / 2, status);
        } else {
            GS_SPROMPT(2, description, x1 + gx, top - layout.row_height + gy / 2,
                       x1 + 0.5f * W - gx, top - gy / 2, status);
        }
        draw_value(items, i, status);
        labels.push_back(items[static_cast<std::size_t>(i)].label);
    }
    // Labels as large as the widest lets them be (fitted to the column).
    GS_SET_MENULAYOUT(0, 1, 40, 12, status);
    GS_MENU(1, 0, no_title, n, n, labels, x1 + 0.75f * W + gx, columns_bottom, x2 - gx,
            columns_top, status);
    const GsDrawnMenu item_menu = GS_SAVE_DRAWN_MENU();
    for (int i = 0; i < item_menu.buttons && combined.buttons < 100; ++i) {
        const int k = combined.buttons++;
        combined.bx1[k] = item_menu.bx1[i];
        combined.by1[k] = item_menu.by1[i];
        combined.bx2[k] = item_menu.bx2[i];
        combined.by2[k] = item_menu.by2[i];
        combined.labels[k] = item_menu.labels[i];
        combined.label_height[k] = item_menu.label_height[i];
        combined.button_bevel[k] = item_menu.button_bevel[i];
    }
    combined.y1 = std::min(combined.y1, item_menu.y1);
    GS_RESTORE_DRAWN_MENU(combined);
    GS_SET_GUIREGION(x1 + gx, y1 + gy, x2 - gx, y1 + 0.15f * H, status);
    show_instruction(status);
}

void GS_FORM(int max_title, int num_title, GsLines title, int max_help, int num_help,
             GsLines help, int max_items, int num_items, std::vector<GsFormItem>& items,
             int& status)
{
    constexpr std::string_view position = "Subroutine GS_FORM V0.9";
    if (!st_enter(status, position)) return;
    (void)max_title;
    (void)max_help;
    if (num_items < 1) {
        st_fail(status, ST_MOD_GS + 17, position);
        return;
    }
    if (num_items > MAX_FORM_ITEMS) {
        st_fail(status, ST_MOD_GS + 9, position);
        return;
    }
    if (max_items < num_items + 5 || static_cast<int>(items.size()) < num_items) {
        st_fail(status, ST_MOD_GS + 5, position);
        return;
    }
    // Edits are made on a copy: CANCEL leaves the caller's values untouched.
    std::vector<GsFormItem> edited(items.begin(), items.begin() + num_items);
    const LgTransformGuard transform;
    const GsRegionsGuard regions;
    GS_SET_DDDR(0.0f, 0.0f, 1.0f, 1.0f, status);
    GS_SET_DGPP(0.0f, 0.0f, 1.0f, 1.0f, status);
    GS_RESTORE_TRANSFORM(status);
    bool forms_doc = false, menus_doc = false;
    GS_INQ_DOC_CONTROL(forms_doc, menus_doc, status);
    const int help_lines = std::min(num_help, static_cast<int>(help.size()));
    const std::function<void(int&)> draw_form = [&](int& s) {
        GS_DRAW_FORM(num_title, title, edited, s);
    };
    draw_form(status);
    // Under the questions of an item, the form is the page.
    const GsPageDrawer page(draw_form, true);
    bool accepted = false;
    std::vector<std::string> all_labels(control_labels.begin(), control_labels.end());
    for (const GsFormItem& item : edited) all_labels.push_back(item.label);
    const int buttons = static_cast<int>(all_labels.size());
    while (status == ST_GOOD_VALUE) {
        int type = 0;
        std::string chosen;
        float x = 0.0f, y = 0.0f;
        GS_INP_MENUCHOICE(buttons, buttons, all_labels, 1, type, chosen, x, y, status);
        if (status != ST_GOOD_VALUE) break;
        if (type == GS_MENU_REDRAW) {
            GS_DRAW_FORM(num_title, title, edited, status);
            continue;
        }
        if (type == GS_MENU_PRINT && forms_doc) {
            GS_PRINT_PAGE(draw_form, status);
            draw_form(status);
            continue;
        }
        if (type != GS_MENU_CHOSEN) continue;
        const std::string label = IO_UPPER(st_strip(chosen));
        if (label == "O.K.") {
            accepted = true;
            break;
        }
        if (label == "CANCEL") {
            status = ST_ESCAPE_VALUE;
            break;
        }
        if (label == "?") {
            GS_MESSAGE(5, 5, control_descriptions, status);
        } else if (label == "INFO") {
            GS_HELPFORM(status);
        } else if (label == "HELP") {
            if (help_lines > 0) GS_MESSAGE(help_lines, help_lines, help, status);
        } else {
            for (int i = 0; i < num_items; ++i) {
                GsFormItem& item = edited[static_cast<std::size_t>(i)];
                if (IO_UPPER(st_strip(item.label)) != label) continue;
                {
                    const GsMenuGuard form_menu;
                    edit_item(item, i, status);
                }
                if (item.type == GS_ITEM_INPUT_FILE || item.type == GS_ITEM_OUTPUT_FILE) {
                    // The file panel took the whole page: the form comes back whole.
                    GS_DRAW_FORM(num_title, title, edited, status);
                    break;
                }
                {
                    const LgPageCoordinates page;
                    draw_value(edited, i, status);
                }
                show_instruction(status);
                break;
            }
        }
    }
    if (accepted) std::copy(edited.begin(), edited.end(), items.begin());
}

// The general information on forms, in the fixed-pitch font.
void GS_HELPFORM(int& status)
{
    if (!st_enter(status, "Subroutine GS_HELPFORM V0.2")) return;
    const std::vector<std::string> text = {
        "---------------------------------------",
        "      INTERACTIVE FORMS: HOW TO USE THEM",
        "---------------------------------------",
        "",
        "A form shows several values at once and lets you change",
        "any of them, in any order, before accepting them all.",
        "",
        "The DESCRIPTIONS column says what each value is, the",
        "VALUES column shows its present value, and the buttons",
        "of the CHANGE column change it:",
        "",
        " - a YES/NO value changes at once when its button is",
        "   clicked;",
        " - for a number or a text, an entry box appears at the",
        "   foot of the form: edit the value with the keys (left",
        "   and right arrows move the cursor, BackSpace deletes,",
        "   up and down arrows recall earlier entries, Ctrl-U",
        "   empties the entry) and press <RETURN> or click O.K.;",
        "   a number outside its range is refused with a note;",
        " - a file name is chosen on the file selection panel;",
        " - other values are chosen from a menu.",
        "",
        "When all values are right, click O.K. at the top of the",
        "form. CANCEL leaves the form and keeps none of the",
        "changes. HELP gives help on this particular form, and",
        "? describes the buttons at the top."};
    GS_MESSAGE_FIXED(text, status);
}

void GS_INP_FORMMENU(std::string_view title, GsLines choices, int num_help, GsLines help,
                     int& choice, int& status)
{
    if (!st_enter(status, "Subroutine GS_INP_FORMMENU V0.2")) return;
    if (choices.empty()) {
        io_say("WARNING: Bad form menu data");
        return;
    }
    std::vector<std::string> names(choices.begin(), choices.end());
    std::vector<std::string> lines = names;
    lines.insert(lines.end(), menu_descriptions_tail.begin(), menu_descriptions_tail.end());
    int index = -1;
    choice_menu(title, names, lines, num_help, help, index, status);
    if (index >= 0) choice = index + 1;
}

void GS_INP_DATATYPE(std::string_view title, int num_help, GsLines help, int& data_type,
                     int& status)
{
    if (!st_enter(status, "Subroutine GS_INP_DATATYPE V0.2")) return;
    const std::vector<std::string> names(data_types, data_types + 4);
    int index = -1;
    choice_menu(title, names, described(data_types, data_type_lines, 4), num_help, help, index,
                status);
    if (index >= 0) data_type = index + 1;
}

void GS_INP_SCANTYPE(int num_help, GsLines help, int& scan_type, int& status)
{
    if (!st_enter(status, "Subroutine GS_INP_SCANTYPE V0.2")) return;
    const std::vector<std::string> names(scan_types, scan_types + 4);
    int index = -1;
    choice_menu("SELECT TYPE OF OUTPUT SCAN", names, described(scan_types, scan_type_lines, 4),
                num_help, help, index, status);
    if (index >= 0) scan_type = index + 1;
}

void GS_GUI_COLOUR(std::string_view title, int num_help, GsLines help, int& colour, int& status)
{
    if (!st_enter(status, "Subroutine GS_GUI_COLOUR V0.2")) return;
    static const char* const names[] = {"BLACK",   "BLUE",   "BROWN",  "CYAN",      "GREEN",
                                        "GREY",    "MAGENTA", "ORANGE", "RED",      "VIOLET",
                                        "WHITE",   "YELLOW", "(0 INDEX)", "(1 INDEX)", "INVERSE"};
    const std::vector<std::string> choices(names, names + 15);
    std::vector<std::string> lines = choices;
    lines.insert(lines.end(), menu_descriptions_tail.begin(), menu_descriptions_tail.end());
    int index = -1;
    choice_menu(title, choices, lines, num_help, help, index, status);
    if (index < 0) return;
    const std::string name = choices[static_cast<std::size_t>(index)];
    colour = name == "(0 INDEX)"   ? GS_INDEX0
             : name == "(1 INDEX)" ? GS_INDEX1
                                   : GS_GIVE_COLOUR(name);
}
