#!/usr/bin/env bash
# Builds everything and runs every test: the core's unit and simulation
# tests under AddressSanitizer and UndefinedBehaviorSanitizer (a clang tree
# that also links the fuzz targets, which replay their seeds and explore a
# few seconds each), the Windows programs for x64 and x86 (their tests under
# wine; the x86 ones only where the machine starts 32-bit programs), and the
# Linux program with every test, the end-to-end runs of all three programs
# under a private X server and sound server among them.
#
# At its end it prints each phase's time and the ten slowest tests, and it
# fails when the whole run took more than an hour, so that creeping cost
# shows long before CI's limit. TONEGEN_FUZZ_SECONDS sets each fuzz
# target's exploration (default 5).
set -euo pipefail
cd "$(dirname "$0")/.."
timings=$(mktemp -d)
trap 'rm -rf "$timings"' EXIT

phases=()
# phase NAME COMMAND...: runs COMMAND, its time written down under NAME.
phase() {
  local name=$1 start=$SECONDS
  shift
  echo "== $name"
  "$@"
  phases+=("$(printf '%5d s  %s' $((SECONDS - start)) "$name")")
}

# ctest_in TREE ARGS...: the tree's tests, their times kept for the summary.
ctest_in() {
  local tree=$1
  shift
  (cd "$tree" && ctest --output-on-failure "$@") | tee "$timings/$tree.log"
  return "${PIPESTATUS[0]}"
}

phase "set-up: packages" bash scripts/setup.sh test

# A whole run from a fresh clone takes about 4 GB at its peak: the build
# trees and the wine prefixes of the Windows trees' tests, whose copies are
# links to the same files. A disk that fills up half way fails dozens of
# tests with "No space left on device" half an hour later, so a short one is
# said now instead. Trees already built count towards what is needed.
free_kb() { df -Pk "$1" | awk 'NR == 2 { print $4 }'; }
tmp_dir=${TMPDIR:-/tmp}
built_kb=$({ du -sk build build-asan build-win64 build-win32 2>/dev/null || true; } | awk '{ s += $1 } END { print s + 0 }')
need_kb=$((4 * 1024 * 1024 - built_kb))
if [ "$(stat -c %d .)" != "$(stat -c %d "$tmp_dir")" ] && [ "$(free_kb "$tmp_dir")" -lt $((512 * 1024)) ]; then
  echo "test.sh: $tmp_dir has $(($(free_kb "$tmp_dir") / 1024)) MB free; the end-to-end runs need 512 MB there" >&2
  exit 1
fi
if [ "$need_kb" -gt 0 ] && [ "$(free_kb .)" -lt "$need_kb" ]; then
  echo "test.sh: $PWD has $(($(free_kb .) / 1024)) MB free; the build trees and tests need $((need_kb / 1024)) MB free there" >&2
  exit 1
fi

# The sanitizer tree builds what its tests and the fuzzers run, nothing of
# the programs.
sanitized=(tonegen_unit_tests tonegen_sim_tests tonegen_recording_tests tonegen_contract_sim
  tonegen_wave_out_contract_sim)
phase "sanitizer tree (clang, ASan and UBSan): build" \
  env CXX=clang++ bash scripts/build.sh build-asan -DTONEGEN_BENCH=OFF -DTONEGEN_SANITIZE=ON -DTONEGEN_FUZZ=ON \
  -DTONEGEN_WERROR=ON --target "${sanitized[@]}"
phase "sanitizer tree: unit and simulation tests" ctest_in build-asan -j2 -L 'unit|sim'
phase "fuzzing: each target's seeds replayed, then ${TONEGEN_FUZZ_SECONDS:-5} s of exploration" \
  bash tests/fuzz/fuzz.sh build-asan "${TONEGEN_FUZZ_SECONDS:-5}"

# Each tree's tests run two at a time where they can: most of them wait on
# wine, a window or sound in real time.
phase "Windows x64 tree: build" bash scripts/build.sh build-win64 \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-x86_64-w64-mingw32.cmake" -DTONEGEN_WERROR=ON
phase "Windows x64 tree: tests under wine" ctest_in build-win64 -j2
phase "Windows x86 tree: build" bash scripts/build.sh build-win32 \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-i686-w64-mingw32.cmake" -DTONEGEN_WERROR=ON
# The configure step found out whether this machine starts 32-bit programs;
# where it does not, the x86 tree registers only the checks of its files.
if grep -qx 'TONEGEN_WINE_RUNS:INTERNAL=TRUE' build-win32/CMakeCache.txt; then
  x86_tested="the x86 tree's tests under wine and the x86 program end to end (32-bit programs start here)"
  win32_exe="$PWD/build-win32/src/platform/win32/tonegen.exe"
  win32_probe="$PWD/build-win32/tests/win32/tonegen_e2e_probe.exe"
else
  why="the kernel does not start them"
  dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'ok installed' || why="32-bit wine is not installed"
  x86_tested="only the checks of the x86 tree's built files (32-bit programs cannot start here: $why)"
  win32_exe='' win32_probe=''
fi
phase "Windows x86 tree: tests ($x86_tested)" ctest_in build-win32 -j2
phase "Linux tree: build" bash scripts/build.sh build -DTONEGEN_WERROR=ON \
  -DTONEGEN_WIN64_EXE="$PWD/build-win64/src/platform/win32/tonegen.exe" \
  -DTONEGEN_WIN64_PROBE="$PWD/build-win64/tests/win32/tonegen_e2e_probe.exe" \
  -DTONEGEN_WIN32_EXE="$win32_exe" -DTONEGEN_WIN32_PROBE="$win32_probe"
phase "Linux tree: every test, the end-to-end runs of all programs among them" ctest_in build -j2

echo
echo "== where the time went"
printf '%s\n' "${phases[@]}"
printf '%5d s  in all\n' "$SECONDS"
echo "== the ten slowest tests"
# awk reads to the end: a reader that stops early (head) would end sort with
# SIGPIPE, which pipefail makes the script's status.
sed -n 's/^ *[0-9]*\/[0-9]* *Test *#[0-9]*: \([^ ]*\) .* \([0-9.]*\) sec$/\2 \1/p' "$timings"/*.log |
  sort -rn | awk 'NR <= 10 { printf "%7.1f s  %s\n", $1, $2 }'
if ((SECONDS > 3600)); then
  echo "test.sh: the whole run took $((SECONDS / 60)) minutes, more than the hour it may take" >&2
  exit 1
fi
echo "== every test passed; x86: $x86_tested"
