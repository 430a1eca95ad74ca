#pragma once
// Statement translation: every typed answer, on the terminal and in the
// window's text prompts, passes through here before it is used. A line may
// be continued with a final '&', carry a comment after '!', assign a
// variable (NAME = expression), or use variables, whose names are replaced
// by their values. Text in single quotes is taken as it stands.

#include <string>
#include <string_view>

// Longest statement, continuation lines included.
constexpr std::size_t IO_STATEMENT_MAX = 2000;

// What a statement was (retstat).
enum IoStatementKind : int {
    IO_TR_ANSWER = 0,   // an answer: the translated text is to be used
    IO_TR_ASSIGNED = 1, // a variable was assigned: no answer
    IO_TR_REFUSED = 2   // not usable (reported on the console): no answer
};

// Joins continued lines into one statement, without comments. With
// read_continuations the next lines are read on the terminal ("Continuation: ");
// without, a final '&' ends the statement. retstat: IO_TR_ANSWER, or
// IO_TR_REFUSED for a statement longer than IO_STATEMENT_MAX.
void IO_STATEMENT(std::string_view first_line, bool read_continuations, std::string& statement,
                  int& retstat, int& status);
// Carries out an assignment, or gives the answer with variables replaced.
void IO_TR_PARSE(std::string_view statement, std::string& answer, int& retstat, int& status);
// IO_STATEMENT and IO_TR_PARSE: the answer, empty unless retstat is IO_TR_ANSWER.
// Answers typed into the window are translated without read_continuations.
std::string IO_TRANSLATE(std::string_view line, bool read_continuations, int& retstat, int& status);
