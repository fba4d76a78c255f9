#!/usr/bin/env bash
# Builds everything and runs every test: the core's unit and simulation
# tests (also under AddressSanitizer and UndefinedBehaviorSanitizer), a short
# fuzzing run of the parsers where clang is present, the
# Windows programs for x64 (their tests under wine) and x86, and the
# end-to-end tests of the real program under a private X server and sound
# server.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

echo "== sanitizer build of the core tests"
bash scripts/build.sh build-asan -DTONEGEN_QT=OFF -DTONEGEN_BENCH=OFF -DTONEGEN_SANITIZE=ON -DTONEGEN_WERROR=ON
(cd build-asan && ctest --output-on-failure -L 'unit|sim')

echo "== fuzzing the parsers with libFuzzer (clang), 30 s each"
bash tests/fuzz/fuzz.sh build-fuzz 30

echo "== Windows x64 build (mingw-w64) and its tests under wine"
bash scripts/build.sh build-win64 -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-x86_64-w64-mingw32.cmake" -DTONEGEN_WERROR=ON
(cd build-win64 && ctest --output-on-failure -j2)

echo "== Windows x86 build (mingw-w64); 32-bit programs cannot start here, so only its files are checked"
bash scripts/build.sh build-win32 -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-i686-w64-mingw32.cmake" -DTONEGEN_WERROR=ON
(cd build-win32 && ctest --output-on-failure -L files)

echo "== Linux build and every test, the x64 Windows program's end-to-end tests under wine among them"
bash scripts/build.sh build -DTONEGEN_WERROR=ON \
  -DTONEGEN_WIN64_EXE="$PWD/build-win64/src/platform/win32/tonegen.exe" \
  -DTONEGEN_WIN64_PROBE="$PWD/build-win64/tests/win32/tonegen_e2e_probe.exe"
cd build
ctest --output-on-failure
