#!/usr/bin/env bash
# The main window under a real X server and window manager: the first start
# puts the outer frame at 185, 50; the user drags the window by its title
# bar, closes it, and each of three restarts finds the frame where it was
# left. Closing the disclaimer by its close box keeps the place too.
#
# usage: window_place_x11_test.sh PROGRAM
# Exits 77 (skipped) when no X server or window manager can be started.
set -uo pipefail

program="$1"
for tool in Xvfb openbox xdotool xwininfo xprop; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIPPED: $tool is not installed, no X server with a window manager can be started"
    exit 77
  fi
done

work="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display and writes its number to fd 3.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 100); do
  [[ -s "$work/display" ]] && break
  sleep 0.05
done
if [[ ! -s "$work/display" ]]; then
  echo "SKIPPED: Xvfb could not be started: $(cat "$work/xvfb.log")"
  exit 77
fi
export DISPLAY=":$(head -1 "$work/display")"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
# Wait until openbox manages the screen (it announces itself on the root
# window): a window mapped before that gets no frame, and its place would be
# measured wrongly. A loaded machine may take many seconds to start it.
for _ in $(seq 600); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done
if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
  echo "FAIL: openbox did not start: $(cat "$work/openbox.log")"
  exit 1
fi
sleep 0.5
settings="$XDG_CONFIG_HOME/Quor/Vornix.conf"
failures=0

# Waits for a window whose title is exactly $1; prints its id.
wait_window() {
  local id=""
  for _ in $(seq 600); do
    id="$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)"
    [[ -n "$id" ]] && break
    sleep 0.05
  done
  echo "$id"
}

# The outer frame's top-left corner of a client window: its position on the
# screen less its offset inside the frame.
frame_of() {
  xwininfo -id "$1" | awk '
    /Absolute upper-left X/ {ax = $NF} /Absolute upper-left Y/ {ay = $NF}
    /Relative upper-left X/ {rx = $NF} /Relative upper-left Y/ {ry = $NF}
    END {print ax - rx "," ay - ry}'
}

# Starts the program and confirms the disclaimer; sets program_pid and
# window (the main window's id).
start() {
  "$program" >>"$work/program.log" 2>&1 &
  program_pid=$!
  local dialog
  dialog="$(wait_window "免責事項")"
  [[ -z "$dialog" ]] && dialog="$(xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null | tail -1)"
  if [[ -z "$dialog" ]]; then
    echo "the program showed no window" >&2
    return 1
  fi
  xdotool windowactivate --sync "$dialog" key --clearmodifiers Return 2>/dev/null
  window="$(wait_window "Kelvara 2")"
  [[ -n "$window" ]]
}

# Closes the window through the window manager (its close binding).
close_window() {
  xdotool windowactivate --sync "$1" key --clearmodifiers alt+F4 2>/dev/null
  for _ in $(seq 200); do
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.05
  done
  if kill -0 "$program_pid" 2>/dev/null; then
    echo "FAIL: the program did not end after its window was closed"
    kill "$program_pid"
    failures=$((failures + 1))
  fi
  wait "$program_pid" 2>/dev/null
}

expect_frame() {
  local got
  got="$(frame_of "$1")"
  if [[ "$got" == "$2" ]]; then
    echo "ok: $3: outer frame at $got"
  else
    echo "FAIL: $3: outer frame at $got, expected $2"
    failures=$((failures + 1))
  fi
}

start || exit 1
expect_frame "$window" "185,50" "first start"
width="$(xwininfo -id "$window" | awk '/Width:/ {print $NF}')"
if [[ "$width" != 793 ]]; then
  echo "FAIL: the window is $width px wide inside its frame, expected 793"
  failures=$((failures + 1))
fi
# Drag the title bar 140 px right and 90 px down.
read -r fx fy < <(frame_of "$window" | tr ',' ' ')
xdotool mousemove $((fx + 300)) $((fy + 8)) mousedown 1
for step in 1 2 3 4 5 6 7; do
  xdotool mousemove $((fx + 300 + step * 20)) $((fy + 8 + step * 90 / 7))
  sleep 0.05
done
xdotool mouseup 1
sleep 0.3
expect_frame "$window" "325,140" "after the drag"
close_window "$window"

for run in 1 2 3; do
  start || exit 1
  expect_frame "$window" "325,140" "restart $run"
  close_window "$window"
done

# The disclaimer closed by its close box ends the program, saving the place.
"$program" >>"$work/program.log" 2>&1 &
program_pid=$!
dialog="$(wait_window "免責事項")"
close_window "$dialog"
if grep -q '^formLeft=325$' "$settings" && grep -q '^formTop=140$' "$settings"; then
  echo "ok: the disclaimer's close box kept the place"
else
  echo "FAIL: after the disclaimer's close box the store holds $(grep -E '^form(Left|Top)=' "$settings" | tr '\n' ' ')"
  failures=$((failures + 1))
fi
start || exit 1
expect_frame "$window" "325,140" "after the disclaimer was closed"
close_window "$window"

if ((failures)); then
  echo "program output:"
  cat "$work/program.log"
  exit 1
fi
echo "all starts kept the window's place"
