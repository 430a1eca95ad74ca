#pragma once
// The detector readers' fuzz targets: one input read as zyt_image reads it,
// in a named format. Any bytes must end in an image or a warning, never in a
// read outside the file, a write outside the arrays or a bad status.

#include <cstdlib>
#include <iostream>

#include "fio/fio.h"
#include "fuzz_support.h"
#include "io/status.h"

inline void fuzz_read_detector(const std::string& file_name, const char* format, int image = 0,
                               const FioRegion* region = nullptr)
{
    // The readers' console lines are not wanted here.
    static const bool quiet = (std::cout.rdbuf(nullptr), true);
    (void)quiet;
    FioRequest request;
    request.file_name = file_name;
    request.format = format;
    request.image = image;
    if (region != nullptr) {
        request.region_given = true;
        request.region = *region;
    }
    request.max_side = 512;
    FioImage image_read;
    int retstat = 0;
    int status = ST_GOOD_VALUE;
    FIO_READ_IMAGE(request, image_read, retstat, status);
    if (status != ST_GOOD_VALUE) std::abort();
    if (retstat == 0 && (image_read.xnumdat < 1 || image_read.xnumdat > image_read.view().xmaxdat ||
                         image_read.ynumdat < 1 || image_read.ynumdat > image_read.view().ymaxdat))
        std::abort();
}
