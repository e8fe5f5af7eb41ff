#!/usr/bin/env python3
"""Draws Veltrane's artwork: the window background, the window/tray icons and the title-strip pictures.

Everything is drawn here with the Python 3 standard library (shapes are anti-aliased by 4 x 4
supersampling of signed distances), except the word "Veltrane" in the title strip: its coverage mask is
rendered by ImageMagick's `convert` with the font DejaVu Sans Bold (package fonts-dejavu-core), which
must be installed. The output is byte-for-byte the same on every run with the same font and
ImageMagick, so the files in this folder can be checked against the script:

    python3 res/make_artwork.py            # writes the files into res/
    python3 res/make_artwork.py --out DIR  # writes them into DIR
    python3 res/make_artwork.py --check    # exit 1 when res/ differs from what the script makes,
                                           # 77 when the text cannot be rendered here
Outputs:
    background.bmp   340 x 300, 24 bits per pixel, the main window's background (opaque, so an alpha
                     byte would only add a quarter to its size)
    veltrane.ico     48, 32 and 16 px, each in 4, 8 and 32 bits per pixel (nine images)
    adsl.ico         the program's own icon file that lives beside it, in the notification area's sizes:
                     16, 20, 24 and 32 px (100, 125, 150 and 200 %), 32 bits per pixel
    tray_connected.ico tray_dialling.ico tray_disconnected.ico
                     the line's state in the notification area: the globe with a badge (a green tick,
                     an amber ellipsis, a red cross on a greyed globe), same four sizes and depth
    mininor.bmp minimove.bmp minidown.bmp closenor.bmp closemove.bmp closedown.bmp mini.bmp close1.bmp
                     24 x 20, 24 bits per pixel, title-strip buttons (normal, hover, pressed)
"""

import argparse
import math
import os
import shutil
import struct
import subprocess
import sys

# ---------------------------------------------------------------------------------------------------
# Palette (R, G, B)

STRIP = (0x1C, 0x5E, 0xB8)          # title strip, and the ground of the title-strip pictures
STRIP_EDGE = (0x17, 0x4F, 0x9D)     # one-pixel seam between the strip and the banner
BANNER_TOP = (0x25, 0x6C, 0xC6)
BANNER_BOTTOM = (0x4C, 0x94, 0xE2)
WHITE = (0xFF, 0xFF, 0xFF)
BAND = (0xEA, 0xF2, 0xFA)           # the check boxes' back colour 0xFAF2EA (a COLORREF)
BAND_EDGE = (0xD2, 0xE2, 0xF2)
CAPTION_SHADOW = (0x0E, 0x36, 0x72)
GLYPH = (0xF2, 0xF7, 0xFF)

WIDTH, HEIGHT = 340, 300
STRIP_HEIGHT = 31                   # rows 0..30; row 31 is the seam
BANNER_END = 110                    # first white row
BAND_START = 215                    # first row of the light band (a seam row, then the band)

SS = 4                              # supersampling factor per axis


def lerp(a, b, t):
    return a + (b - a) * t


def mix(c1, c2, t):
    return tuple(lerp(x, y, t) for x, y in zip(c1, c2))


# ---------------------------------------------------------------------------------------------------
# Signed distance functions (negative inside), in pixel coordinates where pixel (i, j) covers
# [i, i+1) x [j, j+1).

def sd_circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def sd_ring(cx, cy, r, w):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - r) - w / 2


def sd_ellipse_ring(cx, cy, a, b, w):
    # First-order distance to the ellipse outline: f / |grad f|.
    def d(x, y):
        dx, dy = x - cx, y - cy
        f = (dx / a) ** 2 + (dy / b) ** 2 - 1
        g = 2 * math.hypot(dx / (a * a), dy / (b * b))
        return abs(f / g if g > 1e-9 else -min(a, b)) - w / 2
    return d


def sd_segment(x0, y0, x1, y1, w):
    vx, vy = x1 - x0, y1 - y0
    vv = vx * vx + vy * vy

    def d(x, y):
        t = 0.0 if vv == 0 else max(0.0, min(1.0, ((x - x0) * vx + (y - y0) * vy) / vv))
        return math.hypot(x - (x0 + t * vx), y - (y0 + t * vy)) - w / 2
    return d


def sd_round_rect(x0, y0, x1, y1, r):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - r, (y1 - y0) / 2 - r

    def d(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        return math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0) - r
    return d


def sd_intersect(*fs):
    return lambda x, y: max(f(x, y) for f in fs)


