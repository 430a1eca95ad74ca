// The typed transfers: a rectangle of stored values (1-byte, 2-byte or 4-byte
// integers, 4-byte reals) read from the input file into the real image array,
// optionally mirrored in X or Y. Whole file lines are read in blocks; values
// outside the region are read and dropped rather than skipped by positioning,
// which keeps the reads sequential.

#include <algorithm>
#include <string_view>

#include "fio/fio.h"
#include "fio/samples.h"
#include "io/status.h"

namespace {

// Whole chunks are read together up to about this many bytes.
constexpr long long READ_BLOCK = 1 << 18;

// One stored type: its size and conversion of a run of values to reals.
template <int Size, bool Real>
struct Stored
{
    static constexpr int size = Size;

    static void convert(const std::uint8_t* p, int n, bool is_signed, bool swap, float* out)
    {
        const std::size_t count = static_cast<std::size_t>(n);
        if constexpr (Real) {
            fio_samples_to_reals<std::uint32_t, float>(p, count, swap, out);
        } else if constexpr (Size == 1) {
            if (is_signed) fio_samples_to_reals<std::uint8_t, std::int8_t>(p, count, false, out);
            else fio_samples_to_reals<std::uint8_t, std::uint8_t>(p, count, false, out);
        } else if constexpr (Size == 2) {
            if (is_signed) fio_samples_to_reals<std::uint16_t, std::int16_t>(p, count, swap, out);
            else fio_samples_to_reals<std::uint16_t, std::uint16_t>(p, count, swap, out);
        } else {
            if (is_signed) fio_samples_to_reals<std::uint32_t, std::int32_t>(p, count, swap, out);
            else fio_samples_to_reals<std::uint32_t, std::uint32_t>(p, count, swap, out);
        }
    }
};

// The argument checks common to every transfer, with their error numbers.
bool arguments_valid(const FioTransfer& t, const ImageView& data, bool bytes,
                     std::string_view position, int& status)
{
    int error = 0;
    if (data.xmaxdat < 1) error = FIO_ERR_XMAXDAT;
    else if (data.ymaxdat < 1) error = FIO_ERR_YMAXDAT;
    else if (t.nx < 1) error = FIO_ERR_X_VALUE;
    else if (t.ny < 1) error = FIO_ERR_Y_VALUE;
    else if (t.xstart < 1) error = FIO_ERR_X_VALUE;
    else if (t.ystart < 1) error = FIO_ERR_Y_VALUE;
    else if (t.xend > t.nx) error = FIO_ERR_X_END;
    else if (t.yend > t.ny) error = FIO_ERR_Y_END;
    else if (t.xstart > t.xend) error = FIO_ERR_X_END;
    else if (t.ystart > t.yend) error = FIO_ERR_Y_END;
    else if (t.xbin < 1) error = FIO_ERR_X_VALUE;
    else if (t.ybin < 1) error = FIO_ERR_Y_VALUE;
    else if (t.start_byte < 1) error = FIO_ERR_X_VALUE;
    if (error != 0) {
        st_fail(status, ST_MOD_FIO + error, position);
        return false;
    }
    if (t.xbin != 1 || t.ybin != 1 || t.transpose) {
        io_say(bytes ? "ERROR: Re-binning/transposing on input not yet implemented"
                     : "ERROR: Re-binning, transposing on input not yet implemented");
        st_fail(status, FIO_STATUS_NOT_IMPLEMENTED, position);
        return false;
    }
    return true;
}

template <typename Type>
void transfer(const FioTransfer& t, int chunk_elements, const ImageView& data, int& xnumdat,
              int& ynumdat, std::string_view position, int& status)
{
    const int width = t.xend - t.xstart + 1;
    const int height = t.yend - t.ystart + 1;
    // Mirrored regions come from the other end of the file's lines and columns.
    const int first_line = t.reverse_y ? t.ny - t.yend + 1 : t.ystart;
    const int first_col = t.reverse_x ? t.nx - t.xend + 1 : t.xstart;
    // Output columns and rows beyond the declared array are never written.
    const int keep_width = std::min(width, data.xmaxdat);
    const int keep_height = std::min(height, data.ymaxdat);

    // The file is read in chunks of chunk_elements values, several at a time
    // where the file holds them all: a read that runs past the end of the
    // file is then, as ever, that of the one chunk that does, with its warning.
    const long long chunk_bytes = static_cast<long long>(chunk_elements) * Type::size;
    const long long chunks_per_block = std::max(1LL, READ_BLOCK / chunk_bytes);
    const std::span<std::uint8_t> buffer =
        fio_work_buffer(static_cast<std::size_t>(chunks_per_block * chunk_bytes));
    int retstat = 0;
    int bytes_read = 0;
    long long at = (t.start_byte - 1) + static_cast<long long>(first_line - 1) * t.nx * Type::size;
    FIO_FILEPREADC(t.handle, at, 0, FIO_NO_SWAP, retstat, bytes_read, buffer);
    if (retstat != FIO_OK) {
        st_fail(status, FIO_STATUS_READ_FAILURE, position);
        return;
    }
    const long long file_size = fio_open_size(t.handle);
    long long remaining = static_cast<long long>(height) * t.nx;
    int line = 0;   // line of the region being filled, from 0
    int column = 0; // file column of the next value, from 0
    while (remaining > 0) {
        const long long chunks_held = std::clamp((file_size - at) / chunk_bytes, 1LL,
                                                 chunks_per_block);
        const int n = static_cast<int>(std::min(remaining, chunks_held * chunk_elements));
        // Unswapped here: the conversion reverses the bytes on the way.
        FIO_FILEREADC(t.handle, n * Type::size, FIO_NO_SWAP, retstat, bytes_read, buffer);
        if (retstat != FIO_OK) {
            st_fail(status, FIO_STATUS_READ_FAILURE, position);
            return;
        }
        remaining -= n;
        at += static_cast<long long>(n) * Type::size;
        // Runs of the chunk that lie on one file line.
        for (int k = 0; k < n;) {
            const int run = std::min(n - k, t.nx - column);
            const int row = t.reverse_y ? height - line : line + 1;
            if (row <= keep_height) {
                // File columns of this run that the region uses, and the
                // output columns they fill (right to left when mirrored).
                const int lo = std::max(column, first_col - 1);
                const int hi = std::min(column + run, first_col - 1 + width);
                const int c_first = t.reverse_x ? width - (hi - 1 - (first_col - 1))
                                                : lo - (first_col - 1) + 1;
                const int c_last = std::min(c_first + (hi - lo) - 1, keep_width);
                if (hi > lo && c_first <= c_last) {
                    float* out = &data(c_first, row);
                    const int n = c_last - c_first + 1;
                    // Mirrored, the columns kept are the run's last ones.
                    const int skip = t.reverse_x ? (hi - lo) - n : 0;
                    Type::convert(&buffer[static_cast<std::size_t>(k + lo - column + skip) *
                                          Type::size],
                                  n, t.is_signed, t.swap, out);
                    if (t.reverse_x) std::reverse(out, out + n);
                }
            }
            k += run;
            column += run;
            if (column == t.nx) {
                column = 0;
                ++line;
            }
        }
    }
    xnumdat = keep_width;
    ynumdat = keep_height;
}

template <typename Type>
void checked_transfer(const FioTransfer& t, const ImageView& data, int& xnumdat, int& ynumdat,
                      std::string_view position, int& status)
{
    if (!st_enter(status, position)) return;
    if (!arguments_valid(t, data, Type::size == 1, position, status)) return;
    transfer<Type>(t, std::max(1, t.buffer_elements), data, xnumdat, ynumdat, position, status);
}

} // namespace

