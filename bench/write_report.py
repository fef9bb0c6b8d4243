#!/usr/bin/python3
"""Writes the report of a run of run-benchmarks.sh: times, ratios and peak memory per data set, and the goals.

    write_report.py --work WORK [--tiny] [--results bench/RESULTS.md]

Reads WORK/facts.txt (KEY=VALUE lines written by the script) and the hyperfine JSON files WORK/json/SET-ROUND.json.
Prints the report; with --results it also rewrites that file, keeping the notes below the marker line, which are
written by hand. Standard library only, so that Debian's own /usr/bin/python3 runs it.
"""

import argparse
import glob
import json
import os
import statistics
import sys

MARKER = ("<!-- Everything below this line is written by hand; run-benchmarks.sh keeps it when it rewrites "
          "the figures above. -->")
COMMANDS = ("conversion", "cp -r", "user-space copy")
# Measured beside them where the run asked for it: the conversion with --jobs 1.
ONE_WORKER = "one worker"


class ReportError(Exception):
    pass


def read_facts(work):
    facts = {}
    path = os.path.join(work, "facts.txt")
    try:
        with open(path, encoding="utf-8") as lines:
            for line in lines:
                key, equals, value = line.rstrip("\n").partition("=")
                if equals:
                    facts[key] = value
    except OSError as error:
        raise ReportError("cannot read %s: %s" % (path, error.strerror))
    return facts


class Facts:
    def __init__(self, facts):
        self.facts = facts

    def __getitem__(self, key):
        if key not in self.facts:
            raise ReportError("the run recorded no %s" % key)
        return self.facts[key]

    def get(self, key, default=""):
        return self.facts.get(key, default)


def times(work, name, commands=COMMANDS):
    """Every timed run of each command of a data set over all rounds (seconds), and each round's mean CPU times."""
    result = {}
    paths = sorted(glob.glob(os.path.join(work, "json", name + "-*.json")))
    if not paths:
        raise ReportError("no hyperfine results for the data set %s" % name)
    for path in paths:
        try:
            with open(path, encoding="utf-8") as f:
                entries = json.load(f)["results"]
        except (OSError, ValueError, KeyError) as error:
            raise ReportError("cannot read the hyperfine results %s: %s" % (path, error))
        for entry in entries:
            command = result.setdefault(entry["command"], {"times": [], "user": [], "system": []})
            command["times"].extend(entry["times"])
            command["user"].append(entry["user"])
            command["system"].append(entry["system"])
    for command in commands:
        if not result.get(command, {}).get("times"):
            raise ReportError("no timed runs of %s on the data set %s" % (command, name))
    return result


def ratio(a, b):
    """Ratio of the medians, with a spread from the relative standard deviations of both."""
    r = statistics.median(a) / statistics.median(b)
    spread = 0.0
    if len(a) > 1 and len(b) > 1:
        spread = r * ((statistics.stdev(a) / statistics.mean(a)) ** 2 +
                      (statistics.stdev(b) / statistics.mean(b)) ** 2) ** 0.5
    return r, spread


def mib(kib):
    return int(kib) / 1024


