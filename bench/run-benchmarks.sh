#!/usr/bin/env bash
# Whole-run benchmarks: celshift-cli against plain copies of the same generated scenario folders, side by
# side in one run. Prints a table of ratios (conversion / copy) and peak resident memory and writes it to
# bench/RESULTS.md together with a description of the machine. See bench/README.md.
#
#   bench/run-benchmarks.sh            full sizes (about 5 minutes; about 5 GB free in the work folder)
#   bench/run-benchmarks.sh --tiny     tiny sizes, well under a minute; leaves bench/RESULTS.md alone
#
# Options: --work DIR (where the work folder goes, default $TMPDIR or /tmp), --keep (keep the work folder).
# The environment variables CELSHIFT_BENCH_TINY=1 and CELSHIFT_BENCH_WORK=DIR do the same as --tiny and --work.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

usage() { sed -n '2,11s/^# \{0,1\}//p' "$0"; }

tiny=${CELSHIFT_BENCH_TINY:-0}
work_root=${CELSHIFT_BENCH_WORK:-${TMPDIR:-/tmp}}
keep=0
while (($#)); do
  case $1 in
    --tiny) tiny=1 ;;
    --work) [[ $# -ge 2 ]] || { echo "run-benchmarks.sh: --work needs a folder" >&2; exit 2; }
            work_root=$2; shift ;;
    --work=*) work_root=${1#--work=} ;;
    --keep) keep=1 ;;
    -h|--help) usage; exit 0 ;;
    *) echo "run-benchmarks.sh: unknown argument: $1" >&2; usage >&2; exit 2 ;;
  esac
  shift
done
[[ $tiny == 1 ]] || tiny=0

# Sizes and repetitions. Each hyperfine round runs every command of a data set (warm-up runs first, each
# run after a prepare step that gives it a fresh output folder); rounds alternate the commands, so that a
# slow spell of the machine does not fall on one command only.
if ((tiny)); then
  large_args=(--megabytes 3 --files 20 --images 8)
  huge_megabytes=4
  many_args=(--megabytes 0.5 --files 200)
  rounds=1 warmup=1 runs=2 huge_rounds=1 huge_runs=2
else
  large_args=(--megabytes 300 --files 500 --images 100)
  huge_megabytes=1024
  many_args=(--megabytes 40 --files 10000)
  rounds=3 warmup=1 runs=5 huge_rounds=3 huge_runs=3
fi