def sd_subtract(f, g):
    return lambda x, y: max(f(x, y), -g(x, y))


# ---------------------------------------------------------------------------------------------------
# Canvas: straight (non-premultiplied) RGBA in floats, 0..255 colour and 0..1 alpha.

class Canvas:
    def __init__(self, w, h, fill=(0, 0, 0), alpha=0.0):
        self.w, self.h = w, h
        self.px = [[list(fill) + [alpha] for _ in range(w)] for _ in range(h)]

    def blend(self, i, j, colour, a):
        """Source-over of a straight-alpha colour onto pixel (i, j)."""
        if a <= 0 or not (0 <= i < self.w and 0 <= j < self.h):
            return
        p = self.px[j][i]
        da = p[3]
        oa = a + da * (1 - a)
        if oa <= 0:
            return
        for k in range(3):
            p[k] = (colour[k] * a + p[k] * da * (1 - a)) / oa
        p[3] = oa

    def fill_rows(self, y0, y1, colour_of_row):
        for j in range(max(0, y0), min(self.h, y1)):
            c = colour_of_row(j)
            for i in range(self.w):
                self.px[j][i] = list(c) + [1.0]

    def shape(self, sdf, colour, alpha=1.0, bbox=None):
        """Fills the inside of sdf; colour is an RGB tuple or a function (x, y) -> RGB."""
        x0, y0, x1, y1 = bbox if bbox else (0, 0, self.w, self.h)
        x0, y0 = max(0, int(math.floor(x0))), max(0, int(math.floor(y0)))
        x1, y1 = min(self.w, int(math.ceil(x1))), min(self.h, int(math.ceil(y1)))
        n = SS * SS
        for j in range(y0, y1):
            for i in range(x0, x1):
                inside = 0
                for sj in range(SS):
                    for si in range(SS):
                        if sdf(i + (si + 0.5) / SS, j + (sj + 0.5) / SS) <= 0:
                            inside += 1
                if inside:
                    c = colour(i + 0.5, j + 0.5) if callable(colour) else colour
                    self.blend(i, j, c, alpha * inside / n)

    def erase(self, sdf):
        """Clears the inside of sdf back to transparency (anti-aliased at its edge)."""
        n = SS * SS
        for j in range(self.h):
            for i in range(self.w):
                inside = sum(1 for sj in range(SS) for si in range(SS)
                             if sdf(i + (si + 0.5) / SS, j + (sj + 0.5) / SS) <= 0)
                self.px[j][i][3] *= 1 - inside / n

    def draw_canvas(self, other, ox, oy):
        for j in range(other.h):
            for i in range(other.w):
                r, g, b, a = other.px[j][i]
                self.blend(ox + i, oy + j, (r, g, b), a)

    def draw_mask(self, mask, mw, mh, ox, oy, colour, alpha=1.0):
        for j in range(mh):
            for i in range(mw):
                v = mask[j * mw + i]
                if v:
                    self.blend(ox + i, oy + j, colour, alpha * v / 255)

    def rgba8(self, i, j):
        r, g, b, a = self.px[j][i]
        return (clamp8(r), clamp8(g), clamp8(b), clamp8(a * 255))


def clamp8(v):
    return max(0, min(255, int(math.floor(v + 0.5))))


# ---------------------------------------------------------------------------------------------------
# The icon: a globe in the product's blue with a white graticule.

GLOBE_LIGHT = (0x6C, 0xB2, 0xF4)
GLOBE_DARK = (0x17, 0x55, 0xAE)
GLOBE_RIM = (0x0F, 0x3A, 0x7A)
# The same globe with the line down: greyed, so that the state shows even where the badge is not seen.
GREY_GLOBE = ((0xB4, 0xBA, 0xC2), (0x6A, 0x72, 0x7C), (0x4A, 0x50, 0x58))

# Per size: centre, radius, rim width, grid line width, parallel offset, half width of the side meridians.
# Centres and offsets put the straight lines exactly on pixel rows and columns, so that they stay sharp.
ICON_GEOMETRY = {
    16: (7.5, 7.3, 1.0, 1.0, 4.0, 4.0),
    20: (9.5, 9.3, 1.1, 1.0, 5.0, 5.0),
    24: (11.5, 11.2, 1.2, 1.0, 6.0, 6.0),
    32: (15.5, 15.1, 1.3, 1.0, 7.0, 8.0),
    48: (24.0, 23.0, 1.8, 2.0, 11.0, 12.0),
}


