#!/usr/bin/env python3
"""Draw the installer's product picture and icons.

usage: mkart.py OUTDIR

Writes tarven.bmp (556 x 384, 256 colours, run-length encoded), quill.ico,
folder.ico, up.ico and newfolder.ico into OUTDIR, and tarven-plain.bmp, the
same picture uncompressed, for the tests. The output is the same, byte for byte, on
every run.
"""
import math
import os
import sys

import formats
from raster import (Canvas, Lcg, arc, bezier, fill_polygon, lerp, quantise,
                    stroke)

WIDTH, HEIGHT = 556, 384
# Pages draw their paths, labels and buttons over the rows from here down, in
# green on this blue, so the picture keeps them plain.
BAND_TOP = 300
BAND = (0, 0, 0x88)

SKY = [(0.0, (2, 3, 24)), (0.45, (6, 10, 70)), (0.8, (4, 6, 110)),
       (1.0, BAND)]
INK = (22, 26, 64)


def union(*covers):
    out = {}
    for cover in covers:
        for i, c in cover.items():
            if c > out.get(i, 0.0):
                out[i] = c
    return out


def sky(x, y):
    if y >= BAND_TOP:
        return BAND
    t = (y + 0.5) / BAND_TOP
    for (t0, c0), (t1, c1) in zip(SKY, SKY[1:]):
        if t <= t1:
            return lerp(c0, c1, (t - t0) / (t1 - t0))
    return BAND


class Frame:
    """Local coordinates, turned by `degrees` about `origin`."""

    def __init__(self, origin, degrees):
        self.ox, self.oy = origin
        a = math.radians(degrees)
        self.c, self.s = round(math.cos(a), 12), round(math.sin(a), 12)

    def __call__(self, u, v):
        return (self.ox + u * self.c - v * self.s,
                self.oy + u * self.s + v * self.c)

    def inverse(self, x, y):
        dx, dy = x + 0.5 - self.ox, y + 0.5 - self.oy
        return dx * self.c + dy * self.s, -dx * self.s + dy * self.c

    def path(self, points):
        return [self(u, v) for u, v in points]


# --- the title, in a small monoline script -----------------------------------
# Glyphs in em units: y down, 0 at the top of capitals, 1 on the baseline.
X_TOP = 0.42


def _arch(x0, width):
    """An m/n arch rising from the stem at x0 and coming down at x0+width."""
    half = width / 2
    return ([(x0, 0.66)] + arc(x0 + half, 0.64, half, 0.2, 180, 360, 12)
            + [(x0 + width, 1.0)])


GLYPHS = {
    'Q': (0.98, [arc(0.42, 0.5, 0.42, 0.5, 0, 360, 48),
                 bezier((0.38, 0.80), (0.62, 0.96), (1.0, 1.12), 10)]),
    'u': (0.54, [[(0, X_TOP)] + arc(0.18, 0.82, 0.18, 0.18, 180, 0, 12)
                 + [(0.36, X_TOP)], [(0.36, X_TOP), (0.36, 1.0)]]),
    'i': (0.24, [[(0, X_TOP), (0, 1.0)], [(0, 0.24), (0, 0.24)]]),
    'l': (0.24, [[(0, -0.06), (0, 1.0)]]),
    'm': (0.84, [[(0, X_TOP), (0, 1.0)], _arch(0, 0.32), _arch(0.32, 0.32)]),
    'e': (0.54, [[(0.02, 0.71), (0.41, 0.71)]
                 + arc(0.215, 0.71, 0.2, 0.29, 0, -320, 36)]),
    'r': (0.42, [[(0, X_TOP), (0, 1.0)],
                 bezier((0, 0.68), (0.05, X_TOP), (0.32, 0.46), 10)]),
}


def lettering(text, x, top, size, slant=0.2):
    """Polylines in picture pixels for `text` set at (x, top)."""
    lines = []
    for ch in text:
        advance, strokes = GLYPHS[ch]
        for points in strokes:
            lines.append([(x + (gx + slant * (1 - gy)) * size, top + gy * size)
                          for gx, gy in points])
        x += (advance + 0.14) * size
    return lines


