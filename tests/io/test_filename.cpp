#include <gtest/gtest.h>

#include "io/convert.h"
#include "io/filename.h"
#include "test_support.h"

using zyt_test::fresh_status;

namespace {

struct Deduced
{
    int retstat;
    FileSeries series;
};

Deduced deduce(std::string_view first, std::string_view last)
{
    int status = fresh_status();
    Deduced d{99, FileSeries{}};
    IO_FILESEQUENCE(first, last, d.retstat, d.series, status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    return d;
}

// Builds member `number` of a deduced series, as the application does.
std::string member(const FileSeries& s, int number)
{
    int status = fresh_status();
    std::string after;
    IO_CONCAT2(s.postfix, s.extension, 80, after, status);
    std::string name;
    int retstat = 99;
    IO_FILENAME(s.prefix, number, !s.variable_length, s.digits, after, retstat, name, status);
    EXPECT_EQ(retstat, 0);
    return name;
}

} // namespace

TEST(FileSeries, DeducedFromFirstAndLastNames)
{
    Deduced d = deduce("img0010.tif", "img0090.tif");
    ASSERT_EQ(d.retstat, 0);
    EXPECT_EQ(d.series.prefix, "img");
    EXPECT_EQ(d.series.first, 10);
    EXPECT_EQ(d.series.last, 90);
    EXPECT_EQ(d.series.direction, 1);
    EXPECT_FALSE(d.series.variable_length);
    EXPECT_EQ(d.series.digits, 4);
    EXPECT_EQ(d.series.postfix, "");
    EXPECT_EQ(d.series.extension, ".tif");
    EXPECT_EQ(member(d.series, 55), "img0055.tif");

    d = deduce("img_9.tif", "img_10.tif");
    ASSERT_EQ(d.retstat, 0);
    EXPECT_EQ(d.series.prefix, "img_");
    EXPECT_EQ(d.series.first, 9);
    EXPECT_EQ(d.series.last, 10);
    EXPECT_TRUE(d.series.variable_length);
    EXPECT_EQ(member(d.series, 123), "img_123.tif");

    d = deduce("10.tif", "11.tif");
    ASSERT_EQ(d.retstat, 0);
    EXPECT_EQ(d.series.prefix, "1");
    EXPECT_EQ(d.series.first, 0);
    EXPECT_EQ(d.series.last, 1);
    EXPECT_EQ(d.series.digits, 1);

    d = deduce("a_01_x.dat", "a_25_x.dat");
    ASSERT_EQ(d.retstat, 0);
    EXPECT_EQ(d.series.prefix, "a_");
    EXPECT_EQ(d.series.first, 1);
    EXPECT_EQ(d.series.last, 25);
    EXPECT_EQ(d.series.digits, 2);
    EXPECT_EQ(d.series.postfix, "_x");
    EXPECT_EQ(d.series.extension, ".dat");
    EXPECT_EQ(member(d.series, 7), "a_07_x.dat");

    d = deduce("/data/run.3/scan0001.edf", "/data/run.3/scan0900.edf");
    ASSERT_EQ(d.retstat, 0);
    EXPECT_EQ(d.series.prefix, "/data/run.3/scan");
    EXPECT_EQ(d.series.extension, ".edf");
    EXPECT_EQ(member(d.series, 450), "/data/run.3/scan0450.edf");
}

TEST(FileSeries, DescendingAndOverlappingNumbers)
{
    Deduced d = deduce("s100.tif", "s001.tif");
    ASSERT_EQ(d.retstat, 0);
    EXPECT_EQ(d.series.prefix, "s");
    EXPECT_EQ(d.series.first, 100);
    EXPECT_EQ(d.series.last, 1);
    EXPECT_EQ(d.series.direction, -1);
    EXPECT_EQ(d.series.digits, 3);

    // The common end reaches into the number: it is given back to the number.
    d = deduce("a1b", "a11b");
    ASSERT_EQ(d.retstat, 0);
    EXPECT_EQ(d.series.prefix, "a");
    EXPECT_EQ(d.series.first, 1);
    EXPECT_EQ(d.series.last, 11);
    EXPECT_EQ(d.series.postfix, "b");
    EXPECT_TRUE(d.series.variable_length);
}

TEST(FileSeries, IdenticalNames)
{
    Deduced d = deduce("flat.dat", "flat.dat");
    ASSERT_EQ(d.retstat, 0);
    EXPECT_EQ(d.series.prefix, "flat");
    EXPECT_EQ(d.series.extension, ".dat");
    EXPECT_EQ(d.series.first, 1);
    EXPECT_EQ(d.series.last, 1);
    EXPECT_EQ(d.series.digits, 0);
    EXPECT_EQ(member(d.series, 1), "flat.dat");

    d = deduce("flat", "flat");
    EXPECT_EQ(d.series.prefix, "flat");
    EXPECT_EQ(d.series.extension, "");
    d = deduce("flat.", "flat.");
    EXPECT_EQ(d.series.prefix, "flat");
    EXPECT_EQ(d.series.extension, "");
}

TEST(FileSeries, PairsThatAreNotASeries)
{
    for (auto [first, last] : std::vector<std::pair<const char*, const char*>>{
             {"scanA.tif", "scanB.tif"},  // no number differs
             {"", "scan1.tif"},           // no name
             {"scan1.tif", "   "},
             {"scan", "scan1"},           // one name starts the other
             {"scan12", "scan1"},
             {"1.tif", "11.tif"},         // one name ends the other
             {"x.tif", "yx.tif"},
             {"img.tif", "img2.tif"},     // an empty number
             {"img_a1.tif", "img_b1.tif"}}) {
        const Deduced d = deduce(first, last);
        EXPECT_EQ(d.retstat, -1) << first << " " << last;
    }
}

TEST(FileSeries, MemberNames)
{
    int status = fresh_status();
    std::string name = "unchanged";
    int retstat = 99;
    IO_FILENAME("scan", 1234, true, 3, ".tif", retstat, name, status);
    EXPECT_EQ(retstat, -1);
    EXPECT_EQ(name, "unchanged");
    IO_FILENAME("scan", 42, true, 5, ".tif", retstat, name, status);
    EXPECT_EQ(name, "scan00042.tif");
    IO_FILENAME("scan", 42, false, 5, ".tif", retstat, name, status);
    EXPECT_EQ(name, "scan42.tif");
    IO_FILENAME("scan", 42, true, -1, ".tif", retstat, name, status);
    EXPECT_EQ(status, 10017);
}

TEST(FileSeries, NextNameOfASeries)
{
    zyt_test::TempDir dir;
    int status = fresh_status();
    auto next = [&](std::string_view name, int increment, int check, int& retstat) {
        std::string result;
        retstat = 99;
        IO_NEWFILENAME(name, increment, check, result, retstat, status);
        return result;
    };
    int retstat = 0;
    EXPECT_EQ(next("run_0099.dat", 1, 0, retstat), "run_0100.dat");
    EXPECT_EQ(next("run_99.dat", 1, 0, retstat), "run_100.dat");
    EXPECT_EQ(next("img0010_a.tif", 1, 0, retstat), "img0011_a.tif");
    EXPECT_EQ(next("/d/x7/img010.tif", -2, 0, retstat), "/d/x7/img008.tif");
    EXPECT_EQ(next("run_10.dat", -1, 0, retstat), "run_9.dat");
    next("x.dat", 1, 0, retstat);
    EXPECT_EQ(retstat, 2);
    next("0001.dat", 1, 0, retstat);
    EXPECT_EQ(retstat, 3);
    next("abc.dat", 1, 0, retstat);
    EXPECT_EQ(retstat, 3);
    next("a99999999999.dat", 1, 0, retstat);
    EXPECT_EQ(retstat, 4);

    // Check modes: 1 and 2 want the next file to exist, 4 wants it new.
    zyt_test::write_file(dir.file("p0002.raw"), "x");
    const std::string first = dir.file("p0001.raw");
    EXPECT_EQ(next(first, 1, 1, retstat), dir.file("p0002.raw"));
    EXPECT_EQ(retstat, 0);
    next(first, 1, 4, retstat);
    EXPECT_EQ(retstat, 7);
    next(first, 2, 2, retstat);
    EXPECT_EQ(retstat, 7);
    next(first, 2, 4, retstat);
    EXPECT_EQ(retstat, 0);
}

TEST(FileNames, Parts)
{
    int status = fresh_status();
    EXPECT_EQ(IO_DIRPATH("/a/b/c.tif", status), "/a/b/");
    EXPECT_EQ(IO_DIRPATH("c.tif", status), "");
    EXPECT_EQ(IO_NODIRPATH("/a/b/c.tif  ", status), "c.tif");
    EXPECT_EQ(IO_NODIRPATH("/a/b/", status), "");
    EXPECT_EQ(IO_NODIRPATH("c", status), "c");
    EXPECT_EQ(IO_EXTENSION("a.b.c", status), "c");
    EXPECT_EQ(IO_EXTENSION("abc.", status), "");
    EXPECT_EQ(IO_EXTENSION("abc", status), "");
    EXPECT_EQ(IO_NOEXTENSION("a.b.c", status), "a.b");
    EXPECT_EQ(IO_NOEXTENSION("data", status), "");
    EXPECT_EQ(IO_NOEXTENSION(".profile", status), "");
    EXPECT_EQ(IO_BASENAME("/x/scan0001.tif", status), "scan0001");
    EXPECT_EQ(IO_LASTOCCURENCE('/', "/a/b"), 3);
    EXPECT_EQ(IO_LASTOCCURENCE('x', "/a/b"), -1);
    EXPECT_EQ(IO_LASTOCCURENCE('x', ""), -1);
    EXPECT_EQ(IO_UPPER("Scan_01.tif"), "SCAN_01.TIF");
    EXPECT_EQ(IO_LOWER("Scan_01.TIF"), "scan_01.tif");

    std::string joined;
    IO_CONCAT2("ab  ", "cd", 4, joined, status);
    EXPECT_EQ(joined, "abcd");
    IO_CONCAT2("", "", 4, joined, status);
    EXPECT_EQ(joined, "");
    IO_CONCAT2("ab", "cde", 4, joined, status);
    EXPECT_EQ(status, 11015);
}

TEST(FileNames, HomeDirectoryTranslation)
{
    int status = fresh_status();
    int retstat = 99;
    std::string out = "unchanged";
    auto translate = [&](std::string_view name) {
        out = "unchanged";
        retstat = 99;
        IO_TRANS_PATH(name, retstat, out, status);
        return out;
    };
    const char* home = std::getenv("HOME");
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(translate("   ~/x"), std::string(home) + "/x");
    EXPECT_EQ(translate("~"), std::string(home));
    EXPECT_EQ(translate("~root/.zyt.def"), "/root/.zyt.def");
    EXPECT_EQ(translate(" /abs/name "), "/abs/name");
    EXPECT_EQ(translate("rel/name"), "rel/name");
    EXPECT_EQ(translate("    "), "unchanged");
    EXPECT_EQ(retstat, 0);
    // A user the system does not know has no home: the name is not translated.
    {
        zyt_test::ConsoleCapture console;
        EXPECT_EQ(translate("~no_such_user_zyt/x"), "unchanged");
        EXPECT_NE(retstat, 0);
        EXPECT_EQ(console.text(), "WARNING: Problem obtaining home directory information\n");
    }
    translate(std::string(300, 'a'));
    EXPECT_EQ(retstat, 2);

    std::string home_dir;
    IO_USERPATH("~a/b", retstat, home_dir, status);
    EXPECT_EQ(retstat, 3);
    IO_USERPATH("x", retstat, home_dir, status);
    EXPECT_EQ(retstat, 4);
}
