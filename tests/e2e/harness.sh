# shellcheck shell=bash
# Running the real program without a desktop: a private Xvfb, a private
# PulseAudio whose null sink "out" is recorded through its monitor, and the
# means to drive windows on that display. Sourced by the end-to-end scenarios
# (run_scenario.sh) and by scripts/demo.sh; nothing here touches the caller's
# own X or sound server.
#
#   e2e_begin NAME [ARTIFACT_DIR]   private run folder, clean environment, cleanup on any exit
#   e2e_start_xvfb                  sets DISPLAY
#   e2e_start_pulse                 sets PULSE_SERVER and friends; sink "out", s16le mono 44100 Hz
#   e2e_kill_pulse                  the PulseAudio killed (SIGKILL) and the recorder stopped
#   e2e_no_sound_server             clients find no sound server at all (and start none)
#   e2e_record_start FILE           raw s16le mono 44100 Hz from out.monitor
#   e2e_record_stop / e2e_recorded_samples FILE
#   e2e_launch NAME CMD...          the program under test, log in the artefacts; sets E2E_APP_PID
#   e2e_wait_exit PID SECONDS       sets E2E_EXIT_CODE and E2E_EXIT_SECONDS; status 1 on a timeout
#   e2e_find_window TITLE [SECONDS] [PID]   prints the window id
#   e2e_client_size WID             prints "WIDTH HEIGHT"
#   e2e_click WID X Y               left click at client coordinates
#   e2e_key WID KEY                 focus the window and press KEY (xdotool key names)
#   e2e_about_box [SECONDS]         prints the id of the About box (titled $E2E_ABOUT_TITLE) once it is shown
#   e2e_about_ok WID                "OK" in the About box (the focus starts on "Web": Shift+Tab, Space)
#   e2e_opened_addresses            the web addresses handed to xdg-open so far, one a line
#   e2e_close_window WID            WM_DELETE_WINDOW, as a window manager's close button sends
#   e2e_screenshot NAME [WID]       PNG of the screen or of one window into the artefacts
#   e2e_analyse ARGS...             the analysis tool ($E2E_ANALYSE)
#   e2e_until SECONDS STEP CMD...   poll until CMD succeeds; e2e_now / e2e_elapsed time in microseconds
#   e2e_log / e2e_fail
#
# Every process started here is stopped by its PID when the script exits,
# whether it passed, failed or was interrupted.

E2E_LIB_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# python3-xlib belongs to Debian's interpreter, not to any other python3 on PATH.
E2E_PYTHON=${E2E_PYTHON:-/usr/bin/python3}
E2E_ANALYSE=${E2E_ANALYSE:-}
E2E_PIDS=()
E2E_NAME=e2e
E2E_RUN=
E2E_ARTIFACTS=
E2E_RECORDER_PID=
E2E_APP_PID=

# Microseconds since the epoch, without a fork; any locale's decimal sign.
e2e_now() { echo "${EPOCHREALTIME//[!0-9]/}"; }

