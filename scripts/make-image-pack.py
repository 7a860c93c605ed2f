#!/usr/bin/env python3
"""Draws the framework's image pack (resource 175, RCDATA) from simple shapes and writes it.
Needs only the Python standard library; the output is the same byte for byte on every run.

  make-image-pack.py PACK           writes the pack
  make-image-pack.py --check PACK   exits 1 when PACK differs from what this script draws

The pack: a 32-bit count, the end offset of each entry counted from the data area that follows
the table, then the entries. Each entry starts with its kind, the CRC-32 of "9patch" or
"bitmap"; a nine-patch then holds its stretch bounds (left, top, right, bottom: the stretchable
centre) and content paddings (left, top, right, bottom) before its PNG. Every image is 8-bit
RGBA, not interlaced; the PNGs hold their pixels in stored (uncompressed) deflate blocks, so no
compressor version changes the bytes.
"""
import struct
import sys
import zlib

NINE_PATCH = zlib.crc32(b"9patch")
BITMAP = zlib.crc32(b"bitmap")


class Canvas:
    """RGBA pixels, painted with straight (not premultiplied) alpha, source over."""

    def __init__(self, width, height):
        self.width, self.height = width, height
        self.pixels = [[(0, 0, 0, 0)] * width for _ in range(height)]

    def blend(self, x, y, colour):
        r, g, b, a = colour
        if not (0 <= x < self.width and 0 <= y < self.height) or a == 0:
            return
        dr, dg, db, da = self.pixels[y][x]
        out = a * 255 + da * (255 - a)  # alpha x 255 x 255
        if out == 0:
            return
        mix = lambda s, d: (s * a * 255 + d * da * (255 - a) + out // 2) // out
        self.pixels[y][x] = (mix(r, dr), mix(g, dg), mix(b, db), (out + 127) // 255)

    def fill(self, left, top, right, bottom, colour):
        for y in range(top, bottom):
            for x in range(left, right):
                self.blend(x, y, colour)

    def frame(self, left, top, right, bottom, colour, corner_alpha=None):
        """A one-pixel frame inside the rectangle; its corner pixels softened when asked."""
        for x in range(left, right):
            for y in (top, bottom - 1):
                self.blend(x, y, colour)
        for y in range(top + 1, bottom - 1):
            for x in (left, right - 1):
                self.blend(x, y, colour)
        if corner_alpha is not None:
            for x, y in ((left, top), (right - 1, top), (left, bottom - 1), (right - 1, bottom - 1)):
                self.pixels[y][x] = colour[:3] + (corner_alpha,)

    def shadow(self, left, top, right, bottom, strength):
        """A soft shadow of the rectangle: its mask blurred by a 3 x 3 box, in black."""
        mask = [[1 if left <= x < right and top <= y < bottom else 0 for x in range(self.width)]
                for y in range(self.height)]
        for y in range(self.height):
            for x in range(self.width):
                total = sum(mask[j][i] for j in range(y - 1, y + 2) for i in range(x - 1, x + 2)
                            if 0 <= i < self.width and 0 <= j < self.height)
                self.blend(x, y, (0, 0, 0, total * strength // 9))


def panel(fill, frame, highlight):
    """38 x 38: a light panel with a rounded 1-pixel frame over a soft shadow to the lower right."""
    canvas = Canvas(38, 38)
    canvas.shadow(2, 2, 37, 36, 72)
    canvas.fill(1, 1, 36, 35, fill)
    canvas.fill(2, 2, 35, 3, highlight)
    canvas.frame(1, 1, 36, 35, frame, corner_alpha=110)
    return canvas


def small_frame(fill, frame, inner):
    """32 x 32: a square frame with an inner line."""
    canvas = Canvas(32, 32)
    canvas.fill(0, 0, 32, 32, fill)
    canvas.frame(1, 1, 31, 31, inner)
    canvas.frame(0, 0, 32, 32, frame)
    return canvas


def grip():
    """16 x 16: the dots of a resize grip, lower right."""
    canvas = Canvas(16, 16)
    for row in range(4):
        for column in range(row + 1):
            x, y = 13 - 3 * column, 4 + 3 * row
            canvas.fill(x, y, x + 2, y + 2, (255, 255, 255, 255))
            canvas.fill(x, y, x + 1, y + 1, (128, 128, 128, 255))
    return canvas


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def stored_deflate(raw):
    """A zlib stream of stored blocks: no compressor involved."""
    out = bytearray(b"\x78\x01")
    blocks = [raw[i:i + 65535] for i in range(0, len(raw), 65535)] or [b""]
    for index, block in enumerate(blocks):
        final = 1 if index == len(blocks) - 1 else 0
        out += struct.pack("<BHH", final, len(block), len(block) ^ 0xFFFF) + block
    return bytes(out + struct.pack(">I", zlib.adler32(raw)))


def png(canvas):
    raw = bytearray()
    for row in canvas.pixels:
        raw.append(0)  # no filter
        for pixel in row:
            raw += bytes(pixel)
    header = struct.pack(">IIBBBBB", canvas.width, canvas.height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", stored_deflate(bytes(raw))) +
            chunk(b"IEND", b""))


def nine_patch(canvas, stretch, padding):
    return struct.pack("<I8i", NINE_PATCH, *stretch, *padding) + png(canvas)


def pack():
    entries = [
        # The hint window's background.
        nine_patch(panel((251, 251, 248, 255), (150, 150, 146, 255), (255, 255, 255, 255)),
                   (4, 3, 34, 33), (10, 5, 10, 7)),
        nine_patch(panel((255, 248, 222, 255), (184, 164, 106, 255), (255, 253, 240, 255)),
                   (4, 3, 34, 33), (11, 5, 11, 7)),
        nine_patch(small_frame((240, 240, 240, 255), (122, 122, 122, 255), (255, 255, 255, 255)),
                   (3, 3, 29, 29), (3, 3, 3, 3)),
        nine_patch(small_frame((228, 234, 242, 255), (90, 110, 140, 255), (200, 210, 224, 255)),
                   (3, 3, 29, 29), (3, 3, 3, 3)),
        struct.pack("<I", BITMAP) + png(grip()),
    ]
    table = bytearray(struct.pack("<I", len(entries)))
    end = 0
    for entry in entries:
        end += len(entry)
        table += struct.pack("<I", end)
    return bytes(table) + b"".join(entries)


def main(argv):
    if len(argv) == 2 and not argv[1].startswith("-"):
        with open(argv[1], "wb") as handle:
            handle.write(pack())
        return 0
    if len(argv) == 3 and argv[1] == "--check":
        try:
            with open(argv[2], "rb") as handle:
                current = handle.read()
        except OSError as error:
            print(f"make-image-pack: {error}", file=sys.stderr)
            return 1
        if current != pack():
            print(f"make-image-pack: {argv[2]} is not what this script draws; run it again", file=sys.stderr)
            return 1
        return 0
    print(__doc__.strip(), file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
