#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "io/evaluate.h"
#include "io/system.h"
#include "io/variables.h"
#include "test_support.h"

using zyt_test::ConsoleCapture;

namespace {

struct Evaluated
{
    IoValue value;
    int retstat = -1;
    std::string console;
};

Evaluated evaluate(std::string_view expression)
{
    Evaluated e;
    ConsoleCapture console;
    int status = ST_GOOD_VALUE;
    IO_EVALUATE(expression, e.value, e.retstat, status);
    EXPECT_EQ(status, ST_GOOD_VALUE) << expression;
    e.console = console.text();
    return e;
}

// The value of an expression that must evaluate, of its type, without a
// word on the console.
IoValue good(std::string_view expression, IoType type)
{
    const Evaluated e = evaluate(expression);
    EXPECT_EQ(e.retstat, IO_EVAL_GOOD) << expression << "\n" << e.console;
    EXPECT_EQ(e.value.type, type) << expression;
    EXPECT_EQ(e.console, "") << expression;
    return e.value;
}

class Evaluator : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        int status = ST_GOOD_VALUE;
        IO_DEF_VARIABLES(status);
    }
    void TearDown() override { SetUp(); }

    static void define(std::string_view name, const IoValue& value)
    {
        int status = ST_GOOD_VALUE;
        int retstat = -1;
        IO_SET_VARIABLE(name, value, retstat, status);
        ASSERT_EQ(retstat, 0) << name;
    }
};

struct IntegerCase
{
    const char* expression;
    int value;
};

struct RealCase
{
    const char* expression;
    float value;
};

struct LogicalCase
{
    const char* expression;
    bool value;
};

struct TextCase
{
    const char* expression;
    const char* value;
};

struct ErrorCase
{
    const char* expression;
    int retstat;
    // The lines of the report, in order.
    std::vector<std::string> lines;
};

} // namespace

TEST_F(Evaluator, IntegerExpressions)
{
    const IntegerCase cases[] = {
        {"2+3*4", 14},
        // Same rank, left to right.
        {"10-2+3", 11},
        {"8/2*4", 16},
        {"100/10/5", 2},
        {"2**3**2", 64},
        {"2^3", 8},
        // Signs bind before multiplication but after a power.
        {"-2+3", 1},
        {"8/-2*4", -16},
        {"-2**2", -4},
        {"2*-3+1", -5},
        {"5--3", 8},
        {"+7-+2", 5},
        {"---1", -1},
        // Integer division truncates towards zero.
        {"7/2", 3},
        {"-7/2", -3},
        {"2**-1", 0},
        {"(-1)**-3", -1},
        {"(1+2)*(3+4)", 21},
        {"2*(3+4)-5", 9},
        {"((((((1))))))", 1},
        {"2147483647", 2147483647},
        {"-2147483647-1", -2147483647 - 1},
        {"1000000*2000", 2000000000},
        {"'12'+1", 13},
        {"MOD(17,5)", 2},
        {"MOD(-7,3)", -1},
        {"MOD(-2147483647-1,-1)", 0},
        {"MAX(3,9,4)", 9},
        {"MIN(3,9,-4,7)", -4},
        {"max(2,5)", 5},
        {"ABS(-5)", 5},
        {"INT(3.9)", 3},
        {"INT(-3.9)", -3},
        {"NINT(2.5)", 3},
        {"NINT(-2.5)", -3},
        {"ICHAR('A')", 65},
        {"LEN('AB  ')", 4},
        {"LEN_TRIM('AB  ')", 2},
        {"INDEX('ABCDE','CD')", 3},
        {"INDEX('ABCDE','X')", 0},
        {"DIM(5,3)", 2},
        {"DIM(3,5)", 0},
        {"SIGN(4,-1)", -4},
        {"SIGN(-4,2)", 4},
        {"ABS(MIN(-3, 2) * (1 + 1))", 6},
    };
    for (const auto& c : cases)
        EXPECT_EQ(good(c.expression, IoType::integer).integer, c.value) << c.expression;
}

