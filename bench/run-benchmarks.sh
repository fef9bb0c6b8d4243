#!/usr/bin/env bash
# Whole-run benchmarks: celshift-cli against plain copies of the same generated scenario folders, side by
# side in one hyperfine run per data set. Prints a table of ratios (conversion / copy) and peak resident
# memory and writes it to bench/RESULTS.md together with a description of the machine. See bench/README.md.
#
#   bench/run-benchmarks.sh            full sizes (about 10 minutes; about 6 GB free in the work folder)
#   bench/run-benchmarks.sh --tiny     tiny sizes, well under a minute; leaves bench/RESULTS.md alone
#   bench/run-benchmarks.sh --sets real   only the sets named (large real huge many); leaves RESULTS.md alone
#
# Options: --work DIR (where the work folder goes; default /dev/shm when it is a tmpfs with room, else
# $TMPDIR or /tmp), --keep (keep the work folder). The environment variables CELSHIFT_BENCH_TINY=1 and
# CELSHIFT_BENCH_WORK=DIR do the same as --tiny and --work.
#
# Files beside this one: prepare.sh (run before each timed run), user_space_copy.c (the copy measured
# beside the conversion, built by CMake as user-space-copy), write_rows_file.py (the rows files of the
# many-rows measurement), write_report.py (the report).
set -Eeuo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

# A failing step says which step and which command failed, on stderr: the test script hides stdout.
step="reading the arguments"
on_error() {
  local status=$? line=$1 command=$2
  # Inside a command substitution or a subshell the enclosing command fails next and is reported then.
  ((BASH_SUBSHELL == 0)) || return "$status"
  echo "run-benchmarks.sh: step \"$step\" failed (exit status $status, line $line): $command" >&2
}
trap 'on_error "$LINENO" "$BASH_COMMAND"' ERR

usage() { sed -n '2,17s/^# \{0,1\}//p' "$0"; }
fail() { echo "run-benchmarks.sh: $*" >&2; exit 1; }

tiny=${CELSHIFT_BENCH_TINY:-0}
work_root=${CELSHIFT_BENCH_WORK:-}
keep=0
only_sets=""
while (($#)); do
  case $1 in
    --tiny) tiny=1 ;;
    --work) [[ $# -ge 2 && -n $2 ]] || { echo "run-benchmarks.sh: --work needs a folder" >&2; exit 2; }
            work_root=$2; shift ;;
    --work=*) work_root=${1#--work=}
              [[ -n $work_root ]] || { echo "run-benchmarks.sh: --work needs a folder" >&2; exit 2; } ;;
    --keep) keep=1 ;;
    --sets) [[ $# -ge 2 && -n $2 ]] || { echo "run-benchmarks.sh: --sets needs names of data sets" >&2; exit 2; }
            only_sets=$2; shift ;;
    -h|--help) usage; exit 0 ;;
    *) echo "run-benchmarks.sh: unknown argument: $1" >&2; usage >&2; exit 2 ;;
  esac
  shift
done
[[ $tiny == 1 ]] || tiny=0

