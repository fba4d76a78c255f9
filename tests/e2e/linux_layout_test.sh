#!/usr/bin/env bash
# The main window as the Linux program draws it: a fixed client area of
# 294 x 765, every control at its rectangle, and the start-up state it shows
# (gain bars at 44, gain labels reading "44").
#
# Two runs. In the first every Qt widget is a native X window
# (QT_USE_NATIVE_WINDOWS=1), so the X server itself reports each control's
# rectangle. The second is the program as users run it; its screenshot must
# show each control's outline where Qt's Fusion style draws it for that
# rectangle.
#
# Usage: linux_layout_test.sh TONEGEN ANALYSE_RECORDING ARTIFACT_DIR
set -uo pipefail
program=$1
E2E_ANALYSE=$2
# shellcheck source=harness.sh
source "$(dirname "$0")/harness.sh"
e2e_begin linux_layout "$3"
# shellcheck source=linux_common.sh
source "$E2E_LIB_DIR/linux_common.sh"

# Every control of the main window: kind, x, y, width, height.
expected_controls() {
  echo "button 20 718 50 28"  # 163 ON/OFF
  echo "button 70 718 78 28"  # 161 OFF SWEEP
  echo "button 148 718 59 28" # 160 OFF PINK
  echo "button 207 718 68 28" # 166 ABOUT
  echo "frame 18 5 106 30"
  echo "label 42 16 70 14" # 173 Frequency
  echo "frame 126 5 152 30"
  echo "label 188 16 70 14" # 174 Gain
  local k
  for ((k = 0; k < 20; k++)); do
    echo "frame 18 $((33 + 33 * k)) 106 42"
    echo "frame 126 $((33 + 33 * k)) 152 42"
    echo "field 30 $(field_y $k) 78 20"
    echo "bar 165 $(bar_y $k) 100 14"
    echo "label 136 $(bar_y $k) 24 20"
  done
}

check_window_size() {
  local size hints
  size=$(e2e_client_size "$wid") || e2e_fail "cannot read the size of window $wid"
  [ "$size" = "294 765" ] || e2e_fail "client area is $size, expected 294 765"
  hints=$(xwin size-hints "$wid") || e2e_fail "cannot read WM_NORMAL_HINTS"
  [ "$hints" = "min 294 765 max 294 765" ] ||
    e2e_fail "WM_NORMAL_HINTS say '$hints': the window can be resized"
  e2e_log "client area $size, $hints"
}

e2e_start_xvfb
e2e_start_pulse

# 1. The rectangles as the X server knows them.
open_main_window env QT_USE_NATIVE_WINDOWS=1 "$program"
check_window_size
children="$E2E_ARTIFACTS/native-windows.txt"
xwin children "$wid" >"$children" || e2e_fail "cannot list the windows inside $wid"
missing=0
while read -r kind x y w h; do
  if ! grep -qx "$x $y $w $h" "$children"; then
    e2e_log "no $kind at ($x, $y) $w x $h"
    missing=$((missing + 1))
  fi
done < <(expected_controls)
((missing == 0)) || e2e_fail "$missing controls are not where they belong (found: $children)"
# Nothing else, apart from the edit line inside each frequency field.
extra=$(awk 'NR == FNR { if ($1 != "") want[$2 " " $3 " " $4 " " $5] = $1; next }
             { key = $1 " " $2 " " $3 " " $4 }
             key in want { next }
             { inside = 0
               for (k in want) {
                 if (want[k] != "field") continue
                 split(k, r, " ")
                 if ($1 >= r[1] && $2 >= r[2] && $1 + $3 <= r[1] + r[3] && $2 + $4 <= r[2] + r[4]) inside = 1
               }
               if (!inside) print }' <(expected_controls) "$children")
[ -z "$extra" ] || e2e_fail "windows that belong to no control: $extra"
e2e_log "$(expected_controls | wc -l) controls at their rectangles, $(wc -l <"$children") native windows in all"
e2e_close_window "$wid" || e2e_fail "cannot send WM_DELETE_WINDOW"
e2e_wait_exit "$E2E_APP_PID" 10 || e2e_fail "the first run did not end"

# 2. The program as users run it, by its pixels.
open_main_window "$program"
check_window_size
shot=$(drawn_shot main-window "$wid" 4)
expected_controls | grep -v '^label' | pixels outlines "$shot" >&2 ||
  e2e_fail "controls drawn away from their rectangles (see $shot)"

# Gain bars: the thumb 44 % of the way along the groove, give or take a pixel.
for ((k = 0; k < 20; k++)); do
  read -r start groove thumb < <(pixels thumb "$shot" 165 "$(bar_y $k)" 100 14) ||
    e2e_fail "no thumb found on gain bar $((20 + k))"
  want=$(((groove - thumb) * 44 / 100))
  ((start >= want - 1 && start <= want + 1)) ||
    e2e_fail "gain bar $((20 + k)): thumb at $start of $((groove - thumb)), expected $want (44 %)"
done
e2e_log "every gain bar's thumb at 44 % ($want of $((groove - thumb)) pixels)"

# Gain labels: read against the digits of the frequency fields, whose texts
# at start-up are known.
learn=()
for k in 0 1 2 3 4 7 9 10 12 13; do
  learn+=(--learn "31 $(($(field_y $k) + 2)) 62 16 ${default_frequencies[k]}")
done
for ((k = 0; k < 20; k++)); do
  text=$(pixels text "$shot" 136 "$(bar_y $k)" 24 20 "${learn[@]}") || e2e_fail "cannot read gain label $((120 + k))"
  [ "$text" = 44 ] || e2e_fail "gain label $((120 + k)) reads '$text', expected 44"
done
e2e_log "every gain label reads 44"
e2e_log "PASS"
