#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "io/database.h"
#include "io/units.h"
#include "test_support.h"

using zyt_test::ConsoleCapture;
using zyt_test::fresh_status;
using zyt_test::read_file;
using zyt_test::TempDir;
using zyt_test::write_file;

namespace {

class Database : public ::testing::Test
{
protected:
    void SetUp() override
    {
        IO_CLEAR_DATABASE();
        status = fresh_status();
    }

    std::string text(std::string_view key)
    {
        int length = -1;
        std::string value = "absent";
        int retstat = 99;
        IO_INQ_KEYVALUE(key, length, value, retstat, status);
        return retstat == 0 ? value : "absent";
    }

    std::vector<std::string> keys_in_order()
    {
        std::vector<std::string> keys;
        for (int i = 1;; ++i) {
            std::string key;
            std::string value;
            int length = 0;
            int retstat = 0;
            IO_ACCESS_DATABASE(-i, key, length, value, retstat, status);
            if (retstat != 0) break;
            keys.push_back(key);
        }
        return keys;
    }

    void set(std::string_view key, std::string_view value, int& retstat)
    {
        IO_SET_KEYVALUE(key, static_cast<int>(value.size()), value, retstat, status);
    }

    int status = ST_GOOD_VALUE;
};

// The file a user saw in the example of the defaults file.
const char* const example_file = "DATABASE DEFAULT VALUES FILE\n"
                                 "!!! DO NOT ALTER YOURSELF !!!\n"
                                 "FILE_INTERVAL\n"
                                 "1\n"
                                 "TAKE_LOG\n"
                                 "TRUE\n";

} // namespace

TEST_F(Database, ReplacingAKeyMovesItToTheEnd)
{
    int retstat = 0;
    set("A", "1", retstat);
    set("B", "2", retstat);
    set("C", "3", retstat);
    set("A", "new", retstat);
    EXPECT_EQ(retstat, 0);
    EXPECT_EQ(keys_in_order(), (std::vector<std::string>{"B", "C", "A"}));
    EXPECT_EQ(text("A"), "new");
    EXPECT_EQ(text("B"), "2");

    // A key that only starts a stored key does not find it; a blank key stores nothing.
    set("FILE_INTERVAL", "5", retstat);
    EXPECT_EQ(text("FILE"), "absent");
    retstat = 42;
    set("   ", "x", retstat);
    EXPECT_EQ(retstat, 42);
    EXPECT_EQ(keys_in_order().size(), 4u);

    // The stored length is kept, trailing blanks included, and may be zero.
    IO_SET_KEYVALUE("PADDED", 5, "ab", retstat, status);
    EXPECT_EQ(text("PADDED"), "ab   ");
    set("EMPTY", "", retstat);
    EXPECT_EQ(text("EMPTY"), "");
}

TEST_F(Database, CapacityOfTheStore)
{
    int retstat = 0;
    for (int i = 1; i <= 200; ++i) set("K" + std::to_string(i), "v", retstat);
    EXPECT_EQ(retstat, 0);
    set("K201", "v", retstat);
    EXPECT_EQ(retstat, 1);
    EXPECT_EQ(text("K201"), "absent");

    // Full by count, an existing key can still be replaced.
    retstat = 0;
    set("K7", "replaced", retstat);
    EXPECT_EQ(retstat, 0);
    EXPECT_EQ(text("K7"), "replaced");
    EXPECT_EQ(keys_in_order().back(), "K7");
}

TEST_F(Database, PoolLimitKeepsTheOldValueWhenTheNewOneDoesNotFit)
{
    int retstat = 0;
    const std::string value(250, 'v');
    int stored = 0;
    for (int i = 10; i < 99 && retstat == 0; ++i) {
        set("KEY" + std::to_string(i), value, retstat);
        if (retstat == 0) ++stored;
    }
    EXPECT_EQ(retstat, 1);
    int pool_used = 0;
    EXPECT_EQ(IO_INQ_DATABASE_SIZE(pool_used), stored);
    EXPECT_LE(pool_used, 7998);
    EXPECT_GT(pool_used + 256, 7998);

    // A longer value for a stored key does not fit: the old entry stays.
    const std::string old_value = text("KEY10");
    retstat = 0;
    set("KEY10", value + std::string(200, 'w'), retstat);
    EXPECT_EQ(retstat, 1);
    EXPECT_EQ(text("KEY10"), old_value);
    EXPECT_EQ(keys_in_order().front(), "KEY10");
}

TEST_F(Database, TypedValues)
{
    int retstat = 0;
    IO_SET_IKEYVALUE("N", -42, retstat, status);
    IO_SET_RKEYVALUE("R", 0.000002f, retstat, status);
    IO_SET_LKEYVALUE("L", false, retstat, status);
    set("BAD", "false", retstat);
    EXPECT_EQ(text("N"), "-42");
    EXPECT_EQ(text("R"), "2.000000E-06");
    EXPECT_EQ(text("L"), "FALSE");

    int n = 0;
    IO_INQ_IKEYVALUE("N", n, retstat, status);
    EXPECT_EQ(retstat, 0);
    EXPECT_EQ(n, -42);
    float r = 0.0f;
    IO_INQ_RKEYVALUE("R", r, retstat, status);
    EXPECT_FLOAT_EQ(r, 0.000002f);
    bool l = true;
    IO_INQ_LKEYVALUE("L", l, retstat, status);
    EXPECT_FALSE(l);

    // Present but of another type: reported, value untouched.
    l = true;
    IO_INQ_LKEYVALUE("BAD", l, retstat, status);
    EXPECT_EQ(retstat, 3);
    EXPECT_TRUE(l);
    n = 9;
    IO_INQ_IKEYVALUE("L", n, retstat, status);
    EXPECT_EQ(retstat, 3);
    EXPECT_EQ(n, 9);
    IO_INQ_RKEYVALUE("MISSING", r, retstat, status);
    EXPECT_EQ(retstat, 2);
}

