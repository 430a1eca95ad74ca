#!/usr/bin/python3
"""TIFF files written by an independent writer (tifffile), each with the image
the program must read from it: NAME.tif and NAME.expected, the expected image
as little-endian 32-bit reals, X fastest, image row 1 (the bottom row of the
picture, the last row TIFF stores) first.

Usage: make_tiff_fixtures.py DIRECTORY
"""
import struct
import sys

import numpy as np
import tifffile

out = sys.argv[1]
rng = np.random.default_rng(20240607)


def expected(name, image):
    np.flipud(np.asarray(image, dtype=np.float64)).astype("<f4").tofile(f"{out}/{name}.expected")


def write(name, array, **options):
    tifffile.imwrite(f"{out}/{name}.tif", array, photometric="minisblack", **options)
    expected(name, array)


def retag(name, tag, new_tag=65000):
    """Renames a tag of the first directory (by default to a private one, so
    readers no longer see it); the entry count and offsets stay as tifffile
    wrote them."""
    path = f"{out}/{name}.tif"
    data = bytearray(open(path, "rb").read())
    order = "<" if data[:2] == b"II" else ">"
    ifd = struct.unpack(order + "I", data[4:8])[0]
    count = struct.unpack(order + "H", data[ifd:ifd + 2])[0]
    for k in range(count):
        at = ifd + 2 + 12 * k
        if struct.unpack(order + "H", data[at:at + 2])[0] == tag:
            data[at:at + 2] = struct.pack(order + "H", new_tag)
    open(path, "wb").write(bytes(data))


write("u8", rng.integers(0, 256, (37, 53), dtype=np.uint8))
write("i8", rng.integers(-128, 128, (9, 11), dtype=np.int8))
u16 = rng.integers(0, 65536, (41, 67), dtype=np.uint16)
u16[0, 0], u16[-1, -1] = 65535, 0
write("u16_le", u16.astype("<u2"), byteorder="<")
write("u16_be", u16.astype(">u2"), byteorder=">")
write("i16", rng.integers(-32768, 32768, (13, 17), dtype=np.int16))
# Integers beyond 2**24 lose digits as 32-bit reals, as they do in the program.
write("i32", rng.integers(-2**31, 2**31, (19, 23), dtype=np.int32))
u32 = rng.integers(0, 2**32, (19, 23), dtype=np.uint32)
u32[0, 0] = 2**32 - 1
# Unsigned with SampleFormat 1 written out, and without the tag (tifffile
# leaves the default out): TIFF 6.0 makes a missing SampleFormat unsigned.
# For the tagged file, tifffile's ResolutionUnit entry (a SHORT of value 1,
# "none") becomes SampleFormat 1.
write("u32", u32, resolutionunit=1)
retag("u32", 296, 339)
tifffile.imwrite(f"{out}/u32_untagged.tif", u32, photometric="minisblack")
expected("u32_untagged", u32)
write("f32", rng.normal(0.0, 1.0e4, (29, 31)).astype(np.float32))
write("f32_be", rng.normal(0.0, 1.0e4, (29, 31)).astype(">f4"), byteorder=">")
write("strips", u16, rowsperstrip=5)
write("one_strip", u16, rowsperstrip=u16.shape[0])
retag("one_strip", 278)  # RowsPerStrip absent: the whole image is one strip
# Larger than one read of the reader, in many small strips: stored one after
# the other, and the same strips stored last first (offsets rewritten here).
large = rng.integers(0, 65536, (300, 700), dtype=np.uint16)
write("strips_large", large, rowsperstrip=7)
write("strips_reversed", large, rowsperstrip=7)
with tifffile.TiffFile(f"{out}/strips_reversed.tif") as tif:
    page = tif.pages[0]
    offsets, counts = page.dataoffsets, page.databytecounts
    offsets_at = page.tags["StripOffsets"].valueoffset
data = bytearray(open(f"{out}/strips_reversed.tif", "rb").read())
strips = [bytes(data[o:o + c]) for o, c in zip(offsets, counts)]
assert all(b == a + c for a, b, c in zip(offsets, offsets[1:], counts))
at = offsets[0]
for k in reversed(range(len(strips))):
    data[at:at + counts[k]] = strips[k]
    struct.pack_into("<I", data, offsets_at + 4 * k, at)
    at += counts[k]
open(f"{out}/strips_reversed.tif", "wb").write(bytes(data))
# Rows 120..250 from the bottom, columns 33..690: the region spans reads.
np.asarray(np.flipud(large)[119:250, 32:690], dtype=np.float64).astype("<f4").tofile(
    f"{out}/large_region.expected")
ramp = (np.arange(800, dtype=np.uint32)[:, None] * 1000 + np.arange(1000)[None, :]) % 65536
write("rebin_source", ramp.astype(np.uint16))
binned = np.flipud(ramp.astype(np.float64)).reshape(400, 2, 500, 2).sum(axis=(1, 3))
np.asarray(binned).astype("<f4").tofile(f"{out}/rebin_2x2.expected")
# Rows counted from the bottom: image rows 3..10 are stored rows L-10..L-3.
region = np.flipud(u16)[2:10, 4:20]
np.asarray(region, dtype=np.float64).astype("<f4").tofile(f"{out}/region.expected")
tifffile.imwrite(f"{out}/zlib.tif", u16, photometric="minisblack", compression="zlib")
tifffile.imwrite(f"{out}/tiled.tif", np.zeros((64, 64), np.uint16), photometric="minisblack",
                 tile=(16, 16))
tifffile.imwrite(f"{out}/rgb.tif", np.zeros((8, 8, 3), np.uint8), photometric="rgb")
