#!/usr/bin/env bash
# The x64 Windows program under wine: the test-signal toggles play the
# embedded recordings through DirectSound, beside the tones.
#
#   OFF SWEEP  -> a sine rising exponentially from 20 Hz (20 Hz to 21050 Hz
#                 in 14 s), 40 % volume
#   released   -> silence again
#   OFF PINK   -> noise falling 3 dB per octave at an RMS of 23.9 dB below
#                 full scale (5262 of 32767 at 40 % volume, -7.96 dB)
#   ON/OFF     -> the twenty tones with it
#   OFF SWEEP  -> the sweep again, from 20 Hz, with the tones and the noise
#   OFF PINK released  -> the noise stops; the sweep goes on as it was
#   OFF SWEEP released -> only the tones are left
#
# Each step is measured on the stretch of the recording after its click; the
# sweep by following its strongest component and fitting the sweep's law.
#
# 32-bit programs cannot start on this machine (its kernel refuses them), so
# only the x64 build is run.
#
# Usage: wine_test_signals_test.sh TONEGEN.EXE ANALYSE_RECORDING ARTIFACT_DIR PROBE.EXE
set -uo pipefail
program=$1
E2E_ANALYSE=$2
# shellcheck source=harness.sh
source "$(dirname "$0")/harness.sh"
# shellcheck source=wine.sh
source "$(dirname "$0")/wine.sh"
e2e_begin wine_test_signals "$3"
wine_begin "$program" "$4"

readonly pink_dbfs=-23.85
readonly sweep_law=20,21050,14
# The sweep is tracked in windows of 0.2 s (5 Hz bins) every 0.1 s.
readonly track=(--window 0.2 --step 0.1 --law "$sweep_law")
# The player starts a buffer within its mixing period; the click reaches the
# program within a few tens of milliseconds.
readonly start_limit=0.5

rec="$E2E_ARTIFACTS/recording.raw"

# "CAPTION pressed" of toggle ID, through the probe.
toggle_state() {
  wine_probe controls "$main_title" | awk -v id="id=$1" '$1 == id {
    text = $0; sub(/.* text=/, "", text); print text, ($7 == "checked=1" ? "pressed" : "released") }'
}

expect_toggle() {
  e2e_until 5 0.2 test "$(toggle_state "$1")" = "$2" ||
    e2e_fail "toggle $1 shows '$(toggle_state "$1")', expected '$2'"
}

# The sweep from FROM for SECONDS in BAND follows the law from 20 Hz, and
# began within start_limit of the click at CLICKED; prints where it began.
expect_sweep_from_20_hz() {
  local from=$1 seconds=$2 band=$3 clicked=$4 out start lowest
  out=$(e2e_analyse peak-track "$rec" --start "$from" --seconds "$seconds" --band "$band" "${track[@]}") ||
    { printf '%s\n' "$out" >&2; e2e_fail "no sweep following its law after sample $from"; }
  printf '%s\n' "$out" | tail -n 8 >&2
  start=$(value_of sweep_start <<<"$out")
  lowest=$(value_of lowest_hz <<<"$out")
  e2e_log "sweep at 20 Hz $(seconds_between "$clicked" "$start") s after the click, lowest tracked $lowest Hz"
  awk -v s="$(seconds_between "$clicked" "$start")" -v l="$start_limit" 'BEGIN { exit !(s >= -0.05 && s <= l) }' ||
    e2e_fail "the sweep was at 20 Hz $(seconds_between "$clicked" "$start") s after the click"
  awk -v f="$lowest" 'BEGIN { exit !(f <= 40) }' || e2e_fail "the sweep was first heard at $lowest Hz, not from 20 Hz"
  sweep_started_at=${start%.*}
}

e2e_start_xvfb
e2e_start_pulse
e2e_record_start "$rec"

wine_launch
box=$(e2e_about_box 60) || e2e_fail "no About box at start-up"
e2e_about_ok "$box"
wid=$(e2e_find_window "$main_title" 20) || e2e_fail "no window titled '$main_title'"
wine_wait_stream 30
expect_toggle 161 "OFF SWEEP released"
expect_toggle 160 "OFF PINK released"

# The sweep alone (the tones are paused at start).
click_button $sweep_x "OFF SWEEP"
sweep_on=$clicked_at
record_for "$sweep_on" 4.0
expect_toggle 161 "ON SWEEP pressed"
expect_sweep_from_20_hz "$sweep_on" 4.0 10,400 "$sweep_on"
first=$(e2e_analyse info "$rec" | value_of first_sound)
e2e_log "first sound $(seconds_between "$sweep_on" "$first") s after the click"
e2e_screenshot sweep-on "$wid" >/dev/null

