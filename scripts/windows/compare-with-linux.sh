#!/usr/bin/env bash
# Converts the example scenario with the Linux celshift-cli and, under Wine, with celshift-cli.exe from the
# packed folder, and fails unless both outputs are the same files, byte for byte.
# Usage: compare-with-linux.sh PACKED_FOLDER     (builds the Linux tools in build/ if needed)
set -euo pipefail
packed=$(realpath "$1")
cd "$(dirname "$0")/../.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target celshift-cli make-example-scenario >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/linux" "$work/windows"
build/bin/make-example-scenario "$work/scenario" >/dev/null
rows=(--from cell_red.bmp --to cell_blue.bmp --from 背景01.bmp --to 背景02.bmp)
build/bin/celshift-cli --output "$work/linux" "${rows[@]}" "$work/scenario" >"$work/linux.txt"
prefix=$(bash scripts/windows/wine-prefix.sh | tail -n 1)
WINEPREFIX=$prefix WINEDEBUG=-all /usr/lib/wine/wine64 "$packed/celshift-cli.exe" --output "$work/windows" "${rows[@]}" \
  "$work/scenario" >"$work/windows.txt" 2>"$work/windows-err.txt"
if ! diff <(tr -d '\r' <"$work/windows.txt") "$work/linux.txt" || ! diff -r "$work/linux" "$work/windows"; then
  echo "compare-with-linux: the Windows and Linux outputs differ" >&2
  exit 1
fi
changed=$(cd "$work/scenario" && for f in *.wid; do cmp -s "$f" "../linux/$f" || echo "$f"; done | wc -l)
echo "compare-with-linux: $(ls "$work/linux" | wc -l) files, byte for byte the same ($changed data files rewritten)"
