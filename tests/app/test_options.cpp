// The program's own options: what they name must serve, and the program says
// so before it asks anything when it cannot.
#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"

using zyt_test::TempDir;
using zyt_test::write_file;

namespace {

zyt_test::CommandResult run(const TempDir& home, const std::string& options)
{
    return zyt_test::run_command("cd '" + home.path().string() + "' && env -u DISPLAY HOME='" +
                                 home.path().string() + "' '" + ZYT_BINARY + "' " + options +
                                 " </dev/null");
}

} // namespace

TEST(Options, SnapshotsAndRecordThatCannotBeWrittenStopTheStart)
{
    TempDir home;
    write_file(home.file("events.txt"), "");
    write_file(home.file("taken"), "a file, not a directory");
    const std::string events = " --headless --events events.txt";

    zyt_test::CommandResult r = run(home, events + " --snapshots taken");
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_NE(r.output.find("ERROR: Cannot write snapshots into taken"), std::string::npos)
        << r.output;
    EXPECT_EQ(r.output.find("WELCOME"), std::string::npos) << "stopped before the banner";

    r = run(home, events + " --record /dev/full");
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_NE(r.output.find("ERROR: The event record must be a regular file: /dev/full"),
              std::string::npos)
        << r.output;

    r = run(home, events + " --record " + home.file("no/such/dir/record.txt"));
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_NE(r.output.find("ERROR: Cannot write the event record"), std::string::npos);
}

TEST(Options, NestedSnapshotDirectoriesAreMade)
{
    TempDir home;
    write_file(home.file("events.txt"), "click \"NO\"\n");
    const zyt_test::CommandResult r =
        run(home, "--headless --events events.txt --snapshots pages/of/the/run");
    // The script ends at the next question: a cancelled run, but pages were kept.
    EXPECT_EQ(r.exit_status, 0) << r.output;
    EXPECT_TRUE(std::filesystem::exists(home.file("pages/of/the/run/page_0001.png"))) << r.output;
}
