#pragma once
// Helpers for tests: capture the console, type answers on the terminal, and
// work in a fresh temporary directory on the real file system.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "io/status.h"

namespace zyt_test {

inline std::vector<std::string> split_lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Everything written to the console while it lives.
class ConsoleCapture
{
public:
    ConsoleCapture() : old_(std::cout.rdbuf(out_.rdbuf())) {}
    ~ConsoleCapture() { std::cout.rdbuf(old_); }
    ConsoleCapture(const ConsoleCapture&) = delete;
    ConsoleCapture& operator=(const ConsoleCapture&) = delete;
    std::string text() const { return out_.str(); }
    std::vector<std::string> lines() const { return split_lines(out_.str()); }

private:
    std::ostringstream out_;
    std::streambuf* old_;
};

// Terminal input typed in advance; the end of it is the end of input.
class TypedInput
{
public:
    explicit TypedInput(const std::string& text) : in_(text), old_(std::cin.rdbuf(in_.rdbuf()))
    {
        std::cin.clear();
    }
    ~TypedInput()
    {
        std::cin.rdbuf(old_);
        std::cin.clear();
    }
    TypedInput(const TypedInput&) = delete;
    TypedInput& operator=(const TypedInput&) = delete;

private:
    std::istringstream in_;
    std::streambuf* old_;
};

class TempDir
{
public:
    TempDir()
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "zyt_test_XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

inline std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void write_file(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// A good status with a blank error position, as at the start of a run.
inline int fresh_status()
{
    int status = ST_GOOD_VALUE;
    ST_DEF_SYSTEM(status);
    return status;
}

// A shell command's exit status and everything it printed.
struct CommandResult
{
    int exit_status = -1;
    std::string output;
};

inline CommandResult run_command(const std::string& command)
{
    CommandResult r;
    std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return r;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        r.output.append(buffer, n);
    const int status = ::pclose(pipe);
    r.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// Whether the tests run with root's rights, which ignore file permissions.
inline bool running_as_root() { return ::geteuid() == 0; }

// The exit code of run_in_child when root's rights could not be given up.
constexpr int NOT_UNPRIVILEGED = 99;

// Runs body in a child process and gives its result: the value body returned,
// 128 + the signal that ended the child (SIGALRM when it did not finish within
// the seconds given), or -1 when no child could be started. With ordinary_user
// a child started by root first becomes the user "nobody", so that file
// permissions apply to it; NOT_UNPRIVILEGED when that fails.
template <typename Body>
int run_in_child(Body body, bool ordinary_user = false, unsigned seconds = 20)
{
    std::cout.flush();
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        ::alarm(seconds);
        if (ordinary_user && running_as_root() && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(NOT_UNPRIVILEGED);
        const int result = body();
        std::cout.flush();
        ::_exit(result);
    }
    int child_status = 0;
    ::waitpid(child, &child_status, 0);
    if (WIFSIGNALED(child_status)) return 128 + WTERMSIG(child_status);
    return WIFEXITED(child_status) ? WEXITSTATUS(child_status) : -1;
}

} // namespace zyt_test
