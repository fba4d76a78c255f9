# shellcheck shell=bash
# shellcheck disable=SC2154 # what program.sh reads from the core and the platform layer sets
# Tooltips of the Linux program as a user sees them: the pointer rests on
# tone 5's gain bar and a tooltip window shows up beside it, one line long
# enough for the tone's frequency, note, gain and levels; it goes when the
# pointer leaves, and leaves the main window exactly as it was drawn before.
# After a typed frequency (1000 Hz, "≈ B5 +21 cents", becomes 440 Hz, "= A4")
# the same bar's tooltip is shorter by what the text lost.

e2e_start_xvfb
e2e_start_pulse
start_program
# The middle of tone 5's gain bar, in client pixels.
find_control $((first_gain_bar + 4))
bar_x=$((cx + cw / 2)) bar_y=$((cy + ch / 2))
drawn_shot before "$wid" 4 >/dev/null

# The program's mapped windows, one "ID WxH+X+Y" a line.
windows_now() {
  xwin list | awk -v pid="pid=$E2E_APP_PID" '$3 == pid { print $1, $2 }' | sort
}

# Prints the one window mapped now that was not in WINDOWS (lines of windows_now).
new_window() {
  local line
  line=$(comm -13 <(echo "$1") <(windows_now) | head -n 1)
  [ -n "$line" ] && echo "$line"
}

# Rests the pointer on tone 5's gain bar until a tooltip shows (up to 5 s),
# takes screenshot NAME of the screen and prints the tooltip's "ID WxH+X+Y".
hover_bar() {
  local name=$1 before tip x y
  before=$(windows_now)
  x=$bar_x y=$bar_y
  # Into the bar from beside it, as a hand moves, then still.
  xdotool mousemove --window "$wid" 140 $((y + 40)) sleep 0.3 mousemove --window "$wid" $((x - 5)) "$y" \
    sleep 0.1 mousemove --window "$wid" "$x" "$y" || e2e_fail "cannot move the pointer"
  e2e_until 5 0.1 new_window "$before" >/dev/null || e2e_fail "no tooltip 5 s after the pointer came to rest on the gain bar"
  sleep 0.3 # drawn
  tip=$(new_window "$before")
  e2e_screenshot "$name" >/dev/null
  e2e_screenshot "$name-window" "${tip%% *}" >/dev/null
  echo "$tip"
}

# Takes the pointer off the bar and waits for the tooltip window WID to go.
leave_bar() {
  xdotool mousemove --window "$wid" 60 8 || e2e_fail "cannot move the pointer"
  e2e_wait_window_gone "$1" 5 || e2e_fail "the tooltip is still up 5 s after the pointer left"
}

# "W H X Y" of a window as windows_now gives it.
geometry_of() { echo "$1" | sed -E 's/^[0-9]+ ([0-9]+)x([0-9]+)\+(-?[0-9]+)\+(-?[0-9]+)$/\1 \2 \3 \4/'; }

read -r window_x window_y < <(xwin position "$wid")
tip=$(hover_bar tooltip-gain-bar)
read -r width height tip_x tip_y < <(geometry_of "$tip")
e2e_log "tooltip ${width}x$height at ($tip_x, $tip_y); the window's client area at ($window_x, $window_y)"
pointer_x=$((window_x + bar_x)) pointer_y=$((window_y + bar_y))
# Beside the pointer, one line, and as wide as some seventy characters at least.
((tip_x >= pointer_x - 200 && tip_x <= pointer_x + 60 && tip_y >= pointer_y - 60 && tip_y <= pointer_y + 60)) ||
  e2e_fail "the tooltip at ($tip_x, $tip_y) is not beside the pointer at ($pointer_x, $pointer_y)"
((height >= 12 && height <= 40)) || e2e_fail "the tooltip is $height pixels high, not one line"
((width >= 300)) || e2e_fail "the tooltip is $width pixels wide, too narrow for a tone's text"
leave_bar "${tip%% *}"

# Gone without a trace: the main window as it was before the pointer came.
drawn_shot after "$wid" 4 >/dev/null
differ=$(compare -metric AE "$E2E_ARTIFACTS/before.png" "$E2E_ARTIFACTS/after.png" null: 2>&1)
[ "$differ" = 0 ] || e2e_fail "the main window differs in $differ pixels from before the tooltip"

# A typed frequency: the same tooltip, shorter.
type_into_field 4 440
tip=$(hover_bar tooltip-after-typing)
read -r width_440 _ < <(geometry_of "$tip")
e2e_log "tooltip ${width_440} pixels wide at 440 Hz, $width at 1000 Hz"
((width_440 < width - 20)) ||
  e2e_fail "the tooltip is $width_440 pixels wide at 440 Hz and $width at 1000 Hz: it did not follow the typed frequency"
leave_bar "${tip%% *}"
