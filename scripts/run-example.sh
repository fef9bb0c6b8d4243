#!/usr/bin/env bash
# Installs what is missing, builds, and converts the bundled example scenario into a fresh output folder,
# printing what the run said and what changed in each data file.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

echo "== Building"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target celshift-cli make-example-scenario >/dev/null

scenario=out/example-scenario
output=out/example-output
unchanged=out/example-unchanged
rm -rf "$scenario" "$output" "$unchanged"
mkdir -p "$output" "$unchanged"
build/bin/make-example-scenario "$scenario" >/dev/null
echo "== The example scenario ($scenario)"
ls "$scenario"
echo
echo "== The image names its data files hold (fields, files, name)"
build/bin/celshift-cli --list-names "$scenario"

echo
echo "== Converting: cell_red.bmp -> cell_blue.bmp, 背景01.bmp -> 背景02.bmp, into $output"
status=0
build/bin/celshift-cli --output "$output" \
  --from cell_red.bmp --to cell_blue.bmp \
  --from 背景01.bmp --to 背景02.bmp \
  "$scenario" || status=$?
echo "(exit status $status)"

# Occurrences of a name's bytes in a file. Data files hold names in Shift-JIS (code page 932).
count() { LC_ALL=C grep -a -o -F -- "$1" "$2" | wc -l; }
red=cell_red.bmp blue=cell_blue.bmp
haikei01=$'\x94\x77\x8c\x69''01.bmp' haikei02=$'\x94\x77\x8c\x69''02.bmp'
echo
echo "== What changed: occurrences of each name, before -> after"
printf '%-15s %-16s %-16s %-18s %-18s\n' file cell_red.bmp cell_blue.bmp 背景01.bmp 背景02.bmp  # wide characters: 2 bytes more
for f in "$scenario"/*.wid; do
  n=$(basename "$f")
  printf '%-15s %-16s %-16s %-16s %-16s\n' "$n" \
    "$(count $red "$f") -> $(count $red "$output/$n")" "$(count $blue "$f") -> $(count $blue "$output/$n")" \
    "$(count "$haikei01" "$f") -> $(count "$haikei01" "$output/$n")" "$(count "$haikei02" "$f") -> $(count "$haikei02" "$output/$n")"
done
echo "Image-name fields now name the replacements; plain texts that happen to read an old name keep it."

echo
echo "== Everything else is unchanged: a run without rows copies every file byte for byte"
build/bin/celshift-cli --output "$unchanged" "$scenario" >/dev/null
same=0 total=0
for f in "$scenario"/*; do
  total=$((total + 1))
  cmp -s "$f" "$unchanged/$(basename "$f")" && same=$((same + 1))
done
echo "$same of $total files identical to the scenario's"
exit "$status"
