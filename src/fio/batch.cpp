// Reading an image without a window and without questions: the format from
// the name (or given), the size learnt from the file where the format allows,
// arrays as large as the image, and the forms' answers taken from the
// remembered defaults, the ".info" file and the request.

#include <algorithm>
#include <string>

#include "fio/readers.h"
#include "io/convert.h"
#include "io/database.h"
#include "io/filename.h"
#include "io/status.h"

namespace {

// The array side for formats that cannot tell their size before reading.
constexpr int UNKNOWN_SIZE_SIDE = 4096;
constexpr float DEFAULT_PIXEL_SIZE = 100.0e-6f;

// Batch mode for as long as it lives, as it was afterwards.
class BatchScope
{
public:
    BatchScope() : was_(FIO_INQ_BATCH()) { FIO_SET_BATCH(true); }
    ~BatchScope() { FIO_SET_BATCH(was_); }
    BatchScope(const BatchScope&) = delete;
    BatchScope& operator=(const BatchScope&) = delete;

private:
    bool was_;
};

bool apply_layout(const FioRequest& r, const std::string& file_name, FioImage& image,
                  int& status)
{
    FioBinaryLayout layout =
        fio_binary_defaults(file_name, image.x_pixel_size, image.y_pixel_size, status);
    if (r.nx > 0) layout.nx = r.nx;
    if (r.ny > 0) layout.ny = r.ny;
    if (r.start_byte > 0) layout.start_byte = r.start_byte;
    if (!r.type.empty()) layout.type = fio_type_from_name(r.type);
    if (r.is_signed >= 0) layout.is_signed = r.is_signed != 0;
    if (r.swap >= 0) layout.swap = r.swap != 0;
    if (layout.type.empty()) {
        io_say("WARNING: Unknown data type");
        return false;
    }
    if (layout.nx < 1 || layout.ny < 1) {
        io_say("WARNING: Unknown image size: give it with --size NX NY, or in a '.info' file");
        return false;
    }
    FIO_SET_BINARY_LAYOUT(layout, status);
    return status == ST_GOOD_VALUE;
}

// Options of the request that the format cannot honour are refused, never
// ignored: an image number for a file of one image, a raw layout for a
// format whose header gives its own.
bool request_fits(const FioRequest& r, const FioFormatEntry& format)
{
    if (r.image > 0 && !format.several_images) {
        io_say("WARNING: A file of the format " + std::string(format.name) +
               " stores one image: no image number (--image) can be chosen");
        return false;
    }
    const bool layout = r.nx > 0 || r.ny > 0 || r.start_byte > 0 || !r.type.empty() ||
                        r.is_signed >= 0 || r.swap >= 0;
    if (layout && format.name != "BINARY") {
        io_say("WARNING: A file of the format " + std::string(format.name) +
               " gives its own layout: --size, --type, --signed, --unsigned, --swap,");
        io_say("         --no-swap and --start are for raw BINARY files only");
        return false;
    }
    return true;
}

} // namespace

std::string fio_type_from_name(std::string_view name)
{
    const std::string upper = IO_UPPER(st_strip(name));
    const char* const short_names[4] = {"BYTE", "I2", "I4", "R4"};
    for (int i = 0; i < 4; ++i)
        if (upper == short_names[i] || upper == FIO_TYPE_NAMES[i]) return FIO_TYPE_NAMES[i];
    return {};
}

