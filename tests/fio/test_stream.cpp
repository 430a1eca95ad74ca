#include <gtest/gtest.h>
#include <sys/stat.h>

#include "fio_test_support.h"

using namespace zyt_test;

namespace {

class Stream : public FioTest
{
protected:
    // Opens a file on the input slot, which the guard closes again.
    int open_input(const std::string& path, const char* access = "READ")
    {
        int retstat = -9;
        int handle = 0;
        FIO_FILEOPEN(path, access, retstat, handle, status);
        EXPECT_EQ(retstat, FIO_OK);
        return handle;
    }
};

} // namespace

TEST_F(Stream, OneInputAndOneOutputSlot)
{
    write_file(dir.file("a"), "abcdef");
    write_file(dir.file("b"), "xyz");
    const int handle = open_input(dir.file("a"));
    FioSlotGuard guard(handle);
    EXPECT_EQ(handle, FIO_INPUT_HANDLE);
    int retstat = -9, second = 0;
    FIO_FILEOPENC(dir.file("b"), FIO_READ_TEXT, retstat, second);
    EXPECT_EQ(retstat, FIO_NOT_OPEN); // the input slot is taken
    // The open file is untouched by the refused open.
    std::vector<std::uint8_t> buffer(6);
    int got = 0;
    FIO_FILEREADC(handle, 3, FIO_NO_SWAP, retstat, got, buffer);
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 3), "abc");
    FIO_FILEOPENC(dir.file("out"), FIO_WRITE_BINARY, retstat, second);
    EXPECT_EQ(retstat, FIO_OK);
    EXPECT_EQ(second, FIO_OUTPUT_HANDLE);
    FIO_FILECLOSEC(second, retstat);
    EXPECT_EQ(retstat, FIO_OK);
    FIO_FILECLOSEC(second, retstat);
    EXPECT_EQ(retstat, FIO_NOT_OPEN);
    FIO_FILECLOSEC(3, retstat);
    EXPECT_EQ(retstat, FIO_BAD_ARGUMENT);
    FIO_FILEOPENC(dir.file("a"), 5, retstat, second);
    EXPECT_EQ(retstat, FIO_BAD_ARGUMENT);
    FIO_FILEOPENC(dir.file("missing"), FIO_READ_BINARY, retstat, second);
    EXPECT_EQ(retstat, FIO_NOT_OPEN); // the slot is still taken by "a"
}

TEST_F(Stream, TheGuardFreesTheSlotOnEveryWayOut)
{
    write_file(dir.file("a"), "abc");
    {
        FioSlotGuard guard(open_input(dir.file("a")));
    }
    int retstat = -9, handle = 0;
    FIO_FILEOPENC(dir.file("a"), FIO_READ_BINARY, retstat, handle);
    EXPECT_EQ(retstat, FIO_OK);
    FIO_FILECLOSEC(handle, retstat);
    FIO_FILEOPENC(dir.file("missing"), FIO_READ_BINARY, retstat, handle);
    EXPECT_EQ(retstat, FIO_SYSTEM_FAILED);
    FIO_FILEOPENC(dir.path().string(), FIO_READ_BINARY, retstat, handle);
    EXPECT_EQ(retstat, FIO_SYSTEM_FAILED); // a directory is no file to read
    // Nor is a pipe, whose open would wait for a writer.
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    FIO_FILEOPENC(dir.file("pipe"), FIO_READ_BINARY, retstat, handle);
    EXPECT_EQ(retstat, FIO_SYSTEM_FAILED);
}

TEST_F(Stream, ReadsReportWhatTheyCouldNotDo)
{
    write_file(dir.file("a"), "0123456789");
    const int handle = open_input(dir.file("a"));
    FioSlotGuard guard(handle);
    std::vector<std::uint8_t> buffer(8, 'x');
    int retstat = -9, got = -1;
    FIO_FILEREADC(handle, 9, FIO_NO_SWAP, retstat, got, buffer);
    EXPECT_EQ(retstat, FIO_BAD_ARGUMENT);
    EXPECT_EQ(buffer[0], 'x'); // nothing was read
    FIO_FILEREADC(FIO_OUTPUT_HANDLE, 1, FIO_NO_SWAP, retstat, got, buffer);
    EXPECT_EQ(retstat, FIO_BAD_ARGUMENT);

    ConsoleCapture console;
    FIO_FILEPREADC(handle, 6, 8, FIO_NO_SWAP, retstat, got, buffer);
    EXPECT_EQ(retstat, FIO_SHORT);
    EXPECT_EQ(got, 4);
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 4), "6789");
    FIO_FILEREADC(handle, 1, FIO_NO_SWAP, retstat, got, buffer);
    EXPECT_EQ(retstat, FIO_SYSTEM_FAILED);
    EXPECT_EQ(got, 0);
    FIO_FILEPREADC(handle, 3, 0, FIO_NO_SWAP, retstat, got, buffer);
    EXPECT_EQ(retstat, FIO_OK);
    FIO_FILEREADC(handle, 2, FIO_NO_SWAP, retstat, got, buffer);
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 2), "34"); // positioned at byte 3
    EXPECT_EQ(console.lines(), (std::vector<std::string>{"WARNING: 4 bytes input instead of 8 requested",
                                                         "WARNING: End of file encoutered"}));
    guard.close();
    ConsoleCapture closed;
    FIO_FILEREADC(handle, 1, FIO_NO_SWAP, retstat, got, buffer);
    EXPECT_EQ(retstat, FIO_NOT_OPEN);
    EXPECT_EQ(closed.text(), "WARNING: Input file is not open\n");
}

