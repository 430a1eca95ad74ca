// The ".info" companion of a raw image, of any bytes: what it gives is taken,
// a malformed line stops the parse with its message, nothing else happens.

#include <iostream>
#include <string>

#include "fio/fio.h"
#include "fuzz_support.h"
#include "io/status.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool quiet = (std::cout.rdbuf(nullptr), true);
    (void)quiet;
    const FuzzFile input(data, size, ".info");
    // The image's name: the ".info" file's without its extension.
    const std::string image = input.path().substr(0, input.path().size() - 5);
    std::string title, xlabel, ylabel, zlabel;
    int nx = 0, ny = 0, bytes = 0;
    float lowest = 0, second = 0, xps = 0, yps = 0;
    bool swap = false, is_signed = false;
    int status = ST_GOOD_VALUE;
    FIO_IN_HEADERFILE(image, title, xlabel, ylabel, zlabel, nx, ny, lowest, second, bytes, swap,
                      is_signed, xps, yps, status);
    if (status != ST_GOOD_VALUE || nx < 0 || ny < 0 || bytes < 0 || bytes > 8) std::abort();
    return 0;
}
