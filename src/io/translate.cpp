#include "io/translate.h"

#include "io/convert.h"
#include "io/evaluate.h"
#include "io/status.h"
#include "io/system.h"
#include "io/line_reader.h"
#include "io/variables.h"

namespace {

// The line up to its comment: a '!' outside quotes. odd_quotes tells whether
// a quote is still open at the end of what is kept.
std::string_view without_comment(std::string_view line, bool& odd_quotes)
{
    odd_quotes = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\'')
            odd_quotes = !odd_quotes;
        else if (line[i] == '!' && !odd_quotes)
            return line.substr(0, i);
    }
    return line;
}

// The '=' of an assignment: outside quotes, not part of <=, >=, ==, /= or
// !=. npos when the statement is no assignment.
std::size_t assignment_sign(std::string_view statement)
{
    bool quoted = false;
    for (std::size_t i = 0; i < statement.size(); ++i) {
        const char c = statement[i];
        if (c == '\'') quoted = !quoted;
        if (quoted || c != '=') continue;
        const char before = i > 0 ? statement[i - 1] : ' ';
        const char after = i + 1 < statement.size() ? statement[i + 1] : ' ';
        if (after == '=' || before == '<' || before == '>' || before == '=' || before == '/' ||
            before == '!')
            continue;
        return i;
    }
    return std::string_view::npos;
}

// The value of a variable as it is written in an answer.
std::string answer_text(const IoValue& value)
{
    int status = ST_GOOD_VALUE;
    switch (value.type) {
    case IoType::integer:
        return IO_ITOC(value.integer, status);
    case IoType::real:
        return IO_RTOC(value.real, status);
    case IoType::logical:
        return IO_LTOC(value.logical, status);
    default:
        return value.text;
    }
}

// An answer: separators are kept, quoted texts are taken as they stand, and
// every other token that names a variable becomes its value. An unclosed
// quote keeps the rest of the line as typed (a file name may hold a quote).
std::string replace_variables(std::string_view statement)
{
    const std::string_view separators = io_separators();
    std::string answer;
    std::size_t at = 0;
    while (at < statement.size()) {
        const char c = statement[at];
        if (c == '\'') {
            int status = ST_GOOD_VALUE;
            std::size_t end = at;
            std::string text;
            bool closed = false;
            IO_QUOTEDSTRING(statement, end, text, closed, status);
            answer += closed ? std::string_view(text) : statement.substr(at);
            at = end;
            continue;
        }
        if (separators.find(c) != std::string_view::npos) {
            answer += c;
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < statement.size() && statement[end] != '\'' &&
               separators.find(statement[end]) == std::string_view::npos)
            ++end;
        const std::string_view token = statement.substr(at, end - at);
        int status = ST_GOOD_VALUE;
        bool found = false;
        IoValue value;
        if (io_variable_name(token)) IO_INQ_VARIABLE(token, found, value, status);
        answer += found ? answer_text(value) : std::string(token);
        at = end;
    }
    return answer;
}

} // namespace

void IO_STATEMENT(std::string_view first_line, bool read_continuations, std::string& statement,
                  int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine IO_STATEMENT V0.1")) return;
    statement.clear();
    retstat = IO_TR_ANSWER;
    bool too_long = false;
    std::string line(first_line);
    for (;;) {
        bool odd_quotes = false;
        std::string_view part = without_comment(line, odd_quotes);
        const std::size_t last = SLEN(part);
        // The blanks before the '&' stay: they may separate two answers.
        const bool continued = last > 0 && part[last - 1] == '&' && !odd_quotes;
        if (continued) part = part.substr(0, last - 1);
        if (too_long || statement.size() + part.size() > IO_STATEMENT_MAX)
            too_long = true;
        else
            statement += part;
        if (!continued || !read_continuations) break;
        // A long statement is read to its end, so that its last lines are
        // not taken for answers.
        IO_READ("Continuation: ", line, status);
        if (status != ST_GOOD_VALUE) return;
    }
    if (too_long) {
        io_say("WARNING: Statement longer than 2000 characters: not used");
        statement.clear();
        retstat = IO_TR_REFUSED;
    }
}

void IO_TR_PARSE(std::string_view statement, std::string& answer, int& retstat, int& status)
{
    answer.clear();
    if (!st_enter(status, "Subroutine IO_TR_PARSE V0.1")) return;
    retstat = IO_TR_ANSWER;
    const std::size_t equals = assignment_sign(statement);
    if (equals == std::string_view::npos) {
        answer = replace_variables(statement);
        return;
    }
    retstat = IO_TR_REFUSED;
    const std::string_view name = st_strip(statement.substr(0, equals));
    const std::string_view expression = st_strip(statement.substr(equals + 1));
    if (name.empty()) {
        io_say("WARNING: Syntax error: No variable name before =");
        return;
    }
    if (expression.empty()) {
        io_say("WARNING: Syntax error: No expression after =");
        return;
    }
    if (!io_variable_name(name)) {
        io_say("WARNING: Not a variable name: " + std::string(name));
        return;
    }
    IoValue value;
    int evaluated = IO_EVAL_GOOD;
    IO_EVALUATE(expression, value, evaluated, status);
    if (evaluated != IO_EVAL_GOOD) return;
    int stored = 1;
    IO_SET_VARIABLE(name, value, stored, status);
    if (stored == 0) retstat = IO_TR_ASSIGNED;
}

std::string IO_TRANSLATE(std::string_view line, bool read_continuations, int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine IO_TRANSLATE V0.1")) return {};
    std::string statement;
    IO_STATEMENT(line, read_continuations, statement, retstat, status);
    if (status != ST_GOOD_VALUE || retstat != IO_TR_ANSWER) return {};
    std::string answer;
    IO_TR_PARSE(statement, answer, retstat, status);
    return answer;
}
