#!/usr/bin/env bash
# What the run's look at its own copy costs: celshift-cli of this tree against celshift-cli of BASE (a commit before
# that look, by default the last one without it), on the real-shaped set (7,500 data files, 150 MB, flat), with the
# same four rows, alternating in one hyperfine run. Prints the mean of each and their ratio.
#   bash bench/check-cost.sh [BASE] [BUILD_DIR]     (BUILD_DIR, default build, must hold this tree's celshift-cli)
# The set and the BASE build go into a work folder on disk (about 350 MB), removed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
base=${1:-5758f4d}
build=$(realpath "${2:-build}")
work=$(mktemp -d /var/tmp/celshift-check-cost.XXXXXX)
cleanup() {
  git worktree remove --force "$work/base" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
git worktree add -q --detach "$work/base" "$base"
cmake -S "$work/base" -B "$work/base-build" -DCMAKE_BUILD_TYPE=Release -DCELSHIFT_BUILD_APP=OFF \
  -DCELSHIFT_BUILD_TESTS=OFF -DCELSHIFT_BUILD_BENCH=OFF >/dev/null
cmake --build "$work/base-build" --target celshift-cli -j"$(nproc)" >/dev/null
"$build/bin/generate-scenario" --out "$work/set" --shape real --megabytes 150 --files 7500 --images 100 --seed 4 >/dev/null
rows=(--from cell_red.bmp --to new_red.bmp --from cell_green.bmp --to new_green.bmp
      --from 背景01.bmp --to 背景09.bmp --from 表紙.bmp --to 表紙2.bmp)
mkdir "$work/out-base" "$work/out-new"
run() { printf '%q ' "$1" --quiet --output "$2" "${rows[@]}" "$work/set"; echo '>/dev/null 2>&1'; }
hyperfine --style basic --warmup 2 --runs 20 \
  --prepare "rm -rf '$work/out-base'/* '$work/out-new'/*; sync" \
  -n base "$(run "$work/base-build/bin/celshift-cli" "$work/out-base")" \
  -n new "$(run "$build/bin/celshift-cli" "$work/out-new")" \
  --export-json "$work/times.json"
python3 - "$work/times.json" <<'PY'
import json, sys
r = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
b, n = r["base"]["mean"], r["new"]["mean"]
print(f"base {b:.3f} s, new {n:.3f} s: new/base = {n / b:.3f}")
PY
