#!/usr/bin/env bash
# The real program under Xvfb with the SDL host: a screenshot must show the 640 x 480
# client area black with the fixed first circle of the chain in white, and a
# WM_DELETE_WINDOW request (the window manager's close) must end it with exit code 0.
# Usage: xvfb_program.sh <build dir> [output dir]
set -euo pipefail
build=${1:?usage: xvfb_program.sh <build dir> [output dir]}
out=${2:-$build/e2e-xvfb-program}
mkdir -p "$out"
program=$build/app/zorvane-lumetra
closer=$build/tests/e2e/x11_close
title="Zorvane Lumetra"
[ -x "$program" ] || { echo "xvfb_program: FAIL: no $program" >&2; exit 1; }
[ -x "$closer" ] || { echo "xvfb_program: FAIL: no $closer" >&2; exit 1; }

fail() { echo "xvfb_program: FAIL: $*" >&2; exit 1; }

# Xvfb picks a free display itself and writes its number to fd 5.
rm -f "$out/display"
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$out/display" 2>"$out/xvfb.log" &
xvfb_pid=$!
display=
for _ in $(seq 200); do
  display=$(cat "$out/display" 2>/dev/null || true)
  [ -n "$display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb did not start"
  sleep 0.05
done
[ -n "$display" ] || fail "Xvfb gave no display"
export DISPLAY=:$display
cleanup() {
  [ -n "${program_pid:-}" ] && kill "$program_pid" 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

# SDL and X11 keep some memory until exit; leak checks belong to the unit tests.
ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0} ZORVANE_HOST=sdl "$program" >"$out/program.log" 2>&1 &
program_pid=$!

for _ in $(seq 100); do
  xwininfo -name "$title" >/dev/null 2>&1 && break
  kill -0 "$program_pid" 2>/dev/null || fail "the program ended early: $(cat "$out/program.log")"
  sleep 0.1
done
xwininfo -name "$title" >"$out/xwininfo.txt" 2>&1 || fail "no window titled $title"
sleep 0.5  # a few frames
width=$(awk '/Width:/ {print $2}' "$out/xwininfo.txt")
height=$(awk '/Height:/ {print $2}' "$out/xwininfo.txt")
x=$(awk '/Absolute upper-left X:/ {print $4}' "$out/xwininfo.txt")
y=$(awk '/Absolute upper-left Y:/ {print $4}' "$out/xwininfo.txt")
[ "$width" = 640 ] && [ "$height" = 480 ] || fail "window is ${width}x${height}, not 640x480"

import -window root "$out/screen.png"
pixel() { convert "$out/screen.png" -format "%[fx:int(255*p{$1,$2}.r)],%[fx:int(255*p{$1,$2}.g)],%[fx:int(255*p{$1,$2}.b)]" info:; }
# Circle 0 never moves: centre (320, 240), radius 180, so its top and bottom points are
# fixed; the corners lie outside every circle of the chain.
top=$(pixel $((x + 320)) $((y + 60)))
bottom=$(pixel $((x + 320)) $((y + 420)))
corner=$(pixel $((x + 5)) $((y + 5)))
far=$(pixel $((x + 634)) $((y + 474)))
echo "window ${width}x${height} at $x,$y; top $top, bottom $bottom, corner $corner, far corner $far"
[ "$top" = "255,255,255" ] || fail "the top of the first circle is $top, not white"
[ "$bottom" = "255,255,255" ] || fail "the bottom of the first circle is $bottom, not white"
[ "$corner" = "0,0,0" ] || fail "the client area's corner is $corner, not black"
[ "$far" = "0,0,0" ] || fail "the client area's far corner is $far, not black"

"$closer" "$title" || fail "could not send WM_DELETE_WINDOW"
for _ in $(seq 100); do
  kill -0 "$program_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$program_pid" 2>/dev/null; then fail "the program did not end after WM_DELETE_WINDOW"; fi
status=0
wait "$program_pid" || status=$?
program_pid=
[ "$status" = 0 ] || fail "exit code $status"
echo "xvfb_program: OK (screenshot in $out/screen.png)"
