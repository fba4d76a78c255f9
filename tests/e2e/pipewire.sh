# shellcheck shell=bash
# A private PipeWire server with its PulseAudio layer, in place of the
# harness's PulseAudio: the sound server most Linux desktops run. Sourced
# after harness.sh, once e2e_begin has run.
#
#   e2e_start_pipewire   sets PULSE_SERVER; null sink "out", mono, the graph at 44100 Hz
#
# PipeWire, its session manager (WirePlumber) and the pulse layer run from
# the run folder with their own runtime, state and configuration folders and
# a session bus of their own (WirePlumber needs one), so nothing of a desktop
# session is touched. The graph runs at 44100 Hz and the sink is mono, so
# the program's stream reaches the sink without resampling or mixing of
# channels and the monitor holds its samples exactly. The graph runs in
# periods of 4096 frames (93 ms): without real-time priority, a server that
# must run every 1024 frames (its default here) missed a period now and then
# on a loaded machine and dropped that much of the stream.

e2e_start_pipewire() {
  local dir="$E2E_RUN/pipewire" tool
  for tool in pipewire wireplumber pipewire-pulse dbus-daemon; do
    command -v "$tool" >/dev/null || e2e_fail "$tool is missing (scripts/setup.sh installs it)"
  done
  mkdir -p "$dir/runtime" "$dir/config/pipewire/pipewire.conf.d" "$dir/state" "$dir/data"
  chmod 700 "$dir" "$dir/runtime"
  cat >"$dir/config/pipewire/pipewire.conf.d/rate.conf" <<'EOF'
context.properties = {
    default.clock.rate          = 44100
    default.clock.allowed-rates = [ 44100 ]
    default.clock.quantum       = 4096
    default.clock.min-quantum   = 4096
    default.clock.max-quantum   = 8192
}
EOF
  # The servers' own environment: private folders, a private session bus.
  local env=(env -u DISPLAY HOME="$dir" XDG_RUNTIME_DIR="$dir/runtime" XDG_CONFIG_HOME="$dir/config"
    XDG_STATE_HOME="$dir/state" XDG_DATA_HOME="$dir/data"
    DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/bus")
  e2e_spawn dbus "${env[@]}" dbus-daemon --session --address="unix:path=$dir/bus" --nofork --nopidfile
  e2e_poll 10 test -S "$dir/bus" || e2e_fail "the private session bus did not start"
  e2e_spawn pipewire "${env[@]}" pipewire
  e2e_poll 10 test -S "$dir/runtime/pipewire-0" || e2e_fail "PipeWire did not start"
  e2e_spawn wireplumber "${env[@]}" wireplumber
  e2e_spawn pipewire-pulse "${env[@]}" pipewire-pulse
  e2e_pulse_env
  export PULSE_SERVER="unix:$dir/runtime/pulse/native"
  e2e_poll 15 pactl info || e2e_fail "PipeWire's pulse layer did not answer on $PULSE_SERVER within 15 s"
  pactl load-module module-null-sink sink_name=out format=s16le rate=44100 channels=1 >/dev/null ||
    e2e_fail "cannot make the null sink"
  e2e_poll 10 e2e_sink_named out || e2e_fail "no sink out: $(pactl list short sinks)"
  # The pulse layer keeps the default in the session manager's metadata, and
  # answers "Not supported" until WirePlumber has made it.
  e2e_poll 10 pactl set-default-sink out || e2e_fail "cannot make out the default sink"
  pactl set-sink-volume out 100% || e2e_fail "cannot set the sink volume"
  pactl set-sink-mute out 0 || e2e_fail "cannot unmute the sink"
  e2e_poll 10 e2e_default_sink_is out || e2e_fail "the default sink is not out: $(pactl info | grep 'Default Sink')"
  e2e_log "PipeWire $(pipewire --version | sed -n 's/^Linked with libpipewire //p') with its pulse layer on $PULSE_SERVER, null sink out"
}

e2e_sink_named() { pactl list short sinks | cut -f2 | grep -qx "$1"; }
e2e_default_sink_is() { pactl info | grep -qx "Default Sink: $1"; }
