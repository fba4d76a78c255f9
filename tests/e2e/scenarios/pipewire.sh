# shellcheck shell=bash
# shellcheck disable=SC2154 # what program.sh reads from the core and the platform layer sets
# The Linux program on a private PipeWire server through its PulseAudio
# layer (../pipewire.sh): silence while paused, the twenty tones once ON/OFF
# is released, silence when it is pressed, the tones again, sample for
# sample across the pause, and a close that ends the process with 0 at once.
# shellcheck source=../pipewire.sh
source "$E2E_LIB_DIR/pipewire.sh"

rec="$E2E_ARTIFACTS/recording.raw"
e2e_start_xvfb
e2e_start_pipewire
e2e_record_start "$rec"
start_program

expect_on_off_round
e2e_log "the program's stream at the server: $(pactl list short sink-inputs | cut -f4- | head -n 1)"

close_program
record_for "$(mark)" 1
e2e_record_stop
app_compare "$rec" --expect-pauses 1 || e2e_fail "the recording is not the synthesised stream"
