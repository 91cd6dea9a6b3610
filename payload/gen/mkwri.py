#!/usr/bin/env python3
"""Builds notes.wri, the release notes, as a Windows Write 3.0 document.

Source (notes.txt): "# " starts a title line, "## " a heading line, "- " a
list item; other lines join into paragraphs; a blank line gives an empty
paragraph, as Write users separate paragraphs.

Write file: a 128-byte header, the text (paragraphs end in CR LF), then
128-byte pages of character properties, of paragraph properties and the
font table. A property page holds FODs (fcLim, bfprop) from its start and
the FPROPs they point to from its end; byte 127 counts the FODs."""
import struct

from common import ENCODING, SourceError, read_lines, run, write_output

PAGE = 128
W_IDENT = 0o137061          # Write file without OLE objects
W_TOOL = 0o125400
FONTS = [(0x20, "Arial")]   # (family FF_SWISS, face name); ftc 0
BULLET = "\u2022 "          # 0x95 in Windows-1252

# Character properties: reserved byte (1), bold/italic/ftc, size in half points.
CHP_BODY = bytes([1, 0x00, 24])
CHP_HEADING = bytes([1, 0x01, 28])
CHP_TITLE = bytes([1, 0x01, 36])

TWIPS_INDENT = 360


def pap(justify=0, left=0, first=0):
    """Paragraph properties: reserved (61), justification, 2 reserved bytes,
    right, left and first-line indents and line spacing, in twips."""
    return struct.pack("<BBHhhhH", 61, justify, 0, 0, left, first, 240)


PAP_BODY = pap()
PAP_TITLE = pap(justify=1)
PAP_ITEM = pap(left=TWIPS_INDENT, first=-TWIPS_INDENT // 2)


def paragraphs(lines, source):
    """Yields (text, chp, pap) for each paragraph of the source. Plain lines
    continue the open body paragraph or list item."""
    open_para = None
    for number, line in enumerate(lines, 1):
        line = line.rstrip()
        if "\t" in line:
            raise SourceError(source, number, "tabs are not allowed; use spaces")
        if line and not line.startswith(("# ", "## ", "- ")):
            if open_para is None:
                open_para = [line.strip(), CHP_BODY, PAP_BODY]
            else:
                open_para[0] += " " + line.strip()
            continue
        if open_para is not None:
            yield tuple(open_para)
            open_para = None
        if line.startswith("# "):
            yield line[2:].strip(), CHP_TITLE, PAP_TITLE
        elif line.startswith("## "):
            yield line[3:].strip(), CHP_HEADING, PAP_BODY
        elif line.startswith("- "):
            open_para = [BULLET + line[2:].strip(), CHP_BODY, PAP_ITEM]
        else:
            yield "", CHP_BODY, PAP_BODY
    if open_para is not None:
        yield tuple(open_para)


def merge_runs(runs):
    """Joins neighbouring runs with the same properties: [(fcLim, prop)]."""
    merged = []
    for lim, prop in runs:
        if merged and merged[-1][1] == prop:
            merged[-1] = (lim, prop)
        else:
            merged.append((lim, prop))
    return merged


def fkp_pages(runs):
    """Lays runs out in property pages; the first run starts at fc 128."""
    pages = []
    first = PAGE
    i = 0
    while i < len(runs):
        page = bytearray(PAGE)
        struct.pack_into("<I", page, 0, first)
        fods = 0
        prop_start = PAGE - 1           # FPROPs grow down from byte 126
        placed = {}                     # FPROP bytes -> bfprop on this page
        while i < len(runs):
            lim, prop = runs[i]
            fprop = bytes([len(prop)]) + prop
            extra = 0 if fprop in placed else len(fprop)
            if 4 + 6 * (fods + 1) > prop_start - extra:
                break
            if fprop not in placed:
                prop_start -= len(fprop)
                page[prop_start:prop_start + len(fprop)] = fprop
                placed[fprop] = prop_start - 4
            struct.pack_into("<IH", page, 4 + 6 * fods, lim, placed[fprop])
            fods += 1
            first = lim
            i += 1
        if fods == 0:
            raise ValueError("a property does not fit a page")
        page[PAGE - 1] = fods
        pages.append(bytes(page))
    return pages


def font_table():
    table = struct.pack("<H", len(FONTS))
    for family, name in FONTS:
        face = name.encode(ENCODING) + b"\0"
        table += struct.pack("<HB", 1 + len(face), family) + face
    table += struct.pack("<H", 0)
    if len(table) > PAGE:
        raise ValueError("font table larger than a page")
    return table.ljust(PAGE, b"\0")


def build(lines, source="<notes>"):
    text = bytearray()
    char_runs = []
    para_runs = []
    for body, chp, pap_bytes in paragraphs(lines, source):
        text += (body + "\r\n").encode(ENCODING)
        char_runs.append((PAGE + len(text), chp))
        para_runs.append((PAGE + len(text), pap_bytes))
    if not text.strip():
        raise SourceError(source, 0, "the notes are empty")
    fc_mac = PAGE + len(text)
    char_pages = fkp_pages(merge_runs(char_runs))
    para_pages = fkp_pages(merge_runs(para_runs))
    pn_char = (fc_mac + PAGE - 1) // PAGE
    pn_para = pn_char + len(char_pages)
    pn_ffntb = pn_para + len(para_pages)
    pn_mac = pn_ffntb + 1
    header = bytearray(PAGE)
    # Footnotes, section properties and page table are absent, so their
    # page numbers all point at the font table.
    struct.pack_into("<HHH8xI6H", header, 0, W_IDENT, 0, W_TOOL, fc_mac, pn_para,
                     pn_ffntb, pn_ffntb, pn_ffntb, pn_ffntb, pn_ffntb)
    struct.pack_into("<H", header, 96, pn_mac)
    body = bytes(text).ljust((pn_char - 1) * PAGE, b"\0")
    return bytes(header) + body + b"".join(char_pages + para_pages) + font_table()


def main(source, output):
    write_output(output, build(read_lines(source), source))


if __name__ == "__main__":
    run(main, "SOURCE OUTPUT", 2)
