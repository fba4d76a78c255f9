#!/usr/bin/env bash
# Runs a command with a private PulseAudio server (null sink "out", mono
# 16-bit 44100 Hz, as the end-to-end tests have it) that ends with it: what
# the wave-out contract's Windows runner needs behind wine's audio driver,
# and its Linux runner over the real server plays to.
# Usage: with_sound_server.sh COMMAND [ARGUMENTS...]
set -uo pipefail
# shellcheck source=../e2e/harness.sh
source "$(dirname "$0")/../e2e/harness.sh"
e2e_begin wave_out_contract >/dev/null 2>&1
e2e_start_pulse 2>/dev/null
"$@"
