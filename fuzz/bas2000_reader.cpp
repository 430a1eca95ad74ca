// FUJI BAS-2000 pairs of files read as zyt_image reads them: the first two
// bytes give the length of the ".inf" text that follows (little-endian), the
// rest is the ".img" file.

#include <algorithm>

#include "detector_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2) return 0;
    const std::size_t text = std::min<std::size_t>(data[0] | data[1] << 8, size - 2);
    const FuzzFile inf(data + 2, text, ".inf");
    const FuzzFile img(data + 2 + text, size - 2 - text, ".img");
    fuzz_read_detector(inf.path(), "FUJI (BAS)");
    return 0;
}
