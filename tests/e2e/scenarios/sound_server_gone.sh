# shellcheck shell=bash
# shellcheck disable=SC2154 # what program.sh reads from the core and the platform layer sets
# The Windows program under wine when the sound server behind wine's audio
# driver dies (kill -9) while the tones play and does not come back. Wine's
# waveOut then answers every call with success but finishes no header, so
# the ring stays queued and no sound comes: the program stays quiet and
# alive, the About box still opens and closes, and a close ends it with exit
# code 0 (its reset fails there, and the close goes through).
rec="$E2E_ARTIFACTS/recording.raw"
e2e_start_xvfb
e2e_start_pulse
e2e_record_start "$rec"
start_program
click_control "$on_off"
record_for "$clicked_at" 2.5
e2e_analyse starts "$rec" --after "$clicked_at" --within 2.5 || e2e_fail "no sound after ON/OFF was released"

e2e_kill_pulse
e2e_log "the sound server stays away"
sleep 3
e2e_running "$E2E_APP_PID" || e2e_fail "the program ended when the sound server went away"

click_control "$about_toggle"
box=$(e2e_about_box 20) || e2e_fail "no About box after ABOUT without a sound server"
e2e_about_ok "$box"
e2e_wait_window_gone "$box" 10 || e2e_fail "OK did not close the About box"
close_program
