#include "io/os/os_layer.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <iostream>

namespace {

std::vector<std::string> arguments;

} // namespace

int IO_MALLOCC(std::size_t bytes, void*& address)
{
    address = std::malloc(bytes);
    return address == nullptr ? -1 : 0;
}

void IO_FREEC(void* address) { std::free(address); }

long long IO_MEMORY_LEFTC()
{
    std::FILE* meminfo = std::fopen("/proc/meminfo", "r");
    if (meminfo == nullptr) return -1;
    long long kilobytes = -1;
    char line[256];
    while (std::fgets(line, sizeof line, meminfo) != nullptr)
        if (std::sscanf(line, "MemAvailable: %lld kB", &kilobytes) == 1) break;
    std::fclose(meminfo);
    return kilobytes < 0 ? -1 : kilobytes * 1024;
}

void IO_SYSTEM_NAMEC(int& system_code, int& processor_code)
{
    system_code = 7;    // LINUX
    processor_code = 6; // PC
}

bool IO_LOGINNAMEC(std::string& name)
{
    if (const passwd* pw = ::getpwuid(::geteuid()); pw != nullptr && pw->pw_name != nullptr) {
        name = pw->pw_name;
        return true;
    }
    return false;
}

std::string IO_HOMEDIRC(const std::string& user)
{
    const passwd* pw = ::getpwnam(user.c_str());
    return pw != nullptr && pw->pw_dir != nullptr ? std::string(pw->pw_dir) : std::string();
}

// Users set HOME to run with another home (tests, shared accounts), as the
// shells do for "~"; the user database answers when it is unset.
std::string IO_MY_HOMEDIRC()
{
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
    if (const passwd* pw = ::getpwuid(::geteuid()); pw != nullptr && pw->pw_dir != nullptr)
        return pw->pw_dir;
    return {};
}

int IO_SYSTEMC(const std::string& command)
{
    std::cout.flush();
    return std::system(command.c_str());
}

void IO_SLEEPC(long milliseconds)
{
    if (milliseconds <= 0) return;
    timespec request{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    while (::nanosleep(&request, &request) != 0 && errno == EINTR) {
    }
}

bool IO_READC(const std::string& prompt, std::string& line)
{
    if (!IO_INPUT_KEYC(prompt, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

bool IO_INPUT_KEYC(const std::string& prompt, std::string& keys)
{
    if (!prompt.empty()) std::cout << prompt << std::flush;
    if (!std::getline(std::cin, keys)) {
        keys.clear();
        return false;
    }
    return true;
}

bool IO_FILEEXISTC(const std::string& name, bool& directory)
{
    struct stat info{};
    if (::stat(name.c_str(), &info) != 0) return false;
    directory = S_ISDIR(info.st_mode);
    return true;
}

long long IO_FILESIZEC(const std::string& name)
{
    struct stat info{};
    if (::stat(name.c_str(), &info) != 0) return -1;
    return static_cast<long long>(info.st_size);
}

IoFileKind IO_FILEKINDC(const std::string& name, int& permissions)
{
    struct stat info{};
    permissions = 0;
    if (::stat(name.c_str(), &info) != 0) return IoFileKind::none;
    permissions = static_cast<int>(info.st_mode & 07777);
    if (S_ISREG(info.st_mode)) return IoFileKind::regular;
    return S_ISDIR(info.st_mode) ? IoFileKind::directory : IoFileKind::other;
}

bool IO_WRITABLEC(const std::string& name)
{
    // The superuser passes access() whatever the mode: a file that nobody
    // may write is write-protected for every user.
    struct stat info{};
    return ::access(name.c_str(), W_OK) == 0 && ::stat(name.c_str(), &info) == 0 &&
           (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

std::string IO_REALPATHC(const std::string& name)
{
    char* resolved = ::realpath(name.c_str(), nullptr);
    if (resolved == nullptr) return {};
    std::string result = resolved;
    std::free(resolved);
    return result;
}

std::FILE* IO_FOPEN_REGULARC(const std::string& name, int& error_value)
{
    // Without O_NONBLOCK the open of a FIFO would wait for a writer.
    const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error_value = errno;
        return nullptr;
    }
    struct stat info{};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        error_value = EINVAL;
        return nullptr;
    }
    std::FILE* fp = ::fdopen(fd, "r");
    if (fp == nullptr) {
        error_value = errno;
        ::close(fd);
    }
    return fp;
}

std::string IO_TEMPORARY_NAMEC(const std::string& name)
{
    return name + ".new" + std::to_string(::getpid());
}

std::FILE* IO_FCREATEC(const std::string& name, int permissions, int& error_value)
{
    // O_EXCL: a link planted under the name is not followed.
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                          permissions >= 0 ? S_IRUSR | S_IWUSR : 0666);
    if (fd < 0) {
        error_value = errno;
        return nullptr;
    }
    // The creation mask may take bits away; the bits asked for are meant.
    if (permissions >= 0 && ::fchmod(fd, static_cast<mode_t>(permissions)) != 0) {
        error_value = errno;
        ::close(fd);
        ::unlink(name.c_str());
        return nullptr;
    }
    std::FILE* fp = ::fdopen(fd, "w");
    if (fp == nullptr) {
        error_value = errno;
        ::close(fd);
        ::unlink(name.c_str());
    }
    return fp;
}

bool IO_DIRECTORYC(const std::string& directory, bool list_files,
                   const std::function<bool(std::string&)>& visit)
{
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return false;
    }
    while (const dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        bool is_directory = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            // Links count as what they point to.
            struct stat info{};
            is_directory = ::fstatat(fd, name.c_str(), &info, 0) == 0 && S_ISDIR(info.st_mode);
        }
        if (is_directory != list_files && !visit(name)) break;
    }
    ::closedir(dir);
    return true;
}

bool IO_GETCWDC(std::string& directory)
{
    char buffer[4096];
    if (::getcwd(buffer, sizeof buffer) == nullptr) return false;
    directory = buffer;
    return true;
}

void IO_SET_ARGUMENTSC(int argc, const char* const* argv)
{
    arguments.assign(argv, argv + argc);
}

const std::vector<std::string>& IO_ARGUMENTSC() { return arguments; }
