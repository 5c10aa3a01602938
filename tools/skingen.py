#!/usr/bin/env python3
"""Draws the console's skin: the faceplate picture, the window outlines, the
hot-area masks, the About logo and the two hand cursors.

Run by hand when the artwork changes; the outputs in res/ are committed:

    python3 tools/skingen.py            write every file into res/
    python3 tools/skingen.py --check    re-read the files and verify them
    python3 tools/skingen.py --preview DIR
                                        also write composites (the picture cut
                                        by each outline, with the controls'
                                        rectangles) as BMP files into DIR

Standard library only. Shapes are polygons filled with 4 sub-rows per pixel and
exact coverage along each sub-row; the binary masks sample pixel centres, so
the picture and the masks come from the very same geometry.
"""
import math
import os
import random
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
RES = os.path.normpath(os.path.join(HERE, "..", "res"))

W, H = 300, 255            # the picture and the outlines
INSET = (3, 3)             # where the client area starts inside the window
SS = 4                     # sub-rows per pixel row
CX = W / 2.0               # the faceplate's axis of symmetry

NAVY = (16, 28, 48)        # the knobs paint this around their dials
TEAL = (42, 212, 200)
TEXT = (196, 206, 220)

# Child controls in client coordinates: left, top, width, height.
CONTROLS = {
    1003: ("animation", 47, 50, 197, 99),
    1000: ("3D knob", 77, 158, 44, 47),
    1001: ("Vibe knob", 129, 158, 44, 47),
    1002: ("Soundfields knob", 182, 158, 42, 47),
    1005: ("headphones", 75, 205, 17, 16),
    1006: ("mini form", 135, 16, 11, 11),
    1008: ("close", 147, 16, 11, 11),
    1010: ("full form", 62, 158, 12, 13),
    1011: ("close (mini form)", 224, 158, 11, 11),
}
MINI_SHOWS = (1000, 1001, 1002, 1005, 1010, 1011)
MINI_HIDES = (1003, 1006, 1008)

# Hot areas in client coordinates, inclusive: x0, y0, x1, y1.
DRAG_BARS = ((48, 154, 59, 233), (235, 156, 246, 233))
LINK_BLOCKS = ((99, 230, 190, 251), (97, 252, 190, 254))
DRAG_ARCH_BOTTOM = 172     # last mask row of the arch-shaped handle


def picture_rect(cid):
    """A control's rectangle in picture pixels, inclusive."""
    _, l, t, w, h = CONTROLS[cid]
    return (l + INSET[0], t + INSET[1], l + INSET[0] + w - 1, t + INSET[1] + h - 1)


def client_to_picture(r):
    return (r[0] + INSET[0], r[1] + INSET[1], r[2] + INSET[0], r[3] + INSET[1])


# ---------------------------------------------------------------------------
# Geometry of the faceplate (continuous coordinates: pixel (i, j) covers
# [i, i+1) x [j, j+1)).

ARCH_CY = 176.0            # the arch is widest on this line; the handle ends here
ARCH_OUT = (147.0, 173.0, 2.5)   # half width, height, exponent: edges 3 px in,
                                 # clear of the dialog frame around the client area
ARCH_IN = (138.0, 135.0, 5.0)    # inner edge of the handle: top at y 41
EAR_R = 6.0                # round end of the arch below the handle
BODY_L = 42.0              # the body's side, below the arch
BODY_B = 243.0             # the body's bottom
TAB_L = 95.0               # the logo tab's side
DECK = (46.0, 158.0, 255.0, 225.0, 9.0)    # knob deck = the mini form
SCREEN = (50.0, 53.0, 247.0, 152.0, 9.0)   # the animation's window
BEZEL = (45.0, 48.0, 252.0, 156.0, 12.0)
PLATE = (99.0, 231.0, 201.0, 252.0, 5.0)   # logo plate under the web link
BUTTON_WELL = (134.0, 15.0, 165.0, 34.0, 5.0)
BARS = ((51.0, 157.0, 63.0, 237.0), (238.0, 159.0, 250.0, 237.0))
SCREEN_RADIUS = 9.0


def arc(cx, cy, r, a0, a1, n=None):
    """Points on a circle, angles in degrees, y downwards."""
    if n is None:
        n = max(4, int(abs(a1 - a0) / 6) + 1)
    pts = []
    for i in range(n + 1):
        a = math.radians(a0 + (a1 - a0) * i / n)
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def superellipse_left(a, b, n, cy, steps=240):
    """Upper left quarter from the top (x = CX) down to the widest point."""
    pts = []
    for i in range(steps + 1):
        t = math.pi / 2 + (math.pi / 2) * i / steps
        c, s = abs(math.cos(t)), abs(math.sin(t))
        pts.append((CX - a * c ** (2.0 / n), cy - b * s ** (2.0 / n)))
    return pts


def se_norm(x, y, shape, cy=ARCH_CY):
    a, b, n = shape
    return ((abs(x - CX) / a) ** n + (abs(y - cy) / b) ** n) ** (1.0 / n)


def mirror_close(left):
    """Closes a left half (top centre ... bottom centre) with its mirror image."""
    right = [(2 * CX - x, y) for (x, y) in reversed(left)]
    return left + right[1:-1]


def outline_full_path():
    pts = superellipse_left(*ARCH_OUT, cy=ARCH_CY)
    pts += arc(CX - ARCH_OUT[0] + EAR_R, ARCH_CY, EAR_R, 180, 90)[1:]
    fr = 8.0
    ear_bottom = ARCH_CY + EAR_R
    pts += arc(BODY_L - fr, ear_bottom + fr, fr, 270, 360)
    rc = 12.0
    pts += arc(BODY_L + rc, BODY_B - rc, rc, 180, 90)
    rt = 5.0
    pts += arc(TAB_L - rt, BODY_B + rt, rt, 270, 360)
    rb = 7.0
    pts += arc(TAB_L + rb, H - rb, rb, 180, 90)
    pts.append((CX, float(H)))
    return mirror_close(pts)


def handle_polygon():
    outer = superellipse_left(*ARCH_OUT, cy=ARCH_CY)   # top -> left end
    inner = superellipse_left(*ARCH_IN, cy=ARCH_CY)
    pts = list(reversed(outer))                         # left end -> top
    pts += [(2 * CX - x, y) for (x, y) in outer[1:]]    # top -> right end
    pts += [(2 * CX - x, y) for (x, y) in reversed(inner)]  # right end -> top
    pts += inner[1:]                                    # top -> left end
    return pts