TEST_F(Evaluator, RealAndMixedExpressions)
{
    const RealCase cases[] = {
        {"7/2.0", 3.5f},
        {"1+0.5", 1.5f},
        {"2.0**3", 8.0f},
        {"2**0.5*2**0.5", 2.0f},
        {"SQRT(16)", 4.0f},
        {"1.5E2", 150.0f},
        {"1.5e-1", 0.15f},
        {"1D1", 10.0f},
        {".5", 0.5f},
        {"3.", 3.0f},
        {"REAL(3)/2", 1.5f},
        {"-1.5*2", -3.0f},
        {"AINT(-2.7)", -2.0f},
        {"ANINT(2.5)", 3.0f},
        {"ABS(-0.25)", 0.25f},
        {"EXP(LOG(2.0))", 2.0f},
        {"COS(0.0)+SIN(0.0)+TAN(0.0)", 1.0f},
        {"'2.5'*2", 5.0f},
        {"10.0-2+3", 11.0f},
        {"8.0/2*4", 16.0f},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(good(c.expression, IoType::real).real, c.value,
                    1e-5f * std::fabs(c.value) + 1e-6f)
            << c.expression;
    }
    EXPECT_NEAR(good("ATAN2(1.0,1.0)*4", IoType::real).real, 3.1415927f, 1e-6f);
}

TEST_F(Evaluator, MixedTypesOfModMinMaxDimWarnAndWorkInReal)
{
    const RealCase cases[] = {{"MOD(7.5,2)", 1.5f},
                              {"MAX(1,2.5)", 2.5f},
                              {"MIN(4,2.5)", 2.5f},
                              {"DIM(5,1.5)", 3.5f},
                              {"MAX(1,2,3.5)", 3.5f}};
    const char* names[] = {"MOD", "MAX", "MIN", "DIM", "MAX"};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Evaluated e = evaluate(cases[i].expression);
        ASSERT_EQ(e.retstat, IO_EVAL_GOOD) << cases[i].expression;
        EXPECT_EQ(e.value.type, IoType::real);
        EXPECT_FLOAT_EQ(e.value.real, cases[i].value);
        EXPECT_EQ(e.console,
                  "WARNING: Differing data type for " + std::string(names[i]) + " function\n");
    }
}

