# shellcheck shell=bash
# What the Linux program's tests share besides program.sh: how to reach the
# main window past the start-up About box, clicks and keys as a hand gives
# them, screenshots of a drawn window. Sourced after harness.sh and e2e_begin.

# shellcheck source=program.sh
source "$E2E_LIB_DIR/program.sh"

xwin() { "$E2E_PYTHON" "$E2E_LIB_DIR/xwin.py" "$@"; }
pixels() { "$E2E_PYTHON" "$E2E_LIB_DIR/pixels.py" "$@"; }

# Takes screenshot NAME of window WID until it shows COUNT buttons in a row
# (the window has been drawn), for up to 10 s; prints the file.
drawn_shot() {
  local name=$1 window=$2 count=$3 shot
  e2e_until 10 0.2 shows_buttons "$name" "$window" "$count" ||
    e2e_fail "window $window shows $(pixels buttons "$E2E_ARTIFACTS/$name.png" | wc -l) buttons in a row after 10 s, expected $count"
  echo "$E2E_ARTIFACTS/$name.png"
}

shows_buttons() {
  local shot
  shot=$(e2e_screenshot "$1" "$2") && [ "$(pixels buttons "$shot" | wc -l)" = "$3" ]
}

# Starts the program (any extra arguments go before it, e.g. env VAR=...),
# answers the start-up About box with OK and sets `wid` to the main window.
open_main_window() {
  e2e_launch tonegen "$@"
  local box
  box=$(e2e_about_box 20) || e2e_fail "no About box at start-up"
  e2e_about_ok "$box"
  wid=$(e2e_find_window "$main_title" 20) || e2e_fail "no window titled '$main_title'"
}

# A click held as a hand holds it. A click that takes the focus from a
# frequency field makes the program handle the field's loss of focus first,
# and that handler drops every event already waiting behind it: a press and
# release arriving together, as xdotool's own click sends them, would lose
# the click itself.
click() {
  xdotool mousemove --window "$wid" "$1" "$2" mousedown 1 sleep 0.4 mouseup 1 ||
    e2e_fail "cannot click window $wid at ($1, $2)"
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
  click 60 $(($(field_y "$k") + 10))
  keys ctrl+a
  for ((i = 0; i < ${#text}; i++)); do keys "${text:i:1}"; done
  keys Tab
}

# The text of the focused control as copying it gives it (Ctrl+C); the
# clipboard is cleared first, so a control without text leaves it empty.
copied_text() {
  xwin clear-clipboard || e2e_fail "cannot clear the clipboard"
  keys ctrl+c
  xwin selection --clipboard --timeout 5 2>/dev/null
}
