#!/usr/bin/env bash
# The Linux program on a machine with no audio output: "Err!" / "Audio Device
# Not Present", and a clean exit once the message is dismissed.
#
# Usage: linux_no_audio_device_test.sh TONEGEN ANALYSE_RECORDING ARTIFACT_DIR
set -uo pipefail
program=$1
E2E_ANALYSE=$2
# shellcheck source=harness.sh
source "$(dirname "$0")/harness.sh"
e2e_begin linux_no_audio_device "$3"

e2e_start_xvfb
e2e_no_sound_server

e2e_launch tonegen "$program"
box=$(e2e_find_window "Err!" 20) || e2e_fail "no window titled 'Err!'"
e2e_log "message box $box, client area $(e2e_client_size "$box")"
e2e_screenshot error-box "$box" >/dev/null
e2e_screenshot screen-error >/dev/null

e2e_key "$box" Return
e2e_wait_window_gone "$box" 5 || e2e_fail "Return did not dismiss the message box"
e2e_wait_exit "$E2E_APP_PID" 5 || e2e_fail "still running 5 s after the message box was dismissed"
e2e_log "exited with code $E2E_EXIT_CODE $E2E_EXIT_SECONDS s after the message box closed"
[ "$E2E_EXIT_CODE" -eq 0 ] || e2e_fail "exit code $E2E_EXIT_CODE, expected 0"
e2e_log "PASS"
