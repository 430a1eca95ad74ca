// TIFF input: uncompressed grey-level images of 8, 12, 16 or 32 bits a
// sample, plain or in the ImageQuant variant, read strip by strip: only the
// strips that hold the rows wanted, whose positions the layout has checked,
// so a damaged or hostile file gives a warning, never a read outside the file
// or a write outside the image array.

#include <algorithm>
#include <string>
#include <vector>

#include "fio/detector.h"
#include "fio/readers.h"
#include "fio/samples.h"
#include "fio/tiff_layout.h"
#include "io/convert.h"
#include "io/fields.h"
#include "io/status.h"
#include "io/system.h"
#include "io/terminal.h"

using namespace fio_tiff;

namespace {

// Rows are read in blocks of at most this many bytes (at least one row).
constexpr long long READ_BLOCK = 1 << 18;
constexpr float IMAGEQUANT_SCALE = 21471.0f;

// The samples of file columns first .. first + n - 1 (from 0) of a stored row.
void decode_span(const Layout& l, const std::uint8_t* row, bool swap, long long first,
                 std::size_t n, float* out)
{
    const bool is_signed = l.format == SAMPLES_SIGNED;
    switch (l.bits) {
    case 8:
        if (is_signed) fio_samples_to_reals<std::uint8_t, std::int8_t>(row + first, n, false, out);
        else fio_samples_to_reals<std::uint8_t, std::uint8_t>(row + first, n, false, out);
        break;
    case 12:
        // Two samples in three bytes, the first from the high bits.
        for (std::size_t i = 0; i < n; ++i) {
            const long long c = first + static_cast<long long>(i);
            const std::uint8_t* p = row + (c / 2) * 3;
            out[i] = c % 2 == 0 ? static_cast<float>(p[0] * 16 + (p[1] >> 4))
                                : static_cast<float>((p[1] & 0x0F) * 256 + p[2]);
        }
        break;
    case 16:
        if (is_signed)
            fio_samples_to_reals<std::uint16_t, std::int16_t>(row + 2 * first, n, swap, out);
        else
            fio_samples_to_reals<std::uint16_t, std::uint16_t>(row + 2 * first, n, swap, out);
        break;
    default:
        if (l.format == SAMPLES_FLOAT)
            fio_samples_to_reals<std::uint32_t, float>(row + 4 * first, n, swap, out);
        else if (is_signed)
            fio_samples_to_reals<std::uint32_t, std::int32_t>(row + 4 * first, n, swap, out);
        else
            fio_samples_to_reals<std::uint32_t, std::uint32_t>(row + 4 * first, n, swap, out);
        break;
    }
}

// One stored row in the image's column order, for `count` image columns from
// `first_column` (from 1); mirrored, image column x is file column W - x + 1.
void decode_row(const Layout& l, const std::uint8_t* row, bool swap, bool mirror_x,
                bool imagequant, int first_column, int count, float* out)
{
    const long long first = mirror_x ? l.width - (first_column + count - 1) : first_column - 1;
    const std::size_t n = static_cast<std::size_t>(count);
    decode_span(l, row, swap, first, n, out);
    if (mirror_x) std::reverse(out, out + n);
    if (imagequant && l.bits >= 16)
        for (std::size_t i = 0; i < n; ++i) out[i] = out[i] * out[i] / IMAGEQUANT_SCALE;
}

// The rows from file row f (from 1) on that lie one after the other in the
// file, at most `limit`: the rest of f's strip, continued into the strips
// stored right behind it, so that files of many small strips are still read
// in large blocks.
long long rows_in_a_run(const Layout& l, long long f, long long limit)
{
    const long long strips = static_cast<long long>(l.strip_offsets.size());
    long long strip = (f - 1) / l.rows_per_strip;
    long long strip_end = std::min((strip + 1) * l.rows_per_strip, l.length);
    long long rows = strip_end - (f - 1);
    while (rows < limit && strip + 1 < strips) {
        const long long end = l.strip_offsets[static_cast<std::size_t>(strip)] +
                              (strip_end - strip * l.rows_per_strip) * l.row_bytes;
        if (l.strip_offsets[static_cast<std::size_t>(strip + 1)] != end) break;
        ++strip;
        strip_end = std::min((strip + 1) * l.rows_per_strip, l.length);
        rows = strip_end - (f - 1);
    }
    return std::min(rows, limit);
}

std::vector<GsFormItem> region_items(int width, int length, const FioRegion& r)
{
    auto item = [](const char* label, const char* prompt, int high, int value) {
        return fio_integer_item(label, prompt, std::string("Enter ") + prompt, 1, high, value);
    };
    return {item("X-START", "LEFT-HAND PIXEL INPUT LIMIT", width, r.x1),
            item("Y-START", "LOWER PIXEL INPUT LIMIT", length, r.y1),
            item("X-END", "RIGHT-HAND PIXEL INPUT LIMIT", width, r.x2),
            item("Y-END", "UPPER PIXEL INPUT LIMIT", length, r.y2),
            item("X RE-BIN", "HORIZONTAL RE-BIN FACTOR", width, r.xbin),
            item("Y RE-BIN", "VERTICAL RE-BIN FACTOR", length, r.ybin)};
}

// The region and re-bin factors chosen on the form (or on the terminal).
void ask_region(bool gui, int width, int length, const ImageView& data, FioRegion& r,
                int& status)
{
    if (gui) {
        const std::string title[] = {"INPUT REGION AND RE-BIN FACTOR FORM"};
        const std::string info[] = {
            "This form allows you to specify the size and position of",
            "the region of data to be input, and if required to re-bin",
            "the raw data on input. These options allow handling of very",
            "large images, by working on sub-regions, or by working at",
            "reduced resolution. By default the whole of the image will be",
            "input at full resolution (provided that the program arrays",
            "are large enough)."};
        while (status == ST_GOOD_VALUE) {
            std::vector<GsFormItem> items = region_items(width, length, r);
            GS_FORM(1, 1, title, 7, 7, info, 6 + 5, 6, items, status);
            if (status != ST_GOOD_VALUE) return;
            r = {items[0].int_value, items[1].int_value, items[2].int_value,
                 items[3].int_value, items[4].int_value, items[5].int_value};
            const std::string fault = fio_region_fault(r, data);
            if (fault.empty()) return;
            const std::string line[] = {fault};
            GS_FWARNING(1, 1, line, status);
        }
        return;
    }
    const std::string help[] = {"Value must be within given range"};
    IO_INPI(true, 1, width, "X REBIN NUMBER", help, r.xbin, status);
    IO_INPI(true, 1, length, "Y REBIN NUMBER", help, r.ybin, status);
    IO_INPI(true, 1, width, "LEFT-HAND PIXEL OF IMAGE REGION", help, r.x1, status);
    IO_INPI(true, 1, length, "LOWER PIXEL OF IMAGE REGION", help, r.y1, status);
    IO_INPI(true, r.x1, width, "RIGHT-HAND PIXEL OF IMAGE REGION", help, r.x2, status);
    IO_INPI(true, r.y1, length, "UPPER PIXEL OF IMAGE REGION", help, r.y2, status);
}

} // namespace

