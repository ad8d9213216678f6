#!/usr/bin/env bash
# The portable tests of both Windows builds under Wine (wine64 decides; wine32 runs where
# it installed), then the program itself under Wine and Xvfb. Timed, for CI's budget.
set -euo pipefail
t0=$SECONDS
bash scripts/install-wine.sh
echo "wine install: $((SECONDS - t0)) s"
t1=$SECONDS
bash scripts/wine-tests.sh
echo "wine tests: $((SECONDS - t1)) s"
t2=$SECONDS
bash scripts/wine-program.sh build/mingw64 build/default
echo "program under wine: $((SECONDS - t2)) s"
echo "wine steps: $((SECONDS - t0)) s in all"
