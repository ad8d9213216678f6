#!/usr/bin/env bash
# The Windows build of the program under Wine and Xvfb, copied alone into an empty folder,
# as a new user would run it: its window "Zorvane Lumetra" must appear with a 640 x 480
# client area, still be running after a few seconds, and end with exit code 0 when asked
# to close the way a window manager does (WM_DELETE_WINDOW).
#   scripts/wine-program.sh [windows build dir] [linux build dir, for x11_close]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/mingw64}
linux=${2:-build/default}
wine=/usr/lib/wine/wine64
[ -f "$build/app/zorvane-lumetra.exe" ] || { echo "wine-program: build $build first" >&2; exit 1; }
closer=$linux/tests/e2e/x11_close
[ -x "$closer" ] || { echo "wine-program: no $closer (build the default preset)" >&2; exit 1; }
title="Zorvane Lumetra"
# Wine runs only under the machine's lock, for the whole check (some 15 seconds).
if command -v zlock >/dev/null && [ -z "${ZV_WINE_LOCKED:-}" ]; then
  exec env ZV_WINE_LOCKED=1 zlock bash "$0" "$build" "$linux"
fi

fail() { echo "wine-program: FAIL: $*" >&2; exit 1; }

work=$(mktemp -d)
mkdir "$work/alone"
cp "$build/app/zorvane-lumetra.exe" "$work/alone/"
export WINEPREFIX=$PWD/build/wine-prefix-program WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# shellcheck source=x_display.sh
source scripts/x_display.sh
start_xvfb "$work"
program_pid=
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
  stop_xvfb
  rm -rf "$work"
}
trap cleanup EXIT

started=$SECONDS
if [ ! -d "$WINEPREFIX/drive_c" ]; then
  "$wine" wineboot -i >/dev/null 2>&1 || true
  "$wine" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
    /v Debugger /t REG_SZ /d '' /f >/dev/null 2>&1
  echo "wine-program: prefix made in $((SECONDS - started)) s"
fi

(cd "$work/alone" && exec "$wine" zorvane-lumetra.exe) >"$work/program.log" 2>&1 &
program_pid=$!
for _ in $(seq 600); do
  xwininfo -name "$title" >"$work/xwininfo.txt" 2>/dev/null && break
  kill -0 "$program_pid" 2>/dev/null || fail "the program ended early: $(cat "$work/program.log")"
  sleep 0.1
done
window_geometry "$title" "$work/xwininfo.txt"
echo "wine-program: window after $((SECONDS - started)) s"
# Wine's X window of a top-level window is its client area.
[ "$width" = 640 ] && [ "$height" = 480 ] || fail "client area ${width} x ${height}, not 640 x 480"
echo "wine-program: window \"$title\" with a client area of $width x $height"

sleep 4
kill -0 "$program_pid" 2>/dev/null || fail "the program ended by itself: $(cat "$work/program.log")"
echo "wine-program: still running after 4 s"

"$closer" "$title" || fail "could not send WM_DELETE_WINDOW"
rc=
for _ in $(seq 300); do
  if ! kill -0 "$program_pid" 2>/dev/null; then
    rc=0
    wait "$program_pid" || rc=$?
    break
  fi
  sleep 0.1
done
[ -n "$rc" ] || fail "still running 30 s after WM_DELETE_WINDOW"
program_pid=
[ "$rc" = 0 ] || fail "exit code $rc after the close: $(cat "$work/program.log")"
echo "wine-program: closed through WM_DELETE_WINDOW, exit code 0 ($((SECONDS - started)) s in all)"