# Microseconds in a decimal number of seconds ("2", "0.25").
e2e_usec() {
  local int=${1%%.*} frac=000000
  if [[ $1 == *.* ]]; then
    frac="${1#*.}000000"
    frac=${frac:0:6}
  fi
  echo $((10#${int:-0} * 1000000 + 10#$frac))
}

# Runs CMD every STEP seconds until it succeeds (0) or SECONDS have passed (1).
# Timed by the clock, so slow commands do not stretch the limit.
e2e_until() {
  local deadline step=$2
  deadline=$((${EPOCHREALTIME//[!0-9]/} + $(e2e_usec "$1")))
  shift 2
  while true; do
    "$@" && return 0
    ((${EPOCHREALTIME//[!0-9]/} < deadline)) || return 1
    sleep "$step"
  done
}

# CMD... prints WANT; for e2e_until, which runs it afresh each time (an
# argument like "$(cmd)" would be read once, before the first try).
e2e_prints() {
  local want=$1
  shift
  [ "$("$@")" = "$want" ]
}

e2e_log() { printf '[%s %s] %s\n' "$(date +%H:%M:%S.%3N)" "$E2E_NAME" "$*" >&2; }

e2e_fail() {
  e2e_log "FAIL: $*"
  # Short runs of silence inside the sound are underruns, which a machine
  # busy with other work causes too.
  e2e_log "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
  exit 1
}

# Seconds between two e2e_now stamps, to the millisecond.
e2e_elapsed() {
  local d=$(($2 - $1)) sign=
  if ((d < 0)); then
    sign=-
    d=$((-d))
  fi
  printf '%s%d.%03d' "$sign" $((d / 1000000)) $((d % 1000000 / 1000))
}

e2e_begin() {
  E2E_NAME=$1
  E2E_ARTIFACTS=${2:-}
  local tool
  for tool in Xvfb xdpyinfo xdotool xwd convert pulseaudio pactl parec "$E2E_PYTHON"; do
    command -v "$tool" >/dev/null || e2e_fail "$tool is missing (scripts/setup.sh installs it)"
  done
  "$E2E_PYTHON" -c 'import Xlib' 2>/dev/null || e2e_fail "python3-xlib is missing (scripts/setup.sh installs it)"

  E2E_RUN=$(mktemp -d "${TMPDIR:-/tmp}/tonegen-$E2E_NAME.XXXXXX")
  chmod 700 "$E2E_RUN"
  mkdir -p "$E2E_RUN/logs"
  if [ -n "$E2E_ARTIFACTS" ]; then
    # Only a folder this harness made before is emptied.
    if [ -f "$E2E_ARTIFACTS/.e2e-artifacts" ]; then rm -rf "$E2E_ARTIFACTS"; fi
    mkdir -p "$E2E_ARTIFACTS"
    : >"$E2E_ARTIFACTS/.e2e-artifacts"
  fi
  trap e2e_end EXIT
  trap 'exit 130' INT TERM HUP

  # Nothing of the caller's desktop session leaks in, and no session bus or
  # accessibility bus is started on the private display.
  unset DISPLAY WAYLAND_DISPLAY SESSION_MANAGER PULSE_SINK PULSE_SOURCE
  export DBUS_SESSION_BUS_ADDRESS="unix:path=$E2E_RUN/no-session-bus"
  export NO_AT_BRIDGE=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=0
  export XDG_RUNTIME_DIR="$E2E_RUN/runtime" XDG_CONFIG_HOME="$E2E_RUN/config"
  export XDG_CACHE_HOME="$E2E_RUN/cache" XDG_DATA_HOME="$E2E_RUN/data"
  mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_DATA_HOME"
  chmod 700 "$XDG_RUNTIME_DIR"
  export QT_QPA_PLATFORM=xcb

  # A stand-in for the desktop's browser hand-off, first in PATH: it writes
  # down each address it is given, after the time its process started (in
  # clock ticks since boot) and its id, and opens nothing. Two hand-offs
  # made one after the other start in that order, but their shells may then
  # write in either.
  mkdir -p "$E2E_RUN/bin"
  E2E_OPENED="$E2E_RUN/opened-addresses.txt"
  : >"$E2E_OPENED"
  # shellcheck disable=SC2016 # expanded by the stand-in, not here
  printf '#!/bin/sh\nprintf "%%s %%s %%s\\n" "$(cut -d" " -f22 /proc/$$/stat)" "$$" "$*" >>"%s"\n' \
    "$E2E_OPENED" >"$E2E_RUN/bin/xdg-open"
  chmod +x "$E2E_RUN/bin/xdg-open"
  export PATH="$E2E_RUN/bin:$PATH"
}

# The addresses in the order their hand-offs started.
e2e_opened_addresses() { sort -n -k1,1 -k2,2 "$E2E_OPENED" | cut -d' ' -f3-; }

# The About box's title, as the core has it (program.sh reads it).
E2E_ABOUT_TITLE=

e2e_about_box() {
  [ -n "$E2E_ABOUT_TITLE" ] || e2e_fail "E2E_ABOUT_TITLE is not set"
  e2e_find_window "$E2E_ABOUT_TITLE" "${1:-20}"
}

e2e_about_ok() { e2e_key "$1" shift+Tab && e2e_key "$1" space; }

# Starts CMD in the background with its output in logs/NAME.log and tracks it.
e2e_spawn() {
  local name=$1
  shift
  "$@" >"$E2E_RUN/logs/$name.log" 2>&1 &
  E2E_LAST_PID=$!
  E2E_PIDS+=("$E2E_LAST_PID:$name")
}

e2e_forget_pid() {
  local keep=() entry
  for entry in "${E2E_PIDS[@]}"; do
    [ "${entry%%:*}" = "$1" ] || keep+=("$entry")
  done
  E2E_PIDS=("${keep[@]}")
}

# A child that has exited but is not yet reaped still answers kill -0.
e2e_running() {
  local stat
  { stat=$(<"/proc/$1/stat"); } 2>/dev/null || return 1
  # The state follows the command name, which may itself hold ") ".
  stat=${stat##*) }
  [ "${stat%% *}" != Z ]
}

e2e_gone() { ! e2e_running "$1"; }

# Stops one tracked process: SIGNAL, then SIGKILL after SECONDS.
e2e_stop_pid() {
  local pid=$1 signal=${2:-TERM} limit=${3:-3}
  if e2e_running "$pid"; then
    kill -s "$signal" "$pid" 2>/dev/null
    if ! e2e_until "$limit" 0.02 e2e_gone "$pid"; then
      e2e_log "pid $pid ignored SIG$signal for ${limit} s; killing it"
      kill -s KILL "$pid" 2>/dev/null
    fi
  fi
  wait "$pid" 2>/dev/null
  e2e_forget_pid "$pid"
}

e2e_end() {
  local status=$? i entry
  trap - EXIT INT TERM HUP
  if [ "$status" -ne 0 ] && [ -n "${DISPLAY:-}" ]; then
    e2e_log "windows at the failure:"
    "$E2E_PYTHON" "$E2E_LIB_DIR/xwin.py" list >&2 || true
    [ -z "$E2E_ARTIFACTS" ] || e2e_screenshot failure >/dev/null 2>&1 || true
  fi
  # Last started, first stopped: the program before the sound server and the X server.
  for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
    entry=${E2E_PIDS[i]}
    case ${entry#*:} in
      recorder) e2e_stop_pid "${entry%%:*}" INT ;;
      *) e2e_stop_pid "${entry%%:*}" TERM ;;
    esac
  done
  if [ -n "$E2E_RUN" ] && [ -d "$E2E_RUN" ]; then
    if [ -n "$E2E_ARTIFACTS" ]; then
      cp "$E2E_RUN"/logs/*.log "$E2E_ARTIFACTS"/ 2>/dev/null || true
    fi
    if [ "$status" -ne 0 ]; then
      for entry in "$E2E_RUN"/logs/*.log; do
        [ -s "$entry" ] || continue
        e2e_log "--- last lines of $(basename "$entry")"
        tail -n 15 "$entry" >&2
      done
    fi
    if [ "${E2E_KEEP_RUN:-0}" = 1 ]; then e2e_log "run folder kept: $E2E_RUN"; else rm -rf "$E2E_RUN"; fi
  fi
  [ -z "$E2E_ARTIFACTS" ] || e2e_log "artefacts in $E2E_ARTIFACTS"
  exit "$status"
}

# Polls CMD, quietly, every 50 ms for up to SECONDS.
e2e_poll() {
  local limit=$1
  shift
  e2e_until "$limit" 0.05 e2e_quietly "$@"
}

e2e_quietly() { "$@" >/dev/null 2>&1; }

# e2e_start_xvfb [WIDTHxHEIGHT]: the screen 1024 x 900 unless given; a
# second call starts a second server, which the programs started
# afterwards use.
e2e_start_xvfb() {
  local displayfile="$E2E_RUN/display" pid
  rm -f "$displayfile"
  # -displayfd: the server picks a free display number itself and writes it
  # once it accepts clients, so parallel runs never race for a number.
  Xvfb -displayfd 3 -screen 0 "${1:-1024x900}x24" -nolisten tcp -noreset \
    3>"$displayfile" >"$E2E_RUN/logs/xvfb.log" 2>&1 &
  pid=$!
  E2E_PIDS+=("$pid:xvfb")
  e2e_until 15 0.05 e2e_display_named "$displayfile" "$pid" ||
    e2e_fail "Xvfb named no display within 15 s"
  e2e_running "$pid" || e2e_fail "Xvfb exited at start-up"
  DISPLAY=":$(<"$displayfile")"
  export DISPLAY
  e2e_poll 10 xdpyinfo || e2e_fail "Xvfb on $DISPLAY does not answer"
  e2e_log "Xvfb pid $pid on $DISPLAY"
}

# True once the display number is written, or once the server has died.
e2e_display_named() { grep -q '^[0-9][0-9]*$' "$1" 2>/dev/null || e2e_gone "$2"; }

e2e_pulse_env() {
  local dir="$E2E_RUN/pulse"
  mkdir -p "$dir/state" "$dir/runtime"
  chmod 700 "$dir" "$dir/runtime"
  printf 'autospawn = no\n' >"$dir/client.conf"
  export PULSE_CLIENTCONFIG="$dir/client.conf"
  export PULSE_RUNTIME_PATH="$dir/runtime" PULSE_STATE_PATH="$dir/state"
  export PULSE_SERVER="unix:$dir/pulse.sock"
}

e2e_start_pulse() {
  local dir="$E2E_RUN/pulse" pid
  e2e_pulse_env
  cat >"$dir/daemon.conf" <<'EOF'
default-sample-format = s16le
default-sample-rate = 44100
default-sample-channels = 1
flat-volumes = no
exit-idle-time = -1
EOF
  export PULSE_CONFIG="$dir/daemon.conf"
  # No DISPLAY for the daemon: it would publish itself on the X server and
  # try to start a session bus there.
  env -u DISPLAY HOME="$dir" pulseaudio -n --daemonize=no --use-pid-file=no --exit-idle-time=-1 \
    --log-target=stderr \
    -L "module-native-protocol-unix socket=$dir/pulse.sock auth-anonymous=1" \
    -L "module-null-sink sink_name=out format=s16le rate=44100 channels=1 norewinds=1" \
    >"$E2E_RUN/logs/pulseaudio.log" 2>&1 &
  pid=$!
  E2E_PIDS+=("$pid:pulseaudio")
  e2e_poll 15 pactl info || e2e_fail "PulseAudio did not answer on $PULSE_SERVER within 15 s"
  pactl set-sink-volume out 100% || e2e_fail "cannot set the sink volume"
  pactl set-sink-mute out 0 || e2e_fail "cannot unmute the sink"
  pactl set-default-sink out || e2e_fail "cannot make out the default sink"
  pactl list short sinks | grep -q $'^[0-9]*\tout\t.*s16le 1ch 44100Hz' ||
    e2e_fail "sink out is not s16le mono 44100 Hz: $(pactl list short sinks)"
  e2e_log "PulseAudio pid $pid on $PULSE_SERVER, null sink out"
}

# Kills the PulseAudio of e2e_start_pulse at once (SIGKILL), as a crash
# would end it, and stops the recorder, which recorded from it.
e2e_kill_pulse() {
  local entry pid=
  for entry in "${E2E_PIDS[@]}"; do
    [ "${entry#*:}" = pulseaudio ] && pid=${entry%%:*}
  done
  [ -n "$pid" ] || e2e_fail "no sound server to kill"
  kill -9 "$pid"
  e2e_forget_pid "$pid"
  wait "$pid" 2>/dev/null
  e2e_record_stop
  e2e_log "killed PulseAudio (pid $pid)"
}

# No server behind PULSE_SERVER and no autospawn: a client sees no audio
# output at all.
e2e_no_sound_server() {
  e2e_pulse_env
  export PULSE_SERVER="unix:$E2E_RUN/pulse/absent.sock"
  if pactl info >/dev/null 2>&1; then e2e_fail "a sound server answers although none should"; fi
  e2e_log "no sound server (PULSE_SERVER=$PULSE_SERVER, autospawn off)"
}

e2e_record_start() {
  local file=$1
  : >"$file"
  parec -d out.monitor --format=s16le --rate=44100 --channels=1 --raw --latency-msec=20 \
    >"$file" 2>"$E2E_RUN/logs/recorder.log" &
  E2E_RECORDER_PID=$!
  E2E_PIDS+=("$E2E_RECORDER_PID:recorder")
  e2e_poll 10 test -s "$file" || e2e_fail "the recorder wrote nothing within 10 s"
  e2e_log "recording out.monitor to $(basename "$file") (pid $E2E_RECORDER_PID)"
}

e2e_record_stop() {
  [ -n "$E2E_RECORDER_PID" ] || return 0
  e2e_stop_pid "$E2E_RECORDER_PID" INT
  E2E_RECORDER_PID=
}

e2e_recorded_samples() { echo $(($(stat -c %s "$1") / 2)); }

e2e_recorded_at_least() { (($(stat -c %s "$1") / 2 >= $2)); }

# Waits until FILE holds at least SAMPLES samples.
e2e_record_until() {
  local file=$1 samples=$2 limit=${3:-30}
  e2e_until "$limit" 0.02 e2e_recorded_at_least "$file" "$samples" && return 0
  e2e_fail "the recording stopped growing at $(e2e_recorded_samples "$file") samples"
}

e2e_launch() {
  local name=$1
  shift
  e2e_spawn "$name" "$@"
  E2E_APP_PID=$E2E_LAST_PID
  e2e_log "started $name (pid $E2E_APP_PID): $*"
}

# shellcheck disable=SC2034 # E2E_EXIT_CODE and E2E_EXIT_SECONDS are for the caller
e2e_wait_exit() {
  local pid=$1 limit=$2 start
  start=$(e2e_now)
  e2e_until "$limit" 0.01 e2e_gone "$pid"
  E2E_EXIT_SECONDS=$(e2e_elapsed "$start" "$(e2e_now)")
  if e2e_running "$pid"; then
    E2E_EXIT_CODE=
    return 1
  fi
  wait "$pid"
  E2E_EXIT_CODE=$?
  e2e_forget_pid "$pid"
  return 0
}

e2e_find_window() {
  local args=(find "$1" --timeout "${2:-15}")
  [ -z "${3:-}" ] || args+=(--pid "$3")
  "$E2E_PYTHON" "$E2E_LIB_DIR/xwin.py" "${args[@]}"
}

e2e_client_size() { "$E2E_PYTHON" "$E2E_LIB_DIR/xwin.py" size "$1"; }

e2e_close_window() { "$E2E_PYTHON" "$E2E_LIB_DIR/xwin.py" close "$1"; }

e2e_wait_window_gone() { "$E2E_PYTHON" "$E2E_LIB_DIR/xwin.py" wait-gone "$1" --timeout "${2:-5}"; }

# No --sync: xdotool then waits for the pointer to move, which it never does
# when it already is at the spot (a second click on the same button).
e2e_click() {
  xdotool mousemove --window "$1" "$2" "$3" click 1 ||
    e2e_fail "cannot click window $1 at ($2, $3)"
}

# A window's client size, asked once: the program's windows keep theirs.
declare -gA e2e_key_sizes=()

e2e_key() {
  local size=${e2e_key_sizes[$1]:-}
  if [ -z "$size" ]; then
    size=$(e2e_client_size "$1") || e2e_fail "window $1 is gone"
    e2e_key_sizes[$1]=$size
  fi
  # Without a window manager the keyboard follows the pointer unless focus is set.
  if ! xdotool mousemove --window "$1" $((${size% *} / 2)) $((${size#* } / 2)) ||
    ! xdotool windowfocus --sync "$1" || ! xdotool key "$2"; then
    e2e_fail "cannot press $2 in window $1"
  fi
}

# PNG of the whole screen, or of window WID, as ARTIFACTS/NAME.png (or a path
# ending in .png); prints the file name.
e2e_screenshot() {
  local name=$1 wid=${2:-} file
  case $name in
    *.png) file=$name ;;
    *) file="$E2E_ARTIFACTS/$name.png" ;;
  esac
  if [ -n "$wid" ]; then
    xwd -silent -id "$wid" | convert xwd:- "png:$file"
  else
    xwd -silent -root | convert xwd:- "png:$file"
  fi || e2e_fail "screenshot $file failed"
  echo "$file"
}

e2e_analyse() {
  [ -x "$E2E_ANALYSE" ] || e2e_fail "analysis tool not found: '$E2E_ANALYSE'"
  "$E2E_ANALYSE" "$@"
}
