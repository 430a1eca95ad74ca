// Whole runs of the program, headless from event scripts.
#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"

using zyt_test::read_file;
using zyt_test::TempDir;

namespace {

// Runs the program in a working directory of its own with its own home.
zyt_test::CommandResult run(const TempDir& dir, const std::string& events,
                            const std::string& options = "",
                            const std::string& working_directory = "")
{
    const std::string home = dir.file("home");
    std::filesystem::create_directories(home);
    const std::string cd = working_directory.empty() ? "cd '" + dir.path().string() + "'"
                                                     : working_directory;
    return zyt_test::run_command(cd + " && env -u DISPLAY HOME='" + home + "' '" + ZYT_BINARY +
                                 "' --headless --events '" + events + "' " + options +
                                 " </dev/null");
}

// The run that takes every default and writes NAME.par where it starts.
std::string defaults_run(const TempDir& dir, const std::string& name)
{
    const std::string events = dir.file(name + ".events");
    zyt_test::write_file(events, "click \"NO\"\nclick \"O.K.\"\nclick \"O.K.\"\ntext \"" +
                                     name + ".par\"\n");
    return events;
}

std::string last_line(const std::string& output)
{
    const std::vector<std::string> lines = zyt_test::split_lines(output);
    return lines.empty() ? std::string() : lines.back();
}

const std::string e2e = ZYT_E2E_DIR;

} // namespace

TEST(FirstRun, FromTheTitleToAWrittenParameterFile)
{
    TempDir dir;
    const zyt_test::CommandResult r = run(dir, e2e + "/first_run.events", "--snapshots pages");
    EXPECT_EQ(r.exit_status, 0) << r.output;
    EXPECT_NE(r.output.find("ZYT_ZEVUZA Exited"), std::string::npos) << r.output;
    EXPECT_EQ(read_file(dir.file("recon.par")), read_file(e2e + "/expected/first_run.par"));
    EXPECT_EQ(read_file(dir.file("home/.zyt.def")), read_file(e2e + "/expected/first_run.def"));
    // A page was kept each time input was awaited.
    EXPECT_TRUE(std::filesystem::exists(dir.file("pages/page_0001.png")));
}

TEST(FirstRun, AnswersAreOfferedAgainInTheNextRun)
{
    TempDir dir;
    ASSERT_EQ(run(dir, e2e + "/first_run.events").exit_status, 0);
    // The next run takes every default: the remembered values come back.
    const zyt_test::CommandResult again = run(dir, defaults_run(dir, "again"));
    EXPECT_EQ(again.exit_status, 0) << again.output;
    EXPECT_NE(again.output.find("ZYT_ZEVUZA Exited"), std::string::npos) << again.output;
    const std::string text = read_file(dir.file("again.par"));
    EXPECT_NE(text.find("FILE_INTERVAL =      2 !"), std::string::npos);
    EXPECT_NE(text.find("SUBTRACT_BACKGROUND = YES"), std::string::npos);
    EXPECT_NE(text.find("IMAGE_PIXEL_SIZE_1 =      6.50000 !"), std::string::npos) << text;
}

// Whatever the defaults file says, the parameter file holds values that the
// forms accept: remembered values out of range are taken at the nearest bound.
TEST(FirstRun, RememberedValuesOutOfRangeAreBroughtIntoRange)
{
    TempDir dir;
    std::filesystem::create_directories(dir.file("home"));
    zyt_test::write_file(dir.file("home/.zyt.def"),
                         "DATABASE DEFAULT VALUES FILE\n!!! DO NOT ALTER YOURSELF !!!\n"
                         "FILE_INTERVAL\n-2147483648\nCACHE_KILOBYTES\n1234567\n"
                         "X_PIXEL_SIZE\n3.4E38\nY_PIXEL_SIZE\n-1\nOVER-SAMPLING\n-5\n");
    const zyt_test::CommandResult r = run(dir, defaults_run(dir, "range"));
    EXPECT_EQ(r.exit_status, 0) << r.output;
    const std::string text = read_file(dir.file("range.par"));
    EXPECT_EQ(text.find('*'), std::string::npos) << text;
    EXPECT_NE(text.find("FILE_INTERVAL =      1 !"), std::string::npos) << text;
    EXPECT_NE(text.find("CACHE_KILOBYTES =   8192 !"), std::string::npos);
    // 1000 micrometres held in metres in single precision.
    EXPECT_NE(text.find("IMAGE_PIXEL_SIZE_1 =   1000.000"), std::string::npos);
    EXPECT_NE(text.find("IMAGE_PIXEL_SIZE_2 =      0.01000 !"), std::string::npos);
    EXPECT_NE(text.find("OVERSAMPLING_FACTOR =  0 !"), std::string::npos);
}

// Started in a directory that has been removed, the parameter file is asked
// for on the panel, which opens in the home directory.
TEST(FirstRun, StartedInARemovedDirectory)
{
    TempDir dir;
    std::filesystem::create_directories(dir.file("gone"));
    const std::string gone = "cd '" + dir.file("gone") + "' && rmdir '" + dir.file("gone") + "'";
    const zyt_test::CommandResult r = run(dir, defaults_run(dir, "recon"), "", gone);
    EXPECT_EQ(r.exit_status, 0) << r.output;
    EXPECT_NE(r.output.find("WARNING: Can't find out current directory"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir.file("home/recon.par"))) << r.output;
}

// A cancel on a form ends the run with the form's own message, last.
TEST(FirstRun, CancellingAFormEndsTheRunAfterItsMessage)
{
    TempDir dir;
    zyt_test::write_file(dir.file("cancel.events"), "click \"NO\"\nclick \"CANCEL\"\n");
    const zyt_test::CommandResult r = run(dir, dir.file("cancel.events"));
    EXPECT_EQ(r.exit_status, 0) << r.output;
    EXPECT_EQ(last_line(r.output), "WARNING: Parameter input cancelled by user: End of ZYT_ZEVUZA")
        << r.output;
    EXPECT_EQ(r.output.find("ZYT_ZEVUZA cancelled"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("home/.zyt.def")));
}

TEST(FirstRun, CancellingEndsTheRunAndKeepsTheDefaults)
{
    TempDir dir;
    ASSERT_EQ(run(dir, e2e + "/first_run.events").exit_status, 0);
    const std::string before = read_file(dir.file("home/.zyt.def"));
    zyt_test::write_file(dir.file("cancel.events"), "click \"CANCEL\"\n");
    const zyt_test::CommandResult r = run(dir, dir.file("cancel.events"));
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_NE(r.output.find("ZYT_ZEVUZA cancelled"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("ZYT_ZEVUZA Exited"), std::string::npos);
    EXPECT_EQ(read_file(dir.file("home/.zyt.def")), before);
}

TEST(FirstRun, AScriptThatEndsEarlyNeverHangs)
{
    TempDir dir;
    zyt_test::write_file(dir.file("short.events"), "click \"NO\"\n");
    const zyt_test::CommandResult r = run(dir, dir.file("short.events"));
    EXPECT_NE(r.output.find("ERROR: Event script ended while input was awaited"),
              std::string::npos)
        << r.output;
    EXPECT_EQ(last_line(r.output), "WARNING: Parameter input cancelled by user: End of ZYT_ZEVUZA")
        << r.output;
    EXPECT_FALSE(std::filesystem::exists(dir.file("recon.par")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("home/.zyt.def")));
}
