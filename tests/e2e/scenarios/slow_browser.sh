# shellcheck shell=bash
# shellcheck disable=SC2154 # what program.sh reads from the core and wine.sh sets
# A browser slow to start. The prefix's handler of web addresses is a
# stand-in (tonegen_slow_browser, built beside the probe) that writes down
# each page it is handed and then spends 6 s before it is ready for input
# and takes the page. "Twitter" in the start-up box asks for two pages: while
# the first handler is still starting, the main window opens its stream and
# takes a click on ON/OFF (the program waits for the handler on a thread of
# its own, never on the window's); closed then, with the hand-off still
# waiting, the program ends within the usual limit with exit code 0.
handler_log="$E2E_RUN/slow-browser.txt"
# Wine's drive Z: is the root of the file system.
windows_path() { echo "Z:${1//\//\\}"; }
command="\"$(windows_path "$(dirname "$WINE_PROBE")/tonegen_slow_browser.exe")\" 6000 \"$(windows_path "$handler_log")\" \"%1\""
for scheme in http https; do
  env -u DISPLAY "$WINE_LOADER" reg add "HKCR\\$scheme\\shell\\open\\command" /ve /d "$command" /f \
    >>"$E2E_RUN/logs/wineboot.log" 2>&1 || e2e_fail "cannot make the stand-in the handler of $scheme addresses"
done
env -u DISPLAY "$WINE_SERVER" -w
e2e_start_xvfb
e2e_start_pulse

handler_wrote() { grep -qxF "$1" "$handler_log" 2>/dev/null; }

app_launch
box=$(e2e_about_box "$start_up_limit") || e2e_fail "no About box at start-up"
e2e_key "$box" Tab
e2e_key "$box" space
e2e_wait_window_gone "$box" 10 || e2e_fail "\"Twitter\" did not close the About box"
e2e_until "$page_limit" 0.05 handler_wrote "start $software_page" ||
  e2e_fail "the handler was not started for the software page"
handler_started=$(e2e_now)

# The window takes a click: a window whose thread waits for the handler
# sees its input only once the wait is over (5 s for each handler), after
# the first handler has taken its page.
find_main_window
click_control "$on_off"
expect_toggle "$on_off" ON released
! handler_wrote "took $software_page" ||
  e2e_fail "the window took the click only after the handler was ready for input"
e2e_log "ON/OFF released while the handler was starting, $(e2e_elapsed "$handler_started" "$(e2e_now)") s after it started"
# Closed with the hand-off still waiting for the handler (which pages go
# then is the Win32 tests' matter).
close_program
e2e_log "handler: $(paste -sd' ' "$handler_log")"
