// TORVA files read as zyt_image reads them; the first byte chooses the image
// number (1 to 4), the rest is the file.

#include "detector_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) return 0;
    const FuzzFile input(data + 1, size - 1, ".kdf");
    fuzz_read_detector(input.path(), "TORVA", data[0] % 4 + 1);
    return 0;
}
