#!/usr/bin/env python3
"""Draws the launcher's skin images and program icon (Python 3 standard library only).

    tools/skin-images.py [SOURCE_ROOT]

Writes the PNG files under Skin/ and src/main/Corrin.ico. The files are
committed; run this again only after changing a drawing below. Every shape
is a signed distance function, so edges come out anti-aliased at any size.
"""
import math
import os
import struct
import sys
import zlib

ROOT = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))

# Colours of the main window (ARGB as (r, g, b, a) with a in 0..1).
ACCENT = (0x3D, 0x8B, 0xFD, 1.0)
ACCENT_DARK = (0x2A, 0x6C, 0xD8, 1.0)
GREY = (0xA9, 0xB3, 0xC9, 1.0)
WHITE = (0xFF, 0xFF, 0xFF, 1.0)
PANEL = (0x35, 0x39, 0x45, 1.0)
PANEL_HOT = (0x41, 0x46, 0x55, 1.0)


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(w * h)]  # premultiplied r, g, b, a

    def paint(self, sdf, colour):
        """Source-over blend of colour where sdf(x, y) < 0 (pixel centres), anti-aliased."""
        r, g, b, a = colour
        for y in range(self.h):
            for x in range(self.w):
                d = sdf(x + 0.5, y + 0.5)
                cov = min(1.0, max(0.0, 0.5 - d))
                if cov <= 0.0:
                    continue
                sa = a * cov
                p = self.px[y * self.w + x]
                p[0] = r * sa + p[0] * (1 - sa)
                p[1] = g * sa + p[1] * (1 - sa)
                p[2] = b * sa + p[2] * (1 - sa)
                p[3] = sa + p[3] * (1 - sa)

    def rgba(self):
        """Straight (not premultiplied) 8-bit RGBA rows."""
        rows = []
        for y in range(self.h):
            row = bytearray()
            for x in range(self.w):
                r, g, b, a = self.px[y * self.w + x]
                if a > 0:
                    row += bytes((round(min(255, r / a)), round(min(255, g / a)), round(min(255, b / a)),
                                  round(a * 255)))
                else:
                    row += b"\0\0\0\0"
            rows.append(bytes(row))
        return rows


# --- Signed distance functions (negative inside).

def rounded_rect(l, t, r, b, radius):
    cx, cy, hx, hy = (l + r) / 2, (t + b) / 2, (r - l) / 2, (b - t) / 2

    def f(x, y):
        qx = abs(x - cx) - hx + radius
        qy = abs(y - cy) - hy + radius
        outside = math.hypot(max(qx, 0), max(qy, 0))
        return outside + min(max(qx, qy), 0) - radius
    return f


def circle(cx, cy, radius):
    return lambda x, y: math.hypot(x - cx, y - cy) - radius


def ring(cx, cy, radius, width):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - radius) - width / 2


def outline(sdf, width):
    return lambda x, y: abs(sdf(x, y) + width / 2) - width / 2


def segment(x0, y0, x1, y1, width):
    def f(x, y):
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
        return math.hypot(x - x0 - t * dx, y - y0 - t * dy) - width / 2
    return f


def polyline(points, width):
    parts = [segment(*points[i], *points[i + 1], width) for i in range(len(points) - 1)]
    return lambda x, y: min(p(x, y) for p in parts)


def union(*sdfs):
    return lambda x, y: min(s(x, y) for s in sdfs)


def triangle(p0, p1, p2):
    edges = [(p0, p1), (p1, p2), (p2, p0)]

    def f(x, y):
        inside = True
        dist = float("inf")
        for (ax, ay), (bx, by) in edges:
            dist = min(dist, segment(ax, ay, bx, by, 0)(x, y))
            if (bx - ax) * (y - ay) - (by - ay) * (x - ax) < 0:
                inside = False
        return -dist if inside else dist
    return f


# --- Writers.

def png_bytes(canvas):
    raw = b"".join(b"\0" + row for row in canvas.rgba())

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", canvas.w, canvas.h, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def write(path, data):
    full = os.path.join(ROOT, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, "wb") as f:
        f.write(data)


def save_png(path, canvas):
    write(path, png_bytes(canvas))