TEST_F(Database, SaveAndLoadThroughRealFiles)
{
    TempDir home;
    const std::string path = home.file(".zyt.def");
    int retstat = 0;
    IO_SET_IKEYVALUE("FILE_INTERVAL", 1, retstat, status);
    IO_SET_LKEYVALUE("TAKE_LOG", true, retstat, status);
    set("#RUN_ONLY", "x", retstat);
    IO_SAVE_DATABASE(path, retstat, status);
    EXPECT_EQ(retstat, 0);
    EXPECT_EQ(read_file(path), example_file);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(home.path()),
                            std::filesystem::directory_iterator()),
              1);

    // Loading adds to what the store holds; a key twice in the file keeps the later value.
    IO_CLEAR_DATABASE();
    set("EARLIER", "kept", retstat);
    set("TAKE_LOG", "FALSE", retstat);
    write_file(path, std::string(example_file) + "TAKE_LOG\nFALSE  \r\nODD_LINE\n");
    IO_LOAD_DATABASE(path, retstat, status);
    EXPECT_EQ(retstat, 0);
    EXPECT_EQ(text("EARLIER"), "kept");
    EXPECT_EQ(text("TAKE_LOG"), "FALSE");
    EXPECT_EQ(text("FILE_INTERVAL"), "1");
    EXPECT_EQ(text("ODD_LINE"), "absent");
}

TEST_F(Database, LoadingMissingShortAndOverfullFiles)
{
    TempDir home;
    int retstat = 0;
    IO_LOAD_DATABASE(home.file("missing.def"), retstat, status);
    EXPECT_EQ(retstat, -1);
    EXPECT_EQ(status, ST_GOOD_VALUE);

    write_file(home.file("short.def"), "only one header line\n");
    IO_LOAD_DATABASE(home.file("short.def"), retstat, status);
    EXPECT_EQ(retstat, 0);
    EXPECT_TRUE(keys_in_order().empty());

    std::string overfull = "H1\nH2\n";
    for (int i = 1; i <= 205; ++i) overfull += "KEY" + std::to_string(i) + "\nvalue\n";
    write_file(home.file("overfull.def"), overfull);
    IO_LOAD_DATABASE(home.file("overfull.def"), retstat, status);
    EXPECT_EQ(retstat, 1);
    EXPECT_EQ(keys_in_order().size(), 200u);
}

TEST_F(Database, TildeNamesTheHomeDirectory)
{
    TempDir home;
    const std::string old_home = std::getenv("HOME");
    ::setenv("HOME", home.path().c_str(), 1);
    int retstat = 0;
    set("KEY", "value", retstat);
    IO_SAVE_DATABASE("~/.zyt.def", retstat, status);
    ::setenv("HOME", old_home.c_str(), 1);
    EXPECT_EQ(retstat, 0);
    EXPECT_NE(read_file(home.file(".zyt.def")).find("KEY\nvalue\n"), std::string::npos);
}

// A save that cannot be written keeps the previous file whole and says so.
TEST_F(Database, FailedSaveKeepsThePreviousFile)
{
    TempDir home;
    const std::string directory = home.file("defaults");
    std::filesystem::create_directory(directory);
    const std::string path = directory + "/.zyt.def";
    write_file(path, example_file);
    int retstat = 0;
    set("NEW_KEY", "new", retstat);
    ::chmod(directory.c_str(), 0555);
    ::chmod(home.path().c_str(), 0755);

    // Root may write anywhere: the save is tried by an ordinary user then.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (zyt_test::running_as_root() && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        int save_status = ST_GOOD_VALUE;
        int save_retstat = 0;
        IO_SAVE_DATABASE(path, save_retstat, save_status);
        ::_exit(save_retstat == -1 && save_status == ST_GOOD_VALUE ? 0 : 1);
    }
    int child_status = 0;
    ::waitpid(child, &child_status, 0);
    ::chmod(directory.c_str(), 0755);
    ASSERT_TRUE(WIFEXITED(child_status));
    EXPECT_EQ(WEXITSTATUS(child_status), 0);
    EXPECT_EQ(read_file(path), example_file);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(directory),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(Database, OpeningTextFiles)
{
    TempDir dir;
    int retstat = 0;
    std::string name = dir.file("new.txt");
    IO_OPEN_ASCIIFILE(false, "READ", 30, name, retstat, status);
    EXPECT_EQ(retstat, 1);
    IO_OPEN_ASCIIFILE(false, "WRITE", 30, name, retstat, status);
    EXPECT_EQ(retstat, 0);
    IO_CLOSE_FILE(30, status);
    EXPECT_TRUE(std::filesystem::exists(name));

    IO_OPEN_ASCIIFILE(false, "WRITE", 100, name, retstat, status);
    EXPECT_EQ(status, 10017);

    // Prompting: a name that cannot be opened is asked for again.
    status = fresh_status();
    zyt_test::TypedInput typed(dir.file("no/such/dir.txt") + "\n" + dir.file("ok.txt") + "\n");
    ConsoleCapture console;
    name.clear();
    IO_OPEN_ASCIIFILE(true, "WRITE", 31, name, retstat, status);
    EXPECT_EQ(retstat, 0);
    EXPECT_EQ(name, dir.file("ok.txt"));
    EXPECT_NE(console.text().find("WARNING: Error in opening file, Please retype name"),
              std::string::npos);
    EXPECT_NE(console.text().find("FILE NAME ["), std::string::npos);
    IO_CLOSE_FILE(31, status);
}
