#!/usr/bin/env bash
# The x64 Windows program under wine when the sound server behind wine's
# audio driver dies (kill -9) while the tones play and does not come back.
# Wine's waveOut then answers every call with success but finishes no
# header, so the ring stays queued and no sound comes: the program stays
# quiet and alive, the About box still opens and closes, and a close ends it
# with exit code 0 (its reset fails there, and the close goes through).
#
# Usage: wine_sound_server_gone_test.sh TONEGEN.EXE ANALYSE_RECORDING ARTIFACT_DIR
set -uo pipefail
program=$1
E2E_ANALYSE=$2
# shellcheck source=harness.sh
source "$(dirname "$0")/harness.sh"
# shellcheck source=wine.sh
source "$(dirname "$0")/wine.sh"
e2e_begin wine_sound_server_gone "$3"
wine_begin "$program"

rec="$E2E_ARTIFACTS/recording.raw"
e2e_start_xvfb
e2e_start_pulse
e2e_record_start "$rec"
wine_launch
box=$(e2e_about_box 60) || e2e_fail "no About box at start-up"
e2e_about_ok "$box"
e2e_wait_window_gone "$box" 10 || e2e_fail "OK did not close the About box"
wid=$(e2e_find_window "$main_title" 20) || e2e_fail "no window titled '$main_title'"
wine_wait_stream 30
click_button $on_off_x ON/OFF
record_for "$clicked_at" 2.5
[ -n "$(info_value first_sound)" ] || e2e_fail "no sound after ON/OFF was released"

for entry in "${E2E_PIDS[@]}"; do
  [ "${entry#*:}" = pulseaudio ] && pid=${entry%%:*}
done
kill -9 "$pid"
e2e_forget_pid "$pid"
wait "$pid" 2>/dev/null
e2e_record_stop
e2e_log "killed PulseAudio (pid $pid); it stays away"
sleep 3
e2e_running "$E2E_APP_PID" || e2e_fail "the program ended when the sound server went away"

click_button $about_x ABOUT
box=$(e2e_about_box 20) || e2e_fail "no About box after ABOUT without a sound server"
e2e_about_ok "$box"
e2e_wait_window_gone "$box" 10 || e2e_fail "OK did not close the About box"
sent=$(e2e_now)
e2e_close_window "$wid" || e2e_fail "cannot send WM_DELETE_WINDOW"
e2e_wait_exit "$E2E_APP_PID" $exit_limit || e2e_fail "still running $exit_limit s after WM_DELETE_WINDOW"
[ "$E2E_EXIT_CODE" -eq 0 ] || e2e_fail "exit code $E2E_EXIT_CODE after WM_DELETE_WINDOW"
e2e_log "About box opened and closed without a sound server; exited 0, $(e2e_elapsed "$sent" "$(e2e_now)") s after WM_DELETE_WINDOW"
e2e_log "PASS"