TEST_F(Evaluator, LogicalExpressionsAndComparisons)
{
    const LogicalCase cases[] = {
        {"1 .LT. 2 .AND. .NOT. .FALSE.", true},
        {"1 < 2", true},
        {"2 <= 2", true},
        {"3 >= 4", false},
        {"3 > 4", false},
        {"1 == 1.0", true},
        {"1 .NE. 1", false},
        {"1 /= 2", true},
        {"1 != 2", true},
        {"1.EQ.1", true},
        {"1+1 .EQ. 2", true},
        {"0.1+0.2 .GT. 0.3-1", true},
        {"'ABC' .LT. 'ABD'", true},
        {"'AB' == 'AB  '", true},
        {"'b' > 'B'", true},
        {"'Z' < 'a'", true},
        {"LLT('A','B')", true},
        {"LGE('A','B')", false},
        {"LGT('B','A')", true},
        {"LLE('A','A')", true},
        {".TRUE. .EQV. .FALSE.", false},
        {".TRUE. .NEQV. .FALSE.", true},
        {".true. .or. .false. .and. .false.", true},
        {".NOT. .TRUE. .OR. .TRUE.", true},
        {".NOT. (.TRUE. .OR. .TRUE.)", false},
        {"'TRUE' .AND. .TRUE.", true},
        {"'.false.' .OR. .FALSE.", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(good(c.expression, IoType::logical).logical, c.value) << c.expression;
}

TEST_F(Evaluator, TextExpressions)
{
    const TextCase cases[] = {
        {"'AB'//'CD'", "ABCD"},
        {"'A'//'B'//'C'", "ABC"},
        {"'ABCDEF'(2:4)", "BCD"},
        {"'AB'(3:2)", ""},
        {"'it''s'", "it's"},
        {"CHAR(65)//'B'", "AB"},
        {"'x = 1 ! not a comment'", "x = 1 ! not a comment"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(good(c.expression, IoType::character).text, c.value) << c.expression;
}

TEST_F(Evaluator, VariablesInExpressions)
{
    define("N", io_integer(4));
    define("Scale_2", io_real(0.5f));
    define("NAME", io_character("scan_0001.tif"));
    define("ON", io_logical(true));
    define("n", io_integer(-1)); // names keep their case
    EXPECT_EQ(evaluate("N*2+n").value.integer, 7);
    EXPECT_FLOAT_EQ(evaluate("N*Scale_2").value.real, 2.0f);
    EXPECT_EQ(evaluate("NAME(6:9)").value.text, "0001");
    EXPECT_EQ(evaluate("NAME(1:INDEX(NAME,'.')-1)//'.vol'").value.text, "scan_0001.vol");
    EXPECT_TRUE(evaluate("ON .AND. N > 3").value.logical);
    EXPECT_EQ(evaluate("LEN(NAME)").value.integer, 13);
}

TEST_F(Evaluator, SyntaxStringOfATokenisedExpression)
{
    define("A", io_integer(1));
    define("B", io_real(2.0f));
    define("S", io_character("text"));
    const struct
    {
        const char* expression;
        const char* syntax;
        std::size_t operands;
    } cases[] = {
        {"A**2 + SQRT(B) .GE. 'X'//'Y'", "o^o+f(o)}o%o", 6},
        {".NOT. A .EQV. B .NEQV. S", "!o@o;o", 3},
        {"MAX(A, B, 3) == S(1:2)", "f(o,o,o)=o(o:o)", 7},
        {"A<=B .or. A/=B .and. A==B", "o{o|o~o&o=o", 6},
        {"-A*B/2-.5", "-o*o/o-o", 4},
    };
    for (const auto& c : cases) {
        IoEvalWork work;
        int retstat = -1;
        int status = ST_GOOD_VALUE;
        IO_EVAL_SYNTAX(c.expression, work, retstat, status);
        EXPECT_EQ(retstat, IO_EVAL_GOOD) << c.expression;
        EXPECT_EQ(work.syntax, c.syntax) << c.expression;
        EXPECT_EQ(work.operands.size(), c.operands) << c.expression;
    }
}

TEST_F(Evaluator, FailuresAreReportedWithTheirTexts)
{
    const ErrorCase cases[] = {
        {"1 2", IO_EVAL_BAD_SYNTAX, {"WARNING: Syntax error: Missing operator"}},
        {"2 SQRT(4)", IO_EVAL_BAD_SYNTAX, {"WARNING: Syntax error: Missing operator"}},
        {"(1)(2)", IO_EVAL_BAD_SYNTAX, {"WARNING: Syntax error: Missing operator"}},
        {"2(3)", IO_EVAL_BAD_SYNTAX, {"WARNING: Syntax error: Missing operator"}},
        {"(1+2", IO_EVAL_BAD_SYNTAX, {"WARNING: Could not fully process statement"}},
        {"", IO_EVAL_BAD_SYNTAX, {"WARNING: Could not fully process statement"}},
        {"1+", IO_EVAL_BAD_SYNTAX, {"WARNING: Could not fully process statement"}},
        {"Q+1", IO_EVAL_BAD_SYNTAX, {"WARNING: Unknown variable: Q"}},
        {"1 $ 2", IO_EVAL_BAD_SYNTAX, {"WARNING: Syntax error: Not understood: $ 2"}},
        {"99999999999",
         IO_EVAL_BAD_SYNTAX,
         {"WARNING: Problem converting token to an integer value:", "99999999999"}},
        {"1E99",
         IO_EVAL_BAD_SYNTAX,
         {"WARNING: Problem converting token to a real value:", "1E99"}},
        {"2E+", IO_EVAL_BAD_SYNTAX, {"WARNING: Problem converting token to a real value:", "2E+"}},
        {"'abc",
         IO_EVAL_BAD_SYNTAX,
         {"WARNING: Problem converting token to a string value:", "'abc"}},
        {"1/0",
         IO_EVAL_FAILED,
         {"Division by zero", "Operand type is INTEGER", "Operand value = 0"}},
        {"1.0/0",
         IO_EVAL_FAILED,
         {"Division by zero", "Operand type is REAL", "Operand value = 0.0"}},
        {"MOD(5,0)",
         IO_EVAL_FAILED,
         {"Division by zero", "Operand type is INTEGER", "Operand value = 0"}},
        {"0**-1",
         IO_EVAL_FAILED,
         {"Division by zero", "Operand type is INTEGER", "Operand value = 0"}},
        {"2147483647+1",
         IO_EVAL_FAILED,
         {"INTEGER overflow", "Operand type is INTEGER", "Operand value = 2147483647"}},
        {"2**31",
         IO_EVAL_FAILED,
         {"INTEGER overflow", "Operand type is INTEGER", "Operand value = 2"}},
        {"(-2147483647-1)/(-1)",
         IO_EVAL_FAILED,
         {"INTEGER overflow", "Operand type is INTEGER", "Operand value = -2147483648"}},
        {"-(-2147483647-1)",
         IO_EVAL_FAILED,
         {"INTEGER overflow", "Operand type is INTEGER", "Operand value = -2147483648"}},
        {"ABS(-2147483647-1)",
         IO_EVAL_FAILED,
         {"INTEGER overflow", "Operand type is INTEGER", "Operand value = -2147483648"}},
        {"INT(1E10)",
         IO_EVAL_FAILED,
         {"INTEGER overflow", "Operand type is REAL", "Operand value = 1.000000E+10"}},
        {"1E30*1E30",
         IO_EVAL_FAILED,
         {"Result is not a finite REAL number", "Operand type is REAL",
          "Operand value = 1.000000E+30"}},
        {"SQRT(-1.0)",
         IO_EVAL_FAILED,
         {"Function argument out of range", "Operand type is REAL", "Operand value = -1.000000"}},
        {"LOG(0)",
         IO_EVAL_FAILED,
         {"Function argument out of range", "Operand type is INTEGER", "Operand value = 0"}},
        {"CHAR(300)",
         IO_EVAL_FAILED,
         {"Function argument out of range", "Operand type is INTEGER", "Operand value = 300"}},
        {"'A'+1",
         IO_EVAL_FAILED,
         {"Operand not convertible to INTEGER nor REAL", "Operand type is CHARACTER",
          "Operand value = A"}},
        {".TRUE.*2",
         IO_EVAL_FAILED,
         {"Operand not convertible to INTEGER nor REAL", "Operand type is LOGICAL",
          "Operand value = .TRUE."}},
        {"1 .AND. .TRUE.",
         IO_EVAL_FAILED,
         {"Operand not a LOGICAL", "Operand type is INTEGER", "Operand value = 1"}},
        {".TRUE. < .FALSE.",
         IO_EVAL_FAILED,
         {"WARNING: Relational comparison not allowed on LOGICAL variables",
          "Operand type is LOGICAL", "Operand value = .TRUE."}},
        {"'A' < 1",
         IO_EVAL_FAILED,
         {"WARNING: Incompatible operand types for relational comparison",
          "Operand type is INTEGER", "Operand value = 1"}},
        {"'A'//1.5",
         IO_EVAL_FAILED,
         {"Operand not a character string", "Operand type is REAL", "Operand value = 1.500000"}},
        {"LEN(3)",
         IO_EVAL_FAILED,
         {"Operand not a character string", "Operand type is INTEGER", "Operand value = 3"}},
        {"'ABC'(2:5)",
         IO_EVAL_FAILED,
         {"Character sub-string problem", "Operand type is INTEGER", "Operand value = 5"}},
        {"'ABC'(0:1)",
         IO_EVAL_FAILED,
         {"Character sub-string problem", "Operand type is INTEGER", "Operand value = 0"}},
        {"FOO(1)", IO_EVAL_FAILED, {"ERROR: Unknown function", "Function name = FOO"}},
        {"ABS(1,2)", IO_EVAL_FAILED, {"ERROR: Unknown function", "Function name = ABS"}},
        {"FOO(1,2,3)", IO_EVAL_FAILED, {"WARNING: Unknown multi-operand function: FOO"}},
    };
    for (const auto& c : cases) {
        const Evaluated e = evaluate(c.expression);
        EXPECT_EQ(e.retstat, c.retstat) << c.expression;
        EXPECT_EQ(zyt_test::split_lines(e.console), c.lines) << c.expression;
    }
}

TEST_F(Evaluator, TextLongerThanItsLimitIsRefused)
{
    const std::string long_text(200, 'x');
    const Evaluated joined = evaluate("'" + long_text + "'//'" + long_text + "'");
    EXPECT_EQ(joined.retstat, IO_EVAL_FAILED);
    EXPECT_EQ(zyt_test::split_lines(joined.console).front(),
              "Problem with character string concatenation (//)");
    const Evaluated literal = evaluate("'" + std::string(257, 'y') + "'");
    EXPECT_EQ(literal.retstat, IO_EVAL_BAD_SYNTAX);
    EXPECT_EQ(zyt_test::split_lines(literal.console).front(),
              "WARNING: Problem converting token to a string value:");
    EXPECT_EQ(evaluate("'" + std::string(256, 'y') + "'").value.text.size(), 256u);
}

TEST_F(Evaluator, InputAtAndBeyondTheLimitsEndsWithAValueOrAReport)
{
    // 999 nested parentheses fill 1999 characters; 1000 are one too many.
    const Evaluated deep = evaluate(std::string(999, '(') + "1" + std::string(999, ')'));
    EXPECT_EQ(deep.retstat, IO_EVAL_GOOD);
    EXPECT_EQ(deep.value.integer, 1);
    const Evaluated deeper = evaluate(std::string(1000, '(') + "1" + std::string(1000, ')'));
    EXPECT_EQ(deeper.retstat, IO_EVAL_BAD_SYNTAX);
    EXPECT_EQ(deeper.console, "WARNING: Expression longer than 2000 characters\n");
    const Evaluated open = evaluate(std::string(1500, '(') + "1");
    EXPECT_EQ(open.console, "WARNING: Could not fully process statement\n");

    // A sum of 1000 ones in 1999 characters.
    std::string sum = "1";
    for (int i = 1; i < 1000; ++i)
        sum += "+1";
    const Evaluated big = evaluate(sum);
    EXPECT_EQ(big.retstat, IO_EVAL_GOOD);
    EXPECT_EQ(big.value.integer, 1000);

    const Evaluated name = evaluate(std::string(10000, 'A'));
    EXPECT_EQ(name.retstat, IO_EVAL_BAD_SYNTAX);
    EXPECT_EQ(name.console, "WARNING: Expression longer than 2000 characters\n");
    const Evaluated long_name = evaluate(std::string(40, 'A') + "+1");
    EXPECT_EQ(long_name.console,
              "WARNING: Name longer than 32 characters: " + std::string(32, 'A') + "...\n");
    const Evaluated long_number = evaluate(std::string(40, '1'));
    EXPECT_EQ(zyt_test::split_lines(long_number.console).front(),
              "WARNING: Problem converting token to an integer value:");
    EXPECT_EQ(evaluate(std::string(1999, '-') + "1").value.integer, -1);
}

TEST(Variables, AVariableKeepsItsTypeAndTheStoreEmptiesOnReset)
{
    int status = ST_GOOD_VALUE;
    IO_DEF_VARIABLES(status);
    int retstat = -1;
    IO_SET_VARIABLE("N", io_integer(4), retstat, status);
    EXPECT_EQ(retstat, 0);
    ConsoleCapture console;
    IO_SET_VARIABLE("N", io_real(4.5f), retstat, status);
    EXPECT_EQ(retstat, 1);
    EXPECT_EQ(console.text(), "WARNING: Attempt to change data type or variable\n");
    IO_SET_VARIABLE("N", io_integer(5), retstat, status);
    EXPECT_EQ(retstat, 0);
    bool found = false;
    IoValue value;
    IO_INQ_VARIABLE("N", found, value, status);
    EXPECT_TRUE(found);
    EXPECT_EQ(value.type, IoType::integer);
    EXPECT_EQ(value.integer, 5);
    IO_INQ_VARIABLE("M", found, value, status);
    EXPECT_FALSE(found);

    for (const char* bad : {"", "1A", "A-B", "A B", "_A"}) {
        IO_SET_VARIABLE(bad, io_integer(1), retstat, status);
        EXPECT_EQ(retstat, 1) << bad;
    }
    IO_SET_VARIABLE(std::string(33, 'X'), io_integer(1), retstat, status);
    EXPECT_EQ(retstat, 1);
    IO_SET_VARIABLE("A_1#", io_integer(1), retstat, status);
    EXPECT_EQ(retstat, 0);
    EXPECT_EQ(IO_VAR_NUMBER("A_1#", status), 2);

    IO_DEF_SYSTEM(status);
    IO_INQ_VARIABLE("N", found, value, status);
    EXPECT_FALSE(found);
    std::size_t pool = 1;
    EXPECT_EQ(IO_INQ_VARIABLES_SIZE(pool), 0);
    EXPECT_EQ(pool, 0u);
    EXPECT_EQ(status, ST_GOOD_VALUE);
}

TEST(Variables, ReplacedTextsAreCompactedInThePool)
{
    int status = ST_GOOD_VALUE;
    IO_DEF_VARIABLES(status);
    int retstat = -1;
    IO_SET_VARIABLE("A", io_character("first"), retstat, status);
    IO_SET_VARIABLE("N", io_integer(3), retstat, status);
    IO_SET_VARIABLE("B", io_character("second"), retstat, status);
    IO_SET_VARIABLE("C", io_character("third"), retstat, status);
    IO_SET_VARIABLE("A", io_character("x"), retstat, status);
    IO_SET_VARIABLE("B", io_character(""), retstat, status);
    std::size_t pool = 0;
    EXPECT_EQ(IO_INQ_VARIABLES_SIZE(pool), 4);
    EXPECT_EQ(pool, std::string("thirdx").size());
    std::string name;
    IoValue value;
    const char* expected[] = {"x", nullptr, "", "third"};
    for (int number = 1; number <= 4; ++number) {
        IO_INQ_VARNUM(number, name, value, status);
        if (expected[number - 1] != nullptr) {
            EXPECT_EQ(value.text, expected[number - 1]) << name;
        }
    }
    IO_INQ_VARNUM(2, name, value, status);
    EXPECT_EQ(name, "N");
    EXPECT_EQ(value.integer, 3);

    // A text reference outside the pool, and a variable that does not exist.
    IO_VARKILLSTR(5, 2, status);
    EXPECT_EQ(status, 10005);
    status = zyt_test::fresh_status();
    IO_INQ_VARNUM(5, name, value, status);
    EXPECT_EQ(status, 10017);
    status = zyt_test::fresh_status();
    IO_DEF_VARIABLES(status);
}

TEST(Variables, TheStoreHasRoomForFiveHundred)
{
    int status = ST_GOOD_VALUE;
    IO_DEF_VARIABLES(status);
    int retstat = -1;
    for (int i = 1; i <= IO_VAR_MAX; ++i) {
        IO_SET_VARIABLE("V" + std::to_string(i), io_character(std::string(256, 'a')), retstat,
                        status);
        ASSERT_EQ(retstat, 0);
    }
    ConsoleCapture console;
    IO_SET_VARIABLE("ONE_MORE", io_integer(1), retstat, status);
    EXPECT_EQ(retstat, 1);
    EXPECT_EQ(console.text(), "WARNING: No room for more variables\n");
    // Existing ones can still be assigned.
    IO_SET_VARIABLE("V7", io_character("short"), retstat, status);
    EXPECT_EQ(retstat, 0);
    IoValue value;
    bool found = false;
    IO_INQ_VARIABLE("V500", found, value, status);
    EXPECT_EQ(value.text, std::string(256, 'a'));
    IO_DEF_VARIABLES(status);
}
