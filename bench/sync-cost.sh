#!/usr/bin/env bash
# What --sync costs on a disk: the real-shaped scenario (about 15,000 files) converted into a fresh folder on the
# disk of the work folder, three ways, each twice: a plain run; a plain run followed by `sync` (the data reaches
# the disk at the end); a run with --sync (each file reaches the disk before it takes its name).
#
#   bash bench/sync-cost.sh [--work DIR] [--megabytes M]     default: /var/tmp, 150
#
# Needs build/bin/celshift-cli and build/bin/generate-scenario (Release). The work folder must be on a disk,
# not tmpfs, or the figures mean nothing; it is removed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
work_root=/var/tmp megabytes=150
while (($#)); do
  case $1 in
    --work) work_root=$2; shift ;;
    --megabytes) megabytes=$2; shift ;;
    *) echo "usage: $0 [--work DIR] [--megabytes M]" >&2; exit 2 ;;
  esac
  shift
done
cli=build/bin/celshift-cli generator=build/bin/generate-scenario
[[ -x $cli && -x $generator ]] || { echo "sync-cost.sh: build celshift-cli and generate-scenario first" >&2; exit 1; }
[[ $(stat -f -c %T "$work_root") != tmpfs ]] || { echo "sync-cost.sh: $work_root is in memory, not on a disk" >&2; exit 1; }
work=$(mktemp -d -p "$work_root" celshift-sync.XXXXXX)
trap 'rm -rf "$work"' EXIT
"$generator" --out "$work/scenario" --shape real --megabytes "$megabytes" --files $((megabytes * 50)) --images 100 --seed 4 >/dev/null
echo "scenario: $(find "$work/scenario" -type f | wc -l) files, $(du -sh "$work/scenario" | cut -f1), in $work_root"
seconds() { python3 -c 'import sys; print(f"{float(sys.argv[2]) - float(sys.argv[1]):.2f}")' "$1" "$2"; }
for round in 1 2; do
  for way in plain plain+sync --sync; do
    rm -rf "$work/out" && mkdir "$work/out" && sync
    flag=(); [[ $way == --sync ]] && flag=(--sync)
    start=$(date +%s.%N)
    "$cli" --output "$work/out" "${flag[@]}" --from cell_red.bmp --to cell_blue.bmp "$work/scenario" >/dev/null
    [[ $way == plain+sync ]] && sync
    echo "round $round, $way: $(seconds "$start" "$(date +%s.%N)") s"
  done
done
