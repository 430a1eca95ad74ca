// The operators of the evaluator and the conversions of their operands. All
// arithmetic is checked: an INTEGER result that does not fit 32 bits, a
// division by zero or a REAL result that is no finite single-precision number
// is a failed operation, reported with its operand, never a wrapped or
// undefined value.

#include <cmath>
#include <limits>

#include "io/convert.h"
#include "io/eval_support.h"
#include "io/evaluate.h"
#include "io/status.h"

IoValue io_integer(int value)
{
    IoValue v;
    v.type = IoType::integer;
    v.integer = value;
    return v;
}

IoValue io_real(float value)
{
    IoValue v;
    v.type = IoType::real;
    v.real = value;
    return v;
}

IoValue io_logical(bool value)
{
    IoValue v;
    v.type = IoType::logical;
    v.logical = value;
    return v;
}

IoValue io_character(std::string_view value)
{
    IoValue v;
    v.type = IoType::character;
    v.text = std::string(value);
    return v;
}

namespace eval {

bool fail(std::string_view message, const IoValue& operand)
{
    int status = ST_GOOD_VALUE;
    IO_EVAL_ERROR(message, operand, status);
    return false;
}

bool integer_result(long long value, const IoValue& operand, IoValue& result)
{
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return fail("INTEGER overflow", operand);
    result = io_integer(static_cast<int>(value));
    return true;
}

bool real_result(double value, const IoValue& operand, IoValue& result)
{
    if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max())
        return fail("Result is not a finite REAL number", operand);
    result = io_real(static_cast<float>(value));
    return true;
}

bool truncated(double value, int& result)
{
    // Written so that a NaN fails too.
    if (!(value > -2147483649.0 && value < 2147483648.0)) return false;
    result = static_cast<int>(value);
    return true;
}

bool numeric(IoValue& v)
{
    if (v.type == IoType::integer || v.type == IoType::real) return true;
    if (v.type == IoType::character) {
        int status = ST_GOOD_VALUE;
        bool found = false;
        int i = 0;
        IO_TOKTI(v.text, found, i, status);
        if (found) {
            v = io_integer(i);
            return true;
        }
        float r = 0.0f;
        IO_TOKTR(v.text, found, r, status);
        if (found) {
            v = io_real(r);
            return true;
        }
    }
    return fail("Operand not convertible to INTEGER nor REAL", v);
}

double real_of(const IoValue& v)
{
    return v.type == IoType::integer ? static_cast<double>(static_cast<float>(v.integer))
                                     : static_cast<double>(v.real);
}

void promote(IoValue& v)
{
    if (v.type == IoType::integer) v = io_real(static_cast<float>(v.integer));
}

// Blank-padded comparison by character code, as texts of different lengths
// are compared in Fortran.
int compare_texts(std::string_view a, std::string_view b)
{
    const std::size_t n = std::max(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char ca = i < a.size() ? static_cast<unsigned char>(a[i]) : ' ';
        const unsigned char cb = i < b.size() ? static_cast<unsigned char>(b[i]) : ' ';
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return 0;
}

} // namespace eval

using namespace eval;

namespace {

// Integer power by repeated multiplication: any base other than 0, 1 and -1
// leaves the 32-bit range within 32 steps, so the loop is short.
bool integer_power(const IoValue& a, const IoValue& b, IoValue& result)
{
    const long long base = a.integer;
    const long long exponent = b.integer;
    if (base == 1) return integer_result(1, a, result);
    if (base == -1) return integer_result(exponent % 2 == 0 ? 1 : -1, a, result);
    if (base == 0) {
        if (exponent < 0) return fail("Division by zero", a);
        return integer_result(exponent == 0 ? 1 : 0, a, result);
    }
    // 1 / base**n truncates to zero.
    if (exponent < 0) return integer_result(0, a, result);
    long long value = 1;
    for (long long k = 0; k < exponent; ++k) {
        value *= base;
        if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
            return fail("INTEGER overflow", a);
    }
    return integer_result(value, a, result);
}

} // namespace

