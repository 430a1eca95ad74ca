// The intrinsic functions of the evaluator, with the meanings they have in
// Fortran. An argument outside a function's domain (SQRT of a negative
// number, CHAR of 300, ...) is a failed operation, reported with it.

#include <cmath>
#include <cstdlib>
#include <string>

#include "io/eval_support.h"
#include "io/evaluate.h"
#include "io/status.h"

using namespace eval;

namespace {

struct RealFunction
{
    std::string_view name;
    double (*apply)(double);
};

// Functions of one REAL argument; an INTEGER argument is taken as a REAL.
constexpr RealFunction real_functions[] = {
    {"ACOS", [](double x) { return std::acos(x); }},
    {"ASIN", [](double x) { return std::asin(x); }},
    {"ATAN", [](double x) { return std::atan(x); }},
    {"COS", [](double x) { return std::cos(x); }},
    {"COSH", [](double x) { return std::cosh(x); }},
    {"EXP", [](double x) { return std::exp(x); }},
    {"LOG", [](double x) { return std::log(x); }},
    {"LOG10", [](double x) { return std::log10(x); }},
    {"SIN", [](double x) { return std::sin(x); }},
    {"SINH", [](double x) { return std::sinh(x); }},
    {"SQRT", [](double x) { return std::sqrt(x); }},
    {"TAN", [](double x) { return std::tan(x); }},
    {"TANH", [](double x) { return std::tanh(x); }},
    {"AINT", [](double x) { return std::trunc(x); }},
    {"ANINT", [](double x) { return std::round(x); }},
};

constexpr std::string_view OUT_OF_DOMAIN = "Function argument out of range";

bool unknown_function(std::string_view name)
{
    io_say("ERROR: Unknown function");
    io_say("Function name = " + std::string(name));
    return false;
}

bool need_text(const IoValue& v)
{
    return v.type == IoType::character || fail("Operand not a character string", v);
}

// MOD, MIN, MAX and DIM of an INTEGER and a REAL work in REAL, with a warning.
void warn_if_mixed(std::string_view name, const IoValue& a, const IoValue& b)
{
    if (a.type != b.type && (name == "MOD" || name == "MIN" || name == "MAX" || name == "DIM"))
        io_say("WARNING: Differing data type for " + std::string(name) + " function");
}

bool one_operand(std::string_view name, const IoValue& a, IoValue& result)
{
    for (const auto& f : real_functions) {
        if (f.name != name) continue;
        IoValue x = a;
        if (!numeric(x)) return false;
        const double value = f.apply(real_of(x));
        if (!std::isfinite(value)) return fail(OUT_OF_DOMAIN, x);
        return real_result(value, x, result);
    }
    if (name == "LEN" || name == "LEN_TRIM") {
        if (!need_text(a)) return false;
        result = io_integer(static_cast<int>(name == "LEN" ? a.text.size() : SLEN(a.text)));
        return true;
    }
    if (name == "ICHAR") {
        if (!need_text(a)) return false;
        if (a.text.empty()) return fail(OUT_OF_DOMAIN, a);
        result = io_integer(static_cast<unsigned char>(a.text.front()));
        return true;
    }
    if (name == "CHAR") {
        int status = ST_GOOD_VALUE;
        int code = 0;
        bool ok = false;
        IO_EVAL_INTEGER(a, code, ok, status);
        if (!ok || code < 0 || code > 255) return fail(OUT_OF_DOMAIN, a);
        result = io_character(std::string(1, static_cast<char>(code)));
        return true;
    }
    if (name != "ABS" && name != "INT" && name != "NINT" && name != "REAL")
        return unknown_function(name);
    IoValue x = a;
    if (!numeric(x)) return false;
    if (name == "REAL") return real_result(real_of(x), x, result);
    if (x.type == IoType::integer) {
        if (name == "ABS") return integer_result(std::llabs(x.integer), x, result);
        result = x;
        return true;
    }
    if (name == "ABS") return real_result(std::fabs(x.real), x, result);
    int whole = 0;
    if (!truncated(name == "INT" ? x.real : std::round(static_cast<double>(x.real)), whole))
        return fail("INTEGER overflow", x);
    result = io_integer(whole);
    return true;
}

bool two_texts(std::string_view name, const IoValue& a, const IoValue& b, IoValue& result)
{
    if (!need_text(a) || !need_text(b)) return false;
    if (name == "INDEX") {
        const std::size_t at = a.text.find(b.text);
        result = io_integer(at == std::string::npos ? 0 : static_cast<int>(at) + 1);
        return true;
    }
    const int order = compare_texts(a.text, b.text);
    if (name == "LGE")
        result = io_logical(order >= 0);
    else if (name == "LGT")
        result = io_logical(order > 0);
    else if (name == "LLE")
        result = io_logical(order <= 0);
    else
        result = io_logical(order < 0);
    return true;
}

bool two_numbers(std::string_view name, const IoValue& a, const IoValue& b, IoValue& result)
{
    IoValue x = a;
    IoValue y = b;
    if (!numeric(x) || !numeric(y)) return false;
    if (name == "ATAN2") return real_result(std::atan2(real_of(x), real_of(y)), x, result);
    warn_if_mixed(name, x, y);
    if (x.type != y.type) {
        promote(x);
        promote(y);
    }
    if (x.type == IoType::integer) {
        const long long p = x.integer;
        const long long q = y.integer;
        if (name == "DIM") return integer_result(p > q ? p - q : 0, x, result);
        if (name == "MAX") return integer_result(p > q ? p : q, x, result);
        if (name == "MIN") return integer_result(p < q ? p : q, x, result);
        if (name == "MOD")
            return q == 0 ? fail("Division by zero", y) : integer_result(p % q, x, result);
        return integer_result(q >= 0 ? std::llabs(p) : -std::llabs(p), x, result); // SIGN
    }
    const double p = x.real;
    const double q = y.real;
    if (name == "DIM") return real_result(p > q ? p - q : 0.0, x, result);
    if (name == "MAX") return real_result(p > q ? p : q, x, result);
    if (name == "MIN") return real_result(p < q ? p : q, x, result);
    if (name == "MOD")
        return q == 0.0 ? fail("Division by zero", y) : real_result(std::fmod(p, q), x, result);
    return real_result(q >= 0.0 ? std::fabs(p) : -std::fabs(p), x, result); // SIGN
}

} // namespace

