# shellcheck shell=bash
# shellcheck disable=SC2034 # the limits are for the scenarios
# shellcheck disable=SC2154 # wid, rec and the control's place come from program.sh and the scenario
# The Linux (Qt) program under the scenarios: how each step that differs
# between the programs is made on it. Sourced by run_scenario.sh after
# harness.sh; wine.sh is the same layer for a Windows build.
#
# Its sound reaches the sound server unbroken, so every run of 64 zeros or
# more is a pause and a steady level is measured once. Its controls are read
# inside the process by the probe's plugin (qt_probe_plugin.cpp), which every
# run loads; what they show is also checked off screenshots (outlines,
# thumbs, digits, a toggle's face and caption against the shot at start-up),
# and their rectangles from a run in which every widget is a native X window.

readonly start_up_limit=20   # seconds until the About box at start-up
readonly page_limit=5        # until the browser has been handed a page
readonly exit_limit=2        # from WM_DELETE_WINDOW to the end of the process
readonly box_exit_limit=5    # from dismissing "Err!" to the end of the process
readonly box_gone_limit=5    # from Return in "Err!" to the box gone
readonly sound_back_limit=2  # from the sound server's return to the sound (whole seconds)
readonly resume_limit=3      # from ON/OFF released after the server's return to the sound
# A change of the tones is heard after the seven or eight buffers the ring
# still holds, 1.95 to 2.23 s: a header comes back once the server has played
# it, so nothing the server holds comes on top.
readonly change_limit=2.3    # from a change of a tone to the new tone heard
readonly lost_sound_said="the sound server went away" # on standard error, once a stream

APP_PROGRAM=
QT_PROBE=

app_begin() {
  APP_PROGRAM=$1
  QT_PROBE=${2:-}
  [ -x "$APP_PROGRAM" ] || e2e_fail "no program at '$APP_PROGRAM'"
  [ -x "$QT_PROBE" ] || e2e_fail "no probe program at '$QT_PROBE'"
  [ -d "${E2E_QT_PLUGINS:-}/generic" ] || e2e_fail "no probe plugin in '${E2E_QT_PLUGINS:-}'"
  export TONEGEN_E2E_PROBE="$E2E_RUN/probe.sock"
}

# The program's probe (program.sh reads the controls through it). The
# program answers from its event loop; one that does not answer within a
# minute has hung, and the scenario fails then with its logs, not at
# ctest's timeout without them.
app_probe() { timeout -k 5 60 "$QT_PROBE" "$@" 2>>"$E2E_RUN/logs/probe.log"; }

# app_launch [inspect] [VAR=VALUE...]: the program with those variables in
# its environment and APP_ARGS on its command line; `inspect` makes every widget a native X window, so that
# the X server itself reports each control's rectangle.
app_launch() {
  local environment=()
  if [ "${1:-}" = inspect ]; then
    environment+=(QT_USE_NATIVE_WINDOWS=1)
    shift
  fi
  e2e_launch tonegen env QT_PLUGIN_PATH="$E2E_QT_PLUGINS" QT_QPA_GENERIC_PLUGINS="tonegen_probe:$TONEGEN_E2E_PROBE" \
    "${environment[@]}" "$@" "$APP_PROGRAM" "${APP_ARGS[@]}"
}

# app_run ARGS...: the program run to its end with ARGS (a command line that
# opens no window), its standard output and error left as they are.
app_run() { "$APP_PROGRAM" "$@"; }

# app_render ARGS...: the render tool built beside the program.
app_render() { "$(dirname "$APP_PROGRAM")/tonegen-render" "$@"; }
# app_measure ARGS...: the measure tool built beside the program.
app_measure() { "$(dirname "$APP_PROGRAM")/tonegen-measure" "$@"; }

app_no_audio_output() { e2e_no_sound_server; }

# The program takes clicks as soon as its main window is shown. Its look
# then is what the toggles are compared with later.
app_ready() { start_up_shot=$(drawn_shot main-window-at-start-up "$wid" 4); }

# app_display_dpi DPI: the screen's dots per inch as the desktop sets them
# (Xft.dpi, which Qt scales its windows by), for the programs started
# afterwards; `device_percent` is how many of the screen's pixels the
# program's pixel takes, in per cent.
app_display_dpi() {
  xprop -root -format RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "Xft.dpi:	$1" ||
    e2e_fail "cannot set Xft.dpi"
  device_percent=$(($1 * 100 / 96))
}

# X Y of window WID's top-left corner: without a window manager the X
# window is the whole window.
app_window_position() { xwin position "$1"; }

# A measure of the steady sound (COMMAND levels, rms or band-slope of
# analyse_recording) over the last second of the recording FILE, or the
# last N seconds with --last N first; made once.
app_steady() {
  local command=$1 file=$2
  shift 2
  if [ "${1:-}" = --last ]; then
    e2e_analyse "$command" "$file" "$@"
  else
    e2e_analyse "$command" "$file" --last 1 "$@"
  fi
}

