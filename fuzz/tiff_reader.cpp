// TIFF files read as zyt_image reads them: any bytes must end in an image or
// a warning, never in a read outside the file or a write outside the arrays.

#include <iostream>

#include "fio/fio.h"
#include "fuzz_support.h"
#include "io/status.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The readers' console lines are not wanted here.
    static const bool quiet = (std::cout.rdbuf(nullptr), true);
    (void)quiet;
    const FuzzFile input(data, size, ".tif");
    FioRequest request;
    request.file_name = input.path();
    request.format = "TIFF";
    FioImage image;
    int retstat = 0;
    int status = ST_GOOD_VALUE;
    FIO_READ_IMAGE(request, image, retstat, status);
    if (status != ST_GOOD_VALUE) std::abort(); // a damaged file is no fault of the program
    if (retstat == 0 && (image.xnumdat < 1 || image.xnumdat > image.view().xmaxdat ||
                         image.ynumdat < 1 || image.ynumdat > image.view().ymaxdat))
        std::abort();
    return 0;
}
