#!/usr/bin/env bash
# The window as a person uses it, under a real X server (Xvfb) with a window manager (openbox), driven with
# xdotool: choose the scenario in the file dialog, type one row and pick its 変換先 picture with the picture
# button, run, answer every box with Enter (ErrorFm too), read the run's report and save it, enlarge the window,
# close it. Then the output folder must hold what celshift-cli makes of the same scenario and row plus the picked
# picture, the saved report must give the failure's reason, the rows' pictures must have been drawn, the edits
# must have grown with the window (and the page tabs stay when it is small again), the settings file must have been
# written, and the program must have exited 0. Then SIGTERM while a run's box is up must close it with status 143
# and leave nothing half-written.
# The scenario holds one damaged data file, whose 失敗 box must come up and be answerable, and the output folder
# a folder where one data file's copy should go (ErrorFm). Every wait is bounded: a window that does not come (a
# hang) fails the check, never CI.
#
#   bash tests/e2e/window_e2e.sh [--no-damaged-file] [BUILD_DIR]
# BUILD_DIR (default: build) must hold bin/celshift, celshift-cli and make-example-scenario. --no-damaged-file
# leaves the damaged data file out: only to check the later steps on a build whose 失敗 box is known to hang.
# Screenshots of each step go to BUILD_DIR/e2e-screenshots. Needs xvfb, openbox, xdotool, x11-utils and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/../.."
damaged=1
if [[ ${1:-} == --no-damaged-file ]]; then damaged=0; shift; fi
build=$(realpath "${1:-build}")
shots=$build/e2e-screenshots
wait_seconds=${CELSHIFT_E2E_WAIT:-10}
started=$SECONDS

# Where the controls are, in the main window's own coordinates (the window's layout, top left of its client area).
scenario_button=(50 12)
execute_button=(245 12)
first_row_from=(80 106)
first_row_picture=(377 106)
second_row_from_middle=(30 170)  # inside the empty edit of row 2, left of where any text would start
rows_tab=(45 37)
report_tab=(192 37)
save_report_button=(366 334)  # on the report page, at the bottom right of the designed window

for tool in Xvfb openbox xdotool xwininfo import; do
  command -v "$tool" >/dev/null || { echo "window_e2e: FAIL: $tool is missing (bash scripts/install-deps.sh)"; exit 1; }
done
for program in celshift celshift-cli make-example-scenario; do
  [[ -x $build/bin/$program ]] || { echo "window_e2e: FAIL: $build/bin/$program is not built"; exit 1; }
done

