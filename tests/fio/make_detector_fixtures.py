#!/usr/bin/python3
"""Detector image files, each with the image the program must read from it:
NAME.<ext> and NAME.expected, the expected image as little-endian 32-bit
reals, X fastest, image row 1 first.

ADSC files are written by an independent writer (fabio). For the formats it
does not write (R-AXIS, HAMAMATSU, FUJI BAS-2000, TORVA) the files are
written here from the format descriptions:
- R-AXIS: a header of at least 1024 bytes (one record when a record is
  longer) with the pixel counts at bytes 768 and 772, the record length at
  784 and the photomultiplier ratio (a real) at 800, all in the file's byte
  order; then signed 16-bit pixels, first stored line = row 1; a negative
  value v stands for (v + 32768) * ratio.
- HAMAMATSU: little-endian; "IM", comment length, width, height, X and Y
  offsets, file type (2: 16 bits) as 2-byte integers, 64 header bytes, the
  comment, the pixels; or a 256-byte header with the offsets at 16 and 18,
  width and height at 20 and 22, bits per pixel at 48. Pixels are stored
  from the top right: the last stored pixel is pixel (1, 1).
- FUJI BAS-2000: NAME.inf, one value a line (header, image name, a line not
  used, X and Y pixel sizes in micrometres, bits, X and Y pixels,
  sensitivity, latitude) and NAME.img, 8-bit or big-endian 16-bit values;
  Q of G = 2**bits levels stands for (4000 / S) * 100 * 10**(L (Q/G - 0.5)).
- TORVA: sections of a "{" KEYWORD = value; ... "}" header padded to whole
  1024-byte blocks and SIZE bytes of pixels.

Usage: make_detector_fixtures.py DIRECTORY
"""
import struct
import sys

import numpy as np
from fabio.dtrekimage import DtrekImage

out = sys.argv[1]
rng = np.random.default_rng(20240611)


def expected(name, image):
    np.asarray(image, dtype=np.float64).astype("<f4").tofile(f"{out}/{name}.expected")


# --- ADSC, written by fabio ---------------------------------------------------
adsc = rng.integers(0, 65536, (41, 67), dtype=np.uint16)
adsc[0, 0], adsc[-1, -1], adsc[0, -1] = 65535, 0, 1
for name, order in (("adsc_le", "little_endian"), ("adsc_be", "big_endian")):
    DtrekImage(data=adsc, header={"BYTE_ORDER": order}).write(f"{out}/{name}.img")
    expected(name, adsc)
# The ADSC type key beside the longer one.
DtrekImage(data=adsc, header={"TYPE": "unsigned_short", "BYTE_ORDER": "big_endian"}).write(
    f"{out}/adsc_typed.img")
expected("adsc_typed", adsc)
# Unsigned 16-bit pixels only: reals and three dimensions are refused.
DtrekImage(data=rng.normal(size=(5, 7)).astype(np.float32)).write(f"{out}/adsc_float.img")
DtrekImage(data=np.zeros((2, 3, 4), np.uint16)).write(f"{out}/adsc_3d.img")
# A tiny image: the whole file is shorter than 1024 bytes.
tiny = np.arange(12, dtype=np.uint16).reshape(3, 4)
DtrekImage(data=tiny).write(f"{out}/adsc_tiny.img")
expected("adsc_tiny", tiny)

# --- R-AXIS -------------------------------------------------------------------


def raxis(name, image, ratio, big_endian, record_length=None):
    ny, nx = image.shape
    order = ">" if big_endian else "<"
    record = record_length if record_length is not None else 2 * nx
    header = bytearray(max(1024, record))
    header[0:10] = b"R-AXIS4   "
    struct.pack_into(order + "ii", header, 768, nx, ny)
    struct.pack_into(order + "i", header, 784, record)
    struct.pack_into(order + "f", header, 800, ratio)
    with open(f"{out}/{name}.osc", "wb") as f:
        f.write(bytes(header))
        f.write(image.astype(order + "i2").tobytes())
    values = image.astype(np.float64)
    values[image < 0] = (values[image < 0] + 32768.0) * ratio
    expected(name, values)


counts = rng.integers(-32768, 32768, (37, 53), dtype=np.int16)
counts[0, 0], counts[0, 1], counts[-1, -1] = -1, 32767, -32768
raxis("raxis_be", counts, 8.0, True)
raxis("raxis_le", counts, 8.0, False)
# A header one record (1200 bytes) long.
raxis("raxis_record", rng.integers(-32768, 32768, (7, 600), dtype=np.int16), 32.0, True)

# --- HAMAMATSU ----------------------------------------------------------------


def hamamatsu_tagged(name, image, comment=b"Exposure=1.0,Gain=2"):
    height, width = image.shape
    header = bytearray(64)
    header[0:2] = b"IM"
    file_type = 2 if image.dtype == np.uint16 else 0
    struct.pack_into("<6H", header, 2, len(comment), width, height, 3, 5, file_type)
    with open(f"{out}/{name}.img", "wb") as f:
        f.write(bytes(header) + comment + image.astype("<" + image.dtype.str[1:]).tobytes())
    # Stored from the top right: reversed in both directions.
    expected(name, image[::-1, ::-1])


