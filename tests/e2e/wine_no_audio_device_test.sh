#!/usr/bin/env bash
# The x64 Windows program under wine on a machine with no audio output (no
# sound server and wine's audio driver switched off): "Err!" / "Audio Device
# Not Present", and a clean exit once the message is dismissed.
#
# 32-bit programs cannot start on this machine (its kernel refuses them), so
# only the x64 build is run.
#
# Usage: wine_no_audio_device_test.sh TONEGEN.EXE ANALYSE_RECORDING ARTIFACT_DIR
set -uo pipefail
program=$1
E2E_ANALYSE=$2
# shellcheck source=harness.sh
source "$(dirname "$0")/harness.sh"
# shellcheck source=wine.sh
source "$(dirname "$0")/wine.sh"
e2e_begin wine_no_audio_device "$3"
wine_begin "$program"
wine_no_audio_driver

e2e_start_xvfb
e2e_no_sound_server

wine_launch
box=$(e2e_find_window "Err!" 60) || e2e_fail "no window titled 'Err!'"
e2e_log "message box $box, client area $(e2e_client_size "$box")"
e2e_screenshot error-box "$box" >/dev/null
e2e_screenshot screen-error >/dev/null

e2e_key "$box" Return
e2e_wait_window_gone "$box" 10 || e2e_fail "Return did not dismiss the message box"
# wine.sh: closing the main window waits up to 2 s for a window manager.
e2e_wait_exit "$E2E_APP_PID" 7 || e2e_fail "still running 7 s after the message box was dismissed"
e2e_log "exited with code $E2E_EXIT_CODE $E2E_EXIT_SECONDS s after the message box closed"
[ "$E2E_EXIT_CODE" -eq 0 ] || e2e_fail "exit code $E2E_EXIT_CODE, expected 0"
[ -z "$(e2e_opened_addresses)" ] || e2e_fail "pages opened without a sound device: $(e2e_opened_addresses)"
e2e_log "PASS"
