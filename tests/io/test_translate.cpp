#include <gtest/gtest.h>

#include <string>

#include "io/terminal.h"
#include "io/translate.h"
#include "io/variables.h"
#include "test_support.h"

using zyt_test::ConsoleCapture;
using zyt_test::TypedInput;

namespace {

struct Translated
{
    std::string answer;
    int retstat = -1;
    std::string console;
};

class Translation : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        int status = ST_GOOD_VALUE;
        IO_DEF_VARIABLES(status);
        IO_DEF_INPUT(status);
    }
    void TearDown() override { SetUp(); }

    // A line typed into the window: nothing is read on the terminal.
    static Translated window(std::string_view line)
    {
        Translated t;
        ConsoleCapture console;
        int status = ST_GOOD_VALUE;
        t.answer = IO_TRANSLATE(line, false, t.retstat, status);
        EXPECT_EQ(status, ST_GOOD_VALUE);
        t.console = console.text();
        return t;
    }

    static std::string answer(std::string_view line)
    {
        const Translated t = window(line);
        EXPECT_EQ(t.retstat, IO_TR_ANSWER) << line << "\n" << t.console;
        return t.answer;
    }

    static void assign(std::string_view line)
    {
        const Translated t = window(line);
        EXPECT_EQ(t.retstat, IO_TR_ASSIGNED) << line << "\n" << t.console;
        EXPECT_EQ(t.answer, "");
        EXPECT_EQ(t.console, "") << line;
    }
};

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

TEST_F(Translation, AssignmentsGiveNoAnswerAndTheirValuesReplaceNames)
{
    assign("N = 4");
    assign("  X=N/8.0   ! an eighth");
    assign("ON = N > 3 .AND. X < 1");
    assign("F = 'scan' // '_0001.tif'");
    assign("Q='a, b'");
    EXPECT_EQ(answer("N"), "4");
    EXPECT_EQ(answer("N,N  N"), "4,4  4");
    EXPECT_EQ(answer("X"), "0.500000");
    EXPECT_EQ(answer("ON"), ".TRUE.");
    EXPECT_EQ(answer("F"), "scan_0001.tif");
    EXPECT_EQ(answer("Q"), "a, b");
    // Only whole tokens are names; quoted texts stand as they are.
    EXPECT_EQ(answer("file_N.dat N2 'N' 'it''s'"), "file_N.dat N2 N it's");
    EXPECT_EQ(answer("n"), "n");
    // A later assignment changes the value, of the same type only.
    assign("N = N + 1");
    EXPECT_EQ(answer("N"), "5");
}

TEST_F(Translation, WhatIsNotAnAssignment)
{
    assign("X = 2");
    EXPECT_EQ(answer("'A=B'"), "A=B");
    EXPECT_EQ(answer("X <= 3"), "2 <= 3");
    EXPECT_EQ(answer("X >= 3"), "2 >= 3");
    EXPECT_EQ(answer("X == 3"), "2 == 3");
    EXPECT_EQ(answer("X /= 3"), "2 /= 3");
    EXPECT_EQ(answer("/data/run's.tif"), "/data/run's.tif");
    EXPECT_EQ(answer(""), "");
}

TEST_F(Translation, CommentsAndContinuationMarks)
{
    EXPECT_EQ(answer("5 ! five"), "5 ");
    EXPECT_EQ(answer("'a!b' ! c"), "a!b ");
    EXPECT_EQ(answer("! only a comment"), "");
    EXPECT_EQ(answer("'a&'"), "a&");
    // In the window a final & has no next line to join: the statement ends.
    EXPECT_EQ(answer("1 2 &"), "1 2 ");
    EXPECT_EQ(answer("1 2 & ! more"), "1 2 ");
}

TEST_F(Translation, RefusedStatementsLeaveTheVariablesAsTheyWere)
{
    assign("N = 4");
    const struct
    {
        const char* statement;
        const char* first_line;
    } refused[] = {
        {"= 4", "WARNING: Syntax error: No variable name before ="},
        {"N =", "WARNING: Syntax error: No expression after ="},
        {"N = ! comment", "WARNING: Syntax error: No expression after ="},
        {"2N = 4", "WARNING: Not a variable name: 2N"},
        {"out=1.tif", "WARNING: Unknown variable: tif"},
        {"N = 1 2", "WARNING: Syntax error: Missing operator"},
        {"N = 'text'", "WARNING: Attempt to change data type or variable"},
        {"N = 1/0", "Division by zero"},
        {"N = M", "WARNING: Unknown variable: M"},
        {"N = 4 +", "WARNING: Could not fully process statement"},
    };
    for (const auto& r : refused) {
        const Translated t = window(r.statement);
        EXPECT_EQ(t.retstat, IO_TR_REFUSED) << r.statement;
        EXPECT_EQ(t.answer, "");
        EXPECT_EQ(zyt_test::split_lines(t.console).front(), r.first_line) << r.statement;
    }
    EXPECT_EQ(answer("N"), "4");
    int status = ST_GOOD_VALUE;
    EXPECT_EQ(IO_VAR_NUMBER("out", status), 0);
}

