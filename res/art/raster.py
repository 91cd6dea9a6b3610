"""A tiny deterministic rasteriser: anti-aliased shapes on an RGB canvas and
a median-cut reduction to a 256-colour palette. Standard library only.

Coverage maps are dicts {pixel index: coverage 0..1}; pixel (x, y) is sampled
at its centre (x + 0.5, y + 0.5).
"""
import math


def lerp(a, b, t):
    return tuple(p + (q - p) * t for p, q in zip(a, b))


def clamp01(v):
    return 0.0 if v < 0.0 else 1.0 if v > 1.0 else v


class Canvas:
    def __init__(self, width, height, colour_at):
        """A canvas filled with colour_at(x, y) for every pixel."""
        self.w, self.h = width, height
        self.px = [list(colour_at(x, y)) for y in range(height)
                   for x in range(width)]

    def paint(self, cover, colour, alpha=1.0):
        """Blend colour (a tuple, or a function of x, y) over covered pixels."""
        w = self.w
        for i, c in cover.items():
            a = min(c, 1.0) * alpha
            col = colour(i % w, i // w) if callable(colour) else colour
            p = self.px[i]
            for k in range(3):
                p[k] += (col[k] - p[k]) * a

    def glow(self, cx, cy, rx, ry, colour, strength):
        """Add light falling off smoothly to zero at the ellipse (rx, ry)."""
        for y in range(max(0, int(cy - ry)), min(self.h, int(cy + ry) + 2)):
            dy = (y + 0.5 - cy) / ry
            for x in range(max(0, int(cx - rx)), min(self.w, int(cx + rx) + 2)):
                dx = (x + 0.5 - cx) / rx
                d2 = dx * dx + dy * dy
                if d2 < 1.0:
                    f = (1.0 - d2) * (1.0 - d2) * strength
                    p = self.px[y * self.w + x]
                    for k in range(3):
                        p[k] += colour[k] * f

    def to_bytes(self):
        """Clamped, rounded 8-bit RGB triples, one per pixel."""
        return [tuple(min(255, max(0, int(v + 0.5))) for v in p)
                for p in self.px]


def fill_polygon(canvas, points, sub=4):
    """Coverage of a polygon (even-odd), exact across each of `sub` sample
    rows per pixel row."""
    cover = {}
    ys = [p[1] for p in points]
    edges = list(zip(points, points[1:] + points[:1]))
    w = canvas.w
    for y in range(max(0, int(min(ys))), min(canvas.h, int(max(ys)) + 1)):
        for s in range(sub):
            sy = y + (s + 0.5) / sub
            xs = sorted(x0 + (sy - y0) * (x1 - x0) / (y1 - y0)
                        for (x0, y0), (x1, y1) in edges
                        if (y0 <= sy < y1) or (y1 <= sy < y0))
            for xa, xb in zip(xs[0::2], xs[1::2]):
                xa, xb = max(0.0, xa), min(float(w), xb)
                for x in range(int(xa), min(w, int(math.ceil(xb)))):
                    part = min(xb, x + 1) - max(xa, x)
                    if part > 0:
                        i = y * w + x
                        cover[i] = cover.get(i, 0.0) + part / sub
    return cover


def stroke(canvas, points, width, soft=1.0, taper=None):
    """Coverage of a polyline of round-capped segments. Coverage falls from 1
    to 0 over `soft` pixels at the edge; `taper(t)` scales the width along
    the line (t from 0 at the first point to 1 at the last)."""
    cover = {}
    n = len(points) - 1
    for k, ((ax, ay), (bx, by)) in enumerate(zip(points, points[1:])):
        half = width / 2 * (taper((k + 0.5) / n) if taper else 1.0)
        reach = half + soft
        dx, dy = bx - ax, by - ay
        l2 = dx * dx + dy * dy or 1e-9
        x0 = max(0, int(min(ax, bx) - reach))
        x1 = min(canvas.w, int(max(ax, bx) + reach) + 1)
        for y in range(max(0, int(min(ay, by) - reach)),
                       min(canvas.h, int(max(ay, by) + reach) + 1)):
            py = y + 0.5 - ay
            for x in range(x0, x1):
                px = x + 0.5 - ax
                t = clamp01((px * dx + py * dy) / l2)
                ex, ey = px - t * dx, py - t * dy
                c = (half + soft / 2 - math.sqrt(ex * ex + ey * ey)) / soft
                if c > 0:
                    i = y * canvas.w + x
                    c = min(c, 1.0)
                    if c > cover.get(i, 0.0):
                        cover[i] = c
    return cover


def bezier(p0, p1, p2, steps):
    """Points along a quadratic Bezier curve."""
    out = []
    for k in range(steps + 1):
        t = k / steps
        a, b, c = (1 - t) * (1 - t), 2 * t * (1 - t), t * t
        out.append((a * p0[0] + b * p1[0] + c * p2[0],
                    a * p0[1] + b * p1[1] + c * p2[1]))
    return out


def arc(cx, cy, rx, ry, start, end, steps):
    """Points along an elliptical arc; angles in degrees, y pointing down."""
    out = []
    for k in range(steps + 1):
        a = math.radians(start + (end - start) * k / steps)
        out.append((round(cx + rx * math.cos(a), 9),
                    round(cy + ry * math.sin(a), 9)))
    return out


class Lcg:
    """A small fixed pseudo-random sequence, so pictures never change."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF

    def next(self):
        """A float in [0, 1)."""
        self.state = (self.state * 1664525 + 1013904223) & 0xFFFFFFFF
        return (self.state >> 8) / float(1 << 24)

    def between(self, lo, hi):
        return lo + (hi - lo) * self.next()


# Channel weights for colour distances: the eye sees green steps soonest.
WEIGHTS = (3, 4, 2)


def _box_stats(box):
    """(weighted squared error, channel of widest spread) of a colour box."""
    total = sum(n for _, n in box)
    means = [sum(c[k] * n for c, n in box) / total for k in range(3)]
    spread = [sum((c[k] - means[k]) ** 2 * n for c, n in box) * WEIGHTS[k]
              for k in range(3)]
    return sum(spread), spread.index(max(spread))


def _box_mean(box):
    total = sum(n for _, n in box)
    return tuple(int(sum(c[k] * n for c, n in box) / total + 0.5)
                 for k in range(3))


def median_cut(histogram, count):
    """Reduce {colour: pixels} to at most `count` colours."""
    boxes = [sorted(histogram.items())]
    stats = [_box_stats(boxes[0])]
    while len(boxes) < count:
        worst = max(range(len(boxes)), key=lambda b: stats[b][0])
        if stats[worst][0] == 0:
            break
        box, channel = boxes[worst], stats[worst][1]
        box.sort(key=lambda cn: (cn[0][channel], cn[0]))
        half, run, cut = sum(n for _, n in box) / 2, 0, 1
        for cut, (_, n) in enumerate(box[:-1], 1):
            run += n
            if run >= half:
                break
        low, high = box[:cut], box[cut:]
        boxes[worst:worst + 1] = [low, high]
        stats[worst:worst + 1] = [_box_stats(low), _box_stats(high)]
    return [_box_mean(b) for b in boxes]


def nearest(palette, colour):
    r, g, b = colour
    wr, wg, wb = WEIGHTS
    return min(range(len(palette)),
               key=lambda i: (wr * (palette[i][0] - r) ** 2 +
                              wg * (palette[i][1] - g) ** 2 +
                              wb * (palette[i][2] - b) ** 2, i))


def quantise(pixels, width, fixed, free_rows):
    """Map 8-bit RGB pixels to a 256-entry palette that starts with the
    `fixed` colours. Rows below `free_rows` are expected to hold only fixed
    colours and are mapped exactly; the rows above are error-diffused
    (Floyd-Steinberg) so gradients do not band. Returns (palette, indices)."""
    height = len(pixels) // width
    upper = pixels[:free_rows * width]
    histogram = {}
    for p in upper:
        histogram[p] = histogram.get(p, 0) + 1
    palette = list(fixed) + sorted(set(median_cut(histogram, 256 - len(fixed)))
                                   - set(fixed))
    palette += [(0, 0, 0)] * (256 - len(palette))
    exact = {c: i for i, c in enumerate(palette[:len(fixed)])}
    cache = {}
    indices = []
    err = [[0.0] * 3 for _ in range(width + 2)]
    for y in range(height):
        row = pixels[y * width:(y + 1) * width]
        if y >= free_rows:
            for p in row:
                if p not in exact:
                    raise ValueError('colour %r at row %d is not fixed' % (p, y))
                indices.append(exact[p])
            continue
        below = [[0.0] * 3 for _ in range(width + 2)]
        for x, p in enumerate(row):
            want = [min(255.0, max(0.0, p[k] + err[x + 1][k])) for k in range(3)]
            key = tuple(int(v + 0.5) >> 1 for v in want)
            idx = cache.get(key)
            if idx is None:
                idx = cache[key] = nearest(palette, tuple(2 * v + 1 for v in key))
            indices.append(idx)
            got = palette[idx]
            for k in range(3):
                e = want[k] - got[k]
                err[x + 2][k] += e * 7 / 16
                below[x][k] += e * 3 / 16
                below[x + 1][k] += e * 5 / 16
                below[x + 2][k] += e * 1 / 16
        err = below
    return palette, indices
