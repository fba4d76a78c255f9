#!/usr/bin/env bash
# The About box of the Linux program. At start-up it comes first, titled
# " Zelvara Pro V1.3.3" with six buttons, at (40, 190) since the main window
# is in front; "OK" hands the software page alone to the browser, and the
# main window then works. "Twitter" hands over the software page, then the
# Twitter page. The ABOUT toggle opens the box again while the tones play on
# without a gap, opens no page whatever is chosen, and while the box is up a
# click on ON/OFF is dropped.
#
# Without a window manager nobody but the program decides which window is in
# front: Qt activates the main window when it is shown and again when it is
# clicked, so the box always finds a window of the program active and never
# takes the centred place kept for a program in the background.
#
# Usage: linux_about_box_test.sh TONEGEN ANALYSE_RECORDING ARTIFACT_DIR
set -uo pipefail
program=$1
E2E_ANALYSE=$2
# shellcheck source=harness.sh
source "$(dirname "$0")/harness.sh"
e2e_begin linux_about_box "$3"
# shellcheck source=linux_common.sh
source "$E2E_LIB_DIR/linux_common.sh"

rec="$E2E_ARTIFACTS/recording.raw"

# Checks box BOX: where it is, and its six buttons in a row (screenshot NAME).
check_box() {
  local box=$1 where count
  where=$(xwin position "$box") || e2e_fail "cannot read where the About box is"
  [ "$where" = "40 190" ] || e2e_fail "the About box is at ($where), expected (40, 190)"
  drawn_shot "$2" "$box" 6 >/dev/null
  e2e_log "About box at ($where), $(e2e_client_size "$box" | tr ' ' x), six buttons"
}

# Waits until the browser has been handed LINES addresses, then checks them.
expect_pages() {
  local want=$1 lines
  lines=$(grep -c . <<<"$want")
  e2e_until 5 0.05 test "$(grep -c . "$E2E_OPENED")" -ge "$lines" ||
    e2e_fail "pages opened: '$(e2e_opened_addresses)', expected '$want'"
  [ "$(e2e_opened_addresses)" = "$want" ] || e2e_fail "pages opened: '$(e2e_opened_addresses)', expected '$want'"
}

e2e_start_xvfb
e2e_start_pulse
e2e_record_start "$rec"

# 1. "OK" at start-up.
e2e_launch tonegen "$program"
box=$(e2e_about_box 20) || e2e_fail "no About box titled '$E2E_ABOUT_TITLE' at start-up"
check_box "$box" about-box-at-start-up
e2e_about_ok "$box"
wid=$(e2e_find_window "$main_title" 20) || e2e_fail "no main window after OK"
expect_pages "$TONEGEN_SOFTWARE_PAGE"
click $on_off_x $buttons_y
on_at=$(mark)
record_for "$on_at" 3
e2e_analyse levels "$rec" --last 1 --expect $tone_dbfs --tolerance 0.5 --floor -80 >&2 ||
  e2e_fail "ON/OFF after OK does not start the tones"

# 2. The ABOUT toggle over the playing tones; ON/OFF clicked meanwhile.
click $about_x $buttons_y
box=$(e2e_about_box 10) || e2e_fail "the ABOUT toggle opened no box"
box_at=$(mark)
check_box "$box" about-box-from-toggle
e2e_screenshot on-off-before "$wid" >/dev/null
click $on_off_x $buttons_y
e2e_screenshot on-off-after "$wid" >/dev/null
# The click did land: the button's own look changed, though the program
# never heard of it.
for shot in before after; do
  convert "$E2E_ARTIFACTS/on-off-$shot.png" -crop 50x28+20+718 "$E2E_RUN/on-off-$shot.png" ||
    e2e_fail "cannot cut ON/OFF out of the shot $shot the click"
done
changed=$(compare -metric AE "$E2E_RUN/on-off-before.png" "$E2E_RUN/on-off-after.png" null: 2>&1)
[[ $changed =~ ^[0-9]+$ ]] || e2e_fail "cannot compare the shots of ON/OFF: $changed"
((changed > 0)) || e2e_fail "ON/OFF looks the same after the click: it never reached the button"
record_for "$box_at" 3
e2e_key "$box" Tab
e2e_key "$box" space
e2e_wait_window_gone "$box" 10 || e2e_fail "the About box stays after Twitter"
closed_at=$(mark)
record_for "$closed_at" 1
expect_pages "$TONEGEN_SOFTWARE_PAGE"
e2e_log "Twitter in the box from the ABOUT toggle opened no page"
e2e_analyse levels "$rec" --start "$box_at" --seconds 2.5 --expect $tone_dbfs --tolerance 0.5 --floor -80 >&2 ||
  e2e_fail "the tones changed while the About box was up"
# Sample for sample from the first sound: no pause, nothing lost.
result=$(e2e_analyse compare "$rec" --expect-pauses 0) ||
  e2e_fail "the tones did not play on unbroken under the About box: $result"
e2e_log "$(value_of compared <<<"$result") samples without a gap," \
  "$(seconds_between "$box_at" "$closed_at") s of them under the box"

e2e_close_window "$wid" || e2e_fail "cannot send WM_DELETE_WINDOW"
e2e_wait_exit "$E2E_APP_PID" 10 || e2e_fail "still running after WM_DELETE_WINDOW"
[ "$E2E_EXIT_CODE" -eq 0 ] || e2e_fail "exit code $E2E_EXIT_CODE"
e2e_record_stop

# 3. "Twitter" at start-up: the focus starts on "Web", one Tab further on.
: >"$E2E_OPENED"
e2e_launch tonegen "$program"
box=$(e2e_about_box 20) || e2e_fail "no About box at the second start-up"
e2e_key "$box" Tab
e2e_key "$box" space
wid=$(e2e_find_window "$main_title" 20) || e2e_fail "no main window after Twitter"
expect_pages "$TONEGEN_SOFTWARE_PAGE"$'\n'"$TONEGEN_TWITTER_PAGE"
e2e_log "Twitter at start-up opened the software page, then the Twitter page"
e2e_close_window "$wid" || e2e_fail "cannot send WM_DELETE_WINDOW"
e2e_wait_exit "$E2E_APP_PID" 10 || e2e_fail "still running after WM_DELETE_WINDOW"
e2e_log "PASS"
