#!/usr/bin/env bash
# What the run's look at its own copy costs: celshift-cli of this tree against celshift-cli of BASE (a commit before
# that look, by default the last one without it), on the real-shaped set (7,500 data files, 150 MB), with the same four
# rows. The two programs take turns, round after round,
# each into a fresh output folder made by prepare.sh (which moves the earlier output aside rather than deleting it:
# see there), so that the disk's and the machine's drift falls on both alike.
# Prints the median wall time and CPU time (user + system) of each and their ratios.
#   bash bench/check-cost.sh [BASE] [BUILD_DIR] [ROUNDS]   (BUILD_DIR, default build, must hold this tree's
#                                                           celshift-cli and generate-scenario; ROUNDS default 15)
# The sets and the BASE build go into a work folder on disk (about 350 MB), removed at the end, under $TMPDIR
# (default /var/tmp). Every round leaves 15,000 emptied files there: a file system of its own (a fresh ext4 image
# made with mkfs.ext4 -N 2000000 and mounted on a loop device) keeps the earlier runs' deletions out of the figures.
set -euo pipefail
cd "$(dirname "$0")/.."
base=${1:-5758f4d}
build=$(realpath "${2:-build}")
rounds=${3:-15}
work=$(mktemp -d "${TMPDIR:-/var/tmp}/celshift-check-cost.XXXXXX")
cleanup() {
  git worktree remove --force "$work/base" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
git worktree add -q --detach "$work/base" "$base"
cmake -S "$work/base" -B "$work/base-build" -DCMAKE_BUILD_TYPE=Release -DCELSHIFT_BUILD_APP=OFF \
  -DCELSHIFT_BUILD_TESTS=OFF -DCELSHIFT_BUILD_BENCH=OFF >/dev/null
cmake --build "$work/base-build" --target celshift-cli -j"$(nproc)" >/dev/null
"$build/bin/generate-scenario" --out "$work/flat" --shape real --megabytes 150 --files 7500 --images 100 --seed 4 >/dev/null
mkdir "$work/trash"
python3 - "$work" "$work/base-build/bin/celshift-cli" "$build/bin/celshift-cli" "$rounds" <<'PY'
import os, resource, statistics, subprocess, sys, time
work, base, new, rounds = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
rows = ["--from", "cell_red.bmp", "--to", "new_red.bmp", "--from", "cell_green.bmp", "--to", "new_green.bmp",
        "--from", "背景01.bmp", "--to", "背景09.bmp", "--from", "表紙.bmp", "--to", "表紙2.bmp"]
def once(program, scenario):
    out = os.path.join(work, "out")
    subprocess.run(["sh", "bench/prepare.sh", os.path.join(work, "trash"), out, "mkdir"], check=True)
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    subprocess.run([program, "--quiet", "--output", out] + rows + [scenario], stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=False)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    user, system = after.ru_utime - before.ru_utime, after.ru_stime - before.ru_stime
    return wall, user + system, user, system
for name in ("flat",):
    scenario = os.path.join(work, name)
    times = {"base": [], "new": []}
    for program in (base, new):  # one warm-up each
        once(program, scenario)
    for r in range(rounds):
        order = ("base", "new") if r % 2 == 0 else ("new", "base")
        for side in order:
            times[side].append(once(base if side == "base" else new, scenario))
    med = {side: [statistics.median(t[k] for t in v) for k in range(4)] for side, v in times.items()}
    (bw, bc, bu, bs), (nw, nc, nu, ns) = med["base"], med["new"]
    print(f"{name}: {rounds} rounds; median wall base {bw:.3f} s, new {nw:.3f} s: new/base = {nw / bw:.3f}; "
          f"median CPU base {bc:.3f} s, new {nc:.3f} s: new/base = {nc / bc:.3f} "
          f"(user {bu:.3f} / {nu:.3f}, system {bs:.3f} / {ns:.3f})")
PY
