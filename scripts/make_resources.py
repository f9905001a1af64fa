#!/usr/bin/env python3
"""Writes the editor's binary resources: the icon, the two toolbar strips, the
completion chime, and the help file's project and table of contents (HTML Help
reads those two in the Japanese code page, so they are written in Shift-JIS).

Pure Python, no image libraries: the outputs are committed, so the build never
runs this script. Run it again after changing a picture:
    python3 scripts/make_resources.py [output folder, default resources/]
"""
import math
import os
import struct
import sys

OUT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources")

# Colours of the toolbar strips. White is the background: the toolbar draws it
# in the button face colour, so anything meant to look white uses PAPER.
WHITE = (255, 255, 255)
PAPER = (250, 250, 246)
BLACK = (0, 0, 0)
DARK_GREY = (96, 96, 96)
GREY = (160, 160, 160)
LIGHT_GREY = (208, 208, 208)
RED = (214, 32, 32)
DARK_RED = (140, 16, 16)
BLUE = (40, 84, 200)
DARK_BLUE = (20, 40, 120)
LIGHT_BLUE = (150, 190, 240)
SKY = (200, 222, 250)
YELLOW = (250, 214, 80)
DARK_YELLOW = (190, 140, 30)
GREEN = (30, 150, 50)
PALETTE = [WHITE, PAPER, BLACK, DARK_GREY, GREY, LIGHT_GREY, RED, DARK_RED, BLUE, DARK_BLUE,
           LIGHT_BLUE, SKY, YELLOW, DARK_YELLOW, GREEN]


class Canvas:
    """A picture of RGB(A) pixels with a few drawing primitives on pixel centres."""

    def __init__(self, width, height, background=WHITE):
        self.width, self.height = width, height
        self.pixels = [[background for _ in range(width)] for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, colour)

    def frame(self, x0, y0, x1, y1, colour):
        self.line(x0, y0, x1, y0, colour)
        self.line(x1, y0, x1, y1, colour)
        self.line(x1, y1, x0, y1, colour)
        self.line(x0, y1, x0, y0, colour)

    def line(self, x0, y0, x1, y1, colour):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.put(x0, y0, colour)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def polygon(self, points, colour, outline=None):
        for y in range(self.height):
            cy = y + 0.5
            crossings = []
            for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
                if (ay <= cy < by) or (by <= cy < ay):
                    crossings.append(ax + (cy - ay) * (bx - ax) / (by - ay))
            crossings.sort()
            for left, right in zip(crossings[::2], crossings[1::2]):
                for x in range(math.ceil(left - 0.5), math.floor(right - 0.5) + 1):
                    self.put(x, y, colour)
        if outline is not None:
            for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
                self.line(round(ax), round(ay), round(bx), round(by), outline)

    def disc(self, cx, cy, r, colour):
        for y in range(self.height):
            for x in range(self.width):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                    self.put(x, y, colour)

    def ring(self, cx, cy, r, width, colour, start=0.0, end=360.0):
        for y in range(self.height):
            for x in range(self.width):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                angle = math.degrees(math.atan2(cy - (y + 0.5), x + 0.5 - cx)) % 360.0
                inside = start <= angle <= end if start <= end else (angle >= start or angle <= end)
                if abs(d - r) <= width / 2 and inside:
                    self.put(x, y, colour)

    def glyph(self, x0, y0, rows, colour):
        for dy, row in enumerate(rows):
            for dx, c in enumerate(row):
                if c == "#":
                    self.put(x0 + dx, y0 + dy, colour)

    def paste(self, other, x0, y0):
        for y in range(other.height):
            for x in range(other.width):
                self.put(x0 + x, y0 + y, other.pixels[y][x])


# --- The toolbar pictures, 20 x 20 each --------------------------------------

def blank_page():
    c = Canvas(20, 20)
    c.polygon([(4, 1), (12.5, 1), (16, 4.5), (16, 19), (4, 19)], PAPER)
    c.line(4, 1, 12, 1, BLACK)
    c.line(12, 1, 16, 5, BLACK)
    c.line(16, 5, 16, 18, BLACK)
    c.line(16, 18, 4, 18, BLACK)
    c.line(4, 18, 4, 1, BLACK)
    c.line(12, 1, 12, 5, DARK_GREY)
    c.line(12, 5, 16, 5, DARK_GREY)
    return c


