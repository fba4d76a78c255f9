# shellcheck shell=bash
# shellcheck disable=SC2154 # what program.sh reads from the core and the platform layer sets
# The About box. At start-up it comes first, with the core's title and all
# its buttons, at the place the program gives it (the main window is in
# front); no page opens while it is up, "OK" hands the software page alone to
# the browser and the main window then works. The ABOUT toggle opens the box
# again while the tones play on without a gap for longer than the queued
# audio lasts; a click on ON/OFF meanwhile changes neither the sound nor,
# once taken, the button's look, and "Twitter" opens no page this time. "Twitter" in the start-up
# box hands over the software page, then the Twitter page, and nothing later.
#
# Without a window manager nobody but the program decides which window is in
# front: the main window is active when the box is shown, so the box never
# takes the centred place kept for a program in the background.
rec="$E2E_ARTIFACTS/recording.raw"
e2e_start_xvfb
e2e_start_pulse
e2e_record_start "$rec"

# 1. "OK" at start-up.
app_launch
box=$(e2e_about_box "$start_up_limit") || e2e_fail "no About box titled '$E2E_ABOUT_TITLE' at start-up"
expect_about_box "$box" about-box-at-start-up
[ -z "$(e2e_opened_addresses)" ] || e2e_fail "a page opened while the About box was up: $(e2e_opened_addresses)"
e2e_about_ok "$box"
e2e_wait_window_gone "$box" 10 || e2e_fail "OK did not close the About box"
find_main_window
expect_pages "$software_page"
click_control "$on_off"
record_for "$clicked_at" 3
expect_bank

# 2. The ABOUT toggle over the playing tones, up for longer than the 2.2 s
# of queued audio last; ON/OFF clicked meanwhile.
click_control "$about_toggle"
box=$(e2e_about_box 20) || e2e_fail "the ABOUT toggle opened no About box"
box_at=$(mark)
expect_about_box "$box" about-box-from-toggle
click_control "$on_off"
record_for "$box_at" 3.5
expect_bank --last 3
# "Twitter", clicked: the focus of the box may have gone with the click on
# the main window.
click_box_button "$box" 2 about-box-from-toggle
e2e_wait_window_gone "$box" 10 || e2e_fail "the About box stays after Twitter"
closed_at=$(mark)
record_for "$closed_at" 4
[ "$(e2e_opened_addresses)" = "$software_page" ] ||
  e2e_fail "a page opened after the ABOUT toggle's box: $(e2e_opened_addresses | paste -sd' ')"
e2e_log "Twitter in the box from the ABOUT toggle opened no page"
# The click the box took left no trace: ON/OFF still reads "ON", released.
expect_toggle "$on_off" "ON" released
expect_bank
close_program
e2e_record_stop
# Sample for sample from the first sound: no pause (a box that stopped the
# refills would leave a second and more of silence), nothing lost or
# repeated.
app_compare "$rec" --expect-pauses 0 || e2e_fail "the tones did not play on unbroken under the About box"
e2e_log "$(seconds_between "$box_at" "$closed_at") s of the tones under the box"

# 3. "Twitter" at start-up: the focus starts on "Web", one Tab further on.
: >"$E2E_OPENED"
app_launch
box=$(e2e_about_box "$start_up_limit") || e2e_fail "no About box at the second start-up"
e2e_key "$box" Tab
e2e_key "$box" space
e2e_wait_window_gone "$box" 10 || e2e_fail "\"Twitter\" did not close the About box"
find_main_window
expect_pages "$software_page"$'\n'"$twitter_page"
e2e_screenshot main-window "$wid" >/dev/null
close_program
[ "$(e2e_opened_addresses)" = "$software_page"$'\n'"$twitter_page" ] ||
  e2e_fail "more pages opened later: $(e2e_opened_addresses | paste -sd' ')"
