# shellcheck shell=bash
# shellcheck disable=SC2034 # the limits are for the scenarios
# shellcheck disable=SC2154 # wid, rec and the control's place come from program.sh and the scenario
# A Windows build of the program under wine, on the harness's private Xvfb
# and PulseAudio: how each step of the scenarios that differs between the
# programs is made on it. Sourced by run_scenario.sh after harness.sh; qt.sh
# is the same layer for the Linux program.
#
# Every run has a prefix of its own: a copy of the one E2E_WINE_PREFIX names
# (made once per program and ctest run by wine_prefix.sh), or else a new
# one. WINE_LOADER and WINEARCH name the loader and the prefix's kind
# (default: the 64-bit loader, a win64 prefix, for the x64 build; the x86
# build runs with the 32-bit loader in a win64 prefix where the kernel
# starts 32-bit programs).
# tonegen_e2e_probe, built with the program, reads its controls, their
# values, the focus and where a window stands from a second process of the
# same prefix.
#
# Windows are left to wine's default "managed" mode: each top-level window
# is an X window exactly the size of its client area (as the Qt program's
# are), so the harness's window lookup, sizes and clicks in client
# coordinates hold as they are. Wine then waits for a window manager to
# have seen a window shown before it hides it (and hidden before it shows
# it again), up to 2 s each time; the private Xvfb has none, so a helper
# (xwin.py wm-state) keeps each window's WM_STATE as a manager would.
#
# Wine's output has underruns of a few samples now and then, which the
# sound server fills with zeros: wine keeps little of the stream queued at
# the server, so a moment's hold-up of its mixing (a busy processor, a
# host's stolen time) empties it, in bursts that then come every tenth of a
# second. The program runs with PULSE_LATENCY_MSEC=200, which has the
# sound server ask for 200 ms ahead (seen: 288 underruns in 55 s of a
# keyboard run without it, none with it, even beside another run); what
# remains is taken care of below. One inside a measured second spreads a
# little of the tones over the spectrum (about -48 dBFS for 5 samples) and
# shifts the rest of that stretch, which takes up to a decibel off the tones
# at some frequencies. Nothing is lost or altered by them: comparisons skip
# every run of zeros and count only those of half a second or more as
# pauses, and steady measures are made with the underruns taken out (and
# again on the next stretch after a failed one), which gives back the
# program's samples exactly.

readonly start_up_limit=60   # seconds until the About box at start-up (wine starts too)
readonly page_limit=20       # until the browser has been handed a page (winebrowser, then xdg-open)
readonly exit_limit=4.5      # from WM_DELETE_WINDOW to the end of the process
readonly box_exit_limit=7    # from dismissing "Err!" to the end of the process
readonly box_gone_limit=10   # from Return in "Err!" to the box gone
# A stalled device is noticed 2 to 3 s after its last buffer came back (two
# looks a second apart), then opened again at once and once a second.
readonly sound_back_limit=4  # from the sound server's return to the sound (whole seconds)
readonly resume_limit=4      # from ON/OFF released after the server's return to the sound
readonly change_limit=3      # from a change of a tone to the new tone heard
readonly lost_sound_said="the sound device \(stopped playing\|failed\)" # on standard error, once

WINE_LOADER=${WINE_LOADER:-/usr/lib/wine/wine64}
WINE_SERVER=${WINE_SERVER:-/usr/lib/wine/wineserver}
WINE_EXE=
WINE_PROBE=

