// The packed pixel stream of MAR image-plate files ("CCP4 packed image"): a
// text line with the image size, then blocks of pixel differences written
// least significant bit first. Each block starts with 6 bits: the low 3 give
// the number of pixels (2**n), the high 3 the width of each difference. A
// pixel is its difference plus a prediction from pixels already decoded, in
// 16-bit arithmetic, so two image lines of work space are enough.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "fio/detector.h"
#include "fio/readers.h"
#include "io/status.h"

namespace {

constexpr int HEADER_LINE_CHARACTERS = 511;
constexpr std::string_view HEADER_START = "CCP4 packed image, X: ";
// Widths of the differences by the block header's high 3 bits.
constexpr int FIELD_WIDTHS[8] = {0, 4, 5, 6, 7, 8, 16, 32};
constexpr int BLOCK_HEADER_BITS = 6;
// The stream is read in blocks of this many bytes.
constexpr std::size_t CHUNK_BYTES = 1 << 20;

bool is_space(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// A number as "%04d" reads it: blanks skipped, a sign, at most four digits.
bool scan_number(std::string_view& s, int& value)
{
    std::size_t i = 0;
    while (i < s.size() && is_space(s[i]))
        ++i;
    int digits_allowed = 4;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
        negative = s[i] == '-';
        ++i;
        --digits_allowed;
    }
    int digits = 0;
    value = 0;
    while (i < s.size() && digits < digits_allowed && s[i] >= '0' && s[i] <= '9') {
        value = value * 10 + (s[i] - '0');
        ++i;
        ++digits;
    }
    if (negative) value = -value;
    s.remove_prefix(i);
    return digits > 0;
}

bool take(std::string_view& s, char c)
{
    if (s.empty() || s.front() != c) return false;
    s.remove_prefix(1);
    return true;
}

void skip_spaces(std::string_view& s)
{
    while (!s.empty() && is_space(s.front()))
        s.remove_prefix(1);
}

// "CCP4 packed image, X: %04d, Y: %04d": both numbers, or false.
bool header_numbers(std::string_view line, int& x, int& y)
{
    if (!line.starts_with(HEADER_START)) return false;
    line.remove_prefix(HEADER_START.size());
    if (!scan_number(line, x) || !take(line, ',')) return false;
    skip_spaces(line);
    if (!take(line, 'Y') || !take(line, ':')) return false;
    return scan_number(line, y);
}

// The bits of the stream, least significant first, read from the input file
// in large blocks. Bits above `count` in `bits` are always the stream's next
// bits (or zero), so a refill may load a whole word over them.
class BitReader
{
public:
    BitReader(int handle, long long bytes_left) : handle_(handle), file_left_(bytes_left) {}

    bool ensure(int wanted) { return count_ >= wanted || refill(wanted); }
    std::uint64_t take(int width)
    {
        const std::uint64_t value = bits_ & ((std::uint64_t{1} << width) - 1);
        bits_ >>= width;
        count_ -= width;
        return value;
    }
    // Passes over n bits; false when the stream ends first.
    bool skip(long long n)
    {
        while (n > 0) {
            if (count_ == 0 && !refill(1)) return false;
            const int k = static_cast<int>(std::min<long long>(n, count_));
            bits_ = k >= 64 ? 0 : bits_ >> k;
            count_ -= k;
            n -= k;
        }
        return true;
    }
    // A block as large as the stream when it is smaller (plus a word's slack).
    void allocate()
    {
        buffer_.resize(static_cast<std::size_t>(std::min<long long>(CHUNK_BYTES, file_left_ + 8)));
    }

private:
    bool refill(int wanted)
    {
        for (;;) {
            if (end_ - at_ >= 8) {
                std::uint64_t word;
                std::memcpy(&word, buffer_.data() + at_, 8);
                if constexpr (std::endian::native == std::endian::big)
                    word = __builtin_bswap64(word);
                bits_ |= word << count_;
                const int whole_bytes = (63 - count_) >> 3;
                at_ += static_cast<std::size_t>(whole_bytes);
                count_ += 8 * whole_bytes;
                return true; // at least 56 bits
            }
            while (count_ <= 56 && at_ < end_) {
                bits_ |= std::uint64_t{buffer_[at_++]} << count_;
                count_ += 8;
            }
            if (count_ >= wanted) return true;
            if (!load()) return false;
        }
    }

