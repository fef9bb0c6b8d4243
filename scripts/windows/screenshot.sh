#!/usr/bin/env bash
# Starts the packed celshift.exe under Wine on a virtual X display and saves a screenshot of its window; with a
# third argument, also presses シナリオを選択 and saves the file dialog that comes up. Wine runs with a Japanese
# locale (LANG=ja_JP.UTF-8), as on a Japanese Windows, so that its own dialogs speak Japanese.
# Usage: screenshot.sh PACKED_FOLDER OUTPUT.png [DIALOG.png]      (needs xvfb, xauth, xdotool and imagemagick)
set -euo pipefail
folder=$(realpath "$1") png=$(realpath -m "$2") dialog_png=${3:+$(realpath -m "$3")}
here=$(cd "$(dirname "$0")" && pwd)
prefix=$(bash "$here/wine-prefix.sh" | tail -n 1)
# Wine takes its language from the locale, which must exist on the machine (package locales).
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  bash "$here/../install-deps.sh" locales
  localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=ja_JP.UTF-8
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A copy of the folder, so that the settings file the window writes stays out of the package.
cp -r "$folder" "$work/celshift"
xvfb-run -a -s "-screen 0 1024x700x24" bash -c '
  cd "$1"
  /usr/lib/wine/wine64 ./celshift.exe &
  program=$!
  sleep 12
  import -window root "$2"
  if [[ -n $3 ]]; then
    main=$(xdotool search --name "^Celshift\$" | head -n 1)
    if [[ -n $main ]]; then
      xdotool mousemove --window "$main" 50 12 click 1
      sleep 6
      import -window root "$3"
    fi
  fi
  kill $program 2>/dev/null || true
  /usr/lib/wine/wineserver -k 2>/dev/null || true
' _ "$work/celshift" "$work/screen.png" "${dialog_png:+$work/dialog.png}"
# The window lies at the top left of the otherwise black screen: cut the black away.
convert "$work/screen.png" -trim +repage "$png"
echo "$png"
if [[ -n $dialog_png ]]; then
  [[ -f $work/dialog.png ]] || { echo "screenshot.sh: no dialog came up" >&2; exit 1; }
  convert "$work/dialog.png" -trim +repage "$dialog_png"
  echo "$dialog_png"
fi
