"""Reads TIFF files with tifffile, checks that each is a baseline 16-bit
greyscale image of the given size, and writes its pixels beside it as
NAME.raw: little-endian unsigned 16-bit, X fastest, the bottom row of the
picture first (the order in which zyt_zevuza counts rows).

Usage: check_phantom_tiffs.py WIDTH HEIGHT FILE.tif ...
Prints one line "checked N" when every file passed; otherwise the reason,
with exit status 1."""

import sys

import numpy
import tifffile


def check(path, width, height):
    with tifffile.TiffFile(path) as tiff:
        if not tiff.byteorder == "<":
            return "not little-endian"
        if len(tiff.pages) != 1:
            return "%d images instead of one" % len(tiff.pages)
        page = tiff.pages[0]
        tags = {tag.name: tag.value for tag in page.tags.values()}
        expected = {
            "ImageWidth": width,
            "ImageLength": height,
            "BitsPerSample": 16,
            "Compression": 1,
            "PhotometricInterpretation": 1,
            "SamplesPerPixel": 1,
            "SampleFormat": 1,
        }
        for name, value in expected.items():
            if tags.get(name) != value:
                return "%s is %r, not %r" % (name, tags.get(name), value)
        if len(tags["StripOffsets"]) != len(tags["StripByteCounts"]):
            return "strip offsets and counts differ in number"
        if sum(tags["StripByteCounts"]) != 2 * width * height:
            return "strips hold %d bytes" % sum(tags["StripByteCounts"])
        pixels = page.asarray()
    if pixels.dtype != numpy.uint16 or pixels.shape != (height, width):
        return "read as %s %s" % (pixels.dtype, pixels.shape)
    pixels[::-1].astype("<u2").tofile(path[:-4] + ".raw")
    return None


def main():
    width, height = int(sys.argv[1]), int(sys.argv[2])
    for path in sys.argv[3:]:
        problem = check(path, width, height)
        if problem:
            print("%s: %s" % (path, problem))
            return 1
    print("checked %d" % (len(sys.argv) - 3))
    return 0


if __name__ == "__main__":
    sys.exit(main())
