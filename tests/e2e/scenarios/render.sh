# shellcheck shell=bash
# shellcheck disable=SC2154 # what program.sh reads from the core and the platform layer sets
# The render tool beside the program writes exactly what the live program
# plays: a render of a setup equals, sample for sample, the recording of the
# program started with that setup from its first sound. The program gets the
# setup as a file dropped on it would come: the file's path alone, the file
# as a Windows editor saves it (a UTF-8 byte-order mark, one item a line,
# CRLF line ends). The render tools of both systems write the same file,
# byte for byte (TONEGEN_RENDER names the Linux one), with and without the
# test signals.
rec="$E2E_ARTIFACTS/recording.raw"
text="tonegen-setup 1:"
for ((k = 0; k < tone_count; k++)); do text+=" ${default_frequencies[k]}@$((10 + 4 * k))"; done
seconds=4
frames=$((seconds * rate))
render="$E2E_ARTIFACTS/render.wav"

# The display first: under wine the render tool's run starts the prefix's
# services, which must know the display the program shows its windows on.
e2e_start_xvfb
e2e_start_pulse

app_render --setup "$text" --seconds "$seconds" -o "$render" 2>"$E2E_RUN/logs/render.log" ||
  e2e_fail "the render tool failed: $(cat "$E2E_RUN/logs/render.log")"
[ "$(stat -c %s "$render")" = $((44 + 2 * frames)) ] || e2e_fail "the render is $(stat -c %s "$render") bytes, expected $((44 + 2 * frames))"
[ -x "${TONEGEN_RENDER:-}" ] || e2e_fail "TONEGEN_RENDER names no Linux render tool"
for extra in "" "--sweep --pink"; do
  # shellcheck disable=SC2086 # the extra options are words
  app_render --setup "$text" --seconds 3 $extra -o "$E2E_ARTIFACTS/this.wav" 2>>"$E2E_RUN/logs/render.log" &&
    "$TONEGEN_RENDER" --setup "$text" --seconds 3 $extra -o "$E2E_ARTIFACTS/linux.wav" ||
    e2e_fail "a render${extra:+ with $extra} failed: $(cat "$E2E_RUN/logs/render.log")"
  cmp "$E2E_ARTIFACTS/this.wav" "$E2E_ARTIFACTS/linux.wav" ||
    e2e_fail "the render${extra:+ with $extra} differs from the Linux render tool's"
done
e2e_log "renders of $seconds s written; this render tool and the Linux one agree byte for byte, test signals or not"

e2e_record_start "$rec"
setup_file="$E2E_ARTIFACTS/dropped.setup"
{
  printf '\xEF\xBB\xBF'
  # shellcheck disable=SC2086 # one item a line
  printf '%s\r\n' "tonegen-setup 1:" ${text#tonegen-setup 1: }
} >"$setup_file"
# shellcheck disable=SC2034 # the platform layer reads it
APP_ARGS=("$setup_file")
start_program
click_control "$on_off"
record_for "$clicked_at" $((seconds + 2))
e2e_analyse info "$rec" >"$E2E_ARTIFACTS/info.txt"
first_sound=$(value_of first_sound <"$E2E_ARTIFACTS/info.txt")
[ -n "$first_sound" ] || e2e_fail "no sound after ON/OFF was released"
app_compare "$rec" --reference-wav "$render" --until $((first_sound + frames)) >&2 ||
  e2e_fail "the live stream is not the render, sample for sample"
e2e_log "the live stream, the setup dropped on the program as an editor's file, is the render for $seconds s from its first sound"
close_program
