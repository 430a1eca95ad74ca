#pragma once
// What the whole scripted runs share: a run of the program in a directory of
// its own, and the texts they compare.
#include <filesystem>
#include <string>
#include <vector>

#include "ps_render.h"
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

// The script with, at the start of every wait for input, the page kept
// (dir/aK.png), the window resized to 354 x 500 and back to 500 x 707, and
// the page kept again (dir/bK.png): a page drawn whole again at its size is
// the page it was, where a scaled copy of it is not. The number of waits.
inline int resized_at_every_wait(std::string& script, const std::string& dir)
{
    std::string out;
    std::string before;
    int waits = 0;
    for (const std::string& line : zyt_test::split_lines(script)) {
        const std::string verb = line.substr(0, line.find(' '));
        // Typed text after the entry was cleared, and the event after a
        // pointer's move or a snapshot, end the same wait.
        const bool same_wait = ((verb == "text" || verb == "tab") && before == "key ClearLine") ||
                               before.rfind("hover", 0) == 0 || before.rfind("snapshot", 0) == 0;
        if (!line.empty() && line[0] != '#' && !same_wait) {
            const std::string k = std::to_string(++waits);
            out += "snapshot \"" + dir + "/a" + k + "\"\nresize 354 500\nresize 500 707\n";
            out += "snapshot \"" + dir + "/b" + k + "\"\n";
        }
        out += line + "\n";
        before = line;
    }
    script = out;
    return waits;
}

// The waits whose page came back otherwise than it was after the resizes
// (with the number of pixels that differ, -1: no snapshots of one size).
inline std::vector<std::string> pages_changed_by_resizing(const std::string& dir, int waits)
{
    std::vector<std::string> changed;
    for (int k = 1; k <= waits; ++k) {
        const std::string name = std::to_string(k);
        const long differ =
            zyt_test::differing_pixels(dir + "/a" + name + ".png", dir + "/b" + name + ".png");
        if (differ != 0) changed.push_back("wait " + name + ": " + std::to_string(differ));
    }
    return changed;
}

// Writes a series with zyt_phantom; the options follow the program's own.
inline zyt_test::CommandResult phantom(const std::string& options, const std::string& directory)
{
    return zyt_test::run_command(std::string("'") + ZYT_PHANTOM + "' " + options + " --output '" +
                                 directory + "'");
}

} // namespace zyt_e2e