app_begin() {
  WINE_EXE=$1
  WINE_PROBE=${2:-}
  local started
  [ -x "$WINE_LOADER" ] || e2e_fail "$WINE_LOADER is missing (scripts/setup.sh installs wine)"
  [ -f "$WINE_EXE" ] || e2e_fail "no program at '$WINE_EXE'"
  [ -f "$WINE_PROBE" ] || e2e_fail "no probe program at '$WINE_PROBE'"
  export WINEPREFIX="$E2E_RUN/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
  export WINEARCH=${WINEARCH:-win64}
  trap wine_end EXIT
  started=$(e2e_now)
  if [ -n "${E2E_WINE_PREFIX:-}" ]; then
    [ -e "$E2E_WINE_PREFIX/.ready" ] ||
      e2e_fail "no wine prefix at $E2E_WINE_PREFIX (the fixture e2e.PROGRAM.wine_prefix makes it)"
    bash "$E2E_LIB_DIR/../../cmake/wine_prefix_copy.sh" "$E2E_WINE_PREFIX" "$WINEPREFIX" ||
      e2e_fail "cannot copy the wine prefix $E2E_WINE_PREFIX"
  else
    WINE_LOADER=$WINE_LOADER WINE_SERVER=$WINE_SERVER bash "$E2E_LIB_DIR/wine_prefix.sh" "$WINEPREFIX" >"$E2E_RUN/logs/wineboot.log" 2>&1 ||
      e2e_fail "cannot make a wine prefix: $(tail -n 1 "$E2E_RUN/logs/wineboot.log")"
  fi
  e2e_log "wine prefix made in $(e2e_elapsed "$started" "$(e2e_now)") s"
}

# Every process of the prefix ends with the test, the program's included,
# before the harness stops the sound and X servers; the socket folder of the
# prefix's server goes with them.
wine_end() {
  local status=$?
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    "$WINE_SERVER" -k 2>/dev/null
    timeout 10 "$WINE_SERVER" -w 2>/dev/null
    bash "$E2E_LIB_DIR/../../cmake/wine_remove_server_folder.sh" "$WINEPREFIX"
  fi
  (exit "$status")
  e2e_end
}

# app_launch [inspect] [VAR=VALUE...]: any run is one the probe can read;
# APP_ARGS go on the program's command line.
app_launch() {
  [ "${1:-}" != inspect ] || shift
  wine_wm_state
  e2e_launch tonegen env PULSE_LATENCY_MSEC=200 "$@" "$WINE_LOADER" "$WINE_EXE" "${APP_ARGS[@]}"
}

# The window manager's WM_STATE, kept by a helper on the run's display from
# the first launch on.
WINE_WM_STATE_PID=
wine_wm_state() {
  [ -z "$WINE_WM_STATE_PID" ] || return 0
  e2e_spawn wm-state "$E2E_PYTHON" "$E2E_LIB_DIR/xwin.py" wm-state
  WINE_WM_STATE_PID=$E2E_LAST_PID
  e2e_poll 10 grep -qx ready "$E2E_RUN/logs/wm-state.log" || e2e_fail "the WM_STATE helper did not start"
}

# app_run ARGS...: the program run to its end with ARGS (a command line that
# opens no window); it writes to the standard output and error it inherits.
app_run() { "$WINE_LOADER" "$WINE_EXE" "$@"; }

# app_render ARGS...: the render tool built beside the program.
app_render() { "$WINE_LOADER" "$(dirname "$WINE_EXE")/tonegen-render.exe" "$@"; }
# app_measure ARGS...: the measure tool built beside the program.
app_measure() { "$WINE_LOADER" "$(dirname "$WINE_EXE")/tonegen-measure.exe" "$@"; }

# No sound server, and wine's own audio driver switched off.
app_no_audio_output() {
  env -u DISPLAY "$WINE_LOADER" reg add 'HKCU\Software\Wine\Drivers' /v Audio /d '' /f \
    >>"$E2E_RUN/logs/wineboot.log" 2>&1 || e2e_fail "cannot switch wine's audio driver off"
  env -u DISPLAY "$WINE_SERVER" -w
  e2e_no_sound_server
  e2e_log "wine audio driver: none"
}

# app_display_dpi DPI: the dots per inch of wine's display (LogPixels, as
# its control panel sets them), taken by the next program started, on the
# display started last (the WM_STATE helper goes there too);
# `device_percent` is 100: all of the program's scaling is its own.
app_display_dpi() {
  { env -u DISPLAY "$WINE_LOADER" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f &&
    env -u DISPLAY "$WINE_SERVER" -w; } >>"$E2E_RUN/logs/wineboot.log" 2>&1 || e2e_fail "cannot set LogPixels"
  WINE_WM_STATE_PID=
  device_percent=100
}

