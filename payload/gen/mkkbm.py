#!/usr/bin/env python3
"""Draws qmkeys.kbm: Quillmere's keyboard map, an 8-bit Windows BMP. Keys
that carry a shortcut are filled with the colour of their command group; a
row of swatches at the bottom shows the groups in order (see GROUPS)."""
import struct

from common import run, write_output

UNIT = 22          # pixels per key unit
GAP = 2            # between neighbouring keys
MARGIN = 10
LEGEND_HEIGHT = 26

# Palette index: colour (R, G, B).
PALETTE = [
    (0xF4, 0xF1, 0xE8),  # 0 background
    (0x50, 0x54, 0x5C),  # 1 keyboard case
    (0x20, 0x20, 0x24),  # 2 key outline
    (0xDC, 0xDC, 0xD6),  # 3 key without a shortcut
    (0xFF, 0xFF, 0xFF),  # 4 key highlight
    (0x3C, 0x78, 0xD8),  # 5 file commands
    (0x3C, 0xB4, 0x4B),  # 6 editing
    (0xE6, 0x82, 0x28),  # 7 formatting
    (0xB4, 0x3C, 0xB4),  # 8 searching
    (0xD8, 0x3C, 0x3C),  # 9 function keys
    (0xF0, 0xD0, 0x28),  # 10 modifiers
    (0x28, 0xB4, 0xB4),  # 11 cursor movement
]
BACKGROUND, CASE, OUTLINE, PLAIN, HIGHLIGHT = range(5)

# Command groups: (colour index, keys in the group).
GROUPS = [
    (5, {"N", "O", "S", "P"}),
    (6, {"Z", "Y", "X", "C", "V", "A"}),
    (7, {"B", "I", "U", "L", "E", "R"}),
    (8, {"F", "H", "G"}),
    (9, {"F1", "F3", "F7", "F12"}),
    (10, {"Ctrl", "Shift", "Alt"}),
    (11, {"Up", "Down", "Left", "Right", "Home", "End", "PgUp", "PgDn", "Ins", "Del"}),
]

# Rows of (key name, width in units); "" is an empty space.
MAIN_ROWS = [
    [("Esc", 1), ("", 1), ("F1", 1), ("F2", 1), ("F3", 1), ("F4", 1), ("", 0.5),
     ("F5", 1), ("F6", 1), ("F7", 1), ("F8", 1), ("", 0.5),
     ("F9", 1), ("F10", 1), ("F11", 1), ("F12", 1)],
    [("`", 1)] + [(d, 1) for d in "1234567890-="] + [("Back", 2)],
    [("Tab", 1.5)] + [(c, 1) for c in "QWERTYUIOP[]"] + [("\\", 1.5)],
    [("Caps", 1.75)] + [(c, 1) for c in "ASDFGHJKL;'"] + [("Enter", 2.25)],
    [("Shift", 2.25)] + [(c, 1) for c in "ZXCVBNM,./"] + [("Shift", 2.75)],
    [("Ctrl", 1.5), ("Win", 1.25), ("Alt", 1.5), ("Space", 6.25), ("Alt", 1.5),
     ("Menu", 1.25), ("Ctrl", 1.75)],
]
NAV_ROWS = [
    [],
    [("Ins", 1), ("Home", 1), ("PgUp", 1)],
    [("Del", 1), ("End", 1), ("PgDn", 1)],
    [],
    [("", 1), ("Up", 1)],
    [("Left", 1), ("Down", 1), ("Right", 1)],
]
MAIN_UNITS = 15
NAV_GAP_UNITS = 0.5
NAV_UNITS = 3

WIDTH = 2 * MARGIN + round((MAIN_UNITS + NAV_GAP_UNITS + NAV_UNITS) * UNIT) + 2 * GAP
KEYS_HEIGHT = len(MAIN_ROWS) * UNIT + GAP
HEIGHT = 2 * MARGIN + KEYS_HEIGHT + MARGIN + LEGEND_HEIGHT


def group_colour(name):
    for colour, keys in GROUPS:
        if name in keys:
            return colour
    return PLAIN


class Canvas:
    def __init__(self, width, height, fill):
        self.width = width
        self.height = height
        self.pixels = bytearray([fill]) * (width * height)

    def rect(self, x0, y0, x1, y1, colour):
        """Fills the half-open box [x0, x1) x [y0, y1), top-down."""
        for y in range(max(y0, 0), min(y1, self.height)):
            row = y * self.width
            self.pixels[row + max(x0, 0):row + min(x1, self.width)] = bytes([colour]) * (
                min(x1, self.width) - max(x0, 0))

    def key(self, x0, y0, x1, y1, colour):
        self.rect(x0, y0, x1, y1, OUTLINE)
        self.rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, colour)
        self.rect(x0 + 2, y0 + 2, x1 - 3, y0 + 3, HIGHLIGHT)


def key_boxes():
    """Yields (name, x0, y0, x1, y1) for every key, in pixels."""
    top = 2 * MARGIN
    for left_units, rows in ((0, MAIN_ROWS), (MAIN_UNITS + NAV_GAP_UNITS, NAV_ROWS)):
        for r, row in enumerate(rows):
            x = left_units
            for name, width in row:
                if name:
                    yield (name, MARGIN + GAP + round(x * UNIT) + GAP, top + r * UNIT + GAP,
                           MARGIN + GAP + round((x + width) * UNIT), top + (r + 1) * UNIT)
                x += width


def draw():
    canvas = Canvas(WIDTH, HEIGHT, BACKGROUND)
    canvas.rect(MARGIN, MARGIN, WIDTH - MARGIN, 2 * MARGIN + KEYS_HEIGHT + MARGIN // 2, CASE)
    for name, x0, y0, x1, y1 in key_boxes():
        canvas.key(x0, y0, x1, y1, group_colour(name))
    # One swatch per group, spread evenly under the keyboard.
    slot = (WIDTH - 2 * MARGIN) // len(GROUPS)
    legend_top = HEIGHT - MARGIN - LEGEND_HEIGHT
    for i, (colour, _) in enumerate(GROUPS):
        x0 = MARGIN + i * slot + 4
        canvas.key(x0, legend_top, x0 + slot - 8, HEIGHT - MARGIN, colour)
    return canvas


def bmp_bytes(canvas):
    """An uncompressed 8-bit BMP with a palette of the used colours only."""
    stride = (canvas.width + 3) & ~3
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    pixel_offset = 14 + 40 + len(palette)
    image_size = stride * canvas.height
    rows = []
    for y in range(canvas.height - 1, -1, -1):  # BMP rows run bottom-up
        row = canvas.pixels[y * canvas.width:(y + 1) * canvas.width]
        rows.append(bytes(row) + b"\0" * (stride - canvas.width))
    file_header = struct.pack("<2sIHHI", b"BM", pixel_offset + image_size, 0, 0, pixel_offset)
    info_header = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 8, 0,
                              image_size, 2835, 2835, len(PALETTE), len(PALETTE))
    return file_header + info_header + palette + b"".join(rows)


def main(output):
    write_output(output, bmp_bytes(draw()))


if __name__ == "__main__":
    run(main, "OUTPUT", 1)
