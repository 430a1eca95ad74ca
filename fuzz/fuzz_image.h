#pragma once
// What the fuzz targets of the image readers share.

#include <cstdlib>

#include "fio/fio.h"
#include "fuzz_support.h"
#include "io/status.h"

// Reads an input as zyt_image reads a file of a format: any bytes must end
// in an image or a warning, never in a read outside the file or a write
// outside the arrays (the sanitizers see those), nor in a bad status or an
// image larger than its arrays.
inline void fuzz_read_image(const std::uint8_t* data, std::size_t size, const char* format,
                            const char* suffix = "", int max_side = 16384)
{
    const FuzzFile input(data, size, suffix);
    FioRequest request;
    request.file_name = input.path();
    request.format = format;
    request.max_side = max_side;
    FioImage image;
    int retstat = 0;
    int status = ST_GOOD_VALUE;
    FIO_READ_IMAGE(request, image, retstat, status);
    if (status != ST_GOOD_VALUE) std::abort(); // a damaged file is no fault of the program
    if (retstat == 0 && (image.xnumdat < 1 || image.xnumdat > image.xmaxdat ||
                         image.ynumdat < 1 || image.ynumdat > image.ymaxdat))
        std::abort();
}