def draw_icon(size, colours=(GLOBE_LIGHT, GLOBE_DARK, GLOBE_RIM)):
    c, r, rim_w, lw, lat, side = ICON_GEOMETRY[size]
    light, dark, rim = colours
    cv = Canvas(size, size)

    def body(x, y):
        # Light from the upper left.
        t = ((x - (c - r)) + (y - (c - r))) / (4 * r)
        return mix(light, dark, max(0.0, min(1.0, t)))

    disc = sd_circle(c, c, r)
    cv.shape(disc, body)
    inner = sd_circle(c, c, r - rim_w * 0.9)
    # Equator and central meridian in full white; the parallels and the side meridians a little softer.
    lines = [
        (sd_segment(c - r, c, c + r, c, lw), 0.95),
        (sd_segment(c, c - r, c, c + r, lw), 0.95),
        (sd_segment(c - r, c - lat, c + r, c - lat, lw), 0.8),
        (sd_segment(c - r, c + lat, c + r, c + lat, lw), 0.8),
        (sd_ellipse_ring(c, c, side, r - rim_w * 0.5, lw), 0.8),
    ]
    for ln, alpha in lines:
        cv.shape(sd_intersect(ln, inner), WHITE, alpha)
    cv.shape(sd_ring(c, c, r - rim_w / 2, rim_w), rim)
    # A soft highlight in the upper left lends the globe some depth.
    cv.shape(sd_intersect(sd_circle(c - r * 0.38, c - r * 0.42, r * 0.36), inner), WHITE, 0.18)
    return cv


# ---------------------------------------------------------------------------------------------------
# The tray's state icons: the globe with a round badge at the lower right, cut free of the globe by a
# transparent gap so that it reads on any taskbar colour.

TRAY_SIZES = (16, 20, 24, 32)
BADGE = {  # state: (light, dark) of the badge's fill
    "connected": ((0x4C, 0xC8, 0x5A), (0x1E, 0x8A, 0x30)),
    "dialling": ((0xFF, 0xC4, 0x3A), (0xD9, 0x82, 0x0A)),
    "disconnected": ((0xF0, 0x5A, 0x4E), (0xB8, 0x1E, 0x1E)),
}


def draw_state_icon(size, state):
    cv = draw_icon(size, GREY_GLOBE if state == "disconnected" else (GLOBE_LIGHT, GLOBE_DARK, GLOBE_RIM))
    rb = size * 0.28                    # badge radius: 4.5 px at 16, 9 px at 32
    bc = round(size - rb - 0.6) + 0.5   # its centre, on a pixel's centre so that the glyph stays sharp
    gap = max(1.0, size / 16)
    cv.erase(sd_circle(bc, bc, rb + gap))
    light, dark = BADGE[state]
    cv.shape(sd_circle(bc, bc, rb), lambda x, y: mix(light, dark, max(0.0, min(1.0, (y - bc + rb) / (2 * rb)))))
    w = max(1.5, size / 12)             # stroke of the glyph
    if state == "connected":
        glyph = lambda x, y: min(sd_segment(bc - rb * 0.50, bc + rb * 0.02, bc - rb * 0.12, bc + rb * 0.42, w)(x, y),
                                 sd_segment(bc - rb * 0.12, bc + rb * 0.42, bc + rb * 0.52, bc - rb * 0.40, w)(x, y))
    elif state == "dialling":
        dot, step = max(0.8, rb * 0.17), round(rb * 0.5)
        glyph = lambda x, y: min(sd_circle(bc + k * step, bc, dot)(x, y) for k in (-1, 0, 1))
    else:
        a = rb * 0.40
        glyph = lambda x, y: min(sd_segment(bc - a, bc - a, bc + a, bc + a, w)(x, y),
                                 sd_segment(bc - a, bc + a, bc + a, bc - a, w)(x, y))
    cv.shape(glyph, WHITE)
    return cv


# ---------------------------------------------------------------------------------------------------
# Title text, rendered by ImageMagick as a coverage mask.

TEXT_FONT = "DejaVu-Sans-Bold"
TEXT_SIZE = 13
TEXT_BOX = (80, 24)                 # mask size
TEXT_BASELINE = 17                  # within the mask


class TextUnavailable(Exception):
    pass