    // Keeps the bytes not yet used and reads more after them.
    bool load()
    {
        const std::size_t kept = end_ - at_;
        std::memmove(buffer_.data(), buffer_.data() + at_, kept);
        at_ = 0;
        end_ = kept;
        const long long room = static_cast<long long>(buffer_.size() - kept);
        const int wanted = static_cast<int>(std::min(room, file_left_));
        if (wanted <= 0) return false;
        int retstat = 0;
        int got = 0;
        FIO_FILEREADC(handle_, wanted, FIO_NO_SWAP, retstat, got,
                      std::span<std::uint8_t>(buffer_.data() + kept, room));
        if (got <= 0) {
            file_left_ = 0;
            return false;
        }
        end_ += static_cast<std::size_t>(got);
        file_left_ -= got;
        return true;
    }

    int handle_;
    long long file_left_;
    std::vector<std::uint8_t> buffer_;
    std::size_t at_ = 0, end_ = 0;
    std::uint64_t bits_ = 0;
    int count_ = 0;
};

// The differences of the stream, block after block across line ends.
class Differences
{
public:
    explicit Differences(BitReader& bits) : bits_(bits) {}

    // The next n differences; false when the stream ends first.
    bool next(std::int32_t* out, int n)
    {
        int i = 0;
        while (i < n) {
            if (left_ == 0 && !start_block()) return false;
            const int m = std::min(left_, n - i);
            left_ -= m;
            if (width_ == 0) {
                std::fill_n(out + i, m, 0);
                i += m;
                continue;
            }
            const int shift = 64 - width_;
            for (const int last = i + m; i < last; ++i) {
                if (!bits_.ensure(width_)) return false;
                // Two's complement of the field's width.
                out[i] = static_cast<std::int32_t>(
                    static_cast<std::int64_t>(bits_.take(width_) << shift) >> shift);
            }
        }
        return true;
    }

    // Passes over the next n differences; false when the stream ends first.
    bool skip(long long n)
    {
        while (n > 0) {
            if (left_ == 0 && !start_block()) return false;
            const int m = static_cast<int>(std::min<long long>(left_, n));
            left_ -= m;
            n -= m;
            if (!bits_.skip(static_cast<long long>(m) * width_)) return false;
        }
        return true;
    }

private:
    bool start_block()
    {
        if (!bits_.ensure(BLOCK_HEADER_BITS)) return false;
        const int header = static_cast<int>(bits_.take(BLOCK_HEADER_BITS));
        left_ = 1 << (header & 7);
        width_ = FIELD_WIDTHS[header >> 3];
        return true;
    }

    BitReader& bits_;
    int left_ = 0;
    int width_ = 0;
};

// The prediction from four neighbours: the sum rounded and divided toward zero.
inline int predict(int a, int b, int c, int d)
{
    return (a + b + c + d + 2) / 4;
}

// A difference added in 16 bits, the result wrapping as the writer's did.
inline std::int16_t add16(std::int32_t difference, int prediction)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(
        static_cast<std::uint32_t>(difference) + static_cast<std::uint32_t>(prediction)));
}

// One line of pixels from its differences. The pixels form one sequence, line
// after line: the first line predicts from the pixel before; so does the first
// pixel of the second line (from the last of the first). After that a pixel k
// predicts from k-1, k-X+1, k-X and k-X-1 of the sequence, so the first pixel
// of a line uses the last of the line above and the last of the line above
// that, and the last pixel uses the first of its own line.
void reconstruct(int line, const std::int32_t* d, const std::int16_t* prev, std::int16_t* cur,
                 int x, std::int16_t last_before_prev)
{
    if (line == 0) {
        cur[0] = add16(d[0], 0);
        for (int c = 1; c < x; ++c)
            cur[c] = add16(d[c], cur[c - 1]);
        return;
    }
    if (line == 1) {
        cur[0] = add16(d[0], prev[x - 1]);
    } else {
        // With one pixel a line, k-X+1 is the pixel itself, not decoded yet.
        const int after = x > 1 ? prev[1] : 0;
        cur[0] = add16(d[0], predict(prev[x - 1], after, prev[0], last_before_prev));
    }
    for (int c = 1; c < x - 1; ++c)
        cur[c] = add16(d[c], predict(cur[c - 1], prev[c + 1], prev[c], prev[c - 1]));
    if (x > 1) cur[x - 1] = add16(d[x - 1], predict(cur[x - 2], cur[0], prev[x - 1], prev[x - 2]));
}

