#pragma once
// Expressions typed into answers: integer, real, logical and text values with
// the operators and functions of Fortran, and named variables.
//
// An expression is first turned into a syntax string with one symbol per
// operand ('o'), function name ('f') or operator, beside the list of the
// operands and function names in the order of their symbols. The syntax is
// then reduced one pattern at a time until a single operand is left:
//
//   written              symbol      written                 symbol
//   ** (or ^)            ^           .EQ. ==                 =
//   * / + -              * / + -     .NE. /= !=              ~
//   //                   %           .LT. <   .GT. >         < >
//   ( ) : ,              ( ) : ,     .LE. <=  .GE. >=        { }
//   .NOT. .AND. .OR.     ! & |       .EQV. .NEQV.            @ ;

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The value types, numbered as the store and the error report number them.
enum class IoType : int { unknown = 0, integer = 1, real = 2, logical = 3, character = 4 };

struct IoValue
{
    IoType type = IoType::unknown;
    int integer = 0;
    float real = 0.0f;
    bool logical = false;
    // A text value; in the work area also the (upper-case) name of a function.
    std::string text;
};

IoValue io_integer(int value);
IoValue io_real(float value);
IoValue io_logical(bool value);
IoValue io_character(std::string_view value);

// Longest expression (and syntax string), operand token and text value.
constexpr std::size_t IO_EVAL_MAX_SYNTAX = 2000;
constexpr std::size_t IO_EVAL_MAX_TOKEN = 32;
constexpr std::size_t IO_EVAL_MAX_TEXT = 256;

// Outcome of an evaluation (retstat); the reasons of a failure have been
// written to the console.
enum IoEvalOutcome : int { IO_EVAL_GOOD = 0, IO_EVAL_BAD_SYNTAX = 1, IO_EVAL_FAILED = 2 };

// A tokenised expression: the syntax string, and one operand per 'o' or 'f'.
struct IoEvalWork
{
    std::string syntax;
    std::vector<IoValue> operands;
};

void IO_EVALUATE(std::string_view expression, IoValue& value, int& retstat, int& status);
void IO_EVAL_SYNTAX(std::string_view expression, IoEvalWork& work, int& retstat, int& status);
// Reduces the work area to one operand.
void IO_EVAL_EVAL(IoEvalWork& work, int& retstat, int& status);

// Operand conversions; ok is false (and nothing written) when the operand
// cannot be had as the type. Texts that read as the type convert.
void IO_EVAL_INTEGER(const IoValue& operand, int& value, bool& ok, int& status);
void IO_EVAL_REAL(const IoValue& operand, float& value, bool& ok, int& status);
void IO_EVAL_LOGICAL(const IoValue& operand, bool& value, bool& ok, int& status);
// Brings two operands to one numeric type: INTEGER when both are, else REAL.
void IO_EVAL_INTREAL(IoValue& a, IoValue& b, bool& ok, int& status);

// The operators, by syntax symbol. A failure is reported with IO_EVAL_ERROR
// and gives ok false.
void IO_EVAL_ARITHMETIC(char symbol, const IoValue& a, const IoValue& b, IoValue& result, bool& ok,
                        int& status);
// Sign of one operand: '-' negation, '+' the operand itself.
void IO_EVAL_NUMOP(char symbol, const IoValue& a, IoValue& result, bool& ok, int& status);
void IO_EVAL_RELATIONAL(char symbol, const IoValue& a, const IoValue& b, IoValue& result, bool& ok,
                        int& status);
// '!' uses a only.
void IO_EVAL_LOGOP(char symbol, const IoValue& a, const IoValue& b, IoValue& result, bool& ok,
                   int& status);
// Text join (//) and sub-text text(first:last).
void io_eval_join(const IoValue& a, const IoValue& b, IoValue& result, bool& ok);
void io_eval_substring(const IoValue& text, const IoValue& first, const IoValue& last,
                       IoValue& result, bool& ok);

// Functions of one, two and several operands, by upper-case name.
void IO_EVAL_1FUN(std::string_view name, const IoValue& a, IoValue& result, bool& ok, int& status);
void IO_EVAL_2FUN(std::string_view name, const IoValue& a, const IoValue& b, IoValue& result,
                  bool& ok, int& status);
void IO_EVAL_MFUN(std::string_view name, std::span<const IoValue> operands, IoValue& result,
                  bool& ok, int& status);

// Writes the message of a failed operation and the operand's type and value.
void IO_EVAL_ERROR(std::string_view message, const IoValue& operand, int& status);

// The quoted text opening at position (0-based, on the quote): '' inside it
// stands for one quote. The position moves past the closing quote; without
// one, closed is false and the text runs to the end.
void IO_QUOTEDSTRING(std::string_view statement, std::size_t& position, std::string& text,
                     bool& closed, int& status);
