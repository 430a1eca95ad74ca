#include "io/terminal.h"

#include <algorithm>
#include <vector>

#include "io/convert.h"
#include "io/os/os_layer.h"
#include "io/status.h"
#include "io/system.h"

namespace {

constexpr int DEFAULT_PAGE_LINES = 20;

// The line being consumed token by token, so that several answers may be
// typed on one line.
std::string input_line;
std::size_t input_position = 0;

// The pager's settings last for the run.
int page_lines = DEFAULT_PAGE_LINES;
bool case_sensitive = false;

bool is_help(std::string_view answer)
{
    const std::string word = IO_UPPER(st_strip(answer));
    return word == "?" || word == "HELP";
}

// The question loop shared by the typed-value questions: shows the prompt,
// reads an answer, shows help on request, and hands the answer to accept()
// until it takes it. An empty answer keeps the default.
template <typename Accept>
void ask(std::string_view prompt, std::string_view default_text, std::string_view range_text,
         TextLines help, bool whole_line, int& status, Accept accept)
{
    const std::string question = IO_OUTPROMPT(prompt, default_text, range_text);
    for (;;) {
        std::string answer;
        if (whole_line) IO_INPUT_LINE(question, answer, status);
        else IO_INPUT_TOKEN(question, answer, status);
        if (status != ST_GOOD_VALUE) return;
        if (is_help(answer)) {
            IO_TEXT(help, status);
            if (status != ST_GOOD_VALUE) return;
            continue;
        }
        if (accept(answer)) return;
    }
}

// The next line typed that is an answer: a statement that assigned a
// variable, or was refused, gives none, and the question is asked again.
void next_answer(std::string_view prompt, std::string& answer, int& status)
{
    for (;;) {
        std::string raw;
        IO_READ(prompt, raw, status);
        if (status != ST_GOOD_VALUE) return;
        int retstat = IO_TR_ANSWER;
        answer = IO_TRANSLATE(raw, true, retstat, status);
        if (status != ST_GOOD_VALUE || retstat == IO_TR_ANSWER) return;
    }
}

void show_page(TextLines lines, int top, int& status)
{
    const int n = static_cast<int>(lines.size());
    for (int i = top; i < std::min(n, top + page_lines); ++i) IO_WRITE(lines[i], status);
}

void show_pager_help(int& status)
{
    for (const char* line : {
             "Pager commands (upper or lower case):",
             "   F or <RETURN>  Forward one page",
             "   D              Down (forward) one page",
             "   B or U         Back (up) one page",
             "   S              Start of text",
             "   E              End of text",
             "   Q              Quit",
             "   N              Set number of lines per page (0: no paging)",
             "   C              Toggle case-sensitive searching",
             "   > or <         Search forwards or backwards for a text",
             "   number         Go to that line",
             "   H or ?         This list"})
        IO_WRITE(line, status);
}

} // namespace

void IO_DEF_INPUT(int& status)
{
    if (!st_enter(status, "Subroutine IO_DEF_INPUT V0.1")) return;
    input_line.clear();
    input_position = 0;
    page_lines = DEFAULT_PAGE_LINES;
    case_sensitive = false;
}

void IO_INPUT_LINE(std::string_view prompt, std::string& line, int& status)
{
    if (!st_enter(status, "Subroutine IO_INPUT_LINE V0.1")) return;
    next_answer(prompt, line, status);
    if (status != ST_GOOD_VALUE) return;
    line = std::string(st_trim(line));
    input_line.clear();
    input_position = 0;
}

// Several answers may be typed on one line: they are handed out one by one.
void IO_INPUT_TOKEN(std::string_view prompt, std::string& token, int& status)
{
    if (!st_enter(status, "Subroutine IO_INPUT_TOKEN V0.1")) return;
    IO_TOKEN(input_line, input_position, token, status);
    if (!token.empty()) return;
    next_answer(prompt, input_line, status);
    input_position = 0;
    if (status != ST_GOOD_VALUE) {
        input_line.clear();
        return;
    }
    IO_TOKEN(input_line, input_position, token, status);
}

void IO_SEARCH_TOKEN(TextLines lines, int start, bool forwards, std::string_view text,
                     bool case_sensitive, int& found, int& status)
{
    found = -1;
    if (!st_enter(status, "Subroutine IO_SEARCH_TOKEN V0.1")) return;
    const int n = static_cast<int>(lines.size());
    if (n == 0 || text.empty()) return;
    const std::string wanted = case_sensitive ? std::string(text) : IO_UPPER(text);
    int line = ((start % n) + n) % n;
    for (int k = 0; k < n; ++k) {
        const std::string_view held = lines[line];
        if ((case_sensitive ? std::string(held) : IO_UPPER(held)).find(wanted) !=
            std::string::npos) {
            found = line;
            return;
        }
        line = forwards ? (line + 1) % n : (line + n - 1) % n;
    }
}

