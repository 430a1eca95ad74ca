#pragma once
// Directories and the files in them.

#include <string>
#include <string_view>

// kind: 1 a file, 2 a directory; third is always 0.
void IO_FILEEXIST(std::string_view name, bool& exists, int& kind, int& third, int& status);
// Size in bytes; -1 when the file cannot be examined.
void IO_FILESIZE(std::string_view name, long long& size, int& status);
