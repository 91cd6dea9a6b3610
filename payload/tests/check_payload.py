#!/usr/bin/env python3
"""Checks the built payload: usage: check_payload.py BUILD_DIR

Each of the fourteen files must exist and be what it claims: 32-bit Windows
DLLs and GUI programs importing only system DLLs, the DLLs exporting their
functions, the programs carrying an icon group, a valid BMP, a valid Write 3.0
document, INI files, the help and word list formats. Generated files must be
remade with the same bytes."""
import configparser
import os
import re
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(HERE)
GEN = os.path.join(SOURCE, "gen")

ROWS = ["qmcore.cfg", "userprefs.cfg", "fastio.dll", "deflt.dll", "expand32.dll",
        "bundle32.dll", "quillmere.exe", "qmguide.hlp", "qmkeys.kbm", "notes.wri",
        "removequill.exe", "netxfer.dll", "oldarc.dll", "lists/GENERAL.DAT"]

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "msvcrt.dll",
               "ws2_32.dll", "comctl32.dll", "comdlg32.dll", "shell32.dll", "ole32.dll"}

EXPORTS = {
    "fastio.dll": ["FastIoCopyFile", "FastIoFileSize", "FastIoReadFile", "FastIoWriteFile"],
    "deflt.dll": ["DefltCount", "DefltEntry", "DefltGetInt", "DefltGetString"],
    "expand32.dll": ["Expand32Tabs", "Expand32Vars"],
    "bundle32.dll": ["Bundle32Count", "Bundle32Get", "Bundle32Pack"],
    "netxfer.dll": ["NetXferCleanup", "NetXferCrc32", "NetXferParseUrl", "NetXferRecvAll",
                    "NetXferSendAll", "NetXferStartup"],
    "oldarc.dll": ["OldArcExpand", "OldArcInfo", "OldArcIsSzdd"],
}
PROGRAMS = ["quillmere.exe", "removequill.exe"]
# Calls that Windows 98 lacks, which the programs look up when they run: importing one,
# a program would not even load there.
NOT_ON_WINDOWS_98 = {"MoveFileExA", "IsWow64Process", "RegDeleteKeyExA",
                     "SetDefaultDllDirectories"}

# name: (generator, source relative to payload/ or None)
GENERATED = {
    "qmcore.cfg": ("crlf", "config/qmcore.cfg"),
    "userprefs.cfg": ("crlf", "config/userprefs.cfg"),
    "qmguide.hlp": ("mkhelp", "help/qmguide.txt"),
    "qmkeys.kbm": ("mkkbm", None),
    "notes.wri": ("mkwri", "notes.txt"),
    "lists/GENERAL.DAT": ("mkwords", "lists/general.txt"),
}

MAX_BINARY = 64 * 1024
MAX_TOTAL = 1024 * 1024
PAGE = 128


class Fault(Exception):
    pass


def expect(condition, message):
    if not condition:
        raise Fault(message)


def objdump(path):
    return subprocess.run(["i686-w64-mingw32-objdump", "-p", path], check=True,
                          capture_output=True, text=True).stdout


