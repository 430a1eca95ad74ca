#pragma once
// Directories and the files in them: listing, filtering by extension and
// pattern, sorting, and moving through the directory tree.

#include <string>
#include <string_view>
#include <vector>

// A listing of one kind of entry (files, or sub-directories) of a directory.
struct IoFileList
{
    std::vector<std::string> names;  // in the order the system returns them
    std::vector<char> display;       // passes the type and pattern tests
    int displayed = 0;
    std::vector<int> order;          // indices of the displayed names, sorted
};

// Limits of a listing: entries, and characters of all names together.
struct IoListLimits
{
    int max_entries = 10000;
    int max_characters = 65535;
};

// retstat: 0 listed, 1 the directory cannot be read, 2 more entries than
// max_entries, 3 the names do not fit; the names read so far stay valid.
void IO_DIRECTORY(bool list_files, std::string_view directory, const IoListLimits& limits,
                  int& retstat, IoFileList& list, int& status);
void IO_LISTFILES(std::string_view directory, const IoListLimits& limits,
                  const std::vector<std::string>& types, std::string_view pattern, int& retstat,
                  IoFileList& list, int& status);
void IO_FILESTYPE(IoFileList& list, std::string_view type, int& status);
bool IO_FILETYPE(std::string_view name, std::string_view type);
void IO_FILESMATCH(IoFileList& list, std::string_view pattern, int& status);
bool IO_STRINGMATCH(std::string_view text, std::string_view pattern);
void IO_FILESORDER(IoFileList& list, int& status);
// retstat: 0 done, 1 no such file or directory, 2 bad path syntax; is_file
// tells that the entry named a file (then file_name holds it with its directory).
void IO_CHANGEDIR(std::string& directory, std::string_view entered, int& retstat, bool& is_file,
                  std::string& file_name, int& status);
void IO_UP_DIRECTORY(std::string& directory, int& retstat, int& status);
std::string IO_GETCWD(int& status);

// kind: 1 a file, 2 a directory; third is always 0.
void IO_FILEEXIST(std::string_view name, bool& exists, int& kind, int& third, int& status);
// Size in bytes; -1 when the file cannot be examined.
void IO_FILESIZE(std::string_view name, long long& size, int& status);
