#!/usr/bin/env python3
"""Writes bitmaps/146.bmp, the 16 x 16, 24-bit loudspeaker that sound links
show. Run it again after changing the drawing below."""
import os
import struct

DRAWING = [
    "................",
    "................",
    ".......K....B...",
    "......KK.....B..",
    ".....KGK.B....B.",
    "....KGGK..B...B.",
    "KKKKGGGK..B...B.",
    "KGGKGGGK..B...B.",
    "KGGKGGGK..B...B.",
    "KKKKGGGK..B...B.",
    "....KGGK..B...B.",
    ".....KGK.B....B.",
    "......KK.....B..",
    ".......K....B...",
    "................",
    "................",
]
# Blue, green, red, as a bitmap stores them.
COLOURS = {
    ".": (255, 255, 255),
    "K": (0, 0, 0),
    "G": (128, 128, 128),
    "B": (192, 64, 0),
}


def main():
    width, height = 16, 16
    rows = b""
    for line in reversed(DRAWING):  # bottom row first
        row = b"".join(bytes(COLOURS[c]) for c in line)
        rows += row + b"\0" * ((4 - len(row) % 4) % 4)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    offset = 14 + len(info)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "bitmaps", "146.bmp")
    with open(path, "wb") as f:
        f.write(header + info + rows)


if __name__ == "__main__":
    main()
