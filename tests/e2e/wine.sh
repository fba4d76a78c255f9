# shellcheck shell=bash
# The Windows program under wine, on the harness's private Xvfb and
# PulseAudio. Sourced after harness.sh, once e2e_begin has run.
#
#   wine_begin EXE [PROBE]   a fresh prefix in the run folder; stops every wine process of it on exit
#   wine_no_audio_driver     wine offers no audio device at all
#   wine_launch              starts EXE (E2E_APP_PID), log in the artefacts
#   wine_probe ARGS...       tonegen_e2e_probe in the same prefix (controls, focus, layout, values)
#   wine_wait_stream [S]     waits until the program's wave-out stream is open at the sound server
#   wine_keys WID KEY...     e2e_key for each key in turn
#
# WINE_LOADER is the loader of the program's width: wine64 unless the test
# is given the 32-bit one (the x86 program, where the kernel starts 32-bit
# programs); the prefix is a 64-bit one either way.
#
# Windows are left to wine's default "managed" mode: each top-level window
# is an X window exactly the size of its client area (as the Qt program's
# are), so the harness's window lookup, sizes and clicks in client
# coordinates hold as they are. The price: with no window manager on the
# private Xvfb, wine waits up to 2 s for one whenever it hides a window, so
# closing the main window takes about 2 s more than on a desktop.

# shellcheck source=program.sh
source "$E2E_LIB_DIR/program.sh"

WINE_LOADER=${WINE_LOADER:-/usr/lib/wine/wine64}
WINE_SERVER=${WINE_SERVER:-/usr/lib/wine/wineserver}
WINE_EXE=
WINE_PROBE=

# Wine's output has underruns of a few samples now and then, which the sound
# server fills with zeros; one inside a measured second spreads a little of
# the tones over the spectrum (about -48 dBFS for 5 samples). Nothing is lost
# or altered by them: the sample-for-sample comparisons skip every run of
# zeros (--min-pause 1) and find the rest exact. Level checks therefore allow
# other components up to this floor.
# shellcheck disable=SC2034 # for the tests that source this
readonly floor_dbfs=-40
# Closing waits up to 2 s for a window manager that is not there (above);
# the Linux program gets 2 s.
# shellcheck disable=SC2034
readonly exit_limit=4.5

wine_begin() {
  WINE_EXE=$1
  WINE_PROBE=${2:-}
  local started
  [ -x "$WINE_LOADER" ] || e2e_fail "$WINE_LOADER is missing (scripts/setup.sh installs wine64)"
  [ -f "$WINE_EXE" ] || e2e_fail "no program at '$WINE_EXE'"
  export WINEPREFIX="$E2E_RUN/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
  export WINEARCH=win64
  trap wine_end EXIT
  started=$(e2e_now)
  # Made without a display, so that nothing of the set-up shows on the test's
  # screen; wineserver -w waits for every process of the new prefix.
  env -u DISPLAY "$WINE_LOADER" wineboot -i >"$E2E_RUN/logs/wineboot.log" 2>&1 ||
    e2e_fail "wineboot -i failed"
  env -u DISPLAY "$WINE_SERVER" -w
  # This wine does not read the fonts of its own data folder: the About
  # box's "Fixedsys" (the bitmap font vgafix.fon) goes where Windows keeps it.
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp /usr/share/wine/fonts/vgafix.fon "$WINEPREFIX/drive_c/windows/Fonts/" ||
    e2e_fail "no /usr/share/wine/fonts/vgafix.fon (scripts/setup.sh installs fonts-wine)"
  e2e_log "wine prefix made in $(e2e_elapsed "$started" "$(e2e_now)") s"
}

# Every process of the prefix ends with the test, the program's included,
# before the harness stops the sound and X servers.
wine_end() {
  local status=$?
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    "$WINE_SERVER" -k 2>/dev/null
    timeout 10 "$WINE_SERVER" -w 2>/dev/null
  fi
  (exit "$status")
  e2e_end
}

wine_no_audio_driver() {
  env -u DISPLAY "$WINE_LOADER" reg add 'HKCU\Software\Wine\Drivers' /v Audio /d '' /f \
    >>"$E2E_RUN/logs/wineboot.log" 2>&1 || e2e_fail "cannot switch wine's audio driver off"
  env -u DISPLAY "$WINE_SERVER" -w
  e2e_log "wine audio driver: none"
}

wine_launch() { e2e_launch tonegen "$WINE_LOADER" "$WINE_EXE"; }

# Levels of a steady mix in the last second of recording FILE, or in the last
# N seconds with `--last N` first (the other ARGS as for `analyse_recording
# levels`). Wine's audio layer now and then starves for a few samples; the
# rest of that stretch then arrives shifted, which takes up to a decibel off
# the tones at some frequencies. A failed check is therefore made again on
# each of the next two stretches, and passes if one of them does.
wine_steady_levels() {
  local file=$1 seconds=1 try
  shift
  if [ "${1:-}" = --last ]; then
    seconds=$2
    shift 2
  fi
  for try in 1 2 3; do
    e2e_analyse levels "$file" --last "$seconds" "$@" && return 0
    ((try < 3)) || break
    e2e_log "levels off in that stretch (wine underrun?); measuring the next one"
    e2e_record_until "$file" $(($(e2e_recorded_samples "$file") + seconds * 44100))
  done
  return 1
}

# The console program writes CR LF line ends.
wine_probe() {
  [ -f "$WINE_PROBE" ] || e2e_fail "no probe program at '$WINE_PROBE'"
  "$WINE_LOADER" "$WINE_PROBE" "$@" 2>>"$E2E_RUN/logs/probe.log" | tr -d '\r'
  return "${PIPESTATUS[0]}"
}

# The tone stream is the program's 16-bit stream; wine's DirectSound mixer,
# which the test-signal player brings up at start-up, plays in float.
wine_stream_open() { pactl list short sink-inputs 2>/dev/null | grep -q 's16le 1ch 44100Hz'; }

# The program opens its stream after the About box and the hand-off of the
# pages; until then its clicks are dropped with the rest of its start-up
# events, so a test clicks only once this holds.
wine_wait_stream() {
  e2e_until "${1:-30}" 0.05 wine_stream_open || e2e_fail "no wave-out stream at the sound server"
}

wine_keys() {
  local wid=$1 key
  shift
  for key in "$@"; do e2e_key "$wid" "$key"; done
}
