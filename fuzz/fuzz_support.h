#pragma once
// What every fuzz target needs: the bytes of one input as a real file, since
// the readers take file names, removed again when the input is done.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

class FuzzFile
{
public:
    FuzzFile(const std::uint8_t* data, std::size_t size, const char* suffix = "")
    {
        const char* dir = std::getenv("TMPDIR");
        path_ = std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/zyt_fuzz_" +
                std::to_string(::getpid()) + suffix;
        if (std::FILE* f = std::fopen(path_.c_str(), "wb")) {
            if (size > 0) std::fwrite(data, 1, size, f);
            std::fclose(f);
        }
    }
    ~FuzzFile() { std::remove(path_.c_str()); }
    FuzzFile(const FuzzFile&) = delete;
    FuzzFile& operator=(const FuzzFile&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};
