#!/usr/bin/env python3
"""Draws res/Tollivane.ico: a power switch on a night-blue tile.

The icon is drawn from a few shapes rather than from an image, so that it can
be rebuilt byte for byte from this script alone:

    python3 tools/make_icon.py res/Tollivane.ico

Images: 32 x 32 in the 16 colours of the standard VGA palette (what older
shells show, and the large icon at 96 DPI); 16, 20, 24, 40 and 48 pixels
square with an alpha channel, so that the caption, the taskbar and Alt+Tab
find an exact size at 96, 120 and 144 DPI (small icons 16, 20, 24; large ones
32, 40, 48) instead of resampling a neighbour; and 256 x 256. The 16, 32 and 48
pixel images are bitmaps, which every loader reads: Windows XP cannot read the
others, and at its usual sizes asks for these three (the 48 for Explorer's
tiles). The others are stored as PNG, which Windows reads at any size since Vista, so that the extra
sizes cost the executable a few KiB rather than twenty.
"""

import math
import struct
import sys
import zlib

# The shapes, in a unit square with y growing downwards.
TILE_MARGIN = 0.03
TILE_RADIUS = 0.19
RING_CENTRE = (0.5, 0.55)
RING_RADIUS = 0.255
RING_HALF_WIDTH = 0.055
RING_GAP_DEGREES = 38  # either side of straight up
BAR_HALF_WIDTH = 0.055
BAR_TOP = 0.17
BAR_BOTTOM = 0.53

# Layers, bottom to top, with the colour each has in the full-colour images
# and its index in the 16-colour one.
OUTSIDE, TILE, RING, BAR = range(4)
VGA_PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
VGA_INDEX = {OUTSIDE: 0, TILE: 4, RING: 15, BAR: 11}


def tile_colour(y):
    """A gentle top-to-bottom gradient keeps the large sizes from looking flat."""
    top, bottom = (44, 78, 138), (16, 32, 68)
    return tuple(round(t + (b - t) * y) for t, b in zip(top, bottom))


RING_COLOUR = (236, 241, 248)
BAR_COLOUR = (255, 196, 0)


def inside_rounded_square(x, y):
    lo, hi = TILE_MARGIN, 1.0 - TILE_MARGIN
    if not (lo <= x <= hi and lo <= y <= hi):
        return False
    r = TILE_RADIUS
    cx = min(max(x, lo + r), hi - r)
    cy = min(max(y, lo + r), hi - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def inside_ring(x, y):
    dx, dy = x - RING_CENTRE[0], y - RING_CENTRE[1]
    distance = math.hypot(dx, dy)
    if abs(distance - RING_RADIUS) > RING_HALF_WIDTH:
        return False
    # Angle from straight up, in degrees.
    angle = math.degrees(math.atan2(dx, -dy))
    if abs(angle) >= RING_GAP_DEGREES:
        return True
    # Round the ring's two ends.
    for side in (-1, 1):
        a = math.radians(side * RING_GAP_DEGREES)
        ex = RING_CENTRE[0] + RING_RADIUS * math.sin(a)
        ey = RING_CENTRE[1] - RING_RADIUS * math.cos(a)
        if math.hypot(x - ex, y - ey) <= RING_HALF_WIDTH:
            return True
    return False


def inside_bar(x, y):
    cx = 0.5
    if abs(x - cx) > BAR_HALF_WIDTH:
        return False
    if BAR_TOP <= y <= BAR_BOTTOM:
        return True
    for end in (BAR_TOP, BAR_BOTTOM):
        if math.hypot(x - cx, y - end) <= BAR_HALF_WIDTH:
            return True
    return False


def layer_at(x, y):
    if not inside_rounded_square(x, y):
        return OUTSIDE
    if inside_bar(x, y):
        return BAR
    if inside_ring(x, y):
        return RING
    return TILE


def colour_of(layer, y):
    if layer == TILE:
        return tile_colour(y)
    if layer == RING:
        return RING_COLOUR
    if layer == BAR:
        return BAR_COLOUR
    return (0, 0, 0)


def render_rgba(size, samples=4):
    """Rows top to bottom of (r, g, b, a), anti-aliased by supersampling."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) / size
                    y = (py + (sy + 0.5) / samples) / size
                    layer = layer_at(x, y)
                    if layer == OUTSIDE:
                        continue
                    r, g, b = colour_of(layer, y)
                    acc[0] += r
                    acc[1] += g
                    acc[2] += b
                    acc[3] += 1
            n = samples * samples
            if acc[3] == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((round(acc[0] / acc[3]), round(acc[1] / acc[3]),
                            round(acc[2] / acc[3]), round(255 * acc[3] / n)))
        rows.append(row)
    return rows


def render_layers(size):
    """Rows top to bottom of the layer at each pixel's centre, for 16 colours."""
    return [[layer_at((px + 0.5) / size, (py + 0.5) / size) for px in range(size)]
            for py in range(size)]


def and_mask(size, transparent):
    """1 bit per pixel, rows bottom-up, each padded to 32 bits."""
    stride = ((size + 31) // 32) * 4
    data = bytearray()
    for py in reversed(range(size)):
        row = bytearray(stride)
        for px in range(size):
            if transparent(px, py):
                row[px // 8] |= 0x80 >> (px % 8)
        data += row
    return bytes(data)


def bitmap_header(size, bits, image_bytes, colours):
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, image_bytes, 0, 0,
                       colours, 0)


def dib_32(size):
    rows = render_rgba(size)
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    mask = and_mask(size, lambda px, py: rows[py][px][3] == 0)
    return bitmap_header(size, 32, len(pixels) + len(mask), 0) + bytes(pixels) + mask


def dib_4(size):
    layers = render_layers(size)
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in VGA_PALETTE)
    stride = ((size * 4 + 31) // 32) * 4
    pixels = bytearray()
    for row in reversed(layers):
        line = bytearray(stride)
        for px, layer in enumerate(row):
            index = VGA_INDEX[layer]
            line[px // 2] |= index << 4 if px % 2 == 0 else index
        pixels += line
    mask = and_mask(size, lambda px, py: layers[py][px] == OUTSIDE)
    return bitmap_header(size, 4, len(pixels) + len(mask), 16) + palette + bytes(pixels) + mask


def png(size, samples=3):
    rows = render_rgba(size, samples=samples)
    raw = b"".join(b"\x00" + b"".join(bytes(p) for p in row) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def icon():
    # (size, bits per pixel, colour count, image bytes)
    images = [
        (16, 32, 0, dib_32(16)),
        (20, 32, 0, png(20, samples=4)),
        (24, 32, 0, png(24, samples=4)),
        (32, 4, 16, dib_4(32)),
        (40, 32, 0, png(40, samples=4)),
        (48, 32, 0, dib_32(48)),
        (256, 32, 0, png(256)),
    ]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, bits, colours, data in images:
        dimension = 0 if size == 256 else size
        out += struct.pack("<BBBBHHII", dimension, dimension, colours, 0, 1, bits, len(data),
                           offset)
        offset += len(data)
    return out + b"".join(data for *_, data in images)


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else "res/Tollivane.ico"
    with open(path, "wb") as f:
        f.write(icon())


if __name__ == "__main__":
    main()
