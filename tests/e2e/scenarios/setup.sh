# shellcheck shell=bash
# shellcheck disable=SC2154 # what program.sh reads from the core and the platform layer sets
# A setup as one line of text, through the command line and the clipboard:
# - started with --setup, the program is still paused, and its fields and
#   gain bars show the setup;
# - Ctrl+Shift+C puts the setup on the clipboard in its one written form;
# - a clipboard text that is no setup brings a message box titled as the
#   main window and changes nothing: released afterwards, the stream is the
#   one of the setup given at start, sample for sample;
# - Ctrl+Shift+V of an edited setup while the tones play: the tones of the
#   new setup at their synthesised levels, bars and fields showing it, the
#   stream still playing; copied again, the clipboard holds the new setup.
rec="$E2E_ARTIFACTS/recording.raw"

# The setup text of the defaults with the changes given as K=HZ@GAIN.
setup_text() {
  local text="tonegen-setup 1:" k change
  local -a hz=("${default_frequencies[@]}") gain=("${default_gains[@]}")
  for change in "$@"; do
    k=${change%%=*}
    hz[k]=${change#*=}
    hz[k]=${hz[k]%@*}
    gain[k]=${change#*@}
  done
  for ((k = 0; k < tone_count; k++)); do text+=" ${hz[k]}@${gain[k]}"; done
  echo "$text"
}

# Puts TEXT on the clipboard as another program would, owned by a helper
# that answers until something else takes the clipboard.
offer_clipboard() {
  e2e_spawn clipboard "$E2E_PYTHON" "$E2E_LIB_DIR/xwin.py" serve-clipboard "$1" --timeout 120
  e2e_poll 10 grep -q serving "$E2E_RUN/logs/clipboard.log" || e2e_fail "cannot put a text on the clipboard"
}

# Prints the id of a window titled TITLE other than the main window, waiting
# up to S seconds.
other_window_titled() {
  local title=$1 deadline=$(($(e2e_now) + $2 * 1000000)) id
  while (($(e2e_now) < deadline)); do
    id=$(xwin list | awk -v t="'$title'" -v main="$wid" '$1 != main && substr($0, index($0, "'"'"'")) == t { print $1; exit }')
    [ -n "$id" ] && echo "$id" && return 0
    sleep 0.1
  done
  return 1
}

# Ctrl+Shift+C copies TEXT. The field just left by Tab raises an event whose
# handler drops what is pending behind it, a shortcut included, so a press
# that left the clipboard as it was is made once more, as a user would.
expect_setup_copied() {
  local press
  for press in 1 2; do
    keys ctrl+shift+c
    e2e_until 3 0.1 clipboard_holds "$1" && return 0
    e2e_log "Ctrl+Shift+C press $press left '$copied' on the clipboard"
  done
  e2e_fail "Ctrl+Shift+C copied '$copied', expected '$1'"
}

# The text field K holds, read by copying it.
expect_field() {
  find_control "$1"
  click_at $((cx + cw / 3)) $((cy + ch / 2))
  keys ctrl+a
  expect_copied "$2" "$3"
  keys Tab
}

first=$(setup_text 0=80@0 3=1100@60 19=15000@100)
second=$(setup_text 0=80@0 3=440@80 7=3000@0 19=15000@100)
bad=$(setup_text 6=600@140)

e2e_start_xvfb
e2e_start_pulse
e2e_record_start "$rec"
# shellcheck disable=SC2034 # the platform layer reads it
APP_ARGS=(--setup "$first")
start_program

# Paused, showing the setup.
record_for "$(mark)" 1.0
e2e_analyse silence "$rec" --min-seconds 1 || e2e_fail "sound while paused after starting with --setup"
expect_gain 0 0
expect_gain 3 60
expect_gain 19 100
expect_field 3 1100 "field 3 after --setup"
expect_field 19 15000 "field 19 after --setup"
e2e_log "started paused with the setup's fields and bars"

# Copied: the setup's one written form.
app_clear_clipboard
expect_setup_copied "$first"
e2e_log "Ctrl+Shift+C copied the setup"

# No setup on the clipboard: the message, and nothing changes.
offer_clipboard "$bad"
keys ctrl+shift+v
box=$(other_window_titled "$main_title" 10) || e2e_fail "no message box titled '$main_title' after pasting '$bad'"
e2e_screenshot refused-setup "$box" >/dev/null
e2e_key "$box" Return
e2e_wait_window_gone "$box" "$box_gone_limit" || e2e_fail "Return did not close the message box"
e2e_log "a refused setup brought a message box ($box), closed by Return"
expect_gain 3 60
expect_gain 6 44

click_control "$on_off"
record_for "$clicked_at" 3.5
expect_bank --setup "$first"
app_compare "$rec" --setup "$first" --until "$(mark)" || e2e_fail "the stream is not the one of the setup given at start"

# An edited setup pasted while the tones play.
offer_clipboard "$second"
keys ctrl+shift+v
pasted_at=$(mark)
record_for "$pasted_at" 4
expect_bank --setup "$second"
expect_gain 3 80
expect_gain 7 0
expect_field 3 440 "field 3 after pasting"
app_clear_clipboard
expect_setup_copied "$second"
record_for "$(mark)" 1.5
expect_bank --setup "$second"
e2e_log "the pasted setup plays, and ON/OFF is still released"
close_program
