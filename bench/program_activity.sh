#!/usr/bin/env bash
# shellcheck disable=SC2034,SC2154 # the harness reads E2E_ANALYSE; program.sh sets on_off and wid
# What the running Linux program costs: CPU and wake-ups, paused and playing.
#
# Starts the program in the end-to-end harness's private X server and sound
# server, answers the About box, and measures the program's process alone
# (every thread of it) over a fixed window, first while ON/OFF is pressed
# (paused, as it starts), then after it is released (the twenty tones play).
# The test signals stay off. Not a test: it prints figures and passes
# whatever they are.
#
#   CPU       user + system time of the process over the window, in % of one core
#   wake-ups  the times its threads were put on a core, per second
#             (/proc/PID/task/*/schedstat, second field of the three is the
#             time waited, the third the number of runs); voluntary context
#             switches (/proc/PID/task/*/status) are shown beside them
#
# Usage: bench/program_activity.sh TONEGEN [SECONDS (10)] [SETTLE_SECONDS (3)]
# (the analysis tool of the same build tree tells where ON/OFF is)
set -uo pipefail
program=$(realpath "$1")
window=${2:-10}
settle=${3:-3}
here=$(cd "$(dirname "$0")" && pwd)
E2E_ANALYSE=$(dirname "$program")/../../../tests/e2e/analyse_recording
# shellcheck source=../tests/e2e/harness.sh
source "$here/../tests/e2e/harness.sh"
e2e_begin program_activity
# shellcheck source=../tests/e2e/qt.sh
source "$E2E_LIB_DIR/qt.sh"
# shellcheck source=../tests/e2e/program.sh
source "$E2E_LIB_DIR/program.sh"
load_program_facts
app_begin "$program"

clock_ticks=$(getconf CLK_TCK)

# Sums over the live threads of PID: "runs voluntary_switches cpu_ticks".
snapshot() {
  local pid=$1 runs=0 switches=0 task s ticks stat
  for task in /proc/"$pid"/task/*; do
    read -r _ _ s <"$task/schedstat" 2>/dev/null || continue
    runs=$((runs + s))
    s=$(sed -n 's/^voluntary_ctxt_switches:[[:space:]]*//p' "$task/status" 2>/dev/null)
    switches=$((switches + ${s:-0}))
  done
  stat=$(<"/proc/$pid/stat")
  stat=${stat##*) }
  # Fields after the command: state is 3, utime 14, stime 15 (counted from 1).
  read -r -a f <<<"$stat"
  ticks=$((f[11] + f[12]))
  echo "$runs $switches $ticks"
}

measure() {
  local label=$1 a b start end threads
  read -r -a a < <(snapshot "$E2E_APP_PID")
  start=$(e2e_now)
  sleep "$window"
  read -r -a b < <(snapshot "$E2E_APP_PID")
  end=$(e2e_now)
  threads=$(ls /proc/"$E2E_APP_PID"/task | wc -l)
  awk -v label="$label" -v us=$((end - start)) -v runs=$((b[0] - a[0])) -v sw=$((b[1] - a[1])) \
    -v ticks=$((b[2] - a[2])) -v hz="$clock_ticks" -v threads="$threads" 'BEGIN {
      s = us / 1e6
      printf "%-8s CPU %6.2f %% of a core   wake-ups %7.1f /s   voluntary switches %7.1f /s   threads %d   (%.1f s)\n",
        label, 100 * ticks / hz / s, runs / s, sw / s, threads, s
    }'
}

e2e_start_xvfb
e2e_start_pulse
start_program
sleep "$settle"
measure paused
click_control "$on_off"
sleep "$settle"
measure playing
e2e_close_window "$wid" || e2e_fail "cannot send WM_DELETE_WINDOW"
e2e_wait_exit "$E2E_APP_PID" 5 || e2e_fail "still running 5 s after WM_DELETE_WINDOW"
