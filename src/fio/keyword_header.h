#pragma once
// Inside the image-input library: the text headers of the ADSC and TORVA
// formats, "{" KEY=VALUE; ... "}", read from the open input file.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct FioKeywordHeader
{
    // Keys in upper case, keys and values without surrounding blanks, in file order.
    std::vector<std::pair<std::string, std::string>> pairs;
    long long start = 0; // byte offset of the "{"
    long long end = 0;   // byte offset just past the "}"

    // The value of the last pair of a key; nullptr when there is none.
    const std::string* find(std::string_view key) const;
};

// What fio_read_keyword_header found.
enum FioKeywordResult {
    FIO_KEYWORDS_READ = 0,
    FIO_KEYWORDS_NO_START = 1, // no "{" within the limit (or the file)
    FIO_KEYWORDS_NO_END = 2    // the file, or the limit, ended inside the header
};

// A header is never searched for, nor read, further than this from where
// the search starts: a file without its "}" is refused, not read to its end.
constexpr long long FIO_KEYWORD_HEADER_LIMIT = 65536;

// Reads from byte offset `from` of the input slot, `block_bytes` at a time,
// the first "{"...'}' header. With `say` the reading warnings go to the console.
void fio_read_keyword_header(int handle, long long from, int block_bytes, bool say,
                             FioKeywordHeader& header, int& retstat);

// The whole-number value of a key: false when the key is absent, or (with
// the warning when `say`) when its value is not a number that fits.
bool fio_keyword_integer(const FioKeywordHeader& header, std::string_view key, bool say,
                         long long& value);

// Whether a file starts with a keyword header: its first 1024 bytes are
// read; 0 when the first is "{", 1 when it is not, -3 for a file of fewer
// than 1024 bytes (unless its whole header, "{" to "}", is in it: then 0),
// 2 when the file cannot be opened (with the warning).
void fio_test_keyword_file(std::string_view file_name, int& retstat, int& status);