def draw_title(cv):
    lines = lettering('Quillmere', 42, 62, 46)
    swash = bezier((40, 126), (150, 136), (262, 118), 40)
    halo = union(*[stroke(cv, p, 4, soft=14) for p in lines])
    cv.paint(halo, (255, 196, 110), 0.22)
    letters = union(*[stroke(cv, p, 3.8) for p in lines],
                    stroke(cv, swash, 3.0, taper=lambda t: 4 * t * (1 - t)))
    cv.paint(letters, lambda x, y: lerp((255, 240, 190), (232, 176, 90),
                                        min(1.0, max(0.0, (y - 60) / 70))))


# --- night sky ---------------------------------------------------------------
def draw_sky(cv):
    rnd = Lcg(1789)
    for n in range(150):
        x, y = rnd.between(0, WIDTH), rnd.between(0, BAND_TOP - 40)
        size, light = rnd.between(0.3, 1.4), rnd.between(0.3, 1.0)
        light *= 1.0 - y / BAND_TOP
        colour = lerp((170, 190, 255), (255, 240, 210), rnd.next())
        cv.paint(stroke(cv, [(x, y), (x, y)], size, soft=1.2), colour, light)
        if n % 19 == 0:
            cross = union(stroke(cv, [(x - 6, y), (x + 6, y)], 0.3, soft=1.5),
                          stroke(cv, [(x, y - 6), (x, y + 6)], 0.3, soft=1.5))
            cv.paint(cross, colour, 0.6 * light)
    # A crescent: the lit disc less a disc shifted toward the upper right.
    moon, bite = (262, 42), (270, 36)
    disc = fill_polygon(cv, arc(*moon, 17, 17, 0, 360, 64))
    shade = fill_polygon(cv, arc(*bite, 15, 15, 0, 360, 64))
    crescent = {i: c * (1 - shade.get(i, 0.0)) for i, c in disc.items()}
    cv.glow(*moon, 44, 44, (40, 50, 90), 0.6)
    cv.paint(crescent, (250, 240, 205))


# --- the sheet of paper and its writing --------------------------------------
PAPER = Frame((418, 166), -7)
PAPER_HALF = (88, 114)
RULES = [-78 + 20 * k for k in range(9)]


def handwriting(rnd, u0, u1, v):
    """A looping line of script from u0 to u1 on the ruled line v, with gaps
    between words; returns local polylines. Each letter is one turn of a
    looped cycloid, now and then a tall one."""
    words, u = [], u0
    while u < u1 - 12:
        length = min(rnd.between(12, 34), u1 - u)
        points, t, high = [], 0.0, 5.0
        while t <= length:
            turn = t * 1.35
            if turn % (2 * math.pi) < 0.5 * 1.35:
                high = 10.5 if rnd.next() < 0.2 else rnd.between(4.2, 5.6)
            points.append((round(u + t - 2.0 * math.sin(turn), 9),
                           round(v - 1.0 - high * (1 - math.cos(turn)) / 2, 9)))
            t += 0.5
        words.append(points)
        u += length + rnd.between(5, 9)
    return words


def draw_paper(cv):
    hu, hv = PAPER_HALF
    corners = [(-hu, -hv), (hu, -hv), (hu, hv - 22), (hu - 22, hv), (-hu, hv)]
    shadow = Frame((PAPER.ox + 7, PAPER.oy + 9), -7).path(corners)
    cv.paint(union(fill_polygon(cv, shadow), stroke(cv, shadow + shadow[:1],
                                                    2, soft=12)),
             (0, 0, 12), 0.5)

    def paper_colour(x, y):
        u, v = PAPER.inverse(x, y)
        t = (v + hv) / (2 * hv)
        edge = max(abs(u) / hu, abs(v) / hv)
        c = lerp((250, 242, 216), (228, 212, 178), t)
        return lerp(c, (200, 180, 150), max(0.0, edge - 0.85) * 3)

    cv.paint(fill_polygon(cv, PAPER.path(corners)), paper_colour)
    fold = PAPER.path([(hu, hv - 22), (hu - 22, hv), (hu - 20, hv - 20)])
    cv.paint(fill_polygon(cv, fold), (196, 178, 146))

    rules = union(*[stroke(cv, PAPER.path([(-hu + 6, v), (hu - 6, v)]), 0.6)
                    for v in RULES])
    cv.paint(rules, (120, 150, 210), 0.45)
    cv.paint(stroke(cv, PAPER.path([(-hu + 24, -hv + 4), (-hu + 24, hv - 4)]),
                    0.7), (210, 80, 80), 0.5)

    rnd = Lcg(42)
    writing = []
    for n, v in enumerate(RULES[1:]):
        end = hu - 10 - rnd.between(0, 24) if n < 7 else NIB_LINE_END
        writing += handwriting(rnd, -hu + 28, end, v)
    cv.paint(union(*[stroke(cv, PAPER.path(w), 1.05) for w in writing]), INK)


