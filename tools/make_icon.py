#!/usr/bin/env python3
"""Turns a frame that trivane-render drew into the application icon.

    python3 tools/make_icon.py FRAME.raw ICON.png

FRAME.raw is `trivane-render --no-text --raw` output: 800 x 600 pixels, blue,
green, red, bottom row first. The icon is the 512 x 512 square around the
picture's centre (where the default model stands), halved to 256 x 256 by
averaging 2 x 2 blocks; the black background becomes transparent. Standard
library only; the same frame gives the same bytes.
"""

import struct
import sys
import zlib

WIDTH, HEIGHT, STRIDE = 800, 600, 2400
LEFT, TOP, SIDE = 144, 44, 512


def pixel(frame, x, y):
    """Red, green, blue of the picture pixel (x, y), y counted from the top."""
    offset = (HEIGHT - 1 - y) * STRIDE + 3 * x
    blue, green, red = frame[offset], frame[offset + 1], frame[offset + 2]
    return red, green, blue


def icon_rows(frame):
    for y in range(TOP, TOP + SIDE, 2):
        row = bytearray([0])  # filter: none
        for x in range(LEFT, LEFT + SIDE, 2):
            block = [pixel(frame, x + dx, y + dy) for dy in (0, 1) for dx in (0, 1)]
            # Pure black is the cleared background; the lit model never is.
            solid = [p for p in block if p != (0, 0, 0)]
            if not solid:
                row += bytes(4)
                continue
            colour = [sum(p[i] for p in solid) // len(solid) for i in range(3)]
            row += bytes(colour) + bytes([255 * len(solid) // 4])
        yield bytes(row)


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    with open(sys.argv[1], "rb") as f:
        frame = f.read()
    if len(frame) != STRIDE * HEIGHT:
        sys.exit("%s: expected %d bytes, got %d" % (sys.argv[1], STRIDE * HEIGHT, len(frame)))
    side = SIDE // 2
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 6, 0, 0, 0))  # 8-bit RGBA
    png += chunk(b"IDAT", zlib.compress(b"".join(icon_rows(frame)), 9))
    png += chunk(b"IEND", b"")
    with open(sys.argv[2], "wb") as f:
        f.write(png)


if __name__ == "__main__":
    main()
