// The file-selection panel: the current directory with its sub-directories
// and files, filters by extension and name pattern, a typed name with
// completion, and the menu of CANCEL, ?, HELP, INFO, TYPES and FILTER.

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "gs/gs.h"
#include "io/directory.h"
#include "io/filename.h"
#include "io/status.h"
#include "io/system.h"
#include "io/terminal.h"
#include "lg/lg.h"

namespace {

constexpr IoListLimits FILE_LIMITS{10000, 65535};
constexpr IoListLimits DIRECTORY_LIMITS{1000, 10000};

struct Box
{
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool contains(float x, float y) const { return x >= x1 && x <= x2 && y >= y1 && y <= y2; }
    float width() const { return x2 - x1; }
    float height() const { return y2 - y1; }
};

// What the panel remembers for the whole run.
struct Remembered
{
    std::string input_directory;
    int input_first_line = 1;
    std::string output_directory;
    int output_first_line = 1;
    std::string extension;
    std::string pattern;
};
Remembered remembered;

const std::array<std::string, 6> menu_labels = {"CANCEL", "?", "HELP", "INFO", "TYPES", "FILTER"};
const std::vector<std::string> menu_descriptions = {
    "CANCEL: Exit without returning file name", "?: This help text",
    "HELP: Information about the required input or output file",
    "INFO: Information concerning use of the file selection utility",
    "TYPES: Specify types of file to input (by file extensions)",
    "FILTER: Specify pattern which file names must match"};
const char* const scroll_names[6] = {"LAST PAGE", "PAGE DOWN", "LINE DOWN",
                                     "LINE UP",   "PAGE UP",   "FIRST PAGE"};

// One scrollable list on the panel and where it was drawn.
struct ListView
{
    ListView(const char* list_name, const char* empty) : name(list_name), empty_text(empty) {}
    const char* name; // "FILES" or "DIRECTORIES", for the scroll targets
    const char* empty_text;
    IoFileList list;
    Box box;
    int first_line = 1;
    int first_char = 1;
    // Geometry of the last drawing.
    float line_height = 0.0f;
    int visible = 0;
    int across = 20;
    int longest = 0;
    Box vertical_bar;
    Box horizontal_bar;
    bool has_vertical = false;
    bool has_horizontal = false;

