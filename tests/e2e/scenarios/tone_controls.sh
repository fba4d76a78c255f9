# shellcheck shell=bash
# shellcheck disable=SC2154 # what program.sh reads from the core and the platform layer sets
# The tone controls, heard through the null sink:
# - a frequency typed before the first release of ON/OFF plays sample for
#   sample as the core synthesises it, across a pause;
# - a frequency typed into a field reached by Tab (which selects its text)
#   is heard, and the old one gone, within the platform's change limit of
#   leaving the field (the ring's 1.95 to 2.23 s and the measure's window);
# - a field left holding no number takes the lowest frequency;
# - the last and the first gain bar taken to 0 one arrow click at a time:
#   bar and label show each step, the tone goes and the others rise to the
#   level the core's normalisation gives them.
rec="$E2E_ARTIFACTS/recording.raw"

# Presses KEY, then checks the focus is on control ID (WHAT for the message).
step_to() {
  keys "$1"
  expect_focus "$2" "$3"
}

e2e_start_xvfb
e2e_start_pulse
e2e_record_start "$rec"
start_program

# 1200 Hz in field 3 before anything plays: the ring of eight buffers was
# filled with the defaults while paused, so the change reaches the stream at
# its ninth buffer.
type_into_field 3 1200
expect_focus 4 "Tab out of field 3"
click_control "$on_off"
expect_focus "$on_off" "after the click on ON/OFF"
record_for "$clicked_at" 3.5
click_control "$on_off"
record_for "$clicked_at" 1
click_control "$on_off"
record_for "$clicked_at" 3
exact_until=$(mark)
app_compare "$rec" --freq 3=1200@8 --until "$exact_until" --expect-pauses 1 ||
  e2e_fail "the stream with 1200 Hz is not the synthesised one"

# Tab from ON/OFF to field 3, 440 typed over its selected text and left
# with Tab: 440 Hz heard and 1200 Hz gone within the change limit.
step_to Tab "$sweep_toggle" "Tab from ON/OFF"
step_to Tab "$pink_toggle" "Tab from OFF SWEEP"
step_to Tab "$about_toggle" "Tab from OFF PINK"
for k in 0 1 2 3; do step_to Tab "$k" "Tab to field $k"; done
keys 4 4 0
typed_at=$(mark)
step_to Tab 4 "Tab out of field 3"
left_at=$(mark)
record_for "$left_at" 4
e2e_analyse track "$rec" --start "$typed_at" --at 440 --window 0.1 --step 0.05 --above -30 \
  --after "$left_at" --within "$change_limit" | tail -n 2 >&2
((PIPESTATUS[0] == 0)) || e2e_fail "440 Hz was not heard within $change_limit s of leaving field 3"
e2e_analyse track "$rec" --start "$typed_at" --at 1200 --window 0.1 --step 0.05 --below -60 \
  --after "$left_at" --within "$change_limit" | tail -n 2 >&2
((PIPESTATUS[0] == 0)) || e2e_fail "1200 Hz did not go within $change_limit s of leaving field 3"
expect_bank --freq 3=440
step_to shift+Tab 3 "Shift+Tab back to field 3"
expect_copied 440 "field 3 after typing 440"
step_to Tab 4 "Tab out of field 3"
for ((k = 5; k < tone_count; k++)); do step_to Tab "$k" "Tab to field $k"; done
step_to Tab "$on_off" "Tab after the last field"
e2e_log "Tab order ON/OFF, OFF SWEEP, OFF PINK, ABOUT, fields 0..$((tone_count - 1)), ON/OFF"

# "abc" is no number: the field takes the lowest frequency.
type_into_field 3 abc
left_at=$(mark)
find_control 3
click_at $((cx + cw / 3)) $((cy + ch / 2))
keys ctrl+a
expect_copied "$lowest_frequency" "field 3 left with abc"
keys Tab
record_for "$left_at" 4
expect_bank --freq 3="$lowest_frequency"
e2e_log "abc in field 3 became $lowest_frequency, and $lowest_frequency Hz plays"

# The last gain bar to 0, one arrow click at a time.
last=$((tone_count - 1))
click_gain_down "$last" "${default_gains[last]}" 0
record_for "$(mark)" 3
expect_bank --freq 3="$lowest_frequency" --gain "$last"=0

# The first: one click short of 0 leaves 1, one more 0.
click_gain_down 0 "${default_gains[0]}" 1
click_gain_down 0 1 0
record_for "$(mark)" 4
expect_bank --freq 3="$lowest_frequency" --gain "$last"=0 --gain 0=0
e2e_screenshot screen-end >/dev/null
close_program
