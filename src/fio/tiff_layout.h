#pragma once
// Inside the TIFF reader: the file's header and the layout of an image's
// samples, read from its directory with every field checked against the
// file's size.

#include <array>
#include <cstdint>
#include <vector>

namespace fio_tiff {

constexpr int TIFF_VERSION = 42;

// Meanings of the samples (tag 339).
enum SampleFormat { SAMPLES_UNSIGNED = 1, SAMPLES_SIGNED = 2, SAMPLES_FLOAT = 3 };

// The first eight bytes: byte order ("II" or "MM"), version, first directory.
struct Header
{
    bool big = false;
    int version = 0;
    long long first_directory = 0;
    std::array<std::uint8_t, 8> bytes{};
    bool order_known = false;
};

// False when the file is shorter than a header.
bool read_header(int handle, Header& h);

// How the samples of the image are stored.
struct Layout
{
    long long width = 0, length = 0;
    int bits = 0;
    int format = SAMPLES_UNSIGNED;
    long long rows_per_strip = 0;
    long long row_bytes = 0;
    std::vector<std::int64_t> strip_offsets;
};

// The layout of an image. retstat: 0 read; 1 no such image (or a directory
// chain that loops or leaves the file); 2 an image that cannot be decoded
// (said on the console unless quiet); 3 a directory outside the file.
void image_layout(int handle, const Header& h, int image_number, bool quiet, Layout& l,
                  int& retstat, int& status);

} // namespace fio_tiff
