#!/usr/bin/env python3
"""Counts the pixels of an Xvfb screen (the XWD file that `Xvfb -fbdir`
keeps up to date) that show text drawn in given colours on a white
background: anti-aliased glyphs blend their colour with white, so a pixel
counts for a colour when it lies on the way from white to that colour, at
least 40 % of the way.

Usage: screen_colours.py SCREEN_FILE NAME=RRGGBB...   prints "NAME COUNT" lines
"""
import struct
import sys


def read_screen(path):
    with open(path, "rb") as f:
        data = f.read()
    header = struct.unpack(">25I", data[:100])
    header_size, width, height = header[0], header[4], header[5]
    byte_order, bits_per_pixel, bytes_per_line = header[7], header[11], header[12]
    masks, ncolours = header[14:17], header[19]
    if bits_per_pixel != 32:
        sys.exit(f"{path}: {bits_per_pixel} bits per pixel, expected 32")
    offset = header_size + 12 * ncolours
    order = "<" if byte_order == 0 else ">"

    def shift(mask):
        return (mask & -mask).bit_length() - 1

    shifts = [shift(m) for m in masks]
    rows = []
    for y in range(height):
        line = data[offset + y * bytes_per_line: offset + y * bytes_per_line + 4 * width]
        values = struct.unpack(f"{order}{width}I", line)
        rows.append([tuple((v & m) >> s for m, s in zip(masks, shifts)) for v in values])
    return rows


def on_way_from_white(pixel, colour):
    # How far along white -> colour, judged by the channel that moves most.
    channel = max(range(3), key=lambda c: 255 - colour[c])
    span = 255 - colour[channel]
    if span < 64:
        return False
    amount = (255 - pixel[channel]) / span
    if amount < 0.4:
        return False
    return all(abs(pixel[c] - (255 - amount * (255 - colour[c]))) <= 40 for c in range(3))


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    rows = read_screen(sys.argv[1])
    for arg in sys.argv[2:]:
        name, hex_colour = arg.split("=")
        colour = tuple(int(hex_colour[i:i + 2], 16) for i in (0, 2, 4))
        count = sum(on_way_from_white(p, colour) for row in rows for p in row)
        print(name, count)


if __name__ == "__main__":
    main()
