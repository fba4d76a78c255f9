# shellcheck shell=bash
# shellcheck disable=SC2154 # what program.sh reads from the core and the platform layer sets
# The keys of a frequency field, on field 3 (700 Hz, 44 %) while the tones
# play: Ctrl+Up a semitone, Shift+Down 10 Hz, plain Up 1 Hz; PageUp and
# Shift+PageUp its gain by 1 and 10. Each key is taken before the next is
# pressed (a key that lands while a handler drains the events is dropped);
# field, bar and label show each step, and the tones are heard at the levels
# the core synthesises for the new setup.
rec="$E2E_ARTIFACTS/recording.raw"
field=3

field_shows() { app_probe controls "$main_title" | grep -q "^id=$field class=Edit .* text=$1$"; }

# Presses KEY in field 3 and waits until the field shows HERTZ.
frequency_key() {
  keys "$1"
  e2e_until 10 0.2 field_shows "$2" ||
    e2e_fail "$1 in field $field: it shows '$(app_probe controls "$main_title" | grep "^id=$field " | sed 's/.* text=//')', not $2"
  e2e_log "$1 in field $field: $2 Hz"
}

e2e_start_xvfb
e2e_start_pulse
e2e_record_start "$rec"
start_program
((default_frequencies[field] == 700 && default_gains[field] == 44)) ||
  e2e_fail "field $field starts at ${default_frequencies[field]} Hz and ${default_gains[field]} %, not 700 Hz and 44 %"

click_control "$on_off"
find_control "$field"
click_at $((cx + cw / 3)) $((cy + ch / 2))
expect_focus "$field" "after a click into field $field"

frequency_key ctrl+Up 742
frequency_key shift+Down 732
frequency_key Up 733
keys Page_Up
expect_gain "$field" 45
keys shift+Page_Up
expect_gain "$field" 55
record_for "$(mark)" 4 # the last change heard (the ring, the platform's change limit), then a steady second
expect_bank --freq "$field"=733 --gain "$field"=0.55
close_program