// The size line of the stream, searched from the current position of the
// open file; false when there is none.
bool find_size_line(int handle, int& x, int& y)
{
    std::string line;
    for (int rs = FIO_OK;;) {
        FIO_ASCIIREADC(handle, HEADER_LINE_CHARACTERS, rs, line);
        if (rs != FIO_OK) return false;
        if (header_numbers(line, x, y)) return true;
    }
}

} // namespace

bool fio_pck_holds(int handle, int x, int y)
{
    int stream_x = 0;
    int stream_y = 0;
    if (x < 1 || y < 1 || !find_size_line(handle, stream_x, stream_y) || stream_x != x ||
        stream_y != y)
        return false;
    const long long start = fio_open_position(handle);
    BitReader bits(handle, std::max(0LL, fio_open_size(handle) - start));
    try {
        bits.allocate();
    } catch (const std::bad_alloc&) {
        return false;
    }
    Differences stream(bits);
    return stream.skip(static_cast<long long>(x) * y);
}

void FIO_IN_PCKC(int handle, const ImageView& data, int& xnumdat, int& ynumdat, int& retstat)
{
    const int expected_x = xnumdat;
    const int expected_y = ynumdat;
    xnumdat = ynumdat = 0;
    int x = 0;
    int y = 0;
    if (!find_size_line(handle, x, y)) {
        io_say("WARNING: No packed image was found in the file (no \"CCP4 packed image\" line)");
        retstat = 3;
        return;
    }
    if (x != expected_x || y != expected_y || x < 1 || y < 1) {
        io_say("WARNING: The packed image is " + std::to_string(x) + " by " + std::to_string(y) +
               " pixels, but the file header says " + std::to_string(expected_x) + " by " +
               std::to_string(expected_y));
        retstat = 4;
        return;
    }
    const long long start = fio_open_position(handle);
    BitReader bits(handle, std::max(0LL, fio_open_size(handle) - start));
    std::vector<std::int16_t> prev, cur;
    std::vector<std::int32_t> differences;
    try {
        bits.allocate();
        prev.assign(static_cast<std::size_t>(x), 0);
        cur.assign(static_cast<std::size_t>(x), 0);
        differences.assign(static_cast<std::size_t>(x), 0);
    } catch (const std::bad_alloc&) {
        io_say("ERROR: Failed to allocate memory for the packed image lines");
        retstat = 2;
        return;
    }
    Differences stream(bits);
    const int rows = std::min(y, data.ymaxdat);
    const int columns = std::min(x, data.xmaxdat);
    std::int16_t last_before_prev = 0;
    const auto cut_short = [&retstat] {
        io_say("WARNING: The packed image ends before all of its pixels were decoded");
        retstat = 5;
    };
    for (int j = 0; j < rows; ++j) {
        if (!stream.next(differences.data(), x)) {
            cut_short();
            return;
        }
        reconstruct(j, differences.data(), prev.data(), cur.data(), x, last_before_prev);
        float* out = &data(1, j + 1);
        for (int c = 0; c < columns; ++c)
            out[c] = static_cast<float>(static_cast<std::uint16_t>(cur[c]));
        last_before_prev = prev[static_cast<std::size_t>(x - 1)];
        std::swap(prev, cur);
    }
    // The lines beyond the arrays are passed over: a stream cut short is
    // refused whatever part of it is kept.
    if (!stream.skip(static_cast<long long>(y - rows) * x)) {
        cut_short();
        return;
    }
    xnumdat = columns;
    ynumdat = rows;
    retstat = 0;
}