def render_text(text):
    w, h = TEXT_BOX
    if shutil.which("convert") is None:
        raise TextUnavailable("ImageMagick's convert is not installed")
    cmd = ["convert", "-size", f"{w}x{h}", "xc:black", "-font", TEXT_FONT, "-pointsize", str(TEXT_SIZE),
           "-fill", "white", "-annotate", f"+0+{TEXT_BASELINE}", text, "-depth", "8", "gray:-"]
    res = subprocess.run(cmd, capture_output=True)
    if res.returncode != 0 or len(res.stdout) != w * h or b"unable to read font" in res.stderr:
        raise TextUnavailable("convert could not render with the font " + TEXT_FONT + ": " +
                              res.stderr.decode(errors="replace").strip())
    return res.stdout


# ---------------------------------------------------------------------------------------------------
# Background

# Nodes of the network motif in the banner (x, y, radius) and the links between them.
NODES = [(196, 58, 2.2), (222, 44, 1.8), (238, 74, 2.8), (266, 52, 2.0), (284, 88, 2.2),
         (306, 62, 2.6), (326, 42, 1.8), (262, 98, 1.6), (212, 92, 1.8), (322, 100, 2.0)]
LINKS = [(0, 1), (0, 2), (1, 3), (2, 3), (2, 4), (3, 5), (4, 5), (5, 6), (2, 7), (4, 7), (0, 8),
         (8, 7), (4, 9), (5, 9)]


def draw_background(icon16, text_mask):
    cv = Canvas(WIDTH, HEIGHT)
    cv.fill_rows(0, STRIP_HEIGHT, lambda j: STRIP)
    cv.fill_rows(STRIP_HEIGHT, STRIP_HEIGHT + 1, lambda j: STRIP_EDGE)
    span = BANNER_END - (STRIP_HEIGHT + 1) - 1
    cv.fill_rows(STRIP_HEIGHT + 1, BANNER_END,
                 lambda j: mix(BANNER_TOP, BANNER_BOTTOM, (j - STRIP_HEIGHT - 1) / span))
    cv.fill_rows(BANNER_END, BAND_START, lambda j: WHITE)
    cv.fill_rows(BAND_START, BAND_START + 1, lambda j: BAND_EDGE)
    cv.fill_rows(BAND_START + 1, HEIGHT, lambda j: BAND)

    # A faint network on the right of the banner: links first, then the nodes over them.
    banner = (0, STRIP_HEIGHT + 1, WIDTH, BANNER_END)
    for a, b in LINKS:
        (xa, ya, _), (xb, yb, _) = NODES[a], NODES[b]
        bb = (min(xa, xb) - 2, max(banner[1], min(ya, yb) - 2), max(xa, xb) + 2, min(banner[3], max(ya, yb) + 2))
        cv.shape(sd_segment(xa, ya, xb, yb, 0.9), WHITE, 0.16, bb)
    for x, y, r in NODES:
        bb = (x - r - 4, max(banner[1], y - r - 4), x + r + 4, min(banner[3], y + r + 4))
        cv.shape(sd_circle(x, y, r + 2.2), WHITE, 0.08, bb)
        cv.shape(sd_circle(x, y, r), WHITE, 0.42, bb)
    # Two wide, faint arcs from the lower left suggest a signal without competing with the fields.
    for rad, a in ((120, 0.05), (150, 0.035)):
        arc = sd_intersect(sd_ring(-20, 150, rad, 10), lambda x, y: STRIP_HEIGHT + 1 - y,
                           lambda x, y: y - BANNER_END)
        cv.shape(arc, WHITE, a, (0, STRIP_HEIGHT + 1, 150, BANNER_END))

    # Title strip: the icon at (8, 8), then the name in white with a one-pixel shadow.
    cv.draw_canvas(icon16, 8, 8)
    tw, th = TEXT_BOX
    ox, oy = 30, 21 - TEXT_BASELINE
    cv.draw_mask(text_mask, tw, th, ox + 1, oy + 1, CAPTION_SHADOW, 0.55)
    cv.draw_mask(text_mask, tw, th, ox, oy, WHITE)
    return cv


# ---------------------------------------------------------------------------------------------------
# Title-strip pictures, 24 x 20

PIC_W, PIC_H = 24, 20
HOVER_TOP, HOVER_MID, HOVER_LOW, HOVER_BOTTOM = (0x7F, 0xB6, 0xF0), (0x5A, 0x9A, 0xE6), \
    (0x3C, 0x82, 0xDA), (0x52, 0x97, 0xE6)
HOVER_BORDER = (0xC8, 0xE0, 0xFB)
DOWN_TOP, DOWN_BOTTOM = (0x0C, 0x30, 0x68), (0x16, 0x47, 0x92)
DOWN_BORDER = (0x0A, 0x28, 0x58)


