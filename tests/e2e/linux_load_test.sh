#!/usr/bin/env bash
# The Linux program playing for 15 s while both cores are kept busy by as
# many CPU hogs as there are cores, at the program's own priority: not one
# sample lost, repeated or altered, and no gap, across the whole capture.
#
# Usage: linux_load_test.sh TONEGEN ANALYSE_RECORDING ARTIFACT_DIR
set -uo pipefail
program=$1
E2E_ANALYSE=$2
# shellcheck source=harness.sh
source "$(dirname "$0")/harness.sh"
e2e_begin linux_load "$3"
# shellcheck source=linux_common.sh
source "$E2E_LIB_DIR/linux_common.sh"

command -v stress-ng >/dev/null || e2e_fail "stress-ng is missing (scripts/setup.sh installs it)"
rec="$E2E_ARTIFACTS/recording.raw"
cores=$(nproc)
readonly seconds=15

e2e_start_xvfb
e2e_start_pulse
e2e_record_start "$rec"
open_main_window "$program"
type_into_field 3 1001
click $on_off_x $buttons_y
record_for "$(mark)" 1.5

e2e_spawn stress stress-ng --cpu "$cores" --cpu-method all --timeout $((seconds + 5))s
e2e_log "stress-ng on $cores cores (pid $E2E_LAST_PID)"
loaded_from=$(mark)
record_for "$loaded_from" $seconds 60
load=$(cut -d' ' -f1 /proc/loadavg)
e2e_stop_pid "$E2E_LAST_PID" TERM
e2e_log "played $seconds s under load (load average $load)"

record_for "$(mark)" 0.5
until=$(mark)
result=$(e2e_analyse compare "$rec" --freq 3=1001@8 --until "$until" --expect-pauses 0) ||
  e2e_fail "the stream under load is not the synthesised one: $result"
first=$(value_of first_sound <<<"$result")
((first < loaded_from)) || e2e_fail "the sound began only at sample $first, after the load started at $loaded_from"
e2e_log "$(value_of compared <<<"$result") samples exact, $(seconds_between "$loaded_from" "$until") s of them under load"

e2e_close_window "$wid" || e2e_fail "cannot send WM_DELETE_WINDOW"
e2e_wait_exit "$E2E_APP_PID" 5 || e2e_fail "still running 5 s after WM_DELETE_WINDOW"
e2e_log "PASS"
