#!/usr/bin/env bash
# A real window under Xvfb with the SDL host. First the smoke program opens window 0 as the
# animation does: a screenshot must show its 640 x 480 client area painted, and a
# WM_DELETE_WINDOW request (the window manager's close) must reach it as
# EVENT_CLOSE_WINDOW. Then the program itself (app/zorvane-lumetra) must show black with
# the fixed first circle of the chain in white, and end with exit code 0 on the same close.
# Usage: xvfb_window.sh <build dir> [output dir]
set -euo pipefail
build=${1:?usage: xvfb_window.sh <build dir> [output dir]}
out=${2:-$build/e2e-xvfb}
mkdir -p "$out"
smoke=$build/tests/e2e/window_smoke
closer=$build/tests/e2e/x11_close
program=$build/app/zorvane-lumetra
title="Zorvane Lumetra"

fail() { echo "xvfb_window: FAIL: $*" >&2; exit 1; }
[ -x "$smoke" ] || fail "no $smoke"
[ -x "$closer" ] || fail "no $closer"
[ -x "$program" ] || fail "no $program"

# shellcheck source=../../scripts/x_display.sh
source "$(dirname "$0")/../../scripts/x_display.sh"
start_xvfb "$out"
client_pid=
cleanup() {
  [ -n "$client_pid" ] && kill "$client_pid" 2>/dev/null || true
  stop_xvfb
}
trap cleanup EXIT

# start <name> <executable> [ready text]: runs it with the SDL host and waits for its
# window (and, when given, for the text in its log); sets x, y, width and height of the
# client area.
start() {
  local name=$1 exe=$2 ready=${3:-}
  # SDL and X11 keep some memory until exit; leak checks belong to the unit tests.
  ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0} ZORVANE_HOST=sdl "$exe" >"$out/$name.log" 2>&1 &
  client_pid=$!
  for _ in $(seq 300); do
    if xwininfo -name "$title" >"$out/$name-xwininfo.txt" 2>&1; then
      [ -z "$ready" ] || grep -q "$ready" "$out/$name.log" && break
    fi
    kill -0 "$client_pid" 2>/dev/null || fail "$name ended early: $(cat "$out/$name.log")"
    sleep 0.1
  done
  window_geometry "$title" "$out/$name-xwininfo.txt"
  [ "$width" = 640 ] && [ "$height" = 480 ] || fail "$name: window is ${width}x${height}, not 640x480"
}

# close <name>: sends WM_DELETE_WINDOW and expects the client to end with code 0.
close() {
  local name=$1 status=0
  "$closer" "$title" || fail "$name: could not send WM_DELETE_WINDOW"
  for _ in $(seq 100); do
    kill -0 "$client_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$client_pid" 2>/dev/null && fail "$name did not end after WM_DELETE_WINDOW"
  wait "$client_pid" || status=$?
  client_pid=
  [ "$status" = 0 ] || fail "$name: exit code $status"
}

pixel() { convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:; }

start smoke "$smoke" ready
sleep 0.5  # a few frames
import -window root "$out/screen.png"
corner=$(pixel "$out/screen.png" $((x + 5)) $((y + 5)))
centre=$(pixel "$out/screen.png" $((x + 320)) $((y + 240)))
outside=$(pixel "$out/screen.png" $((x + 700)) $((y + 240)))
echo "window ${width}x${height} at $x,$y; corner $corner, centre $centre, outside $outside"
[ "$corner" = "0,64,160" ] || fail "client area corner is $corner, not the painted blue"
[ "$centre" = "255,255,255" ] || fail "client area centre is $centre, not the white circle"
[ "$outside" != "0,64,160" ] || fail "the blue reaches beyond 640 pixels"
close smoke
grep -q "EVENT_CLOSE_WINDOW window 0" "$out/smoke.log" || fail "no EVENT_CLOSE_WINDOW: $(cat "$out/smoke.log")"
echo "xvfb_window: smoke program OK (screenshot in $out/screen.png)"

start program "$program"
sleep 1  # some frames of the animation
import -window root "$out/program.png"
# Circle 0 never moves: centre (320, 240), radius 180, so its top and bottom points are
# fixed; the corners lie outside every circle of the chain.
top=$(pixel "$out/program.png" $((x + 320)) $((y + 60)))
bottom=$(pixel "$out/program.png" $((x + 320)) $((y + 420)))
corner=$(pixel "$out/program.png" $((x + 2)) $((y + 2)))
far=$(pixel "$out/program.png" $((x + 634)) $((y + 474)))
echo "program window ${width}x${height} at $x,$y; top $top, bottom $bottom, corners $corner, $far"
[ "$top" = "255,255,255" ] || fail "the top of the first circle is $top, not white"
[ "$bottom" = "255,255,255" ] || fail "the bottom of the first circle is $bottom, not white"
[ "$corner" = "0,0,0" ] && [ "$far" = "0,0,0" ] || fail "the program's background is $corner / $far, not black"
close program
echo "xvfb_window: program OK (screenshot in $out/program.png)"
