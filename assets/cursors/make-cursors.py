#!/usr/bin/env python3
"""Draws the view's 18 cursor pictures (32x32 RGBA PNG): white strokes with a one-pixel black outline."""
import math
import os
import struct
import zlib

N = 32


class Pic:
    def __init__(self):
        self.white = set()
        self.black = set()

    def dot(self, x, y, r=0):
        for dy in range(-r, r + 1):
            for dx in range(-r, r + 1):
                if 0 <= x + dx < N and 0 <= y + dy < N:
                    self.white.add((x + dx, y + dy))

    def line(self, x0, y0, x1, y1, r=0):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            self.dot(round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps), r)

    def ring(self, cx, cy, radius, r=0):
        for i in range(180):
            a = 2 * math.pi * i / 180
            self.dot(round(cx + radius * math.cos(a)), round(cy + radius * math.sin(a)), r)

    def box(self, x0, y0, x1, y1):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.dot(x, y)

    def ink(self, x, y):
        self.black.add((x, y))

    def arrow_head(self, x, y, dx, dy, size=4):
        # Filled triangle pointing along (dx, dy) with its tip at (x, y).
        px, py = -dy, dx
        for s in range(size + 1):
            for t in range(-s, s + 1):
                self.dot(x - dx * s + px * t, y - dy * s + py * t)

    def png(self):
        rows = []
        for y in range(N):
            row = bytearray([0])
            for x in range(N):
                if (x, y) in self.black:
                    row += bytes([0, 0, 0, 255])
                elif (x, y) in self.white:
                    row += bytes([255, 255, 255, 255])
                elif any((x + dx, y + dy) in self.white for dx in (-1, 0, 1) for dy in (-1, 0, 1)):
                    row += bytes([0, 0, 0, 255])
                else:
                    row += bytes([0, 0, 0, 0])
            rows.append(bytes(row))

        def chunk(tag, data):
            return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)

        ihdr = struct.pack(">IIBBBBB", N, N, 8, 6, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) +
                chunk(b"IEND", b""))


def magnifier(sign):
    p = Pic()
    p.ring(12, 12, 8, 0)
    p.line(18, 18, 27, 27, 1)
    p.line(8, 12, 16, 12)
    if sign == "+":
        p.line(12, 8, 12, 16)
    return p


def cross(gap, r=0):
    p = Pic()
    for a, b in ((2, 15 - gap), (15 + gap, 28)):
        p.line(a, 15, b, 15, r)
        p.line(15, a, 15, b, r)
    return p


def with_sign(p, sign):
    p.line(21, 25, 29, 25)
    if sign == "+":
        p.line(25, 21, 25, 29)
    return p


def eraser():
    p = Pic()
    for i in range(9):
        p.line(4 + i, 20 + i // 3, 18 + i, 6 + i // 3, 0)
    p.line(4, 22, 10, 28)
    return p


def hand():
    p = Pic()
    p.box(9, 14, 22, 25)
    for x, top in ((9, 8), (13, 5), (17, 5), (21, 8)):
        p.box(x, top, x + 2, 14)
    p.line(8, 18, 4, 13, 1)
    for x in (12, 16, 20):
        p.ink(x, 10)
        p.ink(x, 12)
    return p


def pen():
    p = Pic()
    p.line(6, 25, 24, 7, 1)
    p.line(3, 28, 6, 25)
    return p


def arrows(dirs):
    p = Pic()
    for dx, dy in dirs:
        p.line(15, 15, 15 + dx * 11, 15 + dy * 11)
        p.arrow_head(15 + dx * 12, 15 + dy * 12, dx, dy, 3)
    return p


def cross2(sign=None):
    p = cross(3)
    p.box(14, 14, 16, 16)
    return with_sign(p, sign) if sign else p


# Name, picture, hot spot; the order is that of the cursor ids 1778 ... 1795.
CURSORS = [
    ("ZOOMMENO", magnifier("-"), (12, 12)),
    ("ZOOMPIU", magnifier("+"), (12, 12)),
    ("CROCE", cross(0), (15, 15)),
    ("GOMMA", eraser(), (5, 26)),
    ("MANO", hand(), (15, 15)),
    ("PENNA", pen(), (3, 28)),
    ("CROCE1", cross(0, 1), (15, 15)),
    ("CROCE3", cross(3), (15, 15)),
    ("MOVE2", arrows([(1, -1), (-1, 1)]), (15, 15)),
    ("MOVEY", arrows([(0, -1), (0, 1)]), (15, 15)),
    ("MOVE1", arrows([(-1, -1), (1, 1)]), (15, 15)),
    ("MOVEX", arrows([(-1, 0), (1, 0)]), (15, 15)),
    ("MOVE", arrows([(-1, 0), (1, 0), (0, -1), (0, 1)]), (15, 15)),
    ("CROCE3+", with_sign(cross(3), "+"), (15, 15)),
    ("CROCE3-", with_sign(cross(3), "-"), (15, 15)),
    ("CROCE2", cross2(), (15, 15)),
    ("CROCE2+", cross2("+"), (15, 15)),
    ("CROCE2-", cross2("-"), (15, 15)),
]

if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    for name, pic, _ in CURSORS:
        with open(os.path.join(here, name + ".png"), "wb") as f:
            f.write(pic.png())
    with open(os.path.join(here, "cursors.qrc"), "w") as f:
        f.write('<!DOCTYPE RCC>\n<RCC version="1.0">\n<qresource prefix="/cursors">\n')
        for name, _, _ in CURSORS:
            f.write(f'  <file>{name}.png</file>\n')
        f.write("</qresource>\n</RCC>\n")
