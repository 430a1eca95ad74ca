#include <gtest/gtest.h>

#include <filesystem>

#include "io/os/os_layer.h"
#include "io/system.h"
#include "test_support.h"

using zyt_test::fresh_status;

TEST(SystemServices, MemoryBlocks)
{
    int status = fresh_status();
    void* block = nullptr;
    IO_MALLOC(0, block, status);
    EXPECT_EQ(status, 10017);
    EXPECT_EQ(ST_INQ_POSITION(), "Subroutine IO_MALLOC V0.1");

    status = fresh_status();
    IO_MALLOC(1 << 20, block, status);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    ASSERT_NE(block, nullptr);
    static_cast<char*>(block)[(1 << 20) - 1] = 1;
    IO_FREE(block, status);
    EXPECT_EQ(block, nullptr);

    // A block larger than any machine has is refused, not a crash.
    IO_MALLOC(1LL << 62, block, status);
    EXPECT_EQ(status, 11002);
}

TEST(SystemServices, CommandLineArguments)
{
    const char* argv[] = {"zyt_zevuza", "LANDSCAPE", "+COLOURS", "64"};
    IO_SET_ARGUMENTSC(4, argv);
    int status = fresh_status();
    int count = 0;
    std::vector<std::string> args;
    IO_GETARGS(2, count, args, status);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(args, (std::vector<std::string>{"zyt_zevuza", "LANDSCAPE"}));

    IO_GETARGS(6, count, args, status);
    EXPECT_EQ(args, (std::vector<std::string>{"zyt_zevuza", "LANDSCAPE", "+COLOURS", "64", "", ""}));

    IO_GETARGS(0, count, args, status);
    EXPECT_EQ(status, 10001);
}

TEST(SystemServices, MachineDescription)
{
    int status = fresh_status();
    std::string system_name = "unchanged";
    std::string processor = "unchanged";
    IO_SYSTEM_NAME(system_name, processor, status);
    EXPECT_EQ(system_name, "LINUX");
    EXPECT_EQ(processor, "PC");
    EXPECT_EQ(io_path_separator(), '/');
    int bytes = 0;
    IO_RECL(bytes, status);
    EXPECT_EQ(bytes, 1);
    EXPECT_EQ(IO_BIG_ENDIAN(status), std::endian::native == std::endian::big);

    std::string login;
    int retstat = 5;
    IO_LOGINNAME(login, retstat, status);
    EXPECT_EQ(retstat, 0);
    EXPECT_FALSE(login.empty());
    EXPECT_EQ(IO_HOMEDIRC(login).empty(), false);
}

TEST(SystemServices, StartOfText)
{
    EXPECT_EQ(IO_START("  \tx"), 4);
    EXPECT_EQ(IO_START("    "), -1);
    EXPECT_EQ(IO_START(""), -1);
    EXPECT_EQ(IO_START("a"), 1);
}

TEST(SystemServices, CommandsAndSleep)
{
    zyt_test::TempDir dir;
    const std::string marker = dir.file("ran");
    int status = fresh_status();
    IO_SYSTEM("touch '" + marker + "'   ", status);
    EXPECT_TRUE(std::filesystem::exists(marker));

    // A failing command is not the program's failure.
    IO_SYSTEM("exit 3", status);
    EXPECT_EQ(status, ST_GOOD_VALUE);

    const auto before = std::chrono::steady_clock::now();
    IO_SLEEP(0.05f, status);
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(45));
}
