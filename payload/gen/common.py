"""Shared helpers for the payload generators: reading sources with clear
errors and writing outputs the same way every time."""
import os
import sys

# The product runs on 32-bit Windows; its text files are Windows-1252.
ENCODING = "cp1252"


class SourceError(Exception):
    """A fault in a source file, reported as FILE:LINE: message."""

    def __init__(self, path, line, message):
        where = f"{path}:{line}" if line else path
        super().__init__(f"{where}: {message}")


def read_lines(path):
    """Returns the lines of a text source without line ends. Bytes that are
    not 7-bit ASCII are refused so every output is plain on every code page."""
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError as e:
        raise SourceError(path, 0, f"cannot read: {e.strerror}") from None
    lines = data.decode("latin-1").replace("\r\n", "\n").split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    for number, line in enumerate(lines, 1):
        for ch in line:
            if ord(ch) > 126 or (ord(ch) < 32 and ch != "\t"):
                raise SourceError(path, number, f"character 0x{ord(ch):02X} is not plain ASCII")
    return lines


def write_output(path, data):
    """Writes bytes, creating the folder; a partial file never stays behind."""
    folder = os.path.dirname(path)
    if folder:
        os.makedirs(folder, exist_ok=True)
    temp = path + ".tmp"
    with open(temp, "wb") as f:
        f.write(data)
    os.replace(temp, path)


def crlf_text(lines):
    """Joins lines into Windows text: CRLF after every line."""
    return "".join(line + "\r\n" for line in lines).encode(ENCODING)


def run(main, usage, argc):
    """Runs main(*args) with argc arguments; faults exit with status 2."""
    args = sys.argv[1:]
    if len(args) != argc:
        print(f"usage: {os.path.basename(sys.argv[0])} {usage}", file=sys.stderr)
        sys.exit(2)
    try:
        main(*args)
    except (SourceError, OSError) as e:
        print(f"{os.path.basename(sys.argv[0])}: error: {e}", file=sys.stderr)
        sys.exit(2)