def open_folder():
    c = Canvas(20, 20)
    c.polygon([(1, 4), (7, 4), (9, 6), (16, 6), (16, 17), (1, 17)], DARK_YELLOW)
    c.polygon([(4, 9), (19, 9), (16, 17), (1, 17)], YELLOW, DARK_YELLOW)
    c.line(1, 4, 7, 4, BLACK)
    c.line(7, 4, 9, 6, BLACK)
    c.line(9, 6, 15, 6, BLACK)
    c.line(1, 4, 1, 17, BLACK)
    c.line(1, 17, 16, 17, BLACK)
    c.line(16, 17, 19, 9, BLACK)
    c.line(19, 9, 4, 9, BLACK)
    c.line(4, 9, 1, 16, BLACK)
    return c


def floppy_disk():
    c = Canvas(20, 20)
    c.polygon([(2, 2), (16, 2), (18, 4), (18, 18), (2, 18)], BLUE, DARK_BLUE)
    c.rect(6, 2, 14, 7, LIGHT_GREY)
    c.rect(11, 3, 12, 6, DARK_GREY)
    c.frame(6, 2, 14, 7, DARK_BLUE)
    c.rect(5, 10, 15, 17, PAPER)
    c.line(6, 12, 14, 12, GREY)
    c.line(6, 14, 14, 14, GREY)
    c.frame(5, 10, 15, 18, DARK_BLUE)
    return c


def open_cube():
    """A cube seen from above right whose front face is missing."""
    c = Canvas(20, 20)
    f0, f1 = (2, 7), (13, 18)      # front square: left top, right bottom
    o = 5                          # depth offset up and to the right
    b0, b1 = (f0[0] + o, f0[1] - o), (f1[0] + o, f1[1] - o)
    # inside, seen through the open front
    c.polygon([(b0[0], b0[1]), (b1[0], b0[1]), (b1[0], b1[1]), (b0[0], b1[1])], GREY)         # back
    c.polygon([(f0[0], f0[1]), (b0[0], b0[1]), (b0[0], b1[1]), (f0[0], f1[1])], LIGHT_GREY)   # left wall
    c.polygon([(f0[0], f1[1]), (b0[0], b1[1]), (b1[0], b1[1]), (f1[0], f1[1])], DARK_GREY)    # floor
    c.line(b0[0], b0[1], b0[0], b1[1], BLACK)
    c.line(b0[0], b1[1], b1[0], b1[1], BLACK)
    c.line(f0[0], f1[1], b0[0], b1[1], BLACK)
    # outside: the top and the right face hide what lies behind them
    c.polygon([(f0[0], f0[1]), (b0[0], b0[1]), (b1[0], b0[1]), (f1[0], f0[1])], LIGHT_BLUE, BLACK)
    c.polygon([(f1[0], f0[1]), (b1[0], b0[1]), (b1[0], b1[1]), (f1[0], f1[1])], BLUE, BLACK)
    c.frame(f0[0], f0[1], f1[0], f1[1], BLACK)
    return c


LETTER_M = [
    "#...#",
    "##.##",
    "#.#.#",
    "#.#.#",
    "#...#",
    "#...#",
    "#...#",
]


def rotate_about_centre():
    c = Canvas(20, 20)
    c.ring(10, 10, 7.5, 2.2, BLUE, 30, 170)
    c.ring(10, 10, 7.5, 2.2, BLUE, 210, 350)
    # arrow heads at the ends of both arcs, pointing round anticlockwise
    c.polygon([(1.5, 9), (6.5, 9), (4, 13)], BLUE)
    c.polygon([(13.5, 11), (18.5, 11), (16, 7)], BLUE)
    c.glyph(8, 7, LETTER_M, RED)
    return c


def cross_hair():
    c = Canvas(20, 20)
    c.ring(10, 10, 6, 1.4, BLACK)
    c.line(10, 1, 10, 7, BLACK)
    c.line(10, 13, 10, 19, BLACK)
    c.line(1, 10, 7, 10, BLACK)
    c.line(13, 10, 19, 10, BLACK)
    c.put(10, 10, RED)
    return c