# --- the quill ---------------------------------------------------------------
NIB_LINE_END = 10
NIB = PAPER(NIB_LINE_END + 4, RULES[-1] - 3)
QUILL_TIP = (548, 4)
QUILL_BEND = (500, 120)
VANE_FROM = 0.26


def _vane_width(s, widest, notches):
    """Half-width of one side of the vane at s along the shaft."""
    if s <= VANE_FROM:
        return 0.0
    t = (s - VANE_FROM) / (1 - VANE_FROM)
    w = widest * math.sin(math.pi * min(1.0, t * 1.05)) ** 0.6
    for at, depth in notches:
        w *= 1 - depth * max(0.0, 1 - abs(s - at) / 0.06) ** 2
    return w


def draw_quill(cv):
    steps = 90
    shaft = bezier(NIB, QUILL_BEND, QUILL_TIP, steps)
    normals = []
    for k in range(steps + 1):
        (ax, ay), (bx, by) = shaft[max(0, k - 1)], shaft[min(steps, k + 1)]
        n = math.hypot(bx - ax, by - ay)
        normals.append((-(by - ay) / n, (bx - ax) / n))

    def side(sign, half_width):
        """The shaft moved sideways by half_width(s), s from nib to tip."""
        return [(x + sign * nx * w, y + sign * ny * w)
                for k, ((x, y), (nx, ny)) in enumerate(zip(shaft, normals))
                for w in [half_width(k / steps)]]

    left = side(-1, lambda s: _vane_width(s, 30, [(0.5, 0.4), (0.72, 0.3)]))
    right = side(1, lambda s: _vane_width(s, 17, [(0.6, 0.45)]))
    start = int(VANE_FROM * steps)
    glow = stroke(cv, shaft[start:], 20, soft=26)
    cv.paint(glow, (200, 170, 110), 0.18)

    def feather(x, y):
        t = min(1.0, max(0.0, (QUILL_TIP[1] + 250 - y) / 250))
        return lerp((250, 248, 240), (196, 210, 246), t)

    for vane, shade in ((left, 0.0), (right, 0.25)):
        outline = vane[start:] + shaft[start:][::-1]
        cv.paint(fill_polygon(cv, outline), feather)
        if shade:
            cv.paint(fill_polygon(cv, outline), (120, 136, 200), shade)
        barbs = union(*[stroke(cv, [shaft[k], vane[min(steps, k + 5)]], 0.5)
                        for k in range(start + 2, steps - 3, 2)])
        cv.paint(barbs, (130, 140, 190), 0.35)

    cv.paint(stroke(cv, shaft[int(0.12 * steps):], 2.6,
                    taper=lambda t: 1.2 - 0.9 * t), (236, 228, 206))
    nib_len = int(0.13 * steps)
    edges = [side(sign, lambda s: 3.2 * s * steps / nib_len)[:nib_len + 1]
             for sign in (1, -1)]
    cv.paint(fill_polygon(cv, edges[0] + edges[1][::-1]), (34, 32, 52))
    cv.paint(stroke(cv, shaft[1:nib_len - 3], 0.5), (200, 200, 220), 0.7)
    cv.paint(stroke(cv, [NIB, NIB], 2.2, soft=1.5), INK)


# --- the ink pot ---------------------------------------------------------------
POT_X, POT_BASE = 156, 290


