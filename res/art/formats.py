"""Byte-exact writers for palette BMP files and ICO files."""
import struct

BI_RGB, BI_RLE8 = 0, 1
PIXELS_PER_METRE = 3780  # 96 dots per inch
# A run this long ends a stretch of absolute pixels: shorter ones cost less inside it.
RLE_RUN_BREAKS = 4
# The longest block of absolute pixels: the format allows 255, but Wine's decoder misplaces
# the rest of a row after a block of 255 and its pad byte.
ABSOLUTE_MOST = 254


def _info_header(width, height, bpp, image_bytes, colours, compression=BI_RGB):
    """A BITMAPINFOHEADER."""
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, bpp, compression,
                       image_bytes, PIXELS_PER_METRE, PIXELS_PER_METRE,
                       colours, 0)


def _palette(colours):
    """RGBQUADs: blue, green, red, reserved."""
    return b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in colours)


def _rows(width, height, bpp, value_at):
    """Bottom-up pixel rows of `bpp` bits each, padded to 32 bits."""
    per_byte = 8 // bpp
    stride = ((width * bpp + 31) // 32) * 4
    out = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray(stride)
        for x in range(width):
            shift = 8 - bpp * (x % per_byte + 1)
            row[x // per_byte] |= value_at(x, y) << shift
        out += row
    return bytes(out)


def _absolute(out, pixels):
    """Pixels with no runs worth coding: blocks of 3 to ABSOLUTE_MOST in absolute
    mode (padded to a whole word), the odd one or two as runs of their own."""
    while pixels:
        block, pixels = pixels[:ABSOLUTE_MOST], pixels[ABSOLUTE_MOST:]
        if len(block) >= 3:
            out += bytes((0, len(block))) + block + b'\0' * (len(block) & 1)
        else:
            for index in block:
                out += bytes((1, index))


def _rle8_row(out, row):
    """One row in BI_RLE8, ended by an end-of-line escape."""
    x, pending = 0, bytearray()
    while x < len(row):
        run = 1
        while x + run < len(row) and row[x + run] == row[x] and run < 255:
            run += 1
        if run >= RLE_RUN_BREAKS or (run >= 2 and not pending):
            _absolute(out, pending)
            pending = bytearray()
            out += bytes((run, row[x]))
        else:
            pending += row[x:x + run]
        x += run
    _absolute(out, pending)
    out += b'\0\0'


def bmp8(width, height, palette, indices, rle=True):
    """An 8-bit, 256-colour, bottom-up .bmp file: run-length encoded
    (BI_RLE8), or with plain rows (BI_RGB) when rle is False."""
    if len(palette) != 256 or len(indices) != width * height:
        raise ValueError('bmp8 needs 256 colours and one index per pixel')
    if rle:
        pixels = bytearray()
        for y in range(height - 1, -1, -1):
            _rle8_row(pixels, bytes(indices[y * width:(y + 1) * width]))
        pixels += b'\0\1'  # end of bitmap
    else:
        pixels = _rows(width, height, 8, lambda x, y: indices[y * width + x])
    offset = 14 + 40 + 256 * 4
    return (struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
            + _info_header(width, height, 8, len(pixels), 256,
                           BI_RLE8 if rle else BI_RGB)
            + _palette(palette) + pixels)


def ico(images):
    """An .ico file. Each image is (size, bpp, palette, rows), where rows are
    strings of palette indices, None marking a transparent pixel."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for size, bpp, palette, rows in images:
        if len(palette) != 1 << bpp or len(rows) != size or \
                any(len(r) != size for r in rows):
            raise ValueError('icon image does not match its size or depth')
        xor = _rows(size, size, bpp, lambda x, y: rows[y][x] or 0)
        mask = _rows(size, size, 1, lambda x, y: rows[y][x] is None)
        blob = (_info_header(size, 2 * size, bpp, len(xor) + len(mask), 0)
                + _palette(palette) + xor + mask)
        entries.append(struct.pack('<BBBBHHII', size % 256, size % 256,
                                   len(palette) % 256, 0, 1, bpp,
                                   len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    return struct.pack('<HHH', 0, 1, len(images)) + b''.join(entries + blobs)
