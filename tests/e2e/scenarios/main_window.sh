# shellcheck shell=bash
# shellcheck disable=SC2154 # what program.sh reads from the core and the platform layer sets
# From start to close, heard through the null sink's monitor: the About box
# first, no page while it is up and exactly the software page after its OK,
# the main window at its fixed size, silence while paused, the twenty
# default tones at their synthesised level after ON/OFF is released, silence
# again when it is pressed, a resume that loses and repeats nothing, and a
# close request that ends the process with code 0 and the sound at once.
rec="$E2E_ARTIFACTS/recording.raw"
e2e_start_xvfb
e2e_start_pulse
e2e_record_start "$rec"

started=$(e2e_now)
start_program
e2e_log "main window $wid taking clicks $(e2e_elapsed "$started" "$(e2e_now)") s after the start"
e2e_screenshot main-window "$wid" >/dev/null
expect_pages "$software_page"
expect_fixed_size

# Paused at start, then released, pressed and released again.
expect_on_off_round

# Closed as a window manager's close button closes it; the end of the sound
# is timed from the moment the request has gone out. The ring holds 2.2 s of
# queued audio: playing it out is not stopping at once.
close_program
record_for "$close_sent_at" 3.0
e2e_record_stop
e2e_analyse stops "$rec" --after "$close_sent_at" --within 0.3 ||
  e2e_fail "the sound went on after WM_DELETE_WINDOW"

# Sample for sample, from the first sound, across the pause and the resume.
app_compare "$rec" --expect-pauses 1 || e2e_fail "the recording is not the synthesised stream"
