#!/usr/bin/env python3
"""Copies a text source as a Windows text file (CRLF line ends)."""
from common import crlf_text, read_lines, run, write_output


def main(source, output):
    write_output(output, crlf_text(read_lines(source)))


if __name__ == "__main__":
    run(main, "SOURCE OUTPUT", 2)
