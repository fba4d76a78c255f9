#!/usr/bin/env bash
# Runs a command with a private PulseAudio server (null sink "out", mono
# 16-bit 44100 Hz, as the end-to-end tests have it) that ends with it: what
# the wave-out contract's Windows runner needs behind wine's audio driver,
# and its Linux runner over the real server plays to. While the command
# runs, a file "kill" or "start" that it makes in the folder named by
# TONEGEN_SOUND_SERVER_CONTROL has the server killed (SIGKILL, as a crash
# ends it) or started again on the same socket; the file goes once done.
# Usage: with_sound_server.sh COMMAND [ARGUMENTS...]
set -uo pipefail
# shellcheck source=../e2e/harness.sh
source "$(dirname "$0")/../e2e/harness.sh"
e2e_begin wave_out_contract >/dev/null 2>&1
e2e_start_pulse 2>/dev/null
export TONEGEN_SOUND_SERVER_CONTROL="$E2E_RUN/control"
mkdir -p "$TONEGEN_SOUND_SERVER_CONTROL"
"$@" &
command_pid=$!
E2E_PIDS+=("$command_pid:command")
while e2e_running "$command_pid"; do
  if [ -e "$TONEGEN_SOUND_SERVER_CONTROL/kill" ]; then
    e2e_kill_pulse >/dev/null 2>&1
    rm -f "$TONEGEN_SOUND_SERVER_CONTROL/kill"
  fi
  if [ -e "$TONEGEN_SOUND_SERVER_CONTROL/start" ]; then
    e2e_start_pulse >/dev/null 2>&1
    rm -f "$TONEGEN_SOUND_SERVER_CONTROL/start"
  fi
  sleep 0.02
done
wait "$command_pid"
status=$?
e2e_forget_pid "$command_pid"
exit "$status"
