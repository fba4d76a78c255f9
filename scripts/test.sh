#!/usr/bin/env bash
# Builds everything and runs every test: the core's unit and simulation
# tests (also under AddressSanitizer and UndefinedBehaviorSanitizer), and the
# end-to-end tests of the real program under a private X server and sound
# server.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

echo "== sanitizer build of the core tests"
bash scripts/build.sh build-asan -DTONEGEN_QT=OFF -DTONEGEN_BENCH=OFF -DTONEGEN_SANITIZE=ON -DTONEGEN_WERROR=ON
(cd build-asan && ctest --output-on-failure -L 'unit|sim')

echo "== Linux build and every test"
bash scripts/build.sh build -DTONEGEN_WERROR=ON
cd build
ctest --output-on-failure
