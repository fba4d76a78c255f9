#!/usr/bin/env bash
# Fuzzes every target for a while with libFuzzer (clang), AddressSanitizer and
# UndefinedBehaviorSanitizer: each first replays its checked-in seeds, then
# explores from them.
# Usage: fuzz.sh BUILD_DIR [SECONDS_EACH]   (default 30)
# BUILD_DIR is made a clang tree with TONEGEN_FUZZ=ON (scripts/test.sh hands
# it its sanitizer tree, whose tests then share the fuzz targets' objects).
#
# New inputs libFuzzer finds go to a scratch folder, not into the seeds. A
# crash or failed check stops the run; its input is kept in BUILD_DIR/crashes
# and belongs in tests/fuzz/seeds/<target>/ once the fault is mended.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$1
seconds=${2:-30}

if ! command -v clang++ >/dev/null; then
  echo "fuzz.sh: no clang++ here; the seeds still run as tests in every build" >&2
  exit 0
fi

CXX=clang++ bash "$root/scripts/build.sh" "$build" -DTONEGEN_FUZZ=ON -DTONEGEN_BENCH=OFF --target wave_file_fuzz
targets=(wave_file bitmap_file number_text about_layout setup_text command_line)
grep -q '^TONEGEN_QT:BOOL=ON' "$build/CMakeCache.txt" && targets+=(qt_field)
cmake --build "$build" -j2 --target "${targets[@]/%/_fuzz}"

mkdir -p "$build/crashes"
# fuzz_one NAME: one target's seeds, then its exploration, with a log of its
# own and its exit status written beside it.
fuzz_one() {
  local name=$1 scratch leaks=1 status=0
  scratch=$(mktemp -d)
  # Qt and fontconfig keep caches for the life of the process, which the
  # leak check would report on every run.
  [ "$name" = qt_field ] && leaks=0
  ASAN_OPTIONS=detect_leaks=$leaks QT_QPA_PLATFORM=offscreen "$build/tests/fuzz/${name}_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
    -detect_leaks=$leaks \
    -artifact_prefix="$build/crashes/${name}-" "$scratch" "$here/seeds/$name" 2>"$build/fuzz-$name.log" || status=$?
  rm -rf "$scratch"
  echo "$status" >"$build/fuzz-$name.status"
}

# Two targets at a time, one per core.
echo "== fuzzing ${targets[*]}: $seconds s each, two at a time"
for name in "${targets[@]}"; do
  rm -f "$build/fuzz-$name.status"
  while (($(jobs -rp | wc -l) >= 2)); do wait -n || true; done
  fuzz_one "$name" &
done
wait

# Each target's numbers in the order of the list; the first that failed
# stops the run.
for name in "${targets[@]}"; do
  if [ "$(cat "$build/fuzz-$name.status" 2>/dev/null)" != 0 ]; then
    tail -n 40 "$build/fuzz-$name.log" >&2
    echo "fuzz.sh: $name failed; the input is in $build/crashes/" >&2
    exit 1
  fi
  echo "  $name:"
  grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$build/fuzz-$name.log" | sed "s/^/    /"
done
