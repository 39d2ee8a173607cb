#!/usr/bin/env bash
# Runs a Windows test program with the runtime at another DPI, then sets 96 back.
#   at_dpi.sh BUILD DPI PROGRAM [ARGS…]
# The runtime reads the DPI when a program starts, for every program: ctest runs
# this alone (RUN_SERIAL), and 96 is restored however the program ends.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:?usage: at_dpi.sh BUILD DPI PROGRAM [ARGS…]}
dpi=${2:?usage: at_dpi.sh BUILD DPI PROGRAM [ARGS…]}
shift 2
wine=("$root/scripts/wine.sh" "$build" exec)

set_dpi() {
  "${wine[@]}" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null </dev/null
}
trap 'set_dpi 96' EXIT INT TERM
set_dpi "$dpi"
"${wine[@]}" "$@"
