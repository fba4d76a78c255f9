#!/usr/bin/env bash
# The x64 Windows program under wine: "Twitter" in the start-up About box
# hands the software page and then the Twitter page to the browser, in that
# order, and the program goes on to its main window and its stream.
#
# 32-bit programs cannot start on this machine (its kernel refuses them), so
# only the x64 build is run.
#
# Usage: wine_about_pages_test.sh TONEGEN.EXE ANALYSE_RECORDING ARTIFACT_DIR
set -uo pipefail
program=$1
E2E_ANALYSE=$2
# shellcheck source=harness.sh
source "$(dirname "$0")/harness.sh"
# shellcheck source=wine.sh
source "$(dirname "$0")/wine.sh"
e2e_begin wine_about_pages "$3"
wine_begin "$program"

e2e_start_xvfb
e2e_start_pulse

wine_launch
box=$(e2e_about_box 60) || e2e_fail "no About box at start-up"
# The focus starts on "Web"; "Twitter" is the next button.
wine_keys "$box" Tab space
e2e_wait_window_gone "$box" 10 || e2e_fail "\"Twitter\" did not close the About box"
wid=$(e2e_find_window "$main_title" 20) || e2e_fail "no window titled '$main_title'"
wine_wait_stream 30
expected=$(printf '%s\n%s' "$TONEGEN_SOFTWARE_PAGE" "$TONEGEN_TWITTER_PAGE")
e2e_until 10 0.05 test "$(e2e_opened_addresses)" = "$expected" ||
  e2e_fail "opened '$(e2e_opened_addresses | paste -sd' ')', expected $TONEGEN_SOFTWARE_PAGE then $TONEGEN_TWITTER_PAGE"
e2e_log "pages opened in order: $(e2e_opened_addresses | paste -sd' ')"
e2e_screenshot main-window "$wid" >/dev/null

e2e_close_window "$wid" || e2e_fail "cannot send WM_DELETE_WINDOW"
e2e_wait_exit "$E2E_APP_PID" $exit_limit || e2e_fail "still running $exit_limit s after WM_DELETE_WINDOW"
[ "$E2E_EXIT_CODE" -eq 0 ] || e2e_fail "exit code $E2E_EXIT_CODE after WM_DELETE_WINDOW, expected 0"
[ "$(e2e_opened_addresses)" = "$expected" ] || e2e_fail "more pages opened later: $(e2e_opened_addresses | paste -sd' ')"
e2e_log "PASS"
