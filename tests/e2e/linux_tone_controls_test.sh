#!/usr/bin/env bash
# The tone controls of the Linux program, heard through the null sink:
# a frequency typed before the first release of ON/OFF plays sample for
# sample as the core synthesises it, across a pause; a new frequency is heard
# within 3 s of leaving its field; a field left holding no number takes the
# lowest frequency, 22 Hz; gain bar 20 (tone 0) taken to 0 one arrow click
# at a time silences 80 Hz and raises the other nineteen tones to their
# renormalised level, its label reading "0".
#
# Usage: linux_tone_controls_test.sh TONEGEN ANALYSE_RECORDING ARTIFACT_DIR
set -uo pipefail
program=$1
E2E_ANALYSE=$2
# shellcheck source=harness.sh
source "$(dirname "$0")/harness.sh"
e2e_begin linux_tone_controls "$3"
# shellcheck source=linux_common.sh
source "$E2E_LIB_DIR/linux_common.sh"

rec="$E2E_ARTIFACTS/recording.raw"
# With one gain at 0 and nineteen at 0.44, each of the nineteen has the
# amplitude 0.44 x 32767 / (20 - 18 x 0.56 - 1) = 1616.3094482421875.
renormalised_dbfs=$(awk 'BEGIN { printf "%.4f", 20 * log(1616.3094482421875 / 32767) / log(10) }')

# Frequencies of the bank with tone 3 at $1 and tone 0 left out.
frequencies_without_0() {
  local k list=
  for ((k = 1; k < 20; k++)); do
    list+="${list:+,}$([ $k = 3 ] && echo "$1" || echo "${default_frequencies[k]}")"
  done
  echo "$list"
}

# Clicks gain bar 20's left arrow COUNT times, one at a time.
click_bar_20_left() {
  xdotool mousemove --window "$wid" 171 $(($(bar_y 0) + 7)) click --repeat "$1" --delay 120 1 ||
    e2e_fail "cannot click gain bar 20"
}

# Reads gain label 120 off a screenshot, against the digits of fields whose
# texts are known at that point (fields 0, 1, 2, 5, 7, 9, 10, 12, 13; field 4
# has the focus, its text shown selected).
gain_label_20() {
  local shot learn=() k
  shot=$(e2e_screenshot "$1" "$wid")
  for k in 0 1 2 5 7 9 10 12 13; do
    learn+=(--learn "31 $(($(field_y $k) + 2)) 62 16 ${default_frequencies[k]}")
  done
  pixels text "$shot" 136 "$(bar_y 0)" 24 20 "${learn[@]}"
}

label_20_reads() { [ "$(gain_label_20 "$1" 2>/dev/null)" = "$2" ]; }

e2e_start_xvfb
e2e_start_pulse
e2e_record_start "$rec"
open_main_window "$program"

# 1001 Hz in field 3 before anything plays: the ring of eight buffers was
# filled with the defaults while paused, so the change reaches the stream at
# its ninth buffer.
type_into_field 3 1001
click $on_off_x $buttons_y
on_at=$(mark)
record_for "$on_at" 3.5
click $on_off_x $buttons_y
record_for "$(mark)" 1
click $on_off_x $buttons_y
record_for "$(mark)" 3
exact_until=$(mark)
result=$(e2e_analyse compare "$rec" --freq 3=1001@8 --until "$exact_until" --expect-pauses 1) ||
  e2e_fail "the stream with 1001 Hz is not the synthesised one: $result"
e2e_log "1001 Hz from the ninth buffer, bit-exact across a pause: $(value_of compared <<<"$result") samples compared"

# 440 Hz typed over 1001 Hz: heard within 3 s of leaving the field.
typed_at=$(mark)
type_into_field 3 440
left_at=$(mark)
record_for "$left_at" 3.5
heard=$(e2e_analyse track "$rec" --start "$typed_at" --at 440 --window 0.1 --step 0.05 --above -30 |
  value_of first_above)
[ -n "$heard" ] || e2e_fail "no 440 Hz after typing it into field 3"
# The window that first holds 440 Hz ends 0.1 s after it starts.
lag=$(seconds_between "$left_at" $((heard + rate / 10)))
e2e_log "440 Hz heard $lag s after Tab left field 3"
awk -v s="$lag" 'BEGIN { exit !(s <= 3.0) }' || e2e_fail "440 Hz came $lag s after the field was left"
record_for "$left_at" 4
e2e_analyse levels "$rec" --last 0.5 --freq 3=440 --expect $tone_dbfs --floor -80 >&2 ||
  e2e_fail "1001 Hz did not give way to 440 Hz"

# "abc" is no number: the field takes the lowest frequency.
type_into_field 3 abc
left_at=$(mark)
click 60 $(($(field_y 3) + 10))
keys ctrl+a
text=$(copied_text)
[ "$text" = 22 ] || e2e_fail "field 3 reads '$text' after leaving it with abc, expected 22"
keys Tab
record_for "$left_at" 4
e2e_analyse levels "$rec" --last 1 --freq 3=22 --expect $tone_dbfs --floor -80 >&2 ||
  e2e_fail "field 3 left with abc does not play 22 Hz"
e2e_log "abc in field 3 became 22, and 22 Hz plays"

# Gain bar 20 down by one per arrow click: 43 clicks leave 1, one more 0.
# The program may still be taking the clicks when the last one has gone out.
click_bar_20_left 43
e2e_until 10 0.2 label_20_reads gain-bar-20-at-1 1 ||
  e2e_fail "gain label 120 reads '$(gain_label_20 gain-bar-20-at-1)' after 43 clicks, expected 1"
click_bar_20_left 1
e2e_until 10 0.2 label_20_reads gain-bar-20-at-0 0 ||
  e2e_fail "gain label 120 reads '$(gain_label_20 gain-bar-20-at-0)' after 44 clicks, expected 0"
zero_at=$(mark)
read -r start _ < <(pixels thumb "$E2E_ARTIFACTS/gain-bar-20-at-0.png" 165 "$(bar_y 0)" 100 14) ||
  e2e_fail "no thumb on gain bar 20"
[ "$start" = 0 ] || e2e_fail "gain bar 20's thumb is $start pixels into its groove, expected 0"
record_for "$zero_at" 4
e2e_analyse levels "$rec" --last 1 --at "$(frequencies_without_0 22)" --expect "$renormalised_dbfs" \
  --floor -80 >&2 || e2e_fail "80 Hz still sounds, or the others are not at $renormalised_dbfs dBFS"
e2e_log "gain bar 20 at 0: label 0, 80 Hz gone, nineteen tones at $renormalised_dbfs dBFS"
e2e_screenshot screen-end >/dev/null

e2e_close_window "$wid" || e2e_fail "cannot send WM_DELETE_WINDOW"
e2e_wait_exit "$E2E_APP_PID" 10 || e2e_fail "still running after WM_DELETE_WINDOW"
e2e_log "PASS"
