#!/usr/bin/env python3
"""Draws Tarvel's icon: three report bars of different lengths over a folder.

Writes tarvel.ico and tarvel.png next to this script. tarvel.ico holds the
sizes Windows asks for: 16, 32 and 48 pixels as 8-bit BMPs with their
transparency masks (256 colours, the classic icon format), and 256 pixels as
a PNG (Explorer's large views). tarvel.png is the 32-pixel picture in RGBA,
for the desktop entry. Standard library only; run it again after changing
the drawing and commit both files.
"""
import os
import struct
import zlib

BMP_SIZES = (16, 32, 48)
PNG_SIZE = 256

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

# Bar tops and lengths on the 32-pixel grid.
BARS = ((12, 24), (17, 16), (22, 9))


def draw16():
    """The 16-pixel picture, drawn for its size: outlined bars would not fit."""
    px = [[0] * 16 for _ in range(16)]

    def rect(x0, y0, x1, y1, c):  # inclusive corners
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                px[y][x] = c

    rect(1, 2, 6, 4, 1)
    rect(2, 3, 5, 4, 3)
    rect(1, 4, 14, 14, 1)
    rect(2, 5, 13, 13, 2)
    for top, right in ((6, 12), (9, 9), (12, 6)):
        rect(3, top, right, top, 6)
        rect(3, top + 1, right, top + 1, 5)
    return px


def draw(size):
    """The picture at `size` pixels, as rows of palette indices, top row
    first. It is drawn on a 32-unit grid; each unit is size/32 pixels, and
    outlines are as thick as one unit (at least one pixel)."""
    if size == 16:
        return draw16()
    px = [[0] * size for _ in range(size)]
    unit = size / 32
    line = max(1, round(unit))

    def edges(x0, y0, x1, y1):  # the box from unit x0 to unit x1, inclusive
        return (round(x0 * unit), round(y0 * unit),
                round((x1 + 1) * unit) - 1, round((y1 + 1) * unit) - 1)

    def rect(x0, y0, x1, y1, c):  # inclusive pixel corners
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                px[y][x] = c

    def box(x0, y0, x1, y1, fill, edge):
        a, b, c, d = edges(x0, y0, x1, y1)
        rect(a, b, c, d, edge)
        rect(a + line, b + line, c - line, d - line, fill)

    # Folder: the tab and back panel, then the front panel over them.
    box(2, 4, 13, 9, 3, 1)
    box(2, 7, 29, 28, 3, 1)
    box(2, 10, 29, 28, 2, 1)

    # Report bars of different lengths, like the window's directory lines,
    # each with a highlight along its top.
    for top, length in BARS:
        box(4, top, 4 + length, top + 3, 5, 4)
        a, b, c, _ = edges(4, top, 4 + length, top + 3)
        rect(a + line, b + line, c - line, b + 2 * line - 1, 6)
    return px


def bmp_image(px):
    size = len(px)
    # BITMAPINFOHEADER: the height counts the colour image and the mask.
    stride = (size + 3) // 4 * 4
    mask_stride = ((size + 31) // 32) * 4
    xor = b"".join(bytes(row) + b"\0" * (stride - size) for row in reversed(px))
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
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    return header + palette + xor + mask


def png_bytes(px):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff))

    size = len(px)
    raw = bytearray()
    for row in px:
        raw.append(0)  # filter: none
        for c in row:
            r, g, b = PALETTE[c]
            raw += bytes((r, g, b, 0 if c == 0 else 255))
    ihdr = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def ico_bytes():
    # (width/height byte, colour count byte, bit count, image); a size of 256
    # is written as 0, and so is a colour count of 256.
    images = [(s, 0, 8, bmp_image(draw(s))) for s in BMP_SIZES]
    images.append((0, 0, 32, png_bytes(draw(PNG_SIZE))))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for dim, colours, bits, image in images:
        out += struct.pack("<BBBBHHII", dim, dim, colours, 0, 1, bits, len(image), offset)
        offset += len(image)
    return out + b"".join(image for _, _, _, image in images)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "tarvel.ico"), "wb") as f:
        f.write(ico_bytes())
    with open(os.path.join(here, "tarvel.png"), "wb") as f:
        f.write(png_bytes(draw(32)))


if __name__ == "__main__":
    main()
