#!/usr/bin/env bash
# Walks the program through about a minute of use on the simulated sensor bus, under Xvfb with
# scripted input, as a build under AddressSanitizer and UndefinedBehaviorSanitizer runs it: both
# default sensors chosen and prepared, the measurement screen, a recording, fit, zoom and back,
# markers, paging, the record saved as .out, .txt and .xls and loaded again, back to the start
# screen, the temperature sensor's tick taken off and a second recording of the voltage alone saved as
# the screen is left, and the close.
#
#   scripts/walk.sh BUILD_DIR
#
# Fails on a sanitizer report, a crash, or a hang (a watchdog of minutes, against hangs only). A
# step whose screen does not come is reported and the walk goes on: how fast a busy machine runs
# the program decides nothing. WALK_DISPLAY (e.g. :31) names the display to start Xvfb on; by
# default Xvfb picks a free one.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:?usage: scripts/walk.sh BUILD_DIR}" && pwd)
repo=$PWD

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# --- the display ---
if [ -n "${WALK_DISPLAY:-}" ]; then
  Xvfb "$WALK_DISPLAY" -screen 0 1366x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  export DISPLAY=$WALK_DISPLAY
else
  mkfifo "$work/displayfd"
  exec 3<>"$work/displayfd"
  Xvfb -displayfd 3 -screen 0 1366x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  read -r -t 60 number <&3 || { echo "walk: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$number"
fi
for _ in $(seq 600); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || { echo "walk: no display $DISPLAY" >&2; exit 1; }

# --- looking and waiting ---
# "R G B" of the screen's pixel at X Y.
pixel() {
  xwd -root -silent | python3 -c '
import struct, sys
d = sys.stdin.buffer.read()
h = struct.unpack(">25I", d[:100])
size, order, bpp, line, ncolors = h[0], h[7], h[11], h[12], h[19]
at = size + 12 * ncolors + int(sys.argv[2]) * line + int(sys.argv[1]) * bpp // 8
p = int.from_bytes(d[at:at + bpp // 8], "little" if order == 0 else "big")
print(p >> 16 & 255, p >> 8 & 255, p & 255)' "$1" "$2"
}
# Waits up to 60 s for the pixel at X Y to pass the test (an awk condition on r, g, b).
wait_pixel() {
  local x=$1 y=$2 test=$3 what=$4
  for _ in $(seq 240); do
    check_alive
    if pixel "$x" "$y" | awk "{ r = \$1; g = \$2; b = \$3; exit !($test) }"; then return 0; fi
    sleep 0.25
  done
  echo "walk: $what did not show; going on"
}
wait_window() {
  for _ in $(seq 240); do
    check_alive
    xdotool search --name "^$1\$" >/dev/null 2>&1 && return 0
    sleep 0.25
  done
  echo "walk: no window \"$1\"; going on"
  return 1
}
wait_no_window() {
  for _ in $(seq 240); do
    check_alive
    xdotool search --name "^$1\$" >/dev/null 2>&1 || return 0
    sleep 0.25
  done
  echo "walk: window \"$1\" stayed; going on"
}
wait_file() {
  for _ in $(seq 240); do
    check_alive
    [ -s "$1" ] && return 0
    sleep 0.25
  done
  echo "walk: $1 was not written; going on"
}
check_alive() {
  kill -0 "$app_pid" 2>/dev/null || { echo "walk: the program ended before its close" >&2; report; exit 1; }
}
click() { xdotool mousemove "$1" "$2" click "${3:-1}"; sleep 0.5; }
key() { xdotool key "$@"; sleep 0.5; }
# Types a path into the file dialog of that title and accepts it (a second Return when the first
# only closed the name completer's list).
answer_dialog() {
  wait_window "$1" || return 0
  xdotool type --delay 20 "$2"
  key Return
  for _ in $(seq 20); do xdotool search --name "^$1\$" >/dev/null 2>&1 || return 0; sleep 0.25; done
  key Return
  wait_no_window "$1"
}
# The question about a record not saved answered by its default button ("Save"): the question
# box shares the main window's title, so it is there once two windows bear it.
answer_save_question() {
  for _ in $(seq 240); do
    check_alive
    [ "$(xdotool search --name "^Vessamor Laboratory\$" 2>/dev/null | wc -l)" -ge 2 ] && { key Return; return 0; }
    sleep 0.25
  done
  echo "walk: no question about the record not saved; going on"
}
# A File menu item clicked, the menu opened first unless a dialog left it open.
file_menu() {
  if ! pixel 250 139 | awk "{ r = \$1; g = \$2; b = \$3; exit !($menu) }"; then
    click 124 10
    wait_pixel 250 139 "$menu" "the File menu"
  fi
  click 150 "$1"
}
# A record saved through the File menu's "Save" under the name typed into its dialog, which opens
# in the program's working folder.
save_as() {
  file_menu 92
  answer_dialog "Save record" "$1"
  wait_file "$records/$1"
}
report() {
  if compgen -G "$work/sanitizer.*" >/dev/null; then
    echo "walk: sanitizer report:" >&2
    cat "$work"/sanitizer.* >&2
    return 1
  fi
  return 0
}

# --- the program ---
export ASAN_OPTIONS="log_path=$work/sanitizer:detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="log_path=$work/sanitizer:print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$repo/scripts/lsan.supp:print_suppressions=0"
export LD_LIBRARY_PATH="$build/sim${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
unset VESSAMOR_SIM_UNITS
records="$work/records"
mkdir -p "$records"
(cd "$records" && LANG=en_US.UTF-8 exec "$build/vessamor" en) >"$work/program.log" 2>&1 &
app_pid=$!
echo "walk: the program (pid $app_pid) on $DISPLAY"

purple='r > 120 && b > 150 && g < r'       # a sensor button
blue='b > 180 && b > r + 50'              # a ready button ("Set 0", "Measurements")
pale='r > 220 && g > 220 && b > 220'       # the measurement screen's caption strip
menu='r > 240 && g > 180 && g < 215 && b > 165 && b < 200'  # the File menu's items
voltage_page='b > r + 80'                  # the blue battery in the voltage sensor's picture

# Start screen: both sensors' buttons once the search has found the units.
wait_pixel 400 365 "$purple" "the temperature sensor's button"
wait_pixel 200 470 "$purple" "the voltage sensor's button"
# Each chosen and prepared ("Set 0").
click 320 390
wait_pixel 1000 620 "$blue" "the temperature sensor's page"
click 1050 640
click 320 485
wait_pixel 1193 270 "$voltage_page" "the voltage sensor's page"
click 1050 640
wait_pixel 272 175 "$blue" "a ready \"Measurements\""
click 272 155
wait_pixel 300 47 "$pale" "the measurement screen"

# A recording of about five seconds (as the machine runs it).
key space
sleep 5
key space
sleep 1
# Fit ("Overview"), zoom by a right drag, back by the middle button, markers, paging.
click 392 676
xdotool mousemove 300 200 mousedown 3; sleep 0.3
xdotool mousemove 450 300; sleep 0.3
xdotool mousemove 600 450; sleep 0.3
xdotool mouseup 3; sleep 1
click 700 300 2
click 500 300 3
click 800 300 3
click 503 677
click 596 677
click 392 727
click 392 727

# Saved in the three formats, then loaded.
save_as walk.out
save_as text.txt
save_as sheet.xls
file_menu 69
answer_dialog "Load record" walk.out
sleep 1

# Back to the start screen; the temperature sensor's tick taken off, the voltage recorded alone.
key Escape
wait_pixel 400 365 "$purple" "the start screen"
click 516 394
click 272 155
wait_pixel 300 47 "$pale" "the measurement screen again"
key space
sleep 5
key space
sleep 1
# The markers stepped through by the toolbar's marker buttons, then the fit again.
click 500 300 3
click 800 300 3
click 503 727
click 596 727
click 392 676
# Leaving with a record never saved asks first; its "Save" opens the save dialog.
key Escape
answer_save_question
answer_dialog "Save record" second.out
wait_file "$records/second.out"
wait_pixel 400 365 "$purple" "the start screen again"

# The close: the program ends by itself.
click 1327 33
for _ in $(seq 1200); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app_pid" 2>/dev/null; then
  echo "walk: the program did not end within 2 minutes of its close" >&2
  report || true
  exit 1
fi
status=0
wait "$app_pid" || status=$?
app_pid=""
report || exit 1
if [ "$status" -ne 0 ]; then
  echo "walk: the program ended with status $status" >&2
  cat "$work/program.log" >&2
  exit 1
fi
for f in walk.out text.txt sheet.xls second.out; do
  [ -s "$records/$f" ] && echo "walk: saved $f ($(stat -c %s "$records/$f") bytes)"
done
echo "walk: done, no sanitizer report"
