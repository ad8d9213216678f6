#!/usr/bin/env bash
# Wine from Debian's packages, for running the Windows builds here: wine64 always (it
# needs no second architecture); wine32 when the i386 architecture can be added and its
# package installs. Prints what it could not install and why; fails only without wine64.
set -euo pipefail
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

need=()
for p in wine64 xvfb xauth x11-utils xdotool; do installed "$p" || need+=("$p"); done
if ((${#need[@]})); then
  echo "Installing: ${need[*]}"
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

if ! installed wine32:i386; then
  log=$(mktemp)
  added=0
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
    added=1
  fi
  if $sudo apt-get update -qq >"$log" 2>&1 &&
     $sudo apt-get install -y -qq --no-install-recommends wine32:i386 >>"$log" 2>&1; then
    echo "wine32 installed"
  else
    echo "wine32 could NOT be installed, so the 32-bit build will not run under Wine. apt said:"
    tail -n 15 "$log" | sed 's/^/    /'
    # A half-synchronised i386 index would make every later apt-get update fail.
    if ((added)); then
      $sudo dpkg --remove-architecture i386 || true
      $sudo apt-get update -qq >/dev/null 2>&1 || true
    fi
  fi
  rm -f "$log"
fi
