// PLANO files read as zyt_image reads them.

#include <iostream>

#include "fuzz_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool quiet = (std::cout.rdbuf(nullptr), true);
    (void)quiet;
    fuzz_read_image(data, size, "PLANO", "", 512);
    return 0;
}