def hamamatsu_plain(name, image, bits):
    height, width = image.shape
    header = bytearray(256)
    struct.pack_into("<4H", header, 16, 7, 9, width, height)
    struct.pack_into("<H", header, 48, bits)
    with open(f"{out}/{name}.img", "wb") as f:
        f.write(bytes(header) + image.astype("<u2").tobytes())
    expected(name, image[::-1, ::-1])


hamamatsu_tagged("ham_im16", rng.integers(0, 65536, (31, 45), dtype=np.uint16))
hamamatsu_tagged("ham_im8", rng.integers(0, 256, (11, 13), dtype=np.uint8))
hamamatsu_plain("ham_plain", rng.integers(0, 4096, (19, 24), dtype=np.uint16), 12)

# --- FUJI BAS-2000 ------------------------------------------------------------


def bas(name, image, bits, sensitivity, latitude, pixel_um=(50, 75), extension="img",
        lines=None):
    ny, nx = image.shape
    if lines is None:
        lines = ["BAS_IMAGE_FILE", name, "20x40", str(pixel_um[0]), str(pixel_um[1]),
                 str(bits), str(nx), str(ny), str(sensitivity), str(latitude)]
    with open(f"{out}/{name}.inf", "w") as f:
        f.write("\r\n".join(lines) + "\r\n")
    stored = image.astype(np.uint8 if bits <= 8 else ">u2")
    with open(f"{out}/{name}.{extension}", "wb") as f:
        f.write(stored.tobytes())
    levels = 2 ** bits
    q = np.minimum(image.astype(np.int64), levels - 1)
    table = np.array([4000.0 / sensitivity * 100.0 * np.power(10.0, latitude * (k / levels - 0.5))
                      for k in range(levels)], dtype=np.float64).astype(np.float32)
    expected(name, table[q])


plate = rng.integers(0, 65536, (29, 47), dtype=np.uint16)
plate[0, 0] = 32768  # with S 10000 and L 4: exactly 40
bas("bas16", plate, 16, 10000, 4)
bas("bas8", rng.integers(0, 256, (9, 14), dtype=np.uint16), 8, 4000, 5)
# Values above the top level of 12 bits count as the top level.
twelve = rng.integers(0, 4096, (6, 10), dtype=np.uint16)
twelve[0, 0], twelve[0, 1] = 5000, 65535
bas("bas12", twelve, 12, 1000, 4)
bas("bas_upper", rng.integers(0, 256, (4, 5), dtype=np.uint16), 8, 4000, 5, extension="IMG")

# --- TORVA --------------------------------------------------------------------


def torva_section(keywords, pixels):
    text = "{\n" + "".join(f"{k} = {v};\n" for k, v in keywords) + "}\n"
    blocks = -(-len(text) // 1024)
    return text.encode("ascii").ljust(blocks * 1024, b" ") + pixels


sections = [
    # (image, DATATYPE, numpy type, BYTEORDER, array)
    (1, "unsignedshort", ">u2", "HIGHBYTEFIRST", rng.integers(0, 65536, (17, 23))),
    (2, "float", "<f4", "LowByteFirst", rng.normal(0.0, 1e3, (9, 12))),
    (3, "SignedInteger", ">i4", "HIGHBYTEFIRST", rng.integers(-2**31, 2**31, (5, 6))),
    (4, "signedshort", "<i2", "LOWBYTEFIRST", rng.integers(-32768, 32768, (13, 7))),
    (5, "UNSIGNEDLONG", "<u4", "LOWBYTEFIRST", rng.integers(0, 2**32, (3, 8))),
]
data = b""
for image, datatype, dtype, order, array in sections:
    pixels = np.asarray(array).astype(dtype)
    data += torva_section([("HEADERID", "EH:00000%d" % image), ("IMAGE", image),
                           ("DATATYPE", datatype), ("BYTEORDER", order),
                           ("COMPRESSION", "None"), ("DIM_1", array.shape[1]),
                           ("DIM_2", array.shape[0]), ("SIZE", len(pixels.tobytes())),
                           ("TITLE", f"section {image}")], pixels.tobytes())
    expected(f"torva_{image}", pixels.astype(np.float32).astype(np.float64))
open(f"{out}/torva_multi.kdf", "wb").write(data)
# One section without "SIZE": the sections after it cannot be found.
first = np.arange(6, dtype=">u2").reshape(2, 3)
open(f"{out}/torva_nosize.kdf", "wb").write(
    torva_section([("DATATYPE", "UNSIGNEDSHORT"), ("BYTEORDER", "HIGHBYTEFIRST"), ("DIM_1", 3),
                   ("DIM_2", 2)], first.tobytes()))
expected("torva_nosize", first)
open(f"{out}/torva_compressed.kdf", "wb").write(
    torva_section([("DATATYPE", "UNSIGNEDSHORT"), ("COMPRESSION", "PCK"), ("DIM_1", 3),
                   ("DIM_2", 2), ("SIZE", 12)], first.tobytes()))
# One section of a series, named by its place in the series.
open(f"{out}/torva_image5.kdf", "wb").write(
    torva_section([("IMAGE", 5), ("DATATYPE", "UNSIGNEDSHORT"), ("BYTEORDER", "HIGHBYTEFIRST"),
                   ("DIM_1", 3), ("DIM_2", 2), ("SIZE", 12)], first.tobytes()))
