#!/usr/bin/env python3
"""Draws the program's icons and banner logo as anti-aliased RGBA and writes them as
.ico / .bmp files under src/resources/res. Standard library only; run it again after a change:
    python3 tools/make_art.py
"""
import math
import os
import struct

OUT = os.path.join(os.path.dirname(__file__), "..", "src", "app", "res")
SS = 4  # supersampling per axis


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[(0.0, 0.0, 0.0, 0.0) for _ in range(w)] for _ in range(h)]

    def blend(self, x, y, rgb, a):
        if a <= 0 or not (0 <= x < self.w and 0 <= y < self.h):
            return
        r0, g0, b0, a0 = self.px[y][x]
        r, g, b = rgb
        out_a = a + a0 * (1 - a)
        if out_a <= 0:
            return
        mix = lambda c, c0: (c * a + c0 * a0 * (1 - a)) / out_a
        self.px[y][x] = (mix(r, r0), mix(g, g0), mix(b, b0), out_a)

    def shape(self, inside, colour):
        """Fills every pixel by the fraction of its subsamples for which inside(x, y) holds.
        colour is an (r,g,b) or a function (x, y) -> (r,g,b)."""
        for y in range(self.h):
            for x in range(self.w):
                hits = 0
                for sy in range(SS):
                    for sx in range(SS):
                        if inside(x + (sx + 0.5) / SS, y + (sy + 0.5) / SS):
                            hits += 1
                if hits:
                    c = colour(x + 0.5, y + 0.5) if callable(colour) else colour
                    self.blend(x, y, c, hits / (SS * SS))


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r0, r1):
    return lambda x, y: r0 * r0 <= (x - cx) ** 2 + (y - cy) ** 2 <= r1 * r1


def segment(x0, y0, x1, y1, width):
    dx, dy = x1 - x0, y1 - y0
    ln2 = dx * dx + dy * dy

    def inside(x, y):
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / ln2))
        px, py = x0 + t * dx, y0 + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= (width / 2) ** 2

    return inside


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r

    return inside


def lerp(c0, c1, t):
    t = max(0.0, min(1.0, t))
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


def vertical(c0, c1, y0, y1):
    return lambda x, y: lerp(c0, c1, (y - y0) / (y1 - y0))


def grade_icon(kind, size=16):
    s = size / 16.0
    white = (255, 255, 255)
    if kind == 1:  # green: check mark
        c = Canvas(size, size)
        c.shape(circle(8 * s, 8 * s, 7.6 * s), (22, 110, 38))
        c.shape(circle(8 * s, 8 * s, 6.7 * s), vertical((96, 200, 96), (30, 140, 50), 1 * s, 15 * s))
        c.shape(segment(4.4 * s, 8.3 * s, 7.0 * s, 10.9 * s, 2.1 * s), white)
        c.shape(segment(7.0 * s, 10.9 * s, 11.6 * s, 5.2 * s, 2.1 * s), white)
    elif kind == 2:  # red: cross
        c = Canvas(size, size)
        c.shape(circle(8 * s, 8 * s, 7.6 * s), (130, 16, 16))
        c.shape(circle(8 * s, 8 * s, 6.7 * s), vertical((240, 90, 80), (190, 24, 24), 1 * s, 15 * s))
        c.shape(segment(5.3 * s, 5.3 * s, 10.7 * s, 10.7 * s, 2.1 * s), white)
        c.shape(segment(10.7 * s, 5.3 * s, 5.3 * s, 10.7 * s, 2.1 * s), white)
    elif kind == 3:  # orange: exclamation in a triangle
        c = Canvas(size, size)

        def tri(r):
            def inside(x, y):
                # equilateral-ish triangle with rounded feel: apex at top
                cx = 8 * s
                top, bot = (1.0 + (7.6 - r)) * s, (14.6 - (7.6 - r)) * s
                if y < top or y > bot:
                    return False
                half = (y - top) / (bot - top) * (r * s)
                return abs(x - cx) <= half
            return inside

        c.shape(tri(7.6), (150, 78, 0))
        c.shape(tri(6.4), vertical((255, 200, 80), (235, 130, 10), 2 * s, 14 * s))
        c.shape(segment(8 * s, 5.6 * s, 8 * s, 9.4 * s, 1.9 * s), white)
        c.shape(circle(8 * s, 11.9 * s, 1.1 * s), white)
    else:  # blue: question mark
        c = Canvas(size, size)
        c.shape(circle(8 * s, 8 * s, 7.6 * s), (18, 60, 140))
        c.shape(circle(8 * s, 8 * s, 6.7 * s), vertical((100, 160, 240), (30, 90, 200), 1 * s, 15 * s))
        c.shape(lambda x, y: ring(8 * s, 6.3 * s, 1.6 * s, 3.3 * s)(x, y) and not (x < 8 * s and y > 6.3 * s), white)
        c.shape(segment(8.9 * s, 8.6 * s, 8 * s, 9.6 * s, 1.7 * s), white)
        c.shape(circle(8 * s, 12.2 * s, 1.1 * s), white)
    return c


