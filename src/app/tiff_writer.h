#pragma once
// A baseline TIFF writer for 16-bit greyscale images: little-endian,
// uncompressed, in strips of about 8 KB, unsigned samples (SampleFormat 1).

#include <cstdint>
#include <string>

// Writes width x height pixels given in the program's layout (X fastest,
// image row 1 at the bottom of the picture). TIFF stores the top row first,
// so the rows go to the file from the last to the first. The file is
// written beside its name and renamed over it when complete; a file that
// cannot be written is said on the console and leaves nothing behind.
// description, when not empty, becomes the ImageDescription.
void ZYT_WRITE_TIFF16(const std::string& path, int width, int height, const std::uint16_t* pixels,
                      const std::string& description, int& status);
