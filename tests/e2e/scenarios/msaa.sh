# shellcheck shell=bash
# shellcheck disable=SC2154 # what program.sh reads from the core and the platform layer sets
# The Windows program as a screen reader reads it: names, values and
# descriptions of its controls, asked for from a second process of the same
# prefix through MSAA (WM_GETOBJECT, oleacc, COM), as assistive technology
# asks. At start-up, after a frequency typed into tone 5's field, and after
# one step of tone 1's gain bar by its right arrow.
e2e_start_xvfb
e2e_start_pulse
start_program

minus=$'\u2212'
dot=$'\u00b7'

# What the probe reads now, into artefact NAME.txt.
read_all() {
  wine_probe accessible "$main_title" >"$E2E_ARTIFACTS/$1.txt" || e2e_fail "the probe cannot read the controls"
}

# Control ID in listing NAME: its name, value and description match.
expect_control() {
  local list=$1 id=$2 name=$3 value=$4 description=$5 line
  line=$(grep "^id=$id " "$E2E_ARTIFACTS/$list.txt")
  # The expected texts are patterns (* for any run of characters).
  local pattern="id=$id name=$name|value=$value|description=$description"
  # shellcheck disable=SC2053 # a pattern on purpose
  [[ $line == $pattern ]] ||
    e2e_fail "control $id reads '${line#id=$id }', expected name '$name', value '$value', description '$description'"
}

# Reads listing NAME until control ID's description matches (up to 5 s): the
# program takes a moment to handle what the user did.
read_until() {
  local list=$1 id=$2 description=$3
  e2e_until 5 0.3 read_matches "$list" "$id" "$description" ||
    e2e_log "control $id is not yet described as '$description' after 5 s"
}
read_matches() {
  read_all "$1"
  [[ $(grep "^id=$2 " "$E2E_ARTIFACTS/$1.txt") == *"|description=$3" ]]
}

read_all start
for ((k = 0; k < tone_count; k++)); do
  f=${default_frequencies[k]}
  about="Tone $((k + 1)): $f Hz * $dot gain 44 % $dot peak ${minus}26.56 dBFS $dot RMS ${minus}29.57 dBFS"
  expect_control start "$k" "Frequency of tone $((k + 1))" "$f hertz" "$about"
  expect_control start $((first_gain_bar + k)) "Gain of tone $((k + 1))" "44 per cent, ${minus}26.56 dBFS" "$about"
  expect_control start $((first_gain_label + k)) "Gain in per cent of tone $((k + 1))" "44 per cent" "$about"
done
expect_control start "$on_off" ON/OFF "*" "Twenty-tone mix: worst-case peak ${minus}0.54 dBFS $dot RMS ${minus}16.56 dBFS $dot paused"
expect_control start "$sweep_toggle" Sweep "*" "Sine sweep, 20 Hz to 21 kHz *"
expect_control start "$pink_toggle" "Pink noise" "*" "Pink noise, falling 3 dB per octave*"
e2e_log "start-up: every control named, valued and described"

# 440 typed into tone 5's field over its 1000.
type_into_field 4 440
read_until typed $((first_gain_bar + 4)) "Tone 5: 440 Hz*"
expect_control typed 4 "Frequency of tone 5" "440 hertz" "Tone 5: 440 Hz = A4 $dot gain 44 % *"
expect_control typed $((first_gain_bar + 4)) "Gain of tone 5" "44 per cent, ${minus}26.56 dBFS" "Tone 5: 440 Hz = A4 $dot gain 44 % *"
e2e_log "typed: tone 5 reads 440 hertz"

# Tone 1's bar one step right: its gain, every tone's level renormalised.
find_control "$first_gain_bar"
click_repeat $((cx + cw - 6)) $((cy + ch / 2)) 1
read_until stepped "$first_gain_bar" "*gain 45 %*"
expect_control stepped "$first_gain_bar" "Gain of tone 1" "45 per cent, ${minus}26.36 dBFS" "Tone 1: 80 Hz * $dot gain 45 % *"
expect_control stepped $((first_gain_bar + 1)) "Gain of tone 2" "44 per cent, ${minus}26.57 dBFS" "Tone 2: 200 Hz *"
expect_control stepped "$first_gain_label" "Gain in per cent of tone 1" "45 per cent" "Tone 1: 80 Hz * $dot gain 45 % *"
e2e_screenshot main-window "$wid" >/dev/null
e2e_log "stepped: tone 1 reads 45 per cent, the others renormalised"
