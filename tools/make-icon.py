#!/usr/bin/env python3
"""Draws the program's icon (a lens beside a list of formats) and writes it as a Windows
icon file with 16, 24, 32, 48 and 64 pixel images (32-bit BGRA with an AND mask).
Usage: tools/make-icon.py app/win32/resources/icon.ico"""
import struct
import sys

BLUE = (0x1F, 0x4E, 0x8C)
WHITE = (0xFF, 0xFF, 0xFF)
DARK = (0x10, 0x20, 0x38)


def coverage(inside, x, y, samples=4):
    """The share of pixel (x, y) that `inside` covers, by supersampling."""
    hits = 0
    for i in range(samples):
        for j in range(samples):
            if inside(x + (i + 0.5) / samples, y + (j + 0.5) / samples):
                hits += 1
    return hits / (samples * samples)


def rounded_square(size):
    radius = size * 0.18

    def inside(x, y):
        cx = min(max(x, radius), size - radius)
        cy = min(max(y, radius), size - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r ** 2


def bar(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def blend(under, over, alpha):
    return tuple(round(u * (1 - alpha) + o * alpha) for u, o in zip(under, over))


def draw(size):
    s = size
    layers = [
        (circle(s * 0.36, s * 0.5, s * 0.24), WHITE),
        (circle(s * 0.36, s * 0.5, s * 0.13), DARK),
        (bar(s * 0.68, s * 0.30, s * 0.86, s * 0.38), WHITE),
        (bar(s * 0.68, s * 0.46, s * 0.86, s * 0.54), WHITE),
        (bar(s * 0.68, s * 0.62, s * 0.86, s * 0.70), WHITE),
    ]
    square = rounded_square(s)
    rows = []
    for y in range(s):
        row = []
        for x in range(s):
            alpha = coverage(square, x, y)
            colour = BLUE
            for inside, paint in layers:
                colour = blend(colour, paint, coverage(inside, x, y))
            row.append((colour, alpha))
        rows.append(row)
    return rows


def icon_image(size):
    rows = draw(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        for (r, g, b), alpha in row:
            pixels += bytes((b, g, r, round(alpha * 255)))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, alpha) in enumerate(row):
            if alpha == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(pixels) + bytes(mask)


def main(path):
    sizes = [16, 24, 32, 48, 64]
    images = [icon_image(size) for size in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(path, 'wb') as f:
        f.write(out + b''.join(images))


if __name__ == '__main__':
    main(sys.argv[1])