def eye():
    c = Canvas(20, 20)
    outline = [(1, 10), (4, 6.5), (7, 5), (13, 5), (16, 6.5), (19, 10),
               (16, 13.5), (13, 15), (7, 15), (4, 13.5)]
    c.polygon(outline, PAPER, BLACK)
    c.disc(10, 10, 4.2, BLUE)
    c.disc(10, 10, 2.0, BLACK)
    c.put(11, 8, PAPER)
    for (ax, ay), (bx, by) in zip(outline, outline[1:] + outline[:1]):
        c.line(round(ax), round(ay), round(bx), round(by), BLACK)
    return c


QUESTION = [
    "..#####..",
    ".###.###.",
    "###...###",
    "......###",
    ".....###.",
    "....###..",
    "....##...",
    "....##...",
    ".........",
    "....##...",
    "....##...",
]


def question_mark():
    c = Canvas(20, 20)
    c.disc(10, 10, 9.3, BLUE)
    c.disc(10, 10, 8.0, SKY)
    c.glyph(6, 4, QUESTION, DARK_BLUE)
    return c


def check_box(ticked):
    c = Canvas(20, 20)
    c.rect(3, 3, 16, 16, PAPER)
    c.frame(3, 3, 16, 16, BLACK)
    c.frame(4, 4, 15, 15, GREY)
    if ticked:
        for w in range(3):
            c.line(6, 9 + w, 8, 11 + w, GREEN)
            c.line(8, 11 + w, 13, 6 + w, GREEN)
    return c


def arrow_heads():
    c = Canvas(20, 20)
    c.polygon([(1, 10), (8, 3), (8, 17)], BLUE, DARK_BLUE)
    c.polygon([(18, 10), (11, 3), (11, 17)], BLUE, DARK_BLUE)
    return c


def strip(images):
    c = Canvas(20 * len(images), 20)
    for i, image in enumerate(images):
        c.paste(image, 20 * i, 0)
    return c


def bmp_8bit(canvas, palette):
    """A bottom-up 8-bit DIB file with a colour table of the palette."""
    index = {colour: i for i, colour in enumerate(palette)}
    row_size = (canvas.width + 3) & ~3
    rows = b""
    for y in reversed(range(canvas.height)):
        row = bytes(index[p] for p in canvas.pixels[y])
        rows += row + b"\0" * (row_size - canvas.width)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 8, 0, len(rows),
                       2835, 2835, len(palette), 0)
    offset = 14 + len(info) + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    return header + info + table + rows


# --- The icon: a cube, part of its faces made solid ---------------------------

def icon_image(size):
    """RGBA picture of a cube in three shades of blue, one face still open."""
    s = size / 32.0
    c = Canvas(size, size, (0, 0, 0, 0))
    top = [(16, 2), (29, 8.5), (16, 15), (3, 8.5)]
    left = [(3, 8.5), (16, 15), (16, 30), (3, 23.5)]
    right = [(16, 15), (29, 8.5), (29, 23.5), (16, 30)]
    scaled = lambda pts: [(x * s, y * s) for x, y in pts]
    c.polygon(scaled(top), (150, 200, 250, 255))
    c.polygon(scaled(left), (40, 90, 200, 255))
    # the right face is half done: a solid triangle and an open wire triangle
    c.polygon(scaled([right[0], right[1], right[3]]), (20, 50, 140, 255))
    edge = (10, 20, 60, 255)
    wire = (230, 60, 60, 255)
    for pts in (top, left):
        p = scaled(pts)
        for (ax, ay), (bx, by) in zip(p, p[1:] + p[:1]):
            c.line(round(ax), round(ay), round(bx), round(by), edge)
    p = scaled(right)
    for (ax, ay), (bx, by) in zip(p, p[1:] + p[:1]):
        c.line(round(ax), round(ay), round(bx), round(by), edge)
    c.line(round(p[1][0]), round(p[1][1]), round(p[3][0]), round(p[3][1]), wire)
    c.line(round(p[1][0]), round(p[1][1]), round(p[2][0]), round(p[2][1]), wire)
    c.line(round(p[2][0]), round(p[2][1]), round(p[3][0]), round(p[3][1]), wire)
    return c


