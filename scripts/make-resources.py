#!/usr/bin/env python3
"""Draws the program's own pictures and writes them into resources/:

- NoImage.bmp: the placeholder picture, 75x75, 4 bits per pixel with a 16-colour palette,
  bottom row first; "No Image" lettered by hand (pen strokes below) in blue on white. The file
  is a bitmap file: a 14-byte file header, then the 3,104 bytes of the bitmap itself (40-byte
  header, 64-byte palette, 75 rows of 40 bytes), which is what a resource compiler stores.
- corvina.png and corvina.ico: the program icon, 64x64, 24 bits per pixel.
- drive.png, folder-closed.png, folder-open.png: the 16x16 pictures of the drive box and the
  folder list, drawn pixel by pixel (maps below), 32 bits per pixel with transparency.
- icons/NxN/corvina.png: the same icon drawn at the other sizes of the desktop's icon theme.

Only the standard library is used. Run from anywhere: python3 scripts/make-resources.py
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "resources")


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length2))
    cx, cy = ax + t * dx, ay + t * dy
    return math.hypot(px - cx, py - cy)


def arc(cx, cy, rx, ry, start, end, steps=14):
    """Points of an elliptic arc; angles in degrees, 0 = right, 90 = down."""
    return [(cx + rx * math.cos(math.radians(start + (end - start) * i / steps)),
             cy + ry * math.sin(math.radians(start + (end - start) * i / steps)))
            for i in range(steps + 1)]


# Pen strokes of each letter, in a box whose top-left is (0, 0): capitals 16 high, small letters
# from y = 6 to 16, descender to 21. The strokes lean and wobble a little, as a pen would.
def glyph_strokes(letter):
    if letter == "N":
        return [[(0.5, 16), (1, 0.3)], [(1, 0.3), (9.5, 15.6)], [(9.5, 15.6), (10.2, 0)]]
    if letter == "o":
        return [arc(4.5, 11, 4.2, 5, 0, 360, 20)]
    if letter == "I":
        return [[(2.2, 0.4), (1.8, 16)], [(0, 0.5), (4.2, 0.2)], [(-0.2, 15.8), (4.0, 16)]]
    if letter == "m":
        return [[(0.5, 6.3), (0.5, 16)],
                [(0.5, 9)] + arc(3.4, 9.3, 2.9, 3, 180, 360, 8)[1:] + [(6.3, 16)],
                [(6.3, 9.3)] + arc(9.2, 9.3, 2.9, 3, 180, 360, 8)[1:] + [(12.1, 16)]]
    if letter == "a":
        return [arc(4.2, 11.3, 3.9, 4.7, 0, 360, 20), [(8.1, 6.4), (8.3, 16)]]
    if letter == "g":
        return [arc(4.2, 10.6, 3.9, 4.5, 0, 360, 20),
                [(8.1, 6.2), (8.1, 18)] + arc(4.3, 18, 3.8, 3, 0, 160, 8)[1:]]
    if letter == "e":
        return [[(0.6, 11), (8.2, 11)] + arc(4.4, 11, 3.8, 4.8, 0, -200, 14)[1:]
                + arc(4.4, 11, 3.8, 4.8, 160, 45, 8)[1:]]
    raise ValueError(letter)


ADVANCE = {"N": 13, "o": 11, "I": 6.5, "m": 15, "a": 11, "g": 11, "e": 10.5}


def layout(text, x, y):
    strokes = []
    for letter in text:
        for stroke in glyph_strokes(letter):
            strokes.append([(x + px, y + py) for px, py in stroke])
        x += ADVANCE[letter]
    return strokes


def coverage(strokes, width, height, radius):
    """Ink coverage 0..1 of each pixel for round pens of the given radius."""
    ink = [[0.0] * width for _ in range(height)]
    for row in range(height):
        for col in range(width):
            px, py = col + 0.5, row + 0.5
            best = 99.0
            for stroke in strokes:
                for (ax, ay), (bx, by) in zip(stroke, stroke[1:]):
                    best = min(best, segment_distance(px, py, ax, ay, bx, by))
            ink[row][col] = max(0.0, min(1.0, radius + 0.5 - best))
    return ink


def text_width(text):
    return sum(ADVANCE[c] for c in text) - 2


def make_noimage():
    size = 75
    strokes = layout("No", (size - text_width("No")) / 2, 12)
    strokes += layout("Image", (size - text_width("Image")) / 2, 40)
    ink = coverage(strokes, size, size, 1.1)

    # Palette: index 0 white, index 15 the pen's blue, the rest the steps between them for the
    # soft edges of the strokes. Entries are blue, green, red, 0.
    pen = (0x1E, 0x3C, 0xC8)  # red, green, blue
    palette = b""
    for i in range(16):
        t = i / 15
        r, g, b = (round(255 + (c - 255) * t) for c in pen)
        palette += bytes((b, g, r, 0))
    assert len(palette) == 64

    row_bytes = ((size * 4 + 31) // 32) * 4  # 40
    pixels = b""
    for row in reversed(range(size)):  # bottom row first
        indices = [round(ink[row][col] * 15) for col in range(size)] + [0]
        line = bytes((indices[i] << 4) | indices[i + 1] for i in range(0, size, 2))
        pixels += line + bytes(row_bytes - len(line))
    assert len(pixels) == 3000

    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 4, 0, len(pixels), 3780, 3780, 16, 16)
    dib = info + palette + pixels
    assert len(dib) == 3104
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(dib), 0, 0, 14 + 40 + 64)
    with open(os.path.join(OUT, "NoImage.bmp"), "wb") as f:
        f.write(file_header + dib)


def make_icon_pixels(size=64):
    """The program icon: a white eighth note on a teal tile. Rows from the top, (r, g, b).

    Drawn in a 64-unit square whatever the size; edges stay one pixel soft at every size."""
    unit = 64 / size  # units per pixel

    def soft(inside):  # coverage of a pixel whose centre is `inside` units within an edge
        return max(0.0, min(1.0, inside / unit + 0.5))

    pixels = []
    for row in range(size):
        line = []
        for col in range(size):
            x, y = (col + 0.5) * unit, (row + 0.5) * unit
            # Rounded tile with a soft vertical gradient.
            qx = max(abs(x - 32) - 24, 0.0)
            qy = max(abs(y - 32) - 24, 0.0)
            tile = soft(6 - math.hypot(qx, qy))
            top, bottom = (0x1F, 0x9E, 0x9A), (0x0B, 0x4F, 0x6C)
            base = tuple(round(a + (b - a) * y / 64) for a, b in zip(top, bottom))
            colour = tuple(round(255 * (1 - tile) + c * tile) for c in base)
            # Note head: a tilted ellipse.
            ex, ey = x - 24, y - 45
            angle = math.radians(-25)
            u = ex * math.cos(angle) - ey * math.sin(angle)
            v = ex * math.sin(angle) + ey * math.cos(angle)
            head = max(0.0, min(1.0, (1.0 - math.hypot(u / 9, v / 6.2)) * 6 / unit))
            stem = soft(1.4 - segment_distance(x, y, 31.5, 43, 31.5, 12))
            flag = soft(1.4 - min(
                segment_distance(x, y, px, py, qx2, qy2)
                for (px, py), (qx2, qy2) in zip(FLAG, FLAG[1:])))
            white = max(head, stem, flag) * tile
            line.append(tuple(round(c + (255 - c) * white) for c in colour))
        pixels.append(line)
    return pixels


FLAG = [(31.5, 12), (34, 17), (40, 21), (44, 27), (43, 34), (40, 38)]

# The sizes desktops look for in the hicolor icon theme besides the 64x64 corvina.png: menus and
# panels use 16 to 48, launchers and software centres 128 and 256.
ICON_SIZES = (16, 22, 24, 32, 48, 128, 256)


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(
        ">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def make_png(pixels, path):
    height, width = len(pixels), len(pixels[0])
    raw = b"".join(b"\0" + bytes(c for p in line for c in p) for line in pixels)
    data = (b"\x89PNG\r\n\x1a\n"
            + png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + png_chunk(b"IDAT", zlib.compress(raw, 9))
            + png_chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(data)


# Pixel maps of the controls' pictures: "." transparent, other letters the colours below.
CONTROL_COLOURS = {
    "k": (0x40, 0x40, 0x40), "d": (0x80, 0x80, 0x80), "g": (0xC8, 0xC8, 0xC8),
    "w": (0xF4, 0xF4, 0xF4), "G": (0x20, 0xB0, 0x30), "y": (0xE8, 0xB8, 0x40),
    "Y": (0xF8, 0xDC, 0x80), "b": (0xA0, 0x78, 0x20),
}
CONTROL_PICTURES = {
    "drive.png": [
        "................", "................", "................", "................",
        "..kkkkkkkkkkkk..", ".kwwwwwwwwwwwwk.", ".kwggggggggggdk.", ".kwggggggggggdk.",
        ".kwggggggggggdk.", ".kwgggggggGGgdk.", ".kwggggggggggdk.", ".kdddddddddddddk",
        "..kkkkkkkkkkkkk.", "................", "................", "................",
    ],
    "folder-closed.png": [
        "................", "................", ".bbbbb..........", "bYYYYYb.........",
        "bYYYYYYbbbbbbbb.", "bYYYYYYYYYYYYYYb", "byyyyyyyyyyyyyyb", "byyyyyyyyyyyyyyb",
        "byyyyyyyyyyyyyyb", "byyyyyyyyyyyyyyb", "byyyyyyyyyyyyyyb", "byyyyyyyyyyyyyyb",
        "byyyyyyyyyyyyyyb", "bbbbbbbbbbbbbbbb", "................", "................",
    ],
    "folder-open.png": [
        "................", "................", ".bbbbb..........", "bYYYYYb.........",
        "bYYYYYYbbbbbbb..", "bYYYYYYYYYYYYYb.", "bYYbbbbbbbbbbbbb", "bYbYYYYYYYYYYYYb",
        "bYbYYYYYYYYYYYb.", "bbyyyyyyyyyyyyb.", "bbyyyyyyyyyyyyb.", "byyyyyyyyyyyyb..",
        "byyyyyyyyyyyyb..", "bbbbbbbbbbbbbb..", "................", "................",
    ],
}


def make_control_pictures():
    for name, rows in CONTROL_PICTURES.items():
        raw = b"".join(b"\0" + b"".join(
            bytes(CONTROL_COLOURS[c] + (255,)) if c != "." else bytes(4) for c in row)
            for row in rows)
        data = (b"\x89PNG\r\n\x1a\n"
                + png_chunk(b"IHDR", struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 6, 0, 0, 0))
                + png_chunk(b"IDAT", zlib.compress(raw, 9))
                + png_chunk(b"IEND", b""))
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


def make_ico(pixels):
    height, width = len(pixels), len(pixels[0])
    xor = b"".join(bytes(c for p in line for c in reversed(p)) for line in reversed(pixels))
    mask = bytes(((width + 31) // 32) * 4 * height)  # every pixel opaque
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 24, 0, len(xor) + len(mask),
                         0, 0, 0, 0)
    image = header + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack(
        "<BBBBHHII", width, height, 0, 0, 1, 24, len(image), 6 + 16)
    with open(os.path.join(OUT, "corvina.ico"), "wb") as f:
        f.write(directory + image)


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    make_noimage()
    icon = make_icon_pixels()
    make_png(icon, os.path.join(OUT, "corvina.png"))
    make_ico(icon)
    make_control_pictures()
    for size in ICON_SIZES:
        folder = os.path.join(OUT, "icons", f"{size}x{size}")
        os.makedirs(folder, exist_ok=True)
        make_png(make_icon_pixels(size), os.path.join(folder, "corvina.png"))