TEST_F(Translation, ContinuedLinesAreReadOnTheTerminal)
{
    TypedInput typed("  2 ! second &\n3 + &\n4\nnext\n");
    ConsoleCapture console;
    int status = ST_GOOD_VALUE;
    int retstat = -1;
    std::string statement;
    // A comment ends its line; an & inside it continues nothing.
    IO_STATEMENT("1 &", true, statement, retstat, status);
    EXPECT_EQ(statement, "1   2 ");
    EXPECT_EQ(console.text(), "Continuation: ");

    EXPECT_EQ(IO_TRANSLATE("S = 1 + &", true, retstat, status), "");
    EXPECT_EQ(retstat, IO_TR_ASSIGNED);
    EXPECT_EQ(IO_TRANSLATE("S", true, retstat, status), "8");
    std::string line;
    IO_READ("", line, status);
    EXPECT_EQ(line, "next");
    EXPECT_EQ(status, ST_GOOD_VALUE);
}

TEST_F(Translation, StatementsOverTwoThousandCharactersAreRefusedWhole)
{
    // Read to its last line, so that none of its lines is taken for an answer.
    const std::string part(900, '1');
    TypedInput typed(part + " &\n" + part + " &\n" + part + "\nnext\n");
    ConsoleCapture console;
    int status = ST_GOOD_VALUE;
    int retstat = -1;
    std::string statement;
    IO_STATEMENT(part + "&", true, statement, retstat, status);
    EXPECT_EQ(retstat, IO_TR_REFUSED);
    EXPECT_EQ(statement, "");
    EXPECT_TRUE(
        contains(console.text(), "WARNING: Statement longer than 2000 characters: not used"));
    std::string line;
    IO_READ("", line, status);
    EXPECT_EQ(line, "next");

    // Up to the limit a statement is whole: an assignment of 2000 characters.
    std::string sum = "N = 10";
    while (sum.size() + 2 <= IO_STATEMENT_MAX)
        sum += "+1";
    ASSERT_EQ(sum.size(), 2000u);
    assign(sum);
    EXPECT_EQ(answer("N"), std::to_string(10 + (sum.size() - 6) / 2));
    EXPECT_EQ(window(sum + "+").retstat, IO_TR_REFUSED);
    EXPECT_EQ(window("N = " + std::string(10000, 'A')).retstat, IO_TR_REFUSED);
}

TEST_F(Translation, TerminalQuestionsAskAgainAfterAnAssignment)
{
    TypedInput typed("N = 4\nN N\nM = N * 2 ! twice\nM\nF = 'out' // '.dat'\nF\n");
    ConsoleCapture console;
    int status = ST_GOOD_VALUE;
    int first = 0;
    int second = 0;
    IO_INPI(false, 0, 0, "FIRST", {}, first, status);
    IO_INPI(false, 0, 0, "SECOND", {}, second, status);
    EXPECT_EQ(first, 4);
    EXPECT_EQ(second, 4);
    const auto out = console.text();
    // FIRST asked twice, SECOND answered from the same line.
    EXPECT_EQ(out.find("FIRST [0]: "), out.rfind("FIRST [0]: ") - 11);
    EXPECT_FALSE(contains(out, "SECOND"));

    float real = 0.0f;
    IO_INPR(false, 0.0f, 0.0f, "REAL", {}, real, status);
    EXPECT_FLOAT_EQ(real, 8.0f);
    std::string text = "old";
    IO_INPS("NAME", {}, text, status);
    EXPECT_EQ(text, "out.dat");
    EXPECT_EQ(status, ST_GOOD_VALUE);
}

TEST_F(Translation, AContinuedAnswerOnTheTerminal)
{
    TypedInput typed("1 2 &\n3\n");
    ConsoleCapture console;
    int status = ST_GOOD_VALUE;
    int values[3] = {};
    for (int& v : values)
        IO_INPI(false, 0, 0, "V", {}, v, status);
    EXPECT_EQ(values[0], 1);
    EXPECT_EQ(values[1], 2);
    EXPECT_EQ(values[2], 3);
    EXPECT_EQ(console.text(), "V [0]: Continuation: ");
}

TEST_F(Translation, LongTerminalLinesAreKeptWhole)
{
    const std::string name = "/data/" + std::string(250, 'd') + "/scan_0001.tif";
    TypedInput typed(name + "\n");
    int status = ST_GOOD_VALUE;
    std::string line;
    IO_INPUT_LINE("", line, status);
    EXPECT_EQ(line, name);
}

TEST(Keys, TheKeysOfAConsoleReadComeAsTyped)
{
    TypedInput typed("q\r\n");
    int status = ST_GOOD_VALUE;
    std::string keys;
    IO_INPUT_KEY("", keys, status);
    EXPECT_EQ(keys, "q\r");
    IO_INPUT_KEY("", keys, status);
    EXPECT_EQ(status, ST_EOF_VALUE);
}

TEST(Search, RoundTheEndInBothDirections)
{
    const std::vector<std::string> lines{"alpha", "Beta", "gamma", "beta max", "delta"};
    int status = ST_GOOD_VALUE;
    int found = 0;
    IO_SEARCH_TOKEN(lines, 2, true, "BETA", false, found, status);
    EXPECT_EQ(found, 3);
    IO_SEARCH_TOKEN(lines, 4, true, "BETA", false, found, status);
    EXPECT_EQ(found, 1);
    IO_SEARCH_TOKEN(lines, 0, false, "beta", true, found, status);
    EXPECT_EQ(found, 3);
    IO_SEARCH_TOKEN(lines, 2, false, "Beta", true, found, status);
    EXPECT_EQ(found, 1);
    IO_SEARCH_TOKEN(lines, -1, true, "epsilon", false, found, status);
    EXPECT_EQ(found, -1);
    EXPECT_EQ(status, ST_GOOD_VALUE);
}