app_compare() { e2e_analyse compare "$@"; }

# Copies are read from a clipboard emptied first, so that a control without
# text copies nothing.
app_clear_clipboard() { xwin clear-clipboard || e2e_fail "cannot clear the clipboard"; }

# Toggle ID, which shows CAPTION and is pressed or released (STATE), is
# drawn so within 5 s: its caption as at start-up when CAPTION is the
# start-up one from the core's table, and otherwise not; a pressed toggle's
# face flat and darker than the window, a released one's rising to white.
app_toggle_drawn() {
  local want
  find_control "$1"
  want="$3 $([ "$2" = "$ccaption" ] && echo same-caption || echo other-caption)"
  e2e_until 5 0.2 toggle_drawn "$1" "$want" ||
    e2e_fail "toggle $1 is drawn '$toggle_seen', expected '$want' for '$2 $3' (start-up caption '$ccaption')"
}

toggle_drawn() {
  local shot
  shot=$(e2e_screenshot "toggle-$1" "$wid") || return 1
  toggle_seen=$(pixels button "$shot" "$cx" "$cy" "$cw" "$ch" --caption-like "$start_up_shot")
  [ "$toggle_seen" = "$2" ]
}

# Every control of the core's table also as a native X window of its
# rectangle, and no other window but a field's edit line (a run from
# `app_launch inspect`).
app_layout_drawn() {
  local children="$E2E_ARTIFACTS/native-windows.txt" result
  xwin children "$wid" >"$children" || e2e_fail "cannot list the windows inside $wid"
  result=$(e2e_analyse layout "$children") || e2e_fail "controls out of place: $(grep -v '^check' <<<"$result")"
  e2e_log "$(tail -n 1 <<<"$result")"
}

# The main window as users see it at start-up: each control's outline where
# the Fusion style draws it for its rectangle in the core's table, and each
# gain bar and label showing its tone's start-up gain.
app_start_up_drawn() {
  local shot k problem
  shot=$(drawn_shot main-window "$wid" 4)
  grep -v '^label' <<<"$control_table" | pixels outlines "$shot" >&2 ||
    e2e_fail "controls drawn away from their rectangles (see $shot)"
  for ((k = 0; k < tone_count; k++)); do
    problem=$(gain_problem "$shot" "$k" "${default_gains[k]}") || e2e_fail "$problem"
  done
  e2e_log "every gain bar's thumb and label at its tone's start-up gain"
}

# Gain bar 20 + K and its label are drawn showing POSITION, within 10 s.
app_gain_drawn() {
  e2e_until 10 0.2 gain_shows "$1" "$2" || e2e_fail "$(gain_problem "$E2E_ARTIFACTS/gain-$1.png" "$1" "$2")"
}

gain_shows() {
  local shot
  shot=$(e2e_screenshot "gain-$1" "$wid") && gain_problem "$shot" "$1" "$2" >/dev/null
}

# The digits of gain label 120 + K in SHOT, read against those of frequency
# fields whose text is known (they show their start-up frequency, and none of
# them has the focus, which draws its text selected).
gain_label_text() {
  local learn=() j
  for j in 0 1 2 5 7 9 10 12 13; do
    find_control "$j"
    learn+=(--learn "$((cx + 1)) $((cy + 2)) $((cw - 16)) $((ch - 4)) ${default_frequencies[j]}")
  done
  find_control $((first_gain_label + $2))
  pixels text "$1" "$cx" "$cy" "$cw" "$ch" "${learn[@]}" 2>&1
}

# What is wrong in SHOT with gain label 120 + K and bar 20 + K showing
# POSITION; status 1 when anything is. The thumb must stand that share of
# the way along the groove.
gain_problem() {
  local text thumb
  text=$(gain_label_text "$1" "$2")
  if [ "$text" != "$3" ]; then
    echo "gain label $((first_gain_label + $2)) reads '$text', expected $3"
    return 1
  fi
  find_control $((first_gain_bar + $2))
  if ! thumb=$(pixels thumb "$1" "$cx" "$cy" "$cw" "$ch" --position "$3" --of 100 2>&1); then
    echo "gain bar $((first_gain_bar + $2)): $thumb"
    return 1
  fi
}

# The recording from sample --start on is the tone stream plus the player's
# mix of the two embedded recordings at the test signals' volume, sample for
# sample (ARGS as for `analyse_recording mixture`).
app_expect_mixture() {
  local out
  out=$(e2e_analyse mixture "$rec" --source sweep="$TONEGEN_SWEEP_WAV" --source pink="$TONEGEN_PINK_WAV" \
    --source-volume "$test_signal_volume" "$@")
  local status=$?
  grep -v '^  ' <<<"$out" >&2
  ((status == 0)) || e2e_fail "the recording is not the tones plus the test signals"
}
