# shellcheck shell=bash
# shellcheck disable=SC2154 # what program.sh reads from the core and the platform layer sets
# The test signals: the toggles play the embedded recordings, alone while
# the tones are paused and then over them. OFF PINK gives pink noise at the
# level of the recording at the player's volume, falling 3 dB per octave;
# OFF SWEEP a sweep rising from 20 Hz as f = 20 (21050 / 20)^(t / 14); each
# toggle shows its state in its caption; releasing either stops that one
# alone; switching the sweep off and on starts it again from 20 Hz.
#
# Spectral evidence, on both programs: the noise's level and slope (over the
# bins the twenty tones leave when they play), the sweep's frequency against
# its law, the tones' levels beside them. Exact evidence where the platform
# mixes as the player does (the Linux program): from the tones' first sound
# the recording is the tone stream plus the player's mix of the two embedded
# recordings, sample for sample, each start and stop found where it is
# heard.
rec="$E2E_ARTIFACTS/recording.raw"
pink_level=(--expect-source "$TONEGEN_PINK_WAV" --source-volume "$test_signal_volume" --tolerance 1.0)
# The sweep is tracked in windows of 0.2 s (5 Hz bins) every 0.1 s; it
# starts from 20 Hz within half a second of the click, and is followed from
# below 30 Hz.
track=(--window 0.2 --step 0.1 --law "$sweep_law")
from_20_hz=(--start-within "-0.05,0.5" --lowest-at-most 30)

# The sweep's law over SECONDS of recording from sample FROM (ARGS: what to
# look at, what to check); sets `sweep_start` to where the law puts 20 Hz.
sweep_fit() {
  local from=$1 seconds=$2 out
  shift 2
  out=$(e2e_analyse peak-track "$rec" --start "$from" --seconds "$seconds" "${track[@]}" "$@")
  local status=$?
  tail -n 9 <<<"$out" >&2
  ((status == 0)) || return 1
  sweep_start=$(value_of sweep_start <<<"$out")
}

e2e_start_xvfb
e2e_start_pulse
e2e_record_start "$rec"
start_program
expect_toggle "$sweep_toggle" "OFF SWEEP" released
expect_toggle "$pink_toggle" "OFF PINK" released

# 1. Each alone, the tones paused: the sweep from 20 Hz.
click_control "$sweep_toggle"
record_for "$clicked_at" 4.0
expect_toggle "$sweep_toggle" "ON SWEEP" pressed
sweep_fit "$clicked_at" 4.0 --band 10,400 --origin "$clicked_at" "${from_20_hz[@]}" ||
  e2e_fail "no sweep from 20 Hz after OFF SWEEP"
e2e_screenshot sweep-on "$wid" >/dev/null
click_control "$sweep_toggle"
record_for "$clicked_at" 1.5
expect_toggle "$sweep_toggle" "OFF SWEEP" released
e2e_analyse silence "$rec" --last 0.5 || e2e_fail "sound 1 s after the sweep was switched off"

# The noise: its level and slope over two seconds.
click_control "$pink_toggle"
record_for "$clicked_at" 3.0
expect_toggle "$pink_toggle" "ON PINK" pressed
steady rms --last 2 "${pink_level[@]}" || e2e_fail "the noise is not at its level"
steady band-slope --last 2 --expect -3.01 --tolerance 0.5 ||
  e2e_fail "the noise does not fall 3 dB per octave"
click_control "$pink_toggle"
record_for "$clicked_at" 1.5
expect_toggle "$pink_toggle" "OFF PINK" released
e2e_analyse silence "$rec" --last 0.5 || e2e_fail "sound 1 s after the noise was switched off"
tones_from=$(mark)

# 2. Over the tones.
click_control "$on_off"
record_for "$clicked_at" 2.5
expect_bank
events=()