def check_pe(path, name):
    kind = subprocess.run(["file", "-b", path], check=True, capture_output=True, text=True).stdout
    expect("PE32 executable" in kind and "Intel 80386" in kind, f"not a PE32 i386 file: {kind}")
    dump = objdump(path)
    expect("file format pei-i386" in dump, "objdump does not read it as pei-i386")
    imports = {m.lower() for m in re.findall(r"DLL Name: (\S+)", dump)}
    expect(imports, "imports no DLL at all")
    expect(imports <= SYSTEM_DLLS, f"imports non-system DLLs: {sorted(imports - SYSTEM_DLLS)}")
    calls = set(re.findall(r"^\s+[0-9a-f]+\s+\d+\s+(\w+)$", dump, re.M))
    expect(not calls & NOT_ON_WINDOWS_98,
           f"imports what Windows 98 lacks: {sorted(calls & NOT_ON_WINDOWS_98)}")
    expect(os.path.getsize(path) <= MAX_BINARY, f"larger than {MAX_BINARY} bytes")
    if name in PROGRAMS:
        expect("(GUI)" in kind and "(DLL)" not in kind, f"not a GUI program: {kind}")
        expect(re.search(r"Subsystem\s+00000002", dump), "subsystem is not Windows GUI")
        groups = subprocess.run(["wrestool", "-l", "--type=group_icon", path], check=True,
                                capture_output=True, text=True).stdout
        expect("type=group_icon" in groups, "carries no icon group for the shell to show")
    else:
        expect("(DLL)" in kind, f"not a DLL: {kind}")
        table = dump.split("[Ordinal/Name Pointer] Table", 1)
        expect(len(table) == 2, "has no export table")
        exported = re.findall(r"^\s+\[\s*\d+\]\s+(\w+)\s*$", table[1].split("\n\n")[0], re.M)
        expect(sorted(exported) == EXPORTS[name],
               f"exports {sorted(exported)}, expected {EXPORTS[name]}")


def check_bmp(data):
    expect(data[:2] == b"BM", "no BM signature")
    size, _, _, offset = struct.unpack_from("<IHHI", data, 2)
    (header, width, height, planes, bits, compression, image_size, _, _, used,
     _) = struct.unpack_from("<IiiHHIIiiII", data, 14)
    expect(size == len(data), f"header says {size} bytes, file has {len(data)}")
    expect(header == 40 and planes == 1 and bits == 8 and compression == 0,
           "not an uncompressed 8-bit BITMAPINFOHEADER image")
    expect(200 <= width <= 1000 and 50 <= height <= 1000, f"odd size {width}x{height}")
    colours = used or 256
    expect(offset == 14 + 40 + 4 * colours, "pixel data does not follow the palette")
    stride = (width + 3) & ~3
    expect(image_size == stride * height and offset + image_size == len(data),
           "pixel data size does not match width and height")
    pixels = data[offset:]
    rows = [pixels[y * stride:y * stride + width] for y in range(height)]
    used_indices = set(b"".join(rows))
    expect(max(used_indices) < colours, "a pixel uses a colour outside the palette")
    # Background, case, outlines, plain keys, highlights and 7 group colours.
    expect(len(used_indices) == colours == 12, f"{len(used_indices)} of {colours} colours drawn")


def fkp_runs(data, first_page, end_page, fc_first, fc_mac):
    """Reads FKP pages; returns [(fcFirst, fcLim, fprop bytes or None)]."""
    runs = []
    fc = fc_first
    for pn in range(first_page, end_page):
        page = data[pn * PAGE:(pn + 1) * PAGE]
        expect(struct.unpack_from("<I", page)[0] == fc, f"page {pn}: fcFirst is not {fc}")
        cfod = page[PAGE - 1]
        expect(cfod > 0 and 4 + 6 * cfod <= PAGE - 1, f"page {pn}: bad FOD count {cfod}")
        for i in range(cfod):
            lim, bfprop = struct.unpack_from("<IH", page, 4 + 6 * i)
            expect(fc < lim <= fc_mac, f"page {pn}: fcLim {lim} out of order")
            prop = None
            if bfprop != 0xFFFF:
                start = 4 + bfprop
                expect(4 + 6 * cfod <= start < PAGE - 1, f"page {pn}: bfprop {bfprop} off the page")
                cch = page[start]
                expect(start + 1 + cch <= PAGE - 1, f"page {pn}: FPROP runs off the page")
                prop = page[start + 1:start + 1 + cch]
            runs.append((fc, lim, prop))
            fc = lim
    expect(fc == fc_mac, f"properties end at {fc}, text at {fc_mac}")
    return runs


