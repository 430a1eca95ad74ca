#include <gtest/gtest.h>

#include <filesystem>

#include "io/terminal.h"
#include "test_support.h"

using zyt_test::ConsoleCapture;
using zyt_test::TypedInput;

namespace {

// Each test starts with an empty input line and fresh pager settings.
int fresh()
{
    int status = zyt_test::fresh_status();
    IO_DEF_INPUT(status);
    return status;
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

const std::string help[] = {"Number of files to skip"};

} // namespace

TEST(TerminalQuestions, IntegerWithRangeHelpAndRetries)
{
    int status = fresh();
    TypedInput typed("?\nabc\n2000\n250\n");
    ConsoleCapture console;
    int value = 5;
    IO_INPI(true, 1, 1000, "FILE INTERVAL", help, value, status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_EQ(value, 250);
    const std::string out = console.text();
    EXPECT_TRUE(contains(out, "FILE INTERVAL [5] (Range: 1 to 1000): "));
    EXPECT_TRUE(contains(out, "Number of files to skip\n"));
    EXPECT_TRUE(contains(out, "Entered response cannot be converted to an integer"));
    EXPECT_TRUE(contains(out, "out of the acceptable range"));
}

TEST(TerminalQuestions, EmptyAnswerKeepsDefaultAndTokensShareALine)
{
    int status = fresh();
    TypedInput typed("\n3 4.5\n");
    ConsoleCapture console;
    int a = 9;
    int b = 9;
    float c = 0.0f;
    IO_INPI(false, 0, 0, "A", {}, a, status);
    IO_INPI(false, 0, 0, "B", {}, b, status);
    IO_INPR(false, 0.0f, 0.0f, "C", {}, c, status);
    EXPECT_EQ(a, 9);
    EXPECT_EQ(b, 3);
    EXPECT_FLOAT_EQ(c, 4.5f);
    EXPECT_TRUE(contains(console.text(), "C [0.0]: ") == false); // answered from the same line
}

TEST(TerminalQuestions, RealLogicalAndText)
{
    int status = fresh();
    TypedInput typed("x\n50%\nmaybe\nno\n  my file.dat  \n\n");
    ConsoleCapture console;
    float real = 1.5f;
    IO_INPR(true, 0.0f, 1.0f, "FRACTION", {}, real, status);
    EXPECT_FLOAT_EQ(real, 0.5f);
    bool yes = true;
    IO_INPL("TAKE LOG", {}, yes, status);
    EXPECT_FALSE(yes);
    std::string text = "old";
    IO_INPS("NAME", {}, text, status);
    EXPECT_EQ(text, "  my file.dat");
    IO_INPS("NAME", {}, text, status);
    EXPECT_EQ(text, "  my file.dat");
    const std::string out = console.text();
    EXPECT_TRUE(contains(out, "FRACTION [1.500000] (Range: 0.0 to 1.000000): "));
    EXPECT_TRUE(contains(out, "Error in input value: cannot convert to a real number"));
    EXPECT_TRUE(contains(out, "TAKE LOG [YES]: "));
}

TEST(TerminalQuestions, TextThatMustNotBeEmpty)
{
    int status = fresh();
    TypedInput typed("\nresult.par\n");
    ConsoleCapture console;
    std::string name;
    IO_INPC("FILE NAME", {}, "Unacceptable input", name, status);
    EXPECT_EQ(name, "result.par");
    EXPECT_TRUE(contains(console.text(), "Unacceptable input\n"));
}

TEST(TerminalQuestions, EndOfInputEndsTheQuestionUnchanged)
{
    int status = fresh();
    TypedInput typed("abc\n");
    ConsoleCapture console;
    int value = 17;
    IO_INPI(false, 0, 0, "N", {}, value, status);
    EXPECT_EQ(status, ST_EOF_VALUE);
    EXPECT_EQ(value, 17);
}

TEST(TerminalQuestions, GraphicalMenuCannotBeAnsweredOnTheTerminal)
{
    int status = fresh();
    TypedInput typed("never read\n");
    std::string line;
    IO_READ("MENU CHOICE (GRAPHICAL): ", line, status);
    EXPECT_EQ(status, ST_EOF_VALUE);
    EXPECT_EQ(line, "%!*\\ EOF");

    status = fresh();
    IO_READ("", line, status);
    EXPECT_EQ(line, "never read");
}

TEST(CommandMenu, Abbreviations)
{
    int status = fresh();
    const std::string commands[] = {"EXIT", "EXIT_ALL", "INPUT", "HELP"};
    int index = 0;
    std::string full;
    IO_COMMAND("inp file", commands, index, full, status);
    EXPECT_EQ(index, 2);
    EXPECT_EQ(full, "INPUT");
    IO_COMMAND("EX", commands, index, full, status);
    EXPECT_EQ(index, -2);
    IO_COMMAND("exit", commands, index, full, status);
    EXPECT_EQ(index, 0);
    IO_COMMAND("zoom", commands, index, full, status);
    EXPECT_EQ(index, -1);
    IO_COMMAND("", commands, index, full, status);
    EXPECT_EQ(index, -1);
}

TEST(CommandMenu, AsksUntilAChoiceIsMade)
{
    zyt_test::TempDir dir;
    const std::string marker = dir.file("shell_ran");
    int status = fresh();
    TypedInput typed("\nex\nzoom\n$touch " + marker + "\nexit_a\n");
    ConsoleCapture console;
    const std::string commands[] = {"EXIT", "EXIT_ALL", "INPUT"};
    const std::string explanations[] = {"Leave", "Leave everything", "Read a file"};
    std::string command;
    IO_MENU("COMMAND", commands, explanations, command, status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_EQ(command, "EXIT_ALL");
    const std::string out = console.text();
    EXPECT_TRUE(contains(out, "   EXIT_ALL             Leave everything\n"));
    EXPECT_TRUE(contains(out, "ERROR: Null command entered"));
    EXPECT_TRUE(contains(out, "WARNING: Entered command is ambiguous. Please enter more letters."));
    EXPECT_TRUE(contains(out, "WARNING: Entered text does not correspond to any of the available choices."));
    EXPECT_TRUE(contains(out, "Please enter a command from the menu."));
    EXPECT_TRUE(contains(out, "INFO: Sending the command to the operating system"));
    EXPECT_TRUE(std::filesystem::exists(marker));
}

TEST(Pager, PagesSearchesAndQuits)
{
    std::vector<std::string> lines;
    for (int i = 1; i <= 50; ++i) lines.push_back("line " + std::to_string(i));
    lines[34] = "the needle";

    int status = fresh();
    {
        // Forward twice, and the text ends: the whole text was shown once.
        TypedInput typed("\nf\n");
        ConsoleCapture console;
        IO_TEXT(lines, status);
        const auto out = console.lines();
        EXPECT_EQ(status, ST_GOOD_VALUE);
        EXPECT_TRUE(contains(console.text(), "--- 40% --- <RETURN> for next page, ? for help: "));
        EXPECT_TRUE(contains(console.text(), "--- 80% ---"));
        EXPECT_EQ(std::count(out.begin(), out.end(), "line 50"), 1);
    }
    {
        // Back to the start, go to a line, search forwards (circular), and quit.
        TypedInput typed("s\n10\n>\nNEEDLE\n");
        ConsoleCapture console;
        IO_TEXT(lines, status);
        const std::string out = console.text();
        EXPECT_EQ(status, ST_GOOD_VALUE);
        EXPECT_TRUE(contains(out, "line 10\nline 11\n"));
        EXPECT_TRUE(contains(out, "ENTER SEARCH TEXT"));
        EXPECT_TRUE(contains(out, "the needle\nline 36\n"));
    }
    {
        TypedInput typed("b\nq\n");
        ConsoleCapture console;
        IO_TEXT(lines, status);
        EXPECT_EQ(status, ST_GOOD_VALUE);
        EXPECT_FALSE(contains(console.text(), "line 21"));
    }
    {
        // Short texts are not paged; N 0 switches paging off.
        TypedInput typed("n\n0\n");
        ConsoleCapture console;
        IO_TEXT(lines, status);
        const auto out = console.lines();
        EXPECT_EQ(std::count(out.begin(), out.end(), "line 50"), 1);
        EXPECT_EQ(std::count(out.begin(), out.end(), "line 1"), 1);
    }
}