    int count() const { return static_cast<int>(list.order.size()); }
    const std::string& entry(int k) const { return list.names[list.order[k]]; }
};

// The panel during one call.
struct Panel
{
    int mode = 0;
    std::vector<std::string> prompt;
    std::vector<std::string> info;
    std::string directory;
    std::string typed;
    std::string last_completion;
    ListView files{"FILES", "NO SELECTED FILES"};
    bool files_cut = false; // more files than the list holds
    ListView directories{"DIRECTORIES", "NO SUB-DIRECTORIES"};
    Box region, directory_line, up_dir, update, field, menu_box, explanation_box;
    std::array<std::string, 6> explanations;
    int chosen_file = -1; // the file clicked, marked while its choice is confirmed
};

char separator() { return io_path_separator(); }

std::string join(const std::string& directory, const std::string& name)
{
    if (directory.size() < 2 || directory.back() == separator()) return directory + name;
    return directory + separator() + name;
}

void warn(std::string_view text, int& status)
{
    const std::string line[] = {std::string(text)};
    GS_FWARNING(1, 1, line, status);
}

void set_explanations(Panel& p)
{
    p.explanations = {"(No file selected)", "Menu commands", "on required file", "on file selection",
                      remembered.extension.empty() ? "<ALL PERMITTED>" : "." + remembered.extension,
                      remembered.pattern.empty() ? "<NO FILTERING>" : remembered.pattern};
}

// The files of the current directory with the filters, and its sub-directories.
bool rebuild_lists(Panel& p, int& status)
{
    int retstat = 0;
    const std::vector<std::string> types =
        remembered.extension.empty() ? std::vector<std::string>{}
                                     : std::vector<std::string>{remembered.extension};
    for (int attempt = 0; attempt < 64; ++attempt) {
        IO_DIRECTORY(false, p.directory, DIRECTORY_LIMITS, retstat, p.directories.list, status);
        if (status != ST_GOOD_VALUE) return false;
        if (retstat == 0 || retstat > 1) break;
        io_say("WARNING: Problem obtaining list of directories");
        io_say("         Bad directory name:");
        io_say(p.directory);
        int up = 0;
        IO_UP_DIRECTORY(p.directory, up, status);
        if (up != 0) return false;
        io_say("NOTE: Automatically climbing one directory level");
    }
    if (retstat == 2) {
        io_say("WARNING: Problem obtaining list of directories");
        io_say("         Too many directories");
    } else if (retstat == 3) {
        io_say("WARNING: Problem obtaining list of directories");
        io_say("         List of names too long");
    }
    IO_FILESORDER(p.directories.list, status);
    IO_LISTFILES(p.directory, FILE_LIMITS, types, remembered.pattern, retstat, p.files.list,
                 status);
    if (retstat == 1 || status != ST_GOOD_VALUE) {
        io_say("WARNING: Problem obtaining list of files");
        return false;
    }
    // More files than the list holds: those read are shown, with a note.
    p.files_cut = retstat != 0;
    return true;
}

// Draws the visible lines of a list, clipped to its box, and registers each
// shown entry as a target.
void draw_list_lines(const ListView& v, int& status)
{
    const Box& b = v.box;
    const float text_x2 = v.has_vertical ? v.vertical_bar.x1 : b.x2;
    const float text_y1 = v.has_horizontal ? v.horizontal_bar.y2 : b.y1;
    LG_CLIPWINDOW(b.x1, text_y1, text_x2, b.y2, status);
    LG_CLIP(true, status);
    GS_TEXTSTYLE(2, GS_BLUE, v.line_height / 1.2f, 1, 1, 1, 1, 3, 0, 1, status);
    for (int r = 0; r < v.visible && v.first_line - 1 + r < v.count(); ++r) {
        const std::string& name = v.entry(v.first_line - 1 + r);
        const float top = b.y2 - r * v.line_height;
        const std::string shown =
            static_cast<int>(name.size()) >= v.first_char ? name.substr(v.first_char - 1) : "";
        LG_TEXT(b.x1 + v.line_height * 0.2f, top - v.line_height / 2.0f, shown, status);
        GS_TARGET(name, b.x1, top - v.line_height, text_x2, top);
    }
    LG_CLIP(false, status);
}

// Draws one list box with its scroll bars when they are needed.
void draw_list(ListView& v, int& status)
{
    const Box& b = v.box;
    v.longest = 0;
    for (int k = 0; k < v.count(); ++k)
        v.longest = std::max(v.longest, static_cast<int>(v.entry(k).size()));
    v.across = std::clamp(v.longest, 20, 25);
    const float char_height = 1.6f * b.width() / v.across;
    v.line_height = 1.1f * char_height;
    v.has_horizontal = v.longest > 25;
    const float bar_h = b.height() / 15.0f;
    const float usable = b.height() - (v.has_horizontal ? bar_h : 0.0f);
    v.visible = std::max(1, static_cast<int>(usable / v.line_height));
    v.has_vertical = v.count() > v.visible;
    const float bar_w = b.width() / 15.0f;
    v.vertical_bar = {b.x2 - bar_w, v.has_horizontal ? b.y1 + bar_h : b.y1, b.x2, b.y2};
    v.horizontal_bar = {b.x1, b.y1, v.has_vertical ? b.x2 - bar_w : b.x2, b.y1 + bar_h};
    const bool empty = v.count() == 0;
    GS_FILLSTYLE(1, empty ? GS_WHITE : GS_YELLOW, status);
    GS_LINESTYLE(1, 1.0f, GS_BLACK, status);
    GS_RECTANGLE(b.x1, b.y1, b.x2, b.y2, true, true, status);
    if (empty) {
        GS_TEXTSTYLE(1, GS_BLACK, GS_FIT_TEXTHEIGHT(0.02f, 1, v.empty_text, 0.9f * b.width()), 1,
                     1, 1, 2, 3, 0, 1, status);
        LG_TEXT((b.x1 + b.x2) / 2.0f, (b.y1 + b.y2) / 2.0f, v.empty_text, status);
        return;
    }
    draw_list_lines(v, status);
    if (v.has_vertical) {
        const Box& bar = v.vertical_bar;
        GS_SCROLLBAR(true, bar.x1, bar.y1, bar.x2, bar.y2, status);
        const float zone = bar.height() / 6.0f;
        for (int i = 0; i < 6; ++i)
            GS_TARGET(std::string(v.name) + " " + scroll_names[i], bar.x1, bar.y1 + i * zone,
                      bar.x2, bar.y1 + (i + 1) * zone);
    }
    if (v.has_horizontal) {
        const Box& bar = v.horizontal_bar;
        GS_SCROLLBAR(false, bar.x1, bar.y1, bar.x2, bar.y2, status);
    }
}

void draw_button(const Box& b, std::string_view label, float bevel, int& status)
{
    GS_FILLSTYLE(1, GS_YELLOW, status);
    GS_LINESTYLE(1, 1.0f, GS_BLACK, status);
    GS_TEXTSTYLE(1, GS_BLUE, GS_FIT_TEXTHEIGHT(0.6f * b.height(), 1, label, 0.8f * b.width()), 1, 1,
                 1, 2, 3, 0, 1, status);
    GS_STRINGBUTTON(b.x1, b.y1, b.x2, b.y2, bevel, label, status);
    GS_TARGET(label, b.x1, b.y1, b.x2, b.y2);
}

// The whole panel: prompt, directory, lists, buttons, menu and its explanations.
void draw_selection(Panel& p, int& status)
{
    const Box& r = p.region;
    const float w = r.width();
    const float h = r.height();
    const float dx = w / 250.0f;
    const float dy = h / 250.0f;
    LG_CLEAR(status);
    GS_FILLSTYLE(1, GS_WHITE, status);
    GS_RECTANGLE(r.x1, r.y1, r.x2, r.y2, true, false, status);
    if (!p.prompt.empty())
        GS_PROMPT(true, static_cast<int>(p.prompt.size()), static_cast<int>(p.prompt.size()),
                  p.prompt, r.x1 + dx, r.y1 + 0.875f * h + dy, r.x2 - dx, r.y2 - dy, status);
    p.directory_line = {r.x1 + dx, r.y1 + 0.825f * h + dy, r.x2 - dx, r.y1 + 0.875f * h};
    const std::string directory_text[] = {("DIRECTORY: " + p.directory).substr(0, 256)};
    GS_PROMPT(false, 1, 1, directory_text, p.directory_line.x1, p.directory_line.y1,
              p.directory_line.x2, p.directory_line.y2, status);

    const float list_bottom = r.y1 + 0.15f * h;
    const float list_top = r.y1 + 0.825f * h;
    const float list_height = list_top - list_bottom;
    p.files.box = {r.x1 + 0.5f * w + dx / 2, list_bottom, r.x2 - dx, list_top};
    // A cut list says so in a strip of its own under it.
    const float note_height = p.files_cut ? list_height / 18.0f : 0.0f;
    p.files.box.y1 += note_height;
    const float strip = list_height / 12.0f;
    p.up_dir = {r.x1 + dx, list_top - strip, r.x1 + 0.25f * w - dx / 2, list_top};
    p.update = {r.x1 + 0.25f * w + dx / 2, list_top - strip, r.x1 + 0.5f * w - dx / 2, list_top};
    p.directories.box = {r.x1 + dx, list_bottom + list_height / 2.7f, r.x1 + 0.5f * w - dx / 2,
                         list_top - strip - dy};
    p.menu_box = {r.x1 + dx, list_bottom, r.x1 + 0.25f * w - dx / 2,
                  p.directories.box.y1 - dy};
    p.explanation_box = {r.x1 + 0.25f * w + dx / 2, list_bottom, r.x1 + 0.5f * w - dx / 2,
                         p.directories.box.y1 - dy};
    p.field = {r.x1 + dx, r.y1 + dy, r.x2 - dx, r.y1 + 0.15f * h - dy};

    const std::string no_title[] = {""};
    GS_SET_MENULAYOUT(1, 1, 12, 6, status);
    GS_MENU(1, 0, no_title, 6, 6, menu_labels, p.menu_box.x1, p.menu_box.y1, p.menu_box.x2,
            p.menu_box.y2, status);
    const float row = p.explanation_box.height() / 6.0f;
    // Every line fits between the margin and the file list (the widest in
    // print is not always the longest: capitals are wide).
    float height = 0.5f * row;
    for (const std::string& line : p.explanations)
        height = GS_FIT_TEXTHEIGHT(height, 1, line, p.explanation_box.width() - 2.0f * dx);
    GS_TEXTSTYLE(1, GS_BLACK, height, 1, 1, 1, 1, 3, 0, 1, status);
    for (int i = 0; i < 6; ++i)
        LG_TEXT(p.explanation_box.x1 + dx, p.explanation_box.y2 - (i + 0.5f) * row,
                p.explanations[static_cast<std::size_t>(i)], status);
    draw_button(p.up_dir, "UP DIR", strip * 0.1f, status);
    draw_button(p.update, "UPDATE", strip * 0.1f, status);
    draw_list(p.directories, status);
    draw_list(p.files, status);
    if (p.files_cut) {
        const Box& b = p.files.box;
        const std::string note =
            "only the first " + std::to_string(p.files.count()) + " files are shown";
        GS_TEXTSTYLE(1, GS_RED,
                     GS_FIT_TEXTHEIGHT(0.75f * note_height, 1, note, 0.95f * b.width()), 1, 1, 1,
                     2, 3, 0, 1, status);
        LG_TEXT((b.x1 + b.x2) / 2.0f, list_bottom + note_height / 2.0f, note, status);
    }
}

// Redraws one list only (after scrolling it).
void redraw_list(ListView& v, int& status)
{
    const LgPageCoordinates page;
    draw_list(v, status);
}

// A click on a vertical or horizontal bar: which of its six zones.
int zone_of(const Box& bar, bool vertical, float x, float y)
{
    const float along = vertical ? (y - bar.y1) / bar.height() : (x - bar.x1) / bar.width();
    return std::clamp(static_cast<int>(along * 6.0f), 0, 5) + 1;
}

void scroll(ListView& v, bool vertical, int zone)
{
    if (vertical) {
        const int last = std::max(1, v.count() - v.visible + 1);
        int first = v.first_line;
        switch (zone) {
        case 1: first = last; break;
        case 2: first += v.visible - 2; break;
        case 3: first += 1; break;
        case 4: first -= 1; break;
        case 5: first -= v.visible - 2; break;
        default: first = 1; break;
        }
        v.first_line = std::clamp(first, 1, last);
    } else {
        const int last = std::max(1, v.longest - 10);
        const int steps[6] = {0, -10, -1, 1, 10, 0};
        int first = zone == 1 ? 1 : zone == 6 ? last : v.first_char + steps[zone - 1];
        v.first_char = std::clamp(first, 1, last);
    }
}

// The entry of a list under a click, or -1.
int entry_at(const ListView& v, float y)
{
    const int r = static_cast<int>((v.box.y2 - y) / v.line_height);
    const int k = r + v.first_line - 1;
    if (r < 0 || r >= v.visible || k < 0 || k >= v.count()) return -1;
    return k;
}

void highlight(const ListView& v, int k, int& status)
{
    const float top = v.box.y2 - (k - (v.first_line - 1)) * v.line_height;
    const LgPageCoordinates page;
    GS_FILLSTYLE(1, GS_BLUE, status);
    GS_RECTANGLE(v.box.x1, top - v.line_height, v.has_vertical ? v.vertical_bar.x1 : v.box.x2, top,
                 true, false, status);
    GS_TEXTSTYLE(2, GS_YELLOW, v.line_height / 1.2f, 1, 1, 1, 1, 3, 0, 1, status);
    LG_TEXT(v.box.x1 + v.line_height * 0.2f, top - v.line_height / 2.0f, v.entry(k), status);
    GS_UPDATE(status);
}

void flash(const Box& b, std::string_view label, int& status)
{
    const LgPageCoordinates page;
    draw_button(b, label, -b.height() * 0.1f, status);
    GS_UPDATE(status);
    draw_button(b, label, b.height() * 0.1f, status);
}

std::string common_start(const std::vector<std::string>& names)
{
    if (names.empty()) return {};
    std::string prefix = names.front();
    for (const std::string& name : names) {
        std::size_t n = 0;
        while (n < prefix.size() && n < name.size() && prefix[n] == name[n]) ++n;
        prefix.resize(n);
    }
    return prefix;
}

enum class Outcome { stay, chosen, redraw };

// Completion of the typed text: one match is taken (a directory entered), or
// the text grows to what all matches share; the same text twice limits the
// file list to the matches.
Outcome complete(Panel& p, int& status)
{
    const std::string typed(st_strip(p.typed).substr(0, 79));
    if (typed.empty()) return Outcome::stay;
    const std::string pattern = typed + "*";
    std::vector<std::string> matches;
    std::vector<bool> is_directory;
    for (int k = 0; k < p.directories.count(); ++k)
        if (IO_STRINGMATCH(p.directories.entry(k), pattern)) {
            matches.push_back(p.directories.entry(k));
            is_directory.push_back(true);
        }
    for (int k = 0; k < p.files.count(); ++k)
        if (IO_STRINGMATCH(p.files.entry(k), pattern)) {
            matches.push_back(p.files.entry(k));
            is_directory.push_back(false);
        }
    if (matches.size() == 1) {
        if (is_directory.front()) {
            p.directory = join(p.directory, matches.front());
            p.typed.clear();
            if (!rebuild_lists(p, status)) return Outcome::stay;
            p.files.first_line = p.directories.first_line = 1;
            return Outcome::redraw;
        }
        p.typed = matches.front();
        return Outcome::stay;
    }
    if (typed == p.last_completion && !matches.empty()) {
        IO_FILESMATCH(p.files.list, pattern, status);
        IO_FILESORDER(p.files.list, status);
        p.files.first_line = 1;
        return Outcome::redraw;
    }
    p.last_completion = typed;
    const std::string grown = common_start(matches);
    if (grown.size() > typed.size()) p.typed = grown;
    p.last_completion = p.typed;
    return Outcome::stay;
}

// A typed name: a directory is entered, a file checked against the mode.
Outcome typed_name(Panel& p, std::string& choice, int& status)
{
    const std::string typed(st_strip(p.typed));
    if (typed.empty()) return Outcome::stay;
    int retstat = 0;
    bool is_file = false;
    std::string file;
    std::string directory = p.directory;
    IO_CHANGEDIR(directory, typed, retstat, is_file, file, status);
    // A refusal is warned about and the typed text cleared.
    if (retstat == 2) {
        warn(" BAD FILE PATH SYNTAX ", status);
        p.typed.clear();
        return Outcome::redraw;
    }
    if (retstat == 0 && !is_file) {
        p.directory = directory;
        p.typed.clear();
        if (rebuild_lists(p, status)) p.files.first_line = p.directories.first_line = 1;
        return Outcome::redraw;
    }
    const bool exists = retstat == 0;
    if (!exists && p.mode != 3 && p.mode != 4) {
        warn(" !!! FILE DOES NOT EXIST, OR WRONG PATH !!!", status);
        p.typed.clear();
        return Outcome::redraw;
    }
    if (exists) {
        const std::string name = IO_NODIRPATH(file, status);
        const bool types_ok = remembered.extension.empty() || IO_FILETYPE(name, remembered.extension);
        const bool pattern_ok = remembered.pattern.empty() || IO_STRINGMATCH(name, remembered.pattern);
        if (p.mode == 1 && !(types_ok && pattern_ok)) {
            warn(" !!! FILE DOES NOT EXIST !!!", status);
            p.typed.clear();
            return Outcome::redraw;
        }
        if (p.mode == 4) {
            warn(" !!! FILE MUST NOT ALREADY EXIST !!!", status);
            p.typed.clear();
            return Outcome::redraw;
        }
        choice = file;
        return Outcome::chosen;
    }
    // A new name is made in the directory shown, ".." parts climbing from
    // there; one starting with "~" is kept for the home directory.
    choice = typed.front() == '~' || file.empty() ? typed : file;
    return Outcome::chosen;
}

// Asks for one extension or a pattern and rebuilds the file list.
void ask_filter(Panel& p, bool extension, int& status)
{
    std::string value = extension ? remembered.extension : remembered.pattern;
    const std::string help[] = {extension ? "Enter file extension (no .)"
                                          : "Enter pattern, using asterisks as wild-cards"};
    int length = 0;
    GS_INPS(true,
            extension ? "ENTER FILE EXTENSION TYPE TO SELECT" : "ENTER FILE NAME PATTERN TO MATCH",
            1, help, value, length, status);
    if (status == ST_ESCAPE_VALUE) {
        status = ST_GOOD_VALUE;
        return;
    }
    const std::string cleaned(st_strip(value).substr(0, extension ? 20 : 80));
    if (extension) remembered.extension = cleaned;
    else remembered.pattern = cleaned;
    set_explanations(p);
    rebuild_lists(p, status);
    p.files.first_line = 1;
}

} // namespace