click_button $sweep_x "ON SWEEP"
record_for "$clicked_at" 1.5
expect_toggle 161 "OFF SWEEP released"
e2e_analyse silence "$rec" --last 0.5 || e2e_fail "sound 1 s after the sweep was switched off"

# The noise alone: its level and slope over two seconds.
click_button $pink_x "OFF PINK"
pink_on=$clicked_at
record_for "$pink_on" 3.0
expect_toggle 160 "ON PINK pressed"
e2e_analyse rms "$rec" --last 2 --expect $pink_dbfs --tolerance 1.0 || e2e_fail "the noise is not at $pink_dbfs dBFS"
e2e_analyse band-slope "$rec" --last 2 --expect -3.01 --tolerance 0.5 ||
  e2e_fail "the noise does not fall 3 dB per octave"

# The tones join the noise; the noise is what the tones leave. The noise
# within a tone's few bins adds to the tone with a phase of its own and moves
# its reading by up to a decibel or two at the low tones in a one-second
# spectrum; four seconds halve that.
click_button $on_off_x "ON/OFF"
record_for "$clicked_at" 5.0
wine_steady_levels "$rec" --last 4 --expect $tone_dbfs --tolerance 1.5 ||
  e2e_fail "the tones are not at $tone_dbfs dBFS beside the noise"
e2e_analyse rms "$rec" --last 4 --exclude-tones --expect $pink_dbfs --tolerance 1.0 ||
  e2e_fail "the noise is not at $pink_dbfs dBFS beside the tones"

# The sweep again: from 20 Hz, not from where it was stopped. Below the
# lowest tone (80 Hz) for its first 2.8 s, so the tones can be measured
# beside it meanwhile (two seconds, from 0.3 s after the click).
click_button $sweep_x "OFF SWEEP"
sweep_again=$clicked_at
record_for "$sweep_again" 2.5
expect_sweep_from_20_hz "$sweep_again" 2.5 10,75 "$sweep_again"
first_start=$sweep_started_at
e2e_analyse levels "$rec" --start $((sweep_again + $(samples_in 0.3))) --seconds 2 --expect $tone_dbfs \
  --tolerance 2.0 || e2e_fail "the tones are not at $tone_dbfs dBFS beside the sweep and the noise"
e2e_screenshot all-three "$wid" >/dev/null

# The noise stops; the sweep goes on along the same law, the tones stay.
click_button $pink_x "ON PINK"
pink_off=$clicked_at
record_for "$pink_off" 2.5
expect_toggle 160 "OFF PINK released"
e2e_analyse rms "$rec" --last 1 --band 2000,20000 --exclude-tones --below -60 ||
  e2e_fail "the noise goes on after it was switched off"
out=$(e2e_analyse peak-track "$rec" --start $((pink_off + rate / 2)) --seconds 2 --band 80,2000 --exclude-tones \
  "${track[@]}") || { printf '%s\n' "$out" >&2; e2e_fail "the sweep stopped with the noise"; }
moved=$(seconds_between "$first_start" "$(value_of sweep_start <<<"$out")")
e2e_log "after the noise stopped the sweep follows its law from the same start (moved by $moved s)"
awk -v m="$moved" 'BEGIN { exit !(m >= -0.1 && m <= 0.1) }' ||
  e2e_fail "the sweep jumped by $moved s when the noise stopped"
# The sweep passes 200 Hz about now; a tolerance of a decibel allows for it.
wine_steady_levels "$rec" --expect $tone_dbfs --tolerance 1.0 ||
  e2e_fail "the tones changed when the noise stopped"

# The sweep stops: only the tones are left.
click_button $sweep_x "ON SWEEP"
record_for "$clicked_at" 2.0
expect_toggle 161 "OFF SWEEP released"
wine_steady_levels "$rec" --expect $tone_dbfs --tolerance 0.5 --floor -40 ||
  e2e_fail "something besides the tones after both test signals were switched off"
e2e_analyse rms "$rec" --last 1 --exclude-tones --below -60 || e2e_fail "a test signal goes on after it was switched off"

e2e_close_window "$wid" || e2e_fail "cannot send WM_DELETE_WINDOW"
e2e_wait_exit "$E2E_APP_PID" $exit_limit || e2e_fail "still running $exit_limit s after WM_DELETE_WINDOW"
[ "$E2E_EXIT_CODE" -eq 0 ] || e2e_fail "exit code $E2E_EXIT_CODE after WM_DELETE_WINDOW, expected 0"
e2e_log "PASS"
