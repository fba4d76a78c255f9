#!/usr/bin/env bash
# The main window from the keyboard alone. ON/OFF has the focus at start-up;
# Tab goes ON/OFF, OFF SWEEP, OFF PINK, ABOUT, then the twenty frequency
# fields and back to ON/OFF, never stopping on a gain bar; Shift+Tab goes the
# other way. Each stop is recognised by what it does: Space on a button
# (tones, About box, pink noise, sweep), Ctrl+C in a field (its text, which
# also shows the start-up frequencies).
#
# Usage: linux_keyboard_test.sh TONEGEN ANALYSE_RECORDING ARTIFACT_DIR
set -uo pipefail
program=$1
E2E_ANALYSE=$2
# shellcheck source=harness.sh
source "$(dirname "$0")/harness.sh"
e2e_begin linux_keyboard "$3"
# shellcheck source=linux_common.sh
source "$E2E_LIB_DIR/linux_common.sh"

rec="$E2E_ARTIFACTS/recording.raw"

# Copies the focused field's text and checks it is field K's start-up value.
expect_field() {
  local k=$1 text
  text=$(copied_text)
  [ "$text" = "${default_frequencies[k]}" ] ||
    e2e_fail "$2: the focus copies '$text', expected field $k's ${default_frequencies[k]}"
}

# Waits for SECONDS of recording after the mark and checks it ends in silence.
expect_silence_after() {
  record_for "$1" 1.5
  e2e_analyse silence "$rec" --last 0.5 >/dev/null || e2e_fail "$2: sound goes on"
}

e2e_start_xvfb
e2e_start_pulse
e2e_record_start "$rec"
open_main_window "$program"

# Space on the focus at start-up: the tones start, so ON/OFF had it.
at=$(mark)
keys space
record_for "$at" 3
first=$(e2e_analyse info "$rec" | value_of first_sound)
[ -n "$first" ] || e2e_fail "Space at start-up started nothing: ON/OFF does not have the focus"
e2e_log "Space at start-up: the tones began $(seconds_between "$at" "$first") s later"

# Forward: three buttons, then every field in order, then ON/OFF again.
keys Tab Tab Tab Tab
for ((k = 0; k < 20; k++)); do
  expect_field $k "Tab $((k + 4))"
  keys Tab
done
at=$(mark)
keys space
expect_silence_after "$at" "Space after 24 Tabs should pause the tones"
e2e_log "Tab: ON/OFF, three buttons, fields 0..19, ON/OFF"

# Backward: the fields from the last, then ABOUT.
keys shift+Tab
for ((k = 19; k >= 0; k--)); do
  expect_field $k "Shift+Tab $((20 - k))"
  keys shift+Tab
done
keys space
box=$(e2e_about_box 10) || e2e_fail "Space after Shift+Tab from field 0 opened no About box"
e2e_screenshot about-box-by-keyboard "$box" >/dev/null
e2e_about_ok "$box"
e2e_wait_window_gone "$box" 10 || e2e_fail "the About box stays after OK"
[ "$(e2e_opened_addresses)" = "$TONEGEN_SOFTWARE_PAGE" ] ||
  e2e_fail "pages opened: '$(e2e_opened_addresses)'; the ABOUT toggle opens none"

# OFF PINK: pink noise alone (the tones are paused).
keys shift+Tab
at=$(mark)
keys space
record_for "$at" 2.5
e2e_analyse rms "$rec" --last 1.5 --expect -23.84 --tolerance 1 >&2 ||
  e2e_fail "Space on the button before ABOUT gives no pink noise at -23.84 dBFS"
e2e_analyse band-slope "$rec" --last 1.5 --expect -3.01 --tolerance 0.5 >&2 ||
  e2e_fail "Space on the button before ABOUT gives no pink noise"
at=$(mark)
keys space
expect_silence_after "$at" "Space again on OFF PINK should stop the noise"

# OFF SWEEP: the sweep alone, rising from 20 Hz.
keys shift+Tab
at=$(mark)
keys space
record_for "$at" 3.5
track=$(e2e_analyse peak-track "$rec" --start "$at" --seconds 3.5 --window 0.2 --step 0.1 --law 20,21050,14) ||
  e2e_fail "Space on the button before OFF PINK starts no sweep: $track"
start=$(value_of sweep_start <<<"$track")
e2e_log "the sweep started $(seconds_between "$at" "$start") s after Space"
((start >= at && start <= at + rate)) || e2e_fail "the sweep started $(seconds_between "$at" "$start") s after Space"
at=$(mark)
keys space
expect_silence_after "$at" "Space again on OFF SWEEP should stop the sweep"

# ON/OFF before that: the tones again.
keys shift+Tab
at=$(mark)
keys space
record_for "$at" 3.5
e2e_analyse levels "$rec" --last 1 --expect $tone_dbfs --tolerance 0.5 --floor -80 >&2 ||
  e2e_fail "Shift+Tab from OFF SWEEP and Space do not resume the tones"
e2e_log "Shift+Tab: fields 19..0, ABOUT, OFF PINK, OFF SWEEP, ON/OFF"

e2e_close_window "$wid" || e2e_fail "cannot send WM_DELETE_WINDOW"
e2e_wait_exit "$E2E_APP_PID" 10 || e2e_fail "still running after WM_DELETE_WINDOW"
e2e_log "PASS"
