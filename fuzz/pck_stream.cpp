// The packed pixel stream of MAR files decoded straight from any bytes: the
// first four bytes choose the image size the header is to give and the size
// of the array; the rest is the file. Every stream must end in an image or a
// warning, never in a read outside the file or a write outside the array.

#include <iostream>
#include <vector>

#include "fio/fio.h"
#include "fuzz_support.h"
#include "io/status.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool quiet = (std::cout.rdbuf(nullptr), true);
    (void)quiet;
    if (size < 4) return 0;
    const int x = data[0] % 64 + 1, y = data[1] % 64 + 1;
    const int xmax = data[2] % 64 + 1, ymax = data[3] % 64 + 1;
    const FuzzFile input(data + 4, size - 4, ".pck");
    int retstat = 0, handle = 0, status = ST_GOOD_VALUE;
    FIO_FILEOPEN(input.path(), "READ", retstat, handle, status);
    if (retstat != 0) return 0;
    FioSlotGuard guard(handle);
    std::vector<float> pixels(static_cast<std::size_t>(xmax) * ymax);
    int xnum = x, ynum = y;
    FIO_IN_PCKC(handle, ImageView{pixels.data(), xmax, ymax}, xnum, ynum, retstat);
    if (retstat == 0 && (xnum != std::min(x, xmax) || ynum != std::min(y, ymax))) std::abort();
    if (retstat != 0 && retstat != 3 && retstat != 4 && retstat != 5) std::abort();
    return 0;
}
