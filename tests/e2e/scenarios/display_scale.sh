# shellcheck shell=bash
# shellcheck disable=SC2154 # what program.sh reads from the core and the platform layer sets
# The main window at the display's scale: 150 % on a 1920 x 1080 screen,
# where the window at that scale would be taller than the screen, and 200 %
# on 3840 x 2160, where it fits. Each time the client area is one the core
# lays out (at 200 % exactly that scale, at 150 % a smaller one, the whole
# window on the screen), a screenshot is kept, and ON/OFF and a gain bar's
# arrow, clicked where the core's table puts them at that scale, do what
# they do at 100 %.
e2e_start_pulse

for screen in 1920x1080:144:150 3840x2160:192:200; do
  IFS=: read -r size dpi percent <<<"$screen"
  e2e_start_xvfb "$size"
  e2e_key_sizes=() # window numbers start again on the new server
  app_display_dpi "$dpi"
  start_program
  client=$(e2e_client_size "$wid") || e2e_fail "cannot read the size of window $wid"
  control_table=$(e2e_analyse controls --client "${client/ /x}" --device-percent "$device_percent") ||
    e2e_fail "at $dpi dpi: $control_table"
  laid_out=$(value_of percent <<<"$control_table")
  e2e_log "$size at $dpi dpi: client area $client, laid out at $laid_out % of the program's pixels"
  read -r x y < <(xwin position "$wid") || e2e_fail "cannot read the place of window $wid"
  if ((percent == 200)); then
    ((laid_out * device_percent / 100 == 200)) || e2e_fail "at 200 % the window is drawn at $laid_out %"
  else
    ((laid_out * device_percent / 100 < percent && laid_out * device_percent / 100 >= 75)) ||
      e2e_fail "at $percent % on $size the window is drawn at $((laid_out * device_percent / 100)) %"
    ((y >= 0 && y + ${client#* } <= ${size#*x})) ||
      e2e_fail "the client area ($client at y $y) leaves the ${size#*x} pixels of the screen"
  fi
  e2e_screenshot "main-window-$percent" "$wid" >/dev/null

  # As the probe reads them: the screenshot above shows them to a reader.
  e2e_until 5 0.2 e2e_prints "OFF pressed" app_probe toggle "$main_title" "$on_off" ||
    e2e_fail "ON/OFF at start-up: $(app_probe toggle "$main_title" "$on_off")"
  click_control "$on_off"
  e2e_until 5 0.2 e2e_prints "ON released" app_probe toggle "$main_title" "$on_off" ||
    e2e_fail "ON/OFF after its click: $(app_probe toggle "$main_title" "$on_off")"
  click_gain_arrow 4 1
  e2e_until 10 0.2 e2e_prints $((default_gains[4] - 1)) gain_shown 4 ||
    e2e_fail "gain bar $((first_gain_bar + 4)) after a click on its arrow: $(gain_shown 4)"
  close_program
done