def report(work, tiny):
    facts = Facts(read_facts(work))
    sets = facts["run.sets"].split()

    def shown(command):
        """A command as run, with the work folder and the repository shortened."""
        return command.replace(facts["run.work"], "$WORK").replace(facts["run.repo"] + "/", "")

    def title(key):
        return facts.get("set.%s.title" % key, key)

    out = []
    out.append("# Whole-run benchmark results" + (" (tiny sizes: the goals do not apply)" if tiny else ""))
    out.append("")
    out.append("Written by `bench/run-benchmarks.sh` on %s. Ratios, not absolute times, are what to compare."
               % facts["machine.date"])
    out.append("")
    out.append("## Machine")
    out.append("")
    for label, key in [("CPU", "machine.cpu"), ("Cores", "machine.cores"), ("RAM", "machine.ram"),
                       ("System", "machine.system"), ("Kernel", "machine.kernel"),
                       ("Work folder (sources and outputs)", "machine.work"),
                       ("Its file system", "machine.filesystem"),
                       ("Compiler", "tools.compiler"), ("Timing", "tools.hyperfine"), ("Commit", "tools.commit")]:
        out.append("- %s: %s" % (label, facts.get(key) or "unknown"))
    out.append("")

    out.append("## Data sets and commands")
    out.append("")
    out.append("| data set | data files | files in all | MiB | bytes per data file | bytes per field | "
               "in fields of 64 bytes or more | generated with |")
    out.append("|---|---:|---:|---:|---:|---:|---:|---|")
    measured_sets = sets + (["one_mb"] if "set.one_mb.data_files" in facts.facts else [])
    for key in measured_sets:
        data_files = int(facts["set.%s.data_files" % key])
        data_bytes = int(facts.get("set.%s.data_bytes" % key) or 0)
        shape = facts.get("set.%s.shape" % key).split()
        out.append("| %s (`%s`) | %d | %s | %.1f | %s | %s | %s | `%s` |" % (
            title(key), key, data_files, facts["set.%s.files" % key], int(facts["set.%s.bytes" % key]) / 1048576,
            "%.0f" % (data_bytes / data_files) if data_files and data_bytes else "",
            shape[0] if len(shape) == 2 else "", shape[1] + " %" if len(shape) == 2 else "",
            facts["set.%s.generator" % key]))
    out.append("")
    out.append("Bytes per field and the share of the data-file bytes in long fields (long texts, embedded images)")
    out.append("as the generator reports them.")
    out.append("")
    out.append("Each command ran in hyperfine (warm-up runs first), in rounds that alternate the commands. Before")
    out.append("each run a prepare step (`bench/prepare.sh`) cleared the earlier output away (deleted on tmpfs; on a")
    out.append("disk moved aside and emptied), created a fresh output folder in the same file system as the source,")
    out.append("and wrote dirty pages out (`sync -f`). \"one worker\" is the conversion with `--jobs 1`, on one")
    out.append("thread. The user-space copy (`bench/user_space_copy.c`) is one process")
    out.append("that reads and writes each file through a 128 KiB buffer; `cp -r` copies inside the kernel. Peak")
    out.append("memory: `/usr/bin/time -v`.")
    out.append("")
    out.append("```")
    for key in sets:
        for command in ("conversion", "one", "cp", "copy"):
            if command != "one" or "set.%s.command.one" % key in facts.facts:
                out.append(shown(facts["set.%s.command.%s" % (key, command)]))
    if "rows.count" in facts.facts:
        out.append(shown(facts["rows.command.four"]))
        out.append(shown(facts["rows.command.many"]))
        if "rows.command.bytes" in facts.facts:
            out.append(shown(facts["rows.command.bytes"]))
    out.append("prepare, e.g.: " + shown(facts["set.%s.prepare" % sets[0]]))
    out.append("```")
    out.append("")

    out.append("## Times")
    out.append("")
    out.append("| data set | command | runs | median | mean ± σ | min | user | system |")
    out.append("|---|---|---:|---:|---:|---:|---:|---:|")
    summary = {}
    for key in sets:
        t = summary[key] = times(work, key)
        for command in COMMANDS[:1] + ((ONE_WORKER,) if ONE_WORKER in t else ()) + COMMANDS[1:]:
            values = t[command]["times"]
            sd = statistics.stdev(values) if len(values) > 1 else 0.0
            out.append("| %s | %s | %d | %.1f ms | %.1f ± %.1f ms | %.1f ms | %.0f ms | %.0f ms |" % (
                title(key), command, len(values), 1000 * statistics.median(values), 1000 * statistics.mean(values),
                1000 * sd, 1000 * min(values), 1000 * statistics.mean(t[command]["user"]),
                1000 * statistics.mean(t[command]["system"])))
    out.append("")
    out.append("User and system: CPU times, the mean over the rounds of hyperfine's means.")
    out.append("")

    rss = {k[4:]: int(v) for k, v in facts.facts.items() if k.startswith("rss.") and v.isdigit()}

    def memory(key):
        return "%.1f MiB" % mib(rss[key]) if key in rss else ""

    out.append("## Ratios and peak memory")
    out.append("")
    out.append("| data set | conversion / user-space copy | conversion / cp -r | one worker / user-space copy "
               "| peak RSS of celshift-cli |")
    out.append("|---|---:|---:|---:|---:|")
    ratios = {}
    one_worker = {}
    for key in sets:
        t = {command: entry["times"] for command, entry in summary[key].items()}
        ratios[key] = (ratio(t["conversion"], t["user-space copy"]), ratio(t["conversion"], t["cp -r"]))
        user_space, cp = ratios[key]
        one = ""
        if ONE_WORKER in t:
            one_worker[key] = ratio(t[ONE_WORKER], t["user-space copy"])
            one = "%.2f ± %.2f" % one_worker[key]
        out.append("| %s | %.2f ± %.2f | %.2f ± %.2f | %s | %s |" % (
            title(key), user_space[0], user_space[1], cp[0], cp[1], one, memory("conversion." + key)))
    if "conversion.one_mb" in rss:
        out.append("| %s | | | | %s |" % (title("one_mb"), memory("conversion.one_mb")))
    out.append("")
    out.append("Ratios are of the medians; the ± comes from the relative standard deviations of both commands.")
    if "cp.huge" in rss and "copy.huge" in rss:
        out.append("Peak RSS of the copies of the large data file: cp -r %s, user-space copy %s." % (
            memory("cp.huge"), memory("copy.huge")))
    out.append("")

    rows_ratios = []  # (what, ratio)
    if "rows.count" in facts.facts:
        count = facts["rows.count"]
        many = "%s rows" % count
        commands = ["four rows", many]
        if "rows.command.bytes" in facts.facts:
            commands.append("%s rows in bytes" % count)
        t = times(work, "rows", tuple(commands))
        out.append("## Many rows")
        out.append("")
        out.append("The %s converted with four rows, and with the same four among %s rows that name nothing"
                   % (title(facts["rows.set"]).lower(), count))
        out.append("the set holds (`bench/write_rows_file.py`; all from rows files, all write the same bytes; \"in")
        out.append("bytes\": every byte of every name written as `\\xNN`).")
        out.append("")
        out.append("| rows | runs | median | mean ± σ | min | user | system |")
        out.append("|---|---:|---:|---:|---:|---:|---:|")
        for command in commands:
            values = t[command]["times"]
            sd = statistics.stdev(values) if len(values) > 1 else 0.0
            out.append("| %s | %d | %.1f ms | %.1f ± %.1f ms | %.1f ms | %.0f ms | %.0f ms |" % (
                command, len(values), 1000 * statistics.median(values), 1000 * statistics.mean(values), 1000 * sd,
                1000 * min(values), 1000 * statistics.mean(t[command]["user"]),
                1000 * statistics.mean(t[command]["system"])))
        out.append("")
        for command in commands[1:]:
            r = ratio(t[command]["times"], t["four rows"]["times"])
            rows_ratios.append((command, r))
            out.append("%s / four rows: %.3f ± %.3f (of the medians)." % (command, r[0], r[1]))
        out.append("")

    goals = []
    # The field-dense set (mostly small fields) and the real-shaped one, on every core and on one.
    for key, most in (("large", 0.80), ("real", 0.90)):
        if key in ratios:
            r = ratios[key]
            goals.append(("%s: at most %.2f times the user-space copy" % (title(key), most),
                          "%.2f; %.2f times cp -r" % (r[0][0], r[1][0]), r[0][0] <= most))
        if key in one_worker:
            goals.append(("%s, one worker: at most 1.25 times the user-space copy" % title(key),
                          "%.2f" % one_worker[key][0], one_worker[key][0] <= 1.25))
    if "conversion.huge" in rss:
        measured = memory("conversion.huge")
        if "conversion.one_mb" in rss:
            measured += " (a 1 MB data file: %s)" % memory("conversion.one_mb")
        goals.append(("%s: peak RSS of celshift-cli under 20 MiB" % title("huge"), measured,
                      rss["conversion.huge"] < 20 * 1024))
    if "many" in ratios:
        r = ratios["many"]
        goals.append(("%s: at most 1.5 times cp -r" % title("many"), "%.2f" % r[1][0], r[1][0] <= 1.5))
    for command, r in rows_ratios:
        goals.append(("%s: %s at most 1.05 times four rows" % (title(facts["rows.set"]), command),
                      "%.3f" % r[0], r[0] <= 1.05))
    out.append("## Goals")
    out.append("")
    out.append("| goal | measured | |")
    out.append("|---|---|---|")
    for goal, measured, ok in goals:
        out.append("| %s | %s | %s |" % (goal, measured, "(tiny run)" if tiny else "met" if ok else "**not met**"))
    out.append("")
    return "\n".join(out) + "\n"


def rewrite_results(path, text):
    """Writes the figures into path and keeps what follows the marker there (notes written by hand)."""
    notes = ""
    try:
        with open(path, encoding="utf-8") as f:
            old = f.read()
        at = old.find(MARKER)
        if at >= 0:
            notes = old[at + len(MARKER):]
    except FileNotFoundError:
        pass
    new = text + MARKER + (notes or "\n")
    with open(path + ".new", "w", encoding="utf-8") as f:
        f.write(new)
    os.replace(path + ".new", path)


def main():
    parser = argparse.ArgumentParser(description="Writes the report of a run of run-benchmarks.sh.")
    parser.add_argument("--work", required=True, help="the work folder of the run")
    parser.add_argument("--tiny", action="store_true", help="a run on tiny sizes: the goals do not apply")
    parser.add_argument("--results", help="also rewrite this file (bench/RESULTS.md), keeping its notes")
    options = parser.parse_args()
    try:
        text = report(options.work, options.tiny)
        sys.stdout.write(text)
        if options.results:
            rewrite_results(options.results, text)
    except ReportError as error:
        sys.stderr.write("write_report.py: %s\n" % error)
        return 1
    except OSError as error:
        sys.stderr.write("write_report.py: %s\n" % error)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