void GS_DEF_FILESELECTION() { remembered = Remembered{}; }

void GS_FILESELECTION(int max_prompt, int num_prompt, GsLines prompt, int max_info, int num_info,
                      GsLines info, int mode, bool confirm, int& retstat, std::string& file_name,
                      int& status)
{
    constexpr std::string_view position = "Subroutine GS_FILESELECTION V0.9";
    if (!st_enter(status, position)) return;
    retstat = 1; // nothing chosen until a choice is made
    if (max_prompt < 1 || max_info < 1) {
        st_fail(status, ST_MOD_GS + 1, position);
        return;
    }
    if (num_prompt < 0 || num_info < 0 || num_prompt > max_prompt || num_info > max_info) {
        st_fail(status, ST_MOD_GS + 5, position);
        return;
    }
    Panel p;
    p.mode = mode;
    for (int i = 0; i < num_prompt && i < static_cast<int>(prompt.size()); ++i)
        p.prompt.emplace_back(st_trim(prompt[i]));
    for (int i = 0; i < num_info && i < static_cast<int>(info.size()); ++i)
        p.info.emplace_back(st_trim(info[i]));
    set_explanations(p);

    const LgTransformGuard transform;
    const GsRegionsGuard regions;
    const GsMenuLayoutGuard menu_layout;
    GS_INQ_MESSAGE(p.region.x1, p.region.y1, p.region.x2, p.region.y2, status);

    // The starting directory: that of an absolute default name, else the
    // directory remembered for the mode, else the working directory.
    const std::string name(st_strip(file_name));
    std::string* kept = mode == 1 ? &remembered.input_directory
                        : mode >= 2 ? &remembered.output_directory
                                    : nullptr;
    int* kept_line = mode == 1 ? &remembered.input_first_line
                     : mode >= 2 ? &remembered.output_first_line
                                 : nullptr;
    if (!name.empty() && name.front() == separator()) {
        p.directory = IO_DIRPATH(name, status);
        if (p.directory.size() > 1) p.directory.pop_back();
        p.typed = IO_NODIRPATH(name, status);
    } else {
        p.directory = IO_GETCWD(status);
        if (p.directory.empty()) {
            // The working directory was removed: start from a directory that is there.
            io_say("WARNING: Can't find out current directory");
            int translated = 0;
            IO_TRANS_PATH("~", translated, p.directory, status);
            bool exists = false;
            int kind = 0;
            int third = 0;
            if (translated == 0 && !p.directory.empty())
                IO_FILEEXIST(p.directory, exists, kind, third, status);
            if (kind != 2) p.directory = std::string(1, separator());
            io_say("         starting in " + p.directory);
        }
        if (kept != nullptr && !kept->empty()) {
            p.directory = *kept;
            p.files.first_line = *kept_line;
        }
        p.typed = name;
    }
    if (!rebuild_lists(p, status)) return;
    p.files.first_line = std::clamp(p.files.first_line, 1, std::max(1, p.files.count()));

    const LgPageCoordinates page;
    draw_selection(p, status);
    // Under its confirmation, warnings and filter questions, the panel is the
    // page; so it is on paper.
    const std::function<void(int&)> draw_panel = [&](int& s) {
        const LgPageCoordinates panel_page;
        draw_selection(p, s);
        if (p.chosen_file >= 0) highlight(p.files, p.chosen_file, s);
    };
    const GsPageDrawer drawn(draw_panel, true);
    bool forms_doc = false, menus_doc = false;
    GS_INQ_DOC_CONTROL(forms_doc, menus_doc, status);
    const std::string field_prompt = "File Name (Optional)";
    std::string choice;
    bool chosen = false;
    while (status == ST_GOOD_VALUE) {
        int event = 0;
        int workstation = 0;
        float x = 0.0f, y = 0.0f;
        GS_FILLSTYLE(1, GS_WHITE, status);
        GS_TEXTSTYLE(1, GS_BLACK, p.field.height() / 5.0f, 1, 1, 1, 1, 0, 0, 1, status);
        LG_INP_EVENT(1, 1, true, field_prompt, true, p.field.x1, p.field.y1, p.field.x2,
                     p.field.y2, event, workstation, p.typed, x, y, status);
        if (status != ST_GOOD_VALUE) break;
        Outcome outcome = Outcome::stay;
        if (event == LG_EVENT_EXPOSE) {
            outcome = Outcome::redraw;
        } else if (event == LG_EVENT_RETURN) {
            outcome = typed_name(p, choice, status);
        } else if (event == LG_EVENT_TAB) {
            outcome = complete(p, status);
        } else if (event == LG_EVENT_PRESS) {
            bool inside = false;
            int button = 0;
            GS_CAL_MENUCHOICE(x, y, inside, button, status);
            if (button == 1) {
                break;
            } else if (button == 2) {
                GS_MESSAGE(6, 6, menu_descriptions, status);
                outcome = Outcome::redraw;
            } else if (button == 3) {
                if (!p.info.empty())
                    GS_MESSAGE(static_cast<int>(p.info.size()), static_cast<int>(p.info.size()),
                               p.info, status);
                outcome = Outcome::redraw;
            } else if (button == 4) {
                GS_HELPFILESELECT(true, status);
                outcome = Outcome::redraw;
            } else if (button == 5 || button == 6) {
                ask_filter(p, button == 5, status);
                outcome = Outcome::redraw;
            } else if (p.up_dir.contains(x, y)) {
                flash(p.up_dir, "UP DIR", status);
                int up = 0;
                IO_UP_DIRECTORY(p.directory, up, status);
                if (up != 0) {
                    warn("WARNING: You can't go above the \"root\" directory", status);
                } else {
                    rebuild_lists(p, status);
                    p.files.first_line = p.directories.first_line = 1;
                }
                outcome = Outcome::redraw;
            } else if (p.update.contains(x, y)) {
                flash(p.update, "UPDATE", status);
                rebuild_lists(p, status);
                outcome = Outcome::redraw;
            } else if (p.directories.count() > 0 && p.directories.box.contains(x, y) &&
                       !(p.directories.has_vertical && p.directories.vertical_bar.contains(x, y)) &&
                       !(p.directories.has_horizontal &&
                         p.directories.horizontal_bar.contains(x, y))) {
                const int k = entry_at(p.directories, y);
                if (k >= 0) {
                    highlight(p.directories, k, status);
                    p.directory = join(p.directory, p.directories.entry(k));
                    rebuild_lists(p, status);
                    p.files.first_line = p.directories.first_line = 1;
                    outcome = Outcome::redraw;
                }
            } else if (p.files.count() > 0 && p.files.box.contains(x, y) &&
                       !(p.files.has_vertical && p.files.vertical_bar.contains(x, y)) &&
                       !(p.files.has_horizontal && p.files.horizontal_bar.contains(x, y))) {
                const int k = entry_at(p.files, y);
                if (k >= 0) {
                    highlight(p.files, k, status);
                    p.chosen_file = k;
                    choice = join(p.directory, p.files.entry(k));
                    outcome = Outcome::chosen;
                }
            } else {
                bool on_bar = false;
                for (ListView* v : {&p.directories, &p.files}) {
                    if (v->has_vertical && v->vertical_bar.contains(x, y)) {
                        scroll(*v, true, zone_of(v->vertical_bar, true, x, y));
                        redraw_list(*v, status);
                        on_bar = true;
                    } else if (v->has_horizontal && v->horizontal_bar.contains(x, y)) {
                        scroll(*v, false, zone_of(v->horizontal_bar, false, x, y));
                        redraw_list(*v, status);
                        on_bar = true;
                    }
                }
                // Documented panels print themselves on a click beside their parts.
                if (!on_bar && (forms_doc || menus_doc)) {
                    GS_PRINT_PAGE(draw_panel, status);
                    outcome = Outcome::redraw;
                }
            }
        }
        if (outcome == Outcome::chosen && confirm) {
            const std::vector<std::string> help{"Enter \"YES\" if the choice is O.K."};
            bool ok = true;
            GS_INPL(true, "File Selection O.K. ? : " + choice.substr(0, 230), 1, help, ok, status);
            if (status == ST_ESCAPE_VALUE) {
                status = ST_GOOD_VALUE;
                ok = false;
            }
            if (!ok) outcome = Outcome::redraw;
        }
        if (outcome == Outcome::chosen) {
            chosen = true;
            break;
        }
        p.chosen_file = -1;
        if (outcome == Outcome::redraw) draw_panel(status);
        if (status != ST_GOOD_VALUE && status != ST_ESCAPE_VALUE) {
            io_say("WARNING: Problem in file selection widget, bad internal error status");
            ST_OUT(status);
            break;
        }
    }
    if (chosen) {
        file_name = choice;
        retstat = 0;
    }
    if (kept != nullptr) {
        *kept = p.directory;
        *kept_line = p.files.first_line;
    }
}