# The tone stream is the program's 16-bit stream; wine's DirectSound mixer,
# which the test-signal player brings up at start-up, plays in float.
wine_stream_open() { pactl list short sink-inputs 2>/dev/null | grep -q 's16le 1ch 44100Hz'; }

# The program opens its stream after the About box and the hand-off of the
# pages; until then its clicks are dropped with the rest of its start-up
# events, so a scenario clicks only once the stream is open.
app_ready() {
  e2e_until 30 0.05 wine_stream_open || e2e_fail "no wave-out stream at the sound server"
}

# The clipboard is not emptied first: wine's clipboard thread takes the loss
# of the X selection in its own time, and drops a copy made meanwhile (one
# in five). The probe shows which control has the focus instead.
app_clear_clipboard() { :; }

# The console program writes CR LF line ends. A probe that has not answered
# within a minute (a whole window's accessible texts took 18 s on a loaded
# machine; once, beside two other runs, a probe never answered and the
# scenario hung until ctest ended it) is ended and asked once more; the
# processes of the run at that moment go to probe.log.
wine_probe() {
  local try status out
  for try in 1 2; do
    status=0
    out=$(timeout -k 5 60 "$WINE_LOADER" "$WINE_PROBE" "$@" 2>>"$E2E_RUN/logs/probe.log") || status=$?
    ((status == 124 || status == 137)) || break
    e2e_log "the probe did not answer '$1' within 60 s (try $try of 2)"
    ps -eo pid,ppid,stat,etime,wchan:24,args --sort=pid | grep -e wine -e tonegen >>"$E2E_RUN/logs/probe.log" || true
  done
  [ -z "$out" ] || printf '%s\n' "${out//$'\r'/}"
  return "$status"
}

# X Y of the window titled TITLE, its frame included (the X window WID is
# only its client area).
app_window_position() { wine_probe position "$2"; }

# A measure of the steady sound (COMMAND levels, rms or band-slope of
# analyse_recording) over the last second of recording FILE, or the last N
# seconds with --last N first. The underruns of the stream (runs of 64 zeros
# or more; wine's are whole periods of 5 ms) are taken out of the recording
# first. One of a stream playing beside another cannot be: it splashes its
# stretch over the whole spectrum (up to -41 dBFS above 2 kHz measured), so
# a band held quiet needs to be quiet in half of its windows of 0.5 s only,
# and a failed check is made again on each of the next two stretches, and
# passes if one of them does.
app_steady() {
  local command=$1 file=$2 seconds=1 try windows=()
  shift 2
  if [ "${1:-}" = --last ]; then
    seconds=$2
    shift 2
  fi
  [ "$command" != rms ] || windows=(--in-most 0.5)
  for try in 1 2 3; do
    e2e_analyse "$command" "$file" --close-gaps 64 --last "$seconds" "${windows[@]}" "$@" && return 0
    ((try < 3)) || break
    e2e_log "$command off in that stretch (wine underrun?); measuring the next one"
    e2e_record_until "$file" $(($(e2e_recorded_samples "$file") + $(samples_in "$seconds")))
  done
  return 1
}

# Every run of zeros is skipped (the mix's own single zeros among them);
# only those of half a second or more count as pauses.
app_compare() { e2e_analyse compare "$1" --min-pause 1 --long-pause 0.5 "${@:2}"; }

# The program's probe (program.sh reads the controls through it).
app_probe() { wine_probe "$@"; }

# What the probe reads is what wine draws: nothing more to look at.
app_start_up_drawn() { e2e_screenshot main-window "$wid" >/dev/null; }
app_layout_drawn() { :; }
app_gain_drawn() { :; }
app_toggle_drawn() { :; }

# Wine's DirectSound mixes the test signals in floating point with a volume
# law of its own (2^(v/600): -7.99 dB for -796), so they are judged by their
# spectra alone here, not sample for sample.
app_expect_mixture() { e2e_log "the test signals are not compared sample for sample under wine (its own mixer)"; }
