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

// The file a user saw in the example of the defaults file.
const char* const example_file = "DATABASE DEFAULT VALUES FILE\n"
                                 "!!! DO NOT ALTER YOURSELF !!!\n"
                                 "FILE_INTERVAL\n"
                                 "1\n"
                                 "TAKE_LOG\n"
                                 "TRUE\n";

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

    // A defaults file holding the example, alone in a directory of its own
    // with the given mode, under a home that others may enter.
    static std::string example_alone(const TempDir& home, mode_t directory_mode)
    {
        const std::string directory = home.file("defaults");
        std::filesystem::create_directory(directory);
        const std::string path = directory + "/.zyt.def";
        write_file(path, example_file);
        ::chmod(directory.c_str(), directory_mode);
        ::chmod(home.path().c_str(), 0755);
        return path;
    }

    // A run with a defaults file that is not loaded: the load warns and uses
    // the built-in defaults, and the save at the end does not replace the
    // file. 0 when so; for a child process, which has no test assertions.
    static int load_refused_and_kept(const std::string& path, const std::string& warning)
    {
        ConsoleCapture console;
        int s = ST_GOOD_VALUE;
        int loaded = 0;
        IO_LOAD_DATABASE(path, loaded, s);
        if (loaded != -1 || s != ST_GOOD_VALUE) return 1;
        if (console.text().find(warning + path) == std::string::npos) return 2;
        int stored = 0;
        IO_SET_KEYVALUE("NEW_KEY", 3, "new", stored, s);
        int saved = 0;
        IO_SAVE_DATABASE(path, saved, s);
        return saved == -1 && s == ST_GOOD_VALUE ? 0 : 3;
    }

    // The file still holds the example, and nothing was left beside it.
    // A save by an ordinary user (root may write anywhere): 0 when it is
    // refused (retstat -1, good status), NOT_UNPRIVILEGED when the rights
    // cannot be given up.
    static int refused_save_as_ordinary_user(const std::string& path)
    {
        return zyt_test::run_in_child(
            [&] {
                int save_status = ST_GOOD_VALUE;
                int save_retstat = 0;
                IO_SAVE_DATABASE(path, save_retstat, save_status);
                return save_retstat == -1 && save_status == ST_GOOD_VALUE ? 0 : 1;
            },
            true);
    }

    static void expect_example_alone(const std::string& path)
    {
        EXPECT_EQ(read_file(path), example_file);
        const std::filesystem::path directory = std::filesystem::path(path).parent_path();
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(directory),
                                std::filesystem::directory_iterator()),
                  1);
    }

    int status = ST_GOOD_VALUE;
};

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
    const std::string path = example_alone(home, 0555);
    int retstat = 0;
    set("NEW_KEY", "new", retstat);

    const int result = refused_save_as_ordinary_user(path);
    ::chmod(home.file("defaults").c_str(), 0755);
    if (result == zyt_test::NOT_UNPRIVILEGED) GTEST_SKIP() << "cannot give up root's rights";
    EXPECT_EQ(result, 0);
    expect_example_alone(path);
}

// A write-protected defaults file in a directory that anyone may write is
// kept as it is: replacing it by a rename would undo its protection.
TEST_F(Database, WriteProtectedFileIsNotReplaced)
{
    TempDir home;
    const std::string path = example_alone(home, 0777);
    ::chmod(path.c_str(), 0444);
    int retstat = 0;
    set("NEW_KEY", "new", retstat);
    // Whoever saves, the superuser too: the file's own mode protects it.
    IO_SAVE_DATABASE(path, retstat, status);
    EXPECT_EQ(retstat, -1);
    expect_example_alone(path);
    const int result = refused_save_as_ordinary_user(path);
    ::chmod(home.file("defaults").c_str(), 0755);
    if (result == zyt_test::NOT_UNPRIVILEGED) GTEST_SKIP() << "cannot give up root's rights";
    EXPECT_EQ(result, 0);
    expect_example_alone(path);
    struct stat info{};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0444u);
}

// A defaults file that exists but cannot be read is not replaced at the end
// of the run: the answers it holds were never loaded and would be lost.
TEST_F(Database, UnreadableDefaultsFileIsWarnedAboutAndKept)
{
    TempDir home;
    // The directory itself lets anyone make and rename files in it.
    const std::string path = example_alone(home, 0777);
    ::chmod(path.c_str(), 0);

    const int result = zyt_test::run_in_child(
        [&] {
            if (::access(path.c_str(), R_OK) == 0) return zyt_test::NOT_UNPRIVILEGED;
            return load_refused_and_kept(path, "WARNING: The defaults file cannot be read: ");
        },
        true);
    ::chmod(path.c_str(), 0644);
    if (result == zyt_test::NOT_UNPRIVILEGED) GTEST_SKIP() << "cannot make a file unreadable";
    EXPECT_EQ(result, 0);
    expect_example_alone(path);
}

