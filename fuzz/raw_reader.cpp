// Raw binary files read as zyt_image reads them, with a layout taken from the
// input's first eight bytes (size, type, signedness, byte order, header,
// region and re-binning): any layout against any file must end in an image or
// a warning that says what the file lacks.

#include <iostream>

#include "fio/fio.h"
#include "fuzz_support.h"
#include "io/status.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool quiet = (std::cout.rdbuf(nullptr), true);
    (void)quiet;
    if (size < 8) return 0;
    FioRequest request;
    request.format = "BINARY";
    request.nx = data[0] + 1;
    request.ny = data[1] + 1;
    const char* const types[4] = {"BYTE", "I2", "I4", "R4"};
    request.type = types[data[2] & 3];
    request.is_signed = (data[2] >> 2) & 1;
    request.swap = (data[2] >> 3) & 1;
    request.start_byte = data[3] + 1;
    if (data[4] & 1) {
        request.region_given = true;
        request.region.x1 = (data[5] & 0x3F) + 1;
        request.region.y1 = (data[6] & 0x3F) + 1;
        request.region.x2 = request.region.x1 + (data[5] >> 6) * 40;
        request.region.y2 = request.region.y1 + (data[6] >> 6) * 40;
    }
    request.region.xbin = (data[7] & 7) + 1;
    request.region.ybin = ((data[7] >> 3) & 7) + 1;
    request.max_side = 512;
    const FuzzFile input(data + 8, size - 8, ".bin");
    request.file_name = input.path();
    FioImage image;
    int retstat = 0;
    int status = ST_GOOD_VALUE;
    FIO_READ_IMAGE(request, image, retstat, status);
    if (status != ST_GOOD_VALUE) std::abort();
    if (retstat == 0 && (image.xnumdat < 1 || image.xnumdat > image.view().xmaxdat ||
                         image.ynumdat < 1 || image.ynumdat > image.view().ymaxdat))
        std::abort();
    return 0;
}
