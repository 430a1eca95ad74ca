// MAR files (either kind, either byte order; the old kind read unpacked or
// packed as the size of the input is even or odd) read as zyt_image reads them.

#include <iostream>

#include "fuzz_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool quiet = (std::cout.rdbuf(nullptr), true);
    (void)quiet;
    fuzz_read_image(data, size, size % 2 == 0 ? "MAR" : "MAR-PCK", "", 512);
    return 0;
}
