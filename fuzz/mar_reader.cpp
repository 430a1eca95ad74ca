// MAR files (either kind, either byte order; the old kind read unpacked or
// packed as the size of the input is even or odd) read as zyt_image reads them.

#include "detector_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const FuzzFile input(data, size, ".image");
    fuzz_read_detector(input.path(), size % 2 == 0 ? "MAR" : "MAR-PCK");
    return 0;
}
