# shellcheck shell=bash
# shellcheck disable=SC2034 # the constants are for the tests that source this
# What the tests of both programs (Linux and Windows) share: the main window's
# title and where its controls are, the default tones and their level, and
# small measures over the recording. Sourced after harness.sh.

readonly main_title="Zelvara Pro-ZEZIZAVIZ VERSION"
readonly rate=44100
readonly tone_dbfs=-26.55
readonly default_frequencies=(80 200 400 700 1000 1400 2000 3000 4000 5000
  6000 7000 8000 9000 10000 12000 14000 16000 18000 20000)

# The four buttons along the bottom, clicked in their middle (client pixels):
# ON/OFF (163) at (20, 718) 50 x 28, OFF SWEEP (161) at (70, 718) 78 x 28,
# OFF PINK (160) at (148, 718) 59 x 28, ABOUT (166) at (207, 718) 68 x 28.
readonly buttons_y=732
readonly on_off_x=45 sweep_x=109 pink_x=177 about_x=241

# Tone k's row: frequency field k at (30, 47 + 33k) 78 x 20, gain label
# 120 + k at (136, 50 + 33k) 24 x 20, gain bar 20 + k at (165, 50 + 33k)
# 100 x 14 with its left arrow in its first 13 pixels.
field_y() { echo $((47 + 33 * $1)); }
bar_y() { echo $((50 + 33 * $1)); }

samples_in() { awk -v s="$1" -v r=$rate 'BEGIN { printf "%d", s * r }'; }
seconds_between() { awk -v a="$1" -v b="$2" -v r=$rate 'BEGIN { printf "%.3f", (b - a) / r }'; }

# Waits until the recording `rec` holds SECONDS more than at sample position
# FROM (for up to LIMIT seconds, 30 if not given).
# shellcheck disable=SC2154 # rec is set by each test
record_for() { e2e_record_until "$rec" $(($1 + $(samples_in "$2"))) "${3:-30}"; }

# The recording's length now, in samples.
# shellcheck disable=SC2154
mark() { e2e_recorded_samples "$rec"; }

# Value of KEY in the key=value lines of an analysis.
value_of() { sed -n "s/^$1=//p"; }

# Value of KEY in what `analyse_recording info` says of the recording.
info_value() { e2e_analyse info "$rec" | value_of "$1"; }

# Clicks the button along the bottom at client x X (NAME for the log) in the
# main window `wid`; `clicked_at` is the recording's length just before.
# shellcheck disable=SC2154 # wid is set by each test
click_button() {
  clicked_at=$(mark)
  e2e_click "$wid" "$1" $buttons_y
  e2e_log "clicked $2 at recording sample $clicked_at"
}

# ON/OFF from start-up in the main window `wid`: a second of silence while it
# is pressed, the twenty default tones once it is released, silence within a
# second of pressing it again, the tones again on the next release. LEVELS...
# is the command that checks the tones' steady level at the end of the
# recording; --expect and --tolerance are added to it.
expect_on_off_round() {
  local shown_at first
  shown_at=$(mark)
  record_for "$shown_at" 1.0
  e2e_screenshot main-window-paused "$wid" >/dev/null
  e2e_analyse silence "$rec" --min-seconds 1 || e2e_fail "sound while ON/OFF is pressed at start"

  click_button $on_off_x ON/OFF
  record_for "$clicked_at" 3.0
  first=$(info_value first_sound)
  [ -n "$first" ] || e2e_fail "no sound 3 s after ON/OFF was released"
  e2e_log "sound began $(seconds_between "$clicked_at" "$first") s after the click"
  e2e_screenshot main-window-playing "$wid" >/dev/null
  e2e_screenshot screen-playing >/dev/null
  "$@" --expect $tone_dbfs --tolerance 0.5 || e2e_fail "the tones are not the twenty defaults at $tone_dbfs dBFS"

  click_button $on_off_x ON/OFF
  record_for "$clicked_at" 1.5
  e2e_analyse silence "$rec" --last 0.5 || e2e_fail "sound still plays 1 s after ON/OFF was pressed"
  e2e_log "sound ended $(seconds_between "$clicked_at" "$(info_value last_sound)") s after the click"
  e2e_screenshot main-window-paused-again "$wid" >/dev/null

  click_button $on_off_x ON/OFF
  record_for "$clicked_at" 2.5
  "$@" --expect $tone_dbfs --tolerance 0.5 || e2e_fail "the tones did not resume as they were"
}