void IO_EVAL_ERROR(std::string_view message, const IoValue& operand, int& status)
{
    if (!st_enter(status, "Subroutine IO_EVAL_ERROR V0.1")) return;
    IO_WRITE(message, status);
    std::string value;
    switch (operand.type) {
    case IoType::integer:
        IO_WRITE("Operand type is INTEGER", status);
        value = IO_ITOC(operand.integer, status);
        break;
    case IoType::real:
        IO_WRITE("Operand type is REAL", status);
        value = IO_RTOC(operand.real, status);
        break;
    case IoType::logical:
        IO_WRITE("Operand type is LOGICAL", status);
        value = IO_LTOC(operand.logical, status);
        break;
    case IoType::character:
        IO_WRITE("Operand type is CHARACTER", status);
        value = operand.text;
        break;
    case IoType::unknown:
        IO_WRITE("Operand type is UNKNOWN", status);
        value = operand.text;
        break;
    default:
        IO_WRITE("Operand type is incorrectly defined", status);
        break;
    }
    IO_WRITE("Operand value = " + value, status);
}

void IO_EVAL_INTEGER(const IoValue& operand, int& value, bool& ok, int& status)
{
    ok = false;
    if (!st_enter(status, "Subroutine IO_EVAL_INTEGER V0.1")) return;
    switch (operand.type) {
    case IoType::integer:
        value = operand.integer;
        ok = true;
        break;
    case IoType::real:
        ok = truncated(operand.real, value);
        break;
    case IoType::character:
        IO_TOKTI(operand.text, ok, value, status);
        break;
    default:
        break;
    }
}

void IO_EVAL_REAL(const IoValue& operand, float& value, bool& ok, int& status)
{
    ok = false;
    if (!st_enter(status, "Subroutine IO_EVAL_REAL V0.1")) return;
    switch (operand.type) {
    case IoType::integer:
        value = static_cast<float>(operand.integer);
        ok = true;
        break;
    case IoType::real:
        value = operand.real;
        ok = true;
        break;
    case IoType::character:
        IO_TOKTR(operand.text, ok, value, status);
        break;
    default:
        break;
    }
}

void IO_EVAL_LOGICAL(const IoValue& operand, bool& value, bool& ok, int& status)
{
    ok = false;
    if (!st_enter(status, "Subroutine IO_EVAL_LOGICAL V0.1")) return;
    if (operand.type == IoType::logical) {
        value = operand.logical;
        ok = true;
    } else if (operand.type == IoType::character) {
        const std::string word = IO_UPPER(st_strip(operand.text));
        if (word == "TRUE" || word == ".TRUE." || word == "FALSE" || word == ".FALSE.") {
            value = word == "TRUE" || word == ".TRUE.";
            ok = true;
        }
    }
}

void IO_EVAL_INTREAL(IoValue& a, IoValue& b, bool& ok, int& status)
{
    ok = false;
    if (!st_enter(status, "Subroutine IO_EVAL_INTREAL V0.1")) return;
    if (!numeric(a) || !numeric(b)) return;
    if (a.type != b.type) {
        promote(a);
        promote(b);
    }
    ok = true;
}

void IO_EVAL_ARITHMETIC(char symbol, const IoValue& a, const IoValue& b, IoValue& result, bool& ok,
                        int& status)
{
    ok = false;
    if (!st_enter(status, "Subroutine IO_EVAL_ARITHMETIC V0.1")) return;
    IoValue x = a;
    IoValue y = b;
    IO_EVAL_INTREAL(x, y, ok, status);
    if (!ok) return;
    if (x.type == IoType::integer) {
        const long long p = x.integer;
        const long long q = y.integer;
        switch (symbol) {
        case '+':
            ok = integer_result(p + q, x, result);
            break;
        case '-':
            ok = integer_result(p - q, x, result);
            break;
        case '*':
            ok = integer_result(p * q, x, result);
            break;
        case '/':
            ok = q == 0 ? fail("Division by zero", y) : integer_result(p / q, x, result);
            break;
        case '^':
            ok = integer_power(x, y, result);
            break;
        default:
            ok = false;
        }
        return;
    }
    const double p = x.real;
    const double q = y.real;
    switch (symbol) {
    case '+':
        ok = real_result(p + q, x, result);
        break;
    case '-':
        ok = real_result(p - q, x, result);
        break;
    case '*':
        ok = real_result(p * q, x, result);
        break;
    case '/':
        ok = q == 0.0 ? fail("Division by zero", y) : real_result(p / q, x, result);
        break;
    case '^':
        ok = p == 0.0 && q < 0.0 ? fail("Division by zero", x)
                                 : real_result(std::pow(p, q), y, result);
        break;
    default:
        ok = false;
    }
}

