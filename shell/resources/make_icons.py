#!/usr/bin/env python3
"""Draws the application's icons: a touch panel with a fingertip on it.

Writes one .ico file per size, each holding a single 256-colour image
(8 bits per pixel with a palette and a 1-bit transparency mask).
Usage: make_icons.py OUTPUT_DIR
"""
import os
import struct
import sys

# (file name, edge in pixels)
ICONS = [("rtouch_small.ico", 32), ("rtouch_large.ico", 48)]

TRANSPARENT, FRAME, SCREEN, GLARE, RING, TIP = range(6)
PALETTE = {
    TRANSPARENT: (0, 0, 0),
    FRAME: (40, 52, 72),
    SCREEN: (74, 144, 226),
    GLARE: (132, 186, 240),
    RING: (255, 255, 255),
    TIP: (226, 58, 52),
}


def inside_rounded_square(u, v, half, radius):
    """True when (u, v), relative to the centre, lies in the rounded square."""
    dx = max(abs(u) - (half - radius), 0.0)
    dy = max(abs(v) - (half - radius), 0.0)
    return dx * dx + dy * dy <= radius * radius


def colour_at(x, y, size):
    # Work in a 0..1 square sampled at pixel centres, so every size looks alike.
    u = (x + 0.5) / size - 0.5
    v = (y + 0.5) / size - 0.5
    if not inside_rounded_square(u, v, 0.47, 0.12):
        return TRANSPARENT
    if not inside_rounded_square(u, v, 0.38, 0.06):
        return FRAME
    # The fingertip sits right of and below the centre, with a white ring.
    tu, tv = u - 0.08, v - 0.08
    r2 = tu * tu + tv * tv
    if r2 <= 0.13 ** 2:
        return TIP
    if r2 <= 0.19 ** 2:
        return RING
    if u + v < -0.36:
        return GLARE
    return SCREEN


def ico_bytes(size):
    pixels = [[colour_at(x, y, size) for x in range(size)] for y in range(size)]
    xor_stride = (size + 3) & ~3
    and_stride = ((size + 31) // 32) * 4

    palette = b"".join(
        struct.pack("<BBBB", *reversed(PALETTE.get(i, (0, 0, 0))), 0) for i in range(256))
    xor_rows, and_rows = [], []
    for row in reversed(pixels):  # DIB rows run bottom-up
        xor_rows.append(bytes(row) + bytes(xor_stride - size))
        mask = bytearray(and_stride)
        for x, index in enumerate(row):
            if index == TRANSPARENT:
                mask[x // 8] |= 0x80 >> (x % 8)
        and_rows.append(bytes(mask))
    image_bits = b"".join(xor_rows) + b"".join(and_rows)

    # BITMAPINFOHEADER: the height counts the colour image and the mask.
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0,
                         len(image_bits), 0, 0, 256, 0)
    image = header + palette + image_bits

    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 8, len(image),
                        len(directory) + 16)
    return directory + entry + image


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_icons.py OUTPUT_DIR")
    out_dir = sys.argv[1]
    os.makedirs(out_dir, exist_ok=True)
    for name, size in ICONS:
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(ico_bytes(size))


if __name__ == "__main__":
    main()
