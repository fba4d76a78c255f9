#!/usr/bin/env bash
# The x64 Windows program under wine: the ABOUT toggle opens the About box
# again while the tones play. The box waits for its buttons while the
# program goes on refilling the stream: the tones are heard all the time it
# is up, longer than the 2.2 s of queued audio would last, and no sample is
# lost or repeated. Its "OK" opens no page this time.
#
# 32-bit programs cannot start on this machine (its kernel refuses them), so
# only the x64 build is run.
#
# Usage: wine_about_toggle_test.sh TONEGEN.EXE ANALYSE_RECORDING ARTIFACT_DIR
set -uo pipefail
program=$1
E2E_ANALYSE=$2
# shellcheck source=harness.sh
source "$(dirname "$0")/harness.sh"
# shellcheck source=wine.sh
source "$(dirname "$0")/wine.sh"
e2e_begin wine_about_toggle "$3"
wine_begin "$program"

# Longer than the queued audio lasts, so the box's wait must refill it.
readonly box_seconds=3.5

rec="$E2E_ARTIFACTS/recording.raw"

e2e_start_xvfb
e2e_start_pulse
e2e_record_start "$rec"

wine_launch
box=$(e2e_about_box 60) || e2e_fail "no About box at start-up"
e2e_about_ok "$box"
e2e_wait_window_gone "$box" 10 || e2e_fail "OK did not close the start-up About box"
wid=$(e2e_find_window "$main_title" 20) || e2e_fail "no window titled '$main_title'"
wine_wait_stream 30
e2e_until 10 0.05 grep -q . "$E2E_OPENED" || e2e_fail "no page opened after the start-up box"
pages_before=$(e2e_opened_addresses)

click_button $on_off_x ON/OFF
record_for "$clicked_at" 2.5
wine_steady_levels "$rec" --expect $tone_dbfs --tolerance 0.5 --floor $floor_dbfs ||
  e2e_fail "the tones do not play before the ABOUT toggle"

click_button $about_x ABOUT
box=$(e2e_about_box 20) || e2e_fail "the ABOUT toggle opened no About box"
box_at=$(e2e_recorded_samples "$rec")
e2e_log "About box $box up at recording sample $box_at"
e2e_screenshot about-box-again "$box" >/dev/null
e2e_screenshot screen-about-box-again >/dev/null
record_for "$box_at" $box_seconds
# The last second the box was up, with the queued audio long used up.
wine_steady_levels "$rec" --expect $tone_dbfs --tolerance 0.5 --floor $floor_dbfs ||
  e2e_fail "the tones did not go on while the About box was up"
box_until=$(e2e_recorded_samples "$rec")
e2e_about_ok "$box"
e2e_wait_window_gone "$box" 10 || e2e_fail "OK did not close the About box"
ok_at=$(e2e_recorded_samples "$rec")

# A page would have arrived by now: the browser hand-off takes wine 2 to 3 s.
record_for "$ok_at" 4.0
[ "$(e2e_opened_addresses)" = "$pages_before" ] ||
  e2e_fail "a page opened after the ABOUT toggle's box: $(e2e_opened_addresses | paste -sd' ')"
wine_steady_levels "$rec" --expect $tone_dbfs --tolerance 0.5 --floor $floor_dbfs ||
  e2e_fail "the tones did not go on after the About box"

e2e_close_window "$wid" || e2e_fail "cannot send WM_DELETE_WINDOW"
e2e_wait_exit "$E2E_APP_PID" $exit_limit || e2e_fail "still running $exit_limit s after WM_DELETE_WINDOW"
[ "$E2E_EXIT_CODE" -eq 0 ] || e2e_fail "exit code $E2E_EXIT_CODE after WM_DELETE_WINDOW, expected 0"
e2e_record_stop

# Nothing lost or repeated from the first sound on; every silence inside the
# sound is one of wine's short underruns (each run of zeros counts as a
# pause here, the single zeros of the mix among them), none near the length
# of a stalled refill.
comparison=$(e2e_analyse compare "$rec" --min-pause 1)
status=$?
awk -F'[=+ ]' '!/^pause=/ || $3 > 1' <<<"$comparison" >&2
[ $status -eq 0 ] || e2e_fail "the recording is not the synthesised stream"
longest=$(awk -F'[=+ ]' -v from="$box_at" -v to="$box_until" \
  '/^pause=/ && $2 + $3 > from - 44100 && $2 < to && $3 > n { n = $3 } END { print n + 0 }' <<<"$comparison")
e2e_log "longest silence while the box was up: $longest samples"
((longest < rate / 10)) || e2e_fail "a silence of $longest samples while the About box was up"
e2e_log "PASS"
