// The evaluator: an expression becomes a syntax string and an operand list,
// which are reduced pattern by pattern. Nothing here recurses, and every
// loop moves forward through a text of bounded length, so that any typed
// input ends with a value or a report.

#include "io/evaluate.h"

#include <algorithm>
#include <array>

#include "io/convert.h"
#include "io/status.h"
#include "io/variables.h"

namespace {

struct Written
{
    std::string_view text;
    char symbol;
};

// Operators written with dots; case does not matter.
constexpr std::array<Written, 11> dotted_operators{{{".EQ.", '='},
                                                    {".NE.", '~'},
                                                    {".LT.", '<'},
                                                    {".GT.", '>'},
                                                    {".LE.", '{'},
                                                    {".GE.", '}'},
                                                    {".NOT.", '!'},
                                                    {".AND.", '&'},
                                                    {".OR.", '|'},
                                                    {".EQV.", '@'},
                                                    {".NEQV.", ';'}}};

// Two-character operators, tried before the one-character ones.
constexpr std::array<Written, 7> paired_operators{
    {{"**", '^'}, {"//", '%'}, {"/=", '~'}, {"==", '='}, {"!=", '~'}, {"<=", '{'}, {">=", '}'}}};

constexpr std::string_view single_operators = "^*/+-<>():,";

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

bool starts_with_nocase(std::string_view text, std::size_t at, std::string_view word)
{
    if (text.size() - at < word.size()) return false;
    return IO_UPPER(text.substr(at, word.size())) == word;
}

// The dotted word (operator or logical constant) at a position, if any.
std::string_view dotted_word(std::string_view text, std::size_t at)
{
    for (const auto& op : dotted_operators)
        if (starts_with_nocase(text, at, op.text)) return op.text;
    for (std::string_view word : {".TRUE.", ".FALSE."})
        if (starts_with_nocase(text, at, word)) return word;
    return {};
}

bool syntax_error(std::string_view message, int& retstat)
{
    io_say(message);
    retstat = IO_EVAL_BAD_SYNTAX;
    return false;
}

// An operand token converted to its value; a failure is written with the token.
bool IO_EVAL_STRING(std::string_view token, IoType type, IoValue& value)
{
    int status = ST_GOOD_VALUE;
    bool found = false;
    if (token.size() <= IO_EVAL_MAX_TOKEN) {
        if (type == IoType::integer) {
            int i = 0;
            IO_TOKTI(token, found, i, status);
            value = io_integer(i);
        } else {
            float r = 0.0f;
            IO_TOKTR(token, found, r, status);
            value = io_real(r);
        }
    }
    if (found) return true;
    io_say(type == IoType::integer ? "WARNING: Problem converting token to an integer value:"
                                   : "WARNING: Problem converting token to a real value:");
    io_say(token);
    return false;
}

void append(IoEvalWork& work, char symbol, IoValue operand)
{
    work.syntax += symbol;
    work.operands.push_back(std::move(operand));
}

// A number: digits, a point and digits, an exponent; a point that begins a
// dotted operator (1.EQ.2) ends the number instead.
bool number_token(std::string_view text, std::size_t& at, IoEvalWork& work, int& retstat)
{
    const std::size_t begin = at;
    bool real = false;
    while (at < text.size() && is_digit(text[at]))
        ++at;
    if (at < text.size() && text[at] == '.' && dotted_word(text, at).empty()) {
        real = true;
        ++at;
        while (at < text.size() && is_digit(text[at]))
            ++at;
    }
    if (at < text.size() && std::string_view("EeDd").find(text[at]) != std::string_view::npos) {
        real = true;
        ++at;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
        while (at < text.size() && is_digit(text[at]))
            ++at;
    }
    IoValue value;
    if (!IO_EVAL_STRING(text.substr(begin, at - begin), real ? IoType::real : IoType::integer,
                        value)) {
        retstat = IO_EVAL_BAD_SYNTAX;
        return false;
    }
    append(work, 'o', std::move(value));
    return true;
}

// A name: a function when an opening parenthesis follows (unless it is a
// text variable, whose sub-text is taken), otherwise a variable.
bool name_token(std::string_view text, std::size_t& at, IoEvalWork& work, int& retstat)
{
    const std::size_t begin = at;
    while (at < text.size() && io_name_char(text[at]))
        ++at;
    const std::string_view name = text.substr(begin, at - begin);
    if (name.size() > IO_EVAL_MAX_TOKEN)
        return syntax_error("WARNING: Name longer than 32 characters: " +
                                std::string(name.substr(0, IO_EVAL_MAX_TOKEN)) + "...",
                            retstat);
    int status = ST_GOOD_VALUE;
    bool found = false;
    IoValue value;
    IO_INQ_VARIABLE(name, found, value, status);
    const std::size_t next = text.find_first_not_of(" \t", at);
    if (next != std::string_view::npos && text[next] == '(' &&
        !(found && value.type == IoType::character)) {
        IoValue function;
        function.text = IO_UPPER(name);
        append(work, 'f', std::move(function));
        return true;
    }
    if (!found) return syntax_error("WARNING: Unknown variable: " + std::string(name), retstat);
    append(work, 'o', std::move(value));
    return true;
}

// The next token of the expression from a position, added to the work area.
bool IO_EVAL_TOKEN(std::string_view text, std::size_t& at, IoEvalWork& work, int& retstat)
{
    const char c = text[at];
    if (c == '\'') {
        int status = ST_GOOD_VALUE;
        const std::size_t begin = at;
        std::string value;
        bool closed = false;
        IO_QUOTEDSTRING(text, at, value, closed, status);
        if (!closed || value.size() > IO_EVAL_MAX_TEXT) {
            io_say("WARNING: Problem converting token to a string value:");
            io_say(text.substr(begin, at - begin));
            retstat = IO_EVAL_BAD_SYNTAX;
            return false;
        }
        append(work, 'o', io_character(value));
        return true;
    }
    if (is_digit(c) || (c == '.' && at + 1 < text.size() && is_digit(text[at + 1])))
        return number_token(text, at, work, retstat);
    if (io_name_start(c)) return name_token(text, at, work, retstat);
    if (c == '.') {
        const std::string_view word = dotted_word(text, at);
        if (word == ".TRUE." || word == ".FALSE.") {
            append(work, 'o', io_logical(word == ".TRUE."));
            at += word.size();
            return true;
        }
        for (const auto& op : dotted_operators) {
            if (op.text == word && !word.empty()) {
                work.syntax += op.symbol;
                at += word.size();
                return true;
            }
        }
    }
    for (const auto& op : paired_operators) {
        if (text.substr(at, 2) == op.text) {
            work.syntax += op.symbol;
            at += 2;
            return true;
        }
    }
    if (single_operators.find(c) != std::string_view::npos) {
        work.syntax += c;
        ++at;
        return true;
    }
    return syntax_error("WARNING: Syntax error: Not understood: " +
                            std::string(text.substr(at, IO_EVAL_MAX_TOKEN)),
                        retstat);
}

bool IO_EVAL_TOKENS(std::string_view text, IoEvalWork& work, int& retstat)
{
    std::size_t at = 0;
    for (;;) {
        at = text.find_first_not_of(" \t", at);
        if (at == std::string_view::npos) return true;
        if (!IO_EVAL_TOKEN(text, at, work, retstat)) return false;
    }
}

// ---- Reduction ----

bool is_item(char c)
{
    return c == 'o' || c == 'f';
}

// Two operands side by side, also when one is in parentheses or a function:
// 2 3, 2 SQRT(4), (1)(2).
bool missing_operator(std::string_view syntax)
{
    for (std::size_t i = 0; i + 1 < syntax.size(); ++i) {
        const bool ends = syntax[i] == 'o' || syntax[i] == ')';
        const char next = syntax[i + 1];
        if (ends && (next == 'o' || next == 'f' || (syntax[i] == ')' && next == '('))) return true;
    }
    return false;
}

// A pattern found in the syntax string.
struct Match
{
    std::size_t at = std::string::npos;
    std::size_t length = 0;
    bool found() const { return at != std::string::npos; }
};

Match leftmost(std::string_view syntax, std::initializer_list<std::string_view> patterns)
{
    Match best;
    for (std::string_view p : patterns) {
        const std::size_t at = syntax.find(p);
        if (at < best.at) best = {at, p.size()};
    }
    return best;
}

// f(o,o,o[,o...]): a function of three or more operands.
Match IO_EVAL_MULTIF(std::string_view syntax)
{
    for (std::size_t at = syntax.find("f(o,o,o"); at != std::string_view::npos;
         at = syntax.find("f(o,o,o", at + 1)) {
        std::size_t end = at + 7;
        while (syntax.substr(end, 2) == ",o")
            end += 2;
        if (end < syntax.size() && syntax[end] == ')') return {at, end + 1 - at};
    }
    return {};
}

// A sign before an operand, where no operand or closing parenthesis comes
// before it to make it a subtraction or addition. It binds to its operand
// before multiplication, so that -2+3 is 1 and 8/-2*4 is -16, but after a
// power: -2**2 is -4.
Match sign(std::string_view syntax)
{
    for (std::size_t at = 0; at + 1 < syntax.size(); ++at) {
        const char c = syntax[at];
        if ((c != '-' && c != '+') || syntax[at + 1] != 'o') continue;
        if (at > 0 && (syntax[at - 1] == 'o' || syntax[at - 1] == ')')) continue;
        if (at + 2 < syntax.size() && syntax[at + 2] == '^') continue;
        return {at, 2};
    }
    return {};
}

// The first pattern to reduce, in the order of the passes; operators of the
// same rank (* and /, + and -) are taken left to right.
Match next_pattern(std::string_view syntax)
{
    using List = std::initializer_list<std::string_view>;
    Match m = IO_EVAL_MULTIF(syntax);
    if (m.found()) return m;
    for (List passes : {List{"o(o:o)"}, List{"f(o)"}, List{"f(o,o)"}, List{"(o)"}, List{"o^o"}}) {
        if ((m = leftmost(syntax, passes)).found()) return m;
    }
    if ((m = sign(syntax)).found()) return m;
    for (List passes : {List{"o*o", "o/o"}, List{"o+o", "o-o"}, List{"o%o"}, List{"o}o"},
                        List{"o{o"}, List{"o>o"}, List{"o<o"}, List{"o=o"}, List{"o~o"}, List{"!o"},
                        List{"o&o"}, List{"o|o"}, List{"o@o"}, List{"o;o"}}) {
        if ((m = leftmost(syntax, passes)).found()) return m;
    }
    return {};
}

// The value of a reduced pattern from its operands.
bool apply(std::string_view pattern, std::span<const IoValue> items, IoValue& result)
{
    int status = ST_GOOD_VALUE;
    bool ok = false;
    if (pattern.front() == 'f') {
        const std::string& name = items.front().text;
        const auto operands = items.subspan(1);
        if (operands.size() == 1)
            IO_EVAL_1FUN(name, operands[0], result, ok, status);
        else if (operands.size() == 2)
            IO_EVAL_2FUN(name, operands[0], operands[1], result, ok, status);
        else
            IO_EVAL_MFUN(name, operands, result, ok, status);
        return ok;
    }
    if (pattern == "o(o:o)") {
        io_eval_substring(items[0], items[1], items[2], result, ok);
        return ok;
    }
    if (pattern == "(o)") {
        result = items[0];
        return true;
    }
    if (pattern.size() == 2) {
        if (pattern.front() == '!')
            IO_EVAL_LOGOP('!', items[0], items[0], result, ok, status);
        else
            IO_EVAL_NUMOP(pattern.front(), items[0], result, ok, status);
        return ok;
    }
    const char symbol = pattern[1];
    const IoValue& a = items[0];
    const IoValue& b = items[1];
    if (std::string_view("^*/+-").find(symbol) != std::string_view::npos)
        IO_EVAL_ARITHMETIC(symbol, a, b, result, ok, status);
    else if (symbol == '%')
        io_eval_join(a, b, result, ok);
    else if (std::string_view("}{><=~").find(symbol) != std::string_view::npos)
        IO_EVAL_RELATIONAL(symbol, a, b, result, ok, status);
    else
        IO_EVAL_LOGOP(symbol, a, b, result, ok, status);
    return ok;
}

std::size_t items_before(std::string_view syntax, std::size_t at)
{
    return static_cast<std::size_t>(std::count_if(syntax.begin(), syntax.begin() + at, is_item));
}

// The reduced pattern becomes one operand in the syntax string ...
void IO_EVAL_OPSHRINK(IoEvalWork& work, const Match& m)
{
    work.syntax.replace(m.at, m.length, 1, 'o');
}

// ... and its operands one in the operand list.
void IO_EVAL_COMPACT(IoEvalWork& work, std::size_t first, std::size_t count, IoValue result)
{
    const auto begin = work.operands.begin() + static_cast<std::ptrdiff_t>(first);
    work.operands.erase(begin + 1, begin + static_cast<std::ptrdiff_t>(count));
    *begin = std::move(result);
}

} // namespace