# Data sets, in the order they are measured, with the generator's arguments and the MiB each comes out at
# (for the room check before anything is written). Each hyperfine round runs every command of a data set
# (warm-up runs first, each run after a prepare step that gives it a fresh output folder); rounds alternate
# the commands, so that a slow spell of the machine does not fall on one command only.
sets=(large real huge many)
if [[ -n $only_sets ]]; then
  chosen=()
  for name in ${only_sets//,/ }; do
    [[ " ${sets[*]} " == *" $name "* ]] || { echo "run-benchmarks.sh: no data set $name (large real huge many)" >&2; exit 2; }
    chosen+=("$name")
  done
  sets=("${chosen[@]}")
fi
# The 1 MB data file is measured beside the 1 GB one.
extra_sets=()
[[ " ${sets[*]} " == *" huge "* ]] && extra_sets=(one_mb)
# The many-rows measurement: the real-shaped set converted with four rows and with this many.
many_rows=10000
declare -A title=([large]="Large scenario" [real]="Real-shaped scenario" [huge]="One large data file"
                  [many]="Many small files" [one_mb]="One 1 MB data file")
declare -A args mib rounds_of runs_of
if ((tiny)); then
  args[large]="--megabytes 3 --files 20 --images 8 --seed 1";                mib[large]=4
  args[real]="--shape real --megabytes 1.5 --files 75 --images 20 --seed 4"; mib[real]=2
  args[huge]="--single-file-megabytes 4 --seed 2";                            mib[huge]=5
  args[many]="--megabytes 0.5 --files 200 --seed 3";                          mib[many]=3
  args[one_mb]="--single-file-megabytes 1 --seed 2";                          mib[one_mb]=2
  for name in "${sets[@]}"; do rounds_of[$name]=1 runs_of[$name]=2; done
  warmup=1
else
  args[large]="--megabytes 300 --files 500 --images 100 --seed 1";                 mib[large]=300
  args[real]="--shape real --megabytes 150 --files 7500 --images 100 --seed 4";    mib[real]=152
  args[huge]="--single-file-megabytes 1024 --seed 2";                               mib[huge]=1130
  args[many]="--megabytes 40 --files 10000 --seed 3";                               mib[many]=112
  args[one_mb]="--single-file-megabytes 1 --seed 2";                                mib[one_mb]=2
  for name in "${sets[@]}"; do rounds_of[$name]=3 runs_of[$name]=5; done
  runs_of[huge]=3
  warmup=1
fi

# --- tools ----------------------------------------------------------------------------------------------
step="installing what is missing"
# Debian's own python3 (not one found first on PATH) writes the report with its standard library only.
python=/usr/bin/python3
need_packages=()
command -v hyperfine >/dev/null || need_packages+=(hyperfine)
[[ -x /usr/bin/time ]] || need_packages+=(time)
[[ -x $python ]] || need_packages+=(python3)
if [[ $(id -u) == 0 ]]; then
  bash scripts/install-deps.sh
  if ((${#need_packages[@]})); then
    echo "== Installing ${need_packages[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${need_packages[@]}" >/dev/null
  fi
elif ((${#need_packages[@]})); then
  fail "missing ${need_packages[*]}; run as root to install them, or install them first"
fi

# --- work folder ----------------------------------------------------------------------------------------
# Source and outputs live in memory when they can: on this kind of machine's disk single runs of the same
# copy vary fivefold. A tmpfs holds each data set only while it is measured.
step="choosing the work folder"
free_mib() { df -Pm "$1" | awk 'NR == 2 { print $4 }'; }
is_tmpfs() { [[ $(stat -f -c %T "$1" 2>/dev/null) == tmpfs ]]; }
largest=0 total=0
for name in "${sets[@]}" "${extra_sets[@]}"; do
  ((mib[$name] > largest)) && largest=${mib[$name]}
  total=$((total + mib[$name]))
done
# A data set and the three outputs of its commands, a tenth more for safety; on a disk (or with --keep)
# every source stays until the end.
needed_tmpfs=$(( (4 * largest + ${#extra_sets[@]} * mib[one_mb]) * 11 / 10 ))
needed_disk=$(( (total + 3 * largest) * 11 / 10 ))
if [[ -z $work_root ]]; then
  if [[ -d /dev/shm ]] && is_tmpfs /dev/shm && (( $(free_mib /dev/shm) >= (keep ? needed_disk : needed_tmpfs) )); then
    work_root=/dev/shm
  else
    work_root=${TMPDIR:-/tmp}
  fi
fi
mkdir -p "$work_root"
if is_tmpfs "$work_root" && ((!keep)); then in_memory=1 needed=$needed_tmpfs; else in_memory=0 needed=$needed_disk; fi
available=$(free_mib "$work_root")
((available >= needed)) ||
  fail "the data sets and their outputs need about $needed MB in $work_root, but only $available MB are free (choose another folder with --work DIR)"
work=$(mktemp -d "$work_root/celshift-bench.XXXXXX")
cleanup() {
  if ((keep)); then echo "Work folder kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
mkdir "$work/json" "$work/trash" "$work/out" "$work/logs"

# Runs a command with its output in a log file. When the command fails, names the step and the command,
# shows the end of the log on stderr, and ends the script with the command's exit status.
logged() {  # logged LOG COMMAND...
  local log=$1 status=0
  shift
  "$@" >"$log" 2>&1 || status=$?
  ((status == 0)) && return 0
  echo "run-benchmarks.sh: step \"$step\" failed (exit status $status): $*" >&2
  echo "run-benchmarks.sh: the end of its output:" >&2
  tail -n 40 "$log" >&2
  exit "$status"
}

step="building celshift-cli, generate-scenario and user-space-copy"
echo "== Building celshift-cli, generate-scenario and user-space-copy (Release, build/)"
logged "$work/logs/configure.txt" cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
logged "$work/logs/build.txt" cmake --build build --target celshift-cli generate-scenario user-space-copy -j"$(nproc)"
cli=$repo/build/bin/celshift-cli
generator=$repo/build/bin/generate-scenario
user_space_copy=$repo/build/bin/user-space-copy

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
# The same four rows as FROM TO pairs, for the rows files.
rows_pairs=()
for ((i = 1; i < ${#rows[@]}; i += 2)); do rows_pairs+=("${rows[i]}"); done

facts=$work/facts.txt
: >"$facts"
fact() { printf '%s=%s\n' "$1" "$2" >>"$facts"; }

# --- machine --------------------------------------------------------------------------------------------
# Only what a minimal Debian has: /proc, coreutils; findmnt (util-linux) adds the mount options if present.
step="describing the machine"
cpu=$(awk -F': *' '/^model name/ { print $2; exit }' /proc/cpuinfo 2>/dev/null || true)
fact machine.cpu "${cpu:-unknown}"
fact machine.cores "$(nproc)"
fact machine.ram "$(awk '/^MemTotal:/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)"
fact machine.kernel "$(uname -srm)"
filesystem=$(stat -f -c %T "$work")
if command -v findmnt >/dev/null; then
  options=$(findmnt -n -o OPTIONS -T "$work" 2>/dev/null || true)
  [[ -z $options ]] || filesystem+=" $options"
fi
fact machine.filesystem "$filesystem"
fact machine.work "$work_root"
fact machine.system "$(sed -n 's/^PRETTY_NAME="\{0,1\}\([^"]*\)"\{0,1\}$/\1/p' /etc/os-release 2>/dev/null || true)"
fact machine.date "$(date -u '+%Y-%m-%d %H:%M UTC')"
compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' build/CMakeCache.txt)
fact tools.compiler "$("${compiler:-c++}" --version 2>/dev/null | head -n 1 || true)"
fact tools.hyperfine "$(hyperfine --version)"
commit=unknown
if command -v git >/dev/null && commit=$(git rev-parse --short HEAD 2>/dev/null); then
  [[ -z $(git --no-optional-locks status --porcelain --untracked-files=no 2>/dev/null || true) ]] ||
    commit+=" (with uncommitted changes)"
fi
fact tools.commit "$commit"
fact run.tiny "$tiny"
fact run.work "$work"
fact run.repo "$repo"
fact run.sets "${sets[*]}"
for name in "${sets[@]}" "${extra_sets[@]}"; do fact "set.$name.title" "${title[$name]}"; done

# --- data sets ------------------------------------------------------------------------------------------
generate() {  # generate NAME: writes the scenario folder $work/NAME
  local name=$1 files bytes data
  step="generating the data set $name"
  # shellcheck disable=SC2086  # the arguments are words without blanks
  logged "$work/logs/generate-$name.txt" "$generator" --out "$work/$name" ${args[$name]}
  files=$(find "$work/$name" -maxdepth 1 -type f | wc -l)
  data=$(find "$work/$name" -maxdepth 1 -type f -name '*.wid' | wc -l)
  bytes=$(find "$work/$name" -maxdepth 1 -type f -printf '%s\n' | awk '{ s += $1 } END { printf "%.0f", s }')
  fact "set.$name.files" "$files"
  fact "set.$name.data_files" "$data"
  fact "set.$name.bytes" "$bytes"
  fact "set.$name.data_bytes" "$(find "$work/$name" -maxdepth 1 -type f -name '*.wid' -printf '%s\n' |
    awk '{ s += $1 } END { printf "%.0f", s }')"
  fact "set.$name.generator" "generate-scenario ${args[$name]}"
  fact "set.$name.shape" "$(sed -n 's/^data-file fields: [0-9]*, \([0-9.]*\) bytes per field, \([0-9.]*\) %.*/\1 \2/p' \
    "$work/logs/generate-$name.txt")"
  echo "   $name: $data data files, $files files, $((bytes / 1048576)) MiB"
  sync -f "$work"
  local need=$(( (bytes / 1048576 + 1) * 4 * 11 / 10 )) free
  free=$(free_mib "$work")
  ((free >= need)) ||
    fail "the outputs of $name need about $need MB in $work_root, but only $free MB are free (choose another folder with --work DIR)"
}

# Commands of one data set: the conversion, the same on one worker, cp -r, the user-space copy. Each writes into
# $work/out/NAME-*.
conversion_command() { echo "$(quote "$cli") --output $(quote "$work/out/$1-conversion")$rows_quoted $(quote "$work/$1")"; }
one_worker_command() { echo "$(quote "$cli") --jobs 1 --output $(quote "$work/out/$1-one")$rows_quoted $(quote "$work/$1")"; }
cp_command() { echo "cp -r $(quote "$work/$1") $(quote "$work/out/$1-cp")"; }
copy_command() { echo "$(quote "$user_space_copy") $(quote "$work/$1") $(quote "$work/out/$1-copy")"; }
prepare() { echo "sh $(quote "$repo/bench/prepare.sh") $(quote "$work/trash") $(quote "$work/out/$1")${2:+ $2}"; }

# Runs each command once as hyperfine will, and checks what it wrote: the conversion must accept four rows,
# end with status 0, write every file, leave every other file as it was and change at least one data file;
# the copies must equal the source.
check_set() {
  local name=$1 source=$work/$1 status=0 differences others
  step="checking the commands on $name"
  sh -c "$(prepare "$name-conversion" mkdir)"
  sh -c "$(conversion_command "$name")" >"$work/logs/$name-conversion.txt" 2>&1 || status=$?
  if ((status != 0)) || ! grep -q '4個' "$work/logs/$name-conversion.txt"; then
    cat "$work/logs/$name-conversion.txt" >&2
    fail "the conversion of $name did not run as expected (exit status $status)"
  fi
  differences=$(diff -rq "$source" "$work/out/$name-conversion" || true)
  if grep -q '^Only in' <<<"$differences"; then fail "the conversion of $name left out files: $differences"; fi
  others=$(grep '^Files' <<<"$differences" | grep -v '\.wid differ$' || true)
  [[ -z $others ]] || fail "the conversion of $name changed files other than data files: $others"
  grep -q '\.wid differ$' <<<"$differences" || fail "the conversion of $name replaced no image name"
  sh -c "$(prepare "$name-one" mkdir)"
  sh -c "$(one_worker_command "$name")" >"$work/logs/$name-one.txt" 2>&1 || fail "the conversion of $name on one worker failed"
  diff -rq "$work/out/$name-conversion" "$work/out/$name-one" >/dev/null ||
    fail "the conversion of $name on one worker wrote other bytes than on every core"
  sh -c "$(prepare "$name-cp")"
  sh -c "$(cp_command "$name")"
  sh -c "$(prepare "$name-copy" mkdir)"
  sh -c "$(copy_command "$name")"
  diff -rq "$source" "$work/out/$name-cp" >/dev/null || fail "cp -r of $name differs from its source"
  diff -rq "$source" "$work/out/$name-copy" >/dev/null || fail "the user-space copy of $name differs from its source"
}

measure_set() {  # measure_set NAME
  local name=$1 round rounds=${rounds_of[$1]} log
  fact "set.$name.command.conversion" "$(conversion_command "$name")"
  fact "set.$name.command.one" "$(one_worker_command "$name")"
  fact "set.$name.command.cp" "$(cp_command "$name")"
  fact "set.$name.command.copy" "$(copy_command "$name")"
  fact "set.$name.prepare" "$(prepare "$name-conversion" mkdir)"
  check_set "$name"
  step="timing $name"
  for ((round = 1; round <= rounds; round++)); do
    echo "== $name, round $round of $rounds"
    log=$work/logs/hyperfine-$name-$round.txt
    logged "$log" hyperfine --style basic --time-unit millisecond --warmup "$warmup" --runs "${runs_of[$name]}" \
      --export-json "$work/json/$name-$round.json" \
      -n conversion --prepare "$(prepare "$name-conversion" mkdir)" "$(conversion_command "$name")" \
      -n "one worker" --prepare "$(prepare "$name-one" mkdir)" "$(one_worker_command "$name")" \
      -n "cp -r" --prepare "$(prepare "$name-cp")" "$(cp_command "$name")" \
      -n "user-space copy" --prepare "$(prepare "$name-copy" mkdir)" "$(copy_command "$name")"
    grep -v -e '^ *$' -e 'Warning: Command took less than' "$log" || true
  done
}

# The many-rows measurement on a data set: the conversion with the four rows, and with the same four among
# many_rows rows that name nothing the set holds, written as text and in byte form (every byte as \xNN), all from
# rows files. All must write the same bytes. A rows file is rows-COUNT.txt, or rows-COUNT-bytes.txt.
rows_kinds=(4 "$many_rows" "$many_rows-bytes")
rows_command() {  # rows_command NAME KIND
  echo "$(quote "$cli") --output $(quote "$work/out/$1-rows$2") --rows $(quote "$work/rows-$2.txt") $(quote "$work/$1")"
}
measure_rows() {  # measure_rows NAME
  # Five times the set's rounds: the difference measured is a few milliseconds in a quarter of a second, and
  # rounds that alternate the commands spread the machine's slow spells over all three alike.
  local name=$1 round rounds=$((rounds_of[$1] * 5)) log kind status
  step="writing the rows files"
  "$python" bench/write_rows_file.py 4 "$work/rows-4.txt" "${rows_pairs[@]}"
  "$python" bench/write_rows_file.py "$many_rows" "$work/rows-$many_rows.txt" "${rows_pairs[@]}"
  "$python" bench/write_rows_file.py --bytes "$many_rows" "$work/rows-$many_rows-bytes.txt" "${rows_pairs[@]}"
  fact "rows.set" "$name"
  fact "rows.count" "$many_rows"
  fact "rows.command.four" "$(rows_command "$name" 4)"
  fact "rows.command.many" "$(rows_command "$name" "$many_rows")"
  fact "rows.command.bytes" "$(rows_command "$name" "$many_rows-bytes")"
  step="checking the many-rows commands on $name"
  for kind in "${rows_kinds[@]}"; do
    status=0
    sh -c "$(prepare "$name-rows$kind" mkdir)"
    sh -c "$(rows_command "$name" "$kind")" >"$work/logs/$name-rows$kind.txt" 2>&1 || status=$?
    if ((status != 0)) || ! grep -q "^画像置換: ${kind%-bytes}個" "$work/logs/$name-rows$kind.txt"; then
      tail -n 20 "$work/logs/$name-rows$kind.txt" >&2
      fail "the conversion of $name with the rows of rows-$kind.txt did not run as expected (exit status $status)"
    fi
  done
  for kind in "$many_rows" "$many_rows-bytes"; do
    diff -rq "$work/out/$name-rows4" "$work/out/$name-rows$kind" >/dev/null ||
      fail "the conversions of $name with rows-4.txt and rows-$kind.txt wrote different files"
  done
  step="timing $name with 4 and with $many_rows rows"
  for ((round = 1; round <= rounds; round++)); do
    echo "== $name with 4 and with $many_rows rows (text, bytes), round $round of $rounds"
    log=$work/logs/hyperfine-rows-$round.txt
    logged "$log" hyperfine --style basic --time-unit millisecond --warmup "$warmup" --runs "${runs_of[$name]}" \
      --export-json "$work/json/rows-$round.json" \
      -n "four rows" --prepare "$(prepare "$name-rows4" mkdir)" "$(rows_command "$name" 4)" \
      -n "$many_rows rows" --prepare "$(prepare "$name-rows$many_rows" mkdir)" "$(rows_command "$name" "$many_rows")" \
      -n "$many_rows rows in bytes" --prepare "$(prepare "$name-rows$many_rows-bytes" mkdir)" \
      "$(rows_command "$name" "$many_rows-bytes")"
    grep -v -e '^ *$' -e 'Warning: Command took less than' "$log" || true
  done
  for kind in "${rows_kinds[@]}"; do sh -c "$(prepare "$name-rows$kind")"; done
}

# Peak resident memory (KiB) of one run of a command, from /usr/bin/time -v.
peak_memory() {  # peak_memory KEY OUTPUT COMMAND [mkdir]
  step="measuring the peak memory of $1"
  sh -c "$(prepare "$2" "${4:-}")"
  eval "/usr/bin/time -v -o $(quote "$work/time.txt") $3" >/dev/null
  fact "rss.$1" "$(sed -n 's/^[[:space:]]*Maximum resident set size (kbytes): //p' "$work/time.txt")"
}

# Empties a data set's outputs and, in memory, removes its source, so that a tmpfs holds one set at a time.
# On a disk the sources stay until the end: deleting thousands of files there slows the next set's runs.
release_set() {  # release_set NAME
  local name=$1 command
  step="clearing away $name"
  for command in conversion one cp copy; do sh -c "$(prepare "$name-$command")"; done
  if ((in_memory)); then rm -rf "${work:?}/$name"; fi
}

echo "== Data sets in $work ($(stat -f -c %T "$work"))"
for name in "${extra_sets[@]}"; do generate "$name"; done
for name in "${sets[@]}"; do
  generate "$name"
  measure_set "$name"
  if [[ $name == real ]]; then
    # The outputs of the copies go first, so that a tmpfs holds the set and two outputs at a time.
    for command in one cp copy; do sh -c "$(prepare "$name-$command")"; done
    measure_rows "$name"
  fi
  echo "== Peak resident memory of the conversion of $name (/usr/bin/time -v)"
  peak_memory "conversion.$name" "$name-conversion" "$(conversion_command "$name")" mkdir
  if [[ $name == huge ]]; then
    fact "set.one_mb.command.conversion" "$(conversion_command one_mb)"
    peak_memory conversion.one_mb one_mb-conversion "$(conversion_command one_mb)" mkdir
    peak_memory cp.huge huge-cp "$(cp_command huge)"
    peak_memory copy.huge huge-copy "$(copy_command huge)" mkdir
  fi
  release_set "$name"
done

# --- report ---------------------------------------------------------------------------------------------
step="writing the report"
report_args=(--work "$work")
((tiny)) && report_args+=(--tiny)
partial=0
[[ -n $only_sets ]] && partial=1
((tiny || partial)) || report_args+=(--results bench/RESULTS.md)
echo
"$python" bench/write_report.py "${report_args[@]}"
if ((tiny)); then echo "(tiny run: bench/RESULTS.md left as it was)"
elif ((partial)); then echo "(some data sets only: bench/RESULTS.md left as it was)"
else echo "Written to bench/RESULTS.md"; fi
