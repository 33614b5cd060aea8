#!/usr/bin/env python3
"""Draws the program's icon and writes it as a Windows .ico file:
    resources/make_icon.py OUT.ico
A desktop in blue with two columns of white icons on it, drawn at 16, 32 and
48 pixels, each a 32-bit image with its alpha channel and its mask."""
import struct
import sys

SIZES = (16, 32, 48)
DESKTOP = (0x8B, 0x6F, 0x1F, 0xFF)  # blue-green, as BGRA
ICON = (0xFF, 0xFF, 0xFF, 0xFF)
CLEAR = (0, 0, 0, 0)


def pixel(x, y, size):
    """The colour at (x, y), counted from the top left."""
    unit = size / 16
    corner = 2 * unit
    # The rounded corners of the desktop stay clear.
    dx = max(corner - x - 0.5, x + 0.5 - (size - corner), 0)
    dy = max(corner - y - 0.5, y + 0.5 - (size - corner), 0)
    if dx * dx + dy * dy > corner * corner:
        return CLEAR
    # Three rows of two icons, each 3 units square, from the top left.
    for column in range(2):
        for row in range(3):
            left, top = (2 + 4 * column) * unit, (2 + 4 * row) * unit
            if left <= x < left + 3 * unit and top <= y < top + 3 * unit:
                return ICON
    return DESKTOP


def image(size):
    """One image of the file: its header, colours from the bottom row up, mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = [[pixel(x, y, size) for x in range(size)] for y in reversed(range(size))]
    colours = b"".join(bytes(colour) for row in rows for colour in row)
    mask_row_bytes = (size + 31) // 32 * 4
    mask = b""
    for row in rows:
        bits = 0
        for x, colour in enumerate(row):
            if colour[3] == 0:
                bits |= 1 << (mask_row_bytes * 8 - 1 - x)
        mask += bits.to_bytes(mask_row_bytes, "big")
    return header + colours + mask


def main():
    images = [image(size) for size in SIZES]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b""
    for size, data in zip(SIZES, images):
        entries += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(sys.argv[1], "wb") as out:
        out.write(directory + entries + b"".join(images))


if __name__ == "__main__":
    main()
