#!/usr/bin/env bash
# Starts the packed celshift.exe under Wine on a virtual X display and saves a screenshot of its window.
# Usage: screenshot.sh PACKED_FOLDER OUTPUT.png      (needs xvfb, xauth and imagemagick)
set -euo pipefail
folder=$(realpath "$1") png=$(realpath -m "$2")
here=$(cd "$(dirname "$0")" && pwd)
prefix=$(bash "$here/wine-prefix.sh" | tail -n 1)
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A copy of the folder, so that the settings file the window writes stays out of the package.
cp -r "$folder" "$work/celshift"
xvfb-run -a -s "-screen 0 800x600x24" bash -c '
  cd "$1"
  /usr/lib/wine/wine64 ./celshift.exe &
  program=$!
  sleep 12
  import -window root "$2"
  kill $program 2>/dev/null || true
  /usr/lib/wine/wineserver -k 2>/dev/null || true
' _ "$work/celshift" "$work/screen.png"
# The window lies at the top left of the otherwise black screen: cut the black away.
convert "$work/screen.png" -trim +repage "$png"
echo "$png"
