#!/usr/bin/env bash
# Configures and builds one tree. Usage: build.sh DIR [cmake options...] [--target T...]
# A compiler cache (ccache) is used where it is installed.
set -euo pipefail
dir=$1; shift
options=() build=()
while [ $# -gt 0 ]; do
  if [ "$1" = --target ]; then build=("$@"); break; fi
  options+=("$1"); shift
done
if command -v ccache >/dev/null; then
  options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  # Paths below the clone are hashed relative to it, so that a clone in
  # another folder finds what an earlier one compiled.
  CCACHE_BASEDIR=$(cd "$(dirname "$0")/.." && pwd)
  export CCACHE_BASEDIR CCACHE_NOHASHDIR=1
fi
cmake -S "$(dirname "$0")/.." -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >/dev/null
cmake --build "$dir" -j2 "${build[@]}"