TEST_F(Database, SaveKeepsThePermissionBits)
{
    TempDir home;
    const std::string path = home.file(".zyt.def");
    int retstat = 0;
    set("KEY", "value", retstat);
    for (const mode_t mode : {0600, 0640, 0604}) {
        write_file(path, example_file);
        ::chmod(path.c_str(), mode);
        IO_SAVE_DATABASE(path, retstat, status);
        EXPECT_EQ(retstat, 0);
        struct stat info{};
        ASSERT_EQ(::stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, mode);
        EXPECT_NE(read_file(path).find("KEY\nvalue\n"), std::string::npos);
    }
}

// Whatever the defaults file is, loading ends soon: a FIFO, a device or a
// directory is no defaults file, and the built-in defaults are used.
TEST_F(Database, OnlyARegularFileIsLoaded)
{
    TempDir home;
    const std::string path = home.file(".zyt.def");
    auto load_in_child = [&] {
        return zyt_test::run_in_child(
            [&] {
                return load_refused_and_kept(path,
                                             "WARNING: The defaults file is not a regular file: ");
            },
            false, 10);
    };
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    ASSERT_EQ(load_in_child(), 0) << "a FIFO";
    EXPECT_TRUE(std::filesystem::is_fifo(path));
    for (const char* device : {"/dev/zero", "/dev/urandom", "/dev/null"}) {
        std::filesystem::remove(path);
        std::filesystem::create_symlink(device, path);
        EXPECT_EQ(load_in_child(), 0) << device;
    }
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    EXPECT_EQ(load_in_child(), 0) << "a directory";
}

// No line the program writes is longer than 256 characters: a longer one ends
// the load, and the file, which may be something else, is kept at the end.
TEST_F(Database, ALongLineEndsTheLoadAndTheFileIsKept)
{
    TempDir home;
    const std::string path = home.file(".zyt.def");
    const std::string content = std::string(example_file) + "LONG\n" +
                                std::string(5000000, 'x') + "\nAFTER\nvalue\n";
    write_file(path, content);
    ConsoleCapture console;
    int retstat = 9;
    IO_LOAD_DATABASE(path, retstat, status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_EQ(text("TAKE_LOG"), "TRUE");
    EXPECT_EQ(text("AFTER"), "absent");
    EXPECT_NE(console.text().find("WARNING: The defaults file has a line longer than"),
              std::string::npos)
        << console.text();
    IO_SAVE_DATABASE(path, retstat, status);
    EXPECT_EQ(retstat, -1);
    EXPECT_EQ(read_file(path), content);

    // A line without end that is far larger than memory ends the load as soon.
    IO_CLEAR_DATABASE();
    const std::string sparse = home.file("sparse.def");
    write_file(sparse, "");
    ASSERT_EQ(::truncate(sparse.c_str(), 64LL << 30), 0);
    const int result = zyt_test::run_in_child(
        [&] {
            int s = ST_GOOD_VALUE;
            int loaded = 0;
            IO_LOAD_DATABASE(sparse, loaded, s);
            return s == ST_GOOD_VALUE ? 0 : 1;
        },
        false, 10);
    EXPECT_EQ(result, 0);
}

// Once the store is full the load reads no further: later lines would only
// replace values of entries already loaded.
TEST_F(Database, LoadingStopsWhereTheStoreOverflows)
{
    TempDir home;
    std::string overfull = "H1\nH2\n";
    for (int i = 1; i <= 201; ++i) overfull += "KEY" + std::to_string(i) + "\nfirst\n";
    overfull += "KEY1\nlater\n";
    write_file(home.file("overfull.def"), overfull);
    ConsoleCapture console;
    int retstat = 0;
    IO_LOAD_DATABASE(home.file("overfull.def"), retstat, status);
    EXPECT_EQ(retstat, 1);
    EXPECT_EQ(text("KEY1"), "first");
    EXPECT_EQ(text("KEY200"), "first");
    EXPECT_EQ(text("KEY201"), "absent");
    // The caller reports an overflowing file in its own words.
    EXPECT_EQ(console.text(), "");
}

// An answer that no longer fits the store is not remembered: the user is told,
// once, rather than finding the old value offered next time.
TEST_F(Database, AFullStoreIsReportedOnce)
{
    int retstat = 0;
    for (int i = 1; i <= 200; ++i) set("K" + std::to_string(i), "v", retstat);
    ASSERT_EQ(retstat, 0);
    ConsoleCapture console;
    IO_SET_IKEYVALUE("NEW1", 1, retstat, status);
    EXPECT_EQ(retstat, 1);
    IO_SET_LKEYVALUE("NEW2", true, retstat, status);
    set("NEW3", "v", retstat);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    const std::vector<std::string> lines = console.lines();
    ASSERT_EQ(lines.size(), 2u) << console.text();
    EXPECT_EQ(lines[0], "WARNING: The internal database of default values is full:");
    EXPECT_EQ(lines[1], "         new answers are not remembered for the next run");
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
