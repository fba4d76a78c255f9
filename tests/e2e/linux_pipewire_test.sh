#!/usr/bin/env bash
# The Linux program on a private PipeWire server through its PulseAudio
# layer (pipewire.sh): silence while paused, the twenty tones once ON/OFF is
# released, silence when it is pressed, the tones again, sample for sample
# across the pause, and a close that ends the process with 0 at once.
#
# Usage: linux_pipewire_test.sh TONEGEN ANALYSE_RECORDING ARTIFACT_DIR
set -uo pipefail
program=$1
E2E_ANALYSE=$2
# shellcheck source=harness.sh
source "$(dirname "$0")/harness.sh"
e2e_begin linux_pipewire "$3"
# shellcheck source=linux_common.sh
source "$E2E_LIB_DIR/linux_common.sh"
# shellcheck source=pipewire.sh
source "$E2E_LIB_DIR/pipewire.sh"

rec="$E2E_ARTIFACTS/recording.raw"
e2e_start_xvfb
e2e_start_pipewire
e2e_record_start "$rec"
open_main_window "$program"

expect_on_off_round e2e_analyse levels "$rec" --last 1 --floor -80
e2e_log "the program's stream at the server: $(pactl list short sink-inputs | cut -f4- | head -n 1)"

sent=$(e2e_now)
e2e_close_window "$wid" || e2e_fail "cannot send WM_DELETE_WINDOW"
e2e_wait_exit "$E2E_APP_PID" 2 || e2e_fail "still running 2 s after WM_DELETE_WINDOW"
[ "$E2E_EXIT_CODE" -eq 0 ] || e2e_fail "exit code $E2E_EXIT_CODE after WM_DELETE_WINDOW"
e2e_log "exited 0, $(e2e_elapsed "$sent" "$(e2e_now)") s after WM_DELETE_WINDOW"
record_for "$(mark)" 1
e2e_record_stop

result=$(e2e_analyse compare "$rec" --expect-pauses 1) || e2e_fail "the recording is not the synthesised stream: $result"
e2e_log "$(value_of compared <<<"$result") samples exact across the pause"
e2e_log "PASS"
