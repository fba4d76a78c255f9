#!/usr/bin/env bash
# The test signals of the Linux program over the tones, heard through the
# null sink. OFF PINK adds pink noise about 23.9 dB below full scale, falling
# 3 dB per octave; OFF SWEEP adds a sweep rising from 20 Hz as
# f = 20 (21050 / 20)^(t / 14); releasing either stops that one alone;
# switching the sweep off and on starts it again from 20 Hz.
#
# Two kinds of evidence. Spectral, over the bins the twenty tones leave: the
# noise's level and slope, the sweep's frequency against its law. Exact: the
# whole recording is the tone stream plus the player's mix of the two
# embedded recordings at volume 40 (-7.96 dB), sample for sample, with each
# start and stop found where it is heard. That is also how the tones are
# shown to play on at their level underneath: the noise is too strong near
# the low tones for a spectral reading within 0.5 dB over a few seconds.
#
# Usage: linux_test_signals_test.sh TONEGEN ANALYSE_RECORDING ARTIFACT_DIR
# with the embedded recordings named by TONEGEN_SWEEP_WAV and TONEGEN_PINK_WAV.
set -uo pipefail
program=$1
E2E_ANALYSE=$2
sweep_wav=${TONEGEN_SWEEP_WAV:?the sweep recording}
pink_wav=${TONEGEN_PINK_WAV:?the pink-noise recording}
# shellcheck source=harness.sh
source "$(dirname "$0")/harness.sh"
e2e_begin linux_test_signals "$3"
# shellcheck source=linux_common.sh
source "$E2E_LIB_DIR/linux_common.sh"

rec="$E2E_ARTIFACTS/recording.raw"
readonly pink_dbfs=-23.84 # RMS 5262 at volume 40: 5262 x 0.40004 / 32767
readonly sweep_law=20,21050,14
# The click's mark is the recording's length read after the button is
# released, and a change can show up to the recorder's latency before it
# (the harness measures the ends of the tones up to 0.02 s early too).
readonly early=$(samples_in 0.05)

# Fits the sweep's law over SECONDS of recording from sample FROM; prints
# the sample where the law puts 20 Hz, and the frequencies it saw.
sweep_fit() {
  local out
  out=$(e2e_analyse peak-track "$rec" --start "$1" --seconds "$2" --exclude-tones --guard 20 \
    --window 0.2 --step 0.1 --law $sweep_law) || {
    echo "$out" >&2
    return 1
  }
  echo "$(value_of sweep_start <<<"$out") $(value_of lowest_hz <<<"$out") $(value_of highest_hz <<<"$out")"
}

# Clicks a button in its middle and sets `clicked` to the recording's length
# once it is released, which is when the program sees the click.
press() {
  click "$1" $buttons_y
  clicked=$(mark)
}

e2e_start_xvfb
e2e_start_pulse
e2e_record_start "$rec"
open_main_window "$program"
press $on_off_x
record_for "$clicked" 2.5
clicks=()

# Pink noise over the tones.
press $pink_x
clicks+=("pink+ $clicked")
record_for "$clicked" 3
e2e_screenshot pink-on "$wid" >/dev/null
from=$((clicked + $(samples_in 0.8)))
level=$(e2e_analyse rms "$rec" --start $from --seconds 2 --exclude-tones --expect $pink_dbfs --tolerance 1) ||
  e2e_fail "no pink noise at $pink_dbfs dBFS: $level"
slope=$(e2e_analyse band-slope "$rec" --start $from --seconds 2 --exclude-tones --expect -3.01 --tolerance 0.5) ||
  e2e_fail "the noise does not fall 3 dB per octave: $slope"
e2e_log "pink noise: RMS $(value_of rms_dbfs <<<"$level") dBFS, $(value_of slope_db_per_octave <<<"$slope") dB per octave"

# The sweep as well.
press $sweep_x
clicks+=("sweep+ $clicked")
record_for "$clicked" 4.5
e2e_screenshot both-on "$wid" >/dev/null
read -r sweep_start low high < <(sweep_fit "$clicked" 4.5) || e2e_fail "no sweep on its law after OFF SWEEP"
e2e_log "sweep from $(seconds_between "$clicked" "$sweep_start") s after the click, seen from $low Hz to $high Hz"
((sweep_start >= clicked - early && sweep_start <= clicked + rate)) ||
  e2e_fail "the sweep's 20 Hz lies $(seconds_between "$clicked" "$sweep_start") s after the click"
