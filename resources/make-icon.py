#!/usr/bin/env python3
"""Draws Tarvel's icon: three report bars of different lengths over a folder.

Writes tarvel.ico (one 32x32 image, 256 colours: an 8-bit BMP with its
transparency mask, the classic icon format) and tarvel.png (the same picture,
32x32 RGBA, for the desktop entry) next to this script. Standard library only;
run it again after changing the drawing and commit both files.
"""
import os
import struct
import zlib

SIZE = 32

# Palette index -> (r, g, b). Index 0 is what the mask makes transparent.
PALETTE = [
    (0, 0, 0),        # 0 transparent
    (0x7a, 0x52, 0x10),  # 1 folder outline
    (0xf2, 0xc1, 0x4e),  # 2 folder front
    (0xd9, 0xa2, 0x2f),  # 3 folder back and tab
    (0x1b, 0x3f, 0x8a),  # 4 bar outline
    (0x3b, 0x7d, 0xe0),  # 5 bar fill
    (0x8f, 0xbc, 0xf5),  # 6 bar highlight (top row of each bar)
]


def draw():
    """The picture as rows of palette indices, top row first."""
    px = [[0] * SIZE for _ in range(SIZE)]

    def rect(x0, y0, x1, y1, c):  # inclusive corners
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                px[y][x] = c

    def box(x0, y0, x1, y1, fill, edge):
        rect(x0, y0, x1, y1, edge)
        rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, fill)

    # Folder: the tab and back panel, then the front panel over them.
    box(2, 4, 13, 9, 3, 1)
    box(2, 7, 29, 28, 3, 1)
    box(2, 10, 29, 28, 2, 1)

    # Report bars of different lengths, like the window's directory lines.
    for top, length in ((12, 24), (17, 16), (22, 9)):
        box(4, top, 4 + length, top + 3, 5, 4)
        rect(5, top + 1, 3 + length, top + 1, 6)
    return px


def ico_bytes(px):
    # BITMAPINFOHEADER: the height counts the colour image and the mask.
    mask_stride = ((SIZE + 31) // 32) * 4
    xor = b"".join(bytes(row) for row in reversed(px))  # bottom-up, 32 bytes a row
    and_rows = []
    for row in reversed(px):
        bits = bytearray(mask_stride)
        for x, c in enumerate(row):
            if c == 0:
                bits[x // 8] |= 0x80 >> (x % 8)  # 1 = transparent
        and_rows.append(bytes(bits))
    mask = b"".join(and_rows)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    palette += b"\0" * (4 * (256 - len(PALETTE)))
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 8, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    image = header + palette + xor + mask
    # ICONDIR and its one ICONDIRENTRY; a colour count of 0 means 256.
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 8, len(image), 6 + 16)
    return icondir + entry + image


def png_bytes(px):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff))

    raw = bytearray()
    for row in px:
        raw.append(0)  # filter: none
        for c in row:
            r, g, b = PALETTE[c]
            raw += bytes((r, g, b, 0 if c == 0 else 255))
    ihdr = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    px = draw()
    with open(os.path.join(here, "tarvel.ico"), "wb") as f:
        f.write(ico_bytes(px))
    with open(os.path.join(here, "tarvel.png"), "wb") as f:
        f.write(png_bytes(px))


if __name__ == "__main__":
    main()
