# shellcheck shell=bash
# shellcheck disable=SC2154 # what program.sh reads from the core and the platform layer sets
# The sweep caught into a tone. A few seconds into the sweep, Ctrl+Shift+F
# with the focus on the toggle puts the frequency heard into the first field
# and stops the sweep (OFF SWEEP, released). The caught frequency is on the
# sweep's law where the recording puts the sweep at the key, half a second of
# sweep either way for the device's latency. While the sweep plays (started
# again), its toggle's description says the frequency heard now, rising, and
# follows it.
rec="$E2E_ARTIFACTS/recording.raw"

# The sweep toggle's description as assistive technology reads it.
sweep_said() {
  app_probe accessible "$main_title" "$sweep_toggle" | grep "^id=$sweep_toggle " | sed 's/.*|description=//'
}
# Says a frequency, rising, other than SAID.
says_another() {
  said_now=$(sweep_said)
  [[ $said_now == *"now "*" Hz, rising" && $said_now != "$1" ]]
}

e2e_start_xvfb
e2e_start_pulse
e2e_record_start "$rec"
start_program

# The catch first, at a time the sweep's law can judge: about 3 s into its
# rise, which lasts 14 s, whatever the probe's questions cost meanwhile.
click_control "$sweep_toggle"
sweep_clicked=$clicked_at
expect_toggle "$sweep_toggle" "ON SWEEP" pressed
record_for "$sweep_clicked" 3.0
key_from=$(mark)
keys ctrl+shift+f
expect_toggle "$sweep_toggle" "OFF SWEEP" released
key_to=$(mark)
caught=$(app_probe controls "$main_title" | grep "^id=0 " | sed 's/.* text=//')
e2e_log "Ctrl+Shift+F between recording samples $key_from and $key_to: field 0 holds '$caught'"
[[ $caught =~ ^[0-9]+$ ]] || e2e_fail "field 0 holds '$caught' after the catch"
(($(seconds_between "$sweep_clicked" "$key_to" | cut -d. -f1) < 12)) ||
  e2e_fail "the catch came $(seconds_between "$sweep_clicked" "$key_to") s into the sweep, too near its turn to judge"

judged=$(e2e_analyse peak-track "$rec" --start "$sweep_clicked" --seconds "$(seconds_between "$sweep_clicked" "$key_from")" \
  --window 0.2 --step 0.1 --band 10,8000 --law "$sweep_law" --caught "$caught" --caught-between "$key_from,$key_to")
status=$?
tail -n 4 <<<"$judged" >&2
((status == 0)) || e2e_fail "the caught $caught Hz is not the sweep's frequency at the key"

# Then, the sweep started again, what its toggle says while it plays.
click_control "$sweep_toggle"
expect_toggle "$sweep_toggle" "ON SWEEP" pressed
e2e_until 5 0.2 says_another "" || e2e_fail "the sweep toggle does not say the frequency heard: '$said_now'"
first_said=$said_now
e2e_until 3 0.2 says_another "$first_said" || e2e_fail "the sweep toggle stays at '$first_said'"
e2e_log "the sweep toggle said '${first_said##*· }', then '${said_now##*· }'"
close_program