void IO_EVAL_NUMOP(char symbol, const IoValue& a, IoValue& result, bool& ok, int& status)
{
    ok = false;
    if (!st_enter(status, "Subroutine IO_EVAL_NUMOP V0.1")) return;
    IoValue x = a;
    if (!numeric(x)) return;
    if (symbol == '+') {
        result = x;
        ok = true;
    } else if (x.type == IoType::integer) {
        ok = integer_result(-static_cast<long long>(x.integer), x, result);
    } else {
        ok = real_result(-static_cast<double>(x.real), x, result);
    }
}

void IO_EVAL_RELATIONAL(char symbol, const IoValue& a, const IoValue& b, IoValue& result, bool& ok,
                        int& status)
{
    ok = false;
    if (!st_enter(status, "Subroutine IO_EVAL_RELATIONAL V0.1")) return;
    if (a.type == IoType::logical || b.type == IoType::logical) {
        fail("WARNING: Relational comparison not allowed on LOGICAL variables",
             a.type == IoType::logical ? a : b);
        return;
    }
    int order = 0;
    const bool a_text = a.type == IoType::character;
    const bool b_text = b.type == IoType::character;
    if (a_text && b_text) {
        order = compare_texts(a.text, b.text);
    } else if (a_text || b_text || a.type == IoType::unknown || b.type == IoType::unknown) {
        fail("WARNING: Incompatible operand types for relational comparison", a_text ? b : a);
        return;
    } else if (a.type == IoType::integer && b.type == IoType::integer) {
        order = (a.integer > b.integer) - (a.integer < b.integer);
    } else {
        const float p = static_cast<float>(real_of(a));
        const float q = static_cast<float>(real_of(b));
        order = (p > q) - (p < q);
    }
    bool value = false;
    switch (symbol) {
    case '=':
        value = order == 0;
        break;
    case '~':
        value = order != 0;
        break;
    case '<':
        value = order < 0;
        break;
    case '>':
        value = order > 0;
        break;
    case '{':
        value = order <= 0;
        break;
    case '}':
        value = order >= 0;
        break;
    default:
        return;
    }
    result = io_logical(value);
    ok = true;
}

void IO_EVAL_LOGOP(char symbol, const IoValue& a, const IoValue& b, IoValue& result, bool& ok,
                   int& status)
{
    ok = false;
    if (!st_enter(status, "Subroutine IO_EVAL_LOGOP V0.1")) return;
    bool p = false;
    IO_EVAL_LOGICAL(a, p, ok, status);
    if (!ok) {
        fail("Operand not a LOGICAL", a);
        return;
    }
    if (symbol == '!') {
        result = io_logical(!p);
        return;
    }
    bool q = false;
    IO_EVAL_LOGICAL(b, q, ok, status);
    if (!ok) {
        fail("Operand not a LOGICAL", b);
        return;
    }
    switch (symbol) {
    case '&':
        result = io_logical(p && q);
        break;
    case '|':
        result = io_logical(p || q);
        break;
    case '@':
        result = io_logical(p == q);
        break;
    case ';':
        result = io_logical(p != q);
        break;
    default:
        ok = false;
    }
}

void io_eval_join(const IoValue& a, const IoValue& b, IoValue& result, bool& ok)
{
    ok = false;
    if (a.type != IoType::character || b.type != IoType::character) {
        fail("Operand not a character string", a.type != IoType::character ? a : b);
        return;
    }
    if (a.text.size() + b.text.size() > IO_EVAL_MAX_TEXT) {
        fail("Problem with character string concatenation (//)", a);
        return;
    }
    result = io_character(a.text + b.text);
    ok = true;
}

// text(first:last) with 1 <= first <= last + 1 and last <= its length; first
// = last + 1 gives the empty text.
void io_eval_substring(const IoValue& text, const IoValue& first, const IoValue& last,
                       IoValue& result, bool& ok)
{
    ok = false;
    if (text.type != IoType::character) {
        fail("Operand not a character string", text);
        return;
    }
    int status = ST_GOOD_VALUE;
    int i = 0;
    int j = 0;
    bool have_i = false;
    bool have_j = false;
    IO_EVAL_INTEGER(first, i, have_i, status);
    IO_EVAL_INTEGER(last, j, have_j, status);
    const long long length = static_cast<long long>(text.text.size());
    if (!have_i || i < 1 || (have_j && i > static_cast<long long>(j) + 1)) {
        fail("Character sub-string problem", first);
        return;
    }
    if (!have_j || j > length) {
        fail("Character sub-string problem", last);
        return;
    }
    result = io_character(std::string_view(text.text).substr(static_cast<std::size_t>(i - 1),
                                                             static_cast<std::size_t>(j - i + 1)));
    ok = true;
}
