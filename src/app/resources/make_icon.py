#!/usr/bin/env python3
"""Draws QrMaker's icon and the property list's browse picture.

usage: make_icon.py OUT.ico OUT_browse.bmp

The icon is a parcel (the installer package) with a blue arrow dropping into
it, drawn from shapes with 4x4 supersampling. The .ico holds six images:
48, 32 and 16 pixels square, each at 8 bits (256-colour palette, AND-mask
transparency) and at 32 bits (alpha). The browse picture is a 19 x 19, 24-bit
push button with three dots. Only the standard library is used.
"""

import struct
import sys

SIZES = (48, 32, 16)
SUPERSAMPLE = 4


def inside_round_rect(x, y, left, top, right, bottom, radius):
    if not (left <= x <= right and top <= y <= bottom):
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def inside_polygon(x, y, points):
    inside = False
    n = len(points)
    for i in range(n):
        x1, y1 = points[i]
        x2, y2 = points[(i + 1) % n]
        if (y1 > y) != (y2 > y):
            if x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
                inside = not inside
    return inside


# Colours (R, G, B).
OUTLINE = (92, 56, 20)
BOX = (222, 164, 86)
BOX_SHADE = (190, 128, 58)
LID = (240, 190, 118)
TAPE = (250, 232, 190)
ARROW = (36, 104, 204)
ARROW_EDGE = (16, 56, 130)

ARROW_SHAPE = [(0.40, 0.02), (0.60, 0.02), (0.60, 0.30), (0.76, 0.30),
               (0.50, 0.56), (0.24, 0.30), (0.40, 0.30)]


def shade(u, v):
    """Colour (r, g, b, a) of the point (u, v) of the unit square."""
    # The arrow lies over the parcel.
    if inside_polygon(u, v, ARROW_SHAPE):
        inner = [(0.44, 0.06), (0.56, 0.06), (0.56, 0.34), (0.67, 0.34),
                 (0.50, 0.51), (0.33, 0.34), (0.44, 0.34)]
        return ARROW + (255,) if inside_polygon(u, v, inner) else ARROW_EDGE + (255,)
    if inside_round_rect(u, v, 0.06, 0.36, 0.94, 0.96, 0.08):
        if not inside_round_rect(u, v, 0.10, 0.40, 0.90, 0.92, 0.05):
            return OUTLINE + (255,)
        if v < 0.52:
            colour = LID
        elif u > 0.62:
            colour = BOX_SHADE
        else:
            colour = BOX
        if 0.44 <= u <= 0.56:
            colour = TAPE
        return colour + (255,)
    return (0, 0, 0, 0)


def render(size):
    """Rows of (r, g, b, a), top row first."""
    rows = []
    n = SUPERSAMPLE
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(n):
                for sx in range(n):
                    r, g, b, a = shade((px + (sx + 0.5) / n) / size,
                                       (py + (sy + 0.5) / n) / size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            if acc[3]:
                pixel = (round(acc[0] / acc[3]), round(acc[1] / acc[3]),
                         round(acc[2] / acc[3]), round(acc[3] / (n * n)))
            else:
                pixel = (0, 0, 0, 0)
            row.append(pixel)
        rows.append(row)
    return rows


def and_mask(rows, size):
    """The 1-bit mask, bottom row first, rows padded to 32 bits: 1 = transparent."""
    stride = ((size + 31) // 32) * 4
    out = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a < 128:
                line[x // 8] |= 0x80 >> (x % 8)
        out += line
    return bytes(out)


def bitmap_header(size, bits, colours):
    # BITMAPINFOHEADER; the height counts the colour bitmap and the mask.
    image = size * (((size * bits + 31) // 32) * 4)
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0,
                       image, 0, 0, colours, 0)


def image_32(rows, size):
    body = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            body += bytes((b, g, r, a))
    return bitmap_header(size, 32, 0) + bytes(body) + and_mask(rows, size)


def quantise(channel):
    return min(5, (channel + 25) // 51)


def image_8(rows, size):
    # A 6 x 6 x 6 colour cube; index 0 (black) also serves transparent pixels.
    palette = bytearray()
    for i in range(256):
        if i < 216:
            r, g, b = (i // 36) * 51, ((i // 6) % 6) * 51, (i % 6) * 51
        else:
            r = g = b = 0
        palette += bytes((b, g, r, 0))
    stride = ((size + 3) // 4) * 4
    body = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, (r, g, b, a) in enumerate(row):
            if a >= 128:
                line[x] = quantise(r) * 36 + quantise(g) * 6 + quantise(b)
        body += line
    return bitmap_header(size, 8, 256) + bytes(palette) + bytes(body) + and_mask(rows, size)


def write_ico(path):
    images = []
    for size in SIZES:
        rows = render(size)
        images.append((size, 8, image_8(rows, size)))
        images.append((size, 32, image_32(rows, size)))
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, bits, data in images:
        colours = 0  # 0 means 256 or more
        out += struct.pack("<BBBBHHII", size, size, colours, 0, 1, bits, len(data), offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    with open(path, "wb") as f:
        f.write(out)


def browse_pixel(x, y):
    """The 19 x 19 browse button: raised 3D frame, grey face, three dots."""
    last = 18
    if x == last or y == last:
        return (64, 64, 64)
    if x == 0 or y == 0:
        return (255, 255, 255)
    if x == last - 1 or y == last - 1:
        return (128, 128, 128)
    if 12 <= y <= 13 and any(cx <= x <= cx + 1 for cx in (4, 8, 12)):
        return (0, 0, 0)
    return (212, 208, 200)


def write_browse_bmp(path):
    size = 19
    stride = ((size * 3 + 3) // 4) * 4
    body = bytearray()
    for y in reversed(range(size)):
        line = bytearray()
        for x in range(size):
            r, g, b = browse_pixel(x, y)
            line += bytes((b, g, r))
        line += bytes(stride - len(line))
        body += line
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(body), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(header + info + body)


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: make_icon.py OUT.ico OUT_browse.bmp\n")
        return 2
    write_ico(argv[1])
    write_browse_bmp(argv[2])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
