#!/usr/bin/env python3
"""Draws the player's skin images and program icon (Python 3 standard library only).

    tools/webgame-skin-images.py [SOURCE_ROOT]

Writes the PNG files under Skin/webgame/, the transparent bar's close
button Skin/common/close.png and webgame/Corrinweb.ico. The
files are committed; run this again only after changing a drawing below.
Shapes are distance functions sampled 4 x 4 per pixel, so edges come out
smooth at any size.
"""
import math
import os
import struct
import sys
import zlib

ROOT = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
SKIN = os.path.join(ROOT, "Skin", "webgame")

BLUE = (0x3E, 0x90, 0xFF)
DARK = (0x40, 0x44, 0x4C)
GREY = (0x8A, 0x90, 0x9A)
RED = (0xEA, 0x46, 0x47)
WHITE = (0xFF, 0xFF, 0xFF)
BAR = (0xE9, 0xEB, 0xEE)


class Picture:
    """RGBA pixels as floats (straight colour, coverage-weighted alpha)."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.rgba = [[0.0, 0.0, 0.0, 0.0] for _ in range(w * h)]

    def fill(self, inside, colour, alpha=1.0):
        """Blends colour over the pixels where inside(x, y) holds, by sampled coverage."""
        steps = [(i + 0.5) / 4 for i in range(4)]
        for y in range(self.h):
            for x in range(self.w):
                hits = sum(1 for sy in steps for sx in steps if inside(x + sx, y + sy))
                if not hits:
                    continue
                a = alpha * hits / 16
                p = self.rgba[y * self.w + x]
                out_a = a + p[3] * (1 - a)
                for c in range(3):
                    p[c] = (colour[c] * a + p[c] * p[3] * (1 - a)) / out_a
                p[3] = out_a

    def rows(self, bgra=False):
        out = []
        for y in range(self.h):
            row = bytearray()
            for x in range(self.w):
                r, g, b, a = self.rgba[y * self.w + x]
                px = (round(r), round(g), round(b), round(a * 255))
                row += bytes((px[2], px[1], px[0], px[3]) if bgra else px)
            out.append(bytes(row))
        return out


def png_bytes(pic):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    raw = b"".join(b"\0" + row for row in pic.rows())
    header = struct.pack(">IIBBBBB", pic.w, pic.h, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def ico_bytes(pics):
    """An icon file of 32-bit DIB images (bottom-up rows, empty AND mask)."""
    images = []
    for pic in pics:
        mask_row = ((pic.w + 31) // 32) * 4
        dib = struct.pack("<IiiHHIIiiII", 40, pic.w, pic.h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        dib += b"".join(reversed(pic.rows(bgra=True))) + b"\0" * (mask_row * pic.h)
        images.append((pic, dib))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for pic, dib in images:
        out += struct.pack("<BBBBHHII", pic.w % 256, pic.h % 256, 0, 0, 1, 32, len(dib), offset)
        offset += len(dib)
    return out + b"".join(dib for _, dib in images)


# Shapes: each returns inside(x, y).
def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r, width):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - r) <= width / 2


def rect(l, t, r, b):
    return lambda x, y: l <= x <= r and t <= y <= b


def segment(x0, y0, x1, y1, width):
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy

    def inside(x, y):
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
        return math.hypot(x - (x0 + t * dx), y - (y0 + t * dy)) <= width / 2
    return inside


def rounded_rect(l, t, r, b, radius):
    def inside(x, y):
        cx = min(max(x, l + radius), r - radius)
        cy = min(max(y, t + radius), b - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius
    return inside


def triangle(p0, p1, p2):
    def side(a, b, x, y):
        return (b[0] - a[0]) * (y - a[1]) - (b[1] - a[1]) * (x - a[0])

    def inside(x, y):
        s = (side(p0, p1, x, y), side(p1, p2, x, y), side(p2, p0, x, y))
        return all(v >= 0 for v in s) or all(v <= 0 for v in s)
    return inside


def arc(cx, cy, r, width, start_deg, end_deg):
    def inside(x, y):
        angle = math.degrees(math.atan2(y - cy, x - cx)) % 360
        within = start_deg <= angle <= end_deg if start_deg <= end_deg else angle >= start_deg or angle <= end_deg
        return within and abs(math.hypot(x - cx, y - cy) - r) <= width / 2
    return inside


def cross(size, colour, width, inset, pic):
    pic.fill(segment(inset, inset, size - inset, size - inset, width), colour)
    pic.fill(segment(size - inset, inset, inset, size - inset, width), colour)


# The drawings.
def tab_bk():
    pic = Picture(40, 53)
    pic.fill(rect(0, 0, 40, 53), WHITE)
    pic.fill(rect(0, 0, 40, 3), BLUE)
    return pic


def tab_close(hover):
    pic = Picture(14, 14)
    if hover:
        pic.fill(disc(7, 7, 7), RED)
    cross(14, WHITE if hover else GREY, 1.6, 4, pic)
    return pic


def header_default():
    pic = Picture(32, 32)
    pic.fill(disc(16, 16, 16), (0xC8, 0xCD, 0xD5))
    pic.fill(disc(16, 12.5, 6), WHITE)
    pic.fill(lambda x, y: disc(16, 16, 15.5)(x, y) and disc(16, 30, 11)(x, y), WHITE)
    return pic


def title_button(draw, hot):
    pic = Picture(30, 30)
    if hot:
        pic.fill(rounded_rect(1, 1, 29, 29, 4), (0xD6, 0xD9, 0xDE))
    draw(pic, BLUE if hot else DARK)
    return pic


def draw_min(pic, colour):
    pic.fill(rect(9, 15, 21, 16.4), colour)


def draw_max(pic, colour):
    pic.fill(ring_rect(9, 9, 21, 21, 1.4), colour)


def draw_restore(pic, colour):
    pic.fill(ring_rect(8, 11, 19, 22, 1.4), colour)
    pic.fill(lambda x, y: ring_rect(11, 8, 22, 19, 1.4)(x, y) and not rect(8, 11, 19, 22)(x, y), colour)


def draw_close(pic, colour):
    pic.fill(segment(9.5, 9.5, 20.5, 20.5, 1.6), colour)
    pic.fill(segment(20.5, 9.5, 9.5, 20.5, 1.6), colour)


def draw_fresh(pic, colour):
    pic.fill(arc(15, 15, 6.5, 1.8, 60, 330), colour)
    pic.fill(triangle((19.5, 4.5), (24.5, 9.5), (17.5, 11.5)), colour)


def draw_screenshot(pic, colour):
    pic.fill(ring_rect(7, 10, 23, 22, 1.5), colour)
    pic.fill(rect(11, 7.5, 17, 10), colour)
    pic.fill(ring(15, 16, 3.2, 1.5), colour)


def draw_service(pic, colour):
    pic.fill(ring(15, 15, 8, 1.6), colour)
    pic.fill(arc(15, 13, 3, 1.6, 180, 90), colour)
    pic.fill(rect(14.2, 15.5, 15.8, 18), colour)
    pic.fill(disc(15, 20.5, 1.1), colour)


def bar_close_strip():
    """The transparent bar's close button: five 28 x 28 frames side by side
    (normal, pushed, disabled, hover, focused) over the dialogs' dark title row."""
    size = 28
    pic = Picture(size * 5, size)
    looks = ((None, WHITE), ((0xC0, 0x30, 0x32), WHITE), (None, GREY), (RED, WHITE), (None, BLUE))
    for frame, (disc_colour, cross_colour) in enumerate(looks):
        x0 = frame * size
        if disc_colour:
            pic.fill(disc(x0 + 14, 14, 11), disc_colour)
        pic.fill(segment(x0 + 9.5, 9.5, x0 + 18.5, 18.5, 1.8), cross_colour)
        pic.fill(segment(x0 + 18.5, 9.5, x0 + 9.5, 18.5, 1.8), cross_colour)
    return pic


