// CHIPLOT graphs read as zyt_image reads them: any text must end in a
// one-row image or a warning.

#include "detector_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const FuzzFile input(data, size, ".chi");
    fuzz_read_detector(input.path(), "CHIPLOT");
    return 0;
}