work=$(mktemp -d)
xvfb_pid='' wm_pid='' app_pid=''
# Ends what the script started, by its process id; a process that does not end on TERM within 3 s is killed.
cleanup() {
  local pid tries
  for pid in $app_pid $wm_pid $xvfb_pid; do
    kill "$pid" 2>/dev/null || continue
    for ((tries = 0; tries < 30; tries++)); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

shot_number=0
findings=()  # what a person would see wrongly, without blocking the steps after it
shot() {
  [[ -n ${DISPLAY:-} ]] || return 0
  shot_number=$((shot_number + 1))
  import -display "$DISPLAY" -window root "$(printf '%s/%02d-%s.png' "$shots" "$shot_number" "$1")" 2>/dev/null || true
}
fail() {
  # To standard error: fail also runs inside $(...), whose output is taken.
  {
    shot failure
    echo "window_e2e: FAIL: $*"
    ((${#findings[@]} == 0)) || printf 'window_e2e: FAIL: %s\n' "${findings[@]}"
    echo "window_e2e: screenshots in $shots; the program's output:"
    sed 's/^/    /' "$work/celshift.log" 2>/dev/null || true
  } >&2
  exit 1
}

# The visible windows whose title is exactly $1. xdotool matches titles regardless of case ("celshift", the
# title Qt gives a window without one, would find "Celshift"), so each is compared once more.
windows_titled() {
  local id
  for id in $(xdotool search --onlyvisible --name "^${1}\$" 2>/dev/null); do
    [[ $(xdotool getwindowname "$id" 2>/dev/null) == "$1" ]] && echo "$id"
  done
  return 0
}
# The id of the visible window whose title is exactly $1, once it is there; fails after the wait.
wait_window() {
  local title=$1 id deadline=$((SECONDS + wait_seconds))
  while ((SECONDS < deadline)); do
    if [[ -n $app_pid ]] && ! kill -0 "$app_pid" 2>/dev/null; then fail "the program ended while waiting for \"$title\""; fi
    id=$(windows_titled "$title" | head -n 1)
    if [[ -n $id ]]; then echo "$id"; return 0; fi
    sleep 0.2
  done
  fail "no window \"$title\" within $wait_seconds s: $2"
}
wait_gone() {
  local id=$1 deadline=$((SECONDS + wait_seconds))
  while ((SECONDS < deadline)); do
    xdotool getwindowname "$id" >/dev/null 2>&1 && xdotool search --onlyvisible --name . 2>/dev/null | grep -qx "$id" || return 0
    sleep 0.2
  done
  fail "the window \"$(xdotool getwindowname "$id" 2>/dev/null)\" is still open $wait_seconds s after $2"
}
# Waits for the program to end after $1 (what ended it) and sets status to its exit status.
wait_exit() {
  local deadline=$((SECONDS + wait_seconds))
  while kill -0 "$app_pid" 2>/dev/null; do
    ((SECONDS < deadline)) || fail "the program is still running $wait_seconds s after $1"
    sleep 0.2
  done
  status=0
  wait "$app_pid" || status=$?
  app_pid=''
}

# click WINDOW X Y, the pointer at rest before the press as a hand's would be.
click() {
  xdotool mousemove --window "$1" "$2" "$3"
  sleep 0.3
  xdotool click 1
  sleep 0.2
}
# The program's open windows that have no title of their own (Qt names them after the program): popups such as
# a completion list. xdotool does not find these, xwininfo does.
leftover_lists() {
  local id
  for id in $(xwininfo -root -children 2>/dev/null | awk '/"celshift": \("celshift" "celshift"\)/ {print $1}'); do
    xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' && echo "$id"
  done
  return 0
}
# A fingerprint of what a window shows.
window_pixels() {
  import -display "$DISPLAY" -window "$1" rgb:- 2>/dev/null | md5sum
}
focus() {
  xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowfocus --sync "$1"
}

rm -rf "$shots"; mkdir -p "$shots"
echo "== The scenario, with one damaged data file, and what celshift-cli makes of it"
scenario=$work/scenario
"$build/bin/make-example-scenario" "$scenario" >/dev/null
((damaged)) && head -c 40 "$scenario/Area01.wid" >"$scenario/Zz.wid"
# The picture picked for row 1's 変換先, from a folder of its own: the blue cell under a new name.
mkdir "$work/pictures"
cp "$scenario/cell_blue.bmp" "$work/pictures/mine.bmp"
# A folder where Gear01.wid's copy should go: ErrorFm.
mkdir -p "$work/expected/Gear01.wid" "$work/app/Scena/Gear01.wid"
"$build/bin/celshift-cli" --quiet --output "$work/expected" --from cell_red.bmp --to mine.bmp "$scenario" \
  >"$work/expected.txt" 2>"$work/expected-reasons.txt" || true
cp "$work/pictures/mine.bmp" "$work/expected/"
sed 's/^/    /' "$work/expected.txt"
# The boxes, in order: one per line of the command line's report (indented lines continue the line before).
mapfile -t captions < <(grep -v '^  ' "$work/expected.txt" | sed 's/: .*//')
((!damaged)) || grep -qx '失敗' <(printf '%s\n' "${captions[@]}") || fail "the damaged data file did not fail in celshift-cli"
grep -qx 'ErrorFm' <(printf '%s\n' "${captions[@]}") || fail "the folder in the way did not bring up ErrorFm in celshift-cli"

echo "== Xvfb and openbox"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
deadline=$((SECONDS + wait_seconds))
until [[ -s $work/display ]]; do
  ((SECONDS < deadline)) || { echo "window_e2e: FAIL: Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
  sleep 0.1
done
display_number=$(tr -dc 0-9 <"$work/display")
export DISPLAY=:$display_number
openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm_pid=$!
deadline=$((SECONDS + wait_seconds))
until xdotool get_num_desktops >/dev/null 2>&1; do
  ((SECONDS < deadline)) || fail "openbox did not start"
  sleep 0.2
done

echo "== The program, started from a folder of its own with Scena beside it"
mkdir -p "$work/home"
cp "$build/bin/celshift" "$work/app/"
(cd "$work" && exec env -u QT_QPA_PLATFORM HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" LANG=C.UTF-8 \
  "$work/app/celshift" >"$work/celshift.log" 2>&1) &
app_pid=$!
main=$(wait_window Celshift "the main window did not open")
sleep 0.5; shot window

echo "== シナリオを選択: the dialog, the scenario's path typed into its file-name field, Enter"
click "$main" "${scenario_button[@]}"
dialog=$(wait_window 変更元シナリオを選択 "pressing シナリオを選択 opened no file dialog")
sleep 0.5; shot dialog
xdotool type --delay 10 "$scenario/Summary.wsm"
sleep 0.3; shot dialog-typed
xdotool key Return
wait_gone "$dialog" "Enter on the typed path"
# The dialog's completion list must go with it: a list left over the window takes the next click for itself.
sleep 1
if [[ -n $(leftover_lists) ]]; then
  shot list-left-open
  findings+=("the file dialog's completion list stays on screen after the dialog closed (screenshot $shot_number)")
fi

echo "== One row: cell_red.bmp -> a picture picked with the picture button"
focus "$main"
# The first row's From edit, clicked and typed into. A click that something else takes for itself leaves the
# window as it was while typing: a person sees nothing arrive, and clicks again.
click "$main" "${first_row_from[@]}"
before=$(window_pixels "$main")
xdotool key ctrl+a
xdotool type --delay 10 cell_red.bmp
sleep 0.3
if [[ $(window_pixels "$main") == "$before" ]]; then
  shot click-lost
  findings+=("the first click in the window after the file dialog was lost: what was typed went nowhere (screenshot $shot_number)")
  click "$main" "${first_row_from[@]}"
  xdotool key ctrl+a
  xdotool type --delay 10 cell_red.bmp
fi
click "$main" "${first_row_picture[@]}"
picker=$(wait_window 変換先の画像を選択 "the picture button opened no file dialog")
sleep 0.5; shot picture-dialog
xdotool type --delay 10 "$work/pictures/mine.bmp"
xdotool key Return
wait_gone "$picker" "Enter on the typed picture path"
sleep 0.5; shot row
# The row's pictures, 16 x 16: the scenario's cell_red.bmp above 変換元, the picked blue one above 変換先 (each
# an 8 x 8 cell of two colours: a dark frame around a lighter inside).
import -display "$DISPLAY" -window "$main" -depth 8 "ppm:$work/row.ppm"
red=$(($(python3 tests/e2e/pixels.py count "$work/row.ppm" 110 20 20 8) + $(python3 tests/e2e/pixels.py count "$work/row.ppm" 220 40 40 8)))
blue=$(($(python3 tests/e2e/pixels.py count "$work/row.ppm" 20 40 110 8) + $(python3 tests/e2e/pixels.py count "$work/row.ppm" 40 80 220 8)))
echo "    pictures drawn in row 1: $red red pixels (変換元), $blue blue pixels (変換先)"
((red >= 120)) || findings+=("no picture of cell_red.bmp in row 1 (screenshot $shot_number)")
((blue >= 120)) || findings+=("no picture of the picked file in row 1 (screenshot $shot_number)")

echo "== 実行, and Enter on each box: ${captions[*]}"
click "$main" "${execute_button[@]}"
for caption in "${captions[@]}"; do
  box=$(wait_window "$caption" "the box that follows in celshift-cli's report did not come up (the window hangs?)")
  sleep 0.3; shot "box-$caption"
  focus "$box"
  xdotool key Return
  wait_gone "$box" "Enter on the box \"$caption\": the program does not answer"
  echo "    $caption: shown and answered"
done

echo "== The report: the 結果 page, saved as text with テキストで保存"
sleep 0.3; shot done
focus "$main"
click "$main" "${report_tab[@]}"
sleep 0.5; shot report
click "$main" "${save_report_button[@]}"
saver=$(wait_window 結果を保存 "Enter on テキストで保存 opened no save dialog")
xdotool key ctrl+a
xdotool type --delay 10 "$work/report.txt"
sleep 0.3; shot save-typed
xdotool key Return
wait_gone "$saver" "Enter on the typed report path"
deadline=$((SECONDS + wait_seconds))
until [[ -s $work/report.txt ]]; do
  ((SECONDS < deadline)) || fail "no report saved at $work/report.txt"
  sleep 0.2
done
sed 's/^/    /' "$work/report.txt"
if ((damaged)); then
  grep -q $'^失敗\tZz.wid\tデータが40バイトで終わっています' "$work/report.txt" \
    || findings+=("the report does not give the damaged file's reason")
fi
grep -q $'^開けません\tGear01.wid\t.*フォルダ' "$work/report.txt" || findings+=("the report does not say why Gear01.wid could not be opened")
grep -q $'^コピー\tmine.bmp\t選んだ画像' "$work/report.txt" || findings+=("the report does not list the picked picture")

echo "== A larger window: the edits grow"
focus "$main"
click "$main" "${rows_tab[@]}"
import -display "$DISPLAY" -window "$main" -depth 8 "ppm:$work/small.ppm"
before=$(python3 tests/e2e/pixels.py run "$work/small.ppm" "${second_row_from_middle[@]}")
xdotool windowsize --sync "$main" 700 520
sleep 0.8; shot larger
import -display "$DISPLAY" -window "$main" -depth 8 "ppm:$work/large.ppm"
after=$(python3 tests/e2e/pixels.py run "$work/large.ppm" "${second_row_from_middle[@]}")
echo "    window $(xwininfo -id "$main" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}'); row 2's 変換元 edit: $before px wide inside at the designed size, $after px now"
((before > 100 && after >= before + 120)) || findings+=("the edits did not grow with the window: $before -> $after pixels (screenshot $shot_number)")
click "$main" "${report_tab[@]}"
sleep 0.5; shot larger-report
# Small again: the page tabs must still be there to be clicked.
xdotool windowsize --sync "$main" 416 352
sleep 0.8; shot small-again
before=$(window_pixels "$main")
click "$main" "${rows_tab[@]}"
sleep 0.5
[[ $(window_pixels "$main") != "$before" ]] || findings+=("the page tabs are gone once the window is small again (screenshot $shot_number)")

echo "== Closing the window"
focus "$main"
xdotool key alt+F4
wait_exit alt+F4
((status == 0)) || fail "the program exited with status $status"

echo "== What it left"
diff -r "$work/expected" "$work/app/Scena" >"$work/diff.txt" \
  || { cat "$work/diff.txt"; fail "the output folder differs from celshift-cli's output"; }
echo "    Scena holds what celshift-cli made and the picked picture: $(ls "$work/app/Scena" | wc -l) entries, identical"
grep -q '^\[WINSIZE\]' "$work/app/celshift.ini" 2>/dev/null || fail "no settings written to celshift.ini beside the program"
echo "    celshift.ini beside the program: $(tr '\n' ' ' <"$work/app/celshift.ini")"
[[ ! -e $work/home/.config/celshift/celshift.ini ]] || fail "a portable copy wrote its settings into the configuration folder"

echo "== SIGTERM while a box of a run is up: the window closes, status 143, nothing half-written"
rm -rf "$work/app/Scena"; mkdir -p "$work/app/Scena"
(cd "$work" && exec env -u QT_QPA_PLATFORM HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" LANG=C.UTF-8 \
  "$work/app/celshift" >"$work/celshift2.log" 2>&1) &
app_pid=$!
main=$(wait_window Celshift "the main window did not open again")
click "$main" "${scenario_button[@]}"
dialog=$(wait_window 変更元シナリオを選択 "pressing シナリオを選択 opened no file dialog")
xdotool type --delay 10 "$scenario/Summary.wsm"
xdotool key Return
wait_gone "$dialog" "Enter on the typed path"
sleep 1
click "$main" "${execute_button[@]}"
box=$(wait_window "${captions[0]}" "the run's first box did not come up")
shot term-box
kill -TERM "$app_pid"
wait_exit SIGTERM
((status == 143)) || findings+=("after SIGTERM the program exited with status $status, not 143")
leftovers=$(find "$work/app/Scena" -name '.celshift-*' | wc -l)
((leftovers == 0)) || findings+=("SIGTERM left $leftovers temporary files in the output folder")
for file in "$work/app/Scena"/*; do
  [[ -f $file && -f $work/expected/$(basename "$file") ]] || continue  # Gear01.wid: a folder in the first run
  cmp -s "$file" "$work/expected/$(basename "$file")" || findings+=("$(basename "$file") differs from a complete run's after SIGTERM")
done
echo "    exited with status $status; Scena holds $(ls "$work/app/Scena" | wc -l) whole files"
if ((${#findings[@]})); then
  printf 'window_e2e: FAIL: %s\n' "${findings[@]}"
  exit 1
fi
echo "window_e2e: passed in $((SECONDS - started)) s (screenshots in $shots)"
