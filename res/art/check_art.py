#!/usr/bin/env python3
"""Validate the generated picture, icons and licence fragment.

usage: check_art.py OUTDIR

Reads the files as Windows would (headers, palettes, masks) and checks the
formats and a few properties the installer relies on. Prints one line per
finding; exits 1 if any check fails.
"""
import os
import struct
import sys

PICTURE = ('tarven.bmp', 556, 384)
PLAIN_PICTURE = 'tarven-plain.bmp' # the same, uncompressed, for the tests
# Where pages draw green text on blue: picture rows and columns.
BAND_ROWS, BAND_COLS = range(300, 384), range(40, 556)
BAND_BLUE = 0x88

# Icon file: (size, bits per pixel) of each image, and what its opaque pixels
# should mostly be.
ICONS = {
    'quill.ico': ([(32, 4), (16, 4)], 'blue'),
    'folder.ico': ([(16, 4)], 'yellow'),
    'up.ico': ([(16, 4)], 'black'),
    'newfolder.ico': ([(16, 4)], 'green'),
}
HUES = {
    'blue': lambda r, g, b: b >= 128 and r < 64 and g < 64,
    'yellow': lambda r, g, b: r >= 128 and g >= 128 and b < 64,
    'green': lambda r, g, b: g >= 128 and r < 64 and b < 64,
    'black': lambda r, g, b: r == g == b == 0,
}


class Report:
    def __init__(self):
        self.failed = 0

    def check(self, ok, what):
        print(('ok   ' if ok else 'FAIL ') + what)
        self.failed += not ok
        return ok


def info_header(data, at):
    """BITMAPINFOHEADER fields by name."""
    names = ('size', 'width', 'height', 'planes', 'bpp', 'compression',
             'image_bytes', 'xppm', 'yppm', 'colours', 'important')
    return dict(zip(names, struct.unpack_from('<IiiHHIIiiII', data, at)))


def palette(data, at, count):
    return [(data[at + 4 * i + 2], data[at + 4 * i + 1], data[at + 4 * i])
            for i in range(count)]


def stride(width, bpp):
    return (width * bpp + 31) // 32 * 4


