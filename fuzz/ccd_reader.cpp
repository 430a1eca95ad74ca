// Photometrics and Princeton files read as zyt_image reads them. The first
// byte chooses the format, the image of a sequence (0: the first) and a
// region with re-binning; the rest is the file.

#include "detector_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) return 0;
    const bool princeton = (data[0] & 1) != 0;
    const FuzzFile input(data + 1, size - 1, princeton ? ".spe" : ".pmi");
    const FioRegion region{(data[0] >> 4 & 3) + 1, 1, 40, 40, 1, (data[0] >> 6) + 1};
    fuzz_read_detector(input.path(), princeton ? "PRINCETON" : "PHOTOMETRICS", data[0] >> 1 & 3,
                       (data[0] & 8) != 0 ? &region : nullptr);
    return 0;
}
