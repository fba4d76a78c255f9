#!/usr/bin/env bash
# shellcheck disable=SC2034,SC2154 # the harness reads E2E_ANALYSE; program.sh sets on_off and wid
# What the running Linux program costs: CPU, wake-ups and memory, paused,
# playing, and with a test signal beside the tones.
#
# Starts the program in the end-to-end harness's private X server and sound
# server, answers the About box, and measures the program's process alone
# (every thread of it) over a fixed window, first while ON/OFF is pressed
# (paused, as it starts), then after it is released (the twenty tones play),
# then with the sweep playing as well. Before it, a bare Qt Widgets window
# with the same controls (tonegen_qt_window_baseline, built in the same tree)
# is started on the same display and its memory read: the floor the
# program's own is set beside. Not a test: it prints figures and passes
# whatever they are.
#
#   CPU       user + system time of the process over the window, in % of one core
#   wake-ups  the times its threads were put on a core, per second
#             (/proc/PID/task/*/schedstat, second field of the three is the
#             time waited, the third the number of runs); voluntary context
#             switches (/proc/PID/task/*/status) are shown beside them
#   memory    resident set (VmRSS) and proportional set (Pss: shared pages
#             split among the processes that map them), read at the end of
#             the window
#
# Usage: bench/program_activity.sh TONEGEN [SECONDS (10)] [SETTLE_SECONDS (3)]
# (the analysis tool of the same build tree tells where ON/OFF is; the
# baseline window is looked for in that tree's bench folder)
set -uo pipefail
program=$(realpath "$1")
window=${2:-10}
settle=${3:-3}
here=$(cd "$(dirname "$0")" && pwd)
E2E_ANALYSE=$(dirname "$program")/../../../tests/e2e/analyse_recording
baseline=$(dirname "$program")/../../../bench/tonegen_qt_window_baseline
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

# "RSS Pss" of PID in MB.
memory() {
  awk '/^VmRSS:/ { rss = $2 } END { printf "%.1f ", rss / 1024 }' "/proc/$1/status"
  awk '/^Pss:/ { pss = $2 } END { printf "%.1f\n", pss / 1024 }' "/proc/$1/smaps_rollup"
}

measure() {
  local label=$1 a b start end threads mem
  read -r -a a < <(snapshot "$E2E_APP_PID")
  start=$(e2e_now)
  sleep "$window"
  read -r -a b < <(snapshot "$E2E_APP_PID")
  end=$(e2e_now)
  threads=$(ls /proc/"$E2E_APP_PID"/task | wc -l)
  read -r -a mem < <(memory "$E2E_APP_PID")
  awk -v label="$label" -v us=$((end - start)) -v runs=$((b[0] - a[0])) -v sw=$((b[1] - a[1])) \
    -v ticks=$((b[2] - a[2])) -v hz="$clock_ticks" -v threads="$threads" -v rss="${mem[0]}" -v pss="${mem[1]}" 'BEGIN {
      s = us / 1e6
      printf "%-8s CPU %6.2f %% of a core   wake-ups %7.1f /s   voluntary switches %7.1f /s   threads %d   RSS %5.1f MB   Pss %5.1f MB   (%.1f s)\n",
        label, 100 * ticks / hz / s, runs / s, sw / s, threads, rss, pss, s
    }'
}

e2e_start_xvfb
e2e_start_pulse

if [ -x "$baseline" ]; then
  e2e_launch baseline "$baseline"
  base_wid=$(e2e_find_window "tonegen baseline window" 20) || e2e_fail "the baseline window did not show"
  sleep "$settle"
  read -r -a mem < <(memory "$E2E_APP_PID")
  printf '%-8s RSS %5.1f MB   Pss %5.1f MB   (a bare Qt Widgets window with the same controls)\n' baseline "${mem[@]}"
  e2e_close_window "$base_wid" || e2e_fail "cannot close the baseline window"
  e2e_wait_exit "$E2E_APP_PID" 5 || e2e_fail "the baseline window still runs 5 s after WM_DELETE_WINDOW"
else
  e2e_log "no baseline window at $baseline (built with the bench in a Linux tree)"
fi

start_program
sleep "$settle"
measure paused
click_control "$on_off"
sleep "$settle"
measure playing
click_control "$sweep_toggle"
sleep "$settle"
measure sweep
e2e_close_window "$wid" || e2e_fail "cannot send WM_DELETE_WINDOW"
e2e_wait_exit "$E2E_APP_PID" 5 || e2e_fail "still running 5 s after WM_DELETE_WINDOW"