awk -v f="$low" 'BEGIN { exit !(f < 30) }' || e2e_fail "the sweep was first seen at $low Hz, not near 20 Hz"

# Pink released: the sweep goes on as it was, the noise is gone.
press $pink_x
clicks+=("pink- $clicked")
record_for "$clicked" 2.5
read -r still_start low high < <(sweep_fit $((clicked + $(samples_in 0.5))) 2) ||
  e2e_fail "the sweep stopped with the pink noise"
e2e_log "after OFF PINK the sweep runs on: $low Hz to $high Hz, on the law from $(seconds_between "$sweep_start" "$still_start") s later"
((still_start - sweep_start < rate / 10 && sweep_start - still_start < rate / 10)) ||
  e2e_fail "the sweep jumped by $(seconds_between "$sweep_start" "$still_start") s when the pink noise stopped"
e2e_analyse rms "$rec" --start $((clicked + $(samples_in 0.8))) --seconds 1.5 --exclude-tones --band 2000,20000 \
  --below -60 >&2 || e2e_fail "noise above 2 kHz goes on after OFF PINK was released"

# Sweep released: the tones alone.
press $sweep_x
clicks+=("sweep- $clicked")
record_for "$clicked" 1.8
e2e_analyse levels "$rec" --last 1 --expect $tone_dbfs --tolerance 0.5 --floor -80 >&2 ||
  e2e_fail "more than the twenty tones after both test signals were released"

# Sweep again: from 20 Hz.
press $sweep_x
clicks+=("sweep+ $clicked")
record_for "$clicked" 3
read -r again low high < <(sweep_fit "$clicked" 3) || e2e_fail "no sweep after OFF SWEEP was pressed again"
e2e_log "sweep again from $(seconds_between "$clicked" "$again") s after the click, seen from $low Hz"
((again >= clicked - early && again <= clicked + rate)) ||
  e2e_fail "the sweep did not start again from 20 Hz: its law puts 20 Hz $(seconds_between "$clicked" "$again") s after the click"
press $sweep_x
clicks+=("sweep- $clicked")
record_for "$clicked" 1.5
until=$(mark)

# Sample for sample: the tones throughout, each test signal from its first
# sample on where it started, nothing of it where it stopped.
expected_events=$(printf '%s\n' "${clicks[@]}" | cut -d' ' -f1 | paste -sd,)
mixture=$(e2e_analyse mixture "$rec" --until "$until" --source sweep="$sweep_wav" --source pink="$pink_wav" \
  --source-volume -796 --expect-events "$expected_events") ||
  e2e_fail "the recording is not the tones plus the test signals: $mixture"
i=0
while read -r event at; do
  read -r name clicked <<<"${clicks[i]}"
  [ "$event" = "$name" ] || e2e_fail "event $i is $event, expected $name"
  lag=$(seconds_between "$clicked" "$at")
  ((at >= clicked - early && at <= clicked + rate)) || e2e_fail "$event heard $lag s after its click"
  e2e_log "$event heard from sample $at, $lag s after the release"
  i=$((i + 1))
done < <(sed -n 's/^event=\([a-z]*[+-]\)@\([0-9]*\) .*/\1 \2/p' <<<"$mixture")
first_sweep=$(sed -n 's/^event=sweep+@\([0-9]*\) .*/\1/p' <<<"$mixture" | head -n 1)
((first_sweep - sweep_start < rate / 10 && sweep_start - first_sweep < rate / 10)) ||
  e2e_fail "the sweep's law and its first sample disagree: samples $sweep_start and $first_sweep"
e2e_log "$(value_of explained <<<"$mixture") samples are the tones plus the test signals exactly" \
  "($(value_of clipped <<<"$mixture") held at full scale)"

e2e_close_window "$wid" || e2e_fail "cannot send WM_DELETE_WINDOW"
e2e_wait_exit "$E2E_APP_PID" 10 || e2e_fail "still running after WM_DELETE_WINDOW"
e2e_log "PASS"
