#!/usr/bin/env python3
"""Draws Pelmar's images into this directory: the four 16 x 15 toolbar buttons (Open,
Settings, Clear Window, About) in the 16 colours of the classic palette, and the main icon
Pelmar.png (48 x 48). The PNG files are kept in the repository; this script is not part of
the build. Run it again after changing a drawing:  python3 resources/draw-images.py
"""

import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

PALETTE = {
    ".": None,
    "K": (0, 0, 0), "R": (128, 0, 0), "G": (0, 128, 0), "O": (128, 128, 0),
    "N": (0, 0, 128), "P": (128, 0, 128), "T": (0, 128, 128), "S": (192, 192, 192),
    "D": (128, 128, 128), "r": (255, 0, 0), "g": (0, 255, 0), "Y": (255, 255, 0),
    "B": (0, 0, 255), "F": (255, 0, 255), "A": (0, 255, 255), "W": (255, 255, 255),
}


class Canvas:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.pixels = [[(0, 0, 0, 0)] * width for _ in range(height)]

    def set(self, x, y, colour, alpha=255):
        if 0 <= x < self.width and 0 <= y < self.height and colour is not None:
            self.pixels[y][x] = (*colour, alpha)

    def grid(self, rows, x0=0, y0=0):
        for y, row in enumerate(rows):
            for x, key in enumerate(row):
                self.set(x0 + x, y0 + y, PALETTE[key])

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, colour)

    def line(self, x0, y0, x1, y1, colour):
        steps = max(abs(x1 - x0), abs(y1 - y0))
        for i in range(steps + 1):
            t = i / steps if steps else 0
            self.set(round(x0 + (x1 - x0) * t), round(y0 + (y1 - y0) * t), colour)

    def disc(self, cx, cy, radius, colour):
        for y in range(self.height):
            for x in range(self.width):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= radius * radius:
                    self.set(x, y, colour)

    def save(self, name):
        raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in self.pixels)

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 6, 0, 0, 0)
        with open(os.path.join(HERE, name), "wb") as out:
            out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                      chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def toolbar_open():
    c = Canvas(16, 15)
    c.grid([
        "............B...",
        "...........BBB..",
        "..........BBBBB.",
        ".........BBBBBBB",
        ".OOOO......BBB..",
        "OYYYYO.....BBB..",
        "OYYYYYOOOOOOOOO.",
        "OYWWWWWWWWWWWYO.",
        "OYYYYYYYYYYYYYO.",
        "OYYYYYYYYYYYYYO.",
        "OYYYYYYYYYYYYYO.",
        "OYYYYYYYYYYYYYO.",
        "OYYYYYYYYYYYYYO.",
        "OOOOOOOOOOOOOOO.",
        "................",
    ])
    c.save("toolbar-open.png")


def toolbar_settings():
    c = Canvas(16, 15)
    c.grid([
        "................",
        ".KKKKKKKKKKKKKK.",
        ".KWWWWWWWWWWWWK.",
        ".KWWWWWWNNWWWWK.",
        ".KWDDDDDBBDDDWK.",
        ".KWWWWWWNNWWWWK.",
        ".KWWNNWWWWWWWWK.",
        ".KWDBBDDDDDDDWK.",
        ".KWWNNWWWWWWWWK.",
        ".KWWWWWWWWWNNWK.",
        ".KWDDDDDDDDBBWK.",
        ".KWWWWWWWWWNNWK.",
        ".KWWWWWWWWWWWWK.",
        ".KKKKKKKKKKKKKK.",
        "................",
    ])
    c.save("toolbar-settings.png")


def toolbar_clear():
    c = Canvas(16, 15)
    c.grid([
        "................",
        ".KKKKKKKKKK.....",
        ".KWWWWWWWWK.....",
        ".KWDDDDDDWK.....",
        ".KWWWWWWWWK.....",
        ".KWDDDDDWWK.....",
        ".KWWWWWWWWK.....",
        ".KWDDDDDDWK.....",
        ".KWWWWWWWWK.....",
        ".KWDDDDWWWK.....",
        ".KWWWWWWWWK.....",
        ".KKKKKKKKKK.....",
        "................",
        "................",
        "................",
    ])
    red = PALETTE["r"]
    for d in range(6):
        for w in (0, 1):
            c.set(9 + d + w, 7 + d, red)
            c.set(14 - d + w, 7 + d, red)
    c.save("toolbar-clear.png")


def toolbar_about():
    c = Canvas(16, 15)
    c.disc(8, 7.5, 7.2, PALETTE["N"])
    c.disc(8, 7.5, 6.2, PALETTE["B"])
    white = PALETTE["W"]
    c.rect(7, 3, 8, 4, white)
    c.rect(7, 6, 8, 11, white)
    c.rect(6, 6, 6, 6, white)
    c.rect(6, 11, 9, 11, white)
    c.save("toolbar-about.png")


def main_icon():
    c = Canvas(48, 48)
    navy, frame = (24, 48, 110), (12, 26, 66)
    # A rounded dark square.
    for y in range(48):
        for x in range(48):
            dx = max(0, 6 - x, x - 41)
            dy = max(0, 6 - y, y - 41)
            if dx * dx + dy * dy <= 36:
                c.set(x, y, frame)
            if dx * dx + dy * dy <= 25 and 1 <= x <= 46 and 1 <= y <= 46:
                c.set(x, y, navy)
    grid = (52, 80, 140)
    for y in (12, 20, 28, 36):
        c.line(5, y, 42, y, grid)
    # Candles rising left to right: wick, then the body from open to close.
    candles = [(9, 29, 39, 36, 31), (16, 25, 36, 30, 27), (23, 26, 35, 27, 32),
               (30, 16, 31, 28, 19), (37, 8, 22, 18, 11)]
    for x, top, bottom, open_y, close_y in candles:
        rising = close_y < open_y
        colour = (120, 230, 120) if rising else (240, 110, 100)
        c.rect(x + 2, top, x + 2, bottom, (230, 230, 240))
        c.rect(x, min(open_y, close_y), x + 4, max(open_y, close_y), colour)
    # The trend the candles follow.
    for offset in (0, 1):
        c.line(5, 42 + offset, 43, 27 + offset, (255, 214, 60))
    c.save("Pelmar.png")


if __name__ == "__main__":
    toolbar_open()
    toolbar_settings()
    toolbar_clear()
    toolbar_about()
    main_icon()
