#!/usr/bin/env python3
"""Builds qmguide.hlp, Quillmere's help file, in the QMHELP 1 text format
(described in payload/README.md).

Source directives:
  @title TEXT         the help file's title (once, before the first topic)
  @topic ID TITLE     starts a topic; ID is [a-z0-9-]+; the first topic opens first
  @rem ...            a comment
Text lines form paragraphs, separated by blank lines; a line starting with
"- " is a list item of its own. {ID} or {ID|label} links to a topic."""
import re

from common import SourceError, crlf_text, read_lines, run, write_output

WIDTH = 72
TOPIC_ID = re.compile(r"[a-z0-9-]+\Z")
LINK = re.compile(r"\{([^{}|]*)(?:\|([^{}]*))?\}")
OFFSET_DIGITS = 8


class Topic:
    def __init__(self, topic_id, title, line):
        self.id = topic_id
        self.title = title
        self.line = line
        self.blocks = []  # (is_list_item, text, source line)


def parse(lines, source):
    title = None
    topics = []
    block = None
    for number, raw in enumerate(lines, 1):
        line = raw.rstrip()
        if line.startswith("@rem"):
            continue
        if line.startswith("@title "):
            if title is not None or topics:
                raise SourceError(source, number, "@title must come once, before the topics")
            title = line[len("@title "):].strip()
            continue
        if line.startswith("@topic "):
            parts = line.split(None, 2)
            if len(parts) < 3 or not TOPIC_ID.match(parts[1]):
                raise SourceError(source, number,
                                  "expected '@topic ID TITLE' with ID of a-z, 0-9, -")
            if any(t.id == parts[1] for t in topics):
                raise SourceError(source, number, f"topic '{parts[1]}' is defined twice")
            topics.append(Topic(parts[1], parts[2], number))
            block = None
            continue
        if line.startswith("@"):
            raise SourceError(source, number, f"unknown directive {line.split()[0]}")
        if not line.strip():
            block = None
            continue
        if not topics:
            raise SourceError(source, number, "text before the first @topic")
        text = line.strip()
        if text.startswith("- "):
            block = [True, text, number]
            topics[-1].blocks.append(block)
        elif block is None:
            block = [False, text, number]
            topics[-1].blocks.append(block)
        else:
            block[1] += " " + text
    if title is None:
        raise SourceError(source, 0, "missing @title")
    if not topics:
        raise SourceError(source, 0, "no @topic")
    return title, topics


def resolve_links(text, titles, source, number):
    """Checks every link and writes it in the full form {ID|label}."""
    def replace(match):
        target, label = match.group(1), match.group(2)
        if target not in titles:
            raise SourceError(source, number, f"link to unknown topic '{target}'")
        return "{%s|%s}" % (target, (label or titles[target]).strip())
    if "{" in LINK.sub("", text) or "}" in LINK.sub("", text):
        raise SourceError(source, number, "unbalanced { } in text")
    return LINK.sub(replace, text)


def words_of(text):
    """Splits at spaces, keeping a link (which may hold spaces) as one word."""
    return re.findall(r"(?:\{[^{}]*\}|[^\s{}])+", text)


def wrap(text, indent=""):
    lines = []
    current = ""
    for word in words_of(text):
        if current and len(current) + 1 + len(word) > WIDTH:
            lines.append(current)
            current = indent + word
        else:
            current = f"{current} {word}" if current else word
    if current:
        lines.append(current)
    return lines


def topic_lines(topic, titles, source):
    out = [f"@@ {topic.id}", topic.title, "=" * len(topic.title), ""]
    for is_item, text, number in topic.blocks:
        text = resolve_links(text, titles, source, number)
        if is_item:
            out += wrap(text, "  ")
        else:
            out += wrap(text) + [""]
    if out[-1] != "":
        out.append("")
    return out


def header(title, topics, offsets):
    index = [f"TOPIC {o:0{OFFSET_DIGITS}d} {t.id} {t.title}" for t, o in zip(topics, offsets)]
    return ["QMHELP 1", f"TITLE {title}", f"TOPICS {len(topics)}"] + index + ["END", ""]


def build(lines, source="<help>"):
    title, topics = parse(lines, source)
    titles = {t.id: t.title for t in topics}
    bodies = [topic_lines(t, titles, source) for t in topics]
    # Index lines have a fixed width, so the offsets are known before they
    # are written.
    offset = len(crlf_text(header(title, topics, [0] * len(topics))))
    offsets = []
    for body in bodies:
        offsets.append(offset)
        offset += len(crlf_text(body))
    return crlf_text(header(title, topics, offsets) + [line for body in bodies for line in body])


def main(source, output):
    write_output(output, build(read_lines(source), source))


if __name__ == "__main__":
    run(main, "SOURCE OUTPUT", 2)