def bottle(x, base):
    """Outline of a squat ink bottle standing on `base`, centred on x."""
    right = (bezier((x, base + 3), (x + 50, base + 3), (x + 54, base - 14), 8)
             + bezier((x + 54, base - 14), (x + 60, base - 36), (x + 36, base - 48),
                      10)[1:]
             + bezier((x + 36, base - 48), (x + 22, base - 54), (x + 18, base - 56),
                      4)[1:])
    return right + [(2 * x - px, py) for px, py in reversed(right[1:-1])]


def draw_inkpot(cv):
    x, base = POT_X, POT_BASE
    cv.glow(x, base - 30, 110, 34, (10, 30, 70), 1.0)
    cv.paint(fill_polygon(cv, arc(x + 6, base + 1, 64, 6, 0, 360, 48)),
             (0, 0, 20), 0.55)

    def glass(px, py):
        t = min(1.0, max(0.0, (px - x + 54) / 108))
        return lerp((50, 60, 140), (6, 6, 30), t ** 0.7)

    cv.paint(fill_polygon(cv, bottle(x, base)), glass)
    neck = [(x - 18, base - 58), (x + 18, base - 58), (x + 18, base - 52),
            (x - 18, base - 52)]
    cv.paint(fill_polygon(cv, neck), (14, 14, 44))
    rim = arc(x, base - 62, 24, 5, 0, 360, 40)
    cv.paint(fill_polygon(cv, rim), (56, 62, 136))
    cv.paint(stroke(cv, arc(x, base - 62, 22, 4, 200, 340, 12), 1.2),
             (190, 200, 255), 0.6)
    cv.paint(stroke(cv, bezier((x - 40, base - 40), (x - 50, base - 24),
                               (x - 40, base - 6), 12), 3, soft=2.5),
             (200, 215, 255), 0.4)
    cv.paint(stroke(cv, [(x - 31, base - 44), (x - 31, base - 44)], 2.5),
             (235, 240, 255), 0.8)
    label = [(x - 30, base - 36), (x + 30, base - 36), (x + 30, base - 12),
             (x - 30, base - 12)]
    cv.paint(fill_polygon(cv, label), (238, 226, 196))
    cv.paint(stroke(cv, label + label[:1], 0.8), (120, 96, 60), 0.7)
    mark = lettering('Q', x - 8, base - 33, 18)
    cv.paint(union(*[stroke(cv, p, 1.6) for p in mark]), INK)

# --- icons -------------------------------------------------------------------
# The 16-colour palette every Windows display has, in its usual order.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128),
       (128, 0, 128), (0, 128, 128), (128, 128, 128), (192, 192, 192),
       (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255),
       (0, 255, 255), (255, 255, 255)]
BLACK, OLIVE, NAVY, GREEN, GREY, SILVER = 0, 3, 4, 2, 7, 8
LIME, YELLOW, BLUE, WHITE = 10, 11, 12, 15


def quill_icon(n):
    """A white quill across a blue rounded square, n pixels wide."""
    tip, nib = (0.88 * n, 0.08 * n), (0.12 * n, 0.9 * n)
    ax, ay = tip[0] - nib[0], tip[1] - nib[1]
    length = math.hypot(ax, ay)
    ax, ay = ax / length, ay / length
    radius = n / 6

    def square(x, y):
        """Blue inside the rounded square, navy on its rim, None outside."""
        cx = min(max(x + 0.5, radius), n - radius)
        cy = min(max(y + 0.5, radius), n - radius)
        d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
        return None if d > radius else NAVY if d > radius - 1.2 else BLUE

    def quill(x, y):
        px, py = x + 0.5 - nib[0], y + 0.5 - nib[1]
        s = (px * ax + py * ay) / length
        v = px * ay - py * ax          # > 0 on the upper left side
        if not 0 <= s <= 1:
            return None
        if s < 0.2:
            return BLACK if abs(v) <= 0.035 * n * s / 0.2 + 0.3 else None
        if abs(v) < 0.5:
            return GREY
        t = (s - 0.32) / 0.68
        if t <= 0:
            return None
        wide = math.sin(math.pi * min(1.0, t * 1.06)) ** 0.6
        wide *= 1 - 0.45 * max(0.0, 1 - abs(t - (0.5 if v > 0 else 0.7)) / 0.1)
        if 0 < v <= 0.21 * n * wide:
            return WHITE
        if 0 > v >= -0.12 * n * wide:
            return SILVER
        return None

    grid = [[quill(x, y) for x in range(n)] for y in range(n)]
    out = []
    for y in range(n):
        row = []
        for x in range(n):
            near = any(grid[y + dy][x + dx] is not None
                       for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))
                       if 0 <= x + dx < n and 0 <= y + dy < n)
            back = square(x, y)
            if grid[y][x] is not None:
                row.append(grid[y][x])
            elif near and back is not None:
                row.append(NAVY)
            else:
                row.append(back)
        out.append(row)
    return out


