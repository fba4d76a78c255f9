# shellcheck shell=bash
# shellcheck disable=SC2154 # what program.sh reads from the core and the platform layer sets
# Started with --stop-after 3: once ON/OFF is released the tones sound for
# 3 s from their first sample, fade out and fall silent, and ON/OFF shows
# OFF, pressed. The recording is the render tool's with the same timer,
# sample for sample, the fade and a second of silence after it included.
rec="$E2E_ARTIFACTS/recording.raw"
render="$E2E_ARTIFACTS/render.wav"
seconds=3

e2e_start_xvfb
e2e_start_pulse
app_render --stop-after "$seconds" --seconds $((seconds + 1)) -o "$render" 2>"$E2E_RUN/logs/render.log" ||
  e2e_fail "the render tool failed: $(cat "$E2E_RUN/logs/render.log")"

e2e_record_start "$rec"
# shellcheck disable=SC2034 # the platform layer reads it
APP_ARGS=(--stop-after "$seconds")
start_program
click_control "$on_off"
# The timer's time and a second of silence, with room for the first sound
# to come late (wine's start of a stream).
record_for "$clicked_at" $((seconds + 4))
expect_toggle "$on_off" OFF pressed
first_sound=$(info_value first_sound)
[ -n "$first_sound" ] || e2e_fail "no sound after ON/OFF was released"
app_compare "$rec" --reference-wav "$render" --until $((first_sound + (seconds + 1) * rate)) \
  >"$E2E_ARTIFACTS/compare.txt" || e2e_fail "the sound is not the render's with the same timer: $(cat "$E2E_ARTIFACTS/compare.txt")"
# The comparison ends where silence lasts to the end: that must not be
# before the fade (the render is silent from its end on).
compared=$(value_of compared <"$E2E_ARTIFACTS/compare.txt")
((compared >= seconds * rate - rate / 20)) || e2e_fail "the sound ended after $compared samples, before the fade"
e2e_log "$seconds s of sound from the first sample, the fade, silence, ON/OFF pressed"
close_program
