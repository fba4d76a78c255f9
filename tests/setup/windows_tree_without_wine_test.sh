#!/usr/bin/env bash
# A Windows tree configured where wine cannot start its programs (as the x86
# tree is on a machine whose kernel runs no 32-bit programs, or where 32-bit
# wine could not be installed) registers only the checks of its built files:
# nothing that would need wine, not even to list a program's tests.
# Usage: windows_tree_without_wine_test.sh SOURCE_DIR TOOLCHAIN_FILE
set -uo pipefail
source_dir=$1 toolchain=$2
triplet=$(basename "$toolchain" .cmake)
command -v "${triplet#toolchain-}-g++-posix" >/dev/null || {
  echo "no cross compiler for $toolchain here"
  exit 77
}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cmake -S "$source_dir" -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DTONEGEN_WINE_LOADER=/nonexistent/wine >"$dir.log" 2>&1 || { cat "$dir.log"; rm -f "$dir.log"; exit 1; }
rm -f "$dir.log"
grep -qx 'TONEGEN_WINE_RUNS:INTERNAL=FALSE' "$dir/CMakeCache.txt" || { echo "FAIL the tree thinks wine starts"; exit 1; }
# Nothing is built: a test registered through discovery would have to run a
# program that is not there, and ctest would fail to list it.
listing=$(cd "$dir" && ctest -N 2>&1) || { echo "FAIL ctest cannot list the tests:"; echo "$listing"; exit 1; }
tests=$(sed -n 's/^ *Test *#[0-9]*: //p' <<<"$listing")
others=$(grep -v '^x86\.files\.' <<<"$tests")
if [ -z "$tests" ] || [ -n "$others" ]; then
  echo "FAIL expected only x86.files.* checks; registered: $(tr '\n' ' ' <<<"$tests")"
  exit 1
fi
echo "ok   only the files' checks: $(tr '\n' ' ' <<<"$tests")"
# The default build makes what those checks look at, and no test program.
built=$(ninja -C "$dir" -t commands 2>&1) || { echo "FAIL ninja cannot list the build:"; echo "$built"; exit 1; }
grep -q 'tonegen\.exe' <<<"$built" || { echo "FAIL the default build makes no tonegen.exe"; exit 1; }
if grep -Eo '(tonegen_[a-z0-9_]*tests?|tonegen_contract_win32|tonegen_e2e_probe)\.exe' <<<"$built" | sort -u | grep .; then
  echo "FAIL the default build makes the test programs above, which nothing here runs"
  exit 1
fi
echo "ok   the default build makes the programs and no test program"
