#pragma once
// Questions asked on the terminal: typed values with defaults, ranges and
// help, a command menu, and a pager for help texts.

#include <span>
#include <string>
#include <string_view>

#include "io/line_reader.h"
#include "io/translate.h"

using TextLines = std::span<const std::string>;

// Empties the current input line (and forgets its token position).
void IO_DEF_INPUT(int& status);

// The next translated answer line; a line that assigns a variable is no
// answer, and the question is asked again.
void IO_INPUT_LINE(std::string_view prompt, std::string& line, int& status);
// The next token of the current answer line; a new line is read and
// translated when it is used up (an empty line gives an empty token).
void IO_INPUT_TOKEN(std::string_view prompt, std::string& token, int& status);
// The first line from start (0-based) on, going forwards or backwards and
// round the end, that holds the text; -1 when none does.
void IO_SEARCH_TOKEN(TextLines lines, int start, bool forwards, std::string_view text,
                     bool case_sensitive, int& found, int& status);
// The question line: the prompt, the default in brackets and the range.
std::string IO_OUTPROMPT(std::string_view prompt, std::string_view default_text,
                         std::string_view range_text);

void IO_INPI(bool range, int lower, int upper, std::string_view prompt, TextLines help,
             int& value, int& status);
void IO_INPR(bool range, float lower, float upper, std::string_view prompt, TextLines help,
             float& value, int& status);
void IO_INPL(std::string_view prompt, TextLines help, bool& value, int& status);
// A whole line of text; an empty answer keeps the default.
void IO_INPS(std::string_view prompt, TextLines help, std::string& value, int& status);
// As IO_INPS, but an empty result is refused with the error text.
void IO_INPC(std::string_view prompt, TextLines help, std::string_view error_text,
             std::string& value, int& status);

// Index (0-based) of the command that the entry's first word abbreviates:
// -1 no match, -2 ambiguous.
void IO_COMMAND(std::string_view entry, TextLines commands, int& index, std::string& command,
                int& status);
void IO_MENU(std::string_view prompt, TextLines commands, TextLines explanations,
             std::string& command, int& status);
// Shows lines a page at a time, with paging and search commands.
void IO_TEXT(TextLines lines, int& status);
