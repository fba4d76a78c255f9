# shellcheck shell=bash
# shellcheck disable=SC2154 # what program.sh reads from the core and the platform layer sets
# On a machine with no audio output: the main window's "Err!" / "Audio
# Device Not Present", no page handed to the browser, and a clean
# exit once the message is dismissed with Return.
e2e_start_xvfb
app_no_audio_output

app_launch
box=$(e2e_find_window "$error_title" "$start_up_limit") || e2e_fail "no window titled '$error_title'"
e2e_log "message box $box, client area $(e2e_client_size "$box")"
e2e_screenshot error-box "$box" >/dev/null
e2e_screenshot screen-error >/dev/null

e2e_key "$box" Return
e2e_wait_window_gone "$box" "$box_gone_limit" || e2e_fail "Return did not dismiss the message box"
e2e_wait_exit "$E2E_APP_PID" "$box_exit_limit" ||
  e2e_fail "still running $box_exit_limit s after the message box was dismissed"
e2e_log "exited with code $E2E_EXIT_CODE $E2E_EXIT_SECONDS s after the message box closed"
[ "$E2E_EXIT_CODE" -eq 0 ] || e2e_fail "exit code $E2E_EXIT_CODE, expected 0"
[ -z "$(e2e_opened_addresses)" ] || e2e_fail "pages opened without a sound device: $(e2e_opened_addresses)"