# The noise joins the tones; it is what the tones leave. The noise within a
# tone's few bins adds to the tone with a phase of its own and moves its
# reading by up to a decibel or two at the low tones in a one-second
# spectrum; four seconds halve that.
click_control "$pink_toggle"
events+=("pink+@$clicked_at")
record_for "$clicked_at" 5.0
expect_toggle "$pink_toggle" "ON PINK" pressed
e2e_screenshot pink-on "$wid" >/dev/null
steady levels --last 4 --expect-synthesised --tolerance 1.5 >&2 ||
  e2e_fail "the tones are not at their level beside the noise"
steady rms --last 4 --exclude-tones "${pink_level[@]}" || e2e_fail "the noise is not at its level beside the tones"
steady band-slope --last 4 --exclude-tones --expect -3.01 --tolerance 0.5 ||
  e2e_fail "the noise beside the tones does not fall 3 dB per octave"

# The sweep as well: from 20 Hz again, not from where it was stopped. Below
# the lowest tone for its first 2.8 s, so it is followed there, and the
# tones are measured beside it meanwhile (the last two seconds, those the
# sweep comes near left out).
click_control "$sweep_toggle"
events+=("sweep+@$clicked_at")
record_for "$clicked_at" 2.5
expect_toggle "$sweep_toggle" "ON SWEEP" pressed
e2e_screenshot all-three "$wid" >/dev/null
sweep_fit "$clicked_at" 2.5 --band 10,75 --origin "$clicked_at" "${from_20_hz[@]}" ||
  e2e_fail "no sweep from 20 Hz beside the tones and the noise"
first_start=$sweep_start
steady levels --last 2 --expect-synthesised --tolerance 2.0 --sweep-from "$first_start" --law "$sweep_law" >&2 ||
  e2e_fail "the tones are not at their level beside the sweep and the noise"

# The noise stops: the sweep goes on along the same law, the tones stay.
# Both fits place the sweep's start to within the 0.15 s their own windows
# agree to (at 20 Hz a 0.2 s window's 5 Hz bins are a quarter of the
# frequency); a restart or a stall of the sweep moves it by more.
click_control "$pink_toggle"
events+=("pink-@$clicked_at")
record_for "$clicked_at" 2.5
expect_toggle "$pink_toggle" "OFF PINK" released
sweep_fit $((clicked_at + $(samples_in 0.5))) 2 --band 80,2000 --exclude-tones --origin "$first_start" \
  --start-within -0.15,0.15 || e2e_fail "the sweep did not run on along its law when the noise stopped"
steady rms --last 1.5 --exclude-tones --band 2000,20000 --below -60 ||
  e2e_fail "noise above 2 kHz goes on after OFF PINK was released"
# The tones the sweep passes meanwhile are not measured.
steady levels --expect-synthesised --tolerance 1.0 --sweep-from "$first_start" --law "$sweep_law" >&2 ||
  e2e_fail "the tones changed when the noise stopped"

# The sweep stops: only the tones are left.
click_control "$sweep_toggle"
events+=("sweep-@$clicked_at")
record_for "$clicked_at" 2.5
expect_toggle "$sweep_toggle" "OFF SWEEP" released
expect_bank
steady rms --last 2 --exclude-tones --below -60 || e2e_fail "a test signal goes on after it was switched off"

# The sweep once more: from 20 Hz.
click_control "$sweep_toggle"
events+=("sweep+@$clicked_at")
record_for "$clicked_at" 2.5
sweep_fit "$clicked_at" 2.5 --band 10,75 --origin "$clicked_at" "${from_20_hz[@]}" ||
  e2e_fail "the sweep did not start again from 20 Hz"
click_control "$sweep_toggle"
events+=("sweep-@$clicked_at")
record_for "$clicked_at" 1.5
until=$(mark)

# Sample for sample where the platform allows: the tones throughout, each
# test signal from its first sample on where it started (within 0.1 s of its
# click, the other one playing or not, or up to the recorder's latency before
# the click's mark, which is read once the button is released), nothing of
# it where it stopped, and the first sweep's first sample where its law puts
# 20 Hz.
app_expect_mixture --start "$tones_from" --until "$until" --expect-events "$(IFS=,; echo "${events[*]}")" \
  --event-early 0.05 --event-lag 0.1 --first "sweep+@$first_start"
close_program