def inner_region(shrink):
    """Everything inside the handle's inner edge (pulled in by shrink),
    running on straight down below the arch."""
    a, b, n = ARCH_IN
    left = superellipse_left(a - shrink, b - shrink, n, ARCH_CY)
    right = [(2 * CX - x, y) for (x, y) in reversed(left)]
    return left + [(left[-1][0], H + 10.0), (right[0][0], H + 10.0)] + right[:-1]


def rrect(x0, y0, x1, y1, r):
    r = min(r, (x1 - x0) / 2.0, (y1 - y0) / 2.0)
    if r <= 0:
        return [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]
    pts = []
    pts += arc(x1 - r, y0 + r, r, 270, 360)
    pts += arc(x1 - r, y1 - r, r, 0, 90)
    pts += arc(x0 + r, y1 - r, r, 90, 180)
    pts += arc(x0 + r, y0 + r, r, 180, 270)
    return pts


def circle(cx, cy, r, n=None):
    if n is None:
        n = max(12, int(r * 6))
    return arc(cx, cy, r, 0, 360, n)[:-1]


def capsule(p0, p1, r):
    (x0, y0), (x1, y1) = p0, p1
    d = math.degrees(math.atan2(y1 - y0, x1 - x0))
    n = max(6, int(r * 8))
    return arc(x1, y1, r, d - 90, d + 90, n) + arc(x0, y0, r, d + 90, d + 270, n)


def shifted(paths, dx, dy):
    return [[(x + dx, y + dy) for (x, y) in p] for p in paths]


# ---------------------------------------------------------------------------
# Filling.

def _area(p):
    s = 0.0
    for i in range(len(p)):
        x0, y0 = p[i]
        x1, y1 = p[(i + 1) % len(p)]
        s += x0 * y1 - x1 * y0
    return s


def _edges(paths, union):
    edges = []
    for p in paths:
        flip = union and _area(p) < 0
        n = len(p)
        for i in range(n):
            x0, y0 = p[i]
            x1, y1 = p[(i + 1) % n]
            if y0 == y1:
                continue
            w = 1 if y1 > y0 else -1
            if flip:
                w = -w
            if y0 > y1:
                x0, y0, x1, y1 = x1, y1, x0, y0
            edges.append((y0, y1, x0, (x1 - x0) / (y1 - y0), w))
    return edges


def _spans(edges, w, h, sub):
    """Yields (row, [(xa, xb), ...]) for each sample row."""
    nrows = h * sub
    buckets = [[] for _ in range(nrows)]
    for e in edges:
        k0 = max(0, int(math.ceil(e[0] * sub - 0.5)))
        k1 = min(nrows - 1, int(math.ceil(e[1] * sub - 0.5)) - 1)
        for k in range(k0, k1 + 1):
            buckets[k].append(e)
    for k in range(nrows):
        b = buckets[k]
        if not b:
            continue
        y = (k + 0.5) / sub
        xs = sorted((e[2] + (y - e[0]) * e[3], e[4]) for e in b)
        spans = []
        wind = 0
        start = 0.0
        for x, d in xs:
            was = wind
            wind += d
            if was == 0 and wind != 0:
                start = x
            elif was != 0 and wind == 0:
                spans.append((start, x))
        yield k, spans


