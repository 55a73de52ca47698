#!/usr/bin/env python3
"""Draws the application icon (an up and a down arrow on a rounded dark tile) into resources/kestrune.ico."""
import struct
import sys
from pathlib import Path

TILE = (0x2B, 0x2F, 0x3A)
UP = (0x4C, 0xD9, 0x64)
DOWN = (0x3A, 0x9B, 0xF5)


def pixel(size, x, y):
    """RGBA of one pixel; coordinates from the top left."""
    u, v = (x + 0.5) / size, (y + 0.5) / size
    r = 0.18  # corner radius, as a fraction of the size
    cx, cy = min(max(u, r), 1 - r), min(max(v, r), 1 - r)
    if (u - cx) ** 2 + (v - cy) ** 2 > r * r:
        return (0, 0, 0, 0)
    # Up arrow on the left half, down arrow on the right half.
    for left, colour, up in ((0.16, UP, True), (0.54, DOWN, False)):
        w = 0.30
        mid = left + w / 2
        head_top, head_bottom = (0.18, 0.48) if up else (0.52, 0.82)
        shaft = (0.46, 0.84) if up else (0.16, 0.54)
        if up and head_top <= v <= head_bottom and abs(u - mid) <= (v - head_top) / (head_bottom - head_top) * w / 2:
            return colour + (255,)
        if not up and head_top <= v <= head_bottom and abs(u - mid) <= (head_bottom - v) / (head_bottom - head_top) * w / 2:
            return colour + (255,)
        if shaft[0] <= v <= shaft[1] and abs(u - mid) <= w / 6:
            return colour + (255,)
    return TILE + (255,)


def image(size):
    rows = []
    for y in reversed(range(size)):  # bitmaps are stored bottom-up
        for x in range(size):
            r, g, b, a = pixel(size, x, y)
            rows.append(struct.pack("BBBB", b, g, r, a))
    xor = b"".join(rows)
    mask_row = ((size + 31) // 32) * 4
    and_mask = bytes(mask_row * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    return header + xor + and_mask


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "resources" / "kestrune.ico"
    sizes = [16, 32, 48]
    images = [image(s) for s in sizes]
    data = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, img in zip(sizes, images):
        data += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    out.write_bytes(data + b"".join(images))


if __name__ == "__main__":
    main()