void IO_QUOTEDSTRING(std::string_view statement, std::size_t& position, std::string& text,
                     bool& closed, int& status)
{
    closed = false;
    text.clear();
    if (!st_enter(status, "Subroutine IO_QUOTEDSTRING V0.1")) return;
    std::size_t at = position + 1;
    while (at < statement.size()) {
        if (statement[at] == '\'') {
            if (at + 1 < statement.size() && statement[at + 1] == '\'') {
                text += '\'';
                at += 2;
                continue;
            }
            closed = true;
            ++at;
            break;
        }
        text += statement[at++];
    }
    position = std::min(at, statement.size());
}

void IO_EVAL_SYNTAX(std::string_view expression, IoEvalWork& work, int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine IO_EVAL_SYNTAX V0.1")) return;
    work = {};
    retstat = IO_EVAL_GOOD;
    if (expression.size() > IO_EVAL_MAX_SYNTAX) {
        syntax_error("WARNING: Expression longer than 2000 characters", retstat);
        return;
    }
    if (!IO_EVAL_TOKENS(expression, work, retstat)) return;
    if (missing_operator(work.syntax))
        syntax_error("WARNING: Syntax error: Missing operator", retstat);
}

void IO_EVAL_EVAL(IoEvalWork& work, int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine IO_EVAL_EVAL V0.1")) return;
    retstat = IO_EVAL_GOOD;
    // Each reduction shortens the syntax, so this ends.
    while (work.syntax != "o") {
        const Match m = next_pattern(work.syntax);
        if (!m.found()) {
            syntax_error(missing_operator(work.syntax)
                             ? "WARNING: Syntax error: Missing operator"
                             : "WARNING: Could not fully process statement",
                         retstat);
            return;
        }
        const std::string_view pattern = std::string_view(work.syntax).substr(m.at, m.length);
        const std::size_t first = items_before(work.syntax, m.at);
        const std::size_t count =
            static_cast<std::size_t>(std::count_if(pattern.begin(), pattern.end(), is_item));
        IoValue result;
        if (!apply(pattern, std::span<const IoValue>(work.operands).subspan(first, count),
                   result)) {
            retstat = IO_EVAL_FAILED;
            return;
        }
        IO_EVAL_OPSHRINK(work, m);
        IO_EVAL_COMPACT(work, first, count, std::move(result));
    }
}

void IO_EVALUATE(std::string_view expression, IoValue& value, int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine IO_EVALUATE V0.1")) return;
    IoEvalWork work;
    IO_EVAL_SYNTAX(expression, work, retstat, status);
    if (retstat != IO_EVAL_GOOD) return;
    IO_EVAL_EVAL(work, retstat, status);
    if (retstat != IO_EVAL_GOOD) return;
    value = std::move(work.operands.front());
}
