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


if __name__ == "__main__":
    unittest.main()
