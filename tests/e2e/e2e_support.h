#pragma once
// What the whole scripted runs share: a run of the program in a directory of
// its own, and the texts they compare.
#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"

namespace zyt_e2e {

// Runs the program headless on an event script, in a working directory of
// its own (the test directory, or what the given shell command enters), with
// the home directory "home" inside the test directory.
inline zyt_test::CommandResult run(const zyt_test::TempDir& dir, const std::string& script,
                                   const std::string& working_directory = "")
{
    const std::string home = dir.file("home");
    std::filesystem::create_directories(home);
    zyt_test::write_file(dir.file("run.events"), script);
    const std::string cd = working_directory.empty() ? "cd '" + dir.path().string() + "'"
                                                     : working_directory;
    return zyt_test::run_command(cd + " && env -u DISPLAY HOME='" + home + "' '" + ZYT_BINARY +
                                 "' --headless --events '" + dir.file("run.events") +
                                 "' </dev/null");
}

inline std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at))
        text.replace(at, from.size(), to), at += to.size();
    return text;
}

// The lines of a text without their trailing blanks (the parameter file pads
// its names to a fixed width, which depends on where the series is).
inline std::vector<std::string> trimmed_lines(const std::string& text)
{
    std::vector<std::string> lines = zyt_test::split_lines(text);
    for (std::string& line : lines) line.erase(line.find_last_not_of(' ') + 1);
    return lines;
}

inline std::string last_line(const std::string& output)
{
    const std::vector<std::string> lines = zyt_test::split_lines(output);
    return lines.empty() ? std::string() : lines.back();
}

// Writes a series with zyt_phantom; the options follow the program's own.
inline zyt_test::CommandResult phantom(const std::string& options, const std::string& directory)
{
    return zyt_test::run_command(std::string("'") + ZYT_PHANTOM + "' " + options + " --output '" +
                                 directory + "'");
}

} // namespace zyt_e2e