FOLDER = [
    '................',
    '................',
    '..kkkkk.........',
    '.kHLLLLk........',
    'kHLLLLLLkkkkkkk.',
    'kHHHHHHHHHHHHHLk',
    'kHLLLLLLLLLLLLDk',
    'kHLLLLLLLLLLLLDk',
    'kHLLLLLLLLLLLLDk',
    'kHLLLLLLLLLLLLDk',
    'kHLLLLLLLLLLLLDk',
    'kHLLLLLLLLLLLLDk',
    'kHLLLLLLLLLLLLDk',
    'kDDDDDDDDDDDDDDk',
    '.kkkkkkkkkkkkkk.',
    '................',
]

UP_ARROW = [
    '................',
    '.......kk.......',
    '......kkkk......',
    '.....kkkkkk.....',
    '....kkkkkkkk....',
    '...kkkkkkkkkk...',
    '..kkkkkkkkkkkk..',
    '.kkkkkkkkkkkkkk.',
    '.....kkkkkk.....',
    '.....kkkkkk.....',
    '.....kkkkkk.....',
    '.....kkkkkk.....',
    '.....kkkkkk.....',
    '.....kkkkkk.....',
    '.....kkkkkk.....',
    '................',
]


def from_grid(grid, colours):
    """Palette index rows from a character grid; '.' is transparent."""
    return [[None if ch == '.' else colours[ch] for ch in row] for row in grid]


def icons():
    """Each icon file's name and bytes."""
    light_folder = {'k': BLACK, 'H': WHITE, 'L': YELLOW, 'D': OLIVE}
    green_folder = {'k': BLACK, 'H': WHITE, 'L': LIME, 'D': GREEN}
    return {
        'quill.ico': formats.ico([(32, 4, VGA, quill_icon(32)),
                                  (16, 4, VGA, quill_icon(16))]),
        'folder.ico': formats.ico([(16, 4, VGA,
                                    from_grid(FOLDER, light_folder))]),
        'up.ico': formats.ico([(16, 4, VGA, from_grid(UP_ARROW,
                                                      {'k': BLACK}))]),
        'newfolder.ico': formats.ico([(16, 4, VGA,
                                       from_grid(FOLDER, green_folder))]),
    }


def picture():
    """The picture as (palette, indices)."""
    cv = Canvas(WIDTH, HEIGHT, sky)
    cv.glow(420, 150, 250, 146, (46, 34, 30), 1.0)
    draw_sky(cv)
    draw_title(cv)
    draw_paper(cv)
    draw_quill(cv)
    draw_inkpot(cv)
    pixels = cv.to_bytes()
    pixels[BAND_TOP * WIDTH:] = [BAND] * ((HEIGHT - BAND_TOP) * WIDTH)
    return quantise(pixels, WIDTH, [BAND], BAND_TOP)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write(__doc__.split('\n\n')[1] + '\n')
        return 2
    out = argv[1]
    palette, indices = picture()
    files = {'tarven.bmp': formats.bmp8(WIDTH, HEIGHT, palette, indices),
             # Not carried: the same picture, uncompressed, for the tests to compare.
             'tarven-plain.bmp': formats.bmp8(WIDTH, HEIGHT, palette, indices,
                                              rle=False)}
    files.update(icons())
    try:
        os.makedirs(out, exist_ok=True)
        for name, data in files.items():
            with open(os.path.join(out, name), 'wb') as f:
                f.write(data)
    except OSError as e:
        sys.stderr.write('mkart: cannot write into %s: %s\n' % (out, e.strerror))
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