TEST_F(Stream, SwapsWholeItemsOfTheBytesRead)
{
    write_file(dir.file("a"), "ABCDEF");
    const int handle = open_input(dir.file("a"));
    FioSlotGuard guard(handle);
    std::vector<std::uint8_t> buffer(6);
    int retstat = -9, got = 0;
    FIO_FILEPREADC(handle, 0, 6, FIO_SWAP_4BYTE, retstat, got, buffer);
    EXPECT_EQ(std::string(buffer.begin(), buffer.end()), "DCBAEF");
    FIO_FILEPREADC(handle, 0, 5, FIO_SWAP_2BYTE, retstat, got, buffer);
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 5), "BADCE");
    EXPECT_EQ(Fio_int_byte_swap(0x01020304), 0x04030201);
    EXPECT_EQ(Fio_float_byte_swap(Fio_float_byte_swap(1.5f)), 1.5f);
}

TEST_F(Stream, TextLinesAndWrites)
{
    write_file(dir.file("t"), "first line\r\n\nlast");
    const int handle = open_input(dir.file("t"), "READ_ASCII");
    FioSlotGuard guard(handle);
    std::string line;
    int retstat = -9;
    FIO_ASCIIREADC(handle, 5, retstat, line);
    EXPECT_EQ(line, "first");
    FIO_ASCIIREADC(handle, 80, retstat, line);
    EXPECT_EQ(line, " "); // an empty line is one blank
    FIO_ASCIIREADC(handle, 80, retstat, line);
    EXPECT_EQ(line, "last");
    FIO_ASCIIREADC(handle, 80, retstat, line);
    EXPECT_EQ(retstat, FIO_SYSTEM_FAILED);

    int out = 0;
    FIO_FILEOPEN(dir.file("w"), "WRITE", retstat, out, status);
    std::vector<std::uint8_t> bytes{'a', 'b', 'c', 'd'};
    int written = 0;
    FIO_FILEWRITEC(out, 4, FIO_SWAP_2BYTE, bytes, retstat, written);
    EXPECT_EQ(written, 4);
    const float reals[] = {1.0f};
    FIO_FILEWREALC(out, reals, retstat, written);
    EXPECT_EQ(written, 1);
    FIO_FILECLOSEC(out, retstat);
    EXPECT_EQ(read_file(dir.file("w")), std::string("badc") + std::string("\0\0\x80\x3f", 4));
}

TEST_F(Stream, ShortWritesAreFailures)
{
    int retstat = -9, out = 0, written = 0;
    FIO_FILEOPENC("/dev/full", FIO_WRITE_BINARY, retstat, out);
    ASSERT_EQ(retstat, FIO_OK);
    const std::vector<float> reals(100000, 1.0f);
    ConsoleCapture console;
    FIO_FILEWREALC(out, reals, retstat, written);
    int closed = -9;
    FIO_FILECLOSEC(out, closed);
    EXPECT_TRUE(retstat == FIO_SYSTEM_FAILED || closed == FIO_SYSTEM_FAILED);
}

TEST_F(Stream, OpeningByNameAndAccessWord)
{
    int retstat = -9, handle = 0;
    FIO_FILEOPEN("   ", "READ", retstat, handle, status);
    EXPECT_EQ(status, ST_MOD_FIO + 33);
    status = fresh_status();
    FIO_FILEOPEN(dir.file("a"), "APPEND", retstat, handle, status);
    EXPECT_EQ(status, ST_MOD_FIO + 17);

    // A typed name is asked again until a file opens; "~" is the home directory.
    status = fresh_status();
    write_file(dir.file("found"), "x");
    setenv("HOME", dir.path().c_str(), 1);
    std::string name;
    {
        TypedInput typed(dir.file("missing") + "\n~/found\n");
        ConsoleCapture console;
        FIO_OPENFILE(true, "READ", name, retstat, handle, status);
        EXPECT_NE(console.text().find("Error in opening file, Please retype name"),
                  std::string::npos);
    }
    EXPECT_EQ(retstat, FIO_OK);
    EXPECT_EQ(name, dir.file("found"));
    FIO_FILECLOSEC(handle, retstat);

    name = dir.file("missing");
    FIO_OPENFILE(false, "READ", name, retstat, handle, status);
    EXPECT_EQ(retstat, FIO_SYSTEM_FAILED);
    EXPECT_EQ(status, ST_GOOD_VALUE);
}

TEST_F(Stream, PositionedReadsWithStatusCodes)
{
    write_file(dir.file("a"), "0123456789");
    const int handle = open_input(dir.file("a"));
    FioSlotGuard guard(handle);
    std::vector<std::uint8_t> buffer(4);
    FIO_TREAD_BYTES(handle, 8, 4, buffer, status); // short: accepted
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_EQ(buffer[1], '9');
    FIO_TREAD_BYTES(handle, 0, 5, buffer, status);
    EXPECT_EQ(status, ST_MOD_FIO + 5);
    status = fresh_status();
    FIO_TREAD_BYTES(handle, 0, 1, std::span<std::uint8_t>(), status);
    EXPECT_EQ(status, ST_MOD_FIO + 1);
    status = fresh_status();
    ConsoleCapture console;
    FIO_TREAD_BYTES(handle, 50, 2, buffer, status); // past the end
    EXPECT_EQ(status, ST_MOD_FIO + 1005);
}
