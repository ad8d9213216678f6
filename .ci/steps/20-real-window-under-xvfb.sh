#!/usr/bin/env bash
# A real window through SDL2 under Xvfb: the window test program and the program itself,
# checked on screenshots and closed through the window manager's protocol.
set -euo pipefail
bash tests/e2e/xvfb_window.sh build/default