void FIO_INP_2DBYTE(const FioTransfer& t, const ImageView& data, int& xnumdat, int& ynumdat,
                    int& status)
{
    checked_transfer<Stored<1, false>>(t, data, xnumdat, ynumdat,
                                       "Subroutine FIO_INP_2DBYTE V0.3", status);
}

void FIO_INP_2DI2(const FioTransfer& t, const ImageView& data, int& xnumdat, int& ynumdat,
                  int& status)
{
    checked_transfer<Stored<2, false>>(t, data, xnumdat, ynumdat, "Subroutine FIO_INP_2DI2 V0.3",
                                       status);
}

void FIO_INP_2DI4(const FioTransfer& t, const ImageView& data, int& xnumdat, int& ynumdat,
                  int& status)
{
    checked_transfer<Stored<4, false>>(t, data, xnumdat, ynumdat, "Subroutine FIO_INP_2DI4 V0.3",
                                       status);
}

void FIO_INP_2DR4(const FioTransfer& t, const ImageView& data, int& xnumdat, int& ynumdat,
                  int& status)
{
    checked_transfer<Stored<4, true>>(t, data, xnumdat, ynumdat, "Subroutine FIO_INP_2DR4 V0.3",
                                      status);
}

void IO_INP_2DI2(const FioTransfer& t, int record_bytes, const ImageView& data, int& xnumdat,
                 int& ynumdat, int& status)
{
    constexpr std::string_view position = "Subroutine IO_INP_2DI2 V0.2";
    if (!st_enter(status, position)) return;
    if (record_bytes < 2 || record_bytes > 2 * t.buffer_elements) {
        st_fail(status, ST_MOD_FIO + FIO_ERR_RECORD, position);
        return;
    }
    if (!arguments_valid(t, data, false, position, status)) return;
    // The chunks are the file's records: every read is of whole records.
    transfer<Stored<2, false>>(t, record_bytes / 2, data, xnumdat, ynumdat, position, status);
}

void fio_fill_axis(std::span<float> axis, int count, int first, int bin)
{
    const std::size_t n = std::min(axis.size(), static_cast<std::size_t>(std::max(0, count)));
    for (std::size_t i = 0; i < n; ++i)
        axis[i] = static_cast<float>((first - 1) + bin * (static_cast<double>(i) + 0.5));
}

void fio_bin_row(std::span<const float> row, int xbin, float* out, int out_count)
{
    for (int i = 0; i < out_count; ++i) {
        const std::size_t first = static_cast<std::size_t>(i) * xbin;
        float sum = 0.0f;
        for (int k = 0; k < xbin && first + k < row.size(); ++k) sum += row[first + k];
        out[i] += sum;
    }
}