def parse_write(data):
    """Returns (paragraph texts, char runs, para runs, font names)."""
    expect(len(data) >= PAGE and len(data) % PAGE == 0, "not a whole number of 128-byte pages")
    ident, dty, tool = struct.unpack_from("<HHH", data)
    expect(ident == 0xBE31 and dty == 0 and tool == 0xAB00, "not a Write 3.0 header")
    expect(data[6:14] == bytes(8), "reserved header words are not zero")
    fc_mac, pn_para, pn_fntb, pn_sep, pn_setb, pn_pgtb, pn_ffntb = struct.unpack_from(
        "<I6H", data, 14)
    pn_mac = struct.unpack_from("<H", data, 96)[0]
    pn_char = (fc_mac + PAGE - 1) // PAGE
    expect(fc_mac > PAGE, "no text")
    expect(pn_char < pn_para <= pn_fntb <= pn_sep <= pn_setb <= pn_pgtb <= pn_ffntb < pn_mac,
           "page numbers out of order")
    expect(pn_mac * PAGE == len(data), f"pnMac {pn_mac} does not match the file size")
    text = data[PAGE:fc_mac]
    chars = fkp_runs(data, pn_char, pn_para, PAGE, fc_mac)
    paras = fkp_runs(data, pn_para, pn_fntb, PAGE, fc_mac)
    for _, lim, prop in paras:
        expect(text[lim - PAGE - 2:lim - PAGE] == b"\r\n",
               f"paragraph run ends at {lim}, not after CR LF")
        expect(prop is None or (len(prop) >= 1 and prop[0] == 61), "PAP does not start with 61")
    for _, _, prop in chars:
        expect(prop is None or (len(prop) >= 3 and prop[2] >= 8), "CHP without a sensible size")
    table = data[pn_ffntb * PAGE:(pn_ffntb + 1) * PAGE]
    count = struct.unpack_from("<H", table)[0]
    names = []
    pos = 2
    while True:
        cb = struct.unpack_from("<H", table, pos)[0]
        if cb == 0:
            break
        name = table[pos + 3:pos + 2 + cb]
        expect(name.endswith(b"\0") and len(name) > 1, "bad font name")
        names.append(name[:-1].decode("cp1252"))
        pos += 2 + cb
    expect(len(names) == count >= 1, "font table count does not match its entries")
    for _, _, prop in chars:
        expect(prop is None or prop[1] >> 2 < count, "CHP names a font not in the table")
    paragraphs = text.decode("cp1252").split("\r\n")
    expect(paragraphs[-1] == "", "text does not end with a paragraph end")
    return paragraphs[:-1], chars, paras, names


def notes_words(source):
    words = []
    with open(source, encoding="ascii") as f:
        for line in f:
            line = re.sub(r"^(#|##|-) ", "", line.strip())
            words += line.split()
    return words


def check_write(data):
    paragraphs, chars, _, _ = parse_write(data)
    words = [w for p in paragraphs for w in p.replace("\u2022", " ").split()]
    expect(words == notes_words(os.path.join(SOURCE, "notes.txt")),
           "the document's words differ from notes.txt")
    expect(any(prop and prop[1] & 1 for _, _, prop in chars), "no bold heading")


def parse_help(data):
    """Returns {topic id: title} after checking the index and every link."""
    expect(b"\n" not in data.replace(b"\r\n", b""), "a line end is not CR LF")
    text = data.decode("ascii")
    lines = text.split("\r\n")
    expect(lines[0] == "QMHELP 1" and lines[1].startswith("TITLE "), "no QMHELP 1 header")
    m = re.fullmatch(r"TOPICS (\d+)", lines[2])
    expect(m, "no TOPICS line")
    count = int(m.group(1))
    expect(count >= 1 and lines[3 + count] == "END", "index length does not match TOPICS")
    topics = {}
    for line in lines[3:3 + count]:
        m = re.fullmatch(r"TOPIC (\d{8}) ([a-z0-9-]+) (.+)", line)
        expect(m, f"bad index line {line!r}")
        offset, topic, title = int(m.group(1)), m.group(2), m.group(3)
        expect(topic not in topics, f"topic {topic} twice")
        expect(data[offset:].startswith(f"@@ {topic}\r\n{title}\r\n".encode()),
               f"offset of topic {topic} does not point at it")
        topics[topic] = title
    for target, label in re.findall(r"\{([^{}|]*)\|([^{}]*)\}", text):
        expect(target in topics and label, f"link to unknown topic {target!r}")
    expect(text.count("@@ ") == count, "topics in the body and the index differ")
    long_lines = [line for line in lines if len(line) > 72 and "{" not in line]
    expect(not long_lines, f"lines longer than 72 columns: {long_lines[:1]}")
    return topics