def app_icon(size):
    """A magnifying glass over a list: what runs on the PC, looked at closely."""
    s = size / 32.0
    c = Canvas(size, size)
    c.shape(rounded_rect(2 * s, 3 * s, 24 * s, 28 * s, 3 * s), (40, 70, 120))
    c.shape(rounded_rect(3 * s, 4 * s, 23 * s, 27 * s, 2.3 * s), vertical((250, 252, 255), (214, 226, 242), 4 * s, 27 * s))
    for i, col in enumerate([(60, 170, 70), (60, 120, 220), (60, 170, 70), (230, 140, 20)]):
        y = (8 + i * 4.6) * s
        c.shape(circle(6.5 * s, y, 1.3 * s), col)
        c.shape(rect(9.5 * s, y - 0.7 * s, 19.5 * s, y + 0.7 * s), (120, 136, 160))
    c.shape(segment(22.5 * s, 22.5 * s, 29 * s, 29 * s, 4.2 * s), (70, 50, 30))
    c.shape(circle(19 * s, 19 * s, 7.6 * s), (30, 50, 90))
    c.shape(circle(19 * s, 19 * s, 6.0 * s), (190, 220, 250))
    c.shape(lambda x, y: circle(17.3 * s, 17.0 * s, 3.6 * s)(x, y) and not circle(18.6 * s, 18.4 * s, 3.6 * s)(x, y), (255, 255, 255))
    return c


def toolbar_icon(kind, size=32):
    s = size / 32.0
    c = Canvas(size, size)
    if kind == "processi":  # a window with rows (the process list)
        c.shape(rounded_rect(2 * s, 4 * s, 30 * s, 28 * s, 2.5 * s), (36, 64, 120))
        c.shape(rect(3.2 * s, 5.2 * s, 28.8 * s, 9.5 * s), vertical((110, 160, 230), (60, 110, 200), 5 * s, 9.5 * s))
        c.shape(rect(3.2 * s, 10.2 * s, 28.8 * s, 26.8 * s), (252, 252, 255))
        for i, col in enumerate([(60, 170, 70), (60, 120, 220), (230, 60, 50)]):
            y = (14 + i * 4.5) * s
            c.shape(circle(7 * s, y, 1.5 * s), col)
            c.shape(rect(10 * s, y - 0.8 * s, 26 * s, y + 0.8 * s), (130, 140, 160))
    elif kind == "avvio":  # a power symbol over a rising arrow
        c.shape(circle(16 * s, 16 * s, 14 * s), (24, 100, 40))
        c.shape(circle(16 * s, 16 * s, 12.6 * s), vertical((120, 210, 110), (40, 150, 60), 3 * s, 29 * s))
        c.shape(lambda x, y: ring(16 * s, 17 * s, 5.6 * s, 8.2 * s)(x, y) and not (y < 15 * s and abs(x - 16 * s) < 3.6 * s), (255, 255, 255))
        c.shape(segment(16 * s, 7 * s, 16 * s, 16 * s, 2.6 * s), (255, 255, 255))
    else:  # "guida": a round question badge
        c.shape(circle(16 * s, 16 * s, 14 * s), (20, 60, 140))
        c.shape(circle(16 * s, 16 * s, 12.6 * s), vertical((120, 180, 250), (40, 100, 210), 3 * s, 29 * s))
        c.shape(lambda x, y: ring(16 * s, 12.5 * s, 3.4 * s, 6.4 * s)(x, y) and not (x < 16 * s and y > 12.5 * s), (255, 255, 255))
        c.shape(segment(17.6 * s, 17.4 * s, 16 * s, 19.4 * s, 3.0 * s), (255, 255, 255))
        c.shape(circle(16 * s, 24 * s, 2.0 * s), (255, 255, 255))
    return c


