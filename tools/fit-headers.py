#!/usr/bin/env python3
"""Fits a program's headers into one 512-byte file block: the linker puts its DOS stub
program (64 bytes) in front of the PE headers, which then take 576 bytes with five
sections, so the sections start at 1024. Here the PE headers follow the 64-byte DOS header
at once, a smaller DOS program lives in the DOS header's unused words, and every section
moves 512 bytes nearer the start; the checksum is made anew. A file whose headers do not
fit, or are not laid out as the linker lays them out, is left as it is.

Usage: fit-headers.py PROGRAM.exe
"""
import struct
import sys

BLOCK = 512
DOS_HEADER = 64
# Run under DOS, it says so and ends: push cs, pop ds, mov dx, message, mov ah 9, int 21h,
# mov ax 4C01h, int 21h; the message in the header's reserved words, from 0x2E to 0x3B.
DOS_PROGRAM = bytes.fromhex("0e1fba0e00b409cd21b8014ccd21") + b"Needs Windows$"


def checksum(data, field):
    total = 0
    for offset in range(0, len(data) - len(data) % 2, 2):
        if field <= offset < field + 4:
            continue
        total += data[offset] | data[offset + 1] << 8
        total = (total & 0xFFFF) + (total >> 16)
    if len(data) % 2:
        total += data[-1]
    total = (total & 0xFFFF) + (total >> 16)
    return (total & 0xFFFF) + len(data)


def fit(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[:2] != b"MZ" or data[pe:pe + 4] != b"PE\0\0":
        return None
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    headers_end = optional + optional_size + 40 * sections
    size_of_headers = struct.unpack_from("<I", data, optional + 60)[0]
    moved = pe - DOS_HEADER
    if (pe <= DOS_HEADER or size_of_headers != 2 * BLOCK or headers_end - moved > BLOCK or
            struct.unpack_from("<I", data, optional + 96 + 8 * 4)[0]):  # signed already
        return None
    out = bytearray(data[:DOS_HEADER])
    # A header of two paragraphs: the program starts right after, at 0x20.
    struct.pack_into("<HHHH", out, 2, DOS_HEADER, 1, 0, 2)
    struct.pack_into("<HH", out, 0x14, 0, 0)  # ip, cs
    out[0x20:0x20 + len(DOS_PROGRAM)] = DOS_PROGRAM
    struct.pack_into("<I", out, 0x3C, DOS_HEADER)
    out += data[pe:headers_end]
    out += bytes(BLOCK - len(out))
    out += data[2 * BLOCK:]
    optional -= moved
    struct.pack_into("<I", out, optional + 60, BLOCK)
    table = optional + optional_size
    for section in range(sections):
        raw = table + 40 * section + 20
        pointer = struct.unpack_from("<I", out, raw)[0]
        if pointer:
            struct.pack_into("<I", out, raw, pointer - BLOCK)
    struct.pack_into("<I", out, optional + 64, 0)
    struct.pack_into("<I", out, optional + 64, checksum(out, optional + 64))
    return bytes(out)


def main():
    path = sys.argv[1]
    with open(path, "rb") as f:
        data = f.read()
    fitted = fit(data)
    if fitted:
        with open(path, "wb") as f:
            f.write(fitted)


if __name__ == "__main__":
    main()