# --- tools ----------------------------------------------------------------------------------------------
# Debian's own python3 (not one found first on PATH) writes the report: it reads the hyperfine JSON files with
# its json module and needs nothing beyond its standard library.
python=/usr/bin/python3
need_packages=()
command -v hyperfine >/dev/null || need_packages+=(hyperfine)
[[ -x /usr/bin/time ]] || need_packages+=(time)
[[ -x $python ]] || need_packages+=(python3)
command -v findmnt >/dev/null || need_packages+=(util-linux)
if [[ $(id -u) == 0 ]]; then
  bash scripts/install-deps.sh
  if ((${#need_packages[@]})); then
    echo "== Installing ${need_packages[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${need_packages[@]}" >/dev/null
  fi
elif ((${#need_packages[@]})); then
  echo "run-benchmarks.sh: missing ${need_packages[*]}; run as root to install them, or install them first" >&2
  exit 2
fi

echo "== Building celshift-cli and generate-scenario (Release, build/)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target celshift-cli generate-scenario -j"$(nproc)" >/dev/null
cli=$repo/build/bin/celshift-cli
generator=$repo/build/bin/generate-scenario

# --- work folder ----------------------------------------------------------------------------------------
mkdir -p "$work_root"
work=$(mktemp -d "$work_root/celshift-bench.XXXXXX")
cleanup() {
  if ((keep)); then echo "Work folder kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
mkdir "$work/json" "$work/trash" "$work/out"

# Before each run the output of the run before is moved into the trash and its files are emptied there.
# Deleting them would cost twice on this kind of machine: on ext4 without a journal an inode stays out of
# reuse for a minute after its file is deleted, and creating files then scans past every such inode, so
# that thousands of deletions make file creation slower from run to run; emptied files keep their inodes.
# Emptying frees the page cache of the earlier output at once, so that each run writes into memory that
# was in use a moment before (a virtual machine may hand freed memory back to its host, and then the
# first write into each page costs a fault in the host). Dirty pages are written out before each run.
cat >"$work/prepare.sh" <<'EOF'
#!/bin/sh
# prepare.sh TARGET [mkdir]: clears away an earlier TARGET, creates it empty if asked, and writes dirty
# pages out, so that no run pays for the writeback of the one before.
set -eu
target=$1
if [ -e "$target" ]; then
  trashed=$(mktemp -u -p "$(dirname "$target")/../trash")
  mv "$target" "$trashed"
  find "$trashed" -type f -exec truncate -s 0 {} +
fi
if [ "${2:-}" = mkdir ]; then mkdir "$target"; fi
sync -f "$(dirname "$target")"
EOF

# The plain user-space copy: one process that copies each file of the folder with read and write through
# one 128 KiB buffer (the size cat and cp use when they read and write), built here with the C compiler.
# Debian's cat copies with copy_file_range, inside the kernel, so it is no user-space copy, and one process
# per file would be measured mostly as process start-up.
cat >"$work/user_space_copy.c" <<'EOF'
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

static char buffer[128 * 1024];

/* user-space-copy SOURCE TARGET: copies the regular files of SOURCE into the existing folder TARGET. */
int main(int argc, char** argv) {
    if (argc != 3) return 2;
    DIR* folder = opendir(argv[1]);
    if (!folder) return perror(argv[1]), 1;
    const int source = dirfd(folder);
    const int target = open(argv[2], O_RDONLY | O_DIRECTORY);
    if (target < 0) return perror(argv[2]), 1;
    for (struct dirent* entry; (entry = readdir(folder));) {
        struct stat status;
        if (entry->d_name[0] == '.' || fstatat(source, entry->d_name, &status, 0) != 0 || !S_ISREG(status.st_mode))
            continue;
        const int in = openat(source, entry->d_name, O_RDONLY);
        const int out = openat(target, entry->d_name, O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (in < 0 || out < 0) return perror(entry->d_name), 1;
        for (ssize_t got; (got = read(in, buffer, sizeof buffer)) != 0;) {
            if (got < 0) return perror(entry->d_name), 1;
            for (ssize_t done = 0; done < got;) {
                const ssize_t written = write(out, buffer + done, (size_t)(got - done));
                if (written < 0) return perror(entry->d_name), 1;
                done += written;
            }
        }
        if (close(in) != 0 || close(out) != 0) return perror(entry->d_name), 1;
    }
    return 0;
}
EOF
cc -O2 -o "$work/user-space-copy" "$work/user_space_copy.c"

fail() { echo "run-benchmarks.sh: $*" >&2; exit 1; }

# Quotes a word for sh, the shell in which hyperfine runs each command.
quote() {
  if [[ $1 =~ ^[A-Za-z0-9_./=:,+-]+$ ]]; then printf '%s' "$1"; return; fi
  local s=${1//\'/\'\\\'\'}
  printf "'%s'" "$s"
}

# Four valid conversion rows, each naming an image that the generated data files use.
rows=(--from cell_red.bmp --to cell_blue.bmp --from 背景01.bmp --to 背景02.bmp
      --from 表紙.bmp --to 裏表紙.bmp --from 森の入口.bmp --to 森の出口.bmp)
rows_quoted=""
for r in "${rows[@]}"; do rows_quoted+=" $(quote "$r")"; done

facts=$work/facts.txt
: >"$facts"
fact() { printf '%s=%s\n' "$1" "$2" >>"$facts"; }

# --- machine --------------------------------------------------------------------------------------------
cpu=$(lscpu 2>/dev/null | sed -n 's/^Model name: *//p' | head -n 1)
[[ -n $cpu ]] || cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
fact machine.cpu "$cpu"
fact machine.cores "$(nproc)"
fact machine.ram "$(awk '/^MemTotal:/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)"
fact machine.kernel "$(uname -srm)"
fact machine.filesystem "$(findmnt -n -o FSTYPE,OPTIONS -T "$work" 2>/dev/null | tr -s " " || stat -f -c %T "$work")"
fact machine.system "$(sed -n 's/^PRETTY_NAME="\{0,1\}\([^"]*\)"\{0,1\}$/\1/p' /etc/os-release 2>/dev/null)"
fact machine.date "$(date -u '+%Y-%m-%d %H:%M UTC')"
compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' build/CMakeCache.txt)
fact tools.compiler "$("${compiler:-c++}" --version 2>/dev/null | head -n 1)"
fact tools.hyperfine "$(hyperfine --version)"
fact tools.commit "$(git rev-parse --short HEAD 2>/dev/null || echo unknown)$(
  [[ -n $(git --no-optional-locks status --porcelain --untracked-files=no 2>/dev/null) ]] && echo ' (with uncommitted changes)')"
fact run.tiny "$tiny"
fact run.work "$work"
fact run.repo "$repo"

# --- data sets ------------------------------------------------------------------------------------------
generate() {  # generate NAME ARGS...: writes the scenario folder $work/NAME
  local name=$1; shift
  "$generator" --out "$work/$name" "$@" >"$work/$name.log"
  local files bytes data
  files=$(find "$work/$name" -maxdepth 1 -type f | wc -l)
  data=$(find "$work/$name" -maxdepth 1 -type f -name '*.wid' | wc -l)
  bytes=$(find "$work/$name" -maxdepth 1 -type f -printf '%s\n' | awk '{ s += $1 } END { printf "%.0f", s }')
  fact "set.$name.files" "$files"
  fact "set.$name.data_files" "$data"
  fact "set.$name.bytes" "$bytes"
  fact "set.$name.generator" "generate-scenario $*"
  echo "   $name: $data data files, $files files, $((bytes / 1048576)) MiB"
}
echo "== Generating the data sets in $work"
generate large "${large_args[@]}" --seed 1
generate huge --single-file-megabytes "$huge_megabytes" --seed 2
generate one_mb --single-file-megabytes 1 --seed 2
generate many "${many_args[@]}" --seed 3
sync -f "$work"

# Room for the three outputs of the largest data set, with a margin of a tenth.
megabytes() { echo $(( ($(grep "^set.$1.bytes=" "$facts" | cut -d= -f2) + 1048575) / 1048576 )); }
largest=0
for name in large huge many; do (( $(megabytes $name) > largest )) && largest=$(megabytes $name); done
needed=$(( largest * 3 * 11 / 10 ))
available=$(df -Pm "$work" | awk 'NR == 2 { print $4 }')
if ((available < needed)); then
  fail "the outputs need about $needed MB in $work_root, but only $available MB are free (choose another folder with --work DIR)"
fi

# Commands of one data set: the conversion, cp -r, the user-space copy. Each writes into $work/out/NAME-*.
conversion_command() { echo "$(quote "$cli") --output $(quote "$work/out/$1-conversion")$rows_quoted $(quote "$work/$1")"; }
cp_command() { echo "cp -r $(quote "$work/$1") $(quote "$work/out/$1-cp")"; }
copy_command() { echo "$(quote "$work/user-space-copy") $(quote "$work/$1") $(quote "$work/out/$1-copy")"; }
prepare() { echo "sh $(quote "$work/prepare.sh") $(quote "$work/out/$1")${2:+ $2}"; }

# Runs each command once as hyperfine will, and checks what it wrote: the conversion must accept four rows,
# end with status 0, write every file, leave every other file as it was and change at least one data file;
# the copies must equal the source.
check_set() {
  local name=$1 source=$work/$1 status=0 differences others
  sh -c "$(prepare "$name-conversion" mkdir)"
  sh -c "$(conversion_command "$name")" >"$work/$name-conversion.txt" || status=$?
  if ((status != 0)) || ! grep -q '4個' "$work/$name-conversion.txt"; then
    cat "$work/$name-conversion.txt" >&2
    fail "the conversion of $name did not run as expected (exit status $status)"
  fi
  differences=$(diff -rq "$source" "$work/out/$name-conversion" || true)
  if grep -q '^Only in' <<<"$differences"; then fail "the conversion of $name left out files: $differences"; fi
  others=$(grep '^Files' <<<"$differences" | grep -v '\.wid differ$' || true)
  [[ -z $others ]] || fail "the conversion of $name changed files other than data files: $others"
  grep -q '\.wid differ$' <<<"$differences" || fail "the conversion of $name replaced no image name"
  sh -c "$(prepare "$name-cp")"
  sh -c "$(cp_command "$name")"
  sh -c "$(prepare "$name-copy" mkdir)"
  sh -c "$(copy_command "$name")"
  diff -rq "$source" "$work/out/$name-cp" >/dev/null || fail "cp -r of $name differs from its source"
  diff -rq "$source" "$work/out/$name-copy" >/dev/null || fail "the user-space copy of $name differs from its source"
}

measure_set() {  # measure_set NAME ROUNDS RUNS
  local name=$1 round
  fact "set.$name.command.conversion" "$(conversion_command "$name")"
  fact "set.$name.command.cp" "$(cp_command "$name")"
  fact "set.$name.command.copy" "$(copy_command "$name")"
  fact "set.$name.prepare" "$(prepare "$name-conversion" mkdir)"
  check_set "$name"
  for ((round = 1; round <= $2; round++)); do
    echo "== $name, round $round of $2"
    hyperfine --style basic --time-unit millisecond --warmup "$warmup" --runs "$3" \
      --export-json "$work/json/$name-$round.json" \
      -n conversion --prepare "$(prepare "$name-conversion" mkdir)" "$(conversion_command "$name")" \
      -n "cp -r" --prepare "$(prepare "$name-cp")" "$(cp_command "$name")" \
      -n "user-space copy" --prepare "$(prepare "$name-copy" mkdir)" "$(copy_command "$name")" \
      | grep -v '^ *$'
  done
}

# Peak resident memory (KiB) of one run of a command, from /usr/bin/time -v.
peak_memory() {  # peak_memory KEY OUTPUT COMMAND [mkdir]
  sh -c "$(prepare "$2" "${4:-}")"
  eval "/usr/bin/time -v -o $(quote "$work/time.txt") $3" >/dev/null
  fact "rss.$1" "$(sed -n 's/^[[:space:]]*Maximum resident set size (kbytes): //p' "$work/time.txt")"
}

measure_set large "$rounds" "$runs"
measure_set huge "$huge_rounds" "$huge_runs"
measure_set many "$rounds" "$runs"

echo "== Peak resident memory (/usr/bin/time -v)"
fact "set.one_mb.command.conversion" "$(conversion_command one_mb)"
peak_memory conversion.one_mb one_mb-conversion "$(conversion_command one_mb)" mkdir
peak_memory conversion.huge huge-conversion "$(conversion_command huge)" mkdir
peak_memory cp.huge huge-cp "$(cp_command huge)"
peak_memory copy.huge huge-copy "$(copy_command huge)" mkdir
peak_memory conversion.large large-conversion "$(conversion_command large)" mkdir
peak_memory conversion.many many-conversion "$(conversion_command many)" mkdir

# --- report ---------------------------------------------------------------------------------------------
cat >"$work/report.py" <<'EOF'
import glob
import json
import os
import statistics
import sys

work, tiny = sys.argv[1], sys.argv[2] == "1"
facts = {}
with open(os.path.join(work, "facts.txt"), encoding="utf-8") as lines:
    for line in lines:
        key, _, value = line.rstrip("\n").partition("=")
        facts[key] = value

def times(name):
    """Every timed run of each command of a data set over all rounds (seconds), and each round's mean CPU times."""
    result = {}
    for path in sorted(glob.glob(os.path.join(work, "json", name + "-*.json"))):
        with open(path, encoding="utf-8") as f:
            for entry in json.load(f)["results"]:
                command = result.setdefault(entry["command"], {"times": [], "user": [], "system": []})
                command["times"].extend(entry["times"])
                command["user"].append(entry["user"])
                command["system"].append(entry["system"])
    return result

def ratio(a, b):
    """Ratio of the medians, with a spread from the relative standard deviations of both."""
    r = statistics.median(a) / statistics.median(b)
    spread = 0.0
    if len(a) > 1 and len(b) > 1:
        spread = r * ((statistics.stdev(a) / statistics.mean(a)) ** 2 + (statistics.stdev(b) / statistics.mean(b)) ** 2) ** 0.5
    return r, spread

def mib(kib):
    return int(kib) / 1024

def shown(command):
    """A command as run, with the work folder and the repository shortened."""
    return command.replace(facts["run.work"], "$WORK").replace(facts["run.repo"] + "/", "")

sets = [("large", "Large scenario"), ("huge", "One large data file"), ("many", "Many small files")]
description = {}
for key, title in sets + [("one_mb", "One 1 MB data file")]:
    description[key] = "data files: %s; files in all: %s; %.1f MiB (`%s`)" % (
        facts["set.%s.data_files" % key], facts["set.%s.files" % key],
        int(facts["set.%s.bytes" % key]) / 1048576, facts["set.%s.generator" % key])

out = []
out.append("# Whole-run benchmark results" + (" (tiny sizes: the goals do not apply)" if tiny else ""))
out.append("")
out.append("Written by `bench/run-benchmarks.sh` on %s. Ratios, not absolute times, are what to compare." % facts["machine.date"])
out.append("")
out.append("## Machine")
out.append("")
for label, key in [("CPU", "machine.cpu"), ("Cores", "machine.cores"), ("RAM", "machine.ram"),
                   ("System", "machine.system"), ("Kernel", "machine.kernel"),
                   ("File system of the work folder (source and target)", "machine.filesystem"),
                   ("Compiler", "tools.compiler"), ("Timing", "tools.hyperfine"), ("Commit", "tools.commit")]:
    out.append("- %s: %s" % (label, facts.get(key, "") or "unknown"))
out.append("")
out.append("## Data sets and commands")
out.append("")
for key, title in sets + [("one_mb", "One 1 MB data file")]:
    out.append("- %s (`%s`): %s" % (title, key, description[key]))
out.append("")
out.append("Each command ran in hyperfine with a warm page cache (warm-up runs first), in rounds that alternate")
out.append("the commands. Before each run a prepare step moved the earlier output aside and emptied its files,")
out.append("created a fresh output folder in the same file system as the source, and wrote dirty pages out")
out.append("(`sync -f`). The user-space copy is one process (C, built by the script) that reads and writes each")
out.append("file through a 128 KiB buffer. Peak memory: `/usr/bin/time -v`.")
out.append("")
out.append("```")
for key, _ in sets:
    for command in ("conversion", "cp", "copy"):
        out.append(shown(facts["set.%s.command.%s" % (key, command)]))
out.append("prepare, e.g.: " + shown(facts["set.large.prepare"]))
out.append("```")
out.append("")

out.append("## Times")
out.append("")
out.append("| data set | command | runs | median | mean ± σ | min | user | system |")
out.append("|---|---|---:|---:|---:|---:|---:|---:|")
summary = {}
for key, title in sets:
    t = summary[key] = times(key)
    for command in ("conversion", "cp -r", "user-space copy"):
        values = t[command]["times"]
        sd = statistics.stdev(values) if len(values) > 1 else 0.0
        out.append("| %s | %s | %d | %.1f ms | %.1f ± %.1f ms | %.1f ms | %.0f ms | %.0f ms |" % (
            title, command, len(values), 1000 * statistics.median(values), 1000 * statistics.mean(values),
            1000 * sd, 1000 * min(values), 1000 * statistics.mean(t[command]["user"]),
            1000 * statistics.mean(t[command]["system"])))
out.append("")
out.append("User and system: CPU times, the mean over the rounds of hyperfine's means.")
out.append("")

rss = {k[4:]: int(v) for k, v in facts.items() if k.startswith("rss.") and v}
out.append("## Ratios and peak memory")
out.append("")
out.append("| data set | conversion / user-space copy | conversion / cp -r | peak RSS of celshift-cli |")
out.append("|---|---:|---:|---:|")
ratios = {}
for key, title in sets:
    t = {command: entry["times"] for command, entry in summary[key].items()}
    user_space = ratio(t["conversion"], t["user-space copy"])
    cp = ratio(t["conversion"], t["cp -r"])
    ratios[key] = (user_space, cp)
    memory = "%.1f MiB" % mib(rss["conversion." + key]) if "conversion." + key in rss else ""
    out.append("| %s | %.2f ± %.2f | %.2f ± %.2f | %s |" % (title, user_space[0], user_space[1], cp[0], cp[1], memory))
out.append("| One 1 MB data file | | | %.1f MiB |" % mib(rss["conversion.one_mb"]))
out.append("")
out.append("Ratios are of the medians; the ± comes from the relative standard deviations of both commands.")
out.append("Peak RSS of the copies on the large data file: cp -r %.1f MiB, user-space copy %.1f MiB." % (
    mib(rss["cp.huge"]), mib(rss["copy.huge"])))
out.append("")

def verdict(ok):
    return "met" if ok else "**not met**"

large_user_space, large_cp = ratios["large"]
huge_memory, small_memory = rss["conversion.huge"], rss["conversion.one_mb"]
many_cp = ratios["many"][1]
goals = [
    ("Large scenario: at most 1.25 times the user-space copy",
     "%.2f; %.2f times cp -r" % (large_user_space[0], large_cp[0]), large_user_space[0] <= 1.25),
    ("One large data file: peak RSS of celshift-cli under 20 MiB, the same as for a 1 MB file (within 1 MiB)",
     "%.1f MiB against %.1f MiB" % (mib(huge_memory), mib(small_memory)),
     huge_memory < 20 * 1024 and abs(huge_memory - small_memory) <= 1024),
    ("Many small files: at most 1.5 times cp -r", "%.2f" % many_cp[0], many_cp[0] <= 1.5),
]
out.append("## Goals")
out.append("")
out.append("| goal | measured | |")
out.append("|---|---|---|")
for goal, measured, ok in goals:
    out.append("| %s | %s | %s |" % (goal, measured, "(tiny run)" if tiny else verdict(ok)))
out.append("")
print("\n".join(out))
EOF

report=$work/RESULTS.md
"$python" "$work/report.py" "$work" "$tiny" >"$report"
results=bench/RESULTS.md
marker='<!-- Everything below this line is written by hand; run-benchmarks.sh keeps it when it rewrites the figures above. -->'
echo
cat "$report"
if ((tiny)); then
  echo "(tiny run: $results left as it was)"
else
  {
    cat "$report"
    echo "$marker"
    if [[ -f $results ]] && grep -qF -- "$marker" "$results"; then
      sed -n "\\|$marker|,\$p" "$results" | tail -n +2
    fi
  } >"$results.new"
  mv "$results.new" "$results"
  echo "Written to $results"
fi
