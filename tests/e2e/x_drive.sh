# The steps both end-to-end drives take with xdotool on an X display: finding windows by their title, waiting
# for them, clicking as a hand would. Sourced by each drive, which defines
# fail, shot, focus, program_boxes (the program's boxes: id and caption) and the variables work, wait_seconds
# and app_pid.
# The visible windows whose title is exactly $1 (xdotool matches regardless of case; each is compared again).
windows_titled() {
  local id
  for id in $(xdotool search --onlyvisible --name "^${1}\$" 2>/dev/null); do
    [[ $(xdotool getwindowname "$id" 2>/dev/null) == "$1" ]] && echo "$id"
  done
  return 0
}
# The id of the visible window whose title is exactly $1 once it is there ($2: what should have brought it, $3:
# how long to wait); fails after the wait.
wait_window() {
  local title=$1 id deadline=$((SECONDS + ${3:-$wait_seconds}))
  while ((SECONDS < deadline)); do
    if [[ -n $app_pid ]] && ! kill -0 "$app_pid" 2>/dev/null; then fail "the program ended while waiting for \"$title\""; fi
    id=$(windows_titled "$title" | head -n 1)
    if [[ -n $id ]]; then echo "$id"; return 0; fi
    sleep 0.2
  done
  fail "no window \"$title\" within ${3:-$wait_seconds} s: $2"
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
focus() {
  timeout 5 xdotool windowactivate --sync "$1" >/dev/null 2>&1 || timeout 5 xdotool windowfocus --sync "$1" 2>/dev/null || true
  sleep 0.2
}
# A fingerprint of what a window shows.
window_pixels() {
  timeout 20 import -display "$DISPLAY" -window "$1" rgb:- 2>/dev/null | md5sum
}
# Waits until the file $1 is there (written after $2).
wait_file() {
  local deadline=$((SECONDS + wait_seconds))
  until [[ -s $1 ]]; do
    ((SECONDS < deadline)) || fail "$1 was not written: $2"
    sleep 0.2
  done
}
# Whether box $1 shows the question mark (its blue): the questions do, the run's boxes do not.
is_question() {
  timeout 20 import -display "$DISPLAY" -window "$1" -depth 8 "ppm:$work/box.ppm" 2>/dev/null || return 1
  (($(python3 tests/e2e/pixels.py count "$work/box.ppm" 0 0 255 40) >= 30))
}
# Answers each box that comes with Enter until the program ends ($1: what ended it); the boxes' captions go to
# answered.
answer_until_exit() {
  local id title deadline=$((SECONDS + wait_seconds))
  while kill -0 "$app_pid" 2>/dev/null; do
    ((SECONDS < deadline)) || fail "the program is still running $wait_seconds s after $1 (boxes answered: ${answered[*]:-none})"
    id='' title=''
    read -r id title < <(program_boxes) || true
    if [[ -n $id ]]; then
      sleep 0.3; shot "box-$title"
      focus "$id"
      xdotool key Return
      wait_gone "$id" "Enter on the box \"$title\" after $1"
      answered+=("$title")
      deadline=$((SECONDS + wait_seconds))
    fi
    sleep 0.2
  done
  wait_exit "$1"
}