void FIO_IN_IQRIMAGE(int handle, int image_number, bool mirror_x, bool imagequant,
                     const FioRegion& region, int& retstat, int& xnumdat, int& ynumdat,
                     const ImageView& data, int& status)
{
    constexpr std::string_view position = "Subroutine FIO_IN_IQRIMAGE V0.4";
    if (!st_enter(status, position)) return;
    if (image_number < 1 || region.x1 < 1 || region.xbin < 1 || region.x2 < region.x1) {
        st_fail(status, ST_MOD_FIO + FIO_ERR_X_VALUE, position);
        return;
    }
    if (region.y1 < 1 || region.ybin < 1 || region.y2 < region.y1) {
        st_fail(status, ST_MOD_FIO + FIO_ERR_Y_VALUE, position);
        return;
    }
    xnumdat = ynumdat = 0;
    Header h;
    if (!read_header(handle, h) || !h.order_known) {
        io_say("WARNING: The File does not start with II nor with MM. It is not a");
        io_say("         correctly defined TIFF file or has been corrupted.");
        retstat = 3;
        return;
    }
    if (h.version != TIFF_VERSION) {
        io_say("WARNING: Bad TIFF file, tiff version = " + io_fortran_i(h.version, 12));
        io_say("         (this should equal 42)");
        retstat = 3;
        return;
    }
    Layout l;
    image_layout(handle, h, image_number, false, l, retstat, status);
    if (retstat != 0 || status != ST_GOOD_VALUE) return;

    if (region.x1 > l.width || region.y1 > l.length) {
        retstat = 4;
        return;
    }
    retstat = 0;
    int x2 = region.x2;
    int y2 = region.y2;
    if (x2 > l.width || y2 > l.length) {
        x2 = static_cast<int>(std::min<long long>(x2, l.width));
        y2 = static_cast<int>(std::min<long long>(y2, l.length));
        retstat = -1;
    }
    // Never more output pixels than the declared array holds.
    xnumdat = std::min((x2 - region.x1 + 1) / region.xbin, data.xmaxdat);
    ynumdat = std::min((y2 - region.y1 + 1) / region.ybin, data.ymaxdat);
    if (xnumdat < 1 || ynumdat < 1) return;
    // Sums start from 0; unbinned, every element of the rectangle is written.
    const bool binned = region.xbin > 1 || region.ybin > 1;
    if (binned)
        for (int y = 1; y <= ynumdat; ++y) std::fill_n(&data(1, y), xnumdat, 0.0f);

    const bool swap = h.big != IO_BIG_ENDIAN(status);
    const int columns = xnumdat * region.xbin;
    std::vector<float> row_values(binned ? static_cast<std::size_t>(columns) : 0);
    // File rows (from 1) that hold the image rows used; the bottom of the
    // picture is image row 1, so the file is read from its last needed row up.
    const long long first_image_row = region.y1;
    const long long last_image_row = region.y1 + static_cast<long long>(ynumdat) * region.ybin - 1;
    const long long file_first = l.length - last_image_row + 1;
    const long long file_last = l.length - first_image_row + 1;
    const long long rows_per_block = std::max(1LL, READ_BLOCK / l.row_bytes);
    const std::span<std::uint8_t> buffer =
        fio_work_buffer(static_cast<std::size_t>(rows_per_block * l.row_bytes));
    for (long long f = file_first; f <= file_last;) {
        const long long strip = (f - 1) / l.rows_per_strip;
        const long long rows = rows_in_a_run(l, f, std::min(rows_per_block, file_last - f + 1));
        const long long offset = l.strip_offsets[static_cast<std::size_t>(strip)] +
                                 ((f - 1) - strip * l.rows_per_strip) * l.row_bytes;
        const std::span<std::uint8_t> block =
            buffer.first(static_cast<std::size_t>(rows * l.row_bytes));
        int rs = 0;
        int got = 0;
        FIO_FILEPREADC(handle, offset, static_cast<int>(block.size()), FIO_NO_SWAP, rs, got,
                       block);
        if (rs != FIO_OK) {
            retstat = 2;
            return;
        }
        // Unbinned, the block's rows are decoded from its last one: that is
        // the lowest image row, so the array is written upwards through
        // memory, which runs at about twice the speed of writing row after
        // row downwards. Binned rows keep the file's order, and with it the
        // order of each sum.
        for (long long i = 0; i < rows; ++i) {
            const long long k = binned ? i : rows - 1 - i;
            const long long image_row = l.length - (f + k) + 1;
            const int out_row = static_cast<int>((image_row - region.y1) / region.ybin) + 1;
            const std::uint8_t* row = &block[static_cast<std::size_t>(k * l.row_bytes)];
            // Unbinned rows go straight into the image array.
            if (!binned) {
                decode_row(l, row, swap, mirror_x, imagequant, region.x1, columns,
                           &data(1, out_row));
                continue;
            }
            decode_row(l, row, swap, mirror_x, imagequant, region.x1, columns,
                       row_values.data());
            fio_bin_row(row_values, region.xbin, &data(1, out_row), xnumdat);
        }
        f += rows;
    }
}

