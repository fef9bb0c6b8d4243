#!/usr/bin/python3
"""Tests of write_rows_file.py: the given rows first, last and spread between, every FROM once, none of the extra
FROMs a name that the generated scenarios hold."""

import os
import re
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPT = os.path.join(HERE, "write_rows_file.py")
sys.path.insert(0, HERE)
import write_rows_file  # noqa: E402

GIVEN = [("cell_red.bmp", "cell_blue.bmp"), ("背景01.bmp", "背景02.bmp"), ("表紙.bmp", "裏表紙.bmp"),
         ("森の入口.bmp", "森の出口.bmp")]
# The names generate-scenario writes beyond its fixed eight (tools/scenario_builder/image_names.cpp).
GENERATED = re.compile(r"^(tile_\d{3}\.bmp|背景\d{3}\.bmp)$")


class RowsFile(unittest.TestCase):
    def test_ten_thousand_rows_hold_the_given_ones_and_names_nothing_else(self):
        lines = write_rows_file.rows_file(10000, GIVEN).splitlines()
        self.assertEqual(len(lines), 10000)
        rows = [tuple(line.split("\t")) for line in lines]
        self.assertTrue(all(len(row) == 2 for row in rows))
        self.assertEqual(rows[0], GIVEN[0])
        self.assertEqual(rows[-1], GIVEN[-1])
        self.assertEqual([row for row in rows if row in GIVEN], GIVEN)
        froms = [row[0] for row in rows]
        self.assertEqual(len(set(froms)), len(froms))
        given = {row[0] for row in GIVEN}
        extra = [name for name in froms if name not in given]
        self.assertFalse([name for name in extra if GENERATED.match(name)])
        self.assertTrue(any(name.startswith("背景") for name in extra))  # two-byte names too

    def test_four_rows_are_the_given_ones(self):
        self.assertEqual(write_rows_file.rows_file(4, GIVEN), "".join("%s\t%s\n" % row for row in GIVEN))

    def test_byte_form_is_the_same_rows_byte_for_byte(self):
        def read_back(text):
            return bytes(int(text[i + 2:i + 4], 16) for i in range(0, len(text), 4)).decode("cp932")
        text_rows = write_rows_file.rows_file(100, GIVEN).splitlines()
        byte_rows = write_rows_file.rows_file(100, GIVEN, in_bytes=True).splitlines()
        self.assertEqual(len(byte_rows), 100)
        for text_row, byte_row in zip(text_rows, byte_rows):
            from_text, to_text = byte_row.split("\t")
            self.assertRegex(from_text, r"^(\\x[0-9A-F]{2})+$")
            self.assertRegex(to_text, r"^(\\x[0-9a-f]{2})+$")
            self.assertEqual("%s\t%s" % (read_back(from_text), read_back(to_text)), text_row)

    def test_the_command_line(self):
        with tempfile.TemporaryDirectory() as folder:
            out = os.path.join(folder, "rows.txt")
            done = subprocess.run([sys.executable, SCRIPT, "5", out, "a.bmp", "b.bmp"], capture_output=True, text=True)
            self.assertEqual(done.returncode, 0, done.stderr)
            with open(out, encoding="utf-8") as f:
                self.assertEqual(f.read().splitlines()[0], "a.bmp\tb.bmp")
            done = subprocess.run([sys.executable, SCRIPT, "1", out, "a.bmp", "b.bmp", "c.bmp", "d.bmp"],
                                  capture_output=True, text=True)
            self.assertEqual(done.returncode, 1)
            self.assertIn("COUNT", done.stderr)
            self.assertEqual(subprocess.run([sys.executable, SCRIPT, "5"], capture_output=True).returncode, 2)
            done = subprocess.run([sys.executable, SCRIPT, "--bytes", "1", out, "a.bmp", "b.bmp"], capture_output=True)
            self.assertEqual(done.returncode, 0, done.stderr)
            with open(out, encoding="utf-8") as f:
                self.assertEqual(f.read(), "\\x61\\x2E\\x62\\x6D\\x70\t\\x62\\x2e\\x62\\x6d\\x70\n")


if __name__ == "__main__":
    unittest.main()
