#!/usr/bin/env bash
# Builds everything and runs every test: the core's unit and simulation
# tests (also under AddressSanitizer and UndefinedBehaviorSanitizer), a short
# fuzzing run of the parsers where clang is present, the Windows programs for
# x64 and x86 (their tests under wine; the x86 ones only where the machine
# starts 32-bit programs), and the end-to-end tests of the real programs under
# a private X server and sound server.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh test

# A whole run from a fresh clone takes about 7.5 GB: 6.2 GB of build trees
# (the two Windows ones hold their tests' wine prefixes, 1.3 GB each) and
# 1.3 GB in TMPDIR for the prefix of the end-to-end run under way. A disk
# that fills up half way fails dozens of tests with "No space left on
# device" half an hour later, so a short one is said now instead. Trees
# already built count towards what is needed.
free_kb() { df -Pk "$1" | awk 'NR == 2 { print $4 }'; }
tmp_dir=${TMPDIR:-/tmp}
built_kb=$({ du -sk build build-asan build-fuzz build-win64 build-win32 2>/dev/null || true; } | awk '{ s += $1 } END { print s + 0 }')
need_kb=$((8 * 1024 * 1024 - built_kb))
if [ "$(stat -c %d .)" != "$(stat -c %d "$tmp_dir")" ]; then
  need_kb=$((need_kb - 1536 * 1024))
  if [ "$(free_kb "$tmp_dir")" -lt $((1536 * 1024)) ]; then
    echo "test.sh: $tmp_dir has $(($(free_kb "$tmp_dir") / 1024)) MB free; the end-to-end runs need 1.5 GB there" >&2
    exit 1
  fi
fi
if [ "$need_kb" -gt 0 ] && [ "$(free_kb .)" -lt "$need_kb" ]; then
  echo "test.sh: $PWD has $(($(free_kb .) / 1024)) MB free; the build trees and tests need $((need_kb / 1024)) MB free there" >&2
  exit 1
fi

echo "== sanitizer build of the core tests"
bash scripts/build.sh build-asan -DTONEGEN_QT=OFF -DTONEGEN_BENCH=OFF -DTONEGEN_SANITIZE=ON -DTONEGEN_WERROR=ON
(cd build-asan && ctest --output-on-failure -L 'unit|sim')

echo "== fuzzing the parsers with libFuzzer (clang), 30 s each"
bash tests/fuzz/fuzz.sh build-fuzz 30

echo "== Windows x64 build (mingw-w64) and its tests under wine"
bash scripts/build.sh build-win64 -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-x86_64-w64-mingw32.cmake" -DTONEGEN_WERROR=ON
(cd build-win64 && ctest --output-on-failure -j2)

echo "== Windows x86 build (mingw-w64)"
bash scripts/build.sh build-win32 -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-i686-w64-mingw32.cmake" -DTONEGEN_WERROR=ON
# The configure step found out whether this machine starts 32-bit programs;
# where it does not, the x86 tree registers only the checks of its files.
if grep -qx 'TONEGEN_WINE_RUNS:INTERNAL=TRUE' build-win32/CMakeCache.txt; then
  x86_tested="the x86 tree's tests under wine and the x86 program end to end (32-bit programs start here)"
  win32_exe="$PWD/build-win32/src/platform/win32/tonegen.exe"
  win32_probe="$PWD/build-win32/tests/win32/tonegen_e2e_probe.exe"
else
  x86_tested="only the checks of the x86 tree's built files (32-bit programs cannot start here)"
  win32_exe='' win32_probe=''
fi
echo "== x86: $x86_tested"
(cd build-win32 && ctest --output-on-failure -j2)

echo "== Linux build and every test, the Windows programs' end-to-end tests under wine among them"
bash scripts/build.sh build -DTONEGEN_WERROR=ON \
  -DTONEGEN_WIN64_EXE="$PWD/build-win64/src/platform/win32/tonegen.exe" \
  -DTONEGEN_WIN64_PROBE="$PWD/build-win64/tests/win32/tonegen_e2e_probe.exe" \
  -DTONEGEN_WIN32_EXE="$win32_exe" -DTONEGEN_WIN32_PROBE="$win32_probe"
(cd build && ctest --output-on-failure)
echo "== every test passed; x86: $x86_tested"
