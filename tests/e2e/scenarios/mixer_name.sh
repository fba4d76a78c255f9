# shellcheck shell=bash
# shellcheck disable=SC2154 # what program.sh reads from the core and the platform layer sets
# How the sound server lists the Linux program's streams, as a desktop's
# volume control shows them: under the name "tonegen", with the program's
# icon and the role of test signals, for the tone stream once ON/OFF is
# released and for the test-signal stream (which exists only while a test
# signal plays) once the sweep plays. A role the user has set in the
# environment is kept, and the browser the program starts inherits none of
# the program's properties.
# In front of the harness's xdg-open: writes down the sound-server
# properties in the environment it was started with (from /proc: a shell
# drops variables whose names hold dots).
handed_on="$E2E_RUN/xdg-open-environment.txt"
mkdir -p "$E2E_RUN/environment-bin"
cat >"$E2E_RUN/environment-bin/xdg-open" <<STUB
#!/bin/sh
tr '\\0' '\\n' </proc/\$\$/environ | grep '^PULSE_PROP' >>"$handed_on"
exec "$E2E_RUN/bin/xdg-open" "\$@"
STUB
chmod +x "$E2E_RUN/environment-bin/xdg-open"
export PATH="$E2E_RUN/environment-bin:$PATH"

# One line per sink input of process PID, tab-separated: index, corked,
# application.name, media.role, application.icon_name.
sink_inputs_of() {
  pactl list sink-inputs | awk -v pid="$1" '
    function emit() {
      if (props["application.process.id"] == pid)
        printf "%s\t%s\t%s\t%s\t%s\n", index_, corked, props["application.name"], props["media.role"],
          props["application.icon_name"]
    }
    /^Sink Input #/ { if (index_ != "") emit(); index_ = substr($3, 2); corked = ""; split("", props); next }
    /^\tCorked: / { corked = $2; next }
    /^\t\t[A-Za-z0-9._-]+ = "/ {
      value = $0
      sub(/^[^"]*"/, "", value)
      sub(/"$/, "", value)
      props[$1] = value
    }
    END { if (index_ != "") emit() }'
}

# The one sink input of process PID while it has only one, corked as CORKED
# says (yes or no).
only_stream() {
  sink_inputs_of "$1" | awk -F'\t' -v c="$2" '
    { n++; if ($2 == c) found = $1 }
    END { if (n == 1 && found != "") print found; else exit 1 }'
}

# The sink input of process PID other than EXCLUDE, while it has two.
other_stream() {
  sink_inputs_of "$1" | awk -F'\t' -v x="$2" '
    { n++; if ($1 != x) found = $1 }
    END { if (n == 2) print found; else exit 1 }'
}

# Whether sink input INDEX of process PID is corked as CORKED says.
corked_is() {
  sink_inputs_of "$1" | awk -F'\t' -v i="$2" -v c="$3" '$1 == i && $2 == c { found = 1 } END { exit !found }'
}

# Sink input INDEX of process PID is named tonegen, with its icon and ROLE.
expect_named() {
  local pid=$1 wanted=$2 role=$3 what=$4 index corked name got_role icon
  while IFS=$'\t' read -r index corked name got_role icon; do
    [ "$index" = "$wanted" ] || continue
    e2e_log "$what: sink input $index, corked $corked, application.name '$name', media.role '$got_role'," \
      "application.icon_name '$icon'"
    [ "$name" = tonegen ] || e2e_fail "$what: sink input $index is named '$name', not tonegen"
    [ "$got_role" = "$role" ] || e2e_fail "$what: sink input $index has media.role '$got_role', not $role"
    [ "$icon" = tonegen ] || e2e_fail "$what: sink input $index has application.icon_name '$icon', not tonegen"
    return 0
  done < <(sink_inputs_of "$pid")
  e2e_fail "$what: process $pid has no sink input $wanted"
}

# Whether sink input INDEX, recorded alone for a second, carries sound.
stream_sounds() {
  local file="$E2E_ARTIFACTS/stream-$1-$2.raw"
  timeout 1 parec --monitor-stream="$1" --format=s16le --rate=44100 --channels=1 --raw >"$file" 2>/dev/null
  e2e_recorded_at_least "$file" 22050 || e2e_fail "recording sink input $1 alone gave $(e2e_recorded_samples "$file") samples"
  [ -n "$(e2e_analyse info "$file" | value_of first_sound)" ]
}

e2e_start_xvfb
e2e_start_pulse

# Started as a desktop starts it. The tone stream is corked while ON/OFF is
# pressed; the test-signal player has no stream until a test signal plays.
start_program
tones=$(e2e_until 10 0.1 only_stream "$E2E_APP_PID" yes) ||
  e2e_fail "not one corked tone stream alone: $(sink_inputs_of "$E2E_APP_PID")"

click_control "$on_off"
e2e_until 10 0.1 corked_is "$E2E_APP_PID" "$tones" no ||
  e2e_fail "the tone stream is still corked 10 s after ON/OFF was released"
expect_named "$E2E_APP_PID" "$tones" test "tones playing"

click_control "$sweep_toggle"
signals=$(e2e_until 5 0.1 other_stream "$E2E_APP_PID" "$tones") ||
  e2e_fail "no test-signal stream beside the tones once the sweep was switched on: $(sink_inputs_of "$E2E_APP_PID")"
e2e_until 5 0 stream_sounds "$signals" sweep || e2e_fail "no sound from sink input $signals once the sweep was switched on"
expect_named "$E2E_APP_PID" "$signals" test "sweep playing"

e2e_until 5 0.05 grep -q . "$E2E_OPENED" || e2e_fail "the software page was not opened"
if [ -s "$handed_on" ]; then
  e2e_fail "xdg-open was started with the program's sound-server properties: $(paste -sd' ' "$handed_on")"
fi
e2e_log "xdg-open was started without PULSE_PROP_ variables"
close_program

# A role set by the user is the user's; the name is still the program's.
start_program PULSE_PROP_media.role=production
tones=$(e2e_until 10 0.1 only_stream "$E2E_APP_PID" yes) ||
  e2e_fail "not one corked tone stream alone: $(sink_inputs_of "$E2E_APP_PID")"
expect_named "$E2E_APP_PID" "$tones" production "role set by the user"
close_program
