# shellcheck shell=bash
# shellcheck disable=SC2154 # what program.sh reads from the core and the platform layer sets
# The Linux program playing for 15 s while both cores are kept busy by as
# many CPU hogs as there are cores, at the program's own priority: not one
# sample lost, repeated or altered, and no gap, across the whole capture.
command -v stress-ng >/dev/null || e2e_fail "stress-ng is missing (scripts/setup.sh installs it)"
rec="$E2E_ARTIFACTS/recording.raw"
readonly seconds=15

e2e_start_xvfb
e2e_start_pulse
e2e_record_start "$rec"
start_program
type_into_field 3 1001
click_control "$on_off"
record_for "$clicked_at" 1.5
e2e_analyse starts "$rec" --after "$clicked_at" --within 1.5 || e2e_fail "no sound before the load"

e2e_spawn stress stress-ng --cpu "$(nproc)" --cpu-method all --timeout $((seconds + 5))s
stress=$E2E_LAST_PID
e2e_log "stress-ng on $(nproc) cores (pid $stress)"
loaded_from=$(mark)
record_for "$loaded_from" $seconds 60
load=$(cut -d' ' -f1 /proc/loadavg)
e2e_stop_pid "$stress" TERM
e2e_log "played $seconds s under load (load average $load)"

record_for "$(mark)" 0.5
app_compare "$rec" --freq 3=1001@8 --until "$(mark)" --expect-pauses 0 ||
  e2e_fail "the stream under load is not the synthesised one"
e2e_log "$(seconds_between "$loaded_from" "$(mark)") s of it under load"
close_program
