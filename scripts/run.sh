#!/usr/bin/env bash
# Builds tonegen and runs it. On a desktop it simply starts the program; on a
# machine without one it runs the headless demo (private X server and sound
# server, a recording and a screenshot in out/).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh run
# A new tree builds the programs alone; one that scripts/test.sh made keeps
# its tests configured, and only the programs are built here.
options=()
[ -f build/CMakeCache.txt ] || options=(-DTONEGEN_TESTS=OFF -DTONEGEN_BENCH=OFF)
bash scripts/build.sh build "${options[@]}" --target tonegen tonegen-render analyse_recording
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec build/src/platform/qt/tonegen
fi
exec bash scripts/demo.sh build/src/platform/qt/tonegen
