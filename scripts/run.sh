#!/usr/bin/env bash
# Installs what is missing, builds ZORVAND.EXE and starts it under Wine on the
# build's own prefix, whose sound scheme is seeded with the demo scheme the
# first time. Without a DISPLAY the dialog opens on the runtime's own Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/setup.sh"
"$root/scripts/build.sh" win64 ZORVAND demo_sounds

build="$root/build/win64"
"$root/scripts/wine.sh" "$build" start
"$root/scripts/demo.sh" "$build"
exec "$root/scripts/wine.sh" "$build" exec "$build/app/ZORVAND.EXE"
