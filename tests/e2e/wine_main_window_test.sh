#!/usr/bin/env bash
# The x64 Windows program under wine from start to close, heard through the
# null sink's monitor: the About box first, "OK" hands exactly the software
# page to the browser (wine's ShellExecuteEx of a web address runs
# winebrowser, which calls xdg-open, the harness's fake), the main window,
# silence while paused, the twenty default tones sample for sample across a
# pause and a resume, and a close request that ends the sound at once and the
# process with code 0.
#
# 32-bit programs cannot start on this machine (its kernel refuses them), so
# only the x64 build is run.
#
# Usage: wine_main_window_test.sh TONEGEN.EXE ANALYSE_RECORDING ARTIFACT_DIR
set -uo pipefail
program=$1
E2E_ANALYSE=$2
# shellcheck source=harness.sh
source "$(dirname "$0")/harness.sh"
# shellcheck source=wine.sh
source "$(dirname "$0")/wine.sh"
e2e_begin wine_main_window "$3"
wine_begin "$program"

rec="$E2E_ARTIFACTS/recording.raw"
e2e_start_xvfb
e2e_start_pulse
e2e_record_start "$rec"

wine_launch
started=$(e2e_now)
box=$(e2e_about_box 60) || e2e_fail "no About box at start-up"
e2e_log "About box $box after $(e2e_elapsed "$started" "$(e2e_now)") s, client area $(e2e_client_size "$box")"
e2e_screenshot about-box "$box" >/dev/null
e2e_screenshot screen-about-box >/dev/null
[ -z "$(e2e_opened_addresses)" ] || e2e_fail "a page opened while the About box was up: $(e2e_opened_addresses)"
pressed=$(e2e_now)
e2e_about_ok "$box"
e2e_wait_window_gone "$box" 10 || e2e_fail "OK did not close the About box"
wid=$(e2e_find_window "$main_title" 20) || e2e_fail "no window titled '$main_title'"
e2e_until 20 0.05 grep -q . "$E2E_OPENED" || e2e_fail "no web page opened after the About box"
e2e_log "page handed over $(e2e_elapsed "$pressed" "$(e2e_now)") s after OK"
wine_wait_stream 30
e2e_log "stream open $(e2e_elapsed "$pressed" "$(e2e_now)") s after OK"
[ "$(e2e_opened_addresses)" = "$TONEGEN_SOFTWARE_PAGE" ] ||
  e2e_fail "opened '$(e2e_opened_addresses)', expected only $TONEGEN_SOFTWARE_PAGE"
size=$(e2e_client_size "$wid") || e2e_fail "cannot read the size of window $wid"
[ "$size" = "294 765" ] || e2e_fail "client area is $size, expected 294 765"
e2e_log "window $wid, client area $size"

# Paused at start, then released, pressed and released again.
expect_on_off_round wine_steady_levels "$rec" --floor $floor_dbfs

# Closed as a window manager's close button closes it.
e2e_close_window "$wid" || e2e_fail "cannot send WM_DELETE_WINDOW"
close_at=$(e2e_recorded_samples "$rec")
e2e_wait_exit "$E2E_APP_PID" $exit_limit || e2e_fail "still running $exit_limit s after WM_DELETE_WINDOW"
e2e_log "exited with code $E2E_EXIT_CODE $E2E_EXIT_SECONDS s after WM_DELETE_WINDOW"
[ "$E2E_EXIT_CODE" -eq 0 ] || e2e_fail "exit code $E2E_EXIT_CODE after WM_DELETE_WINDOW, expected 0"
record_for "$close_at" 2.0
e2e_record_stop

last=$(info_value last_sound)
stop_lag=$(seconds_between "$close_at" "$last")
e2e_log "sound ended $stop_lag s after WM_DELETE_WINDOW was sent"
# The ring holds 2.2 s of queued audio: playing it out is not stopping at once.
awk -v s="$stop_lag" 'BEGIN { exit !(s <= 0.3) }' || e2e_fail "sound went on for $stop_lag s after WM_DELETE_WINDOW"

# Sample for sample, from the first sound, across the pause and the resume;
# wine's underruns add short silences, which are skipped like the pause; only
# the pause is long.
comparison=$(e2e_analyse compare "$rec" --min-pause 1)
status=$?
# Every zero sample of the mix counts as a pause of one sample here; only
# the longer ones are worth showing.
awk -F'[=+ ]' '!/^pause=/ || $3 > 1' <<<"$comparison" >&2
[ $status -eq 0 ] || e2e_fail "the recording is not the synthesised stream"
long_pauses=$(awk -F'[=+ ]' -v r=$rate '/^pause=/ && $3 / r >= 0.5 { n++ } END { print n + 0 }' <<<"$comparison")
[ "$long_pauses" -eq 1 ] || e2e_fail "$long_pauses silences of 0.5 s or more in the sound, expected the one pause"
e2e_log "PASS"
