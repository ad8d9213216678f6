#!/usr/bin/env bash
# A real window under Xvfb with the SDL host: the smoke program opens window 0, a
# screenshot must show its 640 x 480 client area painted, and a WM_DELETE_WINDOW request
# must reach the program as EVENT_CLOSE_WINDOW. Then, when it is built, the program itself
# (app/zorvane-lumetra) must show its circles the same way and exit with code 0 on close.
# Usage: xvfb_window.sh <build dir> [output dir]
set -euo pipefail
build=${1:?usage: xvfb_window.sh <build dir> [output dir]}
out=${2:-$build/e2e-xvfb}
mkdir -p "$out"
smoke=$build/tests/e2e/window_smoke
closer=$build/tests/e2e/x11_close
title="Zorvane Lumetra"

fail() { echo "xvfb_window: FAIL: $*" >&2; exit 1; }

# Xvfb picks a free display itself and writes its number to fd 5.
rm -f "$out/display"
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$out/display" 2>"$out/xvfb.log" &
xvfb_pid=$!
display=
for _ in $(seq 200); do
  display=$(cat "$out/display" 2>/dev/null || true)
  [ -n "$display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || { echo "xvfb_window: FAIL: Xvfb did not start" >&2; exit 1; }
  sleep 0.05
done
[ -n "$display" ] || fail "Xvfb gave no display"
export DISPLAY=:$display
cleanup() {
  [ -n "${smoke_pid:-}" ] && kill "$smoke_pid" 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

# SDL and X11 keep some memory until exit; leak checks belong to the unit tests.
ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0} ZORVANE_HOST=sdl "$smoke" >"$out/smoke.log" 2>&1 &
smoke_pid=$!

for _ in $(seq 100); do
  grep -q ready "$out/smoke.log" 2>/dev/null && xwininfo -name "$title" >/dev/null 2>&1 && break
  kill -0 "$smoke_pid" 2>/dev/null || fail "window_smoke ended early: $(cat "$out/smoke.log")"
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
pixel() { convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:; }
corner=$(pixel "$out/screen.png" $((x + 5)) $((y + 5)))
centre=$(pixel "$out/screen.png" $((x + 320)) $((y + 240)))
outside=$(pixel "$out/screen.png" $((x + 700)) $((y + 240)))
echo "window ${width}x${height} at $x,$y; corner $corner, centre $centre, outside $outside"
[ "$corner" = "0,64,160" ] || fail "client area corner is $corner, not the painted blue"
[ "$centre" = "255,255,255" ] || fail "client area centre is $centre, not the white circle"
[ "$outside" != "0,64,160" ] || fail "the blue reaches beyond 640 pixels"

"$closer" "$title" || fail "could not send WM_DELETE_WINDOW"
for _ in $(seq 100); do
  kill -0 "$smoke_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$smoke_pid" 2>/dev/null; then fail "the program did not end after WM_DELETE_WINDOW"; fi
status=0
wait "$smoke_pid" || status=$?
smoke_pid=
grep -q "EVENT_CLOSE_WINDOW window 0" "$out/smoke.log" || fail "no EVENT_CLOSE_WINDOW: $(cat "$out/smoke.log")"
[ "$status" = 0 ] || fail "exit code $status"
echo "xvfb_window: smoke program OK (screenshot in $out/screen.png)"

program=$build/app/zorvane-lumetra
if [ -x "$program" ]; then
  ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0} ZORVANE_HOST=sdl "$program" >"$out/program.log" 2>&1 &
  smoke_pid=$!
  for _ in $(seq 100); do
    xwininfo -name "$title" >"$out/program-xwininfo.txt" 2>&1 && break
    kill -0 "$smoke_pid" 2>/dev/null || fail "the program ended early: $(cat "$out/program.log")"
    sleep 0.1
  done
  sleep 1  # some frames of the animation
  width=$(awk '/Width:/ {print $2}' "$out/program-xwininfo.txt")
  height=$(awk '/Height:/ {print $2}' "$out/program-xwininfo.txt")
  x=$(awk '/Absolute upper-left X:/ {print $4}' "$out/program-xwininfo.txt")
  y=$(awk '/Absolute upper-left Y:/ {print $4}' "$out/program-xwininfo.txt")
  [ "$width" = 640 ] && [ "$height" = 480 ] || fail "the program's window is ${width}x${height}"
  import -window root "$out/program.png"
  white=$(convert "$out/program.png" -crop "640x480+$x+$y" -fill black +opaque white -format "%[fx:int(mean*640*480)]" info:)
  corner=$(pixel "$out/program.png" $((x + 2)) $((y + 2)))
  echo "program window ${width}x${height} at $x,$y; corner $corner; $white white pixels"
  [ "$corner" = "0,0,0" ] || fail "the program's background is $corner, not black"
  [ "$white" -gt 1000 ] || fail "the program shows no circles ($white white pixels)"
  "$closer" "$title" || fail "could not send WM_DELETE_WINDOW to the program"
  for _ in $(seq 100); do
    kill -0 "$smoke_pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$smoke_pid" 2>/dev/null; then fail "the program did not end after WM_DELETE_WINDOW"; fi
  status=0
  wait "$smoke_pid" || status=$?
  smoke_pid=
  [ "$status" = 0 ] || fail "the program's exit code is $status"
  echo "xvfb_window: program OK (screenshot in $out/program.png)"
fi