def ico(sizes):
    """An .ico file with one 32-bit image (and its AND mask) per size."""
    images = []
    for size in sizes:
        c = icon_image(size)
        xor = b"".join(struct.pack("<BBBB", p[2], p[1], p[0], p[3])
                       for y in reversed(range(size)) for p in c.pixels[y])
        mask_row = ((size + 31) // 32) * 4
        mask = b""
        for y in reversed(range(size)):
            row = bytearray(mask_row)
            for x in range(size):
                if c.pixels[y][x][3] == 0:
                    row[x // 8] |= 0x80 >> (x % 8)
            mask += bytes(row)
        info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        images.append((size, info + xor + mask))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in images)


# --- The completion chime ------------------------------------------------------

def chime(rate=44100, seconds=1.2):
    """A rising three-note bell arpeggio, 16-bit mono PCM in a RIFF WAVE."""
    notes = [(0.00, 659.26), (0.11, 783.99), (0.22, 1046.50)]   # E5 G5 C6
    partials = [(1.0, 1.0), (2.0, 0.35), (3.01, 0.12), (4.2, 0.05)]
    count = int(rate * seconds)
    samples = []
    for n in range(count):
        t = n / rate
        value = 0.0
        for start, frequency in notes:
            u = t - start
            if u < 0:
                continue
            attack = min(1.0, u / 0.004)
            for ratio, level in partials:
                value += level * attack * math.exp(-u * (3.0 + 2.5 * ratio)) * math.sin(2 * math.pi * frequency * ratio * u)
        fade = min(1.0, (count - n) / (0.05 * rate))
        samples.append(value * fade)
    peak = max(abs(v) for v in samples)
    data = b"".join(struct.pack("<h", round(v / peak * 0.6 * 32767)) for v in samples)
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate * 2, 2, 16)
    return (b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(data)) + b"WAVE"
            + b"fmt " + struct.pack("<I", len(fmt)) + fmt
            + b"data" + struct.pack("<I", len(data)) + data)


# --- The help file's contents (HTML Help reads it in the Japanese code page) ---

HELP_PAGES = [("index.html", "とぶれモデラーについて"), ("open.html", "開く・保存する"),
              ("modeling.html", "面を作る"), ("parts.html", "パーツリスト")]


def help_contents():
    lines = ['<!DOCTYPE HTML PUBLIC "-//IETF//DTD HTML//EN">', "<HTML>", "<HEAD>",
             '<meta http-equiv="Content-Type" content="text/html; charset=Shift_JIS">', "</HEAD>",
             "<BODY>", "<UL>"]
    for page, title in HELP_PAGES:
        lines += ['<LI> <OBJECT type="text/sitemap">',
                  '<param name="Name" value="%s">' % title,
                  '<param name="Local" value="%s">' % page, "</OBJECT>"]
    lines += ["</UL>", "</BODY>", "</HTML>", ""]
    return "\r\n".join(lines).encode("cp932")


def help_project():
    lines = ["[OPTIONS]", "Compatibility=1.1 or later", "Compiled file=help.chm", "Contents file=contents.hhc",
             "Default topic=index.html", "Display compile progress=No", "Language=0x411 Japanese",
             "Title=とぶれモデラー ヘルプ", "", "[FILES]"] + [page for page, _ in HELP_PAGES] + ["style.css", ""]
    return "\r\n".join(lines).encode("cp932")


def write(name, data):
    path = os.path.join(OUT, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


write("toolbar_modeling.bmp", bmp_8bit(strip([blank_page(), open_folder(), floppy_disk(), open_cube(),
                                              rotate_about_centre(), cross_hair(), eye(), question_mark()]),
                                       PALETTE))
write("toolbar_parts.bmp", bmp_8bit(strip([check_box(True), check_box(False), arrow_heads()]), PALETTE))
write("editor.ico", ico([16, 32, 48]))
write("complete.wav", chime())
write(os.path.join("help", "help.hhp"), help_project())
write(os.path.join("help", "contents.hhc"), help_contents())
