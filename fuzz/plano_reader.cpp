// PLANO files read as zyt_image reads them.

#include "detector_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const FuzzFile input(data, size, ".pln");
    fuzz_read_detector(input.path(), "PLANO");
    return 0;
}
