# shellcheck shell=bash
# shellcheck disable=SC2154 # what program.sh reads from the core and the platform layer sets
# What a screen reader reads of the Linux program: the real program on a
# private accessibility bus (AT-SPI), its objects as atspi_tree.py reads
# them. Every tone row's field and gain bar by name ("Frequency of tone 5",
# "Gain of tone 5"), with the tone's levels as the description and the
# number as the value; ON/OFF with the mix's levels. Then a typed frequency
# and a gain bar's step, read again: the texts followed at once.

launcher=/usr/libexec/at-spi-bus-launcher
[ -x "$launcher" ] || e2e_fail "$launcher is missing (scripts/setup.sh installs at-spi2-core)"
"$E2E_PYTHON" -c 'import gi; gi.require_version("Atspi", "2.0")' 2>/dev/null ||
  e2e_fail "the AT-SPI bindings are missing (scripts/setup.sh installs gir1.2-atspi-2.0)"

e2e_start_xvfb
e2e_start_pulse

# A session bus of the run's own, and on it the accessibility bus, which
# the launcher also names on the X server for clients to find.
bus="$E2E_RUN/session-bus"
e2e_spawn dbus dbus-daemon --session --address="unix:path=$bus" --nofork --nopidfile
e2e_poll 10 test -S "$bus" || e2e_fail "the private session bus did not start"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$bus"
e2e_spawn at-spi-bus-launcher "$launcher" --launch-immediately
e2e_poll 10 e2e_quietly xprop -root AT_SPI_BUS || e2e_fail "no accessibility bus named on the X server"
unset NO_AT_BRIDGE
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

start_program

minus=$'\u2212'
dot=$'\u00b7'

# The tree now, into artefact NAME.tsv.
read_tree() {
  "$E2E_PYTHON" "$E2E_LIB_DIR/atspi_tree.py" tonegen --timeout 20 >"$E2E_ARTIFACTS/$1.tsv" 2>>"$E2E_RUN/logs/atspi_tree.log" ||
    e2e_fail "cannot read the program's objects from the accessibility bus"
  e2e_log "$(wc -l <"$E2E_ARTIFACTS/$1.tsv") objects on the accessibility bus ($1.tsv)"
}

# The line of the object named NAME in tree NAME.tsv: "role<TAB>description<TAB>value".
object() { awk -F '\t' -v name="$2" '$3 == name { print $2 "\t" $4 "\t" $5; exit }' "$E2E_ARTIFACTS/$1.tsv"; }

expect_object() {
  local tree=$1 name=$2 role=$3 description=$4 value=$5 line
  line=$(object "$tree" "$name")
  [ -n "$line" ] || e2e_fail "no object named '$name' in $tree.tsv"
  [ "$(cut -f1 <<<"$line")" = "$role" ] || e2e_fail "'$name' is a $(cut -f1 <<<"$line"), expected a $role"
  # shellcheck disable=SC2053 # the description is a pattern
  [[ $(cut -f2 <<<"$line") == $description ]] ||
    e2e_fail "'$name' is described as '$(cut -f2 <<<"$line")', expected '$description'"
  [ "$(cut -f3 <<<"$line")" = "$value" ] || e2e_fail "'$name' has the value '$(cut -f3 <<<"$line")', expected '$value'"
}

read_tree start
for ((k = 0; k < 20; k++)); do
  f=${default_frequencies[k]}
  expect_object start "Frequency of tone $((k + 1))" "spin button" \
    "Tone $((k + 1)): $f Hz * $dot gain 44 % $dot peak ${minus}26.56 dBFS $dot RMS ${minus}29.57 dBFS" "$f"
  expect_object start "Gain of tone $((k + 1))" "scroll bar" \
    "Tone $((k + 1)): $f Hz * $dot gain 44 % $dot peak ${minus}26.56 dBFS $dot RMS ${minus}29.57 dBFS" 44
  expect_object start "Gain in per cent of tone $((k + 1))" label "Tone $((k + 1)): $f Hz *" ""
done
expect_object start ON/OFF "check box" \
  "Twenty-tone mix: worst-case peak ${minus}0.54 dBFS $dot RMS ${minus}16.56 dBFS $dot paused" ""
expect_object start Sweep "check box" "Sine sweep, 20 Hz to 21 kHz *" ""
expect_object start "Pink noise" "check box" "Pink noise, falling 3 dB per octave*" ""

# Reads tree NAME until the object named in the second argument is
# described as the third says (up to 5 s): the program takes a moment to
# handle what the user did.
read_tree_until() {
  local tree=$1 name=$2 description=$3
  e2e_until 5 0.3 described_as "$tree" "$name" "$description" ||
    e2e_log "'$name' is not yet described as '$description' after 5 s"
}
described_as() {
  read_tree "$1" 2>/dev/null
  # shellcheck disable=SC2053 # a pattern
  [[ $(object "$1" "$2" | cut -f2) == $3 ]]
}

# A typed frequency: tone 5's row says 440 Hz, an A4 exactly.
type_into_field 4 440
e2e_screenshot typed "$wid" >/dev/null
read_tree_until typed "Frequency of tone 5" "Tone 5: 440 Hz*"
expect_object typed "Frequency of tone 5" "spin button" "Tone 5: 440 Hz = A4 $dot gain 44 % $dot peak ${minus}26.56 dBFS *" 440
expect_object typed "Gain of tone 5" "scroll bar" "Tone 5: 440 Hz = A4 $dot gain 44 % *" 44

# Tone 1's bar one step to the right, by its arrow: its own gain, and every
# tone's level after the renormalisation.
find_control "$first_gain_bar"
click_repeat $((cx + cw - 6)) $((cy + ch / 2)) 1
read_tree_until stepped "Gain of tone 1" "*gain 45 %*"
expect_object stepped "Gain of tone 1" "scroll bar" "Tone 1: 80 Hz * $dot gain 45 % $dot peak ${minus}26.36 dBFS *" 45
expect_object stepped "Gain of tone 2" "scroll bar" "Tone 2: 200 Hz * $dot gain 44 % $dot peak ${minus}26.57 dBFS *" 44
expect_object stepped ON/OFF "check box" "Twenty-tone mix: worst-case peak ${minus}0.53 dBFS *" ""