def glyph(kind, dx=0.0, dy=0.0):
    if kind == "mini":
        return sd_round_rect(7.5 + dx, 12.0 + dy, 16.5 + dx, 14.0 + dy, 0.4)
    w = 1.7
    return lambda x, y: min(sd_segment(8.5 + dx, 6.5 + dy, 15.5 + dx, 13.5 + dy, w)(x, y),
                            sd_segment(15.5 + dx, 6.5 + dy, 8.5 + dx, 13.5 + dy, w)(x, y))


def draw_picture(kind, state):
    cv = Canvas(PIC_W, PIC_H, STRIP, 1.0)
    outer = sd_round_rect(0.5, 0.5, PIC_W - 0.5, PIC_H - 0.5, 3.5)
    inner = sd_round_rect(1.5, 1.5, PIC_W - 1.5, PIC_H - 1.5, 2.5)
    dx = dy = 0.0
    if state == "move":
        # Glossy: a bright upper half over a deeper lower half that lightens again towards the rim.
        def gloss(x, y):
            half = PIC_H / 2
            if y < half:
                return mix(HOVER_TOP, HOVER_MID, y / half)
            return mix(HOVER_LOW, HOVER_BOTTOM, (y - half) / half)
        cv.shape(outer, HOVER_BORDER, 0.95)
        cv.shape(inner, gloss)
    elif state == "down":
        cv.shape(outer, DOWN_BORDER)
        cv.shape(inner, lambda x, y: mix(DOWN_TOP, DOWN_BOTTOM, y / PIC_H))
        # Inner shadow along the top and left edges: the frame looks pressed in.
        shade = sd_subtract(inner, sd_round_rect(2.5, 2.7, PIC_W - 1.5, PIC_H - 1.5, 2.0))
        cv.shape(shade, (0x05, 0x1A, 0x40), 0.6)
        dx = dy = 1.0
    cv.shape(glyph(kind, dx, dy), WHITE if state != "nor" else GLYPH)
    return cv


# ---------------------------------------------------------------------------------------------------
# File writers

def bmp_bytes(cv, bits):
    """A bottom-up BI_RGB bitmap file, 24 or 32 bits per pixel (alpha 255 in the latter)."""
    rows = []
    for j in range(cv.h - 1, -1, -1):
        row = bytearray()
        for i in range(cv.w):
            r, g, b, _ = cv.rgba8(i, j)
            row += bytes((b, g, r)) + (b"\xff" if bits == 32 else b"")
        row += b"\0" * ((-len(row)) % 4)
        rows.append(bytes(row))
    data = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, cv.w, cv.h, 1, bits, 0, len(data), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
    return head + info + data


def median_cut(counts, n):
    """Reduces {colour: count} to at most n colours, deterministically."""
    colours = sorted(counts)
    if len(colours) <= n:
        return colours
    boxes = [colours]
    while len(boxes) < n:
        best, best_key = None, None
        for idx, box in enumerate(boxes):
            if len(box) < 2:
                continue
            spans = [max(c[k] for c in box) - min(c[k] for c in box) for k in range(3)]
            weight = sum(counts[c] for c in box)
            key = (max(spans) * math.sqrt(weight), -idx)
            if best_key is None or key > best_key:
                best, best_key = idx, key
        if best is None:
            break
        box = boxes.pop(best)
        spans = [max(c[k] for c in box) - min(c[k] for c in box) for k in range(3)]
        ch = spans.index(max(spans))
        box = sorted(box, key=lambda c: (c[ch], c))
        total = sum(counts[c] for c in box)
        acc, cut = 0, 1
        for k, c in enumerate(box[:-1]):
            acc += counts[c]
            cut = k + 1
            if acc * 2 >= total:
                break
        boxes.insert(best, box[cut:])
        boxes.insert(best, box[:cut])
    palette = []
    for box in boxes:
        weight = sum(counts[c] for c in box)
        palette.append(tuple(clamp8(sum(c[k] * counts[c] for c in box) / weight) for k in range(3)))
    return sorted(set(palette))


def nearest(palette, c, cache):
    if c not in cache:
        cache[c] = min(range(len(palette)),
                       key=lambda k: (sum((palette[k][m] - c[m]) ** 2 for m in range(3)), k))
    return cache[c]


