#!/usr/bin/python3
"""MAR, Bruker and PLANO files with the image the program must read from each:
NAME.<ext> and NAME.expected, the expected image as little-endian 32-bit
reals, X fastest, image row 1 first.

The newer MAR files, the packed stream of the old packed MAR file and the
Bruker frames are written by an independent writer (fabio). The old MAR
format and PLANO files have no such writer: they are written here from the
format descriptions (old MAR: a header record of nx 2-byte words holding nx,
ny and the overflow count as 4-byte integers, the wavelength, distance and
phi angles as 4-byte reals at words 20 to 23, the date at byte 100; then the
pixels, unpacked or packed, and records of nx/4 (address, value) pairs;
PLANO: see write_plano).

Usage: make_mar_fixtures.py DIRECTORY
       make_mar_fixtures.py --bench FILE   (a 3450 x 3450 packed MAR file, and
                                            the time fabio takes to read it)
"""
import struct
import sys
import time

import numpy as np
import fabio
from fabio.compression import compPCK
from fabio.mar345image import mar345image
from fabio.brukerimage import brukerimage

rng = np.random.default_rng(20240611)


def expected(out, name, image):
    np.asarray(image, dtype=np.float64).astype("<f4").tofile(f"{out}/{name}.expected")


def packable(side_y, side_x, high=None):
    """Pixels that fabio's packer writes correctly: along the first line its
    differences are not reduced to 16 bits and some that need a 32-bit field
    are written wrongly, so the first line and the first pixel of the second
    stay below 32768. Every file is read back with fabio's own reader before
    it is used."""
    image = rng.integers(0, 65536, (side_y, side_x)).astype(np.int64)
    image[0, :] = rng.integers(0, 32768, side_x)
    image[1, 0] = rng.integers(0, 32768)
    # Smooth stretches, as detector images have: blocks of narrow differences.
    image[side_y // 2, :] = 1000 + np.arange(side_x)
    if high is not None:
        for (y, x), value in high.items():
            image[y, x] = value
    return image


MAR345_HEADER = {"PIXEL_LENGTH": 150, "PIXEL_HEIGHT": 120, "WAVELENGTH": 1.5418,
                 "DISTANCE": 200.5, "PHI_START": 0.25, "PHI_END": 1.75,
                 "DATE": "Tue Jun 11 10:20:30 2024"}


def write_mar345(path, image, big_endian=False):
    writer = mar345image(data=image.astype(np.int32), header=dict(MAR345_HEADER))
    writer.swap_needed = big_endian
    writer.write(path)
    back = fabio.open(path).data
    assert (back == image).all(), f"fabio does not read back {path}"


def old_header(nx, ny, overflows, order):
    words = bytearray(2 * nx)
    struct.pack_into(order + "iii", words, 0, nx, ny, 0)
    struct.pack_into(order + "i", words, 16, overflows)
    struct.pack_into(order + "ffff", words, 76, 0.9876, 150.25, 10.0, 11.5)
    words[100:124] = b"11-JUN-2024 10:20:30    "
    return bytes(words)


def overflow_records(image, nx, order):
    """Records of nx/4 (address, value) pairs for the values above 65535."""
    flat = image.ravel()
    where = np.nonzero(flat > 65535)[0]
    per_record = nx // 4
    records = b""
    for start in range(0, len(where), per_record):
        record = bytearray(2 * nx)
        for k, at in enumerate(where[start:start + per_record]):
            struct.pack_into(order + "ii", record, 8 * k, int(at) + 1, int(flat[at]))
        records += bytes(record)
    return len(where), records


def write_old_mar(path, image, order, packed):
    ny, nx = image.shape
    count, records = overflow_records(image, nx, order)
    stored = np.minimum(image, 65535)
    with open(path, "wb") as f:
        f.write(old_header(nx, ny, count, order))
        if packed:
            f.write(records)
            f.write(compPCK(stored.astype(np.int32)))
        else:
            f.write(stored.astype(order + "u2").tobytes())
            f.write(records)


def plano_item(name, type_char, value, further=None):
    """One item: "\\name:" + 8 hex digits of further records + the type
    character + the value, padded to whole 512-byte records."""
    head = b"\\" + name.encode() + b":"
    body = head + b"00000000" + type_char + value
    records = -(-len(body) // 512)
    body = head + (b"%08x" % (records - 1 if further is None else further)) + type_char + value
    return body.ljust(512 * records, b"\0")


def plano_text(name, text):
    data = text.encode()
    return plano_item(name, b"s", b"%08x" % len(data) + data)


def plano_array(name, array, order):
    ny, nx = array.shape
    fields = b"%08x%08x%08x" % (1, nx, ny)
    values = np.asarray(array, dtype=order + "f4").tobytes()
    first = fields.ljust(512 - len(name) - 12, b" ")
    records = -(-len(values) // 512)
    head = b"\\" + name.encode() + b":" + (b"%08x" % records) + b"a" + first
    return head.ljust(512, b"\0") + values.ljust(512 * records, b"\0")


def write_plano(path, image, order, with_pixel_size=True, variances=None):
    big = order == ">"
    items = [b"PLANO standard format".ljust(512, b"\0"),  # a record that is no item
             plano_text("$BIG_ENDIAN", "TRUE" if big else "FALSE"),
             plano_text("title", "PLANO test image"),
             plano_text("x_axis_label", "X position"),
             plano_text("y_axis_label", "Y position"),
             plano_text("z_axis_label", "Counts"),
             plano_text("overload_value", "65535.5")]
    if with_pixel_size:
        items.append(plano_item("x_pixel_size", b"r", struct.pack(order + "f", 5.0e-5)))
    items.append(plano_array("data_array", image, order))
    ny, nx = image.shape
    items.append(plano_array("x_axis", (np.arange(nx) * 2.0 + 10.0)[None, :], order))
    if variances is not None:
        items.append(plano_array("variances_array", variances, order))
    with open(path, "wb") as f:
        for item in items:
            f.write(item)


def fixtures(out):
    high = {(5, 7): 120000, (20, 3): 70000, (47, 47): 1_000_000, (30, 0): 65536}
    image = packable(48, 48, high)
    write_mar345(f"{out}/m345_le.mar3450", image)
    write_mar345(f"{out}/m345_be.mar3450", image, big_endian=True)
    expected(out, "m345", image)
    # Values past the first image line and a smooth image without high pixels.
    smooth = (np.add.outer(np.arange(40), np.arange(40)) * 37 % 30000).astype(np.int64)
    write_mar345(f"{out}/m345_smooth.mar2300", smooth)
    expected(out, "m345_smooth", smooth)

    old = packable(40, 64, {(3, 9): 131000, (39, 63): 80000, (12, 0): 65536})
    for order, tag in (("<", "le"), (">", "be")):
        write_old_mar(f"{out}/old_{tag}.image", old, order, packed=False)
        write_old_mar(f"{out}/old_{tag}.pck", old, order, packed=True)
    expected(out, "old", old)

    frames = {
        "bruker1": (rng.integers(0, 255, (40, 56)), {(3, 4): 300, (39, 55): 90000}),
        "bruker2": (rng.integers(255, 65000, (70, 80)), {(0, 0): 70000, (69, 79): 65535}),
        "bruker4": (rng.integers(65535, 300000, (70, 80)), {}),
    }
    for name, (image, spots) in frames.items():
        image = image.astype(np.int64)
        for (y, x), value in spots.items():
            image[y, x] = value
        writer = brukerimage(data=image.astype(np.uint32), header={})
        bpp = writer.calc_bpp()
        writer.header["NOVERFL"] = str(int((image >= 2 ** (8 * bpp) - 1).sum()))
        writer.write(f"{out}/{name}.{name[-1]}00")
        assert (fabio.open(f"{out}/{name}.{name[-1]}00").data == image).all()
        # The first stored row is the top of the picture: image row 1 is the last.
        expected(out, name, np.flipud(image))

    plano = rng.normal(100.0, 30.0, (17, 23)).astype(np.float32)
    write_plano(f"{out}/plano_le.pln", plano, "<", variances=plano * 2.0)
    write_plano(f"{out}/plano_be.pln", plano, ">", with_pixel_size=False)
    expected(out, "plano", plano)
    big = (np.arange(2048 * 2048, dtype=np.float32) % 4093.0).reshape(2048, 2048)
    write_plano(f"{out}/plano_big.pln", big, "<")
    expected(out, "plano_big_part", big[:1024, :1024])


def bench(path):
    """A 3450 x 3450 image plate exposure: a smooth background with noise,
    rings, spots and a few pixels above 65535."""
    side = 3450
    y, x = np.mgrid[0:side, 0:side]
    r = np.hypot(x - 1700.0, y - 1760.0)
    background = 200.0 + 3000.0 * np.exp(-r / 600.0) + 800.0 * (np.sin(r / 25.0) ** 8)
    image = rng.poisson(background).astype(np.int64)
    # Spots below 32768 or above 65535 (kept apart): fabio's packer writes a
    # value between the two next to a low background wrongly.
    spots = rng.integers(5, side - 5, (3000, 2))
    image[spots[:, 0], spots[:, 1]] = rng.integers(5000, 32000, 3000)
    high = rng.integers(5, side - 5, (300, 2))
    image[high[:, 0], high[:, 1]] = rng.integers(70000, 120000, 300)
    image[0, :] = np.minimum(image[0, :], 32767)
    image[1, 0] = min(image[1, 0], 32767)
    write_mar345(path, image)
    times = []
    for _ in range(5):
        start = time.perf_counter()
        fabio.open(path).data
        times.append(time.perf_counter() - start)
    print(f"fabio {fabio.version} reads {path} in {min(times) * 1000:.1f} ms "
          f"(best of 5; median {sorted(times)[2] * 1000:.1f} ms)")


if __name__ == "__main__":
    if sys.argv[1] == "--bench":
        bench(sys.argv[2])
    else:
        fixtures(sys.argv[1])