def coverage(paths, w=W, h=H, union=True):
    """Fraction of each pixel covered by the union of the (non-zero filled)
    paths, or by their even-odd fill when union is False."""
    cov = [0.0] * (w * h)
    edges = _edges(paths, union)
    if not union:
        edges = [(a, b, c, d, 1) for (a, b, c, d, _) in edges]
    wt = 1.0 / SS
    for k, spans in _spans(edges, w, h, SS):
        if not union:
            spans = _evenodd(edges, k)
        base = (k // SS) * w
        for xa, xb in spans:
            xa = max(0.0, xa)
            xb = min(float(w), xb)
            if xb <= xa:
                continue
            ia, ib = int(xa), int(xb)
            if ia == ib:
                cov[base + ia] += (xb - xa) * wt
                continue
            cov[base + ia] += (ia + 1 - xa) * wt
            for i in range(ia + 1, ib):
                cov[base + i] += wt
            if ib < w:
                cov[base + ib] += (xb - ib) * wt
    return [min(1.0, c) for c in cov]


def _evenodd(edges, k):
    y = (k + 0.5) / SS
    xs = sorted(e[2] + (y - e[0]) * e[3] for e in edges if e[0] <= y < e[1])
    return [(xs[i], xs[i + 1]) for i in range(0, len(xs) - 1, 2)]


def inside(paths, w=W, h=H, dx=0.0, dy=0.0):
    """Binary fill: 1 where the pixel centre is inside. (dx, dy) moves the
    paths, e.g. from picture into client coordinates."""
    m = [0] * (w * h)
    edges = _edges(shifted(paths, dx, dy), True)
    for k, spans in _spans(edges, w, h, 1):
        base = k * w
        for xa, xb in spans:
            i0 = max(0, int(math.ceil(xa - 0.5)))
            i1 = min(w - 1, int(math.ceil(xb - 0.5)) - 1)
            for i in range(i0, i1 + 1):
                m[base + i] = 1
    return m


def cmul(a, b):
    return [x * y for x, y in zip(a, b)]


def csub(a, b):
    return [max(0.0, x - y) for x, y in zip(a, b)]


def cinv(a):
    return [1.0 - x for x in a]


class Canvas:
    def __init__(self, w, h, bg=(0, 0, 0)):
        self.w, self.h = w, h
        self.r = [float(bg[0])] * (w * h)
        self.g = [float(bg[1])] * (w * h)
        self.b = [float(bg[2])] * (w * h)

    def paint(self, cov, color, alpha=1.0):
        """Blends color (an RGB tuple or f(x, y) -> RGB) over the covered
        pixels."""
        w = self.w
        fn = color if callable(color) else None
        for idx, c in enumerate(cov):
            if c <= 0.0:
                continue
            a = c * alpha
            if a > 1.0:
                a = 1.0
            if fn:
                col = fn(idx % w + 0.5, idx // w + 0.5)
                if col is None:
                    continue
            else:
                col = color
            self.r[idx] += (col[0] - self.r[idx]) * a
            self.g[idx] += (col[1] - self.g[idx]) * a
            self.b[idx] += (col[2] - self.b[idx]) * a

    def dot(self, x, y, color, alpha=1.0):
        if 0 <= x < self.w and 0 <= y < self.h:
            idx = y * self.w + x
            self.r[idx] += (color[0] - self.r[idx]) * alpha
            self.g[idx] += (color[1] - self.g[idx]) * alpha
            self.b[idx] += (color[2] - self.b[idx]) * alpha

    def rgb(self):
        out = []
        for i in range(self.w * self.h):
            out.append(tuple(max(0, min(255, int(round(v))))
                             for v in (self.r[i], self.g[i], self.b[i])))
        return out


def mix(c0, c1, t):
    t = max(0.0, min(1.0, t))
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


def ramp(stops, t):
    """Piecewise linear colour ramp; stops = [(t, rgb), ...] ascending."""
    if t <= stops[0][0]:
        return stops[0][1]
    for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
        if t <= t1:
            return mix(c0, c1, (t - t0) / (t1 - t0))
    return stops[-1][1]


def scale(c, f):
    return tuple(v * f for v in c)


def bevel(cv, paths, light, dark, width=1.0, alpha=1.0, w=W, h=H, sunken=False):
    """Lit edge on the upper left, shadow on the lower right (swapped when
    sunken)."""
    base = coverage(paths, w, h)
    hi = csub(base, coverage(shifted(paths, width, width), w, h))
    lo = csub(base, coverage(shifted(paths, -width, -width), w, h))
    if sunken:
        hi, lo = lo, hi
    cv.paint(hi, light, alpha)
    cv.paint(lo, dark, alpha)
    return base


# ---------------------------------------------------------------------------
# Lettering.

# A stroke font on a 4 x 6 grid (y downwards); each glyph is a list of
# polylines.  Curves are flattened when the glyph is drawn.
def _bowl(x0, y0, x1, y1, r):
    """Right-hand bowl from (x0, y0) to (x0, y1), reaching x1."""
    pts = [(x0, y0), (x1 - r, y0)]
    pts += arc(x1 - r, y0 + r, r, 270, 360, 8)[1:]
    pts += arc(x1 - r, y1 - r, r, 0, 90, 8)
    pts.append((x0, y1))
    return pts


STROKES = {
    "K": [[(0, 0), (0, 6)], [(4, 0), (0.4, 3.3)], [(1.5, 2.4), (4, 6)]],
    "O": [rrect(0, 0, 4.4, 6, 2.0) + [rrect(0, 0, 4.4, 6, 2.0)[0]]],
    "R": [[(0, 6), (0, 0)] + _bowl(0, 0, 4, 3.3, 1.6)[1:], [(2.2, 3.3), (4, 6)]],
    "V": [[(0, 0), (2.1, 6), (4.2, 0)]],
    "A": [[(0, 6), (2.1, 0), (4.2, 6)], [(0.9, 3.9), (3.3, 3.9)]],
    "N": [[(0, 6), (0, 0), (4, 6), (4, 0)]],
    "E": [[(3.8, 0), (0, 0), (0, 6), (3.8, 6)], [(0, 3), (3.1, 3)]],
}
STROKE_WIDTH = {"O": 4.4, "V": 4.2, "A": 4.2, "E": 3.8}


def stroke_text_width(text, size, track):
    u = size / 6.0
    return sum(STROKE_WIDTH.get(ch, 4.0) * u for ch in text) + track * (len(text) - 1)


def stroke_text(text, x, y, size, pen, track):
    """Capsule polygons of text whose cap height (stroke centres) is size,
    starting at x with its top stroke centre on y."""
    u = size / 6.0
    paths = []
    for ch in text:
        for line in STROKES[ch]:
            pts = [(x + px * u, y + py * u) for (px, py) in line]
            for p0, p1 in zip(pts, pts[1:]):
                paths.append(capsule(p0, p1, pen / 2.0))
        x += STROKE_WIDTH.get(ch, 4.0) * u + track
    return paths


# A small pixel font for the engraved labels, five rows high.
PIXEL_FONT = {
    "3": ["###.", "...#", ".##.", "...#", "###."],
    "D": ["###.", "#..#", "#..#", "#..#", "###."],
    "V": ["#...#", "#...#", ".#.#.", ".#.#.", "..#.."],
    "I": ["#", "#", "#", "#", "#"],
    "B": ["###.", "#..#", "###.", "#..#", "###."],
    "E": ["####", "#...", "###.", "#...", "####"],
    "S": [".###", "#...", ".##.", "...#", "###."],
    "O": [".##.", "#..#", "#..#", "#..#", ".##."],
    "U": ["#..#", "#..#", "#..#", "#..#", ".##."],
    "N": ["#..#", "##.#", "#.##", "#..#", "#..#"],
    "F": ["####", "#...", "###.", "#...", "#..."],
    "L": ["#...", "#...", "#...", "#...", "####"],
}


def pixel_text_width(text):
    return sum(len(PIXEL_FONT[c][0]) for c in text) + len(text) - 1


def pixel_text(cv, text, x, y, color, shadow=None, lip=None):
    """Engraved label: the letters, a shadow on their upper edge and a light
    lip under them."""
    cells = []
    for ch in text:
        rows = PIXEL_FONT[ch]
        for j, row in enumerate(rows):
            for i, c in enumerate(row):
                if c == "#":
                    cells.append((x + i, y + j))
        x += len(rows[0]) + 1
    cellset = set(cells)
    if lip:
        for (px, py) in cells:
            if (px, py + 1) not in cellset:
                cv.dot(px, py + 1, lip[0], lip[1])
    if shadow:
        for (px, py) in cells:
            if (px, py - 1) not in cellset:
                cv.dot(px, py - 1, shadow[0], shadow[1])
    for (px, py) in cells:
        cv.dot(px, py, color)


# ---------------------------------------------------------------------------
# The faceplate.

def noise_table(seed, n):
    rnd = random.Random(seed)
    raw = [rnd.uniform(-1.0, 1.0) for _ in range(n)]
    # soften a little so the streaks are not single-pixel salt
    return [(raw[i - 1] + 2 * raw[i] + raw[(i + 1) % n]) / 4.0 for i in range(n)]


BRUSH = noise_table(11, 4096)
GRAIN = noise_table(23, W * H)


def body_colour(x, y):
    t = y / H
    base = mix((26, 40, 64), (13, 22, 38), t)
    n = GRAIN[int(y) * W + int(x)] * 1.6
    return (base[0] + n, base[1] + n, base[2] + n * 1.2)


def handle_colour(x, y):
    ro = se_norm(x, y, ARCH_OUT)
    ri = se_norm(x, y, ARCH_IN)
    do = max(0.0, 1.0 - ro) * 165.0
    di = max(0.0, ri - 1.0) * 135.0
    s = do / (do + di) if do + di > 0 else 0.0
    # a rounded bar lit from above: bright shoulder near the outer edge
    c = ramp([(0.0, (70, 82, 100)), (0.10, (150, 162, 180)), (0.28, (118, 130, 150)),
              (0.62, (66, 78, 98)), (0.90, (40, 50, 68)), (1.0, (30, 38, 54))], s)
    # the sides face away from the light
    up = max(0.0, min(1.0, (ARCH_CY - y) / 150.0))
    f = 0.78 + 0.22 * up
    streak = BRUSH[int(ro * 700) % len(BRUSH)] * 7.0
    c = (c[0] * f + streak, c[1] * f + streak, c[2] * f + streak * 1.1)
    # ribs for the fingers on both shoulders
    ang = math.degrees(math.atan2(ARCH_CY - y, (x - CX) * ARCH_OUT[1] / ARCH_OUT[0]))
    a = abs(90.0 - ang)
    if 28.0 < a < 66.0 and 0.06 < s < 0.92:
        ph = (a / 1.55) % 1.0
        edge = min(1.0, min(a - 28.0, 66.0 - a) / 2.0)
        if ph < 0.34:
            c = mix(c, scale(c, 0.45), edge)
        elif ph < 0.55:
            c = mix(c, (min(255, c[0] * 1.35), min(255, c[1] * 1.35),
                        min(255, c[2] * 1.3)), edge)
    return c


def bar_colour(bar):
    x0, y0, x1, y1 = bar

    def colour(x, y):
        u = (x - x0) / (x1 - x0)
        c = ramp([(0.0, (64, 76, 94)), (0.25, (150, 162, 180)), (0.5, (112, 124, 144)),
                  (0.85, (52, 62, 80)), (1.0, (36, 44, 60))], u)
        streak = BRUSH[(int(x) * 37) % len(BRUSH)] * 3.0
        c = (c[0] + streak, c[1] + streak, c[2] + streak)
        yy = y - y0
        if 4.0 < yy < (y1 - y0) - 4.0:
            ph = yy % 4.0
            if ph < 1.0:
                c = scale(c, 0.5)
            elif ph < 2.0:
                c = scale(c, 1.22)
        return c
    return colour


def draw_background():
    cv = Canvas(W, H)
    full = [outline_full_path()]
    body = coverage(full)
    cv.paint(body, body_colour)

    # outer edge: a dark lip all round with a lit upper left
    cv.paint(csub(body, cmul(coverage(shifted(full, 1.2, 1.2)),
                             coverage(shifted(full, -1.2, -1.2)))), (6, 10, 18))

    # the arch-shaped handle
    handle = [handle_polygon()]
    hcov = coverage(handle)
    cv.paint(hcov, handle_colour)
    # its inner edge: a dark seam, a teal line and a soft shadow on the face
    above = coverage([rrect(-2, -2, W + 2, ARCH_CY, 0)])
    rings = [coverage([inner_region(d)]) for d in (0.0, 1.0, 2.0, 4.0)]
    cv.paint(cmul(csub(rings[0], rings[1]), above), (6, 10, 18), 0.95)
    cv.paint(cmul(csub(rings[1], rings[2]), above), TEAL, 0.6)
    cv.paint(cmul(csub(rings[2], rings[3]), above), (4, 8, 16), 0.35)

    # the ends of the arch below the handle: dark teal caps
    below = cmul(body, cinv(above))
    for sx in (1, -1):
        x0, x1 = (-2.0, DECK[0] + 1) if sx > 0 else (W - DECK[0] - 1, W + 2.0)
        cc = cmul(coverage([rrect(x0, ARCH_CY, x1, ARCH_CY + EAR_R + 2, 0)]), below)
        cv.paint(cc, lambda x, y: mix((18, 92, 92), (8, 40, 44), (y - ARCH_CY) / EAR_R))
        top = cmul(coverage([rrect(x0, ARCH_CY, x1, ARCH_CY + 1, 0)]), body)
        cv.paint(top, (60, 190, 180), 0.7)
        seam = cmul(coverage([rrect(x0, ARCH_CY - 1, x1, ARCH_CY, 0)]), body)
        cv.paint(seam, (4, 8, 14), 0.8)

    # perforated cheeks, a small speaker grille each side
    holes = []
    for j in range(15):
        y = 88.0 + j * 5.0
        for i in range(4):
            x = 20.0 + i * 5.0 + (2.5 if j % 2 else 0.0)
            if se_norm(x, y, ARCH_IN) > 0.93 or x > 39.0:
                continue
            holes.append((x, y))
    hole_paths = [circle(x, y, 1.3, 12) for (x, y) in holes]
    hole_paths += [[(2 * CX - px, py) for (px, py) in p] for p in hole_paths]
    cv.paint(coverage(shifted(hole_paths, 0.5, 0.6)), (70, 90, 118), 0.35)
    cv.paint(coverage(hole_paths), (3, 6, 12))

    # the display's bezel and its window
    bz = [rrect(*BEZEL)]
    cv.paint(coverage(bz), lambda x, y: mix((36, 48, 68), (22, 32, 50), (y - 48) / 108.0))
    bevel(cv, bz, (78, 96, 124), (6, 10, 18), 1.0)
    scr = [rrect(*SCREEN)]
    cv.paint(coverage(shifted(scr, 0, 0)), (4, 8, 16))
    cv.paint(csub(coverage([rrect(SCREEN[0] - 1, SCREEN[1] - 1, SCREEN[2] + 1,
                                  SCREEN[3] + 1, SCREEN[4] + 1)]), coverage(scr)),
             (90, 110, 140), 0.45)
    cv.paint(csub(coverage([rrect(SCREEN[0] - 1, SCREEN[1] - 1, SCREEN[2] + 1,
                                  SCREEN[3] + 1, SCREEN[4] + 1)]),
                  coverage(shifted([rrect(SCREEN[0] - 1, SCREEN[1] - 1, SCREEN[2] + 1,
                                          SCREEN[3] + 1, SCREEN[4] + 1)], -1, -1))),
             (6, 10, 18), 0.8)

    # the well of the two small buttons at the top of the handle
    well = [rrect(*BUTTON_WELL)]
    cv.paint(coverage(well), (10, 18, 32))
    bevel(cv, well, (4, 7, 14), (170, 182, 200), 1.0, 0.9)

    # the knob deck, which is also the whole mini form
    deck = [rrect(*DECK)]
    cv.paint(coverage(deck), NAVY)
    bevel(cv, deck, (84, 104, 136), (4, 8, 16), 1.0)
    bevel(cv, [rrect(DECK[0] + 1, DECK[1] + 1, DECK[2] - 1, DECK[3] - 1, DECK[4] - 1)],
          (40, 56, 82), (8, 14, 26), 1.0)
    # thin grooves between the knobs
    for gx in (127.0, 179.5):
        cv.paint(coverage([rrect(gx, 164, gx + 1, 204, 0.5)]), (6, 12, 22))
        cv.paint(coverage([rrect(gx + 1, 164, gx + 2, 204, 0.5)]), (40, 56, 80))

    # the grip bars at both ends of the deck
    for bar in BARS:
        bp = [rrect(bar[0], bar[1], bar[2], bar[3], 3.5)]
        cv.paint(coverage(shifted(bp, 1, 1)), (2, 4, 10), 0.7)
        cv.paint(coverage(bp), bar_colour(bar))
        bevel(cv, bp, (190, 200, 214), (10, 14, 22), 1.0, 0.6)

    # labels under the knobs
    lab = (150, 164, 184)
    sh = ((2, 6, 12), 0.9)
    lip = ((60, 80, 110), 0.6)
    ly = 213
    for text, cid in (("3D", 1000), ("VIBE", 1001), ("SOUNDFIELDS", 1002)):
        r = picture_rect(cid)
        mid = (r[0] + r[2] + 1) / 2.0
        tw = pixel_text_width(text)
        pixel_text(cv, text, int(round(mid - tw / 2.0)), ly, lab, sh, lip)
    # and a small pair of headphones beside their button
    phones = ["..#####..",
              ".#.....#.",
              "#.......#",
              "#.......#",
              "##.....##",
              "##.....##"]
    hp = picture_rect(1005)
    px0, py0 = hp[0] - 12, ly - 1
    for j, row in enumerate(phones):
        for i, c in enumerate(row):
            if c == "#":
                cv.dot(px0 + i, py0 + j - 1, sh[0], 0.6)
    for j, row in enumerate(phones):
        for i, c in enumerate(row):
            if c == "#":
                cv.dot(px0 + i, py0 + j, lab)

    # the logo plate under the web link
    pl = [rrect(*PLATE)]
    cv.paint(coverage(shifted(pl, 0, 1.5)), (2, 4, 10), 0.7)
    cv.paint(coverage(pl), lambda x, y: mix((52, 64, 84), (26, 36, 54), (y - PLATE[1]) / 21.0))
    bevel(cv, pl, (120, 138, 164), (6, 10, 18), 1.0)
    size, pen, track = 8.0, 1.5, 3.2
    tw = stroke_text_width("KORVANE", size, track)
    tx = (PLATE[0] + PLATE[2]) / 2.0 - tw / 2.0
    ty = (PLATE[1] + PLATE[3]) / 2.0 - size / 2.0
    cv.paint(coverage(stroke_text("KORVANE", tx, ty + 1.0, size, pen, track)), (4, 8, 16), 0.8)
    cv.paint(coverage(stroke_text("KORVANE", tx, ty, size, pen, track)), (214, 224, 236))

    # accents: a teal line under the deck, between the bars
    cv.paint(coverage([rrect(66, 228, 234, 229, 0.5)]), TEAL, 0.35)

    # whatever lies outside the window is clipped: keep it black
    out = cv.rgb()
    mask = inside(full)
    return [p if m else (0, 0, 0) for p, m in zip(out, mask)]


# ---------------------------------------------------------------------------
# Masks.

def outline_full():
    return inside([outline_full_path()])


def outline_mini():
    return inside([rrect(*DECK)])


def outline_animation():
    _, _, _, w, h = CONTROLS[1003]
    return inside([rrect(0, 0, w, h, SCREEN_RADIUS)], w, h)


def drag_area():
    m = inside([handle_polygon()], W, H, -INSET[0], -INSET[1])
    # Exactly along the outline's edge: the two rasterisations of that edge
    # may round a pixel apart where it runs steeply.
    full = outline_full()
    for y in range(H):
        for x in range(W):
            px, py = x + INSET[0], y + INSET[1]
            if m[y * W + x] and not (px < W and py < H and full[py * W + px]):
                m[y * W + x] = 0
    for y in range(DRAG_ARCH_BOTTOM + 1, H):
        for x in range(W):
            m[y * W + x] = 0
    for (x0, y0, x1, y1) in DRAG_BARS:
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                m[y * W + x] = 1
    return m


def link_area():
    m = [0] * (W * H)
    for (x0, y0, x1, y1) in LINK_BLOCKS:
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                m[y * W + x] = 1
    return m


# ---------------------------------------------------------------------------
# The About logo.

LOGO_W, LOGO_H = 200, 47


def draw_about_logo():
    cv = Canvas(LOGO_W, LOGO_H)
    everything = [rrect(-1, -1, LOGO_W + 1, LOGO_H + 1, 0)]
    cv.paint(coverage(everything, LOGO_W, LOGO_H),
             lambda x, y: mix((24, 38, 62), (12, 20, 36), y / LOGO_H))
    # faint level bars behind the word
    rnd = random.Random(5)
    bars = []
    for i in range(34):
        x = 52 + i * 4.3
        hgt = 3 + 10 * abs(math.sin(i * 0.55)) * (0.6 + 0.4 * rnd.random())
        bars.append(rrect(x, LOGO_H - 6 - hgt, x + 2.6, LOGO_H - 6, 0.8))
    cv.paint(coverage(bars, LOGO_W, LOGO_H), TEAL, 0.16)
    cv.paint(coverage([rrect(52, LOGO_H - 5, 196, LOGO_H - 4, 0.5)], LOGO_W, LOGO_H), TEAL, 0.6)

    # the emblem: a knob with its ring and pointer
    kx, ky, kr = 24.0, 23.5, 17.0
    cv.paint(coverage([circle(kx + 0.8, ky + 1.2, kr + 1)], LOGO_W, LOGO_H), (2, 4, 10), 0.6)
    ring = [circle(kx, ky, kr), list(reversed(circle(kx, ky, kr - 3.2)))]
    cv.paint(coverage([circle(kx, ky, kr - 3.2)], LOGO_W, LOGO_H),
             lambda x, y: mix((52, 66, 90), (14, 22, 38), ((x - kx) + (y - ky)) / (2 * kr) + 0.5))
    cv.paint(coverage(ring, LOGO_W, LOGO_H, union=False), TEAL)
    cv.paint(coverage([circle(kx, ky, kr - 3.2), list(reversed(circle(kx, ky, kr - 4.2)))],
                      LOGO_W, LOGO_H, union=False), (6, 40, 44), 0.8)
    ang = math.radians(-60)
    p0 = (kx + 4.0 * math.cos(ang), ky + 4.0 * math.sin(ang))
    p1 = (kx + 10.5 * math.cos(ang), ky + 10.5 * math.sin(ang))
    cv.paint(coverage([capsule(p0, p1, 1.5)], LOGO_W, LOGO_H), (236, 244, 250))
    # scale dots round the knob
    dots = []
    for i in range(7):
        a = math.radians(135 + i * 45)
        dots.append(circle(kx + (kr + 3.2) * math.cos(a), ky + (kr + 3.2) * math.sin(a), 0.9, 10))
    cv.paint(coverage(dots, LOGO_W, LOGO_H), TEAL, 0.5)

    # the word
    size, pen, track = 20.0, 3.4, 5.0
    tw = stroke_text_width("KORVANE", size, track)
    tx = 52.0 + (144.0 - tw) / 2.0
    ty = 9.0
    cv.paint(coverage(stroke_text("KORVANE", tx + 0.8, ty + 1.4, size, pen, track),
                      LOGO_W, LOGO_H), (2, 4, 10), 0.8)
    cv.paint(coverage(stroke_text("KORVANE", tx, ty, size, pen, track), LOGO_W, LOGO_H),
             lambda x, y: mix((236, 242, 250), (170, 186, 206), (y - ty) / size))
    return cv.rgb()


# ---------------------------------------------------------------------------
# Cursors: 32 x 32 pixel art. K black, W white, g light grey, d grey,
# t teal, T dark teal, '.' transparent.

HAND_POINT = """
................................
...........KKK..................
..........KWWWK.................
..........KWWgK.................
..........KWWgK.................
..........KWWgK.................
..........KWWgK.................
..........KWWgKKKK..............
..........KWWgKWWgKKKK..........
..........KWWgKWWgKWWgKKK.......
..........KWWgKWWgKWWgKWgK......
..........KWWgKWWgKWWgKWgK......
.....KKK..KWWWdWWWdWWWdWgK......
....KWWgK.KWWWWWWWWWWWWWgK......
....KWWWgKKWWWWWWWWWWWWWgK......
.....KWWWgKWWWWWWWWWWWWWgK......
.....KWWWWWWWWWWWWWWWWWWgK......
......KWWWWWWWWWWWWWWWWWgK......
......KWWWWWWWWWWWWWWWWWgK......
.......KWWWWWWWWWWWWWWWWgK......
.......KWWWWWWWWWWWWWWWgK.......
........KWWWWWWWWWWWWWWgK.......
........KWWWWWWWWWWWWWgK........
.........KWWWWWWWWWWWWgK........
.........KWWWWWWWWWWWWgK........
.........KKKKKKKKKKKKKKK........
.........KttttttttttttTK........
.........KttttttttttttTK........
.........KKKKKKKKKKKKKKK........
................................
................................
................................
"""

HAND_GRAB = """
................................
................................
................................
................................
................................
................................
................................
..........KKK.KKK.KKK...........
.........KWWgKWWgKWWgKKK........
.........KWWgKWWgKWWgKWgK.......
......KKKKWWgKWWgKWWgKWgK.......
.....KWWgKdWWdWWWdWWWdWgK.......
.....KWWWgKWWWWWWWWWWWWWgK......
......KWWWWWWWWWWWWWWWWWgK......
.......KWWWWWWWWWWWWWWWWgK......
.......KWWWWWWWWWWWWWWWWgK......
........KWWWWWWWWWWWWWWWgK......
........KWWWWWWWWWWWWWWgK.......
.........KWWWWWWWWWWWWWgK.......
.........KWWWWWWWWWWWWgK........
..........KWWWWWWWWWWWgK........
..........KKKKKKKKKKKKKK........
..........KtttttttttttTK........
..........KtttttttttttTK........
..........KKKKKKKKKKKKKK........
................................
................................
................................
................................
................................
................................
................................
"""

CURSOR_PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (20, 120, 112),
    (0, 0, 128), (128, 0, 128), (42, 212, 200), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
CURSOR_INDEX = {"K": 0, "W": 15, "g": 7, "d": 8, "t": 6, "T": 3}


def parse_art(art):
    rows = [r for r in art.strip("\n").split("\n")]
    assert len(rows) == 32, len(rows)
    pix, transparent = [], []
    for r in rows:
        r = r.ljust(32, ".")
        assert len(r) == 32, r
        for c in r:
            if c == ".":
                pix.append(0)
                transparent.append(1)
            else:
                pix.append(CURSOR_INDEX[c])
                transparent.append(0)
    return pix, transparent


# ---------------------------------------------------------------------------
# File formats.

def _bmp(w, h, bpp, palette, rows):
    """rows: top-down list of packed row bytes (already padded)."""
    data = b"".join(reversed(rows))
    ncol = len(palette)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    off = 14 + 40 + len(pal)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bpp, 0, len(data), 2835, 2835,
                       ncol, 0)
    head = struct.pack("<2sIHHI", b"BM", off + len(data), 0, 0, off)
    return head + info + pal + data


def _pack_bits(bits):
    out = bytearray((len(bits) + 31) // 32 * 4)
    for i, b in enumerate(bits):
        if b:
            out[i // 8] |= 0x80 >> (i % 8)
    return bytes(out)


def bmp24(w, h, pixels):
    stride = (w * 3 + 3) & ~3
    rows = []
    for y in range(h):
        row = bytearray()
        for (r, g, b) in pixels[y * w:(y + 1) * w]:
            row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        rows.append(bytes(row))
    return _bmp(w, h, 24, [], rows)


def bmp8_grey(w, h, values):
    stride = (w + 3) & ~3
    rows = [bytes(values[y * w:(y + 1) * w]) + b"\0" * (stride - w) for y in range(h)]
    return _bmp(w, h, 8, [(i, i, i) for i in range(256)], rows)


def bmp1(w, h, black):
    """1 = black (palette index 1), 0 = white (index 0)."""
    rows = [_pack_bits(black[y * w:(y + 1) * w]) for y in range(h)]
    return _bmp(w, h, 1, [(255, 255, 255), (0, 0, 0)], rows)


def cursor(art, hot):
    pix, transparent = parse_art(art)
    xor_rows, and_rows = [], []
    for y in range(32):
        row = bytearray(16)
        for x in range(32):
            v = pix[y * 32 + x]
            row[x // 2] |= v << (4 if x % 2 == 0 else 0)
        xor_rows.append(bytes(row))
        and_rows.append(_pack_bits(transparent[y * 32:(y + 1) * 32]))
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in CURSOR_PALETTE)
    xor = b"".join(reversed(xor_rows))
    andm = b"".join(reversed(and_rows))
    info = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 4, 0, len(xor) + len(andm), 0, 0, 0, 0)
    image = info + pal + xor + andm
    head = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 16, 0, hot[0], hot[1], len(image), 6 + 16)
    return head + entry + image


FILES = {
    "background": "skin_background.bmp",
    "full": "skin_outline_full.bmp",
    "mini": "skin_outline_mini.bmp",
    "animation": "skin_outline_animation.bmp",
    "drag": "skin_drag_area.bmp",
    "link": "skin_link_area.bmp",
    "logo": "about_logo.bmp",
    "hover": "cursor_hover.cur",
    "grab": "cursor_drag.cur",
}
HOT_HOVER = (12, 1)
HOT_GRAB = (16, 14)


def write(name, data):
    path = os.path.join(RES, FILES[name])
    with open(path, "wb") as f:
        f.write(data)
    print("wrote", os.path.relpath(path, os.path.join(RES, "..")))


def generate():
    full = outline_full()
    write("full", bmp8_grey(W, H, [255 if v else 0 for v in full]))
    write("mini", bmp1(W, H, [0 if v else 1 for v in outline_mini()]))
    aw, ah = CONTROLS[1003][3], CONTROLS[1003][4]
    write("animation", bmp1(aw, ah, outline_animation()))
    write("drag", bmp1(W, H, drag_area()))
    write("link", bmp1(W, H, link_area()))
    write("background", bmp24(W, H, draw_background()))
    write("logo", bmp24(LOGO_W, LOGO_H, draw_about_logo()))
    write("hover", cursor(HAND_POINT, HOT_HOVER))
    write("grab", cursor(HAND_GRAB, HOT_GRAB))


# ---------------------------------------------------------------------------
# Reading back and checking.

def read_bmp(path):
    d = open(path, "rb").read()
    magic, _, _, _, off = struct.unpack_from("<2sIHHI", d, 0)
    assert magic == b"BM", "not a BMP"
    (size, w, h, planes, bpp, comp, _, _, _, used, _) = struct.unpack_from("<IiiHHIIiiII", d, 14)
    assert size == 40 and planes == 1 and comp == 0 and h > 0
    ncol = used if used else (1 << bpp if bpp <= 8 else 0)
    pal = [struct.unpack_from("<BBBB", d, 54 + 4 * i)[:3][::-1] for i in range(ncol)]
    stride = (w * bpp + 31) // 32 * 4
    px = []
    for y in range(h):
        row = d[off + (h - 1 - y) * stride: off + (h - y) * stride]
        for x in range(w):
            if bpp == 24:
                px.append((row[3 * x + 2], row[3 * x + 1], row[3 * x]))
            elif bpp == 8:
                px.append(row[x])
            elif bpp == 1:
                px.append((row[x // 8] >> (7 - x % 8)) & 1)
    return {"w": w, "h": h, "bpp": bpp, "used": used, "pal": pal, "px": px}


def read_cur(path):
    d = open(path, "rb").read()
    res, typ, count = struct.unpack_from("<HHH", d, 0)
    bw, bh, ncol, _, hx, hy, size, off = struct.unpack_from("<BBBBHHII", d, 6)
    hdr = struct.unpack_from("<IiiHHIIiiII", d, off)
    return {"type": typ, "count": count, "w": bw, "h": bh, "colors": ncol, "hot": (hx, hy),
            "bih_w": hdr[1], "bih_h": hdr[2], "bpp": hdr[4],
            "size_ok": off + size == len(d), "data": d, "off": off}


def check():
    fails = []

    def need(cond, what):
        if not cond:
            fails.append(what)

    def path(name):
        return os.path.join(RES, FILES[name])

    bg = read_bmp(path("background"))
    need((bg["w"], bg["h"], bg["bpp"]) == (W, H, 24), "background: 300 x 255, 24 bit")
    logo = read_bmp(path("logo"))
    need((logo["w"], logo["h"], logo["bpp"]) == (LOGO_W, LOGO_H, 24), "about logo: 200 x 47, 24 bit")

    full = read_bmp(path("full"))
    need((full["w"], full["h"], full["bpp"], full["used"]) == (W, H, 8, 256),
         "full outline: 300 x 255, 8 bit, 256 colours")
    need(all(full["pal"][i] == (i, i, i) for i in range(256)), "full outline: grey palette")
    need(set(full["px"]) <= {0, 255}, "full outline: only 0 and 255")
    fin = [v == 255 for v in full["px"]]

    def rect_all(m, r, w=W):
        return all(m[y * w + x] for y in range(r[1], r[3] + 1) for x in range(r[0], r[2] + 1))

    def rect_none(m, r, w=W):
        return not any(m[y * w + x] for y in range(r[1], r[3] + 1) for x in range(r[0], r[2] + 1))

    def grow(r, d):
        return (r[0] - d, r[1] - d, r[2] + d, r[3] + d)

    for cid in CONTROLS:
        need(rect_all(fin, grow(picture_rect(cid), 2)),
             "full outline holds %s (with 2 px to spare)" % CONTROLS[cid][0])

    bw = [(255, 255, 255), (0, 0, 0)]
    mini = read_bmp(path("mini"))
    need((mini["w"], mini["h"], mini["bpp"], mini["pal"]) == (W, H, 1, bw),
         "mini outline: 300 x 255, 1 bit, white/black")
    min_in = [v == 0 for v in mini["px"]]
    rows = sorted({i // W for i, v in enumerate(min_in) if v})
    need(rows and rows[0] == 158 and rows[-1] == 224 and len(rows) == 67,
         "mini outline: inside exactly in rows 158..224")
    for cid in MINI_SHOWS:
        need(rect_all(min_in, picture_rect(cid)), "mini outline holds %s" % CONTROLS[cid][0])
    for cid in MINI_HIDES:
        need(rect_none(min_in, picture_rect(cid)), "mini outline leaves out %s" % CONTROLS[cid][0])
    need(all(f or not m for f, m in zip(fin, min_in)), "mini outline inside the full one")
    for bar in DRAG_BARS:
        r = client_to_picture(bar)
        n = sum(min_in[y * W + x] for y in range(r[1], r[3] + 1) for x in range(r[0], r[2] + 1))
        need(n * 2 > (r[2] - r[0] + 1) * (r[3] - r[1] + 1), "mini outline holds most of a grip bar")

    anim = read_bmp(path("animation"))
    aw, ah = CONTROLS[1003][3], CONTROLS[1003][4]
    need((anim["w"], anim["h"], anim["bpp"], anim["pal"]) == (aw, ah, 1, bw),
         "animation outline: 197 x 99, 1 bit, white/black")
    need(rect_all(anim["px"], (10, 10, aw - 11, ah - 11), aw), "animation outline: centre visible")
    need(anim["px"][0] == 0 and anim["px"][aw * ah - 1] == 0, "animation outline: corners clipped")

    drag = read_bmp(path("drag"))
    need((drag["w"], drag["h"], drag["bpp"], drag["pal"]) == (W, H, 1, bw),
         "drag area: 300 x 255, 1 bit, white/black")
    dm = drag["px"]
    arch = [0] * (W * H)
    barm = [0] * (W * H)
    for (x0, y0, x1, y1) in DRAG_BARS:
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                barm[y * W + x] = 1
    for i in range(W * H):
        if dm[i] and not barm[i]:
            arch[i] = 1
    # the bars stand clear of the arch, so they are exactly their rectangles
    need(all(dm[i] for i in range(W * H) if barm[i]), "drag area: both bars complete")
    col = [arch[y * W + 150] for y in range(H)]
    need(col[:38] == [1] * 38 and not any(col[38:]), "drag area: arch 38 px thick at column 150")
    arows = sorted({i // W for i, v in enumerate(arch) if v})
    need(arows and arows[0] == 0 and arows[-1] == DRAG_ARCH_BOTTOM,
         "drag area: arch from row 0 down to row %d" % DRAG_ARCH_BOTTOM)
    for (x0, y0, x1, y1) in DRAG_BARS:
        # nothing of the arch touches a bar
        need(rect_none(arch, (x0 - 1, y0 - 1, x1 + 1, y1 + 1)), "drag area: bar stands alone")
    # the arch follows the outer edge of the full outline
    off = sum(1 for y in range(0, DRAG_ARCH_BOTTOM + 1) for x in range(W)
              if arch[y * W + x] and not (x + INSET[0] < W and fin[(y + INSET[1]) * W + x + INSET[0]]))
    need(off == 0, "drag area: arch inside the full outline (%d pixels outside)" % off)
    edge_gap = 0
    for x in range(W - INSET[0]):
        top_o = next((y for y in range(H) if fin[y * W + x + INSET[0]]), None)
        top_a = next((y for y in range(H) if arch[y * W + x]), None)
        if top_o is not None and top_a is not None and top_o >= INSET[1]:
            edge_gap = max(edge_gap, abs((top_o - INSET[1]) - top_a))
    need(edge_gap == 0, "drag area: arch top edge = outline top edge (off by %d)" % edge_gap)

    link = read_bmp(path("link"))
    need((link["w"], link["h"], link["bpp"], link["pal"]) == (W, H, 1, bw),
         "link area: 300 x 255, 1 bit, white/black")
    want = [0] * (W * H)
    for (x0, y0, x1, y1) in LINK_BLOCKS:
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                want[y * W + x] = 1
    need(link["px"] == want, "link area: exactly the two blocks")

    for name, hot in (("hover", HOT_HOVER), ("grab", HOT_GRAB)):
        c = read_cur(path(name))
        need((c["type"], c["count"], c["w"], c["h"], c["colors"]) == (2, 1, 32, 32, 16),
             "%s: one 32 x 32 cursor of 16 colours" % FILES[name])
        need(c["hot"] == hot, "%s: hot spot %s" % (FILES[name], hot))
        need((c["bih_w"], c["bih_h"], c["bpp"]) == (32, 64, 4) and c["size_ok"],
             "%s: 4 bit image with its mask" % FILES[name])
        # the hot spot lies on the hand, not on a transparent pixel
        d, o = c["data"], c["off"] + 40 + 64 + 32 * 16
        ry = 31 - hot[1]
        bit = (d[o + ry * 4 + hot[0] // 8] >> (7 - hot[0] % 8)) & 1
        need(bit == 0, "%s: hot spot on the hand" % FILES[name])

    for f in fails:
        print("FAIL:", f)
    print("OK" if not fails else "%d check(s) failed" % len(fails))
    return not fails


# ---------------------------------------------------------------------------
# Previews.

def preview(outdir):
    os.makedirs(outdir, exist_ok=True)
    bg = read_bmp(os.path.join(RES, FILES["background"]))["px"]
    full = [v == 255 for v in read_bmp(os.path.join(RES, FILES["full"]))["px"]]
    mini = [v == 0 for v in read_bmp(os.path.join(RES, FILES["mini"]))["px"]]
    drag = read_bmp(os.path.join(RES, FILES["drag"]))["px"]
    link = read_bmp(os.path.join(RES, FILES["link"]))["px"]
    anim = read_bmp(os.path.join(RES, FILES["animation"]))["px"]
    grey = (128, 128, 128)
    for name, m, shown in (("full", full, list(CONTROLS)), ("mini", mini, list(MINI_SHOWS))):
        px = [p if i else grey for p, i in zip(bg, m)]
        for cid in shown:
            x0, y0, x1, y1 = picture_rect(cid)
            for x in range(x0, x1 + 1):
                for y in (y0, y1):
                    px[y * W + x] = TEAL
            for y in range(y0, y1 + 1):
                for x in (x0, x1):
                    px[y * W + x] = TEAL
        with open(os.path.join(outdir, "composite_%s.bmp" % name), "wb") as f:
            f.write(bmp24(W, H, px))
    # the hot areas tinted over the full form
    px = []
    for i, p in enumerate(bg):
        if not full[i]:
            px.append(grey)
            continue
        x, y = i % W - INSET[0], i // W - INSET[1]
        c = p
        if 0 <= x < W and 0 <= y < H:
            if drag[y * W + x]:
                c = mix(c, (255, 80, 40), 0.45)
            if link[y * W + x]:
                c = mix(c, (60, 120, 255), 0.5)
        px.append(tuple(int(v) for v in c))
    with open(os.path.join(outdir, "composite_hot.bmp"), "wb") as f:
        f.write(bmp24(W, H, px))
    print("previews in", outdir)


def main(argv):
    if "--check" in argv:
        return 0 if check() else 1
    generate()
    if "--preview" in argv:
        preview(argv[argv.index("--preview") + 1])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
