// Gas-detector files read as zyt_image reads them: the first 64 bytes of the
// input are the "hm" file, the rest the histogram-memory data file.

#include <algorithm>

#include "detector_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::size_t hm_bytes = std::min<std::size_t>(size, 64);
    const FuzzFile input(data + hm_bytes, size - hm_bytes);
    const FuzzFile hm(data, hm_bytes, "hm");
    fuzz_read_detector(input.path(), "GAS 2-D DETECTOR (MIRL)");
    return 0;
}