def check_help(data):
    topics = parse_help(data)
    expect(len(topics) >= 5 and "contents" in topics, "too few topics or no contents")


def check_ini(data, sections):
    expect(b"\n" not in data.replace(b"\r\n", b""), "a line end is not CR LF")
    parser = configparser.ConfigParser(interpolation=None, comment_prefixes=(";",),
                                       delimiters=("=",))
    parser.optionxform = str
    parser.read_string(data.decode("ascii"))
    expect(set(sections) <= set(parser.sections()), f"sections {parser.sections()}")
    expect(all(parser.options(s) for s in parser.sections()), "an empty section")


def check_words(data):
    expect(data.endswith(b"\r\n") and b"\n" not in data.replace(b"\r\n", b""),
           "a line end is not CR LF")
    lines = data.decode("ascii").split("\r\n")[:-1]
    m = re.fullmatch(r"QMWORDS 1 GENERAL (\d+)", lines[0])
    expect(m, f"bad header {lines[0]!r}")
    words = lines[1:]
    expect(int(m.group(1)) == len(words), f"header counts {m.group(1)}, file has {len(words)}")
    expect(words == sorted(set(words)), "words are not sorted and unique")
    expect(all(re.fullmatch(r"[a-z]+(?:['-][a-z]+)*", w) for w in words), "a word is malformed")
    expect(len(words) >= 500, "fewer than 500 words")


def check_regenerates(payload, name):
    script, source = GENERATED[name]
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "out")
        args = [sys.executable, os.path.join(GEN, script + ".py")]
        if source:
            args.append(os.path.join(SOURCE, source))
        subprocess.run(args + [out], check=True)
        with open(out, "rb") as f:
            expect(f.read() == read(payload, name), "a fresh run gives other bytes")


def read(payload, name):
    with open(os.path.join(payload, name), "rb") as f:
        return f.read()


CONTENT_CHECKS = {
    "qmcore.cfg": lambda d: check_ini(d, ["Quillmere", "Editor", "Files", "Spelling", "Libraries"]),
    "userprefs.cfg": lambda d: check_ini(d, ["Window", "View", "Recent", "UserDictionary"]),
    "qmguide.hlp": check_help,
    "qmkeys.kbm": check_bmp,
    "notes.wri": check_write,
    "lists/GENERAL.DAT": check_words,
}


def main():
    if len(sys.argv) != 2:
        print("usage: check_payload.py BUILD_DIR", file=sys.stderr)
        return 2
    payload = os.path.join(sys.argv[1], "payload")
    failures = 0
    total = 0
    for name in ROWS:
        path = os.path.join(payload, name)
        try:
            expect(os.path.isfile(path) and os.path.getsize(path) > 0, "missing or empty")
            total += os.path.getsize(path)
            if name in CONTENT_CHECKS:
                CONTENT_CHECKS[name](read(payload, name))
                check_regenerates(payload, name)
            else:
                check_pe(path, name)
            print(f"ok   {name} ({os.path.getsize(path)} bytes)")
        except (Fault, configparser.Error, struct.error, UnicodeDecodeError,
                subprocess.CalledProcessError) as e:
            failures += 1
            print(f"FAIL {name}: {e}")
    if total > MAX_TOTAL:
        failures += 1
        print(f"FAIL payload is {total} bytes, more than {MAX_TOTAL}")
    print(f"payload total {total} bytes, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
