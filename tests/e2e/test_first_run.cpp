// Whole runs of the program, headless from event scripts.
#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"

using zyt_test::read_file;
using zyt_test::TempDir;

namespace {

// Runs the program in a working directory of its own with its own home.
zyt_test::CommandResult run(const TempDir& dir, const std::string& events,
                            const std::string& options = "")
{
    const std::string home = dir.file("home");
    std::filesystem::create_directories(home);
    return zyt_test::run_command("cd '" + dir.path().string() + "' && env -u DISPLAY HOME='" +
                                 home + "' '" + ZYT_BINARY + "' --headless --events '" + events +
                                 "' " + options + " </dev/null");
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
    zyt_test::write_file(dir.file("again.events"),
                         "click \"NO\"\nclick \"O.K.\"\nclick \"O.K.\"\ntext \"again.par\"\n");
    const zyt_test::CommandResult again = run(dir, dir.file("again.events"));
    EXPECT_EQ(again.exit_status, 0) << again.output;
    EXPECT_NE(again.output.find("ZYT_ZEVUZA Exited"), std::string::npos) << again.output;
    const std::string text = read_file(dir.file("again.par"));
    EXPECT_NE(text.find("FILE_INTERVAL =      2 !"), std::string::npos);
    EXPECT_NE(text.find("SUBTRACT_BACKGROUND = YES"), std::string::npos);
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
    EXPECT_NE(r.output.find("WARNING: Parameter input cancelled by user: End of ZYT_ZEVUZA"),
              std::string::npos);
    EXPECT_NE(r.output.find("ZYT_ZEVUZA cancelled"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("recon.par")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("home/.zyt.def")));
}
