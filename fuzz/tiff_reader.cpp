// TIFF files read as zyt_image reads them: any bytes must end in an image or
// a warning, never in a read outside the file or a write outside the arrays.

#include <iostream>

#include "fuzz_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The readers' console lines are not wanted here.
    static const bool quiet = (std::cout.rdbuf(nullptr), true);
    (void)quiet;
    fuzz_read_image(data, size, "TIFF", ".tif");
    return 0;
}
