#!/usr/bin/env bash
# Runs one end-to-end scenario against one program.
#
# Usage: run_scenario.sh SCENARIO[:VARIANT] PLATFORM PROGRAM ANALYSE_RECORDING ARTIFACT_DIR [PROBE]
#   SCENARIO   a file of scenarios/ without its .sh (run with `variant` set to VARIANT)
#   PLATFORM   qt (the Linux program) or wine (a Windows build; PROBE is its tonegen_e2e_probe.exe)
#
# The scenario is written once for both programs: the platform layer (qt.sh
# or wine.sh) makes the steps that differ, program.sh the rest, and the
# expectations come from the core through ANALYSE_RECORDING.
set -uo pipefail
scenario=${1%%:*}
variant=
[[ $1 != *:* ]] || variant=${1#*:}
platform=$2
program=$3
E2E_ANALYSE=$4
here=$(cd "$(dirname "$0")" && pwd)
[ -f "$here/scenarios/$scenario.sh" ] || { echo "run_scenario.sh: no scenario '$scenario'" >&2; exit 2; }
[ -f "$here/$platform.sh" ] || { echo "run_scenario.sh: no platform '$platform'" >&2; exit 2; }
# shellcheck source=harness.sh
source "$here/harness.sh"
e2e_begin "$platform.$scenario${variant:+.$variant}" "$5"
# shellcheck source=qt.sh
source "$here/$platform.sh"
# shellcheck source=program.sh
source "$here/program.sh"
load_program_facts
app_begin "$program" "${6:-}"
# shellcheck source=/dev/null
source "$here/scenarios/$scenario.sh"
e2e_log "PASS"
