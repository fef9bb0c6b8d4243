#!/usr/bin/env bash
# The window's GUI thread on a real-sized scenario (3,000 data files, 3,000 pictures, about 130 MB, generated on
# disk): for the page of the rows, the names and the report showing, the longest event-loop stall, when the first
# names appeared, when every name's file was looked up, and the GUI thread's CPU time; the report page also during
# a whole run. Then the scenario dialog's first look into a folder of 6,000 files (when it had listed them), and a
# rows file of 500,000 rows read into the rows (when they were filled). Three rounds each; a stall depends on what
# else the machine runs, the CPU time does not.
#
#   bash bench/window-stall.sh [BUILD_DIR]     (default: build; needs bin/window_stall and bin/generate-scenario)
# Runs under Xvfb when xvfb-run is there, else on Qt's offscreen platform.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
for program in window_stall generate-scenario; do
  [[ -x $build/bin/$program ]] || { echo "window-stall: $build/bin/$program is missing" >&2; exit 2; }
done
work=$(mktemp -d -p "${TMPDIR:-/var/tmp}" celshift-stall.XXXXXX)
trap 'rm -rf "$work"' EXIT
"$build/bin/generate-scenario" --out "$work/scenario" --megabytes 127 --files 3000 --shape real --images 1000 >/dev/null
seq -f "%06g" 500000 | awk '{print "from" $1 ".bmp\tto" $1 ".bmp"}' >"$work/rows.txt"  # 14 MB, every FROM once
run() {
  if command -v xvfb-run >/dev/null; then
    xvfb-run -a -s "-screen 0 1280x1024x24" "$build/bin/window_stall" "$@"
  else
    QT_QPA_PLATFORM=offscreen "$build/bin/window_stall" "$@"
  fi
}
echo "| page | round | first names (ms) | names looked up (ms) | run (ms) | listed (ms) | longest stall (ms) | GUI CPU (s) |"
echo "|---|---|---|---|---|---|---|---|"
for page in rows names report dialog rows-file; do
  for round in 1 2 3; do
    extra=()
    case $page in
      report) rm -rf "$work/out" && mkdir "$work/out" && extra=(--run "$work/out") ;;
      dialog) extra=(--dialog "$work/scenario") ;;
      rows-file) extra=(--rows-file "$work/rows.txt") ;;
    esac
    line=$(run "$work/scenario/Summary.wsm" --page "$page" "${extra[@]}" 2>/dev/null | grep '^page=')
    value() { sed -n "s/.*$1=\([^ ]*\).*/\1/p" <<<"$line"; }
    echo "| $page | $round | $(value first_names_ms) | $(value names_looked_up_ms) | $(value run_ms) | $(value listed_ms) | $(value longest_stall_ms) | $(value gui_cpu_s) |"
  done
done
