"""Tests of the payload generators: faulty sources give a clear message,
exit status 2 and no output; good sources give the documented formats."""
import os
import struct
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
GEN = os.path.join(os.path.dirname(HERE), "gen")
sys.path.insert(0, HERE)
sys.path.insert(0, GEN)

import check_payload  # noqa: E402
import mkkbm  # noqa: E402


class GeneratorCase(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)

    def run_gen(self, script, source_bytes=None, source_name="src.txt"):
        """Runs gen/SCRIPT.py; returns (exit status, stderr, output or None)."""
        out = os.path.join(self.tmp.name, "sub", "out.bin")
        args = [sys.executable, os.path.join(GEN, script + ".py")]
        if source_bytes is not None:
            src = os.path.join(self.tmp.name, source_name)
            with open(src, "wb") as f:
                f.write(source_bytes)
            args.append(src)
        elif script != "mkkbm":
            args.append(os.path.join(self.tmp.name, "missing.txt"))
        proc = subprocess.run(args + [out], capture_output=True, text=True)
        data = None
        if os.path.exists(out):
            with open(out, "rb") as f:
                data = f.read()
        return proc.returncode, proc.stderr, data


class FaultySources(GeneratorCase):
    CASES = [
        ("crlf", b"key=caf\xe9\n", "src.txt:1: character 0xE9 is not plain ASCII"),
        ("crlf", None, "cannot read"),
        ("mkwords", b"apple\nBanana\n", "src.txt:2: not a lower-case word: 'Banana'"),
        ("mkwords", b"# only a comment\n\n", "the list has no words"),
        ("mkwords", b"x" * 33 + b"\n", "src.txt:1: not a lower-case word"),
        ("mkhelp", b"@topic a A\n", "missing @title"),
        ("mkhelp", b"@title T\n", "no @topic"),
        ("mkhelp", b"@title T\ntext\n", "src.txt:2: text before the first @topic"),
        ("mkhelp", b"@title T\n@topic a A\n@topic a B\n", "src.txt:3: topic 'a' is defined twice"),
        ("mkhelp", b"@title T\n@topic A Upper\n", "src.txt:2: expected '@topic ID TITLE'"),
        ("mkhelp", b"@title T\n@topic a A\nsee {b}\n", "src.txt:3: link to unknown topic 'b'"),
        ("mkhelp", b"@title T\n@topic a A\nsee {a\n", "src.txt:3: unbalanced { }"),
        ("mkhelp", b"@title T\n@topic a A\n@index x\n", "src.txt:3: unknown directive @index"),
        ("mkhelp", b"@topic a A\n@title T\n", "src.txt:2: @title must come once"),
        ("mkwri", b"# Title\n\tindented\n", "src.txt:2: tabs are not allowed"),
        ("mkwri", b"\n\n", "the notes are empty"),
    ]

    def test_faults_are_reported_without_output(self):
        for script, source, message in self.CASES:
            with self.subTest(script=script, message=message):
                status, err, data = self.run_gen(script, source)
                self.assertEqual(status, 2)
                self.assertIn(message, err)
                self.assertIsNone(data)

    def test_wrong_argument_count_shows_usage(self):
        proc = subprocess.run([sys.executable, os.path.join(GEN, "mkwri.py")],
                              capture_output=True, text=True)
        self.assertEqual(proc.returncode, 2)
        self.assertIn("usage: mkwri.py SOURCE OUTPUT", proc.stderr)


class Formats(GeneratorCase):
    def test_crlf_line_ends(self):
        for source in (b"a=1\nb=2\n", b"a=1\r\nb=2", b"a=1\r\nb=2\r\n"):
            with self.subTest(source=source):
                self.assertEqual(self.run_gen("crlf", source)[2], b"a=1\r\nb=2\r\n")

    def test_word_list_sorted_unique_with_count(self):
        status, _, data = self.run_gen("mkwords", b"pear\n# fruit\n\napple\npear\nit's\n")
        self.assertEqual(status, 0)
        self.assertEqual(data, b"QMWORDS 1 GENERAL 3\r\napple\r\nit's\r\npear\r\n")

    def test_help_wraps_and_links(self):
        words = " ".join(f"word{i}" for i in range(40))
        source = (f"@title Guide\n@topic first First topic\n{words}\nsee {{second}} and "
                  f"{{second|the other one}}\n- item one\n- item two\n"
                  f"@topic second Second\nback to {{first}}.\n").encode()
        status, err, data = self.run_gen("mkhelp", source)
        self.assertEqual(status, 0, err)
        topics = check_payload.parse_help(data)
        self.assertEqual(topics, {"first": "First topic", "second": "Second"})
        text = data.decode()
        self.assertIn("{second|Second} and {second|the other one}", text)
        self.assertIn("\r\n- item one\r\n- item two\r\n", text)
        body = text.split("@@ first\r\n", 1)[1].split("\r\n")
        self.assertTrue(all(len(line) <= 72 for line in body))
        self.assertEqual(" ".join(body[3:]).split()[:40], words.split())

    def test_write_document_pages_and_paragraphs(self):
        # Enough differing paragraphs to need several property pages.
        lines = []
        for i in range(60):
            lines += [f"## Heading {i}", f"Body {i} starts", "and continues.", f"- item {i}",
                      "goes on", ""]
        status, err, data = self.run_gen("mkwri", ("\n".join(lines) + "\n").encode())
        self.assertEqual(status, 0, err)
        paragraphs, chars, paras, fonts = check_payload.parse_write(data)
        self.assertEqual(paragraphs[:4], ["Heading 0", "Body 0 starts and continues.",
                                          "\u2022 item 0 goes on", ""])
        self.assertEqual(len(paragraphs), 240)
        self.assertEqual(fonts, ["Arial"])
        pn_char = (struct.unpack_from("<I", data, 14)[0] + 127) // 128
        pn_para, pn_fntb = struct.unpack_from("<HH", data, 18)
        self.assertGreater(pn_para - pn_char, 1)
        self.assertGreater(pn_fntb - pn_para, 1)
        bold = [prop[1] & 1 for _, _, prop in chars]
        self.assertEqual(bold[:2], [1, 0])
        self.assertTrue(all(a != b for a, b in zip(bold, bold[1:])), "runs are not merged")
        indents = {struct.unpack_from("<h", prop, 6)[0] for _, _, prop in paras}
        self.assertEqual(indents, {0, 360})

    def test_keyboard_map_colours_keys_by_group(self):
        status, _, data = self.run_gen("mkkbm")
        self.assertEqual(status, 0)
        check_payload.check_bmp(data)
        width, height = struct.unpack_from("<ii", data, 18)
        offset = struct.unpack_from("<I", data, 10)[0]
        stride = (width + 3) & ~3
        boxes = {}
        for name, x0, y0, x1, y1 in mkkbm.key_boxes():
            boxes.setdefault(name, (x0, y0, x1, y1))

        def centre_colour(name):
            x0, y0, x1, y1 = boxes[name]
            x, y = (x0 + x1) // 2, (y0 + y1) // 2
            return data[offset + (height - 1 - y) * stride + x]

        expected = {"S": 5, "V": 6, "B": 7, "F": 8, "F7": 9, "Ctrl": 10, "Home": 11, "Q": 3,
                    "Space": 3, "F2": 3}
        for key, colour in expected.items():
            with self.subTest(key=key):
                self.assertEqual(centre_colour(key), colour)


if __name__ == "__main__":
    unittest.main()
