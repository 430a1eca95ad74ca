// A region of an image, re-binned, for formats whose pixels come only as a
// whole (a packed stream, an overflow table placed afterwards): the image is
// read into arrays of its own size and the region is taken from them.

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "fio/detector.h"
#include "io/status.h"

namespace {

// The largest whole image read for a part of it (a gigabyte of reals): a
// header may claim more than memory holds.
constexpr long long LARGEST_WHOLE = 1LL << 28;

} // namespace

std::string fio_region_fault(const FioRegion& r, const ImageView& data)
{
    if (r.x2 < r.x1 || r.y2 < r.y1 || r.xbin < 1 || r.ybin < 1 || r.x1 < 1 || r.y1 < 1)
        return "INPUT REGION IMPOSSIBLY DEFINED";
    const long long out_x = (static_cast<long long>(r.x2) - r.x1 + 1) / r.xbin;
    const long long out_y = (static_cast<long long>(r.y2) - r.y1 + 1) / r.ybin;
    if (out_x < 1 || out_y < 1) return "INPUT REGION SMALLER THAN ONE RE-BINNED PIXEL";
    if (out_x > data.xmaxdat || out_y > data.ymaxdat) return "INPUT REGION TOO LARGE FOR ARRAYS";
    return {};
}

void fio_read_region(FioCall& call, FioTarget& target, FioSizeProbe probe, FioReader read_whole,
                     int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine FIO_READ_REGION V0.1")) return;
    FioCall whole_call = call;
    whole_call.region = nullptr;
    int width = 0;
    int height = 0;
    int probed = 1;
    if (call.region != nullptr) probe(call.file_name, width, height, probed, status);
    if (status != ST_GOOD_VALUE) return;
    const FioRegion* r = call.region;
    // A file whose size cannot be learnt is left to the reader, which says why.
    const bool straight =
        r == nullptr || probed != 0 ||
        (r->x1 == 1 && r->y1 == 1 && r->x2 >= width && r->y2 >= height && r->xbin == 1 &&
         r->ybin == 1 && width <= target.data.xmaxdat && height <= target.data.ymaxdat);
    if (straight) {
        read_whole(whole_call, target, retstat, status);
        call.file_name = whole_call.file_name;
        return;
    }
    FioRegion region = *r;
    if (region.x1 < 1 || region.y1 < 1 || region.xbin < 1 || region.ybin < 1 ||
        region.x1 > std::min(region.x2, width) || region.y1 > std::min(region.y2, height)) {
        io_say("WARNING: Image contains none of desired region");
        retstat = 4;
        return;
    }
    region.x2 = std::min(region.x2, width);
    region.y2 = std::min(region.y2, height);
    if (const std::string fault = fio_region_fault(region, target.data); !fault.empty()) {
        io_say("WARNING: " + fault);
        retstat = 4;
        return;
    }
    const int out_x = (region.x2 - region.x1 + 1) / region.xbin;
    const int out_y = (region.y2 - region.y1 + 1) / region.ybin;
    if (static_cast<long long>(width) * height > LARGEST_WHOLE) {
        io_say("ERROR: Failed to allocate memory for the whole image (" + std::to_string(width) +
               " by " + std::to_string(height) + " pixels)");
        retstat = 2;
        return;
    }
    std::vector<float> pixels, x_axis, y_axis;
    try {
        pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0.0f);
        x_axis.assign(static_cast<std::size_t>(width), 0.0f);
        y_axis.assign(static_cast<std::size_t>(height), 0.0f);
    } catch (const std::bad_alloc&) {
        io_say("ERROR: Failed to allocate memory for the whole image");
        retstat = 2;
        return;
    }
    FioTarget whole =
        fio_target(ImageView{pixels.data(), width, height}, ImageView{}, x_axis, y_axis, false);
    whole.title = target.title;
    whole.x_pixel_size = target.x_pixel_size;
    whole.y_pixel_size = target.y_pixel_size;
    read_whole(whole_call, whole, retstat, status);
    call.file_name = whole_call.file_name;
    if (status != ST_GOOD_VALUE || retstat != 0) return;
    // The rows and columns the reader did not define are not part of the image.
    if (whole.xnumdat < region.x1 + out_x * region.xbin - 1 ||
        whole.ynumdat < region.y1 + out_y * region.ybin - 1) {
        io_say("WARNING: Image does not contain all of desired region");
        retstat = 4;
        return;
    }
    for (int j = 1; j <= out_y; ++j)
        std::fill_n(&target.data(1, j), out_x, 0.0f);
    const std::size_t row_length = static_cast<std::size_t>(out_x) * region.xbin;
    for (int k = 0; k < out_y * region.ybin; ++k) {
        const float* row = &whole.data(region.x1, region.y1 + k);
        fio_bin_row(std::span<const float>(row, row_length), region.xbin,
                    &target.data(1, k / region.ybin + 1), out_x);
    }
    target.xnumdat = out_x;
    target.ynumdat = out_y;
    fio_fill_axis(target.x_axis, out_x, region.x1, region.xbin);
    fio_fill_axis(target.y_axis, out_y, region.y1, region.ybin);
    target.title = whole.title;
    target.xlabel = whole.xlabel;
    target.ylabel = whole.ylabel;
    target.zlabel = whole.zlabel;
    target.x_pixel_size = whole.x_pixel_size;
    target.y_pixel_size = whole.y_pixel_size;
    target.overload_value = whole.overload_value;
    // Variances are not kept for a part of an image.
    target.variances_exist = false;
}
