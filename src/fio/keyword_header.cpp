// Keyword text headers: a "{", pairs of a keyword and a value, each written
// KEYWORD=VALUE and ended by ";", and a "}". Blanks and line ends around the
// keywords and values are not part of them.

#include "fio/keyword_header.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

#include "fio/readers.h"
#include "io/convert.h"
#include "io/status.h"

namespace {

enum class Reading { START, KEYWORD, VALUE, DONE };

std::string trimmed(const std::string& text)
{
    const auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v' ||
               c == '\0';
    };
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && blank(text[first]))
        ++first;
    while (last > first && blank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

void say_if(bool say, std::string_view line)
{
    if (say) io_say(line);
}

} // namespace

const std::string* FioKeywordHeader::find(std::string_view key) const
{
    for (auto it = pairs.rbegin(); it != pairs.rend(); ++it)
        if (it->first == key) return &it->second;
    return nullptr;
}

void fio_read_keyword_header(int handle, long long from, int block_bytes, bool say,
                             FioKeywordHeader& header, int& retstat)
{
    header = FioKeywordHeader{};
    const long long size = fio_open_size(handle);
    const long long stop = std::min(size, from + FIO_KEYWORD_HEADER_LIMIT);
    std::vector<std::uint8_t> block(static_cast<std::size_t>(std::max(block_bytes, 1)));
    Reading state = Reading::START;
    std::string keyword;
    std::string value;
    long long at = std::max(from, 0LL);
    while (state != Reading::DONE && at < stop) {
        // Never past the end of the file: a short read is no fault here.
        const int wanted = static_cast<int>(std::min<long long>(stop - at, block.size()));
        int code = 0;
        int got = 0;
        FIO_FILEPREADC(handle, at, wanted, FIO_NO_SWAP, code, got, block);
        if (code != FIO_OK || got < 1) break;
        for (int k = 0; k < got && state != Reading::DONE; ++k) {
            const char c = static_cast<char>(block[static_cast<std::size_t>(k)]);
            switch (state) {
            case Reading::START:
                if (c == '{') {
                    header.start = at + k;
                    state = Reading::KEYWORD;
                }
                break;
            case Reading::KEYWORD:
                if (c == '}') {
                    header.end = at + k + 1;
                    state = Reading::DONE;
                } else if (c == '=') {
                    state = Reading::VALUE;
                } else {
                    keyword.push_back(c);
                }
                break;
            case Reading::VALUE:
                if (c == ';') {
                    header.pairs.emplace_back(IO_UPPER(trimmed(keyword)), trimmed(value));
                    keyword.clear();
                    value.clear();
                    state = Reading::KEYWORD;
                } else {
                    value.push_back(c);
                }
                break;
            case Reading::DONE:
                break;
            }
        }
        at += got;
    }
    switch (state) {
    case Reading::DONE:
        retstat = FIO_KEYWORDS_READ;
        return;
    case Reading::START:
        say_if(say, "WARNING: Error in reading start of header: image not input");
        retstat = FIO_KEYWORDS_NO_START;
        return;
    case Reading::KEYWORD:
        say_if(say, "WARNING: Error in reading keyword");
        break;
    case Reading::VALUE:
        say_if(say, "WARNING: Error in reading key value");
        break;
    }
    if (at >= from + FIO_KEYWORD_HEADER_LIMIT)
        say_if(say, "WARNING: No \"}\" within the first " +
                        std::to_string(FIO_KEYWORD_HEADER_LIMIT) +
                        " bytes of the header: it is not input");
    retstat = FIO_KEYWORDS_NO_END;
}

bool fio_keyword_integer(const FioKeywordHeader& header, std::string_view key, bool say,
                         long long& value)
{
    const std::string* text = header.find(key);
    if (text == nullptr) return false;
    std::string_view digits = *text;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    long long v = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
    if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size() ||
        v < -2147483647LL || v > 2147483647LL) {
        say_if(say, "WARNING: Problem of converting key value");
        return false;
    }
    value = v;
    return true;
}

void fio_test_keyword_file(std::string_view file_name, int& retstat, int& status)
{
    constexpr int TESTED = 1024;
    int handle = 0;
    if (!fio_open_input(file_name, handle, retstat, status)) {
        if (status == ST_GOOD_VALUE) retstat = 2;
        return;
    }
    FioSlotGuard guard(handle);
    std::vector<std::uint8_t> bytes(TESTED, 0);
    const int wanted = static_cast<int>(std::min<long long>(fio_open_size(handle), TESTED));
    int got = 0;
    FIO_FILEPREADC(handle, 0, std::max(wanted, 0), FIO_NO_SWAP, retstat, got, bytes);
    if (got < 1) {
        retstat = -3;
        return;
    }
    const bool brace = bytes[0] == '{';
    if (got == TESTED) {
        retstat = brace ? 0 : 1;
        return;
    }
    // A small image's whole file can be shorter than the bytes tested.
    const auto end = bytes.begin() + got;
    retstat = brace && std::find(bytes.begin(), end, '}') != end ? 0 : -3;
}
