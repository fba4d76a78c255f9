#!/usr/bin/env bash
# tonegen_wine_can_start (cmake/wine_can_start.cmake), which decides whether
# a Windows tree's test programs are run, given loaders that start and
# loaders that do not. Usage: wine_can_start_test.sh CMAKE MODULE
set -euo pipefail
cmake=$1 module=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

cat >"$dir/probe.cmake" <<CMAKE
include("$module")
tonegen_wine_can_start("\${LOADER}" starts why)
message("\${starts}|\${why}")
CMAKE
probe() { "$cmake" -DLOADER="$1" -P "$dir/probe.cmake" 2>&1; }

# A program for a machine this kernel does not run, as the 32-bit loader is
# on a kernel without 32-bit support: an ELF file whose machine field (bytes
# 18-19) says ARM.
cp /bin/true "$dir/foreign-loader"
printf '\x28\x00' | dd of="$dir/foreign-loader" bs=1 seek=18 conv=notrunc status=none
printf '#!/bin/sh\nexit 1\n' >"$dir/failing-loader"
printf '#!/bin/sh\necho hello\n' >"$dir/other-program"
printf '#!/bin/sh\necho "wine-8.0 (Debian 8.0~repack-4)"\n' >"$dir/working-loader"
chmod +x "$dir"/*-loader "$dir/other-program"

failures=0
# loader | starts | words the reason must hold
while IFS='|' read -r loader expected reason; do
  result=$(probe "$dir/$loader")
  if [ "${result%%|*}" != "$expected" ] || [[ ${result#*|} != *"$reason"* ]]; then
    echo "FAIL $loader: got '$result', expected $expected with '$reason'"
    failures=$((failures + 1))
  else
    echo "ok   $loader: $result"
  fi
done <<'CASES'
foreign-loader|FALSE|Exec format error
missing-loader|FALSE|not found
failing-loader|FALSE|1
other-program|FALSE|not a wine version
working-loader|TRUE|
CASES

# This machine's own 64-bit loader starts wherever wine is installed.
if [ -x /usr/lib/wine/wine64 ]; then
  result=$(probe /usr/lib/wine/wine64)
  if [ "${result%%|*}" = TRUE ]; then
    echo "ok   /usr/lib/wine/wine64: $result"
  else
    echo "FAIL /usr/lib/wine/wine64: got '$result'"
    failures=$((failures + 1))
  fi
fi
exit $((failures > 0))
