#!/usr/bin/env python3
"""Compare string-table entries of a compiled .res file with text files.

usage: check_res_strings.py FILE.res ID TEXT_FILE [ID TEXT_FILE ...]

Each text file, line ends made CRLF, must equal string ID character for
character, as windres stored it. Prints one verdict per string; exits 1 if
any differs.
"""
import re
import struct
import sys

RT_STRING = 6


def read_id(data, pos):
    """A resource type or name: (ordinal or string, position after it)."""
    if data[pos:pos + 2] == b'\xff\xff':
        return struct.unpack_from('<H', data, pos + 2)[0], pos + 4
    end = pos
    while data[end:end + 2] != b'\0\0':
        end += 2
    return data[pos:end].decode('utf-16-le'), end + 2


def string_table(data):
    """All strings in the .res, by string id."""
    strings = {}
    pos = 0
    while pos + 8 <= len(data):
        size, header = struct.unpack_from('<II', data, pos)
        if header < 24 or pos + header + size > len(data):
            raise ValueError('damaged resource header at offset %d' % pos)
        kind, after = read_id(data, pos + 8)
        block, _ = read_id(data, after)
        body = data[pos + header:pos + header + size]
        if kind == RT_STRING and isinstance(block, int):
            at = 0
            for i in range(16):
                (n,) = struct.unpack_from('<H', body, at)
                text = body[at + 2:at + 2 + 2 * n].decode('utf-16-le')
                if n:
                    strings[(block - 1) * 16 + i] = text
                at += 2 + 2 * n
        pos += (header + size + 3) & ~3
    return strings


def first_difference(a, b):
    n = 0
    while n < len(a) and n < len(b) and a[n] == b[n]:
        n += 1
    return n


def main(argv):
    if len(argv) < 4 or len(argv) % 2:
        sys.stderr.write(__doc__.split('\n\n')[1] + '\n')
        return 2
    try:
        with open(argv[1], 'rb') as f:
            strings = string_table(f.read())
    except (OSError, ValueError, struct.error) as e:
        print('FAIL cannot read %s: %s' % (argv[1], e))
        return 1
    failed = 0
    for sid, path in zip(argv[2::2], argv[3::2]):
        with open(path, 'rb') as f:
            want = re.sub(r'\r\n|\r|\n', '\r\n', f.read().decode('latin-1'))
        got = strings.get(int(sid))
        if got is None:
            print('FAIL %s %s: no such string in %s' % (sid, path, argv[1]))
        elif got != want:
            print('FAIL %s %s: %d of %d characters stored; first difference '
                  'at offset %d' % (sid, path, len(got), len(want),
                                    first_difference(got, want)))
        else:
            print('ok   %s %s: %d characters stored' % (sid, path, len(got)))
            continue
        failed += 1
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
