#!/usr/bin/env python3
"""Draws the skins that ship with the program: for each skin a seamless
background tile "<name>.skn" (a 24-bit BMP) and its colour file "<name>.ski"
(menu-text colour, then selected-text colour, as hexadecimal 0x00BBGGRR).

Every pattern is made of functions periodic over the tile, so the tile repeats
without seams. Run it in this folder to rebuild the files; it needs only
Python's standard library and gives the same bytes on every run.
"""
import math
import random
import struct

SIZE = 128
TAU = 2 * math.pi


def write_bmp(path, pixels):
    """pixels[y][x] = (r, g, b), top row first; written bottom-up as BMP wants."""
    row_bytes = SIZE * 3  # 384: already a multiple of four
    image = bytearray()
    for y in reversed(range(SIZE)):
        for r, g, b in pixels[y]:
            image += bytes((b, g, r))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(image), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, len(image), 2835, 2835, 0, 0)
    with open(path, "wb") as out:
        out.write(header + info + image)
    assert row_bytes % 4 == 0


def write_ski(path, menu_text, selected_text):
    def colorref(rgb):
        r, g, b = rgb
        return "%06X" % (r | g << 8 | b << 16)

    with open(path, "w", newline="\r\n") as out:
        out.write(colorref(menu_text) + "\n" + colorref(selected_text) + "\n")


def clamp(value):
    return max(0, min(255, int(round(value))))


def mix(a, b, t):
    return tuple(clamp(x + (y - x) * t) for x, y in zip(a, b))


def wrapped_distance(x, y, cx, cy):
    dx = min(abs(x - cx), SIZE - abs(x - cx))
    dy = min(abs(y - cy), SIZE - abs(y - cy))
    return math.hypot(dx, dy)


def plum_fairy():
    """Soft plum folds with scattered fairy-dust sparkles."""
    light, deep = (226, 196, 230), (178, 126, 190)
    rng = random.Random(7)
    sparkles = [(rng.uniform(0, SIZE), rng.uniform(0, SIZE), rng.uniform(1.2, 2.6)) for _ in range(14)]
    pixels = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            u, v = x / SIZE, y / SIZE
            fold = 0.5 + 0.25 * math.sin(TAU * (u + 2 * v)) + 0.25 * math.sin(TAU * (3 * u - v) + 1.3)
            colour = mix(deep, light, fold)
            for cx, cy, radius in sparkles:
                d = wrapped_distance(x, y, cx, cy)
                dx = min(abs(x - cx), SIZE - abs(x - cx))
                dy = min(abs(y - cy), SIZE - abs(y - cy))
                # A small four-pointed star: bright core, thin rays.
                glow = max(0.0, 1 - d / radius) + 0.6 * max(0.0, 1 - (dx * dy) / 1.2) * max(0.0, 1 - d / (radius * 2.5))
                if glow > 0:
                    colour = mix(colour, (255, 250, 255), min(1.0, glow))
            row.append(colour)
        pixels.append(row)
    return pixels, (72, 20, 84), (176, 0, 120)


def sea_glass():
    """Pale teal water with crossing ripples."""
    shallow, deep = (196, 232, 226), (120, 184, 184)
    pixels = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            u, v = x / SIZE, y / SIZE
            ripple = (math.sin(TAU * (2 * u + math.sin(TAU * v) * 0.15)) + math.sin(TAU * (3 * v + math.sin(TAU * 2 * u) * 0.1))) / 4 + 0.5
            crest = max(0.0, math.sin(TAU * (2 * u + 3 * v)) - 0.85) * 4
            colour = mix(deep, shallow, ripple)
            row.append(mix(colour, (240, 252, 250), crest))
        pixels.append(row)
    return pixels, (16, 64, 72), (0, 64, 176)


def autumn_paper():
    """Warm, slightly grained paper with faint ruled lines."""
    paper, shade = (240, 222, 184), (212, 180, 130)
    rng = random.Random(11)
    grain = [[rng.random() for _ in range(SIZE)] for _ in range(SIZE)]
    pixels = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            u, v = x / SIZE, y / SIZE
            blotch = 0.5 + 0.3 * math.sin(TAU * (u + v)) * math.sin(TAU * (2 * u - v))
            # Grain smoothed with its wrapped neighbours.
            g = (grain[y][x] + grain[y][(x + 1) % SIZE] + grain[(y + 1) % SIZE][x]) / 3
            colour = mix(paper, shade, 0.35 * blotch + 0.25 * g)
            if y % 16 == 15:
                colour = mix(colour, (170, 120, 90), 0.35)
            row.append(colour)
        pixels.append(row)
    return pixels, (96, 40, 8), (160, 32, 0)


SKINS = {
    "Plum Fairy": plum_fairy,
    "Sea Glass": sea_glass,
    "Autumn Paper": autumn_paper,
}

if __name__ == "__main__":
    for name, draw in SKINS.items():
        pixels, menu_text, selected_text = draw()
        write_bmp(name + ".skn", pixels)
        write_ski(name + ".ski", menu_text, selected_text)
        print("wrote", name)