def logo(w=150, h=60):
    """Banner logo: the app mark and a wordmark stripe, on the banner's dark blue."""
    c = Canvas(w, h)
    c.shape(rect(0, 0, w, h), vertical((16, 42, 92), (10, 28, 64), 0, h))
    mark = app_icon(48)
    for y in range(48):
        for x in range(48):
            r, g, b, a = mark.px[y][x]
            c.blend(x + 6, y + 6, (r, g, b), a)
    # a bold "V" built from two strokes, then a thin underline
    c.shape(segment(66 * 1.0, 14, 82, 46, 7), (255, 255, 255))
    c.shape(segment(82, 46, 98, 14, 7), (255, 255, 255))
    c.shape(rect(104, 40, 144, 44), (120, 190, 255))
    c.shape(rect(104, 30, 136, 33), (120, 190, 255))
    c.shape(rect(104, 20, 128, 23), (120, 190, 255))
    return c


def dib32(c):
    rows = []
    for y in range(c.h - 1, -1, -1):
        row = bytearray()
        for x in range(c.w):
            r, g, b, a = c.px[y][x]
            row += bytes((round(b), round(g), round(r), round(a * 255)))
        rows.append(bytes(row))
    return b"".join(rows)


def write_ico(path, canvases):
    entries, images = [], []
    offset = 6 + 16 * len(canvases)
    for c in canvases:
        xor = dib32(c)
        mask_row = ((c.w + 31) // 32) * 4
        and_mask = bytearray(mask_row * c.h)
        for y in range(c.h):
            for x in range(c.w):
                if c.px[c.h - 1 - y][x][3] < 0.5 / 255:
                    and_mask[y * mask_row + x // 8] |= 0x80 >> (x % 8)
        header = struct.pack("<IiiHHIIiiII", 40, c.w, c.h * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
        data = header + xor + bytes(and_mask)
        entries.append(struct.pack("<BBBBHHII", c.w % 256, c.h % 256, 0, 0, 1, 32, len(data), offset))
        images.append(data)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(canvases)))
        f.write(b"".join(entries))
        f.write(b"".join(images))


def write_bmp(path, c):
    # 24-bit opaque bitmap (the banner is opaque; alpha already composited on the background)
    row_size = (c.w * 3 + 3) & ~3
    pixels = bytearray()
    for y in range(c.h - 1, -1, -1):
        row = bytearray()
        for x in range(c.w):
            r, g, b, a = c.px[y][x]
            row += bytes((round(b * a), round(g * a), round(r * a)))
        row += b"\0" * (row_size - len(row))
        pixels += row
    info = struct.pack("<IiiHHIIiiII", 40, c.w, c.h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", 14 + 40 + len(pixels), 0, 0, 14 + 40))
        f.write(info + pixels)


def main():
    os.makedirs(OUT, exist_ok=True)
    write_ico(os.path.join(OUT, "vantorile.ico"), [app_icon(16), app_icon(32), app_icon(48)])
    for g in range(1, 5):
        write_ico(os.path.join(OUT, f"grade{g}.ico"), [grade_icon(g, 16), grade_icon(g, 32)])
    for name in ("processi", "avvio", "guida"):
        write_ico(os.path.join(OUT, f"tb_{name}.ico"), [toolbar_icon(name, 32)])
    write_bmp(os.path.join(OUT, "logo.bmp"), logo())


if __name__ == "__main__":
    main()
