# shellcheck shell=bash
# shellcheck disable=SC2154 # what program.sh reads from the core and the platform layer sets
# The main window as the program lays it out: a fixed client area, every
# control of the core's table at its rectangle and nothing else, and the
# start-up state it shows (each field at its frequency, the gain bars and
# labels at their tones' gains).
#
# Two runs. In the first the probe reads every control's rectangle (and the
# Linux program, every widget a native X window, shows them to the X server
# too). The second is the program as users run it: what it shows at
# start-up.
e2e_start_xvfb
e2e_start_pulse

# 1. The rectangles as the system knows them.
start_program inspect
expect_fixed_size
expect_layout
close_program

# 2. The program as users run it.
: >"$E2E_OPENED"
start_program
expect_fixed_size
expect_start_up_window
close_program