def ring_rect(l, t, r, b, width):
    return lambda x, y: rect(l, t, r, b)(x, y) and not rect(l + width, t + width, r - width, b - width)(x, y)


def program_icon(size):
    pic = Picture(size, size)
    s = size / 32
    pic.fill(rounded_rect(1 * s, 1 * s, 31 * s, 31 * s, 7 * s), BLUE)
    pic.fill(rounded_rect(5 * s, 8 * s, 27 * s, 24 * s, 3 * s), WHITE)
    pic.fill(triangle((13 * s, 11 * s), (13 * s, 21 * s), (21 * s, 16 * s)), BLUE)
    return pic


def main():
    os.makedirs(SKIN, exist_ok=True)
    images = {
        "tab_bk.png": tab_bk(),
        "btn_tab_close.png": tab_close(False),
        "btn_tab_close_hover.png": tab_close(True),
        "header_default.png": header_default(),
    }
    for name, draw in (("min", draw_min), ("max", draw_max), ("restore", draw_restore), ("close", draw_close),
                       ("fresh", draw_fresh), ("screenshot", draw_screenshot), ("service", draw_service)):
        images["btn_%s.png" % name] = title_button(draw, False)
        images["btn_%s_hot.png" % name] = title_button(draw, True)
    for name, pic in images.items():
        with open(os.path.join(SKIN, name), "wb") as f:
            f.write(png_bytes(pic))
    common = os.path.join(ROOT, "Skin", "common")
    os.makedirs(common, exist_ok=True)
    with open(os.path.join(common, "close.png"), "wb") as f:
        f.write(png_bytes(bar_close_strip()))
    with open(os.path.join(ROOT, "webgame", "Corrinweb.ico"), "wb") as f:
        f.write(ico_bytes([program_icon(16), program_icon(32), program_icon(48)]))


if __name__ == "__main__":
    main()
