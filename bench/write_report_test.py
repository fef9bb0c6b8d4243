#!/usr/bin/python3
"""Tests of write_report.py on a made-up work folder: figures, goals, the notes kept, and clear failures."""

import json
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPT = os.path.join(HERE, "write_report.py")
sys.path.insert(0, HERE)
import write_report  # noqa: E402


def hyperfine_json(path, conversion, cp, copy, one=None):
    """A hyperfine export with the commands' run times (seconds); the one-worker conversion when given."""
    results = []
    commands = (("conversion", conversion), ("cp -r", cp), ("user-space copy", copy))
    for command, times in commands + ((("one worker", one),) if one else ()):
        results.append({"command": command, "times": times, "user": 0.01, "system": 0.02})
    with open(path, "w", encoding="utf-8") as f:
        json.dump({"results": results}, f)


class WorkFolder:
    """A work folder as run-benchmarks.sh leaves it, with the sets large and real."""

    def __init__(self, root, large_conversion, real_conversion, huge_rss_kib=8000):
        self.path = root
        os.makedirs(os.path.join(root, "json"))
        facts = {
            "machine.date": "2026-12-08 01:00 UTC", "machine.cpu": "test CPU", "run.work": root,
            "run.repo": "/repo", "run.sets": "large real", "set.large.title": "Large scenario",
            "set.real.title": "Real-shaped scenario", "set.one_mb.title": "One 1 MB data file",
            "rss.conversion.huge": str(huge_rss_kib), "rss.conversion.one_mb": "7000",
            "set.real.shape": "55.1 90.2",
        }
        for key in ("large", "real", "one_mb"):
            facts.update({"set.%s.data_files" % key: "10", "set.%s.files" % key: "20",
                          "set.%s.bytes" % key: "2097152", "set.%s.data_bytes" % key: "70000",
                          "set.%s.generator" % key: "generate-scenario --seed 1"})
            for command in ("conversion", "cp", "copy"):
                facts["set.%s.command.%s" % (key, command)] = "%s/bin/%s %s/%s" % ("/repo", command, root, key)
            facts["set.%s.prepare" % key] = "sh /repo/bench/prepare.sh %s/trash %s/out/x mkdir" % (root, root)
        with open(os.path.join(root, "facts.txt"), "w", encoding="utf-8") as f:
            for key, value in facts.items():
                f.write("%s=%s\n" % (key, value))
        # Two rounds each; the medians of the copies are 0.100 s.
        hyperfine_json(os.path.join(root, "json", "large-1.json"), large_conversion[:2], [0.08, 0.10], [0.10, 0.10])
        hyperfine_json(os.path.join(root, "json", "large-2.json"), large_conversion[2:], [0.10, 0.12], [0.10, 0.10])
        hyperfine_json(os.path.join(root, "json", "real-1.json"), real_conversion, [0.09, 0.11], [0.10, 0.10],
                       one=[0.12, 0.124])


def rows_json(path, four, many, in_bytes, count=10000):
    results = [{"command": "four rows", "times": four, "user": 0.01, "system": 0.02},
               {"command": "%d rows" % count, "times": many, "user": 0.01, "system": 0.02},
               {"command": "%d rows in bytes" % count, "times": in_bytes, "user": 0.01, "system": 0.02}]
    with open(path, "w", encoding="utf-8") as f:
        json.dump({"results": results}, f)


def add_rows(work, rounds):
    """The many-rows measurement on the real set: rounds of (four rows, 10000 rows, 10000 rows in bytes) times."""
    with open(os.path.join(work.path, "facts.txt"), "a", encoding="utf-8") as f:
        f.write("rows.set=real\nrows.count=10000\n")
        f.write("rows.command.four=/repo/bin/celshift-cli --rows %s/rows-4.txt %s/real\n" % (work.path, work.path))
        f.write("rows.command.many=/repo/bin/celshift-cli --rows %s/rows-10000.txt %s/real\n" % (work.path, work.path))
        f.write("rows.command.bytes=/repo/bin/celshift-cli --rows %s/rows-10000-bytes.txt %s/real\n"
                % (work.path, work.path))
    for number, (four, many, in_bytes) in enumerate(rounds, 1):
        rows_json(os.path.join(work.path, "json", "rows-%d.json" % number), four, many, in_bytes)


def run(*args):
    return subprocess.run([sys.executable, SCRIPT] + list(args), capture_output=True, text=True)


