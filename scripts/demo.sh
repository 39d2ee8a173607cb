#!/usr/bin/env bash
# Gives the build's Wine prefix the demo sound scheme and its sounds, unless
# the prefix has a scheme already: an existing scheme is never touched.
#   demo.sh BUILD
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: demo.sh BUILD}" && pwd)
eval "$("$root/scripts/wine.sh" "$build" env)"

if "$ZORVAND_WINE" reg query 'HKCU\AppEvents\Schemes\Apps\.Default' >/dev/null 2>&1 </dev/null; then
  exit 0
fi

echo "demo.sh: seeding the demo sound scheme" >&2
sounds="$WINEPREFIX/drive_c/ZORVAND/サウンド"
mkdir -p "$sounds"
while read -r name kind; do
  "$build/host/mkwave" "$sounds/$name.wav" "$kind"
done <<'LIST'
ベル ding
チャイム chime
和音 chord
起動 tada
終了 exit
通知 notify
LIST

iconv -f UTF-8 -t UTF-16 "$root/scripts/demo-scheme.reg" >"$build/wine/demo-scheme.reg"
"$ZORVAND_WINE" regedit /S "$build/wine/demo-scheme.reg" >/dev/null 2>&1 </dev/null
