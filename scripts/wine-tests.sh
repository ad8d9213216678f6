#!/usr/bin/env bash
# The portable tests of the Windows builds under Wine, in one X display (Xvfb).
#   scripts/wine-tests.sh            the 64-bit build (build/mingw64) under wine64, and the
#                                    32-bit one (build/mingw) where wine32 is installed
#   scripts/wine-tests.sh 64|32      one of them
# Each test program runs once, with the tests in tests/wine-skips.txt filtered out. Ends
# non-zero when a test fails in a run that happened; a 32-bit run that cannot happen
# (no wine32) is reported and does not fail.
set -euo pipefail
cd "$(dirname "$0")/.."
bits=${1:-all}
lock=()
command -v zlock >/dev/null && lock=(zlock)

skips=$(sed -e 's/#.*//' -e 's/[[:space:]]//g' tests/wine-skips.txt | { grep -v '^$' || true; } | paste -sd: -)
filter="-${skips:-NONE}"

# run_build <bits> <build dir> <wine loader>
run_build() {
  local bits=$1 build=$2 wine=$3
  local prefix=$PWD/build/wine-prefix-$bits started=$SECONDS
  mapfile -t programs < <(find "$build/tests" -name '*_tests.exe' | sort)
  if ((${#programs[@]} == 0)); then
    echo "wine-tests: no test programs in $build (build the preset first)" >&2
    return 1
  fi
  export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -d "$prefix/drive_c" ]; then
    "${lock[@]}" "$wine" wineboot -i >/dev/null 2>&1 || true
    # A crash ends the program with its code instead of waiting in a debugger.
    "${lock[@]}" "$wine" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
      /v Debugger /t REG_SZ /d '' /f >/dev/null 2>&1
    echo "wine-tests: prefix $prefix made in $((SECONDS - started)) s"
  fi
  local passed=0 failed=0 broken=0
  for exe in "${programs[@]}"; do
    local name log
    name=$(basename "$exe" .exe)
    log=$build/wine-$name.log
    local t0=$SECONDS rc=0
    # The test data lies beside the sources, reached through Wine's Z: drive.
    (cd "$build" && "${lock[@]}" timeout 900 "$wine" "$PWD/${exe#"$build"/}" \
       --gtest_filter="$filter" --gtest_color=no) >"$log" 2>&1 || rc=$?
    local p f
    p=$(grep -c '^\[       OK \]' "$log" || true)
    f=$(grep -c '^\[  FAILED  \] .*(' "$log" || true)
    passed=$((passed + p))
    failed=$((failed + f))
    if ((rc != 0 && f == 0)); then
      broken=$((broken + 1))
      echo "wine$bits: $name ended with code $rc before finishing; its last lines:"
      tail -n 20 "$log" | sed 's/^/    /'
    fi
    printf 'wine%s: %-26s %4d passed, %d failed (%d s)\n' "$bits" "$name" "$p" "$f" $((SECONDS - t0))
    ((f == 0)) || grep -E '^\[  FAILED  \] .*\(' "$log" | sed 's/^/    /'
  done
  echo "wine$bits: $passed passed, $failed failed in $((SECONDS - started)) s"
  ((failed == 0 && broken == 0))
}

status=0
run() {
  local bits=$1 build=$2 wine=$3
  if [ ! -x "$wine" ]; then
    if [ "$bits" = 32 ]; then
      echo "wine-tests: the 32-bit run did NOT happen: wine32 is not installed ($wine missing)."
      return 0
    fi
    echo "wine-tests: $wine missing: install it with scripts/install-wine.sh" >&2
    status=1
    return 0
  fi
  run_build "$bits" "$build" "$wine" || status=1
}

# One X server for every run: Direct3D and windows need a display.
if [ -z "${ZV_WINE_DISPLAY_READY:-}" ]; then
  exec env ZV_WINE_DISPLAY_READY=1 xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
    bash "$0" "$@"
fi
case $bits in
  64) run 64 build/mingw64 /usr/lib/wine/wine64 ;;
  32) run 32 build/mingw /usr/lib/wine/wine ;;
  all)
    run 64 build/mingw64 /usr/lib/wine/wine64
    run 32 build/mingw /usr/lib/wine/wine
    ;;
  *) echo "usage: $0 [64|32]" >&2; exit 2 ;;
esac
exit $status
