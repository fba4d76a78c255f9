# shellcheck shell=bash
# shellcheck disable=SC2154 # what program.sh reads from the core and the platform layer sets
# A choice of output device. With a second null sink beside the default one,
# and of the same description ("Null Output"), --list-devices names both as
# the server lists them, numbered, each with its server name, the default
# marked; started with --device and the second one's server name, the
# program plays the tones and the test signals there and nothing on the
# default sink, whose recording stays silent throughout.
rec="$E2E_ARTIFACTS/recording.raw"         # the chosen sink
default_rec="$E2E_ARTIFACTS/default-sink.raw"

e2e_start_xvfb
e2e_start_pulse
pactl load-module module-null-sink sink_name=bench format=s16le rate=44100 channels=1 >/dev/null ||
  e2e_fail "cannot add a second null sink"
e2e_record_start "$default_rec"
: >"$rec"
e2e_spawn recorder-bench sh -c "exec parec -d bench.monitor --format=s16le --rate=44100 --channels=1 --raw --latency-msec=20 >'$rec'"
e2e_poll 10 test -s "$rec" || e2e_fail "nothing recorded from the second sink within 10 s"

app_run --list-devices >"$E2E_ARTIFACTS/devices.txt" 2>&1 || e2e_fail "--list-devices failed: $(cat "$E2E_ARTIFACTS/devices.txt")"
e2e_log "devices: $(paste -sd'|' "$E2E_ARTIFACTS/devices.txt")"
description=$(pactl list sinks | sed -n 's/^[[:space:]]*Description: //p' | sort -u)
[ "$(grep -c . <<<"$description")" = 1 ] || e2e_fail "the two sinks' descriptions differ: $description"
grep -qxF "  1  $description  [out]  (default)" "$E2E_ARTIFACTS/devices.txt" ||
  e2e_fail "the default sink is not listed first, marked, with its server name"
grep -qxF "  2  $description  [bench]" "$E2E_ARTIFACTS/devices.txt" || e2e_fail "the second sink is not listed with its server name"
[ "$(grep -c . "$E2E_ARTIFACTS/devices.txt")" = 2 ] || e2e_fail "not exactly two devices listed"

# shellcheck disable=SC2034 # the platform layer reads it
APP_ARGS=(--device bench)
start_program
click_control "$on_off"
record_for "$clicked_at" 3.0
expect_bank
bench=$(pactl list short sinks | awk '$2 == "bench" { print $1 }')
click_control "$sweep_toggle"
record_for "$clicked_at" 2.0
pactl list short sink-inputs >"$E2E_ARTIFACTS/sink-inputs.txt"
[ "$(awk -v s="$bench" '$2 != s' "$E2E_ARTIFACTS/sink-inputs.txt" | grep -c .)" = 0 ] ||
  e2e_fail "a stream plays elsewhere than on the chosen sink: $(cat "$E2E_ARTIFACTS/sink-inputs.txt")"
[ "$(grep -c . "$E2E_ARTIFACTS/sink-inputs.txt")" = 2 ] ||
  e2e_fail "not the two streams (tones, sweep) on the chosen sink: $(cat "$E2E_ARTIFACTS/sink-inputs.txt")"
click_control "$sweep_toggle"
close_program
e2e_analyse silence "$default_rec" || e2e_fail "sound on the default sink"
e2e_log "the tones and the sweep played on the chosen sink only; the default sink stayed silent"