void FIO_READ_IMAGE(const FioRequest& request, FioImage& image, int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine FIO_READ_IMAGE V0.1")) return;
    const BatchScope batch;
    retstat = 1;
    image = FioImage{};
    int translated_ok = 0;
    std::string file_name;
    IO_TRANS_PATH(request.file_name, translated_ok, file_name, status);
    if (status != ST_GOOD_VALUE) return;
    if (translated_ok != 0 || file_name.empty()) {
        io_say("WARNING: Error in opening file");
        return;
    }
    std::string format;
    if (!request.format.empty()) {
        format = fio_format_from_choice(request.format);
        if (format.empty()) {
            io_say("WARNING: Unknown file format: " + std::string(st_strip(request.format)));
            return;
        }
    } else {
        format = FIO_DECIDE_FORMAT(file_name, status);
        if (status != ST_GOOD_VALUE) return;
        if (format.empty()) {
            io_say("WARNING: Unknown file format (the file's extension does not tell it:");
            io_say("         name the format with --format)");
            return;
        }
    }
    const FioFormatEntry* entry = fio_find_format(format);
    if (entry == nullptr || entry->reader == nullptr) {
        io_say("WARNING: Unknown file format");
        return;
    }
    if (!request_fits(request, *entry)) {
        retstat = 2;
        return;
    }
    image.format = format;
    image.file_name = file_name;
    image.x_pixel_size = image.y_pixel_size = DEFAULT_PIXEL_SIZE;
    int found = 0;
    IO_INQ_RKEYVALUE("X_PIXEL_SIZE", image.x_pixel_size, found, status);
    IO_INQ_RKEYVALUE("Y_PIXEL_SIZE", image.y_pixel_size, found, status);
    if (format == "BINARY" && !apply_layout(request, file_name, image, status)) return;
    if (status != ST_GOOD_VALUE) return;

    // The arrays as large as the image (or its region), where the size can be learnt.
    int width = UNKNOWN_SIZE_SIDE;
    int height = UNKNOWN_SIZE_SIDE;
    if (entry->probe != nullptr) {
        int probed = 0;
        entry->probe(file_name, width, height, probed, status);
        if (status != ST_GOOD_VALUE) return;
        // A file that does not tell its size is left to its reader, which says why.
        if (probed != 0) width = height = 1;
    }
    FioRegion region = request.region;
    if (!request.region_given) {
        region.x1 = region.y1 = 1;
        region.x2 = width;
        region.y2 = height;
    } else if (region.x2 > width || region.y2 > height) {
        io_say("WARNING: Image does not contain all of desired region");
        region.x2 = std::min(region.x2, width);
        region.y2 = std::min(region.y2, height);
    }
    const int side = std::max(1, request.max_side);
    const int xbin = std::max(1, region.xbin);
    const int ybin = std::max(1, region.ybin);
    const long long wide = std::min<long long>(region.x2, width) - region.x1 + 1;
    const long long high = std::min<long long>(region.y2, height) - region.y1 + 1;
    const int xmaxdat = static_cast<int>(std::clamp<long long>(wide / xbin, 1, side));
    const int ymaxdat = static_cast<int>(std::clamp<long long>(high / ybin, 1, side));
    if (wide / xbin > side || high / ybin > side) {
        io_say("WARNING: The image is larger than " + std::to_string(side) +
               " pixels a side: only that much is input");
        region.x2 = std::min<long long>(region.x2, region.x1 - 1 + static_cast<long long>(side) * xbin);
        region.y2 = std::min<long long>(region.y2, region.y1 - 1 + static_cast<long long>(side) * ybin);
    }
    if (!fio_make_arrays(image, xmaxdat, ymaxdat)) {
        io_say("ERROR: Failed to allocate memory for the image array");
        return;
    }

    FioCall call{true, false, file_name, &region, std::max(0, request.image)};
    FioTarget target = fio_target(image.view(), ImageView{}, image.x_axis, image.y_axis, false);
    target.title = IO_NODIRPATH(file_name, status);
    target.x_pixel_size = image.x_pixel_size;
    target.y_pixel_size = image.y_pixel_size;
    int read = 0;
    entry->reader(call, target, read, status);
    if (status != ST_GOOD_VALUE || read != 0) return;
    if (entry->one_dimensional) {
        target.ynumdat = 1;
        image.y_axis[0] = 0.5f;
    }
    if (target.xnumdat < 1 || target.ynumdat < 1) {
        io_say("WARNING: No pixels were input");
        return;
    }
    fio_give_back(target, image.xnumdat, image.ynumdat, image.title, image.xlabel, image.ylabel,
                  image.zlabel);
    image.x_pixel_size = target.x_pixel_size;
    image.y_pixel_size = target.y_pixel_size;
    image.overload_value =
        entry->overload == FIO_OVERLOAD_FROM_READER ? target.overload_value : entry->overload;
    retstat = 0;
}
