#!/usr/bin/env python3
"""Turns an icon drawn as a text pixel grid into a Windows .ico file: one 32-bit entry per
drawn size, each with its alpha channel and the matching AND mask (no PNG entries). Needs only
the Python standard library.

  make-icon.py GRID ICO

The grid file holds, in any order after optional '#' comment lines:
  a palette line per symbol:  X = #RRGGBB  or  X = #RRGGBBAA  or  X = transparent
  per size, a line "N:" followed by N rows of N symbols each (square images, 1..256).
Blank lines are ignored. Every symbol used must be in the palette.
"""
import re
import struct
import sys

PALETTE = re.compile(r"^(\S)\s*=\s*(transparent|#[0-9A-Fa-f]{6}(?:[0-9A-Fa-f]{2})?)$")
SIZE = re.compile(r"^(\d+):$")


class GridError(Exception):
    pass


def parse(text, name):
    palette = {}
    images = []
    lines = text.splitlines()
    index = 0
    while index < len(lines):
        line = lines[index].rstrip()
        index += 1
        if not line or line.startswith("#") and not PALETTE.match(line):
            continue
        match = PALETTE.match(line)
        if match:
            symbol, value = match.groups()
            if symbol in palette:
                raise GridError(f"{name}:{index}: symbol '{symbol}' defined twice")
            if value == "transparent":
                palette[symbol] = (0, 0, 0, 0)
            else:
                digits = value[1:]
                rgba = [int(digits[i:i + 2], 16) for i in range(0, len(digits), 2)]
                palette[symbol] = tuple(rgba + [255] * (4 - len(rgba)))
            continue
        match = SIZE.match(line)
        if not match:
            raise GridError(f"{name}:{index}: expected a palette line or a size line, got '{line}'")
        size = int(match.group(1))
        if not 1 <= size <= 256:
            raise GridError(f"{name}:{index}: size {size} outside 1..256")
        rows = [row.rstrip() for row in lines[index:index + size]]
        if len(rows) < size:
            raise GridError(f"{name}:{index}: {size} rows expected")
        for number, row in enumerate(rows, index + 1):
            if len(row) != size:
                raise GridError(f"{name}:{number}: row of {len(row)} symbols, {size} expected")
            for symbol in row:
                if symbol not in palette:
                    raise GridError(f"{name}:{number}: symbol '{symbol}' is not in the palette")
        index += size
        if any(existing == size for existing, _ in images):
            raise GridError(f"{name}: size {size} drawn twice")
        images.append((size, [[palette[symbol] for symbol in row] for row in rows]))
    if not images:
        raise GridError(f"{name}: no image")
    return images


def entry(size, pixels):
    """The image data of one entry: BITMAPINFOHEADER, BGRA rows, then the AND mask, bottom-up."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    mask = bytearray()
    mask_stride = ((size + 31) // 32) * 4
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for x, (r, g, b, a) in enumerate(row):
            colour += bytes((b, g, r, a) if a else (0, 0, 0, 0))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(colour) + bytes(mask)


def ico(images):
    images = sorted(images, key=lambda image: image[0])
    data = [entry(size, pixels) for size, pixels in images]
    offset = 6 + 16 * len(images)
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    for (size, _), blob in zip(images, data):
        side = size % 256  # 0 stands for 256
        out += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    for blob in data:
        out += blob
    return bytes(out)


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    source, target = argv[1], argv[2]
    try:
        with open(source, encoding="utf-8") as handle:
            images = parse(handle.read(), source)
    except (OSError, GridError) as error:
        print(f"make-icon: {error}", file=sys.stderr)
        return 1
    with open(target, "wb") as handle:
        handle.write(ico(images))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
