#include <gtest/gtest.h>

#include "io/status.h"
#include "io/units.h"
#include "test_support.h"

using zyt_test::ConsoleCapture;
using zyt_test::fresh_status;
using Lines = std::vector<std::string>;

namespace {

Lines report(int status)
{
    ConsoleCapture console;
    ST_OUT(status);
    return console.lines();
}

} // namespace

TEST(StatusReport, GoodStatusReportsARecordedPositionOnlyWhenThereIsOne)
{
    fresh_status();
    EXPECT_TRUE(report(ST_GOOD_VALUE).empty());

    ST_SAVE("Subroutine IO_EXAMPLE V0.1");
    EXPECT_EQ(report(ST_GOOD_VALUE),
              (Lines{"", "STATUS: The \"status\" value appears to be good, but an error position has",
                     "been reported in:", "Subroutine IO_EXAMPLE V0.1",
                     "This is probably due to incorrect calling arguments"}));
}

TEST(StatusReport, EscapeDoesNotShowThePosition)
{
    fresh_status();
    ST_SAVE("Subroutine GS_INPI V0.1");
    EXPECT_EQ(report(ST_ESCAPE_VALUE),
              (Lines{"", "STATUS: The \"status\" value is set to the user escape value"}));
}

TEST(StatusReport, ModulesAndClassifications)
{
    fresh_status();
    ST_SAVE("Subroutine IO_WRITE_FILE V0.1");
    EXPECT_EQ(report(11010),
              (Lines{"", "STATUS: The error was identified in module:",
                     "IO: Input/Output and Status", "", "STATUS: Position where error condition was identified",
                     "Subroutine IO_WRITE_FILE V0.1", "",
                     "STATUS: The error condition has been classified as:",
                     "Write to output file failed"}));

    const Lines lg = report(131002);
    EXPECT_EQ(lg[2], "LG: \"Vaded Arovediv\"");
    EXPECT_EQ(lg.back(), "Bad memory allocation: Memory allocation failed");

    EXPECT_EQ(report(140033)[2], "GS: \"Graphics System\"");
    EXPECT_EQ(report(180017).back(), "First dimension: integer value out of acceptable range");
    EXPECT_EQ(report(20000 + 1006)[2], "MA: Mathematics");
    EXPECT_EQ(report(132001).back(), "Failed to open X-11 window (use \"xhost+\" on X-server ?)");

    // A negative status names no module but keeps its classification.
    const Lines negative = report(-11010);
    EXPECT_EQ(negative[2], "UNKNOWN:");
    EXPECT_EQ(negative.back(), "Write to output file failed");
}

TEST(StatusReport, UnknownErrorNumberAndEndOfInput)
{
    fresh_status();
    EXPECT_EQ(report(10500),
              (Lines{"", "STATUS: The error was identified in module:",
                     "IO: Input/Output and Status", "", "STATUS: Position where error condition was identified",
                     "", "WARNING: Unknown value for the status variable; value =          10500", "",
                     "STATUS: The error condition has been classified as:",
                     "Undefined error value"}));

    const Lines eof = report(ST_EOF_VALUE);
    EXPECT_EQ(eof[2], "UNKNOWN:");
    EXPECT_EQ(eof[6], "WARNING: Unknown value for the status variable; value =    -2147483646");
    EXPECT_EQ(eof.back(), "Undefined error value");
}

TEST(StatusReport, FirstPositionWinsUntilReset)
{
    int status = fresh_status();
    std::string long_text(150, 'x');
    ST_SAVE(long_text);
    ST_SAVE("Subroutine SECOND V0.1");
    EXPECT_EQ(ST_INQ_POSITION(), std::string(132, 'x'));
    ST_DEF_SYSTEM(status);
    EXPECT_EQ(ST_INQ_POSITION(), "");

    // A routine entered with a bad status records itself and does nothing.
    status = 10017;
    ConsoleCapture console;
    IO_WRITE("not written", status);
    EXPECT_EQ(console.text(), "");
    EXPECT_EQ(ST_INQ_POSITION(), "Subroutine IO_WRITE V0.1");
    EXPECT_EQ(status, 10017);
}

TEST(StatusValues, ErrorCodes)
{
    EXPECT_EQ(ST_GOOD(), -2147483647);
    EXPECT_EQ(ST_ERRORCODE(180033), 33);
    EXPECT_EQ(ST_ERRORCODE(-11000), 1000);
    EXPECT_EQ(ST_ERRORCODE(ST_EOF_VALUE), ST_EOF_VALUE);
    EXPECT_EQ(ST_ERRORCODE(ST_ESCAPE_VALUE), ST_ESCAPE_VALUE);
    EXPECT_EQ(ST_ERRORCODE(ST_GOOD_VALUE), ST_GOOD_VALUE);
}

TEST(Console, SignificantLengthAndLines)
{
    EXPECT_EQ(SLEN("   "), 0u);
    EXPECT_EQ(SLEN(std::string("ab\t\0\r\n", 6)), 2u);
    EXPECT_EQ(SLEN(""), 0u);
    EXPECT_EQ(SLEN("A  "), 1u);
    EXPECT_EQ(SLEN(" A"), 2u);

    int status = fresh_status();
    ConsoleCapture console;
    IO_WRITE("", status);
    IO_WRITENA("", status);
    IO_WRITENA("prompt: ", status);
    IO_WRITE("answer   ", status);
    EXPECT_EQ(console.text(), "\nprompt:answer\n");
}

TEST(Console, FileLinesAndAFailedWrite)
{
    zyt_test::TempDir dir;
    const std::string path = dir.file("out.txt");
    int error_value = 0;
    ASSERT_TRUE(io_unit_open(20, path, IoAccess::write, error_value));
    int status = fresh_status();
    IO_WRITE_FILE(20, "first   ", status);
    IO_WRITENA_FILE(20, "no end ", status);
    IO_WRITENA_FILE(20, "", status);
    IO_WRITE_FILE(20, "", status);
    IO_CLOSE_FILE(20, status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_EQ(zyt_test::read_file(path), "first\nno end\n");

    // /dev/full takes the open but refuses the data: the close reports it.
    ASSERT_TRUE(io_unit_open(21, "/dev/full", IoAccess::write, error_value));
    ConsoleCapture console;
    IO_WRITE_FILE(21, "lost", status);
    IO_CLOSE_FILE(21, status);
    EXPECT_EQ(status, 11010);
    EXPECT_NE(console.text().find("ERROR: Failed to output ASCII text to an output file."),
              std::string::npos);

    // Writing to a unit that holds no file fails at once.
    status = fresh_status();
    IO_WRITE_FILE(22, "nowhere", status);
    EXPECT_EQ(status, 11010);
    EXPECT_EQ(ST_INQ_POSITION(), "Subroutine IO_WRITE_FILE V0.1");
}
