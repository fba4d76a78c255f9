#!/usr/bin/env bash
# tonegen on a machine without a desktop: a private X server and a private
# sound server with a null sink, the program started and switched on, five
# seconds of what it plays recorded to out/tonegen-demo.wav, a screenshot in
# out/tonegen-demo.png, the tones measured in the recording printed, and the
# program closed as a window manager closes it.
#
# Usage: demo.sh [TONEGEN]   (default build/src/platform/qt/tonegen; a name
# without a slash, such as tonegen once it is installed, is looked up in PATH)
# TONEGEN_ANALYSE names the analysis tool when it is not in build/;
# TONEGEN_DEMO_OUT the folder for the results instead of out/.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
given=${1:-$root/build/src/platform/qt/tonegen}
if [[ $given != */* ]]; then
  given=$(command -v "$given") || {
    echo "demo.sh: no $1 in PATH" >&2
    exit 1
  }
fi
program=$(realpath -e "$given") || {
  echo "demo.sh: no program at $given; build it first (scripts/build.sh build)" >&2
  exit 1
}
out=${TONEGEN_DEMO_OUT:-$root/out}
mkdir -p "$out"

# The recording is measured by the end-to-end tests' analysis tool; a build
# without the tests gets it from a small tree of its own.
E2E_ANALYSE=${TONEGEN_ANALYSE:-}
for candidate in "$root/build/tests/e2e/analyse_recording" "$root/build-demo-tools/tests/e2e/analyse_recording"; do
  if [ -z "$E2E_ANALYSE" ] && [ -x "$candidate" ]; then E2E_ANALYSE=$candidate; fi
done
if [ -z "$E2E_ANALYSE" ]; then
  echo "demo.sh: building the recording analysis tool in build-demo-tools/" >&2
  if ! cmake -S "$root" -B "$root/build-demo-tools" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTONEGEN_QT=OFF -DTONEGEN_TESTS=OFF -DTONEGEN_BENCH=OFF >/dev/null ||
    ! cmake --build "$root/build-demo-tools" --target analyse_recording -j2 >/dev/null; then
    echo "demo.sh: cannot build the analysis tool" >&2
    exit 1
  fi
  E2E_ANALYSE="$root/build-demo-tools/tests/e2e/analyse_recording"
fi

# shellcheck source=../tests/e2e/harness.sh
source "$root/tests/e2e/harness.sh"
e2e_begin demo "$out/demo-logs"
# The titles and where ON/OFF is, from the core (as the end-to-end scenarios
# have them).
# shellcheck source=../tests/e2e/program.sh
source "$root/tests/e2e/program.sh"
load_program_facts
find_control "$on_off"

readonly demo_seconds=5
rec="$E2E_RUN/demo.raw"

# The About box the program shows at every start is closed with "OK".
dismiss_start_up_windows() {
  local box
  box=$(e2e_about_box 20) || e2e_fail "the About box did not appear"
  e2e_about_ok "$box"
}

e2e_start_xvfb
e2e_start_pulse
e2e_record_start "$rec"

e2e_launch tonegen "$program"
dismiss_start_up_windows
wid=$(e2e_find_window "$main_title" 20) || e2e_fail "the main window did not appear"
e2e_log "main window $wid, client area $(e2e_client_size "$wid")"

e2e_click "$wid" $((cx + cw / 2)) $((cy + ch / 2))
e2e_log "ON/OFF released"
first=
for ((i = 0; i < 200; i++)); do
  first=$(e2e_analyse info "$rec" | sed -n 's/^first_sound=//p')
  [ -n "$first" ] && break
  sleep 0.05
done
[ -n "$first" ] || e2e_fail "no sound 10 s after ON/OFF was released"
e2e_record_until "$rec" $((first + demo_seconds * 44100 + 4410))
e2e_screenshot "$out/tonegen-demo.png" "$wid" >/dev/null

e2e_close_window "$wid" || e2e_fail "cannot ask the window to close"
e2e_wait_exit "$E2E_APP_PID" 5 || e2e_fail "the program did not exit within 5 s of the close request"
e2e_log "closed; exit code $E2E_EXIT_CODE"
e2e_record_stop

e2e_analyse wav "$rec" "$out/tonegen-demo.wav" --from-sound 0 --seconds $demo_seconds >/dev/null ||
  e2e_fail "cannot write $out/tonegen-demo.wav"
echo
echo "Tones measured in the recording (4 s from 0.5 s after the first sound):"
e2e_analyse peaks "$rec" --from-sound 0.5 --seconds 4 --threshold -60 | sed 1d
echo
echo "recording:  $out/tonegen-demo.wav ($demo_seconds s, mono 16-bit 44100 Hz)"
echo "screenshot: $out/tonegen-demo.png"
[ "$E2E_EXIT_CODE" -eq 0 ] || e2e_fail "the program exited with code $E2E_EXIT_CODE"