// How to use the panel, in the fixed-pitch font; on the console when the
// graphics are off.
void GS_HELPFILESELECT(bool gui, int& status)
{
    if (!st_enter(status, "Subroutine GS_HELPFILESELECT V0.2")) return;
    const std::vector<std::string> text = {
        "-----------------------------------------",
        "INTERACTIVE FILE SELECTION GRAPHICS MENU",
        "-----------------------------------------",
        "",
        "The panel shows the current directory, a list of its",
        "sub-directories (left) and a list of its files (right).",
        "The active items are drawn blue on yellow. When there are",
        "no sub-directories the box is white and shows",
        "\"NO SUB-DIRECTORIES\"; when no file passes the selection",
        "the file box shows \"NO SELECTED FILES\".",
        "",
        "Click on a sub-directory to go into it, and on a file to",
        "choose it. When a list is longer than its box, six",
        "vertical scroll buttons appear at its right: from the",
        "bottom, to the last page, a page down, a line down, a",
        "line up, a page up and to the start. When names are too",
        "long for the box, six horizontal scroll buttons appear",
        "at its foot and move the names sideways.",
        "",
        "UP DIR goes up one directory level.",
        "UPDATE reads the directory again: useful while files are",
        "being written during data collection.",
        "",
        "TYPES restricts the files to one file type: enter the",
        "extension without the point, e.g. tif. Delete all the",
        "characters to remove the restriction.",
        "",
        "FILTER restricts the files to names matching a pattern,",
        "with asterisks as wild-cards.",
        "e.g.  If the \"filter\" is set to f*,  only files which",
        "start with an \"f\" will be output.",
        "Both types and filters are case-sensitive.",
        "",
        "A name may also be typed into the \"File Name (Optional)\"",
        "box: a file name, a directory to go to (relative to the",
        "current directory, or a full path; \"..\" goes up, \"~\" is",
        "your home directory), and <RETURN>. The <TAB> key",
        "completes a partly typed name: with one match the name is",
        "taken (a directory is entered), with several the name",
        "grows to what they share, and a second <TAB> shows only",
        "the matching files.",
        "",
        "When a choice must be confirmed, answer \"YES\" or \"NO\".",
        "",
        "CANCEL leaves the panel without choosing a file."};
    if (!gui) {
        IO_TEXT(text, status);
        return;
    }
    GS_MESSAGE_FIXED(text, status);
}