def icon_image(cv, bits):
    """One icon image in the bitmap form: header, palette, colour rows, mask rows."""
    s = cv.w
    opaque = [[cv.rgba8(i, j)[3] >= 128 for i in range(s)] for j in range(s)]
    palette_bytes = b""
    xor_rows = []
    if bits == 32:
        for j in range(s - 1, -1, -1):
            row = bytearray()
            for i in range(s):
                r, g, b, a = cv.rgba8(i, j)
                row += bytes((b, g, r, a) if a else (0, 0, 0, 0))
            xor_rows.append(bytes(row))
    else:
        ncol = 1 << bits
        counts = {}
        for j in range(s):
            for i in range(s):
                if opaque[j][i]:
                    c = cv.rgba8(i, j)[:3]
                    counts[c] = counts.get(c, 0) + 1
        # Entry 0 is black: transparent pixels must carry black under a set mask bit.
        palette = [(0, 0, 0)] + [c for c in median_cut(counts, ncol - 1) if c != (0, 0, 0)]
        palette += [(0, 0, 0)] * (ncol - len(palette))
        palette_bytes = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
        cache = {}
        for j in range(s - 1, -1, -1):
            idx = [nearest(palette[1:], cv.rgba8(i, j)[:3], cache) + 1 if opaque[j][i] else 0
                   for i in range(s)]
            row = bytearray()
            if bits == 8:
                row += bytes(idx)
            else:
                for i in range(0, s, 2):
                    row.append((idx[i] << 4) | (idx[i + 1] if i + 1 < s else 0))
            row += b"\0" * ((-len(row)) % 4)
            xor_rows.append(bytes(row))
    mask_rows = []
    for j in range(s - 1, -1, -1):
        row = bytearray((s + 7) // 8)
        for i in range(s):
            if not opaque[j][i]:
                row[i // 8] |= 0x80 >> (i % 8)
        row += b"\0" * ((-len(row)) % 4)
        mask_rows.append(bytes(row))
    pixels = b"".join(xor_rows) + b"".join(mask_rows)
    info = struct.pack("<IiiHHIIiiII", 40, s, 2 * s, 1, bits, 0, len(pixels), 0, 0, 0, 0)
    return info + palette_bytes + pixels


def ico_bytes(icons):
    """icons: list of (canvas, bits)."""
    images = [(cv.w, bits, icon_image(cv, bits)) for cv, bits in icons]
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b"", b""
    for size, bits, blob in images:
        colours = 16 if bits == 4 else 0
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bits, len(blob), offset)
        blobs += blob
        offset += len(blob)
    return head + entries + blobs


# ---------------------------------------------------------------------------------------------------

def make_all():
    """Returns {file name: bytes}."""
    icons = {s: draw_icon(s) for s in (48, 32, 16)}
    ico = ico_bytes([(icons[s], b) for s in (48, 32, 16) for b in (32, 8, 4)])
    out = {
        "background.bmp": bmp_bytes(draw_background(icons[16], render_text("Veltrane")), 24),
        "veltrane.ico": ico,
        # The notification area shows the small-icon size of its DPI: one image for each of 100 to 200 %.
        "adsl.ico": ico_bytes([(draw_icon(s), 32) for s in TRAY_SIZES]),
    }
    for state in BADGE:
        out[f"tray_{state}.ico"] = ico_bytes([(draw_state_icon(s, state), 32) for s in TRAY_SIZES])
    for kind, name in (("mini", "mini"), ("close", "close")):
        for state in ("nor", "move", "down"):
            out[f"{name}{state}.bmp"] = bmp_bytes(draw_picture(kind, state), 24)
    out["mini.bmp"] = out["mininor.bmp"]
    out["close1.bmp"] = out["closenor.bmp"]
    return out


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--out", default=here, help="folder to write into (default: this script's folder)")
    ap.add_argument("--check", action="store_true", help="compare with the files in --out, write nothing")
    args = ap.parse_args()
    try:
        files = make_all()
    except TextUnavailable as e:
        print("make_artwork: " + str(e), file=sys.stderr)
        return 77
    if args.check:
        stale = []
        for name, data in sorted(files.items()):
            path = os.path.join(args.out, name)
            try:
                with open(path, "rb") as f:
                    same = f.read() == data
            except OSError:
                same = False
            if not same:
                stale.append(name)
        for name in stale:
            print("make_artwork: " + name + " differs from what the script makes", file=sys.stderr)
        return 1 if stale else 0
    os.makedirs(args.out, exist_ok=True)
    for name, data in sorted(files.items()):
        with open(os.path.join(args.out, name), "wb") as f:
            f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
