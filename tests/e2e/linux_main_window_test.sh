#!/usr/bin/env bash
# The Linux program from start to close, heard through the null sink's monitor:
# the window, silence while paused, the twenty default tones after ON/OFF is
# released, silence again when it is pressed, a resume that loses and repeats
# nothing, and a close request that ends the process and the sound at once.
#
# Usage: linux_main_window_test.sh TONEGEN ANALYSE_RECORDING ARTIFACT_DIR
set -uo pipefail
program=$1
E2E_ANALYSE=$2
# shellcheck source=harness.sh
source "$(dirname "$0")/harness.sh"
# shellcheck source=program.sh
source "$E2E_LIB_DIR/program.sh"
e2e_begin linux_main_window "$3"

rec="$E2E_ARTIFACTS/recording.raw"
e2e_start_xvfb
e2e_start_pulse
e2e_record_start "$rec"

e2e_launch tonegen "$program"
started=$(e2e_now)
# The About box comes first; "OK" hands exactly the software page to the browser.
box=$(e2e_about_box 20) || e2e_fail "no About box at start-up"
e2e_screenshot about-box "$box" >/dev/null
e2e_about_ok "$box"
wid=$(e2e_find_window "$main_title" 20) || e2e_fail "no window titled '$main_title'"
e2e_until 5 0.05 grep -q . "$E2E_OPENED" || e2e_fail "no web page opened after the About box"
[ "$(e2e_opened_addresses)" = "$TONEGEN_SOFTWARE_PAGE" ] ||
  e2e_fail "opened '$(e2e_opened_addresses)', expected only $TONEGEN_SOFTWARE_PAGE"
e2e_log "window $wid after $(e2e_elapsed "$started" "$(e2e_now)") s"
size=$(e2e_client_size "$wid") || e2e_fail "cannot read the size of window $wid"
[ "$size" = "294 765" ] || e2e_fail "client area is $size, expected 294 765"
e2e_log "client area $size"

# Paused at start, then released, pressed and released again.
expect_on_off_round e2e_analyse levels "$rec" --last 1 --floor -80

# Closed as a window manager's close button closes it.
# The exit and the end of the sound are timed from the moment the request
# has gone out; sending it takes a Python start-up.
before_close=$(e2e_recorded_samples "$rec")
e2e_close_window "$wid" || e2e_fail "cannot send WM_DELETE_WINDOW"
close_at=$(e2e_recorded_samples "$rec")
e2e_wait_exit "$E2E_APP_PID" 2 || e2e_fail "still running 2 s after WM_DELETE_WINDOW"
e2e_log "exited with code $E2E_EXIT_CODE $E2E_EXIT_SECONDS s after WM_DELETE_WINDOW"
[ "$E2E_EXIT_CODE" -eq 0 ] || e2e_fail "exit code $E2E_EXIT_CODE after WM_DELETE_WINDOW, expected 0"
record_for "$close_at" 3.0
e2e_record_stop

last=$(info_value last_sound)
end=$(e2e_recorded_samples "$rec")
stop_lag=$(seconds_between "$close_at" "$last")
e2e_log "sound ended $stop_lag s after WM_DELETE_WINDOW was sent ($(seconds_between "$before_close" "$last") s after" \
  "the sender started); $(seconds_between "$last" "$end") s of silence followed"
# The ring holds 2.2 s of queued audio: playing it out is not stopping at once.
awk -v s="$stop_lag" 'BEGIN { exit !(s <= 0.3) }' ||
  e2e_fail "sound went on for $stop_lag s after WM_DELETE_WINDOW"

# Sample for sample, from the first sound, across the pause and the resume.
e2e_analyse compare "$rec" --expect-pauses 1 || e2e_fail "the recording is not the synthesised stream"
e2e_log "PASS"
