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
# Daily use on top of that: an extra Enter on 実行 after the run asks first (default: no) and runs nothing; another
# scenario run into the same output folder asks, and Enter puts it into a subfolder named after it, the first
# one's files left as they were; started again, the window shows the last scenario with 実行 enabled. On a
# scenario large enough for a run to last seconds (generated on disk in the work folder): closed during a run with
# はい to the question, the run stops and the window closes without another box; a close while a box of the run is
# up brings the question over that box; closed with the question left up while the run copies, the run's boxes
# wait for the answer (いいえ lets them come, and the window stays); closed with it left up while the
# run converts, the run's end takes the question away and its last box comes alone; each way out
# writes the settings and exits 0. 中止 in the data stage: the last box offers 結果を表示, and the report tells
# the n of m files the run got to, as the output folder holds them. Four rows saved with 変換行 as a rows file
# (what celshift-cli --rows reads), cleared and loaded back.
#
#   bash tests/e2e/window_e2e.sh [--no-damaged-file] [BUILD_DIR]
# BUILD_DIR (default: build) must hold bin/celshift, celshift-cli, make-example-scenario and generate-scenario.
# About 1 to 3 minutes (more on a busy disk); the work folder (mktemp -d) takes about 250 MB and must be on disk. --no-damaged-file
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
first_row_to=(298 106)
row_step=64  # from one row's edits to the next one's
first_row_picture=(377 106)
second_row_from_middle=(30 170)  # inside the empty edit of row 2, left of where any text would start
rows_tab=(45 37)
report_tab=(192 37)
save_report_button=(366 334)  # on the report page, at the bottom right of the designed window
rows_button=(387 12)  # 変換行, a menu
run_cancel_button=(392 36)  # 中止, right of the page tabs while a run works
# The caption of 実行 (WIDTHxHEIGHT+X+Y).
execute_caption=60x15+215+5

for tool in Xvfb openbox xdotool xwininfo import; do
  command -v "$tool" >/dev/null || { echo "window_e2e: FAIL: $tool is missing (bash scripts/install-deps.sh)"; exit 1; }
done
for program in celshift celshift-cli make-example-scenario generate-scenario; do
  [[ -x $build/bin/$program ]] || { echo "window_e2e: FAIL: $build/bin/$program is not built"; exit 1; }
done

work=$(mktemp -d)
xvfb_pid='' wm_pid='' app_pid='' app_log=$work/celshift.log main=''
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
# The larger scenario and its copies go there: never into memory.
[[ $(stat -f -c %T "$work") != tmpfs ]] || { echo "window_e2e: FAIL: $work is in memory (tmpfs): set TMPDIR to a folder on disk"; exit 1; }

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
    sed 's/^/    /' "$app_log" 2>/dev/null || true
  } >&2
  exit 1
}