std::string IO_OUTPROMPT(std::string_view prompt, std::string_view default_text,
                         std::string_view range_text)
{
    std::string line(st_trim(prompt));
    line += " [";
    line += st_trim(default_text);
    line += "]";
    if (!range_text.empty()) {
        line += " ";
        line += range_text;
    }
    line += ": ";
    return line;
}

namespace {

// The numeric questions: the answer is converted, and refused (with the
// question asked again) when it is no number or lies outside the range.
template <typename T, typename ToText, typename Convert>
void ask_number(bool range, T lower, T upper, std::string_view prompt, TextLines help, T& value,
                int& status, ToText to_text, Convert convert, std::string_view failure)
{
    const std::string range_text =
        range ? "(Range: " + to_text(lower) + " to " + to_text(upper) + ")" : "";
    ask(prompt, to_text(value), range_text, help, false, status, [&](const std::string& answer) {
        if (answer.empty()) return true;
        bool found = false;
        T entered = value;
        convert(answer, found, entered, status);
        if (!found) {
            IO_WRITE(failure, status);
            return false;
        }
        if (range && (entered < lower || entered > upper)) {
            IO_WRITE("WARNING: Entered value is out of the acceptable range", status);
            return false;
        }
        value = entered;
        return true;
    });
}

} // namespace

void IO_INPI(bool range, int lower, int upper, std::string_view prompt, TextLines help,
             int& value, int& status)
{
    if (!st_enter(status, "Subroutine IO_INPI V0.1")) return;
    ask_number(range, lower, upper, prompt, help, value, status,
               [](int v) { return std::to_string(v); }, IO_TOKTI,
               "Entered response cannot be converted to an integer");
}

void IO_INPR(bool range, float lower, float upper, std::string_view prompt, TextLines help,
             float& value, int& status)
{
    if (!st_enter(status, "Subroutine IO_INPR V0.1")) return;
    ask_number(range, lower, upper, prompt, help, value, status,
               [](float v) {
                   int convert = ST_GOOD_VALUE;
                   return IO_RTOC(v, convert);
               },
               IO_TOKTR, "Error in input value: cannot convert to a real number");
}

void IO_INPL(std::string_view prompt, TextLines help, bool& value, int& status)
{
    if (!st_enter(status, "Subroutine IO_INPL V0.1")) return;
    ask(prompt, value ? "YES" : "NO", "", help, false, status, [&](const std::string& answer) {
        if (answer.empty()) return true;
        bool found = false;
        IO_TOKTL(answer, found, value, status);
        if (!found) IO_WRITE("Error in input value: please answer YES or NO", status);
        return found;
    });
}

void IO_INPS(std::string_view prompt, TextLines help, std::string& value, int& status)
{
    if (!st_enter(status, "Subroutine IO_INPS V0.1")) return;
    ask(prompt, value, "", help, true, status, [&](const std::string& answer) {
        if (!answer.empty()) value = answer;
        return true;
    });
}

void IO_INPC(std::string_view prompt, TextLines help, std::string_view error_text,
             std::string& value, int& status)
{
    if (!st_enter(status, "Subroutine IO_INPC V0.1")) return;
    ask(prompt, value, "", help, true, status, [&](const std::string& answer) {
        if (!answer.empty()) value = answer;
        if (!st_strip(value).empty()) return true;
        IO_WRITE(error_text, status);
        return false;
    });
}

void IO_COMMAND(std::string_view entry, TextLines commands, int& index, std::string& command,
                int& status)
{
    index = -1;
    if (!st_enter(status, "Subroutine IO_COMMAND V0.1")) return;
    std::size_t at = 0;
    std::string word;
    IO_TOKEN(entry, at, word, status);
    word = IO_UPPER(word);
    if (word.empty()) return;
    int matches = 0;
    for (std::size_t i = 0; i < commands.size(); ++i) {
        const std::string name = IO_UPPER(st_strip(commands[i]));
        if (name == word) {
            // A complete name is never ambiguous, even when it starts a longer one.
            index = static_cast<int>(i);
            command = name;
            return;
        }
        if (name.rfind(word, 0) == 0) {
            if (++matches == 1) {
                index = static_cast<int>(i);
                command = name;
            }
        }
    }
    if (matches > 1) index = -2;
}

