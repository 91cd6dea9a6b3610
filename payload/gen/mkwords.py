#!/usr/bin/env python3
"""Builds lists/GENERAL.DAT, the general word list of the spelling checker.

Output: a header line "QMWORDS 1 GENERAL <count>", then the words, one per
line, lower case, sorted by byte value and unique, CRLF line ends.
Source: one word per line; blank lines and lines starting with '#' are
skipped."""
import re

from common import SourceError, crlf_text, read_lines, run, write_output

FORMAT = "QMWORDS"
VERSION = 1
LIST_NAME = "GENERAL"
WORD = re.compile(r"[a-z]+(?:['-][a-z]+)*\Z")
MAX_WORD = 32


def build(lines, source="<words>"):
    words = set()
    for number, line in enumerate(lines, 1):
        word = line.strip()
        if not word or word.startswith("#"):
            continue
        if not WORD.match(word) or len(word) > MAX_WORD:
            raise SourceError(source, number, f"not a lower-case word: {word!r}")
        words.add(word)
    if not words:
        raise SourceError(source, 0, "the list has no words")
    ordered = sorted(words)
    return [f"{FORMAT} {VERSION} {LIST_NAME} {len(ordered)}"] + ordered


def main(source, output):
    write_output(output, crlf_text(build(read_lines(source), source)))


if __name__ == "__main__":
    run(main, "SOURCE OUTPUT", 2)
