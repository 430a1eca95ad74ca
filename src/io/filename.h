#pragma once
// File names: their parts, "~" translation, and numbered file series
// (scan0001.tif ... scan0900.tif) deduced from a first and a last name.

#include <cstddef>
#include <string>
#include <string_view>

constexpr std::size_t IO_FILENAME_LENGTH = 256;

// How the names of a numbered series are built.
struct FileSeries
{
    int first = 0;
    int last = 0;
    int direction = 1;
    std::string prefix;
    bool variable_length = false;
    int digits = 0;
    std::string postfix;
    std::string extension;
};

void IO_FILESEQUENCE(std::string_view first_name, std::string_view last_name, int& retstat,
                     FileSeries& series, int& status);
void IO_FILENAME(std::string_view prefix, int number, bool fixed_length, int digits,
                 std::string_view postfix, int& retstat, std::string& file_name, int& status);
void IO_NEWFILENAME(std::string_view file_name, int increment, int check_mode,
                    std::string& new_name, int& retstat, int& status);

std::string IO_DIRPATH(std::string_view name, int& status);
std::string IO_NODIRPATH(std::string_view name, int& status);
std::string IO_EXTENSION(std::string_view name, int& status);
std::string IO_NOEXTENSION(std::string_view name, int& status);
std::string IO_BASENAME(std::string_view name, int& status);
// The two trimmed texts joined; status 11015 when they need more than max_length.
void IO_CONCAT2(std::string_view text1, std::string_view text2, std::size_t max_length,
                std::string& joined, int& status);
int IO_LASTOCCURENCE(char character, std::string_view text);

void IO_TRANS_PATH(std::string_view name, int& retstat, std::string& translated, int& status);
// The name translated for opening a file; false, with the name reported on
// the console, when it cannot be translated (or is blank).
bool io_translate_name(std::string_view name, std::string& path, int& status);

// Results of IO_USERPATH.
enum IoUserPath {
    IO_USER_FOUND = 0,
    IO_USER_NAME_HAS_SEPARATOR = 3,
    IO_USER_NAME_TOO_SHORT = 4, // neither "~" alone nor "~" and a name
    IO_USER_UNKNOWN = 5,        // no such user on the system
};
// The home directory of "~" (the current user) or "~name".
void IO_USERPATH(std::string_view tilde_name, int& retstat, std::string& home, int& status);
void IO_HOMEDIR(std::string_view user, std::string& home, int& status);

