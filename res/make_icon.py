#!/usr/bin/env python3
"""Writes the add-in's icon: a 16x16 and a 32x32 image, 24 bits per pixel.

The logo is a teal rounded square holding two white bars (the source and the
target of a replacement) joined by an orange arrow.

Usage: make_icon.py OUTPUT.ico
"""
import struct
import sys

TEAL = (0x1F, 0x6F, 0x78)
WHITE = (0xFF, 0xFF, 0xFF)
ORANGE = (0xF2, 0x8C, 0x28)


def pixel(x, y, n):
    """Colour at (x, y) of an n x n image, y from the top; None is transparent."""
    s = n / 32.0  # everything is drawn on a 32-unit grid
    u, v = x / s, y / s
    r = 5  # corner radius
    # Rounded square from 1 to 31.
    if not (1 <= u < 31 and 1 <= v < 31):
        return None
    for cx, cy in ((1 + r, 1 + r), (31 - r, 1 + r), (1 + r, 31 - r), (31 - r, 31 - r)):
        inside_corner_box = (u < 1 + r if cx < 16 else u >= 31 - r) and (v < 1 + r if cy < 16 else v >= 31 - r)
        if inside_corner_box and (u + 0.5 / s - cx) ** 2 + (v + 0.5 / s - cy) ** 2 > r * r:
            return None
    # Upper bar (source) and lower bar (target).
    if 6 <= u < 26 and 7 <= v < 11:
        return WHITE
    if 6 <= u < 26 and 21 <= v < 25:
        return WHITE
    # Arrow between them: a shaft and a head pointing down.
    if 14.5 <= u < 17.5 and 11 <= v < 16:
        return ORANGE
    if 16 <= v < 20 and abs(u + 0.5 / s - 16) <= (20 - v) * 1.2:
        return ORANGE
    return TEAL


def image(n):
    """BITMAPINFOHEADER, XOR pixels (BGR, bottom-up) and the AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 24, 0, 0, 0, 0, 0, 0)
    xor_rows, and_rows = [], []
    for y in reversed(range(n)):
        row, mask_bits = bytearray(), []
        for x in range(n):
            c = pixel(x, y, n)
            row += bytes((c[2], c[1], c[0])) if c else b"\0\0\0"
            mask_bits.append(0 if c else 1)
        row += b"\0" * ((4 - len(row) % 4) % 4)
        mask = bytearray()
        for i in range(0, n, 8):
            byte = 0
            for bit in mask_bits[i:i + 8]:
                byte = (byte << 1) | bit
            mask.append(byte)
        mask += b"\0" * ((4 - len(mask) % 4) % 4)
        xor_rows.append(bytes(row))
        and_rows.append(bytes(mask))
    return header + b"".join(xor_rows) + b"".join(and_rows)


def main():
    sizes = (16, 32)
    images = [image(n) for n in sizes]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, img in zip(sizes, images):
        data += struct.pack("<BBBBHHII", n, n, 0, 0, 1, 24, len(img), offset)
        offset += len(img)
    data += b"".join(images)
    with open(sys.argv[1], "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
