// BSL/OTOKO header files read as zyt_image reads them. The input is the
// header text, a zero byte, then the bytes of the binary file; the word DATA
// in the header names that binary file.

#include <algorithm>
#include <string>

#include "detector_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::uint8_t* split = std::find(data, data + size, 0);
    const std::uint8_t* rest = split == data + size ? split : split + 1;
    const FuzzFile binary(rest, static_cast<std::size_t>(data + size - rest), ".001");
    std::string header(data, split);
    for (std::size_t at; (at = header.find("DATA")) != std::string::npos;)
        header.replace(at, 4, binary.path());
    const FuzzFile input(reinterpret_cast<const std::uint8_t*>(header.data()), header.size(),
                         ".bsl");
    fuzz_read_detector(input.path(), "BSL/OTOKO");
    return 0;
}