source "$(dirname "${BASH_SOURCE[0]}")/x_drive.sh"
# Here without the Wine drive's 5 s bound: a loaded machine may take longer to activate a window.
focus() {
  xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowfocus --sync "$1"
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

# Starts the program from its folder beside Scena, its output into $1, and waits for its main window.
start_program() {
  app_log=$1
  (cd "$work" && exec env -u QT_QPA_PLATFORM HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" LANG=C.UTF-8 \
    "$work/app/celshift" >"$app_log" 2>&1) &
  app_pid=$!
  main=$(wait_window Celshift "the main window did not open")
}
# The program's visible windows but its main window (its boxes and dialogs), one "ID TITLE" a line.
program_boxes() {
  local id
  for id in $(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null); do
    [[ $id == "$main" ]] || echo "$id $(xdotool getwindowname "$id" 2>/dev/null)"
  done
  return 0
}
# The id of the question box (情報, with the question mark) once it is there; fails after the wait.
wait_question() {
  local id deadline=$((SECONDS + wait_seconds))
  while ((SECONDS < deadline)); do
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended while waiting for a question: $1"
    for id in $(windows_titled 情報); do
      if is_question "$id"; then echo "$id"; return 0; fi
    done
    sleep 0.2
  done
  fail "no question (a box 情報 with the question mark) within $wait_seconds s: $1"
}
# Waits for the box titled $1, looks at it, and answers it with Enter.
answer_box() {
  local box
  box=$(wait_window "$1" "$2")
  sleep 0.3; shot "box-$1"
  focus "$box"
  xdotool key Return
  wait_gone "$box" "Enter on the box \"$1\": the program does not answer"
}
# Chooses $1 with シナリオを選択: the path typed into the file dialog's file-name field, Enter.
choose_scenario() {
  local dialog
  click "$main" "${scenario_button[@]}"
  dialog=$(wait_window 変更元シナリオを選択 "pressing シナリオを選択 opened no file dialog")
  xdotool type --delay 10 "$1"
  xdotool key Return
  wait_gone "$dialog" "Enter on the typed path"
  sleep 1
}
# Types $2 into row $1's 変換元 and $3 into its 変換先, each edit clicked and emptied first. Escape closes the list
# of names that typing opens, which would take the next click for itself.
type_row() {
  local y=$((first_row_from[1] + row_step * ($1 - 1)))
  map_keys "$2$3"
  click "$main" "${first_row_from[0]}" "$y"
  xdotool key ctrl+a
  xdotool type --delay 30 "$2"
  xdotool key Escape
  lists_closed
  click "$main" "${first_row_to[0]}" "$y"
  xdotool key ctrl+a
  xdotool type --delay 30 "$3"
  xdotool key Escape
  lists_closed
}
# Waits (bounded) until no completion list is up: a click while one is up only closes it, and what is typed next
# would go into the edit before.
lists_closed() {
  local tries
  for ((tries = 0; tries < 30; tries++)); do
    [[ -z $(leftover_lists) ]] && return 0
    xdotool key Escape
    sleep 0.1
  done
}
# Binds each character of $1 that the keyboard lacks to a keycode of its own, so that xdotool finds them all in
# the keymap: left to itself, it rebinds one spare keycode per character while typing, and the window may read a
# key press before it has taken the new binding in (the first Japanese character was lost that way).
spare_keycodes=()
declare -A mapped_keys=()
map_keys() {
  local key code
  if ((${#spare_keycodes[@]} == 0)); then
    mapfile -t spare_keycodes < <(xmodmap -pke | awk 'NF == 3 && $1 == "keycode" && $2 > 200 {print $2}')
  fi
  for key in $(python3 -c 'import sys; print(*sorted({"U%04X" % ord(c) for c in sys.argv[1] if ord(c) > 127}))' "$1"); do
    [[ -n ${mapped_keys[$key]:-} ]] && continue
    ((${#spare_keycodes[@]})) || fail "no spare keycode left for $key"
    code=${spare_keycodes[0]}
    spare_keycodes=("${spare_keycodes[@]:1}")
    xmodmap -e "keycode $code = $key"
    mapped_keys[$key]=$code
  done
  sleep 0.2
}
# Types $2 into the save or open dialog titled $1 (after $3) and accepts it with Enter.
path_into_dialog() {
  local dialog
  dialog=$(wait_window "$1" "$3 opened no dialog \"$1\"")
  sleep 0.3
  xdotool key ctrl+a
  xdotool type --delay 10 "$2"
  xdotool key Return
  wait_gone "$dialog" "Enter on the path typed into \"$1\""
}
# A piece of the main window (WIDTHxHEIGHT+X+Y) as a PPM file.
window_piece() {
  import -display "$DISPLAY" -window "$main" -crop "$1" -depth 8 "ppm:$2" 2>/dev/null
}
# The close button of the main window's title bar, as openbox draws it: at the right end, over the client area.
click_close_button() {
  local x y width
  read -r x y width < <(xwininfo -id "$main" | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4}
    /Width:/ {w = $2} END {print x, y, w}')
  xdotool mousemove "$((x + width - 11))" "$((y - 10))"
  sleep 0.1
  xdotool click 1
}
# After the program ended: the settings file beside it written after the marker file $1, naming the scenario
# folder $2 as the last one ($3: how the program ended).
check_settings() {
  local ini=$work/app/celshift.ini
  if [[ ! $ini -nt $1 ]]; then
    findings+=("$3: no settings written to celshift.ini")
  elif ! grep -qxF "LastScenario=$2" "$ini"; then
    findings+=("$3: celshift.ini does not name $2 as the last scenario: $(grep -m 1 LastScenario "$ini" || echo none)")
  fi
}
# What is wrong with the output folder after a run was stopped or closed: a temporary file left, or a data file that
# does not read whole (celshift-cli --list-names reads every one). Nothing when all is well.
output_damage() {
  local leftovers
  leftovers=$(find "$work/app/Scena" -name '.celshift-*' | wc -l)
  ((leftovers == 0)) || echo "$leftovers temporary files left;"
  # Stopped while copying, the output may not hold Summary.wsm yet, nor any data file.
  [[ -e $work/app/Scena/Summary.wsm ]] || return 0
  "$build/bin/celshift-cli" --list-names "$work/app/Scena" >/dev/null 2>"$work/list-names.txt" \
    || echo "celshift-cli --list-names: $(head -n 2 "$work/list-names.txt" | tr '\n' ' ')"
  return 0
}
# 変換行's menu item $1 (1: 変換行を保存…, 2: 変換行を読み込む…), chosen with the arrow keys.
rows_menu() {
  local i
  focus "$main"
  click "$main" "${rows_button[@]}"
  sleep 0.3
  for ((i = 0; i < $1; i++)); do xdotool key Down; done
  xdotool key Return
}
# How many of the eight row edits show text (dark pixels inside them; a caret alone is too few).
edits_with_text() {
  local row x dark count=0
  for ((row = 0; row < 4; row++)); do
    for x in $((first_row_from[0] - 50)) $((first_row_to[0] - 60)); do
      window_piece "120x14+$x+$((first_row_from[1] - 7 + row_step * row))" "$work/edit.ppm"
      dark=$(python3 tests/e2e/pixels.py count "$work/edit.ppm" 0 0 0 90)
      ((dark < 30)) || count=$((count + 1))
    done
  done
  echo "$count"
}
# Started again after a close with a scenario chosen, 実行 must be enabled (its caption drawn dark, not grey): the
# last scenario ($1) is there. Which one it is, the run that follows tells.
check_reopened() {
  local dark
  sleep 0.5; shot started-again
  window_piece "$execute_caption" "$work/execute.ppm"
  dark=$(python3 tests/e2e/pixels.py count "$work/execute.ppm" 0 0 0 70)
  ((dark >= 20)) || fail "started again with $1 chosen last, 実行 is not enabled (screenshot $shot_number)"
}
# Closes the window while the run works ($1: button, the title bar's close button, or alt+F4) and sets question
# to the close question's id, and under to the run's box that was up at the close ("ID TITLE", or empty). A box of
# the run that is up does not take the close for itself: the question comes over it. When the run's last box is up
# (the run ended before the close landed), the window closes without a question, and 1 is returned: the caller
# leaves this order unchecked in this run.
close_during_run() {
  local how=$1 id title boxes deadline
  under=$(program_boxes | head -n 1)
  if [[ -n $under ]]; then sleep 0.3; shot "box-up-at-close"; fi
  if [[ $how == button ]]; then click_close_button; else focus "$main"; xdotool key alt+F4; fi
  deadline=$((SECONDS + wait_seconds))
  while :; do
    if ! kill -0 "$app_pid" 2>/dev/null; then
      [[ $under == *' 情報' ]] || fail "closed with the $how during a run: the program ended without asking"
      echo "    the run ended before the close landed: its last box and the window went with the close; this order is not checked in this run"
      wait_exit "the $how with the run's last box up"
      return 1
    fi
    ((SECONDS < deadline)) || fail "closed with the $how during a run${under:+ while the box \"${under#* }\" was up}: no close question came (screenshot $shot_number)"
    boxes=$(program_boxes | grep -v "^${under%% *} " || true)
    for id in $(awk '$2 == "情報" {print $1}' <<<"$boxes"); do
      if is_question "$id"; then question=$id; return 0; fi
      # Not drawn yet, or the run's last box: the run ended while the question was up (it answers the question)
      # or before the close landed, and the window goes once this box is closed.
      sleep 1
      if is_question "$id"; then question=$id; return 0; fi
      echo "    the run ended before the close question was seen: its last box is up, and Enter on it closes the window"
      shot "last-box-after-close"
      focus "$id"
      xdotool key Return
      wait_exit "Enter on the run's last box after the $how"
      return 1
    done
    sleep 0.2
  done
}
# Whether window $1 lies below window $2 in the window manager's stacking order (bottom to top).
below() {
  local ids
  ids=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/, /\n/g' | while read -r hex; do printf '%d\n' "$hex"; done)
  awk -v a="$1" -v b="$2" '$1 == a {pa = NR} $1 == b {pb = NR} END {exit !(pa && pb && pa < pb)}' <<<"$ids"
}
# The program's boxes but the close question $1 and the run's box that was up when the window was closed.
boxes_besides() {
  program_boxes | grep -v "^$1 " | { if [[ -n $under ]]; then grep -v "^${under%% *} "; else cat; fi; } || true
}
# A close whose question is left up while the run copies: the run's next boxes wait for the answer (none comes over
# the question), いいえ (the default, Enter) lets them come one by one, the run ends, and the window stays open.
question_holds_the_boxes() {
  local question=$1 when=$2 boxes others id title deadline
  deadline=$((SECONDS + 3))
  while ((SECONDS < deadline)); do
    kill -0 "$app_pid" 2>/dev/null || fail "closed $when: the program ended while the close question was up"
    boxes=$(program_boxes)
    if ! grep -q "^$question " <<<"$boxes"; then
      # The copy stage was over: the run ended meanwhile and its last box took the question away.
      echo "    the run ended while the question was up"
      question_left_unanswered "$question" "$when"
      return 0
    fi
    others=$(boxes_besides "$question")
    if [[ -n $others ]] && below "$(head -n 1 <<<"$others" | cut -d ' ' -f 1)" "$question"; then
      # The copy stage ended just before the click landed: its box was up first, and the question came over it.
      under=$(head -n 1 <<<"$others")
      echo "    the box \"${under#* }\" came up just before the close landed; the question is over it"
      continue
    fi
    if [[ -n $others ]]; then
      shot "stacked"
      findings+=("closed $when, question up: the box \"$(cut -d ' ' -f 2- <<<"$others" | head -n 1)\" came over the close question (screenshot $shot_number)")
      break
    fi
    sleep 0.2
  done
  shot question-holds-the-boxes
  focus "$question"
  xdotool key Return  # いいえ
  wait_gone "$question" "Enter (いいえ) on the close question"
  if [[ -n $under ]] && ! program_boxes | grep -q "^${under%% *} "; then
    findings+=("closed $when while the box \"${under#* }\" was up, answered いいえ: that box went with the question")
  fi
  deadline=$((SECONDS + 3 * wait_seconds))
  while :; do
    ((SECONDS < deadline)) || fail "closed $when and answered いいえ: the run did not end within $((3 * wait_seconds)) s"
    kill -0 "$app_pid" 2>/dev/null || fail "closed $when and answered いいえ: the program ended"
    boxes=$(program_boxes)
    if [[ -n $boxes ]]; then
      read -r id title <<<"$boxes"
      (($(wc -l <<<"$boxes") == 1)) || findings+=("closed $when and answered いいえ: $(wc -l <<<"$boxes") boxes at once")
      local last=0
      [[ $title == 情報 ]] && ! is_question "$id" && last=1
      focus "$id"
      xdotool key Return
      wait_gone "$id" "Enter on the box \"$title\""
      ((last == 0)) || break
    fi
    sleep 0.2
  done
  sleep 0.5
  kill -0 "$app_pid" 2>/dev/null || fail "closed $when and answered いいえ: the window closed all the same"
  click_close_button
  wait_exit "the title bar's button after a run whose close was answered いいえ"
}
# The run's boxes after a close whose question was left unanswered. The run goes on to its end, which must take the
# question away; its last box must then come alone, and Enter on it must close the window. A box that comes over
# the question meanwhile is one box stacked on another: noted, and answered with Enter as a person would.
question_left_unanswered() {
  local question=$1 when=$2 boxes others id title stacked=() deadline=$((SECONDS + 3 * wait_seconds))
  while :; do
    ((SECONDS < deadline)) || fail "closed $when: the close question is still up $((3 * wait_seconds)) s later (the run does not end?)"
    kill -0 "$app_pid" 2>/dev/null || fail "closed $when: the program ended without its last box"
    boxes=$(program_boxes)
    others=$(boxes_besides "$question")
    if grep -q "^$question " <<<"$boxes"; then
      if [[ -n $others ]]; then
        read -r id title <<<"$others"
        ((${#stacked[@]})) || { shot "stacked-$title"; stacked_shot=$shot_number; }
        stacked+=("$title")
        focus "$id"
        xdotool key Return
        wait_gone "$id" "Enter on the box \"$title\" over the close question"
      fi
    elif [[ -n $others ]]; then
      break
    fi
    sleep 0.2
  done
  ((${#stacked[@]} == 0)) || findings+=("closed $when, question unanswered: the boxes ${stacked[*]} came over the close question, one on the other (screenshot $stacked_shot)")
  sleep 0.3; shot last-box-alone
  read -r id title <<<"$others"
  (($(wc -l <<<"$others") == 1)) || findings+=("closed $when: the question went, but $(wc -l <<<"$others") boxes came at once (screenshot $shot_number)")
  [[ $title == 情報 ]] && ! is_question "$id" || findings+=("closed $when: the box that came after the question is \"$title\", not the run's last box (screenshot $shot_number)")
  focus "$id"
  xdotool key Return
  wait_exit "Enter on the last box of a run whose close question was left unanswered"
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

echo "== Another scenario (another Summary.wsm) for the same output folder, and a larger one on disk"
another=$work/another
"$build/bin/generate-scenario" --out "$another" --megabytes 1 --files 20 --shape real --seed 2 >/dev/null
! cmp -s "$another/Summary.wsm" "$scenario/Summary.wsm" || fail "the two scenarios have the same Summary.wsm"
mkdir "$work/expected-another"
"$build/bin/celshift-cli" --quiet --output "$work/expected-another" --from cell_red.bmp --to mine.bmp "$another" \
  >"$work/expected-another.txt"
cp "$work/pictures/mine.bmp" "$work/expected-another/"
mapfile -t captions_another < <(grep -v '^  ' "$work/expected-another.txt" | sed 's/: .*//')
big=$work/big
"$build/bin/generate-scenario" --out "$big" --megabytes 150 --files 10000 --shape real >/dev/null
big_data_files=$(find "$big" -maxdepth 1 -name '*.wid' | wc -l)
"$build/bin/celshift-cli" --dry-run --quiet --from cell_red.bmp --to cell_green.bmp "$big" >"$work/expected-big.txt"
grep -qx '画像置換: .*' "$work/expected-big.txt" || fail "celshift-cli --dry-run on the larger scenario tells more than 画像置換"
captions_big=(第一段階 画像置換 情報)  # copied, to convert, done
echo "    $(ls "$big" | wc -l) files, $(du -sm "$big" | cut -f1) MB, $big_data_files data files; boxes: ${captions_big[*]}"

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
start_program "$work/celshift.log"
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

echo "== Enter once more, on 実行 where the focus is after the run: a question, やめる by default, and no run"
find "$work/app/Scena" -type f -printf '%T@ %p\n' | sort >"$work/times-before.txt"
focus "$main"
xdotool key Return
question=$(wait_question "Enter on 実行 after the run")
sleep 0.3; shot rerun-question
focus "$question"
xdotool key Return
wait_gone "$question" "Enter on the question whether to run again"
sleep 2
if [[ -n $(program_boxes) ]]; then
  shot rerun-boxes
  fail "Enter on the question whether to run again (default やめる) brought up: $(program_boxes | cut -d ' ' -f 2- | tr '\n' ' ')"
fi
find "$work/app/Scena" -type f -printf '%T@ %p\n' | sort >"$work/times-after.txt"
cmp -s "$work/times-before.txt" "$work/times-after.txt" \
  || findings+=("Enter on the question whether to run again (default やめる) wrote into the output folder again")
echo "    asked, answered with Enter: nothing ran, $(wc -l <"$work/times-after.txt") files of the output untouched"

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

echo "== Another scenario run into Scena: the question, and Enter puts it into Scena/another"
choose_scenario "$another/Summary.wsm"
focus "$main"
click "$main" "${execute_button[@]}"
question=$(wait_question "実行 with another scenario's Summary.wsm in the output folder")
sleep 0.3; shot mix-question
focus "$question"
xdotool key Return
wait_gone "$question" "Enter on the question about the other scenario in the output folder"
for caption in "${captions_another[@]}"; do
  answer_box "$caption" "the box that follows in celshift-cli's report of the other scenario did not come up"
  echo "    $caption: shown and answered"
done

echo "== Closing the window"
focus "$main"
touch "$work/marker"
xdotool key alt+F4
wait_exit alt+F4
((status == 0)) || fail "the program exited with status $status"

echo "== What it left"
diff -r -x another "$work/expected" "$work/app/Scena" >"$work/diff.txt" \
  || { cat "$work/diff.txt"; fail "the output folder differs from celshift-cli's output"; }
echo "    Scena holds what celshift-cli made and the picked picture: $(ls "$work/app/Scena" | wc -l) entries, identical"
cmp -s "$scenario/Summary.wsm" "$work/app/Scena/Summary.wsm" || findings+=("Scena/Summary.wsm is no longer the first scenario's")
if [[ -d $work/app/Scena/another ]]; then
  diff -r "$work/expected-another" "$work/app/Scena/another" >"$work/diff.txt" \
    || { cat "$work/diff.txt"; findings+=("Scena/another differs from celshift-cli's output of the other scenario"); }
  echo "    Scena/another holds what celshift-cli made of the other scenario: $(ls "$work/app/Scena/another" | wc -l) entries"
else
  findings+=("Enter on the question about the other scenario made no subfolder Scena/another")
fi
grep -q '^\[WINSIZE\]' "$work/app/celshift.ini" 2>/dev/null || fail "no settings written to celshift.ini beside the program"
check_settings "$work/marker" "$another" "closed with alt+F4"
echo "    celshift.ini beside the program: $(tr '\n' ' ' <"$work/app/celshift.ini")"
[[ ! -e $work/home/.config/celshift/celshift.ini ]] || fail "a portable copy wrote its settings into the configuration folder"

echo "== Started again: the last scenario there, 実行 enabled; SIGTERM while a box of a run is up: status 143, nothing half-written"
rm -rf "$work/app/Scena"; mkdir -p "$work/app/Scena"
start_program "$work/celshift2.log"
# Closed with the other scenario chosen: it is there again, and 実行 runs it (no row: copied as it is).
check_reopened another
click "$main" "${execute_button[@]}"
box=$(wait_window "${captions_another[0]}" "実行 at start, with the scenario of the last start: its first box did not come up")
shot term-box
kill -TERM "$app_pid"
wait_exit SIGTERM
((status == 143)) || findings+=("after SIGTERM the program exited with status $status, not 143")
leftovers=$(find "$work/app/Scena" -name '.celshift-*' | wc -l)
((leftovers == 0)) || findings+=("SIGTERM left $leftovers temporary files in the output folder")
cmp -s "$another/Summary.wsm" "$work/app/Scena/Summary.wsm" \
  || findings+=("実行 at start did not run the scenario of the last start (another): Scena/Summary.wsm is not its")
for file in "$work/app/Scena"/*; do
  cmp -s "$file" "$another/$(basename "$file")" || findings+=("$(basename "$file") differs from the scenario's after SIGTERM")
done
echo "    exited with status $status; Scena holds $(ls "$work/app/Scena" | wc -l) whole files"

# The larger scenario's output stays in Scena from one start to the next: a later run only rewrites its data files.
echo "== The larger scenario, closed with the title bar's button while the run copies, the question left up: the boxes wait, いいえ"
rm -rf "$work/app/Scena"; mkdir -p "$work/app/Scena"
start_program "$work/celshift3.log"
choose_scenario "$big/Summary.wsm"
type_row 1 cell_red.bmp cell_green.bmp
click "$main" "${execute_button[@]}"
touch "$work/marker"
if close_during_run button; then
  [[ -z $under ]] || echo "    the copy stage was over before the close: the question came over the box \"${under#* }\""
  shot close-question-left
  question_holds_the_boxes "$question" "with the title bar's button while the run copies"
fi
((status == 0)) || findings+=("after the last box of a run closed with the title bar's button the program exited with status $status")
check_settings "$work/marker" "$big" "closed with the title bar's button during a run, the question left unanswered"
damage=$(output_damage)
[[ -z $damage ]] || findings+=("the run closed with the title bar's button: $damage")
(($(ls "$work/app/Scena" | wc -l) == $(ls "$big" | wc -l))) || findings+=("the run closed with the title bar's button, once ended, left $(ls "$work/app/Scena" | wc -l) of the scenario's $(ls "$big" | wc -l) files")
echo "    exited with status $status; Scena holds the whole scenario, its data files read whole"

echo "== Started again (the larger scenario there), closed with the title bar's button while the run's first box is up, はい"
rm -rf "$work/app/Scena"; mkdir -p "$work/app/Scena"
start_program "$work/celshift4.log"
check_reopened "the larger scenario"
type_row 1 cell_red.bmp cell_green.bmp
click "$main" "${execute_button[@]}"
touch "$work/marker"
wait_window "${captions_big[0]}" "the run's first box did not come up" >/dev/null
if close_during_run button; then
  shot close-question
  # A box of the run over the question is answered first (noted above): the question can only be answered then.
  for ((tries = 0; tries < 3; tries++)); do
    others=$(boxes_besides "$question")
    [[ -n $others ]] || break
    read -r id title <<<"$others"
    if [[ $title == 情報 ]]; then
      # The run ended while the question was up (a quick machine): its end took the question away and the window
      # closes after its last box; はい is not checked in this run.
      echo "    the run ended while the question was up, before はい: はい is not checked in this run"
      focus "$id"
      xdotool key Return
      wait_exit "Enter on the last box of a run that ended while the close question was up"
      question=''
      break
    fi
    findings+=("the box \"$title\" came over the close question (screenshot $shot_number)")
    focus "$id"
    xdotool key Return
    wait_gone "$id" "Enter on the box \"$title\" over the close question"
    sleep 0.3
  done
  if [[ -n $question ]]; then
    focus "$question" 2>/dev/null || fail "the close question went before はい could be pressed: the run had ended (too short a run?)"
    xdotool key Tab space  # はい, beside いいえ, the default
    wait_gone "$question" "はい on the close question"
    answered=()
    answer_until_exit "はい on the close question"
    ((status == 0)) || findings+=("after はい on the close question the program exited with status $status")
    # The user chose to close: the run's boxes that were still to come are not shown (the report keeps them).
    ((${#answered[@]} == 0)) || findings+=("after はい on the close question the run's boxes still came: ${answered[*]}")
    check_settings "$work/marker" "$big" "closed during a run with はい"
    damage=$(output_damage)
    [[ -z $damage ]] || findings+=("after はい on the close question: $damage")
    rewritten=$(find "$work/app/Scena" -name '*.wid' -newer "$work/marker" | wc -l)
    ((rewritten < big_data_files)) || findings+=("after はい on the close question the run still converted all $big_data_files data files")
    echo "    boxes after はい: ${answered[*]:-none}; exited with status $status; $rewritten of $big_data_files data files rewritten"
  fi
fi

echo "== Started again, closed with Alt+F4 while the run converts, the question left unanswered"
start_program "$work/celshift5.log"
check_reopened "the larger scenario"
type_row 1 cell_red.bmp cell_green.bmp
touch "$work/marker"
click "$main" "${execute_button[@]}"
for caption in "${captions_big[@]:0:${#captions_big[@]}-1}"; do
  answer_box "$caption" "the box that follows did not come up"
done
if close_during_run alt+F4; then
  shot close-question-left
  question_left_unanswered "$question" "with Alt+F4 while the run converts"
fi
((status == 0)) || findings+=("after the last box of a run closed with Alt+F4 the program exited with status $status")
check_settings "$work/marker" "$big" "closed with Alt+F4 during a run, the question left unanswered"
damage=$(output_damage)
[[ -z $damage ]] || findings+=("the run closed with Alt+F4: $damage")
rewritten=$(find "$work/app/Scena" -name '*.wid' -newer "$work/marker" | wc -l)
((rewritten == big_data_files)) || findings+=("the run closed with Alt+F4 and left to end rewrote $rewritten of $big_data_files data files")
echo "    the question went by itself, the last box came alone; exited with status $status; all data files rewritten"

echo "== 中止 while the run converts: the last box offers 結果を表示, the report tells n of m files"
start_program "$work/celshift6.log"
type_row 1 cell_red.bmp cell_green.bmp
touch "$work/marker"
click "$main" "${execute_button[@]}"
for caption in "${captions_big[@]:0:${#captions_big[@]}-2}"; do
  answer_box "$caption" "the box that follows did not come up"
done
# The last box before the data stage; 中止 pressed as soon as it has gone.
caption=${captions_big[-2]}
box=$(wait_window "$caption" "the box that follows did not come up")
sleep 0.3; shot "box-$caption"
xdotool mousemove --window "$main" "${run_cancel_button[@]}"
focus "$box"
xdotool key Return
wait_gone "$box" "Enter on the box \"$caption\""
xdotool click 1
last=$(wait_window 情報 "中止 while the run converts brought no last box")
sleep 0.3; shot stopped-box
focus "$last"
xdotool key Tab space  # 結果を表示, beside OK
wait_gone "$last" "結果を表示 on the last box"
sleep 0.5; shot stopped-report
click "$main" "${save_report_button[@]}"
path_into_dialog 結果を保存 "$work/stopped-report.txt" "テキストで保存 (on the report page, if 結果を表示 showed it)"
wait_file "$work/stopped-report.txt" "saving the stopped run's report"
grep -v $'^[^\t]*\t[^\t]*\t' "$work/stopped-report.txt" | sed 's/^/    /'
wid_lines=$(grep -cE $'^(変換済み|失敗|開けません)\t[^\t]*\\.wid\t' "$work/stopped-report.txt" || true)
rewritten=$(find "$work/app/Scena" -name '*.wid' -newer "$work/marker" | wc -l)
if [[ $(cat "$work/stopped-report.txt") =~ データファイル\ ([0-9]+)件中\ ([0-9]+)件まで変換して中止しました ]]; then
  m=${BASH_REMATCH[1]} n=${BASH_REMATCH[2]}
  echo "    stopped at $n of $m data files; the report lists $wid_lines data files, $rewritten were rewritten"
  ((m == big_data_files)) || findings+=("the stopped run's report counts $m data files, the scenario has $big_data_files")
  ((n < m)) || findings+=("the stopped run's report says it got to $n of $m data files")  # 0: stopped at once
  ((wid_lines == n)) || findings+=("the stopped run's report says $n data files were done but lists $wid_lines")
  ((rewritten == n)) || findings+=("the stopped run's report says $n data files were done, $rewritten were rewritten in the output folder")
elif [[ $(cat "$work/stopped-report.txt") =~ ファイルのコピー中に中止しました（([0-9]+)件中\ ([0-9]+)件まで） ]]; then
  echo "    stopped while copying, at ${BASH_REMATCH[2]} of ${BASH_REMATCH[1]} files (中止 came before the data stage)"
  ((rewritten == 0)) || findings+=("stopped while copying, yet $rewritten data files were rewritten")
else
  findings+=("the saved report of the stopped run does not say where it stopped (screenshot $shot_number)")
fi
grep -qx '中止しました' "$work/stopped-report.txt" || findings+=("the saved report of the stopped run does not say 中止しました")
damage=$(output_damage)
[[ -z $damage ]] || findings+=("after 中止: $damage")
focus "$main"
click "$main" "${rows_tab[@]}"
sleep 0.5; shot stopped-rows

echo "== 変換行: four rows saved as a rows file, emptied, and loaded back"
type_row 2 cell_green.bmp cell_red.bmp
type_row 3 bg01.bmp 表紙.bmp  # Japanese typed into a 変換先 only: xdotool races the completion list of a 変換元
type_row 4 Title.BMP 森の入口.bmp
printf '%s\t%s\n' cell_red.bmp cell_green.bmp cell_green.bmp cell_red.bmp bg01.bmp 表紙.bmp Title.BMP 森の入口.bmp \
  >"$work/rows-typed.txt"
sleep 0.5; shot rows-typed
rows_menu 1
path_into_dialog 変換行を保存 "$work/rows.txt" "変換行 > 変換行を保存…"
wait_file "$work/rows.txt" "変換行を保存…"
sed 's/^/    /' "$work/rows.txt"
head -n 1 "$work/rows.txt" | grep -q '^#' || findings+=("the rows file does not begin with a comment line")
tail -n +2 "$work/rows.txt" | cmp -s - "$work/rows-typed.txt" \
  || findings+=("the rows file's lines are not the typed rows: $(tail -n +2 "$work/rows.txt" | tr '\t\n' '> ')")
iconv -f UTF-8 -t UTF-8 "$work/rows.txt" >/dev/null 2>&1 || findings+=("the rows file is not UTF-8")
"$build/bin/celshift-cli" --dry-run --quiet --rows "$work/rows.txt" "$big" >/dev/null 2>"$work/rows-cli.txt" \
  || findings+=("celshift-cli --rows refuses the saved rows file: $(head -n 2 "$work/rows-cli.txt" | tr '\n' ' ')")
for ((row = 4; row >= 1; row--)); do
  for x in "${first_row_to[0]}" "${first_row_from[0]}"; do
    click "$main" "$x" "$((first_row_from[1] + row_step * (row - 1)))"
    xdotool key ctrl+a BackSpace
  done
done
xdotool key Escape
sleep 0.5; shot rows-emptied
filled=$(edits_with_text)
((filled == 0)) || fail "the rows could not be emptied: $filled edits still show text (screenshot $shot_number)"
rows_menu 2
path_into_dialog 変換行を読み込む "$work/rows.txt" "変換行 > 変換行を読み込む…"
sleep 1; shot rows-loaded
filled=$(edits_with_text)
((filled == 8)) || findings+=("the rows file loaded back fills $filled of the 8 edits (screenshot $shot_number)")
rows_menu 1
path_into_dialog 変換行を保存 "$work/rows-again.txt" "変換行 > 変換行を保存…"
wait_file "$work/rows-again.txt" "変換行を保存… after loading"
cmp -s "$work/rows.txt" "$work/rows-again.txt" \
  || findings+=("the rows loaded back are not the rows saved: saved again, they read $(tail -n +2 "$work/rows-again.txt" | tr '\t\n' '> ')")
echo "    saved, emptied, loaded back: $filled edits filled, the same rows saved again"
touch "$work/marker"
focus "$main"
xdotool key alt+F4
wait_exit alt+F4
((status == 0)) || findings+=("closed with alt+F4 after a stopped run, the program exited with status $status")
check_settings "$work/marker" "$big" "closed with alt+F4 after a stopped run"
if ((${#findings[@]})); then
  printf 'window_e2e: FAIL: %s\n' "${findings[@]}"
  exit 1
fi
echo "window_e2e: passed in $((SECONDS - started)) s (screenshots in $shots)"
