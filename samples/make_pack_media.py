#!/usr/bin/env python3
"""Draws and records the media of the sample dictionary's resource pack.

Run by hand when the pictures or sounds should change; the build only packs
the files this writes into samples/pack/. PNG, BMP and the pixels of every
picture are written here; GIF and JPEG are converted with ImageMagick, the
spoken words come from espeak-ng, are resampled with sox and the Ogg Vorbis
one is encoded with oggenc (Debian: imagemagick, espeak-ng, sox,
vorbis-tools).
"""
import math
import os
import struct
import subprocess
import sys
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
PACK = os.path.join(HERE, "pack")


def canvas(w, h, colour):
    return [[colour for _ in range(w)] for _ in range(h)]


def disc(img, cx, cy, r, colour):
    for y, row in enumerate(img):
        for x in range(len(row)):
            if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                row[x] = colour


def triangle(img, a, b, c, colour):
    def side(p, q, r):
        return (p[0] - r[0]) * (q[1] - r[1]) - (q[0] - r[0]) * (p[1] - r[1])
    for y, row in enumerate(img):
        for x in range(len(row)):
            p = (x + 0.5, y + 0.5)
            d1, d2, d3 = side(p, a, b), side(p, b, c), side(p, c, a)
            neg = d1 < 0 or d2 < 0 or d3 < 0
            pos = d1 > 0 or d2 > 0 or d3 > 0
            if not (neg and pos):
                row[x] = colour


def rect(img, x0, y0, x1, y1, colour):
    for y in range(y0, y1):
        for x in range(x0, x1):
            img[y][x] = colour


def cat():
    img = canvas(48, 48, (250, 246, 232))
    triangle(img, (9, 22), (14, 4), (22, 14), (120, 120, 130))
    triangle(img, (39, 22), (34, 4), (26, 14), (120, 120, 130))
    disc(img, 24, 27, 16, (120, 120, 130))
    disc(img, 18, 24, 3, (240, 220, 60))
    disc(img, 30, 24, 3, (240, 220, 60))
    disc(img, 18, 24, 1, (20, 20, 20))
    disc(img, 30, 24, 1, (20, 20, 20))
    triangle(img, (22, 30), (26, 30), (24, 33), (230, 120, 140))
    return img


def house():
    img = canvas(48, 48, (170, 210, 250))
    rect(img, 0, 40, 48, 48, (80, 170, 70))
    rect(img, 10, 22, 38, 42, (200, 80, 60))
    triangle(img, (6, 23), (42, 23), (24, 6), (110, 60, 40))
    rect(img, 21, 30, 28, 42, (90, 50, 30))
    rect(img, 13, 26, 19, 32, (250, 240, 150))
    rect(img, 30, 26, 36, 32, (250, 240, 150))
    return img


def tree():
    img = canvas(48, 48, (225, 240, 255))
    rect(img, 0, 42, 48, 48, (120, 90, 60))
    rect(img, 21, 28, 27, 44, (110, 70, 40))
    disc(img, 24, 18, 13, (40, 140, 50))
    disc(img, 16, 24, 8, (50, 160, 60))
    disc(img, 32, 24, 8, (50, 160, 60))
    return img


def sun():
    img = canvas(32, 32, (90, 160, 230))
    for k in range(8):
        a = k * math.pi / 4
        tip = (16 + 15 * math.cos(a), 16 + 15 * math.sin(a))
        left = (16 + 8 * math.cos(a - 0.35), 16 + 8 * math.sin(a - 0.35))
        right = (16 + 8 * math.cos(a + 0.35), 16 + 8 * math.sin(a + 0.35))
        triangle(img, tip, left, right, (255, 200, 40))
    disc(img, 16, 16, 8, (255, 230, 60))
    return img


def write_png(path, img):
    h, w = len(img), len(img[0])
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in img)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0)) +
           chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(png)


def write_bmp(path, img):
    h, w = len(img), len(img[0])
    stride = (w * 3 + 3) & ~3
    rows = b""
    for row in reversed(img):  # bottom-up
        line = b"".join(bytes((b, g, r)) for r, g, b in row)
        rows += line + b"\0" * (stride - len(line))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + rows)


def write_ppm(path, img):
    h, w = len(img), len(img[0])
    with open(path, "wb") as f:
        f.write(b"P6 %d %d 255\n" % (w, h) + bytes(c for row in img for px in row for c in px))


def run(*cmd):
    subprocess.run(cmd, check=True)


def main():
    os.makedirs(os.path.join(PACK, "img"), exist_ok=True)
    os.makedirs(os.path.join(PACK, "snd"), exist_ok=True)
    write_png(os.path.join(PACK, "img", "cat.png"), cat())
    write_bmp(os.path.join(PACK, "img", "sun.bmp"), sun())
    with tempfile.TemporaryDirectory() as tmp:
        ppm = os.path.join(tmp, "house.ppm")
        write_ppm(ppm, house())
        run("convert", ppm, "-colors", "16", os.path.join(PACK, "img", "house.gif"))
        ppm = os.path.join(tmp, "tree.ppm")
        write_ppm(ppm, tree())
        run("convert", ppm, "-strip", "-quality", "75", os.path.join(PACK, "img", "tree.jpg"))

        spoken = os.path.join(tmp, "cat.wav")
        run("espeak-ng", "-v", "en", "-s", "140", "-w", spoken, "cat")
        run("sox", spoken, "-r", "8000", "-b", "16", "-c", "1",
            os.path.join(PACK, "snd", "cat.wav"), "silence", "1", "0.02", "1%", "reverse",
            "silence", "1", "0.02", "1%", "reverse")
        spoken = os.path.join(tmp, "house.wav")
        run("espeak-ng", "-v", "en", "-s", "140", "-w", spoken, "house")
        trimmed = os.path.join(tmp, "house16k.wav")
        run("sox", spoken, "-r", "16000", "-c", "1", trimmed, "silence", "1", "0.02", "1%",
            "reverse", "silence", "1", "0.02", "1%", "reverse")
        run("oggenc", "-Q", "-q", "-1", "-o", os.path.join(PACK, "snd", "house.ogg"), trimmed)
    return 0


if __name__ == "__main__":
    sys.exit(main())
