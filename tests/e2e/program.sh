# shellcheck shell=bash
# shellcheck disable=SC2034 # the values read here are for the scenarios
# shellcheck disable=SC2154 # rec, wid and the app_* limits come from the scenario and the platform layer
# What every scenario shares, whichever program it runs: what the program
# should show, read from the core through the analysis tool (titles, pages,
# every control's place, the Tone bank's defaults); starting the program past
# its About box and closing it; clicks on controls by their number; measures
# over the recording. Sourced after harness.sh and a platform layer (qt.sh or
# wine.sh), which makes the steps that differ between the programs (app_*).

readonly rate=44100
# Where the program puts its windows: the main window's client area and the
# About box's top-left corner, from the start-up code.
readonly main_client_size="294 765"
readonly about_box_at="40 190"
# The test signals: the player's volume for them (40 %) in its hundredths
# of a decibel, and the law of the embedded sweep, 20 Hz to 21050 Hz in 14 s.
readonly test_signal_volume=-796
readonly sweep_law=20,21050,14
# Nothing but the tones above this when they play alone.
readonly floor_dbfs=-80

# What the platform layer puts on the program's command line (a scenario
# sets it before starting the program).
APP_ARGS=()

# Value of KEY in the key=value lines of an analysis.
value_of() { sed -n "s/^$1=//p"; }

