# What the scripts that run a program in an X display of their own share; sourced, not
# run. The sourcing script defines fail <message>.

# start_xvfb <dir>: starts Xvfb on a display it picks itself (its number comes through
# fd 5; its log is <dir>/xvfb.log), exports DISPLAY and sets xvfb_pid.
start_xvfb() {
  local dir=$1 display=
  rm -f "$dir/display"
  Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$dir/display" 2>"$dir/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 200); do
    display=$(cat "$dir/display" 2>/dev/null || true)
    [ -n "$display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb did not start"
    sleep 0.05
  done
  [ -n "$display" ] || fail "Xvfb gave no display"
  export DISPLAY=:$display
}

stop_xvfb() {
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
}

# window_geometry <title> <file>: the window's xwininfo into <file>; sets width, height
# and the absolute x and y of its upper-left corner.
window_geometry() {
  xwininfo -name "$1" >"$2" 2>&1 || fail "no window titled $1"
  width=$(awk '/Width:/ {print $2}' "$2")
  height=$(awk '/Height:/ {print $2}' "$2")
  x=$(awk '/Absolute upper-left X:/ {print $4}' "$2")
  y=$(awk '/Absolute upper-left Y:/ {print $4}' "$2")
}
