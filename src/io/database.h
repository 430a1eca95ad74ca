#pragma once
// The key/value store that remembers the user's answers, within a run and
// (through the defaults file) between runs. Keys beginning with '#' last for
// one run only.

#include <string>
#include <string_view>

constexpr int IO_DB_MAX_ENTRIES = 200;
constexpr int IO_DB_POOL = 8000;

// Modes of IO_ACCESS_DATABASE: store, look up, or (negative) fetch entry -mode.
constexpr int IO_DB_STORE = 0;
constexpr int IO_DB_LOOKUP = 1;

void IO_ACCESS_DATABASE(int mode, std::string& key, int& value_length, std::string& value,
                        int& retstat, int& status);

// retstat: 1 when the entry does not fit; otherwise left as the caller set it.
void IO_SET_KEYVALUE(std::string_view key, int value_length, std::string_view value,
                     int& retstat, int& status);
// retstat: 0 found, 2 not found (outputs unchanged).
void IO_INQ_KEYVALUE(std::string_view key, int& value_length, std::string& value, int& retstat,
                     int& status);
void IO_SET_IKEYVALUE(std::string_view key, int value, int& retstat, int& status);
// retstat: 0 found, 2 not found, 3 found but not a value of the type (value unchanged).
void IO_INQ_IKEYVALUE(std::string_view key, int& value, int& retstat, int& status);
void IO_SET_RKEYVALUE(std::string_view key, float value, int& retstat, int& status);
void IO_INQ_RKEYVALUE(std::string_view key, float& value, int& retstat, int& status);
void IO_SET_LKEYVALUE(std::string_view key, bool value, int& retstat, int& status);
void IO_INQ_LKEYVALUE(std::string_view key, bool& value, int& retstat, int& status);

// retstat: 0 loaded, -1 the file could not be opened (or is no regular
// file), 1 an entry did not fit (the load stops there). A file that exists
// but cannot be read through is warned about and kept: the save does not
// replace it.
void IO_LOAD_DATABASE(std::string_view file_name, int& retstat, int& status);
// retstat: 0 saved, -1 the file could not be written (the old file is kept).
// The file is replaced as a whole and keeps its permission bits.
void IO_SAVE_DATABASE(std::string_view file_name, int& retstat, int& status);

// Opens a text file on a unit (1 to 99); access "READ" and "UPDATE" need an
// existing file, any other creates one. With prompting the name is asked on
// the terminal until a file opens or the user escapes. retstat: 0 opened, 1 not.
void IO_OPEN_ASCIIFILE(bool prompt, std::string_view access, int unit, std::string& file_name,
                       int& retstat, int& status);

// Empties the store and forgets the defaults file kept at the load (for
// tests that need a fresh run).
void IO_CLEAR_DATABASE();
// Number of entries and pool characters in use.
int IO_INQ_DATABASE_SIZE(int& pool_used);
