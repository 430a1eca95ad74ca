#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"

using zyt_test::read_file;
using zyt_test::split_lines;
using zyt_test::TempDir;
using zyt_test::write_file;

namespace {

struct ProgramRun
{
    int exit_status;
    std::vector<std::string> lines;
};

// Runs the program with HOME in a temporary directory and no display.
ProgramRun run_program(const TempDir& home)
{
    const zyt_test::CommandResult r = zyt_test::run_command(
        "cd '" + home.path().string() + "' && env -u DISPLAY HOME='" + home.path().string() +
        "' '" + ZYT_BINARY + "' </dev/null");
    return {r.exit_status, split_lines(r.output)};
}

const std::vector<std::string> banner = {
    "",
    "           --------------------------",
    "           WELCOME to ZYT_ZEVUZA V1.7",
    "           --------------------------",
    "",
    "    (Zenith-Yaw Tomographic reconstruction)",
    "",
    "Purpose: Development, testing, and timing of CT reconstruction techniques",
    "",
    "(Support for horizontal rotation added.)",
    ""};

} // namespace

TEST(Session, FirstRunWithoutDefaultsFileShowsBannerAndStopsWithoutGraphics)
{
    TempDir home;
    const ProgramRun run = run_program(home);
    ASSERT_GE(run.lines.size(), banner.size());
    EXPECT_EQ(std::vector<std::string>(run.lines.begin(), run.lines.begin() + 11), banner);
    // No defaults file is not a problem: no warning about it.
    for (const auto& line : run.lines) EXPECT_EQ(line.find("internal database"), std::string::npos);
    ASSERT_GE(run.lines.size(), 13u);
    EXPECT_EQ(run.lines[11], "WARNING: X-11 workstation not opened successfully (LG_OPEN_WK)");
    EXPECT_EQ(run.lines[12].rfind("WARNING: There was a problem opening the graphics output window.", 0), 0u);
    EXPECT_EQ(run.lines.back(), "ZYT exiting owing to lack of graphics");
    for (const auto& line : run.lines) EXPECT_LE(line.size(), 78u) << line;
    EXPECT_EQ(run.exit_status, 1);
    // Stopped before the end of the run: nothing was saved.
    EXPECT_FALSE(std::filesystem::exists(home.file(".zyt.def")));
}

TEST(Session, OverfullDefaultsFileStopsBeforeTheGraphics)
{
    TempDir home;
    std::string overfull = "DATABASE DEFAULT VALUES FILE\n!!! DO NOT ALTER YOURSELF !!!\n";
    for (int i = 1; i <= 201; ++i) overfull += "KEY" + std::to_string(i) + "\nv\n";
    write_file(home.file(".zyt.def"), overfull);
    const ProgramRun run = run_program(home);
    EXPECT_EQ(run.lines.back(), "WARNING: Problem inputting internal database");
    EXPECT_EQ(run.lines.size(), banner.size() + 1);
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(read_file(home.file(".zyt.def")), overfull);
}