def ico_bytes(canvases):
    """An icon file of 32-bit DIB images (BGRA bottom-up plus an all-zero AND mask)."""
    images = []
    for c in canvases:
        rows = c.rgba()
        xor = b"".join(bytes(v for px in zip(row[2::4], row[1::4], row[0::4], row[3::4]) for v in px)
                       for row in reversed(rows))
        mask_row = ((c.w + 31) // 32) * 4
        header = struct.pack("<IiiHHIIiiII", 40, c.w, c.h * 2, 1, 32, 0, len(xor), 0, 0, 0, 0)
        images.append(header + xor + b"\0" * (mask_row * c.h))
    out = struct.pack("<HHH", 0, 1, len(canvases))
    offset = 6 + 16 * len(canvases)
    for c, data in zip(canvases, images):
        out += struct.pack("<BBBBHHII", c.w % 256, c.h % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


# --- Drawings.

def logo(size):
    c = Canvas(size, size)
    s = size / 36.0
    c.paint(rounded_rect(1 * s, 1 * s, 35 * s, 35 * s, 8 * s), ACCENT)
    c.paint(ring(18 * s, 18 * s, 10 * s, 3 * s), WHITE)
    c.paint(triangle((15 * s, 12.5 * s), (15 * s, 23.5 * s), (24 * s, 18 * s)), WHITE)
    return c


def channel_icon(colour):
    # Four tiles: the generic channel glyph, 26 x 25.
    c = Canvas(26, 25)
    for l, t in ((5, 3), (14, 3), (5, 12), (14, 12)):
        c.paint(rounded_rect(l, t, l + 8, t + 8, 2), colour)
    return c


def chevron(size, colour, background=None):
    c = Canvas(size, size)
    if background:
        c.paint(circle(size / 2, size / 2, size / 2 - 0.5), background)
    m = size / 15.0
    c.paint(polyline([(4.5 * m, 6 * m), (7.5 * m, 9 * m), (10.5 * m, 6 * m)], 1.6 * m), colour)
    return c


def game_tile(fill, border=None):
    c = Canvas(114, 114)
    c.paint(rounded_rect(2, 2, 112, 112, 10), fill)
    if border:
        c.paint(outline(rounded_rect(2, 2, 112, 112, 10), 2.5), border)
    return c


def mask():
    # A not-installed game: the icon dimmed, with a download arrow.
    c = Canvas(46, 46)
    c.paint(rounded_rect(0, 0, 46, 46, 8), (0x10, 0x12, 0x18, 0.55))
    white = (0xFF, 0xFF, 0xFF, 0.9)
    c.paint(union(segment(23, 12, 23, 28, 2.6), polyline([(16, 22), (23, 29), (30, 22)], 2.6)), white)
    c.paint(segment(14, 34, 32, 34, 2.6), white)
    return c


def caption_button(glyph, colour):
    c = Canvas(30, 30)
    if glyph == "close":
        c.paint(union(segment(10, 10, 20, 20, 1.6), segment(20, 10, 10, 20, 1.6)), colour)
    elif glyph == "min":
        c.paint(segment(9.5, 15.5, 20.5, 15.5, 1.6), colour)
    elif glyph == "menu":
        c.paint(union(segment(9, 10, 21, 10, 1.6), segment(9, 15, 21, 15, 1.6), segment(9, 20, 21, 20, 1.6)),
                colour)
    return c


def head_default():
    c = Canvas(36, 36)
    c.paint(circle(18, 18, 17.5), PANEL_HOT)
    c.paint(circle(18, 14, 6), GREY)
    c.paint(lambda x, y: max(circle(18, 33, 11)(x, y), circle(18, 18, 17.5)(x, y)), GREY)
    return c


def add_game():
    c = Canvas(64, 64)
    c.paint(ring(32, 32, 28, 2.5), GREY)
    c.paint(union(segment(32, 20, 32, 44, 3), segment(20, 32, 44, 32, 3)), GREY)
    return c


def underline():
    c = Canvas(48, 3)
    c.paint(rounded_rect(0, 0, 48, 3, 1.5), ACCENT)
    return c


def check(on):
    c = Canvas(16, 16)
    c.paint(outline(rounded_rect(1.5, 1.5, 14.5, 14.5, 2.5), 1.3), ACCENT if on else GREY)
    if on:
        c.paint(polyline([(4.5, 8), (7, 10.5), (11.5, 5.5)], 1.7), ACCENT)
    return c


def radio(on):
    c = Canvas(16, 16)
    c.paint(ring(8, 8, 6.2, 1.3), ACCENT if on else GREY)
    if on:
        c.paint(circle(8, 8, 3.2), ACCENT)
    return c


def update_glyph():
    # The update dialogs' picture: an arrow rising out of a tray.
    c = Canvas(64, 64)
    c.paint(circle(32, 32, 31), (0x3D, 0x8B, 0xFD, 0.18))
    c.paint(union(segment(32, 18, 32, 40, 4), polyline([(22, 28), (32, 18), (42, 28)], 4)), ACCENT)
    c.paint(polyline([(18, 38), (18, 46), (46, 46), (46, 38)], 4), ACCENT)
    return c


def done_glyph():
    c = Canvas(64, 64)
    c.paint(circle(32, 32, 31), (0x3D, 0x8B, 0xFD, 0.18))
    c.paint(ring(32, 32, 20, 4), ACCENT)
    c.paint(polyline([(23, 32), (30, 39), (42, 26)], 4.5), ACCENT)
    return c


def search_icon():
    c = Canvas(16, 16)
    c.paint(ring(7, 7, 4.5, 1.6), GREY)
    c.paint(segment(10.5, 10.5, 14, 14, 1.8), GREY)
    return c


def download_button(glyph, state):
    """A 32 x 32 button of the download panel; state 0 normal, 1 hot, 2 pushed.
    The buttons of a row are round, those acting on every row square."""
    c = Canvas(32, 32)
    fill = (PANEL, PANEL_HOT, ACCENT_DARK)[state]
    ink = GREY if state == 0 else WHITE
    if glyph.endswith("_all"):
        c.paint(rounded_rect(0.5, 0.5, 31.5, 31.5, 6), fill)
    else:
        c.paint(circle(16, 16, 15.5), fill)
    if glyph.startswith("pause"):
        c.paint(union(rounded_rect(11, 10, 14.5, 22, 1), rounded_rect(17.5, 10, 21, 22, 1)), ink)
    elif glyph.startswith("start"):
        c.paint(triangle((12.5, 9.5), (23, 16), (12.5, 22.5)), ink)
    elif glyph == "folder":
        c.paint(union(rounded_rect(8, 12, 24, 23, 2), rounded_rect(8, 9.5, 15, 14, 1.5)), ink)
        c.paint(segment(9, 14.5, 23, 14.5, 1.2), fill)
    elif glyph in ("delete", "cancel_all"):
        c.paint(union(segment(11, 11, 21, 21, 2.2), segment(21, 11, 11, 21, 2.2)), ink)
    return c


def download_row_background():
    # Stretched across a whole row of the download panel.
    c = Canvas(16, 105)
    c.paint(rounded_rect(0, 0, 16, 105, 0), (0x26, 0x29, 0x32, 1.0))
    c.paint(segment(0, 104.5, 16, 104.5, 1), (0x35, 0x39, 0x45, 1.0))
    return c


def main():
    save_png("Skin/mainwnd/logo.png", logo(36))
    save_png("Skin/mainwnd/icon_default.png", channel_icon(GREY))
    save_png("Skin/mainwnd/icon_hover_default.png", channel_icon(WHITE))
    save_png("Skin/mainwnd/gamebtn_dragdown_normal.png", chevron(15, GREY))
    save_png("Skin/mainwnd/gamebtn_dragdown.png", chevron(15, WHITE, ACCENT))
    save_png("Skin/mainwnd/game_btn_mask.png", mask())
    save_png("Skin/mainwnd/game_btn_normal.png", game_tile(PANEL))
    save_png("Skin/mainwnd/game_btn_hot.png", game_tile(PANEL_HOT))
    save_png("Skin/mainwnd/game_btn_selected.png", game_tile(PANEL_HOT, ACCENT))
    save_png("Skin/mainwnd/game_btn_hover.png", game_tile((0x3D, 0x8B, 0xFD, 0.35), ACCENT))
    save_png("Skin/mainwnd/add_game.png", add_game())
    save_png("Skin/mainwnd/search.png", search_icon())
    save_png("Skin/mainwnd/dragdown.png", chevron(15, GREY))
    save_png("Skin/mainwnd/nav_selected.png", underline())
    for glyph in ("close", "min", "menu"):
        save_png("Skin/mainwnd/btn_%s.png" % glyph, caption_button(glyph, GREY))
        save_png("Skin/mainwnd/btn_%s_hot.png" % glyph, caption_button(glyph, WHITE))
    for glyph in ("folder", "delete", "pause", "start", "pause_all", "start_all", "cancel_all"):
        for state, suffix in enumerate(("", "2", "3")):
            save_png("Skin/download/%s_btn%s.png" % (glyph, suffix), download_button(glyph, state))
    save_png("Skin/download/groupbk.png", download_row_background())
    save_png("Skin/headimage/head_default.png", head_default())
    save_png("Skin/menu/check.png", check(True))
    save_png("Skin/menu/check2.png", check(False))
    save_png("Skin/dialog/radio.png", radio(False))
    save_png("Skin/dialog/radio_on.png", radio(True))
    save_png("Skin/dialog/logo_large.png", logo(64))
    save_png("Skin/dialog/update.png", update_glyph())
    save_png("Skin/dialog/update_done.png", done_glyph())
    write("src/main/Corrin.ico", ico_bytes([logo(32), logo(16)]))


if __name__ == "__main__":
    main()