void IO_EVAL_1FUN(std::string_view name, const IoValue& a, IoValue& result, bool& ok, int& status)
{
    ok = false;
    if (!st_enter(status, "Subroutine IO_EVAL_1FUN V0.1")) return;
    ok = one_operand(name, a, result);
}

void IO_EVAL_2FUN(std::string_view name, const IoValue& a, const IoValue& b, IoValue& result,
                  bool& ok, int& status)
{
    ok = false;
    if (!st_enter(status, "Subroutine IO_EVAL_2FUN V0.1")) return;
    if (name == "INDEX" || name == "LGE" || name == "LGT" || name == "LLE" || name == "LLT")
        ok = two_texts(name, a, b, result);
    else if (name == "ATAN2" || name == "DIM" || name == "MAX" || name == "MIN" || name == "MOD" ||
             name == "SIGN")
        ok = two_numbers(name, a, b, result);
    else
        ok = unknown_function(name);
}

// MAX and MIN of three or more operands.
void IO_EVAL_MFUN(std::string_view name, std::span<const IoValue> operands, IoValue& result,
                  bool& ok, int& status)
{
    ok = false;
    if (!st_enter(status, "Subroutine IO_EVAL_MFUN V0.1")) return;
    if (name != "MAX" && name != "MIN") {
        io_say("WARNING: Unknown multi-operand function: " + std::string(name));
        return;
    }
    if (operands.empty()) return;
    // Pairwise, so that the mixed-type warning is written once.
    IoValue best = operands.front();
    bool warned = false;
    for (std::size_t i = 1; i < operands.size(); ++i) {
        IoValue x = best;
        IoValue y = operands[i];
        if (!numeric(x) || !numeric(y)) return;
        if (x.type != y.type && !warned) {
            warn_if_mixed(name, x, y);
            warned = true;
        }
        if (x.type != y.type) {
            promote(x);
            promote(y);
        }
        if (!two_numbers(name == "MAX" ? "MAX" : "MIN", x, y, best)) return;
    }
    if (!numeric(best)) return;
    result = best;
    ok = true;
}