void IO_MENU(std::string_view prompt, TextLines commands, TextLines explanations,
             std::string& command, int& status)
{
    if (!st_enter(status, "Subroutine IO_MENU V0.1")) return;
    std::vector<std::string> menu;
    for (std::size_t i = 0; i < commands.size(); ++i) {
        std::string line = "   " + std::string(st_strip(commands[i]));
        if (i < explanations.size() && !st_strip(explanations[i]).empty()) {
            line.resize(std::max<std::size_t>(line.size() + 2, 24), ' ');
            line += st_strip(explanations[i]);
        }
        menu.push_back(line);
    }
    IO_TEXT(menu, status);
    for (;;) {
        std::string entry;
        IO_INPS(prompt, menu, entry, status);
        if (status != ST_GOOD_VALUE) return;
        entry = std::string(st_strip(entry));
        if (entry.empty()) {
            IO_WRITE("ERROR: Null command entered", status);
            continue;
        }
        int index = -1;
        std::string chosen;
        IO_COMMAND(IO_UPPER(entry), commands, index, chosen, status);
        if (index >= 0) {
            command = chosen;
            return;
        }
        if (index == -2) {
            IO_WRITE("WARNING: Entered command is ambiguous. Please enter more letters.", status);
        } else if (entry.front() == '$') {
            IO_WRITE("INFO: Sending the command to the operating system", status);
            IO_SYSTEM(entry.substr(1), status);
        } else {
            IO_WRITE("WARNING: Entered text does not correspond to any of the available choices.",
                     status);
            std::vector<std::string> reminder{"Please enter a command from the menu."};
            reminder.insert(reminder.end(), menu.begin(), menu.end());
            IO_TEXT(reminder, status);
        }
    }
}

void IO_TEXT(TextLines lines, int& status)
{
    if (!st_enter(status, "Subroutine IO_TEXT V0.1")) return;
    const int n = static_cast<int>(lines.size());
    if (page_lines <= 0 || n <= page_lines) {
        show_page(lines, 0, status);
        return;
    }
    int top = 0;
    show_page(lines, top, status);
    std::string search;
    // The pager ends once the last line has been shown.
    for (;;) {
        const int shown = std::min(n, top + page_lines);
        if (shown >= n) return;
        const int percent = std::min(99, shown * 100 / n);
        std::string reply;
        IO_INPUT_KEY("--- " + io_fortran_i(percent, 2) +
                         "% --- <RETURN> for next page, ? for help: ",
                     reply, status);
        if (status != ST_GOOD_VALUE) return;
        const std::string command = IO_UPPER(st_strip(reply));
        bool is_number = !command.empty() &&
                         command.find_first_not_of("0123456789") == std::string::npos;
        if (command.empty() || command == "F" || command == "D") {
            top += page_lines;
        } else if (command == "B" || command == "U") {
            top = std::max(0, top - page_lines);
        } else if (command == "S") {
            top = 0;
        } else if (command == "E") {
            top = std::max(0, n - page_lines);
        } else if (command == "Q") {
            return;
        } else if (command == "N") {
            IO_INPI(true, 0, 1000, "NUMBER OF LINES PER PAGE (0: NO PAGING)", {}, page_lines,
                    status);
            if (status != ST_GOOD_VALUE) return;
            if (page_lines == 0) {
                for (int i = shown; i < n; ++i) IO_WRITE(lines[i], status);
                return;
            }
        } else if (command == "C") {
            case_sensitive = !case_sensitive;
            IO_WRITE(case_sensitive ? "INFO: Searching is case-sensitive"
                                    : "INFO: Searching ignores case",
                     status);
            continue;
        } else if (command == ">" || command == "<") {
            IO_INPS("ENTER SEARCH TEXT", {}, search, status);
            if (status != ST_GOOD_VALUE) return;
            // The search starts beside the top line and goes round the end.
            const bool forwards = command == ">";
            int found = -1;
            IO_SEARCH_TOKEN(lines, forwards ? top + 1 : top - 1, forwards, search, case_sensitive,
                            found, status);
            if (found < 0) {
                IO_WRITE("WARNING: Search text not found", status);
                continue;
            }
            top = found;
        } else if (is_number && command.size() < 9) {
            top = std::clamp(std::stoi(command) - 1, 0, n - 1);
        } else if (command == "H" || command == "?") {
            show_pager_help(status);
            continue;
        } else {
            IO_WRITE("WARNING: Unknown pager command; enter ? for the list", status);
            continue;
        }
        show_page(lines, top, status);
    }
}
