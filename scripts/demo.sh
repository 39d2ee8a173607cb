#!/usr/bin/env bash
# Gives the build's Wine prefix the demo sounds, made by the build with pictures
# and descriptions, and the demo sound scheme that uses them, unless the prefix
# has a scheme already: an existing scheme is never touched. The sounds are
# copied every time, so a prefix seeded by an older build shows the current ones.
# Some events use today's layout: their sounds lie in %SystemRoot%\media and
# their names in the library of localised event names.
#   demo.sh BUILD
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: demo.sh BUILD}" && pwd)
eval "$("$root/scripts/wine.sh" "$build" env)"

for kind in ding chime chord tada exit notify; do
  if [ ! -f "$build/demo/$kind.wav" ]; then
    echo "demo.sh: $build/demo/$kind.wav is missing: build the target demo_sounds first" >&2
    exit 1
  fi
done
names="$build/tests/fixtures/event_names.dll"
# Built here: the run command builds the program and the demo sounds only.
ninja -C "$build" event_names >/dev/null
sounds="$WINEPREFIX/drive_c/ZORVAND/サウンド"
mkdir -p "$sounds"
while read -r name kind; do
  cp "$build/demo/$kind.wav" "$sounds/$name.wav"
done <<'LIST'
ベル ding
チャイム chime
和音 chord
起動 tada
終了 exit
通知 notify
LIST
cp "$names" "$WINEPREFIX/drive_c/ZORVAND/event_names.dll"
media="$WINEPREFIX/drive_c/windows/media"
mkdir -p "$media"
while read -r name kind; do
  cp "$build/demo/$kind.wav" "$media/ザルノク $name.wav"
done <<'LIST'
警告 ding
通知 notify
最大化 chime
LIST

if "$ZORVAND_WINE" reg query 'HKCU\AppEvents\Schemes\Apps\.Default' >/dev/null 2>&1 </dev/null; then
  exit 0
fi

echo "demo.sh: seeding the demo sound scheme" >&2
iconv -f UTF-8 -t UTF-16 "$root/scripts/demo-scheme.reg" >"$build/wine/demo-scheme.reg"
"$ZORVAND_WINE" regedit /S "$build/wine/demo-scheme.reg" >/dev/null 2>&1 </dev/null