void fio_read_tiff(FioCall& call, bool mirror_x, bool imagequant, FioTarget& target,
                   int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine FIO_IN_IQ V0.6")) return;
    int handle = 0;
    if (call.gui) {
        if (!fio_open_input(call.file_name, handle, retstat, status)) return;
    } else {
        const std::string help[] = {"Name of tiff file containing image"};
        while (status == ST_GOOD_VALUE) {
            IO_INPC("DATA FILE NAME", help, "Unacceptable input", call.file_name, status);
            if (status != ST_GOOD_VALUE) break;
            FIO_FILEOPEN(call.file_name, "READ", retstat, handle, status);
            if (retstat == FIO_OK) break;
            io_say("Error in opening file, Please retype name");
        }
        if (st_is_escape(status)) {
            status = ST_GOOD_VALUE;
            retstat = -1;
            return;
        }
    }
    if (status != ST_GOOD_VALUE) return;
    FioSlotGuard guard(handle);
    int width = 0;
    int length = 0;
    FIO_TIFF_IMAGESIZE(handle, 1, retstat, width, length, status);
    if (status != ST_GOOD_VALUE) return;
    io_say("INFO: Full image size = " + io_fortran_i(width, 9) + " * " + io_fortran_i(length, 9) +
           " pixels");
    if (retstat != 0) {
        io_say("WARNING: Image size not returned from file");
        if (call.gui) {
            const std::string line[] = {"IMAGE SIZE NOT RETURNED FROM FILE"};
            fio_warning(line, status);
        }
        retstat = 2;
        return;
    }
    FioRegion region{1, 1, std::min(width, target.data.xmaxdat),
                     std::min(length, target.data.ymaxdat), 1, 1};
    if (call.region != nullptr) {
        region = *call.region;
        const std::string fault = fio_region_fault(region, target.data);
        if (!fault.empty()) {
            io_say("WARNING: " + fault);
            retstat = 4;
            return;
        }
    } else if (call.ask && !(call.gui && FIO_INQ_BATCH())) {
        ask_region(call.gui, width, length, target.data, region, status);
        if (st_is_escape(status)) {
            status = ST_GOOD_VALUE;
            retstat = -1;
            return;
        }
        if (status != ST_GOOD_VALUE) return;
    } else {
        // Without the form the image is cut to the arrays unasked.
        fio_warn_array_size(width, length, target.data);
    }
    if (call.gui) fio_prompt("INPUTTING DATA FROM FILE", status);
    int xnum = 0;
    int ynum = 0;
    FIO_IN_IQRIMAGE(handle, 1, mirror_x, imagequant, region, retstat, xnum, ynum, target.data,
                    status);
    guard.close();
    if (status != ST_GOOD_VALUE) return;
    switch (retstat) {
    case -1: io_say("WARNING: Image does not contain all of desired region"); break;
    case 1: io_say("WARNING: Image not found"); break;
    case 2: io_say("WARNING: Cannot decode image"); break;
    case 3: io_say("WARNING: Bad tiff file"); break;
    case 4: io_say("WARNING: Image contains none of desired region"); break;
    default: break;
    }
    if (retstat > 0) return;
    if (xnum < 1 || ynum < 1) {
        io_say("WARNING: Image contains none of desired region");
        retstat = 4;
        return;
    }
    retstat = 0;
    target.xnumdat = xnum;
    target.ynumdat = ynum;
    fio_fill_axis(target.x_axis, xnum, region.x1, region.xbin);
    fio_fill_axis(target.y_axis, ynum, region.y1, region.ybin);
    target.xlabel = "Columns";
    target.ylabel = "Rows";
    target.zlabel = "Intensity";
}

void FIO_IN_IQ(bool gui, bool ask, bool mirror_x, bool imagequant, bool& variances_exist,
               std::string& file_name, int& retstat, int& xnumdat, int& ynumdat,
               std::span<float> x_axis, std::span<float> y_axis, const ImageView& data,
               const ImageView& variances, std::string& title, std::string& xlabel,
               std::string& ylabel, std::string& zlabel, int& status)
{
    if (!st_enter(status, "Subroutine FIO_IN_IQ V0.6")) return;
    FioCall call{gui, ask, file_name, nullptr};
    FioTarget target = fio_target(data, variances, x_axis, y_axis, variances_exist);
    target.title = title;
    fio_read_tiff(call, mirror_x, imagequant, target, retstat, status);
    file_name = call.file_name;
    if (status != ST_GOOD_VALUE || retstat != 0) return;
    fio_give_back(target, xnumdat, ynumdat, title, xlabel, ylabel, zlabel);
}