class Report(unittest.TestCase):
    def setUp(self):
        self.temp = tempfile.TemporaryDirectory()
        self.root = self.temp.name

    def tearDown(self):
        self.temp.cleanup()

    def test_ratios_are_of_the_medians_over_all_rounds_and_goals_judged(self):
        # large: conversion median 0.078 against 0.10 (met at 0.80); real: 0.092 against 0.10 (missed at 0.90), its
        # one worker 0.122 (met at 1.25); the large set was timed without one worker.
        work = WorkFolder(os.path.join(self.root, "w"), [0.07, 0.078, 0.078, 0.90], [0.092, 0.092])
        text = write_report.report(work.path, tiny=False)
        self.assertIn("| Large scenario | 0.78 ±", text)
        self.assertIn("| Real-shaped scenario | 0.92 ± 0.00 | 0.92 ± 0.13 | 1.22 ± 0.03 |", text)
        self.assertIn("| Real-shaped scenario | one worker | 2 | 122.0 ms |", text)
        self.assertIn("| Large scenario: at most 0.80 times the user-space copy | 0.78; 0.78 times cp -r | met |", text)
        self.assertIn("| Real-shaped scenario: at most 0.90 times the user-space copy | 0.92; 0.92 times cp -r "
                      "| **not met** |", text)
        self.assertIn("| Real-shaped scenario, one worker: at most 1.25 times the user-space copy | 1.22 | met |", text)
        self.assertNotIn("Large scenario, one worker", text)
        self.assertIn("peak RSS of celshift-cli under 20 MiB | 7.8 MiB (a 1 MB data file: 6.8 MiB) | met |", text)
        self.assertIn("| Real-shaped scenario (`real`) | 10 | 20 | 2.0 | 7000 | 55.1 | 90.2 % |", text)
        self.assertIn("| Large scenario (`large`) | 10 | 20 | 2.0 | 7000 |  |  |", text)
        # Commands are shown with the work folder and the repository shortened.
        self.assertIn("bin/conversion $WORK/large", text)
        self.assertNotIn(work.path, text)

        tiny = write_report.report(work.path, tiny=True)
        self.assertNotIn("met |", tiny)
        self.assertIn("(tiny run)", tiny)

    def test_many_rows_against_four_rows_on_the_real_set(self):
        work = WorkFolder(os.path.join(self.root, "w"), [0.1] * 4, [0.1, 0.1])
        # Medians over both rounds: four rows 0.200, 10000 rows 0.208 (met at 1.05), in bytes 0.214 (missed); then
        # 0.212 (missed).
        add_rows(work, [([0.20, 0.19], [0.208, 0.207], [0.214, 0.213]), ([0.21, 0.20], [0.209, 0.208], [0.215, 0.214])])
        text = write_report.report(work.path, tiny=False)
        self.assertIn("## Many rows", text)
        self.assertIn("| four rows | 4 | 200.0 ms |", text)
        self.assertIn("| 10000 rows | 4 | 208.0 ms |", text)
        self.assertIn("10000 rows / four rows: 1.040 ±", text)
        self.assertIn("| Real-shaped scenario: 10000 rows at most 1.05 times four rows | 1.040 | met |", text)
        self.assertIn("| Real-shaped scenario: 10000 rows in bytes at most 1.05 times four rows | 1.070 | **not met** |",
                      text)
        self.assertIn("bin/celshift-cli --rows $WORK/rows-10000.txt $WORK/real", text)
        self.assertIn("bin/celshift-cli --rows $WORK/rows-10000-bytes.txt $WORK/real", text)

        os.remove(os.path.join(work.path, "json", "rows-2.json"))
        add_rows(work, [([0.20, 0.20], [0.212, 0.212], [0.2, 0.2])])
        self.assertIn("| 1.060 | **not met** |", write_report.report(work.path, tiny=False))

        with open(os.path.join(work.path, "json", "rows-1.json"), "w", encoding="utf-8") as f:
            json.dump({"results": [{"command": "four rows", "times": [0.2], "user": 0, "system": 0}]}, f)
        with self.assertRaises(write_report.ReportError):
            write_report.report(work.path, tiny=False)

    def test_memory_goal_missed_at_20_mib(self):
        work = WorkFolder(os.path.join(self.root, "w"), [0.1] * 4, [0.1, 0.1], huge_rss_kib=20 * 1024)
        self.assertIn("under 20 MiB | 20.0 MiB (a 1 MB data file: 6.8 MiB) | **not met** |",
                      write_report.report(work.path, tiny=False))

    def test_results_file_gets_new_figures_and_keeps_the_notes_written_by_hand(self):
        work = WorkFolder(os.path.join(self.root, "w"), [0.1] * 4, [0.1, 0.1])
        results = os.path.join(self.root, "RESULTS.md")
        notes = "\n## Tuning\n\nWritten by hand; kept.\n"
        with open(results, "w", encoding="utf-8") as f:
            f.write("# old figures\n| Large scenario | 9.99 |\n" + write_report.MARKER + notes)
        finished = run("--work", work.path, "--results", results)
        self.assertEqual(finished.returncode, 0, finished.stderr)
        with open(results, encoding="utf-8") as f:
            written = f.read()
        self.assertNotIn("9.99", written)
        self.assertTrue(written.startswith("# Whole-run benchmark results\n"))
        self.assertTrue(written.endswith(write_report.MARKER + notes))
        self.assertEqual(written.count(write_report.MARKER), 1)
        self.assertEqual(finished.stdout + write_report.MARKER + notes, written)

    def test_a_missing_or_broken_input_is_named_and_leaves_the_results_alone(self):
        work = WorkFolder(os.path.join(self.root, "w"), [0.1] * 4, [0.1, 0.1])
        results = os.path.join(self.root, "RESULTS.md")
        with open(results, "w", encoding="utf-8") as f:
            f.write("kept as it was\n")
        os.remove(os.path.join(work.path, "json", "real-1.json"))
        finished = run("--work", work.path, "--results", results)
        self.assertEqual(finished.returncode, 1)
        self.assertIn("no hyperfine results for the data set real", finished.stderr)

        with open(os.path.join(work.path, "json", "real-1.json"), "w", encoding="utf-8") as f:
            f.write('{"results": [')  # cut short
        finished = run("--work", work.path, "--results", results)
        self.assertEqual(finished.returncode, 1)
        self.assertIn("cannot read the hyperfine results", finished.stderr)

        finished = run("--work", os.path.join(self.root, "nowhere"), "--results", results)
        self.assertEqual(finished.returncode, 1)
        self.assertIn("cannot read", finished.stderr)
        with open(results, encoding="utf-8") as f:
            self.assertEqual(f.read(), "kept as it was\n")


if __name__ == "__main__":
    unittest.main()