# Reads what the program should show from the core: the titles and pages,
# the control numbers, each tone's default frequency and gain position, and
# the main window's control table (`control_table`, as `analyse_recording
# controls` prints it).
load_program_facts() {
  local facts k hz gain _
  facts=$(e2e_analyse defaults) || e2e_fail "the analysis tool cannot say what the program shows"
  control_table=$(e2e_analyse controls) || e2e_fail "the analysis tool cannot list the controls"
  main_title=$(value_of main_title <<<"$facts")
  E2E_ABOUT_TITLE=$(value_of about_title <<<"$facts")
  error_title=$(value_of error_title <<<"$facts")
  software_page=$(value_of software_page <<<"$facts")
  twitter_page=$(value_of about_button <<<"$facts" | sed -n 's/^2 Twitter //p')
  about_buttons=$(value_of about_button <<<"$facts" | wc -l)
  on_off=$(value_of on_off_toggle <<<"$facts")
  sweep_toggle=$(value_of sweep_toggle <<<"$facts")
  pink_toggle=$(value_of pink_toggle <<<"$facts")
  about_toggle=$(value_of about_toggle <<<"$facts")
  first_gain_bar=$(value_of first_gain_bar <<<"$facts")
  first_gain_label=$(value_of first_gain_label <<<"$facts")
  lowest_frequency=$(value_of lowest_frequency <<<"$facts")
  default_frequencies=()
  default_gains=()
  while read -r k hz gain _; do
    default_frequencies[k]=$hz
    default_gains[k]=$gain
  done < <(value_of tone <<<"$facts")
  tone_count=${#default_frequencies[@]}
  if [ -z "$main_title" ] || [ -z "$twitter_page" ] || ((tone_count == 0)); then
    e2e_fail "the core's facts are incomplete: $facts"
  fi
}

# Sets cx, cy, cw, ch (client pixels) and ccaption to control ID's
# rectangle and start-up caption in the core's table.
find_control() {
  local kind id
  while read -r kind cx cy cw ch id ccaption; do
    [ "$id" = "$1" ] && return 0
  done <<<"$control_table"
  e2e_fail "no control $1 in the main window's table"
}

# Seconds (a decimal number) as samples, and the seconds between two sample
# positions to the millisecond, for the log.
samples_in() { echo $(($(e2e_usec "$1") * rate / 1000000)); }
seconds_between() {
  local d=$(($2 - $1)) sign=
  if ((d < 0)); then
    sign=-
    d=$((-d))
  fi
  printf '%s%d.%03d' "$sign" $((d / rate)) $((d % rate * 1000 / rate))
}

# The recording `rec` of the scenario: its length now in samples; waiting
# until it holds SECONDS more than at sample FROM (for up to LIMIT seconds).
mark() { e2e_recorded_samples "$rec"; }

# Value of KEY in what `analyse_recording info` says of the recording.
info_value() { e2e_analyse info "$rec" | value_of "$1"; }
record_for() { e2e_record_until "$rec" $(($1 + $(samples_in "$2"))) "${3:-30}"; }

# Starts the program (ARGS for app_launch), answers the start-up About box
# with OK and sets `wid` to the main window once the program takes clicks.
# No page opens while the box is up.
start_program() {
  local box pages
  pages=$(e2e_opened_addresses)
  app_launch "$@"
  box=$(e2e_about_box "$start_up_limit") || e2e_fail "no About box titled '$E2E_ABOUT_TITLE' at start-up"
  [ "$(e2e_opened_addresses)" = "$pages" ] ||
    e2e_fail "a page opened while the About box was up: $(e2e_opened_addresses | paste -sd' ')"
  e2e_about_ok "$box"
  e2e_wait_window_gone "$box" 10 || e2e_fail "OK did not close the About box"
  find_main_window
}

find_main_window() {
  wid=$(e2e_find_window "$main_title" 20) || e2e_fail "no window titled '$main_title'"
  app_ready
}

pages_opened_at_least() { (($(grep -c . "$E2E_OPENED") >= $1)); }

# Waits until the browser has been handed the ADDRESSES (one a line), then
# checks that they are exactly those, in that order.
expect_pages() {
  local want=$1 lines
  lines=$(grep -c . <<<"$want")
  e2e_until "$page_limit" 0.05 pages_opened_at_least "$lines" ||
    e2e_fail "pages opened within $page_limit s: '$(e2e_opened_addresses | paste -sd' ')', expected '$(paste -sd' ' <<<"$want")'"
  [ "$(e2e_opened_addresses)" = "$want" ] ||
    e2e_fail "pages opened: '$(e2e_opened_addresses | paste -sd' ')', expected '$(paste -sd' ' <<<"$want")'"
  e2e_log "pages opened: $(e2e_opened_addresses | paste -sd' ')"
}

# The main window's client area has its fixed size, and the window tells
# the window manager it cannot be resized.
expect_fixed_size() {
  local size hints
  size=$(e2e_client_size "$wid") || e2e_fail "cannot read the size of window $wid"
  [ "$size" = "$main_client_size" ] || e2e_fail "client area is $size, expected $main_client_size"
  hints=$(xwin size-hints "$wid") || e2e_fail "cannot read WM_NORMAL_HINTS"
  [ "$hints" = "min $main_client_size max $main_client_size" ] ||
    e2e_fail "WM_NORMAL_HINTS say '$hints': the window can be resized"
  e2e_log "client area $size, $hints"
}

# A click at client (X, Y) of the main window, held as a hand holds it. A
# click that takes the focus from a frequency field makes the program handle
# the field's loss of focus first, and that handler drops every event
# already waiting behind it: a press and release arriving together, as
# xdotool's own click sends them, would lose the click itself.
click_at() {
  xdotool mousemove --window "$wid" "$1" "$2" mousedown 1 sleep 0.4 mouseup 1 ||
    e2e_fail "cannot click window $wid at ($1, $2)"
}

# COUNT clicks at client (X, Y), 250 ms apart (a scroll bar's arrow, which
# takes no focus). Each step's handler drops the events waiting behind it,
# and the bar has already moved for them: at 120 ms apart, a Windows
# program under wine now and then let its label stop five steps short.
click_repeat() {
  xdotool mousemove --window "$wid" "$1" "$2" click --repeat "$3" --delay 250 1 ||
    e2e_fail "cannot click window $wid at ($1, $2)"
}

# Clicks control ID in its middle; `clicked_at` is the recording's length
# once the click is done, when the program has it (with no recording, 0).
click_control() {
  find_control "$1"
  click_at $((cx + cw / 2)) $((cy + ch / 2))
  clicked_at=0
  [ -z "${rec:-}" ] || clicked_at=$(mark)
  e2e_log "clicked control $1 ('$ccaption' at start-up) at recording sample $clicked_at"
}

# Clicks the left arrow of gain bar 20 + K COUNT times, one at a time.
click_gain_arrow() {
  find_control $((first_gain_bar + $1))
  click_repeat $((cx + 6)) $((cy + ch / 2)) "$2"
}

# ---- What the controls show, as the platform's probe (app_probe) reads them
# inside the program; what is drawn of it, the platform checks in its
# app_*_drawn steps.

# The focus is on control ID (WHAT for the message), within 3 s: a key
# reaches the program in its own time.
expect_focus() {
  e2e_until 3 0.1 focus_on "$1" || e2e_fail "$2: the focus is on control '$focus', expected $1"
}

focus_on() {
  focus=$(app_probe focus "$main_title")
  [ "$focus" = "$1" ]
}

# Every control of the core's table at its place, as the system reports it.
expect_layout() {
  app_probe layout "$main_title" >"$E2E_ARTIFACTS/layout.txt" ||
    e2e_fail "controls out of place: $(grep -v '^ok' "$E2E_ARTIFACTS/layout.txt" | paste -sd';')"
  e2e_log "layout: $(tail -n 1 "$E2E_ARTIFACTS/layout.txt")"
  app_layout_drawn
}

# The start-up values, against the core (through the probe, and through the
# listing of the controls against what the core's facts say).
expect_start_up_window() {
  local listing="$E2E_ARTIFACTS/controls.txt" k
  app_probe values "$main_title" >"$E2E_ARTIFACTS/values.txt" ||
    e2e_fail "start-up values wrong: $(grep -v '^ok' "$E2E_ARTIFACTS/values.txt" | paste -sd';')"
  app_probe controls "$main_title" >"$listing" || e2e_fail "cannot list the controls"
  for ((k = 0; k < tone_count; k++)); do
    grep -q "^id=$k class=Edit .* text=${default_frequencies[k]}$" "$listing" ||
      e2e_fail "field $k does not start at ${default_frequencies[k]}"
    grep -q "^id=$((first_gain_bar + k)) class=ScrollBar .* pos=${default_gains[k]} " "$listing" ||
      e2e_fail "gain bar $((first_gain_bar + k)) does not start at ${default_gains[k]}"
    grep -q "^id=$((first_gain_label + k)) class=Static .* text=${default_gains[k]}$" "$listing" ||
      e2e_fail "gain label $((first_gain_label + k)) does not start at ${default_gains[k]}"
  done
  e2e_log "start-up values as the core sets them"
  app_start_up_drawn
}

# Gain bar 20 + K stands at POSITION and its label shows it, within 10 s
# (the program may still be taking clicks). The bar moves as it is clicked,
# the label once the program has taken the move, a moment later.
expect_gain() {
  e2e_until 10 0.2 e2e_prints "$2" gain_shown "$1" ||
    e2e_fail "gain bar $((first_gain_bar + $1)): $(gain_shown "$1"), not $2"
  app_gain_drawn "$1" "$2"
  e2e_log "gain bar $((first_gain_bar + $1)) and its label show $2"
}

# Prints the position that gain bar 20 + K and its label both show, or what
# each shows and status 1 where they differ.
gain_shown() {
  local listing bar label
  listing=$(app_probe controls "$main_title") || return 1
  bar=$(grep "^id=$((first_gain_bar + $1)) " <<<"$listing" | sed -n 's/.* pos=\([0-9]*\) .*/\1/p')
  label=$(grep "^id=$((first_gain_label + $1)) " <<<"$listing" | sed 's/.* text=//')
  if [ -n "$bar" ] && [ "$bar" = "$label" ]; then echo "$bar"; else
    echo "bar at '$bar', label '$label'"
    return 1
  fi
}

# Toggle ID shows CAPTION and is pressed or released (STATE), within 5 s.
expect_toggle() {
  e2e_until 5 0.2 e2e_prints "$2 $3" app_probe toggle "$main_title" "$1" ||
    e2e_fail "toggle $1 shows '$(app_probe toggle "$main_title" "$1")', expected '$2 $3'"
  app_toggle_drawn "$@"
}

# Takes gain bar 20 + K from FROM down to TARGET with clicks on its left
# arrow, and checks that bar and label show each round's end. A click that
# reaches the program while a handler drains the events is dropped, and the
# bar goes back to its label: as a user would, the clicks that did not take
# are made again, for three rounds at most.
click_gain_down() {
  local k=$1 shown=$2 target=$3 round
  for round in 1 2 3; do
    click_gain_arrow "$k" $((shown - target))
    gain_seen=
    e2e_until 10 0.3 gain_settled "$k" ||
      e2e_fail "gain bar $((first_gain_bar + k)) and its label disagree: $gain_seen"
    shown=$gain_seen
    ((shown > target)) || break
    e2e_log "gain bar $((first_gain_bar + k)) at $shown: $((shown - target)) click(s) dropped" \
      "while a handler drained the events; made again"
  done
  ((shown == target)) || e2e_fail "gain bar $((first_gain_bar + k)) and its label show $shown, not $target"
  app_gain_drawn "$k" "$target"
  e2e_log "gain bar $((first_gain_bar + k)) and its label show $target"
}

# Bar and label of gain K show the same position at two looks in a row (the
# program has taken every click), kept in `gain_seen`.
gain_settled() {
  local now
  now=$(gain_shown "$1") || { gain_seen=$now; return 1; }
  [ "$now" = "$gain_seen" ] && return 0
  gain_seen=$now
  return 1
}

# Presses each key in turn in the main window.
keys() {
  local key
  for key in "$@"; do e2e_key "$wid" "$key"; done
}

# Types TEXT into frequency field K over whatever it held and leaves it with
# Tab: a click into its text, Ctrl+A, the characters one key at a time.
type_into_field() {
  local k=$1 text=$2 i
  find_control "$k"
  click_at $((cx + cw / 3)) $((cy + ch / 2))
  keys ctrl+a
  for ((i = 0; i < ${#text}; i++)); do keys "${text:i:1}"; done
  keys Tab
}

# Copies the focused control's text (Ctrl+C) and checks, for up to 3 s, that
# the clipboard holds TEXT (WHAT for the message).
expect_copied() {
  app_clear_clipboard
  keys ctrl+c
  e2e_until 3 0.1 clipboard_holds "$1" || e2e_fail "$2: the focus copies '$copied', expected '$1'"
}

clipboard_holds() {
  copied=$(xwin selection --clipboard --timeout 1 2>/dev/null)
  [ "$copied" = "$1" ]
}

# COMMAND (levels, rms, band-slope) over the last second of the recording,
# or the last N seconds with --last N first, as the platform measures steady
# sound.
steady() { app_steady "$1" "$rec" "${@:2}"; }

# The twenty tones of the bank (changed by ARGS, as for levels; --last N
# first for a longer stretch) at the level the core synthesises them, nothing
# else above the floor.
# shellcheck disable=SC2120 # the scenarios pass arguments
expect_bank() {
  steady levels "$@" --expect-synthesised --tolerance 0.5 --floor "$floor_dbfs" >&2 ||
    e2e_fail "the tones are not the bank${*:+ with $*} at its synthesised levels"
}

# Closes the main window as a window manager's close button does and waits
# up to the platform's limit for the process to end with code 0.
# `close_sent_at` is the recording's length once the request has gone out.
close_program() {
  e2e_close_window "$wid" || e2e_fail "cannot send WM_DELETE_WINDOW"
  close_sent_at=0
  [ -z "${rec:-}" ] || close_sent_at=$(mark)
  e2e_wait_exit "$E2E_APP_PID" "$exit_limit" || e2e_fail "still running $exit_limit s after WM_DELETE_WINDOW"
  e2e_log "exited with code $E2E_EXIT_CODE $E2E_EXIT_SECONDS s after WM_DELETE_WINDOW"
  [ "$E2E_EXIT_CODE" -eq 0 ] || e2e_fail "exit code $E2E_EXIT_CODE after WM_DELETE_WINDOW, expected 0"
}

# ON/OFF from start-up in the main window: a second of silence while it is
# pressed, the twenty default tones once it is released, silence within a
# second of pressing it again, the tones again on the next release.
expect_on_off_round() {
  local shown_at
  shown_at=$(mark)
  record_for "$shown_at" 1.0
  e2e_screenshot main-window-paused "$wid" >/dev/null
  e2e_analyse silence "$rec" --min-seconds 1 || e2e_fail "sound while ON/OFF is pressed at start"

  click_control "$on_off"
  record_for "$clicked_at" 3.0
  e2e_analyse starts "$rec" --after "$clicked_at" --within 3 || e2e_fail "no sound 3 s after ON/OFF was released"
  e2e_screenshot main-window-playing "$wid" >/dev/null
  e2e_screenshot screen-playing >/dev/null
  expect_bank

  click_control "$on_off"
  record_for "$clicked_at" 1.5
  e2e_analyse silence "$rec" --last 0.5 || e2e_fail "sound still plays 1 s after ON/OFF was pressed"
  e2e_screenshot main-window-paused-again "$wid" >/dev/null

  click_control "$on_off"
  record_for "$clicked_at" 2.5
  expect_bank
}

xwin() { "$E2E_PYTHON" "$E2E_LIB_DIR/xwin.py" "$@"; }
pixels() { "$E2E_PYTHON" "$E2E_LIB_DIR/pixels.py" "$@"; }

# Takes screenshot NAME of window WID until it shows COUNT buttons in a row
# (the window has been drawn), for up to 10 s; prints the file.
drawn_shot() {
  local name=$1 window=$2 count=$3
  e2e_until 10 0.2 shows_buttons "$name" "$window" "$count" ||
    e2e_fail "window $window shows $(pixels buttons "$E2E_ARTIFACTS/$name.png" | wc -l) buttons in a row after 10 s, expected $count"
  echo "$E2E_ARTIFACTS/$name.png"
}

shows_buttons() {
  local shot
  shot=$(e2e_screenshot "$1" "$2") && [ "$(pixels buttons "$shot" | wc -l)" = "$3" ]
}

# The About box BOX (screenshot NAME): its corner where the program puts it,
# and all its buttons drawn in a row.
expect_about_box() {
  local where
  where=$(app_window_position "$1" "$E2E_ABOUT_TITLE") || e2e_fail "cannot read where the About box is"
  [ "$where" = "$about_box_at" ] || e2e_fail "the About box is at ($where), expected ($about_box_at)"
  drawn_shot "$2" "$1" "$about_buttons" >/dev/null
  e2e_log "About box at ($where), client area $(e2e_client_size "$1" | tr ' ' x), $about_buttons buttons"
}

# Clicks button K (from 1) of the About box BOX, as its screenshot NAME shows it.
click_box_button() {
  local x y w
  read -r x y w < <(pixels buttons "$E2E_ARTIFACTS/$3.png" | sed -n "$2p")
  [ -n "$w" ] || e2e_fail "no button $2 in the About box's shot $3"
  xdotool mousemove --window "$1" $((x + w / 2)) $((y + 8)) mousedown 1 sleep 0.2 mouseup 1 ||
    e2e_fail "cannot click button $2 of the About box"
}