def pixel(data, at, width, height, bpp, x, y):
    """Value of pixel (x, y), y counted from the top, in bottom-up rows."""
    row = at + (height - 1 - y) * stride(width, bpp)
    per_byte = 8 // bpp
    byte = data[row + x // per_byte]
    return (byte >> (8 - bpp * (x % per_byte + 1))) & ((1 << bpp) - 1)


def rle8_rows(data, at, width, height):
    """The rows of BI_RLE8 pixels from `at` to the end of data, top row first;
    None unless every row is filled exactly and ended by its end-of-line
    escape, the last followed by the end of the bitmap (no deltas)."""
    rows, row = [], bytearray()
    while at + 2 <= len(data):
        count, value = data[at], data[at + 1]
        at += 2
        if count:
            row += bytes((value,)) * count
        elif value == 0:
            if len(row) != width:
                return None
            rows.append(row)
            row = bytearray()
        elif value == 1:
            ended = not row and len(rows) == height and at == len(data)
            return rows[::-1] if ended else None
        elif value == 2 or at + value > len(data):
            return None
        else:
            row += data[at:at + value]
            at += value + (value & 1)
        if len(row) > width:
            return None
    return None


def check_picture(rep, path, width, height):
    data = open(path, 'rb').read()
    name = os.path.basename(path)
    if not rep.check(len(data) >= 54 and data[:2] == b'BM',
                     '%s: BMP signature' % name):
        return
    size, _, _, offset = struct.unpack_from('<IHHI', data, 2)
    h = info_header(data, 14)
    rep.check(size == len(data), '%s: file size field %d, file %d bytes'
              % (name, size, len(data)))
    rep.check(h['size'] == 40, '%s: BITMAPINFOHEADER (%d bytes)'
              % (name, h['size']))
    rep.check((h['width'], h['height']) == (width, height),
              '%s: %dx%d, bottom-up (want %dx%d)'
              % (name, h['width'], h['height'], width, height))
    rep.check(h['planes'] == 1 and h['bpp'] == 8 and h['compression'] == 1,
              '%s: 1 plane, 8 bits per pixel, BI_RLE8 (got %d, %d, %d)'
              % (name, h['planes'], h['bpp'], h['compression']))
    colours = h['colours'] or 256
    rep.check(colours == 256, '%s: 256-colour palette (got %d)'
              % (name, colours))
    want_offset = 14 + 40 + 4 * colours
    rep.check(offset == want_offset, '%s: pixels at offset %d (want %d)'
              % (name, offset, want_offset))
    rep.check(h['image_bytes'] == len(data) - offset,
              '%s: header gives %d bytes of coded pixels, the file has %d'
              % (name, h['image_bytes'], len(data) - offset))
    rows = rle8_rows(data, offset, width, height)
    if not rep.check(rows is not None, '%s: every row coded to its end, then '
                     'the end of the bitmap' % name):
        return
    pal = palette(data, 14 + 40, colours)

    def colour(x, y):
        return pal[rows[y][x]]

    band = {colour(x, y) for y in BAND_ROWS for x in BAND_COLS}
    worst = max(band, key=lambda c: (max(c[0], c[1]), c[2]))
    rep.check(all(r <= 16 and g <= 16 and b <= BAND_BLUE + 8
                  for r, g, b in band),
              '%s: text band is dark blue (brightest %r)' % (name, worst))
    blues = [b for _, _, b in band]
    rep.check(max(blues) - min(blues) <= 0x30,
              '%s: text band is calm (blue from %d to %d)'
              % (name, min(blues), max(blues)))
    upper = {colour(x, y) for y in range(0, 300) for x in range(width)}
    light = [c for c in upper if sum(c) >= 600]
    rep.check(len(upper) >= 128 and light,
              '%s: a real picture above the band (%d colours, %d light)'
              % (name, len(upper), len(light)))
    plain = open(os.path.join(os.path.dirname(path), PLAIN_PICTURE), 'rb').read()
    rep.check(plain[54:offset] == data[54:offset] and
              all(pixel(plain, offset, width, height, 8, x, y) == rows[y][x]
                  for y in range(height) for x in range(width)),
              '%s: the same palette and pixels as %s' % (PLAIN_PICTURE, name))


def check_icon(rep, path, images, hue):
    data = open(path, 'rb').read()
    name = os.path.basename(path)
    if not rep.check(len(data) >= 6, '%s: has an ICONDIR' % name):
        return
    reserved, kind, count = struct.unpack_from('<HHH', data, 0)
    if not rep.check((reserved, kind, count) == (0, 1, len(images)) and
                     len(data) >= 6 + 16 * count,
                     '%s: icon file with %d images (got type %d, %d images)'
                     % (name, len(images), kind, count)):
        return
    end = 6 + 16 * count
    opaque = []
    for n, (size, bpp) in enumerate(images):
        w, h, colours, zero, planes, bits, length, at = struct.unpack_from(
            '<BBBBHHII', data, 6 + 16 * n)
        what = '%s image %d' % (name, n)
        rep.check((w, h, bits, planes, zero) == (size % 256, size % 256, bpp,
                                                  1, 0)
                  and colours == (1 << bpp) % 256,
                  '%s: entry %dx%d, %d bpp, %d colours (want %dx%d, %d bpp)'
                  % (what, w, h, bits, colours, size, size, bpp))
        want = 40 + 4 * (1 << bpp) + (stride(size, bpp) + stride(size, 1)) * size
        if not rep.check(at == end and length == want and at + length
                         <= len(data), '%s: %d bytes at %d (want %d at %d, '
                         'in a file of %d)' % (what, length, at, want, end,
                                               len(data))):
            return
        end = at + length
        hd = info_header(data, at)
        rep.check((hd['size'], hd['width'], hd['height'], hd['planes'],
                   hd['bpp'], hd['compression']) ==
                  (40, size, 2 * size, 1, bpp, 0),
                  '%s: BITMAPINFOHEADER %dx%d (doubled height), %d bpp'
                  % (what, hd['width'], hd['height'], hd['bpp']))
        pal = palette(data, at + 40, 1 << bpp)
        xor = at + 40 + 4 * (1 << bpp)
        mask = xor + stride(size, bpp) * size
        clear = dirty = 0
        for y in range(size):
            for x in range(size):
                c = pal[pixel(data, xor, size, size, bpp, x, y)]
                if pixel(data, mask, size, size, 1, x, y):
                    clear += 1
                    dirty += c != (0, 0, 0)
                else:
                    opaque.append(c)
        rep.check(0 < clear < size * size and not dirty,
                  '%s: AND mask with %d transparent pixels, all black '
                  'underneath (%d are not)' % (what, clear, dirty))
    rep.check(end == len(data), '%s: no bytes after the last image' % name)
    share = sum(HUES[hue](*c) for c in opaque) / max(1, len(opaque))
    rep.check(share >= 0.4, '%s: mostly %s (%d%% of opaque pixels)'
              % (name, hue, 100 * share))


def check_licence(rep, path):
    text = open(path, encoding='ascii').read()
    rep.check(text.count('STRINGTABLE') == 1 and '\n  189, "' in text,
              'licence.rc: one STRINGTABLE holding string 189')


def main(argv):
    if len(argv) != 2:
        sys.stderr.write(__doc__.split('\n\n')[1] + '\n')
        return 2
    out = argv[1]
    rep = Report()
    jobs = [(check_picture, PICTURE[0], PICTURE[1:])]
    jobs += [(check_icon, name, wanted) for name, wanted in ICONS.items()]
    jobs += [(check_licence, 'licence.rc', ())]
    for job, name, args in jobs:
        path = os.path.join(out, name)
        try:
            job(rep, path, *args)
        except (OSError, UnicodeDecodeError, struct.error) as e:
            rep.check(False, '%s: unreadable (%s)' % (name, e))
    print('check-art: %s' % ('FAILED (%d problems)' % rep.failed
                             if rep.failed else 'all checks passed'))
    return 1 if rep.failed else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
