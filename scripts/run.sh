#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default
cmake --build --preset default
program=build/default/app/zorvane-lumetra
if [ -x "$program" ]; then
  exec "$program"
else
  echo "Built the runtime and its tests; the program itself is not part of the build yet."
fi
